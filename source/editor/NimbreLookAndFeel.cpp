#include "NimbreLookAndFeel.h"

namespace
{
    // Below this slider position the knob reads as "off": no value arc, a dim pointer.
    constexpr float offThreshold = 0.001f;
}

void NimbreLookAndFeel::fillTextEditorBackground (juce::Graphics&, int, int, juce::TextEditor&) {}

void NimbreLookAndFeel::drawTextEditorOutline (juce::Graphics&, int, int, juce::TextEditor&) {}

juce::Point<float> NimbreLookAndFeel::KnobGeometry::pointAt (float angle, float distance) const noexcept
{
    return { cx + distance * std::sin (angle), cy - distance * std::cos (angle) };
}

NimbreLookAndFeel::KnobGeometry NimbreLookAndFeel::geometryFor (int x, int y, int width, int height) const noexcept
{
    KnobGeometry k;
    k.cx = (float) x + (float) width * 0.5f;
    k.cy = (float) y + (float) height * 0.5f;
    k.arcRadius = (float) juce::jmin (width, height) * 0.5f - 2.0f - valueArcThickness * 0.5f;
    k.bodyRadius = k.arcRadius - valueArcThickness * 0.5f - 2.5f;
    return k;
}

void NimbreLookAndFeel::strokeKnobArc (juce::Graphics& g, const KnobGeometry& k, float fromAngle, float toAngle,
                                       float thickness, juce::Colour colour)
{
    juce::Path arc;
    arc.addCentredArc (k.cx, k.cy, k.arcRadius, k.arcRadius, 0.0f, fromAngle, toAngle, true);
    g.setColour (colour);
    g.strokePath (arc, juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

void NimbreLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                          float rotaryStartAngle, float rotaryEndAngle, juce::Slider&)
{
    const auto k = geometryFor (x, y, width, height);
    const auto r = k.bodyRadius;

    g.setColour (juce::Colour (0x4c000000));
    g.fillEllipse (k.cx - r - 0.5f, k.cy - r + 1.0f, 2.0f * r + 1.0f, 2.0f * r + 1.0f);

    g.setColour (juce::Colour (0xff1a0f2e));
    g.fillEllipse (k.cx - r, k.cy - r, 2.0f * r, 2.0f * r);

    // A faint highlight on the upper left of the rim.
    juce::Path rim;
    rim.addCentredArc (k.cx, k.cy, r - 0.5f, r - 0.5f, 0.0f, -2.5f, -0.6f, true);
    g.setColour (juce::Colour (0x0affffff));
    g.strokePath (rim, juce::PathStrokeType (1.0f));

    strokeKnobArc (g, k, rotaryStartAngle, rotaryEndAngle, trackThickness, trackColour);

    const auto valueAngle = rotaryStartAngle + sliderPos * (rotaryEndAngle - rotaryStartAngle);
    auto pointerColour = trackColour.brighter (0.3f);

    if (sliderPos > offThreshold)
    {
        strokeKnobArc (g, k, rotaryStartAngle, valueAngle, valueArcThickness, valueArcColour);
        pointerColour = valueArcColour.brighter (0.4f);
    }

    const auto d = valueArcThickness * 0.5f - 0.5f;
    const auto tip = k.pointAt (valueAngle, k.arcRadius);
    g.setColour (pointerColour);
    g.fillEllipse (tip.x - d, tip.y - d, 2.0f * d, 2.0f * d);
}
