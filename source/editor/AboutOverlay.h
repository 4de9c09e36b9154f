#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The about panel: covers the whole editor while shown. It keeps the maker's logo it is built
    with; it starts hidden and is shown by a click on the editor's logo.
*/
class AboutOverlay : public juce::Component
{
public:
    explicit AboutOverlay (juce::Image logoImage);
    ~AboutOverlay() override = default;

    const juce::Image& getLogo() const noexcept { return logo; }

private:
    juce::Image logo;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AboutOverlay)
};
