#pragma once

#include "processor/PluginProcessor.h"

#include <vector>

/** A processor driven the way a host drives it: bus layout, parameters in real units, blocks. */
struct ProcessorRig
{
    using Signal = std::vector<std::vector<float>>;    // [channel][sample]

    /** Main buses of `main` channels and a sidechain of the same width, then prepareToPlay. */
    bool prepare (int mainChannels, double sampleRate = 44100.0)
    {
        const auto set = mainChannels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (set);
        layout.inputBuses.add (set);
        layout.outputBuses.add (set);

        if (! processor.setBusesLayout (layout))
            return false;

        processor.prepareToPlay (sampleRate, 512);
        return true;
    }

    void set (const char* id, float realValue)
    {
        auto* parameter = processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (realValue));
    }

    /** Haunt 0 at full wet with every other control at its default: the pipeline's identity. */
    void setIdentity()
    {
        set ("haunt", 0.0f);
        set ("dryWet", 1.0f);
    }

    /** Plays `input` on the main bus in blocks of `blockSize` (sidechain silent); the main output. */
    Signal render (const Signal& input, int blockSize)
    {
        const auto numChannels = (int) input.size();
        const auto numSamples = (int) input.front().size();
        const auto width = juce::jmax (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
        Signal output ((size_t) numChannels, std::vector<float> ((size_t) numSamples));

        juce::AudioBuffer<float> buffer (width, blockSize);
        juce::MidiBuffer midi;

        for (int start = 0; start < numSamples; start += blockSize)
        {
            const auto n = juce::jmin (blockSize, numSamples - start);
            buffer.setSize (width, n, false, false, true);
            buffer.clear();

            for (int c = 0; c < numChannels; ++c)
                buffer.copyFrom (c, 0, input[(size_t) c].data() + start, n);

            processor.processBlock (buffer, midi);

            for (int c = 0; c < numChannels; ++c)
                std::copy (buffer.getReadPointer (c), buffer.getReadPointer (c) + n, output[(size_t) c].data() + start);
        }

        return output;
    }

    HollowmereProcessor processor;
};

/** Deterministic noise in -1 to 1, a different stream per channel. */
inline ProcessorRig::Signal makeNoise (int numChannels, int numSamples, juce::int64 seed = 1)
{
    juce::Random random (seed);
    ProcessorRig::Signal signal ((size_t) numChannels, std::vector<float> ((size_t) numSamples));

    for (auto& channel : signal)
        for (auto& sample : channel)
            sample = random.nextFloat() * 2.0f - 1.0f;

    return signal;
}
