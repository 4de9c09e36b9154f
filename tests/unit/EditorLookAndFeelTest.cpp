#include "editor/NimbreLookAndFeel.h"
#include "editor/NimbreReleaseLookAndFeel.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
    constexpr float pi = juce::MathConstants<float>::pi;

    // The framework's default rotary range: clockwise from 216 to 504 degrees.
    constexpr float startAngle = 1.2f * pi;
    constexpr float endAngle = 2.8f * pi;

    /** What a drawing did, call by call: every filled path with the colour it was filled in, and
        every glyph with the font it was drawn in. */
    class RecordingContext final : public juce::LowLevelGraphicsContext
    {
    public:
        struct Fill { juce::Colour colour; juce::Rectangle<float> bounds; };
        struct Glyph { juce::Colour colour; juce::Font font; };

        std::vector<Fill> fills;
        std::vector<Glyph> glyphs;
        std::vector<juce::Font> fontsSet;

        bool isVectorDevice() const override { return false; }
        void setOrigin (juce::Point<int>) override {}
        void addTransform (const juce::AffineTransform&) override {}
        float getPhysicalPixelScaleFactor() override { return 1.0f; }
        bool clipToRectangle (const juce::Rectangle<int>&) override { return true; }
        bool clipToRectangleList (const juce::RectangleList<int>&) override { return true; }
        void excludeClipRectangle (const juce::Rectangle<int>&) override {}
        void clipToPath (const juce::Path&, const juce::AffineTransform&) override {}
        void clipToImageAlpha (const juce::Image&, const juce::AffineTransform&) override {}
        bool clipRegionIntersects (const juce::Rectangle<int>&) override { return true; }
        juce::Rectangle<int> getClipBounds() const override { return { 0, 0, 1000, 1000 }; }
        bool isClipEmpty() const override { return false; }
        void saveState() override {}
        void restoreState() override {}
        void beginTransparencyLayer (float) override {}
        void endTransparencyLayer() override {}
        void setFill (const juce::FillType& f) override { colour = f.colour; }
        void setOpacity (float) override {}
        void setInterpolationQuality (juce::Graphics::ResamplingQuality) override {}
        void fillRect (const juce::Rectangle<int>& r, bool) override { fills.push_back ({ colour, r.toFloat() }); }
        void fillRect (const juce::Rectangle<float>& r) override { fills.push_back ({ colour, r }); }
        void fillRectList (const juce::RectangleList<float>& r) override { fills.push_back ({ colour, r.getBounds() }); }
        void fillPath (const juce::Path& p, const juce::AffineTransform&) override { fills.push_back ({ colour, p.getBounds() }); }
        void drawImage (const juce::Image&, const juce::AffineTransform&) override {}
        void drawLine (const juce::Line<float>&) override {}
        void setFont (const juce::Font& f) override { font = f; fontsSet.push_back (f); }
        const juce::Font& getFont() override { return font; }
        void drawGlyph (int, const juce::AffineTransform&) override { glyphs.push_back ({ colour, font }); }

    private:
        juce::Colour colour;
        juce::Font font;
    };

    juce::Image paintKnob (juce::LookAndFeel_V4& look, juce::Slider& slider, int size, float sliderPos,
                           float start = startAngle, float end = endAngle)
    {
        juce::Image image (juce::Image::ARGB, size, size, true);
        juce::Graphics g (image);
        look.drawRotarySlider (g, 0, 0, size, size, sliderPos, start, end, slider);
        return image;
    }

    RecordingContext recordKnob (juce::LookAndFeel_V4& look, juce::Slider& slider, int size, float sliderPos)
    {
        RecordingContext context;
        juce::Graphics g (context);
        look.drawRotarySlider (g, 0, 0, size, size, sliderPos, startAngle, endAngle, slider);
        return context;
    }

    /** The framework's brightening: each channel c becomes 255 - (255 - c) / (1 + a), truncated. */
    juce::Colour brightened (juce::Colour c, float a)
    {
        const auto channel = [a] (juce::uint8 v) { return (juce::uint8) (255.0f - (255.0f - (float) v) / (1.0f + a)); };
        return juce::Colour (channel (c.getRed()), channel (c.getGreen()), channel (c.getBlue()), c.getAlpha());
    }

    juce::String centreText (std::function<juce::String (juce::Slider&)> fn, double value)
    {
        juce::Slider slider;
        slider.setRange (-10000.0, 10000.0, 0.0);
        slider.setValue (value, juce::dontSendNotification);
        return fn (slider);
    }
}

TEST (KnobLookAndFeel, MembersStartWithTheirColoursAndThicknesses)
{
    const NimbreLookAndFeel main;
    EXPECT_EQ (main.trackColour, juce::Colour (0xff251540));
    EXPECT_EQ (main.valueArcColour, juce::Colour (0xffff0066));
    EXPECT_EQ (main.trackThickness, 2.5f);
    EXPECT_EQ (main.valueArcThickness, 5.5f);

    const NimbreReleaseLookAndFeel release;
    EXPECT_EQ (release.trackColour, juce::Colour (0xff251540));
    EXPECT_EQ (release.valueArcColour, juce::Colour (0xffaa3380));
    EXPECT_EQ (release.trackThickness, 2.0f);
    EXPECT_EQ (release.valueArcThickness, 4.0f);
    EXPECT_TRUE (release.showTicks);

    EXPECT_EQ (brightened (main.valueArcColour, 0.4f), juce::Colour (0xffff4891));
    EXPECT_EQ (brightened (main.trackColour, 0.3f), juce::Colour (0xff574b6c));
    EXPECT_EQ (brightened (release.valueArcColour, 0.6f), juce::Colour (0xffc97faf));
}

TEST (KnobLookAndFeel, CentreTexts)
{
    const auto snowflake = juce::String::fromUTF8 ("\xe2\x9d\x84");
    EXPECT_EQ (NimbreReleaseLookAndFeel::snowflakeText(), snowflake);
    EXPECT_EQ (snowflake.length(), 1);

    const std::pair<double, juce::String> divisions[] {
        { -3.0, snowflake }, { 0.0, snowflake }, { 0.49, snowflake }, { 0.5, "1/64" }, { 1.0, "1/64" },
        { 2.0, "1/32" }, { 3.0, "1/16" }, { 4.0, "1/8" }, { 5.0, "1/4" }, { 6.0, "1/2" }, { 6.5, "1/1" },
        { 7.0, "1/1" }, { 9.0, "1/1" }
    };

    for (const auto& [value, text] : divisions)
        EXPECT_EQ (centreText (NimbreReleaseLookAndFeel::divisionNameText, value), text) << value;

    // Exact halves round to the even neighbour; the one-second threshold is on the unrounded value.
    const std::pair<double, juce::String> times[] {
        { 1.0, "1ms" }, { 250.0, "250ms" }, { 998.5, "998ms" }, { 999.0, "999ms" }, { 999.5, "1000ms" },
        { 999.99, "1000ms" }, { 1000.0, "1.0s" }, { 1500.0, "1.5s" }, { 4000.0, "4.0s" }
    };

    for (const auto& [value, text] : times)
        EXPECT_EQ (centreText (NimbreReleaseLookAndFeel::releaseTimeText, value), text) << value;

    const std::pair<double, juce::String> percentages[] {
        { 0.0, "0%" }, { 0.125, "12%" }, { 0.375, "38%" }, { 0.5, "50%" }, { 0.996, "100%" }, { 1.0, "100%" }
    };

    for (const auto& [value, text] : percentages)
        EXPECT_EQ (centreText (NimbreReleaseLookAndFeel::percentageText, value), text) << value;

    juce::Slider slider;
    EXPECT_EQ (NimbreReleaseLookAndFeel().centreTextFn (slider), snowflake);
}

TEST (KnobLookAndFeel, MainKnobPixelsWhereTheColoursAreFixed)
{
    NimbreLookAndFeel look;
    juce::Slider slider;

    // 100 x 100: centre (50, 50), arc radius 45.25, body radius 40, pointer dot radius 2.25.
    const auto half = paintKnob (look, slider, 100, 0.5f);
    EXPECT_EQ (half.getPixelAt (50, 50), juce::Colour (0xff1a0f2e));    // body
    EXPECT_EQ (half.getPixelAt (50, 90), juce::Colour (0x4c000000));    // shadow, just below the body
    EXPECT_EQ (half.getPixelAt (50, 4), juce::Colour (0xffff4891));     // pointer dot, straight up at 0.5

    const auto threeQuarters = paintKnob (look, slider, 100, 0.75f);
    EXPECT_EQ (threeQuarters.getPixelAt (50, 4), juce::Colour (0xffff0066));   // value arc over the top

    // At or below the threshold there is no value arc and the pointer is the brightened track.
    const auto off = paintKnob (look, slider, 100, 0.001f);
    EXPECT_EQ (off.getPixelAt (50, 4), juce::Colour (0xff251540));             // bare track
    const auto tip = juce::Point<float> (50.0f + 45.25f * std::sin (startAngle), 50.0f - 45.25f * std::cos (startAngle));
    EXPECT_EQ (off.getPixelAt ((int) tip.x, (int) tip.y), juce::Colour (0xff574b6c));

    const auto justOn = paintKnob (look, slider, 100, 0.002f);
    EXPECT_EQ (justOn.getPixelAt ((int) tip.x, (int) tip.y), juce::Colour (0xffff4891));
}

TEST (KnobLookAndFeel, NonSquareAreasUseTheSmallerSideAndStayCentred)
{
    NimbreLookAndFeel look;
    juce::Slider slider;
    juce::Image image (juce::Image::ARGB, 200, 100, true);
    {
        juce::Graphics g (image);
        look.drawRotarySlider (g, 0, 0, 200, 100, 0.5f, startAngle, endAngle, slider);
    }

    EXPECT_EQ (image.getPixelAt (100, 50), juce::Colour (0xff1a0f2e));
    EXPECT_EQ (image.getPixelAt (100, 4), juce::Colour (0xffff4891));
    EXPECT_EQ (image.getPixelAt (100, 90), juce::Colour (0x4c000000));
    EXPECT_EQ (image.getPixelAt (40, 50).getAlpha(), 0);
}

TEST (KnobLookAndFeel, ReleaseKnobBodyAndTheHighlightedTick)
{
    NimbreReleaseLookAndFeel look;
    look.centreTextFn = [] (juce::Slider&) { return juce::String(); };
    juce::Slider slider;

    // 101 x 101 puts the centre on a pixel centre, so a radial tick straight up covers whole pixels:
    // arc radius 46.5, body radius 42, the tick from 1.75 to 6.25 below the top edge.
    constexpr int size = 101;
    const auto plain = paintKnob (look, slider, size, 0.0f);
    EXPECT_EQ (plain.getPixelAt (50, 85), juce::Colour (0xff16092a));    // body
    EXPECT_EQ (plain.getPixelAt (50, 93).getAlpha(), 0);                  // no shadow

    // Tick i at the top: start the sweep i sevenths of it before twelve o'clock.
    const auto tickPixel = [&] (float sliderPos, int tick)
    {
        const auto sweep = endAngle - startAngle;
        const auto start = -(float) tick / 7.0f * sweep;
        return paintKnob (look, slider, size, sliderPos, start, start + sweep).getPixelAt (50, 3);
    };

    const juce::Colour highlight (0xffc97faf);
    EXPECT_EQ (tickPixel (3.0f / 7.0f, 3), highlight);
    EXPECT_EQ (tickPixel (0.0f, 0), highlight);
    EXPECT_EQ (tickPixel (1.0f, 7), highlight);
    EXPECT_NE (tickPixel (3.0f / 7.0f, 4), highlight);

    // Exactly half a step from two ticks highlights neither; a hair closer to one highlights it.
    constexpr float halfStep = 1.0f / 14.0f;
    EXPECT_NE (tickPixel (halfStep, 0), highlight);
    EXPECT_NE (tickPixel (halfStep, 1), highlight);
    EXPECT_EQ (tickPixel (std::nextafter (halfStep, 0.0f), 0), highlight);
    EXPECT_EQ (tickPixel (std::nextafter (halfStep, 1.0f), 1), highlight);

    // A plain tick is translucent white over the track.
    const auto plainTick = tickPixel (0.0f, 4);
    const auto expected = juce::Colour (0xff251540).overlaidWith (juce::Colour (0x47ffffff));
    EXPECT_NEAR (plainTick.getRed(), expected.getRed(), 2);
    EXPECT_NEAR (plainTick.getGreen(), expected.getGreen(), 2);
    EXPECT_NEAR (plainTick.getBlue(), expected.getBlue(), 2);

    look.showTicks = false;
    EXPECT_EQ (tickPixel (3.0f / 7.0f, 3), juce::Colour (0xffaa3380));    // only the value arc
}

TEST (KnobLookAndFeel, ReleaseKnobCentreTextFontAndSnowflake)
{
    NimbreReleaseLookAndFeel look;
    juce::Slider slider;
    juce::String text;
    look.centreTextFn = [&text] (juce::Slider&) { return text; };

    // 100 x 100: body radius 41.5.
    const std::pair<const char*, float> sizes[] { { "1/16", 0.55f }, { "100%", 0.55f }, { "1.5s", 0.55f },
                                                   { "250ms", 0.44f }, { "1000ms", 0.44f } };

    for (auto [t, factor] : sizes)
    {
        text = t;
        const auto drawn = recordKnob (look, slider, 100, 0.5f);
        ASSERT_FALSE (drawn.glyphs.empty()) << t;

        for (const auto& glyph : drawn.glyphs)
        {
            EXPECT_FLOAT_EQ (glyph.font.getHeight(), 41.5f * factor) << t;
            EXPECT_TRUE (glyph.font.isBold()) << t;
            EXPECT_EQ (glyph.colour, juce::Colour (0xe6ffffff)) << t;
        }
    }

    // However small the knob, the text stays readable: 20 x 20 has a body radius of 1.5.
    text = "1/16";
    const auto tiny = recordKnob (look, slider, 20, 0.5f);
    ASSERT_FALSE (tiny.fontsSet.empty());
    EXPECT_EQ (tiny.fontsSet.back().getHeight(), 7.0f);

    // The snowflake replaces the text: six arms and six bars, no glyph.
    text = NimbreReleaseLookAndFeel::snowflakeText();
    look.showTicks = false;
    const auto flake = recordKnob (look, slider, 100, 0.0f);
    EXPECT_TRUE (flake.glyphs.empty());

    std::vector<juce::Rectangle<float>> lines;

    for (const auto& fill : flake.fills)
        if (fill.colour == juce::Colour (0xe6ffffff))
            lines.push_back (fill.bounds);

    ASSERT_EQ (lines.size(), 12u);

    // The first arm points straight up from the centre, 0.42 r long, 0.09 r wide.
    const auto arm = 0.42f * 41.5f;
    const auto width = 0.09f * 41.5f;
    EXPECT_NEAR (lines[0].getCentreX(), 50.0f, 1.0e-3f);
    EXPECT_NEAR (lines[0].getWidth(), width, 1.0e-3f);
    EXPECT_NEAR (lines[0].getY(), 50.0f - arm, 1.0e-3f);
    EXPECT_NEAR (lines[0].getBottom(), 50.0f, 1.0e-3f);

    // Its bar crosses it at 55 % of its length, 0.44 a long.
    EXPECT_NEAR (lines[6].getCentreY(), 50.0f - 0.55f * arm, 1.0e-3f);
    EXPECT_NEAR (lines[6].getWidth(), 0.44f * arm, 1.0e-3f);
    EXPECT_NEAR (lines[6].getHeight(), width, 1.0e-3f);
}

TEST (KnobLookAndFeel, KnobsIgnoreTheSliderColours)
{
    const auto render = [] (juce::LookAndFeel& look, bool recolour)
    {
        juce::Slider slider (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::NoTextBox);
        slider.setLookAndFeel (&look);
        slider.setRange (0.0, 1.0);
        slider.setValue (0.6);
        slider.setBounds (0, 0, 80, 80);

        if (recolour)
            for (auto id : { juce::Slider::rotarySliderFillColourId, juce::Slider::rotarySliderOutlineColourId,
                             juce::Slider::thumbColourId, juce::Slider::trackColourId,
                             juce::Slider::backgroundColourId, juce::Slider::textBoxTextColourId })
                slider.setColour (id, juce::Colours::lime);

        auto image = slider.createComponentSnapshot (slider.getLocalBounds(), true, 1.0f);
        slider.setLookAndFeel (nullptr);
        return image;
    };

    NimbreLookAndFeel main;
    NimbreReleaseLookAndFeel release;

    for (juce::LookAndFeel* look : { static_cast<juce::LookAndFeel*> (&main), static_cast<juce::LookAndFeel*> (&release) })
    {
        const auto plain = render (*look, false);
        const auto recoloured = render (*look, true);
        int differing = 0;

        for (int y = 0; y < plain.getHeight(); ++y)
            for (int x = 0; x < plain.getWidth(); ++x)
                differing += plain.getPixelAt (x, y) != recoloured.getPixelAt (x, y);

        EXPECT_EQ (differing, 0);
    }
}

TEST (KnobLookAndFeel, TextEditorsGetNoBackgroundOrOutline)
{
    NimbreLookAndFeel look;
    juce::TextEditor editor;
    RecordingContext context;
    juce::Graphics g (context);
    look.fillTextEditorBackground (g, 60, 20, editor);
    look.drawTextEditorOutline (g, 60, 20, editor);
    EXPECT_TRUE (context.fills.empty());
}
