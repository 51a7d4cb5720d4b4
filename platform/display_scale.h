// The desktop's scale factor and the presentation of the client framebuffer
// at that scale, for the SDL back end. On a desktop scaled to k, the window is
// k times the client size and shows every client pixel as a k by k block, as
// a system does for a program that does not declare itself aware of the
// screen's density; the program itself keeps seeing its own pixels.
#pragma once

#include "platform/desktop.h"

#include <SDL.h>

// Largest factor taken from the desktop; anything beyond is taken as this.
constexpr int Max_Display_Scale = 8;

// The whole factor for the given desktop settings, either of which may be
// null: GDK_SCALE's value when it is a number, as it overrides the desktop
// for one run, otherwise the Xft.dpi resource over the 96 dots per inch of an
// unscaled desktop. Rounded to the nearest whole number; 1 when neither is
// set or the factor is below 1.5.
int Choose_Display_Scale(const char *gdkScale, const char *xftDpi);

// The largest whole factor, at most `scale`, at which a client area of the
// given size fits the screen's usable area (its size less panels and docks),
// leaving room for the window's frame and title bar; at least 1.
int Fitting_Display_Scale(int scale, int clientWidth, int clientHeight, int usableWidth,
                          int usableHeight);

// The factor of the desktop the program runs on: GDK_SCALE from the
// environment and Xft.dpi from the X server's resources. 1 when SDL does not
// draw through X11, where the compositor scales windows itself.
int Desktop_Display_Scale();

// A window position (pointer, size) in client pixels: floor(position / scale).
int Window_To_Client(int position, int scale);

// Copies the rectangle `changed` of the client framebuffer `pixels` (`width`
// pixels a row) into `surface`, each pixel as a scale by scale block, and
// returns the window rectangle written, clipped to the surface (empty when
// nothing was).
SDL_Rect Present_Scaled(SDL_Surface *surface, const COLORREF *pixels, int width, RECT changed,
                        int scale);
