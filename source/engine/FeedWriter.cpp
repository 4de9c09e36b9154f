#include "FeedWriter.h"

#include "VectorKernels.h"

#include <array>
#include <cmath>

using namespace EngineConstants;

namespace
{
    constexpr float floorMagnitude = 1.0e-6f;
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
        steps[i] = juce::jmax (magnitudes[i], floorMagnitude);

    VectorKernelSets::active().log10 (steps.data(), steps.data(), (int) steps.size());

    // -80 dB maps to 0 and +40 dB to the full 0.2 step of the one-pole curve; below the floor, 0.
    for (size_t i = 0; i < steps.size(); ++i)
    {
        const auto level = juce::jlimit (0.0f, 1.0f, (20.0f * steps[i] + 80.0f) / 120.0f) * 0.19999999f;
        steps[i] = magnitudes[i] >= floorMagnitude ? level : 0.0f;
    }

    for (size_t s = 0; s < 3; ++s)
    {
        for (size_t p = 0; p < (size_t) curvePoints; ++p)
        {
            auto& value = (*curves[s])[p];
            value.store (value.load (std::memory_order_relaxed) * 0.8f + steps[s * curvePoints + p],
                         std::memory_order_relaxed);
        }
    }

    feeds.spectraReady.store (true);
}

void FeedWriter::writeScope (const juce::AudioBuffer<float>& buffer, int numChannels, DisplayFeeds& feeds) noexcept
{
    const auto numSamples = buffer.getNumSamples();
    const auto* const* channels = buffer.getArrayOfReadPointers();
    const auto gain = numChannels >= 2 ? 0.5f : 1.0f;

    // Only the newest scopeSize samples stay in the ring; the index moves on by the whole block.
    const auto skipped = juce::jmax (0, numSamples - scopeSize);
    const auto count = numSamples - skipped;
    auto w = (int) ((feeds.scopeWriteIndex.load() + (juce::int64) skipped) % scopeSize);

    std::array<float, scopeSize> mixed;
    std::fill_n (mixed.begin(), count, 0.0f);

    for (int c = 0; c < numChannels; ++c)
        juce::FloatVectorOperations::add (mixed.data(), channels[c] + skipped, count);

    juce::FloatVectorOperations::multiply (mixed.data(), gain, count);

    for (int i = 0; i < count; ++i)
    {
        feeds.scopeRing[(size_t) w].store (mixed[(size_t) i], std::memory_order_relaxed);
        w = w + 1 == scopeSize ? 0 : w + 1;
    }

    feeds.scopeWriteIndex.store (w);
}
