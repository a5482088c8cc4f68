#include "platform/sound_device_virtual.h"

#include <algorithm>

namespace platform {

class tVirtualSoundDevice : public tSoundDevice {
 public:
  explicit tVirtualSoundDevice(tVirtualSoundService& service) : m_Service(service) {
    ++m_Service.devicesOpened;
    ++m_Service.devicesOpen;
  }
  ~tVirtualSoundDevice() override { --m_Service.devicesOpen; }

  uint32_t CreateRing(std::unique_ptr<tSoundRing>& ring) override {
    if (m_Service.createRingResult != kSoundOk) return m_Service.createRingResult;
    ring = std::make_unique<tVirtualSoundRing>(m_Service);
    ++m_Service.ringsCreated;
    return kSoundOk;
  }

 private:
  tVirtualSoundService& m_Service;
};

uint32_t tVirtualSoundService::OpenDevice(std::unique_ptr<tSoundDevice>& device) {
  if (openResult != kSoundOk) return openResult;
  device = std::make_unique<tVirtualSoundDevice>(*this);
  return kSoundOk;
}

tVirtualSoundRing::tVirtualSoundRing(tVirtualSoundService& service) : m_Service(service) {
  m_Service.m_pRing = this;
}

tVirtualSoundRing::~tVirtualSoundRing() {
  if (m_Service.m_pRing == this) m_Service.m_pRing = nullptr;
}

uint32_t tVirtualSoundRing::SetFormat(const tPcmFormat& format) {
  if (m_Service.setFormatResult != kSoundOk) return m_Service.setFormatResult;
  if ((format.channels != 1 && format.channels != 2) || (format.bits != 8 && format.bits != 16) ||
      format.rate == 0)
    return kSoundBadFormat;
  m_Format = format;
  const uint32_t size = m_Service.ringBytes != 0 ? m_Service.ringBytes : SoundRingBytes(format);
  // Fresh memory holds a pattern, not silence, so tests see what was cleared.
  m_Bytes.assign(size, 0x5A);
  m_Cursor = 0;
  m_Frequency = format.rate;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::GetSize(uint32_t& bytes) {
  if (m_Format.rate == 0) return kSoundInvalidCall;
  bytes = static_cast<uint32_t>(m_Bytes.size());
  return kSoundOk;
}

uint32_t tVirtualSoundRing::Play() {
  if (m_Lost) return kSoundBufferLost;
  if (m_Service.playResult != kSoundOk) return m_Service.playResult;
  ++plays;
  m_Playing = true;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::Stop() {
  ++stops;
  m_Playing = false;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::Restore() {
  if (m_Service.restoreResult != kSoundOk) return m_Service.restoreResult;
  ++restores;
  m_Lost = false;
  m_Playing = false;
  std::fill(m_Bytes.begin(), m_Bytes.end(), 0x5A);
  return kSoundOk;
}

uint32_t tVirtualSoundRing::GetStatus(uint32_t& status) {
  if (m_Service.statusResult != kSoundOk) return m_Service.statusResult;
  status = (m_Playing ? kRingPlaying : 0) | (m_Lost ? kRingLost : 0);
  return kSoundOk;
}

uint32_t tVirtualSoundRing::GetPlayCursor(uint32_t& cursor) {
  if (m_Service.cursorResult != kSoundOk) return m_Service.cursorResult;
  cursor = m_Cursor;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::Lock(uint32_t offset, uint32_t bytes, tRingPieces& pieces) {
  if (m_Service.lockResult != kSoundOk) return m_Service.lockResult;
  if (m_Lost) return kSoundBufferLost;
  const uint32_t size = static_cast<uint32_t>(m_Bytes.size());
  if (m_Locked || offset >= size || bytes == 0 || bytes > size) return kSoundInvalidParam;
  ++locks;
  lastLockOffset = offset;
  lastLockBytes = bytes;
  const uint32_t first = std::min(bytes, size - offset);
  pieces.first = m_Bytes.data() + offset;
  pieces.firstBytes = first;
  pieces.second = first < bytes ? m_Bytes.data() : nullptr;
  pieces.secondBytes = bytes - first;
  m_Locked = true;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::Unlock(const tRingPieces& pieces) {
  (void)pieces;
  m_Locked = false;
  if (m_Service.unlockResult != kSoundOk) return m_Service.unlockResult;
  ++unlocks;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::SetFrequency(uint32_t hz) {
  m_Service.lastFrequency = hz;
  if (m_Service.frequencyResult != kSoundOk) return m_Service.frequencyResult;
  m_Frequency = hz;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::GetFrequency(uint32_t& hz) {
  if (m_Service.frequencyResult != kSoundOk) return m_Service.frequencyResult;
  hz = m_Frequency;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::SetVolume(int32_t volume) {
  m_Service.lastVolume = volume;
  if (m_Service.volumeResult != kSoundOk) return m_Service.volumeResult;
  m_Volume = volume;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::GetVolume(int32_t& volume) {
  if (m_Service.volumeResult != kSoundOk) return m_Service.volumeResult;
  volume = m_Volume;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::SetPan(int32_t pan) {
  m_Service.lastPan = pan;
  if (m_Service.panResult != kSoundOk) return m_Service.panResult;
  m_Pan = pan;
  return kSoundOk;
}

uint32_t tVirtualSoundRing::GetPan(int32_t& pan) {
  if (m_Service.panResult != kSoundOk) return m_Service.panResult;
  pan = m_Pan;
  return kSoundOk;
}

}  // namespace platform
