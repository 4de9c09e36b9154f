#include "SpectralEngine.h"

#include <cmath>

using namespace EngineConstants;

namespace
{
    /** Non-finite input would poison the smoothing state and the history for good. */
    float finiteOrZero (float sample) noexcept
    {
        return std::isfinite (sample) ? sample : 0.0f;
    }
}

SpectralEngine::SpectralEngine() = default;

void SpectralEngine::prepare (int numOutputChannels)
{
    channels.resize ((size_t) juce::jmax (0, numOutputChannels));

    for (auto& channel : channels)
        channel.prepare();

    bypassDelay.prepare (numOutputChannels);
    measureRoundTripScale();
    computeOverlapScale();
}

void SpectralEngine::measureRoundTripScale()
{
    std::vector<float> impulse (fftWorkSize, 0.0f);
    impulse[0] = 1.0f;

    forwardFft.performRealOnlyForwardTransform (impulse.data(), true);
    inverseFft.performRealOnlyInverseTransform (impulse.data());

    const auto d = impulse[0];
    roundTripScale = std::abs (d) > 1.0e-10f ? 1.0f / d : 1.0f / (float) fftSize;
}

void SpectralEngine::computeOverlapScale()
{
    std::vector<float> window (fftSize, 1.0f);
    analysisWindow.multiplyWithWindowingTable (window.data(), window.size());

    float largest = 0.0f;

    for (int k = 0; k < fftSize; ++k)
    {
        float sum = 0.0f;

        for (int n = k; n < fftSize; n += hopSize)
            sum += window[(size_t) n] * window[(size_t) n];

        largest = juce::jmax (largest, sum);
    }

    overlapScale = largest > 1.0e-10f ? 1.0f / largest : 0.6666667f;
}

void SpectralEngine::process (juce::AudioBuffer<float>& buffer, const BusLayoutInfo& layout,
                              const BlockSettings& settings, DisplayFeeds& feeds) noexcept
{
    const auto numSamples = buffer.getNumSamples();
    const auto bufferChannels = buffer.getNumChannels();
    const auto totalOutputs = juce::jmin (layout.totalOutputChannels, bufferChannels);
    const auto numCh = juce::jmin ((int) channels.size(), totalOutputs);

    const auto inputGain = SignalPath::decibelsToGain (settings.inputGainDb);
    const auto sidechainGain = SignalPath::decibelsToGain (settings.scGainDb);
    const auto outputGain = SignalPath::decibelsToGain (settings.outputGainDb);

    bypassDelay.write (buffer, numCh);

    const auto sidechainOffset = juce::jlimit (0, bufferChannels, layout.mainInputChannels);
    const auto sidechainChannels = juce::jlimit (0, bufferChannels - sidechainOffset, layout.sidechainChannels);
    juce::AudioBuffer<float> sidechain (buffer.getArrayOfWritePointers() + sidechainOffset, sidechainChannels, numSamples);
    feeds.sidechainActive.store (sidechainChannels > 0);

    FrameContext context;
    context.scrub = ScrubSettings::fromBlock (settings);
    context.morph = MorphSettings::fromBlock (settings);
    context.flags.frozen = context.scrub.frozen;
    context.flags.useSidechain = settings.source > 0.5f && sidechainChannels > 0;

    SignalPath::applyGainRamp (buffer, numCh, previousInputGain, inputGain);
    previousInputGain = inputGain;
    FeedWriter::publishPeaks (buffer, numCh, feeds.inputPeak, feeds.inputClipped);

    if (sidechainChannels > 0)
        SignalPath::applyGainRamp (sidechain, sidechainChannels, previousSidechainGain, sidechainGain);

    previousSidechainGain = sidechainGain;
    FeedWriter::publishPeaks (sidechain, sidechainChannels, feeds.sidechainPeak, feeds.sidechainClipped);

    DryMix mix;
    mix.needDry = settings.dryWet < 0.999f || previousDryWet < 0.999f;
    mix.start = previousDryWet;
    mix.step = numSamples > 0 ? (settings.dryWet - previousDryWet) / (float) numSamples : 0.0f;
    mix.haunt = settings.haunt;

    for (int c = 0; c < numCh; ++c)
    {
        const auto* sidechainSamples = context.flags.useSidechain
                                     ? sidechain.getReadPointer (juce::jmin (c, sidechainChannels - 1))
                                     : nullptr;
        processChannel (c, buffer.getWritePointer (c), sidechainSamples, numSamples, context, mix, feeds);
    }

    previousDryWet = settings.dryWet;

    if (! channels.empty())
        feeds.wobbleDisplay.store (channels.front().wobbleOffset);

    if (! buffer.hasBeenCleared())
        for (int c = numCh; c < totalOutputs; ++c)
            buffer.clear (c, 0, numSamples);

    SignalPath::applyGainRamp (buffer, numCh, previousOutputGain, outputGain);
    previousOutputGain = outputGain;

    FeedWriter::writeScope (buffer, numCh, feeds);
    FeedWriter::publishPeaks (buffer, numCh, feeds.outputPeak, feeds.outputClipped);
}

void SpectralEngine::processChannel (int channelIndex, float* samples, const float* sidechain, int numSamples,
                                     const FrameContext& context, const DryMix& mix, DisplayFeeds& feeds) noexcept
{
    auto& channel = channels[(size_t) channelIndex];
    auto* dryMain = channel.dryMain.data();
    auto* dryAlt = channel.dryAlt.data();

    for (int i = 0; i < numSamples; ++i)
    {
        const auto x = finiteOrZero (samples[i]);
        const auto s = sidechain != nullptr ? finiteOrZero (sidechain[i]) : 0.0f;
        auto dry = 0.0f;

        if (mix.needDry)
        {
            // Write, advance, then read the slot after: the rings delay by dryRingSize - 1.
            dryMain[channel.dryPos] = x;
            dryAlt[channel.dryPos] = sidechain != nullptr ? s : x;
            channel.dryPos = (channel.dryPos + 1) % dryRingSize;
            dry = dryAlt[channel.dryPos] * mix.haunt + dryMain[channel.dryPos] * (1.0f - mix.haunt);
        }

        const auto queueWasFull = channel.inputFill >= fftSize - 1;
        channel.inputFifo[(size_t) channel.inputFill] = x;

        if (sidechain != nullptr)
            channel.sidechainFifo[(size_t) channel.inputFill] = s;

        ++channel.inputFill;

        if (queueWasFull)
            runFrame (channel, channelIndex == 0, context, feeds);

        const auto wet = channel.outputBlock[(size_t) channel.outputReadPos++];

        if (mix.needDry)
        {
            const auto m = mix.start + (float) i * mix.step;
            samples[i] = wet * m + dry * (1.0f - m);
        }
        else
        {
            samples[i] = wet;
        }
    }
}

void SpectralEngine::runFrame (ChannelSpectral& channel, bool isFirstChannel, const FrameContext& context,
                               DisplayFeeds& feeds) noexcept
{
    const auto& flags = context.flags;

    loadFrames (channel, flags.useSidechain);
    analyse (channel.fftData.data());

    if (flags.useSidechain && ! flags.frozen)
    {
        analyse (channel.sidechainFftData.data());
        NimbreHistory::captureFrom (channel, channel.sidechainFftData.data());
        NimbreHistory::push (channel);
    }

    NimbreHistory::scrubAndRebuild (channel, context.scrub);
    NimbreHistory::advancePhases (channel, context.scrub);

    morph.shapeBins (channel, context.morph, flags);

    if (! flags.useSidechain && ! flags.frozen && channel.hasNimbre)
        NimbreHistory::push (channel);

    morph.applyWhisperAndDrift (channel, context.morph);
    morph.resynthesise (channel, context.morph);

    synthesise (channel.fftData.data());

    if (isFirstChannel)
        feedWriter.updateCurves (channel, feeds);

    overlapAdd (channel, flags.useSidechain);
}

void SpectralEngine::loadFrames (ChannelSpectral& channel, bool withSidechain) const noexcept
{
    std::copy (channel.inputFifo.begin(), channel.inputFifo.end(), channel.fftData.begin());
    std::fill (channel.fftData.begin() + fftSize, channel.fftData.end(), 0.0f);

    if (withSidechain)
    {
        std::copy (channel.sidechainFifo.begin(), channel.sidechainFifo.end(), channel.sidechainFftData.begin());
        std::fill (channel.sidechainFftData.begin() + fftSize, channel.sidechainFftData.end(), 0.0f);
    }
}

void SpectralEngine::analyse (float* workBuffer) const noexcept
{
    analysisWindow.multiplyWithWindowingTable (workBuffer, (size_t) fftSize);
    forwardFft.performRealOnlyForwardTransform (workBuffer, true);
}

void SpectralEngine::synthesise (float* workBuffer) const noexcept
{
    inverseFft.performRealOnlyInverseTransform (workBuffer);
    juce::FloatVectorOperations::multiply (workBuffer, roundTripScale, fftSize);
    analysisWindow.multiplyWithWindowingTable (workBuffer, (size_t) fftSize);
}

void SpectralEngine::overlapAdd (ChannelSpectral& channel, bool withSidechain) const noexcept
{
    auto* accum = channel.outputAccum.data();
    juce::FloatVectorOperations::addWithMultiply (accum, channel.fftData.data(), overlapScale, fftSize);

    std::copy (accum, accum + hopSize, channel.outputBlock.begin());
    channel.outputReadPos = 0;

    std::copy (channel.inputFifo.begin() + hopSize, channel.inputFifo.end(), channel.inputFifo.begin());
    std::copy (accum + hopSize, accum + fftSize, accum);
    std::fill (accum + queueFillAfterFrame, accum + fftSize, 0.0f);

    if (withSidechain)
        std::copy (channel.sidechainFifo.begin() + hopSize, channel.sidechainFifo.end(), channel.sidechainFifo.begin());

    channel.inputFill = queueFillAfterFrame;
}

void SpectralEngine::processBypassed (juce::AudioBuffer<float>& buffer, int totalOutputChannels) noexcept
{
    bypassDelay.playBack (buffer, totalOutputChannels);
}
