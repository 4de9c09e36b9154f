#include "PluginSession.h"
#include "RenderFailure.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace
{
    [[noreturn]] void fail (const juce::String& message)
    {
        throw RenderFailure (message.toStdString());
    }

    /** The whole text as a finite number, or nothing. */
    bool parseNumber (const juce::String& text, double& result)
    {
        const auto s = text.trim().toStdString();

        if (s.empty())
            return false;

        char* end = nullptr;
        errno = 0;
        const auto value = std::strtod (s.c_str(), &end);

        if (errno != 0 || end != s.c_str() + s.size() || ! std::isfinite (value))
            return false;

        result = value;
        return true;
    }

    /** JUCE's VST3 wrapper derives each numeric parameter ID from the string ID by hashing. */
    juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& id)
    {
        const auto vstId = static_cast<juce::uint32> (id.hashCode()) & 0x7fffffffu;

        for (auto* parameter : plugin.getParameters())
            if (auto* hosted = dynamic_cast<juce::HostedAudioProcessorParameter*> (parameter))
                if (hosted->getParameterID() == juce::String (vstId))
                    return parameter;

        return nullptr;
    }

    juce::String textAt (const juce::AudioProcessorParameter& parameter, float normalised)
    {
        return parameter.getText (normalised, 1024);
    }

    /** The normalised value of a choice given by index or by name. */
    float choiceValue (const juce::AudioProcessorParameter& parameter, const juce::String& id, const juce::String& value)
    {
        const auto count = juce::jmax (2, parameter.getNumSteps());
        juce::StringArray names;

        for (int k = 0; k < count; ++k)
            names.add (textAt (parameter, (float) k / (float) (count - 1)));

        double number = 0.0;
        auto index = names.indexOf (value);

        if (index < 0 && parseNumber (value, number) && number == std::floor (number) && number >= 0.0 && number < count)
            index = (int) number;

        if (index < 0)
            fail ("bad value '" + value + "' for " + id + ": give 0 to " + juce::String (count - 1)
                  + " or one of " + names.joinIntoString (", "));

        return (float) index / (float) (count - 1);
    }
}

PluginSession::PluginSession (const juce::File& bundle, double rate, int size)
    : sampleRate (rate), blockSize (size)
{
    if (! bundle.isDirectory())
        fail ("no VST3 bundle at '" + bundle.getFullPathName() + "' (build it, or give one with --plugin)");

    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> descriptions;
    format.findAllTypesForFile (descriptions, bundle.getFullPathName());

    if (descriptions.isEmpty())
        fail ("'" + bundle.getFullPathName() + "' holds no VST3 plug-in that loads here");

    juce::String error;
    plugin = format.createInstanceFromDescription (*descriptions.getFirst(), sampleRate, blockSize, error);

    if (plugin == nullptr)
        fail ("cannot instantiate the plug-in in '" + bundle.getFullPathName() + "'"
              + (error.isNotEmpty() ? ": " + error : juce::String()));
}

PluginSession::~PluginSession()
{
    if (plugin != nullptr)
        plugin->releaseResources();
}

void PluginSession::useChannels (int numChannels)
{
    const auto set = juce::AudioChannelSet::canonicalChannelSet (numChannels);

    for (const auto sidechainOn : { false, true })
    {
        auto layout = plugin->getBusesLayout();

        if (layout.inputBuses.isEmpty() || layout.outputBuses.isEmpty())
            break;

        layout.inputBuses.getReference (0) = set;
        layout.outputBuses.getReference (0) = set;

        for (int bus = 1; bus < layout.inputBuses.size(); ++bus)
            layout.inputBuses.getReference (bus) = sidechainOn ? set : juce::AudioChannelSet::disabled();

        if (plugin->setBusesLayout (layout)
            && plugin->getMainBusNumInputChannels() == numChannels
            && plugin->getMainBusNumOutputChannels() == numChannels)
            return;
    }

    fail ("the plug-in refuses " + juce::String (numChannels) + "-channel audio (it takes mono or stereo)");
}

void PluginSession::set (const juce::String& id, const juce::String& value)
{
    auto* parameter = findParameter (*plugin, id);

    if (parameter == nullptr)
        fail ("unknown parameter '" + id + "'");

    const auto lowText = textAt (*parameter, 0.0f);
    const auto highText = textAt (*parameter, 1.0f);
    double low = 0.0, high = 0.0, number = 0.0;

    if (! parseNumber (lowText, low) || ! parseNumber (highText, high))
    {
        parameter->setValueNotifyingHost (choiceValue (*parameter, id, value));
        return;
    }

    if (! parseNumber (value, number))
        fail ("bad value '" + value + "' for " + id + ": give a number from " + lowText + " to " + highText);

    if (number < juce::jmin (low, high) || number > juce::jmax (low, high))
        fail (id + "=" + value + " is out of range: " + lowText + " to " + highText);

    // The plug-in's own text conversion maps real units onto its normalised scale.
    parameter->setValueNotifyingHost (parameter->getValueForText (juce::String (number, 9)));
}

int PluginSession::prepare()
{
    plugin->prepareToPlay (sampleRate, blockSize);

    // A hosted VST3 reports its latency through the message loop: wait for it, briefly.
    for (int waited = 0; waited < 2000 && plugin->getLatencySamples() == 0; waited += 20)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    return plugin->getLatencySamples();
}

int PluginSession::getBufferWidth() const
{
    return juce::jmax (plugin->getTotalNumInputChannels(), plugin->getTotalNumOutputChannels());
}

void PluginSession::process (juce::AudioBuffer<float>& block)
{
    plugin->processBlock (block, midi);
}
