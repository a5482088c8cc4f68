#include "audio/sound.h"

#include "platform/clock.h"
#include "platform/last_error.h"

tSound::~tSound() {
  Unload();
}

bool tSound::Load(const std::string& path) {
  Unload();
  if (!m_Wave.LoadWave(path)) return false;
  m_Voice.SetWave(&m_Wave);
  m_Voice.SetMixer(&SystemMixer());
  return true;
}

bool tSound::Create(const WAVEFORMATEX& format, uint32_t bytes) {
  Unload();
  // Only the four layouts can be mixed.
  if (!IsEngineLayout(format)) {
    platform::SetLastErrorCode(platform::kErrorWaveFormat);
    return false;
  }
  m_Wave.SetFormat(format);
  if (!m_Wave.Allocate(bytes)) return false;
  m_Voice.SetWave(&m_Wave);
  m_Voice.SetMixer(&SystemMixer());
  return true;
}

void tSound::Unload() {
  m_Voice.SetMixer(nullptr);
  m_Voice.SetWave(nullptr);
  m_Wave.Free();
}

void tSound::Play(uint32_t frame) {
  m_Voice.PlayAt(false, frame);
}

void tSound::Stop() {
  m_Voice.Stop();
}

bool tSound::IsPlaying() {
  return m_Voice.IsPlaying();
}

void tSound::SetVolume(double volume) {
  m_Voice.SetVolume(volume);
}
void tSound::SetBalance(double balance) {
  m_Voice.SetBalance(balance);
}
void tSound::SetPitch(double pitch) {
  m_Voice.SetPitch(pitch);
}

uint32_t tSound::GetLength() const {
  return m_Wave.Frames();
}

void tSound::GetFormat(WAVEFORMATEX& format) const {
  m_Wave.GetFormat(format);
}

bool tSound::ConvertTo(const WAVEFORMATEX& format) {
  m_Voice.SetWave(nullptr);
  const bool ok = m_Wave.Convert(format);
  m_Voice.SetWave(&m_Wave);
  return ok;
}

void tSound::WaitWhilePlaying(uint32_t timeoutMs) {
  const uint32_t start = platform::TickCountMs();
  while (IsPlaying() && platform::TickCountMs() - start <= timeoutMs) platform::SleepMs(5);
}
