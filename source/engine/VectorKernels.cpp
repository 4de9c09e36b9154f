#include "VectorKernels.h"

#include <atomic>
#include <cmath>

#if defined (__x86_64__) || defined (_M_X64)
 #include <emmintrin.h>
 #include <sleef.h>
 #include "LaneLoops.h"
 #include "TriangularSums.h"
 #define HOLLOWMERE_HAS_SSE2 1
#endif

namespace
{
    constexpr float pi = 3.14159265358979323846f;
    constexpr float twoPi = 2.0f * pi;

    //==============================================================================
    // Element by element, with the C library: the plain rendition of every formula.
    namespace scalar
    {
        void polar (const float* bins, float* magnitude, float* phase, int n)
        {
            for (int b = 0; b < n; ++b)
            {
                const auto re = bins[2 * b];
                const auto im = bins[2 * b + 1];
                magnitude[b] = std::sqrt (re * re + im * im);
                phase[b] = std::atan2 (im, re);
            }
        }

        void sinCos (const float* angle, float* sine, float* cosine, int n)
        {
            for (int i = 0; i < n; ++i)
            {
                sine[i] = std::sin (angle[i]);
                cosine[i] = std::cos (angle[i]);
            }
        }

        void atan2 (const float* y, const float* x, float* angle, int n)
        {
            for (int i = 0; i < n; ++i)
                angle[i] = std::atan2 (y[i], x[i]);
        }

        void log (const float* in, float* out, int n)   { for (int i = 0; i < n; ++i) out[i] = std::log (in[i]); }
        void exp (const float* in, float* out, int n)   { for (int i = 0; i < n; ++i) out[i] = std::exp (in[i]); }
        void tanh (const float* in, float* out, int n)  { for (int i = 0; i < n; ++i) out[i] = std::tanh (in[i]); }
        void log10 (const float* in, float* out, int n) { for (int i = 0; i < n; ++i) out[i] = std::log10 (in[i]); }

        float sum (const float* in, int n)
        {
            float total = 0.0f;

            for (int i = 0; i < n; ++i)
                total += in[i];

            return total;
        }

        void advanceQuarterTurns (float* phase, int n)
        {
            for (int b = 0; b < n; ++b)
            {
                const auto x = phase[b] + (float) b * twoPi * 0.25f;
                phase[b] = x - twoPi * std::floor ((x + pi) / twoPi);
            }
        }

        void triangular (const float* in, int radius, float* out, int n, float*)
        {
            for (int b = 0; b < n; ++b)
            {
                float acc = 0.0f;

                for (int d = -radius; d <= radius; ++d)
                    acc += (1.0f - (float) std::abs (d) / (float) (radius + 1)) * in[b + d];

                out[b] = acc;
            }
        }

        void smooth (const float* target, float* state, const float* rise, const float* fall, int n)
        {
            for (int b = 0; b < n; ++b)
            {
                const auto w = target[b] >= state[b] ? rise[b] : fall[b];
                state[b] = w * target[b] + (1.0f - w) * state[b];
            }
        }

        void blendPolar (const float* magnitude, const float* sinA, const float* cosA,
                         const float* sinB, const float* cosB, float amount, float* bins, int n)
        {
            for (int b = 0; b < n; ++b)
            {
                const auto x = (1.0f - amount) * cosA[b] + amount * cosB[b];
                const auto y = (1.0f - amount) * sinA[b] + amount * sinB[b];
                const auto k = magnitude[b] / (std::sqrt (x * x + y * y) + 1.0e-10f);
                bins[2 * b] = x * k;
                bins[2 * b + 1] = y * k;
            }
        }

        void rectangular (const float* magnitude, const float* sine, const float* cosine, float* bins, int n)
        {
            for (int b = 0; b < n; ++b)
            {
                bins[2 * b] = magnitude[b] * cosine[b];
                bins[2 * b + 1] = magnitude[b] * sine[b];
            }
        }
    }

   #if HOLLOWMERE_HAS_SSE2
    //==============================================================================
    // Four lanes of SSE2: the baseline of every x86-64 CPU.
    namespace sse2
    {
        constexpr int lanes = 4;

        /** Runs a four-lane function over n values; the last partial group goes through a padded copy. */
        template <typename Fn>
        void unary (const float* in, float* out, int n, Fn&& fn)
        {
            int i = 0;

            for (; i + lanes <= n; i += lanes)
                _mm_storeu_ps (out + i, fn (_mm_loadu_ps (in + i)));

            if (i < n)
            {
                alignas (16) float a[lanes] = { 1.0f, 1.0f, 1.0f, 1.0f }, r[lanes];

                for (int k = 0; k < n - i; ++k)
                    a[k] = in[i + k];

                _mm_store_ps (r, fn (_mm_load_ps (a)));

                for (int k = 0; k < n - i; ++k)
                    out[i + k] = r[k];
            }
        }

        void polarGroup (const float* bins, float* magnitude, float* phase)
        {
            const auto lo = _mm_loadu_ps (bins);
            const auto hi = _mm_loadu_ps (bins + 4);
            const auto re = _mm_shuffle_ps (lo, hi, _MM_SHUFFLE (2, 0, 2, 0));
            const auto im = _mm_shuffle_ps (lo, hi, _MM_SHUFFLE (3, 1, 3, 1));
            _mm_storeu_ps (magnitude, _mm_sqrt_ps (_mm_add_ps (_mm_mul_ps (re, re), _mm_mul_ps (im, im))));
            _mm_storeu_ps (phase, Sleef_atan2f4_u10sse2 (im, re));
        }

        void polar (const float* bins, float* magnitude, float* phase, int n)
        {
            LaneLoops::overTwoOutputs<lanes, 2> (bins, magnitude, phase, n, polarGroup);
        }

        void sinCos (const float* angle, float* sine, float* cosine, int n)
        {
            LaneLoops::overTwoOutputs<lanes, 1> (angle, sine, cosine, n, [] (const float* in, float* s, float* c)
            {
                const auto r = Sleef_sincosf4_u10sse2 (_mm_loadu_ps (in));
                _mm_storeu_ps (s, r.x);
                _mm_storeu_ps (c, r.y);
            });
        }

        void atan2 (const float* y, const float* x, float* angle, int n)
        {
            LaneLoops::overPairs<lanes> (y, x, angle, n, [] (const float* a, const float* b, float* out)
            {
                _mm_storeu_ps (out, Sleef_atan2f4_u10sse2 (_mm_loadu_ps (a), _mm_loadu_ps (b)));
            });
        }

        void log (const float* in, float* out, int n)   { unary (in, out, n, [] (__m128 x) { return Sleef_logf4_u35sse2 (x); }); }
        void exp (const float* in, float* out, int n)   { unary (in, out, n, [] (__m128 x) { return Sleef_expf4_u10sse2 (x); }); }
        void tanh (const float* in, float* out, int n)  { unary (in, out, n, [] (__m128 x) { return Sleef_tanhf4_u35sse2 (x); }); }
        void log10 (const float* in, float* out, int n) { unary (in, out, n, [] (__m128 x) { return Sleef_log10f4_u10sse2 (x); }); }

        /** Eight running partial sums (two registers), folded in a fixed order: as the AVX2 set. */
        float sum (const float* in, int n)
        {
            auto a = _mm_setzero_ps(), b = _mm_setzero_ps();
            int i = 0;

            for (; i + 8 <= n; i += 8)
            {
                a = _mm_add_ps (a, _mm_loadu_ps (in + i));
                b = _mm_add_ps (b, _mm_loadu_ps (in + i + 4));
            }

            alignas (16) float partial[8];
            _mm_store_ps (partial, a);
            _mm_store_ps (partial + 4, b);

            for (int k = 0; i < n; ++i, ++k)
                partial[k] += in[i];

            return ((partial[0] + partial[4]) + (partial[1] + partial[5]))
                 + ((partial[2] + partial[6]) + (partial[3] + partial[7]));
        }

        void triangular (const float* in, int radius, float* out, int n, float* scratch)
        {
            TriangularSums::triangular (in, radius, out, n, scratch);
        }

        void smooth (const float* target, float* state, const float* rise, const float* fall, int n)
        {
            const auto one = _mm_set1_ps (1.0f);
            int b = 0;

            for (; b + lanes <= n; b += lanes)
            {
                const auto t = _mm_loadu_ps (target + b);
                const auto p = _mm_loadu_ps (state + b);
                const auto rising = _mm_cmpge_ps (t, p);
                const auto w = _mm_or_ps (_mm_and_ps (rising, _mm_loadu_ps (rise + b)),
                                          _mm_andnot_ps (rising, _mm_loadu_ps (fall + b)));
                _mm_storeu_ps (state + b, _mm_add_ps (_mm_mul_ps (w, t), _mm_mul_ps (_mm_sub_ps (one, w), p)));
            }

            scalar::smooth (target + b, state + b, rise + b, fall + b, n - b);
        }

        void blendPolar (const float* magnitude, const float* sinA, const float* cosA,
                         const float* sinB, const float* cosB, float amount, float* bins, int n)
        {
            const auto a = _mm_set1_ps (amount);
            const auto rest = _mm_set1_ps (1.0f - amount);
            const auto tiny = _mm_set1_ps (1.0e-10f);
            int b = 0;

            for (; b + lanes <= n; b += lanes)
            {
                const auto x = _mm_add_ps (_mm_mul_ps (rest, _mm_loadu_ps (cosA + b)), _mm_mul_ps (a, _mm_loadu_ps (cosB + b)));
                const auto y = _mm_add_ps (_mm_mul_ps (rest, _mm_loadu_ps (sinA + b)), _mm_mul_ps (a, _mm_loadu_ps (sinB + b)));
                const auto length = _mm_add_ps (_mm_sqrt_ps (_mm_add_ps (_mm_mul_ps (x, x), _mm_mul_ps (y, y))), tiny);
                const auto k = _mm_div_ps (_mm_loadu_ps (magnitude + b), length);
                const auto re = _mm_mul_ps (x, k);
                const auto im = _mm_mul_ps (y, k);
                _mm_storeu_ps (bins + 2 * b, _mm_unpacklo_ps (re, im));
                _mm_storeu_ps (bins + 2 * b + 4, _mm_unpackhi_ps (re, im));
            }

            scalar::blendPolar (magnitude + b, sinA + b, cosA + b, sinB + b, cosB + b, amount, bins + 2 * b, n - b);
        }

        void rectangular (const float* magnitude, const float* sine, const float* cosine, float* bins, int n)
        {
            int b = 0;

            for (; b + lanes <= n; b += lanes)
            {
                const auto m = _mm_loadu_ps (magnitude + b);
                const auto re = _mm_mul_ps (m, _mm_loadu_ps (cosine + b));
                const auto im = _mm_mul_ps (m, _mm_loadu_ps (sine + b));
                _mm_storeu_ps (bins + 2 * b, _mm_unpacklo_ps (re, im));
                _mm_storeu_ps (bins + 2 * b + 4, _mm_unpackhi_ps (re, im));
            }

            scalar::rectangular (magnitude + b, sine + b, cosine + b, bins + 2 * b, n - b);
        }
    }
   #endif

    std::atomic<const VectorKernels*> activeSet { &VectorKernelSets::best() };
}

namespace VectorKernelSets
{
    const VectorKernels scalar { ::scalar::polar, ::scalar::sinCos, ::scalar::atan2, ::scalar::log, ::scalar::exp,
                                 ::scalar::tanh, ::scalar::log10, ::scalar::sum, ::scalar::advanceQuarterTurns,
                                 ::scalar::triangular, ::scalar::smooth, ::scalar::blendPolar,
                                 ::scalar::rectangular, "scalar" };

   #if HOLLOWMERE_HAS_SSE2
    const VectorKernels sse2 { ::sse2::polar, ::sse2::sinCos, ::sse2::atan2, ::sse2::log, ::sse2::exp,
                               ::sse2::tanh, ::sse2::log10, ::sse2::sum, ::scalar::advanceQuarterTurns,
                               ::sse2::triangular, ::sse2::smooth, ::sse2::blendPolar,
                               ::sse2::rectangular, "sse2" };
   #else
    const VectorKernels sse2 = scalar;
    const VectorKernels avx2 = scalar;
    const VectorKernels avx512 = scalar;
   #endif

    const VectorKernels& best() noexcept
    {
       #if HOLLOWMERE_HAS_SSE2
        __builtin_cpu_init();

        // SLEEF's AVX2 functions use fused multiply-adds as well.
        if (! __builtin_cpu_supports ("avx2") || ! __builtin_cpu_supports ("fma"))
            return sse2;

        if (__builtin_cpu_supports ("avx512f"))
            return avx512;

        return avx2;
       #else
        return scalar;
       #endif
    }

    const VectorKernels& active() noexcept
    {
        return *activeSet.load (std::memory_order_relaxed);
    }

    void setActive (const VectorKernels& kernels) noexcept
    {
        activeSet.store (&kernels, std::memory_order_relaxed);
    }
}
