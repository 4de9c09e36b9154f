// Compiled with AVX-512F and FMA enabled. Everything here has internal linkage or plain C types, so
// no inline function compiled for AVX-512 can stand in for another translation unit's copy on an
// older CPU.
#include "ArcTangentPolynomial.h"
#include "LaneLoops.h"
#include "VectorKernels.h"

#include <immintrin.h>
#include <iterator>
#include <limits>

// GCC's AVX-512 intrinsics spell "any value" as a self-initialised register, which
// -Wuninitialized reports at every use.
#if defined (__GNUC__) && ! defined (__clang__)
 #pragma GCC diagnostic ignored "-Wuninitialized"
#endif

/*
    The arc-tangents, the one function of the analysis whose cost shows next to the transforms,
    evaluated as the AVX2 set does (double precision, rounded once, the same polynomial) but eight
    doubles per register. Every other kernel is the AVX2 set's (every CPU with AVX-512F has AVX2
    and FMA).
*/
namespace
{
    constexpr int lanes = 8;

    /**
        atan2 of eight lanes, correctly rounded but for exact values within about 1e-11 of a
        rounding boundary; signed zeros as the C library, two infinities the diagonals, NaN gives
        NaN.
    */
    __m256 atan2Lanes (__m256 y, __m256 x)
    {
        using namespace ArcTangentPolynomial;
        const auto signBit = _mm256_set1_ps (-0.0f);
        const auto ax = _mm256_andnot_ps (signBit, x);
        const auto ay = _mm256_andnot_ps (signBit, y);

        // Two infinities make a ratio of one; one infinity makes an exact 0 or pi/2 below.
        const auto bothInfinite = _mm256_cmp_ps (_mm256_min_ps (ax, ay), _mm256_set1_ps (std::numeric_limits<float>::infinity()), _CMP_EQ_OQ);
        const auto num = _mm512_cvtps_pd (_mm256_blendv_ps (_mm256_min_ps (ax, ay), _mm256_set1_ps (1.0f), bothInfinite));
        const auto den = _mm512_cvtps_pd (_mm256_blendv_ps (_mm256_max_ps (ax, ay), _mm256_set1_ps (1.0f), bothInfinite));
        const auto swapped = (__mmask8) _mm256_movemask_ps (_mm256_cmp_ps (ay, ax, _CMP_GT_OQ));

        // The sign bits themselves, so x = -0 takes the pi - r branch as atan2 wants.
        const auto negativeX = (__mmask8) _mm256_movemask_ps (x);

        // Above tan(pi/8) the ratio is reduced: pi/4 + atan ((n - d) / (n + d)), exact in double.
        const auto reduce = _mm512_cmp_pd_mask (num, _mm512_mul_pd (den, _mm512_set1_pd (tanPiOver8)), _CMP_GT_OQ);
        const auto n = _mm512_mask_sub_pd (num, reduce, num, den);
        const auto d = _mm512_max_pd (_mm512_mask_add_pd (den, reduce, num, den), _mm512_set1_pd (tinyDenominator));
        const auto t = _mm512_div_pd (n, d);
        const auto z = _mm512_mul_pd (t, t);

        auto p = _mm512_set1_pd (coefficients[0]);

        for (size_t k = 1; k < std::size (coefficients); ++k)
            p = _mm512_fmadd_pd (p, z, _mm512_set1_pd (coefficients[k]));

        auto r = _mm512_fmadd_pd (_mm512_mul_pd (t, z), p, t);
        r = _mm512_mask_add_pd (r, reduce, r, _mm512_set1_pd (quarterPi));
        r = _mm512_mask_sub_pd (r, swapped, _mm512_set1_pd (halfPi), r);
        r = _mm512_mask_sub_pd (r, negativeX, _mm512_set1_pd (pi), r);

        const auto angle = _mm256_or_ps (_mm512_cvtpd_ps (r), _mm256_and_ps (y, signBit));
        return _mm256_or_ps (angle, _mm256_cmp_ps (x, y, _CMP_UNORD_Q));
    }

    void polarGroup (const float* bins, float* magnitude, float* phase)
    {
        const auto evenThenOdd = _mm512_setr_epi32 (0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
        const auto both = _mm512_permutexvar_ps (evenThenOdd, _mm512_loadu_ps (bins));
        const auto re = _mm512_castps512_ps256 (both);
        const auto im = _mm256_castpd_ps (_mm512_extractf64x4_pd (_mm512_castps_pd (both), 1));
        _mm256_storeu_ps (magnitude, _mm256_sqrt_ps (_mm256_add_ps (_mm256_mul_ps (re, re), _mm256_mul_ps (im, im))));
        _mm256_storeu_ps (phase, atan2Lanes (im, re));
    }

    void polar (const float* bins, float* magnitude, float* phase, int n)
    {
        LaneLoops::overTwoOutputs<lanes, 2> (bins, magnitude, phase, n, polarGroup);
    }

    void atan2 (const float* y, const float* x, float* angle, int n)
    {
        LaneLoops::overPairs<lanes> (y, x, angle, n, [] (const float* a, const float* b, float* out)
        {
            _mm256_storeu_ps (out, atan2Lanes (_mm256_loadu_ps (a), _mm256_loadu_ps (b)));
        });
    }

    VectorKernels makeSet() noexcept
    {
        auto set = VectorKernelSets::avx2;
        set.polar = polar;
        set.atan2 = atan2;
        set.name = "avx512";
        return set;
    }
}

namespace VectorKernelSets
{
    const VectorKernels avx512 = makeSet();
}
