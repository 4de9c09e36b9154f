#include "ChannelSpectral.h"

namespace
{
    void assignZeros (std::vector<float>& v, int size)
    {
        v.assign (static_cast<std::size_t> (size), 0.0f);
    }
}

void SpectrumHistory::assignZeros (int rows)
{
    numRows = (size_t) rows;
    values.assign (numRows * (size_t) EngineConstants::numBins, 0.0f);
}

std::vector<float> SpectrumHistory::copyRow (size_t row) const
{
    const auto* first = (*this)[row];
    return { first, first + EngineConstants::numBins };
}

void ChannelSpectral::prepare()
{
    using namespace EngineConstants;

    assignZeros (inputFifo, fftSize);
    assignZeros (outputAccum, fftSize);
    assignZeros (sidechainFifo, fftSize);
    assignZeros (fftData, fftWorkSize);
    assignZeros (sidechainFftData, fftWorkSize);
    assignZeros (nimbreMag, numBins);
    assignZeros (nimbrePhase, numBins);
    assignZeros (shapedMag, numBins);
    assignZeros (liveMag, numBins);
    assignZeros (outputBlock, hopSize);
    assignZeros (smoothedMag, numBins);

    historyMag.assignZeros (historyRows);
    historyPhase.assignZeros (historyRows);

    for (auto& cached : phasorRows)
    {
        cached.row = -1;
        assignZeros (cached.sine, numBins);
        assignZeros (cached.cosine, numBins);
    }

    historyWritePos = 0;
    historyCount = 0;
    scrubPos = 0.0f;
    scrubPosValid = false;
    inputFill = queueFillAfterFrame;
    outputReadPos = 0;
    hasNimbre = false;

    assignZeros (dryMain, dryRingSize);
    assignZeros (dryAlt, dryRingSize);
    dryPos = 0;
}
