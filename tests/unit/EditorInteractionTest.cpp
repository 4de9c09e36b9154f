#include "support/EditorTestSupport.h"

#include <vector>

namespace
{
    using Point = juce::Point<float>;

    // The expected texts, written out here so that a typo in the editor's copy shows.
    const juce::String dash (juce::CharPointer_UTF8 ("\xe2\x80\x94"));

    juce::String utf8 (const char* text) { return juce::String (juce::CharPointer_UTF8 (text)); }

    /** Records what a parameter tells its listeners (the host is told the same way). */
    struct ParameterWatch final : juce::AudioProcessorParameter::Listener
    {
        explicit ParameterWatch (juce::AudioProcessorParameter& p) : parameter (p) { parameter.addListener (this); }
        ~ParameterWatch() override { parameter.removeListener (this); }

        void parameterValueChanged (int, float newValue) override { values.push_back (newValue); }
        void parameterGestureChanged (int, bool) override { ++gestures; }

        juce::AudioProcessorParameter& parameter;
        std::vector<float> values;
        int gestures = 0;
    };

    /**
        Sends mouse events the way the framework routes them: to the component under the pointer
        (found by the framework's own hit test, through the children's scale transforms), in that
        component's coordinates, then to the editor for the children it listens to (its knobs and
        gain sliders). The pressed component keeps the drags and the release.
    */
    class Pointer
    {
    public:
        Pointer (HollowmereEditor& e, std::vector<juce::Component*> listenedChildren)
            : editor (e), listened (std::move (listenedChildren))
        {
        }

        /** The component the framework finds under a pixel of the editor. */
        juce::Component* hit (Point pixel) { return editor.getComponentAt (pixel); }

        /** Crosses into the component under the pixel, without a move after the entry. */
        void enter (Point pixel)
        {
            auto* target = hit (pixel);

            if (target != over)
            {
                leave();
                over = target;

                if (over != nullptr)
                    send (over, pixel, [] (juce::MouseListener& l, const juce::MouseEvent& ev) { l.mouseEnter (ev); });
            }
        }

        void moveTo (Point pixel)
        {
            enter (pixel);

            if (over != nullptr)
                send (over, pixel, [] (juce::MouseListener& l, const juce::MouseEvent& ev) { l.mouseMove (ev); });
        }

        void leave()
        {
            if (over != nullptr)
                send (over, lastPixel, [] (juce::MouseListener& l, const juce::MouseEvent& ev) { l.mouseExit (ev); });

            over = nullptr;
        }

        void press (Point pixel, juce::ModifierKeys buttons = juce::ModifierKeys::leftButtonModifier, int clicks = 1)
        {
            moveTo (pixel);
            pressed = over;
            downPixel = pixel;
            modifiers = buttons;
            numClicks = clicks;

            if (pressed != nullptr)
                send (pressed, pixel, [] (juce::MouseListener& l, const juce::MouseEvent& ev) { l.mouseDown (ev); });
        }

        void dragTo (Point pixel)
        {
            if (pressed != nullptr)
                send (pressed, pixel, [] (juce::MouseListener& l, const juce::MouseEvent& ev) { l.mouseDrag (ev); });
        }

        void release (Point pixel)
        {
            if (pressed == nullptr)
                return;

            send (pressed, pixel, [] (juce::MouseListener& l, const juce::MouseEvent& ev) { l.mouseUp (ev); });

            if (numClicks >= 2)
                send (pressed, pixel, [] (juce::MouseListener& l, const juce::MouseEvent& ev) { l.mouseDoubleClick (ev); });

            pressed = nullptr;
            modifiers = {};
            numClicks = 1;
        }

        void click (Point pixel, juce::ModifierKeys buttons = juce::ModifierKeys::leftButtonModifier)
        {
            press (pixel, buttons);
            release (pixel);
        }

        void doubleClick (Point pixel)
        {
            click (pixel);
            press (pixel, juce::ModifierKeys::leftButtonModifier, 2);
            release (pixel);
        }

    private:
        template <typename Handler>
        void send (juce::Component* target, Point pixel, Handler handler)
        {
            lastPixel = pixel;
            const auto now = juce::Time::getCurrentTime();
            const juce::MouseEvent ev (juce::Desktop::getInstance().getMainMouseSource(),
                                       target->getLocalPoint (&editor, pixel), modifiers,
                                       juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                                       target, target, now, target->getLocalPoint (&editor, downPixel), now,
                                       numClicks, pressed != nullptr && pixel != downPixel);
            handler (*target, ev);

            if (target != &editor && std::find (listened.begin(), listened.end(), target) != listened.end())
                handler (editor, ev);
        }

        HollowmereEditor& editor;
        std::vector<juce::Component*> listened;
        juce::Component* over = nullptr;
        juce::Component* pressed = nullptr;
        Point lastPixel, downPixel;
        juce::ModifierKeys modifiers;
        int numClicks = 1;
    };

    /** Runs at the window widths 640 (uiScale 1) and 320 (uiScale 0.5). */
    class EditorInteraction : public EditorTest, public ::testing::WithParamInterface<int>
    {
    protected:
        void open()
        {
            openEditor();
            editor->setSize (GetParam(), GetParam() * 540 / 640);
            ASSERT_EQ (ed().uiScale(), (float) GetParam() / 640.0f);
            editor->setVisible (true);   // as a host shows it; hidden components get no mouse

            auto& e = ed();
            pointer = std::make_unique<Pointer> (*editor, std::vector<juce::Component*> {
                &e.seanceKnob(), &e.releaseKnob(), &e.wobbleFreeKnob(), &e.hauntKnob(), &e.driftKnob(),
                &e.warpKnob(), &e.whisperKnob(), &e.dryWetKnob(),
                &e.inputGainSlider(), &e.scGainSlider(), &e.outputGainSlider() });
        }

        void TearDown() override
        {
            pointer.reset();
            EditorTest::TearDown();
        }

        /** A point of the 640 x 540 canvas in window pixels. */
        Point px (float x, float y) const { return { x * scale(), y * scale() }; }
        Point centreOf (juce::Component& c) const
        {
            const auto centre = c.getBounds().getCentre();
            return px ((float) centre.x, (float) centre.y);
        }

        float scale() const { return (float) GetParam() / 640.0f; }
        juce::String help() { return ed().helpLabel().getText(); }
        juce::MouseCursor cursor() { return editor->getMouseCursor(); }
        juce::AudioProcessorParameter& parameter (const char* id) { return *processor.apvts.getParameter (id); }

        /** Freeze on and one tick, so the wobble buttons take clicks. */
        void freezeOn()
        {
            setParameter (ParameterIDs::seance, 0.5f);
            tick();
        }

        std::unique_ptr<Pointer> pointer;
    };

    juce::MouseCursor pointingHand() { return juce::MouseCursor::PointingHandCursor; }
    juce::MouseCursor arrow() { return juce::MouseCursor::NormalCursor; }

    /** The largest difference of any channel of any pixel; the images have one size. */
    int largestDifference (const juce::Image& a, const juce::Image& b)
    {
        int largest = 0;

        for (int y = 0; y < a.getHeight(); ++y)
        {
            for (int x = 0; x < a.getWidth(); ++x)
            {
                const auto p = a.getPixelAt (x, y);
                const auto q = b.getPixelAt (x, y);
                for (const auto difference : { p.getAlpha() - q.getAlpha(), p.getRed() - q.getRed(),
                                               p.getGreen() - q.getGreen(), p.getBlue() - q.getBlue() })
                    largest = juce::jmax (largest, std::abs (difference));
            }
        }

        return largest;
    }

    template <typename Draw>
    juce::Image picture (int width, int height, Draw draw)
    {
        juce::Image image (juce::Image::ARGB, width, height, true);
        juce::Graphics g (image);
        draw (g);
        return image;
    }

    void setReal (HollowmereProcessor& processor, const char* id, float value)
    {
        auto* parameter = processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }
}

TEST_P (EditorInteraction, TheHelpLineFollowsThePointerOverEveryKnobAndGainSlider)
{
    setParameter (ParameterIDs::source, 1.0f);   // the SC gain slider is shown
    open();
    auto& e = ed();

    const struct
    {
        juce::Component* child;
        const char* text;
        bool freeMode;
        Point spot;   // on the canvas; the Freeze dial's centre is the small knob's
    } cases[] = {
        { &e.hauntKnob(), "Haunt \xe2\x80\x94 morphs the live signal toward the captured nimbre spectrum", false, {} },
        { &e.whisperKnob(), "Whisper \xe2\x80\x94 Transfer the nimbre\xe2\x80\x99s spectral character onto the live signal", false, {} },
        { &e.seanceKnob(), "Freeze \xe2\x80\x94 scrub and freeze spectral history (one bar)", false, { 275.0f, 340.0f } },
        { &e.releaseKnob(), "Autoscrub \xe2\x80\x94 tempo-synced wobble: left=fast (1/64 bar) \xe2\x86\x92 right=slow (1/1 bar)", false, {} },
        { &e.wobbleFreeKnob(), "Autoscrub FREE \xe2\x80\x94 stepless wobble rate in milliseconds (lock icon to switch back to sync)", true, {} },
        { &e.driftKnob(), "Drift \xe2\x80\x94 smear the nimbre spectrum into an atmospheric wash", false, {} },
        { &e.warpKnob(), "Warp \xe2\x80\x94 saturate the nimbre spectrum before blending", false, {} },
        { &e.dryWetKnob(), "Dry/Wet \xe2\x80\x94 mix between dry input and processed nimbre signal", false, {} },
        { &e.inputGainSlider(), "Input Gain \xe2\x80\x94 adjust input level (dB)", false, {} },
        { &e.scGainSlider(), "SC Gain \xe2\x80\x94 adjust sidechain level (dB)", false, {} },
        { &e.outputGainSlider(), "Output Gain \xe2\x80\x94 adjust output level (dB)", false, {} },
    };

    const auto background = px (300.0f, 240.0f);

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.text);
        setParameter (ParameterIDs::wobbleMode, c.freeMode ? 1.0f : 0.0f);
        tick();

        pointer->moveTo (background);
        ASSERT_EQ (pointer->hit (background), editor.get());
        EXPECT_EQ (help(), "");

        // Entering sets the text; moving over the child keeps it; leaving clears it.
        const auto inside = c.spot.isOrigin() ? centreOf (*c.child) : px (c.spot.x, c.spot.y);
        ASSERT_EQ (pointer->hit (inside), c.child);
        pointer->moveTo (inside);
        EXPECT_EQ (help(), utf8 (c.text));
        pointer->moveTo (inside + Point (2.0f, 1.0f));
        EXPECT_EQ (help(), utf8 (c.text));

        pointer->moveTo (background);
        EXPECT_EQ (help(), "");
        pointer->moveTo (background + Point (5.0f, 5.0f));
        EXPECT_EQ (help(), "");
    }

    // The texts carry the em dash as its own code point, not as its three UTF-8 bytes.
    EXPECT_TRUE (dash.length() == 1 && dash[0] == 0x2014);
    pointer->moveTo (centreOf (e.hauntKnob()));
    EXPECT_EQ (help().indexOfChar (0x2014), 6);
}

TEST_P (EditorInteraction, TheSidechainRowTexts)
{
    open();
    const auto lamp = px (495.0f, 179.0f);
    const auto caption = px (512.0f, 184.0f);
    const auto rowEnd = px (604.0f, 180.0f);   // in the row, right of the SC gain slider
    const auto elsewhere = px (300.0f, 100.0f);

    const juce::String offText = "Sidechain OFF " + dash + " Click to enable (connect a sidechain source in your DAW)";

    for (auto* spot : { &lamp, &caption, &rowEnd })
        ASSERT_EQ (pointer->hit (*spot), editor.get());

    // Sidechain off.
    pointer->moveTo (lamp);
    EXPECT_EQ (help(), offText);
    EXPECT_EQ (cursor(), pointingHand());
    pointer->moveTo (rowEnd);
    EXPECT_EQ (help(), "Sidechain inactive " + dash + utf8 (" click the radio switch or \xe2\x80\x98SC\xe2\x80\x99 label to enable"));
    EXPECT_EQ (cursor(), arrow());
    pointer->moveTo (caption);
    EXPECT_EQ (help(), offText);
    EXPECT_EQ (cursor(), pointingHand());
    pointer->moveTo (elsewhere);
    EXPECT_EQ (help(), "");
    EXPECT_EQ (cursor(), arrow());

    // Entering the window over the lamp or caption.
    pointer->leave();
    pointer->enter (caption);
    EXPECT_EQ (help(), offText);
    pointer->leave();
    EXPECT_EQ (help(), "");

    ed().sidechainEnabled() = true;
    pointer->enter (lamp);
    EXPECT_EQ (help(), "Sidechain ON " + dash + " Click to disable");   // one blank on entering
    pointer->moveTo (lamp + Point (1.0f, 0.0f));
    EXPECT_EQ (help(), "Sidechain ON  " + dash + " Click to disable");  // two blanks while moving
    pointer->moveTo (rowEnd);
    EXPECT_EQ (help(), "Sidechain active " + dash + utf8 (" click the radio switch or \xe2\x80\x98SC\xe2\x80\x99 label to disable"));

    // Entering the window elsewhere leaves the text as it was.
    ed().helpLabel().setText ("kept", juce::dontSendNotification);
    editor->mouseEnter (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), elsewhere, {},
                                          juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                                          editor.get(), editor.get(), juce::Time(), elsewhere, juce::Time(), 1, false));
    EXPECT_EQ (help(), "kept");
}

TEST_P (EditorInteraction, ClickingTheLampOrCaptionSwitchesTheSidechain)
{
    open();
    ParameterWatch source (parameter (ParameterIDs::source));
    auto& e = ed();

    // At half size the lamp's logical (492, 176) is the pixel (246, 88).
    const auto lamp = GetParam() == 320 ? Point (246.0f, 88.0f) : px (492.0f, 176.0f);
    const auto caption = px (515.0f, 185.0f);

    pointer->click (lamp);
    EXPECT_TRUE (e.sidechainEnabled());
    EXPECT_EQ (realValue (ParameterIDs::source), 1.0f);
    EXPECT_EQ (source.values, std::vector<float> { 1.0f });
    EXPECT_EQ (source.gestures, 0);
    EXPECT_TRUE (e.scGainSlider().isVisible());
    EXPECT_FALSE (e.lastSidechainActive());

    pointer->moveTo (lamp + Point (1.0f, 1.0f));
    EXPECT_EQ (help(), "Sidechain ON  " + dash + " Click to disable");

    // Host automation of the source changes neither the lamp nor the slider.
    setParameter (ParameterIDs::source, 0.0f);
    tick (2);
    EXPECT_TRUE (e.sidechainEnabled());
    EXPECT_TRUE (e.scGainSlider().isVisible());

    pointer->click (caption);
    EXPECT_FALSE (e.sidechainEnabled());
    EXPECT_EQ (source.values.back(), 0.0f);
    EXPECT_FALSE (e.scGainSlider().isVisible());

    setParameter (ParameterIDs::source, 1.0f);
    tick (2);
    EXPECT_FALSE (e.sidechainEnabled());
    EXPECT_FALSE (e.scGainSlider().isVisible());

    // A sidechain appearing takes over again, and so does its disappearing.
    processor.feeds.sidechainActive = true;
    tick();
    EXPECT_TRUE (e.sidechainEnabled());
    EXPECT_TRUE (e.scGainSlider().isVisible());
    processor.feeds.sidechainActive = false;
    tick();
    EXPECT_FALSE (e.sidechainEnabled());
    EXPECT_EQ (realValue (ParameterIDs::source), 0.0f);
    EXPECT_FALSE (e.scGainSlider().isVisible());

    // Any button switches; a click beside the caption does not.
    pointer->click (lamp, juce::ModifierKeys::rightButtonModifier);
    EXPECT_TRUE (e.sidechainEnabled());
    pointer->click (px (488.0f, 180.0f));
    EXPECT_TRUE (e.sidechainEnabled());
}

TEST_P (EditorInteraction, AClickOnAClipLampClearsIt)
{
    open();
    auto& e = ed();
    const auto light = [&e]
    {
        for (size_t i = 0; i < 3; ++i)
        {
            e.clipLatched()[i] = true;
            e.clipFade()[i] = 0.6f;
        }
    };

    light();
    const auto lamp = px (600.0f, 195.0f);
    ASSERT_EQ (pointer->hit (lamp), editor.get());
    pointer->click (lamp);
    EXPECT_FALSE (e.clipLatched()[2]);
    EXPECT_EQ (e.clipFade()[2], 0.0f);
    EXPECT_TRUE (e.clipLatched()[0] && e.clipLatched()[1]);
    EXPECT_EQ (e.clipFade()[0], 0.6f);

    // One unit to the left is the output gain slider: its press reaches the editor, which
    // leaves the lamp alone.
    light();
    const auto slider = px (595.0f, 195.0f);
    ASSERT_EQ (pointer->hit (slider), &e.outputGainSlider());
    pointer->click (slider);
    EXPECT_TRUE (e.clipLatched()[2]);
    EXPECT_EQ (e.clipFade()[2], 0.6f);

    // Any button clears; the timer does not relight a cleared lamp without a new clip.
    pointer->click (px (611.0f, 155.0f), juce::ModifierKeys::rightButtonModifier);
    EXPECT_FALSE (e.clipLatched()[0]);
    EXPECT_EQ (e.clipFade()[0], 0.0f);
    tick();
    EXPECT_EQ (e.clipFade()[0], 0.0f);
}

TEST_P (EditorInteraction, TheLogoOpensTheAboutPanelOnAReleaseInside)
{
    open();
    auto& e = ed();
    const auto logo = px (60.0f, 60.0f);
    ASSERT_EQ (pointer->hit (logo), &e.logoArea());
    EXPECT_EQ (e.logoArea().getMouseCursor(), pointingHand());

    pointer->press (logo);
    EXPECT_FALSE (e.aboutOverlay().isVisible());   // nothing on the press
    pointer->release (px (200.0f, 60.0f));
    EXPECT_FALSE (e.aboutOverlay().isVisible());

    pointer->press (logo);
    pointer->release (px (127.0f, 123.0f));
    EXPECT_TRUE (e.aboutOverlay().isVisible());
    EXPECT_EQ (editor->getIndexOfChildComponent (&e.aboutOverlay()), editor->getNumChildComponents() - 2);

    // The panel is in front of every control.
    EXPECT_EQ (pointer->hit (logo), &e.aboutOverlay());
    EXPECT_EQ (pointer->hit (centreOf (e.hauntKnob())), &e.aboutOverlay());
}

TEST_P (EditorInteraction, ThePadlockSwitchesBetweenSyncAndFree)
{
    open();
    ParameterWatch mode (parameter (ParameterIDs::wobbleMode));
    auto& padlock = ed().syncFreeButton();
    const auto spot = centreOf (padlock);

    // With Freeze at 0 the padlock takes no clicks: they land on the wobble-rate knob.
    tick();
    EXPECT_EQ (pointer->hit (spot), &ed().releaseKnob());
    pointer->click (spot);
    EXPECT_TRUE (mode.values.empty());

    // Sync with the rate on its first step: invisible, but it switches to Free.
    freezeOn();
    ASSERT_EQ (pointer->hit (spot), &padlock);
    pointer->moveTo (spot);
    EXPECT_EQ (help(), "Wobble SYNC mode " + dash + " tempo-synced divisions, click to switch to free rate");
    EXPECT_EQ (padlock.getMouseCursor(), pointingHand());

    pointer->click (spot);
    EXPECT_EQ (realValue (ParameterIDs::wobbleMode), 1.0f);
    EXPECT_EQ (mode.values, std::vector<float> { 1.0f });
    EXPECT_EQ (mode.gestures, 0);

    pointer->leave();
    EXPECT_EQ (help(), "");
    pointer->moveTo (spot);
    EXPECT_EQ (help(), "Wobble FREE mode " + dash + " stepless ms rate, click to switch to tempo sync");

    pointer->click (spot);
    EXPECT_EQ (realValue (ParameterIDs::wobbleMode), 0.0f);
    EXPECT_EQ (mode.values, (std::vector<float> { 1.0f, 0.0f }));
}

TEST_P (EditorInteraction, TheWaveButtonCyclesTheShape)
{
    open();
    ParameterWatch shape (parameter (ParameterIDs::wobbleShape));
    auto& wave = ed().shapeButton();
    const auto spot = centreOf (wave);

    // With Freeze at 0 the button takes no clicks.
    setParameter (ParameterIDs::release, 3.0f);
    tick();
    EXPECT_NE (pointer->hit (spot), &wave);

    // With the rate on its first step it shows no text and ignores clicks.
    setParameter (ParameterIDs::release, 0.0f);
    freezeOn();
    ASSERT_EQ (pointer->hit (spot), &wave);
    ed().helpLabel().setText ("kept", juce::dontSendNotification);
    pointer->moveTo (spot);
    EXPECT_EQ (help(), "kept");
    EXPECT_EQ (wave.getMouseCursor(), arrow());
    pointer->click (spot);
    EXPECT_TRUE (shape.values.empty());
    pointer->leave();

    setParameter (ParameterIDs::release, 3.0f);
    setParameter (ParameterIDs::wobbleShape, 2.0f);
    shape.values.clear();

    pointer->click (spot);
    EXPECT_EQ (realValue (ParameterIDs::wobbleShape), 0.0f);
    pointer->leave();
    pointer->moveTo (spot);
    EXPECT_EQ (help(), "LFO shape: Triangle (2-way) " + dash + " click to cycle");
    EXPECT_EQ (wave.getMouseCursor(), pointingHand());

    pointer->click (spot);
    pointer->leave();
    pointer->moveTo (spot);
    EXPECT_EQ (help(), "LFO shape: Saw forward " + dash + " click to cycle");

    pointer->click (spot);
    pointer->leave();
    pointer->moveTo (spot);
    EXPECT_EQ (help(), "LFO shape: Saw backward " + dash + " click to cycle");

    pointer->click (spot);
    EXPECT_EQ (shape.values, (std::vector<float> { 0.0f, 0.5f, 1.0f, 0.0f }));
    EXPECT_EQ (shape.gestures, 0);
}

TEST_P (EditorInteraction, DraggingAGainSliderSetsItsGainAndADoubleClickResetsIt)
{
    open();
    auto& slider = ed().inputGainSlider();
    ParameterWatch gain (parameter (ParameterIDs::inputGain));

    const auto left = px (520.0f, 162.0f);
    ASSERT_EQ (pointer->hit (left), &slider);

    pointer->press (left);
    pointer->dragTo (px (560.0f, 162.0f));
    const auto midway = realValue (ParameterIDs::inputGain);
    EXPECT_GT (midway, -24.0f);
    EXPECT_LT (midway, 12.0f);
    EXPECT_FLOAT_EQ ((float) slider.getValue(), midway);   // the marker is drawn from this value

    pointer->dragTo (px (700.0f, 162.0f));
    pointer->release (px (700.0f, 162.0f));
    EXPECT_EQ (realValue (ParameterIDs::inputGain), 12.0f);
    EXPECT_EQ (slider.getValue(), 12.0);
    EXPECT_GT (gain.gestures, 0);

    pointer->doubleClick (px (530.0f, 162.0f));
    EXPECT_EQ (realValue (ParameterIDs::inputGain), 0.0f);
    EXPECT_EQ (slider.getValue(), 0.0);
}

INSTANTIATE_TEST_SUITE_P (Scales, EditorInteraction, ::testing::Values (640, 320));

TEST (EditorWobbleButtons, WithoutAHelpLineTheyIgnoreHoverButStillClick)
{
    HollowmereProcessor processor;
    HollowmereEditor::WobbleSyncFreeButton padlock (processor);
    HollowmereEditor::WobbleShapeButton wave (processor);
    setReal (processor, ParameterIDs::release, 2.0f);

    for (auto* button : { static_cast<juce::Component*> (&padlock), static_cast<juce::Component*> (&wave) })
    {
        const juce::MouseEvent ev (juce::Desktop::getInstance().getMainMouseSource(), {}, {},
                                   juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                                   button, button, juce::Time(), {}, juce::Time(), 1, false);
        button->mouseEnter (ev);
        EXPECT_EQ (button->getMouseCursor(), arrow());
        button->mouseExit (ev);
        button->mouseDown (ev);
    }

    EXPECT_EQ (processor.apvts.getRawParameterValue (ParameterIDs::wobbleMode)->load(), 1.0f);
    EXPECT_EQ (processor.apvts.getRawParameterValue (ParameterIDs::wobbleShape)->load(), 1.0f);
}

TEST (EditorWobbleButtons, ThePadlockIsDrawnClosedInSyncAndOpenInFree)
{
    HollowmereProcessor processor;
    HollowmereEditor::WobbleSyncFreeButton padlock (processor);
    padlock.setSize (14, 15);

    // The drawing at 14 x 15: shackle radius 0.32 x 10.92 = 3.4944, centre 0.45 radii above the body.
    const auto expected = [] (bool free)
    {
        return picture (14, 15, [free] (juce::Graphics& g)
        {
            const juce::Colour colour (free ? 0xffff3d7fu : 0xffbb7799u);
            g.setColour (colour);
            g.fillRoundedRectangle (1.54f, 9.3f, 10.92f, 7.5f, 2.0f);
            g.setColour (juce::Colour (0xff180e28));
            g.fillEllipse (5.3f, 10.425f, 3.4f, 3.0f);
            juce::Path shackle;
            shackle.addCentredArc (7.0f, 7.72752f, 3.4944f, 3.14496f, 0.0f, 1.5f * juce::MathConstants<float>::pi,
                                   (free ? 2.17f : 2.5f) * juce::MathConstants<float>::pi, true);
            g.setColour (colour);
            g.strokePath (shackle, juce::PathStrokeType (2.2f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
        });
    };
    const auto drawn = [&padlock] { return picture (14, 15, [&padlock] (juce::Graphics& g) { padlock.paint (g); }); };
    const auto blank = picture (14, 15, [] (juce::Graphics&) {});

    const struct { float release; bool free; } cases[] = { { 0.0f, false }, { 0.0f, true }, { 2.0f, false }, { 7.0f, true } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.release) + (c.free ? " free" : " sync"));
        setReal (processor, ParameterIDs::release, c.release);
        setReal (processor, ParameterIDs::wobbleMode, c.free ? 1.0f : 0.0f);
        const auto image = drawn();

        // Sync on the first rate step: nothing at all.
        EXPECT_LE (largestDifference (image, c.release == 0.0f && ! c.free ? blank : expected (c.free)), 1);

        // The right leg of the shackle reaches the body only when closed.
        if (c.release > 0.0f || c.free)
        {
            EXPECT_EQ (image.getPixelAt (10, 7).getARGB(), c.free ? 0u : 0xffbb7799u);
        }
    }
}

TEST (EditorWobbleButtons, TheWaveButtonDrawsTheShapeItCycles)
{
    HollowmereProcessor processor;
    HollowmereEditor::WobbleShapeButton wave (processor);
    wave.setSize (22, 12);

    using Corner = juce::Point<float>;
    const std::vector<Corner> shapes[] = {
        { { 4.0f, 6.0f }, { 5.5f, 3.0f }, { 11.0f, 6.0f }, { 16.5f, 9.0f }, { 18.0f, 6.0f } },
        { { 4.0f, 3.0f }, { 16.0f, 9.0f }, { 16.0f, 3.0f } },
        { { 4.0f, 9.0f }, { 16.0f, 3.0f }, { 16.0f, 9.0f } },
    };

    const auto drawn = [&wave] { return picture (22, 12, [&wave] (juce::Graphics& g) { wave.paint (g); }); };

    setReal (processor, ParameterIDs::release, 0.0f);
    EXPECT_EQ (largestDifference (drawn(), picture (22, 12, [] (juce::Graphics&) {})), 0);

    setReal (processor, ParameterIDs::release, 3.0f);

    for (int index = 0; index < 3; ++index)
    {
        SCOPED_TRACE (index);
        setReal (processor, ParameterIDs::wobbleShape, (float) index);
        const auto expected = picture (22, 12, [&shapes, index] (juce::Graphics& g)
        {
            g.setColour (juce::Colour (0xd92a1a3a));
            g.fillRoundedRectangle (0.0f, 0.0f, 22.0f, 12.0f, 3.0f);
            g.setColour (juce::Colour (0x80ff3d7f));
            g.drawRoundedRectangle (0.5f, 0.5f, 21.0f, 11.0f, 3.0f, 1.0f);
            juce::Path path;
            path.startNewSubPath (shapes[index].front());

            for (size_t k = 1; k < shapes[index].size(); ++k)
                path.lineTo (shapes[index][k]);

            g.setColour (juce::Colour (0xffff3d7f));
            g.strokePath (path, juce::PathStrokeType (1.4f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
        });

        EXPECT_EQ (largestDifference (drawn(), expected), 0);
    }
}
