#include "PluginEditor.h"

#include "processor/ParameterIDs.h"
#include "processor/PluginProcessor.h"

#include <cmath>

namespace
{
    // Per tick (33 ms) rates of the animations.
    constexpr float flashDecay = 0.06f;
    constexpr float meterLevelFall = 0.85f;
    constexpr float meterPeakFall = 0.9f;
    constexpr float clipFadeStep = 0.015f;
    constexpr float clipFadeFloor = 0.25f;
    constexpr float mixSmoothing = 0.08f;
    constexpr float activitySmoothing = 0.15f;
    constexpr float inactiveIconOpacity = 0.3f;
    constexpr float lampPulseStep = 0.14f;
    constexpr float twoPi = 6.2831855f;
}

void HollowmereEditor::timerCallback()
{
    auto& feeds = processorRef.feeds;
    const auto realValue = [this] (const char* parameterID)
    {
        return processorRef.apvts.getRawParameterValue (parameterID)->load();
    };

    for (auto& flash : iconFlash)
        if (flash > 0.0f)
            flash = juce::jmax (flash - flashDecay, 0.0f);

    // The source follows the presence of a sidechain, but only when that changes, so a choice
    // clicked in between stands.
    const auto sidechainActive = feeds.sidechainActive.load();

    if (sidechainActive != lastSidechainActive)
    {
        lastSidechainActive = sidechainActive;
        sidechainEnabled = sidechainActive;
        processorRef.apvts.getParameter (ParameterIDs::source)->setValueNotifyingHost (sidechainActive ? 1.0f : 0.0f);
        scGainSlider.setVisible (sidechainEnabled);
    }

    const std::array<float, numMeterChannels> peaks { feeds.inputPeak[0].load(), feeds.inputPeak[1].load(),
                                                      feeds.sidechainPeak[0].load(), feeds.sidechainPeak[1].load(),
                                                      feeds.outputPeak[0].load(), feeds.outputPeak[1].load() };

    for (size_t c = 0; c < peaks.size(); ++c)
        meterLevels[c] = meterLevels[c] < peaks[c] ? peaks[c] : meterLevels[c] * meterLevelFall;

    for (size_t c = 0; c < peaks.size(); ++c)
        meterPeaks[c] = meterPeaks[c] < meterLevels[c] ? meterLevels[c] : meterPeaks[c] * meterPeakFall;

    const std::array<std::atomic<bool>*, numMeters> clipLatches { &feeds.inputClipped, &feeds.sidechainClipped,
                                                                  &feeds.outputClipped };

    for (size_t i = 0; i < clipLatches.size(); ++i)
    {
        if (clipLatches[i]->exchange (false))
        {
            clipLatched[i] = true;
            clipFade[i] = 1.0f;
        }
    }

    // A lit lamp dims to a quarter and stays there until a click clears it.
    for (size_t i = 0; i < clipLatched.size(); ++i)
        if (clipLatched[i] && clipFade[i] > clipFadeFloor)
            clipFade[i] = juce::jmax (clipFade[i] - clipFadeStep, clipFadeFloor);

    smoothedMix += (realValue (ParameterIDs::dryWet) - smoothedMix) * mixSmoothing;

    const std::array<const char*, numIcons> iconParameters { ParameterIDs::haunt, ParameterIDs::whisper,
                                                             ParameterIDs::seance, ParameterIDs::drift,
                                                             ParameterIDs::warp };

    for (size_t k = 0; k < iconParameters.size(); ++k)
    {
        const auto target = realValue (iconParameters[k]) > 0.0f ? 1.0f : inactiveIconOpacity;
        iconActivity[k] += (target - iconActivity[k]) * activitySmoothing;
    }

    const auto freezeOn = realValue (ParameterIDs::seance) > 0.0f;
    const auto freeMode = realValue (ParameterIDs::wobbleMode) > 0.5f;

    releaseKnob.setEnabled (freezeOn && ! freeMode);
    releaseKnob.setVisible (! freeMode);
    wobbleFreeKnob.setEnabled (freezeOn && freeMode);
    wobbleFreeKnob.setVisible (freeMode);

    for (auto* button : { static_cast<juce::Component*> (&shapeButton), static_cast<juce::Component*> (&syncFreeButton) })
    {
        button->setEnabled (freezeOn);
        button->setInterceptsMouseClicks (freezeOn, false);
    }

    const auto freezeActivity = iconActivity[2];
    releaseKnob.setAlpha (freezeActivity);
    wobbleFreeKnob.setAlpha (freezeActivity);

    const auto buttonOpacity = juce::jmax ((freezeActivity - inactiveIconOpacity) / (1.0f - inactiveIconOpacity), 0.0f);
    shapeButton.setAlpha (buttonOpacity);
    syncFreeButton.setAlpha (buttonOpacity);

    wobbleTrail[(size_t) wobbleTrailPos] = freezeOn ? feeds.wobbleDisplay.load() : 0.0f;
    wobbleTrailPos = (wobbleTrailPos + 1) % trailLength;

    if (! sidechainEnabled)
        scLedPhase = std::fmod (scLedPhase + lampPulseStep, twoPi);

    // The audio thread may update the curves while they are copied; a copy mixing two updates
    // is fine for display.
    if (feeds.spectraReady.load())
    {
        for (size_t p = 0; p < liveSpectrumView.size(); ++p)
        {
            liveSpectrumView[p] = feeds.liveSpectrum[p].load (std::memory_order_relaxed);
            nimbreSpectrumView[p] = feeds.nimbreSpectrum[p].load (std::memory_order_relaxed);
            outputSpectrumView[p] = feeds.outputSpectrum[p].load (std::memory_order_relaxed);
        }

        const auto oldest = (size_t) feeds.scopeWriteIndex.load();

        for (size_t k = 0; k < scopeView.size(); ++k)
            scopeView[k] = feeds.scopeRing[(oldest + k) % scopeView.size()].load (std::memory_order_relaxed);
    }

    repaint();
}
