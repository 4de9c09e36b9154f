#include <juce_audio_formats/juce_audio_formats.h>

#include <juce_dsp/juce_dsp.h>
#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <set>

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
    writeAudio (directory.getChildFile ("fast.wav"), makeSignal (1, 4096, 48000.0), 48000.0);

    const std::pair<const char*, const char*> automationFiles[] = {
        { "time.txt",    "abc haunt 0.5\n" },
        { "back.txt",    "1 haunt 0.5\n0.5 haunt 0.2\n" },
        { "unknown.txt", "0 bogus 1\n" },
        { "range.txt",   "# a comment\n\n0.25 haunt 3   # too much\n" },
        { "short.txt",   "0 haunt\n" },
        { "minus.txt",   "-1 haunt 0.5\n" },
        { "choice.txt",  "0 wobbleShape Square\n" },
    };

    for (const auto& [name, text] : automationFiles)
        directory.getChildFile (name).replaceWithText (text);

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
        { { "in.wav", "in.wav" },                                    2, "'in.wav' would overwrite an input" },
        { { "--sidechain", "missing.wav", "in.wav", "out.wav" },     1, "cannot read sidechain '" },
        { { "--sidechain", "junk.wav", "in.wav", "out.wav" },        1, "not a WAV or AIFF file" },
        { { "--sidechain", "three.wav", "in.wav", "out.wav" },       1, "has 3 channels: give mono or stereo" },
        { { "--sidechain", "fast.wav", "in.wav", "out.wav" },        1, "the sidechain runs at 48000 Hz and the input at 44100 Hz" },
        { { "--list-params", "--sidechain", "in.wav" },              2, "need an input and an output file" },
        { { "--bpm", "10", "in.wav", "out.wav" },                    2, "bad tempo '10': give beats per minute from 20 to 999" },
        { { "--bpm", "1000", "in.wav", "out.wav" },                  2, "bad tempo '1000'" },
        { { "--bpm", "fast", "in.wav", "out.wav" },                  2, "bad tempo 'fast'" },
        { { "--bpm", "1.2.3", "in.wav", "out.wav" },                 2, "bad tempo '1.2.3'" },
        { { "--automate", "missing.txt", "in.wav", "out.wav" },      1, "missing.txt': no such file" },
        { { "--automate", "time.txt", "in.wav", "out.wav" },         1, "time.txt', line 1: bad time 'abc'" },
        { { "--automate", "back.txt", "in.wav", "out.wav" },         1, "back.txt', line 2: time 0.5 goes back before 1 s" },
        { { "--automate", "unknown.txt", "in.wav", "out.wav" },      1, "unknown.txt', line 1: unknown parameter 'bogus'" },
        { { "--automate", "range.txt", "in.wav", "out.wav" },        1, "range.txt', line 3: haunt=3 is out of range" },
        { { "--automate", "short.txt", "in.wav", "out.wav" },        1, "short.txt', line 1: write SECONDS ID VALUE" },
        { { "--automate", "minus.txt", "in.wav", "out.wav" },        1, "minus.txt', line 1: bad time '-1'" },
        { { "--automate", "choice.txt", "in.wav", "out.wav" },       1, "choice.txt', line 1: bad value 'Square' for wobbleShape" },
        { { "--automate" },                                          2, "--automate needs a value" },
        { { "--preset", "missing.preset", "in.wav", "out.wav" },     1, "no such file" },
        { { "--preset", "junk.wav", "in.wav", "out.wav" },           1, "is not a Hollowmere preset" },
        { { "--preset", "in.wav", "--save-preset", "p.preset" },     1, "is not a Hollowmere preset" },
        { { "--save-preset", "no-such-dir/p.preset" },               1, "no such directory" },
        { { "--spectrogram", "out.jpg", "in.wav", "out.wav" },       2, "give a file name ending in .png" },
        { { "--spectrogram", "no-such-dir/s.png", "in.wav", "out.wav" }, 1, "no such directory" },
        { { "--spectrogram", "s.png", "--set", "haunt=9", "in.wav", "out.wav" }, 1, "haunt=9 is out of range" },
    };

    const auto before = filesInDirectory();

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.arguments.joinIntoString (" "));
        const auto result = runRenderer (directory, c.arguments);

        EXPECT_EQ (result.exitCode, c.exitCode);
        EXPECT_TRUE (result.output.startsWith ("hollowmere-render: ") && ! result.output.contains ("note:")) << result.output;
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

namespace
{
    /** Energy of one frequency in a stretch of a channel, by correlation with a complex tone. */
    double energyAt (const juce::AudioBuffer<float>& audio, int channel, int start, int length, double frequency, double rate)
    {
        double re = 0.0, im = 0.0;

        for (int i = start; i < start + length; ++i)
        {
            const auto phase = juce::MathConstants<double>::twoPi * frequency * i / rate;
            re += audio.getSample (channel, i) * std::cos (phase);
            im += audio.getSample (channel, i) * std::sin (phase);
        }

        return (re * re + im * im) / length;
    }

    double energy (const juce::AudioBuffer<float>& audio, int channel, int start, int length)
    {
        double sum = 0.0;

        for (int i = start; i < start + length; ++i)
            sum += audio.getSample (channel, i) * audio.getSample (channel, i);

        return sum / 2.0;   // scaled so that a pure tone gives what energyAt gives at its frequency
    }

    juce::AudioBuffer<float> tone (int numChannels, int numSamples, double frequency, double rate, float amplitude)
    {
        juce::AudioBuffer<float> signal (numChannels, numSamples);

        for (int c = 0; c < numChannels; ++c)
            for (int i = 0; i < numSamples; ++i)
                signal.setSample (c, i, amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / rate));

        return signal;
    }

    juce::AudioBuffer<float> noise (int numChannels, int numSamples, float amplitude)
    {
        juce::Random random (7);
        juce::AudioBuffer<float> signal (numChannels, numSamples);

        for (int c = 0; c < numChannels; ++c)
            for (int i = 0; i < numSamples; ++i)
                signal.setSample (c, i, amplitude * (random.nextFloat() * 2.0f - 1.0f));

        return signal;
    }
}

TEST_F (RenderToolTest, SidechainFeedsTheNimbreSpectrum)
{
    constexpr double rate = 44100.0;
    writeAudio (directory.getChildFile ("in.wav"), noise (2, 40000, 0.3f), rate);
    writeAudio (directory.getChildFile ("sc.wav"), tone (1, 30000, 1500.0, rate, 0.5f), rate);

    const juce::StringArray settings { "--set", "source=Sidechain", "--set", "haunt=1", "--set", "dryWet=1" };
    auto withSidechain = settings;
    withSidechain.addArray ({ "--sidechain", "sc.wav", "in.wav", "fed.wav" });
    auto without = settings;
    without.addArray ({ "in.wav", "unfed.wav" });

    const auto fed = runRenderer (directory, withSidechain);
    ASSERT_EQ (fed.exitCode, 0) << fed.output;
    EXPECT_TRUE (fed.output.contains ("the sidechain is 10000 samples shorter than the input; padded with silence")) << fed.output;
    ASSERT_EQ (runRenderer (directory, without).exitCode, 0);

    // Where the mono sidechain plays, both output channels carry its tone; without it, no tone.
    const auto a = readWav (directory.getChildFile ("fed.wav")).audio;
    const auto b = readWav (directory.getChildFile ("unfed.wav")).audio;

    for (int c = 0; c < 2; ++c)
    {
        EXPECT_GT (energyAt (a, c, 10000, 16384, 1500.0, rate), 0.5 * energy (a, c, 10000, 16384)) << "channel " << c;
        EXPECT_LT (energyAt (b, c, 10000, 16384, 1500.0, rate), 0.01 * energy (b, c, 10000, 16384)) << "channel " << c;
    }
}

namespace
{
    /** The period, in hops of 512 samples, of the loudest frequency's movement in a stretch. */
    double periodOfLoudestFrequency (const juce::AudioBuffer<float>& audio, int start, int numFrames)
    {
        constexpr int order = 11, size = 1 << order, hop = 512;
        juce::dsp::FFT fft (order);
        juce::dsp::WindowingFunction<float> window (size, juce::dsp::WindowingFunction<float>::hann);
        std::vector<double> track;

        for (int f = 0; f < numFrames; ++f)
        {
            std::vector<float> frame (2 * size, 0.0f);

            for (int i = 0; i < size; ++i)
                frame[(size_t) i] = audio.getSample (0, start + f * hop + i);

            window.multiplyWithWindowingTable (frame.data(), size);
            fft.performFrequencyOnlyForwardTransform (frame.data());
            track.push_back ((double) std::distance (frame.begin(), std::max_element (frame.begin() + 1, frame.begin() + size / 2)));
        }

        const auto mean = std::accumulate (track.begin(), track.end(), 0.0) / (double) track.size();

        for (auto& t : track)
            t -= mean;

        const auto correlation = [&] (int lag)
        {
            double sum = 0.0;

            for (size_t i = 0; i + (size_t) lag < track.size(); ++i)
                sum += track[i] * track[i + (size_t) lag];

            return sum / (double) (track.size() - (size_t) lag);
        };

        // The first lag past the first trough where the correlation peaks again.
        const auto zero = correlation (0);
        int lag = 1;

        while (lag < numFrames / 2 && correlation (lag) > 0.0)
            ++lag;

        while (lag < numFrames / 2 && ! (correlation (lag) > 0.3 * zero && correlation (lag) >= correlation (lag + 1)))
            ++lag;

        return lag;
    }
}

TEST_F (RenderToolTest, TempoSetsTheWobblePeriod)
{
    // One second of a rising sweep is recorded, then frozen; the wobble (an eighth of a bar)
    // scrubs through it, so the output's loudest frequency swings once per wobble period.
    constexpr double rate = 44100.0;
    const auto length = (int) (4.5 * rate);
    juce::AudioBuffer<float> input (1, length);
    juce::Random random (3);
    double phase = 0.0;

    for (int i = 0; i < length; ++i)
    {
        const auto t = i / rate;
        phase += juce::MathConstants<double>::twoPi * 200.0 * std::pow (20.0, juce::jmin (t, 1.0)) / rate;
        input.setSample (0, i, t < 1.0 ? 0.5f * (float) std::sin (phase) : 0.01f * (random.nextFloat() * 2.0f - 1.0f));
    }

    writeAudio (directory.getChildFile ("sweep.wav"), input, rate);
    directory.getChildFile ("freeze.txt").replaceWithText ("0 seance 0\n1.0 seance 0.5\n");

    std::map<int, double> periods;

    for (const auto bpm : { 60, 120 })
    {
        const auto result = runRenderer (directory, { "--bpm", juce::String (bpm), "--automate", "freeze.txt",
                                                      "--set", "haunt=1", "--set", "release=4",
                                                      "sweep.wav", "wobble.wav" });
        ASSERT_EQ (result.exitCode, 0) << result.output;
        periods[bpm] = periodOfLoudestFrequency (readWav (directory.getChildFile ("wobble.wav")).audio, (int) (1.5 * rate), 240);
    }

    // A bar of four beats at 44.1 kHz is 344 hops at 60 BPM and 172 at 120; an eighth of it is
    // 43 and 21.5 hops.
    EXPECT_NEAR (periods[60], 43.0, 1.0);
    EXPECT_NEAR (periods[120], 21.5, 1.0);
}

TEST_F (RenderToolTest, AutomationLandsAtTheFirstBlockStartingAtItsTime)
{
    constexpr double rate = 44100.0;
    const auto input = makeSignal (1, 30000, rate);
    writeAudio (directory.getChildFile ("in.wav"), input, rate);
    directory.getChildFile ("gain.txt").replaceWithText ("# halve the output from 0.5 s\n0.5\toutputGain\t-6\n");

    const auto result = runRenderer (directory, { "--set", "haunt=0", "--automate", "gain.txt", "in.wav", "out.wav" });
    ASSERT_EQ (result.exitCode, 0) << result.output;
    const auto output = readWav (directory.getChildFile ("out.wav")).audio;

    const auto half = juce::Decibels::decibelsToGain (-6.0f);

    // 0.5 s is sample 22050; the change reaches the plug-in with the block at 22528 and ramps
    // over it. The output gain acts on the delayed signal, so in the lined-up output the ramp
    // runs from 22528 - 2047 to 23040 - 2047.
    for (int i = 0; i < 30000; ++i)
    {
        if (i < 22528 - latency)
            ASSERT_NEAR (output.getSample (0, i), input.getSample (0, i), 1.0e-4f) << "sample " << i;
        else if (i >= 23040 - latency)
            ASSERT_NEAR (output.getSample (0, i), half * input.getSample (0, i), 1.0e-4f) << "sample " << i;
    }
}

TEST_F (RenderToolTest, BypassPlaysTheInputLinedUp)
{
    const auto input = makeSignal (2, 20000, 48000.0);
    writeAudio (directory.getChildFile ("in.wav"), input, 48000.0);

    const auto result = runRenderer (directory, { "--bypass", "--set", "haunt=1", "--set", "whisper=1", "in.wav", "out.wav" });
    ASSERT_EQ (result.exitCode, 0) << result.output;
    const auto output = readWav (directory.getChildFile ("out.wav")).audio;
    ASSERT_EQ (output.getNumSamples(), input.getNumSamples() + tail);

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < input.getNumSamples(); ++i)
            ASSERT_EQ (output.getSample (c, i), input.getSample (c, i)) << "channel " << c << ", sample " << i;
}

TEST_F (RenderToolTest, ListsParametersAndCarriesPresetsBothWays)
{
    const auto listing = runRenderer (directory, { "--list-params" });
    ASSERT_EQ (listing.exitCode, 0) << listing.output;
    juce::StringArray lines;
    lines.addLines (listing.output.trimEnd());
    ASSERT_EQ (lines.size(), 15) << listing.output;     // a heading, then fourteen parameters

    // Each line with its runs of spaces squeezed to one.
    const auto words = [] (const juce::String& line)
    {
        auto tokens = juce::StringArray::fromTokens (line, " ", "");
        tokens.removeEmptyStrings();
        return tokens;
    };

    const auto row = [&] (const juce::String& id)
    {
        for (const auto& line : lines)
            if (line.startsWith (id + " "))
                return words (line).joinIntoString (" ");

        return juce::String();
    };

    EXPECT_EQ (row ("haunt"), "haunt Haunt 0.00 to 1.00 0.50 0.50");
    EXPECT_EQ (row ("wobbleShape"), "wobbleShape Wobble Shape Triangle | Saw Up | Saw Down Triangle Triangle");
    EXPECT_EQ (row ("seance"), "seance Freeze 0.00 to 1.00 0.00 0.00");
    EXPECT_EQ (row ("wobbleFreeMs"), "wobbleFreeMs Wobble Free Rate 1.0000000 to 4000.0000000 250.0000000 250.0000000");

    // The plug-in's own block, then the VST3 preset file made from it, then back.
    ASSERT_EQ (runRenderer (directory, { "--set", "haunt=0.25", "--set", "wobbleShape=Saw Up", "--set", "inputGain=-3",
                                         "--save-preset", "mine.state" }).exitCode, 0);
    juce::MemoryBlock block;
    ASSERT_TRUE (directory.getChildFile ("mine.state").loadFileAsData (block));
    ASSERT_GT (block.getSize(), 8u);
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (block.getData()), 0x21324356u);
    EXPECT_EQ ((size_t) juce::ByteOrder::littleEndianInt (block.begin() + 4) + 8, block.getSize());
    EXPECT_TRUE (juce::String::fromUTF8 (block.begin() + 8, (int) block.getSize() - 8).contains ("<Parameters"));

    ASSERT_EQ (runRenderer (directory, { "--preset", "mine.state", "--save-preset", "mine.vstpreset" }).exitCode, 0);
    EXPECT_TRUE (directory.getChildFile ("mine.vstpreset").loadFileAsString().startsWith ("VST3"));

    const auto restored = runRenderer (directory, { "--preset", "mine.vstpreset", "--list-params" });
    ASSERT_EQ (restored.exitCode, 0) << restored.output;
    lines.clear();
    lines.addLines (restored.output.trimEnd());

    EXPECT_EQ (row ("haunt"), "haunt Haunt 0.00 to 1.00 0.50 0.25");
    EXPECT_EQ (row ("inputGain"), "inputGain Input Gain -24.0 to 12.0 0.0 -3.0");
    EXPECT_EQ (row ("wobbleShape"), "wobbleShape Wobble Shape Triangle | Saw Up | Saw Down Triangle Saw Up");
}

TEST_F (RenderToolTest, SpectrogramShowsInputAboveOutput)
{
    constexpr double rate = 44100.0;
    writeAudio (directory.getChildFile ("in.wav"), tone (1, 44100, 1000.0, rate, 0.5f), rate);

    const auto result = runRenderer (directory, { "--set", "haunt=0", "--set", "outputGain=-24",
                                                  "--spectrogram", "picture.png", "in.wav", "out.wav" });
    ASSERT_EQ (result.exitCode, 0) << result.output;

    const auto image = juce::ImageFileFormat::loadFrom (directory.getChildFile ("picture.png"));
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), 1280);
    EXPECT_EQ (image.getHeight(), 900);

    // The 1 kHz tone is a bright line across the input plot; the colours cover the scale.
    std::set<juce::uint32> colours;

    for (int y = 0; y < image.getHeight(); y += 3)
        for (int x = 0; x < image.getWidth(); x += 3)
            colours.insert (image.getPixelAt (x, y).getARGB());

    EXPECT_GT (colours.size(), 100u);

    // 24 dB down, the output's tone line is darker than the input's.
    // The colour scale's green rises with the level.
    auto brightest = [&] (int top)
    {
        int best = 0;

        for (int y = top; y < top + 380; ++y)
            best = juce::jmax (best, (int) image.getPixelAt (620, y).getGreen());

        return best;
    };

    EXPECT_GT (brightest (40), 200);
    EXPECT_LT (brightest (470), brightest (40) - 60);
}
