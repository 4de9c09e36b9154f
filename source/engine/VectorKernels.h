#pragma once

/**
    The engine's element-wise maths over arrays of floats, in four interchangeable sets:
    `scalar` (the C library, element by element), `sse2` (four lanes, every x86-64 has it),
    `avx2` (eight lanes, chosen at load time when the CPU has AVX2 and FMA) and `avx512` (the
    AVX2 set with its arc-tangents eight doubles wide, chosen when the CPU also has AVX-512F).
    The vector sets use SLEEF's single-precision functions within 3.5 ULP (the exponential within
    1 ULP), except that the AVX2 and AVX-512 sets evaluate atan2 in double precision, correctly
    rounded but for values within about 1e-11 of a rounding boundary. Square roots, divisions and
    smoothing give the scalar set's results bit for bit, and the vector sets' sums add in one
    fixed order of their own.

    Arrays need no alignment and may have any length. This header has no includes and no inline
    code, so translation units compiled for other instruction sets share nothing with the rest.
*/
struct VectorKernels
{
    /** magnitude = sqrt (re^2 + im^2), phase = atan2 (im, re) of interleaved bins. */
    void (*polar) (const float* bins, float* magnitude, float* phase, int n);
    void (*sinCos) (const float* angle, float* sine, float* cosine, int n);
    void (*atan2) (const float* y, const float* x, float* angle, int n);
    void (*log) (const float* in, float* out, int n);
    void (*exp) (const float* in, float* out, int n);
    void (*tanh) (const float* in, float* out, int n);
    void (*log10) (const float* in, float* out, int n);

    /** Sum of n values. */
    float (*sum) (const float* in, int n);

    /** Adds b * pi / 2 to phase[b] and wraps the result into [-pi, pi). */
    void (*advanceQuarterTurns) (float* phase, int n);

    /**
        Triangular smoothing: out[b] = sum over d = -radius .. radius of
        (1 - |d| / (radius + 1)) * in[b + d], for b = 0 .. n - 1. `in` points radius elements
        into a buffer padded with radius values on either side; `scratch` holds
        3 * (n + 2 * radius) floats. The scalar set adds the weighted taps in ascending order; the
        vector sets add two boxes of radius + 1 taps, in a dozen vector additions per bin.
    */
    void (*triangular) (const float* in, int radius, float* out, int n, float* scratch);

    /**
        One-pole smoothing with separate speeds: w = target >= state ? rise : fall per bin, then
        state = w * target + (1 - w) * state.
    */
    void (*smooth) (const float* target, float* state, const float* rise, const float* fall, int n);

    /**
        Interleaved bins from a magnitude and the circular blend of two phases given by their
        sines and cosines: x = (1 - amount) cosA + amount cosB, likewise y, scaled to the magnitude
        by magnitude / (sqrt (x^2 + y^2) + 1e-10).
    */
    void (*blendPolar) (const float* magnitude, const float* sinA, const float* cosA,
                        const float* sinB, const float* cosB, float amount, float* bins, int n);

    /** Interleaved bins magnitude * (cos, sin). */
    void (*rectangular) (const float* magnitude, const float* sine, const float* cosine, float* bins, int n);

    const char* name;
};

namespace VectorKernelSets
{
    extern const VectorKernels scalar;
    extern const VectorKernels sse2;
    extern const VectorKernels avx2;
    extern const VectorKernels avx512;

    /** The set the engine uses: the widest the CPU supports, unless replaced. */
    const VectorKernels& active() noexcept;

    /** Replaces the active set (tests and benchmarks compare the sets); not for the audio thread. */
    void setActive (const VectorKernels& kernels) noexcept;

    /** The widest set this CPU can run. */
    const VectorKernels& best() noexcept;
}
