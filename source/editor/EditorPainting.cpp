#include "PluginEditor.h"

#include "LevelMeters.h"
#include "SpectrumDisplay.h"
#include "processor/ParameterIDs.h"
#include "processor/PluginProcessor.h"

#include <array>
#include <cmath>

namespace
{
    constexpr float canvasWidth = 640.0f;
    constexpr float canvasHeight = 540.0f;
    constexpr float pi = juce::MathConstants<float>::pi;

    const juce::Colour panelFill { 0xff1a0f2e };
    const juce::Colour panelOutline { 0x40ff0066 };
    const juce::Colour accentPink { 0xffff0066 };
    const juce::Colour trailColour { 0xffff3d7f };

    /**
        The vertical backdrop gradient, top to bottom, in real pixels. Its two ends differ by a
        few levels per channel, so it is a handful of bands of one colour each: filled as solid
        bands it looks the same as a gradient fill, at a fraction of the cost of blending every
        pixel of the window.
    */
    void paintBackdrop (juce::Graphics& g, int width, int height)
    {
        const juce::Colour top { 0xff150a24 }, bottom { 0xff0d0818 };
        const auto colourOfRow = [&] (int y) { return top.interpolatedWith (bottom, ((float) y + 0.5f) / (float) height); };

        for (int start = 0; start < height;)
        {
            const auto colour = colourOfRow (start);
            auto end = start + 1;

            while (end < height && colourOfRow (end) == colour)
                ++end;

            g.setColour (colour);
            g.fillRect (0, start, width, end - start);
            start = end;
        }
    }

    void paintPanel (juce::Graphics& g, juce::Rectangle<float> area)
    {
        g.setColour (panelFill);
        g.fillRoundedRectangle (area, 8.0f);
        g.setColour (panelOutline);
        g.drawRoundedRectangle (area, 8.0f, 1.0f);
    }

    void paintLogo (juce::Graphics& g, const juce::Image& logoImage, juce::Rectangle<int> logoBounds)
    {
        if (! logoImage.isValid() || logoBounds.getWidth() <= 0)
            return;

        const auto area = logoBounds.toFloat();
        const auto centre = area.getCentre();
        // The width at which the whole image fits the area's height; it may overhang the area.
        const auto drawnWidth = area.getHeight() * ((float) logoImage.getWidth() / (float) logoImage.getHeight());
        const auto left = centre.x - drawnWidth / 2.0f;

        g.setGradientFill (juce::ColourGradient (juce::Colour (0x301a0f2e), centre.x, centre.y,
                                                 juce::Colour (0x001a0f2e), centre.x + 0.55f * drawnWidth, centre.y, true));
        g.fillRect (juce::Rectangle<float> (left - 6.0f, area.getY() - 4.0f, drawnWidth + 12.0f, area.getHeight() + 8.0f));

        g.setImageResamplingQuality (juce::Graphics::highResamplingQuality);
        g.drawImage (logoImage, (int) left, (int) area.getY(), (int) drawnWidth, (int) area.getHeight(),
                     0, 0, logoImage.getWidth(), logoImage.getHeight());
        g.setImageResamplingQuality (juce::Graphics::mediumResamplingQuality);
    }

    /** Icons are pre-scaled to their pixel size, so each maps one pixel to one pixel here. */
    template <size_t numIcons>
    void paintIcons (juce::Graphics& g, const std::array<juce::Image, numIcons>& iconImages,
                     const std::array<juce::Rectangle<int>, numIcons>& iconBounds,
                     const std::array<float, numIcons>& iconActivity, const std::array<float, numIcons>& iconFlash)
    {
        for (size_t k = 0; k < iconImages.size(); ++k)
        {
            const auto& image = iconImages[k];
            const auto area = iconBounds[k].toFloat();

            if (! image.isValid() || area.getWidth() <= 0.0f)
                continue;

            g.setOpacity (iconActivity[k]);
            g.drawImage (image, area, juce::RectanglePlacement::centred);

            if (iconFlash[k] > 0.001f)
            {
                // The icon's own shape, filled with the flash colour.
                const auto alpha = iconActivity[k] * juce::jmin (iconFlash[k], 1.0f) * 0.85f;
                g.setColour (juce::Colour (0xffd080ff).withAlpha (juce::jlimit (0.0f, 1.0f, alpha)));
                g.drawImage (image, area, juce::RectanglePlacement::centred, true);
            }
        }
    }

    juce::PathStrokeType roundStroke (float width)
    {
        return juce::PathStrokeType (width, juce::PathStrokeType::curved, juce::PathStrokeType::rounded);
    }
}

void HollowmereEditor::paint (juce::Graphics& g)
{
    paintBackdrop (g, getWidth(), getHeight());

    {
        // Everything up to the grip is drawn on the 640 x 540 canvas.
        const juce::Graphics::ScopedSaveState onCanvas (g);
        g.addTransform (juce::AffineTransform::scale (uiScale));

        // The title glow is fully transparent beyond its radius of 100, so filling the canvas
        // only changes the square around its centre; filling just that square is far cheaper.
        const juce::Rectangle<float> canvas (0.0f, 0.0f, canvasWidth, canvasHeight);
        g.setGradientFill (juce::ColourGradient (juce::Colour (0x20ff0066), 80.0f, 65.0f,
                                                 juce::Colour (0x00000000), 180.0f, 65.0f, true));
        g.fillRect (canvas.getIntersection ({ 80.0f - 100.0f, 65.0f - 100.0f, 200.0f, 200.0f }));

        g.setColour (accentPink);
        g.setFont (juce::Font (28.0f, juce::Font::bold));
        g.drawText ("Hollowmere", juce::Rectangle<int> (0, 25, 620, 32), juce::Justification::centredRight, true);

        g.setColour (juce::Colour (0x59ffffff));
        g.setFont (juce::Font (11.0f, juce::Font::plain));
        g.drawText ("spectral freeze & haunt", juce::Rectangle<int> (0, 70, 620, 16), juce::Justification::centredRight, true);

        paintLogo (g, logoImage, logoBounds);

        paintPanel (g, { 16.0f, 140.0f, 608.0f, 80.0f });

        LevelMeters::paintVuMeter (g, meterBounds[0], meterLevels[0], meterLevels[1], meterPeaks[0], meterPeaks[1],
                                   clipFade[0], "IN", inputGainSlider);
        LevelMeters::paintVuMeter (g, meterBounds[1], meterLevels[2], meterLevels[3], meterPeaks[2], meterPeaks[3],
                                   clipFade[1], "SC", scGainSlider);

        if (! sidechainEnabled)
            LevelMeters::paintSidechainDimming (g, meterBounds[1]);

        LevelMeters::paintVuMeter (g, meterBounds[2], meterLevels[4], meterLevels[5], meterPeaks[4], meterPeaks[5],
                                   clipFade[2], "OUT", outputGainSlider);
        LevelMeters::paintSidechainLamp (g, scLedBounds, sidechainEnabled, scLedPhase);

        const SpectrumDisplay::Inputs display { liveSpectrumView, nimbreSpectrumView, outputSpectrumView, scopeView,
                                                processorRef.apvts.getRawParameterValue (ParameterIDs::haunt)->load(),
                                                smoothedMix, juce::jmax (meterLevels[4], meterLevels[5]) };
        SpectrumDisplay::paint (g, spectrumBounds, display);

        paintPanel (g, { 16.0f, 238.0f, 608.0f, 260.0f });

        paintIcons (g, iconImages, iconBounds, iconActivity, iconFlash);
        g.setOpacity (1.0f);
    }

    // The grip keeps its size in real pixels at every scale.
    const auto w = (float) getWidth();
    const auto h = (float) getHeight();
    g.setColour (juce::Colour (0x33ffffff));
    g.drawLine (w - 14.0f, h - 4.0f, w - 4.0f, h - 14.0f, 1.0f);
    g.drawLine (w - 10.0f, h - 4.0f, w - 4.0f, h - 10.0f, 1.0f);
    g.drawLine (w - 6.0f, h - 4.0f, w - 4.0f, h - 6.0f, 1.0f);
}

void HollowmereEditor::paintOverChildren (juce::Graphics& g)
{
    const auto value = [this] (const char* id) { return processorRef.apvts.getRawParameterValue (id)->load(); };

    const auto freeze = value (ParameterIDs::seance);
    const auto wobbleRunning = value (ParameterIDs::wobbleMode) > 0.5f ? value (ParameterIDs::wobbleFreeMs) >= 1.0f
                                                                       : (int) (value (ParameterIDs::release) + 0.5f) > 0;

    if (! (freeze > 0.01f) || ! wobbleRunning)
        return;

    // The Freeze knob's arc, in real pixels: the dial sits above the knob's 20-unit text box.
    const auto s = uiScale;
    const auto knob = seanceKnob.getBounds().toFloat();
    const auto cx = (knob.getX() + knob.getWidth() / 2.0f) * s;
    const auto cy = (knob.getY() + (knob.getHeight() - 20.0f) / 2.0f) * s;
    const auto radius = (juce::jmin (knob.getWidth(), knob.getHeight() - 20.0f) / 2.0f - 2.0f) * s - 2.75f * s;

    // The trail's own 270-degree scale around the freeze position, clockwise from twelve o'clock.
    const auto base = freeze * 1.5f * pi - 0.75f * pi;
    const auto angleOf = [base] (float v) { return juce::jlimit (-0.75f * pi, 0.75f * pi, base + v * 1.5f * pi); };
    const auto at = [&] (size_t k) { return wobbleTrail[(size_t) (wobbleTrailPos + (int) k) % wobbleTrail.size()]; };

    const auto segments = wobbleTrail.size() - 1;

    for (size_t k = 0; k < segments; ++k)
    {
        const auto a = angleOf (at (k));
        const auto b = angleOf (at (k + 1));

        if (std::abs (a - b) < 0.002f)
            continue;

        // Older segments are thinner and fainter.
        const auto f = (float) (k + 1) / (float) segments;
        juce::Path arc;
        arc.addCentredArc (cx, cy, radius, radius, 0.0f, juce::jmin (a, b), juce::jmax (a, b), true);
        g.setColour (trailColour.withAlpha (0.7f * f * f));
        g.strokePath (arc, roundStroke ((2.0f * f + 1.5f) * s));
    }

    const auto theta = angleOf (at (segments));
    const auto pointAt = [&] (float distance)
    {
        return juce::Point<float> (cx + distance * std::sin (theta), cy - distance * std::cos (theta));
    };

    g.setColour (juce::Colour (0xf2ff3d7f));
    g.drawLine ({ pointAt (radius - 3.85f * s), pointAt (radius + 3.85f * s) }, 2.5f * s);
}
