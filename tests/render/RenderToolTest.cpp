#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

namespace
{
    constexpr int latency = 2047;
    constexpr int tail = 2048;

    struct RunResult
    {
        int exitCode = -1;
        juce::String output;    // stdout and stderr together
    };

    RunResult runRenderer (const juce::File& workingDirectory, const juce::StringArray& arguments)
    {
        const auto previous = juce::File::getCurrentWorkingDirectory();
        workingDirectory.setAsCurrentWorkingDirectory();

        juce::StringArray command { HOLLOWMERE_RENDER_TOOL };
        command.addArray (arguments);

        juce::ChildProcess process;
        RunResult result;

        if (process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        {
            result.output = process.readAllProcessOutput();
            process.waitForProcessToFinish (60000);
            result.exitCode = (int) process.getExitCode();
        }

        previous.setAsCurrentWorkingDirectory();
        return result;
    }

    /** A signal with some of everything: two tones, noise, and a step, at most 0.6 in size. */
    juce::AudioBuffer<float> makeSignal (int numChannels, int numSamples, double rate)
    {
        juce::Random random (99);
        juce::AudioBuffer<float> signal (numChannels, numSamples);

        for (int c = 0; c < numChannels; ++c)
            for (int i = 0; i < numSamples; ++i)
                signal.setSample (c, i, (float) (0.3 * std::sin (juce::MathConstants<double>::twoPi * (220.0 + 110.0 * c) * i / rate)
                                                 + 0.1 * (random.nextDouble() * 2.0 - 1.0)
                                                 + (i > numSamples / 2 ? 0.2 : 0.0)));

        return signal;
    }

    void writeAudio (const juce::File& file, const juce::AudioBuffer<float>& signal, double rate, bool aiff = false)
    {
        std::unique_ptr<juce::AudioFormat> format;

        if (aiff)
            format = std::make_unique<juce::AiffAudioFormat>();
        else
            format = std::make_unique<juce::WavAudioFormat>();

        auto stream = file.createOutputStream();
        ASSERT_TRUE (stream != nullptr);
        std::unique_ptr<juce::AudioFormatWriter> writer (format->createWriterFor (stream.get(), rate,
                                                         (unsigned int) signal.getNumChannels(), aiff ? 24 : 32, {}, 0));
        ASSERT_TRUE (writer != nullptr);
        stream.release();
        ASSERT_TRUE (writer->writeFromAudioSampleBuffer (signal, 0, signal.getNumSamples()));
    }

    struct Decoded
    {
        juce::AudioBuffer<float> audio;
        double sampleRate = 0.0;
    };

    Decoded readWav (const juce::File& file)
    {
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (file.createInputStream().release(), true));
        Decoded decoded;

        if (reader != nullptr)
        {
            decoded.sampleRate = reader->sampleRate;
            decoded.audio.setSize ((int) reader->numChannels, (int) reader->lengthInSamples);
            reader->read (&decoded.audio, 0, decoded.audio.getNumSamples(), 0, true, true);
        }

        return decoded;
    }

    struct RenderToolTest : public ::testing::Test
    {
        void SetUp() override
        {
            directory = juce::File::createTempFile ("hollowmere-render-test");
            ASSERT_TRUE (directory.createDirectory());
        }

        void TearDown() override
        {
            directory.deleteRecursively();
        }

        juce::StringArray filesInDirectory() const
        {
            juce::StringArray names;

            // Hidden files count too: a failed render must not leave its temporary file behind.
            for (const auto& entry : juce::RangedDirectoryIterator (directory, false, "*", juce::File::findFilesAndDirectories))
                names.add (entry.getFile().getFileName());

            names.sort (false);
            return names;
        }

        juce::File directory;
    };
}

TEST_F (RenderToolTest, BadInputFailsWithOneClearLineAndLeavesNoFile)
{
    writeAudio (directory.getChildFile ("in.wav"), makeSignal (2, 4096, 44100.0), 44100.0);
    writeAudio (directory.getChildFile ("three.wav"), makeSignal (3, 4096, 44100.0), 44100.0);
    directory.getChildFile ("junk.wav").replaceWithText ("not audio at all");
    directory.getChildFile ("kept.wav").replaceWithText ("an earlier render");

    struct Case
    {
        juce::StringArray arguments;
        int exitCode;
        const char* message;
    };

    const Case cases[] = {
        { { "missing.wav", "out.wav" },                              1, "cannot read '" },
        { { "junk.wav", "out.wav" },                                 1, "not a WAV or AIFF file" },
        { { "three.wav", "out.wav" },                                1, "refuses 3-channel audio" },
        { { "--set", "bogus=1", "in.wav", "out.wav" },               1, "unknown parameter 'bogus'" },
        { { "--set", "haunt=1.5", "in.wav", "out.wav" },             1, "haunt=1.5 is out of range: 0.00 to 1.00" },
        { { "--set", "inputGain=-30", "in.wav", "out.wav" },         1, "inputGain=-30 is out of range: -24.0 to 12.0" },
        { { "--set", "haunt=much", "in.wav", "out.wav" },            1, "bad value 'much' for haunt" },
        { { "--set", "wobbleShape=Square", "in.wav", "out.wav" },    1, "bad value 'Square' for wobbleShape" },
        { { "--set", "haunt", "in.wav", "out.wav" },                 2, "bad setting 'haunt'" },
        { { "--block", "0", "in.wav", "out.wav" },                   2, "bad block size '0'" },
        { { "--block", "-64", "in.wav", "out.wav" },                 2, "bad block size '-64'" },
        { { "--block", "12x", "in.wav", "out.wav" },                 2, "bad block size '12x'" },
        { { "--block", "100000", "in.wav", "out.wav" },              2, "bad block size '100000'" },
        { { "--block" },                                             2, "--block needs a value" },
        { { "--loud", "in.wav", "out.wav" },                         2, "unknown option '--loud'" },
        { { "in.wav" },                                              2, "give one input file and one output file" },
        { { "--plugin", "nowhere.vst3", "in.wav", "out.wav" },       1, "no VST3 bundle at '" },
        { { "in.wav", "no-such-dir/out.wav" },                       1, "no such directory" },
        { { "--set", "haunt=2", "in.wav", "kept.wav" },              1, "haunt=2 is out of range" },
    };

    const auto before = filesInDirectory();

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.arguments.joinIntoString (" "));
        const auto result = runRenderer (directory, c.arguments);

        EXPECT_EQ (result.exitCode, c.exitCode);
        EXPECT_TRUE (result.output.startsWith ("hollowmere-render: ")) << result.output;
        EXPECT_TRUE (result.output.contains (c.message)) << result.output;
        EXPECT_EQ (result.output.trimEnd().indexOfChar ('\n'), -1) << result.output;
        EXPECT_EQ (filesInDirectory(), before);
    }

    EXPECT_EQ (directory.getChildFile ("kept.wav").loadFileAsString(), "an earlier render");
}

struct IdentityCase
{
    int numChannels;
    double sampleRate;
    bool aiff;
    const char* blockSize;

    friend void PrintTo (const IdentityCase& c, std::ostream* os)
    {
        *os << c.numChannels << " ch, " << c.sampleRate << " Hz, " << (c.aiff ? "AIFF" : "WAV") << ", block " << c.blockSize;
    }
};

class RenderToolIdentity : public RenderToolTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P (RenderToolIdentity, ReproducesTheInputLinedUpWithIt)
{
    const auto& param = GetParam();
    const auto input = makeSignal (param.numChannels, 30000, param.sampleRate);
    const auto inFile = directory.getChildFile (param.aiff ? "in.aiff" : "in.wav");
    writeAudio (inFile, input, param.sampleRate, param.aiff);

    const auto result = runRenderer (directory, { "--set", "haunt=0", "--set", "dryWet=1",
                                                  "--block", param.blockSize, inFile.getFileName(), "out.wav" });
    ASSERT_EQ (result.exitCode, 0) << result.output;

    const auto output = readWav (directory.getChildFile ("out.wav"));
    ASSERT_EQ (output.audio.getNumChannels(), param.numChannels);
    EXPECT_EQ (output.sampleRate, param.sampleRate);
    ASSERT_EQ (output.audio.getNumSamples(), input.getNumSamples() + tail);

    // 24-bit AIFF input carries its own rounding of up to 6e-8; the pipeline adds up to 5e-5.
    for (int c = 0; c < param.numChannels; ++c)
        for (int i = 0; i < output.audio.getNumSamples(); ++i)
            ASSERT_NEAR (output.audio.getSample (c, i), i < input.getNumSamples() ? input.getSample (c, i) : 0.0f, 1.0e-4f)
                << "channel " << c << ", sample " << i;
}

INSTANTIATE_TEST_SUITE_P (RenderTool, RenderToolIdentity,
                          ::testing::Values (IdentityCase { 2, 48000.0, false, "512" },
                                             IdentityCase { 1, 44100.0, true, "333" },
                                             IdentityCase { 2, 96000.0, false, "4096" }));

TEST_F (RenderToolTest, KeepsTheRawDelayWhenAsked)
{
    const auto input = makeSignal (2, 10000, 44100.0);
    writeAudio (directory.getChildFile ("in.wav"), input, 44100.0);

    const auto result = runRenderer (directory, { "--keep-latency", "--set", "haunt=0", "in.wav", "raw.wav" });
    ASSERT_EQ (result.exitCode, 0) << result.output;

    const auto output = readWav (directory.getChildFile ("raw.wav"));
    ASSERT_EQ (output.audio.getNumSamples(), input.getNumSamples() + latency + tail);

    for (int c = 0; c < 2; ++c)
    {
        for (int i = 0; i < 511; ++i)
            ASSERT_EQ (output.audio.getSample (c, i), 0.0f) << "sample " << i;

        for (int i = 0; i < input.getNumSamples(); ++i)
            ASSERT_NEAR (output.audio.getSample (c, i + latency), input.getSample (c, i), 1.0e-4f) << "sample " << i;
    }
}
