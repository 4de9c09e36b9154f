#include "editor/AboutOverlay.h"

#include "BinaryData.h"
#include "support/PixelProbe.h"

#include <gtest/gtest.h>

namespace
{
    juce::Image makerLogo()
    {
        return juce::ImageCache::getFromMemory (BinaryData::BrackenfoldLogo_1024_png,
                                                BinaryData::BrackenfoldLogo_1024_pngSize);
    }

    /** A shown 640 x 540 overlay whose link opener only records what it was asked to open. */
    struct ShownOverlay
    {
        explicit ShownOverlay (juce::Image logo) : overlay (std::move (logo))
        {
            overlay.setBounds (0, 0, 640, 540);
            overlay.setVisible (true);
            overlay.openLink = [this] (const juce::URL& url) { opened.add (url.toString (false)); };
        }

        void paint() { overlay.createComponentSnapshot (overlay.getLocalBounds()); }

        void click (float x, float y)
        {
            const auto now = juce::Time::getCurrentTime();
            const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), { x, y },
                                      juce::ModifierKeys::leftButtonModifier, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                      &overlay, &overlay, now, { x, y }, now, 1, false);
            overlay.mouseDown (e);
        }

        AboutOverlay overlay;
        juce::StringArray opened;
    };
}

TEST (AboutOverlay, LinkOpensTheMakersAddressAndKeepsThePanelShown)
{
    ShownOverlay shown (makerLogo());
    shown.paint();

    // Panel top 85; logo 101 to 165; name, tagline, credit and maker's name; the link from 277.
    EXPECT_EQ (shown.overlay.getLinkArea(), juce::Rectangle<float> (160.0f, 277.0f, 320.0f, 18.0f));

    for (const auto& point : { juce::Point<float> (320.0f, 285.0f), { 160.0f, 277.0f }, { 479.9f, 294.9f } })
    {
        shown.click (point.x, point.y);
        EXPECT_TRUE (shown.overlay.isVisible()) << point.toString();
    }

    EXPECT_EQ (shown.opened, juce::StringArray ({ "https://brackenfold.com", "https://brackenfold.com",
                                                  "https://brackenfold.com" }));
}

TEST (AboutOverlay, ClickOutsideTheLinkHidesIt)
{
    // On the maker's name, just below and just right of the link, on the backdrop.
    for (const auto& point : { juce::Point<float> (320.0f, 260.0f), { 320.0f, 295.0f }, { 480.0f, 285.0f }, { 20.0f, 20.0f } })
    {
        ShownOverlay shown (makerLogo());
        shown.paint();
        shown.click (point.x, point.y);
        EXPECT_FALSE (shown.overlay.isVisible()) << point.toString();
        EXPECT_TRUE (shown.opened.isEmpty()) << point.toString();
    }
}

TEST (AboutOverlay, BeforeItsFirstPaintAnyClickHidesIt)
{
    ShownOverlay shown (makerLogo());
    shown.click (320.0f, 285.0f);

    EXPECT_FALSE (shown.overlay.isVisible());
    EXPECT_TRUE (shown.opened.isEmpty());
}

TEST (AboutOverlay, WithoutALogoTheLinesMoveUp)
{
    ShownOverlay shown ({});
    shown.paint();

    EXPECT_EQ (shown.overlay.getLinkArea(), juce::Rectangle<float> (160.0f, 277.0f - 76.0f, 320.0f, 18.0f));
}

TEST (AboutOverlay, PaintsItsBackdropAndPanel)
{
    ShownOverlay shown (makerLogo());
    const auto image = shown.overlay.createComponentSnapshot (shown.overlay.getLocalBounds());

    const juce::Colour panel { 0xff1a0f2e }, outline { 0xffff0066 };

    EXPECT_TRUE (PixelProbe::at (image, 20, 20, juce::Colour (0xdd0d0818)));
    EXPECT_TRUE (PixelProbe::at (image, 200, 430, panel, 0));

    // The outline, 1.5 wide over the panel's left edge at x = 160: a quarter of pixel 159 lies
    // on the backdrop, three quarters of pixel 160 on the panel.
    EXPECT_TRUE (PixelProbe::at (image, 160, 300, PixelProbe::over (PixelProbe::atAlpha (outline, 0.75), panel)));
    EXPECT_TRUE (PixelProbe::at (image, 162, 300, panel, 0));
}

TEST (AboutOverlay, BuildStampIsTheCompilersDateAndTime)
{
    EXPECT_TRUE (AboutOverlay::buildStamp().matchesWildcard ("??? ?? ???? ??:??:??", false));
    EXPECT_TRUE (juce::StringArray ({ "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" })
                     .contains (AboutOverlay::buildStamp().substring (0, 3)));
}
