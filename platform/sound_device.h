#pragma once
// The sound device service: a device plays a looping ring of PCM bytes in one
// fixed format. The writer locks a byte range of the ring (two pieces when it
// wraps), fills it and unlocks it; the device reads the ring at its play
// cursor. A device that disappears or stops on its own reads as a lost ring,
// which Restore brings back.
//
// Every call says how it went with a SoundResult.
#include <cstdint>
#include <memory>

namespace platform {

enum class SoundResult {
  kOk,
  kFailed,            // the device or its driver refused
  kInvalidArgument,   // a value out of range, or pieces Lock did not give
  kUnplayableFormat,  // no device plays this PCM format
  kNoDriver,          // no driver opened an output device
  kWrongState,        // not possible now (no format or no device yet)
  kRingLost,          // the ring is lost; Restore brings it back
};

// Status bits.
inline constexpr uint32_t kRingStatusPlaying = 1;
inline constexpr uint32_t kRingStatusLost = 2;

// Silence is reached at -10000 hundredths of a decibel; pan runs from
// -10000 (left only) to 10000 (right only).
inline constexpr int32_t kSoundVolumeMin = -10000;
inline constexpr int32_t kSoundPanLeft = -10000;
inline constexpr int32_t kSoundPanRight = 10000;

struct PcmFormat {
  uint32_t rate = 0;      // frames per second
  uint16_t channels = 0;  // 1 or 2
  uint16_t bits = 0;      // 8 (unsigned) or 16 (signed little-endian)
};

// A locked byte range of a ring: the second piece is empty unless the range
// wraps past the ring's end.
struct RingPieces {
  uint8_t* first = nullptr;
  uint32_t firstBytes = 0;
  uint8_t* second = nullptr;
  uint32_t secondBytes = 0;
};

// The looping ring of one open device.
class SoundRing {
 public:
  virtual ~SoundRing() = default;

  // Gives the ring (and the device behind it) its PCM format.
  virtual SoundResult SetFormat(const PcmFormat& format) = 0;
  // The ring's size in bytes (a whole number of frames, about 100 ms).
  virtual SoundResult GetSize(uint32_t& bytes) = 0;
  // Plays the ring in a loop from the play cursor; kRingLost when the ring
  // has been lost.
  virtual SoundResult Play() = 0;
  virtual SoundResult Stop() = 0;
  // Reopens a lost ring; its contents are undefined afterwards.
  virtual SoundResult Restore() = 0;
  // kRingStatusPlaying and kRingStatusLost bits.
  virtual SoundResult GetStatus(uint32_t& status) = 0;
  // Byte offset of the next byte the device will play.
  virtual SoundResult GetPlayCursor(uint32_t& cursor) = 0;
  // Locks `bytes` bytes from `offset`, which wrap at the ring's end.
  virtual SoundResult Lock(uint32_t offset, uint32_t bytes, RingPieces& pieces) = 0;
  // Hands back exactly the pieces Lock gave; what was written reaches the ring.
  virtual SoundResult Unlock(const RingPieces& pieces) = 0;

  // Playback frequency in Hz, volume in hundredths of a decibel (0 = full,
  // -10000 = silent), pan in hundredths of a decibel of attenuation of the
  // far side (negative attenuates the right).
  virtual SoundResult SetFrequency(uint32_t hz) = 0;
  virtual SoundResult GetFrequency(uint32_t& hz) = 0;
  virtual SoundResult SetVolume(int32_t volume) = 0;
  virtual SoundResult GetVolume(int32_t& volume) = 0;
  virtual SoundResult SetPan(int32_t pan) = 0;
  virtual SoundResult GetPan(int32_t& pan) = 0;
};

// An open output device; it makes the ring that is played on it.
class SoundDevice {
 public:
  virtual ~SoundDevice() = default;
  virtual SoundResult CreateRing(std::unique_ptr<SoundRing>& ring) = 0;
};

// Opens output devices.
class SoundService {
 public:
  virtual ~SoundService() = default;
  // Opens the default output device.
  virtual SoundResult OpenDevice(std::unique_ptr<SoundDevice>& device) = 0;
};

// The host's sound output. The driver is the user's SDL_AUDIODRIVER when it
// is set and opens a device, else the first of PipeWire, PulseAudio and ALSA
// that does.
SoundService& HostSoundService();

// The name of the driver the host service opened its last device on, or ""
// before any device was opened.
const char* HostSoundDriverName();

// Frames per callback chunk for a rate: the largest power of two that is at
// most 6 ms of sound (128 at 22050 Hz, 256 at 44100 Hz).
uint32_t SoundChunkFrames(uint32_t rate);

// Ring length in bytes for a format: 100 ms of frames.
uint32_t SoundRingBytes(const PcmFormat& format);

// Measuring hook of the host back end: called on the device's thread with
// every chunk it has just handed to the driver. One observer at a time; none
// by default.
using SoundChunkObserver = void (*)(const uint8_t* bytes, uint32_t count, void* context);
void SetSoundChunkObserver(SoundChunkObserver observer, void* context);

}  // namespace platform
