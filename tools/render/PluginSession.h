#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/**
    One hosted instance of a VST3 plug-in, driven as a DAW drives it: loaded from its bundle,
    given a channel layout, parameter values and a tempo, prepared, then fed blocks. Every failure
    throws RenderFailure with a message for the user.
*/
class PluginSession
{
public:
    PluginSession (const juce::File& bundle, double sampleRate, int blockSize);
    ~PluginSession();

    /** Main input and output of `numChannels` channels; a sidechain of `sidechainChannels`
        channels, or none when 0. */
    void useChannels (int numChannels, int sidechainChannels = 0);

    /** The parameter with this string ID; throws for an unknown one. */
    juce::AudioProcessorParameter& findParameter (const juce::String& id) const;

    /** The normalised value of a parameter given in real units, or a choice's index or name;
        throws with a message naming the ID and the accepted values. */
    float normalisedValue (const juce::String& id, const juce::String& value) const;

    /** Sets a parameter by its string ID from a value in real units, or a choice's index or name. */
    void set (const juce::String& id, const juce::String& value);

    /** Switches the host's bypass on: the plug-in plays its (equally delayed) dry signal. */
    void bypass();

    /** The tempo the play head reports, in beats per minute. */
    void setTempo (double bpm);

    /** Loads a preset file: the plug-in's own state block, or a .vstpreset file. */
    void loadPreset (const juce::File& file);

    /** Writes the current state: a .vstpreset file if the name ends so, else the plug-in's own
        state block. */
    void savePreset (const juce::File& file) const;

    /** One line per parameter: ID, name, range, default and current value (after --preset and
        --set). */
    juce::String describeParameters() const;

    /** Prepares for playing and returns the latency the plug-in reports, in samples. */
    int prepare();

    /** Channels a block buffer needs: the widest of the plug-in's inputs and outputs. Channel 0
        onwards carry the main bus, the sidechain's channels follow. */
    int getBufferWidth() const;

    void process (juce::AudioBuffer<float>& block);

private:
    class PlayHead;

    std::unique_ptr<juce::AudioPluginInstance> plugin;
    std::unique_ptr<PlayHead> playHead;
    const double sampleRate;
    const int blockSize;
    juce::MidiBuffer midi;

    JUCE_DECLARE_NON_COPYABLE (PluginSession)
};
