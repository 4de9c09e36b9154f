#pragma once

#include "BlockSettings.h"
#include "ChannelSpectral.h"

#include <array>

/**
    Per-block values of the freeze and wobble machinery. Positions, spans and periods are in
    frames (hops of 512 samples).
*/
struct ScrubSettings
{
    static ScrubSettings fromBlock (const BlockSettings& settings) noexcept;

    int barFrames = 172;        // frames in one bar of four beats, 1 to 512
    float wobblePeriod = 0.0f;  // 0: no wobble
    int shape = 0;              // 0 triangle, 1 saw up, 2 saw down
    float seance = 0.0f;
    bool frozen = false;
};

/**
    Recording, freezing and scrubbing of a channel's nimbre spectrum. While recording, one row
    per frame enters the 512-row history rings; while frozen, the nimbre spectrum is rebuilt every
    frame from four history rows around a smoothed scrub position.
*/
namespace NimbreHistory
{
    /** Per-frame working space of the rebuild. */
    struct RebuildScratch
    {
        std::array<float, EngineConstants::numBins> sineSum {}, cosineSum {};
    };

    /** Takes the nimbre spectrum from a forward-transformed work buffer (interleaved bins). */
    void captureFrom (ChannelSpectral& channel, const float* bins) noexcept;

    /** Copies the nimbre spectrum into the next history row. */
    void push (ChannelSpectral& channel) noexcept;

    /** While frozen with two or more rows: moves the scrub position and rebuilds the spectrum. */
    void scrubAndRebuild (ChannelSpectral& channel, const ScrubSettings& settings, RebuildScratch& scratch) noexcept;

    /** While frozen: rotates every nimbre phase by one hop's worth. */
    void advancePhases (ChannelSpectral& channel, const ScrubSettings& settings) noexcept;
}
