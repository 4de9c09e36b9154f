#include "LevelMeters.h"

#include <cmath>

namespace
{
    constexpr float zeroDbPosition = 60.0f / 72.0f;
    constexpr float labelWidth = 28.0f;
    constexpr float labelGap = 30.0f;   // from the label's left edge to the meter

    const juce::Colour meterBackground { 0xff0d0818 };
    const juce::Colour panelColour { 0xff1a0f2e };

    void drawLabel (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> meter, juce::Colour colour)
    {
        g.setColour (colour);
        g.setFont (juce::Font (10.0f, juce::Font::plain));
        g.drawText (text, juce::Rectangle<int> ((int) (meter.getX() - labelGap), (int) meter.getY(),
                                                (int) labelWidth, (int) meter.getHeight()),
                    juce::Justification::centredRight, true);
    }
}

float LevelMeters::meterPosition (float level) noexcept
{
    if (! (level >= 0.001f))
        return 0.0f;

    return juce::jlimit (0.0f, 1.0f, (20.0f * std::log10 (level) + 60.0f) / 72.0f);
}

juce::Colour LevelMeters::barColour (float p) noexcept
{
    const juce::Colour grey { 0xff2a2a2a }, plum { 0xff4a2050 }, pink { 0xffff0066 }, red { 0xffff2020 };

    const auto blend = p < 0.4f ? grey.interpolatedWith (plum, p / 0.4f)
                     : p < 0.83f ? plum.interpolatedWith (pink, (p - 0.4f) / 0.43f)
                                 : pink.interpolatedWith (red, (p - 0.83f) / 0.17f);

    return blend.withAlpha ((juce::uint8) 0xd9);
}

void LevelMeters::paintVuMeter (juce::Graphics& g, juce::Rectangle<int> bounds, float levelL, float levelR,
                                float peakL, float peakR, float clipFade, const juce::String& label,
                                const juce::Slider& gainSlider)
{
    const auto meter = bounds.toFloat();
    const auto x = meter.getX(), y = meter.getY(), w = meter.getWidth(), h = meter.getHeight();
    const auto midY = y + h / 2.0f;

    drawLabel (g, label, meter, juce::Colour (0x80ffffff));

    g.setColour (meterBackground);
    g.fillRoundedRectangle (meter, 2.0f);

    const auto left = meterPosition (levelL);
    const auto right = meterPosition (levelR);

    if (left > 0.0f)
    {
        g.setColour (barColour (meterPosition (peakL)));
        g.fillRect (juce::Rectangle<float> (x, midY - 2.0f, left * w, 2.0f));
    }

    if (right > 0.0f)
    {
        g.setColour (barColour (meterPosition (peakR)));
        g.fillRect (juce::Rectangle<float> (x, midY, right * w, 2.0f));
    }

    const auto x0 = x + w * zeroDbPosition;
    g.setColour (juce::Colour (0x26ffffff));
    g.drawVerticalLine ((int) x0, midY - 2.0f, midY + 2.0f);

    // The gain range runs from the meter's left end to the 0 dBFS tick.
    const auto minimum = gainSlider.getMinimum();
    const auto range = gainSlider.getMaximum() - minimum;
    const auto t = range > 0.0 ? (float) ((gainSlider.getValue() - minimum) / range) : 0.0f;
    const auto mx = x + t * zeroDbPosition * w;

    g.setColour (juce::Colour (0xe6ffffff));
    g.fillRect (juce::Rectangle<float> (mx - 0.5f, y, 1.0f, h));

    juce::Path diamond;
    diamond.addTriangle (mx, midY - 2.0f, mx + 2.0f, midY, mx - 2.0f, midY);
    diamond.addTriangle (mx - 2.0f, midY, mx + 2.0f, midY, mx, midY + 2.0f);
    g.fillPath (diamond);

    if (clipFade > 0.001f)
    {
        g.setColour (juce::Colour (0xffff1133).withAlpha (juce::jmin (clipFade, 1.0f)));
        g.fillRoundedRectangle (juce::Rectangle<float> (x0 + 4.0f, y + 4.0f, x + w - x0 - 8.0f, h - 8.0f), 2.0f);
    }

    g.setColour (juce::Colour (0x14ffffff));
    g.drawRoundedRectangle (meter, 2.0f, 0.5f);
}

void LevelMeters::paintSidechainDimming (juce::Graphics& g, juce::Rectangle<int> bounds)
{
    const auto meter = bounds.toFloat();

    g.setColour (juce::Colour (0xcc0d0818));
    g.fillRoundedRectangle (meter, 2.0f);
    g.setColour (juce::Colour (0x0affffff));
    g.drawRoundedRectangle (meter, 2.0f, 0.5f);

    g.setColour (panelColour);
    g.fillRect (juce::Rectangle<float> (meter.getX() - labelGap, meter.getY(), labelWidth, meter.getHeight()));

    drawLabel (g, "SC", meter, juce::Colour (0x38ffffff));
}

void LevelMeters::paintSidechainLamp (juce::Graphics& g, juce::Rectangle<int> lamp, bool selected, float phase)
{
    const auto r = lamp.toFloat();
    const auto grown = [&r] (float by)
    {
        return juce::Rectangle<float> (r.getX() - by, r.getY() - by,
                                       juce::jmax (0.0f, r.getWidth() + 2.0f * by),
                                       juce::jmax (0.0f, r.getHeight() + 2.0f * by));
    };

    if (selected)
    {
        g.setColour (juce::Colour (0x55ff0066));
        g.fillEllipse (grown (2.5f));
        g.setColour (juce::Colour (0xffff0066));
        g.fillEllipse (r);
        g.setColour (juce::Colour (0x80ffffff));
        g.drawEllipse (r, 1.0f);
        return;
    }

    const auto q = 0.5f + 0.5f * std::sin (phase);
    const juce::Colour orange { 0xffff3300 };

    g.setColour (orange.withAlpha (0.1f + 0.22f * q));
    g.fillEllipse (grown (3.5f));
    g.setColour (juce::Colour (0xff1a0f28));
    g.fillEllipse (r);
    g.setColour (orange.withAlpha (0.18f + 0.25f * q));
    g.drawEllipse (r, 1.0f);
}
