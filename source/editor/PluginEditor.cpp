#include "PluginEditor.h"

#include "BinaryData.h"
#include "processor/ParameterIDs.h"
#include "processor/PluginProcessor.h"

namespace
{
    constexpr int canvasWidth = 640;
    constexpr int canvasHeight = 540;
    constexpr int refreshIntervalMs = 33;

    const juce::Colour iconTint { 0xff8844bb };

    void styleRotaryKnob (juce::Slider& knob)
    {
        knob.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
        knob.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 60, 20);
        knob.setColour (juce::Slider::rotarySliderFillColourId, juce::Colour (0xffff0066));
        knob.setColour (juce::Slider::textBoxOutlineColourId, juce::Colour (0x00000000));
        knob.setColour (juce::Slider::thumbColourId, juce::Colour (0xffffffff));
    }

    void removeTextBox (juce::Slider& knob)
    {
        knob.setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    }
}

HollowmereEditor::HollowmereEditor (HollowmereProcessor& p)
    : juce::AudioProcessorEditor (p),
      processorRef (p),
      aboutOverlay (juce::ImageCache::getFromMemory (BinaryData::BrackenfoldLogo_1024_png,
                                                     BinaryData::BrackenfoldLogo_1024_pngSize)),
      shapeButton (p),
      syncFreeButton (p)
{
    logoImage = juce::ImageCache::getFromMemory (BinaryData::BrackenfoldLogo_1024_png,
                                                 BinaryData::BrackenfoldLogo_1024_pngSize);

    iconSources[0] = makeTintedIcon (iconTint, BinaryData::Icon_Nimbre_png, BinaryData::Icon_Nimbre_pngSize);
    iconSources[1] = makeTintedIcon (iconTint, BinaryData::Icon_Shuffle_png, BinaryData::Icon_Shuffle_pngSize);
    iconSources[2] = makeTintedIcon (iconTint, BinaryData::Icon_Voice_png, BinaryData::Icon_Voice_pngSize);
    iconSources[3] = makeTintedIcon (iconTint, BinaryData::Icon_Blur_png, BinaryData::Icon_Blur_pngSize);
    iconSources[4] = makeTintedIcon (iconTint, BinaryData::Icon_Overdrive_png, BinaryData::Icon_Overdrive_pngSize);

    logoArea.onClick = [this]
    {
        aboutOverlay.setVisible (true);
        aboutOverlay.toFront (false);
    };
    logoArea.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    addAndMakeVisible (logoArea);

    setLookAndFeel (&mainLook);

    for (auto* knob : { &seanceKnob, &hauntKnob, &driftKnob, &warpKnob, &whisperKnob })
    {
        styleRotaryKnob (*knob);
        addAndMakeVisible (*knob);
    }

    styleRotaryKnob (releaseKnob);
    releaseKnob.setLookAndFeel (&releaseKnobLook);
    removeTextBox (releaseKnob);
    addAndMakeVisible (releaseKnob);
    // A little slower than the framework's 250 pixels, so each of the eight steps is easy to hit.
    releaseKnob.setMouseDragSensitivity (280);

    styleRotaryKnob (wobbleFreeKnob);
    freeRateKnobLook.showTicks = false;
    freeRateKnobLook.centreTextFn = NimbreReleaseLookAndFeel::releaseTimeText;
    wobbleFreeKnob.setLookAndFeel (&freeRateKnobLook);
    removeTextBox (wobbleFreeKnob);
    addChildComponent (wobbleFreeKnob);

    styleRotaryKnob (dryWetKnob);
    dryWetKnobLook.showTicks = false;
    dryWetKnobLook.centreTextFn = NimbreReleaseLookAndFeel::percentageText;
    dryWetKnob.setLookAndFeel (&dryWetKnobLook);
    removeTextBox (dryWetKnob);
    addAndMakeVisible (dryWetKnob);

    for (auto* caption : { &hauntLabel, &whisperLabel, &freezeLabel, &blurLabel, &driveLabel })
    {
        caption->setJustificationType (juce::Justification::centred);
        caption->setFont (juce::Font (14.0f, juce::Font::bold));
        caption->setColour (juce::Label::textColourId, juce::Colour (0xffffffff));
        addAndMakeVisible (*caption);
    }

    helpLabel.setJustificationType (juce::Justification::centredLeft);
    helpLabel.setFont (juce::Font (11.0f, juce::Font::plain));
    helpLabel.setColour (juce::Label::textColourId, juce::Colours::white.withAlpha ((juce::uint8) 0x80));
    addAndMakeVisible (helpLabel);

    shapeButton.helpLabel = &helpLabel;
    addAndMakeVisible (shapeButton);
    syncFreeButton.helpLabel = &helpLabel;
    addAndMakeVisible (syncFreeButton);

    for (auto* knob : { &seanceKnob, &releaseKnob, &wobbleFreeKnob, &hauntKnob,
                        &driftKnob, &warpKnob, &whisperKnob, &dryWetKnob })
        knob->addMouseListener (this, false);

    for (auto* gainSlider : { &inputGainSlider, &scGainSlider, &outputGainSlider })
    {
        gainSlider->setSliderStyle (juce::Slider::LinearHorizontal);
        gainSlider->setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
        gainSlider->setColour (juce::Slider::trackColourId, juce::Colours::transparentBlack);
        gainSlider->setColour (juce::Slider::backgroundColourId, juce::Colours::transparentBlack);
        gainSlider->setColour (juce::Slider::thumbColourId, juce::Colours::transparentBlack);
        gainSlider->setRange (-24.0, 12.0, 0.1);
        gainSlider->setMouseCursor (juce::MouseCursor::LeftRightResizeCursor);
        gainSlider->addMouseListener (this, false);
        addAndMakeVisible (*gainSlider);
    }

    auto& state = processorRef.apvts;
    const auto attach = [&state] (juce::Slider& slider, const char* parameterID)
    {
        return std::make_unique<SliderAttachment> (state, parameterID, slider);
    };

    gainAttachments[0] = attach (inputGainSlider, ParameterIDs::inputGain);
    gainAttachments[1] = attach (scGainSlider, ParameterIDs::scGain);
    gainAttachments[2] = attach (outputGainSlider, ParameterIDs::outputGain);
    knobAttachments[0] = attach (seanceKnob, ParameterIDs::seance);
    knobAttachments[1] = attach (releaseKnob, ParameterIDs::release);
    knobAttachments[2] = attach (wobbleFreeKnob, ParameterIDs::wobbleFreeMs);
    knobAttachments[3] = attach (hauntKnob, ParameterIDs::haunt);
    knobAttachments[4] = attach (driftKnob, ParameterIDs::drift);
    knobAttachments[5] = attach (warpKnob, ParameterIDs::warp);
    knobAttachments[6] = attach (whisperKnob, ParameterIDs::whisper);
    knobAttachments[7] = attach (dryWetKnob, ParameterIDs::dryWet);

    sidechainEnabled = state.getRawParameterValue (ParameterIDs::source)->load() > 0.5f;

    // Installed after the attachments, so their initial update does not flash the icons.
    const std::array<juce::Slider*, numIcons> iconKnobs { &hauntKnob, &whisperKnob, &seanceKnob, &driftKnob, &warpKnob };

    for (size_t slot = 0; slot < iconKnobs.size(); ++slot)
        iconKnobs[slot]->onValueChange = [this, slot] { iconFlash[slot] = 1.0f; };

    startTimer (refreshIntervalMs);

    aboutOverlay.setVisible (false);
    addChildComponent (aboutOverlay);

    sizeConstrainer.setFixedAspectRatio ((double) canvasWidth / (double) canvasHeight);
    sizeConstrainer.setMinimumSize (canvasWidth / 2, canvasHeight / 2);
    setConstrainer (&sizeConstrainer);

    resizeCorner = std::make_unique<juce::ResizableCornerComponent> (this, &sizeConstrainer);
    resizeCorner->setAlwaysOnTop (true);
    // Takes the drag only: the editor paints the grip itself, at one size in pixels.
    resizeCorner->setAlpha (0.0f);
    addAndMakeVisible (*resizeCorner);

    // The host may resize the window; the corner above replaces the framework's own resizer.
    setResizable (true, false);

    setSize (canvasWidth, canvasHeight);
}

HollowmereEditor::~HollowmereEditor()
{
    stopTimer();

    // No component may still use a look-and-feel when the members below destroy it.
    setLookAndFeel (nullptr);
    releaseKnob.setLookAndFeel (nullptr);
    wobbleFreeKnob.setLookAndFeel (nullptr);
    dryWetKnob.setLookAndFeel (nullptr);
}

juce::Image HollowmereEditor::makeTintedIcon (juce::Colour colour, const void* data, int size)
{
    const auto decoded = juce::ImageCache::getFromMemory (data, size);

    if (! decoded.isValid())
        return {};

    const auto width = decoded.getWidth();
    const auto height = decoded.getHeight();
    juce::Image tinted (juce::Image::ARGB, width, height, true);

    const juce::Image::BitmapData source (decoded, juce::Image::BitmapData::readOnly);
    juce::Image::BitmapData destination (tinted, juce::Image::BitmapData::writeOnly);

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            destination.setPixelColour (x, y, colour.withAlpha (source.getPixelColour (x, y).getAlpha()));

    return tinted;
}

void HollowmereEditor::resized()
{
    uiScale = (float) getWidth() / (float) canvasWidth;

    for (auto* child : getChildren())
        if (child != resizeCorner.get())
            child->setTransform (juce::AffineTransform::scale (uiScale));

    if (resizeCorner != nullptr)
        resizeCorner->setBounds (getWidth() - 16, getHeight() - 16, 16, 16);

    aboutOverlay.setBounds (0, 0, canvasWidth, canvasHeight);

    if (logoImage.isValid())
    {
        const auto logoWidth = (int) juce::jmin (200.0f, (float) logoImage.getWidth()
                                                            * (120.0f / (float) juce::jmax (logoImage.getHeight(), 1)));
        logoBounds = { 8, 4, logoWidth, 120 };
        logoArea.setBounds (logoBounds);
        logoArea.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    }

    const std::array<juce::Slider*, numMeters> gainSliders { &inputGainSlider, &scGainSlider, &outputGainSlider };

    for (size_t row = 0; row < gainSliders.size(); ++row)
    {
        const auto top = 155 + 18 * (int) row;
        meterBounds[row] = { 518, top, 94, 14 };
        clipLampBounds[row] = { 596, top, 16, 14 };
        gainSliders[row]->setBounds (518, top, 78, 14);
    }

    scLedBounds = { 492, 176, 8, 8 };
    scLabelBounds = { 490, 173, 28, 14 };
    scRowBounds = { 490, 173, 122, 14 };
    scGainSlider.setVisible (sidechainEnabled);

    dryWetKnob.setBounds (422, 150, 60, 60);
    spectrumBounds = { 36, 155, 376, 50 };

    hauntKnob.setBounds (32, 310, 108, 166);
    whisperKnob.setBounds (148, 310, 108, 166);
    seanceKnob.setBounds (264, 310, 108, 166);
    driftKnob.setBounds (380, 310, 108, 166);
    warpKnob.setBounds (496, 310, 112, 166);

    // The wobble-rate knob sits in the middle of the Freeze dial (above its 20-unit text box), at half its size.
    const auto freeze = seanceKnob.getBounds();
    const auto dialHeight = freeze.getHeight() >= 21 ? freeze.getHeight() - 20 : 0;
    const auto dialSide = juce::jmin (dialHeight, freeze.getWidth());
    const auto centreX = freeze.getX() + freeze.getWidth() / 2;
    releaseKnob.setBounds (centreX - dialSide / 4, freeze.getY() + dialHeight / 2 - dialSide / 4, dialSide / 2, dialSide / 2);
    wobbleFreeKnob.setBounds (releaseKnob.getBounds());

    const auto small = releaseKnob.getBounds();
    shapeButton.setBounds (centreX - 11, small.getBottom() + 2, 22, 12);
    syncFreeButton.setBounds (centreX - 7, small.getY() + small.getHeight() / 2 + 6, 14, 15);

    layOutIcons();

    helpLabel.setBounds (20, 516, 600, 20);
    // The help line takes no clicks, so the pointer over it belongs to the editor.
    helpLabel.setInterceptsMouseClicks (false, false);
}

void HollowmereEditor::layOutIcons()
{
    const std::array<std::pair<juce::Label*, juce::Slider*>, numIcons> captioned {
        { { &hauntLabel, &hauntKnob }, { &whisperLabel, &whisperKnob }, { &freezeLabel, &seanceKnob },
          { &blurLabel, &driftKnob }, { &driveLabel, &warpKnob } }
    };

    for (size_t slot = 0; slot < captioned.size(); ++slot)
    {
        const auto knob = captioned[slot].second->getBounds();
        captioned[slot].first->setBounds (knob.getX(), 256, knob.getWidth(), 14);

        const auto side = (int) ((float) knob.getWidth() * 0.62f);
        iconBounds[slot] = { knob.getX() + knob.getWidth() / 2 - side / 2, 271, side, side };

        // Rendered once per pixel size, so painting draws the icon without resampling.
        const auto pixels = (int) ((float) iconBounds[slot].getWidth() * uiScale);
        auto& image = iconImages[slot];

        if (pixels > 0 && iconSources[slot].isValid()
            && ! (image.isValid() && image.getWidth() == pixels && image.getHeight() == pixels))
            image = iconSources[slot].rescaled (pixels, pixels, juce::Graphics::highResamplingQuality);
    }
}
