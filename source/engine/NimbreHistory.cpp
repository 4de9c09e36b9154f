#include "NimbreHistory.h"

#include "VectorKernels.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <cmath>

using namespace EngineConstants;

namespace
{
    constexpr float twoPi = juce::MathConstants<float>::twoPi;
    constexpr float pi = juce::MathConstants<float>::pi;

    int computeBarFrames (float sampleRate, float hostBpm) noexcept
    {
        const auto bpm = hostBpm >= 20.0f ? hostBpm : 20.0f;    // also catches NaN
        const auto frames = sampleRate * 4.0f * 60.0f / bpm / (float) hopSize;
        return (int) juce::jlimit (1.0f, (float) historyRows, frames);
    }

    float computeWobblePeriod (const BlockSettings& s, int barFrames) noexcept
    {
        if (s.wobbleMode > 0.5f)
        {
            if (! (s.wobbleFreeMs >= 1.0f))
                return 0.0f;

            const auto period = juce::jmin (s.wobbleFreeMs / 1000.0f * s.sampleRate / (float) hopSize,
                                            (float) historyRows);
            return period < 2.0f ? 2.0f : period;
        }

        const auto division = (int) (s.release + 0.5f);

        if (division < 1)
            return 0.0f;

        return (float) barFrames / std::exp2 ((float) (7 - juce::jmin (division, 7)));
    }

    /** Offset in frames for a phase in [0, 2pi]; swings through +-A, A = half a period. */
    float wobbleShapeValue (int shape, float phase, float amplitude) noexcept
    {
        const auto y = phase / twoPi;

        switch (shape)
        {
            case 2:  return (1.0f - 2.0f * y) * amplitude;
            case 1:  return (2.0f * y - 1.0f) * amplitude;
            default: return (1.0f - 4.0f * std::abs (y - 0.5f)) * amplitude;
        }
    }

    /**
        The sines and cosines of one history row's phases, from the channel's cache when a slot
        holds them. Otherwise they go into a slot holding none of the rows this rebuild wants: of
        four slots at most three hold the other wanted rows, so one is always free.
    */
    const ChannelSpectral::PhasorRow& rowPhasors (ChannelSpectral& channel, int row, const int (&wanted)[4]) noexcept
    {
        for (const auto& cached : channel.phasorRows)
            if (cached.row == row)
                return cached;

        auto& slot = *std::find_if (channel.phasorRows.begin(), channel.phasorRows.end(), [&] (const auto& cached)
        {
            return std::find (std::begin (wanted), std::end (wanted), cached.row) == std::end (wanted);
        });

        VectorKernelSets::active().sinCos (channel.historyPhase[(size_t) row], slot.sine.data(), slot.cosine.data(), numBins);
        slot.row = row;
        return slot;
    }

    float advanceWobble (ChannelSpectral& channel, const ScrubSettings& settings) noexcept
    {
        if (! (settings.wobblePeriod > 0.5f))
        {
            channel.wobblePhase = 0.0f;
            return 0.0f;
        }

        channel.wobblePhase += twoPi / settings.wobblePeriod;

        while (channel.wobblePhase > twoPi)
            channel.wobblePhase -= twoPi;

        return wobbleShapeValue (settings.shape, channel.wobblePhase, 0.5f * settings.wobblePeriod);
    }
}

ScrubSettings ScrubSettings::fromBlock (const BlockSettings& s) noexcept
{
    ScrubSettings result;
    result.barFrames = computeBarFrames (s.sampleRate, s.hostBpm);
    result.wobblePeriod = computeWobblePeriod (s, result.barFrames);
    result.shape = juce::jlimit (0, 2, (int) (s.wobbleShape + 0.5f));
    result.seance = s.seance;
    result.frozen = s.seance > 0.01f;
    return result;
}

void NimbreHistory::captureFrom (ChannelSpectral& channel, const float* bins) noexcept
{
    VectorKernelSets::active().polar (bins, channel.nimbreMag.data(), channel.nimbrePhase.data(), numBins);
    channel.hasNimbre = true;
}

void NimbreHistory::push (ChannelSpectral& channel) noexcept
{
    const auto row = (size_t) channel.historyWritePos;

    for (auto& cached : channel.phasorRows)
        if (cached.row == channel.historyWritePos)
            cached.row = -1;

    std::copy (channel.nimbreMag.begin(), channel.nimbreMag.end(), channel.historyMag[row]);
    std::copy (channel.nimbrePhase.begin(), channel.nimbrePhase.end(), channel.historyPhase[row]);

    channel.historyWritePos = (channel.historyWritePos + 1) % historyRows;

    if (channel.historyCount < historyRows)
        ++channel.historyCount;
}

void NimbreHistory::scrubAndRebuild (ChannelSpectral& channel, const ScrubSettings& settings, RebuildScratch& scratch) noexcept
{
    if (! settings.frozen || channel.historyCount < 2)
    {
        channel.scrubPosValid = false;
        return;
    }

    const auto span = juce::jmin (settings.barFrames, channel.historyCount);
    const auto retained = juce::jmin (channel.historyCount, historyRows);
    const auto lastPosition = (float) (retained - 1);

    const auto wobble = advanceWobble (channel, settings);
    const auto target = juce::jlimit (0.0f, lastPosition,
                                      (float) juce::jmax (span - 1, 1) * settings.seance + wobble);

    if (channel.scrubPosValid)
    {
        channel.scrubPos = channel.scrubPos + 0.25f * (target - channel.scrubPos);
    }
    else
    {
        channel.scrubPos = target;
        channel.scrubPosValid = true;
    }

    channel.wobbleOffset = span >= 2 ? wobble / (float) (span - 1) : 0.0f;

    const auto p = juce::jlimit (0.0f, lastPosition, channel.scrubPos);
    const auto i = (int) std::floor (p);
    const auto d = p - (float) i;
    const auto d2 = d * d;
    const auto d3 = d2 * d;

    // Uniform cubic B-spline over the rows at positions i - 1 to i + 2.
    const float weights[4] = { (1.0f - 3.0f * d + 3.0f * d2 - d3) / 6.0f,
                               (4.0f - 6.0f * d2 + 3.0f * d3) / 6.0f,
                               (1.0f + 3.0f * d + 3.0f * d2 - 3.0f * d3) / 6.0f,
                               d3 / 6.0f };

    // Position 0 is the oldest retained row; positions wrap around the retained frames.
    const auto base = (channel.historyWritePos - retained + historyRows) % historyRows;
    int rows[4];
    const float* mags[4];

    for (int k = 0; k < 4; ++k)
    {
        const auto r = (((i - 1 + k) % retained) + retained) % retained;
        rows[k] = (base + r) % historyRows;
        mags[k] = channel.historyMag[(size_t) rows[k]];
    }

    auto* mag = channel.nimbreMag.data();

    for (int b = 0; b < numBins; ++b)
        mag[b] = weights[0] * mags[0][b] + weights[1] * mags[1][b] + weights[2] * mags[2][b] + weights[3] * mags[3][b];

    // The phase is the weighted circular mean of the four rows' phases.
    const auto& kernels = VectorKernelSets::active();
    auto* sineSum = scratch.sineSum.data();
    auto* cosineSum = scratch.cosineSum.data();
    std::fill (sineSum, sineSum + numBins, 0.0f);
    std::fill (cosineSum, cosineSum + numBins, 0.0f);

    for (int k = 0; k < 4; ++k)
    {
        const auto& phasors = rowPhasors (channel, rows[k], rows);

        for (size_t b = 0; b < (size_t) numBins; ++b)
        {
            sineSum[b] += weights[k] * phasors.sine[b];
            cosineSum[b] += weights[k] * phasors.cosine[b];
        }
    }

    kernels.atan2 (sineSum, cosineSum, channel.nimbrePhase.data(), numBins);

    channel.hasNimbre = true;
}

void NimbreHistory::advancePhases (ChannelSpectral& channel, const ScrubSettings& settings) noexcept
{
    if (! settings.frozen || ! channel.hasNimbre)
        return;

    // Bin b turns by b * pi / 2 over one hop of 512 samples at 2048 points.
    VectorKernelSets::active().advanceQuarterTurns (channel.nimbrePhase.data(), numBins);
}
