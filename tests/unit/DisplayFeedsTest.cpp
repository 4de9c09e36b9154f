#include "support/ProcessorHarness.h"
#include "support/ReferenceModel.h"

using hollowmere::test::Harness;
using hollowmere::test::Layout;
using hollowmere::test::noise;

namespace
{
    /** A level of exact magnitude: the sign alternates from sample to sample. */
    hollowmere::test::SignalFn alternating (float left, float right)
    {
        return [left, right] (int c, juce::int64 t) { return (c == 0 ? left : right) * (t % 2 == 0 ? 1.0f : -1.0f); };
    }

    hollowmere::test::SignalFn constant (float left, float right)
    {
        return [left, right] (int c, juce::int64) { return c == 0 ? left : right; };
    }

    /** Dry only, so after the delay the output is the input exactly. */
    void makeDry (Harness& h)
    {
        h.set ("haunt", 0.0f);
        h.set ("dryWet", 0.0f);
    }

    std::vector<float> snapshot (const DisplayFeeds& f)
    {
        std::vector<float> v { (float) f.sidechainActive.load(), (float) f.inputClipped.load(),
                               (float) f.sidechainClipped.load(), (float) f.outputClipped.load(),
                               (float) f.spectraReady.load(), (float) f.scopeWriteIndex.load(),
                               f.wobbleDisplay.load() };

        for (const auto* pair : { &f.inputPeak, &f.sidechainPeak, &f.outputPeak })
            for (const auto& x : *pair)
                v.push_back (x.load());

        for (const auto* curve : { &f.liveSpectrum, &f.nimbreSpectrum, &f.outputSpectrum })
            for (const auto& x : *curve)
                v.push_back (x.load());

        for (const auto& x : f.scopeRing)
            v.push_back (x.load());

        return v;
    }
}

//==============================================================================
struct PeakCase
{
    const char* name;
    Layout layout;
    float main[2];
    float sidechain[2];
    float expectedInput[2];
    float expectedSidechain[2];
    bool inputClips;
    bool sidechainClips;
    bool sidechainActive;
};

class Peaks : public testing::TestWithParam<PeakCase> {};

TEST_P (Peaks, BlockPeaksAndClipLatches)
{
    const auto& param = GetParam();
    Harness h (param.layout);
    makeDry (h);

    const auto mainSignal = alternating (param.main[0], param.main[1]);
    const auto sidechainSignal = alternating (param.sidechain[0], param.sidechain[1]);
    auto& feeds = h.processor.feeds;

    h.run (4096, mainSignal, sidechainSignal);

    for (int block = 0; block < 2; ++block)
    {
        feeds.inputClipped.exchange (false);
        feeds.sidechainClipped.exchange (false);
        feeds.outputClipped.exchange (false);

        h.run (1000, mainSignal, sidechainSignal);

        EXPECT_EQ (feeds.sidechainActive.load(), param.sidechainActive);

        for (int c = 0; c < 2; ++c)
        {
            EXPECT_EQ (feeds.inputPeak[(size_t) c].load(), param.expectedInput[c]) << "channel " << c;
            EXPECT_EQ (feeds.sidechainPeak[(size_t) c].load(), param.expectedSidechain[c]) << "channel " << c;
            EXPECT_EQ (feeds.outputPeak[(size_t) c].load(), param.expectedInput[c]) << "channel " << c;
        }

        // Cleared by the editor, a latch is set again by the next clipping block.
        EXPECT_EQ (feeds.inputClipped.load(), param.inputClips);
        EXPECT_EQ (feeds.outputClipped.load(), param.inputClips);
        EXPECT_EQ (feeds.sidechainClipped.load(), param.sidechainClips);
    }

    // A silent block publishes zeros and leaves a cleared latch alone.
    feeds.inputClipped.exchange (false);
    h.run (0, mainSignal, sidechainSignal);
    EXPECT_EQ (feeds.inputPeak[0].load(), 0.0f);
    EXPECT_EQ (feeds.sidechainPeak[1].load(), 0.0f);
    EXPECT_EQ (feeds.outputPeak[1].load(), 0.0f);
    EXPECT_FALSE (feeds.inputClipped.load());
}

INSTANTIATE_TEST_SUITE_P (Layouts, Peaks, testing::Values (
    PeakCase { "FullScaleStereo", Layout::stereo, { 1.0f, 1.0f }, { 0.3f, 0.4f },
               { 1.0f, 1.0f }, { 0.3f, 0.4f }, true, false, true },
    PeakCase { "UnevenStereo", Layout::stereo, { 0.5f, 0.75f }, { 1.0f, 0.25f },
               { 0.5f, 0.75f }, { 1.0f, 0.25f }, false, true, true },
    PeakCase { "MonoSidechainMirrored", Layout::stereoMonoSidechain, { 0.5f, 0.75f }, { 0.6f, 0.0f },
               { 0.5f, 0.75f }, { 0.6f, 0.6f }, false, false, true },
    PeakCase { "NoSidechain", Layout::stereoNoSidechain, { 0.99f, 0.75f }, { 1.0f, 1.0f },
               { 0.99f, 0.75f }, { 0.0f, 0.0f }, false, false, false },
    PeakCase { "MonoMirrored", Layout::mono, { 0.25f, 0.0f }, { 1.0f, 1.0f },
               { 0.25f, 0.25f }, { 0.0f, 0.0f }, false, false, false }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

//==============================================================================
struct ScopeCase
{
    const char* name;
    Layout layout;
    float left, right;
    float outputGainDb;
    float expected;       // for a gain of 0 dB
};

class Scope : public testing::TestWithParam<ScopeCase> {};

TEST_P (Scope, HoldsTheLatestOutputMixedToMono)
{
    const auto& param = GetParam();
    Harness h (param.layout);
    makeDry (h);
    h.set ("outputGain", param.outputGainDb);

    h.run (4096, constant (param.left, param.right));
    const auto out = h.run (300, constant (param.left, param.right));

    const auto& feeds = h.processor.feeds;
    EXPECT_EQ (feeds.scopeWriteIndex.load(), (4096 + 300) % 256);

    const auto stereo = h.outputChannels() == 2;

    // The ring's oldest value sits at the write index; the newest is the block's last sample.
    for (int k = 0; k < 256; ++k)
    {
        const auto i = 300 - 256 + k;
        const auto sum = out.getSample (0, i) + (stereo ? out.getSample (1, i) : 0.0f);
        const auto value = feeds.scopeRing[(size_t) ((feeds.scopeWriteIndex.load() + k) % 256)].load();
        ASSERT_EQ (value, stereo ? 0.5f * sum : sum) << "sample " << i;

        if (param.outputGainDb == 0.0f)
        {
            ASSERT_EQ (value, param.expected) << "sample " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P (Mixes, Scope, testing::Values (
    ScopeCase { "OppositeHalvesCancel", Layout::stereo, 0.5f, -0.5f, 0.0f, 0.0f },
    ScopeCase { "StereoMean", Layout::stereo, 0.5f, 0.25f, 0.0f, 0.375f },
    ScopeCase { "MonoAsIs", Layout::mono, 0.5f, 0.0f, 0.0f, 0.5f },
    ScopeCase { "AfterTheOutputGain", Layout::stereo, 0.5f, 0.25f, -6.0f, 0.0f }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

//==============================================================================
struct CurveLevelCase
{
    const char* name;
    float binMagnitude;    // of bin 0, from a constant input
    float expectedLevel;
};

class CurveLevels : public testing::TestWithParam<CurveLevelCase> {};

TEST_P (CurveLevels, SteadyBinSettlesAtItsDisplayLevel)
{
    const auto& param = GetParam();
    Harness h;
    h.set ("haunt", 0.0f);

    // The window sums to 2048, so a constant c gives bin 0 the magnitude 2048 c.
    const auto dc = param.binMagnitude / 2048.0f;
    h.runFrames (300, constant (dc, dc));

    // The transform's own sum of 2048 window values rounds to a few parts per million.
    ASSERT_NEAR (h.channel (0).liveMag[0], param.binMagnitude, 1.0e-5f * param.binMagnitude);

    const auto& feeds = h.processor.feeds;

    for (const auto* curve : { &feeds.liveSpectrum, &feeds.nimbreSpectrum, &feeds.outputSpectrum })
        EXPECT_NEAR ((*curve)[0].load(), param.expectedLevel, 1.0e-6f);
}

INSTANTIATE_TEST_SUITE_P (Levels, CurveLevels, testing::Values (
    CurveLevelCase { "ZeroDecibels", 1.0f, 80.0f / 120.0f },
    CurveLevelCase { "BelowTheFloor", 1.0e-7f, 0.0f },
    CurveLevelCase { "FortyDecibels", 100.0f, 1.0f }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (CurveLevels, PointsAreSpacedLogarithmicallyInBins)
{
    Harness h;
    h.runFrames (1, [] (int c, juce::int64 t) { return noise (41, c, t, 0.5f); });

    const auto& feeds = h.processor.feeds;
    const auto& ch = h.channel (0);
    const std::pair<int, size_t> points[] = { { 0, 0 }, { 1, 2 }, { 2, 5 }, { 16, 60 }, { 32, 187 }, { 48, 455 }, { 63, 974 } };

    // From zero, the first frame's curve point is the step of its bin.
    for (const auto& [point, bin] : points)
    {
        EXPECT_EQ (feeds.liveSpectrum[(size_t) point].load(), hollowmere::reference::curveStep (ch.liveMag[bin])) << point;
        EXPECT_EQ (feeds.nimbreSpectrum[(size_t) point].load(), hollowmere::reference::curveStep (ch.nimbreMag[bin])) << point;
        EXPECT_EQ (feeds.outputSpectrum[(size_t) point].load(), hollowmere::reference::curveStep (ch.shapedMag[bin])) << point;
        EXPECT_GT (feeds.liveSpectrum[(size_t) point].load(), 0.0f) << point;
    }
}

//==============================================================================
class SpectraReady : public testing::TestWithParam<int> {};

TEST_P (SpectraReady, TurnsOnWithTheFirstFrameAndStaysOn)
{
    const auto blockSize = GetParam();
    Harness h;
    const auto& feeds = h.processor.feeds;
    const auto signal = constant (0.1f, 0.1f);

    for (int processed = 0; processed < 511; processed += blockSize)
    {
        h.run (juce::jmin (blockSize, 511 - processed), signal);
        ASSERT_FALSE (feeds.spectraReady.load()) << "after " << h.samplesProcessed << " samples";
    }

    h.run (1, signal);
    EXPECT_TRUE (feeds.spectraReady.load());

    h.run (2000, signal);
    EXPECT_TRUE (feeds.spectraReady.load());
}

INSTANTIATE_TEST_SUITE_P (BlockSizes, SpectraReady, testing::Values (1, 64, 511));

//==============================================================================
TEST (Bypass, EveryFeedFreezesAtItsLastValue)
{
    Harness h;
    h.set ("seance", 0.0f);
    h.set ("release", 3.0f);
    h.runFrames (30, [] (int c, juce::int64 t) { return noise (51, c, t, 0.4f); },
                     [] (int c, juce::int64 t) { return noise (52, c, t, 0.2f); });
    h.set ("seance", 0.6f);
    h.runFrames (5, [] (int c, juce::int64 t) { return noise (51, c, t, 0.4f); });

    auto& feeds = h.processor.feeds;
    feeds.inputClipped.exchange (false);
    feeds.sidechainClipped.exchange (false);
    feeds.outputClipped.exchange (false);
    const auto before = snapshot (feeds);
    ASSERT_NE (feeds.wobbleDisplay.load(), 0.0f);

    // Full scale on every channel, the sidechain disconnected: nothing may reach the feeds.
    for (int block = 0; block < 4; ++block)
    {
        juce::AudioBuffer<float> buffer (h.bufferChannels(), 1000);

        for (int c = 0; c < buffer.getNumChannels(); ++c)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                buffer.setSample (c, i, i % 2 == 0 ? 1.0f : -1.0f);

        h.processor.processBlockBypassed (buffer, h.midi);
    }

    EXPECT_EQ (snapshot (feeds), before);
}
