#include "audio/speaker.h"

#include <cmath>
#include <cstring>
#include <new>

#include "platform/clock.h"
#include "platform/last_error.h"
#include "platform/trace.h"

namespace {

// Set while a page timer callback runs; an event that finds it set is
// dropped rather than queued.
std::atomic<bool> g_InCallback{false};
// Counts the rebuilds after failed unlocks.
std::atomic<long> g_RepairCount{0};

using platform::SoundResult;

// The last-error number the speaker leaves for what the sound device said.
uint32_t ErrorCodeOf(SoundResult result) {
  switch (result) {
    case SoundResult::kOk:
      return platform::kErrorNone;
    case SoundResult::kFailed:
      break;
    case SoundResult::kInvalidArgument:
      return platform::kErrorSoundInvalidParam;
    case SoundResult::kUnplayableFormat:
      return platform::kErrorSoundBadFormat;
    case SoundResult::kNoDriver:
      return platform::kErrorSoundNoDriver;
    case SoundResult::kWrongState:
      return platform::kErrorSoundInvalidCall;
    case SoundResult::kRingLost:
      return platform::kErrorSoundBufferLost;
  }
  return platform::kErrorSoundFailed;
}

void TraceFailure(uint32_t code, const char* text) {
  platform::SetLastErrorCode(code);
  platform::Trace("%s", text);
}

void TraceFailure(SoundResult result, const char* text) {
  TraceFailure(ErrorCodeOf(result), text);
}

}  // namespace

tSpeakerPlayback::tSpeakerPlayback(platform::SoundService& sound,
                                   platform::PeriodicTimerService& timers)
    : m_pSound(&sound), m_pTimers(&timers) {}

tSpeakerPlayback::~tSpeakerPlayback() {
  tSpeakerPlayback::Close();
}

void tSpeakerPlayback::SetBackEnds(platform::SoundService& sound,
                                   platform::PeriodicTimerService& timers) {
  tLock lock(m_Lock);
  if (m_pDevice || m_TimerId.load() != 0 || m_PeriodBegun) return;
  m_pSound = &sound;
  m_pTimers = &timers;
}

// ---- set-up ----

bool tSpeakerPlayback::Create() {
  tLock lock(m_Lock);
  if (!CreateDevice()) return false;
  SetDefaultFormat(true);
  // A device opened again after Close keeps its format but needs its page.
  if (!m_pPage) Update();
  if (!m_PeriodBegun) {
    const uint32_t result = m_pTimers->BeginPeriod(1);
    if (result != platform::kTimerOk) {
      TraceFailure(result, "tSpeakerPlayback::Create => timeBeginPeriod failed\n");
      return false;
    }
    m_PeriodBegun = true;
  }
  return true;
}

bool tSpeakerPlayback::CreateDevice() {
  tLock lock(m_Lock);
  ReleaseBuffers();
  ReleaseDevice();
  const SoundResult result = m_pSound->OpenDevice(m_pDevice);
  if (result != SoundResult::kOk || !m_pDevice) {
    m_pDevice.reset();
    TraceFailure(result != SoundResult::kOk ? result : SoundResult::kFailed,
                 "tSpeakerPlayback::CreateDevice => DirectSoundCreate failed\n");
    return false;
  }
  return true;
}

bool tSpeakerPlayback::CreateBuffer() {
  tLock lock(m_Lock);
  if (!m_pPrimary) {
    SoundResult result = m_pDevice ? m_pDevice->CreateRing(m_pPrimary) : SoundResult::kWrongState;
    if (result != SoundResult::kOk || !m_pPrimary) {
      m_pPrimary.reset();
      TraceFailure(result != SoundResult::kOk ? result : SoundResult::kFailed,
                   "tSpeakerPlayback::CreateBuffer => IDirectSoundBuffer::CreateSoundBuffer "
                   "(primary) failed\n");
      return false;
    }
    const platform::PcmFormat format{m_Format.nSamplesPerSec, m_Format.nChannels,
                                     m_Format.wBitsPerSample};
    result = m_pPrimary->SetFormat(format);
    if (result != SoundResult::kOk) {
      // Dropped, so that the next attempt makes the ring and sets its format again.
      m_pPrimary.reset();
      TraceFailure(result,
                   "tSpeakerPlayback::CreateBuffer => IDirectSoundBuffer::SetFormat (primary) "
                   "failed\n");
      return false;
    }
  }
  if (m_pBuffer == nullptr) {
    uint32_t size = 0;
    const SoundResult result = m_pPrimary->GetSize(size);
    if (result != SoundResult::kOk || size == 0) {
      TraceFailure(result != SoundResult::kOk ? result : SoundResult::kFailed,
                   "tSpeakerPlayback::CreateBuffer => IDirectSoundBuffer::GetCaps failed\n");
      return false;
    }
    m_pBuffer = m_pPrimary.get();
    m_BufferSize = size;
  }
  return true;
}

void tSpeakerPlayback::Update() {
  tLock lock(m_Lock);
  m_PageFrames = m_Format.nSamplesPerSec * m_PageMs / 1000;
  m_PageSize = m_Format.nBlockAlign * m_PageFrames;
  m_WritePos = -1;
  m_pPage.reset();
  m_pPage.reset(new (std::nothrow) uint8_t[m_PageSize == 0 ? 1 : m_PageSize]);
  if (!m_pPage) {
    platform::SetLastErrorCode(platform::kErrorNotEnoughMemory);
    platform::Trace("tSpeakerPlayback::Update => Failed to allocate page buffer of %d bytes\n",
                    static_cast<int>(m_PageSize));
  } else {
    std::memset(m_pPage.get(), Silence(), m_PageSize);
  }
  if (m_pSource) m_pSource->Recompute();
}

// ---- streaming control ----

bool tSpeakerPlayback::Start() {
  KillPageTimer();
  tLock lock(m_Lock);
  Stop();
  if (!CreateBuffer()) return false;
  if (m_pSource) m_pSource->Recompute();
  KickBuffer();
  // Writing one page ahead of the cursor needs room for two.
  if (m_PageSize == 0 || m_BufferSize < 2 * m_PageSize) {
    platform::SetLastErrorCode(platform::kErrorSoundInvalidParam);
    platform::Trace(
        "tSpeakerPlayback::Start => Sound buffer of %u bytes is shorter than two pages of %u "
        "bytes\n",
        m_BufferSize, m_PageSize);
    return false;
  }
  const uint32_t id =
      m_pTimers->SetEvent(m_PageMs / 2, 1, &tSpeakerPlayback::TimerProc,
                          reinterpret_cast<uintptr_t>(this), platform::kTimerPeriodic);
  if (id == 0) {
    platform::SetLastErrorCode(platform::kTimerNoCanDo);
    platform::Trace("tSpeakerPlayback::Start => Failed to start the page timer\n");
    return false;
  }
  m_TimerId.store(id);
  return true;
}

void tSpeakerPlayback::Stop() {
  KillPageTimer();
  tLock lock(m_Lock);
  if (m_pBuffer) {
    m_pBuffer->Stop();
    ClearBuffer();
  }
}

void tSpeakerPlayback::SetFormat(const WAVEFORMATEX& format) {
  KillPageTimer();
  tLock lock(m_Lock);
  ReleaseBuffers();
  tSoundOutput::SetFormat(format);
  Update();
}

void tSpeakerPlayback::Close() {
  KillPageTimer();
  {
    tLock lock(m_Lock);
    ReleaseBuffers();
    ReleaseDevice();
    if (m_PeriodBegun) {
      m_pTimers->EndPeriod(1);
      m_PeriodBegun = false;
    }
    m_pPage.reset();
    m_PageSize = 0;
  }
  tSoundOutput::Close();
}

void tSpeakerPlayback::KillPageTimer() {
  // Called before the device lock is taken: the kill waits for a callback
  // that is running, and that callback may be waiting for the lock. The id
  // is cleared first, so that such a callback writes nothing once it has
  // the lock.
  const uint32_t id = m_TimerId.exchange(0);
  if (id != 0) m_pTimers->KillEvent(id);
}

void tSpeakerPlayback::ReleaseBuffers() {
  if (m_pPrimary) m_pPrimary->Stop();
  m_pBuffer = nullptr;
  m_pPrimary.reset();
}

void tSpeakerPlayback::ReleaseDevice() {
  m_pDevice.reset();
}

void tSpeakerPlayback::Rebuild() {
  ReleaseBuffers();
  ReleaseDevice();
  if (CreateDevice() && CreateBuffer()) KickBuffer();
}

// ---- the ring ----

bool tSpeakerPlayback::KickBuffer() {
  tLock lock(m_Lock);
  m_WritePos = -1;
  if (!m_pBuffer) return false;
  SoundResult result = m_pBuffer->Play();
  if (result == SoundResult::kOk) return true;
  if (result == SoundResult::kRingLost) {
    result = m_pBuffer->Restore();
    if (result != SoundResult::kOk) {
      TraceFailure(result, "tSpeakerPlayback::KickBuffer => IDirectSoundBuffer::Restore failed\n");
      return false;
    }
    ClearBuffer();
    result = m_pBuffer->Play();
    if (result != SoundResult::kOk) {
      TraceFailure(result, "tSpeakerPlayback::KickBuffer => IDirectSoundBuffer::Play failed\n");
      return false;
    }
    return true;
  }
  TraceFailure(result, "tSpeakerPlayback::KickBuffer => IDirectSoundBuffer::Play failed\n");
  return false;
}

void tSpeakerPlayback::ClearBuffer() {
  tLock lock(m_Lock);
  if (!m_pBuffer) return;
  platform::RingPieces pieces;
  const SoundResult result = m_pBuffer->Lock(0, m_BufferSize, pieces);
  if (result != SoundResult::kOk) {
    TraceFailure(result, "tSpeakerPlayback::ClearBuffer => IDirectSoundBuffer::Lock failed\n");
    return;
  }
  std::memset(pieces.first, Silence(), pieces.firstBytes);
  if (pieces.second) std::memset(pieces.second, Silence(), pieces.secondBytes);
  m_pBuffer->Unlock(pieces);
}

bool tSpeakerPlayback::GetPlayPos(uint32_t& playCursor) {
  tLock lock(m_Lock);
  if (!m_pBuffer) return false;
  uint32_t status = 0;
  SoundResult result = m_pBuffer->GetStatus(status);
  if (result != SoundResult::kOk) {
    TraceFailure(result, "tSpeakerPlayback::GetPlayPos => IDirectSoundBuffer::GetStatus failed\n");
    KickBuffer();
    return false;
  }
  if (status & platform::kRingStatusLost) {
    TraceFailure(SoundResult::kFailed, "tSpeakerPlayback::GetPlayPos => Buffer is lost\n");
    KickBuffer();
    return false;
  }
  if ((status & platform::kRingStatusPlaying) == 0) {
    TraceFailure(SoundResult::kFailed, "tSpeakerPlayback::GetPlayPos => Buffer is not playing\n");
    KickBuffer();
    return false;
  }
  result = m_pBuffer->GetPlayCursor(playCursor);
  if (result != SoundResult::kOk) {
    TraceFailure(result, "tSpeakerPlayback::GetPlayPos => GetCurrentPosition failed\n");
    KickBuffer();
    return false;
  }
  return true;
}

bool tSpeakerPlayback::LockBuffer(uint32_t offset, uint32_t bytes, platform::RingPieces& pieces) {
  tLock lock(m_Lock);
  const SoundResult result =
      m_pBuffer ? m_pBuffer->Lock(offset, bytes, pieces) : SoundResult::kWrongState;
  if (result != SoundResult::kOk) {
    platform::SetLastErrorCode(ErrorCodeOf(result));
    platform::Trace("tSpeakerPlayback::LockBuffer => Failed to lock sound buffer (%d,%d)\n",
                    static_cast<int>(offset), static_cast<int>(bytes));
    KickBuffer();
    return false;
  }
  return true;
}

bool tSpeakerPlayback::UnlockBuffer(const platform::RingPieces& pieces) {
  tLock lock(m_Lock);
  const SoundResult result = m_pBuffer ? m_pBuffer->Unlock(pieces) : SoundResult::kWrongState;
  if (result == SoundResult::kOk) return true;
  platform::SetLastErrorCode(ErrorCodeOf(result));
  platform::Trace("tSpeakerPlayback::UnlockBuffer => Failed to unlock sound buffer (%p,%d,%p,%d)\n",
                  static_cast<void*>(pieces.first), static_cast<int>(pieces.firstBytes),
                  static_cast<void*>(pieces.second), static_cast<int>(pieces.secondBytes));
  const long previous = g_RepairCount.fetch_add(1);
  platform::Trace("Tried to fix it... %ld %ld \n", previous,
                  static_cast<long>(platform::TickCountMs()));
  Rebuild();
  return false;
}

// ---- the page timer ----

void tSpeakerPlayback::TimerProc(uint32_t timerId, uintptr_t user) {
  if (g_InCallback.exchange(true)) {
    platform::Trace("tSpeakerPlayback::TimerProc => New event while handling previous\n");
    return;
  }
  auto* self = reinterpret_cast<tSpeakerPlayback*>(user);
  {
    // Nobody holds the device lock while stopping this timer, so waiting
    // for it here cannot keep a kill from finishing.
    tLock lock(self->m_Lock);
    // An event of a timer stopped meanwhile writes nothing.
    if (self->m_TimerId.load() == timerId) self->FillNextPage();
  }
  g_InCallback.store(false);
}

void tSpeakerPlayback::FillNextPage() {
  tLock lock(m_Lock);
  if (!m_pBuffer) {
    platform::Trace("tSpeakerPlayback::FillNextPage => No sound buffer\n");
    Rebuild();
    return;
  }
  if (!m_pPage || m_PageSize == 0) {
    platform::Trace("tSpeakerPlayback::FillNextPage => No page buffer\n");
    return;
  }
  uint32_t playCursor = 0;
  if (!GetPlayPos(playCursor)) {
    platform::Trace("tSpeakerPlayback::FillNextPage => GetPlayPos failed\n");
    return;
  }
  const uint32_t target = (playCursor + m_PageSize) % m_BufferSize;
  if (m_WritePos == -1) {
    m_WritePos = static_cast<int32_t>(target);
  } else {
    // How far the write position is behind where the next page is needed,
    // wrapped into half a ring either way: negative means ahead.
    int32_t d = static_cast<int32_t>(target) - m_WritePos;
    const int32_t size = static_cast<int32_t>(m_BufferSize);
    const int32_t half = size / 2;
    if (d < -half) d += size;
    if (d > half) d -= size;
    // Still ahead of where the next page is needed.
    if (d < 0) return;
  }

  // A source that is being linked to another device no longer renders here;
  // without a source the page is silence.
  tSoundSource* source = m_pSource;
  if (source && source->Output() == this) {
    source->Mix();
    source->Render(m_pPage.get(), m_PageSize);
    source->MixDone();
  } else {
    std::memset(m_pPage.get(), Silence(), m_PageSize);
  }

  platform::RingPieces pieces;
  if (!LockBuffer(static_cast<uint32_t>(m_WritePos), m_PageSize, pieces)) {
    platform::Trace("tSpeakerPlayback::FillNextPage => LockBuffer failed\n");
    return;
  }
  std::memcpy(pieces.first, m_pPage.get(), pieces.firstBytes);
  if (pieces.second)
    std::memcpy(pieces.second, m_pPage.get() + pieces.firstBytes, pieces.secondBytes);
  if (!UnlockBuffer(pieces)) {
    platform::Trace("tSpeakerPlayback::FillNextPage => UnlockBuffer failed\n");
    return;
  }
  m_WritePos =
      static_cast<int32_t>((static_cast<uint32_t>(m_WritePos) + m_PageSize) % m_BufferSize);
  m_FramesDone += m_PageFrames;
}

// ---- the device's own controls ----

int32_t tSpeakerPlayback::ToUnits(double factor) {
  if (!(factor > 0.0)) return platform::kSoundVolumeMin;
  const double units = 100.0 * std::log2(factor);
  if (units < platform::kSoundVolumeMin) return platform::kSoundVolumeMin;
  if (units > -static_cast<double>(platform::kSoundVolumeMin)) return -platform::kSoundVolumeMin;
  return static_cast<int32_t>(units);
}

double tSpeakerPlayback::FromUnits(int32_t units) {
  if (units == platform::kSoundVolumeMin) return 0.0;
  return std::exp2(units / 100.0);
}

bool tSpeakerPlayback::SetPitch(double pitch) {
  tLock lock(m_Lock);
  const double hz = m_Format.nSamplesPerSec * pitch;
  const SoundResult result = !m_pBuffer ? SoundResult::kWrongState
                             : !(hz >= 0.0 && hz < 4294967296.0)
                                 ? SoundResult::kInvalidArgument
                                 : m_pBuffer->SetFrequency(static_cast<uint32_t>(hz));
  if (result != SoundResult::kOk) {
    platform::SetLastErrorCode(ErrorCodeOf(result));
    return false;
  }
  return true;
}

double tSpeakerPlayback::GetPitch() {
  tLock lock(m_Lock);
  uint32_t hz = 0;
  if (!m_pBuffer || m_Format.nSamplesPerSec == 0 || m_pBuffer->GetFrequency(hz) != SoundResult::kOk)
    return 1.0;
  return static_cast<double>(hz) / m_Format.nSamplesPerSec;
}

bool tSpeakerPlayback::SetVolume(double volume) {
  tLock lock(m_Lock);
  const SoundResult result =
      m_pBuffer ? m_pBuffer->SetVolume(ToUnits(volume)) : SoundResult::kWrongState;
  if (result != SoundResult::kOk) {
    platform::SetLastErrorCode(ErrorCodeOf(result));
    return false;
  }
  return true;
}

double tSpeakerPlayback::GetVolume() {
  tLock lock(m_Lock);
  int32_t units = 0;
  if (!m_pBuffer || m_pBuffer->GetVolume(units) != SoundResult::kOk) return 1.0;
  return FromUnits(units);
}

bool tSpeakerPlayback::SetBalance(double balance) {
  tLock lock(m_Lock);
  const int32_t side = balance <= 0.0 ? -1 : 1;
  const int32_t pan = -(side * ToUnits(1.0 - std::fabs(balance)));
  const SoundResult result = m_pBuffer ? m_pBuffer->SetPan(pan) : SoundResult::kWrongState;
  if (result != SoundResult::kOk) {
    platform::SetLastErrorCode(ErrorCodeOf(result));
    return false;
  }
  return true;
}

double tSpeakerPlayback::GetBalance() {
  tLock lock(m_Lock);
  int32_t pan = 0;
  if (!m_pBuffer || m_pBuffer->GetPan(pan) != SoundResult::kOk) return 0.0;
  const double side = pan <= 0 ? -1.0 : 1.0;
  return side * (1.0 - FromUnits(-std::abs(pan)));
}

// ---- inspection ----

uint32_t tSpeakerPlayback::FramesWritten() {
  tLock lock(m_Lock);
  return m_FramesDone;
}

int32_t tSpeakerPlayback::WritePos() {
  tLock lock(m_Lock);
  return m_WritePos;
}

uint32_t tSpeakerPlayback::BufferSize() {
  tLock lock(m_Lock);
  return m_BufferSize;
}

uint32_t tSpeakerPlayback::PageSize() {
  tLock lock(m_Lock);
  return m_PageSize;
}

bool tSpeakerPlayback::HasDevice() {
  tLock lock(m_Lock);
  return m_pDevice != nullptr;
}

bool tSpeakerPlayback::HasBuffer() {
  tLock lock(m_Lock);
  return m_pBuffer != nullptr;
}

bool tSpeakerPlayback::PeriodBegun() {
  tLock lock(m_Lock);
  return m_PeriodBegun;
}

const uint8_t* tSpeakerPlayback::PageBuffer() {
  tLock lock(m_Lock);
  return m_pPage.get();
}

long tSpeakerPlayback::RepairCount() {
  return g_RepairCount.load();
}
