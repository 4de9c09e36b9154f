#pragma once

#include "BlockSettings.h"
#include "ChannelSpectral.h"
#include "DisplayFeeds.h"
#include "FeedWriter.h"
#include "NimbreHistory.h"
#include "SignalPath.h"
#include "SpectralMorph.h"

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
    The short-time Fourier engine. Per output channel, samples enter a 2048-sample queue; every
    512 samples a frame is windowed, transformed, reshaped toward the nimbre spectrum, transformed
    back, windowed again and overlap-added. The wet path delays every sample by
    EngineConstants::latencySamples; the dry path and the bypassed path are delayed to match.

    prepare() sizes every buffer; process() and processBypassed() never allocate, lock or wait.
*/
class SpectralEngine
{
public:
    SpectralEngine();

    /** Rebuilds the per-channel records for a channel count; measures the transform scales. */
    void prepare (int numOutputChannels);

    /** Processes one block in place and publishes the display feeds. */
    void process (juce::AudioBuffer<float>& buffer, const BusLayoutInfo& layout,
                  const BlockSettings& settings, DisplayFeeds& feeds) noexcept;

    /** Plays the raw input delayed by the latency; no spectral state or feed advances. */
    void processBypassed (juce::AudioBuffer<float>& buffer, int totalOutputChannels) noexcept;

    const std::vector<ChannelSpectral>& getChannels() const noexcept { return channels; }
    float getRoundTripScale() const noexcept { return roundTripScale; }
    float getOverlapScale() const noexcept { return overlapScale; }

private:
    /** Everything a frame needs from its block. */
    struct FrameContext
    {
        ScrubSettings scrub;
        MorphSettings morph;
        FrameFlags flags;
    };

    /** The dry/wet blend of one block: the same ramp for every channel. */
    struct DryMix
    {
        bool needDry = false;
        float start = 1.0f;     // mix weight of the wet signal at sample 0
        float step = 0.0f;      // change per sample
        float haunt = 0.0f;     // share of the alternative (sidechain) dry signal
    };

    void processChannel (int channelIndex, float* samples, const float* sidechain, int numSamples,
                         const FrameContext& context, const DryMix& mix, DisplayFeeds& feeds) noexcept;
    void takeInput (ChannelSpectral& channel, const float* samples, const float* sidechain, int count,
                    const DryMix& mix) noexcept;
    void runFrame (ChannelSpectral& channel, bool isFirstChannel, const FrameContext& context,
                   DisplayFeeds& feeds) noexcept;

    void loadFrames (ChannelSpectral& channel, bool withSidechain) const noexcept;
    void analyse (float* workBuffer) const noexcept;
    void synthesise (float* workBuffer) const noexcept;
    void overlapAdd (ChannelSpectral& channel, bool withSidechain) const noexcept;

    void measureRoundTripScale();
    void computeOverlapScale();

    juce::dsp::FFT forwardFft { EngineConstants::fftOrder };
    juce::dsp::FFT inverseFft { EngineConstants::fftOrder };
    juce::dsp::WindowingFunction<float> analysisWindow { static_cast<size_t> (EngineConstants::fftSize),
                                                         juce::dsp::WindowingFunction<float>::hann, true };
    float roundTripScale = 1.0f;
    float overlapScale = 1.0f;
    std::vector<ChannelSpectral> channels;

    BypassDelay bypassDelay;
    SpectralMorph morph;
    NimbreHistory::RebuildScratch rebuildScratch;
    FeedWriter feedWriter;

    // One hop's worth of sanitised input, sidechain and dry samples.
    std::array<float, EngineConstants::hopSize> hopInput {}, hopSidechain {}, hopDry {};

    // Linear gains and mix of the previous block: every change ramps in across one block.
    float previousInputGain = 1.0f;
    float previousSidechainGain = 1.0f;
    float previousOutputGain = 1.0f;
    float previousDryWet = 1.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectralEngine)
};
