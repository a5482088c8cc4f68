#pragma once
// A sample and the voice that plays it on the system mixer: what channels,
// previews and the desk's own sounds load, play and convert.
#include <cstdint>
#include <string>

#include "audio/mixer.h"
#include "audio/voice.h"
#include "audio/wave.h"

class tSound {
 public:
  tSound() = default;
  tSound(const tSound&) = delete;
  tSound& operator=(const tSound&) = delete;
  ~tSound();

  // Loads a wave file (desk path) and attaches the voice to the system mixer.
  bool Load(const std::string& path);
  // A zeroed sample of the given format and size on the system mixer.
  bool Create(const WAVEFORMATEX& format, uint32_t bytes);
  // Detaches the voice and frees the sample.
  void Unload();

  // Plays once from frame (modulo the length).
  void Play(uint32_t frame);
  void Stop();
  bool IsPlaying();

  void SetVolume(double volume);
  void SetBalance(double balance);
  void SetPitch(double pitch);

  uint32_t GetLength() const;
  void GetFormat(WAVEFORMATEX& format) const;
  bool ConvertTo(const WAVEFORMATEX& format);
  // Polls every 5 ms until the sound stops or timeoutMs have passed.
  void WaitWhilePlaying(uint32_t timeoutMs);

  tWave& Wave() { return m_Wave; }
  tVoice& Voice() { return m_Voice; }

 private:
  tWave m_Wave;
  tVoice m_Voice;
};
