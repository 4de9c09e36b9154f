#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <xmmintrin.h>

// Subnormal floats cost a hundred times a normal operation on x86: a plug-in that lets its decaying
// state reach them stalls a host's audio thread exactly when the music goes quiet. The flush mode
// that prevents it belongs to the host's thread, so it must be restored after every block.
namespace
{
    struct Settings
    {
        const char* name;
        std::vector<std::pair<const char*, float>> parameters;
        float seance = 0.0f;   // Freeze, applied once the history has recorded only silence
    };

    const std::vector<Settings>& settingsTable()
    {
        static const std::vector<Settings> all {
            { "defaults", {} },
            { "every stage at maximum", { { "haunt", 1.0f }, { "warp", 1.0f }, { "whisper", 1.0f }, { "drift", 1.0f } } },
            { "every stage at zero", { { "haunt", 0.0f }, { "warp", 0.0f }, { "whisper", 0.0f }, { "drift", 0.0f } } },
            { "gains at maximum, dry only", { { "inputGain", 12.0f }, { "outputGain", 12.0f }, { "dryWet", 0.0f } } },
            { "sidechain as source", { { "source", 1.0f }, { "scGain", 12.0f }, { "haunt", 1.0f } } },
            { "frozen, sync", { { "haunt", 1.0f }, { "whisper", 1.0f } }, 0.6f },
            { "frozen, free saw up", { { "wobbleMode", 1.0f }, { "wobbleShape", 1.0f }, { "wobbleFreeMs", 20.0f }, { "warp", 1.0f } }, 1.0f },
        };
        return all;
    }

    void set (HollowmereProcessor& processor, const char* id, float value)
    {
        auto* parameter = processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    bool isSubnormal (float x) { return std::fpclassify (x) == FP_SUBNORMAL; }

    int countSubnormals (const std::vector<float>& values)
    {
        return (int) std::count_if (values.begin(), values.end(), isSubnormal);
    }

    /** Subnormal values anywhere in the decaying state the engine keeps per channel. */
    int countSubnormalsInRecords (const HollowmereProcessor& processor)
    {
        int count = 0;

        for (const auto& channel : processor.engine.getChannels())
        {
            count += countSubnormals (channel.smoothedMag) + countSubnormals (channel.nimbreMag);

            for (std::size_t row = 0; row < channel.historyMag.size(); ++row)
            {
                const float* values = &channel.historyMag[row][0];
                count += (int) std::count_if (values, values + EngineConstants::numBins, isSubnormal);
            }
        }

        return count;
    }

    class Rig
    {
    public:
        Rig()
        {
            processor.prepareToPlay (44100.0, blockSize);
            buffer.setSize (processor.getTotalNumInputChannels(), blockSize);
        }

        /** One block of noise at `amplitude` on every input, main and sidechain. */
        void block (float amplitude)
        {
            for (int c = 0; c < buffer.getNumChannels(); ++c)
                for (int i = 0; i < blockSize; ++i)
                    buffer.setSample (c, i, amplitude * (random.nextFloat() * 2.0f - 1.0f));

            const auto modeBefore = _mm_getcsr();
            processor.processBlock (buffer, midi);
            modeChanges += _mm_getcsr() != modeBefore ? 1 : 0;

            for (int c = 0; c < processor.getMainBusNumOutputChannels(); ++c)
                for (int i = 0; i < blockSize; ++i)
                {
                    const auto x = buffer.getSample (c, i);
                    subnormalOutputs += isSubnormal (x) ? 1 : 0;
                    peak = juce::jmax (peak, std::abs (x));
                }
        }

        static constexpr int blockSize = 512;
        HollowmereProcessor processor;
        juce::AudioBuffer<float> buffer;
        juce::MidiBuffer midi;
        juce::Random random { 11 };
        int modeChanges = 0, subnormalOutputs = 0;
        float peak = 0.0f;
    };
}

TEST (DenormalsAndSilence, LongSilenceAfterALoudPassageLeavesNoSubnormalAndFallsBelowMinus120Decibels)
{
    // The history holds 512 frames of 512 samples; 600 silent blocks overwrite all of it.
    constexpr int loudBlocks = 200, silentBlocks = 600, frozenBlocks = 100;
    const auto minus120Decibels = 1.0e-6f;

    for (const auto& settings : settingsTable())
    {
        Rig rig;

        for (const auto& [id, value] : settings.parameters)
            set (rig.processor, id, value);

        for (int b = 0; b < loudBlocks; ++b)
            rig.block (1.0f);

        ASSERT_GT (rig.peak, 0.1f) << settings.name;

        for (int b = 0; b < silentBlocks; ++b)
        {
            if (b == silentBlocks - 20)
                rig.peak = 0.0f;

            rig.block (0.0f);
        }

        EXPECT_LT (rig.peak, minus120Decibels) << settings.name << ", recording silence";
        EXPECT_EQ (countSubnormalsInRecords (rig.processor), 0) << settings.name << ", recording silence";

        set (rig.processor, "seance", settings.seance);
        rig.peak = 0.0f;

        for (int b = 0; b < frozenBlocks; ++b)
            rig.block (0.0f);

        EXPECT_LT (rig.peak, minus120Decibels) << settings.name << ", after Freeze";
        EXPECT_EQ (countSubnormalsInRecords (rig.processor), 0) << settings.name << ", after Freeze";
        EXPECT_EQ (rig.subnormalOutputs, 0) << settings.name;
        EXPECT_EQ (rig.modeChanges, 0) << settings.name;
    }
}

// A host whose thread already flushes subnormals, or rounds differently, gets its mode back too.
TEST (DenormalsAndSilence, EveryBlockRestoresTheCallersFloatingPointMode)
{
    const auto original = _mm_getcsr();

    for (const auto mode : { original, original | 0x8040u, (original & ~0x6000u) | 0x2000u })
    {
        Rig rig;
        set (rig.processor, "seance", 0.5f);
        _mm_setcsr (mode);

        for (int b = 0; b < 20; ++b)
        {
            rig.block (b < 10 ? 1.0f : 0.0f);

            // The test's own arithmetic raises sticky exception flags; the block must hand back
            // exactly the register it was called with.
            const auto before = _mm_getcsr();
            rig.processor.processBlockBypassed (rig.buffer, rig.midi);
            EXPECT_EQ (_mm_getcsr(), before) << "after a bypassed block";
            EXPECT_EQ (before & ~0x3fu, mode & ~0x3fu) << "the caller's mode";
        }

        _mm_setcsr (original);
        EXPECT_EQ (rig.modeChanges, 0) << std::hex << mode;
    }
}
