#include "audio/audio_setup.h"

#include "audio/mixer.h"
#include "audio/speaker.h"
#include "audio/wave_file_output.h"

tSpeakerPlayback& SystemSpeaker() {
  static tSpeakerPlayback speaker;
  return speaker;
}

tWaveFileOutput& SystemWaveFileOutput() {
  SystemMixer();
  static tWaveFileOutput output;
  return output;
}

namespace {

// Makes the three objects before the program's main code runs, in their
// order, so that they are destroyed in the reverse one.
const bool g_AudioObjectsMade = [] {
  SystemSpeaker();
  SystemMixer();
  SystemWaveFileOutput();
  return true;
}();

}  // namespace

bool AudioInit() {
  tSpeakerPlayback& speaker = SystemSpeaker();
  if (!speaker.Create()) return false;
  speaker.SetSource(&SystemMixer());
  return speaker.Start();
}

void AudioShutdown() {
  SystemSpeaker().Close();
}

void GetOutputFormat(WAVEFORMATEX& format) {
  SystemSpeaker().GetFormat(format);
}

void SetOutputFormat(const WAVEFORMATEX& format) {
  tSpeakerPlayback& speaker = SystemSpeaker();
  speaker.Stop();
  speaker.SetFormat(format);
  speaker.Start();
}

void SetOutputFormat(uint32_t rate, uint16_t bitsPerSample, uint16_t channels) {
  WAVEFORMATEX format{};
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = bitsPerSample;
  format.nChannels = channels;
  SetOutputFormat(format);
}

void SetMasterVolume(double volume) {
  SystemMixer().SetVolume(volume);
}

double GetMasterVolume() {
  return SystemMixer().GetVolume();
}

void ChangeMasterVolume(int32_t stepPercent) {
  int32_t percent = static_cast<int32_t>(GetMasterVolume() * 100) + stepPercent;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  SetMasterVolume(percent / 100.0);
}

void SetMasterPitch(double pitch) {
  SystemMixer().SetPitch(pitch);
}

double GetMasterPitch() {
  return SystemMixer().GetPitch();
}
