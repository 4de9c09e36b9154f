#pragma once

#include "EngineConstants.h"

#include <array>
#include <atomic>

/**
    Values the audio thread publishes for the editor. Peaks are linear sample magnitudes (1.0 is
    full scale); curves are display units from 0 to 1. Every element is an atomic of its own, so
    the editor may copy an array while the audio thread updates it: a copy can mix two updates,
    never tear a value. The editor clears the clip latches by exchange.
*/
struct DisplayFeeds
{
    using Curve = std::array<std::atomic<float>, EngineConstants::curvePoints>;

    std::atomic<bool> sidechainActive { false };
    std::array<std::atomic<float>, 2> inputPeak {};
    std::array<std::atomic<float>, 2> sidechainPeak {};
    std::array<std::atomic<float>, 2> outputPeak {};
    std::atomic<bool> inputClipped { false };
    std::atomic<bool> sidechainClipped { false };
    std::atomic<bool> outputClipped { false };
    Curve liveSpectrum {};
    Curve nimbreSpectrum {};
    Curve outputSpectrum {};
    std::atomic<bool> spectraReady { false };
    std::array<std::atomic<float>, EngineConstants::scopeSize> scopeRing {};
    std::atomic<int> scopeWriteIndex { 0 };
    std::atomic<float> wobbleDisplay { 0.0f };
};
