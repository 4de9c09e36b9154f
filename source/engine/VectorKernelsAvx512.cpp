// Compiled with AVX-512F enabled. Everything here has internal linkage or plain C types, so no
// inline function compiled for AVX-512 can stand in for another translation unit's copy on an
// older CPU.
#include "VectorKernels.h"

#include <immintrin.h>
#include <sleef.h>

/*
    Sixteen lanes for the elementary functions, which cost the most per bin; the set takes its
    other kernels from the AVX2 set (every CPU with AVX-512F has AVX2). Partial groups at the end
    go through masked loads and stores.
*/
namespace
{
    constexpr int lanes = 16;

    __mmask16 tailMask (int count) noexcept
    {
        return (__mmask16) ((1u << count) - 1u);
    }

    template <typename Fn>
    void unary (const float* in, float* out, int n, Fn&& fn)
    {
        int i = 0;

        for (; i + lanes <= n; i += lanes)
            _mm512_storeu_ps (out + i, fn (_mm512_loadu_ps (in + i)));

        if (i < n)
        {
            const auto mask = tailMask (n - i);
            _mm512_mask_storeu_ps (out + i, mask, fn (_mm512_mask_loadu_ps (_mm512_set1_ps (1.0f), mask, in + i)));
        }
    }

    /** Sixteen interleaved bins (32 floats, of which `count` bins are valid) as real and imaginary parts. */
    void deinterleave (const float* bins, int count, __m512& re, __m512& im)
    {
        const auto lowMask = tailMask (count >= 8 ? 16 : 2 * count);
        const auto highMask = tailMask (count >= 16 ? 16 : count > 8 ? 2 * (count - 8) : 0);
        const auto lo = _mm512_maskz_loadu_ps (lowMask, bins);
        const auto hi = _mm512_maskz_loadu_ps (highMask, bins + lanes);
        const auto even = _mm512_setr_epi32 (0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
        const auto odd = _mm512_setr_epi32 (1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
        re = _mm512_permutex2var_ps (lo, even, hi);
        im = _mm512_permutex2var_ps (lo, odd, hi);
    }

    void polar (const float* bins, float* magnitude, float* phase, int n)
    {
        for (int b = 0; b < n; b += lanes)
        {
            const auto count = n - b < lanes ? n - b : lanes;
            const auto mask = tailMask (count);
            __m512 re, im;
            deinterleave (bins + 2 * b, count, re, im);
            _mm512_mask_storeu_ps (magnitude + b, mask, _mm512_sqrt_ps (_mm512_add_ps (_mm512_mul_ps (re, re), _mm512_mul_ps (im, im))));
            _mm512_mask_storeu_ps (phase + b, mask, Sleef_atan2f16_u10avx512f (im, re));
        }
    }

    void sinCos (const float* angle, float* sine, float* cosine, int n)
    {
        for (int i = 0; i < n; i += lanes)
        {
            const auto mask = tailMask (n - i < lanes ? n - i : lanes);
            const auto r = Sleef_sincosf16_u10avx512f (_mm512_maskz_loadu_ps (mask, angle + i));
            _mm512_mask_storeu_ps (sine + i, mask, r.x);
            _mm512_mask_storeu_ps (cosine + i, mask, r.y);
        }
    }

    void atan2 (const float* y, const float* x, float* angle, int n)
    {
        for (int i = 0; i < n; i += lanes)
        {
            const auto mask = tailMask (n - i < lanes ? n - i : lanes);
            _mm512_mask_storeu_ps (angle + i, mask, Sleef_atan2f16_u10avx512f (_mm512_maskz_loadu_ps (mask, y + i),
                                                                              _mm512_mask_loadu_ps (_mm512_set1_ps (1.0f), mask, x + i)));
        }
    }

    void log (const float* in, float* out, int n)   { unary (in, out, n, [] (__m512 x) { return Sleef_logf16_u35avx512f (x); }); }
    void exp (const float* in, float* out, int n)   { unary (in, out, n, [] (__m512 x) { return Sleef_expf16_u10avx512f (x); }); }
    void tanh (const float* in, float* out, int n)  { unary (in, out, n, [] (__m512 x) { return Sleef_tanhf16_u35avx512f (x); }); }
    void log10 (const float* in, float* out, int n) { unary (in, out, n, [] (__m512 x) { return Sleef_log10f16_u10avx512f (x); }); }

    VectorKernels makeSet() noexcept
    {
        auto set = VectorKernelSets::avx2;
        set.polar = polar;
        set.sinCos = sinCos;
        set.atan2 = atan2;
        set.log = log;
        set.exp = exp;
        set.tanh = tanh;
        set.log10 = log10;
        set.name = "avx512";
        return set;
    }
}

namespace VectorKernelSets
{
    // The AVX2 set is constant-initialised (addresses of functions), so it is complete before
    // this copy is made during dynamic initialisation.
    const VectorKernels avx512 = makeSet();
}
