#pragma once

#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace hollowmere::test
{
    /** A play head that reports a settable tempo, or no tempo, or no position at all. */
    class TempoPlayHead final : public juce::AudioPlayHead
    {
    public:
        juce::Optional<PositionInfo> getPosition() const override
        {
            if (! reportsPosition)
                return {};

            PositionInfo info;

            if (bpm.hasValue())
                info.setBpm (*bpm);

            return info;
        }

        bool reportsPosition = true;
        juce::Optional<double> bpm;
    };

    enum class Layout
    {
        stereo,                 // stereo main bus, stereo sidechain
        stereoMonoSidechain,    // stereo main bus, mono sidechain
        stereoNoSidechain,      // stereo main bus, sidechain disabled
        mono                    // mono main bus, sidechain disabled
    };

    /** Sample value of a channel at a sample counted from the first block after prepareToPlay. */
    using SignalFn = std::function<float (int channel, juce::int64 sample)>;

    /** White noise in [-amplitude, amplitude], the same for a given seed, channel and sample. */
    inline float noise (juce::uint32 seed, int channel, juce::int64 sample, float amplitude)
    {
        // A small integer hash keeps every sample reproducible without any generator state.
        auto h = (juce::uint32) sample * 2654435761u ^ (juce::uint32) (channel + 1) * 2246822519u ^ seed * 3266489917u;
        h ^= h >> 15; h *= 2246822519u; h ^= h >> 13; h *= 3266489917u; h ^= h >> 16;
        return amplitude * ((float) (h >> 8) / 8388608.0f - 1.0f);
    }

    /**
        A HollowmereProcessor prepared at 44.1 kHz with a chosen bus layout and a tempo play head,
        fed block by block. Parameters are set as a host does, through their normalised values.
    */
    class Harness
    {
    public:
        explicit Harness (Layout layout = Layout::stereo, double sampleRate = 44100.0)
        {
            const auto mono = juce::AudioChannelSet::mono();
            const auto stereo = juce::AudioChannelSet::stereo();
            const auto disabled = juce::AudioChannelSet::disabled();

            juce::AudioProcessor::BusesLayout buses;
            const auto main = layout == Layout::mono ? mono : stereo;
            buses.inputBuses.add (main);
            buses.inputBuses.add (layout == Layout::stereo ? stereo
                                  : layout == Layout::stereoMonoSidechain ? mono : disabled);
            buses.outputBuses.add (main);

            const auto accepted = processor.setBusesLayout (buses);
            EXPECT_TRUE (accepted);

            processor.setPlayHead (&playHead);
            processor.prepareToPlay (sampleRate, 4096);
        }

        ~Harness() { processor.setPlayHead (nullptr); }

        /** Sets a parameter in real units (a choice by its index), through its normalised value. */
        void set (const char* id, float value)
        {
            auto* parameter = processor.apvts.getParameter (id);
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
        }

        /** The parameter's value in real units, as the audio thread reads it. */
        float value (const char* id) const
        {
            return processor.apvts.getRawParameterValue (id)->load();
        }

        int mainChannels() const { return processor.getChannelCountOfBus (true, 0); }
        int sidechainChannels() const { return processor.getChannelCountOfBus (true, 1); }
        int outputChannels() const { return processor.getTotalNumOutputChannels(); }
        int bufferChannels() const
        {
            return juce::jmax (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
        }

        const ChannelSpectral& channel (int index) const
        {
            return processor.engine.getChannels()[(size_t) index];
        }

        /** Processes one block of numSamples; main channels come first, the sidechain after them. */
        juce::AudioBuffer<float> run (int numSamples, const SignalFn& mainSignal, const SignalFn& sidechainSignal = {})
        {
            juce::AudioBuffer<float> buffer (bufferChannels(), numSamples);
            buffer.clear();

            for (int i = 0; i < numSamples; ++i)
            {
                const auto t = samplesProcessed + i;

                for (int c = 0; c < mainChannels(); ++c)
                    buffer.setSample (c, i, mainSignal ? mainSignal (c, t) : 0.0f);

                for (int c = 0; c < sidechainChannels(); ++c)
                    buffer.setSample (mainChannels() + c, i, sidechainSignal ? sidechainSignal (c, t) : 0.0f);
            }

            processor.processBlock (buffer, midi);
            samplesProcessed += numSamples;
            return buffer;
        }

        /** Runs whole frames, one block of 512 samples per frame. */
        void runFrames (int numFrames, const SignalFn& mainSignal, const SignalFn& sidechainSignal = {})
        {
            for (int f = 0; f < numFrames; ++f)
                run (EngineConstants::hopSize, mainSignal, sidechainSignal);
        }

        HollowmereProcessor processor;
        TempoPlayHead playHead;
        juce::MidiBuffer midi;
        juce::int64 samplesProcessed = 0;
    };
}
