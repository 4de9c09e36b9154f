#pragma once

#include "EngineConstants.h"

#include <array>
#include <cstddef>
#include <vector>

/**
    A ring of spectra: rows of EngineConstants::numBins floats, all in one block so that pushes
    and rebuilds run over contiguous memory and a new instance makes one allocation per ring.
*/
class SpectrumHistory
{
public:
    /** Sizes the ring to a number of rows, every value 0. */
    void assignZeros (int numRows);

    float* operator[] (size_t row) noexcept                { return values.data() + row * EngineConstants::numBins; }
    const float* operator[] (size_t row) const noexcept    { return values.data() + row * EngineConstants::numBins; }

    size_t size() const noexcept                            { return numRows; }

    /** A copy of one row. */
    std::vector<float> copyRow (size_t row) const;

private:
    std::vector<float> values;
    size_t numRows = 0;
};

/**
    The spectral state of one output channel: analysis queues, work buffers, the nimbre spectrum,
    its history rings and the dry rings. Magnitudes are in units of the unscaled 2048-point
    transform, phases in radians, positions in frames of 512 samples.

    Every vector is sized by prepare(); the audio thread only writes into them.
*/
struct ChannelSpectral
{
    ChannelSpectral() = default;
    ChannelSpectral (ChannelSpectral&&) noexcept = default;
    ChannelSpectral& operator= (ChannelSpectral&&) noexcept = default;

    /** Sizes and clears everything except the wobble oscillator, which survives a prepare. */
    void prepare();

    std::vector<float> inputFifo;
    std::vector<float> outputAccum;
    std::vector<float> fftData;
    std::vector<float> sidechainFifo;
    std::vector<float> sidechainFftData;
    std::vector<float> nimbreMag;
    std::vector<float> nimbrePhase;
    std::vector<float> shapedMag;
    std::vector<float> liveMag;
    std::vector<float> outputBlock;
    std::vector<float> dryMain;
    std::vector<float> dryAlt;
    int dryPos = 0;
    std::vector<float> smoothedMag;
    SpectrumHistory historyMag;
    SpectrumHistory historyPhase;

    /** Sines and cosines of history phase rows, reused while a row stays unchanged. */
    struct PhasorRow
    {
        int row = -1;   // history row these hold, -1 for none
        std::vector<float> sine, cosine;
    };

    std::array<PhasorRow, 4> phasorRows;
    int historyWritePos = 0;
    int historyCount = 0;
    float scrubPos = 0.0f;
    bool scrubPosValid = false;
    float wobblePhase = 0.0f;
    float wobbleOffset = 0.0f;
    int inputFill = EngineConstants::queueFillAfterFrame;
    int outputReadPos = 0;
    bool hasNimbre = false;

private:
    ChannelSpectral (const ChannelSpectral&) = delete;
    ChannelSpectral& operator= (const ChannelSpectral&) = delete;
};
