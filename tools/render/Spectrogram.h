#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_graphics/juce_graphics.h>

/**
    A before/after spectrogram: the input above, the output below, on one time axis in seconds
    and a logarithmic frequency axis from 20 Hz to 20 kHz (or the Nyquist frequency, if lower).
    Colour is the level in dB against a full-scale sine, -120 to 0 dB, with its legend on the right.
    Each signal is drawn as the mean of its channels.
*/
namespace Spectrogram
{
    inline constexpr int width = 1280;
    inline constexpr int height = 900;

    /** Draws the picture; `input` and `output` are mono, at `sampleRate`. */
    juce::Image draw (const juce::AudioBuffer<float>& input, const juce::AudioBuffer<float>& output, double sampleRate);
}
