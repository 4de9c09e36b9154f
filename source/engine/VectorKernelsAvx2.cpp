// Compiled with AVX2 and FMA enabled. Everything here has internal linkage or plain C types, so no inline
// function compiled for AVX2 can stand in for another translation unit's copy on an older CPU.
#include "ArcTangentPolynomial.h"
#include "LaneLoops.h"
#include "TriangularSums.h"
#include "VectorKernels.h"

#include <immintrin.h>
#include <iterator>
#include <limits>
#include <sleef.h>

namespace
{
    constexpr int lanes = 8;
    constexpr float pi = 3.14159265358979323846f;
    constexpr float twoPi = 2.0f * pi;

    template <typename Fn>
    void unary (const float* in, float* out, int n, Fn&& fn)
    {
        int i = 0;

        for (; i + lanes <= n; i += lanes)
            _mm256_storeu_ps (out + i, fn (_mm256_loadu_ps (in + i)));

        if (i < n)
        {
            alignas (32) float a[lanes] = { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f }, r[lanes];

            for (int k = 0; k < n - i; ++k)
                a[k] = in[i + k];

            _mm256_store_ps (r, fn (_mm256_load_ps (a)));

            for (int k = 0; k < n - i; ++k)
                out[i + k] = r[k];
        }
    }

    /** atan (num / den) for 0 <= num <= den, four lanes in double precision. */
    __m256d atanOfRatio (__m256d num, __m256d den)
    {
        using namespace ArcTangentPolynomial;

        // Above tan(pi/8) the ratio is reduced: pi/4 + atan ((n - d) / (n + d)), exact in double.
        const auto reduce = _mm256_cmp_pd (num, _mm256_mul_pd (den, _mm256_set1_pd (tanPiOver8)), _CMP_GT_OQ);
        const auto n = _mm256_blendv_pd (num, _mm256_sub_pd (num, den), reduce);
        const auto d = _mm256_max_pd (_mm256_blendv_pd (den, _mm256_add_pd (num, den), reduce), _mm256_set1_pd (tinyDenominator));
        const auto t = _mm256_div_pd (n, d);
        const auto z = _mm256_mul_pd (t, t);

        auto p = _mm256_set1_pd (coefficients[0]);

        for (size_t k = 1; k < std::size (coefficients); ++k)
            p = _mm256_fmadd_pd (p, z, _mm256_set1_pd (coefficients[k]));

        const auto r = _mm256_fmadd_pd (_mm256_mul_pd (t, z), p, t);
        return _mm256_add_pd (r, _mm256_and_pd (reduce, _mm256_set1_pd (quarterPi)));
    }

    /** Four lanes of atan2 (|y|, x) from the float parts atan2Lanes prepares. */
    __m256d atan2Half (__m128 num, __m128 den, __m128 swapped, __m128 x)
    {
        auto r = atanOfRatio (_mm256_cvtps_pd (num), _mm256_cvtps_pd (den));
        const auto swap = _mm256_castsi256_pd (_mm256_cvtepi32_epi64 (_mm_castps_si128 (swapped)));
        r = _mm256_blendv_pd (r, _mm256_sub_pd (_mm256_set1_pd (ArcTangentPolynomial::halfPi), r), swap);

        // blendv picks by the sign bit, so x = -0 takes the pi - r branch as atan2 wants.
        return _mm256_blendv_pd (r, _mm256_sub_pd (_mm256_set1_pd (ArcTangentPolynomial::pi), r), _mm256_cvtps_pd (x));
    }

    /**
        atan2 evaluated in double precision and rounded once, so the result is the correctly
        rounded float but for exact values within about 1e-11 of a rounding boundary. Signed zeros
        give the C library's angles, two infinities the diagonals, NaN gives NaN.
    */
    __m256 atan2Lanes (__m256 y, __m256 x)
    {
        const auto signBit = _mm256_set1_ps (-0.0f);
        const auto ax = _mm256_andnot_ps (signBit, x);
        const auto ay = _mm256_andnot_ps (signBit, y);

        // Two infinities make a ratio of one; one infinity makes an exact 0 or pi/2 below.
        const auto bothInfinite = _mm256_cmp_ps (_mm256_min_ps (ax, ay), _mm256_set1_ps (std::numeric_limits<float>::infinity()), _CMP_EQ_OQ);
        const auto num = _mm256_blendv_ps (_mm256_min_ps (ax, ay), _mm256_set1_ps (1.0f), bothInfinite);
        const auto den = _mm256_blendv_ps (_mm256_max_ps (ax, ay), _mm256_set1_ps (1.0f), bothInfinite);
        const auto swapped = _mm256_cmp_ps (ay, ax, _CMP_GT_OQ);

        const auto low = atan2Half (_mm256_castps256_ps128 (num), _mm256_castps256_ps128 (den),
                                    _mm256_castps256_ps128 (swapped), _mm256_castps256_ps128 (x));
        const auto high = atan2Half (_mm256_extractf128_ps (num, 1), _mm256_extractf128_ps (den, 1),
                                     _mm256_extractf128_ps (swapped, 1), _mm256_extractf128_ps (x, 1));
        const auto angle = _mm256_or_ps (_mm256_set_m128 (_mm256_cvtpd_ps (high), _mm256_cvtpd_ps (low)),
                                         _mm256_and_ps (y, signBit));
        return _mm256_or_ps (angle, _mm256_cmp_ps (x, y, _CMP_UNORD_Q));
    }

    void polarGroup (const float* bins, float* magnitude, float* phase)
    {
        // Lanes come out as bins 0 1 4 5 2 3 6 7 after the in-lane shuffles; a permute restores order.
        const auto lo = _mm256_loadu_ps (bins);
        const auto hi = _mm256_loadu_ps (bins + 8);
        const auto order = _mm256_setr_epi32 (0, 1, 4, 5, 2, 3, 6, 7);
        const auto re = _mm256_permutevar8x32_ps (_mm256_shuffle_ps (lo, hi, _MM_SHUFFLE (2, 0, 2, 0)), order);
        const auto im = _mm256_permutevar8x32_ps (_mm256_shuffle_ps (lo, hi, _MM_SHUFFLE (3, 1, 3, 1)), order);
        _mm256_storeu_ps (magnitude, _mm256_sqrt_ps (_mm256_add_ps (_mm256_mul_ps (re, re), _mm256_mul_ps (im, im))));
        _mm256_storeu_ps (phase, atan2Lanes (im, re));
    }

    void polar (const float* bins, float* magnitude, float* phase, int n)
    {
        LaneLoops::overTwoOutputs<lanes, 2> (bins, magnitude, phase, n, polarGroup);
    }

    void sinCos (const float* angle, float* sine, float* cosine, int n)
    {
        LaneLoops::overTwoOutputs<lanes, 1> (angle, sine, cosine, n, [] (const float* in, float* s, float* c)
        {
            const auto r = Sleef_sincosf8_u10avx2 (_mm256_loadu_ps (in));
            _mm256_storeu_ps (s, r.x);
            _mm256_storeu_ps (c, r.y);
        });
    }

    void atan2 (const float* y, const float* x, float* angle, int n)
    {
        LaneLoops::overPairs<lanes> (y, x, angle, n, [] (const float* a, const float* b, float* out)
        {
            _mm256_storeu_ps (out, atan2Lanes (_mm256_loadu_ps (a), _mm256_loadu_ps (b)));
        });
    }

    void log (const float* in, float* out, int n)   { unary (in, out, n, [] (__m256 x) { return Sleef_logf8_u35avx2 (x); }); }
    void exp (const float* in, float* out, int n)   { unary (in, out, n, [] (__m256 x) { return Sleef_expf8_u10avx2 (x); }); }
    void tanh (const float* in, float* out, int n)  { unary (in, out, n, [] (__m256 x) { return Sleef_tanhf8_u35avx2 (x); }); }
    void log10 (const float* in, float* out, int n) { unary (in, out, n, [] (__m256 x) { return Sleef_log10f8_u10avx2 (x); }); }

    /** Eight running partial sums folded in a fixed order, as the SSE2 set does. */
    float sum (const float* in, int n)
    {
        auto acc = _mm256_setzero_ps();
        int i = 0;

        for (; i + 8 <= n; i += 8)
            acc = _mm256_add_ps (acc, _mm256_loadu_ps (in + i));

        alignas (32) float partial[8];
        _mm256_store_ps (partial, acc);

        for (int k = 0; i < n; ++i, ++k)
            partial[k] += in[i];

        return ((partial[0] + partial[4]) + (partial[1] + partial[5]))
             + ((partial[2] + partial[6]) + (partial[3] + partial[7]));
    }

    void advanceQuarterTurns (float* phase, int n)
    {
        const auto vTwoPi = _mm256_set1_ps (twoPi);
        const auto vPi = _mm256_set1_ps (pi);
        const auto quarter = _mm256_set1_ps (0.25f);
        const auto step = _mm256_set1_epi32 (lanes);
        auto index = _mm256_setr_epi32 (0, 1, 2, 3, 4, 5, 6, 7);
        int b = 0;

        for (; b + lanes <= n; b += lanes, index = _mm256_add_epi32 (index, step))
        {
            const auto increment = _mm256_mul_ps (_mm256_mul_ps (_mm256_cvtepi32_ps (index), vTwoPi), quarter);
            const auto x = _mm256_add_ps (_mm256_loadu_ps (phase + b), increment);
            const auto turns = _mm256_floor_ps (_mm256_div_ps (_mm256_add_ps (x, vPi), vTwoPi));
            _mm256_storeu_ps (phase + b, _mm256_sub_ps (x, _mm256_mul_ps (vTwoPi, turns)));
        }

        for (; b < n; ++b)
        {
            const auto x = phase[b] + (float) b * twoPi * 0.25f;
            const auto turns = _mm_cvtss_f32 (_mm_floor_ss (_mm_setzero_ps(), _mm_set_ss ((x + pi) / twoPi)));
            phase[b] = x - twoPi * turns;
        }
    }

    void triangular (const float* in, int radius, float* out, int n, float* scratch)
    {
        TriangularSums::triangular (in, radius, out, n, scratch);
    }

    void smoothTail (const float* target, float* state, const float* rise, const float* fall, int n)
    {
        for (int b = 0; b < n; ++b)
        {
            const auto w = target[b] >= state[b] ? rise[b] : fall[b];
            state[b] = w * target[b] + (1.0f - w) * state[b];
        }
    }

    void smooth (const float* target, float* state, const float* rise, const float* fall, int n)
    {
        const auto one = _mm256_set1_ps (1.0f);
        int b = 0;

        for (; b + lanes <= n; b += lanes)
        {
            const auto t = _mm256_loadu_ps (target + b);
            const auto p = _mm256_loadu_ps (state + b);
            const auto w = _mm256_blendv_ps (_mm256_loadu_ps (fall + b), _mm256_loadu_ps (rise + b),
                                             _mm256_cmp_ps (t, p, _CMP_GE_OQ));
            _mm256_storeu_ps (state + b, _mm256_add_ps (_mm256_mul_ps (w, t), _mm256_mul_ps (_mm256_sub_ps (one, w), p)));
        }

        smoothTail (target + b, state + b, rise + b, fall + b, n - b);
    }

    /** Interleaves eight real and eight imaginary parts into bins. */
    void storeInterleaved (float* bins, __m256 re, __m256 im)
    {
        const auto lo = _mm256_unpacklo_ps (re, im);   // bins 0 1 | 4 5
        const auto hi = _mm256_unpackhi_ps (re, im);   // bins 2 3 | 6 7
        _mm256_storeu_ps (bins, _mm256_permute2f128_ps (lo, hi, 0x20));
        _mm256_storeu_ps (bins + 8, _mm256_permute2f128_ps (lo, hi, 0x31));
    }

    void blendPolar (const float* magnitude, const float* sinA, const float* cosA,
                     const float* sinB, const float* cosB, float amount, float* bins, int n)
    {
        const auto a = _mm256_set1_ps (amount);
        const auto rest = _mm256_set1_ps (1.0f - amount);
        const auto tiny = _mm256_set1_ps (1.0e-10f);
        int b = 0;

        for (; b + lanes <= n; b += lanes)
        {
            const auto x = _mm256_add_ps (_mm256_mul_ps (rest, _mm256_loadu_ps (cosA + b)), _mm256_mul_ps (a, _mm256_loadu_ps (cosB + b)));
            const auto y = _mm256_add_ps (_mm256_mul_ps (rest, _mm256_loadu_ps (sinA + b)), _mm256_mul_ps (a, _mm256_loadu_ps (sinB + b)));
            const auto length = _mm256_add_ps (_mm256_sqrt_ps (_mm256_add_ps (_mm256_mul_ps (x, x), _mm256_mul_ps (y, y))), tiny);
            const auto k = _mm256_div_ps (_mm256_loadu_ps (magnitude + b), length);
            storeInterleaved (bins + 2 * b, _mm256_mul_ps (x, k), _mm256_mul_ps (y, k));
        }

        for (; b < n; ++b)
        {
            const auto x = (1.0f - amount) * cosA[b] + amount * cosB[b];
            const auto y = (1.0f - amount) * sinA[b] + amount * sinB[b];
            const auto length = _mm_cvtss_f32 (_mm_sqrt_ss (_mm_set_ss (x * x + y * y))) + 1.0e-10f;
            const auto k = magnitude[b] / length;
            bins[2 * b] = x * k;
            bins[2 * b + 1] = y * k;
        }
    }

    void rectangular (const float* magnitude, const float* sine, const float* cosine, float* bins, int n)
    {
        int b = 0;

        for (; b + lanes <= n; b += lanes)
        {
            const auto m = _mm256_loadu_ps (magnitude + b);
            storeInterleaved (bins + 2 * b, _mm256_mul_ps (m, _mm256_loadu_ps (cosine + b)),
                              _mm256_mul_ps (m, _mm256_loadu_ps (sine + b)));
        }

        for (; b < n; ++b)
        {
            bins[2 * b] = magnitude[b] * cosine[b];
            bins[2 * b + 1] = magnitude[b] * sine[b];
        }
    }
}

namespace VectorKernelSets
{
    const VectorKernels avx2 { polar, sinCos, atan2, log, exp, tanh, log10, sum, advanceQuarterTurns, triangular,
                               smooth, blendPolar, rectangular, "avx2" };
}
