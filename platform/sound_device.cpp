// The host back end of the sound device service, over SDL2's audio output.
#include "platform/sound_device.h"

#include <SDL.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

uint32_t SoundChunkFrames(uint32_t rate) {
  const uint32_t limit = rate * 6 / 1000;
  uint32_t frames = 16;
  while (frames * 2 <= limit) frames *= 2;
  return frames;
}

uint32_t SoundRingBytes(const PcmFormat& format) {
  const uint32_t block = static_cast<uint32_t>(format.channels) * format.bits / 8;
  return format.rate / 10 * block;
}

namespace {

std::atomic<SoundChunkObserver> g_Observer{nullptr};
std::atomic<void*> g_ObserverContext{nullptr};

std::mutex g_DriverMutex;
std::string g_DriverName;

// An open SDL audio device, closed when its owner lets it go.
class AudioDevice {
 public:
  AudioDevice() = default;
  explicit AudioDevice(SDL_AudioDeviceID id) : m_Id(id) {}
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;
  AudioDevice& operator=(AudioDevice&& other) noexcept {
    if (this != &other) {
      Reset();
      m_Id = other.m_Id;
      other.m_Id = 0;
    }
    return *this;
  }
  ~AudioDevice() { Reset(); }

  void Reset() {
    if (m_Id != 0) SDL_CloseAudioDevice(m_Id);
    m_Id = 0;
  }
  bool IsOpen() const { return m_Id != 0; }
  SDL_AudioDeviceID Id() const { return m_Id; }

 private:
  SDL_AudioDeviceID m_Id = 0;
};

bool IsPlayable(const PcmFormat& format) {
  return format.rate >= 1000 && format.rate <= 200000 &&
         (format.channels == 1 || format.channels == 2) && (format.bits == 8 || format.bits == 16);
}

// Amplitude factor of an attenuation in hundredths of a decibel, in 1/65536.
int32_t GainQ16(int32_t hundredthsDb) {
  if (hundredthsDb <= kSoundVolumeMin) return 0;
  if (hundredthsDb >= 0) return 65536;
  return static_cast<int32_t>(std::lround(65536.0 * std::pow(10.0, hundredthsDb / 2000.0)));
}

class SdlRing : public SoundRing {
 public:
  // The device closes first: its callback reads the ring, which goes before it.
  ~SdlRing() override { CloseDevice(); }

  SoundResult SetFormat(const PcmFormat& format) override {
    if (!IsPlayable(format)) return SoundResult::kUnplayableFormat;
    CloseDevice();
    m_Format = format;
    m_Block = static_cast<uint32_t>(format.channels) * format.bits / 8;
    m_Ring.assign(SoundRingBytes(format), Silence());
    m_Staging.assign(m_Ring.size(), Silence());
    m_Frequency.store(format.rate);
    m_Locked = false;
    return OpenDevice();
  }

  SoundResult GetSize(uint32_t& bytes) override {
    if (!m_Device.IsOpen()) return SoundResult::kWrongState;
    bytes = static_cast<uint32_t>(m_Ring.size());
    return SoundResult::kOk;
  }

  SoundResult Play() override {
    if (m_Format.rate == 0) return SoundResult::kWrongState;
    // Also a ring whose device could not be reopened: Restore tries again.
    if (IsLost()) return SoundResult::kRingLost;
    m_Playing.store(true);
    SDL_PauseAudioDevice(m_Device.Id(), 0);
    return SoundResult::kOk;
  }

  SoundResult Stop() override {
    if (m_Format.rate == 0) return SoundResult::kWrongState;
    if (m_Device.IsOpen()) SDL_PauseAudioDevice(m_Device.Id(), 1);
    m_Playing.store(false);
    return SoundResult::kOk;
  }

  SoundResult Restore() override {
    if (m_Format.rate == 0) return SoundResult::kWrongState;
    CloseDevice();
    return OpenDevice();
  }

  SoundResult GetStatus(uint32_t& status) override {
    if (m_Format.rate == 0) return SoundResult::kWrongState;
    status = 0;
    if (IsLost()) status |= kRingStatusLost;
    if (m_Device.IsOpen() && m_Playing.load() &&
        SDL_GetAudioDeviceStatus(m_Device.Id()) == SDL_AUDIO_PLAYING)
      status |= kRingStatusPlaying;
    return SoundResult::kOk;
  }

  SoundResult GetPlayCursor(uint32_t& cursor) override {
    if (!m_Device.IsOpen()) return SoundResult::kWrongState;
    cursor = m_Cursor.load(std::memory_order_acquire);
    return SoundResult::kOk;
  }

  SoundResult Lock(uint32_t offset, uint32_t bytes, RingPieces& pieces) override {
    const uint32_t size = static_cast<uint32_t>(m_Ring.size());
    if (!m_Device.IsOpen()) return SoundResult::kWrongState;
    if (m_Locked || offset >= size || bytes == 0 || bytes > size)
      return SoundResult::kInvalidArgument;
    // The writer fills a staging copy; Unlock moves it into the ring under
    // the device's lock, so the device thread never reads a half-written range.
    const uint32_t firstBytes = std::min(bytes, size - offset);
    pieces.first = m_Staging.data();
    pieces.firstBytes = firstBytes;
    pieces.second = firstBytes < bytes ? m_Staging.data() + firstBytes : nullptr;
    pieces.secondBytes = bytes - firstBytes;
    m_Locked = true;
    m_LockOffset = offset;
    m_LockPieces = pieces;
    return SoundResult::kOk;
  }

  SoundResult Unlock(const RingPieces& pieces) override {
    if (!m_Locked || pieces.first != m_LockPieces.first ||
        pieces.firstBytes != m_LockPieces.firstBytes || pieces.second != m_LockPieces.second ||
        pieces.secondBytes != m_LockPieces.secondBytes)
      return SoundResult::kInvalidArgument;
    m_Locked = false;
    if (!m_Device.IsOpen()) return SoundResult::kWrongState;
    SDL_LockAudioDevice(m_Device.Id());
    std::memcpy(m_Ring.data() + m_LockOffset, pieces.first, pieces.firstBytes);
    if (pieces.secondBytes != 0) std::memcpy(m_Ring.data(), pieces.second, pieces.secondBytes);
    SDL_UnlockAudioDevice(m_Device.Id());
    return SoundResult::kOk;
  }

  SoundResult SetFrequency(uint32_t hz) override {
    if (hz < 100 || hz > 200000) return SoundResult::kInvalidArgument;
    m_Frequency.store(hz);
    return SoundResult::kOk;
  }
  SoundResult GetFrequency(uint32_t& hz) override {
    if (m_Format.rate == 0) return SoundResult::kWrongState;
    hz = m_Frequency.load();
    return SoundResult::kOk;
  }
  SoundResult SetVolume(int32_t volume) override {
    if (volume < kSoundVolumeMin || volume > 0) return SoundResult::kInvalidArgument;
    m_Volume.store(volume);
    UpdateGains();
    return SoundResult::kOk;
  }
  SoundResult GetVolume(int32_t& volume) override {
    volume = m_Volume.load();
    return SoundResult::kOk;
  }
  SoundResult SetPan(int32_t pan) override {
    if (pan < kSoundPanLeft || pan > kSoundPanRight) return SoundResult::kInvalidArgument;
    m_Pan.store(pan);
    UpdateGains();
    return SoundResult::kOk;
  }
  SoundResult GetPan(int32_t& pan) override {
    pan = m_Pan.load();
    return SoundResult::kOk;
  }

 private:
  uint8_t Silence() const { return m_Format.bits == 8 ? 128 : 0; }

  bool IsLost() const {
    return !m_Device.IsOpen() || SDL_GetAudioDeviceStatus(m_Device.Id()) == SDL_AUDIO_STOPPED;
  }

  SoundResult OpenDevice() {
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(m_Format.rate);
    want.format = m_Format.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(m_Format.channels);
    want.samples = static_cast<Uint16>(SoundChunkFrames(m_Format.rate));
    want.callback = &SdlRing::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    m_Cursor.store(0);
    m_Fraction = 0;
    m_Playing.store(false);
    // No allowed changes: the callback always receives exactly this format.
    m_Device = AudioDevice(SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0));
    return m_Device.IsOpen() ? SoundResult::kOk : SoundResult::kFailed;
  }

  void CloseDevice() {
    m_Device.Reset();
    m_Playing.store(false);
  }

  void UpdateGains() {
    const int32_t pan = m_Pan.load();
    const int32_t volume = m_Volume.load();
    m_GainLeft.store(GainQ16(volume - (pan > 0 ? pan : 0)));
    m_GainRight.store(GainQ16(volume + (pan < 0 ? pan : 0)));
    m_GainMono.store(GainQ16(volume));
  }

  static void SDLCALL Callback(void* userdata, Uint8* stream, int len) {
    static_cast<SdlRing*>(userdata)->Fill(stream, static_cast<uint32_t>(len));
  }

  // Runs on SDL's device thread with the device lock held.
  void Fill(uint8_t* out, uint32_t len) {
    const uint32_t size = static_cast<uint32_t>(m_Ring.size());
    uint32_t cursor = m_Cursor.load(std::memory_order_relaxed);
    const uint32_t frequency = m_Frequency.load();
    if (frequency == m_Format.rate) {
      uint32_t done = 0;
      while (done < len) {
        const uint32_t n = std::min(len - done, size - cursor);
        std::memcpy(out + done, m_Ring.data() + cursor, n);
        done += n;
        cursor = (cursor + n) % size;
      }
    } else {
      // Played at another speed: each output frame holds the ring frame the
      // cursor has reached (16.16 steps).
      const uint64_t step = (static_cast<uint64_t>(frequency) << 16) / m_Format.rate;
      for (uint32_t done = 0; done + m_Block <= len; done += m_Block) {
        std::memcpy(out + done, m_Ring.data() + cursor, m_Block);
        m_Fraction += step;
        cursor = static_cast<uint32_t>((cursor + (m_Fraction >> 16) * m_Block) % size);
        m_Fraction &= 0xFFFF;
      }
    }
    m_Cursor.store(cursor, std::memory_order_release);
    ApplyGains(out, len);
    if (SoundChunkObserver observer = g_Observer.load(std::memory_order_acquire))
      observer(out, len, g_ObserverContext.load(std::memory_order_acquire));
  }

  void ApplyGains(uint8_t* out, uint32_t len) {
    int32_t left = m_GainLeft.load();
    int32_t right = m_GainRight.load();
    const bool stereo = m_Format.channels == 2;
    if (!stereo) left = right = m_GainMono.load();
    if (left == 65536 && right == 65536) return;
    if (m_Format.bits == 16) {
      const uint32_t samples = len / 2;
      for (uint32_t i = 0; i < samples; ++i) {
        int16_t s;
        std::memcpy(&s, out + 2 * i, 2);
        const int32_t gain = (i & 1) && stereo ? right : left;
        s = static_cast<int16_t>((static_cast<int64_t>(s) * gain) >> 16);
        std::memcpy(out + 2 * i, &s, 2);
      }
    } else {
      for (uint32_t i = 0; i < len; ++i) {
        const int32_t gain = (i & 1) && stereo ? right : left;
        const int32_t v = ((static_cast<int32_t>(out[i]) - 128) * gain) >> 16;
        out[i] = static_cast<uint8_t>(v + 128);
      }
    }
  }

  AudioDevice m_Device;
  PcmFormat m_Format;
  uint32_t m_Block = 0;
  std::vector<uint8_t> m_Ring;
  std::vector<uint8_t> m_Staging;
  std::atomic<uint32_t> m_Cursor{0};
  uint64_t m_Fraction = 0;
  std::atomic<bool> m_Playing{false};
  bool m_Locked = false;
  uint32_t m_LockOffset = 0;
  RingPieces m_LockPieces;
  std::atomic<uint32_t> m_Frequency{0};
  std::atomic<int32_t> m_Volume{0};
  std::atomic<int32_t> m_Pan{0};
  std::atomic<int32_t> m_GainLeft{65536};
  std::atomic<int32_t> m_GainRight{65536};
  std::atomic<int32_t> m_GainMono{65536};
};

// Holds one reference on SDL's audio subsystem for as long as it lives.
class SdlDevice : public SoundDevice {
 public:
  ~SdlDevice() override { SDL_QuitSubSystem(SDL_INIT_AUDIO); }

  SoundResult CreateRing(std::unique_ptr<SoundRing>& ring) override {
    ring = std::make_unique<SdlRing>();
    return SoundResult::kOk;
  }
};

// Whether the driver now initialised can open a default output device.
bool ProbeOutput() {
  SDL_AudioSpec want{};
  want.freq = 22050;
  want.format = AUDIO_S16LSB;
  want.channels = 2;
  want.samples = static_cast<Uint16>(SoundChunkFrames(22050));
  SDL_AudioSpec have{};
  return AudioDevice(SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0)).IsOpen();
}

class SdlSoundService : public SoundService {
 public:
  SoundResult OpenDevice(std::unique_ptr<SoundDevice>& device) override {
    std::vector<std::string> candidates;
    if (const char* user = std::getenv("SDL_AUDIODRIVER"); user != nullptr && *user != '\0')
      candidates.emplace_back(user);
    for (const char* name : {"pipewire", "pulseaudio", "alsa"}) candidates.emplace_back(name);

    std::lock_guard<std::mutex> hold(g_DriverMutex);
    for (const std::string& name : candidates) {
      SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, name.c_str(), SDL_HINT_OVERRIDE);
      if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) continue;
      if (ProbeOutput()) {
        const char* current = SDL_GetCurrentAudioDriver();
        g_DriverName = current != nullptr ? current : name;
        device = std::make_unique<SdlDevice>();
        return SoundResult::kOk;
      }
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    return SoundResult::kNoDriver;
  }
};

}  // namespace

SoundService& HostSoundService() {
  static SdlSoundService service;
  return service;
}

const char* HostSoundDriverName() {
  std::lock_guard<std::mutex> hold(g_DriverMutex);
  static thread_local std::string copy;
  copy = g_DriverName;
  return copy.c_str();
}

void SetSoundChunkObserver(SoundChunkObserver observer, void* context) {
  g_ObserverContext.store(context, std::memory_order_release);
  g_Observer.store(observer, std::memory_order_release);
}

}  // namespace platform
