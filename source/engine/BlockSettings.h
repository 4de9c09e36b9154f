#pragma once

/**
    One block's parameter values in real units (choices as their index), read once at the top of
    the block, plus the host tempo and the sample rate.
*/
struct BlockSettings
{
    float haunt = 0.5f;
    float drift = 0.0f;
    float warp = 0.0f;
    float whisper = 0.0f;
    float source = 0.0f;
    float seance = 0.0f;
    float release = 0.0f;
    float wobbleShape = 0.0f;
    float wobbleMode = 0.0f;
    float wobbleFreeMs = 250.0f;
    float inputGainDb = 0.0f;
    float outputGainDb = 0.0f;
    float scGainDb = 0.0f;
    float dryWet = 1.0f;

    float hostBpm = 120.0f;
    float sampleRate = 44100.0f;
};
