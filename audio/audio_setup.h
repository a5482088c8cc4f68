#pragma once
// The audio engine's process-wide objects and the functions through which
// the rest of the desk starts and stops sound output, changes the output
// format and sets the master volume and pitch.
//
// Three objects live for the whole run, made in this order and destroyed in
// the reverse one: the speaker, the system mixer (SystemMixer(), where every
// sound attaches its voice) and the export device. The mixer is linked to at
// most one of the two devices: the speaker from start-up, the export device
// while a mix is exported.
#include <cstdint>

#include "audio/sound_format.h"

class tSpeakerPlayback;
class tWaveFileOutput;

tSpeakerPlayback& SystemSpeaker();
tWaveFileOutput& SystemWaveFileOutput();

// Opens the speaker, links the mixer to it and starts streaming. False when
// no sound output can be opened or started.
bool AudioInit();
// Closes the speaker.
void AudioShutdown();

void GetOutputFormat(WAVEFORMATEX& format);
// Stops the speaker, gives it the format (which resizes its page, the
// mixer's accumulator and every voice's step) and starts it again.
void SetOutputFormat(const WAVEFORMATEX& format);
// The same from rate, bits per sample and channels.
void SetOutputFormat(uint32_t rate, uint16_t bitsPerSample, uint16_t channels);

void SetMasterVolume(double volume);
double GetMasterVolume();
// Moves the master volume by whole percent: trunc(volume * 100) + step,
// held within 0..100.
void ChangeMasterVolume(int32_t stepPercent);
// Every voice's speed and the engine clock follow the master pitch.
void SetMasterPitch(double pitch);
double GetMasterPitch();
