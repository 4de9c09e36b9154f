#include "AudioThreadGuard.h"

#include "editor/PluginEditor.h"
#include "processor/ParameterIDs.h"
#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
    void setParameter (HollowmereProcessor& processor, const char* id, float realValue)
    {
        auto* parameter = processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (realValue));
    }

    void fillFeeds (DisplayFeeds& feeds, float level)
    {
        for (auto* peaks : { &feeds.inputPeak, &feeds.sidechainPeak, &feeds.outputPeak })
            for (auto& p : *peaks)
                p = level;

        for (auto* curve : { &feeds.liveSpectrum, &feeds.nimbreSpectrum, &feeds.outputSpectrum })
            for (auto& v : *curve)
                v = level;

        for (auto& s : feeds.scopeRing)
            s = level - 0.5f;

        feeds.scopeWriteIndex = 77;
        feeds.spectraReady = true;
        feeds.wobbleDisplay = level * 0.3f;
        feeds.outputClipped = true;
    }
}

// The refresh timer runs 30 times a second for as long as the window is open: a tick must not
// touch the heap, whatever the feeds and parameters do.
TEST (EditorRefreshAllocation, TicksAllocateNothing)
{
    HollowmereProcessor processor;
    processor.prepareToPlay (44100.0, 512);
    setParameter (processor, ParameterIDs::seance, 0.5f);

    auto editor = std::unique_ptr<HollowmereEditor> (static_cast<HollowmereEditor*> (processor.createEditor()));
    editor->timerCallback();

    std::size_t allocations = 0;

    for (int i = 0; i < 60; ++i)
    {
        // The sidechain comes and goes, and the wobble mode and Freeze switch, between ticks.
        fillFeeds (processor.feeds, 0.1f * (float) (i % 10));
        processor.feeds.sidechainActive = (i / 7) % 2 == 1;

        if (i % 13 == 0)
            setParameter (processor, ParameterIDs::wobbleMode, (i / 13) % 2 == 0 ? 1.0f : 0.0f);

        if (i % 17 == 0)
            setParameter (processor, ParameterIDs::seance, (i / 17) % 2 == 0 ? 0.0f : 0.5f);

        const AudioThreadGuard guard;
        editor->timerCallback();
        allocations += guard.getAllocations();
    }

    EXPECT_EQ (allocations, 0u);
}
