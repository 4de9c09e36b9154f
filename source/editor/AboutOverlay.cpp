#include "AboutOverlay.h"

AboutOverlay::AboutOverlay (juce::Image logoImage)
    : logo (std::move (logoImage))
{
    setInterceptsMouseClicks (true, true);
}
