#pragma once

#include "EngineConstants.h"

#include <cstddef>
#include <vector>

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
    std::vector<std::vector<float>> historyMag;
    std::vector<std::vector<float>> historyPhase;
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
