#include "HostedPlugin.h"

namespace HostedPlugin
{
    juce::File builtBundle()
    {
        return juce::File (HOLLOWMERE_VST3_BUNDLE);
    }

    std::unique_ptr<juce::AudioPluginInstance> load (const juce::File& bundle, double sampleRate,
                                                     int blockSize, juce::String& error)
    {
        if (! bundle.exists())
        {
            error = "no VST3 bundle at " + bundle.getFullPathName();
            return {};
        }

        juce::VST3PluginFormat format;
        juce::OwnedArray<juce::PluginDescription> descriptions;
        format.findAllTypesForFile (descriptions, bundle.getFullPathName());

        if (descriptions.isEmpty())
        {
            error = "no plug-in class found in " + bundle.getFullPathName();
            return {};
        }

        auto instance = format.createInstanceFromDescription (*descriptions.getFirst(), sampleRate, blockSize, error);

        if (instance == nullptr && error.isEmpty())
            error = "the plug-in in " + bundle.getFullPathName() + " could not be instantiated";

        return instance;
    }

    void pumpMessages (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& id)
    {
        // JUCE's VST3 wrapper keeps the top bit clear for hosts that reject negative IDs.
        const auto vstId = static_cast<juce::uint32> (id.hashCode()) & 0x7fffffffu;

        for (auto* parameter : plugin.getParameters())
            if (auto* hosted = dynamic_cast<juce::HostedAudioProcessorParameter*> (parameter))
                if (hosted->getParameterID() == juce::String (vstId))
                    return parameter;

        return nullptr;
    }

    juce::AudioBuffer<float> process (juce::AudioPluginInstance& plugin,
                                      const juce::AudioBuffer<float>& input, int blockSize)
    {
        const auto numSamples = input.getNumSamples();
        const auto mainIn = plugin.getMainBusNumInputChannels();
        const auto mainOut = plugin.getMainBusNumOutputChannels();
        const auto width = juce::jmax (plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels());

        juce::AudioBuffer<float> io (width, numSamples);
        io.clear();

        for (int c = 0; c < juce::jmin (mainIn, input.getNumChannels()); ++c)
            io.copyFrom (c, 0, input, c, 0, numSamples);

        juce::MidiBuffer midi;

        for (int start = 0; start < numSamples; start += blockSize)
        {
            juce::AudioBuffer<float> block (io.getArrayOfWritePointers(), width, start,
                                            juce::jmin (blockSize, numSamples - start));
            plugin.processBlock (block, midi);
        }

        juce::AudioBuffer<float> output (mainOut, numSamples);

        for (int c = 0; c < mainOut; ++c)
            output.copyFrom (c, 0, io, c, 0, numSamples);

        return output;
    }
}

void HostedPluginTest::SetUp()
{
    juce::String error;
    plugin = HostedPlugin::load (HostedPlugin::builtBundle(), sampleRate, blockSize, error);
    ASSERT_NE (plugin, nullptr) << error;
}

void HostedPluginTest::TearDown()
{
    if (plugin != nullptr)
        plugin->releaseResources();

    plugin.reset();
}

void HostedPluginTest::prepare (double rate, int maximumBlockSize)
{
    plugin->prepareToPlay (rate, maximumBlockSize);

    // The latency arrives through the message loop; give it up to two seconds.
    for (int waited = 0; waited < 2000 && plugin->getLatencySamples() == 0; waited += 20)
        HostedPlugin::pumpMessages (20);
}

void HostedPluginTest::setParameterText (const juce::String& id, const juce::String& text)
{
    auto* parameter = HostedPlugin::findParameter (*plugin, id);
    ASSERT_NE (parameter, nullptr) << "no hosted parameter with ID " << id;
    parameter->setValueNotifyingHost (parameter->getValueForText (text));
}
