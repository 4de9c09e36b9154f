#include "editor/SpectrumDisplay.h"
#include "support/PixelProbe.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    // The display's place in the editor: (36, 155, 376, 50), drawn 2 units inside it.
    const juce::Rectangle<int> displayBounds { 36, 155, 376, 50 };
    constexpr double left = 38.0, width = 372.0, midY = 180.0, halfHeight = 23.0;

    const juce::Colour stripColour { 0xff0d0818 };

    SpectrumDisplay::Curve rampCurve()
    {
        SpectrumDisplay::Curve curve {};

        for (size_t i = 0; i < curve.size(); ++i)
            curve[i] = (float) i / 63.0f;

        return curve;
    }

    SpectrumDisplay::Scope sineScope()
    {
        SpectrumDisplay::Scope scope {};

        for (size_t i = 0; i < scope.size(); ++i)
            scope[i] = 0.8f * std::sin ((float) i * 0.1f);

        return scope;
    }

    template <typename Array>
    Array filled (float value)
    {
        Array values {};
        values.fill (value);
        return values;
    }

    /** The row of column x, within the strip, where the painted picture is brightest. */
    int brightestRow (const juce::Image& image, int x)
    {
        auto best = 157;

        for (int y = 150; y < 210; ++y)
            if (image.getPixelAt (x, y).getBrightness() > image.getPixelAt (x, best).getBrightness())
                best = y;

        return best;
    }

    juce::Image paintDisplay (const SpectrumDisplay::Inputs& inputs)
    {
        juce::Image image (juce::Image::ARGB, 640, 540, true);
        juce::Graphics g (image);
        g.fillAll (juce::Colours::black);
        SpectrumDisplay::paint (g, displayBounds, inputs);
        return image;
    }
}

TEST (SpectrumDisplay, HauntCurveMorphsFromSpectrumAboveThroughWaveformToSpectrumBelow)
{
    const SpectrumDisplay::Geometry geometry (displayBounds);
    const auto output = rampCurve();
    const auto scope = sineScope();

    for (const auto haunt : { 0.0f, 0.25f, 0.5f, 1.0f })
    {
        SCOPED_TRACE ("haunt " + juce::String (haunt));
        SpectrumDisplay::Points points;
        const auto count = SpectrumDisplay::hauntCurvePoints (geometry, output, scope, haunt, points);

        const auto morph = 1.0 - std::abs (2.0 * haunt - 1.0);
        const auto gain = 1.0 - 2.0 * haunt;
        const auto expectedCount = morph > 0.01 ? 256 : 64;
        ASSERT_EQ (count, expectedCount);

        for (int i = 0; i < count; ++i)
        {
            const auto ySpectrum = midY - halfHeight * output[(size_t) (i * 64 / count)] * gain;
            const auto yWave = midY - halfHeight * scope[(size_t) (i * 256 / count)];
            const auto y = morph < 0.01 ? ySpectrum : morph > 0.99 ? yWave : ySpectrum + (yWave - ySpectrum) * morph;

            EXPECT_NEAR (points[(size_t) i].x, left + width * i / (count - 1), 1.0e-4) << "point " << i;
            EXPECT_NEAR (points[(size_t) i].y, y, 1.0e-4) << "point " << i;
        }
    }
}

TEST (SpectrumDisplay, SmoothedCurvePassesThroughTheEndsAndTheMidpoints)
{
    const juce::Point<float> points[] { { 0.0f, 0.0f }, { 10.0f, 10.0f }, { 20.0f, 0.0f }, { 30.0f, 10.0f } };
    const auto path = SpectrumDisplay::smoothedCurve (points, 4);

    juce::Path::Iterator element (path);
    std::vector<juce::String> elements;

    while (element.next())
    {
        if (element.elementType == juce::Path::Iterator::startNewSubPath)
            elements.push_back ("move " + juce::String (element.x1) + " " + juce::String (element.y1));
        else if (element.elementType == juce::Path::Iterator::quadraticTo)
            elements.push_back ("quad " + juce::String (element.x1) + " " + juce::String (element.y1) + " "
                                + juce::String (element.x2) + " " + juce::String (element.y2));
        else if (element.elementType == juce::Path::Iterator::lineTo)
            elements.push_back ("line " + juce::String (element.x1) + " " + juce::String (element.y1));
        else
            elements.push_back ("other");
    }

    EXPECT_EQ (elements, (std::vector<juce::String> { "move 0 0", "quad 10 10 15 5", "quad 20 0 25 5", "line 30 10" }));
}

TEST (SpectrumDisplay, PaintedHauntCurveFollowsTheHauntValue)
{
    const auto silent = filled<SpectrumDisplay::Curve> (0.0f);
    const auto output = filled<SpectrumDisplay::Curve> (0.5f);
    const auto scope = filled<SpectrumDisplay::Scope> (0.5f);

    // Rows: spectrum above at 180 - 11.5, waveform at the same height, halfway between the
    // half-height spectrum (174.25) and the waveform, and the spectrum below at 180 + 11.5.
    const std::vector<std::pair<float, int>> cases { { 0.0f, 168 }, { 0.25f, 171 }, { 0.5f, 168 }, { 1.0f, 191 } };

    for (const auto& [haunt, row] : cases)
    {
        SCOPED_TRACE ("haunt " + juce::String (haunt));
        const auto image = paintDisplay ({ silent, silent, output, scope, haunt, 1.0f, 0.4f });

        for (const auto x : { 100, 200, 300 })
            EXPECT_EQ (brightestRow (image, x), row) << "column " << x;
    }
}

TEST (SpectrumDisplay, LiveCurveStaysFaintlyVisibleWhenFullyDry)
{
    const auto curve = filled<SpectrumDisplay::Curve> (0.5f);
    const auto silent = filled<SpectrumDisplay::Curve> (0.0f);
    const auto scope = filled<SpectrumDisplay::Scope> (0.0f);

    // Live and nimbre curves at half height; the haunt curve lies on the centre line.
    const auto image = paintDisplay ({ curve, curve, silent, scope, 0.5f, 0.0f, 0.0f });

    // The live stroke, 0.6 wide at alpha 0.15 around y = 168.5, covers 0.6 of row 168; no fill.
    const auto live = PixelProbe::over (PixelProbe::atAlpha (juce::Colour (0xff8a6bc8), 0.15 * 0.6), stripColour);
    EXPECT_TRUE (PixelProbe::at (image, 200, 168, live));
    EXPECT_TRUE (PixelProbe::at (image, 200, 166, stripColour, 0));

    // The nimbre curve below the line and its fill vanish.
    EXPECT_TRUE (PixelProbe::at (image, 200, 191, stripColour, 0));
    EXPECT_TRUE (PixelProbe::at (image, 200, 186, stripColour, 0));
}

TEST (SpectrumDisplay, DrawsNothingWithoutBounds)
{
    const auto curve = filled<SpectrumDisplay::Curve> (0.5f);
    const auto scope = filled<SpectrumDisplay::Scope> (0.5f);
    juce::Image image (juce::Image::ARGB, 64, 64, true);

    {
        juce::Graphics g (image);
        SpectrumDisplay::paint (g, { 0, 0, 0, 50 }, { curve, curve, curve, scope, 0.5f, 1.0f, 1.0f });
        SpectrumDisplay::paint (g, { 0, 0, 50, 0 }, { curve, curve, curve, scope, 0.5f, 1.0f, 1.0f });
    }

    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ (image.getPixelAt (x, y).getAlpha(), 0);
}
