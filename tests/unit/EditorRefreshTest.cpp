#include "support/EditorTestSupport.h"

#include <cmath>

namespace
{
    /** The framework keeps a component's opacity in 1/255 steps. */
    float storedAlpha (float alpha)
    {
        return (float) juce::roundToInt (alpha * 255.0) / 255.0f;
    }

    struct ParameterChangeCounter final : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
        {
            ++changes;
            lastIndex = index;
            lastValue = value;
        }

        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
        void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++gestures; }
        void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override { ++gestures; }

        int changes = 0, gestures = 0, lastIndex = -1;
        float lastValue = -1.0f;
    };
}

TEST_F (EditorTest, MetersHoldPeaksAndFall)
{
    openEditor();
    auto& feeds = processor.feeds;
    const float peaks[] = { 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f };
    feeds.inputPeak[0] = peaks[0];
    feeds.inputPeak[1] = peaks[1];
    feeds.sidechainPeak[0] = peaks[2];
    feeds.sidechainPeak[1] = peaks[3];
    feeds.outputPeak[0] = peaks[4];
    feeds.outputPeak[1] = peaks[5];
    tick();

    for (size_t c = 0; c < 6; ++c)
    {
        EXPECT_EQ (ed().meterLevels()[c], peaks[c]) << c;
        EXPECT_EQ (ed().meterPeaks()[c], peaks[c]) << c;
    }

    // Silence: the level falls 15 % per tick, the peak hold 10 %.
    for (auto& p : feeds.inputPeak)
        p = 0.0f;

    tick();
    EXPECT_EQ (ed().meterLevels()[0], 0.8f * 0.85f);
    EXPECT_EQ (ed().meterPeaks()[0], 0.8f * 0.9f);
    EXPECT_EQ (ed().meterLevels()[2], 0.6f * 0.85f);     // its peak did not rise above the level
    tick();
    EXPECT_EQ (ed().meterLevels()[0], 0.8f * 0.85f * 0.85f);
    EXPECT_EQ (ed().meterPeaks()[0], 0.8f * 0.9f * 0.9f);

    // A steady peak equal to the shown level: the level falls 15 % below it, then jumps back.
    EXPECT_EQ (ed().meterLevels()[2], 0.6f);

    // A peak just below the shown level: the level drops below it for one tick, then recovers.
    feeds.sidechainPeak[0] = 0.58f;
    tick();
    EXPECT_EQ (ed().meterLevels()[2], 0.6f * 0.85f);
    tick();
    EXPECT_EQ (ed().meterLevels()[2], 0.58f);
}

TEST_F (EditorTest, ClipLampsLightFadeToAQuarterAndHold)
{
    openEditor();
    auto& feeds = processor.feeds;
    feeds.outputClipped = true;
    tick();

    EXPECT_FALSE (feeds.outputClipped.load());   // taken by the editor
    EXPECT_TRUE (ed().clipLatched()[2]);
    EXPECT_EQ (ed().clipFade()[2], 1.0f - 0.015f);
    EXPECT_FALSE (ed().clipLatched()[0]);
    EXPECT_EQ (ed().clipFade()[0], 0.0f);
    EXPECT_EQ (ed().clipFade()[1], 0.0f);

    // Full to a quarter in 50 ticks (the last step lands on the floor within float rounding).
    tick (49);
    EXPECT_NEAR (ed().clipFade()[2], 0.25f, 1.0e-5f);
    tick();
    EXPECT_EQ (ed().clipFade()[2], 0.25f);
    tick (200);
    EXPECT_EQ (ed().clipFade()[2], 0.25f);
    EXPECT_TRUE (ed().clipLatched()[2]);

    // A new clip lights the lamp again; the other latches work alike.
    feeds.outputClipped = true;
    feeds.inputClipped = true;
    feeds.sidechainClipped = true;
    tick();

    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_TRUE (ed().clipLatched()[i]) << i;
        EXPECT_EQ (ed().clipFade()[i], 1.0f - 0.015f) << i;
    }
}

TEST_F (EditorTest, IconActivityAndFlashes)
{
    setParameter (ParameterIDs::haunt, 0.5f);
    setParameter (ParameterIDs::warp, 0.0f);
    openEditor();

    tick();
    EXPECT_EQ (ed().iconActivity()[0], 0.3f + (1.0f - 0.3f) * 0.15f);
    EXPECT_EQ (ed().iconActivity()[4], 0.3f);

    tick (100);
    EXPECT_NEAR (ed().iconActivity()[0], 1.0f, 1.0e-5f);

    setParameter (ParameterIDs::haunt, 0.0f);   // also flashes the haunt icon
    EXPECT_EQ (ed().iconFlash()[0], 1.0f);
    tick();
    EXPECT_LT (ed().iconActivity()[0], 1.0f);

    int ticks = 1;

    while (ed().iconFlash()[0] > 0.0f && ticks < 100)
    {
        tick();
        ++ticks;
    }

    EXPECT_EQ (ticks, 17);
    EXPECT_EQ (ed().iconFlash()[0], 0.0f);

    tick (100);
    EXPECT_NEAR (ed().iconActivity()[0], 0.3f, 1.0e-5f);
}

TEST_F (EditorTest, DryWetIsSmoothed)
{
    setParameter (ParameterIDs::dryWet, 1.0f);
    openEditor();
    tick();
    EXPECT_EQ (ed().smoothedMix(), 0.08f);
    tick();
    EXPECT_EQ (ed().smoothedMix(), 0.08f + (1.0f - 0.08f) * 0.08f);
}

namespace
{
    struct WobbleCase
    {
        float seance;
        bool free;
    };

    class EditorWobbleControls : public EditorTest, public ::testing::WithParamInterface<WobbleCase> {};
}

TEST_P (EditorWobbleControls, FollowFreezeAndMode)
{
    const auto [seance, free] = GetParam();
    const auto on = seance > 0.0f;
    setParameter (ParameterIDs::seance, seance);
    setParameter (ParameterIDs::wobbleMode, free ? 1.0f : 0.0f);
    openEditor();

    // Until the first tick the sync knob shows whatever the mode.
    EXPECT_TRUE (ed().releaseKnob().isVisible());
    EXPECT_FALSE (ed().wobbleFreeKnob().isVisible());

    for (int ticks = 1; ticks <= 3; ++ticks)
    {
        tick();
        SCOPED_TRACE (ticks);

        EXPECT_EQ (ed().releaseKnob().isVisible(), ! free);
        EXPECT_EQ (ed().releaseKnob().isEnabled(), on && ! free);
        EXPECT_EQ (ed().wobbleFreeKnob().isVisible(), free);
        EXPECT_EQ (ed().wobbleFreeKnob().isEnabled(), on && free);

        const auto activity = ed().iconActivity()[2];
        EXPECT_EQ (ed().releaseKnob().getAlpha(), storedAlpha (activity));
        EXPECT_EQ (ed().wobbleFreeKnob().getAlpha(), storedAlpha (activity));

        for (juce::Component* button : { static_cast<juce::Component*> (&ed().shapeButton()),
                                         static_cast<juce::Component*> (&ed().syncFreeButton()) })
        {
            EXPECT_EQ (button->isEnabled(), on);
            bool self = ! on, children = true;
            button->getInterceptsMouseClicks (self, children);
            EXPECT_EQ (self, on);
            EXPECT_FALSE (children);
            EXPECT_EQ (button->getAlpha(), storedAlpha (std::max ((activity - 0.3f) / 0.7f, 0.0f)));
        }
    }

    // Off, the small knob sits at 30 % and the buttons are invisible; on, both fade in.
    if (! on)
    {
        EXPECT_EQ (ed().releaseKnob().getAlpha(), storedAlpha (0.3f));
        EXPECT_EQ (ed().shapeButton().getAlpha(), 0.0f);
    }
    else
    {
        EXPECT_GT (ed().shapeButton().getAlpha(), 0.0f);
    }

    // Both knobs share one place, and switching the mode swaps them at the next tick.
    EXPECT_EQ (ed().releaseKnob().getBounds(), ed().wobbleFreeKnob().getBounds());
    setParameter (ParameterIDs::wobbleMode, free ? 0.0f : 1.0f);
    tick();
    EXPECT_EQ (ed().releaseKnob().isVisible(), free);
    EXPECT_EQ (ed().wobbleFreeKnob().isVisible(), ! free);
}

INSTANTIATE_TEST_SUITE_P (FreezeAndMode, EditorWobbleControls,
                          ::testing::Values (WobbleCase { 0.0f, false }, WobbleCase { 0.5f, false },
                                             WobbleCase { 0.0f, true }, WobbleCase { 0.5f, true }));

TEST_F (EditorTest, SidechainSelectionFollowsThePresenceOfASidechain)
{
    openEditor();
    ParameterChangeCounter counter;
    processor.addListener (&counter);
    auto* source = processor.apvts.getParameter (ParameterIDs::source);

    processor.feeds.sidechainActive = true;
    tick();
    EXPECT_EQ (realValue (ParameterIDs::source), 1.0f);
    EXPECT_TRUE (ed().sidechainEnabled());
    EXPECT_TRUE (ed().lastSidechainActive());
    EXPECT_TRUE (ed().scGainSlider().isVisible());
    EXPECT_EQ (counter.changes, 1);
    EXPECT_EQ (counter.lastIndex, source->getParameterIndex());
    EXPECT_EQ (counter.lastValue, 1.0f);
    EXPECT_EQ (counter.gestures, 0);

    // While the flag stays, a choice made in between stands.
    ed().sidechainEnabled() = false;
    tick (5);
    EXPECT_FALSE (ed().sidechainEnabled());
    EXPECT_EQ (counter.changes, 1);

    processor.feeds.sidechainActive = false;
    tick();
    EXPECT_EQ (realValue (ParameterIDs::source), 0.0f);
    EXPECT_FALSE (ed().sidechainEnabled());
    EXPECT_FALSE (ed().scGainSlider().isVisible());
    EXPECT_EQ (counter.changes, 2);

    processor.removeListener (&counter);
}

TEST_F (EditorTest, OpenedWithASidechainPresentSwitchesToItAtTheFirstTick)
{
    processor.feeds.sidechainActive = true;
    openEditor();
    EXPECT_FALSE (ed().scGainSlider().isVisible());
    tick();
    EXPECT_EQ (realValue (ParameterIDs::source), 1.0f);
    EXPECT_TRUE (ed().scGainSlider().isVisible());
}

TEST_F (EditorTest, TheWobbleTrailGetsZerosWhileFreezeIsOff)
{
    openEditor();
    processor.feeds.wobbleDisplay = 0.7f;
    tick();
    EXPECT_EQ (ed().wobbleTrail()[0], 0.0f);
    EXPECT_EQ (ed().wobbleTrailPos(), 1);

    setParameter (ParameterIDs::seance, 0.4f);
    tick();
    EXPECT_EQ (ed().wobbleTrail()[1], 0.7f);

    processor.feeds.wobbleDisplay = -0.2f;
    tick (28);
    EXPECT_EQ (ed().wobbleTrailPos(), 0);
    EXPECT_EQ (ed().wobbleTrail()[29], -0.2f);
    tick();
    EXPECT_EQ (ed().wobbleTrail()[0], -0.2f);   // the oldest slot is overwritten
}

TEST_F (EditorTest, TheSidechainLampPulsesOnlyWhileTheSidechainIsOff)
{
    openEditor();
    tick();
    EXPECT_EQ (ed().scLedPhase(), 0.14f);

    float expected = 0.14f;

    for (int i = 0; i < 50; ++i)
    {
        tick();
        expected = std::fmod (expected + 0.14f, 6.2831855f);
    }

    EXPECT_EQ (ed().scLedPhase(), expected);
    EXPECT_LT (expected, 1.0f);   // it wrapped

    ed().sidechainEnabled() = true;
    tick (3);
    EXPECT_EQ (ed().scLedPhase(), expected);
}

TEST_F (EditorTest, DisplaysAreCopiedOnlyOnceSpectraExist)
{
    openEditor();
    auto& feeds = processor.feeds;

    for (size_t p = 0; p < 64; ++p)
    {
        feeds.liveSpectrum[p] = 0.01f * (float) p;
        feeds.nimbreSpectrum[p] = 0.5f;
        feeds.outputSpectrum[p] = 1.0f - 0.01f * (float) p;
    }

    for (size_t k = 0; k < 256; ++k)
        feeds.scopeRing[k] = (float) k;

    feeds.scopeWriteIndex = 10;
    tick (3);

    for (size_t p = 0; p < 64; ++p)
        EXPECT_EQ (ed().liveSpectrumView()[p] + ed().nimbreSpectrumView()[p] + ed().outputSpectrumView()[p], 0.0f);

    for (auto v : ed().scopeView())
        EXPECT_EQ (v, 0.0f);

    feeds.spectraReady = true;
    tick();

    for (size_t p = 0; p < 64; ++p)
    {
        EXPECT_EQ (ed().liveSpectrumView()[p], 0.01f * (float) p);
        EXPECT_EQ (ed().nimbreSpectrumView()[p], 0.5f);
        EXPECT_EQ (ed().outputSpectrumView()[p], 1.0f - 0.01f * (float) p);
    }

    // Oldest first: the slot the next sample goes to.
    for (size_t k = 0; k < 256; ++k)
        EXPECT_EQ (ed().scopeView()[k], (float) ((k + 10) % 256)) << k;

    // Every tick copies afresh.
    feeds.nimbreSpectrum[3] = 0.25f;
    feeds.scopeWriteIndex = 0;
    tick();
    EXPECT_EQ (ed().nimbreSpectrumView()[3], 0.25f);
    EXPECT_EQ (ed().scopeView()[0], 0.0f);
    EXPECT_EQ (ed().scopeView()[255], 255.0f);
}
