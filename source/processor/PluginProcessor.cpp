#include "PluginProcessor.h"

#include "ParameterIDs.h"
#include "StatePersistence.h"
#include "editor/PluginEditor.h"

namespace
{
    float load (const std::atomic<float>* value) noexcept
    {
        return value->load (std::memory_order_relaxed);
    }
}

juce::AudioProcessor::BusesProperties HollowmereProcessor::makeBuses()
{
    return BusesProperties()
        .withInput ("Input", juce::AudioChannelSet::stereo(), true)
        .withInput ("Sidechain", juce::AudioChannelSet::stereo(), true)
        .withOutput ("Output", juce::AudioChannelSet::stereo(), true);
}

HollowmereProcessor::HollowmereProcessor()
    : juce::AudioProcessor (makeBuses()),
      apvts (*this, nullptr, "Parameters", createParameterLayout())
{
    namespace id = ParameterIDs;
    hauntValue        = apvts.getRawParameterValue (id::haunt);
    driftValue        = apvts.getRawParameterValue (id::drift);
    warpValue         = apvts.getRawParameterValue (id::warp);
    whisperValue      = apvts.getRawParameterValue (id::whisper);
    sourceValue       = apvts.getRawParameterValue (id::source);
    seanceValue       = apvts.getRawParameterValue (id::seance);
    releaseValue      = apvts.getRawParameterValue (id::release);
    wobbleShapeValue  = apvts.getRawParameterValue (id::wobbleShape);
    wobbleModeValue   = apvts.getRawParameterValue (id::wobbleMode);
    wobbleFreeMsValue = apvts.getRawParameterValue (id::wobbleFreeMs);
    inputGainValue    = apvts.getRawParameterValue (id::inputGain);
    outputGainValue   = apvts.getRawParameterValue (id::outputGain);
    dryWetValue       = apvts.getRawParameterValue (id::dryWet);
    scGainValue       = apvts.getRawParameterValue (id::scGain);
}

HollowmereProcessor::~HollowmereProcessor() = default;

const juce::String HollowmereProcessor::getName() const
{
    return "Hollowmere";
}

void HollowmereProcessor::prepareToPlay (double sampleRate, int)
{
    currentSampleRate.store (sampleRate);
    engine.prepare (getTotalNumOutputChannels());
    setLatencySamples (EngineConstants::latencySamples);
}

void HollowmereProcessor::releaseResources()
{
}

BlockSettings HollowmereProcessor::readBlockSettings()
{
    BlockSettings s;
    s.haunt = load (hauntValue);
    s.drift = load (driftValue);
    s.warp = load (warpValue);
    s.whisper = load (whisperValue);
    s.source = load (sourceValue);
    s.seance = load (seanceValue);
    s.release = load (releaseValue);
    s.wobbleShape = load (wobbleShapeValue);
    s.wobbleMode = load (wobbleModeValue);
    s.wobbleFreeMs = load (wobbleFreeMsValue);
    s.inputGainDb = load (inputGainValue);
    s.outputGainDb = load (outputGainValue);
    s.scGainDb = load (scGainValue);
    s.dryWet = load (dryWetValue);

    readHostTempo();
    s.hostBpm = hostBpm.load();
    s.sampleRate = static_cast<float> (currentSampleRate.load());
    return s;
}

void HollowmereProcessor::readHostTempo()
{
    if (auto* head = getPlayHead())
        if (const auto position = head->getPosition())
            if (const auto bpm = position->getBpm())
                hostBpm.store (static_cast<float> (*bpm));
}

void HollowmereProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    const juce::ScopedNoDenormals noDenormals;

    const auto settings = readBlockSettings();

    BusLayoutInfo layout;
    layout.totalOutputChannels = getTotalNumOutputChannels();
    layout.mainInputChannels = getBusCount (true) > 0 ? getChannelCountOfBus (true, 0) : 0;
    layout.sidechainChannels = getBusCount (true) > 1 ? getChannelCountOfBus (true, 1) : 0;

    engine.process (buffer, layout, settings, feeds);
}

void HollowmereProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    const juce::ScopedNoDenormals noDenormals;
    engine.processBypassed (buffer, getTotalNumOutputChannels());
}

double HollowmereProcessor::getTailLengthSeconds() const { return 0.0; }
bool HollowmereProcessor::acceptsMidi() const { return false; }
bool HollowmereProcessor::producesMidi() const { return false; }
bool HollowmereProcessor::isMidiEffect() const { return false; }

juce::AudioProcessorEditor* HollowmereProcessor::createEditor()
{
    return new HollowmereEditor (*this);
}

bool HollowmereProcessor::hasEditor() const { return true; }

int HollowmereProcessor::getNumPrograms() { return 1; }
int HollowmereProcessor::getCurrentProgram() { return 0; }
void HollowmereProcessor::setCurrentProgram (int) {}

const juce::String HollowmereProcessor::getProgramName (int index)
{
    // The one program is named: VST3 validators report a nameless program as an error.
    return index == 0 ? juce::String ("Default") : juce::String();
}

void HollowmereProcessor::changeProgramName (int, const juce::String&) {}

void HollowmereProcessor::getStateInformation (juce::MemoryBlock& destination)
{
    StatePersistence::save (apvts, destination);
}

void HollowmereProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    StatePersistence::restore (apvts, data, sizeInBytes);
}

bool HollowmereProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();
    const auto output = layouts.getMainOutputChannelSet();

    if (output != mono && output != stereo)
        return false;

    if (layouts.getMainInputChannelSet() != output)
        return false;

    if (layouts.inputBuses.size() > 1)
    {
        const auto sidechain = layouts.getChannelSet (true, 1);

        if (! sidechain.isDisabled() && sidechain != mono && sidechain != stereo)
            return false;
    }

    return true;
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new HollowmereProcessor();
}
