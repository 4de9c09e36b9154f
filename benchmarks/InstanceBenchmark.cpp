#include "processor/PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

/*
    What one more instance costs a host: the time from construction to the end of the first
    prepareToPlay at 44.1 kHz stereo, and the heap it holds per channel.
*/
namespace
{
    void prepareStereo (HollowmereProcessor& processor)
    {
        processor.prepareToPlay (44100.0, 512);
    }

    void InstanceCreation (benchmark::State& state)
    {
        for (auto _ : state)
        {
            HollowmereProcessor processor;
            prepareStereo (processor);
            benchmark::DoNotOptimize (processor.engine.getChannels().data());
        }
    }

    size_t heapInUse()
    {
        const auto info = mallinfo2();
        return info.uordblks + info.hblkhd;
    }

    /** Heap held per channel: a stereo instance minus a mono one, both prepared. */
    void MemoryPerChannel (benchmark::State& state)
    {
        size_t perChannel = 0;

        for (auto _ : state)
        {
            const auto before = heapInUse();
            HollowmereProcessor mono;
            auto layout = mono.getBusesLayout();
            layout.inputBuses.getReference (0) = juce::AudioChannelSet::mono();
            layout.outputBuses.getReference (0) = juce::AudioChannelSet::mono();
            mono.setBusesLayout (layout);
            prepareStereo (mono);
            const auto monoBytes = heapInUse() - before;

            const auto beforeStereo = heapInUse();
            HollowmereProcessor stereo;
            prepareStereo (stereo);
            const auto stereoBytes = heapInUse() - beforeStereo;

            perChannel = stereoBytes - monoBytes;
        }

        state.counters["MB_per_channel"] = (double) perChannel / 1.0e6;
        state.counters["history_rings_MB"] = 2.0 * 512.0 * 1025.0 * sizeof (float) / 1.0e6;
    }
}

BENCHMARK (InstanceCreation)->Unit (benchmark::kMillisecond);
BENCHMARK (MemoryPerChannel)->Unit (benchmark::kMillisecond)->Iterations (3);
