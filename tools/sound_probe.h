// sound_probe.h -- varnel-tool sound: whether the player could open an audio output here
#pragma once

// Opens the default output as the sound layer does (44100 Hz, signed 16-bit stereo) and closes it
// again. Prints "driver <driver>, device <name>" ("driver <driver>, default device" when the driver
// cannot name it) and returns 0, or "no sound device: <SDL's reason>" and returns 1.
int probe_sound();
