#include "support/ProcessorHarness.h"
#include "support/ReferenceModel.h"

#include <cmath>

using hollowmere::test::Harness;
using hollowmere::test::Layout;
using hollowmere::test::noise;
namespace reference = hollowmere::reference;

namespace
{
    constexpr int latency = 2047;

    /** Noise whose level changes every few frames (so bins rise and fall), plus a steady tone. */
    float mainSignal (int c, juce::int64 t)
    {
        const auto level = 0.1f + 0.4f * (float) ((t / 1700) % 3) / 2.0f;
        return noise (11, c, t, level) + 0.2f * std::sin (0.0625f * (float) (t % 100000) + (float) c);
    }

    float sidechainSignal (int c, juce::int64 t)
    {
        return noise (12, c, t, 0.05f + 0.1f * (float) ((t / 2900) % 2));
    }

    /** Sets the spectral parameters as a host does and returns them as the audio thread reads them. */
    reference::Params apply (Harness& h, const reference::Params& p)
    {
        h.set ("haunt", p.haunt);
        h.set ("drift", p.drift);
        h.set ("warp", p.warp);
        h.set ("whisper", p.whisper);
        h.set ("source", p.source);
        h.set ("seance", p.seance);
        h.set ("release", p.release);
        h.set ("wobbleShape", p.wobbleShape);
        h.set ("wobbleMode", p.wobbleMode);
        h.set ("wobbleFreeMs", p.wobbleFreeMs);
        h.playHead.bpm = (double) p.bpm;

        reference::Params read = p;
        read.haunt = h.value ("haunt");
        read.drift = h.value ("drift");
        read.warp = h.value ("warp");
        read.whisper = h.value ("whisper");
        read.source = h.value ("source");
        read.seance = h.value ("seance");
        read.release = h.value ("release");
        read.wobbleShape = h.value ("wobbleShape");
        read.wobbleMode = h.value ("wobbleMode");
        read.wobbleFreeMs = h.value ("wobbleFreeMs");
        return read;
    }

    reference::Params params (float haunt, float drift, float warp, float whisper, float seance = 0.0f)
    {
        reference::Params p;
        p.haunt = haunt;
        p.drift = drift;
        p.warp = warp;
        p.whisper = whisper;
        p.seance = seance;
        return p;
    }

    reference::Params withWobble (reference::Params p, float mode, float release, float shape, float freeMs = 250.0f)
    {
        p.wobbleMode = mode;
        p.release = release;
        p.wobbleShape = shape;
        p.wobbleFreeMs = freeMs;
        return p;
    }

    reference::Params fromSidechain (reference::Params p)
    {
        p.source = 1.0f;
        return p;
    }

    reference::Params atTempo (reference::Params p, float bpm)
    {
        p.bpm = bpm;
        return p;
    }

    struct Segment
    {
        int samples;
        int blockSize;
        reference::Params params;
    };

    struct ReferenceCase
    {
        const char* name;
        Layout layout;
        std::vector<Segment> segments;
    };

    void expectSameChannel (const ChannelSpectral& actual, const reference::Channel& expected, int c)
    {
        EXPECT_EQ (actual.historyCount, expected.count) << "channel " << c;
        EXPECT_EQ (actual.historyWritePos, expected.writePos) << "channel " << c;
        EXPECT_EQ (actual.hasNimbre, expected.hasNimbre) << "channel " << c;
        EXPECT_EQ (actual.scrubPosValid, expected.scrubValid) << "channel " << c;
        EXPECT_EQ (actual.scrubPos, expected.scrubPos) << "channel " << c;
        EXPECT_EQ (actual.wobblePhase, expected.wobblePhase) << "channel " << c;
        EXPECT_EQ (actual.wobbleOffset, expected.wobbleOffset) << "channel " << c;
        EXPECT_EQ (actual.liveMag, expected.liveMag) << "channel " << c;
        EXPECT_EQ (actual.nimbreMag, expected.nimbreMag) << "channel " << c;
        EXPECT_EQ (actual.nimbrePhase, expected.nimbrePhase) << "channel " << c;
        EXPECT_EQ (actual.smoothedMag, expected.smoothedMag) << "channel " << c;
        EXPECT_EQ (actual.shapedMag, expected.shapedMag) << "channel " << c;
        for (size_t row = 0; row < expected.historyMag.size(); ++row)
            EXPECT_EQ (actual.historyMag.copyRow (row), expected.historyMag[row]) << "channel " << c << ", row " << row;
    }

    void expectSameCurve (const DisplayFeeds::Curve& actual, const std::array<float, 64>& expected, const char* name)
    {
        for (size_t q = 0; q < 64; ++q)
            EXPECT_EQ (actual[q].load(), expected[q]) << name << " point " << q;
    }
}

//==============================================================================
class MatchesReference : public testing::TestWithParam<ReferenceCase> {};

TEST_P (MatchesReference, SampleBySampleAndBinByBin)
{
    const auto& param = GetParam();
    Harness h (param.layout);
    const auto numMain = h.mainChannels();
    const auto numSidechain = h.sidechainChannels();
    reference::Model model (numMain);

    for (const auto& segment : param.segments)
    {
        const auto p = apply (h, segment.params);

        for (int done = 0; done < segment.samples; done += segment.blockSize)
        {
            const auto n = juce::jmin (segment.blockSize, segment.samples - done);
            const auto start = h.samplesProcessed;

            juce::AudioBuffer<float> expected (numMain + numSidechain, n);

            for (int c = 0; c < numMain; ++c)
                for (int i = 0; i < n; ++i)
                    expected.setSample (c, i, mainSignal (c, start + i));

            for (int c = 0; c < numSidechain; ++c)
                for (int i = 0; i < n; ++i)
                    expected.setSample (numMain + c, i, sidechainSignal (c, start + i));

            model.process (expected.getArrayOfWritePointers(), expected.getArrayOfReadPointers() + numMain,
                           numSidechain, n, p);

            const auto actual = h.run (n, mainSignal, sidechainSignal);

            for (int c = 0; c < numMain; ++c)
                for (int i = 0; i < n; ++i)
                    ASSERT_EQ (actual.getSample (c, i), expected.getSample (c, i))
                        << "channel " << c << ", sample " << start + i;
        }
    }

    for (int c = 0; c < numMain; ++c)
        expectSameChannel (h.channel (c), model.channels[(size_t) c], c);

    expectSameCurve (h.processor.feeds.liveSpectrum, model.liveCurve, "live");
    expectSameCurve (h.processor.feeds.nimbreSpectrum, model.nimbreCurve, "nimbre");
    expectSameCurve (h.processor.feeds.outputSpectrum, model.outputCurve, "output");
}

INSTANTIATE_TEST_SUITE_P (Scenarios, MatchesReference, testing::Values (
    ReferenceCase { "Defaults", Layout::stereo, {
        { 30 * 512, 512, params (0.5f, 0.0f, 0.0f, 0.0f) },
        { 20 * 512, 300, params (0.5f, 0.0f, 0.0f, 0.0f, 0.4f) } } },
    ReferenceCase { "EveryStageAtMaximum", Layout::stereo, {
        { 25 * 512, 1024, params (1.0f, 1.0f, 1.0f, 1.0f) },
        { 40 * 512, 1024, withWobble (params (1.0f, 1.0f, 1.0f, 1.0f, 0.7f), 0.0f, 3.0f, 0.0f) } } },
    ReferenceCase { "FrozenScrubbingWithWobble", Layout::stereo, {
        { 60 * 512, 512, params (0.7f, 0.5f, 0.3f, 0.4f) },
        { 50 * 512, 700, withWobble (params (0.7f, 0.5f, 0.3f, 0.4f, 0.6f), 0.0f, 3.0f, 0.0f) },
        { 20 * 512, 64, withWobble (params (0.35f, 0.5f, 0.3f, 0.4f, 0.9f), 1.0f, 3.0f, 2.0f, 120.0f) },
        { 20 * 512, 512, atTempo (withWobble (params (0.7f, 0.2f, 0.6f, 0.1f, 0.3f), 0.0f, 5.0f, 1.0f), 60.0f) },
        { 10 * 512, 512, params (0.7f, 0.5f, 0.3f, 0.4f) } } },
    ReferenceCase { "SidechainAsSource", Layout::stereo, {
        { 40 * 512, 512, fromSidechain (params (0.4f, 0.3f, 0.2f, 0.6f)) },
        { 30 * 512, 333, fromSidechain (withWobble (params (0.4f, 0.3f, 0.2f, 0.6f, 0.8f), 0.0f, 4.0f, 1.0f)) },
        { 10 * 512, 512, fromSidechain (params (0.9f, 0.0f, 0.0f, 0.0f)) } } },
    ReferenceCase { "MonoSidechainFeedsBothChannels", Layout::stereoMonoSidechain, {
        { 20 * 512, 512, fromSidechain (params (0.6f, 0.1f, 0.5f, 0.0f)) } } },
    ReferenceCase { "HeldSpectrumSmearsTowardTheLive", Layout::stereo, {
        { 512, 512, params (1.0f, 0.6f, 0.0f, 0.0f) },
        { 30 * 512, 512, params (1.0f, 0.6f, 0.0f, 0.0f, 0.5f) } } },
    ReferenceCase { "DriftRadiusTwo", Layout::mono, {
        { 12 * 512, 512, params (0.0f, 0.3f, 0.0f, 0.0f) } } },
    ReferenceCase { "DriftRadiusSix", Layout::mono, {
        { 12 * 512, 512, params (0.0f, 0.5f, 0.0f, 0.0f) } } },
    ReferenceCase { "DriftRadiusOneBelowTwo", Layout::mono, {
        { 12 * 512, 512, params (0.0f, 0.2f, 0.0f, 0.0f) } } }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (MatchesReference, KernelRadiiFollowTheControls)
{
    // The knobs step by the single-precision 0.01, so 0.2 reads 0.19999999 and 20 times it
    // truncates to 3, and 0.3 reads 0.29999998: radius 9, like 0.25.
    struct Radius { float value; int whisper; int drift; };
    const Radius table[] = { { 0.02f, 4, 1 }, { 0.2f, 7, 1 }, { 0.25f, 9, 1 }, { 0.3f, 9, 2 },
                             { 0.5f, 14, 6 }, { 0.74f, 18, 13 }, { 1.0f, 24, 24 } };
    Harness h;

    for (const auto& row : table)
    {
        h.set ("whisper", row.value);
        h.set ("drift", row.value);
        EXPECT_EQ (reference::whisperRadius (h.value ("whisper")), row.whisper) << row.value;
        EXPECT_EQ (reference::driftRadius (h.value ("drift")), row.drift) << row.value;
    }
}

//==============================================================================
struct IdentityCase
{
    float haunt, warp, whisper, drift, seance;
};

class Identity : public testing::TestWithParam<IdentityCase> {};

TEST_P (Identity, StagesAtOrUnderTheirThresholdsPassTheInputDelayed)
{
    const auto& param = GetParam();
    Harness h;
    h.set ("haunt", param.haunt);
    h.set ("warp", param.warp);
    h.set ("whisper", param.whisper);
    h.set ("drift", param.drift);
    h.set ("seance", param.seance);

    const auto out = h.run (12 * 512, mainSignal);

    // The window overlap sums to between 0.99995 and 1; the polar round trip adds float rounding.
    for (int c = 0; c < 2; ++c)
        for (int t = latency; t < out.getNumSamples(); ++t)
        {
            const auto x = mainSignal (c, t - latency);
            ASSERT_NEAR (out.getSample (c, t), x, 5.0e-5f * std::abs (x) + 2.0e-6f) << "channel " << c << ", sample " << t;
        }
}

INSTANTIATE_TEST_SUITE_P (Thresholds, Identity, testing::Values (
    IdentityCase { 0.0f, 0.0f, 0.0f, 0.0f, 0.0f },
    IdentityCase { 0.0f, 0.0f, 0.01f, 0.01f, 0.01f },
    IdentityCase { 0.0f, 0.0f, 0.01f, 0.0f, 0.0f },
    IdentityCase { 0.0f, 0.0f, 0.0f, 0.01f, 0.0f },
    IdentityCase { 0.0f, 0.0f, 0.0f, 0.0f, 0.01f }));

//==============================================================================
struct SmoothingCase
{
    const char* name;
    bool frozen;
    bool rising;
    float weights[3];    // bins 0, 512, 1024
};

class Smoothing : public testing::TestWithParam<SmoothingCase> {};

TEST_P (Smoothing, RiseAndFallWeightsDependOnBinAndFreeze)
{
    const auto& param = GetParam();
    Harness h;

    // Warp alone: the target is the live magnitude itself, so only the smoothing acts.
    h.set ("haunt", 0.0f);
    h.set ("warp", 1.0f);

    const auto loud = [] (int c, juce::int64 t) { return noise (21, c, t, 0.5f); };
    const auto silence = [] (int, juce::int64) { return 0.0f; };

    // Rising: from a silent state (0) into sound. Falling: from sound into a fully silent frame.
    h.runFrames (8, param.rising ? silence : loud);

    if (param.frozen)
        h.set ("seance", 0.5f);

    if (! param.rising)
        h.runFrames (3, silence);

    const auto previous = h.channel (0).smoothedMag;
    h.runFrames (1, param.rising ? loud : silence);

    const auto& ch = h.channel (0);
    const size_t bins[] = { 0, 512, 1024 };

    for (int k = 0; k < 3; ++k)
    {
        const auto b = bins[k];
        const auto a = ch.liveMag[b];
        const auto p = previous[b];
        ASSERT_EQ (param.rising ? (p == 0.0f && a > 0.0f) : (a == 0.0f && p > 0.0f), true) << "bin " << b;

        const auto f = param.weights[k];
        EXPECT_NEAR (ch.smoothedMag[b], f * a + (1.0f - f) * p, 1.0e-6f * juce::jmax (a, p)) << "bin " << b;
        EXPECT_EQ (ch.shapedMag[b], ch.smoothedMag[b]);
    }
}

INSTANTIATE_TEST_SUITE_P (Weights, Smoothing, testing::Values (
    SmoothingCase { "Rising", false, true, { 0.85f, 0.80f, 0.65f } },
    SmoothingCase { "Falling", false, false, { 0.55f, 0.50f, 0.35f } },
    SmoothingCase { "FrozenRising", true, true, { 0.68f, 0.64f, 0.52f } },
    SmoothingCase { "FrozenFalling", true, false, { 0.44f, 0.40f, 0.28f } }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (Smoothing, StateStandsStillWhileShapingIsOff)
{
    Harness h;
    h.set ("haunt", 1.0f);
    h.runFrames (6, [] (int c, juce::int64 t) { return noise (22, c, t, 0.5f); });
    const auto held = h.channel (0).smoothedMag;

    h.set ("haunt", 0.0f);
    h.runFrames (6, [] (int c, juce::int64 t) { return noise (23, c, t, 0.1f); });
    EXPECT_EQ (h.channel (0).smoothedMag, held);
    EXPECT_EQ (h.channel (0).shapedMag, h.channel (0).liveMag);
}

//==============================================================================
TEST (Haunt, AtOneWhileRecordingFollowsTheLiveSpectrum)
{
    Harness h;
    h.set ("haunt", 1.0f);

    // A tone on bin 64 at half scale.
    const auto tone = [] (int c, juce::int64 t)
    {
        return 0.5f * (float) std::sin (2.0 * juce::MathConstants<double>::pi * 64.0 * (double) (t + c) / 2048.0);
    };

    const auto out = h.run (40 * 512, tone);
    const auto& ch = h.channel (0);

    for (size_t b = 0; b < 1025; ++b)
        EXPECT_NEAR (ch.shapedMag[b], ch.liveMag[b], 2.0e-5f * ch.liveMag[b] + 1.0e-5f) << "bin " << b;

    for (int t = 30 * 512; t < out.getNumSamples(); ++t)
        ASSERT_NEAR (out.getSample (0, t), tone (0, t - latency), 5.0e-5f) << "sample " << t;
}

TEST (Haunt, AtOneOnAHeldSpectrumSoundsTheHeldSpectrumOverSilence)
{
    Harness h;
    h.set ("haunt", 1.0f);
    h.runFrames (1, [] (int c, juce::int64 t) { return noise (24, c, t, 0.5f); });
    h.set ("seance", 0.5f);

    const auto silence = [] (int, juce::int64) { return 0.0f; };
    h.runFrames (60, silence);
    const auto out = h.run (4 * 512, silence);
    const auto& ch = h.channel (0);

    for (size_t b = 0; b < 1025; ++b)
    {
        if (ch.nimbreMag[b] > 1.0e-3f)
        {
            EXPECT_NEAR (ch.shapedMag[b], ch.nimbreMag[b], 2.0e-5f * ch.nimbreMag[b]) << "bin " << b;
        }
    }

    // The held frame turns a quarter of the way round every hop, so its sound repeats every
    // four blocks.
    EXPECT_GT (out.getRMSLevel (0, 0, out.getNumSamples()), 0.01f);
}

TEST (Haunt, AtOneOnASilentHistoryFallsToTheFloor)
{
    Harness h;
    h.set ("haunt", 1.0f);
    h.runFrames (10, [] (int, juce::int64) { return 0.0f; });
    h.set ("seance", 0.5f);

    const auto loud = [] (int c, juce::int64 t) { return noise (25, c, t, 0.5f); };
    h.runFrames (20, loud);
    const auto out = h.run (4 * 512, loud);

    for (size_t b = 0; b < 1025; ++b)
        EXPECT_NEAR (h.channel (0).shapedMag[b], 1.0e-5f, 1.0e-7f) << "bin " << b;

    EXPECT_LT (out.getMagnitude (0, 0, out.getNumSamples()), 1.0e-4f);
}

//==============================================================================
namespace
{
    /** An impulse at sample 0 only: every frame that holds it has a flat magnitude spectrum. */
    float impulse (int, juce::int64 t) { return t == 0 ? 1.0f : 0.0f; }
}

class WhisperOnFlatSpectra : public testing::TestWithParam<float> {};

TEST_P (WhisperOnFlatSpectra, EdgesKeepTheirLevel)
{
    Harness h;
    h.set ("haunt", 0.0f);
    h.set ("whisper", GetParam());
    const auto whisper = h.value ("whisper");
    h.runFrames (1, impulse);        // holds the impulse at position 1536: flat at w[1536]
    h.set ("seance", 0.5f);
    h.runFrames (1, impulse);        // the live frame holds it at 1024: flat at w[1024]

    const auto& ch = h.channel (0);
    const auto n = ch.nimbreMag[512];
    const auto c = ch.liveMag[512];
    ASSERT_NEAR (c / n, 2.0f, 0.01f);    // w[1024] / w[1536]
    const auto expected = (1.0f - whisper) * c + whisper * juce::jmin (n, 4.0f * c);

    // Each of the three magnitudes in the transfer is flat to about 1e-6 (transform rounding).

    for (size_t b = 0; b < 1025; ++b)
        ASSERT_NEAR (ch.shapedMag[b], expected, 5.0e-6f * expected) << "bin " << b;
}

INSTANTIATE_TEST_SUITE_P (Amounts, WhisperOnFlatSpectra, testing::Values (0.02f, 0.5f, 1.0f));

struct WhisperCase
{
    float whisper;
    int radius;
};

class WhisperTransfer : public testing::TestWithParam<WhisperCase> {};

TEST_P (WhisperTransfer, TakesTheHeldContourAtItsRadius)
{
    const auto& param = GetParam();
    Harness h;
    h.set ("haunt", 0.0f);
    h.set ("whisper", param.whisper);
    h.runFrames (1, [] (int c, juce::int64 t) { return noise (31, c, t, 0.5f) * (1.0f + std::sin (0.01f * (float) t)); });
    h.set ("seance", 0.5f);
    h.runFrames (4, [] (int c, juce::int64 t) { return noise (32, c, t, 0.3f); });

    const auto& ch = h.channel (0);
    const auto w = h.value ("whisper");

    const auto transfer = [&] (int radius)
    {
        const auto envNimbre = reference::triangular (ch.nimbreMag, radius);
        const auto envShaped = reference::triangular (ch.liveMag, radius);
        std::vector<float> out (1025);

        for (size_t b = 0; b < 1025; ++b)
        {
            const auto a = ch.liveMag[b];
            out[b] = (1.0f - w) * a + w * juce::jmin (a / (envShaped[b] + 1.0e-10f) * envNimbre[b], 4.0f * a + 1.0e-10f);
        }

        return out;
    };

    const auto atRadius = transfer (param.radius);

    for (size_t b = 0; b < 1025; ++b)
        ASSERT_FLOAT_EQ (ch.shapedMag[b], atRadius[b]) << "bin " << b;

    // A radius one bin off gives a different spectrum: the check above pins the radius.
    for (const auto other : { param.radius - 1, param.radius + 1 })
    {
        const auto wrong = transfer (other);
        float largest = 0.0f;

        for (size_t b = 0; b < 1025; ++b)
            largest = juce::jmax (largest, std::abs (wrong[b] - atRadius[b]) / (atRadius[b] + 1.0e-6f));

        EXPECT_GT (largest, 1.0e-3f) << "radius " << other;
    }
}

INSTANTIATE_TEST_SUITE_P (Radii, WhisperTransfer, testing::Values (
    WhisperCase { 0.02f, 4 }, WhisperCase { 0.5f, 14 }, WhisperCase { 0.74f, 18 }, WhisperCase { 1.0f, 24 }));

class DriftOnAnImpulse : public testing::TestWithParam<float> {};

TEST_P (DriftOnAnImpulse, FlatSpectrumStaysFlatToTheEdges)
{
    Harness h;
    h.set ("haunt", 0.0f);
    h.set ("drift", GetParam());

    const auto out = h.run (8 * 512, impulse);

    for (int t = 0; t < out.getNumSamples(); ++t)
    {
        if (t == latency)
        {
            EXPECT_GE (out.getSample (0, t), 0.99995f - 1.0e-5f);
            EXPECT_LE (out.getSample (0, t), 1.0f + 1.0e-5f);
        }
        else
        {
            ASSERT_NEAR (out.getSample (0, t), 0.0f, 1.0e-5f) << "sample " << t;
        }
    }
}

INSTANTIATE_TEST_SUITE_P (Amounts, DriftOnAnImpulse, testing::Values (0.3f, 0.5f, 1.0f));
