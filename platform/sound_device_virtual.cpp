#include "platform/sound_device_virtual.h"

#include <algorithm>

namespace platform {

class VirtualSoundDevice : public SoundDevice {
 public:
  explicit VirtualSoundDevice(VirtualSoundService& service) : m_Service(service) {
    ++m_Service.devicesOpened;
    ++m_Service.devicesOpen;
  }
  ~VirtualSoundDevice() override { --m_Service.devicesOpen; }

  SoundResult CreateRing(std::unique_ptr<SoundRing>& ring) override {
    if (m_Service.createRingResult != SoundResult::kOk) return m_Service.createRingResult;
    ring = std::make_unique<VirtualSoundRing>(m_Service);
    ++m_Service.ringsCreated;
    return SoundResult::kOk;
  }

 private:
  VirtualSoundService& m_Service;
};

SoundResult VirtualSoundService::OpenDevice(std::unique_ptr<SoundDevice>& device) {
  if (openResult != SoundResult::kOk) return openResult;
  device = std::make_unique<VirtualSoundDevice>(*this);
  return SoundResult::kOk;
}

VirtualSoundRing::VirtualSoundRing(VirtualSoundService& service) : m_Service(service) {
  m_Service.m_pRing = this;
}

VirtualSoundRing::~VirtualSoundRing() {
  if (m_Service.m_pRing == this) m_Service.m_pRing = nullptr;
}

SoundResult VirtualSoundRing::SetFormat(const PcmFormat& format) {
  if (m_Service.setFormatResult != SoundResult::kOk) return m_Service.setFormatResult;
  if ((format.channels != 1 && format.channels != 2) || (format.bits != 8 && format.bits != 16) ||
      format.rate == 0)
    return SoundResult::kUnplayableFormat;
  m_Format = format;
  const uint32_t size = m_Service.ringBytes != 0 ? m_Service.ringBytes : SoundRingBytes(format);
  // Fresh memory holds a pattern, not silence, so tests see what was cleared.
  m_Bytes.assign(size, 0x5A);
  m_Cursor = 0;
  m_Frequency = format.rate;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::GetSize(uint32_t& bytes) {
  if (m_Format.rate == 0) return SoundResult::kWrongState;
  bytes = static_cast<uint32_t>(m_Bytes.size());
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::Play() {
  if (m_Lost) return SoundResult::kRingLost;
  if (m_Service.playResult != SoundResult::kOk) return m_Service.playResult;
  ++plays;
  m_Playing = true;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::Stop() {
  ++stops;
  m_Playing = false;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::Restore() {
  if (m_Service.restoreResult != SoundResult::kOk) return m_Service.restoreResult;
  ++restores;
  m_Lost = false;
  m_Playing = false;
  std::fill(m_Bytes.begin(), m_Bytes.end(), 0x5A);
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::GetStatus(uint32_t& status) {
  if (m_Service.statusResult != SoundResult::kOk) return m_Service.statusResult;
  status = (m_Playing ? kRingStatusPlaying : 0) | (m_Lost ? kRingStatusLost : 0);
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::GetPlayCursor(uint32_t& cursor) {
  if (m_Service.cursorResult != SoundResult::kOk) return m_Service.cursorResult;
  cursor = m_Cursor;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::Lock(uint32_t offset, uint32_t bytes, RingPieces& pieces) {
  if (m_Service.lockResult != SoundResult::kOk) return m_Service.lockResult;
  if (m_Lost) return SoundResult::kRingLost;
  const uint32_t size = static_cast<uint32_t>(m_Bytes.size());
  if (m_Locked || offset >= size || bytes == 0 || bytes > size)
    return SoundResult::kInvalidArgument;
  ++locks;
  lastLockOffset = offset;
  lastLockBytes = bytes;
  const uint32_t first = std::min(bytes, size - offset);
  pieces.first = m_Bytes.data() + offset;
  pieces.firstBytes = first;
  pieces.second = first < bytes ? m_Bytes.data() : nullptr;
  pieces.secondBytes = bytes - first;
  m_Locked = true;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::Unlock(const RingPieces& pieces) {
  (void)pieces;
  m_Locked = false;
  if (m_Service.unlockResult != SoundResult::kOk) return m_Service.unlockResult;
  ++unlocks;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::SetFrequency(uint32_t hz) {
  m_Service.lastFrequency = hz;
  if (m_Service.frequencyResult != SoundResult::kOk) return m_Service.frequencyResult;
  m_Frequency = hz;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::GetFrequency(uint32_t& hz) {
  if (m_Service.frequencyResult != SoundResult::kOk) return m_Service.frequencyResult;
  hz = m_Frequency;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::SetVolume(int32_t volume) {
  m_Service.lastVolume = volume;
  if (m_Service.volumeResult != SoundResult::kOk) return m_Service.volumeResult;
  m_Volume = volume;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::GetVolume(int32_t& volume) {
  if (m_Service.volumeResult != SoundResult::kOk) return m_Service.volumeResult;
  volume = m_Volume;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::SetPan(int32_t pan) {
  m_Service.lastPan = pan;
  if (m_Service.panResult != SoundResult::kOk) return m_Service.panResult;
  m_Pan = pan;
  return SoundResult::kOk;
}

SoundResult VirtualSoundRing::GetPan(int32_t& pan) {
  if (m_Service.panResult != SoundResult::kOk) return m_Service.panResult;
  pan = m_Pan;
  return SoundResult::kOk;
}

}  // namespace platform
