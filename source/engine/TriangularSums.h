#pragma once

/**
    Triangular smoothing as two box filters, each built from power-of-two partial sums: about a
    dozen additions per bin whatever the radius, in plain loops the compiler vectorises for the
    instruction set of the translation unit that includes this.

    Everything here has internal linkage on purpose: each kernel set's translation unit gets its
    own copy, compiled for its own instruction set, and shares none of it with another.
*/
namespace
{
    namespace TriangularSums
    {
        /**
            box[j] = sum of values[j .. j + width - 1] for j = 0 .. count - width. `values` and
            `spare` (count floats each) are overwritten with partial sums; `box` needs
            count - width + 1 floats and may be neither of them.
        */
        inline void boxSums (float* values, float* spare, int count, int width, float* box) noexcept
        {
            const auto boxes = count - width + 1;

            for (int j = 0; j < boxes; ++j)
                box[j] = 0.0f;

            // `values` holds sums of `size` consecutive inputs; the set bits of width pick the sums
            // that tile each box, from the smallest.
            int offset = 0;

            for (int size = 1; size <= width; size *= 2)
            {
                if ((width & size) != 0)
                {
                    const auto* __restrict part = values + offset;
                    auto* __restrict sums = box;

                    for (int j = 0; j < boxes; ++j)
                        sums[j] += part[j];

                    offset += size;
                }

                if (2 * size <= width)
                {
                    const auto* __restrict from = values;
                    auto* __restrict to = spare;

                    for (int j = 0; j + 2 * size <= count; ++j)
                        to[j] = from[j] + from[j + size];

                    spare = values;
                    values = to;
                }
            }
        }

        /**
            out[b] = sum over d = -radius .. radius of (radius + 1 - |d|) * in[b + d], divided by
            radius + 1. `in` points radius elements into a padded buffer; `scratch` holds
            3 * (n + 2 * radius) floats.
        */
        inline void triangular (const float* in, int radius, float* out, int n, float* scratch) noexcept
        {
            const auto width = radius + 1;
            const auto count = n + 2 * radius;
            auto* values = scratch;
            auto* spare = scratch + count;
            auto* firstBoxes = scratch + 2 * count;

            for (int j = 0; j < count; ++j)
                values[j] = in[j - radius];

            // Boxes of width taps twice over: box (box (x)) weights offset d by radius + 1 - |d|.
            boxSums (values, spare, count, width, firstBoxes);
            boxSums (firstBoxes, values, count - width + 1, width, out);

            const auto scale = (float) width;

            for (int b = 0; b < n; ++b)
                out[b] /= scale;
        }
    }
}
