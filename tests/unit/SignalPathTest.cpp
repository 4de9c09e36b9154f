#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    constexpr int latency = 2047;

    /** A prepared processor with helpers to set parameters in real units and run blocks. */
    struct SignalPathFixture : public ::testing::Test
    {
        void prepare (const juce::AudioChannelSet& main, const juce::AudioChannelSet& sidechain)
        {
            juce::AudioProcessor::BusesLayout layout;
            layout.inputBuses.add (main);
            layout.inputBuses.add (sidechain);
            layout.outputBuses.add (main);
            ASSERT_TRUE (processor.setBusesLayout (layout));
            processor.prepareToPlay (44100.0, 512);
        }

        void set (const char* id, float value)
        {
            auto* parameter = processor.apvts.getParameter (id);
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
        }

        /** The dry path alone: haunt 0 and fully dry, with the mix ramp already settled. */
        void settleFullyDry()
        {
            set ("haunt", 0.0f);
            set ("dryWet", 0.0f);
            process (0);
        }

        juce::AudioBuffer<float>& process (int numSamples)
        {
            buffer.setSize (juce::jmax (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels()),
                            numSamples, false, false, true);
            buffer.clear();
            return buffer;
        }

        void run()
        {
            juce::MidiBuffer midi;
            processor.processBlock (buffer, midi);
        }

        void runBypassed()
        {
            juce::MidiBuffer midi;
            processor.processBlockBypassed (buffer, midi);
        }

        /** Runs `total` samples in blocks, input from `in (channel, t)`, returning channel outputs. */
        template <typename Input>
        std::vector<std::vector<float>> render (int total, int blockSize, Input&& in)
        {
            const auto outputs = processor.getTotalNumOutputChannels();
            std::vector<std::vector<float>> out ((size_t) outputs);

            for (int start = 0; start < total; start += blockSize)
            {
                const auto n = juce::jmin (blockSize, total - start);
                process (n);

                for (int c = 0; c < buffer.getNumChannels(); ++c)
                    for (int i = 0; i < n; ++i)
                        buffer.setSample (c, i, in (c, start + i));

                run();

                for (int c = 0; c < outputs; ++c)
                    out[(size_t) c].insert (out[(size_t) c].end(), buffer.getReadPointer (c), buffer.getReadPointer (c) + n);
            }

            return out;
        }

        HollowmereProcessor processor;
        juce::AudioBuffer<float> buffer;
    };

    float impulseAtZero (int, int t) { return t == 0 ? 1.0f : 0.0f; }
}

TEST_F (SignalPathFixture, DryWetAndBypassImpulsesLandOnTheReportedLatency)
{
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo());
    set ("haunt", 0.0f);

    for (const auto dryWet : { 0.0f, 1.0f })
    {
        processor.prepareToPlay (44100.0, 512);
        set ("dryWet", dryWet);
        process (0);
        run();

        const auto out = render (4096, 512, impulseAtZero);

        for (size_t c = 0; c < out.size(); ++c)
        {
            EXPECT_GE (out[c][latency], 0.99995f) << "dryWet " << dryWet;
            EXPECT_LE (out[c][latency], 1.0f) << "dryWet " << dryWet;

            for (int t = 0; t < 4096; ++t)
                if (t != latency)
                    ASSERT_NEAR (out[c][(size_t) t], 0.0f, 1.0e-6f) << "dryWet " << dryWet << " sample " << t;
        }
    }

    processor.prepareToPlay (44100.0, 512);

    for (int start = 0; start < 4096; start += 512)
    {
        process (512);

        if (start == 0)
            buffer.setSample (0, 0, 1.0f);

        runBypassed();

        for (int i = 0; i < 512; ++i)
            ASSERT_EQ (buffer.getSample (0, i), start + i == latency ? 1.0f : 0.0f) << "bypassed sample " << start + i;
    }
}

TEST_F (SignalPathFixture, HalfMixOfASineKeepsItsAmplitude)
{
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo());
    set ("haunt", 0.0f);
    set ("dryWet", 0.5f);

    const auto sine = [] (int, int t) { return 0.5f * std::sin (0.0712f * (float) t); };
    const auto out = render (16384, 500, sine);

    for (int t = 8192; t < 16384; ++t)
        ASSERT_NEAR (out[0][(size_t) t], sine (0, t - latency), 1.0e-4f) << "sample " << t;
}

TEST_F (SignalPathFixture, InputGainRampsAcrossOneBlockThenHolds)
{
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo());
    settleFullyDry();

    const auto constant = [] (int, int) { return 0.25f; };
    auto out = render (100, 100, constant);
    set ("inputGain", 6.0f);
    const auto ramp = render (100, 100, constant);
    const auto held = render (latency + 100, 100, constant);

    // The dry path is exact: what leaves is the gained input 2047 samples later.
    std::vector<float> all (out[0]);
    all.insert (all.end(), ramp[0].begin(), ramp[0].end());
    all.insert (all.end(), held[0].begin(), held[0].end());

    const auto g = std::pow (10.0f, 6.0f / 20.0f);

    for (int k = 0; k < 100; ++k)
        EXPECT_NEAR (all[(size_t) (latency + k)], 0.25f, 1.0e-7f);

    for (int k = 0; k < 100; ++k)
        EXPECT_NEAR (all[(size_t) (latency + 100 + k)], 0.25f * (1.0f + (float) k * (g - 1.0f) / 100.0f), 1.0e-6f) << k;

    for (int k = 0; k < 100; ++k)
        EXPECT_FLOAT_EQ (all[(size_t) (latency + 200 + k)], 0.25f * g) << k;
}

TEST_F (SignalPathFixture, SteadyUnityGainsAndFullDryPassTheInputBitExact)
{
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo());
    settleFullyDry();

    const auto noise = [] (int c, int t) { return (float) ((t * 7919 + c * 104729) % 2001 - 1000) / 1000.0f; };
    const auto out = render (6000, 333, noise);

    for (int c = 0; c < 2; ++c)
        for (int t = latency; t < 6000; ++t)
            ASSERT_EQ (out[(size_t) c][(size_t) t], noise (c, t - latency)) << "channel " << c << " sample " << t;
}

TEST_F (SignalPathFixture, MixRampsFromThePreviousBlocksValueForEveryChannel)
{
    // While fully wet the dry rings stand still and hold zeros, so when the mix starts moving the
    // output is the wet signal scaled by the ramp alone; the wet signal is taken from a twin
    // processor that stays fully wet.
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo());
    HollowmereProcessor twin;
    twin.prepareToPlay (44100.0, 512);

    const auto signal = [] (int c, int t) { return 0.3f * std::sin (0.05f * (float) t + (float) c); };
    const auto n = 64;
    juce::AudioBuffer<float> twinBuffer (4, n);
    juce::MidiBuffer midi;

    for (int block = 0; block < 66; ++block)
    {
        if (block == 64)
            set ("dryWet", 0.5f);

        process (n);

        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < n; ++i)
                buffer.setSample (c, i, signal (c, block * n + i)), twinBuffer.setSample (c, i, signal (c, block * n + i));

        run();
        twin.processBlock (twinBuffer, midi);

        if (block < 64)
            continue;

        for (int c = 0; c < 2; ++c)
        {
            for (int i = 0; i < n; ++i)
            {
                const auto m = block == 64 ? 1.0f + (float) i * (-0.5f / (float) n) : 0.5f;
                ASSERT_EQ (buffer.getSample (c, i), twinBuffer.getSample (c, i) * m) << "block " << block << " channel " << c << " sample " << i;
            }
        }
    }
}

TEST_F (SignalPathFixture, DryRingsResumeFromWhatTheyHeld)
{
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo());
    settleFullyDry();

    const auto first = [] (int, int t) { return 0.001f * (float) (t % 997); };
    render (3000, 500, first);

    // The block that ramps to fully wet still writes the rings; after it they stand still.
    set ("dryWet", 1.0f);
    render (5000, 500, [] (int, int) { return -0.5f; });
    const auto lastWritten = 3000 + 500;

    // One sample still ramping from 1, then fully dry: the rings continue where they stopped.
    set ("dryWet", 0.0f);
    render (1, 1, [] (int, int) { return -0.5f; });
    const auto out = render (100, 100, [] (int, int) { return -0.5f; });

    for (int k = 0; k < 100; ++k)
        ASSERT_EQ (out[0][(size_t) k], first (0, lastWritten - latency + 1 + k)) << k;
}

TEST_F (SignalPathFixture, SidechainAsSourceFeedsTheDrySignalAtFullHaunt)
{
    for (const auto& sidechainSet : { juce::AudioChannelSet::stereo(), juce::AudioChannelSet::mono() })
    {
        prepare (juce::AudioChannelSet::stereo(), sidechainSet);
        set ("source", 1.0f);
        set ("haunt", 1.0f);
        set ("dryWet", 0.0f);
        process (0);
        run();

        // Main input channels 0 and 1; the sidechain follows at channel 2 (and 3).
        const auto signal = [] (int c, int t) { return c < 2 ? 0.9f : (float) (c - 1) * 0.001f * (float) (t % 100); };
        const auto out = render (latency + 500, 256, signal);

        for (int c = 0; c < 2; ++c)
        {
            const auto sidechainChannel = sidechainSet.size() == 1 ? 2 : 2 + c;

            for (int t = latency; t < latency + 500; ++t)
                ASSERT_EQ (out[(size_t) c][(size_t) t], signal (sidechainChannel, t - latency)) << "channel " << c << " sample " << t;
        }

        EXPECT_TRUE (processor.feeds.sidechainActive.load());
    }
}

TEST_F (SignalPathFixture, WithoutSidechainTheSourceFallsBackToTheMainInput)
{
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::disabled());
    set ("source", 1.0f);
    set ("haunt", 1.0f);
    set ("dryWet", 0.0f);
    process (0);
    run();

    const auto signal = [] (int c, int t) { return (float) (c + 1) * 0.01f * (float) (t % 50); };
    const auto out = render (latency + 300, 128, signal);

    for (int c = 0; c < 2; ++c)
        for (int t = latency; t < latency + 300; ++t)
            ASSERT_EQ (out[(size_t) c][(size_t) t], signal (c, t - latency));

    EXPECT_FALSE (processor.feeds.sidechainActive.load());
}

TEST_F (SignalPathFixture, SidechainGainIsMeteredButLeavesTheAudioAlone)
{
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo());
    settleFullyDry();
    set ("scGain", -24.0f);
    render (512, 512, [] (int, int) { return 0.5f; });    // the ramp block

    const auto out = render (latency + 64, 64, [] (int, int) { return 0.5f; });

    EXPECT_FLOAT_EQ (processor.feeds.sidechainPeak[0].load(), 0.5f * std::pow (10.0f, -24.0f / 20.0f));
    EXPECT_EQ (out[0].back(), 0.5f);
}

TEST_F (SignalPathFixture, ZeroSampleBlocksStillTakeTheNewGainAndMix)
{
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo());
    set ("haunt", 0.0f);
    set ("dryWet", 0.0f);
    set ("inputGain", -6.0f);
    process (0);
    run();

    // No ramp is left for the next block: the dry signal comes out at the new gain at once.
    const auto out = render (latency + 10, latency + 10, [] (int, int) { return 1.0f; });
    EXPECT_FLOAT_EQ (out[0][latency], std::pow (10.0f, -6.0f / 20.0f));
}

TEST_F (SignalPathFixture, EnteringBypassContinuesTheDelayedInputWithoutAGap)
{
    prepare (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo());
    settleFullyDry();

    const auto ramp = [] (int, int t) { return (float) (t % 1000) / 1000.0f; };
    const auto out = render (5000, 500, ramp);

    for (int start = 5000; start < 8000; start += 500)
    {
        process (500);

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 500; ++i)
                buffer.setSample (c, i, ramp (c, start + i));

        runBypassed();

        for (int i = 0; i < 500; ++i)
            ASSERT_EQ (buffer.getSample (1, i), ramp (1, start + i - latency)) << "sample " << start + i;
    }

    EXPECT_EQ (out[1][4999], ramp (1, 4999 - latency));
}

TEST_F (SignalPathFixture, OutputChannelsWithoutStateAreCleared)
{
    // Before any preparation there is no spectral state: everything is cleared.
    process (256);

    for (int c = 0; c < buffer.getNumChannels(); ++c)
        for (int i = 0; i < 256; ++i)
            buffer.setSample (c, i, 0.7f);

    run();

    for (int c = 0; c < processor.getTotalNumOutputChannels(); ++c)
        EXPECT_EQ (buffer.getMagnitude (c, 0, 256), 0.0f);

    // Prepared mono, then widened to stereo without a new preparation: the extra output channel
    // is cleared by both paths.
    prepare (juce::AudioChannelSet::mono(), juce::AudioChannelSet::disabled());
    juce::AudioProcessor::BusesLayout stereo;
    stereo.inputBuses.add (juce::AudioChannelSet::stereo());
    stereo.inputBuses.add (juce::AudioChannelSet::disabled());
    stereo.outputBuses.add (juce::AudioChannelSet::stereo());
    ASSERT_TRUE (processor.setBusesLayout (stereo));

    for (const auto bypassed : { false, true })
    {
        process (128);

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 128; ++i)
                buffer.setSample (c, i, 0.7f);

        bypassed ? runBypassed() : run();
        EXPECT_EQ (buffer.getMagnitude (1, 0, 128), 0.0f) << "bypassed " << bypassed;
    }
}

TEST (SignalPath, TailIsZero)
{
    HollowmereProcessor processor;
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
}
