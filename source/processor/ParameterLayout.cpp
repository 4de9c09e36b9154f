#include "ParameterIDs.h"
#include "PluginProcessor.h"

namespace
{
    using Layout = juce::AudioProcessorValueTreeState::ParameterLayout;

    juce::ParameterID idOf (const char* id)
    {
        return { id, ParameterIDs::versionHint };
    }

    void addFloat (Layout& layout, const char* id, const char* name,
                   float start, float end, float step, float defaultValue, float skew = 1.0f)
    {
        layout.add (std::make_unique<juce::AudioParameterFloat> (idOf (id), name,
                                                                 juce::NormalisableRange<float> (start, end, step, skew),
                                                                 defaultValue));
    }

    void addChoice (Layout& layout, const char* id, const char* name, const juce::StringArray& choices)
    {
        layout.add (std::make_unique<juce::AudioParameterChoice> (idOf (id), name, choices, 0));
    }
}

juce::AudioProcessorValueTreeState::ParameterLayout HollowmereProcessor::createParameterLayout()
{
    namespace id = ParameterIDs;
    Layout layout;

    addFloat  (layout, id::haunt,        "Haunt",            0.0f,    1.0f, 0.01f, 0.5f);
    addFloat  (layout, id::drift,        "Drift",            0.0f,    1.0f, 0.01f, 0.0f);
    addFloat  (layout, id::warp,         "Warp",             0.0f,    1.0f, 0.01f, 0.0f);
    addFloat  (layout, id::whisper,      "Whisper",          0.0f,    1.0f, 0.01f, 0.0f);
    addChoice (layout, id::source,       "Source",           { "Input", "Sidechain" });
    addFloat  (layout, id::seance,       "Freeze",           0.0f,    1.0f, 0.01f, 0.0f);
    addFloat  (layout, id::release,      "Wobble",           0.0f,    7.0f, 1.0f,  0.0f);
    addChoice (layout, id::wobbleShape,  "Wobble Shape",     { "Triangle", "Saw Up", "Saw Down" });
    addChoice (layout, id::wobbleMode,   "Wobble Mode",      { "Sync", "Free" });
    addFloat  (layout, id::wobbleFreeMs, "Wobble Free Rate", 1.0f, 4000.0f, 0.0f,  250.0f, 0.35f);
    addFloat  (layout, id::inputGain,    "Input Gain",     -24.0f,   12.0f, 0.1f,  0.0f);
    addFloat  (layout, id::outputGain,   "Output Gain",    -24.0f,   12.0f, 0.1f,  0.0f);
    addFloat  (layout, id::scGain,       "SC Gain",        -24.0f,   12.0f, 0.1f,  0.0f);
    addFloat  (layout, id::dryWet,       "Dry/Wet",          0.0f,    1.0f, 0.01f, 1.0f);

    return layout;
}
