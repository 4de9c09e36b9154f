#include "PluginEditor.h"

#include "HelpTexts.h"
#include "processor/ParameterIDs.h"
#include "processor/PluginProcessor.h"

namespace
{
    /** The event's position on the 640 x 540 canvas, truncated toward zero. Events of the knobs
        and gain sliders are in that child's own units, so for them this stays left of x = 230,
        clear of every rectangle tested here. */
    juce::Point<int> logicalPosition (const juce::MouseEvent& e, float uiScale)
    {
        return { (int) (e.position.x / uiScale), (int) (e.position.y / uiScale) };
    }
}

void HollowmereEditor::mouseMove (const juce::MouseEvent& e)
{
    // Moves over a knob or gain slider leave the text their entry set.
    if (e.eventComponent != this)
        return;

    const auto point = logicalPosition (e, uiScale);

    if (scLedBounds.contains (point) || scLabelBounds.contains (point))
    {
        setMouseCursor (juce::MouseCursor::PointingHandCursor);
        helpLabel.setText (HelpTexts::toString (sidechainEnabled ? HelpTexts::sidechainOnMoving : HelpTexts::sidechainOff),
                           juce::dontSendNotification);
    }
    else if (scRowBounds.contains (point))
    {
        setMouseCursor (juce::MouseCursor::NormalCursor);
        helpLabel.setText (HelpTexts::toString (sidechainEnabled ? HelpTexts::sidechainRowOn : HelpTexts::sidechainRowOff),
                           juce::dontSendNotification);
    }
    else
    {
        setMouseCursor (juce::MouseCursor::NormalCursor);
        helpLabel.setText ({}, juce::dontSendNotification);
    }
}

void HollowmereEditor::mouseEnter (const juce::MouseEvent& e)
{
    const std::array<std::pair<const juce::Component*, const char*>, 11> childTexts {
        { { &hauntKnob, HelpTexts::haunt }, { &whisperKnob, HelpTexts::whisper }, { &seanceKnob, HelpTexts::seance },
          { &releaseKnob, HelpTexts::release }, { &wobbleFreeKnob, HelpTexts::wobbleFreeMs }, { &driftKnob, HelpTexts::drift },
          { &warpKnob, HelpTexts::warp }, { &inputGainSlider, HelpTexts::inputGain }, { &scGainSlider, HelpTexts::scGain },
          { &outputGainSlider, HelpTexts::outputGain }, { &dryWetKnob, HelpTexts::dryWet } }
    };

    for (const auto& [child, text] : childTexts)
    {
        if (e.eventComponent == child)
        {
            helpLabel.setText (HelpTexts::toString (text), juce::dontSendNotification);
            return;
        }
    }

    if (e.eventComponent != this)
        return;

    const auto point = logicalPosition (e, uiScale);

    if (scLedBounds.contains (point) || scLabelBounds.contains (point))
        helpLabel.setText (HelpTexts::toString (sidechainEnabled ? HelpTexts::sidechainOnEntering : HelpTexts::sidechainOff),
                           juce::dontSendNotification);
}

void HollowmereEditor::mouseExit (const juce::MouseEvent&)
{
    helpLabel.setText ({}, juce::dontSendNotification);
}

void HollowmereEditor::mouseDown (const juce::MouseEvent& e)
{
    const auto point = logicalPosition (e, uiScale);

    // The source choice is the editor's own from here on: only a change in the presence of a
    // sidechain (the refresh timer) overrides it again.
    if (scLedBounds.contains (point) || scLabelBounds.contains (point))
    {
        sidechainEnabled = ! sidechainEnabled;
        processorRef.apvts.getParameter (ParameterIDs::source)->setValueNotifyingHost (sidechainEnabled ? 1.0f : 0.0f);
        scGainSlider.setVisible (sidechainEnabled);
        repaint();
    }

    for (size_t i = 0; i < clipLampBounds.size(); ++i)
    {
        if (clipLampBounds[i].contains (point))
        {
            clipLatched[i] = false;
            clipFade[i] = 0.0f;
            repaint();
        }
    }
}

void HollowmereEditor::mouseDrag (const juce::MouseEvent&)
{
    // Dragging on the panel does nothing; the knobs and sliders handle their own drags.
}

void HollowmereEditor::parentHierarchyChanged()
{
    // Nothing depends on the window the editor sits in.
}
