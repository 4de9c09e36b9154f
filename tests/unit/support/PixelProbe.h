#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

/**
    Expected pixel colours built from drawing formulas, and the comparison of painted pixels with
    them. Painted pixels pass through 8-bit compositing, so channels are compared to within a
    rounding tolerance of a few levels.
*/
namespace PixelProbe
{
    /** `colour` at the alpha fraction `alpha`: the byte rounded to nearest, clamped to 0..255. */
    inline juce::Colour atAlpha (juce::Colour colour, double alpha)
    {
        const auto byte = alpha <= 0.0 ? 0 : alpha >= 1.0 ? 255 : (int) std::lround (alpha * 255.0);
        return juce::Colour ((juce::uint8) colour.getRed(), (juce::uint8) colour.getGreen(),
                             (juce::uint8) colour.getBlue(), (juce::uint8) byte);
    }

    /** Source-over of `top` on an opaque `bottom`, each channel in real arithmetic. */
    inline juce::Colour over (juce::Colour top, juce::Colour bottom)
    {
        const auto a = top.getAlpha() / 255.0;
        const auto mix = [a] (int t, int b) { return (juce::uint8) std::lround (t * a + b * (1.0 - a)); };
        return juce::Colour (mix (top.getRed(), bottom.getRed()), mix (top.getGreen(), bottom.getGreen()),
                             mix (top.getBlue(), bottom.getBlue()), (juce::uint8) 255);
    }

    /** Each channel of `from` moved linearly toward `to` by `proportion`. */
    inline juce::Colour blend (juce::Colour from, juce::Colour to, double proportion)
    {
        const auto mix = [proportion] (int f, int t) { return (juce::uint8) std::lround (f + (t - f) * proportion); };
        return juce::Colour (mix (from.getRed(), to.getRed()), mix (from.getGreen(), to.getGreen()),
                             mix (from.getBlue(), to.getBlue()), mix (from.getAlpha(), to.getAlpha()));
    }

    inline ::testing::AssertionResult near (juce::Colour actual, juce::Colour expected, int tolerance)
    {
        const auto off = [tolerance] (int a, int e) { return std::abs (a - e) > tolerance; };

        if (off (actual.getAlpha(), expected.getAlpha()) || off (actual.getRed(), expected.getRed())
            || off (actual.getGreen(), expected.getGreen()) || off (actual.getBlue(), expected.getBlue()))
            return ::testing::AssertionFailure() << "pixel " << actual.toDisplayString (true)
                                                 << ", expected " << expected.toDisplayString (true)
                                                 << " within " << tolerance;

        return ::testing::AssertionSuccess();
    }

    /** The pixel at (x, y) of `image` against `expected`. */
    inline ::testing::AssertionResult at (const juce::Image& image, int x, int y, juce::Colour expected,
                                          int tolerance = 2)
    {
        return near (image.getPixelAt (x, y), expected, tolerance) << " at (" << x << ", " << y << ")";
    }
}
