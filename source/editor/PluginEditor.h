#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

class HollowmereProcessor;

/** The plug-in window. */
class HollowmereEditor final : public juce::AudioProcessorEditor
{
public:
    explicit HollowmereEditor (HollowmereProcessor& p);
    ~HollowmereEditor() override;

    void paint (juce::Graphics& g) override;

private:
    HollowmereProcessor& processorRef;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HollowmereEditor)
};
