#include "ProcessorRig.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    constexpr int delay = 2047;             // the wet path's delay, in samples
    constexpr int silentPrefix = 511;       // samples before the first finished hop
    constexpr float rounding = 1.0e-6f;     // what the transforms leave where the output is zero

    ProcessorRig::Signal makeSine (int numChannels, int numSamples, double frequency)
    {
        ProcessorRig::Signal signal ((size_t) numChannels, std::vector<float> ((size_t) numSamples));

        for (auto& channel : signal)
            for (size_t i = 0; i < channel.size(); ++i)
                channel[i] = (float) (0.5 * std::sin (juce::MathConstants<double>::twoPi * frequency * (double) i / 44100.0));

        return signal;
    }

    void expectFresh (const ChannelSpectral& record)
    {
        const auto zeros = [] (size_t n) { return std::vector<float> (n, 0.0f); };

        EXPECT_EQ (record.inputFifo, zeros (2048));
        EXPECT_EQ (record.outputAccum, zeros (2048));
        EXPECT_EQ (record.fftData, zeros (4096));
        EXPECT_EQ (record.sidechainFifo, zeros (2048));
        EXPECT_EQ (record.sidechainFftData, zeros (4096));
        EXPECT_EQ (record.nimbreMag, zeros (1025));
        EXPECT_EQ (record.nimbrePhase, zeros (1025));
        EXPECT_EQ (record.shapedMag, zeros (1025));
        EXPECT_EQ (record.liveMag, zeros (1025));
        EXPECT_EQ (record.smoothedMag, zeros (1025));
        EXPECT_EQ (record.outputBlock, zeros (512));
        EXPECT_EQ (record.dryMain, zeros (2048));
        EXPECT_EQ (record.dryAlt, zeros (2048));
        ASSERT_EQ (record.historyMag.size(), 512u);
        ASSERT_EQ (record.historyPhase.size(), 512u);

        for (size_t row = 0; row < 512; ++row)
        {
            ASSERT_EQ (record.historyMag.copyRow (row), zeros (1025)) << "row " << row;
            ASSERT_EQ (record.historyPhase.copyRow (row), zeros (1025)) << "row " << row;
        }

        EXPECT_EQ (record.dryPos, 0);
        EXPECT_EQ (record.historyWritePos, 0);
        EXPECT_EQ (record.historyCount, 0);
        EXPECT_EQ (record.scrubPos, 0.0f);
        EXPECT_FALSE (record.scrubPosValid);
        EXPECT_EQ (record.inputFill, 1536);
        EXPECT_EQ (record.outputReadPos, 0);
        EXPECT_FALSE (record.hasNimbre);
    }
}

TEST (FramePipeline, ImpulsesAnywhereInTheHopComeOutAfter2047SamplesUnchanged)
{
    ProcessorRig rig;
    ASSERT_TRUE (rig.prepare (2));
    rig.setIdentity();

    // Offsets within the hop: the first and last sample of a frame, and points between.
    const int offsets[] = { 0, 1, 256, 510, 511 };
    constexpr int spacing = 6144;
    ProcessorRig::Signal input (2, std::vector<float> ((size_t) (spacing * 5 + delay + 1), 0.0f));

    for (int j = 0; j < 5; ++j)
    {
        input[0][(size_t) (j * spacing + offsets[j])] = 1.0f;
        input[1][(size_t) (j * spacing + offsets[(j + 2) % 5])] = -1.0f;
    }

    const auto output = rig.render (input, 512);

    for (size_t c = 0; c < 2; ++c)
    {
        for (size_t i = 0; i < output[c].size(); ++i)
        {
            const auto in = i >= (size_t) delay ? input[c][i - (size_t) delay] : 0.0f;

            if (in != 0.0f)
            {
                EXPECT_GE (output[c][i] * in, 0.99995f) << "channel " << c << ", sample " << i;
                EXPECT_LE (output[c][i] * in, 1.0f) << "channel " << c << ", sample " << i;
            }
            else
            {
                ASSERT_NEAR (output[c][i], 0.0f, rounding) << "channel " << c << ", sample " << i;
            }
        }
    }
}

TEST (FramePipeline, EveryPrepareStartsWith511SamplesOfExactSilenceAndForgetsThePast)
{
    ProcessorRig rig;
    ASSERT_TRUE (rig.prepare (2));

    for (const juce::int64 seed : { 1, 2 })
    {
        // Defaults: the morphing stages run and record history, which a prepare must drop.
        rig.processor.prepareToPlay (48000.0, 512);
        const auto input = makeNoise (2, 8192, seed);
        const auto output = rig.render (input, 300);

        for (size_t c = 0; c < 2; ++c)
            for (int i = 0; i < silentPrefix; ++i)
                ASSERT_EQ (output[c][(size_t) i], 0.0f) << "run " << seed << ", channel " << c << ", sample " << i;
    }

    // The identity after a prepare that follows loud, recorded input: nothing of it comes back.
    rig.render (makeNoise (2, 8192, 3), 512);
    rig.setIdentity();
    rig.processor.prepareToPlay (44100.0, 512);
    ProcessorRig::Signal impulse (2, std::vector<float> (4096, 0.0f));
    impulse[0][0] = impulse[1][0] = 1.0f;
    const auto output = rig.render (impulse, 512);

    for (size_t c = 0; c < 2; ++c)
    {
        for (size_t i = 0; i < output[c].size(); ++i)
        {
            if (i != (size_t) delay)
            {
                ASSERT_NEAR (output[c][i], 0.0f, rounding) << "channel " << c << ", sample " << i;
            }
        }
    }
}

class FramePipelineBlockSize : public ::testing::TestWithParam<int> {};

TEST_P (FramePipelineBlockSize, GivesTheSameSamplesAsAnyOtherBlockSize)
{
    // Default parameters: the morphing stages run, and they too must not see the block size.
    const auto input = makeSine (2, 20000, 1000.0);

    ProcessorRig reference;
    ASSERT_TRUE (reference.prepare (2));
    const auto expected = reference.render (input, 512);

    ProcessorRig rig;
    ASSERT_TRUE (rig.prepare (2));
    const auto output = rig.render (input, GetParam());

    for (size_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < output[c].size(); ++i)
            ASSERT_EQ (output[c][i], expected[c][i]) << "channel " << c << ", sample " << i;
}

INSTANTIATE_TEST_SUITE_P (FramePipeline, FramePipelineBlockSize, ::testing::Values (1, 64, 500, 4096));

TEST (FramePipeline, ChannelRecordsFollowTheChannelCountAndNewOnesStartFresh)
{
    ProcessorRig rig;
    EXPECT_TRUE (rig.processor.engine.getChannels().empty());

    ASSERT_TRUE (rig.prepare (2));
    ASSERT_EQ (rig.processor.engine.getChannels().size(), 2u);
    rig.render (makeNoise (2, 8192), 512);
    EXPECT_GT (rig.processor.engine.getChannels()[1].historyCount, 0);

    ASSERT_TRUE (rig.prepare (1));
    ASSERT_EQ (rig.processor.engine.getChannels().size(), 1u);
    expectFresh (rig.processor.engine.getChannels()[0]);
    rig.render (makeNoise (1, 8192), 512);

    ASSERT_TRUE (rig.prepare (2));
    ASSERT_EQ (rig.processor.engine.getChannels().size(), 2u);

    for (const auto& record : rig.processor.engine.getChannels())
        expectFresh (record);

    EXPECT_EQ (rig.processor.engine.getChannels()[1].wobblePhase, 0.0f);
    EXPECT_EQ (rig.processor.engine.getChannels()[1].wobbleOffset, 0.0f);

    // The regrown channel plays: the identity holds on it like on the first.
    rig.setIdentity();
    ProcessorRig::Signal impulse (2, std::vector<float> (4096, 0.0f));
    impulse[1][0] = 1.0f;
    const auto output = rig.render (impulse, 512);
    EXPECT_GE (output[1][(size_t) delay], 0.99995f);
    EXPECT_LE (output[1][(size_t) delay], 1.0f);
    EXPECT_NEAR (output[0][(size_t) delay], 0.0f, rounding);
}

TEST (FramePipeline, ScalesAreMeasuredByPrepare)
{
    ProcessorRig rig;
    EXPECT_EQ (rig.processor.engine.getRoundTripScale(), 1.0f);
    EXPECT_EQ (rig.processor.engine.getOverlapScale(), 1.0f);

    ASSERT_TRUE (rig.prepare (2));

    // The Hann window of 2048 (symmetric, denominator 2047) scaled to sum 2048, and the
    // largest sum of four hop-spaced squares, computed here in double precision.
    std::vector<double> window (2048);
    double sum = 0.0;

    for (size_t n = 0; n < window.size(); ++n)
        sum += window[n] = 0.5 - 0.5 * std::cos (2.0 * juce::MathConstants<double>::pi * (double) n / 2047.0);

    double largest = 0.0;

    for (size_t k = 0; k < 2048; ++k)
    {
        double s = 0.0;

        for (size_t n = k; n < 2048; n += 512)
            s += std::pow (window[n] * 2048.0 / sum, 2.0);

        largest = std::max (largest, s);
    }

    EXPECT_EQ (rig.processor.engine.getRoundTripScale(), 1.0f);
    EXPECT_NEAR (rig.processor.engine.getOverlapScale(), 1.0 / largest, 1.0e-6);
    EXPECT_NEAR (rig.processor.engine.getOverlapScale(), 0.16658, 5.0e-6);
}

TEST (FramePipeline, SubnormalsNeverReachTheOutputAndTheCallersFloatModeIsKept)
{
    ProcessorRig rig;
    ASSERT_TRUE (rig.prepare (2));

    ProcessorRig::Signal input (2, std::vector<float> (8192, 1.0e-40f));
    for (size_t i = 0; i < 8192; i += 97)
        input[0][i] = 1.0e-3f;

    const auto callerMode = juce::FloatVectorOperations::areDenormalsDisabled();
    const auto output = rig.render (input, 512);
    EXPECT_EQ (juce::FloatVectorOperations::areDenormalsDisabled(), callerMode);

    for (size_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < output[c].size(); ++i)
            ASSERT_NE (std::fpclassify (output[c][i]), FP_SUBNORMAL) << "channel " << c << ", sample " << i;
}
