#include "host/HostedPlugin.h"

namespace
{
    /** Asserts that `output` is `input` delayed by `delay`: the moved impulse of unit height. */
    void expectDelayedImpulse (const juce::AudioBuffer<float>& output, int delay)
    {
        for (int c = 0; c < output.getNumChannels(); ++c)
        {
            const auto* samples = output.getReadPointer (c);

            for (int i = 0; i < output.getNumSamples(); ++i)
            {
                if (i == delay)
                {
                    EXPECT_GE (samples[i], 0.99995f) << "channel " << c;
                    EXPECT_LE (samples[i], 1.0f) << "channel " << c;
                }
                else
                {
                    ASSERT_NEAR (samples[i], 0.0f, 1.0e-6f) << "channel " << c << ", sample " << i;
                }
            }
        }
    }
}

TEST_F (HostedPluginTest, IdentifiesItselfAsABrackenfoldEffect)
{
    const auto description = plugin->getPluginDescription();
    EXPECT_EQ (description.name, "Hollowmere");
    EXPECT_EQ (description.manufacturerName, "Brackenfold");
    EXPECT_EQ (description.version, "1.0.0");
    EXPECT_FALSE (description.isInstrument);
    EXPECT_EQ (plugin->getName(), "Hollowmere");
}

TEST_F (HostedPluginTest, ShowsFourteenParametersAndTheHostBypass)
{
    const auto& parameters = plugin->getParameters();
    ASSERT_EQ (parameters.size(), 15);

    const char* const names[] = { "Haunt", "Drift", "Warp", "Whisper", "Source", "Freeze", "Wobble",
                                  "Wobble Shape", "Wobble Mode", "Wobble Free Rate", "Input Gain",
                                  "Output Gain", "SC Gain", "Dry/Wet", "Bypass" };

    for (int i = 0; i < parameters.size(); ++i)
        EXPECT_EQ (parameters[i]->getName (64), names[i]) << "index " << i;

    EXPECT_EQ (HostedPlugin::findParameter (*plugin, "seance"), parameters[5]);
    EXPECT_EQ (HostedPlugin::findParameter (*plugin, "dryWet"), parameters[13]);
}

TEST_F (HostedPluginTest, ReportsTheLatencyOfTheWetPath)
{
    prepare();
    EXPECT_EQ (plugin->getLatencySamples(), 2047);
}

TEST_F (HostedPluginTest, DelaysAnImpulseByTheLatencyAndLeavesItUnchanged)
{
    setParameterText ("haunt", "0");
    setParameterText ("dryWet", "1");
    prepare();

    juce::AudioBuffer<float> input (plugin->getMainBusNumInputChannels(), 3 * 2048);
    input.clear();

    for (int c = 0; c < input.getNumChannels(); ++c)
        input.setSample (c, 0, 1.0f);

    expectDelayedImpulse (HostedPlugin::process (*plugin, input, blockSize), 2047);
}
