#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

/**
    The processor's saved state: its parameter tree as single-line XML text in the framework's
    binary container (magic number 0x21324356, text length = block size - 9, the text, a zero
    byte; both numbers little-endian).

    The tree is adopted whole on restore, so children and attributes this version does not know
    survive into the next save.
*/
namespace StatePersistence
{
    /** Replaces `destination` with a block holding every parameter's current value. */
    void save (juce::AudioProcessorValueTreeState& apvts, juce::MemoryBlock& destination);

    /** Restores the parameter tree from a block. A block that is not accepted (too short, wrong
        magic number, no text, text that does not parse or nests too deep, another root tag)
        changes nothing; the return value says whether the block was accepted.
    */
    bool restore (juce::AudioProcessorValueTreeState& apvts, const void* data, int sizeInBytes);
}
