#pragma once

#include "engine/EngineConstants.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

/**
    The dark strip in the editor's upper panel. Around a faint centre line it draws the live
    spectrum rising in lavender, the nimbre spectrum hanging below in pink, and, brightest and
    last, the haunt curve: the output spectrum above the line at haunt 0, the output waveform at
    0.5 and the spectrum below the line at 1, blended in between. Everything fades with the
    smoothed dry/wet mix. Coordinates are the editor's logical units; nothing is clamped to the
    strip, so a clipping output draws beyond it.
*/
namespace SpectrumDisplay
{
    using Curve = std::array<float, EngineConstants::curvePoints>;
    using Scope = std::array<float, EngineConstants::scopeSize>;
    using Points = std::array<juce::Point<float>, EngineConstants::scopeSize>;

    /** The editor's copies of the display feeds and the values that shade the curves. */
    struct Inputs
    {
        const Curve& live;
        const Curve& nimbre;
        const Curve& output;
        const Scope& scope;     // oldest sample first, in the signal's own scale
        float haunt;            // the parameter's real value, 0 to 1
        float mix;              // smoothed dry/wet, 0 to 1
        float outputLevel;      // the louder output meter level, linear
    };

    /** The strip inside the display's bounds (2 units in on each side) and its centre line. */
    struct Geometry
    {
        explicit Geometry (juce::Rectangle<int> bounds) noexcept;

        juce::Rectangle<float> area;
        float midY;
        float halfHeight;
    };

    /** Draws the whole display; nothing when `bounds` is empty. */
    void paint (juce::Graphics& g, juce::Rectangle<int> bounds, const Inputs& inputs);

    /** A 64-point curve above (or, `downward`, below) the centre line, with a gradient fill to
        the line and a stroke. */
    void drawSpectrumCurve (juce::Graphics& g, const Geometry& geometry, const Curve& values, juce::Colour colour,
                            float strokeAlpha, float fillAlpha, float strokeWidth, bool downward);

    /** The haunt curve's points across the strip; returns how many of `points` were filled:
        256 while it morphs, 64 within 0.01 of either end, where it shows the spectrum alone. */
    int hauntCurvePoints (const Geometry& geometry, const Curve& output, const Scope& scope, float haunt,
                          Points& points) noexcept;

    /** A path through the first point, the midpoints between neighbours and the last point, with
        each interior point as the control point of a quadratic segment. */
    juce::Path smoothedCurve (const juce::Point<float>* points, int count);

    /** The curve closed along the centre line, for its fill. */
    juce::Path closedToCentreLine (const juce::Path& curve, const juce::Point<float>* points, int count, float midY);
}
