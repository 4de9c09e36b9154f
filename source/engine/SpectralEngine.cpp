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

    // Samples go in up to the one that fills the queue, so each run ends at most with one frame.
    for (int start = 0; start < numSamples;)
    {
        const auto untilFrame = fftSize - channel.inputFill;
        const auto count = juce::jmin (numSamples - start, untilFrame);
        const auto* runSidechain = sidechain != nullptr ? sidechain + start : nullptr;
        auto* out = samples + start;

        takeInput (channel, out, runSidechain, count, mix);

        // Every sample emits one wet sample; the one that completes the queue emits the new hop's first.
        const auto framed = count == untilFrame;
        const auto fromOldHop = framed ? count - 1 : count;
        std::copy_n (channel.outputBlock.begin() + channel.outputReadPos, fromOldHop, out);
        channel.outputReadPos += fromOldHop;

        if (framed)
        {
            runFrame (channel, channelIndex == 0, context, feeds);
            out[count - 1] = channel.outputBlock[(size_t) channel.outputReadPos++];
        }

        if (mix.needDry)
        {
            for (int i = 0; i < count; ++i)
            {
                const auto m = mix.start + (float) (start + i) * mix.step;
                out[i] = out[i] * m + hopDry[(size_t) i] * (1.0f - m);
            }
        }

        start += count;
    }
}

void SpectralEngine::takeInput (ChannelSpectral& channel, const float* samples, const float* sidechain, int count,
                                const DryMix& mix) noexcept
{
    auto* fifo = channel.inputFifo.data() + channel.inputFill;

    for (int i = 0; i < count; ++i)
        fifo[i] = hopInput[(size_t) i] = finiteOrZero (samples[i]);

    if (sidechain != nullptr)
    {
        for (int i = 0; i < count; ++i)
            hopSidechain[(size_t) i] = finiteOrZero (sidechain[i]);

        std::copy_n (hopSidechain.begin(), count, channel.sidechainFifo.begin() + channel.inputFill);
    }

    channel.inputFill += count;

    if (! mix.needDry)
        return;

    // Write, advance, then read the slot after: the rings delay by dryRingSize - 1.
    const auto* alt = sidechain != nullptr ? hopSidechain.data() : hopInput.data();
    auto* dryMain = channel.dryMain.data();
    auto* dryAlt = channel.dryAlt.data();

    for (int i = 0; i < count; ++i)
    {
        dryMain[channel.dryPos] = hopInput[(size_t) i];
        dryAlt[channel.dryPos] = alt[i];
        channel.dryPos = (channel.dryPos + 1) % dryRingSize;
        hopDry[(size_t) i] = dryAlt[channel.dryPos] * mix.haunt + dryMain[channel.dryPos] * (1.0f - mix.haunt);
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

    NimbreHistory::scrubAndRebuild (channel, context.scrub, rebuildScratch);
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
    // The forward transform reads the first fftSize values and writes the bins over them; the
    // upper half of the work buffers is never read.
    std::copy (channel.inputFifo.begin(), channel.inputFifo.end(), channel.fftData.begin());

    if (withSidechain)
        std::copy (channel.sidechainFifo.begin(), channel.sidechainFifo.end(), channel.sidechainFftData.begin());
}

void SpectralEngine::analyse (float* workBuffer) const noexcept
{
    analysisWindow.multiplyWithWindowingTable (workBuffer, (size_t) fftSize);
    forwardFft.performRealOnlyForwardTransform (workBuffer, true);
}

void SpectralEngine::synthesise (float* workBuffer) const noexcept
{
    inverseFft.performRealOnlyInverseTransform (workBuffer);

    // The framework's transforms round-trip at exactly 1 here, so the pass is usually skipped.
    if (roundTripScale != 1.0f)
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
