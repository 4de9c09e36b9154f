#pragma once

#include <juce_core/juce_core.h>

#include <utility>
#include <vector>

/** What one run of the renderer does, as read from its command line. */
struct RenderOptions
{
    juce::File input;                                           // none when only listing or saving
    juce::File output;
    juce::File plugin;                                          // the VST3 bundle to load
    juce::File sidechain;                                       // none: the sidechain bus is off
    juce::File automation;
    juce::File preset;                                          // loaded before the settings
    juce::File savePreset;                                      // written after the settings
    juce::File spectrogram;
    std::vector<std::pair<juce::String, juce::String>> settings;    // parameter ID, value as typed
    double bpm = 120.0;                                         // the tempo the play head reports
    int blockSize = 512;
    int tailSamples = 2048;     // rendered past the input's end: one transform frame of smear
    bool keepLatency = false;
    bool bypass = false;
    bool listParams = false;
    bool showHelp = false;

    bool rendersAudio() const { return input != juce::File(); }
};

/** Reads the arguments (without the program name); throws RenderFailure on anything malformed. */
RenderOptions parseRenderOptions (const juce::StringArray& arguments);

/** Where the plug-in is looked for when no --plugin is given: this build's bundle, then ~/.vst3. */
juce::File findDefaultPlugin();

extern const char* const renderUsage;
