#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The look-and-feel of the editor and of the five large effect knobs: a dark body with a soft
    shadow, a thin track arc and a thicker value arc ending in a brighter pointer dot. Knob colours
    come from these members only, never from the slider's own colour settings. All sizes are in
    the editor's logical units.
*/
class NimbreLookAndFeel : public juce::LookAndFeel_V4
{
public:
    NimbreLookAndFeel() = default;
    ~NimbreLookAndFeel() override = default;

    /** Text editors (a knob's value box while typing) get neither a background nor an outline. */
    void fillTextEditorBackground (juce::Graphics&, int width, int height, juce::TextEditor&) override;
    void drawTextEditorOutline (juce::Graphics&, int width, int height, juce::TextEditor&) override;

    void drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider) override;

    juce::Colour trackColour { 0xff251540 };
    juce::Colour valueArcColour { 0xffff0066 };
    float trackThickness = 2.5f;

    /** Stroke width of the value arc; it also sets how far the arcs sit inside the knob's area. */
    float valueArcThickness = 5.5f;

protected:
    /** Radii shared by both knob drawings, for a knob area of the given size. */
    struct KnobGeometry
    {
        float cx, cy;
        float arcRadius;
        float bodyRadius;

        /** The point at `angle` (radians, clockwise from twelve o'clock) and `distance` from the centre. */
        juce::Point<float> pointAt (float angle, float distance) const noexcept;
    };

    KnobGeometry geometryFor (int x, int y, int width, int height) const noexcept;

    /** Strokes an arc of radius R with curved joints and rounded ends. */
    static void strokeKnobArc (juce::Graphics& g, const KnobGeometry& k, float fromAngle, float toAngle,
                               float thickness, juce::Colour colour);

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NimbreLookAndFeel)
};
