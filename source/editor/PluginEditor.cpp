#include "PluginEditor.h"

#include "processor/PluginProcessor.h"

HollowmereEditor::HollowmereEditor (HollowmereProcessor& p)
    : juce::AudioProcessorEditor (p), processorRef (p)
{
    setSize (640, 540);
}

HollowmereEditor::~HollowmereEditor() = default;

void HollowmereEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff14101c));
}
