#include "FeedWriter.h"

#include "VectorKernels.h"

#include <cmath>

using namespace EngineConstants;

namespace
{
    constexpr float floorMagnitude = 1.0e-6f;

    /** Maps -80 dB to 0 and +40 dB to the full 0.2 step of the one-pole curve. */
    float curveStep (float magnitude, float log10Magnitude) noexcept
    {
        if (! (magnitude >= floorMagnitude))
            return 0.0f;

        const auto level = juce::jlimit (0.0f, 1.0f, (20.0f * log10Magnitude + 80.0f) / 120.0f);
        return level * 0.19999999f;
    }
}

FeedWriter::FeedWriter()
{
    for (int p = 0; p < curvePoints; ++p)
    {
        const auto position = (std::pow (20.0f, (float) p / 64.0f) - 1.0f) / 19.0f * 1024.0f;
        curveBins[(size_t) p] = juce::jlimit (0, numBins - 1, (int) position);
    }
}

void FeedWriter::publishPeaks (const juce::AudioBuffer<float>& buffer, int numChannels,
                               std::array<std::atomic<float>, 2>& peaks, std::atomic<bool>& clipped) noexcept
{
    const auto numSamples = buffer.getNumSamples();
    float first = 0.0f, second = 0.0f;

    if (numChannels > 0 && numSamples > 0)
    {
        first = buffer.getMagnitude (0, 0, numSamples);
        second = numChannels >= 2 ? buffer.getMagnitude (1, 0, numSamples) : first;
    }

    peaks[0].store (first);
    peaks[1].store (second);

    if (first >= 1.0f || second >= 1.0f)
        clipped.store (true);
}

void FeedWriter::updateCurves (const ChannelSpectral& channel, DisplayFeeds& feeds) noexcept
{
    const std::vector<float>* sources[] = { &channel.liveMag, &channel.nimbreMag, &channel.shapedMag };
    DisplayFeeds::Curve* curves[] = { &feeds.liveSpectrum, &feeds.nimbreSpectrum, &feeds.outputSpectrum };

    for (size_t s = 0; s < 3; ++s)
        for (size_t p = 0; p < (size_t) curvePoints; ++p)
            magnitudes[s * curvePoints + p] = (*sources[s])[(size_t) curveBins[p]];

    for (size_t i = 0; i < magnitudes.size(); ++i)
        logs[i] = juce::jmax (magnitudes[i], floorMagnitude);

    VectorKernelSets::active().log10 (logs.data(), logs.data(), (int) logs.size());

    for (size_t s = 0; s < 3; ++s)
    {
        for (size_t p = 0; p < (size_t) curvePoints; ++p)
        {
            const auto i = s * curvePoints + p;
            auto& value = (*curves[s])[p];
            value.store (value.load (std::memory_order_relaxed) * 0.8f + curveStep (magnitudes[i], logs[i]),
                         std::memory_order_relaxed);
        }
    }

    feeds.spectraReady.store (true);
}

void FeedWriter::writeScope (const juce::AudioBuffer<float>& buffer, int numChannels, DisplayFeeds& feeds) noexcept
{
    auto w = feeds.scopeWriteIndex.load();
    const auto numSamples = buffer.getNumSamples();
    const auto* const* channels = buffer.getArrayOfReadPointers();
    const auto gain = numChannels >= 2 ? 0.5f : 1.0f;

    // In runs up to the end of the ring, so the index wraps once per run.
    for (int i = 0; i < numSamples;)
    {
        const auto run = juce::jmin (numSamples - i, scopeSize - w);

        for (int k = 0; k < run; ++k)
        {
            float sum = 0.0f;

            for (int c = 0; c < numChannels; ++c)
                sum += channels[c][i + k];

            feeds.scopeRing[(size_t) (w + k)].store (gain * sum, std::memory_order_relaxed);
        }

        i += run;
        w = (w + run) % scopeSize;
    }

    feeds.scopeWriteIndex.store (w);
}
