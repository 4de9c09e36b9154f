#include "support/ProcessorHarness.h"

#include <cmath>

using hollowmere::test::Harness;
using hollowmere::test::Layout;
using hollowmere::test::noise;

namespace
{
    constexpr float twoPi = juce::MathConstants<float>::twoPi;
    constexpr float pi = juce::MathConstants<float>::pi;

    const hollowmere::test::SignalFn mainNoise = [] (int c, juce::int64 t) { return noise (1, c, t, 0.5f); };
    const hollowmere::test::SignalFn sidechainNoise = [] (int c, juce::int64 t) { return noise (2, c, t, 0.25f); };

    /** Phase wrap into [-pi, pi) after one hop's rotation of bin b. */
    float advanced (float phase, int bin)
    {
        const auto step = bin < 1024 ? (float) bin * twoPi * 0.25f : 1608.4955f;
        const auto x = phase + step;
        return x - twoPi * std::floor ((x + pi) / twoPi);
    }

    /** The wobble oscillator as a host would see it move: phase, then offset in frames. */
    struct WobbleReplica
    {
        float period = 0.0f;
        int shape = 0;
        float phase = 0.0f;

        float next()
        {
            phase += twoPi / period;

            while (phase > twoPi)
                phase -= twoPi;

            const auto y = phase / twoPi;
            const auto a = 0.5f * period;

            if (shape == 2) return (1.0f - 2.0f * y) * a;
            if (shape == 1) return (2.0f * y - 1.0f) * a;
            return (1.0f - 4.0f * std::abs (y - 0.5f)) * a;
        }
    };
}

//==============================================================================
struct RecordingCase
{
    int frames;
    float source;
    int expectedCount;
    int expectedWritePos;
};

class HistoryRecording : public testing::TestWithParam<RecordingCase> {};

TEST_P (HistoryRecording, PushesOneRowPerFrameAndWraps)
{
    const auto& param = GetParam();
    Harness h;
    h.set ("source", param.source);
    h.runFrames (param.frames, mainNoise, sidechainNoise);

    for (int c = 0; c < 2; ++c)
    {
        const auto& ch = h.channel (c);
        EXPECT_EQ (ch.historyCount, param.expectedCount);
        EXPECT_EQ (ch.historyWritePos, param.expectedWritePos);
        EXPECT_TRUE (ch.hasNimbre);

        // The newest row is the nimbre spectrum of the last frame: the live one for the main
        // input, the sidechain's own otherwise.
        const auto newest = (size_t) ((param.expectedWritePos + 511) % 512);
        EXPECT_EQ (ch.historyMag.copyRow (newest), ch.nimbreMag);
        EXPECT_EQ (ch.historyPhase.copyRow (newest), ch.nimbrePhase);

        if (param.source == 0.0f)
            EXPECT_EQ (ch.nimbreMag, ch.liveMag);
        else
            EXPECT_NE (ch.nimbreMag, ch.liveMag);
    }
}

INSTANTIATE_TEST_SUITE_P (Frames, HistoryRecording, testing::Values (
    RecordingCase { 1, 0.0f, 1, 1 },
    RecordingCase { 511, 0.0f, 511, 511 },
    RecordingCase { 512, 0.0f, 512, 0 },
    RecordingCase { 600, 0.0f, 512, 88 },
    RecordingCase { 600, 1.0f, 512, 88 }));

TEST (HistoryRecording, FrozenFromTheStartRecordsNothing)
{
    Harness h;
    h.set ("seance", 0.5f);
    h.runFrames (20, mainNoise);

    EXPECT_EQ (h.channel (0).historyCount, 0);
    EXPECT_FALSE (h.channel (0).hasNimbre);
}

//==============================================================================
struct ScrubCase
{
    const char* name;
    int recordedFrames;
    float seance;
    float expectedPosition;
    int rows[4];         // history rows at positions i - 1 .. i + 2
    float weights[4];
};

class ScrubRebuild : public testing::TestWithParam<ScrubCase> {};

TEST_P (ScrubRebuild, BlendsFourWrappedRowsWithTheCubicBSpline)
{
    const auto& param = GetParam();
    Harness h;    // 44.1 kHz, 120 BPM: 172 frames per bar
    h.runFrames (param.recordedFrames, mainNoise);

    h.set ("seance", param.seance);
    ASSERT_EQ (h.value ("seance"), param.seance);

    const auto& ch = h.channel (0);
    const auto writePos = ch.historyWritePos;

    for (int frame = 0; frame < 3; ++frame)
    {
        h.runFrames (1, mainNoise);

        // The first frozen frame jumps to the target; a still target keeps the position.
        EXPECT_EQ (ch.scrubPos, param.expectedPosition) << "frame " << frame;
        EXPECT_EQ (ch.historyWritePos, writePos);
        EXPECT_EQ (h.processor.feeds.wobbleDisplay.load(), 0.0f);

        int binsOnARow = 0;

        for (size_t b = 0; b < 1025; ++b)
        {
            float mag = 0.0f, sinSum = 0.0f, cosSum = 0.0f;

            for (int k = 0; k < 4; ++k)
            {
                mag += param.weights[k] * ch.historyMag[(size_t) param.rows[k]][b];
                sinSum += param.weights[k] * std::sin (ch.historyPhase[(size_t) param.rows[k]][b]);
                cosSum += param.weights[k] * std::cos (ch.historyPhase[(size_t) param.rows[k]][b]);
            }

            ASSERT_EQ (ch.nimbreMag[b], mag) << "bin " << b;
            ASSERT_EQ (ch.nimbrePhase[b], advanced (std::atan2 (sinSum, cosSum), (int) b)) << "bin " << b;
            binsOnARow += ch.nimbreMag[b] == ch.historyMag[(size_t) param.rows[1]][b] ? 1 : 0;
        }

        // The B-spline smooths: it does not pass through the row at a whole position.
        EXPECT_LT (binsOnARow, 10);
    }
}

INSTANTIATE_TEST_SUITE_P (Positions, ScrubRebuild, testing::Values (
    // Full ring: the oldest row is 88, position 171 is row 259, the 172nd oldest.
    ScrubCase { "FullRingFreezeAtOne", 600, 1.0f, 171.0f, { 258, 259, 260, 261 },
                { 1.0f / 6.0f, 4.0f / 6.0f, 1.0f / 6.0f, 0.0f } },
    ScrubCase { "TenRowsHalfway", 10, 0.5f, 4.5f, { 3, 4, 5, 6 },
                { 1.0f / 48.0f, 23.0f / 48.0f, 23.0f / 48.0f, 1.0f / 48.0f } },
    // The newest position's neighbours wrap around to the oldest retained rows.
    ScrubCase { "TenRowsAtTheNewest", 10, 1.0f, 9.0f, { 8, 9, 0, 1 },
                { 1.0f / 6.0f, 4.0f / 6.0f, 1.0f / 6.0f, 0.0f } }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

//==============================================================================
TEST (ScrubTransitions, ThawResumesRecordingAndRefreezeJumpsToTheNewTarget)
{
    Harness h;
    h.runFrames (20, mainNoise);
    const auto& ch = h.channel (0);

    h.set ("seance", 1.0f);
    h.runFrames (3, mainNoise);
    EXPECT_TRUE (ch.scrubPosValid);
    EXPECT_EQ (ch.scrubPos, 19.0f);
    EXPECT_EQ (ch.historyCount, 20);

    h.set ("seance", 0.01f);
    h.runFrames (5, mainNoise);
    EXPECT_FALSE (ch.scrubPosValid);
    EXPECT_EQ (ch.historyCount, 25);
    EXPECT_EQ (ch.historyWritePos, 25);

    h.set ("seance", 0.5f);
    h.runFrames (1, mainNoise);
    EXPECT_EQ (ch.scrubPos, 12.0f);
}

TEST (ScrubTransitions, PrepareEmptiesTheHistoryButKeepsTheWobblePhase)
{
    Harness h;
    h.runFrames (200, mainNoise);
    h.set ("seance", 0.5f);
    h.set ("release", 7.0f);
    h.runFrames (9, mainNoise);

    const auto phase = h.channel (0).wobblePhase;
    ASSERT_GT (phase, 0.0f);

    h.processor.prepareToPlay (44100.0, 512);
    EXPECT_EQ (h.channel (0).historyCount, 0);
    EXPECT_FALSE (h.channel (0).hasNimbre);
    EXPECT_EQ (h.channel (0).wobblePhase, phase);
}

TEST (ScrubTransitions, SingleHeldSpectrumRotatesByAQuarterTurnPerBinAndFrame)
{
    Harness h;
    h.runFrames (1, mainNoise);
    const auto& ch = h.channel (0);
    ASSERT_EQ (ch.historyCount, 1);

    const auto heldMag = ch.nimbreMag;
    auto expectedPhase = ch.nimbrePhase;
    h.set ("seance", 0.5f);

    for (int frame = 0; frame < 6; ++frame)
    {
        const auto before = ch.nimbrePhase;
        h.runFrames (1, mainNoise);

        for (size_t b = 0; b < 1025; ++b)
            expectedPhase[b] = advanced (expectedPhase[b], (int) b);

        EXPECT_FALSE (ch.scrubPosValid);
        EXPECT_EQ (ch.nimbreMag, heldMag);
        EXPECT_EQ (ch.nimbrePhase, expectedPhase);

        // Bin 1 turns by a quarter, bin 2 by a half turn.
        const auto turn1 = std::remainder (ch.nimbrePhase[1] - before[1], twoPi);
        const auto turn2 = std::abs (std::remainder (ch.nimbrePhase[2] - before[2], twoPi));
        EXPECT_NEAR (turn1, pi / 2.0f, 1.0e-5f);
        EXPECT_NEAR (turn2, pi, 1.0e-5f);
    }
}

//==============================================================================
struct TempoCase
{
    const char* name;
    double sampleRate;
    juce::Optional<double> recordingBpm;   // reported while recording
    bool reportsPosition;                  // while frozen
    juce::Optional<double> frozenBpm;      // reported while frozen
    float expectedPosition;                // Freeze at 1: (bar frames - 1)
};

class TempoSpan : public testing::TestWithParam<TempoCase> {};

TEST_P (TempoSpan, FreezeAtOneSitsAtTheEndOfTheFirstBar)
{
    const auto& param = GetParam();
    Harness h (Layout::stereo, param.sampleRate);
    h.playHead.bpm = param.recordingBpm;
    h.runFrames (600, mainNoise);

    h.playHead.reportsPosition = param.reportsPosition;
    h.playHead.bpm = param.frozenBpm;
    h.set ("seance", 1.0f);
    h.runFrames (1, mainNoise);

    EXPECT_EQ (h.channel (0).scrubPos, param.expectedPosition);
    EXPECT_EQ (h.channel (1).scrubPos, param.expectedPosition);
}

INSTANTIATE_TEST_SUITE_P (Tempi, TempoSpan, testing::Values (
    TempoCase { "Default120", 44100.0, {}, true, {}, 171.0f },
    TempoCase { "At48kHz", 48000.0, 120.0, true, 120.0, 186.0f },
    TempoCase { "At60", 44100.0, 120.0, true, 60.0, 343.0f },
    TempoCase { "At97", 44100.0, 120.0, true, 97.0, 212.0f },
    TempoCase { "SlowerThanTwentyIsTwenty", 44100.0, 120.0, true, 5.0, 511.0f },
    TempoCase { "NotANumberIsTwenty", 44100.0, 120.0, true, std::nan (""), 511.0f },
    TempoCase { "NoTempoKeepsTheLast", 44100.0, 60.0, true, {}, 343.0f },
    TempoCase { "NoPositionKeepsTheLast", 44100.0, 60.0, false, {}, 343.0f }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (TempoSpan, HalvingTheTempoWhileFrozenDoublesTheSpan)
{
    Harness h;
    h.runFrames (600, mainNoise);
    h.set ("seance", 1.0f);
    h.runFrames (1, mainNoise);
    ASSERT_EQ (h.channel (0).scrubPos, 171.0f);

    h.playHead.bpm = 60.0;
    auto expected = 171.0f;

    for (int frame = 0; frame < 30; ++frame)
    {
        h.runFrames (1, mainNoise);
        expected = expected + 0.25f * (343.0f - expected);
        ASSERT_EQ (h.channel (0).scrubPos, expected) << "frame " << frame;
    }
}

//==============================================================================
struct WobbleCase
{
    const char* name;
    float mode;            // 0 sync, 1 free
    float release;
    float freeMsNormalised;
    float shape;
    float expectedPeriod;  // frames
};

class Wobble : public testing::TestWithParam<WobbleCase> {};

TEST_P (Wobble, SwingsTheScrubTargetByHalfAPeriod)
{
    const auto& param = GetParam();
    Harness h;
    h.runFrames (200, mainNoise);

    h.set ("wobbleMode", param.mode);
    h.set ("release", param.release);
    h.processor.apvts.getParameter ("wobbleFreeMs")->setValueNotifyingHost (param.freeMsNormalised);
    h.set ("wobbleShape", param.shape);
    h.set ("seance", 0.5f);
    ASSERT_EQ (h.value ("seance"), 0.5f);

    WobbleReplica replica { param.expectedPeriod, (int) param.shape };
    const auto& ch = h.channel (0);
    auto position = 0.0f;

    for (int frame = 0; frame < 400; ++frame)
    {
        h.runFrames (1, mainNoise);

        const auto w = replica.next();
        const auto target = juce::jlimit (0.0f, 199.0f, 171.0f * 0.5f + w);
        position = frame == 0 ? target : position + 0.25f * (target - position);

        ASSERT_EQ (ch.wobblePhase, replica.phase) << "frame " << frame;
        ASSERT_EQ (h.processor.feeds.wobbleDisplay.load(), w / 171.0f) << "frame " << frame;
        ASSERT_EQ (ch.scrubPos, position) << "frame " << frame;
        ASSERT_LE (std::abs (w), 0.5f * param.expectedPeriod);
    }
}

INSTANTIATE_TEST_SUITE_P (Shapes, Wobble, testing::Values (
    WobbleCase { "SyncBarSawUp", 0.0f, 7.0f, 0.0f, 1.0f, 172.0f },
    WobbleCase { "SyncSixteenthTriangle", 0.0f, 3.0f, 0.0f, 0.0f, 10.75f },
    WobbleCase { "SyncSixtyFourthSawDown", 0.0f, 1.0f, 0.0f, 2.0f, 2.6875f },
    WobbleCase { "FreeFourSecondsSawUp", 1.0f, 0.0f, 1.0f, 1.0f, 344.53125f },
    WobbleCase { "FreeOneMillisecondIsTwoFrames", 1.0f, 7.0f, 0.0f, 0.0f, 2.0f }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (Wobble, BarLongSawUpRampsAcrossPlusMinusHalfABarThenJumpsBack)
{
    Harness h;
    h.runFrames (200, mainNoise);
    h.set ("release", 7.0f);
    h.set ("wobbleShape", 1.0f);
    h.set ("seance", 0.5f);

    std::vector<float> offsets;

    for (int frame = 0; frame < 300; ++frame)
    {
        h.runFrames (1, mainNoise);
        offsets.push_back (h.processor.feeds.wobbleDisplay.load());
    }

    int jumps = 0;

    for (size_t k = 1; k < offsets.size(); ++k)
    {
        const auto step = offsets[k] - offsets[k - 1];

        if (step < 0.0f)
        {
            ++jumps;
            EXPECT_NEAR (step, -171.0f / 171.0f, 1.0e-3f);    // from +86/171 back to -86/171 + 1/171
        }
        else
        {
            EXPECT_NEAR (step, 1.0f / 171.0f, 1.0e-5f);
        }
    }

    // Sampled once per frame, the ramp's ends lie within one step of +-86/171.
    EXPECT_EQ (jumps, 1);
    const auto lowest = *std::min_element (offsets.begin(), offsets.end());
    const auto highest = *std::max_element (offsets.begin(), offsets.end());
    EXPECT_GE (lowest, -86.0f / 171.0f - 1.0e-5f);
    EXPECT_LE (lowest, -85.0f / 171.0f + 1.0e-5f);
    EXPECT_GE (highest, 85.0f / 171.0f - 1.0e-5f);
    EXPECT_LE (highest, 86.0f / 171.0f + 1.0e-5f);
}

TEST (Wobble, ReleaseZeroResetsThePhaseWhileScrubbing)
{
    Harness h;
    h.runFrames (200, mainNoise);
    h.set ("release", 7.0f);
    h.set ("wobbleShape", 1.0f);
    h.set ("seance", 0.5f);
    h.runFrames (20, mainNoise);
    ASSERT_GT (h.channel (0).wobblePhase, 0.0f);

    h.set ("release", 0.0f);
    h.runFrames (1, mainNoise);
    EXPECT_EQ (h.channel (0).wobblePhase, 0.0f);
    EXPECT_EQ (h.channel (0).wobbleOffset, 0.0f);
    EXPECT_EQ (h.processor.feeds.wobbleDisplay.load(), 0.0f);

    // Thawing keeps the phase; the offset only moves while scrubbing.
    h.set ("release", 7.0f);
    h.runFrames (1, mainNoise);
    WobbleReplica replica { 172.0f, 1 };
    const auto w = replica.next();
    EXPECT_EQ (h.channel (0).wobbleOffset, w / 171.0f);

    h.set ("seance", 0.0f);
    h.runFrames (3, mainNoise);
    EXPECT_EQ (h.channel (0).wobblePhase, replica.phase);
    EXPECT_EQ (h.processor.feeds.wobbleDisplay.load(), w / 171.0f);
}
