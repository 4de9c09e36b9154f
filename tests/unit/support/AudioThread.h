#pragma once

#include "processor/PluginProcessor.h"

#include <atomic>
#include <cmath>
#include <thread>

namespace hollowmere::test
{
    /** Runs blocks of loud noise through a prepared processor on its own thread until destroyed,
        counting the blocks and any output sample that is not finite. */
    class AudioThread
    {
    public:
        explicit AudioThread (HollowmereProcessor& p, int blockSize = 256)
            : processor (p), samplesPerBlock (blockSize)
        {
            processor.prepareToPlay (44100.0, samplesPerBlock);
            worker = std::thread ([this] { run(); });
        }

        ~AudioThread()
        {
            running = false;
            worker.join();
        }

        int blocksProcessed() const { return blocks.load(); }
        int badSamples() const { return nonFinite.load(); }

        /** Waits (yielding) until the audio thread has run at least this many more blocks. */
        void waitForBlocks (int count) const
        {
            const auto target = blocks.load() + count;

            while (blocks.load() < target)
                std::this_thread::yield();
        }

    private:
        void run()
        {
            juce::AudioBuffer<float> buffer (processor.getTotalNumInputChannels(), samplesPerBlock);
            juce::MidiBuffer midi;
            juce::Random random (7);

            while (running)
            {
                for (int c = 0; c < buffer.getNumChannels(); ++c)
                    for (int i = 0; i < buffer.getNumSamples(); ++i)
                        buffer.setSample (c, i, random.nextFloat() * 2.2f - 1.1f);

                processor.processBlock (buffer, midi);

                for (int c = 0; c < processor.getTotalNumOutputChannels(); ++c)
                    for (int i = 0; i < buffer.getNumSamples(); ++i)
                        if (! std::isfinite (buffer.getSample (c, i)))
                            ++nonFinite;

                ++blocks;
            }
        }

        HollowmereProcessor& processor;
        const int samplesPerBlock;
        std::atomic<bool> running { true };
        std::atomic<int> blocks { 0 };
        std::atomic<int> nonFinite { 0 };
        std::thread worker;
    };
}
