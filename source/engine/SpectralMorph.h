#pragma once

#include "BlockSettings.h"
#include "ChannelSpectral.h"

#include <juce_core/juce_core.h>

#include <array>

/** Per-block constants of the morphing stages, derived once from the parameter values. */
struct MorphSettings
{
    static MorphSettings fromBlock (const BlockSettings& settings) noexcept;

    float haunt = 0.5f;
    float whisper = 0.0f;
    float drift = 0.0f;
    float warp3 = 0.0f;
    float warpDrive = 1.0f;
    float smearAmount = 0.0f;
    float levelWeight = 1.0f;
    int whisperRadius = 4;      // bins, 4 to 24
    int driftRadius = 1;        // bins, 1 to 24
    bool shapingActive = true;
};

/** What a frame's morphing needs to know besides the parameters. */
struct FrameFlags
{
    bool frozen = false;
    bool useSidechain = false;
};

/**
    Reshapes the live spectrum toward the nimbre spectrum: level gap, per-bin smear, warp, haunt
    and smoothing, whisper envelope transfer, drift across frequency, and the resynthesis of the
    bins with the circular phase blend.

    Holds only per-frame scratch, so one instance serves every channel.
*/
class SpectralMorph
{
public:
    using BinArray = std::array<float, EngineConstants::numBins>;

    SpectralMorph();

    /** Level gap and the per-bin loop: reads the live bins in fftData, fills liveMag and
        shapedMag, and captures the live spectrum as the nimbre spectrum when the main input is
        the source and not frozen. */
    void shapeBins (ChannelSpectral& channel, const MorphSettings& settings, const FrameFlags& flags) noexcept;

    /** Whisper's envelope transfer onto shapedMag, then drift across frequency into the final
        magnitudes. */
    void applyWhisperAndDrift (ChannelSpectral& channel, const MorphSettings& settings) noexcept;

    /** Writes bins 0 to 1024 of fftData from the final magnitudes and the blended phases.
        Bins whose magnitude and phase no stage changed are left as the analysis gave them. */
    void resynthesise (ChannelSpectral& channel, const MorphSettings& settings) noexcept;

private:
    float levelGap (const ChannelSpectral& channel, const MorphSettings& settings) const noexcept;
    void warpAndHaunt (const ChannelSpectral& channel, const MorphSettings& settings, float gap) noexcept;

    /** Triangular smoothing across bins, truncated at the ends and renormalised there. */
    void smoothTriangular (const float* in, float* out, int radius) noexcept;

    static constexpr int maxRadius = 24;

    std::array<BinArray, maxRadius + 1> weightSums {};     // per radius (1 to 24), the weights inside the spectrum

    BinArray livePhase {};
    float* livePhases = livePhase.data();   // this frame's live phases: livePhase, or the captured nimbre ones
    BinArray envNimbre {};
    BinArray envShaped {};              // holds the drift-smoothed magnitudes once whisper is done
    BinArray warped {}, target {}, work {};
    BinArray liveSine {}, liveCosine {}, nimbreSine {}, nimbreCosine {};

    // Smoothing weights of a new value per bin: higher bins move more slowly, falls more slowly
    // than rises, and everything more slowly while frozen.
    BinArray riseWeights {}, fallWeights {}, frozenRiseWeights {}, frozenFallWeights {};
    std::array<float, EngineConstants::numBins + 2 * maxRadius> padded {};   // zeros stay at both ends
    std::array<float, 3 * (EngineConstants::numBins + 2 * maxRadius)> triangleScratch {};

    const float* finalMag = nullptr;    // shapedMag, or envShaped after drift
    bool magnitudesUntouched = false;   // finalMag equals liveMag by construction
    bool nimbrePhaseIsLive = false;     // this frame captured the live phases as the nimbre ones

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectralMorph)
};
