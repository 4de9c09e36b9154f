#pragma once

/** Parameter IDs, as stored in saved states and host automation. They never change. */
namespace ParameterIDs
{
    inline constexpr const char* haunt = "haunt";
    inline constexpr const char* drift = "drift";
    inline constexpr const char* warp = "warp";
    inline constexpr const char* whisper = "whisper";
    inline constexpr const char* source = "source";
    inline constexpr const char* seance = "seance";
    inline constexpr const char* release = "release";
    inline constexpr const char* wobbleShape = "wobbleShape";
    inline constexpr const char* wobbleMode = "wobbleMode";
    inline constexpr const char* wobbleFreeMs = "wobbleFreeMs";
    inline constexpr const char* inputGain = "inputGain";
    inline constexpr const char* outputGain = "outputGain";
    inline constexpr const char* scGain = "scGain";
    inline constexpr const char* dryWet = "dryWet";

    /** Version hint carried by every parameter ID. */
    inline constexpr int versionHint = 1;
}
