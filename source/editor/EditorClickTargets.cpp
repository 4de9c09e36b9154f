#include "PluginEditor.h"

void HollowmereEditor::LogoClickArea::mouseUp (const juce::MouseEvent& e)
{
    // A press that ends outside the area is a cancelled click.
    const auto release = e.getPosition();

    if (onClick != nullptr && release.x >= 0 && release.x < getWidth() && release.y >= 0 && release.y < getHeight())
        onClick();
}

void HollowmereEditor::LogoClickArea::paint (juce::Graphics&)
{
    // Transparent: the editor paints the logo underneath.
}
