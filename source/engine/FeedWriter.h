#pragma once

#include "ChannelSpectral.h"
#include "DisplayFeeds.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

/**
    Writes the display feeds from the audio thread: block peaks with their clip latches, the
    three 64-point spectrum curves and the output scope. Writes are element-wise atomic stores;
    nothing here allocates or locks.
*/
class FeedWriter
{
public:
    FeedWriter();

    /** Peaks of channels 0 and 1 (channel 0 twice for mono); latches the clip flag at 1.0. */
    static void publishPeaks (const juce::AudioBuffer<float>& buffer, int numChannels,
                              std::array<std::atomic<float>, 2>& peaks, std::atomic<bool>& clipped) noexcept;

    /** One-pole smoothed curves of the live, nimbre and shaped magnitudes of a frame. */
    void updateCurves (const ChannelSpectral& channel, DisplayFeeds& feeds) noexcept;

    /** The block's output, mixed to mono (the mean for two or more channels), into the ring. */
    static void writeScope (const juce::AudioBuffer<float>& buffer, int numChannels, DisplayFeeds& feeds) noexcept;

private:
    /** Curve points are spaced logarithmically in bin number: point 0 is bin 0, 63 is bin 974. */
    std::array<int, EngineConstants::curvePoints> curveBins {};

    // The three curves' magnitudes and the steps they add, live, nimbre and shaped in turn.
    std::array<float, 3 * EngineConstants::curvePoints> magnitudes {}, steps {};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FeedWriter)
};
