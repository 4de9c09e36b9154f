#include "processor/PluginProcessor.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

// Feeds arbitrary bytes to the processor's state restore, as a host does with a project file it
// did not write. The restore must accept or ignore the block; afterwards every parameter still
// holds a value inside its range and a save still produces a block the processor reads back to
// the same parameter values, to float rounding.
namespace
{
    // Never destroyed: the fuzzer leaves through exit(), after JUCE's own statics are gone.
    HollowmereProcessor& processor()
    {
        static const auto* gui = new juce::ScopedJuceInitialiser_GUI();
        static auto* instance = new HollowmereProcessor();
        juce::ignoreUnused (gui);
        return *instance;
    }
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    auto& p = processor();
    p.setStateInformation (data, (int) juce::jmin (size, (std::size_t) std::numeric_limits<int>::max()));

    std::vector<float> restored;

    for (auto* parameter : p.getParameters())
    {
        const auto value = parameter->getValue();

        if (! (value >= 0.0f && value <= 1.0f))
            std::abort();

        restored.push_back (value);
    }

    juce::MemoryBlock saved;
    p.getStateInformation (saved);
    p.setStateInformation (saved.getData(), (int) saved.getSize());

    // Values are saved in real units, so a skewed range may come back one rounding step away.
    for (size_t i = 0; i < restored.size(); ++i)
        if (std::abs (p.getParameters()[(int) i]->getValue() - restored[i]) > 1.0e-6f)
            std::abort();

    return 0;
}
