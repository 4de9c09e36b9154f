#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
    const char* const declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> ";

    juce::MemoryBlock blockWithLength (juce::uint32 length, const std::string& bytes)
    {
        juce::MemoryBlock block;
        juce::MemoryOutputStream out (block, false);
        out.writeInt (0x21324356);
        out.writeInt (static_cast<int> (length));
        out.write (bytes.data(), bytes.size());
        out.writeByte (0);
        out.flush();
        return block;
    }

    juce::MemoryBlock blockWithLength (juce::uint32 length, const juce::String& text)
    {
        return blockWithLength (length, text.toStdString());
    }

    juce::MemoryBlock blockOf (const std::string& bytes)
    {
        return blockWithLength (static_cast<juce::uint32> (bytes.size()), bytes);
    }

    juce::MemoryBlock blockOf (const juce::String& text)
    {
        return blockOf (text.toStdString());
    }

    juce::MemoryBlock save (HollowmereProcessor& processor)
    {
        juce::MemoryBlock block;
        processor.getStateInformation (block);
        return block;
    }

    void restore (HollowmereProcessor& processor, const juce::MemoryBlock& block)
    {
        processor.setStateInformation (block.getData(), static_cast<int> (block.getSize()));
    }

    juce::String textOf (const juce::MemoryBlock& block)
    {
        return juce::String::fromUTF8 (static_cast<const char*> (block.getData()) + 8,
                                       static_cast<int> (block.getSize()) - 9);
    }

    float valueOf (const HollowmereProcessor& processor, const char* id)
    {
        return processor.apvts.getRawParameterValue (id)->load();
    }

    void setValue (HollowmereProcessor& processor, const char* id, float realValue)
    {
        auto* parameter = processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (realValue));
    }

    std::map<juce::String, float> allValues (const HollowmereProcessor& processor)
    {
        std::map<juce::String, float> values;

        for (auto* parameter : processor.getParameters())
            if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter))
                values[ranged->paramID] = valueOf (processor, ranged->paramID.toRawUTF8());

        return values;
    }

    /** A processor moved away from its defaults, so that a restore that does nothing shows. */
    struct MovedProcessor
    {
        MovedProcessor()
        {
            setValue (processor, "haunt", 0.25f);
            setValue (processor, "dryWet", 0.75f);
            setValue (processor, "release", 4.0f);
            setValue (processor, "wobbleFreeMs", 500.0f);
        }

        HollowmereProcessor processor;
    };
}

TEST (StatePersistence, DefaultBlockIsTheContainerAroundOneLineOfXml)
{
    HollowmereProcessor processor;
    const auto block = save (processor);
    const auto* bytes = static_cast<const juce::uint8*> (block.getData());

    ASSERT_GT (block.getSize(), 9u);
    EXPECT_EQ (bytes[0], 0x56);
    EXPECT_EQ (bytes[1], 0x43);
    EXPECT_EQ (bytes[2], 0x32);
    EXPECT_EQ (bytes[3], 0x21);
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4), block.getSize() - 9);
    EXPECT_EQ (bytes[block.getSize() - 1], 0);

    EXPECT_EQ (textOf (block),
               juce::String (declaration)
               + "<Parameters>"
                 "<PARAM id=\"drift\" value=\"0.0\"/>"
                 "<PARAM id=\"dryWet\" value=\"1.0\"/>"
                 "<PARAM id=\"haunt\" value=\"0.5\"/>"
                 "<PARAM id=\"inputGain\" value=\"0.0\"/>"
                 "<PARAM id=\"outputGain\" value=\"0.0\"/>"
                 "<PARAM id=\"release\" value=\"0.0\"/>"
                 "<PARAM id=\"scGain\" value=\"0.0\"/>"
                 "<PARAM id=\"seance\" value=\"0.0\"/>"
                 "<PARAM id=\"source\" value=\"0.0\"/>"
                 "<PARAM id=\"warp\" value=\"0.0\"/>"
                 "<PARAM id=\"whisper\" value=\"0.0\"/>"
                 "<PARAM id=\"wobbleFreeMs\" value=\"250.0\"/>"
                 "<PARAM id=\"wobbleMode\" value=\"0.0\"/>"
                 "<PARAM id=\"wobbleShape\" value=\"0.0\"/>"
                 "</Parameters>");
}

TEST (StatePersistence, SaveRestoreSaveGivesTheSameBytes)
{
    {
        HollowmereProcessor first, second;
        const auto block = save (first);
        restore (second, block);

        EXPECT_EQ (allValues (second), allValues (first));
        EXPECT_EQ (save (second), block);
    }

    MovedProcessor moved;
    setValue (moved.processor, "source", 1.0f);
    setValue (moved.processor, "outputGain", -6.5f);
    const auto block = save (moved.processor);

    HollowmereProcessor other;
    restore (other, block);

    EXPECT_EQ (allValues (other), allValues (moved.processor));
    EXPECT_EQ (save (other), block);
}

namespace
{
    struct IgnoredBlock
    {
        const char* name;
        juce::MemoryBlock block;
    };

    std::ostream& operator<< (std::ostream& stream, const IgnoredBlock& b)
    {
        return stream << b.name;
    }

    juce::MemoryBlock truncated (const juce::MemoryBlock& block, size_t size)
    {
        return { block.getData(), size };
    }

    juce::String validText()
    {
        return juce::String (declaration) + "<Parameters><PARAM id=\"haunt\" value=\"0.9\"/></Parameters>";
    }

    juce::String nested (int levels)
    {
        juce::String open, close;

        for (int i = 0; i < levels; ++i)
        {
            open << "<a>";
            close << "</a>";
        }

        return juce::String (declaration) + "<Parameters><PARAM id=\"haunt\" value=\"0.9\"/>"
               + open + close + "</Parameters>";
    }

    std::vector<IgnoredBlock> ignoredBlocks()
    {
        const auto valid = blockOf (validText());
        std::vector<IgnoredBlock> blocks;

        for (size_t size = 0; size <= 8; ++size)
            blocks.push_back ({ "shorterThanNineBytes", truncated (valid, size) });

        auto wrongMagic = valid;
        static_cast<char*> (wrongMagic.getData())[3] = 0x22;
        blocks.push_back ({ "wrongMagic", wrongMagic });

        blocks.push_back ({ "lengthZero", blockWithLength (0, validText()) });
        blocks.push_back ({ "lengthNegative", blockWithLength (0xffffffffu, validText()) });
        blocks.push_back ({ "lengthBeyondTruncatedText", truncated (valid, valid.getSize() - 20) });
        blocks.push_back ({ "textNotXml", blockOf (std::string ("haunt=0.9")) });
        blocks.push_back ({ "otherRootTag", blockOf (std::string ("<Settings><PARAM id=\"haunt\" value=\"0.9\"/></Settings>")) });
        auto zeroByteFirst = valid;
        static_cast<char*> (zeroByteFirst.getData())[8] = 0;
        blocks.push_back ({ "zeroByteFirst", zeroByteFirst });

        blocks.push_back ({ "brokenUtf8Sequence", blockOf (std::string ("<Parameters><PARAM id=\"haunt\" value=\"0.9\xe2\"/></Parameters>")) });
        blocks.push_back ({ "nestedOneLevelTooDeep", blockOf (nested (256)) });
        blocks.push_back ({ "attributeRepeated", blockOf (std::string ("<Parameters><PARAM id=\"wobbleFreeMs\" value=\"21\" value=\"2\"/></Parameters>")) });
        return blocks;
    }

    class IgnoredStateBlock : public testing::TestWithParam<IgnoredBlock> {};
}

TEST_P (IgnoredStateBlock, ChangesNothing)
{
    MovedProcessor moved;
    const auto before = allValues (moved.processor);
    const auto savedBefore = save (moved.processor);

    restore (moved.processor, GetParam().block);

    EXPECT_EQ (allValues (moved.processor), before);
    EXPECT_EQ (save (moved.processor), savedBefore);
}

INSTANTIATE_TEST_SUITE_P (Table, IgnoredStateBlock, testing::ValuesIn (ignoredBlocks()));

namespace
{
    struct AcceptedBlock
    {
        const char* name;
        juce::MemoryBlock block;
        std::map<juce::String, float> expected;  // parameters that must hold these values afterwards
        juce::String nextSaveContains;
    };

    std::ostream& operator<< (std::ostream& stream, const AcceptedBlock& b)
    {
        return stream << b.name;
    }

    juce::MemoryBlock inParameters (const juce::String& children, const juce::String& rootTag = "Parameters")
    {
        return blockOf (juce::String (declaration) + "<" + rootTag + ">" + children + "</" + rootTag + ">");
    }

    std::vector<AcceptedBlock> acceptedBlocks()
    {
        return {
            { "lowerCaseRootTag", inParameters ("<PARAM id=\"haunt\" value=\"0.5\"/>", "parameters"),
              { { "haunt", 0.5f } }, "<Parameters><PARAM id=\"haunt\" value=\"0.5\"/>" },
            { "upperCaseRootTag", inParameters ("<PARAM id=\"warp\" value=\"0.4\"/>", "PARAMETERS"),
              { { "warp", 0.4f } }, "<Parameters><PARAM id=\"warp\"" },
            { "missingChildKeepsValueAndGoesLast",
              inParameters ("<PARAM id=\"haunt\" value=\"0.5\"/><PARAM id=\"warp\" value=\"0.5\"/>"),
              { { "haunt", 0.5f }, { "warp", 0.5f }, { "dryWet", 0.75f }, { "release", 4.0f } },
              "<PARAM id=\"warp\" value=\"0.5\"/><PARAM id=\"drift\" value=\"0.0\"/><PARAM id=\"dryWet\" value=\"0.75\"/>" },
            { "releaseClampedFromNine", inParameters ("<PARAM id=\"release\" value=\"9\"/>"),
              { { "release", 7.0f } }, "<PARAM id=\"release\" value=\"7.0\"/>" },
            { "releaseSnappedFromTwoPointSix", inParameters ("<PARAM id=\"release\" value=\"2.6\"/>"),
              { { "release", 3.0f } }, "<PARAM id=\"release\" value=\"3.0\"/>" },
            { "missingValueSetsDefault", inParameters ("<PARAM id=\"haunt\"/><PARAM id=\"wobbleFreeMs\"/>"),
              { { "haunt", 0.5f }, { "wobbleFreeMs", 250.0f } }, "<PARAM id=\"haunt\" value=\"0.5\"/>" },
            { "textThatIsNoNumberCountsAsZero",
              inParameters ("<PARAM id=\"haunt\" value=\"loud\"/><PARAM id=\"dryWet\" value=\"nan\"/>"
                            "<PARAM id=\"wobbleFreeMs\" value=\"-nan\"/>"),
              { { "haunt", 0.0f }, { "dryWet", 0.0f }, { "wobbleFreeMs", 1.0f } },
              "<PARAM id=\"haunt\" value=\"0.0\"/><PARAM id=\"dryWet\" value=\"0.0\"/><PARAM id=\"wobbleFreeMs\" value=\"1.0\"/>" },
            { "exponentsTooLongForTheParser",
              inParameters ("<PARAM id=\"haunt\" value=\"1e99999999999\"/><PARAM id=\"warp\" value=\" -2.5E-0000099999999999\"/>"
                            "<PARAM id=\"dryWet\" value=\"0.0e+99999999999\"/>"),
              { { "haunt", 1.0f }, { "warp", 0.0f }, { "dryWet", 0.0f } },
              "<PARAM id=\"haunt\" value=\"1.0\"/>" },
            { "anyDecimalForm", inParameters ("<PARAM id=\"outputGain\" value=\" -6.50E0\"/><PARAM id=\"source\" value=\"1.000\"/>"),
              { { "outputGain", -6.5f }, { "source", 1.0f } }, "<PARAM id=\"outputGain\" value=\"-6.5\"/><PARAM id=\"source\" value=\"1.0\"/>" },
            { "lastChildNamingAParameterWins",
              inParameters ("<PARAM id=\"haunt\" value=\"0.75\"/><PARAM id=\"haunt\" value=\"0.5\"/>"),
              { { "haunt", 0.5f } }, "<PARAM id=\"haunt\" value=\"0.75\"/><PARAM id=\"haunt\" value=\"0.5\"/>" },
            { "unknownChildKept",
              inParameters ("<PARAM id=\"haunt\" value=\"0.5\"/><Later mode=\"x\"><Inner/></Later><PARAM id=\"nothing\" value=\"3\"/>"),
              { { "haunt", 0.5f }, { "dryWet", 0.75f } },
              "<PARAM id=\"haunt\" value=\"0.5\"/><Later mode=\"x\"><Inner/></Later><PARAM id=\"nothing\" value=\"3\"/><PARAM id=\"drift\"" },
            { "unknownAttributesKept",
              blockOf (juce::String (declaration) + "<Parameters build=\"7\"><PARAM id=\"haunt\" value=\"0.5\" curve=\"log\"/></Parameters>"),
              { { "haunt", 0.5f } }, "<Parameters build=\"7\"><PARAM id=\"haunt\" value=\"0.5\" curve=\"log\"/>" },
            { "lengthBeyondTheData", blockWithLength (10000, validText()), { { "haunt", 0.9f } }, "<Parameters><PARAM id=\"haunt\" value=\"0.8999999761581421\"/>" },
            { "deepestNestingAccepted", blockOf (nested (255)), { { "haunt", 0.9f } }, "<a><a><a/></a></a>" },
        };
    }

    class AcceptedStateBlock : public testing::TestWithParam<AcceptedBlock> {};
}

TEST_P (AcceptedStateBlock, RestoresAndKeepsTheTree)
{
    const auto& accepted = GetParam();
    MovedProcessor moved;
    auto expected = allValues (moved.processor);

    for (const auto& [id, value] : accepted.expected)
        expected[id] = value;

    restore (moved.processor, accepted.block);

    const auto values = allValues (moved.processor);

    for (const auto& [id, value] : expected)
        EXPECT_FLOAT_EQ (values.at (id), value) << id;

    const auto text = textOf (save (moved.processor));
    EXPECT_TRUE (text.contains (accepted.nextSaveContains)) << text;
    EXPECT_FALSE (text.containsAnyOf ("\r\n")) << text;
}

INSTANTIATE_TEST_SUITE_P (Table, AcceptedStateBlock, testing::ValuesIn (acceptedBlocks()));

TEST (StatePersistence, HundredThousandNestedElementsAreIgnoredWithoutCrashing)
{
    juce::String text (declaration);
    text.preallocateBytes (400000);
    text << "<Parameters><PARAM id=\"haunt\" value=\"0.9\"/>";

    for (int i = 0; i < 100000; ++i)
        text << "<a>";

    MovedProcessor moved;
    const auto before = allValues (moved.processor);
    restore (moved.processor, blockOf (text));

    EXPECT_EQ (allValues (moved.processor), before);
}
