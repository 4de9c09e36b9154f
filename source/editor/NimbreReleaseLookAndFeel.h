#pragma once

#include "NimbreLookAndFeel.h"

#include <functional>

/**
    The look-and-feel of the small knobs that show their value in their centre instead of in a
    text box: a plain body, thinner arcs, optional step ticks, and a centre text (or, for the
    text "❄", a snowflake glyph).
*/
class NimbreReleaseLookAndFeel : public NimbreLookAndFeel
{
public:
    NimbreReleaseLookAndFeel();
    ~NimbreReleaseLookAndFeel() override = default;

    void drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider) override;

    /** Draws eight ticks, one per step of a 0-to-7 parameter, the current one highlighted. */
    bool showTicks = true;

    /** Gives the knob's centre text; never empty. */
    std::function<juce::String (juce::Slider&)> centreTextFn { divisionNameText };

    /** The wobble division for a 0-to-7 value: "❄" (no wobble), then "1/64" to "1/1" of a bar. */
    static juce::String divisionNameText (juce::Slider& slider);

    /** A time in milliseconds: "250ms" below one second, "1.5s" from one second up. */
    static juce::String releaseTimeText (juce::Slider& slider);

    /** A 0-to-1 value as a whole percentage, "50%". */
    static juce::String percentageText (juce::Slider& slider);

    /** The centre text that is drawn as a snowflake glyph. */
    static juce::String snowflakeText();

private:
    void drawSnowflake (juce::Graphics& g, const KnobGeometry& k) const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NimbreReleaseLookAndFeel)
};
