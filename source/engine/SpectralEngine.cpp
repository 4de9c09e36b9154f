#include "SpectralEngine.h"

using namespace EngineConstants;

SpectralEngine::SpectralEngine() = default;

void SpectralEngine::prepare (int numOutputChannels)
{
    channels.resize (static_cast<size_t> (juce::jmax (0, numOutputChannels)));

    for (auto& channel : channels)
        channel.prepare();

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
    roundTripScale = std::abs (d) > 1.0e-10f ? 1.0f / d : 1.0f / static_cast<float> (fftSize);
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
                              const BlockSettings&, DisplayFeeds&) noexcept
{
    const auto numSamples = buffer.getNumSamples();
    const auto numCh = juce::jmin ((int) channels.size(), layout.totalOutputChannels, buffer.getNumChannels());

    for (int c = 0; c < numCh; ++c)
        processChannel (channels[(size_t) c], buffer.getWritePointer (c), numSamples);

    for (int c = numCh; c < layout.totalOutputChannels; ++c)
        if (c < buffer.getNumChannels() && ! buffer.hasBeenCleared())
            buffer.clear (c, 0, numSamples);
}

void SpectralEngine::processChannel (ChannelSpectral& channel, float* samples, int numSamples) noexcept
{
    for (int i = 0; i < numSamples; ++i)
    {
        const auto queueWasFull = channel.inputFill >= fftSize - 1;
        channel.inputFifo[(size_t) channel.inputFill] = samples[i];
        ++channel.inputFill;

        if (queueWasFull)
            runFrame (channel);

        samples[i] = channel.outputBlock[(size_t) channel.outputReadPos++];
    }
}

void SpectralEngine::runFrame (ChannelSpectral& channel) noexcept
{
    auto* data = channel.fftData.data();

    std::copy (channel.inputFifo.begin(), channel.inputFifo.end(), data);
    std::fill (data + fftSize, data + fftWorkSize, 0.0f);
    analysisWindow.multiplyWithWindowingTable (data, (size_t) fftSize);
    forwardFft.performRealOnlyForwardTransform (data, true);

    inverseFft.performRealOnlyInverseTransform (data);
    juce::FloatVectorOperations::multiply (data, roundTripScale, fftSize);
    analysisWindow.multiplyWithWindowingTable (data, (size_t) fftSize);

    overlapAdd (channel);
}

void SpectralEngine::overlapAdd (ChannelSpectral& channel) noexcept
{
    auto* accum = channel.outputAccum.data();
    juce::FloatVectorOperations::addWithMultiply (accum, channel.fftData.data(), overlapScale, fftSize);

    std::copy (accum, accum + hopSize, channel.outputBlock.begin());
    channel.outputReadPos = 0;

    std::copy (channel.inputFifo.begin() + hopSize, channel.inputFifo.end(), channel.inputFifo.begin());
    std::copy (accum + hopSize, accum + fftSize, accum);
    std::fill (accum + queueFillAfterFrame, accum + fftSize, 0.0f);

    channel.inputFill = queueFillAfterFrame;
}

void SpectralEngine::processBypassed (juce::AudioBuffer<float>&, int) noexcept
{
}
