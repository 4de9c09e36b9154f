#include "SpectrumDisplay.h"

#include <cmath>

namespace
{
    constexpr int curvePoints = EngineConstants::curvePoints;
    constexpr int scopePoints = EngineConstants::scopeSize;

    juce::Colour atAlpha (juce::Colour colour, float alpha) noexcept
    {
        return colour.withAlpha (juce::jlimit (0.0f, 1.0f, alpha));
    }

    juce::PathStrokeType roundStroke (float width)
    {
        return juce::PathStrokeType (width, juce::PathStrokeType::curved, juce::PathStrokeType::rounded);
    }
}

SpectrumDisplay::Geometry::Geometry (juce::Rectangle<int> bounds) noexcept
    : area (bounds.toFloat().reduced (2.0f)),
      midY (area.getY() + area.getHeight() / 2.0f),
      halfHeight (area.getHeight() / 2.0f)
{
}

juce::Path SpectrumDisplay::smoothedCurve (const juce::Point<float>* points, int count)
{
    juce::Path curve;

    if (count <= 0)
        return curve;

    curve.startNewSubPath (points[0]);

    for (int j = 2; j < count; ++j)
    {
        const auto control = points[j - 1];
        curve.quadraticTo (control, (control + points[j]) * 0.5f);
    }

    curve.lineTo (points[count - 1]);
    return curve;
}

juce::Path SpectrumDisplay::closedToCentreLine (const juce::Path& curve, const juce::Point<float>* points,
                                                int count, float midY)
{
    auto fill = curve;

    if (count > 0)
    {
        fill.lineTo (points[count - 1].x, midY);
        fill.lineTo (points[0].x, midY);
        fill.closeSubPath();
    }

    return fill;
}

void SpectrumDisplay::drawSpectrumCurve (juce::Graphics& g, const Geometry& geometry, const Curve& values,
                                         juce::Colour colour, float strokeAlpha, float fillAlpha,
                                         float strokeWidth, bool downward)
{
    const auto& a = geometry.area;
    const auto sign = downward ? -1.0f : 1.0f;
    std::array<juce::Point<float>, curvePoints> points;

    for (int i = 0; i < curvePoints; ++i)
    {
        const auto t = (float) i / (float) (curvePoints - 1);
        points[(size_t) i] = { a.getX() + a.getWidth() * t, geometry.midY - sign * geometry.halfHeight * values[(size_t) i] };
    }

    const auto curve = smoothedCurve (points.data(), curvePoints);
    const auto fill = closedToCentreLine (curve, points.data(), curvePoints, geometry.midY);

    const auto centreX = a.getX() + a.getWidth() / 2.0f;
    juce::ColourGradient gradient (atAlpha (colour, fillAlpha), centreX, geometry.midY,
                                   atAlpha (colour, 0.0f), centreX, downward ? a.getBottom() : a.getY(), false);
    gradient.addColour (0.5, atAlpha (colour, 0.55f * fillAlpha));
    g.setGradientFill (gradient);
    g.fillPath (fill);

    g.setColour (atAlpha (colour, strokeAlpha));
    g.strokePath (curve, roundStroke (strokeWidth));
}

int SpectrumDisplay::hauntCurvePoints (const Geometry& geometry, const Curve& output, const Scope& scope,
                                       float haunt, Points& points) noexcept
{
    const auto morph = 1.0f - std::abs (2.0f * haunt - 1.0f);
    const auto spectrumGain = 1.0f - 2.0f * haunt;
    const auto count = morph > 0.01f ? scopePoints : curvePoints;
    const auto& a = geometry.area;
    const auto midY = geometry.midY;
    const auto halfH = geometry.halfHeight;

    for (int i = 0; i < count; ++i)
    {
        const auto x = a.getX() + a.getWidth() * (float) i / (float) (count - 1);
        float y;

        if (morph < 0.01f)
        {
            y = midY - halfH * output[(size_t) i] * spectrumGain;
        }
        else if (morph > 0.99f)
        {
            y = midY - halfH * scope[(size_t) i];
        }
        else
        {
            // Each spectrum point covers count / 64 neighbouring positions of the waveform.
            const auto spectrumIndex = juce::jmin (i * curvePoints / count, curvePoints - 1);
            const auto scopeIndex = juce::jmin (i * scopePoints / count, scopePoints - 1);
            const auto ySpectrum = midY - halfH * output[(size_t) spectrumIndex] * spectrumGain;
            const auto yScope = midY - halfH * scope[(size_t) scopeIndex];
            y = ySpectrum + (yScope - ySpectrum) * morph;
        }

        points[(size_t) i] = { x, y };
    }

    return count;
}

void SpectrumDisplay::paint (juce::Graphics& g, juce::Rectangle<int> bounds, const Inputs& in)
{
    if (bounds.getWidth() <= 0 || bounds.getHeight() <= 0)
        return;

    const Geometry geometry (bounds);
    const auto& a = geometry.area;
    const auto mix = in.mix;

    g.setColour (juce::Colour (0xff0d0818));
    g.fillRoundedRectangle (a, 4.0f);
    g.setColour (juce::Colour (0x0dffffff));
    g.drawRoundedRectangle (a, 4.0f, 0.5f);

    g.setColour (juce::Colour (0x0fffffff));
    g.drawHorizontalLine ((int) geometry.midY, a.getX(), a.getRight());

    drawSpectrumCurve (g, geometry, in.live, juce::Colour (0xff8a6bc8),
                       0.4f * mix + 0.15f, 0.18f * mix, 0.6f * mix + 0.6f, false);
    drawSpectrumCurve (g, geometry, in.nimbre, juce::Colour (0xffff4488),
                       0.45f * mix, 0.16f * mix, 0.6f * mix + 0.6f, true);

    // The haunt curve brightens with the output level and fades, never fully, with the mix.
    const auto level = juce::jlimit (0.35f, 1.0f, in.outputLevel * 2.5f + 0.35f);
    const auto weight = 0.95f * mix + 0.05f;
    const juce::Colour lavender { 0xffb070ff }, redPink { 0xffff1a6e };
    const auto hauntColour = lavender.interpolatedWith (redPink, juce::jlimit (0.0f, 1.0f, in.haunt));

    Points points;
    const auto count = hauntCurvePoints (geometry, in.output, in.scope, in.haunt, points);
    const auto curve = smoothedCurve (points.data(), count);
    const auto fill = closedToCentreLine (curve, points.data(), count, geometry.midY);

    juce::ColourGradient gradient (atAlpha (lavender, 0.45f * level * weight), a.getX(), a.getY(),
                                   atAlpha (redPink, 0.45f * level * weight), a.getRight(), a.getBottom(), false);
    gradient.addColour (0.5, atAlpha (hauntColour, 0.35f * level * weight));
    g.setGradientFill (gradient);
    g.fillPath (fill);

    if (mix > 0.05f)
    {
        g.setColour (atAlpha (hauntColour, 0.07f * mix * level));
        g.strokePath (curve, roundStroke (10.0f));
    }

    g.setColour (atAlpha (hauntColour, 0.18f * mix * level));
    g.strokePath (curve, roundStroke (5.0f));
    g.setColour (atAlpha (hauntColour, (0.33f * mix + 0.12f) * level));
    g.strokePath (curve, roundStroke (2.8f));
    g.setColour (atAlpha (juce::Colours::white.interpolatedWith (hauntColour, 0.55f), (0.75f * mix + 0.25f) * level));
    g.strokePath (curve, roundStroke (1.4f));
}
