#include "PluginSession.h"
#include "RenderFailure.h"

#include "processor/ParameterIDs.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

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
    juce::String vstIdOf (const juce::String& id)
    {
        return juce::String (static_cast<juce::uint32> (id.hashCode()) & 0x7fffffffu);
    }

    juce::String vstIdOf (const juce::AudioProcessorParameter& parameter)
    {
        if (auto* hosted = dynamic_cast<const juce::HostedAudioProcessorParameter*> (&parameter))
            return hosted->getParameterID();

        return {};
    }

    /** The string IDs the plug-in's parameters are stored and automated under. */
    const char* const knownIds[] = {
        ParameterIDs::haunt, ParameterIDs::drift, ParameterIDs::warp, ParameterIDs::whisper,
        ParameterIDs::source, ParameterIDs::seance, ParameterIDs::release, ParameterIDs::wobbleShape,
        ParameterIDs::wobbleMode, ParameterIDs::wobbleFreeMs, ParameterIDs::inputGain,
        ParameterIDs::outputGain, ParameterIDs::scGain, ParameterIDs::dryWet
    };

    /** The magic number that opens a JUCE state block written by copyXmlToBinary. */
    constexpr juce::uint32 stateBlockMagic = 0x21324356;

    /** The plug-in's own block at the start of `data` (the VST3 wrapper appends its own data
        after it), or an empty block. */
    juce::MemoryBlock leadingStateBlock (const juce::MemoryBlock& data)
    {
        if (data.getSize() < 8 || juce::ByteOrder::littleEndianInt (data.getData()) != stateBlockMagic)
            return {};

        const auto size = (size_t) juce::ByteOrder::littleEndianInt (data.begin() + 4) + 8;

        if (size > data.getSize())
            return {};

        return { data.getData(), size };
    }

    bool isVst3PresetFile (const juce::MemoryBlock& data)
    {
        return data.getSize() >= 4 && std::memcmp (data.getData(), "VST3", 4) == 0;
    }

    /** Reads the VST3 extension of a hosted instance, for its preset file format. */
    struct Vst3Access : public juce::ExtensionsVisitor
    {
        void visitVST3Client (const VST3Client& client) override { vst3 = &client; }

        const VST3Client* vst3 = nullptr;
    };

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

/** Reports a fixed tempo and a running transport, counting the samples played. */
class PluginSession::PlayHead : public juce::AudioPlayHead
{
public:
    PlayHead (double rate) : sampleRate (rate) {}

    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setBpm (bpm);
        info.setTimeSignature (TimeSignature { 4, 4 });
        info.setTimeInSamples (samplesPlayed);
        info.setTimeInSeconds ((double) samplesPlayed / sampleRate);
        info.setPpqPosition ((double) samplesPlayed / sampleRate * bpm / 60.0);
        info.setIsPlaying (true);
        return info;
    }

    double bpm = 120.0;
    juce::int64 samplesPlayed = 0;

private:
    const double sampleRate;
};

PluginSession::PluginSession (const juce::File& bundle, double rate, int size)
    : playHead (std::make_unique<PlayHead> (rate)), sampleRate (rate), blockSize (size)
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

    plugin->setPlayHead (playHead.get());
}

PluginSession::~PluginSession()
{
    if (plugin != nullptr)
        plugin->releaseResources();
}

void PluginSession::useChannels (int numChannels, int sidechainChannels)
{
    const auto set = juce::AudioChannelSet::canonicalChannelSet (numChannels);
    const auto sidechainSet = sidechainChannels > 0 ? juce::AudioChannelSet::canonicalChannelSet (sidechainChannels)
                                                    : juce::AudioChannelSet::disabled();
    auto layout = plugin->getBusesLayout();

    if (sidechainChannels > 0 && layout.inputBuses.size() < 2)
        fail ("the plug-in has no sidechain input");

    if (! layout.inputBuses.isEmpty() && ! layout.outputBuses.isEmpty())
    {
        layout.inputBuses.getReference (0) = set;
        layout.outputBuses.getReference (0) = set;

        for (int bus = 1; bus < layout.inputBuses.size(); ++bus)
            layout.inputBuses.getReference (bus) = bus == 1 ? sidechainSet : juce::AudioChannelSet::disabled();

        if (plugin->setBusesLayout (layout)
            && plugin->getMainBusNumInputChannels() == numChannels
            && plugin->getMainBusNumOutputChannels() == numChannels
            && (sidechainChannels == 0 || plugin->getChannelCountOfBus (true, 1) == sidechainChannels))
            return;
    }

    if (sidechainChannels > 0)
        fail ("the plug-in refuses " + juce::String (numChannels) + "-channel audio with a "
              + juce::String (sidechainChannels) + "-channel sidechain (both take mono or stereo)");

    fail ("the plug-in refuses " + juce::String (numChannels) + "-channel audio (it takes mono or stereo)");
}

juce::AudioProcessorParameter& PluginSession::findParameter (const juce::String& id) const
{
    const auto vstId = vstIdOf (id);

    for (auto* parameter : plugin->getParameters())
        if (vstIdOf (*parameter) == vstId)
            return *parameter;

    fail ("unknown parameter '" + id + "' (see --list-params)");
}

float PluginSession::normalisedValue (const juce::String& id, const juce::String& value) const
{
    auto& parameter = findParameter (id);
    const auto lowText = textAt (parameter, 0.0f);
    const auto highText = textAt (parameter, 1.0f);
    double low = 0.0, high = 0.0, number = 0.0;

    if (! parseNumber (lowText, low) || ! parseNumber (highText, high))
        return choiceValue (parameter, id, value);

    if (! parseNumber (value, number))
        fail ("bad value '" + value + "' for " + id + ": give a number from " + lowText + " to " + highText);

    if (number < juce::jmin (low, high) || number > juce::jmax (low, high))
        fail (id + "=" + value + " is out of range: " + lowText + " to " + highText);

    // The plug-in's own text conversion maps real units onto its normalised scale.
    return parameter.getValueForText (juce::String (number, 9));
}

void PluginSession::set (const juce::String& id, const juce::String& value)
{
    findParameter (id).setValueNotifyingHost (normalisedValue (id, value));
}

void PluginSession::bypass()
{
    auto* parameter = plugin->getBypassParameter();

    if (parameter == nullptr)
        fail ("the plug-in offers no bypass");

    parameter->setValueNotifyingHost (1.0f);
}

void PluginSession::setTempo (double bpm)
{
    playHead->bpm = bpm;
}

void PluginSession::loadPreset (const juce::File& file)
{
    const auto name = "'" + file.getFullPathName() + "'";

    if (! file.existsAsFile())
        fail ("cannot read preset " + name + ": no such file");

    // A Hollowmere state block is a few kilobytes; anything far larger is not one.
    if (file.getSize() > 1024 * 1024)
        fail (name + " is not a Hollowmere preset (far too large)");

    juce::MemoryBlock data;

    if (! file.loadFileAsData (data))
        fail ("cannot read preset " + name);

    if (isVst3PresetFile (data))
    {
        Vst3Access access;
        plugin->getExtensions (access);

        if (access.vst3 == nullptr || ! access.vst3->setPreset (data))
            fail (name + " is a VST3 preset of another plug-in, or damaged");

        return;
    }

    const auto block = leadingStateBlock (data);

    // The block's text must open with the plug-in's own root element; what lies inside is for the
    // plug-in to judge (it ignores a block it does not accept, as in a DAW).
    const auto text = juce::String::fromUTF8 (static_cast<const char*> (block.getData()) + juce::jmin ((size_t) 8, block.getSize()),
                                              (int) juce::jmin ((size_t) 4096, block.getSize() > 8 ? block.getSize() - 8 : 0));

    if (block.getSize() != data.getSize() || ! text.fromFirstOccurrenceOf ("?>", false, false).trimStart().startsWith ("<Parameters"))
        fail (name + " is not a Hollowmere preset (no state block of the plug-in)");

    juce::XmlElement state ("VST3PluginState");
    state.createNewChildElement ("IComponent")->addTextElement (block.toBase64Encoding());
    juce::MemoryBlock hostState;
    juce::AudioProcessor::copyXmlToBinary (state, hostState);
    plugin->setStateInformation (hostState.getData(), (int) hostState.getSize());
}

void PluginSession::savePreset (const juce::File& file) const
{
    juce::MemoryBlock data;

    if (file.hasFileExtension ("vstpreset"))
    {
        Vst3Access access;
        plugin->getExtensions (access);

        if (access.vst3 != nullptr)
            data = access.vst3->getPreset();
    }
    else
    {
        juce::MemoryBlock hostState;
        plugin->getStateInformation (hostState);

        if (const auto state = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize()))
            if (auto* component = state->getChildByName ("IComponent"))
            {
                juce::MemoryBlock componentState;

                if (componentState.fromBase64Encoding (component->getAllSubText()))
                    data = leadingStateBlock (componentState);
            }
    }

    if (data.isEmpty())
        fail ("the plug-in gave no state to save");

    const juce::TemporaryFile temp (file, juce::TemporaryFile::useHiddenFile);

    if (! temp.getFile().replaceWithData (data.getData(), data.getSize()) || ! temp.overwriteTargetFileWithTemporary())
        fail ("cannot write '" + file.getFullPathName() + "'");
}

juce::String PluginSession::describeParameters() const
{
    juce::StringArray lines;
    lines.add (juce::String ("ID").paddedRight (' ', 14) + juce::String ("name").paddedRight (' ', 18)
               + juce::String ("range").paddedRight (' ', 34) + juce::String ("default").paddedRight (' ', 14) + "value");

    for (auto* parameter : plugin->getParameters())
    {
        if (parameter == plugin->getBypassParameter())
            continue;

        juce::String id = vstIdOf (*parameter);

        for (const auto* known : knownIds)
            if (vstIdOf (known) == id)
                id = known;

        const auto low = textAt (*parameter, 0.0f);
        const auto high = textAt (*parameter, 1.0f);
        double number = 0.0;
        juce::String range;

        if (parseNumber (low, number) && parseNumber (high, number))
        {
            range = low + " to " + high;
        }
        else
        {
            juce::StringArray names;
            const auto count = juce::jmax (2, parameter->getNumSteps());

            for (int k = 0; k < count; ++k)
                names.add (textAt (*parameter, (float) k / (float) (count - 1)));

            range = names.joinIntoString (" | ");
        }

        lines.add (id.paddedRight (' ', 14) + parameter->getName (64).paddedRight (' ', 18)
                   + range.paddedRight (' ', 34) + textAt (*parameter, parameter->getDefaultValue()).paddedRight (' ', 14)
                   + textAt (*parameter, parameter->getValue()));
    }

    return lines.joinIntoString ("\n") + "\n";
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
    playHead->samplesPlayed += block.getNumSamples();
}
