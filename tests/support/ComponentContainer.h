#pragma once

#include <juce_data_structures/juce_data_structures.h>

namespace hollowmere::test
{
    /** What JUCE's VST3 component hands a host: the processor's block, eight zero bytes, the
        private value tree with "Bypass", its length, and the identifier at the very end.
    */
    inline juce::MemoryBlock componentContainer (const juce::MemoryBlock& block, bool bypassed)
    {
        juce::MemoryOutputStream privateData;
        juce::ValueTree tree ("JUCEPrivateData");
        tree.setProperty ("Bypass", bypassed, nullptr);
        tree.writeToStream (privateData);

        juce::MemoryOutputStream out;
        out.write (block.getData(), block.getSize());
        out.writeInt64 (0);
        out.write (privateData.getData(), privateData.getDataSize());
        out.writeInt64 (static_cast<juce::int64> (privateData.getDataSize()));
        out.write ("JUCEPrivateData", 15);
        return out.getMemoryBlock();
    }
}
