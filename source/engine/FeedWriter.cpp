#include "FeedWriter.h"

#include <cmath>

using namespace EngineConstants;

namespace
{
    /** Maps -80 dB to 0 and +40 dB to the full 0.2 step of the one-pole curve. */
    float curveStep (float magnitude) noexcept
    {
        if (! (magnitude >= 1.0e-6f))
            return 0.0f;

        const auto level = juce::jlimit (0.0f, 1.0f, (20.0f * std::log10 (magnitude) + 80.0f) / 120.0f);
        return level * 0.19999999f;
    }

    void smoothInto (DisplayFeeds::Curve& curve, int point, float magnitude) noexcept
    {
        auto& value = curve[(size_t) point];
        value.store (value.load (std::memory_order_relaxed) * 0.8f + curveStep (magnitude), std::memory_order_relaxed);
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

void FeedWriter::updateCurves (const ChannelSpectral& channel, DisplayFeeds& feeds) const noexcept
{
    for (int p = 0; p < curvePoints; ++p)
    {
        const auto bin = (size_t) curveBins[(size_t) p];
        smoothInto (feeds.liveSpectrum, p, channel.liveMag[bin]);
        smoothInto (feeds.nimbreSpectrum, p, channel.nimbreMag[bin]);
        smoothInto (feeds.outputSpectrum, p, channel.shapedMag[bin]);
    }

    feeds.spectraReady.store (true);
}

void FeedWriter::writeScope (const juce::AudioBuffer<float>& buffer, int numChannels, DisplayFeeds& feeds) noexcept
{
    auto w = feeds.scopeWriteIndex.load();

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        float sum = 0.0f;

        for (int c = 0; c < numChannels; ++c)
            sum += buffer.getSample (c, i);

        feeds.scopeRing[(size_t) w].store (numChannels >= 2 ? 0.5f * sum : sum, std::memory_order_relaxed);
        w = (w + 1) % scopeSize;
    }

    feeds.scopeWriteIndex.store (w);
}
