#include "ScreenGrab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

void ScreenGrab::ignoreProtocolErrors()
{
    XSetErrorHandler ([] (Display*, XErrorEvent*) { return 0; });
}

bool ScreenGrab::grabRootArea (int width, int height, std::vector<std::uint32_t>& pixels, std::string& error)
{
    auto* display = XOpenDisplay (nullptr);

    if (display == nullptr)
    {
        error = "no X display (is DISPLAY set?)";
        return false;
    }

    const auto screen = DefaultScreen (display);
    const auto root = RootWindow (display, screen);
    bool grabbed = false;

    if (DisplayWidth (display, screen) < width || DisplayHeight (display, screen) < height)
    {
        error = "the screen is smaller than " + std::to_string (width) + " x " + std::to_string (height);
    }
    else if (auto* image = XGetImage (display, root, 0, 0, (unsigned int) width, (unsigned int) height, AllPlanes, ZPixmap))
    {
        if (image->depth != 24 || image->red_mask != 0xff0000 || image->green_mask != 0x00ff00 || image->blue_mask != 0x0000ff)
        {
            error = "the screen is not 24-bit RGB";
        }
        else
        {
            pixels.resize ((size_t) width * (size_t) height);

            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    pixels[(size_t) y * (size_t) width + (size_t) x] = 0xff000000u | ((std::uint32_t) XGetPixel (image, x, y) & 0xffffffu);

            grabbed = true;
        }

        XDestroyImage (image);
    }
    else
    {
        error = "XGetImage failed";
    }

    XCloseDisplay (display);
    return grabbed;
}
