#pragma once
// An in-memory PCM sample, the RIFF WAVE reader that fills it, and the
// converter to another layout and rate.
//
// Failures return false and leave a code in the thread's last-error value:
// kErrorWaveOpen the file could not be opened, kErrorWaveMemory out of
// memory, kErrorWaveFormat not a WAVE file the engine can hold (or a
// required chunk missing, or no complete frame of data),
// kErrorWaveTruncated the file ended before the announced bytes (all in
// platform/last_error.h).
#include <cstdint>
#include <cstdio>
#include <string>

#include "audio/sound_format.h"
#include "platform/last_error.h"
#include "platform/sample_memory.h"

class tWave : public tSoundFormat {
 public:
  tWave() = default;
  tWave(const tWave&) = delete;
  tWave& operator=(const tWave&) = delete;
  ~tWave() override;

  // Releases the data; the format is kept.
  void Free();
  // Frees, sets the default format when none is set, then allocates bytes
  // zero bytes. kErrorWaveMemory when the memory is not there.
  bool Allocate(uint64_t bytes);
  // Reads a RIFF WAVE file by desk path. 8- and 16-bit PCM is taken as it
  // stands; 24- and 32-bit integer PCM keep their top 16 bits, 32-bit float
  // is scaled by 32768, truncated and clamped, so that the wave always holds
  // one of the four engine layouts.
  bool LoadWave(const std::string& path);
  // The same from an open stream positioned at the start of the file.
  bool LoadWaveStream(FILE* file);
  // Converts in place to the target's channels, width and rate, resampling
  // by zero-order hold. A rate raised more than 64 times (kErrorWaveFormat)
  // or a result beyond 1 GiB (kErrorWaveMemory) is refused and the wave
  // stays as it was.
  bool Convert(const WAVEFORMATEX& target);

  uint8_t* Data() { return m_pData.get(); }
  const uint8_t* Data() const { return m_pData.get(); }
  uint32_t Size() const { return m_Size; }
  // Complete frames: size / block alignment (0 without a format), never more
  // than the layout code can address inside the data.
  uint32_t Frames() const;

 private:
  // Allocate, optionally without clearing the bytes (for data read at once).
  bool AllocateStorage(uint64_t bytes, bool zeroed);

  platform::SampleMemory m_pData;
  uint32_t m_Size = 0;
};
