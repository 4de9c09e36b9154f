#include "Automation.h"
#include "PluginSession.h"
#include "RenderFailure.h"
#include "RenderOptions.h"
#include "Spectrogram.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <iostream>
#include <unistd.h>

namespace
{
    [[noreturn]] void fail (const juce::String& message)
    {
        throw RenderFailure (message.toStdString());
    }

    void note (const juce::String& message)
    {
        std::cerr << "hollowmere-render: note: " << message << std::endl;
    }

    std::unique_ptr<juce::AudioFormatReader> openAudio (const juce::File& file, const juce::String& what)
    {
        const auto name = "cannot read " + what + "'" + file.getFullPathName() + "'";

        if (! file.existsAsFile())
            fail (name + ": no such file");

        juce::AudioFormatManager formats;
        formats.registerFormat (new juce::WavAudioFormat(), true);
        formats.registerFormat (new juce::AiffAudioFormat(), false);

        std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

        if (reader == nullptr)
            fail (name + ": not a WAV or AIFF file");

        if (reader->numChannels < 1 || reader->sampleRate <= 0.0)
            fail (name + ": it holds no audio channels");

        return reader;
    }

    void requireDirectoryOf (const juce::File& file)
    {
        if (file != juce::File() && ! file.getParentDirectory().isDirectory())
            fail ("cannot write '" + file.getFullPathName() + "': no such directory");
    }

    /** A parameter change due at a sample of the input's timeline. */
    struct Change
    {
        juce::int64 sample;
        juce::AudioProcessorParameter* parameter;
        float normalised;
    };

    std::vector<Change> resolveAutomation (const juce::File& file, PluginSession& session, double sampleRate)
    {
        std::vector<Change> changes;

        if (file == juce::File())
            return changes;

        for (const auto& point : readAutomation (file))
        {
            try
            {
                changes.push_back ({ (juce::int64) std::ceil (point.seconds * sampleRate - 1.0e-9),
                                     &session.findParameter (point.id),
                                     session.normalisedValue (point.id, point.value) });
            }
            catch (const RenderFailure& failure)
            {
                fail ("automation '" + file.getFullPathName() + "', line " + juce::String (point.line) + ": " + failure.what());
            }
        }

        return changes;
    }

    /** A bar on stderr, drawn only on a terminal and only once a render has run for a second. */
    class Progress
    {
    public:
        explicit Progress (juce::int64 totalSamples) : total (juce::jmax ((juce::int64) 1, totalSamples)) {}

        void update (juce::int64 done)
        {
            const auto now = juce::Time::getMillisecondCounterHiRes();

            if (! onTerminal || now - started < 1000.0 || now - lastDrawn < 100.0)
                return;

            lastDrawn = now;
            draw (done);
        }

        void finish()
        {
            if (lastDrawn > 0.0)
            {
                draw (total);
                std::cerr << std::endl;
            }
        }

    private:
        void draw (juce::int64 done) const
        {
            constexpr int width = 40;
            const auto filled = (int) (width * done / total);
            std::cerr << "\rhollowmere-render: [" << juce::String::repeatedString ("#", filled)
                      << juce::String::repeatedString ("-", width - filled) << "] "
                      << juce::String ((int) (100 * done / total)).paddedLeft (' ', 3) << "%" << std::flush;
        }

        const juce::int64 total;
        const bool onTerminal = isatty (STDERR_FILENO) != 0;
        const double started = juce::Time::getMillisecondCounterHiRes();
        double lastDrawn = 0.0;
    };

    /** Loads the preset, applies the settings: the state every run starts from. */
    void configure (PluginSession& session, const RenderOptions& options)
    {
        if (options.preset != juce::File())
            session.loadPreset (options.preset);

        for (const auto& [id, value] : options.settings)
            session.set (id, value);

        session.setTempo (options.bpm);
    }

    /** Lists the parameters or saves a preset, without rendering. */
    void runWithoutAudio (const RenderOptions& options)
    {
        requireDirectoryOf (options.savePreset);

        PluginSession session (options.plugin, 48000.0, options.blockSize);
        configure (session, options);

        if (options.listParams)
            std::cout << session.describeParameters();

        if (options.savePreset != juce::File())
        {
            session.savePreset (options.savePreset);
            std::cout << "wrote " << options.savePreset.getFullPathName() << std::endl;
        }
    }

    void writeImage (const juce::Image& image, const juce::File& file)
    {
        juce::FileOutputStream stream (file);
        juce::PNGImageFormat png;

        if (! stream.openedOk() || ! stream.truncate().wasOk() || ! png.writeImageToStream (image, stream) || (stream.flush(), ! stream.getStatus().wasOk()))
            fail ("cannot write '" + file.getFullPathName() + "'");
    }

    struct Rendered
    {
        juce::int64 length = 0;
        int latency = 0;
        int numChannels = 0;
        double sampleRate = 0.0;
    };

    /**
        Streams the input through the plug-in into temporary files beside the outputs, which
        replace the outputs only once everything is written: a failed render leaves no file.
    */
    Rendered render (const RenderOptions& options)
    {
        Rendered result;
        const auto reader = openAudio (options.input, {});
        result.numChannels = (int) reader->numChannels;
        result.sampleRate = reader->sampleRate;
        const auto numChannels = result.numChannels;
        const auto sampleRate = result.sampleRate;

        std::unique_ptr<juce::AudioFormatReader> sidechain;
        auto sidechainChannels = 0;

        if (options.sidechain != juce::File())
        {
            sidechain = openAudio (options.sidechain, "sidechain ");
            sidechainChannels = (int) sidechain->numChannels;

            if (sidechainChannels > 2)
                fail ("the sidechain '" + options.sidechain.getFullPathName() + "' has " + juce::String (sidechainChannels)
                      + " channels: give mono or stereo");

            if (sidechain->sampleRate != sampleRate)
                fail ("the sidechain runs at " + juce::String (sidechain->sampleRate) + " Hz and the input at "
                      + juce::String (sampleRate) + " Hz: give both at one rate");
        }

        for (const auto& file : { options.output, options.spectrogram, options.savePreset })
            requireDirectoryOf (file);

        PluginSession session (options.plugin, sampleRate, options.blockSize);
        session.useChannels (numChannels, sidechainChannels);
        configure (session, options);
        auto changes = resolveAutomation (options.automation, session, sampleRate);

        if (options.listParams)
            std::cout << session.describeParameters();

        if (options.bypass)
            session.bypass();

        if (sidechain != nullptr)
        {
            if (session.findParameter ("source").getValue() < 0.5f)
                note ("the sidechain is fed, but source=Input; --set source=Sidechain morphs toward it");

            const auto difference = sidechain->lengthInSamples - reader->lengthInSamples;

            if (difference < 0)
                note ("the sidechain is " + juce::String (-difference) + " samples shorter than the input; padded with silence");
            else if (difference > 0)
                note ("the sidechain is " + juce::String (difference) + " samples longer than the input; its end is not played");
        }

        result.latency = session.prepare();

        const juce::TemporaryFile temp (options.output, juce::TemporaryFile::useHiddenFile);
        auto stream = temp.getFile().createOutputStream();

        if (stream == nullptr || stream->failedToOpen())
            fail ("cannot write '" + options.output.getFullPathName() + "'");

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), sampleRate,
                                                                              (unsigned int) numChannels, 32, {}, 0));

        if (writer == nullptr)
            fail ("cannot write a " + juce::String (numChannels) + "-channel WAV at " + juce::String (sampleRate) + " Hz");

        stream.release();   // the writer owns it now

        // The output skips the delay unless asked to keep it; either way the tail is rendered.
        const auto skip = options.keepLatency ? 0 : (juce::int64) result.latency;
        const auto inputLength = reader->lengthInSamples;
        result.length = inputLength + options.tailSamples + (options.keepLatency ? result.latency : 0);
        const auto total = skip + result.length;

        // Mono mixes for the spectrogram, kept only when one is asked for.
        const auto picture = options.spectrogram != juce::File();
        juce::AudioBuffer<float> inputMix (1, picture ? (int) inputLength : 0);
        juce::AudioBuffer<float> outputMix (1, picture ? (int) result.length : 0);
        inputMix.clear();
        outputMix.clear();

        juce::AudioBuffer<float> block (session.getBufferWidth(), options.blockSize);
        std::vector<float*> sidechainPointers ((size_t) juce::jmax (1, sidechainChannels));
        auto nextChange = changes.begin();
        Progress progress (total);

        for (juce::int64 start = 0; start < total; start += options.blockSize)
        {
            const auto n = (int) juce::jmin ((juce::int64) options.blockSize, total - start);
            block.setSize (block.getNumChannels(), n, false, false, true);
            block.clear();

            // Past the end of a file its reader gives silence.
            if (! reader->read (block.getArrayOfWritePointers(), numChannels, start, n))
                fail ("cannot read '" + options.input.getFullPathName() + "': the file is damaged");

            if (sidechain != nullptr)
            {
                for (int c = 0; c < sidechainChannels; ++c)
                    sidechainPointers[(size_t) c] = block.getWritePointer (numChannels + c);

                if (! sidechain->read (sidechainPointers.data(), sidechainChannels, start, n))
                    fail ("cannot read '" + options.sidechain.getFullPathName() + "': the file is damaged");
            }

            if (picture)
                for (int c = 0; c < numChannels; ++c)
                    for (int i = 0; i < n && start + i < inputLength; ++i)
                        inputMix.addSample (0, (int) (start + i), block.getSample (c, i) / (float) numChannels);

            // Hosted parameters reach the plug-in at the start of the next block.
            for (; nextChange != changes.end() && nextChange->sample <= start; ++nextChange)
                nextChange->parameter->setValueNotifyingHost (nextChange->normalised);

            session.process (block);

            const auto first = (int) juce::jmax ((juce::int64) 0, juce::jmin ((juce::int64) n, skip - start));

            if (first < n && ! writer->writeFromAudioSampleBuffer (block, first, n - first))
                fail ("cannot write '" + options.output.getFullPathName() + "': the disk refused the data");

            if (picture)
                for (int c = 0; c < numChannels; ++c)
                    for (int i = first; i < n; ++i)
                        outputMix.addSample (0, (int) (start + i - skip), block.getSample (c, i) / (float) numChannels);

            progress.update (start + n);
        }

        progress.finish();

        if (! writer->flush())
            fail ("cannot write '" + options.output.getFullPathName() + "': the disk refused the data");

        writer.reset();

        std::unique_ptr<juce::TemporaryFile> pictureTemp;

        if (picture)
        {
            pictureTemp = std::make_unique<juce::TemporaryFile> (options.spectrogram, juce::TemporaryFile::useHiddenFile);
            writeImage (Spectrogram::draw (inputMix, outputMix, sampleRate), pictureTemp->getFile());
        }

        if (options.savePreset != juce::File())
            session.savePreset (options.savePreset);

        if (! temp.overwriteTargetFileWithTemporary())
            fail ("cannot write '" + options.output.getFullPathName() + "'");

        if (pictureTemp != nullptr && ! pictureTemp->overwriteTargetFileWithTemporary())
            fail ("cannot write '" + options.spectrogram.getFullPathName() + "'");

        return result;
    }
}

int main (int argc, char** argv)
{
    // VST3 hosting needs the message manager, even without a window.
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;

    try
    {
        juce::StringArray arguments;

        for (int i = 1; i < argc; ++i)
            arguments.add (juce::String::fromUTF8 (argv[i]));

        const auto options = parseRenderOptions (arguments);

        if (options.showHelp)
        {
            std::cout << renderUsage;
            return 0;
        }

        if (! options.rendersAudio())
        {
            runWithoutAudio (options);
            return 0;
        }

        const auto rendered = render (options);

        std::cout << "wrote " << options.output.getFullPathName() << ": " << rendered.numChannels << " channel(s), "
                  << rendered.sampleRate << " Hz, " << rendered.length << " samples; plug-in latency " << rendered.latency
                  << (options.keepLatency ? " samples kept" : " samples removed") << std::endl;

        if (options.spectrogram != juce::File())
            std::cout << "wrote " << options.spectrogram.getFullPathName() << std::endl;

        if (options.savePreset != juce::File())
            std::cout << "wrote " << options.savePreset.getFullPathName() << std::endl;

        return 0;
    }
    catch (const RenderFailure& failure)
    {
        std::cerr << "hollowmere-render: " << failure.what() << std::endl;
        return failure.exitCode;
    }
    catch (const std::exception& e)
    {
        std::cerr << "hollowmere-render: " << e.what() << std::endl;
        return 1;
    }
}
