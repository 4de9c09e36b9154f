#include "host/HostedPlugin.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

// What real hosts do to a plug-in, driven through the built bundle: odd rates and block sizes,
// repeated preparation with other layouts, automation every block, state and editor traffic on
// the message thread while another thread processes. Every output sample must stay a normal
// finite number, and the plug-in must still pass sound afterwards.
namespace
{
    using Set = juce::AudioChannelSet;

    /** Samples that are not finite, or subnormal: either one is a fault in a host's mix. */
    int countBadSamples (const juce::AudioBuffer<float>& buffer, int numChannels)
    {
        int bad = 0;

        for (int c = 0; c < numChannels; ++c)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
            {
                const auto kind = std::fpclassify (buffer.getSample (c, i));
                bad += (kind == FP_NAN || kind == FP_INFINITE || kind == FP_SUBNORMAL) ? 1 : 0;
            }

        return bad;
    }

    void fillNoise (juce::AudioBuffer<float>& buffer, juce::Random& random)
    {
        for (int c = 0; c < buffer.getNumChannels(); ++c)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                buffer.setSample (c, i, 0.5f * (random.nextFloat() * 2.0f - 1.0f));
    }

    /** Plays noise through the plug-in; the main outputs' bad samples and summed squares. */
    struct Run
    {
        int badSamples = 0;
        double energy = 0.0;
    };

    Run play (juce::AudioPluginInstance& plugin, int blockSize, int numBlocks, juce::Random& random,
              const std::function<void (int)>& beforeBlock = {})
    {
        const auto width = juce::jmax (plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels());
        const auto outputs = plugin.getMainBusNumOutputChannels();
        juce::AudioBuffer<float> buffer (width, blockSize);
        juce::MidiBuffer midi;
        Run run;

        for (int block = 0; block < numBlocks; ++block)
        {
            if (beforeBlock)
                beforeBlock (block);

            fillNoise (buffer, random);
            plugin.processBlock (buffer, midi);
            run.badSamples += countBadSamples (buffer, outputs);

            for (int c = 0; c < outputs; ++c)
                for (int i = 0; i < blockSize; ++i)
                    run.energy += (double) buffer.getSample (c, i) * buffer.getSample (c, i);
        }

        return run;
    }

    /** Enough noise to fill the wet path, whose output must then carry sound. */
    void expectStillWorking (juce::AudioPluginInstance& plugin, int blockSize, juce::Random& random,
                             const juce::String& context)
    {
        const auto run = play (plugin, blockSize, 8192 / blockSize, random);
        EXPECT_EQ (run.badSamples, 0) << context;
        EXPECT_GT (run.energy, 1.0) << context;
    }

    /** Processes blocks of noise on its own thread, as a host's audio thread does, until stopped. */
    class AudioThread
    {
    public:
        AudioThread (juce::AudioPluginInstance& p, int blockSize)
            : plugin (p),
              thread ([this, blockSize]
              {
                  juce::Random random (7);

                  while (! stop.load())
                  {
                      badSamples += play (plugin, blockSize, 1, random).badSamples;
                      ++blocks;
                  }
              })
        {
        }

        ~AudioThread() { finish(); }

        void finish()
        {
            stop = true;

            if (thread.joinable())
                thread.join();
        }

        /** Waits until the thread has processed `count` more blocks. */
        void waitForBlocks (int count)
        {
            const auto target = blocks.load() + count;

            while (blocks.load() < target)
                std::this_thread::yield();
        }

        juce::AudioPluginInstance& plugin;
        std::atomic<bool> stop { false };
        std::atomic<int> blocks { 0 }, badSamples { 0 };

    private:
        std::thread thread;
    };

    juce::AudioProcessor::BusesLayout layoutOf (const Set& main, const Set& sidechain)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses = { main, sidechain };
        layout.outputBuses = { main };
        return layout;
    }

    class HostileSampleRate : public HostedPluginTest,
                              public testing::WithParamInterface<double> {};
}

// Blocks of 0 samples included: some hosts send them. A block longer than the announced maximum
// is not sent: JUCE 7.0.5's VST3 wrapper copies each one into scratch channels of the announced
// size before the processor sees it, so a larger block overruns the heap inside the wrapper.
TEST_P (HostileSampleRate, EveryBlockSizeGivesFiniteNormalOutput)
{
    const auto rate = GetParam();
    prepare (rate, 16384);
    juce::Random random (1);

    for (const auto blockSize : { 0, 1, 7, 511, 512, 513, 4096, 8192, 16384 })
    {
        const auto run = play (*plugin, blockSize, blockSize == 0 ? 8 : juce::jmax (2, 16384 / blockSize), random);
        EXPECT_EQ (run.badSamples, 0) << rate << " Hz, blocks of " << blockSize;
    }

    expectStillWorking (*plugin, 512, random, juce::String (rate) + " Hz");
}

INSTANTIATE_TEST_SUITE_P (Rates, HostileSampleRate,
                          testing::Values (8000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 384000.0),
                          [] (const auto& info) { return std::to_string ((int) info.param) + "Hz"; });

TEST_F (HostedPluginTest, SurvivesRepreparationWithOtherRatesAndLayouts)
{
    struct Preparation { double rate; int blockSize; Set main, sidechain; };
    const Preparation preparations[] {
        { 48000.0, 512, Set::stereo(), Set::stereo() },
        { 96000.0, 64, Set::mono(), Set::disabled() },
        { 22050.0, 4096, Set::stereo(), Set::disabled() },
        { 44100.0, 128, Set::mono(), Set::mono() },
        { 192000.0, 1024, Set::stereo(), Set::mono() },
        { 8000.0, 32, Set::mono(), Set::stereo() },
        { 44100.0, 512, Set::stereo(), Set::stereo() },
    };

    juce::Random random (2);
    setParameterText ("source", "Sidechain");
    setParameterText ("seance", "0.5");

    for (const auto& p : preparations)
    {
        const auto context = juce::String (p.rate) + " Hz, " + p.main.getDescription() + ", sidechain "
                             + p.sidechain.getDescription();
        plugin->releaseResources();
        ASSERT_TRUE (plugin->setBusesLayout (layoutOf (p.main, p.sidechain))) << context;
        prepare (p.rate, p.blockSize);
        ASSERT_EQ (plugin->getMainBusNumOutputChannels(), p.main.size()) << context;

        EXPECT_EQ (play (*plugin, p.blockSize, 8192 / p.blockSize + 1, random).badSamples, 0) << context;
        expectStillWorking (*plugin, p.blockSize, random, context);
    }
}

TEST_F (HostedPluginTest, SurvivesRandomAutomationEveryBlock)
{
    prepare (44100.0, 64);
    juce::Random random (3);
    auto parameters = plugin->getParameters();
    parameters.removeFirstMatchingValue (plugin->getBypassParameter());

    // Ten thousand small blocks, each after a few parameters jumped anywhere in their ranges.
    const auto run = play (*plugin, 64, 10000, random, [&] (int)
    {
        for (int moves = 0; moves < 3; ++moves)
            parameters[random.nextInt (parameters.size())]->setValue (random.nextFloat());
    });

    EXPECT_EQ (run.badSamples, 0);

    for (auto* parameter : parameters)
        parameter->setValue (parameter->getDefaultValue());

    expectStillWorking (*plugin, 64, random, "after the automation");
}

TEST_F (HostedPluginTest, SurvivesBypassToggledEveryBlock)
{
    prepare (44100.0, 256);
    juce::Random random (4);
    auto* bypass = plugin->getBypassParameter();
    ASSERT_NE (bypass, nullptr);

    const auto run = play (*plugin, 256, 2000, random, [&] (int block)
    {
        bypass->setValue (block % 2 == 0 ? 1.0f : 0.0f);
    });

    EXPECT_EQ (run.badSamples, 0);
    bypass->setValue (0.0f);
    expectStillWorking (*plugin, 256, random, "after the bypass toggling");
}

// The audio thread may see a restore half done; it must never see garbage.
TEST_F (HostedPluginTest, RestoresStateOnTheMessageThreadWhileAnotherThreadProcesses)
{
    prepare (44100.0, 128);
    juce::MemoryBlock defaults, moved;
    plugin->getStateInformation (defaults);
    setParameterText ("seance", "0.7");
    setParameterText ("haunt", "1.0");
    setParameterText ("warp", "0.8");
    plugin->getStateInformation (moved);

    {
        AudioThread audio (*plugin, 128);

        for (int round = 0; round < 200; ++round)
        {
            const auto& state = round % 2 == 0 ? defaults : moved;
            plugin->setStateInformation (state.getData(), (int) state.getSize());
            juce::MemoryBlock saved;
            plugin->getStateInformation (saved);
            ASSERT_GT (saved.getSize(), 0u);
            audio.waitForBlocks (2);
        }

        audio.finish();
        EXPECT_EQ (audio.badSamples.load(), 0);
    }

    juce::MemoryBlock last;
    plugin->getStateInformation (last);
    EXPECT_EQ (last, moved);
    juce::Random random (5);
    expectStillWorking (*plugin, 128, random, "after the restores");
}

TEST_F (HostedPluginTest, OpensAndClosesTheEditorWhileAnotherThreadProcesses)
{
    prepare (44100.0, 256);
    setParameterText ("seance", "0.5");

    {
        AudioThread audio (*plugin, 256);

        for (int round = 0; round < 8; ++round)
        {
            std::unique_ptr<juce::AudioProcessorEditor> editor (plugin->createEditorIfNeeded());
            ASSERT_NE (editor, nullptr);
            HostedPlugin::pumpMessages (100);   // long enough for several refresh ticks
            editor.reset();
            HostedPlugin::pumpMessages (10);
        }

        audio.waitForBlocks (10);
        audio.finish();
        EXPECT_EQ (audio.badSamples.load(), 0);
        EXPECT_GT (audio.blocks.load(), 10);
    }

    juce::Random random (6);
    expectStillWorking (*plugin, 256, random, "after the editor came and went");
}
