#pragma once

/**
    The double-precision arc-tangent of the wide kernel sets. For 0 <= n <= d, atan (n / d) is
    taken as pi/4 + atan ((n - d) / (n + d)) when n / d > tan(pi/8), so the polynomial only sees
    |t| <= tan(pi/8): atan (t) = t + t^3 P (t^2), P minimax on that range with a relative error of
    3.4e-12 in the result. Constants only, so translation units built for different instruction
    sets share no code through this header.
*/
namespace ArcTangentPolynomial
{
    /** P's coefficients, highest power first (Horner order). */
    constexpr double coefficients[] = { -0.040430336961471067246, 0.071352346474640408173, -0.090289675621104181467,
                                        0.11107493853432702763, -0.14285612465275252388, 0.19999998916690561882,
                                        -0.33333333331439496688 };

    constexpr double tanPiOver8 = 0.41421356237309504880;
    constexpr double quarterPi = 0.78539816339744830962;
    constexpr double halfPi = 1.57079632679489661923;
    constexpr double pi = 3.14159265358979323846;

    /** Keeps 0 / 0 at 0 where both arguments are zero. */
    constexpr double tinyDenominator = 1.0e-300;
}
