#include "PluginEditor.h"

#include "HelpTexts.h"
#include "processor/ParameterIDs.h"
#include "processor/PluginProcessor.h"

namespace
{
    const juce::Colour accent { 0xffff3d7f };

    float realValue (HollowmereProcessor& processor, const char* parameterID)
    {
        return processor.apvts.getRawParameterValue (parameterID)->load();
    }

    /** The integer part of v + 0.5: the step a stepped parameter's value stands on. */
    int roundedValue (HollowmereProcessor& processor, const char* parameterID)
    {
        return (int) (realValue (processor, parameterID) + 0.5f);
    }

    bool isFreeMode (HollowmereProcessor& processor)
    {
        return realValue (processor, ParameterIDs::wobbleMode) > 0.5f;
    }

    int shapeIndex (HollowmereProcessor& processor)
    {
        return juce::jlimit (0, 2, roundedValue (processor, ParameterIDs::wobbleShape));
    }
}

const std::array<const char*, 3> HollowmereEditor::WobbleShapeButton::shapeNames {
    "Triangle (2-way)", "Saw forward", "Saw backward"
};

void HollowmereEditor::WobbleSyncFreeButton::mouseEnter (const juce::MouseEvent&)
{
    if (helpLabel == nullptr)
        return;

    helpLabel->setText (HelpTexts::toString (isFreeMode (processorRef) ? HelpTexts::wobbleFree : HelpTexts::wobbleSync),
                        juce::dontSendNotification);
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void HollowmereEditor::WobbleSyncFreeButton::mouseExit (const juce::MouseEvent&)
{
    if (helpLabel != nullptr)
        helpLabel->setText ({}, juce::dontSendNotification);
}

void HollowmereEditor::WobbleSyncFreeButton::mouseDown (const juce::MouseEvent&)
{
    // Works whatever the wobble rate; the editor lets the button take clicks only while Freeze is on.
    processorRef.apvts.getParameter (ParameterIDs::wobbleMode)->setValueNotifyingHost (isFreeMode (processorRef) ? 0.0f : 1.0f);
    repaint();
}

void HollowmereEditor::WobbleSyncFreeButton::paint (juce::Graphics& g)
{
    const auto free = isFreeMode (processorRef);

    // In sync mode on the first rate step the padlock is hidden, though it still takes clicks.
    if (roundedValue (processorRef, ParameterIDs::release) <= 0 && ! free)
        return;

    const auto w = (float) getWidth();
    const auto h = (float) getHeight();
    const auto cx = w * 0.5f;
    const auto cy = h * 0.5f;
    const auto colour = free ? accent : juce::Colour (0xffbb7799);

    // The body's lower part lies beyond the bottom edge and is clipped there.
    const auto bodyWidth = 0.78f * w;
    const auto bodyX = cx - 0.5f * bodyWidth;
    const auto bodyY = cy + 0.12f * h;
    g.setColour (colour);
    g.fillRoundedRectangle (bodyX, bodyY, bodyWidth, 0.5f * h, 2.0f);

    g.setColour (juce::Colour (0xff180e28));
    g.fillEllipse (cx - 1.7f, bodyY + 0.15f * 0.5f * h, 3.4f, 3.0f);

    // Angles run clockwise from twelve o'clock: closed from the left over the top to the right,
    // or open, stopping about 31 degrees past twelve.
    const auto radius = 0.32f * bodyWidth;
    const auto endAngle = (free ? 2.17f : 2.5f) * juce::MathConstants<float>::pi;
    juce::Path shackle;
    shackle.addCentredArc (cx, bodyY - 0.45f * radius, radius, 0.9f * radius, 0.0f,
                           1.5f * juce::MathConstants<float>::pi, endAngle, true);
    g.setColour (colour);
    g.strokePath (shackle, juce::PathStrokeType (2.2f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

void HollowmereEditor::WobbleShapeButton::mouseEnter (const juce::MouseEvent&)
{
    if (roundedValue (processorRef, ParameterIDs::release) < 1 || helpLabel == nullptr)
        return;

    helpLabel->setText (HelpTexts::toString (HelpTexts::shapePrefix)
                            + shapeNames[(size_t) shapeIndex (processorRef)]
                            + HelpTexts::toString (HelpTexts::shapeSuffix),
                        juce::dontSendNotification);
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void HollowmereEditor::WobbleShapeButton::mouseExit (const juce::MouseEvent&)
{
    if (helpLabel != nullptr)
        helpLabel->setText ({}, juce::dontSendNotification);
}

void HollowmereEditor::WobbleShapeButton::mouseDown (const juce::MouseEvent&)
{
    // Inert, like its drawing, while the wobble rate stands on its first step.
    if (roundedValue (processorRef, ParameterIDs::release) < 1)
        return;

    const auto current = roundedValue (processorRef, ParameterIDs::wobbleShape);
    const auto next = current < 2 ? juce::jlimit (0, 2, current) + 1 : 0;
    auto* parameter = processorRef.apvts.getParameter (ParameterIDs::wobbleShape);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 ((float) next));
    repaint();
}

void HollowmereEditor::WobbleShapeButton::paint (juce::Graphics& g)
{
    if (roundedValue (processorRef, ParameterIDs::release) <= 0)
        return;

    const auto w = (float) getWidth();
    const auto h = (float) getHeight();

    g.setColour (juce::Colour (0xd92a1a3a));
    g.fillRoundedRectangle (0.0f, 0.0f, w, h, 3.0f);
    g.setColour (juce::Colour (0x80ff3d7f));
    g.drawRoundedRectangle (0.5f, 0.5f, juce::jmax (w - 1.0f, 0.0f), juce::jmax (h - 1.0f, 0.0f), 3.0f, 1.0f);

    // The wave spans x from 4 to `right` and y from 3 to `bottom`.
    const auto right = 4.0f + juce::jmax (w - 8.0f, 0.0f);
    const auto period = right + 4.0f;
    const auto bottom = 3.0f + juce::jmax (h - 6.0f, 0.0f);
    const auto middle = 3.0f + juce::jmax (h - 6.0f, 0.0f) * 0.5f;

    juce::Path wave;

    switch (shapeIndex (processorRef))
    {
        case 0:
            wave.startNewSubPath (4.0f, middle);
            wave.lineTo (0.25f * period, 3.0f);
            wave.lineTo (0.5f * period, middle);
            wave.lineTo (0.75f * period, bottom);
            wave.lineTo (right, middle);
            break;

        case 1:   // falling ramp, then a vertical rise
            wave.startNewSubPath (4.0f, 3.0f);
            wave.lineTo (right - 2.0f, bottom);
            wave.lineTo (right - 2.0f, 3.0f);
            break;

        default:  // rising ramp, then a vertical drop
            wave.startNewSubPath (4.0f, bottom);
            wave.lineTo (right - 2.0f, 3.0f);
            wave.lineTo (right - 2.0f, bottom);
            break;
    }

    g.setColour (accent);
    g.strokePath (wave, juce::PathStrokeType (1.4f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
}
