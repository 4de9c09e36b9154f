#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/**
    The about panel: covers the whole editor while shown, with a centred panel holding the maker's
    logo, the product's name, a credit, the maker's web link and the version with its build stamp.
    It starts hidden and is shown by a click on the editor's logo; any click outside the link
    hides it again. Coordinates are the editor's design units (the overlay is 640 x 540 there).
*/
class AboutOverlay : public juce::Component
{
public:
    explicit AboutOverlay (juce::Image logoImage);
    ~AboutOverlay() override = default;

    void paint (juce::Graphics& g) override;
    void mouseDown (const juce::MouseEvent& e) override;

    const juce::Image& getLogo() const noexcept { return logo; }

    /** Where the link was last drawn; empty until the first paint. */
    juce::Rectangle<float> getLinkArea() const noexcept { return linkArea; }

    /** The maker's web address, opened from the link. */
    static juce::URL makerAddress();

    /** "Mmm dd yyyy hh:mm:ss": when this code was compiled. */
    static juce::String buildStamp();

    /** Hands the maker's address to the system's default browser. Replaceable, so that tests
        can click the link without starting a browser. */
    std::function<void (const juce::URL&)> openLink = [] (const juce::URL& url) { url.launchInDefaultBrowser(); };

private:
    juce::Image logo;
    juce::Rectangle<float> linkArea;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AboutOverlay)
};
