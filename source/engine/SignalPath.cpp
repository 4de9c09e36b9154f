#include "SignalPath.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
    /** Equal within single-precision tolerance, as the framework compares gains. */
    bool approximatelyEqual (float a, float b) noexcept
    {
        const auto difference = std::abs (a - b);
        return difference <= std::numeric_limits<float>::min()
            || difference <= std::numeric_limits<float>::epsilon() * juce::jmax (std::abs (a), std::abs (b));
    }
}

float SignalPath::decibelsToGain (float decibels) noexcept
{
    return std::pow (10.0f, decibels / 20.0f);
}

void SignalPath::applyGainRamp (juce::AudioBuffer<float>& buffer, int numChannels, float startGain, float endGain) noexcept
{
    const auto numSamples = buffer.getNumSamples();

    if ((startGain == 1.0f && endGain == 1.0f) || numChannels <= 0 || buffer.hasBeenCleared())
        return;

    if (approximatelyEqual (startGain, endGain))
    {
        if (approximatelyEqual (startGain, 1.0f))
            return;

        for (int c = 0; c < numChannels; ++c)
        {
            if (approximatelyEqual (startGain, 0.0f))
                juce::FloatVectorOperations::clear (buffer.getWritePointer (c), numSamples);
            else
                juce::FloatVectorOperations::multiply (buffer.getWritePointer (c), startGain, numSamples);
        }

        return;
    }

    const auto increment = (endGain - startGain) / (float) numSamples;

    for (int c = 0; c < numChannels; ++c)
    {
        auto* samples = buffer.getWritePointer (c);

        for (int k = 0; k < numSamples; ++k)
            samples[k] *= startGain + (float) k * increment;
    }
}

void BypassDelay::prepare (int numLines)
{
    lines.resize ((size_t) juce::jmax (0, numLines));

    for (auto& line : lines)
        line.assign ((size_t) EngineConstants::bypassLineSize, 0.0f);

    writePos = 0;
}

void BypassDelay::write (const juce::AudioBuffer<float>& buffer, int numChannels) noexcept
{
    if (lines.empty())
        return;

    constexpr auto size = EngineConstants::bypassLineSize;
    const auto numSamples = buffer.getNumSamples();
    const auto numLines = juce::jmin ((int) lines.size(), numChannels);

    for (int c = 0; c < numLines; ++c)
    {
        const auto* in = buffer.getReadPointer (c);
        auto* line = lines[(size_t) c].data();

        // At most the newest `size` samples matter, written in runs up to the end of the line.
        const auto skipped = juce::jmax (0, numSamples - size);
        auto pos = (int) ((writePos + (juce::int64) skipped) % size);

        for (int i = skipped; i < numSamples;)
        {
            const auto run = juce::jmin (numSamples - i, size - pos);
            std::copy (in + i, in + i + run, line + pos);
            i += run;
            pos = pos + run == size ? 0 : pos + run;
        }
    }

    writePos = (int) ((writePos + (juce::int64) numSamples) % size);
}

void BypassDelay::playBack (juce::AudioBuffer<float>& buffer, int totalOutputChannels) noexcept
{
    constexpr auto size = EngineConstants::bypassLineSize;
    const auto numLines = juce::jmin ((int) lines.size(), totalOutputChannels, buffer.getNumChannels());

    if (numLines < 1)
        return;

    const auto numSamples = buffer.getNumSamples();

    for (int c = 0; c < numLines; ++c)
    {
        auto* samples = buffer.getWritePointer (c);
        auto* line = lines[(size_t) c].data();
        auto pos = writePos;

        for (int i = 0; i < numSamples; ++i)
        {
            std::swap (samples[i], line[pos]);
            pos = pos + 1 == size ? 0 : pos + 1;
        }
    }

    writePos = (int) ((writePos + (juce::int64) numSamples) % size);

    for (int c = numLines; c < juce::jmin (totalOutputChannels, buffer.getNumChannels()); ++c)
        buffer.clear (c, 0, numSamples);
}
