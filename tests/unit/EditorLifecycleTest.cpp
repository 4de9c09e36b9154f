#include "support/AudioThread.h"
#include "support/EditorTestSupport.h"

namespace
{
    using hollowmere::test::AudioThread;

    /** One editor's life: open, tick, paint at two sizes, close. */
    void openUseAndClose (HollowmereProcessor& processor)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);
        EXPECT_EQ (processor.getActiveEditor(), editor.get());

        auto& refresh = *static_cast<HollowmereEditor*> (editor.get());

        for (int i = 0; i < 3; ++i)
            refresh.timerCallback();

        editor->setSize (320, 270);
        editor->createComponentSnapshot (editor->getLocalBounds());
        editor->setSize (640, 540);
        editor->createComponentSnapshot (editor->getLocalBounds());

        editor.reset();
        EXPECT_EQ (processor.getActiveEditor(), nullptr);
    }
}

TEST (EditorLifecycle, OpensAndClosesManyTimes)
{
    HollowmereProcessor processor;
    processor.prepareToPlay (44100.0, 512);

    for (int i = 0; i < 40; ++i)
        openUseAndClose (processor);
}

TEST (EditorLifecycle, OpensAndClosesWhileTheProcessorRuns)
{
    HollowmereProcessor processor;
    {
        AudioThread audio (processor);

        for (int i = 0; i < 40; ++i)
        {
            openUseAndClose (processor);

            // Host automation arrives while the editor is closed, too.
            auto* haunt = processor.apvts.getParameter (ParameterIDs::haunt);
            haunt->setValueNotifyingHost ((float) (i % 10) / 10.0f);
        }

        audio.waitForBlocks (20);
        EXPECT_EQ (audio.badSamples(), 0);
    }

    // The processor lives on and still takes an editor.
    openUseAndClose (processor);
}

TEST (EditorLifecycle, ReportsAnEditorAt640By540)
{
    HollowmereProcessor processor;
    EXPECT_TRUE (processor.hasEditor());
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    EXPECT_EQ (editor->getWidth(), 640);
    EXPECT_EQ (editor->getHeight(), 540);
}
