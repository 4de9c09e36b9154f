#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

TEST (ProcessorShell, ImpulseComesOutAfterTheLatency)
{
    HollowmereProcessor processor;
    processor.prepareToPlay (44100.0, 4096);

    juce::AudioBuffer<float> buffer (4, 4096);
    buffer.clear();
    buffer.setSample (0, 0, 1.0f);
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);

    EXPECT_NEAR (buffer.getSample (0, 2047), 1.0f, 5.0e-5f);
    EXPECT_EQ (processor.getLatencySamples(), 2047);
}
