#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <memory>

/** Loading and driving a VST3 bundle through JUCE's own VST3 hosting, as a DAW does it. */
namespace HostedPlugin
{
    /** The bundle this build produced. */
    juce::File builtBundle();

    /** Loads the first plug-in class of a VST3 bundle; null, with a reason in `error`, on failure. */
    std::unique_ptr<juce::AudioPluginInstance> load (const juce::File& bundle, double sampleRate,
                                                     int blockSize, juce::String& error);

    /** Runs the message loop for a while: a hosted VST3 reports latency changes from there. */
    void pumpMessages (int milliseconds);

    /**
        The hosted parameter whose string ID in the plug-in is `id`, or null. A VST3 host sees only
        numbers; JUCE's VST3 wrapper derives them from the string IDs by hashing.
    */
    juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& id);

    /**
        Plays `input` (its channels feed the main input bus; any other input channel is silent)
        through the plug-in in blocks of `blockSize` and returns the main output bus.
    */
    juce::AudioBuffer<float> process (juce::AudioPluginInstance& plugin,
                                      const juce::AudioBuffer<float>& input, int blockSize);
}

/** A fresh instance of the built bundle for every test, prepared at 44.1 kHz. */
class HostedPluginTest : public ::testing::Test
{
protected:
    static constexpr double sampleRate = 44100.0;
    static constexpr int blockSize = 512;

    void SetUp() override;
    void TearDown() override;

    /** prepareToPlay, then the message loop until the reported latency settles. */
    void prepare (double rate = sampleRate, int maximumBlockSize = blockSize);

    /** Sets a parameter by string ID from its text in real units ("0", "-6.0", "Saw Down"). */
    void setParameterText (const juce::String& id, const juce::String& text);

    std::unique_ptr<juce::AudioPluginInstance> plugin;
};
