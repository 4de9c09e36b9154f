#include "HostedPlugin.h"
#include "../support/ComponentContainer.h"

namespace
{
    const char* const declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> ";

    /** The processor's own block: magic, text length, text, zero byte. */
    juce::MemoryBlock processorBlock (const juce::String& text)
    {
        juce::MemoryBlock block;
        juce::MemoryOutputStream out (block, false);
        out.writeInt (0x21324356);
        out.writeInt (static_cast<int> (text.getNumBytesAsUTF8()));
        out.write (text.toRawUTF8(), text.getNumBytesAsUTF8());
        out.writeByte (0);
        out.flush();
        return block;
    }

    /** The component part of the host's own state of a hosted VST3. */
    juce::MemoryBlock componentStateOf (juce::AudioPluginInstance& plugin)
    {
        juce::MemoryBlock hostState;
        plugin.getStateInformation (hostState);
        juce::MemoryBlock component;

        if (const auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), static_cast<int> (hostState.getSize())))
            if (auto* child = xml->getChildByName ("IComponent"))
                component.fromBase64Encoding (child->getAllSubText());

        return component;
    }

    void restoreComponentState (juce::AudioPluginInstance& plugin, const juce::MemoryBlock& component)
    {
        juce::XmlElement hostState ("VST3PluginState");
        hostState.createNewChildElement ("IComponent")->addTextElement (component.toBase64Encoding());

        juce::MemoryBlock block;
        juce::AudioProcessor::copyXmlToBinary (hostState, block);
        plugin.setStateInformation (block.getData(), static_cast<int> (block.getSize()));
    }

    juce::String parameters (const juce::String& children)
    {
        return juce::String (declaration) + "<Parameters>" + children + "</Parameters>";
    }

    juce::String param (const char* id, const char* value)
    {
        return juce::String ("<PARAM id=\"") + id + "\" value=\"" + value + "\"/>";
    }
}

TEST_F (HostedPluginTest, SavesItsBlockInsideTheFrameworkContainer)
{
    setParameterText ("haunt", "0.25");
    prepare();
    HostedPlugin::process (*plugin, juce::AudioBuffer<float> (2, blockSize), blockSize);

    const auto expected = parameters (param ("drift", "0.0") + param ("dryWet", "1.0") + param ("haunt", "0.25")
                                      + param ("inputGain", "0.0") + param ("outputGain", "0.0")
                                      + param ("release", "0.0") + param ("scGain", "0.0") + param ("seance", "0.0")
                                      + param ("source", "0.0") + param ("warp", "0.0") + param ("whisper", "0.0")
                                      + param ("wobbleFreeMs", "250.0") + param ("wobbleMode", "0.0")
                                      + param ("wobbleShape", "0.0"));

    EXPECT_EQ (componentStateOf (*plugin), hollowmere::test::componentContainer (processorBlock (expected), false));
}

TEST_F (HostedPluginTest, RestoresItsBlockAndTheBypassFromTheFrameworkContainer)
{
    const auto restored = parameters (param ("release", "2.6") + param ("haunt", "0.75")
                                      + "<Later keep=\"1\"/>" + param ("source", "1"));
    restoreComponentState (*plugin, hollowmere::test::componentContainer (processorBlock (restored), true));

    EXPECT_FLOAT_EQ (HostedPlugin::findParameter (*plugin, "haunt")->getValue(), 0.75f);
    EXPECT_FLOAT_EQ (HostedPlugin::findParameter (*plugin, "release")->getValue(), 3.0f / 7.0f);
    EXPECT_FLOAT_EQ (HostedPlugin::findParameter (*plugin, "source")->getValue(), 1.0f);
    ASSERT_NE (plugin->getBypassParameter(), nullptr);
    EXPECT_EQ (plugin->getBypassParameter()->getValue(), 1.0f);

    // The restored order, then the parameters the block lacked in ascending order, each value
    // in its saved text form.
    const auto expected = parameters (param ("release", "3.0") + param ("haunt", "0.75")
                                      + "<Later keep=\"1\"/>" + param ("source", "1.0")
                                      + param ("drift", "0.0") + param ("dryWet", "1.0")
                                      + param ("inputGain", "0.0") + param ("outputGain", "0.0")
                                      + param ("scGain", "0.0") + param ("seance", "0.0") + param ("warp", "0.0")
                                      + param ("whisper", "0.0") + param ("wobbleFreeMs", "250.0")
                                      + param ("wobbleMode", "0.0") + param ("wobbleShape", "0.0"));

    EXPECT_EQ (componentStateOf (*plugin), hollowmere::test::componentContainer (processorBlock (expected), true));
}

TEST_F (HostedPluginTest, IgnoresADeeplyNestedBlockWithoutCrashing)
{
    setParameterText ("haunt", "0.25");
    prepare();
    HostedPlugin::process (*plugin, juce::AudioBuffer<float> (2, blockSize), blockSize);
    const auto before = componentStateOf (*plugin);

    juce::String nested;
    nested.preallocateBytes (300000);

    for (int i = 0; i < 100000; ++i)
        nested << "<a>";

    restoreComponentState (*plugin, hollowmere::test::componentContainer (processorBlock (parameters (param ("haunt", "0.5") + nested)), false));

    EXPECT_FLOAT_EQ (HostedPlugin::findParameter (*plugin, "haunt")->getValue(), 0.25f);
    EXPECT_EQ (componentStateOf (*plugin), before);
}
