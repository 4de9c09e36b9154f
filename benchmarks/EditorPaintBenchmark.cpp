#include "editor/PluginEditor.h"
#include "processor/ParameterIDs.h"
#include "processor/PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

/*
    One full paint of the editor, children included, into an image of the window's size, as a
    host repaints it about 30 times a second. Before timing, the processor plays a chord with
    noise for two seconds while the editor's refresh timer follows it, so the spectra, the scope,
    the meters and the wobble trail are all filled; haunt sits between its ends, so the haunt
    curve is drawn at its full 256 points.
*/
namespace
{
    constexpr double sampleRate = 44100.0;
    constexpr int blockSize = 512;
    constexpr int blocksPerTick = 3;   // about 35 ms of audio per 33 ms timer tick
    constexpr int ticks = 60;

    void setParameter (HollowmereProcessor& processor, const char* id, float value)
    {
        auto* parameter = processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    struct LiveEditor
    {
        explicit LiveEditor (int width)
        {
            processor.prepareToPlay (sampleRate, blockSize);
            setParameter (processor, ParameterIDs::haunt, 0.3f);
            setParameter (processor, ParameterIDs::seance, 0.5f);
            setParameter (processor, ParameterIDs::release, 3.0f);
            setParameter (processor, ParameterIDs::whisper, 0.4f);

            editor.reset (static_cast<HollowmereEditor*> (processor.createEditor()));
            editor->setSize (width, width * 540 / 640);

            const auto channels = juce::jmax (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
            juce::AudioBuffer<float> block (channels, blockSize);
            juce::MidiBuffer midi;
            juce::Random random (11);
            int64_t sample = 0;

            for (int tick = 0; tick < ticks; ++tick)
            {
                for (int b = 0; b < blocksPerTick; ++b)
                {
                    block.clear();

                    for (int i = 0; i < blockSize; ++i, ++sample)
                    {
                        const auto t = (double) sample / sampleRate;
                        const auto chord = 0.2 * (std::sin (2.0 * juce::MathConstants<double>::pi * 220.0 * t)
                                                  + std::sin (2.0 * juce::MathConstants<double>::pi * 277.2 * t)
                                                  + std::sin (2.0 * juce::MathConstants<double>::pi * 329.6 * t));
                        const auto value = (float) chord + 0.05f * (2.0f * random.nextFloat() - 1.0f);

                        for (int c = 0; c < juce::jmin (2, channels); ++c)
                            block.setSample (c, i, value);
                    }

                    processor.processBlock (block, midi);
                }

                editor->timerCallback();
            }
        }

        HollowmereProcessor processor;
        std::unique_ptr<HollowmereEditor> editor;
    };

    void EditorPaint (benchmark::State& state, int width)
    {
        LiveEditor live (width);
        juce::Image image (juce::Image::ARGB, live.editor->getWidth(), live.editor->getHeight(), true);

        for (auto _ : state)
        {
            juce::Graphics g (image);
            live.editor->paintEntireComponent (g, true);
            benchmark::DoNotOptimize (image.getPixelAt (0, 0));
        }
    }
}

BENCHMARK_CAPTURE (EditorPaint, 640x540, 640)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (EditorPaint, 1280x1080, 1280)->Unit (benchmark::kMillisecond);
