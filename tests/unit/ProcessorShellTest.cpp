#include "ProcessorRig.h"

#include <gtest/gtest.h>

namespace
{
    /** Counts what a host would hear about: latency changes. */
    struct LatencyListener : public juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}

        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
        {
            if (details.latencyChanged)
                ++latencyChanges;
        }

        int latencyChanges = 0;
    };
}

TEST (ProcessorShell, DescribesAnEffectWithOneNamedProgram)
{
    HollowmereProcessor processor;
    EXPECT_EQ (processor.getName(), "Hollowmere");
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "Default");

    for (const int index : { -1, 1, 3 })
        EXPECT_EQ (processor.getProgramName (index), juce::String()) << "index " << index;

    processor.setCurrentProgram (3);
    processor.changeProgramName (0, "Renamed");
    processor.changeProgramName (3, "Other");
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "Default");
    EXPECT_EQ (processor.getProgramName (3), juce::String());
}

TEST (ProcessorShell, StartsWithDefaultRateAndTempo)
{
    HollowmereProcessor processor;
    EXPECT_EQ (processor.currentSampleRate.load(), 44100.0);
    EXPECT_EQ (processor.hostBpm.load(), 120.0f);

    processor.prepareToPlay (96000.0, 256);
    EXPECT_EQ (processor.currentSampleRate.load(), 96000.0);
}

TEST (ProcessorShell, IsSilentBeforeTheFirstPrepare)
{
    HollowmereProcessor processor;
    juce::AudioBuffer<float> buffer (processor.getTotalNumInputChannels(), 1024);
    const auto noise = makeNoise (buffer.getNumChannels(), buffer.getNumSamples());

    for (int c = 0; c < buffer.getNumChannels(); ++c)
        buffer.copyFrom (c, 0, noise[(size_t) c].data(), buffer.getNumSamples());

    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);

    for (int c = 0; c < processor.getTotalNumOutputChannels(); ++c)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            ASSERT_EQ (buffer.getSample (c, i), 0.0f) << "channel " << c << ", sample " << i;
}

TEST (ProcessorShell, TellsTheHostItsLatencyOnce)
{
    HollowmereProcessor processor;
    LatencyListener listener;
    processor.addListener (&listener);

    processor.prepareToPlay (44100.0, 512);
    EXPECT_EQ (processor.getLatencySamples(), 2047);
    EXPECT_EQ (listener.latencyChanges, 1);

    processor.releaseResources();
    processor.prepareToPlay (48000.0, 1024);
    processor.prepareToPlay (48000.0, 64);
    EXPECT_EQ (processor.getLatencySamples(), 2047);
    EXPECT_EQ (listener.latencyChanges, 1);

    processor.removeListener (&listener);
}

TEST (ProcessorShell, WorksAgainAfterReleaseAndPrepareAtAnotherRate)
{
    ProcessorRig rig;
    ASSERT_TRUE (rig.prepare (2, 44100.0));
    rig.render (makeNoise (2, 4096), 512);
    rig.processor.releaseResources();

    rig.setIdentity();
    rig.processor.prepareToPlay (96000.0, 128);
    ProcessorRig::Signal impulse (2, std::vector<float> (4096, 0.0f));
    impulse[0][0] = impulse[1][0] = 1.0f;
    const auto output = rig.render (impulse, 128);

    for (size_t c = 0; c < 2; ++c)
    {
        EXPECT_GE (output[c][2047], 0.99995f) << "channel " << c;
        EXPECT_LE (output[c][2047], 1.0f) << "channel " << c;
    }
}
