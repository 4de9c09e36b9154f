#include "NimbreReleaseLookAndFeel.h"

namespace
{
    constexpr float offThreshold = 0.001f;
    constexpr int numTicks = 8;

    // A tick is the current step when the slider is less than half a step (1/14) away from it.
    constexpr float halfStep = 0.0714285746f;

    constexpr float minimumFontHeight = 7.0f;
    const juce::Colour centreColour { 0xe6ffffff };

    // U+2744 SNOWFLAKE: the division of a wobble that does not move.
    constexpr const char* snowflakeUtf8 = "\xe2\x9d\x84";
}

NimbreReleaseLookAndFeel::NimbreReleaseLookAndFeel()
{
    trackColour = juce::Colour (0xff251540);
    valueArcColour = juce::Colour (0xffaa3380);
    trackThickness = 2.0f;
    valueArcThickness = 4.0f;
}

juce::String NimbreReleaseLookAndFeel::snowflakeText()
{
    return juce::String::fromUTF8 (snowflakeUtf8);
}

juce::String NimbreReleaseLookAndFeel::divisionNameText (juce::Slider& slider)
{
    static const char* const names[] = { snowflakeUtf8, "1/64", "1/32", "1/16", "1/8", "1/4", "1/2", "1/1" };
    const auto index = juce::jlimit (0, 7, (int) (slider.getValue() + 0.5));
    return juce::String::fromUTF8 (names[index]);
}

juce::String NimbreReleaseLookAndFeel::releaseTimeText (juce::Slider& slider)
{
    const auto ms = slider.getValue();

    if (ms >= 1000.0)
        return juce::String (ms / 1000.0, 1) + "s";

    return juce::String (juce::roundToInt (ms)) + "ms";
}

juce::String NimbreReleaseLookAndFeel::percentageText (juce::Slider& slider)
{
    return juce::String (juce::roundToInt (slider.getValue() * 100.0)) + "%";
}

void NimbreReleaseLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                                                 float sliderPos, float rotaryStartAngle, float rotaryEndAngle,
                                                 juce::Slider& slider)
{
    const auto k = geometryFor (x, y, width, height);
    const auto r = k.bodyRadius;
    const auto sweep = rotaryEndAngle - rotaryStartAngle;

    g.setColour (juce::Colour (0xff16092a));
    g.fillEllipse (k.cx - r, k.cy - r, 2.0f * r, 2.0f * r);

    strokeKnobArc (g, k, rotaryStartAngle, rotaryEndAngle, trackThickness, trackColour);

    if (sliderPos > offThreshold)
        strokeKnobArc (g, k, rotaryStartAngle, rotaryStartAngle + sliderPos * sweep, valueArcThickness, valueArcColour);

    if (showTicks)
    {
        for (int i = 0; i < numTicks; ++i)
        {
            const auto t = (float) i / (float) (numTicks - 1);
            const auto angle = rotaryStartAngle + t * sweep;
            const auto isCurrent = std::abs (sliderPos - t) < halfStep;

            g.setColour (isCurrent ? valueArcColour.brighter (0.6f) : juce::Colour (0x47ffffff));
            g.drawLine ({ k.pointAt (angle, k.arcRadius - 2.25f), k.pointAt (angle, k.arcRadius + 2.25f) },
                        isCurrent ? 2.0f : 1.0f);
        }
    }

    const auto text = centreTextFn (slider);

    if (text == snowflakeText())
    {
        drawSnowflake (g, k);
        return;
    }

    const auto fontHeight = juce::jmax (r * (text.length() < 5 ? 0.55f : 0.44f), minimumFontHeight);
    g.setColour (centreColour);
    g.setFont (juce::Font (fontHeight, juce::Font::bold));
    g.drawText (text, juce::Rectangle<float> (k.cx - r, k.cy - r, 2.0f * r, 2.0f * r), juce::Justification::centred, true);
}

void NimbreReleaseLookAndFeel::drawSnowflake (juce::Graphics& g, const KnobGeometry& k) const
{
    // Unit directions of the six arms, clockwise from twelve o'clock in steps of 60 degrees.
    constexpr float halfRoot3 = 0.866025404f;
    static constexpr float sines[] = { 0.0f, halfRoot3, halfRoot3, 0.0f, -halfRoot3, -halfRoot3 };
    static constexpr float cosines[] = { 1.0f, 0.5f, -0.5f, -1.0f, -0.5f, 0.5f };

    const auto r = k.bodyRadius;
    const auto arm = 0.42f * r;
    const auto lineWidth = juce::jmax (0.09f * r, 1.0f);
    const juce::Point<float> centre { k.cx, k.cy };

    g.setColour (centreColour);

    for (int i = 0; i < 6; ++i)
        g.drawLine ({ centre, centre + juce::Point<float> (sines[i], -cosines[i]) * arm }, lineWidth);

    for (int i = 0; i < 6; ++i)
    {
        const auto bar = centre + juce::Point<float> (sines[i], -cosines[i]) * (0.55f * arm);
        const auto across = juce::Point<float> (cosines[i], sines[i]) * (0.22f * arm);
        g.drawLine ({ bar - across, bar + across }, lineWidth);
    }
}
