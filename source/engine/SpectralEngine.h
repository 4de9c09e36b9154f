#pragma once

#include "BlockSettings.h"
#include "ChannelSpectral.h"
#include "DisplayFeeds.h"

#include <juce_dsp/juce_dsp.h>

#include <vector>

/** How the host's buffer is laid out for one block. */
struct BusLayoutInfo
{
    int totalOutputChannels = 0;
    int mainInputChannels = 0;
    int sidechainChannels = 0;    // 0 when the sidechain bus is absent or disabled
};

/**
    The short-time Fourier engine: per output channel, samples enter a 2048-sample queue; every
    512 samples a frame is windowed, transformed, reshaped, transformed back, windowed again and
    overlap-added. The wet path delays every sample by EngineConstants::latencySamples.

    prepare() sizes every buffer; process() and processBypassed() never allocate.
*/
class SpectralEngine
{
public:
    SpectralEngine();

    /** Rebuilds the per-channel records for a channel count; measures the transform scales. */
    void prepare (int numOutputChannels);

    /** Processes one block in place. */
    void process (juce::AudioBuffer<float>& buffer, const BusLayoutInfo& layout,
                  const BlockSettings& settings, DisplayFeeds& feeds) noexcept;

    /** Plays the raw input delayed by the latency; touches no spectral state. */
    void processBypassed (juce::AudioBuffer<float>& buffer, int totalOutputChannels) noexcept;

    const std::vector<ChannelSpectral>& getChannels() const noexcept { return channels; }
    float getRoundTripScale() const noexcept { return roundTripScale; }
    float getOverlapScale() const noexcept { return overlapScale; }

private:
    void processChannel (ChannelSpectral& channel, float* samples, int numSamples) noexcept;
    void runFrame (ChannelSpectral& channel) noexcept;
    void overlapAdd (ChannelSpectral& channel) noexcept;

    void measureRoundTripScale();
    void computeOverlapScale();

    juce::dsp::FFT forwardFft { EngineConstants::fftOrder };
    juce::dsp::FFT inverseFft { EngineConstants::fftOrder };
    juce::dsp::WindowingFunction<float> analysisWindow { static_cast<size_t> (EngineConstants::fftSize),
                                                         juce::dsp::WindowingFunction<float>::hann, true };
    float roundTripScale = 1.0f;
    float overlapScale = 1.0f;
    std::vector<ChannelSpectral> channels;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectralEngine)
};
