// The program's own icon. On Windows a program carries its icon as an ICON
// resource with the identifier IDI_APPLICATION, and
// LoadIconA(its module, IDI_APPLICATION) finds it. Here a program carries it as
// an image linked into the executable under the name programIcon; LoadIconA
// answers the same call with it, and the SDL back end shows it as the main
// window's icon when the window's class uses it.
#pragma once

#include "platform/desktop.h"

#include <cstdint>

struct SDL_Window;

struct IconImage {
    int width;
    int height;
    const uint32_t *argb; // top-down rows, 0xAARRGGBB, alpha not premultiplied
};

// The program's icon, or null when the program carries none.
HICON Program_Icon();
// The image behind an icon handle; null for the system's own icons.
const IconImage *Icon_Image(HICON icon);
// Gives the window the icon's image; nothing happens for an icon without one.
void Sdl_Set_Window_Icon(SDL_Window *window, HICON icon);
