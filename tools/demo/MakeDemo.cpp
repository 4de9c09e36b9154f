// Writes the demo input: six seconds of stereo at 44.1 kHz (or a rate given on the command line)
// in three parts, all synthesised here: a sustained chord, a noise burst, and a plucked string.

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <iostream>

namespace
{
    constexpr double twoPi = juce::MathConstants<double>::twoPi;

    /** Linear attack and release around a flat middle; t and the times in seconds. */
    double envelope (double t, double length, double attack, double release)
    {
        if (t < 0.0 || t > length)
            return 0.0;

        return juce::jmin (1.0, t / attack, (length - t) / release);
    }

    /** A minor-seventh chord of soft sawtooth-like tones, each voice panned apart. */
    void addChord (juce::AudioBuffer<float>& out, double rate, double start, double length)
    {
        const double frequencies[] = { 110.0, 220.0, 261.63, 329.63, 392.0 };
        const auto first = (int) (start * rate);

        for (int i = 0; i < (int) (length * rate) && first + i < out.getNumSamples(); ++i)
        {
            const auto t = i / rate;
            const auto env = 0.12 * envelope (t, length, 0.3, 0.8);

            for (int v = 0; v < 5; ++v)
            {
                double tone = 0.0;

                for (int h = 1; h <= 6; ++h)
                    tone += std::sin (twoPi * frequencies[v] * h * t * (1.0 + 0.0007 * v)) / h;

                const auto pan = 0.2 + 0.15 * v;
                out.addSample (0, first + i, (float) (env * tone * (1.0 - pan)));
                out.addSample (1, first + i, (float) (env * tone * pan));
            }
        }
    }

    /** White noise through a one-pole low-pass, falling off quickly after a sharp onset. */
    void addNoiseBurst (juce::AudioBuffer<float>& out, double rate, double start, double length)
    {
        juce::Random random (20261211);
        const auto first = (int) (start * rate);
        double state[2] = {};

        for (int i = 0; i < (int) (length * rate) && first + i < out.getNumSamples(); ++i)
        {
            const auto t = i / rate;
            const auto env = 0.5 * std::exp (-4.0 * t) * envelope (t, length, 0.005, 0.05);

            for (int c = 0; c < 2; ++c)
            {
                state[c] += 0.35 * ((random.nextDouble() * 2.0 - 1.0) - state[c]);
                out.addSample (c, first + i, (float) (env * state[c]));
            }
        }
    }

    /** A Karplus-Strong plucked string at 196 Hz, centred. */
    void addPluck (juce::AudioBuffer<float>& out, double rate, double start, double length)
    {
        juce::Random random (7);
        std::vector<double> line ((size_t) std::lround (rate / 196.0));

        for (auto& x : line)
            x = random.nextDouble() * 2.0 - 1.0;

        const auto first = (int) (start * rate);
        size_t pos = 0;

        for (int i = 0; i < (int) (length * rate) && first + i < out.getNumSamples(); ++i)
        {
            const auto next = (pos + 1) % line.size();
            const auto y = line[pos];
            line[pos] = 0.996 * 0.5 * (line[pos] + line[next]);
            pos = next;

            const auto value = (float) (0.4 * y * envelope (i / rate, length, 0.001, 0.3));
            out.addSample (0, first + i, value);
            out.addSample (1, first + i, value);
        }
    }
}

int main (int argc, char** argv)
{
    if (argc < 2 || argc > 3)
    {
        std::cerr << "usage: hollowmere-make-demo OUTPUT.wav [SAMPLE_RATE]" << std::endl;
        return 2;
    }

    const auto rate = argc == 3 ? juce::String (argv[2]).getDoubleValue() : 44100.0;

    if (rate < 8000.0 || rate > 384000.0)
    {
        std::cerr << "hollowmere-make-demo: bad sample rate '" << argv[2] << "'" << std::endl;
        return 2;
    }

    juce::AudioBuffer<float> out (2, (int) (6.0 * rate));
    out.clear();
    addChord (out, rate, 0.0, 2.6);
    addNoiseBurst (out, rate, 2.7, 0.8);
    addPluck (out, rate, 3.6, 2.4);

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (juce::String::fromUTF8 (argv[1]));
    const juce::TemporaryFile temp (file);
    auto stream = temp.getFile().createOutputStream();
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer;

    if (stream != nullptr && ! stream->failedToOpen())
        writer.reset (wav.createWriterFor (stream.get(), rate, 2, 24, {}, 0));

    if (writer != nullptr)
        stream.release();

    if (writer == nullptr || ! writer->writeFromAudioSampleBuffer (out, 0, out.getNumSamples()) || ! writer->flush())
    {
        std::cerr << "hollowmere-make-demo: cannot write '" << file.getFullPathName() << "'" << std::endl;
        return 1;
    }

    writer.reset();

    if (! temp.overwriteTargetFileWithTemporary())
    {
        std::cerr << "hollowmere-make-demo: cannot write '" << file.getFullPathName() << "'" << std::endl;
        return 1;
    }

    std::cout << "wrote " << file.getFullPathName() << std::endl;
    return 0;
}
