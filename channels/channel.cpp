#include "channels/channel.h"

#include <cstring>
#include <new>
#include <string>

#include "channels/output_format.h"
#include "channels/tempo.h"
#include "platform/hostfs.h"

namespace {

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// v + d without overflow, held to the 32-bit range.
int32_t SaturatingAdd(int32_t v, int32_t d) {
  int64_t sum = int64_t{v} + d;
  if (sum > INT32_MAX) return INT32_MAX;
  if (sum < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(sum);
}

}  // namespace

tChannel::tChannel() = default;

tChannel::~tChannel() {
  tLock lock(m_Lock);
  ReleaseSounds();
}

bool tChannel::IsDue(uint32_t now, uint32_t time) {
  return time != kNoTime && static_cast<int32_t>(now - time) >= 0;
}

uint32_t tChannel::LoopLength() const {
  return BeatsToFrames(SamplesPerBeat(), m_Loop.load());
}

uint32_t tChannel::DelayLength() const {
  return BeatsToFrames(SamplesPerBeat(), m_Delay.load());
}

uint32_t tChannel::QuantizeUnit() const {
  const double quantize = m_Quantize.load();
  if (quantize == 0.0) return 1;
  uint32_t unit = BeatsToFrames(SamplesPerBeat(), quantize);
  return unit == 0 ? 1 : unit;
}

bool tChannel::PrepareEmpty() {
  tLock lock(m_Lock);
  ReleaseSounds();
  WAVEFORMATEX out;
  ReadOutputFormat(out);
  WAVEFORMATEX format{};
  format.wFormatTag = kWaveFormatPcm;
  format.nChannels = out.nChannels;
  format.nSamplesPerSec = out.nSamplesPerSec;
  format.wBitsPerSample = out.wBitsPerSample;
  format.nBlockAlign = static_cast<uint16_t>(out.nChannels * out.wBitsPerSample / 8);
  format.nAvgBytesPerSec = format.nBlockAlign * out.nSamplesPerSec;
  format.cbSize = 0;
  std::unique_ptr<tSound> sound(new (std::nothrow) tSound);
  if (sound == nullptr || !sound->Create(format, 32)) return false;
  m_pSnd = std::move(sound);
  return true;
}

void tChannel::Reset() {
  tLock lock(m_Lock);
  ReleaseAll();
  m_SndLabel.Assign("");
  m_SndSerial = 0;
  m_SfxLabel.Assign("");
  m_SfxSerial = 0;
  m_FileLabel.Assign("");
  m_FileSerial = 0;
  m_FilePath.Assign("");
  m_KeyHeld = false;
  m_Latched = false;
  m_FxOn = false;
  SetVolume(80);
  SetBalance(0);
  SetPitch(0.0);
  m_BaseVolume = 80;
  m_BaseBalance = 0;
  m_Quantize = 0.0;
  m_Loop = 0.0;
  m_Delay = 0.0;
  m_NextStart = kNoTime;
  m_Suspended = false;
}

void tChannel::ReleaseAll() {
  tLock lock(m_Lock);
  StopLocked(false);
  ReleaseSounds();
}

void tChannel::ReleaseSounds() {
  m_pCurrent = nullptr;
  m_pSnd.reset();
  m_SndPath.Assign("");
  m_pSfx.reset();
  m_SfxPath.Assign("");
}

tChannel::tLoaded tChannel::Read(const std::string& path, const WAVEFORMATEX* format) {
  tLoaded loaded;
  // A path the desk's buffers cannot hold is refused rather than cut: a cut
  // path could name another file.
  if (path.empty() || path.size() > platform::kMaxPath) return loaded;
  std::unique_ptr<tSound> sound(new (std::nothrow) tSound);
  if (sound == nullptr || !sound->Load(path)) return loaded;
  loaded.read = true;
  sound->GetFormat(loaded.fileFormat);
  if (format != nullptr && !sound->ConvertTo(*format)) return loaded;
  const tFileName where(path.c_str());
  loaded.label.SetToVolumeLabelOf(where);
  loaded.serial = tFileName::VolumeSerialOf(where);
  loaded.sound = std::move(sound);
  return loaded;
}

bool tChannel::Install(tWhich which, const std::string& path, tLoaded& loaded) {
  tLock lock(m_Lock);
  std::unique_ptr<tSound>& sound = SoundRef(which);
  tFileName& soundPath = which == kMain ? m_SndPath : m_SfxPath;
  tFileName& label = which == kMain ? m_SndLabel : m_SfxLabel;
  uint32_t& serial = which == kMain ? m_SndSerial : m_SfxSerial;

  if (m_pCurrent != nullptr && m_pCurrent == sound.get()) {
    m_pCurrent = nullptr;
    sound->Stop();
  }
  sound.reset();
  soundPath.Assign("");
  label.Assign("");
  serial = 0;
  // A file that was read keeps its stored format on record, also when its
  // sound could not take the output format and is gone again.
  if (loaded.read) (which == kMain ? m_SndFormat : m_SfxFormat) = loaded.fileFormat;
  if (loaded.sound == nullptr) {
    // A main sound read but not converted was the current one for a moment.
    if (loaded.read && which == kMain) m_pCurrent = nullptr;
    return false;
  }
  sound = std::move(loaded.sound);
  soundPath.Assign(path.c_str());
  label.Assign(loaded.label);
  serial = loaded.serial;
  ApplyParameters(sound.get());
  if (which == kMain) m_pCurrent = sound.get();
  return true;
}

bool tChannel::LoadSound(tWhich which, const char* path) {
  // A copy: the path may be this channel's own path field, which the swap clears.
  const std::string wanted = path != nullptr ? path : "";
  tLoaded loaded = Read(wanted, nullptr);
  return Install(which, wanted, loaded);
}

bool tChannel::LoadSoundConverted(tWhich which, const char* path, const WAVEFORMATEX& format) {
  const std::string wanted = path != nullptr ? path : "";
  tLoaded loaded = Read(wanted, &format);
  return Install(which, wanted, loaded);
}

bool tChannel::ReloadSound(tWhich which, const WAVEFORMATEX& format) {
  // Sounds and paths change on this thread only, so they are read here
  // without the lock; the lock is taken for the swap alone.
  if (SoundRef(which) == nullptr) return false;
  const std::string path = (which == kMain ? m_SndPath : m_SfxPath).GetText();
  tLoaded loaded = Read(path, &format);
  if (loaded.sound == nullptr) return false;
  tLock lock(m_Lock);
  std::unique_ptr<tSound>& sound = SoundRef(which);
  ApplyParameters(loaded.sound.get());
  if (m_pCurrent == sound.get()) m_pCurrent = loaded.sound.get();
  sound = std::move(loaded.sound);
  (which == kMain ? m_SndFormat : m_SfxFormat) = loaded.fileFormat;
  (which == kMain ? m_SndLabel : m_SfxLabel).Assign(loaded.label);
  (which == kMain ? m_SndSerial : m_SfxSerial) = loaded.serial;
  return true;
}

void tChannel::ReleaseSound(tWhich which) {
  tLock lock(m_Lock);
  std::unique_ptr<tSound>& sound = SoundRef(which);
  if (sound == nullptr) return;
  // A channel playing the effect falls back to its main sound.
  if (m_pCurrent == sound.get()) m_pCurrent = which == kEffect ? m_pSnd.get() : nullptr;
  sound.reset();
  (which == kMain ? m_SndPath : m_SfxPath).Assign("");
  (which == kMain ? m_SndLabel : m_SfxLabel).Assign("");
  (which == kMain ? m_SndSerial : m_SfxSerial) = 0;
}

void tChannel::ApplyParameters(tSound* sound) {
  sound->SetVolume(m_Volume.load() / 100.0);
  sound->SetBalance(m_Balance.load() / 100.0);
  sound->SetPitch((100.0 + m_Pitch.load()) / 100.0);
}

void tChannel::RemoveEffect() {
  tLock lock(m_Lock);
  if (m_pSfx == nullptr) return;
  StopLocked(false);
  m_pCurrent = nullptr;
  m_pSfx.reset();
  m_SfxPath.Assign("");
  m_SfxLabel.Assign("");
  m_SfxSerial = 0;
  m_SfxFormat = WAVEFORMATEX{};
  m_pCurrent = m_pSnd.get();
}

void tChannel::SwapSounds() {
  tLock lock(m_Lock);
  if (!HasSound()) return;
  StopLocked(false);
  m_pCurrent = nullptr;
  std::swap(m_pSnd, m_pSfx);
  tFileName path(m_SndPath), label(m_SndLabel);
  m_SndPath.Assign(m_SfxPath);
  m_SfxPath.Assign(path);
  m_SndLabel.Assign(m_SfxLabel);
  m_SfxLabel.Assign(label);
  std::swap(m_SndSerial, m_SfxSerial);
  std::swap(m_SndFormat, m_SfxFormat);
  m_pCurrent = m_pSnd != nullptr ? m_pSnd.get() : m_pSfx.get();
}

bool tChannel::NeedsReload(tWhich which, const WAVEFORMATEX& wanted) {
  tLock lock(m_Lock);
  tSound* sound = SoundRef(which).get();
  if (sound == nullptr) return false;
  WAVEFORMATEX cur;
  sound->GetFormat(cur);
  const WAVEFORMATEX& file = which == kMain ? m_SndFormat : m_SfxFormat;
  if (cur.nSamplesPerSec < wanted.nSamplesPerSec && cur.nSamplesPerSec < file.nSamplesPerSec)
    return true;
  if (cur.wBitsPerSample < wanted.wBitsPerSample && cur.wBitsPerSample < file.wBitsPerSample)
    return true;
  if (cur.nChannels < wanted.nChannels && cur.nChannels < file.nChannels) return true;
  return false;
}

bool tChannel::ConvertSound(tWhich which, const WAVEFORMATEX& format) {
  tLock lock(m_Lock);
  tSound* sound = SoundRef(which).get();
  return sound != nullptr && sound->ConvertTo(format);
}

void tChannel::TriggerLocked(uint32_t now, int32_t samplesPerBeat) {
  if (!HasSound()) return;
  const double quantize = m_Quantize.load();
  uint32_t unit = quantize == 0.0 ? 1 : BeatsToFrames(samplesPerBeat, quantize);
  if (unit == 0) unit = 1;
  // The grid counts from the clock's beat 0; times wrap modulo 2^32.
  const uint32_t origin = GridOrigin();
  m_NextStart =
      origin + ((now - origin) / unit) * unit + BeatsToFrames(samplesPerBeat, m_Delay.load());
}

void tChannel::Trigger(uint32_t now) {
  tLock lock(m_Lock);
  TriggerLocked(now, SamplesPerBeat());
}

void tChannel::StopLocked(bool keepPlaying) {
  m_NextStart = kNoTime;
  if (keepPlaying) return;
  if (m_pSnd != nullptr) m_pSnd->Stop();
  if (m_pSfx != nullptr) m_pSfx->Stop();
}

void tChannel::Stop(bool keepPlaying) {
  tLock lock(m_Lock);
  StopLocked(keepPlaying);
}

void tChannel::Tick(uint32_t now) {
  tLock lock(m_Lock);
  if (!HasSound() || m_Loop.load() == 0.0) return;
  const int32_t spb = SamplesPerBeat();
  const uint32_t loop = BeatsToFrames(spb, m_Loop.load());
  // A loop shorter than one frame never starts, like a loop of 0 beats.
  if (loop == 0) return;
  if (m_Suspended.load() && IsDue(now, m_NextStart)) m_NextStart += loop;
  if (m_NextStart == kNoTime) return;
  if (m_pSfx != nullptr) {
    tSound* wanted = m_FxOn.load() ? m_pSfx.get() : m_pSnd.get();
    if (m_pCurrent != wanted) {
      if (m_pCurrent != nullptr) m_pCurrent->Stop();
      m_pCurrent = wanted;
      TriggerLocked(now, spb);
    }
  }
  if (IsDue(now, m_NextStart) && m_pCurrent != nullptr) {
    if (m_pCurrent->IsPlaying()) m_pCurrent->Stop();
    uint32_t late = now - m_NextStart;
    if (late < kLateFrames) late = 0;
    if (late < m_pCurrent->GetLength()) m_pCurrent->Play(late);
    m_NextStart += loop;
  }
}

bool tChannel::IsScheduled() {
  tLock lock(m_Lock);
  return m_NextStart != kNoTime;
}

void tChannel::SetSuspended(bool on) {
  tLock lock(m_Lock);
  m_Suspended = on;
  if (on) {
    m_SavedStart = m_NextStart;
    m_SavedFxOn = m_FxOn.load();
  } else {
    // A channel that was not scheduled when it was suspended stays so.
    m_NextStart = m_SavedStart == kNoTime ? kNoTime : m_SavedStart - LoopLength();
    m_FxOn = m_SavedFxOn;
  }
}

void tChannel::EndSuspension() {
  tLock lock(m_Lock);
  m_Suspended = false;
}

void tChannel::SetVolume(int32_t volume) {
  tLock lock(m_Lock);
  m_Volume = Clamp(volume, 0, 100);
  const double v = m_Volume.load() / 100.0;
  if (m_pSnd != nullptr) m_pSnd->SetVolume(v);
  if (m_pSfx != nullptr) m_pSfx->SetVolume(v);
}

void tChannel::AdjustVolume(int32_t delta) {
  tLock lock(m_Lock);  // the step reads and sets the value as one
  SetVolume(SaturatingAdd(m_Volume.load(), delta));
}

void tChannel::SetBalance(int32_t balance) {
  tLock lock(m_Lock);
  m_Balance = Clamp(balance, -100, 100);
  const double b = m_Balance.load() / 100.0;
  if (m_pSnd != nullptr) m_pSnd->SetBalance(b);
  if (m_pSfx != nullptr) m_pSfx->SetBalance(b);
}

void tChannel::AdjustBalance(int32_t delta) {
  tLock lock(m_Lock);  // the step reads and sets the value as one
  SetBalance(SaturatingAdd(m_Balance.load(), delta));
}

void tChannel::SetPitch(double pitch) {
  tLock lock(m_Lock);
  m_Pitch = pitch;
  const double ratio = (100.0 + pitch) / 100.0;
  if (m_pSnd != nullptr) m_pSnd->SetPitch(ratio);
  if (m_pSfx != nullptr) m_pSfx->SetPitch(ratio);
}

void tChannel::AdjustPitch(double delta) {
  const double sum = m_Pitch.load() + delta;
  if (delta <= 0.0) {
    if (sum > -20.0) SetPitch(sum);
  } else {
    if (sum < 20.0) SetPitch(sum);
  }
}

void tChannel::SetFile(const tFileName& path, const tFileName& label, uint32_t serial) {
  tLock lock(m_Lock);
  m_FilePath.Assign(path);
  m_FileLabel.Assign(label);
  m_FileSerial = serial;
}

const WAVEFORMATEX& tChannel::GetFileFormat(tWhich which) const {
  return which == kMain ? m_SndFormat : m_SfxFormat;
}

tSound* tChannel::GetCurrent() {
  tLock lock(m_Lock);
  return m_pCurrent;
}

uint32_t tChannel::GetNextStart() {
  tLock lock(m_Lock);
  return m_NextStart;
}

uint32_t tChannel::GetSavedStart() {
  tLock lock(m_Lock);
  return m_SavedStart;
}
