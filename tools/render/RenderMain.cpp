#include "PluginSession.h"
#include "RenderFailure.h"
#include "RenderOptions.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <iostream>

namespace
{
    [[noreturn]] void fail (const juce::String& message)
    {
        throw RenderFailure (message.toStdString());
    }

    std::unique_ptr<juce::AudioFormatReader> openInput (const juce::File& file)
    {
        if (! file.existsAsFile())
            fail ("cannot read '" + file.getFullPathName() + "': no such file");

        juce::AudioFormatManager formats;
        formats.registerFormat (new juce::WavAudioFormat(), true);
        formats.registerFormat (new juce::AiffAudioFormat(), false);

        std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

        if (reader == nullptr)
            fail ("cannot read '" + file.getFullPathName() + "': not a WAV or AIFF file");

        if (reader->numChannels < 1 || reader->sampleRate <= 0.0)
            fail ("cannot read '" + file.getFullPathName() + "': it holds no audio channels");

        return reader;
    }

    /**
        Streams the input through the plug-in into a temporary file beside the output, which
        replaces the output only once everything is written: a failed render leaves no file.
    */
    juce::int64 render (const RenderOptions& options, int& latency, int& numChannels, double& sampleRate)
    {
        const auto reader = openInput (options.input);
        numChannels = (int) reader->numChannels;
        sampleRate = reader->sampleRate;

        if (! options.output.getParentDirectory().isDirectory())
            fail ("cannot write '" + options.output.getFullPathName() + "': no such directory");

        PluginSession session (options.plugin, sampleRate, options.blockSize);
        session.useChannels (numChannels);

        for (const auto& [id, value] : options.settings)
            session.set (id, value);

        latency = session.prepare();

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
        const auto skip = options.keepLatency ? 0 : (juce::int64) latency;
        const auto outputLength = reader->lengthInSamples + options.tailSamples + (options.keepLatency ? latency : 0);
        const auto total = skip + outputLength;

        juce::AudioBuffer<float> block (session.getBufferWidth(), options.blockSize);

        for (juce::int64 start = 0; start < total; start += options.blockSize)
        {
            const auto n = (int) juce::jmin ((juce::int64) options.blockSize, total - start);
            block.setSize (block.getNumChannels(), n, false, false, true);
            block.clear();

            // Past the end of the file the reader gives silence.
            if (! reader->read (block.getArrayOfWritePointers(), numChannels, start, n))
                fail ("cannot read '" + options.input.getFullPathName() + "': the file is damaged");

            session.process (block);

            const auto first = juce::jmax ((juce::int64) 0, skip - start);

            if (first < n && ! writer->writeFromAudioSampleBuffer (block, (int) first, n - (int) first))
                fail ("cannot write '" + options.output.getFullPathName() + "': the disk refused the data");
        }

        if (! writer->flush())
            fail ("cannot write '" + options.output.getFullPathName() + "': the disk refused the data");

        writer.reset();

        if (! temp.overwriteTargetFileWithTemporary())
            fail ("cannot write '" + options.output.getFullPathName() + "'");

        return outputLength;
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

        int latency = 0, numChannels = 0;
        double sampleRate = 0.0;
        const auto length = render (options, latency, numChannels, sampleRate);

        std::cout << "wrote " << options.output.getFullPathName() << ": " << numChannels << " channel(s), "
                  << sampleRate << " Hz, " << length << " samples; plug-in latency " << latency
                  << (options.keepLatency ? " samples kept" : " samples removed") << std::endl;
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
