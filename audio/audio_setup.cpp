#include "audio/audio_setup.h"

#include <atomic>

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

namespace {

// The output format as the other threads read it: rate, channels and bits
// packed into one word, published after every change, so that the tick
// thread never sees a format record half written. 0 until the first change.
std::atomic<uint64_t> g_PublishedFormat{0};

uint64_t Pack(const WAVEFORMATEX& f) {
  return uint64_t(f.nSamplesPerSec) << 32 | uint64_t(f.nChannels) << 16 | f.wBitsPerSample;
}

}  // namespace

void GetOutputFormat(WAVEFORMATEX& format) {
  const uint64_t packed = g_PublishedFormat.load(std::memory_order_acquire);
  if (packed == 0) {
    SystemSpeaker().GetFormat(format);
    // Before the speaker is made it has no format yet; until then the
    // output runs with the built-in one, which the desk's channels are
    // prepared in.
    if (format.nSamplesPerSec == 0) {
      tSoundFormat builtIn;
      WAVEFORMATEX f{};
      f.nSamplesPerSec = 22050;
      f.nChannels = 2;
      f.wBitsPerSample = 16;
      builtIn.SetFormat(f);
      builtIn.GetFormat(format);
    }
    return;
  }
  tSoundFormat normalised;
  WAVEFORMATEX f{};
  f.nSamplesPerSec = static_cast<uint32_t>(packed >> 32);
  f.nChannels = static_cast<uint16_t>(packed >> 16);
  f.wBitsPerSample = static_cast<uint16_t>(packed);
  normalised.SetFormat(f);
  normalised.GetFormat(format);
}

void SetOutputFormat(const WAVEFORMATEX& format) {
  tSpeakerPlayback& speaker = SystemSpeaker();
  speaker.Stop();
  speaker.SetFormat(format);
  WAVEFORMATEX applied{};
  speaker.GetFormat(applied);
  g_PublishedFormat.store(Pack(applied), std::memory_order_release);
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
