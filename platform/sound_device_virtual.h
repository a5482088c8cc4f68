#pragma once
// A sound device service that plays nothing: its ring is plain memory whose
// play cursor the test moves, and every operation can be made to fail, so the
// streaming code's every branch can be driven without a sound card.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound_device.h"

namespace platform {

class VirtualSoundService;

class VirtualSoundRing : public SoundRing {
 public:
  explicit VirtualSoundRing(VirtualSoundService& service);
  ~VirtualSoundRing() override;

  SoundResult SetFormat(const PcmFormat& format) override;
  SoundResult GetSize(uint32_t& bytes) override;
  SoundResult Play() override;
  SoundResult Stop() override;
  SoundResult Restore() override;
  SoundResult GetStatus(uint32_t& status) override;
  SoundResult GetPlayCursor(uint32_t& cursor) override;
  SoundResult Lock(uint32_t offset, uint32_t bytes, RingPieces& pieces) override;
  SoundResult Unlock(const RingPieces& pieces) override;
  SoundResult SetFrequency(uint32_t hz) override;
  SoundResult GetFrequency(uint32_t& hz) override;
  SoundResult SetVolume(int32_t volume) override;
  SoundResult GetVolume(int32_t& volume) override;
  SoundResult SetPan(int32_t pan) override;
  SoundResult GetPan(int32_t& pan) override;

  // Driven by the test.
  void SetPlayCursor(uint32_t cursor) { m_Cursor = cursor; }
  void MarkLost() { m_Lost = true; }
  // The device stopped by itself (it reads as not playing, not lost).
  void Halt() { m_Playing = false; }

  // Read by the test.
  const std::vector<uint8_t>& Bytes() const { return m_Bytes; }
  std::vector<uint8_t>& Bytes() { return m_Bytes; }
  const PcmFormat& Format() const { return m_Format; }
  bool Playing() const { return m_Playing; }
  bool Lost() const { return m_Lost; }
  uint32_t PlayCursor() const { return m_Cursor; }

  int plays = 0;
  int stops = 0;
  int restores = 0;
  int locks = 0;
  int unlocks = 0;
  uint32_t lastLockOffset = 0;
  uint32_t lastLockBytes = 0;

 private:
  VirtualSoundService& m_Service;
  PcmFormat m_Format;
  std::vector<uint8_t> m_Bytes;
  uint32_t m_Cursor = 0;
  bool m_Playing = false;
  bool m_Lost = false;
  bool m_Locked = false;
  uint32_t m_Frequency = 0;
  int32_t m_Volume = 0;
  int32_t m_Pan = 0;
};

class VirtualSoundService : public SoundService {
 public:
  SoundResult OpenDevice(std::unique_ptr<SoundDevice>& device) override;

  // Results the next calls return (kOk lets them succeed).
  SoundResult openResult = SoundResult::kOk;
  SoundResult createRingResult = SoundResult::kOk;
  SoundResult setFormatResult = SoundResult::kOk;
  SoundResult statusResult = SoundResult::kOk;
  SoundResult cursorResult = SoundResult::kOk;
  // kRingLost is also reported while the ring is lost.
  SoundResult playResult = SoundResult::kOk;
  SoundResult restoreResult = SoundResult::kOk;
  SoundResult lockResult = SoundResult::kOk;
  SoundResult unlockResult = SoundResult::kOk;
  SoundResult frequencyResult = SoundResult::kOk;
  SoundResult volumeResult = SoundResult::kOk;
  SoundResult panResult = SoundResult::kOk;
  // A ring size other than 100 ms of frames; 0 keeps the default.
  uint32_t ringBytes = 0;

  // The ring made most recently, while it exists.
  VirtualSoundRing* Ring() const { return m_pRing; }
  int devicesOpened = 0;
  int devicesOpen = 0;
  int ringsCreated = 0;

  // Last values handed to the device's controls.
  uint32_t lastFrequency = 0;
  int32_t lastVolume = 0;
  int32_t lastPan = 0;

 private:
  friend class VirtualSoundRing;
  friend class VirtualSoundDevice;
  VirtualSoundRing* m_pRing = nullptr;
};

}  // namespace platform
