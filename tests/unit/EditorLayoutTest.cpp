#include "support/EditorTestSupport.h"

#include "BinaryData.h"

#include <vector>

namespace
{
    using Rect = juce::Rectangle<int>;

    struct Placement
    {
        const char* name;
        juce::Component* child;
        Rect bounds;
    };

    std::vector<Placement> expectedPlacements (HollowmereEditorInspector& e)
    {
        return {
            { "logoArea", &e.logoArea(), { 8, 4, 120, 120 } },
            { "aboutOverlay", &e.aboutOverlay(), { 0, 0, 640, 540 } },
            { "inputGainSlider", &e.inputGainSlider(), { 518, 155, 78, 14 } },
            { "scGainSlider", &e.scGainSlider(), { 518, 173, 78, 14 } },
            { "outputGainSlider", &e.outputGainSlider(), { 518, 191, 78, 14 } },
            { "dryWetKnob", &e.dryWetKnob(), { 422, 150, 60, 60 } },
            { "hauntKnob", &e.hauntKnob(), { 32, 310, 108, 166 } },
            { "whisperKnob", &e.whisperKnob(), { 148, 310, 108, 166 } },
            { "seanceKnob", &e.seanceKnob(), { 264, 310, 108, 166 } },
            { "driftKnob", &e.driftKnob(), { 380, 310, 108, 166 } },
            { "warpKnob", &e.warpKnob(), { 496, 310, 112, 166 } },
            { "releaseKnob", &e.releaseKnob(), { 291, 356, 54, 54 } },
            { "wobbleFreeKnob", &e.wobbleFreeKnob(), { 291, 356, 54, 54 } },
            { "shapeButton", &e.shapeButton(), { 307, 412, 22, 12 } },
            { "syncFreeButton", &e.syncFreeButton(), { 311, 389, 14, 15 } },
            { "hauntLabel", &e.hauntLabel(), { 32, 256, 108, 14 } },
            { "whisperLabel", &e.whisperLabel(), { 148, 256, 108, 14 } },
            { "freezeLabel", &e.freezeLabel(), { 264, 256, 108, 14 } },
            { "blurLabel", &e.blurLabel(), { 380, 256, 108, 14 } },
            { "driveLabel", &e.driveLabel(), { 496, 256, 112, 14 } },
            { "helpLabel", &e.helpLabel(), { 20, 516, 600, 20 } },
        };
    }

    struct WindowSize
    {
        int width, height;
        float scale;
        int iconPixels, warpIconPixels;
    };

    class EditorLayoutAtSize : public EditorTest, public ::testing::WithParamInterface<WindowSize> {};
}

TEST_P (EditorLayoutAtSize, EveryChildKeepsItsLogicalBoundsUnderOneUniformScale)
{
    const auto size = GetParam();
    openEditor();
    editor->setSize (size.width, size.height);

    EXPECT_EQ (editor->getWidth(), size.width);
    EXPECT_EQ (editor->getHeight(), size.height);
    EXPECT_EQ (ed().uiScale(), size.scale);

    const auto placements = expectedPlacements (ed());
    ASSERT_EQ (placements.size() + 1, (size_t) editor->getNumChildComponents());

    for (const auto& p : placements)
    {
        EXPECT_EQ (p.child->getBounds(), p.bounds) << p.name;
        EXPECT_EQ (p.child->getTransform(), juce::AffineTransform::scale (size.scale)) << p.name;
    }

    // The corner is laid out in pixels, untransformed.
    EXPECT_EQ (ed().resizeCorner().getBounds(), Rect (size.width - 16, size.height - 16, 16, 16));
    EXPECT_TRUE (ed().resizeCorner().getTransform().isIdentity());

    EXPECT_EQ (ed().logoBounds(), Rect (8, 4, 120, 120));
    EXPECT_EQ (ed().spectrumBounds(), Rect (36, 155, 376, 50));
    EXPECT_EQ (ed().scLedBounds(), Rect (492, 176, 8, 8));
    EXPECT_EQ (ed().scLabelBounds(), Rect (490, 173, 28, 14));
    EXPECT_EQ (ed().scRowBounds(), Rect (490, 173, 122, 14));

    for (int row = 0; row < 3; ++row)
    {
        EXPECT_EQ (ed().meterBounds()[(size_t) row], Rect (518, 155 + 18 * row, 94, 14)) << row;
        EXPECT_EQ (ed().clipLampBounds()[(size_t) row], Rect (596, 155 + 18 * row, 16, 14)) << row;
    }

    const Rect icons[] = { { 53, 271, 66, 66 }, { 169, 271, 66, 66 }, { 285, 271, 66, 66 },
                           { 401, 271, 66, 66 }, { 518, 271, 69, 69 } };

    for (size_t k = 0; k < 5; ++k)
    {
        EXPECT_EQ (ed().iconBounds()[k], icons[k]) << k;
        const auto pixels = k == 4 ? size.warpIconPixels : size.iconPixels;
        EXPECT_EQ (ed().iconImages()[k].getWidth(), pixels) << k;
        EXPECT_EQ (ed().iconImages()[k].getHeight(), pixels) << k;
    }
}

INSTANTIATE_TEST_SUITE_P (Sizes, EditorLayoutAtSize,
                          ::testing::Values (WindowSize { 640, 540, 1.0f, 66, 69 },
                                             WindowSize { 320, 270, 0.5f, 33, 34 },
                                             WindowSize { 1280, 1080, 2.0f, 132, 138 }));

TEST_F (EditorTest, IconsAreRenderedOnlyWhenTheirPixelSizeChanges)
{
    openEditor();
    const auto* rendered = ed().iconImages()[0].getPixelData();

    editor->setSize (641, 541);     // 66 x 1.0016 still truncates to 66 pixels
    EXPECT_EQ (ed().iconImages()[0].getPixelData(), rendered);

    editor->setSize (320, 270);
    EXPECT_NE (ed().iconImages()[0].getPixelData(), rendered);
    EXPECT_EQ (ed().iconImages()[0].getWidth(), 33);
}

TEST_F (EditorTest, HostSizeRequestsKeepTheAspectRatioAndTheMinimum)
{
    openEditor();
    EXPECT_TRUE (editor->isResizable());
    EXPECT_EQ (editor->getConstrainer(), &ed().sizeConstrainer());

    editor->setBoundsConstrained ({ 0, 0, 800, 800 });
    const auto w = editor->getWidth();
    const auto h = editor->getHeight();
    EXPECT_NEAR ((double) w / (double) h, 640.0 / 540.0, 1.0 / h) << w << " x " << h;
    EXPECT_GE (w, 640);
    EXPECT_EQ (ed().uiScale(), (float) w / 640.0f);

    editor->setBoundsConstrained ({ 0, 0, 100, 100 });
    EXPECT_EQ (editor->getWidth(), 320);
    EXPECT_EQ (editor->getHeight(), 270);
}

TEST_F (EditorTest, ChildrenStackWithTheAboutPanelOverTheControlsAndTheCornerOnTop)
{
    openEditor();
    auto& e = ed();
    const std::vector<juce::Component*> backToFront {
        &e.logoArea(), &e.seanceKnob(), &e.hauntKnob(), &e.driftKnob(), &e.warpKnob(), &e.whisperKnob(),
        &e.releaseKnob(), &e.wobbleFreeKnob(), &e.dryWetKnob(), &e.hauntLabel(), &e.whisperLabel(),
        &e.freezeLabel(), &e.blurLabel(), &e.driveLabel(), &e.helpLabel(), &e.shapeButton(),
        &e.syncFreeButton(), &e.inputGainSlider(), &e.scGainSlider(), &e.outputGainSlider(),
        &e.aboutOverlay(), &e.resizeCorner()
    };

    const auto& children = editor->getChildren();
    ASSERT_EQ (children.size(), (int) backToFront.size());

    for (size_t i = 0; i < backToFront.size(); ++i)
        EXPECT_EQ (children[(int) i], backToFront[i]) << i;

    EXPECT_FALSE (e.aboutOverlay().isVisible());
    EXPECT_TRUE (e.resizeCorner().isAlwaysOnTop());

    // The logo opens the about panel over every control, still under the corner.
    ASSERT_TRUE (e.logoArea().onClick != nullptr);
    e.logoArea().onClick();
    EXPECT_TRUE (e.aboutOverlay().isVisible());
    EXPECT_EQ (editor->getIndexOfChildComponent (&e.aboutOverlay()), children.size() - 2);
    EXPECT_EQ (children.getLast(), &e.resizeCorner());
    EXPECT_TRUE (e.aboutOverlay().getLogo().isValid());
}

TEST (EditorLogoArea, AClickThatEndsInsideTheAreaOpensTheAboutPanel)
{
    HollowmereEditor::LogoClickArea area;
    area.setBounds (0, 0, 120, 120);
    int clicks = 0;
    area.onClick = [&clicks] { ++clicks; };

    const auto release = [&area] (float x, float y)
    {
        const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), { x, y }, {},
                                  juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                                  &area, &area, juce::Time::getCurrentTime(), { 10.0f, 10.0f },
                                  juce::Time::getCurrentTime(), 1, false);
        area.mouseUp (e);
    };

    release (0.0f, 0.0f);
    release (119.4f, 60.0f);
    EXPECT_EQ (clicks, 2);

    release (120.0f, 60.0f);
    release (60.0f, -1.0f);
    EXPECT_EQ (clicks, 2);

    area.onClick = nullptr;
    release (60.0f, 60.0f);   // no callback, nothing happens
}

TEST_F (EditorTest, KnobsAndSlidersAreConfiguredAndBound)
{
    openEditor();
    auto& e = ed();

    EXPECT_EQ (&editor->getLookAndFeel(), &e.mainLook());

    for (auto* knob : { &e.hauntKnob(), &e.whisperKnob(), &e.seanceKnob(), &e.driftKnob(), &e.warpKnob() })
    {
        EXPECT_EQ (knob->getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag);
        EXPECT_EQ (knob->getTextBoxPosition(), juce::Slider::TextBoxBelow);
        EXPECT_EQ (knob->getTextBoxWidth(), 60);
        EXPECT_EQ (knob->getTextBoxHeight(), 20);
        EXPECT_TRUE (knob->isTextBoxEditable());
        EXPECT_EQ (&knob->getLookAndFeel(), &e.mainLook());
        EXPECT_EQ (knob->findColour (juce::Slider::rotarySliderFillColourId), juce::Colour (0xffff0066));
        EXPECT_EQ (knob->findColour (juce::Slider::textBoxOutlineColourId), juce::Colour (0x00000000));
        EXPECT_EQ (knob->findColour (juce::Slider::thumbColourId), juce::Colour (0xffffffff));
    }

    // The parameter's own text: two decimals for a 0-to-1 parameter.
    EXPECT_EQ (e.hauntKnob().getTextFromValue (0.5), "0.50");

    const std::pair<juce::Slider*, NimbreReleaseLookAndFeel*> small[] {
        { &e.releaseKnob(), &e.releaseKnobLook() },
        { &e.wobbleFreeKnob(), &e.freeRateKnobLook() },
        { &e.dryWetKnob(), &e.dryWetKnobLook() }
    };

    for (auto [knob, look] : small)
    {
        EXPECT_EQ (knob->getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag);
        EXPECT_EQ (knob->getTextBoxPosition(), juce::Slider::NoTextBox);
        EXPECT_EQ (&knob->getLookAndFeel(), look);
    }

    EXPECT_TRUE (e.releaseKnobLook().showTicks);
    EXPECT_FALSE (e.freeRateKnobLook().showTicks);
    EXPECT_FALSE (e.dryWetKnobLook().showTicks);
    EXPECT_EQ (e.releaseKnobLook().centreTextFn (e.releaseKnob()), NimbreReleaseLookAndFeel::snowflakeText());
    EXPECT_EQ (e.freeRateKnobLook().centreTextFn (e.wobbleFreeKnob()), "250ms");
    EXPECT_EQ (e.dryWetKnobLook().centreTextFn (e.dryWetKnob()), "100%");
    EXPECT_EQ (e.releaseKnob().getMouseDragSensitivity(), 280);

    EXPECT_TRUE (e.releaseKnob().isVisible());
    EXPECT_FALSE (e.wobbleFreeKnob().isVisible());
    EXPECT_TRUE (e.dryWetKnob().isVisible());

    for (auto* gain : { &e.inputGainSlider(), &e.scGainSlider(), &e.outputGainSlider() })
    {
        EXPECT_EQ (gain->getSliderStyle(), juce::Slider::LinearHorizontal);
        EXPECT_EQ (gain->getTextBoxPosition(), juce::Slider::NoTextBox);
        EXPECT_EQ (gain->getMinimum(), -24.0);
        EXPECT_EQ (gain->getMaximum(), 12.0);
        EXPECT_NEAR (gain->getInterval(), 0.1, 1.0e-6);
        EXPECT_EQ (gain->getMouseCursor(), juce::MouseCursor (juce::MouseCursor::LeftRightResizeCursor));

        for (auto id : { juce::Slider::trackColourId, juce::Slider::backgroundColourId, juce::Slider::thumbColourId })
            EXPECT_EQ (gain->findColour (id).getAlpha(), 0);
    }

    // Each binding runs both ways: parameter to slider and slider to parameter.
    const std::pair<juce::Slider*, const char*> bindings[] {
        { &e.inputGainSlider(), ParameterIDs::inputGain }, { &e.scGainSlider(), ParameterIDs::scGain },
        { &e.outputGainSlider(), ParameterIDs::outputGain }, { &e.seanceKnob(), ParameterIDs::seance },
        { &e.releaseKnob(), ParameterIDs::release }, { &e.wobbleFreeKnob(), ParameterIDs::wobbleFreeMs },
        { &e.hauntKnob(), ParameterIDs::haunt }, { &e.driftKnob(), ParameterIDs::drift },
        { &e.warpKnob(), ParameterIDs::warp }, { &e.whisperKnob(), ParameterIDs::whisper },
        { &e.dryWetKnob(), ParameterIDs::dryWet }
    };

    for (auto [slider, id] : bindings)
    {
        const auto range = processor.apvts.getParameterRange (id);
        const auto value = range.snapToLegalValue (range.convertFrom0to1 (0.75f));
        setParameter (id, value);
        EXPECT_NEAR (slider->getValue(), value, 1.0e-4) << id;

        const auto other = range.snapToLegalValue (range.convertFrom0to1 (0.25f));
        slider->setValue (other, juce::sendNotificationSync);
        EXPECT_NEAR (realValue (id), other, 1.0e-4) << id;
    }
}

TEST_F (EditorTest, CaptionsAndTheHelpLine)
{
    openEditor();
    auto& e = ed();
    const std::pair<juce::Label*, const char*> captions[] {
        { &e.hauntLabel(), "Haunt" }, { &e.whisperLabel(), "Whisper" }, { &e.freezeLabel(), "Freeze" },
        { &e.blurLabel(), "Blur" }, { &e.driveLabel(), "Drive" }
    };

    for (auto [label, text] : captions)
    {
        EXPECT_EQ (label->getText(), text);
        EXPECT_EQ (label->getJustificationType(), juce::Justification (juce::Justification::centred));
        EXPECT_EQ (label->getFont().getHeight(), 14.0f);
        EXPECT_TRUE (label->getFont().isBold());
        EXPECT_EQ (label->findColour (juce::Label::textColourId), juce::Colour (0xffffffff));
    }

    auto& help = e.helpLabel();
    EXPECT_EQ (help.getText(), "");
    EXPECT_EQ (help.getJustificationType(), juce::Justification (juce::Justification::centredLeft));
    EXPECT_EQ (help.getFont().getHeight(), 11.0f);
    EXPECT_FALSE (help.getFont().isBold());
    EXPECT_EQ (help.findColour (juce::Label::textColourId), juce::Colour (0x80ffffff));

    bool clicksSelf = true, clicksChildren = true;
    help.getInterceptsMouseClicks (clicksSelf, clicksChildren);
    EXPECT_FALSE (clicksSelf);
    EXPECT_FALSE (clicksChildren);

    EXPECT_EQ (e.shapeButton().helpLabel, &help);
    EXPECT_EQ (e.syncFreeButton().helpLabel, &help);
    EXPECT_EQ (e.logoArea().getMouseCursor(), juce::MouseCursor (juce::MouseCursor::PointingHandCursor));
}

TEST_F (EditorTest, OpeningReadsTheSourceAndFlashesNothing)
{
    setParameter (ParameterIDs::source, 1.0f);
    setParameter (ParameterIDs::haunt, 0.7f);
    setParameter (ParameterIDs::warp, 0.3f);
    openEditor();

    EXPECT_TRUE (ed().sidechainEnabled());
    EXPECT_FALSE (ed().lastSidechainActive());
    EXPECT_TRUE (ed().scGainSlider().isVisible());

    for (auto flash : ed().iconFlash())
        EXPECT_EQ (flash, 0.0f);

    for (auto activity : ed().iconActivity())
        EXPECT_EQ (activity, 0.3f);

    // After opening, every value change flashes its icon, from the mouse or from the host.
    ed().whisperKnob().setValue (0.4, juce::sendNotificationSync);
    setParameter (ParameterIDs::drift, 0.6f);
    EXPECT_EQ (ed().iconFlash()[1], 1.0f);
    EXPECT_EQ (ed().iconFlash()[3], 1.0f);
    EXPECT_EQ (ed().iconFlash()[0], 0.0f);
}

TEST_F (EditorTest, WithTheInputSelectedTheSidechainGainIsHidden)
{
    openEditor();
    EXPECT_FALSE (ed().sidechainEnabled());
    EXPECT_FALSE (ed().scGainSlider().isVisible());
}

TEST_F (EditorTest, TheRefreshTimerRunsEvery33Milliseconds)
{
    openEditor();
    auto& timer = ed().timer();
    EXPECT_TRUE (timer.isTimerRunning());
    EXPECT_EQ (timer.getTimerInterval(), 33);
}

TEST (EditorImages, EmbeddedImagesDecodeAtTheirSizes)
{
    const std::tuple<const char*, int, int> images[] {
        { BinaryData::BrackenfoldLogo_1024_png, BinaryData::BrackenfoldLogo_1024_pngSize, 1024 },
        { BinaryData::Icon_Nimbre_png, BinaryData::Icon_Nimbre_pngSize, 512 },
        { BinaryData::Icon_Voice_png, BinaryData::Icon_Voice_pngSize, 512 },
        { BinaryData::Icon_Shuffle_png, BinaryData::Icon_Shuffle_pngSize, 512 },
        { BinaryData::Icon_Blur_png, BinaryData::Icon_Blur_pngSize, 512 },
        { BinaryData::Icon_Overdrive_png, BinaryData::Icon_Overdrive_pngSize, 512 }
    };

    for (auto [data, size, side] : images)
    {
        const auto image = juce::ImageCache::getFromMemory (data, size);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getWidth(), side);
        EXPECT_EQ (image.getHeight(), side);
        EXPECT_TRUE (image.hasAlphaChannel());
        EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0);   // a transparent ground
    }

    EXPECT_EQ (juce::String (BinaryData::originalFilenames[0]), "BrackenfoldLogo_1024.png");
}

TEST (EditorImages, TintedIconsKeepOnlyTheAlphaOfTheirSource)
{
    const juce::Colour tint (0xff8844bb);
    const std::pair<const char*, int> icons[] {
        { BinaryData::Icon_Nimbre_png, BinaryData::Icon_Nimbre_pngSize },
        { BinaryData::Icon_Shuffle_png, BinaryData::Icon_Shuffle_pngSize },
        { BinaryData::Icon_Voice_png, BinaryData::Icon_Voice_pngSize },
        { BinaryData::Icon_Blur_png, BinaryData::Icon_Blur_pngSize },
        { BinaryData::Icon_Overdrive_png, BinaryData::Icon_Overdrive_pngSize }
    };

    for (auto [data, size] : icons)
    {
        const auto source = juce::ImageCache::getFromMemory (data, size);
        const auto tinted = HollowmereEditor::makeTintedIcon (tint, data, size);
        ASSERT_TRUE (tinted.isValid());
        ASSERT_EQ (tinted.getBounds(), source.getBounds());
        EXPECT_EQ (tinted.getFormat(), juce::Image::ARGB);

        int opaque = 0, mismatches = 0;

        for (int y = 0; y < source.getHeight(); ++y)
        {
            for (int x = 0; x < source.getWidth(); ++x)
            {
                const auto alpha = source.getPixelAt (x, y).getAlpha();
                const auto pixel = tinted.getPixelAt (x, y);
                mismatches += pixel.getAlpha() != alpha;

                if (alpha == 255)
                {
                    ++opaque;
                    mismatches += pixel != tint;
                }
            }
        }

        EXPECT_EQ (mismatches, 0);
        EXPECT_GT (opaque, 1000);   // the drawing is there
    }

    const char notAnImage[] = "not an image";
    EXPECT_FALSE (HollowmereEditor::makeTintedIcon (tint, notAnImage, (int) sizeof (notAnImage)).isValid());
}
