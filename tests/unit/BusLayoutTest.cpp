#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

namespace
{
    using Set = juce::AudioChannelSet;

    struct LayoutCase
    {
        const char* name;
        std::vector<Set> inputs;
        std::vector<Set> outputs;
        bool accepted;
    };

    std::ostream& operator<< (std::ostream& stream, const LayoutCase& c)
    {
        return stream << c.name;
    }

    juce::AudioProcessor::BusesLayout layoutOf (const LayoutCase& c)
    {
        juce::AudioProcessor::BusesLayout layout;

        for (const auto& set : c.inputs)
            layout.inputBuses.add (set);

        for (const auto& set : c.outputs)
            layout.outputBuses.add (set);

        return layout;
    }

    class BusLayout : public testing::TestWithParam<LayoutCase> {};
}

TEST_P (BusLayout, IsAcceptedOnlyAsMatchingMonoOrStereoWithAnOptionalSidechain)
{
    const HollowmereProcessor processor;
    EXPECT_EQ (processor.isBusesLayoutSupported (layoutOf (GetParam())), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P (Table, BusLayout, testing::Values (
    LayoutCase { "stereoWithStereoSidechain",   { Set::stereo(), Set::stereo() },   { Set::stereo() }, true },
    LayoutCase { "stereoWithMonoSidechain",     { Set::stereo(), Set::mono() },     { Set::stereo() }, true },
    LayoutCase { "stereoWithoutSidechain",      { Set::stereo(), Set::disabled() }, { Set::stereo() }, true },
    LayoutCase { "monoWithoutSidechain",        { Set::mono(), Set::disabled() },   { Set::mono() },   true },
    LayoutCase { "monoWithStereoSidechain",     { Set::mono(), Set::stereo() },     { Set::mono() },   true },
    LayoutCase { "onlyTheMainInputBus",         { Set::stereo() },                  { Set::stereo() }, true },
    LayoutCase { "monoInStereoOut",             { Set::mono(), Set::stereo() },     { Set::stereo() }, false },
    LayoutCase { "stereoInMonoOut",             { Set::stereo(), Set::stereo() },   { Set::mono() },   false },
    LayoutCase { "threeChannelSidechain",       { Set::stereo(), Set::createLCR() },{ Set::stereo() }, false },
    LayoutCase { "discreteTwoChannelSidechain", { Set::stereo(), Set::discreteChannels (2) }, { Set::stereo() }, false },
    LayoutCase { "threeChannelMainBuses",       { Set::createLCR(), Set::stereo() },{ Set::createLCR() }, false },
    LayoutCase { "discreteTwoChannelMainBuses", { Set::discreteChannels (2), Set::disabled() }, { Set::discreteChannels (2) }, false },
    LayoutCase { "mainOutputDisabled",          { Set::disabled(), Set::disabled() }, { Set::disabled() }, false },
    LayoutCase { "mainInputDisabled",           { Set::disabled(), Set::stereo() }, { Set::stereo() }, false },
    LayoutCase { "noInputBuses",                {},                                 { Set::stereo() }, false },
    LayoutCase { "noOutputBuses",               { Set::stereo(), Set::stereo() },   {},                false }));
