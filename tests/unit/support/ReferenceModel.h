#pragma once

#include <juce_dsp/juce_dsp.h>

#include <array>
#include <cmath>
#include <vector>

/**
    A plain scalar model of the wet path: analysis queue, frame routine (capture, scrub and
    rebuild, phase advance, morphing, resynthesis, display curves) and overlap-add, written for
    clarity, one formula per line, in single precision. Gains are 0 dB and the mix fully wet, so
    its output is what the processor must emit sample for sample.
*/
namespace hollowmere::reference
{
    constexpr int frameSize = 2048;
    constexpr int hop = 512;
    constexpr int bins = 1025;
    constexpr int rows = 512;
    constexpr float pi = juce::MathConstants<float>::pi;
    constexpr float twoPi = juce::MathConstants<float>::twoPi;

    /** One block's parameter values in real units, plus the tempo and the sample rate. */
    struct Params
    {
        float haunt = 0.5f, drift = 0.0f, warp = 0.0f, whisper = 0.0f, source = 0.0f, seance = 0.0f;
        float release = 0.0f, wobbleShape = 0.0f, wobbleMode = 0.0f, wobbleFreeMs = 250.0f;
        float bpm = 120.0f;
        float sampleRate = 44100.0f;
    };

    inline int barFrames (const Params& p)
    {
        const float bpm = (std::isnan (p.bpm) || p.bpm < 20.0f) ? 20.0f : p.bpm;
        const float frames = p.sampleRate * 4.0f * 60.0f / bpm / 512.0f;
        int result = (int) std::trunc (frames);
        result = juce::jlimit (1, 512, result);
        return result < 2 ? 1 : result;
    }

    inline float wobblePeriod (const Params& p)
    {
        if (p.wobbleMode > 0.5f)
        {
            if (! (p.wobbleFreeMs >= 1.0f))
                return 0.0f;

            float period = p.wobbleFreeMs / 1000.0f * p.sampleRate / 512.0f;
            if (period > 512.0f) period = 512.0f;
            if (period < 2.0f) period = 2.0f;
            return period;
        }

        const int r = (int) std::trunc (p.release + 0.5f);

        if (r < 1)
            return 0.0f;

        return (float) barFrames (p) / exp2f ((float) (7 - std::min (r, 7)));
    }

    inline int whisperRadius (float whisper) { return (int) std::trunc (20.0f * whisper) + 4; }

    inline int driftRadius (float drift)
    {
        const int r = (int) std::trunc (24.0f * (drift * drift));
        return r < 2 ? 1 : r;
    }

    /** Triangular kernel over bins, truncated at the ends and divided by its own weight sum. */
    inline std::vector<float> triangular (const std::vector<float>& x, int radius)
    {
        std::vector<float> out (bins);

        for (int b = 0; b < bins; ++b)
        {
            float sum = 0.0f, weights = 0.0f;

            for (int j = std::max (b - radius, 0); j <= std::min (b + radius, bins - 1); ++j)
            {
                const float wt = 1.0f - (float) std::abs (j - b) / (float) (radius + 1);
                sum += wt * x[(size_t) j];
                weights += wt;
            }

            out[(size_t) b] = sum / weights;
        }

        return out;
    }

    /** Display level of one magnitude, the step of a one-pole curve. */
    inline float curveStep (float x)
    {
        if (x < 1.0e-6f)
            return 0.0f;

        const float level = (20.0f * std::log10 (x) + 80.0f) / 120.0f;
        return std::min (std::max (level, 0.0f), 1.0f) * 0.19999999f;
    }

    inline int curveBin (int point)
    {
        const int i = (int) std::trunc ((std::pow (20.0f, (float) point / 64.0f) - 1.0f) / 19.0f * 1024.0f);
        return juce::jlimit (0, 1024, i);
    }

    struct Channel
    {
        std::vector<float> fifo = std::vector<float> (frameSize, 0.0f);
        std::vector<float> scFifo = std::vector<float> (frameSize, 0.0f);
        std::vector<float> accum = std::vector<float> (frameSize, 0.0f);
        std::vector<float> outBlock = std::vector<float> (hop, 0.0f);
        std::vector<float> nimbreMag = std::vector<float> (bins, 0.0f);
        std::vector<float> nimbrePhase = std::vector<float> (bins, 0.0f);
        std::vector<float> shapedMag = std::vector<float> (bins, 0.0f);
        std::vector<float> liveMag = std::vector<float> (bins, 0.0f);
        std::vector<float> smoothedMag = std::vector<float> (bins, 0.0f);
        std::vector<std::vector<float>> historyMag = std::vector<std::vector<float>> (rows, std::vector<float> (bins, 0.0f));
        std::vector<std::vector<float>> historyPhase = std::vector<std::vector<float>> (rows, std::vector<float> (bins, 0.0f));
        int writePos = 0, count = 0;
        float scrubPos = 0.0f;
        bool scrubValid = false;
        float wobblePhase = 0.0f, wobbleOffset = 0.0f;
        int fill = 1536, readPos = 0;
        bool hasNimbre = false;
    };

    class Model
    {
    public:
        explicit Model (int numChannels) : channels ((size_t) numChannels)
        {
            for (int n = 0; n < frameSize; ++n)
            {
                const float c = std::cos ((float) (2 * n) * pi / 2047.0f);
                window[(size_t) n] = (float) (0.5 - 0.5 * (double) c);
            }

            float sum = 0.0f;
            for (auto w : window) sum += w;
            const float factor = 2048.0f / sum;
            for (auto& w : window) w *= factor;

            std::vector<float> impulse (2 * frameSize, 0.0f);
            impulse[0] = 1.0f;
            fft.performRealOnlyForwardTransform (impulse.data(), true);
            fft.performRealOnlyInverseTransform (impulse.data());
            roundTripScale = std::abs (impulse[0]) > 1.0e-10f ? 1.0f / impulse[0] : 0.00048828125f;

            float largest = 0.0f;

            for (int k = 0; k < frameSize; ++k)
            {
                float s = 0.0f;
                for (int n = k; n < frameSize; n += hop)
                    s += (1.0f * window[(size_t) n]) * (1.0f * window[(size_t) n]);
                largest = std::max (largest, s);
            }

            overlapScale = largest > 1.0e-10f ? 1.0f / largest : 0.6666667f;
        }

        /** Processes main[c][0..n-1] in place; sidechain holds numSidechain channels (may be 0). */
        void process (float* const* main, const float* const* sidechain, int numSidechain, int n, const Params& params)
        {
            p = params;
            frozen = p.seance > 0.01f;
            useSidechain = p.source > 0.5f && numSidechain > 0;

            for (size_t c = 0; c < channels.size(); ++c)
            {
                auto& ch = channels[c];
                const float* s = useSidechain ? sidechain[std::min ((int) c, numSidechain - 1)] : nullptr;

                for (int i = 0; i < n; ++i)
                {
                    ch.fifo[(size_t) ch.fill] = main[c][i];
                    if (useSidechain) ch.scFifo[(size_t) ch.fill] = s[i];
                    const bool full = ch.fill >= 2047;
                    ++ch.fill;

                    if (full)
                        frame (ch, c == 0);

                    main[c][i] = ch.outBlock[(size_t) ch.readPos++];
                }
            }
        }

        std::vector<Channel> channels;
        std::array<float, 64> liveCurve {}, nimbreCurve {}, outputCurve {};

    private:
        void push (Channel& ch)
        {
            ch.historyMag[(size_t) ch.writePos] = ch.nimbreMag;
            ch.historyPhase[(size_t) ch.writePos] = ch.nimbrePhase;
            ch.writePos = (ch.writePos + 1) % rows;
            if (ch.count < rows) ++ch.count;
        }

        void analyse (std::vector<float>& work, const std::vector<float>& queue)
        {
            for (int k = 0; k < frameSize; ++k) work[(size_t) k] = queue[(size_t) k] * window[(size_t) k];
            for (int k = frameSize; k < 2 * frameSize; ++k) work[(size_t) k] = 0.0f;
            fft.performRealOnlyForwardTransform (work.data(), true);
        }

        float wobble (Channel& ch)
        {
            const float period = wobblePeriod (p);

            if (! (period > 0.5f))
            {
                ch.wobblePhase = 0.0f;
                return 0.0f;
            }

            ch.wobblePhase += twoPi / period;
            while (ch.wobblePhase > twoPi) ch.wobblePhase -= twoPi;

            const float y = ch.wobblePhase / twoPi;
            const float a = 0.5f * period;
            const int shape = juce::jlimit (0, 2, (int) std::trunc (p.wobbleShape + 0.5f));

            if (shape == 2) return (1.0f - 2.0f * y) * a;
            if (shape == 1) return (2.0f * y - 1.0f) * a;
            return (1.0f - 4.0f * std::abs (y - 0.5f)) * a;
        }

        void scrub (Channel& ch)
        {
            const int span = std::min (barFrames (p), ch.count);
            const int retained = std::min (ch.count, rows);
            const float w = wobble (ch);
            const float target = juce::jlimit (0.0f, (float) (retained - 1), (float) std::max (span - 1, 1) * p.seance + w);

            if (ch.scrubValid)
                ch.scrubPos = ch.scrubPos + 0.25f * (target - ch.scrubPos);
            else
            {
                ch.scrubPos = target;
                ch.scrubValid = true;
            }

            ch.wobbleOffset = span >= 2 ? w / (float) (span - 1) : 0.0f;

            const float pos = juce::jlimit (0.0f, (float) (retained - 1), ch.scrubPos);
            const int i = (int) std::floor (pos);
            const float d = pos - (float) i;
            const float d2 = d * d;     // the powers are rounded as such: 3d^2 is 3 x (d^2)
            const float d3 = d2 * d;
            const float wk[4] = { (1.0f - 3.0f * d + 3.0f * d2 - d3) / 6.0f,
                                  (4.0f - 6.0f * d2 + 3.0f * d3) / 6.0f,
                                  (1.0f + 3.0f * d + 3.0f * d2 - 3.0f * d3) / 6.0f,
                                  d3 / 6.0f };
            const int base = (ch.writePos - retained + 512) % 512;
            int row[4];

            for (int k = 0; k < 4; ++k)
            {
                int r = (i - 1 + k) % retained;
                if (r < 0) r += retained;
                row[k] = (base + r) % 512;
            }

            for (int b = 0; b < bins; ++b)
            {
                float mag = 0.0f, sinSum = 0.0f, cosSum = 0.0f;

                for (int k = 0; k < 4; ++k)
                {
                    mag += wk[k] * ch.historyMag[(size_t) row[k]][(size_t) b];
                    sinSum += wk[k] * std::sin (ch.historyPhase[(size_t) row[k]][(size_t) b]);
                    cosSum += wk[k] * std::cos (ch.historyPhase[(size_t) row[k]][(size_t) b]);
                }

                ch.nimbreMag[(size_t) b] = mag;
                ch.nimbrePhase[(size_t) b] = std::atan2 (sinSum, cosSum);
            }

            ch.hasNimbre = true;
        }

        void frame (Channel& ch, bool first)
        {
            const float haunt = p.haunt;
            const float warp3 = p.warp * p.warp * p.warp;
            const float warpDrive = 1.0f + 5.0f * warp3;
            const float smear = 0.05f * (p.drift * p.drift);
            const float levelWeight = 1.0f - std::min (std::max ((haunt - 0.15f) / 0.55f, 0.0f), 1.0f);
            const bool shaping = warp3 > 0.0f || haunt > 0.0f;

            analyse (data, ch.fifo);

            if (useSidechain && ! frozen)
            {
                analyse (scData, ch.scFifo);

                for (int b = 0; b < bins; ++b)
                {
                    const float re = scData[(size_t) (2 * b)], im = scData[(size_t) (2 * b + 1)];
                    ch.nimbreMag[(size_t) b] = std::sqrt (re * re + im * im);
                    ch.nimbrePhase[(size_t) b] = std::atan2 (im, re);
                }

                ch.hasNimbre = true;
                push (ch);
            }

            if (frozen && ch.count >= 2)
                scrub (ch);
            else
                ch.scrubValid = false;

            if (frozen && ch.hasNimbre)
            {
                for (int b = 0; b < bins; ++b)
                {
                    const float step = b < 1024 ? (float) b * twoPi * 0.25f : 1608.4955f;
                    const float x = ch.nimbrePhase[(size_t) b] + step;
                    ch.nimbrePhase[(size_t) b] = x - twoPi * std::floor ((x + pi) / twoPi);
                }
            }

            // Level gap.
            float g = 0.0f;

            if (haunt > 0.0f && ch.hasNimbre)
            {
                float sl = 0.0f, sn = 0.0f;
                for (int b = 0; b < bins; ++b)
                    sl += std::sqrt (data[(size_t) (2 * b)] * data[(size_t) (2 * b)] + data[(size_t) (2 * b + 1)] * data[(size_t) (2 * b + 1)]);
                for (int b = 0; b < bins; ++b)
                    sn += ch.nimbreMag[(size_t) b];
                const float r = sn / sl;
                g = (sl > 1.0e-8f && r < 1.0f) ? (1.0f - r) * levelWeight : 0.0f;
            }

            std::vector<float> livePhase (bins);
            const bool hadNimbre = ch.hasNimbre;

            for (int b = 0; b < bins; ++b)
            {
                const size_t k = (size_t) b;
                const float re = data[2 * k], im = data[2 * k + 1];
                const float a = std::sqrt (re * re + im * im);
                const float phi = std::atan2 (im, re);
                livePhase[k] = phi;
                ch.liveMag[k] = a;

                if (frozen || useSidechain)
                {
                    if (! hadNimbre)
                    {
                        ch.shapedMag[k] = a;
                        continue;
                    }
                }
                else
                {
                    ch.nimbreMag[k] = a;
                    ch.nimbrePhase[k] = phi;
                    ch.hasNimbre = true;
                }

                ch.nimbreMag[k] = ch.nimbreMag[k] * (1.0f - smear) + a * smear;

                if (! shaping)
                {
                    ch.shapedMag[k] = a;
                    continue;
                }

                float v = ch.nimbreMag[k];

                if (warp3 > 0.0f)
                {
                    const float s = a + v + 1.0e-10f;
                    v = std::tanh (warpDrive * v / s) * s * warp3 + v * (1.0f - warp3);
                }

                float t = a;

                if (haunt > 0.0f)
                {
                    const float T = std::max (g * a, v);
                    t = std::exp (haunt * std::log (std::max (T, 1.0e-5f)) + (1.0f - haunt) * std::log (std::max (a, 1.0e-5f)));
                }

                const float m = std::min (t, 4.0f * (a + v) + 1.0e-10f);
                const float prev = ch.smoothedMag[k];
                const float x = (float) b / 1024.0f;
                float f = (m >= prev ? 0.85f : 0.55f) - 0.2f * (x * x);
                if (frozen) f *= 0.8f;
                ch.smoothedMag[k] = f * m + (1.0f - f) * prev;
                ch.shapedMag[k] = ch.smoothedMag[k];
            }

            if (! useSidechain && ! frozen && ch.hasNimbre)
                push (ch);

            if (p.whisper > 0.01f && ch.hasNimbre)
            {
                const int radius = whisperRadius (p.whisper);
                const auto envNimbre = triangular (ch.nimbreMag, radius);
                const auto envShaped = triangular (ch.shapedMag, radius);

                for (size_t k = 0; k < (size_t) bins; ++k)
                {
                    const float transferred = std::min (ch.shapedMag[k] / (envShaped[k] + 1.0e-10f) * envNimbre[k],
                                                        4.0f * ch.shapedMag[k] + 1.0e-10f);
                    ch.shapedMag[k] = (1.0f - p.whisper) * ch.shapedMag[k] + p.whisper * transferred;
                }
            }

            const auto finalMag = p.drift > 0.01f ? triangular (ch.shapedMag, driftRadius (p.drift)) : ch.shapedMag;

            for (size_t k = 0; k < (size_t) bins; ++k)
            {
                if (haunt > 0.0f && ch.hasNimbre)
                {
                    const float X = (1.0f - haunt) * std::cos (livePhase[k]) + haunt * std::cos (ch.nimbrePhase[k]);
                    const float Y = (1.0f - haunt) * std::sin (livePhase[k]) + haunt * std::sin (ch.nimbrePhase[k]);
                    const float scale = finalMag[k] / (std::sqrt (X * X + Y * Y) + 1.0e-10f);
                    data[2 * k] = X * scale;
                    data[2 * k + 1] = Y * scale;
                }
                else
                {
                    data[2 * k] = finalMag[k] * std::cos (livePhase[k]);
                    data[2 * k + 1] = finalMag[k] * std::sin (livePhase[k]);
                }
            }

            fft.performRealOnlyInverseTransform (data.data());

            for (size_t k = 0; k < (size_t) frameSize; ++k)
                data[k] = data[k] * roundTripScale * window[k];

            if (first)
            {
                for (int q = 0; q < 64; ++q)
                {
                    const auto bin = (size_t) curveBin (q);
                    liveCurve[(size_t) q] = liveCurve[(size_t) q] * 0.8f + curveStep (ch.liveMag[bin]);
                    nimbreCurve[(size_t) q] = nimbreCurve[(size_t) q] * 0.8f + curveStep (ch.nimbreMag[bin]);
                    outputCurve[(size_t) q] = outputCurve[(size_t) q] * 0.8f + curveStep (ch.shapedMag[bin]);
                }
            }

            for (size_t k = 0; k < (size_t) frameSize; ++k)
                ch.accum[k] += data[k] * overlapScale;

            for (size_t k = 0; k < (size_t) hop; ++k)
                ch.outBlock[k] = ch.accum[k];

            ch.readPos = 0;

            for (size_t k = 0; k < 1536; ++k)
            {
                ch.fifo[k] = ch.fifo[k + hop];
                ch.accum[k] = ch.accum[k + hop];
                if (useSidechain) ch.scFifo[k] = ch.scFifo[k + hop];
            }

            for (size_t k = 1536; k < (size_t) frameSize; ++k)
                ch.accum[k] = 0.0f;

            ch.fill = 1536;
        }

        juce::dsp::FFT fft { 11 };
        std::array<float, frameSize> window {};
        float roundTripScale = 1.0f, overlapScale = 1.0f;
        std::vector<float> data = std::vector<float> (2 * frameSize, 0.0f);
        std::vector<float> scData = std::vector<float> (2 * frameSize, 0.0f);
        Params p;
        bool frozen = false, useSidechain = false;
    };
}
