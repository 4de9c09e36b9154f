#pragma once

#include "editor/PluginEditor.h"
#include "processor/ParameterIDs.h"
#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

#include <memory>

/** Read and write access to the editor's private state, for the unit tests only. */
struct HollowmereEditorInspector
{
    explicit HollowmereEditorInspector (HollowmereEditor& e) : editor (e) {}

    HollowmereEditor& editor;

    auto& logoBounds() { return editor.logoBounds; }
    auto& logoArea() { return editor.logoArea; }
    auto& iconSources() { return editor.iconSources; }
    auto& iconImages() { return editor.iconImages; }
    auto& mainLook() { return editor.mainLook; }
    auto& releaseKnobLook() { return editor.releaseKnobLook; }
    auto& freeRateKnobLook() { return editor.freeRateKnobLook; }
    auto& dryWetKnobLook() { return editor.dryWetKnobLook; }
    auto& aboutOverlay() { return editor.aboutOverlay; }
    auto& seanceKnob() { return editor.seanceKnob; }
    auto& releaseKnob() { return editor.releaseKnob; }
    auto& wobbleFreeKnob() { return editor.wobbleFreeKnob; }
    auto& hauntKnob() { return editor.hauntKnob; }
    auto& driftKnob() { return editor.driftKnob; }
    auto& warpKnob() { return editor.warpKnob; }
    auto& whisperKnob() { return editor.whisperKnob; }
    auto& dryWetKnob() { return editor.dryWetKnob; }
    auto& hauntLabel() { return editor.hauntLabel; }
    auto& whisperLabel() { return editor.whisperLabel; }
    auto& freezeLabel() { return editor.freezeLabel; }
    auto& blurLabel() { return editor.blurLabel; }
    auto& driveLabel() { return editor.driveLabel; }
    auto& sidechainEnabled() { return editor.sidechainEnabled; }
    auto& lastSidechainActive() { return editor.lastSidechainActive; }
    auto& scLedPhase() { return editor.scLedPhase; }
    auto& scLedBounds() { return editor.scLedBounds; }
    auto& scLabelBounds() { return editor.scLabelBounds; }
    auto& scRowBounds() { return editor.scRowBounds; }
    auto& inputGainSlider() { return editor.inputGainSlider; }
    auto& scGainSlider() { return editor.scGainSlider; }
    auto& outputGainSlider() { return editor.outputGainSlider; }
    auto& meterLevels() { return editor.meterLevels; }
    auto& meterPeaks() { return editor.meterPeaks; }
    auto& clipLatched() { return editor.clipLatched; }
    auto& clipFade() { return editor.clipFade; }
    auto& liveSpectrumView() { return editor.liveSpectrumView; }
    auto& nimbreSpectrumView() { return editor.nimbreSpectrumView; }
    auto& outputSpectrumView() { return editor.outputSpectrumView; }
    auto& scopeView() { return editor.scopeView; }
    auto& wobbleTrail() { return editor.wobbleTrail; }
    auto& wobbleTrailPos() { return editor.wobbleTrailPos; }
    auto& meterBounds() { return editor.meterBounds; }
    auto& clipLampBounds() { return editor.clipLampBounds; }
    auto& spectrumBounds() { return editor.spectrumBounds; }
    auto& iconBounds() { return editor.iconBounds; }
    auto& iconFlash() { return editor.iconFlash; }
    auto& iconActivity() { return editor.iconActivity; }
    auto& smoothedMix() { return editor.smoothedMix; }
    auto& helpLabel() { return editor.helpLabel; }
    auto& sizeConstrainer() { return editor.sizeConstrainer; }
    auto& resizeCorner() { return *editor.resizeCorner; }
    auto& uiScale() { return editor.uiScale; }
    auto& shapeButton() { return editor.shapeButton; }
    auto& syncFreeButton() { return editor.syncFreeButton; }
    juce::Timer& timer() { return editor; }
};

/** A prepared processor and an open editor on it; the test drives the refresh timer by hand. */
class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        processor.prepareToPlay (44100.0, 512);
    }

    void openEditor()
    {
        editor.reset (static_cast<HollowmereEditor*> (processor.createEditor()));
        inspector = std::make_unique<HollowmereEditorInspector> (*editor);
    }

    void TearDown() override
    {
        inspector.reset();
        editor.reset();
    }

    /** Sets a parameter, in its own units, as the host would. */
    void setParameter (const char* id, float realValue)
    {
        auto* parameter = processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (realValue));
    }

    float realValue (const char* id) { return processor.apvts.getRawParameterValue (id)->load(); }

    void tick (int count = 1)
    {
        for (int i = 0; i < count; ++i)
            editor->timerCallback();
    }

    HollowmereEditorInspector& ed() { return *inspector; }

    HollowmereProcessor processor;
    std::unique_ptr<HollowmereEditor> editor;
    std::unique_ptr<HollowmereEditorInspector> inspector;
};
