#include "ScreenGrab.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <cmath>
#include <cstdio>

/*
    Opens the built VST3 bundle's editor in a real top-level window, as a host does, plays a chord
    with noise through the plug-in while the editor runs, and reads the window's pixels back from
    the X server at 640 x 540 and at 1280 x 1080. Each picture is saved as a PNG and checked: the
    window has the editor's size, and a few points show the panel's colours where the picture
    fixes them. Needs an X server with a 24-bit screen of at least 1280 x 1080 (xvfb-run gives one).

        hollowmere-window-shot <bundle> <output directory>

    Exit code 0 when both pictures pass, 1 otherwise.
*/
namespace
{
    constexpr double sampleRate = 44100.0;
    constexpr int blockSize = 512;

    struct Probe
    {
        const char* what;
        int x, y;          // in the 640 x 540 canvas; scaled with the window
        juce::uint32 rgb;
    };

    // Points away from text, knobs and curves, where the panel's colour is fixed.
    const Probe probes[] {
        { "backdrop at the top", 630, 1, 0x150a24 },
        { "upper panel", 300, 145, 0x1a0f2e },
        { "lower panel", 300, 245, 0x1a0f2e },
        { "lower panel's far corner", 610, 490, 0x1a0f2e },
        { "meter background", 530, 157, 0x0d0818 },
        { "spectrum strip", 40, 159, 0x0d0818 },
    };

    juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& id)
    {
        // JUCE's VST3 wrapper numbers parameters by the hash of their string ID, top bit clear.
        const auto vstId = juce::String ((juce::uint32) id.hashCode() & 0x7fffffffu);

        for (auto* parameter : plugin.getParameters())
            if (auto* hosted = dynamic_cast<juce::HostedAudioProcessorParameter*> (parameter))
                if (hosted->getParameterID() == vstId)
                    return parameter;

        return nullptr;
    }

    /** Plays `seconds` of audio in blocks, running the message loop between them in real time. */
    void play (juce::AudioPluginInstance& plugin, double seconds, juce::int64& sample)
    {
        const auto channels = juce::jmax (plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels());
        juce::AudioBuffer<float> block (channels, blockSize);
        juce::MidiBuffer midi;
        juce::Random random (3);
        const auto blocksPerSlice = 3;
        const auto slices = (int) (seconds * sampleRate / (blockSize * blocksPerSlice));

        for (int slice = 0; slice < slices; ++slice)
        {
            for (int b = 0; b < blocksPerSlice; ++b)
            {
                block.clear();

                for (int i = 0; i < blockSize; ++i, ++sample)
                {
                    const auto t = (double) sample / sampleRate;
                    const auto swell = 0.6 + 0.4 * std::sin (2.0 * juce::MathConstants<double>::pi * 0.5 * t);
                    auto value = 0.0;

                    // Bright saw-like notes, so the spectra reach well up the display.
                    for (const auto hz : { 146.8, 220.0, 277.2, 329.6 })
                        for (int k = 1; k <= 16; ++k)
                            value += 0.1 / k * std::sin (2.0 * juce::MathConstants<double>::pi * hz * k * t);

                    const auto out = (float) (value * swell) + 0.03f * (2.0f * random.nextFloat() - 1.0f);

                    for (int c = 0; c < juce::jmin (2, channels); ++c)
                        block.setSample (c, i, out);
                }

                plugin.processBlock (block, midi);
            }

            juce::MessageManager::getInstance()->runDispatchLoopUntil (33);
        }
    }

    bool grabAndCheck (juce::Component& window, const juce::File& file)
    {
        const auto w = window.getWidth(), h = window.getHeight();
        std::vector<juce::uint32> pixels;
        std::string error;

        if (! ScreenGrab::grabRootArea (w, h, pixels, error))
        {
            std::fprintf (stderr, "screen grab failed: %s\n", error.c_str());
            return false;
        }

        juce::Image image (juce::Image::RGB, w, h, false);

        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixelAt (x, y, juce::Colour (pixels[(size_t) y * (size_t) w + (size_t) x]));

        file.deleteFile();
        {
            juce::FileOutputStream out (file);
            juce::PNGImageFormat png;

            if (! out.openedOk() || ! png.writeImageToStream (image, out))
            {
                std::fprintf (stderr, "could not write %s\n", file.getFullPathName().toRawUTF8());
                return false;
            }
        }

        const auto scale = (double) w / 640.0;
        bool passed = true;

        for (const auto& probe : probes)
        {
            // The centre of the probed canvas point's pixels.
            const auto px = (int) ((probe.x + 0.5) * scale), py = (int) ((probe.y + 0.5) * scale);
            const auto seen = image.getPixelAt (px, py);
            const juce::Colour expected ((juce::uint32) (0xff000000u | probe.rgb));
            const auto off = [] (int a, int b) { return std::abs (a - b) > 2; };

            if (off (seen.getRed(), expected.getRed()) || off (seen.getGreen(), expected.getGreen())
                || off (seen.getBlue(), expected.getBlue()))
            {
                std::fprintf (stderr, "%d x %d, %s at (%d, %d): %s, expected %s\n", w, h, probe.what, px, py,
                              seen.toDisplayString (false).toRawUTF8(), expected.toDisplayString (false).toRawUTF8());
                passed = false;
            }
        }

        std::printf ("%s %s (%d x %d)\n", passed ? "passed" : "FAILED", file.getFullPathName().toRawUTF8(), w, h);
        return passed;
    }

    int run (const juce::File& bundle, const juce::File& outputDirectory)
    {
        juce::VST3PluginFormat format;
        juce::OwnedArray<juce::PluginDescription> descriptions;
        format.findAllTypesForFile (descriptions, bundle.getFullPathName());

        if (descriptions.isEmpty())
        {
            std::fprintf (stderr, "no plug-in in %s\n", bundle.getFullPathName().toRawUTF8());
            return 1;
        }

        juce::String error;
        auto plugin = format.createInstanceFromDescription (*descriptions.getFirst(), sampleRate, blockSize, error);

        if (plugin == nullptr)
        {
            std::fprintf (stderr, "could not load the plug-in: %s\n", error.toRawUTF8());
            return 1;
        }

        // No sidechain: the plug-in records its own input, as on most tracks.
        auto layout = plugin->getBusesLayout();

        if (layout.inputBuses.size() > 1)
        {
            layout.inputBuses.getReference (1) = juce::AudioChannelSet::disabled();
            plugin->setBusesLayout (layout);
        }

        plugin->prepareToPlay (sampleRate, blockSize);

        const auto set = [&plugin] (const char* id, const char* text)
        {
            if (auto* parameter = findParameter (*plugin, id))
                parameter->setValueNotifyingHost (parameter->getValueForText (text));
            else
                std::fprintf (stderr, "no parameter %s\n", id);
        };

        // Haunt between spectrum and waveform, a sixteenth-bar wobble for the freeze to come.
        set ("haunt", "0.35");
        set ("whisper", "0.3");
        set ("warp", "0.2");
        set ("release", "3");

        std::unique_ptr<juce::AudioProcessorEditor> editor (plugin->createEditorIfNeeded());

        if (editor == nullptr)
        {
            std::fprintf (stderr, "the plug-in offers no editor\n");
            return 1;
        }

        editor->setTopLeftPosition (0, 0);
        editor->addToDesktop (0);
        editor->setVisible (true);

        outputDirectory.createDirectory();
        juce::int64 sample = 0;
        bool passed = true;

        // Record some history, then freeze and scrub through it.
        editor->setSize (640, 540);
        play (*plugin, 1.5, sample);
        set ("seance", "0.45");

        for (const auto width : { 640, 1280 })
        {
            editor->setSize (width, width * 540 / 640);
            play (*plugin, 2.0, sample);

            if (editor->getWidth() != width || editor->getHeight() != width * 540 / 640)
            {
                std::fprintf (stderr, "the editor is %d x %d, not %d wide\n", editor->getWidth(), editor->getHeight(), width);
                passed = false;
                continue;
            }

            passed = grabAndCheck (*editor, outputDirectory.getChildFile ("editor-" + juce::String (width) + "x"
                                                                          + juce::String (width * 540 / 640) + ".png"))
                     && passed;
        }

        editor.reset();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
        plugin->releaseResources();
        return passed ? 0 : 1;
    }
}

int main (int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf (stderr, "usage: %s <bundle> <output directory>\n", argv[0]);
        return 2;
    }

    ScreenGrab::ignoreProtocolErrors();
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    return run (juce::File (juce::String (argv[1])), juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]));
}
