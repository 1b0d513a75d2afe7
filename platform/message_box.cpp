#include "platform/message_box.h"

#include <SDL.h>

namespace Zorva::Platform {

bool ShowErrorMessageBox(const std::string& textUtf8, const std::string& captionUtf8)
{
    const bool started = SDL_WasInit(SDL_INIT_VIDEO) != 0 || SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!started)
        return false;
    const bool shown =
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, captionUtf8.c_str(), textUtf8.c_str(), nullptr) == 0;
    return shown;
}

} // namespace Zorva::Platform
