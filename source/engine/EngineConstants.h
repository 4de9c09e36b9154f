#pragma once

/** Fixed sizes of the spectral engine. None of them depends on the host's block size. */
namespace EngineConstants
{
    constexpr int fftOrder = 11;
    constexpr int fftSize = 1 << fftOrder;        // real samples per frame
    constexpr int fftWorkSize = 2 * fftSize;      // work buffer: frame, then interleaved bins
    constexpr int numBins = fftSize / 2 + 1;      // bins 0 to 1024
    constexpr int hopSize = 512;                  // samples per frame; four frames overlap
    constexpr int queueFillAfterFrame = fftSize - hopSize;
    constexpr int historyRows = 512;              // frames kept in each history ring
    constexpr int scopeSize = 256;
    constexpr int curvePoints = 64;

    /** The wet path emits a sample 2047 samples after it entered: the reported latency. */
    constexpr int latencySamples = fftSize - 1;

    /** Dry rings are written, advanced, then read one slot on, so they delay by their size - 1. */
    constexpr int dryRingSize = latencySamples + 1;

    /** Bypass lines exchange in place, so they delay by exactly their size. */
    constexpr int bypassLineSize = latencySamples;
}
