#include "HostedPlugin.h"

namespace
{
    using Set = juce::AudioChannelSet;

    struct HostedLayout
    {
        const char* name;
        Set input, sidechain, output;
        bool accepted;
    };

    std::ostream& operator<< (std::ostream& stream, const HostedLayout& c)
    {
        return stream << c.name;
    }

    class HostedBusLayout : public HostedPluginTest,
                            public testing::WithParamInterface<HostedLayout> {};
}

// The host proposes each layout to the unprepared plug-in, as during bus negotiation. Disabling a
// main bus cannot be refused through JUCE 7.0.5's VST3 hosting (it reports every such request as
// accepted), so only the layouts of enabled main buses are asked here.
TEST_P (HostedBusLayout, IsNegotiatedAsTheProcessorDecides)
{
    const auto& proposal = GetParam();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses = { proposal.input, proposal.sidechain };
    layout.outputBuses = { proposal.output };

    ASSERT_EQ (plugin->setBusesLayout (layout), proposal.accepted);

    if (! proposal.accepted)
        return;

    EXPECT_EQ (plugin->getChannelLayoutOfBus (true, 0), proposal.input);
    EXPECT_EQ (plugin->getChannelLayoutOfBus (false, 0), proposal.output);
    EXPECT_EQ (plugin->getBus (true, 1)->isEnabled(), ! proposal.sidechain.isDisabled());

    if (! proposal.sidechain.isDisabled())
        EXPECT_EQ (plugin->getChannelLayoutOfBus (true, 1), proposal.sidechain);
}

INSTANTIATE_TEST_SUITE_P (Table, HostedBusLayout, testing::Values (
    HostedLayout { "monoWithoutSidechain",     Set::mono(),   Set::disabled(), Set::mono(),   true },
    HostedLayout { "monoWithMonoSidechain",    Set::mono(),   Set::mono(),     Set::mono(),   true },
    HostedLayout { "monoWithStereoSidechain",  Set::mono(),   Set::stereo(),   Set::mono(),   true },
    HostedLayout { "stereoWithoutSidechain",   Set::stereo(), Set::disabled(), Set::stereo(), true },
    HostedLayout { "stereoWithMonoSidechain",  Set::stereo(), Set::mono(),     Set::stereo(), true },
    HostedLayout { "stereoWithStereoSidechain",Set::stereo(), Set::stereo(),   Set::stereo(), true },
    HostedLayout { "monoInStereoOut",          Set::mono(),   Set::stereo(),   Set::stereo(), false },
    HostedLayout { "stereoInMonoOut",          Set::stereo(), Set::stereo(),   Set::mono(),   false },
    HostedLayout { "threeChannelSidechain",    Set::stereo(), Set::createLCR(), Set::stereo(), false },
    HostedLayout { "threeChannelMainBuses",    Set::createLCR(), Set::stereo(), Set::createLCR(), false },
    HostedLayout { "quadraphonicMainBuses",    Set::quadraphonic(), Set::disabled(), Set::quadraphonic(), false }));
