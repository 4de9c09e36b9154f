#include "support/EditorTestSupport.h"

#include <atomic>
#include <thread>

namespace
{
    /** Runs blocks of noise through the processor on its own thread until stopped. */
    class AudioThread
    {
    public:
        explicit AudioThread (HollowmereProcessor& p) : processor (p)
        {
            processor.prepareToPlay (44100.0, 256);
            worker = std::thread ([this] { run(); });
        }

        ~AudioThread()
        {
            running = false;
            worker.join();
        }

        int blocksProcessed() const { return blocks.load(); }

    private:
        void run()
        {
            juce::AudioBuffer<float> buffer (processor.getTotalNumInputChannels(), 256);
            juce::MidiBuffer midi;
            juce::Random random (7);

            while (running)
            {
                for (int c = 0; c < buffer.getNumChannels(); ++c)
                    for (int i = 0; i < buffer.getNumSamples(); ++i)
                        buffer.setSample (c, i, random.nextFloat() * 2.2f - 1.1f);

                processor.processBlock (buffer, midi);
                ++blocks;
            }
        }

        HollowmereProcessor& processor;
        std::atomic<bool> running { true };
        std::atomic<int> blocks { 0 };
        std::thread worker;
    };

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

        while (audio.blocksProcessed() < 20)
            std::this_thread::yield();
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
