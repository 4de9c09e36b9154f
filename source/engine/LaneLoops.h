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
        /**
            group (in, first, second) reads `stride` * lanes floats and writes lanes of each output:
            stride 2 for interleaved bins, 1 for plain arrays.
        */
        template <int lanes, int stride, typename Group>
        void overTwoOutputs (const float* in, float* first, float* second, int n, Group&& group)
        {
            int i = 0;

            for (; i + lanes <= n; i += lanes)
                group (in + stride * i, first + i, second + i);

            if (i < n)
            {
                float padded[stride * lanes] = {}, a[lanes], b[lanes];

                for (int k = 0; k < stride * (n - i); ++k)
                    padded[k] = in[stride * i + k];

                group (padded, a, b);

                for (int k = 0; k < n - i; ++k)
                {
                    first[i + k] = a[k];
                    second[i + k] = b[k];
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
