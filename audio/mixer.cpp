// Sources and the mix bus.
#include <algorithm>
#include <cstring>
#include <new>

#include "audio/mix_arith.h"
#include "audio/mixer.h"
#include "audio/sound_output.h"
#include "audio/voice.h"

using audio_arith::Clamp;
using audio_arith::Clamp64;
using audio_arith::Mul;

namespace {

BREVORA_VECTOR_CLONES void ApplyGains(int32_t* __restrict acc, size_t frames, int32_t gl,
                                      int32_t gr) {
#pragma omp simd
  for (size_t j = 0; j < frames; ++j) {
    acc[2 * j] = Mul(acc[2 * j], gl);
    acc[2 * j + 1] = Mul(acc[2 * j + 1], gr);
  }
}

// Renders n pairs from src into the layout code, then silence up to frames.
// The accumulator holds 16-bit samples times the master gain (256 = unity):
// every layout shifts right by 8 to undo the gain, by 8 more for 8-bit
// samples, and by 1 more where mono averages the two sides.
BREVORA_VECTOR_CLONES void RenderFrames(uint32_t code, const int32_t* __restrict src,
                                        uint8_t* __restrict dest, size_t n, size_t frames) {
  int16_t* __restrict d16 = reinterpret_cast<int16_t*>(dest);
  switch (code) {
    case kFormat8Mono:
#pragma omp simd
      for (size_t j = 0; j < n; ++j) {
        const int64_t v = (int64_t{src[2 * j]} + src[2 * j + 1]) >> 17;  // 8 + 8 + 1
        dest[j] = static_cast<uint8_t>(Clamp64(v, -128, 127) + 128);
      }
      std::memset(dest + n, 128, frames - n);
      break;
    case kFormat16Mono:
#pragma omp simd
      for (size_t j = 0; j < n; ++j) {
        const int64_t v = (int64_t{src[2 * j]} + src[2 * j + 1]) >> 9;  // 8 + 1
        d16[j] = static_cast<int16_t>(Clamp64(v, -32768, 32767));
      }
      std::memset(d16 + n, 0, (frames - n) * 2);
      break;
    case kFormat8Stereo:
#pragma omp simd
      for (size_t j = 0; j < 2 * n; ++j) {
        dest[j] = static_cast<uint8_t>(Clamp(src[j] >> 16, -128, 127) + 128);  // 8 + 8
      }
      std::memset(dest + 2 * n, 128, (frames - n) * 2);
      break;
    default:
#pragma omp simd
      for (size_t j = 0; j < 2 * n; ++j) {
        d16[j] = static_cast<int16_t>(Clamp(src[j] >> 8, -32768, 32767));  // the gain
      }
      std::memset(d16 + 2 * n, 0, (frames - n) * 4);
      break;
  }
}

}  // namespace

// ---- tSoundSource ----

tSoundSource::tSoundSource() = default;

tSoundSource::~tSoundSource() {
  tSoundSource::SetOutput(nullptr);
}

void tSoundSource::SetOutput(tSoundOutput* output) {
  tSoundOutput* old = nullptr;
  {
    tLock lock(m_Lock);
    old = m_pOutput.load(std::memory_order_relaxed);
    if (old == output) return;
    m_pOutput.store(output, std::memory_order_release);
  }
  // The other side is told without this lock held; each side re-checks, so
  // the calls settle with both links in agreement.
  if (old && old->Source() == this) old->SetSource(nullptr);
  if (output) output->SetSource(this);
}

void tSoundSource::Mix() {}
void tSoundSource::MixDone() {}
void tSoundSource::Recompute() {}

// ---- tMixer ----

tMixer::tMixer() = default;

tMixer::~tMixer() {
  for (;;) {
    tVoice* voice = nullptr;
    {
      tLock lock(m_Lock);
      voice = m_pVoices;
    }
    if (!voice) break;
    voice->SetMixer(nullptr);
    tLock lock(m_Lock);
    if (m_pVoices == voice) m_pVoices = voice->m_pNext;  // a voice that did not know us
  }
  {
    tLock lock(m_Lock);
    m_pAccum.reset();
    m_pRead = nullptr;
    m_Frames = 0;
  }
  tSoundSource::SetOutput(nullptr);
}

bool tMixer::SetPitch(double pitch) {
  tLock lock(m_Lock);
  tSoundParams::SetPitch(pitch);
  Recompute();
  return true;
}
double tMixer::GetPitch() {
  return tSoundParams::GetPitch();
}
bool tMixer::SetVolume(double volume) {
  tLock lock(m_Lock);
  tSoundParams::SetVolume(volume);
  Recompute();
  return true;
}
double tMixer::GetVolume() {
  return tSoundParams::GetVolume();
}
bool tMixer::SetBalance(double balance) {
  tLock lock(m_Lock);
  tSoundParams::SetBalance(balance);
  Recompute();
  return true;
}
double tMixer::GetBalance() {
  return tSoundParams::GetBalance();
}

void tMixer::SetOutput(tSoundOutput* output) {
  tSoundSource::SetOutput(output);
  Recompute();
}

void tMixer::Mix() {
  MixWith(false);
}

void tMixer::MixReference() {
  MixWith(true);
}

void tMixer::MixWith(bool reference) {
  tLock lock(m_Lock);
  int32_t* __restrict acc = m_pAccum.get();
  const size_t frames = m_Frames;
  m_pRead = acc;
  if (!acc) return;
  std::memset(acc, 0, frames * 2 * sizeof(int32_t));
  for (tVoice* voice = m_pVoices; voice; voice = voice->m_pNext) {
    voice->BeginMix();
    if (reference) {
      voice->MixIntoReference(acc, m_Frames);
    } else {
      voice->MixInto(acc, m_Frames);
    }
    voice->EndMix();
  }
  ApplyGains(acc, frames, m_GainLeft, m_GainRight);
}

void tMixer::MixDone() {}

void tMixer::Render(uint8_t* dest, uint32_t bytes) {
  tLock lock(m_Lock);
  tSoundOutput* output = Output();
  if (!output || !dest) return;
  const uint32_t code = output->Code();
  const size_t frames = bytes / FrameBytesOfCode(code);
  size_t available = 0;
  if (m_pRead && m_pAccum)
    available = static_cast<size_t>(m_pAccum.get() + 2 * size_t{m_Frames} - m_pRead) / 2;
  const size_t n = std::min(frames, available);
  RenderFrames(code, m_pRead, dest, n, frames);
  if (m_pRead) m_pRead += 2 * n;
}

void tMixer::Recompute() {
  tLock lock(m_Lock);
  tSoundOutput* output = Output();
  if (output && output->PageFrames() != m_Frames) {
    m_pAccum.reset();
    m_pRead = nullptr;
    m_Frames = output->PageFrames();
    m_pAccum.reset(new (std::nothrow) int32_t[2 * size_t{m_Frames}]());
    if (!m_pAccum) m_Frames = 0;
  }
  double left = 0;
  double right = 0;
  GetGains(left, right);
  m_GainLeft = GainToInt(left);
  m_GainRight = GainToInt(right);
  for (tVoice* voice = m_pVoices; voice; voice = voice->m_pNext) voice->Recalc();
}

uint32_t tMixer::CopyMix(int32_t* dest, uint32_t maxFrames) {
  tLock lock(m_Lock);
  if (!m_pAccum || !dest) return 0;
  const uint32_t n = std::min(maxFrames, m_Frames);
  std::memcpy(dest, m_pAccum.get(), size_t{n} * 2 * sizeof(int32_t));
  return n;
}

void tMixer::AddVoice(tVoice* voice) {
  tLock lock(m_Lock);
  voice->m_pNext = m_pVoices;
  m_pVoices = voice;
}

void tMixer::RemoveVoice(tVoice* voice) {
  tLock lock(m_Lock);
  for (tVoice** link = &m_pVoices; *link; link = &(*link)->m_pNext) {
    if (*link == voice) {
      *link = voice->m_pNext;
      voice->m_pNext = nullptr;
      return;
    }
  }
}

uint32_t tMixer::Frames() {
  tLock lock(m_Lock);
  return m_Frames;
}
int32_t tMixer::GainLeft() {
  tLock lock(m_Lock);
  return m_GainLeft;
}
int32_t tMixer::GainRight() {
  tLock lock(m_Lock);
  return m_GainRight;
}

tMixer& SystemMixer() {
  static tMixer mixer;
  return mixer;
}
