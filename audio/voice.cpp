// Voices: the step and gains, and the mixing loops.
#include "audio/voice.h"

#include <algorithm>
#include <cmath>

#include "audio/mix_arith.h"
#include "audio/mixer.h"
#include "audio/sound_output.h"
#include "audio/wave.h"

using audio_arith::Add;
using audio_arith::Mul;

// ---- mixing loops ----
//
// Every loop adds samples at 16-bit scale: a 16-bit sample times its gain
// (256 = unity) shifts right by 8, while an 8-bit sample (-128..127) times
// its gain is already at 16-bit scale, 256 times its own.

namespace {

// Unit step, gains that fit 16 bits (every ordinary gain: 0..256): the
// products are 16 x 16 -> 32-bit and cannot overflow, so the plain multiply
// gives the same values as the wrapping one and vectorises as a widening
// multiply. Frames are contiguous from i0.
template <uint32_t kCode>
__attribute__((noinline)) BREVORA_VECTOR_CLONES void MixUnitNarrowGains(const uint8_t* data,
                                                                        int32_t* __restrict acc,
                                                                        size_t i0, size_t m,
                                                                        int16_t gl, int16_t gr) {
  // The widening casts stand at each multiply so that the vectoriser sees
  // 16 x 16-bit products.
  if constexpr (kCode == kFormat8Mono) {
    const uint8_t* __restrict s = data + i0;
#pragma omp simd
    for (size_t j = 0; j < m; ++j) {
      const int16_t v = static_cast<int16_t>(s[j] - 128);
      acc[2 * j] = Add(acc[2 * j], int32_t{v} * int32_t{gl});
      acc[2 * j + 1] = Add(acc[2 * j + 1], int32_t{v} * int32_t{gr});
    }
  } else if constexpr (kCode == kFormat16Mono) {
    const int16_t* __restrict s = reinterpret_cast<const int16_t*>(data) + i0;
#pragma omp simd
    for (size_t j = 0; j < m; ++j) {
      acc[2 * j] = Add(acc[2 * j], (int32_t{s[j]} * int32_t{gl}) >> 8);
      acc[2 * j + 1] = Add(acc[2 * j + 1], (int32_t{s[j]} * int32_t{gr}) >> 8);
    }
  } else if constexpr (kCode == kFormat8Stereo) {
    const uint8_t* __restrict s = data + 2 * i0;
#pragma omp simd
    for (size_t j = 0; j < m; ++j) {
      const int16_t a = static_cast<int16_t>(s[2 * j] - 128);
      const int16_t b = static_cast<int16_t>(s[2 * j + 1] - 128);
      acc[2 * j] = Add(acc[2 * j], int32_t{a} * int32_t{gl});
      acc[2 * j + 1] = Add(acc[2 * j + 1], int32_t{b} * int32_t{gr});
    }
  } else {
    const int16_t* __restrict s = reinterpret_cast<const int16_t*>(data) + 2 * i0;
#pragma omp simd
    for (size_t j = 0; j < m; ++j) {
      acc[2 * j] = Add(acc[2 * j], (int32_t{s[2 * j]} * int32_t{gl}) >> 8);
      acc[2 * j + 1] = Add(acc[2 * j + 1], (int32_t{s[2 * j + 1]} * int32_t{gr}) >> 8);
    }
  }
}

bool FitsInt16(int32_t v) {
  return v >= INT16_MIN && v <= INT16_MAX;
}

// Adds m frames of a wave, read from 32.32 position pos advancing by step,
// into m accumulator pairs. Every frame index read lies below the wave's
// frame count (the caller stops the run where the end check would fire).
// A step of exactly one frame reads contiguous frames, which vectorises.
template <uint32_t kCode>
void MixRun(const uint8_t* data, int32_t* __restrict acc, uint64_t pos, uint64_t step, size_t m,
            int32_t gl, int32_t gr) {
  const int16_t* s16 = reinterpret_cast<const int16_t*>(data);
  if (step == (uint64_t{1} << 32)) {
    const size_t i0 = static_cast<size_t>(pos >> 32);
    if (FitsInt16(gl) && FitsInt16(gr)) {
      MixUnitNarrowGains<kCode>(data, acc, i0, m, static_cast<int16_t>(gl),
                                static_cast<int16_t>(gr));
      return;
    }
    if constexpr (kCode == kFormat8Mono) {
      const uint8_t* __restrict s = data + i0;
#pragma omp simd
      for (size_t j = 0; j < m; ++j) {
        const int32_t v = int32_t{s[j]} - 128;
        acc[2 * j] = Add(acc[2 * j], Mul(v, gl));
        acc[2 * j + 1] = Add(acc[2 * j + 1], Mul(v, gr));
      }
    } else if constexpr (kCode == kFormat16Mono) {
      const int16_t* __restrict s = s16 + i0;
#pragma omp simd
      for (size_t j = 0; j < m; ++j) {
        const int32_t v = s[j];
        acc[2 * j] = Add(acc[2 * j], Mul(v, gl) >> 8);
        acc[2 * j + 1] = Add(acc[2 * j + 1], Mul(v, gr) >> 8);
      }
    } else if constexpr (kCode == kFormat8Stereo) {
      const uint8_t* __restrict s = data + 2 * i0;
#pragma omp simd
      for (size_t j = 0; j < m; ++j) {
        acc[2 * j] = Add(acc[2 * j], Mul(int32_t{s[2 * j]} - 128, gl));
        acc[2 * j + 1] = Add(acc[2 * j + 1], Mul(int32_t{s[2 * j + 1]} - 128, gr));
      }
    } else {
      const int16_t* __restrict s = s16 + 2 * i0;
#pragma omp simd
      for (size_t j = 0; j < m; ++j) {
        acc[2 * j] = Add(acc[2 * j], Mul(s[2 * j], gl) >> 8);
        acc[2 * j + 1] = Add(acc[2 * j + 1], Mul(s[2 * j + 1], gr) >> 8);
      }
    }
    return;
  }
  for (size_t j = 0; j < m; ++j, pos += step) {
    const size_t i = static_cast<size_t>(pos >> 32);
    if constexpr (kCode == kFormat8Mono) {
      const int32_t v = int32_t{data[i]} - 128;
      acc[2 * j] = Add(acc[2 * j], Mul(v, gl));
      acc[2 * j + 1] = Add(acc[2 * j + 1], Mul(v, gr));
    } else if constexpr (kCode == kFormat16Mono) {
      const int32_t v = s16[i];
      acc[2 * j] = Add(acc[2 * j], Mul(v, gl) >> 8);
      acc[2 * j + 1] = Add(acc[2 * j + 1], Mul(v, gr) >> 8);
    } else if constexpr (kCode == kFormat8Stereo) {
      acc[2 * j] = Add(acc[2 * j], Mul(int32_t{data[2 * i]} - 128, gl));
      acc[2 * j + 1] = Add(acc[2 * j + 1], Mul(int32_t{data[2 * i + 1]} - 128, gr));
    } else {
      acc[2 * j] = Add(acc[2 * j], Mul(s16[2 * i], gl) >> 8);
      acc[2 * j + 1] = Add(acc[2 * j + 1], Mul(s16[2 * i + 1], gr) >> 8);
    }
  }
}

void MixRunByCode(uint32_t code, const uint8_t* data, int32_t* acc, uint64_t pos, uint64_t step,
                  size_t m, int32_t gl, int32_t gr) {
  switch (code) {
    case kFormat8Mono:
      MixRun<kFormat8Mono>(data, acc, pos, step, m, gl, gr);
      break;
    case kFormat16Mono:
      MixRun<kFormat16Mono>(data, acc, pos, step, m, gl, gr);
      break;
    case kFormat8Stereo:
      MixRun<kFormat8Stereo>(data, acc, pos, step, m, gl, gr);
      break;
    default:
      MixRun<kFormat16Stereo>(data, acc, pos, step, m, gl, gr);
      break;
  }
}

// The position after one more step from pos when that reaches end: wrapped
// into the wave (the fraction carries over; a step longer than the wave
// wraps as often as needed).
// pos < end; computed without overflowing 64 bits.
uint64_t Wrapped(uint64_t pos, uint64_t step, uint64_t end) {
  const uint64_t s = step % end;
  const uint64_t room = end - pos;
  return s >= room ? s - room : pos + s;
}

}  // namespace

// ---- tVoice ----

tVoice::tVoice() = default;

tVoice::~tVoice() {
  SetMixer(nullptr);
}

bool tVoice::SetPitch(double pitch) {
  tLock lock(m_Lock);
  tSoundParams::SetPitch(pitch);
  Recalc();
  return true;
}
double tVoice::GetPitch() {
  return tSoundParams::GetPitch();
}
bool tVoice::SetVolume(double volume) {
  tLock lock(m_Lock);
  tSoundParams::SetVolume(volume);
  Recalc();
  return true;
}
double tVoice::GetVolume() {
  return tSoundParams::GetVolume();
}
bool tVoice::SetBalance(double balance) {
  tLock lock(m_Lock);
  tSoundParams::SetBalance(balance);
  Recalc();
  return true;
}
double tVoice::GetBalance() {
  return tSoundParams::GetBalance();
}

void tVoice::Play(bool loop) {
  tLock lock(m_Lock);
  m_Loop = loop;
  m_Position = 0;
  m_Playing = true;
}

void tVoice::Stop() {
  tLock lock(m_Lock);
  m_Playing = false;
}

void tVoice::PlayAt(bool loop, uint32_t frame) {
  tLock lock(m_Lock);
  Play(loop);
  SetPosition(frame);
}

void tVoice::SetMixer(tMixer* mixer) {
  // The voice lock is not held while the mixers' locks are taken: a page
  // being mixed holds the mixer lock and then takes this voice's lock.
  tLock link(m_LinkLock);
  tMixer* old = nullptr;
  {
    tLock lock(m_Lock);
    old = m_pMixer;
    if (old == mixer) return;
    m_pMixer = mixer;
  }
  if (old) old->RemoveVoice(this);
  if (mixer) mixer->AddVoice(this);
  Recalc();
}

void tVoice::SetWave(tWave* wave) {
  tLock lock(m_Lock);
  m_pWave = wave;
  Recalc();
}

uint32_t tVoice::GetPosition() {
  tLock lock(m_Lock);
  return static_cast<uint32_t>(m_Position >> 32);
}

void tVoice::SetPosition(uint32_t frame) {
  tLock lock(m_Lock);
  const uint64_t frames = m_End >> 32;
  if (frames == 0) return;
  m_Position = (frame % frames) << 32;
}

void tVoice::BeginMix() {}
void tVoice::EndMix() {}

void tVoice::Recalc() {
  tLock lock(m_Lock);
  if (!m_pWave) return;
  const uint64_t end = uint64_t{m_pWave->Frames()} << 32;
  if (end != m_End) {
    m_End = end;
    m_Position = 0;
  }
  if (!m_pMixer) return;
  tSoundOutput* output = m_pMixer->Output();
  // The rate is read without the device's lock: formats change on another thread.
  const uint32_t outputRate = output ? output->SharedRate() : 0;
  if (outputRate == 0) return;
  // The speed is quantised to whole hertz of the wave's rate before the
  // division. Values at or below 0 Hz, or beyond what the shift holds, are
  // held at 1 .. 2^31 - 1 Hz.
  const double hz = GetPitch() * m_pMixer->GetPitch() * m_pWave->Rate();
  int64_t whole = 1;
  if (hz >= 2147483647.0) {
    whole = 2147483647;
  } else if (hz >= 1.0) {
    whole = static_cast<int64_t>(hz);
  }
  m_Step = static_cast<uint64_t>((whole << 32) / static_cast<int64_t>(outputRate));
  double left = 0;
  double right = 0;
  GetGains(left, right);
  m_GainLeft = GainToInt(left);
  m_GainRight = GainToInt(right);
}

void tVoice::MixIntoReference(int32_t* accum, uint32_t frames) {
  tLock lock(m_Lock);
  if (!m_pWave || !m_Playing || m_End == 0) return;
  if ((m_End >> 32) > m_pWave->Frames()) return;  // the wave shrank without SetWave
  if (m_Position >= m_End) m_Position %= m_End;
  const uint8_t* data = m_pWave->Data();
  const uint32_t code = m_pWave->Code();
  const int16_t* s16 = reinterpret_cast<const int16_t*>(data);
  for (uint32_t k = 0; k < frames; ++k) {
    const size_t i = static_cast<size_t>(m_Position >> 32);
    int32_t& left = accum[2 * size_t{k}];
    int32_t& right = accum[2 * size_t{k} + 1];
    switch (code) {
      case kFormat8Mono: {
        const int32_t s = int32_t{data[i]} - 128;
        left = Add(left, Mul(s, m_GainLeft));
        right = Add(right, Mul(s, m_GainRight));
        break;
      }
      case kFormat16Mono: {
        const int32_t s = s16[i];
        left = Add(left, Mul(s, m_GainLeft) >> 8);
        right = Add(right, Mul(s, m_GainRight) >> 8);
        break;
      }
      case kFormat8Stereo:
        left = Add(left, Mul(int32_t{data[2 * i]} - 128, m_GainLeft));
        right = Add(right, Mul(int32_t{data[2 * i + 1]} - 128, m_GainRight));
        break;
      default:
        left = Add(left, Mul(s16[2 * i], m_GainLeft) >> 8);
        right = Add(right, Mul(s16[2 * i + 1], m_GainRight) >> 8);
        break;
    }
    if (m_Step >= m_End - m_Position) {
      if (m_Loop) {
        m_Position = Wrapped(m_Position, m_Step, m_End);
      } else {
        m_Position = 0;
        m_Playing = false;
        return;
      }
    } else {
      m_Position += m_Step;
    }
  }
}

void tVoice::MixInto(int32_t* accum, uint32_t frames) {
  tLock lock(m_Lock);
  if (!m_pWave || !m_Playing || m_End == 0) return;
  if ((m_End >> 32) > m_pWave->Frames()) return;  // the wave shrank without SetWave
  const uint64_t end = m_End;
  const uint64_t step = m_Step;
  uint64_t pos = m_Position >= end ? m_Position % end : m_Position;
  const uint8_t* data = m_pWave->Data();
  const uint32_t code = m_pWave->Code();
  size_t k = 0;
  while (k < frames) {
    const size_t left = frames - k;
    // Frames until the end check fires: the smallest c with pos + c * step >= end.
    const uint64_t remaining = end - pos;
    uint64_t c = UINT64_MAX;
    if (step != 0) c = remaining / step + (remaining % step != 0 ? 1 : 0);
    if (c > left) {
      MixRunByCode(code, data, accum + 2 * k, pos, step, left, m_GainLeft, m_GainRight);
      pos += step * left;
      break;
    }
    const size_t m = static_cast<size_t>(c);
    MixRunByCode(code, data, accum + 2 * k, pos, step, m, m_GainLeft, m_GainRight);
    k += m;
    const uint64_t last = pos + step * (m - 1);
    if (!m_Loop) {
      pos = 0;
      m_Playing = false;
      break;
    }
    pos = Wrapped(last, step, end);
  }
  m_Position = pos;
}

bool tVoice::IsPlaying() {
  tLock lock(m_Lock);
  return m_Playing && m_pMixer != nullptr;
}
tMixer* tVoice::Mixer() {
  tLock lock(m_Lock);
  return m_pMixer;
}
tWave* tVoice::Wave() {
  tLock lock(m_Lock);
  return m_pWave;
}
uint64_t tVoice::Position() {
  tLock lock(m_Lock);
  return m_Position;
}
uint64_t tVoice::End() {
  tLock lock(m_Lock);
  return m_End;
}
uint64_t tVoice::Step() {
  tLock lock(m_Lock);
  return m_Step;
}
int32_t tVoice::GainLeft() {
  tLock lock(m_Lock);
  return m_GainLeft;
}
int32_t tVoice::GainRight() {
  tLock lock(m_Lock);
  return m_GainRight;
}
bool tVoice::Looping() {
  tLock lock(m_Lock);
  return m_Loop;
}
