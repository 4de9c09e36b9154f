#include "AboutOverlay.h"

namespace
{
    constexpr float panelWidth = 320.0f;
    constexpr float panelHeight = 370.0f;
    constexpr float panelCorner = 12.0f;
    constexpr float panelOutline = 1.5f;
    constexpr float logoHeight = 64.0f;

    const juce::Colour backdropColour { 0xdd0d0818 };
    const juce::Colour panelColour { 0xff1a0f2e };
    const juce::Colour accentColour { 0xffff0066 };

    const char* const linkText = "brackenfold.com";
    const char* const linkAddress = "https://brackenfold.com";

    void drawLine (juce::Graphics& g, const juce::String& text, float x, float y, float height,
                   juce::Colour colour, float fontHeight, int style)
    {
        g.setColour (colour);
        g.setFont (juce::Font (fontHeight, style));
        g.drawText (text, juce::Rectangle<float> (x, y, panelWidth, height), juce::Justification::centred, true);
    }
}

AboutOverlay::AboutOverlay (juce::Image logoImage)
    : logo (std::move (logoImage))
{
    setInterceptsMouseClicks (true, true);
}

juce::URL AboutOverlay::makerAddress()
{
    return juce::URL (linkAddress);
}

juce::String AboutOverlay::buildStamp()
{
    return juce::String (__DATE__) + " " + juce::String (__TIME__);
}

void AboutOverlay::paint (juce::Graphics& g)
{
    g.fillAll (backdropColour);

    const auto x = (float) ((getWidth() - (int) panelWidth) / 2);
    const auto top = (float) ((getHeight() - (int) panelHeight) / 2);
    const juce::Rectangle<float> panel (x, top, panelWidth, panelHeight);

    g.setColour (panelColour);
    g.fillRoundedRectangle (panel, panelCorner);
    g.setColour (accentColour);
    g.drawRoundedRectangle (panel, panelCorner, panelOutline);

    auto y = top + 16.0f;

    if (logo.isValid())
    {
        const auto boxWidth = logoHeight * ((float) logo.getWidth() / (float) logo.getHeight());
        g.setImageResamplingQuality (juce::Graphics::highResamplingQuality);
        g.drawImage (logo, juce::Rectangle<float> (x + panelWidth / 2.0f - boxWidth / 2.0f, y, boxWidth, logoHeight),
                     juce::RectanglePlacement::centred);
        g.setImageResamplingQuality (juce::Graphics::mediumResamplingQuality);
        y += 76.0f;
    }

    const auto plain = juce::Font::plain;
    drawLine (g, "Hollowmere", x, y, 26.0f, accentColour, 22.0f, juce::Font::bold);
    y += 28.0f;
    drawLine (g, "spectral freeze & morph", x, y, 16.0f, juce::Colours::white.withAlpha ((juce::uint8) 0x73), 11.0f, plain);
    y += 26.0f;
    drawLine (g, "Designed and built by", x, y, 18.0f, juce::Colours::white.withAlpha ((juce::uint8) 0xd9), 13.0f, plain);
    y += 20.0f;
    drawLine (g, "Brackenfold", x, y, 18.0f, juce::Colours::white.withAlpha ((juce::uint8) 0xd9), 13.0f, plain);
    y += 26.0f;

    linkArea = { x, y, panelWidth, 18.0f };
    drawLine (g, linkText, x, y, 18.0f, accentColour, 12.0f, plain);
    y += 28.0f;

    drawLine (g, "v" JucePlugin_VersionString " | Build " + buildStamp(), x, y, 14.0f,
              juce::Colours::white.withAlpha ((juce::uint8) 0x4c), 10.0f, plain);
}

void AboutOverlay::mouseDown (const juce::MouseEvent& e)
{
    const auto click = e.position;

    // Half-open on both axes, like every hit rectangle of the editor.
    if (click.x >= linkArea.getX() && click.x < linkArea.getRight()
        && click.y >= linkArea.getY() && click.y < linkArea.getBottom())
    {
        if (openLink != nullptr)
            openLink (makerAddress());

        return;
    }

    setVisible (false);
}
