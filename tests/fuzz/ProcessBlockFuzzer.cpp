#include "processor/PluginProcessor.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// One block of arbitrary samples (any bit pattern: NaN, infinities, subnormals; finite values are
// clamped to +-10000, 80 dB over full scale, since larger ones overflow any gain stage) and
// arbitrary parameter values through processBlock, on each bus layout. The input layout:
//   byte 0       layout (mono/stereo, sidechain off/mono/stereo) and whether the block is bypassed
//   bytes 1..14  the fourteen parameters, normalised as byte / 255
//   the rest     raw 32-bit samples, channel after channel; the block length follows from it.
// Whatever comes in, every output sample of processBlock must be finite: the processor treats
// non-finite input as silence. Bypassed blocks hand back the host's own samples, delayed, as
// they came, so only processBlock's output is checked.
namespace
{
    constexpr int maximumBlockSize = 2048;

    struct Instance
    {
        explicit Instance (int layoutIndex)
        {
            using Set = juce::AudioChannelSet;
            const Set mains[] { Set::mono(), Set::stereo() };
            const Set sidechains[] { Set::disabled(), Set::mono(), Set::stereo() };

            juce::AudioProcessor::BusesLayout layout;
            layout.inputBuses = { mains[layoutIndex % 2], sidechains[layoutIndex / 2] };
            layout.outputBuses = { mains[layoutIndex % 2] };

            if (! processor.setBusesLayout (layout))
                std::abort();

            processor.prepareToPlay (44100.0, maximumBlockSize);
        }

        HollowmereProcessor processor;
    };

    // Never destroyed: the fuzzer leaves through exit(), after JUCE's own statics are gone.
    Instance& instance (int layoutIndex)
    {
        static const auto* gui = new juce::ScopedJuceInitialiser_GUI();
        static Instance* instances[6] {};
        juce::ignoreUnused (gui);

        if (instances[layoutIndex] == nullptr)
            instances[layoutIndex] = new Instance (layoutIndex);

        return *instances[layoutIndex];
    }
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t header = 15;

    if (size < header)
        return 0;

    auto& p = instance ((data[0] & 0x7f) % 6).processor;
    const auto bypassed = (data[0] & 0x80) != 0;
    const auto& parameters = p.getParameters();

    for (int i = 0; i < 14; ++i)
        parameters[i]->setValue ((float) data[1 + i] / 255.0f);

    const auto numChannels = p.getTotalNumInputChannels();
    const auto numSamples = (int) juce::jmin ((std::size_t) maximumBlockSize,
                                              (size - header) / sizeof (float) / (std::size_t) numChannels);
    juce::AudioBuffer<float> buffer (numChannels, numSamples);

    for (int c = 0; c < numChannels; ++c)
        std::memcpy (buffer.getWritePointer (c), data + header + (std::size_t) c * (std::size_t) numSamples * sizeof (float),
                     (std::size_t) numSamples * sizeof (float));

    for (int c = 0; c < numChannels; ++c)
        for (int i = 0; i < numSamples; ++i)
            if (const auto x = buffer.getSample (c, i); std::isfinite (x))
                buffer.setSample (c, i, juce::jlimit (-1.0e4f, 1.0e4f, x));

    juce::MidiBuffer midi;

    if (bypassed)
    {
        p.processBlockBypassed (buffer, midi);
        return 0;
    }

    p.processBlock (buffer, midi);

    for (int c = 0; c < p.getMainBusNumOutputChannels(); ++c)
        for (int i = 0; i < numSamples; ++i)
            if (! std::isfinite (buffer.getSample (c, i)))
                std::abort();

    return 0;
}
