#pragma once
// A sound device service that plays nothing: its ring is plain memory whose
// play cursor the test moves, and every operation can be made to fail, so the
// streaming code's every branch can be driven without a sound card.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound_device.h"

namespace platform {

class tVirtualSoundService;

class tVirtualSoundRing : public tSoundRing {
 public:
  explicit tVirtualSoundRing(tVirtualSoundService& service);
  ~tVirtualSoundRing() override;

  uint32_t SetFormat(const tPcmFormat& format) override;
  uint32_t GetSize(uint32_t& bytes) override;
  uint32_t Play() override;
  uint32_t Stop() override;
  uint32_t Restore() override;
  uint32_t GetStatus(uint32_t& status) override;
  uint32_t GetPlayCursor(uint32_t& cursor) override;
  uint32_t Lock(uint32_t offset, uint32_t bytes, tRingPieces& pieces) override;
  uint32_t Unlock(const tRingPieces& pieces) override;
  uint32_t SetFrequency(uint32_t hz) override;
  uint32_t GetFrequency(uint32_t& hz) override;
  uint32_t SetVolume(int32_t volume) override;
  uint32_t GetVolume(int32_t& volume) override;
  uint32_t SetPan(int32_t pan) override;
  uint32_t GetPan(int32_t& pan) override;

  // Driven by the test.
  void SetPlayCursor(uint32_t cursor) { m_Cursor = cursor; }
  void MarkLost() { m_Lost = true; }
  // The device stopped by itself (it reads as not playing, not lost).
  void Halt() { m_Playing = false; }

  // Read by the test.
  const std::vector<uint8_t>& Bytes() const { return m_Bytes; }
  std::vector<uint8_t>& Bytes() { return m_Bytes; }
  const tPcmFormat& Format() const { return m_Format; }
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
  tVirtualSoundService& m_Service;
  tPcmFormat m_Format;
  std::vector<uint8_t> m_Bytes;
  uint32_t m_Cursor = 0;
  bool m_Playing = false;
  bool m_Lost = false;
  bool m_Locked = false;
  uint32_t m_Frequency = 0;
  int32_t m_Volume = 0;
  int32_t m_Pan = 0;
};

class tVirtualSoundService : public tSoundService {
 public:
  uint32_t OpenDevice(std::unique_ptr<tSoundDevice>& device) override;

  // Results the next calls return (0 lets them succeed).
  uint32_t openResult = kSoundOk;
  uint32_t createRingResult = kSoundOk;
  uint32_t setFormatResult = kSoundOk;
  uint32_t statusResult = kSoundOk;
  uint32_t cursorResult = kSoundOk;
  uint32_t playResult = kSoundOk;  // kSoundBufferLost is also reported while the ring is lost
  uint32_t restoreResult = kSoundOk;
  uint32_t lockResult = kSoundOk;
  uint32_t unlockResult = kSoundOk;
  uint32_t frequencyResult = kSoundOk;
  uint32_t volumeResult = kSoundOk;
  uint32_t panResult = kSoundOk;
  // A ring size other than 100 ms of frames; 0 keeps the default.
  uint32_t ringBytes = 0;

  // The ring made most recently, while it exists.
  tVirtualSoundRing* Ring() const { return m_pRing; }
  int devicesOpened = 0;
  int devicesOpen = 0;
  int ringsCreated = 0;

  // Last values handed to the device's controls.
  uint32_t lastFrequency = 0;
  int32_t lastVolume = 0;
  int32_t lastPan = 0;

 private:
  friend class tVirtualSoundRing;
  friend class tVirtualSoundDevice;
  tVirtualSoundRing* m_pRing = nullptr;
};

}  // namespace platform
