#include "support/EditorTestSupport.h"
#include "support/PixelProbe.h"

#include <cmath>

using PixelProbe::atAlpha;
using PixelProbe::blend;
using PixelProbe::over;

namespace
{
    const juce::Colour backdropTop { 0xff150a24 };
    const juce::Colour backdropBottom { 0xff0d0818 };
    const juce::Colour panelFill { 0xff1a0f2e };
    const juce::Colour meterBackground { 0xff0d0818 };
    const juce::Colour white { 0xffffffff };

    /** The backdrop at logical height y (pixel centre), from its two end colours over 540 units. */
    juce::Colour backdropAt (double y)
    {
        return blend (backdropTop, backdropBottom, y / 540.0);
    }

    /** A meter's bar colour for a peak-hold level, from the meter scale and the three bands. */
    juce::Colour expectedBarColour (double peak)
    {
        const auto p = peak < 0.001 ? 0.0 : juce::jlimit (0.0, 1.0, (20.0 * std::log10 (peak) + 60.0) / 72.0);
        const juce::Colour grey { 0xff2a2a2a }, plum { 0xff4a2050 }, pink { 0xffff0066 }, red { 0xffff2020 };
        const auto c = p < 0.4 ? blend (grey, plum, p / 0.4)
                     : p < 0.83 ? blend (plum, pink, (p - 0.4) / 0.43)
                                : blend (pink, red, (p - 0.83) / 0.17);
        return c.withAlpha ((juce::uint8) 0xd9);
    }

    /** The linear level at meter position p. */
    float levelAt (double p)
    {
        return (float) std::pow (10.0, (p * 72.0 - 60.0) / 20.0);
    }
}

class EditorPaintingTest : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        openEditor();
    }

    juce::Image snapshot (int width = 640)
    {
        editor->setSize (width, width * 540 / 640);
        return editor->createComponentSnapshot (editor->getLocalBounds(), true, 1.0f);
    }

    /** Only what the editor draws over its children, on a transparent ground. */
    juce::Image overlay()
    {
        juce::Image image (juce::Image::ARGB, editor->getWidth(), editor->getHeight(), true);
        juce::Graphics g (image);
        editor->paintOverChildren (g);
        return image;
    }

    void setTrail (std::initializer_list<float> oldestFirst, int ringPosition)
    {
        ed().wobbleTrailPos() = ringPosition;
        size_t k = 0;

        for (const auto value : oldestFirst)
            ed().wobbleTrail()[(size_t) (ringPosition + (int) k++) % 30] = value;
    }
};

TEST_F (EditorPaintingTest, BackdropRunsFromTopToBottomColourAndPanelsAreFilled)
{
    const auto image = snapshot();

    EXPECT_TRUE (PixelProbe::at (image, 600, 0, backdropAt (0.5)));
    EXPECT_TRUE (PixelProbe::at (image, 630, 270, backdropAt (270.5)));
    EXPECT_TRUE (PixelProbe::at (image, 600, 539, backdropAt (539.5)));

    EXPECT_TRUE (PixelProbe::at (image, 300, 145, panelFill, 0));
    EXPECT_TRUE (PixelProbe::at (image, 300, 245, panelFill, 0));
    EXPECT_TRUE (PixelProbe::at (image, 620, 230, backdropAt (230.5)));
}

TEST_F (EditorPaintingTest, PanelOutlineIsOneUnitCentredOnTheEdgeAtDoubleSize)
{
    // At 1280 wide the 1-unit line over the edge at y = 140 covers pixel rows 279 and 280 fully.
    const auto image = snapshot (1280);
    const juce::Colour outline { 0x40ff0066 };

    EXPECT_TRUE (PixelProbe::at (image, 600, 279, over (outline, backdropAt (139.75))));
    EXPECT_TRUE (PixelProbe::at (image, 600, 280, over (outline, panelFill)));
    EXPECT_TRUE (PixelProbe::at (image, 600, 282, panelFill, 0));

    // The lower panel's edge at y = 238.
    EXPECT_TRUE (PixelProbe::at (image, 600, 475, over (outline, backdropAt (237.75))));
    EXPECT_TRUE (PixelProbe::at (image, 600, 476, over (outline, panelFill)));
}

TEST_F (EditorPaintingTest, MeterBarsTakeTheirColourFromTheirOwnPeakHold)
{
    // Peak-hold positions at the band ends and band middles; each bar is at full level, so its
    // colour shows only the peak.
    const std::vector<double> peaks { 0.0005, levelAt (0.2), levelAt (0.4), levelAt (0.615), levelAt (0.83), 4.0 };

    for (size_t i = 0; i < peaks.size(); ++i)
    {
        const auto leftPeak = peaks[i];
        const auto rightPeak = peaks[(i + 1) % peaks.size()];
        SCOPED_TRACE ("left peak " + juce::String (leftPeak) + ", right peak " + juce::String (rightPeak));

        ed().meterLevels()[0] = ed().meterLevels()[1] = 4.0f;
        ed().meterPeaks()[0] = (float) leftPeak;
        ed().meterPeaks()[1] = (float) rightPeak;
        const auto image = snapshot();

        // The input meter's middle is y = 162: the left bar covers rows 160 and 161, the right 162 and 163.
        EXPECT_TRUE (PixelProbe::at (image, 530, 160, over (expectedBarColour (leftPeak), meterBackground)));
        EXPECT_TRUE (PixelProbe::at (image, 530, 161, over (expectedBarColour (leftPeak), meterBackground)));
        EXPECT_TRUE (PixelProbe::at (image, 530, 162, over (expectedBarColour (rightPeak), meterBackground)));
        EXPECT_TRUE (PixelProbe::at (image, 530, 163, over (expectedBarColour (rightPeak), meterBackground)));
    }
}

TEST_F (EditorPaintingTest, MeterBarLengthFollowsTheDecibelScale)
{
    const auto bar = over (expectedBarColour (4.0), meterBackground);
    ed().meterPeaks()[0] = 4.0f;

    // 0 dBFS reaches the tick at 518 + 94 * 60 / 72 = 596.33; +12 dBFS fills the meter.
    ed().meterLevels()[0] = 1.0f;
    auto image = snapshot();
    EXPECT_TRUE (PixelProbe::at (image, 595, 160, bar));
    EXPECT_TRUE (PixelProbe::at (image, 597, 160, meterBackground));

    ed().meterLevels()[0] = 4.0f;
    image = snapshot();
    EXPECT_TRUE (PixelProbe::at (image, 610, 160, bar));

    // Below -60 dBFS no bar at all.
    ed().meterLevels()[0] = 0.0009f;
    image = snapshot();
    EXPECT_TRUE (PixelProbe::at (image, 519, 160, meterBackground));
}

TEST_F (EditorPaintingTest, ZeroDecibelTickSpansTheMeterMiddle)
{
    const auto image = snapshot();

    for (const auto y : { 160, 163 })
        EXPECT_TRUE (PixelProbe::at (image, 596, y, over (juce::Colour (0x26ffffff), meterBackground)));

    EXPECT_TRUE (PixelProbe::at (image, 596, 158, meterBackground));
    EXPECT_TRUE (PixelProbe::at (image, 597, 161, meterBackground));
}

TEST_F (EditorPaintingTest, GainMarkerRunsFromTheMeterStartToTheZeroDecibelTick)
{
    const auto marker = over (juce::Colour (0xe6ffffff), meterBackground);

    for (const auto gain : { -24.0f, 0.0f, 12.0f })
    {
        SCOPED_TRACE ("gain " + juce::String (gain));
        setParameter (ParameterIDs::inputGain, gain);
        const auto image = snapshot (1280);

        // The marker is 1 unit wide around mx; at double size the pixel from 2 mx down is inside it.
        const auto mx = 518.0 + (gain + 24.0) / 36.0 * (60.0 / 72.0) * 94.0;
        const auto column = (int) std::floor (2.0 * mx);

        // Row 316 is logical y = 158, above the diamond and the tick; the meter's faint outline
        // crosses the marker at the meter's left end.
        EXPECT_TRUE (PixelProbe::at (image, column, 316, marker, 3));
        EXPECT_TRUE (PixelProbe::at (image, column + 3, 316, meterBackground));
    }
}

TEST_F (EditorPaintingTest, ClipLampIsLitByItsFadeAndAbsentWithoutIt)
{
    const juce::Colour lamp { 0xffff1133 };

    const std::vector<std::pair<float, juce::Colour>> cases {
        { 1.0f, lamp }, { 0.25f, over (atAlpha (lamp, 0.25), meterBackground) }, { 0.0f, meterBackground }
    };

    for (const auto& [fade, expected] : cases)
    {
        SCOPED_TRACE ("fade " + juce::String (fade));
        ed().clipFade()[2] = fade;
        const auto image = snapshot();

        // The output meter (y 191) has its lamp between x 600.33 and 604, rows 195 to 201.
        EXPECT_TRUE (PixelProbe::at (image, 602, 198, expected));
    }
}

TEST_F (EditorPaintingTest, SidechainMeterIsDimmedAndItsLampPulsesWhileNotSelected)
{
    // A full red bar in the sidechain meter (middle y = 180), and the lamp centred at (496, 180).
    for (size_t c = 2; c < 4; ++c)
        ed().meterLevels()[c] = ed().meterPeaks()[c] = 4.0f;

    const auto bar = over (expectedBarColour (4.0), meterBackground);
    const juce::Colour orange { 0xffff3300 };

    ed().sidechainEnabled() = true;
    auto image = snapshot();
    EXPECT_TRUE (PixelProbe::at (image, 530, 178, bar));
    EXPECT_TRUE (PixelProbe::at (image, 496, 180, juce::Colour (0xffff0066), 0));
    EXPECT_TRUE (PixelProbe::at (image, 490, 180, over (juce::Colour (0x55ff0066), panelFill)));

    ed().sidechainEnabled() = false;

    const std::vector<std::pair<float, double>> phases { { juce::MathConstants<float>::halfPi, 0.32 },
                                                         { 1.5f * juce::MathConstants<float>::pi, 0.1 } };

    for (const auto& [phase, glowAlpha] : phases)
    {
        SCOPED_TRACE ("phase " + juce::String (phase));
        ed().scLedPhase() = phase;
        image = snapshot();

        EXPECT_TRUE (PixelProbe::at (image, 530, 178, over (juce::Colour (0xcc0d0818), bar)));
        EXPECT_TRUE (PixelProbe::at (image, 496, 180, juce::Colour (0xff1a0f28), 0));
        EXPECT_TRUE (PixelProbe::at (image, 490, 180, over (atAlpha (orange, glowAlpha), panelFill)));
    }
}

TEST_F (EditorPaintingTest, NoWobbleTrailWhileFreezeIsOffOrTheWobbleStands)
{
    struct Case
    {
        float seance, release, mode;
        bool drawn;
    };

    const std::vector<Case> cases {
        { 0.0f, 3.0f, 0.0f, false },    // Freeze off
        { 0.5f, 0.0f, 0.0f, false },    // tempo sync on its first step: the wobble stands
        { 0.5f, 3.0f, 0.0f, true },
        { 0.5f, 0.0f, 1.0f, true },     // free running, whatever the sync step
    };

    setTrail ({ 0.0f }, 0);

    for (const auto& c : cases)
    {
        SCOPED_TRACE ("seance " + juce::String (c.seance) + ", release " + juce::String (c.release)
                      + ", mode " + juce::String (c.mode));
        setParameter (ParameterIDs::seance, c.seance);
        setParameter (ParameterIDs::release, c.release);
        setParameter (ParameterIDs::wobbleMode, c.mode);

        const auto image = overlay();
        bool anyPixel = false;

        for (int y = 0; y < image.getHeight() && ! anyPixel; ++y)
            for (int x = 0; x < image.getWidth() && ! anyPixel; ++x)
                anyPixel = image.getPixelAt (x, y).getAlpha() > 0;

        EXPECT_EQ (anyPixel, c.drawn);
    }
}

TEST_F (EditorPaintingTest, OlderTrailSegmentsAreFainter)
{
    setParameter (ParameterIDs::seance, 0.5f);   // the trail's base angle is twelve o'clock
    setParameter (ParameterIDs::release, 3.0f);

    // Equal values draw no segment; only the last four pairs differ. The ring starts mid-way.
    std::initializer_list<float> values { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                          0, 0, 0, 0, 0, 0, 0.05f, 0.10f, 0.15f, 0.20f };
    setTrail (values, 7);
    const auto image = overlay();

    // The Freeze knob (264, 310, 108, 166): arc centre (318, 383), radius 52 - 2 - 2.75.
    const auto pixelAt = [&image] (double v)
    {
        const auto angle = v * 1.5 * juce::MathConstants<double>::pi;
        return image.getPixelAt ((int) std::floor (318.0 + 49.25 * std::sin (angle)),
                                 (int) std::floor (383.0 - 49.25 * std::cos (angle)));
    };

    const juce::Colour trail { 0xffff3d7f };

    // Newest segment (0.15 to 0.2), f = 1; the oldest drawn one (0 to 0.05), f = 26 / 29.
    EXPECT_TRUE (PixelProbe::near (pixelAt (0.175), atAlpha (trail, 0.7), 2));
    EXPECT_TRUE (PixelProbe::near (pixelAt (0.025), atAlpha (trail, 0.7 * std::pow (26.0 / 29.0, 2.0)), 2));

    // Before the oldest change the values are equal: nothing drawn there.
    EXPECT_EQ (pixelAt (-0.1).getAlpha(), 0);
}

TEST_F (EditorPaintingTest, EqualTrailValuesDrawOnlyTheNeedleClampedToTheScale)
{
    setParameter (ParameterIDs::seance, 0.5f);
    setParameter (ParameterIDs::release, 3.0f);

    // 1.0 would map to 1.5 pi; it is drawn at 0.75 pi, pointing down and right.
    ed().wobbleTrail().fill (1.0f);
    ed().wobbleTrailPos() = 12;
    const auto image = overlay();

    const auto d = std::sqrt (0.5);
    const juce::Point<double> centre (318.0, 383.0), direction (d, d);
    EXPECT_TRUE (PixelProbe::at (image, 352, 417, juce::Colour (0xf2ff3d7f)));

    // Every drawn pixel lies on the needle: from 49.25 - 3.85 to 49.25 + 3.85 out, 2.5 wide.
    for (int y = 0; y < image.getHeight(); ++y)
    {
        for (int x = 0; x < image.getWidth(); ++x)
        {
            if (image.getPixelAt (x, y).getAlpha() == 0)
                continue;

            const auto offset = juce::Point<double> (x + 0.5, y + 0.5) - centre;
            const auto along = offset.x * direction.x + offset.y * direction.y;
            const auto across = std::abs (offset.x * direction.y - offset.y * direction.x);
            EXPECT_TRUE (along > 45.4 - 1.0 && along < 53.1 + 1.0 && across < 1.25 + 1.0)
                << "pixel drawn off the needle at (" << x << ", " << y << ")";
        }
    }
}

TEST_F (EditorPaintingTest, ResizeGripKeepsItsSizeInPixels)
{
    /** Pixels of the bottom-right 20 x 20 corner brighter than the backdrop of their row. */
    const auto gripPixels = [this] (int width)
    {
        const auto image = snapshot (width);
        const auto w = image.getWidth(), h = image.getHeight();
        std::vector<std::pair<int, int>> lit;

        for (int y = h - 20; y < h; ++y)
        {
            const auto backdrop = image.getPixelAt (w - 18, y);

            for (int x = w - 20; x < w; ++x)
                if (image.getPixelAt (x, y).getBrightness() > backdrop.getBrightness() + 0.03f)
                    lit.emplace_back (w - x, h - y);
        }

        return lit;
    };

    const auto small = gripPixels (640);
    EXPECT_GT (small.size(), 10u);
    EXPECT_EQ (gripPixels (1280), small);

    // The three lines end 4 pixels from the edges and reach 14 pixels in.
    for (const auto& [fromRight, fromBottom] : small)
    {
        EXPECT_TRUE (fromRight >= 3 && fromRight <= 15) << fromRight;
        EXPECT_TRUE (fromBottom >= 3 && fromBottom <= 15) << fromBottom;
    }
}
