#include "processor/PluginProcessor.h"
#include "../support/ComponentContainer.h"

#include <cmath>
#include <iostream>

// Usage: hollowmere_fuzz_seeds <state corpus dir> <process corpus dir> <large state dir>
//
// State seeds are real saved blocks (defaults, moved parameters), each also inside the container
// JUCE's VST3 component hands a host: block, eight zero bytes, the private value tree, its length
// and the identifier. Process seeds are a header (layout byte, fourteen parameter bytes) and a
// sine on every channel. Large state blocks are 16 MiB each: a well-formed text of many
// parameters, one that never closes its root, and one of bytes that are not text at all.
namespace
{
    void write (const juce::File& directory, const juce::String& name, const juce::MemoryBlock& data)
    {
        if (! directory.getChildFile (name).replaceWithData (data.getData(), data.getSize()))
            std::cerr << "cannot write " << name << "\n";
    }

    void writeStateSeeds (const juce::File& directory)
    {
        HollowmereProcessor processor;
        juce::MemoryBlock defaults, moved;
        processor.getStateInformation (defaults);

        for (auto* parameter : processor.getParameters())
            parameter->setValueNotifyingHost (0.8f);

        processor.getStateInformation (moved);

        write (directory, "defaults", defaults);
        write (directory, "moved", moved);
        write (directory, "defaults-in-container", hollowmere::test::componentContainer (defaults, false));
        write (directory, "moved-in-container-bypassed", hollowmere::test::componentContainer (moved, true));
    }

    juce::MemoryBlock processorBlock (const juce::MemoryBlock& text)
    {
        juce::MemoryOutputStream out;
        out.writeInt (0x21324356);
        out.writeInt ((int) text.getSize());
        out.write (text.getData(), text.getSize());
        out.writeByte (0);
        return out.getMemoryBlock();
    }

    void writeLargeStateSeeds (const juce::File& directory)
    {
        constexpr size_t size = 16u << 20;
        const auto repeated = [] (const juce::String& head, const juce::String& unit, const juce::String& tail)
        {
            juce::MemoryOutputStream text;
            text << head;

            while (text.getDataSize() + (size_t) unit.length() + (size_t) tail.length() + 9 < size)
                text << unit;

            text << tail;
            return text.getMemoryBlock();
        };

        write (directory, "many-parameters", processorBlock (repeated ("<Parameters>", "<PARAM id=\"haunt\" value=\"0.25\"/>", "</Parameters>")));
        write (directory, "unclosed-nesting", processorBlock (repeated ("<Parameters>", "<a>", "")));

        juce::MemoryBlock noise (size - 9);
        juce::Random random (9);
        random.fillBitsRandomly (noise.getData(), noise.getSize());
        write (directory, "not-text", processorBlock (noise));
    }

    void writeProcessSeeds (const juce::File& directory)
    {
        for (int layout = 0; layout < 6; ++layout)
        {
            juce::MemoryOutputStream out;
            out.writeByte ((char) (layout | (layout == 5 ? 0x80 : 0)));

            for (int i = 0; i < 14; ++i)
                out.writeByte ((char) (37 * (i + layout) % 256));

            for (int i = 0; i < 4 * 600; ++i)
                out.writeFloat (0.7f * std::sin (0.05f * (float) i));

            write (directory, "layout-" + juce::String (layout), out.getMemoryBlock());
        }
    }
}

int main (int argc, char** argv)
{
    if (argc != 4)
    {
        std::cerr << "usage: hollowmere_fuzz_seeds <state corpus dir> <process corpus dir> <large state dir>\n";
        return 2;
    }

    const juce::ScopedJuceInitialiser_GUI gui;
    const juce::File stateDir (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    const juce::File processDir (juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]));
    const juce::File largeDir (juce::File::getCurrentWorkingDirectory().getChildFile (argv[3]));

    for (const auto& directory : { stateDir, processDir, largeDir })
        directory.createDirectory();

    writeStateSeeds (stateDir);
    writeProcessSeeds (processDir);
    writeLargeStateSeeds (largeDir);
    return 0;
}
