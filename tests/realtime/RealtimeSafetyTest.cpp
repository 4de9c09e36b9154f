#include "AudioThreadGuard.h"

#include "editor/PluginEditor.h"
#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

namespace
{
    struct Scenario
    {
        const char* name;
        std::vector<std::pair<const char*, float>> parameters;
        juce::AudioChannelSet main = juce::AudioChannelSet::stereo();
        juce::AudioChannelSet sidechain = juce::AudioChannelSet::stereo();
    };

    const std::vector<Scenario>& scenarios()
    {
        using Set = juce::AudioChannelSet;
        static const std::vector<Scenario> all {
            { "recording at defaults", {} },
            { "every stage at maximum", { { "haunt", 1.0f }, { "warp", 1.0f }, { "whisper", 1.0f }, { "drift", 1.0f } } },
            { "frozen, sync triangle", { { "seance", 0.6f }, { "release", 3.0f } } },
            { "frozen, sync saw up", { { "seance", 0.6f }, { "release", 5.0f }, { "wobbleShape", 1.0f } } },
            { "frozen, sync saw down", { { "seance", 0.6f }, { "release", 7.0f }, { "wobbleShape", 2.0f } } },
            { "frozen, free triangle", { { "seance", 0.3f }, { "wobbleMode", 1.0f } } },
            { "frozen, free saw up", { { "seance", 0.3f }, { "wobbleMode", 1.0f }, { "wobbleShape", 1.0f }, { "wobbleFreeMs", 20.0f } } },
            { "frozen, free saw down", { { "seance", 0.3f }, { "wobbleMode", 1.0f }, { "wobbleShape", 2.0f }, { "wobbleFreeMs", 4000.0f } } },
            { "stereo sidechain as source", { { "source", 1.0f }, { "haunt", 1.0f }, { "dryWet", 0.4f } } },
            { "mono sidechain as source", { { "source", 1.0f }, { "seance", 0.5f } }, Set::stereo(), Set::mono() },
            { "mono without sidechain", { { "drift", 0.7f }, { "whisper", 0.5f } }, Set::mono(), Set::disabled() },
            { "gain and mix ramps", { { "inputGain", 12.0f }, { "outputGain", -24.0f }, { "scGain", 6.0f }, { "dryWet", 0.0f } } },
        };
        return all;
    }

    void set (HollowmereProcessor& processor, const char* id, float value)
    {
        auto* parameter = processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    void fill (juce::AudioBuffer<float>& buffer, int start)
    {
        for (int c = 0; c < buffer.getNumChannels(); ++c)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                buffer.setSample (c, i, 0.5f * std::sin (0.01f * (float) ((start + i) * (c + 1))));
    }
}

TEST (RealtimeSafety, ProcessingNeverAllocatesOrLocks)
{
    const int blockSizes[] = { 1, 7, 64, 511, 512, 513, 4096, 8192 };

    for (const auto& scenario : scenarios())
    {
        HollowmereProcessor processor;
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (scenario.main);
        layout.inputBuses.add (scenario.sidechain);
        layout.outputBuses.add (scenario.main);
        ASSERT_TRUE (processor.setBusesLayout (layout)) << scenario.name;
        processor.prepareToPlay (44100.0, 8192);

        // Buffers are the host's: sized before the guarded calls.
        const auto numChannels = juce::jmax (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
        juce::AudioBuffer<float> buffer (numChannels, 8192);
        juce::MidiBuffer midi;
        int position = 0;

        for (const auto blockSize : blockSizes)
        {
            buffer.setSize (numChannels, blockSize, false, false, true);

            // The recording pass fills the history before the scenario's settings apply.
            for (int round = 0; round < 3; ++round)
            {
                if (round == 1)
                    for (const auto& [id, value] : scenario.parameters)
                        set (processor, id, value);

                for (int repeat = 0; repeat < juce::jmax (1, 4096 / blockSize); ++repeat)
                {
                    fill (buffer, position);
                    position += blockSize;

                    const AudioThreadGuard guard;

                    if (round == 2 && repeat % 2 == 1)
                        processor.processBlockBypassed (buffer, midi);
                    else
                        processor.processBlock (buffer, midi);

                    ASSERT_EQ (guard.getAllocations(), 0u) << scenario.name << ", block " << blockSize;
                    ASSERT_EQ (guard.getLocks(), 0u) << scenario.name << ", block " << blockSize;
                }
            }
        }
    }
}

TEST (RealtimeSafety, TheGuardSeesAllocationsAndLocks)
{
    std::mutex mutex;
    std::vector<float> grown;
    std::size_t allocations = 0, locks = 0;

    {
        const AudioThreadGuard guard;
        grown.resize (100);
        juce::AudioBuffer<float> buffer (2, 64);
        mutex.lock();
        mutex.unlock();
        allocations = guard.getAllocations();
        locks = guard.getLocks();
    }

    EXPECT_EQ (allocations, 2u);
    EXPECT_EQ (locks, 1u);
}

// A host's audio thread keeps processing while the editor is open: the refresh timer reads the
// feeds and the message thread moves parameters and saves state. Only the audio thread's own calls
// are counted; the message thread may allocate as it likes.
TEST (RealtimeSafety, ProcessingNeverAllocatesOrLocksWhileTheEditorRuns)
{
    HollowmereProcessor processor;
    processor.prepareToPlay (44100.0, 512);
    set (processor, "seance", 0.5f);
    auto editor = std::unique_ptr<HollowmereEditor> (static_cast<HollowmereEditor*> (processor.createEditor()));

    std::atomic<bool> finished { false };
    std::atomic<std::size_t> allocations { 0 }, locks { 0 };

    std::thread audio ([&]
    {
        juce::AudioBuffer<float> buffer (processor.getTotalNumInputChannels(), 512);
        juce::MidiBuffer midi;

        for (int block = 0; block < 2000; ++block)
        {
            fill (buffer, block * 512);
            const AudioThreadGuard guard;

            if (block % 50 == 49)
                processor.processBlockBypassed (buffer, midi);
            else
                processor.processBlock (buffer, midi);

            allocations += guard.getAllocations();
            locks += guard.getLocks();
        }

        finished = true;
    });

    for (int tick = 0; ! finished.load(); ++tick)
    {
        editor->timerCallback();
        set (processor, "haunt", (float) (tick % 10) / 10.0f);
        set (processor, "wobbleMode", (float) ((tick / 7) % 2));
        juce::MemoryBlock state;
        processor.getStateInformation (state);
        std::this_thread::sleep_for (std::chrono::milliseconds (2));
    }

    audio.join();
    EXPECT_EQ (allocations.load(), 0u);
    EXPECT_EQ (locks.load(), 0u);
}

// Some hosts send more samples than they announced. The processor must cope without growing its
// buffers on the audio thread and without leaving the range of what it sized.
TEST (RealtimeSafety, BlocksLongerThanAnnouncedNeitherAllocateNorBreak)
{
    HollowmereProcessor processor;
    processor.prepareToPlay (44100.0, 512);
    set (processor, "seance", 0.5f);
    juce::AudioBuffer<float> buffer (processor.getTotalNumInputChannels(), 16384);
    juce::MidiBuffer midi;

    for (int block = 0; block < 6; ++block)
    {
        fill (buffer, block * 16384);
        const AudioThreadGuard guard;

        if (block % 3 == 2)
            processor.processBlockBypassed (buffer, midi);
        else
            processor.processBlock (buffer, midi);

        EXPECT_EQ (guard.getAllocations(), 0u) << "block " << block;
        EXPECT_EQ (guard.getLocks(), 0u) << "block " << block;

        for (int c = 0; c < processor.getMainBusNumOutputChannels(); ++c)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                ASSERT_TRUE (std::isfinite (buffer.getSample (c, i))) << "block " << block << ", sample " << i;
    }
}
