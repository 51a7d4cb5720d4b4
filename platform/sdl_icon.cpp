// The main window's icon on the SDL back end.
#include "platform/program_icon.h"

#include <SDL.h>

void Sdl_Set_Window_Icon(SDL_Window *window, HICON icon)
{
    const IconImage *image = Icon_Image(icon);
    if (window == nullptr || image == nullptr)
        return;
    SDL_Surface *surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t *>(image->argb), image->width, image->height, 32,
        image->width * (int)sizeof(uint32_t), SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr)
        return;
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
}
