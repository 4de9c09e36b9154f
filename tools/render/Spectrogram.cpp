#include "Spectrogram.h"

#include <juce_dsp/juce_dsp.h>

#include <cmath>

namespace
{
    constexpr int fftOrder = 12;
    constexpr int fftSize = 1 << fftOrder;
    constexpr float floorDb = -120.0f;

    // Layout of the picture, in pixels.
    constexpr int plotLeft = 70;
    constexpr int plotWidth = 1100;
    constexpr int plotHeight = 380;
    constexpr int inputTop = 40;
    constexpr int outputTop = inputTop + plotHeight + 50;
    constexpr int legendLeft = plotLeft + plotWidth + 30;
    constexpr int legendWidth = 18;

    const juce::Colour background (0xff101014);
    const juce::Colour ink (0xffd8d8e0);

    /** From the floor (black) through violet and red to pale yellow at 0 dB. */
    juce::ColourGradient levelColours()
    {
        juce::ColourGradient gradient (juce::Colour (0xff000004), 0.0f, 0.0f, juce::Colour (0xfffcfdbf), 1.0f, 0.0f, false);
        gradient.addColour (0.25, juce::Colour (0xff3b0f70));
        gradient.addColour (0.5, juce::Colour (0xff8c2981));
        gradient.addColour (0.67, juce::Colour (0xffde4968));
        gradient.addColour (0.83, juce::Colour (0xfffe9f6d));
        return gradient;
    }

    juce::Colour colourForDb (const juce::ColourGradient& colours, float db)
    {
        return colours.getColourAtPosition (juce::jlimit (0.0, 1.0, (double) (db - floorDb) / -floorDb));
    }

    double topFrequency (double sampleRate)
    {
        return juce::jmin (20000.0, sampleRate / 2.0);
    }

    /** The frequency at a height within the plot, 0 at its top edge, plotHeight at its bottom. */
    double frequencyAt (double y, double sampleRate)
    {
        const auto low = 20.0, high = topFrequency (sampleRate);
        return low * std::pow (high / low, 1.0 - y / plotHeight);
    }

    /** Level in dB of every pixel of one plot: column-major, plotWidth columns of plotHeight rows. */
    std::vector<float> levels (const juce::AudioBuffer<float>& signal, juce::int64 axisLength, double sampleRate)
    {
        juce::dsp::FFT fft (fftOrder);
        juce::dsp::WindowingFunction<float> window (fftSize, juce::dsp::WindowingFunction<float>::hann, false);
        std::vector<float> frame (2 * fftSize);
        std::vector<float> result ((size_t) plotWidth * plotHeight);

        // A full-scale sine peaks at fftSize / 4 through the Hann window.
        const auto reference = fftSize / 4.0f;
        const auto* samples = signal.getReadPointer (0);
        const auto length = signal.getNumSamples();

        for (int x = 0; x < plotWidth; ++x)
        {
            const auto centre = (juce::int64) ((x + 0.5) / plotWidth * (double) axisLength);
            std::fill (frame.begin(), frame.end(), 0.0f);

            for (int i = 0; i < fftSize; ++i)
            {
                const auto k = centre - fftSize / 2 + i;

                if (k >= 0 && k < length)
                    frame[(size_t) i] = samples[k];
            }

            window.multiplyWithWindowingTable (frame.data(), fftSize);
            fft.performFrequencyOnlyForwardTransform (frame.data(), true);

            for (int y = 0; y < plotHeight; ++y)
            {
                // The loudest bin within the row's band, or the nearest one where rows are finer.
                const auto binOf = [&] (double f) { return f * fftSize / sampleRate; };
                const auto lowBin = (int) std::floor (binOf (frequencyAt (y + 1.0, sampleRate)));
                const auto highBin = (int) std::ceil (binOf (frequencyAt (y, sampleRate)));
                auto peak = 0.0f;

                for (int b = juce::jmax (0, lowBin); b <= juce::jmin (fftSize / 2, highBin); ++b)
                    peak = juce::jmax (peak, frame[(size_t) b]);

                result[(size_t) x * plotHeight + (size_t) y] = juce::jmax (floorDb, juce::Decibels::gainToDecibels (peak / reference, floorDb));
            }
        }

        return result;
    }

    double niceStep (double span, int maxTicks)
    {
        for (const auto step : { 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0 })
            if (span / step <= maxTicks)
                return step;

        return 1200.0;
    }

    void drawPlot (juce::Graphics& g, const std::vector<float>& dbs, int top, const juce::String& title,
                   double seconds, double sampleRate, const juce::ColourGradient& colours)
    {
        juce::Image plot (juce::Image::RGB, plotWidth, plotHeight, false);

        for (int x = 0; x < plotWidth; ++x)
            for (int y = 0; y < plotHeight; ++y)
                plot.setPixelAt (x, y, colourForDb (colours, dbs[(size_t) x * plotHeight + (size_t) y]));

        g.drawImageAt (plot, plotLeft, top);
        g.setColour (ink.withAlpha (0.6f));
        g.drawRect (plotLeft - 1, top - 1, plotWidth + 2, plotHeight + 2);

        g.setColour (ink);
        g.setFont (juce::Font (15.0f, juce::Font::bold));
        g.drawText (title, plotLeft, top - 24, plotWidth, 20, juce::Justification::centredLeft);

        // Frequency axis: decades and their halves that fall within the range.
        g.setFont (juce::Font (12.0f));

        for (const auto f : { 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0 })
        {
            if (f > topFrequency (sampleRate) + 1.0)
                continue;

            const auto y = (float) (top + plotHeight * (1.0 - std::log (f / 20.0) / std::log (topFrequency (sampleRate) / 20.0)));
            g.setColour (ink.withAlpha (0.6f));
            g.drawHorizontalLine ((int) y, (float) plotLeft - 6.0f, (float) plotLeft);
            g.setColour (ink);
            g.drawText (f >= 1000.0 ? juce::String (f / 1000.0) + "k" : juce::String ((int) f),
                        plotLeft - 50, (int) y - 7, 40, 14, juce::Justification::centredRight);
        }

        g.drawText ("Hz", plotLeft - 50, top - 22, 40, 14, juce::Justification::centredRight);

        // Time axis: ticks below the plot, labelled in seconds.
        const auto step = niceStep (seconds, 12);

        for (int k = 0; k * step <= seconds + 1.0e-9; ++k)
        {
            const auto x = (float) (plotLeft + k * step / seconds * plotWidth);
            g.setColour (ink.withAlpha (0.6f));
            g.drawVerticalLine ((int) x, (float) (top + plotHeight), (float) (top + plotHeight + 6));
            g.setColour (ink);
            g.drawText (juce::String (k * step, step < 0.1 ? 2 : (step < 1.0 ? 1 : 0)),
                        (int) x - 30, top + plotHeight + 7, 60, 14, juce::Justification::centred);
        }
    }

    void drawLegend (juce::Graphics& g, const juce::ColourGradient& colours)
    {
        const auto top = inputTop, bottom = outputTop + plotHeight;

        for (int y = top; y < bottom; ++y)
        {
            g.setColour (colourForDb (colours, floorDb * (float) (y - top) / (float) (bottom - 1 - top)));
            g.fillRect (legendLeft, y, legendWidth, 1);
        }

        g.setColour (ink.withAlpha (0.6f));
        g.drawRect (legendLeft - 1, top - 1, legendWidth + 2, bottom - top + 2);
        g.setColour (ink);
        g.setFont (juce::Font (12.0f));

        for (int db = 0; db >= (int) floorDb; db -= 20)
        {
            const auto y = top + (float) (bottom - top) * (float) db / floorDb;
            g.drawHorizontalLine ((int) y, (float) (legendLeft + legendWidth), (float) (legendLeft + legendWidth + 4));
            g.drawText (juce::String (db), legendLeft + legendWidth + 6, (int) y - 7, 40, 14, juce::Justification::centredLeft);
        }

        g.drawText ("dB", legendLeft - 4, top - 22, 40, 14, juce::Justification::centredLeft);
    }
}

juce::Image Spectrogram::draw (const juce::AudioBuffer<float>& input, const juce::AudioBuffer<float>& output, double sampleRate)
{
    const auto axisLength = (juce::int64) juce::jmax (1, input.getNumSamples(), output.getNumSamples());
    const auto seconds = (double) axisLength / sampleRate;
    const auto colours = levelColours();

    juce::Image image (juce::Image::RGB, width, height, false);
    juce::Graphics g (image);
    g.fillAll (background);

    drawPlot (g, levels (input, axisLength, sampleRate), inputTop, "Input", seconds, sampleRate, colours);
    drawPlot (g, levels (output, axisLength, sampleRate), outputTop, "Output (Hollowmere)", seconds, sampleRate, colours);
    drawLegend (g, colours);

    g.setColour (ink);
    g.setFont (juce::Font (12.0f));
    g.drawText ("time (s)", plotLeft, height - 22, plotWidth, 16, juce::Justification::centred);
    return image;
}
