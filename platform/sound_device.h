#pragma once
// The sound device service: a device plays a looping ring of PCM bytes in one
// fixed format. The writer locks a byte range of the ring (two pieces when it
// wraps), fills it and unlocks it; the device reads the ring at its play
// cursor. A device that disappears or stops on its own reads as a lost ring,
// which Restore brings back.
//
// Every call returns a result code: 0 for success, else one of the failure
// codes below (the numbers the desk's last-error value uses for sound).
#include <cstdint>
#include <memory>

namespace platform {

inline constexpr uint32_t kSoundOk = 0;
inline constexpr uint32_t kSoundFailed = 0x80004005;        // general failure
inline constexpr uint32_t kSoundInvalidParam = 0x80070057;  // bad argument
inline constexpr uint32_t kSoundBadFormat = 0x88780064;     // format not playable
inline constexpr uint32_t kSoundNoDriver = 0x88780078;      // no driver opened a device
inline constexpr uint32_t kSoundInvalidCall = 0x88780032;   // not in this state
inline constexpr uint32_t kSoundBufferLost = 0x88780096;    // the ring was lost

// Status bits.
inline constexpr uint32_t kRingPlaying = 1;
inline constexpr uint32_t kRingLost = 2;

// Silence is reached at -10000 hundredths of a decibel; pan runs from
// -10000 (left only) to 10000 (right only).
inline constexpr int32_t kSoundVolumeMin = -10000;
inline constexpr int32_t kSoundPanLeft = -10000;
inline constexpr int32_t kSoundPanRight = 10000;

struct tPcmFormat {
  uint32_t rate = 0;      // frames per second
  uint16_t channels = 0;  // 1 or 2
  uint16_t bits = 0;      // 8 (unsigned) or 16 (signed little-endian)
};

// A locked byte range of a ring: the second piece is empty unless the range
// wraps past the ring's end.
struct tRingPieces {
  uint8_t* first = nullptr;
  uint32_t firstBytes = 0;
  uint8_t* second = nullptr;
  uint32_t secondBytes = 0;
};

// The looping ring of one open device.
class tSoundRing {
 public:
  virtual ~tSoundRing() = default;

  // Gives the ring (and the device behind it) its PCM format.
  virtual uint32_t SetFormat(const tPcmFormat& format) = 0;
  // The ring's size in bytes (a whole number of frames, about 100 ms).
  virtual uint32_t GetSize(uint32_t& bytes) = 0;
  // Plays the ring in a loop from the play cursor. kSoundBufferLost when the
  // ring has been lost.
  virtual uint32_t Play() = 0;
  virtual uint32_t Stop() = 0;
  // Reopens a lost ring; its contents are undefined afterwards.
  virtual uint32_t Restore() = 0;
  // kRingPlaying and kRingLost bits.
  virtual uint32_t GetStatus(uint32_t& status) = 0;
  // Byte offset of the next byte the device will play.
  virtual uint32_t GetPlayCursor(uint32_t& cursor) = 0;
  // Locks `bytes` bytes from `offset`, which wrap at the ring's end.
  virtual uint32_t Lock(uint32_t offset, uint32_t bytes, tRingPieces& pieces) = 0;
  // Hands back exactly the pieces Lock gave; what was written reaches the ring.
  virtual uint32_t Unlock(const tRingPieces& pieces) = 0;

  // Playback frequency in Hz, volume in hundredths of a decibel (0 = full,
  // -10000 = silent), pan in hundredths of a decibel of attenuation of the
  // far side (negative attenuates the right).
  virtual uint32_t SetFrequency(uint32_t hz) = 0;
  virtual uint32_t GetFrequency(uint32_t& hz) = 0;
  virtual uint32_t SetVolume(int32_t volume) = 0;
  virtual uint32_t GetVolume(int32_t& volume) = 0;
  virtual uint32_t SetPan(int32_t pan) = 0;
  virtual uint32_t GetPan(int32_t& pan) = 0;
};

// An open output device; it makes the ring that is played on it.
class tSoundDevice {
 public:
  virtual ~tSoundDevice() = default;
  virtual uint32_t CreateRing(std::unique_ptr<tSoundRing>& ring) = 0;
};

// Opens output devices.
class tSoundService {
 public:
  virtual ~tSoundService() = default;
  // Opens the default output device.
  virtual uint32_t OpenDevice(std::unique_ptr<tSoundDevice>& device) = 0;
};

// The host's sound output. The driver is the user's SDL_AUDIODRIVER when it
// is set and opens a device, else the first of PipeWire, PulseAudio and ALSA
// that does.
tSoundService& HostSoundService();

// The name of the driver the host service opened its last device on, or ""
// before any device was opened.
const char* HostSoundDriverName();

// Frames per callback chunk for a rate: the largest power of two that is at
// most 6 ms of sound (128 at 22050 Hz, 256 at 44100 Hz).
uint32_t SoundChunkFrames(uint32_t rate);

// Ring length in bytes for a format: 100 ms of frames.
uint32_t SoundRingBytes(const tPcmFormat& format);

// Measuring hook of the host back end: called on the device's thread with
// every chunk it has just handed to the driver. One observer at a time; none
// by default.
using tSoundChunkObserver = void (*)(const uint8_t* bytes, uint32_t count, void* context);
void SetSoundChunkObserver(tSoundChunkObserver observer, void* context);

}  // namespace platform
