#include "support/AudioThread.h"
#include "support/EditorTestSupport.h"

// Everything a host's message thread does to a running instance, interleaved with the audio
// thread's blocks: the editor's refresh and painting read the feeds, state is saved and restored,
// parameters move. Run under ThreadSanitizer this shows every shared value is handed over safely.
TEST (Concurrency, MessageThreadWorkWhileAnotherThreadProcesses)
{
    HollowmereProcessor processor;
    juce::MemoryBlock defaults, moved;
    processor.getStateInformation (defaults);
    processor.apvts.getParameter (ParameterIDs::seance)->setValueNotifyingHost (1.0f);
    processor.apvts.getParameter (ParameterIDs::haunt)->setValueNotifyingHost (0.9f);
    processor.getStateInformation (moved);

    {
        hollowmere::test::AudioThread audio (processor, 128);
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
        auto& refresh = *static_cast<HollowmereEditor*> (editor.get());
        const auto& parameters = processor.getParameters();
        juce::Random random (11);

        for (int round = 0; round < 120; ++round)
        {
            refresh.timerCallback();
            parameters[random.nextInt (parameters.size())]->setValueNotifyingHost (random.nextFloat());

            if (round % 10 == 0)
            {
                const auto& state = round % 20 == 0 ? moved : defaults;
                processor.setStateInformation (state.getData(), (int) state.getSize());
                juce::MemoryBlock saved;
                processor.getStateInformation (saved);
                EXPECT_GT (saved.getSize(), 0u);
            }

            if (round % 30 == 0)
                editor->createComponentSnapshot (editor->getLocalBounds());

            audio.waitForBlocks (1);
        }

        processor.setStateInformation (moved.getData(), (int) moved.getSize());
        audio.waitForBlocks (4);
        EXPECT_EQ (audio.badSamples(), 0);
        editor.reset();
    }

    juce::MemoryBlock last;
    processor.getStateInformation (last);
    EXPECT_EQ (last, moved);
}
