#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    struct ExpectedParameter
    {
        const char* id;
        const char* name;
        float start, end, step, skew, defaultValue;
        juce::StringArray choices;      // empty for a float parameter
    };

    const std::vector<ExpectedParameter>& expectedLayout()
    {
        static const std::vector<ExpectedParameter> layout {
            { "haunt",        "Haunt",              0.0f,    1.0f, 0.01f, 1.0f,   0.5f, {} },
            { "drift",        "Drift",              0.0f,    1.0f, 0.01f, 1.0f,   0.0f, {} },
            { "warp",         "Warp",               0.0f,    1.0f, 0.01f, 1.0f,   0.0f, {} },
            { "whisper",      "Whisper",            0.0f,    1.0f, 0.01f, 1.0f,   0.0f, {} },
            { "source",       "Source",             0.0f,    1.0f, 1.0f,  1.0f,   0.0f, { "Input", "Sidechain" } },
            { "seance",       "Freeze",             0.0f,    1.0f, 0.01f, 1.0f,   0.0f, {} },
            { "release",      "Wobble",             0.0f,    7.0f, 1.0f,  1.0f,   0.0f, {} },
            { "wobbleShape",  "Wobble Shape",       0.0f,    2.0f, 1.0f,  1.0f,   0.0f, { "Triangle", "Saw Up", "Saw Down" } },
            { "wobbleMode",   "Wobble Mode",        0.0f,    1.0f, 1.0f,  1.0f,   0.0f, { "Sync", "Free" } },
            { "wobbleFreeMs", "Wobble Free Rate",   1.0f, 4000.0f, 0.0f,  0.35f, 250.0f, {} },
            { "inputGain",    "Input Gain",       -24.0f,   12.0f, 0.1f,  1.0f,   0.0f, {} },
            { "outputGain",   "Output Gain",      -24.0f,   12.0f, 0.1f,  1.0f,   0.0f, {} },
            { "scGain",       "SC Gain",          -24.0f,   12.0f, 0.1f,  1.0f,   0.0f, {} },
            { "dryWet",       "Dry/Wet",            0.0f,    1.0f, 0.01f, 1.0f,   1.0f, {} },
        };
        return layout;
    }

    struct ParameterLayoutTest : public ::testing::Test
    {
        juce::RangedAudioParameter& parameter (const char* id)
        {
            auto* p = processor.apvts.getParameter (id);
            EXPECT_NE (p, nullptr) << id;
            return *p;
        }

        /** Sets a parameter as a host does, on the normalised scale; returns the real value. */
        float setNormalised (const char* id, float normalised)
        {
            parameter (id).setValueNotifyingHost (normalised);
            return processor.apvts.getRawParameterValue (id)->load();
        }

        /** Restores a state in which the parameter `id` holds `value`; returns the real value. */
        float restore (const char* id, float value)
        {
            auto state = processor.apvts.copyState();
            state.getChildWithProperty ("id", id).setProperty ("value", value, nullptr);
            processor.apvts.replaceState (state);
            return processor.apvts.getRawParameterValue (id)->load();
        }

        juce::String hostText (const char* id, int maximumLength = 1024)
        {
            auto& p = parameter (id);
            return p.getText (p.getValue(), maximumLength);
        }

        float typed (const char* id, const juce::String& text)
        {
            auto& p = parameter (id);
            return p.convertFrom0to1 (p.getValueForText (text));
        }

        HollowmereProcessor processor;
    };
}

TEST_F (ParameterLayoutTest, HostsSeeTheFourteenParametersInOrderWithTheirRangesAndDefaults)
{
    const auto& parameters = processor.getParameters();
    ASSERT_EQ (parameters.size(), (int) expectedLayout().size());

    for (size_t i = 0; i < expectedLayout().size(); ++i)
    {
        const auto& expected = expectedLayout()[i];
        SCOPED_TRACE (expected.id);

        auto* withId = dynamic_cast<juce::AudioProcessorParameterWithID*> (parameters[(int) i]);
        ASSERT_NE (withId, nullptr);
        EXPECT_EQ (withId->getParameterIndex(), (int) i);
        EXPECT_EQ (withId->paramID, expected.id);
        EXPECT_EQ (withId->getVersionHint(), 1);
        EXPECT_EQ (withId->getName (100), expected.name);
        EXPECT_EQ (withId->getLabel(), juce::String());
        EXPECT_EQ (withId->getCategory(), juce::AudioProcessorParameter::genericParameter);
        EXPECT_TRUE (withId->isAutomatable());
        EXPECT_FALSE (withId->isMetaParameter());
        EXPECT_FALSE (withId->isOrientationInverted());
        EXPECT_EQ (processor.apvts.getRawParameterValue (expected.id)->load(), expected.defaultValue);

        if (expected.choices.isEmpty())
        {
            auto* p = dynamic_cast<juce::AudioParameterFloat*> (withId);
            ASSERT_NE (p, nullptr);
            EXPECT_EQ (p->range.start, expected.start);
            EXPECT_EQ (p->range.end, expected.end);
            EXPECT_EQ (p->range.interval, expected.step);
            EXPECT_EQ (p->range.skew, expected.skew);
            EXPECT_FALSE (p->range.symmetricSkew);
            EXPECT_EQ (p->convertFrom0to1 (withId->getDefaultValue()), expected.defaultValue);
        }
        else
        {
            auto* p = dynamic_cast<juce::AudioParameterChoice*> (withId);
            ASSERT_NE (p, nullptr);
            EXPECT_EQ (p->choices, expected.choices);
            EXPECT_EQ (p->getIndex(), 0);
        }
    }
}

TEST_F (ParameterLayoutTest, WobbleSnapsToEightWholeSteps)
{
    EXPECT_EQ (setNormalised ("release", 0.5f), 4.0f);

    for (int k = 0; k <= 1000; ++k)
    {
        const auto value = setNormalised ("release", (float) k / 1000.0f);
        ASSERT_EQ (value, std::round (value)) << "normalised " << k / 1000.0;
        ASSERT_GE (value, 0.0f);
        ASSERT_LE (value, 7.0f);
    }
}

TEST_F (ParameterLayoutTest, WobbleFreeRateFollowsItsSkewedScale)
{
    EXPECT_EQ (setNormalised ("wobbleFreeMs", 0.0f), 1.0f);
    EXPECT_EQ (setNormalised ("wobbleFreeMs", 1.0f), 4000.0f);
    EXPECT_NEAR (parameter ("wobbleFreeMs").getDefaultValue(), std::pow (249.0 / 3999.0, 0.35), 1.0e-6);
    EXPECT_NEAR (parameter ("wobbleFreeMs").getDefaultValue(), 0.378, 5.0e-4);

    // Continuous: the scale's points land between the millisecond steps.
    for (const double p : { 0.25, 0.5, 0.75 })
        EXPECT_NEAR (setNormalised ("wobbleFreeMs", (float) p), 1.0 + 3999.0 * std::pow (p, 1.0 / 0.35), 2.0e-3)
            << "normalised " << p;
}

TEST_F (ParameterLayoutTest, RestoredValuesAreClampedAndSnappedToTheirGrid)
{
    EXPECT_EQ (restore ("inputGain", 20.0f), 12.0f);
    EXPECT_EQ (restore ("inputGain", -30.0f), -24.0f);
    EXPECT_NEAR (restore ("outputGain", 3.14159f), 3.1f, 1.0e-5f);
    EXPECT_NEAR (restore ("haunt", 0.337f), 0.34f, 1.0e-6f);
    EXPECT_EQ (restore ("release", 2.6f), 3.0f);

    // Any host value of a gain lies on the 0.1 dB grid counted from -24 dB.
    for (int k = 0; k <= 100; ++k)
    {
        const auto db = setNormalised ("scGain", (float) k * 0.00937f);
        const auto steps = (db + 24.0f) / 0.1f;
        ASSERT_NEAR (steps, std::round (steps), 1.0e-3f) << db;
    }
}

TEST_F (ParameterLayoutTest, HostTextHasTheDecimalsOfTheStep)
{
    EXPECT_EQ (hostText ("haunt"), "0.50");
    EXPECT_EQ (hostText ("inputGain"), "0.0");
    EXPECT_EQ (hostText ("release"), "0");
    EXPECT_EQ (hostText ("wobbleFreeMs"), "250.0000000");
    EXPECT_EQ (hostText ("source"), "Input");
    EXPECT_EQ (hostText ("wobbleMode"), "Sync");
    EXPECT_EQ (hostText ("wobbleFreeMs", 5), "250.0");
    EXPECT_EQ (hostText ("seance", 3), "0.0");
}

TEST_F (ParameterLayoutTest, TypedTextIsReadAsANumberOrAnExactChoiceName)
{
    EXPECT_EQ (typed ("haunt", "0.25"), 0.25f);
    EXPECT_NEAR (typed ("inputGain", "-6.5"), -6.5f, 1.0e-5f);
    EXPECT_EQ (typed ("wobbleShape", "Saw Down"), 2.0f);
    EXPECT_EQ (typed ("wobbleShape", "Saw Up"), 1.0f);
    EXPECT_EQ (typed ("source", "Sidechain"), 1.0f);
    EXPECT_EQ (typed ("wobbleMode", "Free"), 1.0f);

    for (const char* text : { "saw down", "Saw", "", "Bogus" })
        EXPECT_EQ (typed ("wobbleShape", text), 0.0f) << "\"" << text << "\"";
}
