#pragma once

#include "AboutOverlay.h"
#include "NimbreLookAndFeel.h"
#include "NimbreReleaseLookAndFeel.h"

#include "engine/EngineConstants.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <functional>
#include <memory>

class HollowmereProcessor;

/**
    The plug-in window. Everything is laid out and painted on a fixed canvas of 640 x 540 logical
    units; at other window sizes each child gets one uniform scale transform (`uiScale`), so the
    whole interface scales as one picture.

    Arrays of five follow the icon order haunt, whisper, seance (Freeze), drift (Blur), warp
    (Drive); arrays of six meter values follow input L/R, sidechain L/R, output L/R; arrays of
    three follow input, sidechain, output.

    Member order matters for destruction: each attachment is declared after its slider, and the
    look-and-feels before the knobs that use them.
*/
class HollowmereEditor final : public juce::AudioProcessorEditor,
                               private juce::Timer
{
public:
    explicit HollowmereEditor (HollowmereProcessor& p);
    ~HollowmereEditor() override;

    void mouseMove (const juce::MouseEvent& e) override;
    void mouseEnter (const juce::MouseEvent& e) override;
    void mouseExit (const juce::MouseEvent& e) override;
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void parentHierarchyChanged() override;

    void paint (juce::Graphics& g) override;
    void paintOverChildren (juce::Graphics& g) override;
    void resized() override;

    /** Polls the processor's feeds, runs the meter ballistics and animations, repaints. */
    void timerCallback() override;

    /** Decodes a PNG and recolours it: every pixel becomes `colour` with the decoded pixel's
        alpha. Gives an invalid image when the data does not decode. */
    static juce::Image makeTintedIcon (juce::Colour colour, const void* data, int size);

    /** Transparent click target over the logo. */
    class LogoClickArea : public juce::Component
    {
    public:
        LogoClickArea() = default;
        ~LogoClickArea() override = default;

        void mouseUp (const juce::MouseEvent& e) override;
        void paint (juce::Graphics&) override;

        std::function<void()> onClick;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LogoClickArea)
    };

    /** The wave button on the wobble-rate knob; it cycles the wobble shape. */
    class WobbleShapeButton : public juce::Component
    {
    public:
        explicit WobbleShapeButton (HollowmereProcessor& p) : processorRef (p) {}
        ~WobbleShapeButton() override = default;

        void mouseEnter (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseDown (const juce::MouseEvent& e) override;
        void paint (juce::Graphics& g) override;

        /** Names of the wobble shapes, by index of the shape parameter. */
        static const std::array<const char*, 3> shapeNames;

        /** The editor's help line; not owned, null until the editor sets it. */
        juce::Label* helpLabel = nullptr;

    private:
        HollowmereProcessor& processorRef;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WobbleShapeButton)
    };

    /** The padlock on the wobble-rate knob; it switches the wobble between sync and free. */
    class WobbleSyncFreeButton : public juce::Component
    {
    public:
        explicit WobbleSyncFreeButton (HollowmereProcessor& p) : processorRef (p) {}
        ~WobbleSyncFreeButton() override = default;

        void mouseEnter (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseDown (const juce::MouseEvent& e) override;
        void paint (juce::Graphics& g) override;

        /** The editor's help line; not owned, null until the editor sets it. */
        juce::Label* helpLabel = nullptr;

    private:
        HollowmereProcessor& processorRef;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WobbleSyncFreeButton)
    };

private:
    using SliderAttachment = juce::AudioProcessorValueTreeState::SliderAttachment;

    static constexpr int numIcons = 5;
    static constexpr int numMeterChannels = 6;
    static constexpr int numMeters = 3;
    static constexpr int trailLength = 30;

    void layOutIcons();

    HollowmereProcessor& processorRef;

    juce::Image logoImage;
    juce::Rectangle<int> logoBounds;
    LogoClickArea logoArea;

    /** Tinted icons at their decoded size, and the same rescaled to their on-screen pixel size. */
    std::array<juce::Image, numIcons> iconSources;
    std::array<juce::Image, numIcons> iconImages;

    NimbreLookAndFeel mainLook;
    NimbreReleaseLookAndFeel releaseKnobLook;
    NimbreReleaseLookAndFeel freeRateKnobLook;
    NimbreReleaseLookAndFeel dryWetKnobLook;

    AboutOverlay aboutOverlay;

    juce::Slider seanceKnob;
    juce::Slider releaseKnob;
    juce::Slider wobbleFreeKnob;
    juce::Slider hauntKnob;
    juce::Slider driftKnob;
    juce::Slider warpKnob;
    juce::Slider whisperKnob;
    juce::Slider dryWetKnob;

    juce::Label hauntLabel { {}, "Haunt" };
    juce::Label whisperLabel { {}, "Whisper" };
    juce::Label freezeLabel { {}, "Freeze" };
    juce::Label blurLabel { {}, "Blur" };
    juce::Label driveLabel { {}, "Drive" };

    std::array<std::unique_ptr<SliderAttachment>, 8> knobAttachments;

    /** True while the sidechain is the selected source. */
    bool sidechainEnabled = false;

    /** The processor's `sidechainActive` as seen at the previous tick. */
    bool lastSidechainActive = false;

    /** Pulse phase of the sidechain lamp, radians. */
    float scLedPhase = 0.0f;

    juce::Rectangle<int> scLedBounds, scLabelBounds, scRowBounds;

    /** Invisible sliders over the meters; the meters under them are painted by the editor. */
    juce::Slider inputGainSlider;
    juce::Slider scGainSlider;
    juce::Slider outputGainSlider;

    std::array<std::unique_ptr<SliderAttachment>, 3> gainAttachments;

    /** Meter ballistics, linear sample magnitudes. */
    std::array<float, numMeterChannels> meterLevels {};
    std::array<float, numMeterChannels> meterPeaks {};

    /** A clip seen and not yet cleared, and its lamp's brightness. */
    std::array<bool, numMeters> clipLatched {};
    std::array<float, numMeters> clipFade {};

    std::array<float, EngineConstants::curvePoints> liveSpectrumView {};
    std::array<float, EngineConstants::curvePoints> nimbreSpectrumView {};
    std::array<float, EngineConstants::curvePoints> outputSpectrumView {};

    /** The output scope, oldest sample first. */
    std::array<float, EngineConstants::scopeSize> scopeView {};

    /** Ring of recent wobble display values; `wobbleTrailPos` is the next (oldest) slot. */
    std::array<float, trailLength> wobbleTrail {};
    int wobbleTrailPos = 0;

    std::array<juce::Rectangle<int>, numMeters> meterBounds;
    std::array<juce::Rectangle<int>, numMeters> clipLampBounds;
    juce::Rectangle<int> spectrumBounds;
    std::array<juce::Rectangle<int>, numIcons> iconBounds;

    /** Value-change flash per icon, 1 down to 0, and icon opacity, 0.3 to 1. */
    std::array<float, numIcons> iconFlash {};
    std::array<float, numIcons> iconActivity { 0.3f, 0.3f, 0.3f, 0.3f, 0.3f };

    float smoothedMix = 0.0f;

    juce::Label helpLabel;

    juce::ComponentBoundsConstrainer sizeConstrainer;
    std::unique_ptr<juce::ResizableCornerComponent> resizeCorner;

    /** Window width / 640. */
    float uiScale = 1.0f;

    WobbleShapeButton shapeButton;
    WobbleSyncFreeButton syncFreeButton;

    // The unit tests inspect the layout and the animation state directly.
    friend struct HollowmereEditorInspector;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HollowmereEditor)
};
