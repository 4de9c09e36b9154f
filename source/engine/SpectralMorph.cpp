#include "SpectralMorph.h"

#include <cmath>

using namespace EngineConstants;

namespace
{
    /**
        Triangular smoothing across bins: out[b] = sum of wt * in[j] / sum of wt over
        j = b - radius .. b + radius, wt = 1 - |j - b| / (radius + 1). The kernel is truncated at
        the spectrum's ends and renormalised by its own weight sum, so the edges keep their level.
    */
    void triangularSmooth (const float* in, float* out, int radius) noexcept
    {
        const auto norm = (float) (radius + 1);

        for (int b = 0; b < numBins; ++b)
        {
            const auto first = juce::jmax (b - radius, 0);
            const auto last = juce::jmin (b + radius, numBins - 1);
            float weighted = 0.0f, weightSum = 0.0f;

            for (int j = first; j <= last; ++j)
            {
                const auto wt = 1.0f - (float) std::abs (j - b) / norm;
                weighted += wt * in[j];
                weightSum += wt;
            }

            out[b] = weighted / weightSum;
        }
    }
}

MorphSettings MorphSettings::fromBlock (const BlockSettings& s) noexcept
{
    MorphSettings m;
    m.haunt = s.haunt;
    m.whisper = s.whisper;
    m.drift = s.drift;
    m.warp3 = s.warp * s.warp * s.warp;
    m.warpDrive = 1.0f + 5.0f * m.warp3;
    m.smearAmount = 0.05f * (s.drift * s.drift);
    m.levelWeight = 1.0f - juce::jlimit (0.0f, 1.0f, (s.haunt - 0.15f) / 0.55f);
    m.whisperRadius = (int) (20.0f * s.whisper) + 4;

    const auto driftRadius = (int) (24.0f * (s.drift * s.drift));
    m.driftRadius = driftRadius < 2 ? 1 : driftRadius;
    m.shapingActive = m.warp3 > 0.0f || s.haunt > 0.0f;
    return m;
}

float SpectralMorph::levelGap (const ChannelSpectral& channel, const MorphSettings& settings) const noexcept
{
    if (! (settings.haunt > 0.0f) || ! channel.hasNimbre)
        return 0.0f;

    const auto* bins = channel.fftData.data();
    float liveSum = 0.0f, nimbreSum = 0.0f;

    for (int b = 0; b < numBins; ++b)
        liveSum += std::sqrt (bins[2 * b] * bins[2 * b] + bins[2 * b + 1] * bins[2 * b + 1]);

    for (int b = 0; b < numBins; ++b)
        nimbreSum += channel.nimbreMag[(size_t) b];

    if (! (liveSum > 1.0e-8f))
        return 0.0f;

    const auto ratio = nimbreSum / liveSum;
    return ratio < 1.0f ? (1.0f - ratio) * settings.levelWeight : 0.0f;
}

void SpectralMorph::shapeBins (ChannelSpectral& channel, const MorphSettings& settings, const FrameFlags& flags) noexcept
{
    const auto gap = levelGap (channel, settings);
    const auto capturesLive = ! flags.frozen && ! flags.useSidechain;
    const auto hadNimbre = channel.hasNimbre;
    const auto* bins = channel.fftData.data();
    const auto haunt = settings.haunt;

    for (int b = 0; b < numBins; ++b)
    {
        const auto re = bins[2 * b];
        const auto im = bins[2 * b + 1];
        const auto a = std::sqrt (re * re + im * im);
        const auto phase = std::atan2 (im, re);
        const auto i = (size_t) b;

        livePhase[i] = phase;
        channel.liveMag[i] = a;

        if (capturesLive)
        {
            channel.nimbreMag[i] = a;
            channel.nimbrePhase[i] = phase;
            channel.hasNimbre = true;
        }
        else if (! hadNimbre)
        {
            channel.shapedMag[i] = a;
            continue;
        }

        // Drift in time: the nimbre spectrum itself leans toward the live one.
        channel.nimbreMag[i] = channel.nimbreMag[i] * (1.0f - settings.smearAmount) + a * settings.smearAmount;

        if (! settings.shapingActive)
        {
            channel.shapedMag[i] = a;
            continue;
        }

        auto v = channel.nimbreMag[i];

        if (settings.warp3 > 0.0f)
        {
            const auto s = a + v + 1.0e-10f;
            v = std::tanh (settings.warpDrive * v / s) * s * settings.warp3 + v * (1.0f - settings.warp3);
        }

        auto target = a;

        if (haunt > 0.0f)
        {
            // Geometric interpolation from the live magnitude to the level-floored nimbre one.
            const auto floored = juce::jmax (gap * a, v);
            target = std::exp (haunt * std::log (juce::jmax (floored, 1.0e-5f))
                               + (1.0f - haunt) * std::log (juce::jmax (a, 1.0e-5f)));
        }

        const auto limited = juce::jmin (target, 4.0f * (a + v) + 1.0e-10f);

        const auto previous = channel.smoothedMag[i];
        const auto position = (float) b / 1024.0f;
        auto weight = (limited >= previous ? 0.85f : 0.55f) - 0.2f * (position * position);

        if (flags.frozen)
            weight *= 0.8f;

        channel.smoothedMag[i] = weight * limited + (1.0f - weight) * previous;
        channel.shapedMag[i] = channel.smoothedMag[i];
    }
}

void SpectralMorph::applyWhisperAndDrift (ChannelSpectral& channel, const MorphSettings& settings) noexcept
{
    auto* shaped = channel.shapedMag.data();

    if (settings.whisper > 0.01f && channel.hasNimbre)
    {
        triangularSmooth (channel.nimbreMag.data(), envNimbre.data(), settings.whisperRadius);
        triangularSmooth (shaped, envShaped.data(), settings.whisperRadius);

        const auto w = settings.whisper;

        // Keep the fine structure of the shaped spectrum under the nimbre contour, never boosting
        // a bin by more than four times.
        for (size_t b = 0; b < (size_t) numBins; ++b)
            shaped[b] = (1.0f - w) * shaped[b]
                      + w * juce::jmin (shaped[b] / (envShaped[b] + 1.0e-10f) * envNimbre[b],
                                        4.0f * shaped[b] + 1.0e-10f);
    }

    if (settings.drift > 0.01f)
    {
        triangularSmooth (shaped, envShaped.data(), settings.driftRadius);
        finalMag = envShaped.data();
    }
    else
    {
        finalMag = shaped;
    }
}

void SpectralMorph::resynthesise (ChannelSpectral& channel, const MorphSettings& settings) const noexcept
{
    auto* bins = channel.fftData.data();
    const auto haunt = settings.haunt;

    if (haunt > 0.0f && channel.hasNimbre)
    {
        for (size_t b = 0; b < (size_t) numBins; ++b)
        {
            const auto nimbrePhase = channel.nimbrePhase[b];
            const auto x = (1.0f - haunt) * std::cos (livePhase[b]) + haunt * std::cos (nimbrePhase);
            const auto y = (1.0f - haunt) * std::sin (livePhase[b]) + haunt * std::sin (nimbrePhase);
            const auto k = finalMag[b] / (std::sqrt (x * x + y * y) + 1.0e-10f);
            bins[2 * b] = x * k;
            bins[2 * b + 1] = y * k;
        }
    }
    else
    {
        for (size_t b = 0; b < (size_t) numBins; ++b)
        {
            bins[2 * b] = finalMag[b] * std::cos (livePhase[b]);
            bins[2 * b + 1] = finalMag[b] * std::sin (livePhase[b]);
        }
    }
}
