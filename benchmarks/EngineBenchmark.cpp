#include "engine/VectorKernels.h"
#include "processor/PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

/*
    Each case processes one second of 44.1 kHz stereo in host-sized blocks of 512 samples. The
    baseline is a bare STFT of the same shape: per channel and hop, window, forward and inverse
    transform of one juce::dsp::FFT of order 11, window again and overlap-add. Every case's time
    is printed as a ratio to the baseline of the same run.
*/
namespace
{
    constexpr double sampleRate = 44100.0;
    constexpr int secondOfSamples = 44100;
    constexpr int blockSize = 512;
    constexpr int numChannels = 2;
    constexpr int fftSize = 2048;
    constexpr int hop = 512;

    std::vector<float> makeNoise (juce::uint32 seed, float level)
    {
        juce::Random random ((juce::int64) seed);
        std::vector<float> samples ((size_t) secondOfSamples);

        for (auto& s : samples)
            s = level * (2.0f * random.nextFloat() - 1.0f);

        return samples;
    }

    struct Case
    {
        const char* name;
        std::map<std::string, float> parameters;   // real units
        bool sidechain;
        int recordFrames;                          // history recorded before timing
    };

    const std::vector<Case>& cases()
    {
        static const std::vector<Case> all {
            { "Identity", { { "haunt", 0.0f } }, false, 0 },
            { "Defaults", {}, false, 0 },
            { "EveryStageAtMaximum", { { "haunt", 1.0f }, { "warp", 1.0f }, { "whisper", 1.0f }, { "drift", 1.0f } }, false, 0 },
            { "FrozenScrubbingSixteenthWobble", { { "seance", 0.5f }, { "release", 3.0f } }, false, 600 },
            { "FrozenScrubbingSixteenthWobbleSidechainSource", { { "seance", 0.5f }, { "release", 3.0f }, { "source", 1.0f } }, true, 600 },
            { "RecordingFromSidechain", { { "source", 1.0f } }, true, 0 },
            { "EveryStageFrozenWobbleSidechainSource", { { "haunt", 1.0f }, { "warp", 1.0f }, { "whisper", 1.0f }, { "drift", 1.0f },
                                                          { "seance", 0.5f }, { "release", 3.0f }, { "source", 1.0f } }, true, 600 },
        };
        return all;
    }

    void setParameter (HollowmereProcessor& processor, const std::string& id, float value)
    {
        auto* parameter = processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    /** Processes one second of the prepared inputs through the processor in blocks. */
    void processSecond (HollowmereProcessor& processor, juce::AudioBuffer<float>& block,
                        const std::vector<float>* inputs, int numInputs, juce::MidiBuffer& midi)
    {
        for (int start = 0; start < secondOfSamples; start += blockSize)
        {
            const auto n = juce::jmin (blockSize, secondOfSamples - start);
            block.setSize (numInputs, n, false, false, true);

            for (int c = 0; c < numInputs; ++c)
                block.copyFrom (c, 0, inputs[c].data() + start, n);

            processor.processBlock (block, midi);
        }
    }

    void engineCase (benchmark::State& state, const Case* c)
    {
        HollowmereProcessor processor;
        auto layout = processor.getBusesLayout();
        layout.inputBuses.getReference (1) = c->sidechain ? juce::AudioChannelSet::stereo()
                                                          : juce::AudioChannelSet::disabled();
        processor.setBusesLayout (layout);
        processor.prepareToPlay (sampleRate, blockSize);

        const std::vector<float> inputs[] = { makeNoise (1, 0.5f), makeNoise (2, 0.5f),
                                              makeNoise (3, 0.3f), makeNoise (4, 0.3f) };
        const auto numInputs = processor.getTotalNumInputChannels();
        juce::AudioBuffer<float> block (numInputs, blockSize);
        juce::MidiBuffer midi;

        for (const auto& [id, value] : c->parameters)
            if (id != "seance")
                setParameter (processor, id, value);

        // Fill the history while recording, then freeze where the case says.
        for (int frame = 0; frame < c->recordFrames; frame += secondOfSamples / hop)
            processSecond (processor, block, inputs, numInputs, midi);

        if (const auto seance = c->parameters.find ("seance"); seance != c->parameters.end())
            setParameter (processor, "seance", seance->second);

        processSecond (processor, block, inputs, numInputs, midi);

        for (auto _ : state)
        {
            processSecond (processor, block, inputs, numInputs, midi);
            benchmark::DoNotOptimize (block.getReadPointer (0));
            benchmark::ClobberMemory();
        }
    }

    /** The bare STFT: the same queue, transforms, windows and overlap-add, no spectral stages. */
    void stftBaseline (benchmark::State& state)
    {
        juce::dsp::FFT forward (11), inverse (11);
        juce::dsp::WindowingFunction<float> window ((size_t) fftSize, juce::dsp::WindowingFunction<float>::hann, true);
        const std::vector<float> inputs[] = { makeNoise (1, 0.5f), makeNoise (2, 0.5f) };

        struct Channel
        {
            std::vector<float> queue = std::vector<float> (fftSize, 0.0f);
            std::vector<float> accum = std::vector<float> (fftSize, 0.0f);
            std::vector<float> work = std::vector<float> (2 * fftSize, 0.0f);
            std::vector<float> outputBlock = std::vector<float> (hop, 0.0f);
            int fill = fftSize - hop;
            int readPos = 0;
        };

        Channel channels[numChannels];
        juce::AudioBuffer<float> block (numChannels, blockSize);

        for (auto _ : state)
        {
            for (int start = 0; start < secondOfSamples; start += blockSize)
            {
                const auto n = juce::jmin (blockSize, secondOfSamples - start);
                block.setSize (numChannels, n, false, false, true);

                for (int c = 0; c < numChannels; ++c)
                {
                    block.copyFrom (c, 0, inputs[c].data() + start, n);
                    auto& ch = channels[c];
                    auto* samples = block.getWritePointer (c);

                    for (int i = 0; i < n; ++i)
                    {
                        ch.queue[(size_t) ch.fill++] = samples[i];

                        if (ch.fill == fftSize)
                        {
                            std::copy (ch.queue.begin(), ch.queue.end(), ch.work.begin());
                            window.multiplyWithWindowingTable (ch.work.data(), (size_t) fftSize);
                            forward.performRealOnlyForwardTransform (ch.work.data(), true);
                            inverse.performRealOnlyInverseTransform (ch.work.data());
                            window.multiplyWithWindowingTable (ch.work.data(), (size_t) fftSize);
                            juce::FloatVectorOperations::addWithMultiply (ch.accum.data(), ch.work.data(), 0.1666f, fftSize);

                            std::copy (ch.accum.begin(), ch.accum.begin() + hop, ch.outputBlock.begin());
                            std::copy (ch.accum.begin() + hop, ch.accum.end(), ch.accum.begin());
                            std::fill (ch.accum.end() - hop, ch.accum.end(), 0.0f);
                            std::copy (ch.queue.begin() + hop, ch.queue.end(), ch.queue.begin());
                            ch.fill = fftSize - hop;
                            ch.readPos = 0;
                        }

                        samples[i] = ch.outputBlock[(size_t) ch.readPos++];
                    }
                }

                benchmark::DoNotOptimize (block.getReadPointer (0));
            }

            benchmark::ClobberMemory();
        }
    }

    /** Prints the usual console table and keeps each benchmark's CPU time per iteration. */
    class RatioReporter final : public benchmark::ConsoleReporter
    {
    public:
        void ReportRuns (const std::vector<Run>& runs) override
        {
            ConsoleReporter::ReportRuns (runs);

            for (const auto& run : runs)
            {
                if (run.run_type != Run::RT_Iteration || run.error_occurred)
                    continue;

                const auto name = run.run_name.function_name;

                if (times.find (name) == times.end())
                    order.push_back (name);

                // In the benchmark's own unit, milliseconds.
                times[name].push_back (run.GetAdjustedCPUTime());
            }
        }

        void printRatios() const
        {
            const auto baseline = mean ("StftBaseline");

            if (baseline <= 0.0)
                return;

            std::printf ("\n%-48s %10s %12s %10s\n", "case (one second of 44.1 kHz stereo)", "CPU ms", "% real time", "x STFT");

            for (const auto& name : order)
                std::printf ("%-48s %10.2f %12.2f %10.2f\n", name.c_str(), mean (name),
                             mean (name) / 10.0, mean (name) / baseline);
        }

    private:
        double mean (const std::string& name) const
        {
            const auto found = times.find (name);

            if (found == times.end() || found->second.empty())
                return 0.0;

            double sum = 0.0;

            for (const auto t : found->second)
                sum += t;

            return sum / (double) found->second.size();
        }

        std::vector<std::string> order;
        std::map<std::string, std::vector<double>> times;
    };

    /**
        HOLLOWMERE_KERNELS=scalar (or sse2, avx2, avx512) runs every case of this executable on
        that kernel set instead of the widest one the CPU supports, for before-and-after
        comparisons. Chosen in main, after the library's static initialisation has picked its
        default; a set wider than the CPU's widest is refused.
    */
    void useRequestedKernels()
    {
        const auto* requested = std::getenv ("HOLLOWMERE_KERNELS");

        if (requested == nullptr)
            return;

        // Narrowest first, so every set up to the CPU's widest can run here.
        for (const auto* set : { &VectorKernelSets::scalar, &VectorKernelSets::sse2, &VectorKernelSets::avx2, &VectorKernelSets::avx512 })
        {
            if (std::strcmp (requested, set->name) == 0)
            {
                VectorKernelSets::setActive (*set);
                std::printf ("kernel set: %s\n", set->name);
                return;
            }

            if (set == &VectorKernelSets::best())
                break;
        }

        std::fprintf (stderr, "HOLLOWMERE_KERNELS: \"%s\" is not a kernel set this CPU runs\n", requested);
        std::exit (2);
    }
}

int main (int argc, char** argv)
{
    // The parameter tree needs the message manager.
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    const juce::ScopedNoDenormals noDenormals;
    useRequestedKernels();

    benchmark::RegisterBenchmark ("StftBaseline", stftBaseline)->Unit (benchmark::kMillisecond);

    for (const auto& c : cases())
        benchmark::RegisterBenchmark (c.name, engineCase, &c)->Unit (benchmark::kMillisecond);

    benchmark::Initialize (&argc, argv);

    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks (&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
