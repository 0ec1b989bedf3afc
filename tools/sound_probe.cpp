// sound_probe.cpp -- opens and closes the default audio output the way the sound layer opens it
#include "sound_probe.h"

#include <SDL.h>

#include <cstdio>

#include "platform/sound.h"

namespace {

void SDLCALL play_silence(void*, Uint8* out, int bytes) {
    SDL_memset(out, 0, size_t(bytes));
}

int no_device() {
    const char* reason = SDL_GetError();
    printf("no sound device: %s\n", reason[0] ? reason : "SDL gave no reason");
    SDL_Quit();
    return 1;
}

}  // namespace

int probe_sound() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return no_device();

    SDL_AudioSpec want = {};
    want.freq = kSoundRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;  // the sound layer's callback size
    want.callback = play_silence;
    SDL_AudioSpec have = {};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) return no_device();

    // A null name opens the system's default output; only some drivers can say which device that is.
    char* name = nullptr;
    SDL_AudioSpec default_spec = {};
    if (SDL_GetDefaultAudioInfo(&name, &default_spec, 0) == 0 && name) {
        printf("driver %s, device %s\n", SDL_GetCurrentAudioDriver(), name);
    } else {
        printf("driver %s, default device\n", SDL_GetCurrentAudioDriver());
    }
    SDL_free(name);
    SDL_CloseAudioDevice(device);
    SDL_Quit();
    return 0;
}
