#include "ChannelSpectral.h"


namespace
{
    void assignZeros (std::vector<float>& v, int size)
    {
        v.assign (static_cast<std::size_t> (size), 0.0f);
    }
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

    historyMag.resize (historyRows);
    historyPhase.resize (historyRows);

    for (auto& row : historyMag)
        assignZeros (row, numBins);

    for (auto& row : historyPhase)
        assignZeros (row, numBins);

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
