#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The three level meters of the editor's upper panel and the sidechain lamp beside them. Each
    meter spans -60 dBFS at its left end to +12 dBFS at its right, with 0 dBFS at 60/72 of its
    width; two 2-unit bars (left and right channel) run along its middle, coloured by their
    peak hold. The gain slider laid over a meter is drawn as a white marker on it. All
    coordinates are the editor's logical units.
*/
namespace LevelMeters
{
    /** Position of a linear level on the meter, 0 to 1; 0 below 0.001 (-60 dBFS). */
    float meterPosition (float level) noexcept;

    /** A bar's colour for the meter position of its peak hold: grey, plum, pink, red. */
    juce::Colour barColour (float peakPosition) noexcept;

    /** One meter: label at its left, background, bars, 0 dBFS tick, gain marker, clip lamp
        (lit while `clipFade` is above 0.001) and outline. */
    void paintVuMeter (juce::Graphics& g, juce::Rectangle<int> bounds, float levelL, float levelR,
                       float peakL, float peakR, float clipFade, const juce::String& label,
                       const juce::Slider& gainSlider);

    /** Veils the sidechain meter while the sidechain is not the source, with a dimmer label. */
    void paintSidechainDimming (juce::Graphics& g, juce::Rectangle<int> meter);

    /** The sidechain lamp: glowing pink while selected, else pulsing red-orange with `phase`
        (radians). */
    void paintSidechainLamp (juce::Graphics& g, juce::Rectangle<int> lamp, bool selected, float phase);
}
