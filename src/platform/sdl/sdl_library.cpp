// SdlLibrary.
#include "platform/sdl/sdl_library.h"

#include <SDL.h>

namespace advplay::platform {

SdlLibrary::~SdlLibrary()
{
    SDL_Quit();
}

} // namespace advplay::platform
