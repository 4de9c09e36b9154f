#pragma once

#include <juce_core/juce_core.h>

/**
    The texts of the editor's one-line hover help. They are UTF-8 (em dashes, an arrow, curly
    quotes), so they become juce::Strings only through `HelpTexts::toString`.
*/
namespace HelpTexts
{
    inline constexpr const char* haunt = u8"Haunt \u2014 morphs the live signal toward the captured nimbre spectrum";
    inline constexpr const char* whisper = u8"Whisper \u2014 Transfer the nimbre\u2019s spectral character onto the live signal";
    inline constexpr const char* seance = u8"Freeze \u2014 scrub and freeze spectral history (one bar)";
    inline constexpr const char* release = u8"Autoscrub \u2014 tempo-synced wobble: left=fast (1/64 bar) \u2192 right=slow (1/1 bar)";
    inline constexpr const char* wobbleFreeMs = u8"Autoscrub FREE \u2014 stepless wobble rate in milliseconds (lock icon to switch back to sync)";
    inline constexpr const char* drift = u8"Drift \u2014 smear the nimbre spectrum into an atmospheric wash";
    inline constexpr const char* warp = u8"Warp \u2014 saturate the nimbre spectrum before blending";
    inline constexpr const char* inputGain = u8"Input Gain \u2014 adjust input level (dB)";
    inline constexpr const char* scGain = u8"SC Gain \u2014 adjust sidechain level (dB)";
    inline constexpr const char* outputGain = u8"Output Gain \u2014 adjust output level (dB)";
    inline constexpr const char* dryWet = u8"Dry/Wet \u2014 mix between dry input and processed nimbre signal";

    // Over the sidechain lamp or its caption. The text shown while moving has two blanks after
    // "ON", the one shown on entering the window one.
    inline constexpr const char* sidechainOnMoving = u8"Sidechain ON  \u2014 Click to disable";
    inline constexpr const char* sidechainOnEntering = u8"Sidechain ON \u2014 Click to disable";
    inline constexpr const char* sidechainOff = u8"Sidechain OFF \u2014 Click to enable (connect a sidechain source in your DAW)";

    // Elsewhere over the sidechain row.
    inline constexpr const char* sidechainRowOn = u8"Sidechain active \u2014 click the radio switch or \u2018SC\u2019 label to disable";
    inline constexpr const char* sidechainRowOff = u8"Sidechain inactive \u2014 click the radio switch or \u2018SC\u2019 label to enable";

    inline constexpr const char* wobbleFree = u8"Wobble FREE mode \u2014 stepless ms rate, click to switch to tempo sync";
    inline constexpr const char* wobbleSync = u8"Wobble SYNC mode \u2014 tempo-synced divisions, click to switch to free rate";

    // The wave button's text is the prefix, the shape's name, then the suffix.
    inline constexpr const char* shapePrefix = u8"LFO shape: ";
    inline constexpr const char* shapeSuffix = u8" \u2014 click to cycle";

    inline juce::String toString (const char* utf8)
    {
        return juce::String (juce::CharPointer_UTF8 (utf8));
    }
}
