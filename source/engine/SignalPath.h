#pragma once

#include "EngineConstants.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

/** Whole-signal stages: gains, and the delay lines that the host's bypass plays back. */
namespace SignalPath
{
    /** 10^(dB / 20), in single precision. */
    float decibelsToGain (float decibels) noexcept;

    /**
        Ramps channels 0 to numChannels - 1 from startGain to endGain across the block. A steady
        gain of exactly 1 touches nothing; a silent buffer is left alone.
    */
    void applyGainRamp (juce::AudioBuffer<float>& buffer, int numChannels, float startGain, float endGain) noexcept;
}

/**
    The raw input of the last EngineConstants::bypassLineSize samples per channel. Every processed
    block writes it; the bypassed path exchanges samples with it, so the bypassed output is the
    raw input delayed by exactly the reported latency, and entering bypass continues without a gap.
*/
class BypassDelay
{
public:
    BypassDelay() = default;

    void prepare (int numLines);

    /** Records the raw input of channels 0 to numChannels - 1. */
    void write (const juce::AudioBuffer<float>& buffer, int numChannels) noexcept;

    /** Swaps the block with the lines, then clears output channels that have no line. */
    void playBack (juce::AudioBuffer<float>& buffer, int totalOutputChannels) noexcept;

private:
    std::vector<std::vector<float>> lines;
    int writePos = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BypassDelay)
};
