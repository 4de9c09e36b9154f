#include "SpectralMorph.h"

#include "VectorKernels.h"

#include <cmath>

using namespace EngineConstants;

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

SpectralMorph::SpectralMorph()
{
    // Triangular kernels, wt = 1 - |d| / (radius + 1). Near the ends of the spectrum the kernel is
    // cut short, so each bin divides by the sum of the weights that fall inside, added up in
    // ascending order of the bins they cover.
    for (int radius = 1; radius <= maxRadius; ++radius)
    {
        for (int b = 0; b < numBins; ++b)
        {
            float weightSum = 0.0f;

            for (int j = juce::jmax (b - radius, 0); j <= juce::jmin (b + radius, numBins - 1); ++j)
                weightSum += 1.0f - (float) std::abs (j - b) / (float) (radius + 1);

            weightSums[(size_t) radius][(size_t) b] = weightSum;
        }
    }

    for (size_t b = 0; b < (size_t) numBins; ++b)
    {
        const auto position = (float) b / 1024.0f;
        const auto slowdown = 0.2f * (position * position);
        riseWeights[b] = 0.85f - slowdown;
        fallWeights[b] = 0.55f - slowdown;
        frozenRiseWeights[b] = riseWeights[b] * 0.8f;
        frozenFallWeights[b] = fallWeights[b] * 0.8f;
    }
}

float SpectralMorph::levelGap (const ChannelSpectral& channel, const MorphSettings& settings) const noexcept
{
    if (! (settings.haunt > 0.0f) || ! channel.hasNimbre)
        return 0.0f;

    const auto& kernels = VectorKernelSets::active();
    const auto liveSum = kernels.sum (channel.liveMag.data(), numBins);
    const auto nimbreSum = kernels.sum (channel.nimbreMag.data(), numBins);

    if (! (liveSum > 1.0e-8f))
        return 0.0f;

    const auto ratio = nimbreSum / liveSum;
    return ratio < 1.0f ? (1.0f - ratio) * settings.levelWeight : 0.0f;
}

void SpectralMorph::shapeBins (ChannelSpectral& channel, const MorphSettings& settings, const FrameFlags& flags) noexcept
{
    constexpr auto n = (size_t) numBins;
    const auto* live = channel.liveMag.data();
    auto* nimbre = channel.nimbreMag.data();
    auto* shaped = channel.shapedMag.data();

    // A frame that captures the live spectrum writes its phases straight into the nimbre ones.
    const auto capturesLive = ! flags.frozen && ! flags.useSidechain;
    livePhases = capturesLive ? channel.nimbrePhase.data() : livePhase.data();
    VectorKernelSets::active().polar (channel.fftData.data(), channel.liveMag.data(), livePhases, numBins);

    const auto gap = levelGap (channel, settings);
    nimbrePhaseIsLive = capturesLive;
    magnitudesUntouched = true;

    if (capturesLive)
    {
        std::copy (live, live + n, nimbre);
        channel.hasNimbre = true;
    }
    else if (! channel.hasNimbre)
    {
        std::copy (live, live + n, shaped);
        return;
    }

    // Drift in time: the nimbre spectrum itself leans toward the live one.
    if (settings.smearAmount != 0.0f)
        for (size_t b = 0; b < n; ++b)
            nimbre[b] = nimbre[b] * (1.0f - settings.smearAmount) + live[b] * settings.smearAmount;

    if (! settings.shapingActive)
    {
        std::copy (live, live + n, shaped);
        return;
    }

    warpAndHaunt (channel, settings, gap);

    for (size_t b = 0; b < n; ++b)
        target[b] = juce::jmin (target[b], 4.0f * (live[b] + warped[b]) + 1.0e-10f);

    VectorKernelSets::active().smooth (target.data(), channel.smoothedMag.data(),
                                       flags.frozen ? frozenRiseWeights.data() : riseWeights.data(),
                                       flags.frozen ? frozenFallWeights.data() : fallWeights.data(),
                                       numBins);
    std::copy (channel.smoothedMag.begin(), channel.smoothedMag.end(), shaped);

    magnitudesUntouched = false;
}

void SpectralMorph::warpAndHaunt (const ChannelSpectral& channel, const MorphSettings& settings, float gap) noexcept
{
    constexpr auto n = (size_t) numBins;
    const auto& kernels = VectorKernelSets::active();
    const auto* live = channel.liveMag.data();
    const auto* nimbre = channel.nimbreMag.data();

    if (settings.warp3 > 0.0f)
    {
        // Saturate the nimbre magnitude relative to the pair's sum; the blend keeps warp 0 exact.
        for (size_t b = 0; b < n; ++b)
            work[b] = settings.warpDrive * nimbre[b] / (live[b] + nimbre[b] + 1.0e-10f);

        kernels.tanh (work.data(), warped.data(), numBins);

        for (size_t b = 0; b < n; ++b)
        {
            const auto s = live[b] + nimbre[b] + 1.0e-10f;
            warped[b] = warped[b] * s * settings.warp3 + nimbre[b] * (1.0f - settings.warp3);
        }
    }
    else
    {
        std::copy (nimbre, nimbre + n, warped.begin());
    }

    const auto haunt = settings.haunt;

    if (! (haunt > 0.0f))
    {
        std::copy (live, live + n, target.begin());
        return;
    }

    // Geometric interpolation from the live magnitude to the level-floored nimbre one.
    for (size_t b = 0; b < n; ++b)
        work[b] = juce::jmax (juce::jmax (gap * live[b], warped[b]), 1.0e-5f);

    kernels.log (work.data(), work.data(), numBins);

    for (size_t b = 0; b < n; ++b)
        target[b] = juce::jmax (live[b], 1.0e-5f);

    kernels.log (target.data(), target.data(), numBins);

    for (size_t b = 0; b < n; ++b)
        target[b] = haunt * work[b] + (1.0f - haunt) * target[b];

    kernels.exp (target.data(), target.data(), numBins);
}

void SpectralMorph::smoothTriangular (const float* in, float* out, int radius) noexcept
{
    const auto& sums = weightSums[(size_t) radius];
    std::copy (in, in + numBins, padded.begin() + maxRadius);
    VectorKernelSets::active().triangular (padded.data() + maxRadius, radius, out, numBins, triangleScratch.data());

    for (size_t b = 0; b < (size_t) numBins; ++b)
        out[b] /= sums[b];
}

void SpectralMorph::applyWhisperAndDrift (ChannelSpectral& channel, const MorphSettings& settings) noexcept
{
    auto* shaped = channel.shapedMag.data();

    if (settings.whisper > 0.01f && channel.hasNimbre)
    {
        smoothTriangular (channel.nimbreMag.data(), envNimbre.data(), settings.whisperRadius);
        smoothTriangular (shaped, envShaped.data(), settings.whisperRadius);

        const auto w = settings.whisper;

        // Keep the fine structure of the shaped spectrum under the nimbre contour, never boosting
        // a bin by more than four times.
        for (size_t b = 0; b < (size_t) numBins; ++b)
            shaped[b] = (1.0f - w) * shaped[b]
                      + w * juce::jmin (shaped[b] / (envShaped[b] + 1.0e-10f) * envNimbre[b],
                                        4.0f * shaped[b] + 1.0e-10f);

        magnitudesUntouched = false;
    }

    if (settings.drift > 0.01f)
    {
        smoothTriangular (shaped, envShaped.data(), settings.driftRadius);
        finalMag = envShaped.data();
        magnitudesUntouched = false;
    }
    else
    {
        finalMag = shaped;
    }
}

void SpectralMorph::resynthesise (ChannelSpectral& channel, const MorphSettings& settings) noexcept
{
    const auto& kernels = VectorKernelSets::active();
    auto* bins = channel.fftData.data();
    const auto haunt = settings.haunt;

    if (haunt > 0.0f && channel.hasNimbre)
    {
        kernels.sinCos (livePhases, liveSine.data(), liveCosine.data(), numBins);

        const auto* nimbreSin = liveSine.data();
        const auto* nimbreCos = liveCosine.data();

        if (! nimbrePhaseIsLive)
        {
            kernels.sinCos (channel.nimbrePhase.data(), nimbreSine.data(), nimbreCosine.data(), numBins);
            nimbreSin = nimbreSine.data();
            nimbreCos = nimbreCosine.data();
        }

        // Circular blend of the live and nimbre phases, carrying the final magnitude.
        kernels.blendPolar (finalMag, liveSine.data(), liveCosine.data(), nimbreSin, nimbreCos, haunt, bins, numBins);
        return;
    }

    // Polar form and back would give the analysis bins again, up to rounding.
    if (magnitudesUntouched)
        return;

    kernels.sinCos (livePhases, liveSine.data(), liveCosine.data(), numBins);
    kernels.rectangular (finalMag, liveSine.data(), liveCosine.data(), bins, numBins);
}
