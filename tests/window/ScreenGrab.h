#pragma once

#include <cstdint>
#include <string>
#include <vector>

/** Reading back what the X server shows. Kept apart from JUCE: the X headers' macros clash with it. */
namespace ScreenGrab
{
    /**
        Makes X protocol errors non-fatal for this process, as a JUCE application's own start-up
        does. A plain program hosting JUCE windows needs it on a bare X server: with no window
        manager, atoms such as WM_STATE do not exist, and asking for them is an error that
        Xlib's default handler answers by exiting.
    */
    void ignoreProtocolErrors();

    /**
        The top-left `width` x `height` pixels of the default screen's root window, row by row, as
        0xAARRGGBB with opaque alpha. Returns false, with a reason in `error`, when there is no
        display, the screen is smaller, or its visual is not 24-bit true colour.
    */
    bool grabRootArea (int width, int height, std::vector<std::uint32_t>& pixels, std::string& error);
}
