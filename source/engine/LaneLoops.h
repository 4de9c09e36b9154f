#pragma once

/**
    Loops that run a kernel set's lane function over whole arrays: full groups of `lanes`
    elements straight from the arrays, then the rest once through zero-padded copies.

    Everything here has internal linkage on purpose: each kernel set's translation unit gets its
    own copy, compiled for its own instruction set, and shares none of it with another.
*/
namespace
{
    namespace LaneLoops
    {
        /** group (bins, magnitude, phase) reads 2 * lanes interleaved floats and writes lanes of each. */
        template <int lanes, typename Group>
        void overBins (const float* bins, float* magnitude, float* phase, int n, Group&& group)
        {
            int b = 0;

            for (; b + lanes <= n; b += lanes)
                group (bins + 2 * b, magnitude + b, phase + b);

            if (b < n)
            {
                float padded[2 * lanes] = {}, mag[lanes], ph[lanes];

                for (int k = 0; k < 2 * (n - b); ++k)
                    padded[k] = bins[2 * b + k];

                group (padded, mag, ph);

                for (int k = 0; k < n - b; ++k)
                {
                    magnitude[b + k] = mag[k];
                    phase[b + k] = ph[k];
                }
            }
        }

        /** group (a, b, out) reads and writes `lanes` floats of each. */
        template <int lanes, typename Group>
        void overPairs (const float* a, const float* b, float* out, int n, Group&& group)
        {
            int i = 0;

            for (; i + lanes <= n; i += lanes)
                group (a + i, b + i, out + i);

            if (i < n)
            {
                float paddedA[lanes] = {}, paddedB[lanes] = {}, result[lanes];

                for (int k = 0; k < n - i; ++k)
                {
                    paddedA[k] = a[i + k];
                    paddedB[k] = b[i + k];
                }

                group (paddedA, paddedB, result);

                for (int k = 0; k < n - i; ++k)
                    out[i + k] = result[k];
            }
        }
    }
}
