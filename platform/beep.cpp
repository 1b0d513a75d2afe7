#include "platform/beep.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace Zorva::Platform {
namespace {

bool RingXBell(int percent)
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
        return false;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    XBell(display, percent);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}

// Without a display: a short sine tone on the default audio device.
void PlayTone(double hz)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev != 0) {
        const int frames = want.freq / 6;
        std::vector<std::int16_t> tone(static_cast<size_t>(frames));
        for (int i = 0; i < frames; ++i) {
            const double fade = std::min(1.0, std::min(i, frames - i) / 400.0);
            tone[static_cast<size_t>(i)] =
                static_cast<std::int16_t>(9000.0 * fade * std::sin(2.0 * M_PI * hz * i / want.freq));
        }
        SDL_QueueAudio(dev, tone.data(), static_cast<Uint32>(tone.size() * sizeof(std::int16_t)));
        SDL_PauseAudioDevice(dev, 0);
        while (SDL_GetQueuedAudioSize(dev) > 0)
            SDL_Delay(10);
        SDL_Delay(50);
        SDL_CloseAudioDevice(dev);
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace

void Beep(BeepKind kind)
{
    if (RingXBell(kind == BeepKind::Default ? 0 : 50))
        return;
    PlayTone(kind == BeepKind::Error ? 440.0 : 880.0);
}

} // namespace Zorva::Platform
