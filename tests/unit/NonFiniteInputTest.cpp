#include "support/ProcessorHarness.h"

#include <cmath>
#include <limits>

using hollowmere::test::Harness;
using hollowmere::test::noise;

namespace
{
    constexpr juce::int64 burstStart = 40 * 512 + 100;
    constexpr juce::int64 burstLength = 700;

    bool inBurst (juce::int64 t) { return t >= burstStart && t < burstStart + burstLength; }

    /** NaN, +infinity and -infinity in turn. */
    float nonFinite (juce::int64 t)
    {
        switch (t % 3)
        {
            case 0:  return std::numeric_limits<float>::quiet_NaN();
            case 1:  return std::numeric_limits<float>::infinity();
            default: return -std::numeric_limits<float>::infinity();
        }
    }

    struct BurstCase
    {
        const char* name;
        bool onMain;
        bool onSidechain;
        float source;
        int freezeAtFrame;    // the burst starts at frame 40
    };

    hollowmere::test::SignalFn withBurst (juce::uint32 seed, float level, bool burst)
    {
        return [=] (int c, juce::int64 t)
        {
            if (burst && inBurst (t))
                return nonFinite (t + c);

            return inBurst (t) ? 0.0f : noise (seed, c, t, level);
        };
    }

    std::vector<float> render (const BurstCase& param, bool withNonFinite)
    {
        Harness h;
        h.set ("haunt", 0.8f);
        h.set ("warp", 1.0f);
        h.set ("whisper", 1.0f);
        h.set ("drift", 1.0f);
        h.set ("source", param.source);
        h.set ("release", 3.0f);
        h.set ("dryWet", 0.6f);
        h.set ("inputGain", 3.0f);
        h.set ("scGain", -2.0f);

        const auto mainSignal = withBurst (61, 0.4f, withNonFinite && param.onMain);
        const auto sidechainSignal = withBurst (62, 0.3f, withNonFinite && param.onSidechain);
        std::vector<float> out;

        for (int frame = 0; frame < 90; ++frame)
        {
            if (frame == param.freezeAtFrame)
                h.set ("seance", 0.7f);

            const auto block = h.run (512, mainSignal, sidechainSignal);

            for (int c = 0; c < h.outputChannels(); ++c)
                for (int i = 0; i < block.getNumSamples(); ++i)
                    out.push_back (block.getSample (c, i));
        }

        return out;
    }
}

class NonFiniteInput : public testing::TestWithParam<BurstCase> {};

TEST_P (NonFiniteInput, BurstActsAsSilence)
{
    const auto& param = GetParam();
    const auto withBurst = render (param, true);
    const auto withZeros = render (param, false);

    ASSERT_EQ (withBurst.size(), withZeros.size());

    for (size_t k = 0; k < withBurst.size(); ++k)
    {
        ASSERT_TRUE (std::isfinite (withBurst[k])) << "value " << k;
        ASSERT_EQ (withBurst[k], withZeros[k]) << "value " << k;
    }
}

INSTANTIATE_TEST_SUITE_P (Bursts, NonFiniteInput, testing::Values (
    BurstCase { "MainWhileFrozen", true, false, 0.0f, 20 },
    BurstCase { "MainWhileRecordingThenFrozen", true, false, 0.0f, 60 },
    BurstCase { "SidechainSourceWhileRecording", false, true, 1.0f, 60 },
    BurstCase { "BothWhileFrozenOnTheSidechain", true, true, 1.0f, 20 }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });
