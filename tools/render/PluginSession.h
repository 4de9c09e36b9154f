#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/**
    One hosted instance of a VST3 plug-in, driven as a DAW drives it: loaded from its bundle,
    given a channel layout and parameter values, prepared, then fed blocks. Every failure throws
    RenderFailure with a message for the user.
*/
class PluginSession
{
public:
    PluginSession (const juce::File& bundle, double sampleRate, int blockSize);
    ~PluginSession();

    /** Main input and output of `numChannels` channels, any sidechain off (or else silent). */
    void useChannels (int numChannels);

    /** Sets a parameter by its string ID from a value in real units, or a choice's index or name. */
    void set (const juce::String& id, const juce::String& value);

    /** Prepares for playing and returns the latency the plug-in reports, in samples. */
    int prepare();

    /** Channels a block buffer needs: the widest of the plug-in's inputs and outputs. */
    int getBufferWidth() const;

    void process (juce::AudioBuffer<float>& block);

private:
    std::unique_ptr<juce::AudioPluginInstance> plugin;
    const double sampleRate;
    const int blockSize;
    juce::MidiBuffer midi;

    JUCE_DECLARE_NON_COPYABLE (PluginSession)
};
