#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

int main (int argc, char** argv)
{
    // Parameter trees, editors and images need the message manager, even headless.
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;

    testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
