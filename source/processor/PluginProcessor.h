#pragma once

#include "engine/DisplayFeeds.h"
#include "engine/SpectralEngine.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>

/**
    The object a host talks to: parameters, buses, state, and the spectral engine it feeds once
    per block. The editor reads only `apvts` and `feeds`.
*/
class HollowmereProcessor final : public juce::AudioProcessor
{
public:
    HollowmereProcessor();
    ~HollowmereProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;

    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    void processBlockBypassed (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock;
    using juce::AudioProcessor::processBlockBypassed;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destination) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    juce::AudioProcessorValueTreeState apvts;

    /** Values the audio thread publishes for the editor. */
    DisplayFeeds feeds;

    /** Host tempo in beats per minute; kept when the host reports none. */
    std::atomic<float> hostBpm { 120.0f };

    std::atomic<double> currentSampleRate { 44100.0 };

    /** The spectral engine; touched only by prepareToPlay and the audio thread. */
    SpectralEngine engine;

private:
    static BusesProperties makeBuses();
    BlockSettings readBlockSettings();
    void readHostTempo();

    std::atomic<float>* hauntValue = nullptr;
    std::atomic<float>* driftValue = nullptr;
    std::atomic<float>* whisperValue = nullptr;
    std::atomic<float>* warpValue = nullptr;
    std::atomic<float>* sourceValue = nullptr;
    std::atomic<float>* seanceValue = nullptr;
    std::atomic<float>* releaseValue = nullptr;
    std::atomic<float>* wobbleShapeValue = nullptr;
    std::atomic<float>* wobbleModeValue = nullptr;
    std::atomic<float>* wobbleFreeMsValue = nullptr;
    std::atomic<float>* inputGainValue = nullptr;
    std::atomic<float>* outputGainValue = nullptr;
    std::atomic<float>* scGainValue = nullptr;
    std::atomic<float>* dryWetValue = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HollowmereProcessor)
};
