#include "support/ProcessorHarness.h"

#include "engine/VectorKernels.h"

#include <cmath>
#include <limits>
#include <random>

using hollowmere::test::Harness;
using hollowmere::test::Layout;
using hollowmere::test::noise;

namespace
{
    /** Makes one set active for a scope; the scalar set is the unit tests' default. */
    struct ScopedKernels
    {
        explicit ScopedKernels (const VectorKernels& set) : previous (VectorKernelSets::active()) { VectorKernelSets::setActive (set); }
        ~ScopedKernels() { VectorKernelSets::setActive (previous); }
        const VectorKernels& previous;
    };

    std::vector<const VectorKernels*> vectorSets()
    {
        std::vector<const VectorKernels*> sets { &VectorKernelSets::sse2 };

        if (&VectorKernelSets::best() != &VectorKernelSets::sse2)
            sets.push_back (&VectorKernelSets::avx2);

        if (&VectorKernelSets::best() == &VectorKernelSets::avx512)
            sets.push_back (&VectorKernelSets::avx512);

        return sets;
    }

    std::vector<float> randomValues (size_t n, float low, float high, unsigned seed)
    {
        std::mt19937 generator (seed);
        std::uniform_real_distribution<float> distribution (low, high);
        std::vector<float> values (n);

        for (auto& v : values)
            v = distribution (generator);

        return values;
    }

    struct Scenario
    {
        const char* name;
        std::vector<std::pair<const char*, float>> parameters;
        Layout layout = Layout::stereo;
    };

    const std::vector<Scenario>& scenarios()
    {
        static const std::vector<Scenario> all {
            { "defaults", {} },
            { "every stage at maximum", { { "haunt", 1.0f }, { "warp", 1.0f }, { "whisper", 1.0f }, { "drift", 1.0f } } },
            { "frozen, scrubbing, sixteenth wobble", { { "seance", 0.5f }, { "release", 3.0f }, { "warp", 0.6f } } },
            { "frozen, free saw down, whisper", { { "seance", 0.8f }, { "wobbleMode", 1.0f }, { "wobbleShape", 2.0f },
                                                  { "wobbleFreeMs", 90.0f }, { "whisper", 0.7f } } },
            { "every stage, frozen, stereo sidechain as source", { { "haunt", 1.0f }, { "warp", 1.0f }, { "whisper", 1.0f }, { "drift", 1.0f },
                                                                  { "seance", 0.5f }, { "release", 3.0f }, { "source", 1.0f } } },
            { "mono sidechain as source, half mix", { { "source", 1.0f }, { "dryWet", 0.5f }, { "drift", 0.4f } }, Layout::stereoMonoSidechain },
            { "identity", { { "haunt", 0.0f } } },
        };
        return all;
    }
}

TEST (VectorKernels, ExactOperationsMatchTheScalarSetBitForBit)
{
    constexpr int n = 1025;
    const auto a = randomValues (n, 0.0f, 10.0f, 1);
    const auto b = randomValues (n, 0.0f, 10.0f, 2);
    const auto angles = randomValues (2 * n, -30.0f, 30.0f, 3);
    const auto bins = randomValues (2 * n, -100.0f, 100.0f, 4);
    const auto rise = randomValues (n, 0.4f, 0.9f, 5);
    const auto fall = randomValues (n, 0.2f, 0.6f, 6);
    const auto& scalar = VectorKernelSets::scalar;

    for (const auto* set : vectorSets())
    {
        SCOPED_TRACE (set->name);

        auto expectedState = b, actualState = b;
        scalar.smooth (a.data(), expectedState.data(), rise.data(), fall.data(), n);
        set->smooth (a.data(), actualState.data(), rise.data(), fall.data(), n);
        EXPECT_EQ (actualState, expectedState) << "smooth";

        auto expectedPhase = angles, actualPhase = angles;
        expectedPhase.resize (n);
        actualPhase.resize (n);
        scalar.advanceQuarterTurns (expectedPhase.data(), n);
        set->advanceQuarterTurns (actualPhase.data(), n);
        EXPECT_EQ (actualPhase, expectedPhase) << "advanceQuarterTurns";

        std::vector<float> expectedBins (2 * n), actualBins (2 * n);
        scalar.blendPolar (a.data(), angles.data(), angles.data() + n, b.data(), rise.data(), 0.37f, expectedBins.data(), n);
        set->blendPolar (a.data(), angles.data(), angles.data() + n, b.data(), rise.data(), 0.37f, actualBins.data(), n);
        EXPECT_EQ (actualBins, expectedBins) << "blendPolar";

        scalar.rectangular (a.data(), angles.data(), b.data(), expectedBins.data(), n);
        set->rectangular (a.data(), angles.data(), b.data(), actualBins.data(), n);
        EXPECT_EQ (actualBins, expectedBins) << "rectangular";

        std::vector<float> expectedMag (n), actualMag (n), expectedArg (n), actualArg (n);
        scalar.polar (bins.data(), expectedMag.data(), expectedArg.data(), n);
        set->polar (bins.data(), actualMag.data(), actualArg.data(), n);
        EXPECT_EQ (actualMag, expectedMag) << "polar magnitudes";

        for (int i = 0; i < n; ++i)
            ASSERT_NEAR (actualArg[(size_t) i], expectedArg[(size_t) i], 1.0e-6f) << "polar phase " << i;
    }
}

TEST (VectorKernels, ElementaryFunctionsStayWithinAFewUlp)
{
    constexpr int n = 1000;
    const auto x = randomValues (n, 1.0e-5f, 1.0e4f, 7);
    const auto y = randomValues (n, -50.0f, 50.0f, 8);
    const auto z = randomValues (n, -20.0f, 20.0f, 9);

    // Relative error bound of 4 ULP in single precision.
    const auto near = [] (float actual, float expected, float scale) { return std::abs (actual - expected) <= 4.0f * 1.1920929e-7f * scale; };

    for (const auto* set : vectorSets())
    {
        SCOPED_TRACE (set->name);
        std::vector<float> out (n), out2 (n);

        set->log (x.data(), out.data(), n);
        for (int i = 0; i < n; ++i) ASSERT_TRUE (near (out[(size_t) i], std::log (x[(size_t) i]), juce::jmax (1.0f, std::abs (std::log (x[(size_t) i]))))) << "log " << x[(size_t) i];

        set->log10 (x.data(), out.data(), n);
        for (int i = 0; i < n; ++i) ASSERT_TRUE (near (out[(size_t) i], std::log10 (x[(size_t) i]), juce::jmax (1.0f, std::abs (std::log10 (x[(size_t) i]))))) << "log10 " << x[(size_t) i];

        set->exp (z.data(), out.data(), n);
        for (int i = 0; i < n; ++i) ASSERT_TRUE (near (out[(size_t) i], std::exp (z[(size_t) i]), std::exp (z[(size_t) i]))) << "exp " << z[(size_t) i];

        set->tanh (z.data(), out.data(), n);
        for (int i = 0; i < n; ++i) ASSERT_TRUE (near (out[(size_t) i], std::tanh (z[(size_t) i]), 1.0f)) << "tanh " << z[(size_t) i];

        set->sinCos (y.data(), out.data(), out2.data(), n);
        for (int i = 0; i < n; ++i)
        {
            ASSERT_TRUE (near (out[(size_t) i], std::sin (y[(size_t) i]), 1.0f)) << "sin " << y[(size_t) i];
            ASSERT_TRUE (near (out2[(size_t) i], std::cos (y[(size_t) i]), 1.0f)) << "cos " << y[(size_t) i];
        }

        set->atan2 (y.data(), z.data(), out.data(), n);
        for (int i = 0; i < n; ++i) ASSERT_TRUE (near (out[(size_t) i], std::atan2 (y[(size_t) i], z[(size_t) i]), 3.1415927f)) << "atan2";

        // Sums of up to 49 positive terms, each at least 1/625 of the total: a wrong or missing tap
        // shows far above the 16 ULP the two orders of adding may differ by.
        const auto positive = randomValues (n, 0.5f, 2.0f, 11);

        for (int radius = 1; radius <= 24; ++radius)
        {
            std::vector<float> padded (n + 48, 0.0f), scratch (3 * (n + 48)), expected (n), actual (n);
            std::copy (positive.begin(), positive.end(), padded.begin() + 24);
            VectorKernelSets::scalar.triangular (padded.data() + 24, radius, expected.data(), n, scratch.data());
            set->triangular (padded.data() + 24, radius, actual.data(), n - 3, scratch.data());

            for (int i = 0; i < n - 3; ++i)
                ASSERT_NEAR (actual[(size_t) i], expected[(size_t) i], 16.0f * 1.1920929e-7f * expected[(size_t) i])
                    << "triangular, radius " << radius << ", bin " << i;
        }

        EXPECT_NEAR (set->sum (x.data(), n), VectorKernelSets::scalar.sum (x.data(), n), 1.0e-5f * VectorKernelSets::scalar.sum (x.data(), n));
    }
}

TEST (VectorKernels, WideArcTangentsAreCorrectlyRounded)
{
    std::vector<const VectorKernels*> sets;

    for (const auto* set : vectorSets())
        if (set != &VectorKernelSets::sse2)
            sets.push_back (set);

    if (sets.empty())
        GTEST_SKIP() << "this CPU runs only the SSE2 set";

    constexpr float inf = std::numeric_limits<float>::infinity();
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> y { 0.0f, -0.0f, 0.0f, -0.0f, 1.0f, -1.0f, 0.0f, -0.0f, 1.0f, -1.0f, 3.0e38f, 1.0e-40f, 1.0f, -1.0e-40f,
                           inf, -inf, inf, 1.0f, 2.0f, nan, 1.0f, 0.41421356f, 1.0f };
    std::vector<float> x { 0.0f, 0.0f, -0.0f, -0.0f, 0.0f, 0.0f, -1.0f, -1.0f, 1.0f, -1.0f, 3.0e38f, 1.0f, 1.0e-40f, -1.0e-40f,
                           inf, -inf, 1.0f, -inf, inf, 1.0f, nan, 1.0f, 0.41421356f };

    // Octants in equal measure, and magnitudes from the quietest to the loudest bins.
    std::mt19937 generator (12);
    std::uniform_real_distribution<float> angle (-3.2f, 3.2f), decades (-12.0f, 6.0f);

    while (y.size() < 100000)
    {
        const auto a = angle (generator), r = std::pow (10.0f, decades (generator));
        y.push_back (r * std::sin (a));
        x.push_back (r * std::cos (a));
    }

    const auto n = (int) y.size();
    std::vector<float> bins (2 * (size_t) n);

    for (size_t i = 0; i < (size_t) n; ++i)
        bins[2 * i] = x[i], bins[2 * i + 1] = y[i];

    for (const auto* set : sets)
    {
        SCOPED_TRACE (set->name);
        std::vector<float> angles ((size_t) n), magnitudes ((size_t) n), phases ((size_t) n);
        set->atan2 (y.data(), x.data(), angles.data(), n);
        set->polar (bins.data(), magnitudes.data(), phases.data(), n);

        for (size_t i = 0; i < (size_t) n; ++i)
        {
            const auto exact = std::atan2 ((double) y[i], (double) x[i]);
            const auto expected = (float) exact;

            if (std::isnan (exact))
            {
                EXPECT_TRUE (std::isnan (angles[i])) << "atan2 (" << y[i] << ", " << x[i] << ")";
                continue;
            }

            // Half an ULP of the rounded result, and the polynomial's 1e-11 of slack.
            const auto halfUlp = 0.5 * ((double) std::nextafter (std::abs (expected), inf) - (double) std::abs (expected));
            ASSERT_LE (std::abs ((double) angles[i] - exact), halfUlp + 1.0e-11 * std::abs (exact))
                << "atan2 (" << y[i] << ", " << x[i] << ") = " << angles[i] << ", correctly rounded " << expected;
            ASSERT_EQ (std::signbit (angles[i]), std::signbit (expected)) << "atan2 (" << y[i] << ", " << x[i] << ")";

            if (std::isfinite (x[i]) && std::isfinite (y[i]))
                ASSERT_EQ (phases[i], angles[i]) << "polar phase of (" << x[i] << ", " << y[i] << ")";
        }
    }
}

TEST (VectorKernels, EngineStaysWithinRoundingOfThePlainFormulas)
{
    // Output samples within 1e-5 of full scale, display curves within 1e-5 of their 0-to-1 range.
    constexpr float bound = 1.0e-5f;
    const auto mainSignal = [] (int c, juce::int64 t)
    {
        return noise (21, c, t, 0.2f + 0.3f * (float) ((t / 3000) % 2)) + 0.4f * std::sin (0.031f * (float) t + (float) c);
    };
    const auto sidechainSignal = [] (int c, juce::int64 t) { return noise (22, c, t, 0.3f) + 0.3f * std::sin (0.0071f * (float) t); };

    for (const auto* set : vectorSets())
    {
        for (const auto& scenario : scenarios())
        {
            SCOPED_TRACE (std::string (set->name) + ": " + scenario.name);
            Harness plain (scenario.layout), vector (scenario.layout);

            // Record first, then apply the scenario (freezing needs a history).
            for (int block = 0; block < 140; ++block)
            {
                if (block == 60)
                    for (const auto& [id, value] : scenario.parameters)
                        plain.set (id, value), vector.set (id, value);

                const auto expected = plain.run (512, mainSignal, sidechainSignal);
                const ScopedKernels kernels (*set);
                const auto actual = vector.run (512, mainSignal, sidechainSignal);

                for (int c = 0; c < plain.outputChannels(); ++c)
                    for (int i = 0; i < 512; ++i)
                        ASSERT_NEAR (actual.getSample (c, i), expected.getSample (c, i), bound) << "block " << block << ", channel " << c << ", sample " << i;
            }

            const auto& a = plain.processor.feeds;
            const auto& b = vector.processor.feeds;

            for (size_t p = 0; p < 64; ++p)
            {
                EXPECT_NEAR (b.liveSpectrum[p].load(), a.liveSpectrum[p].load(), bound) << "live curve point " << p;
                EXPECT_NEAR (b.nimbreSpectrum[p].load(), a.nimbreSpectrum[p].load(), bound) << "nimbre curve point " << p;
                EXPECT_NEAR (b.outputSpectrum[p].load(), a.outputSpectrum[p].load(), bound) << "output curve point " << p;
            }
        }
    }
}
