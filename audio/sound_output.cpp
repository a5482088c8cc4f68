#include "audio/sound_output.h"

tSoundOutput::tSoundOutput() = default;

tSoundOutput::~tSoundOutput() {
  tSoundOutput::Close();
}

void tSoundOutput::SetFormat(const WAVEFORMATEX& format) {
  tSoundFormat::SetFormat(format);
  m_SharedRate.store(m_Format.nSamplesPerSec, std::memory_order_release);
}

void tSoundOutput::Close() {
  SetSource(nullptr);
  tLock lock(m_Lock);
  m_FramesDone = 0;
  m_PageFrames = 0;
}

void tSoundOutput::SetSource(tSoundSource* source) {
  tSoundSource* old = nullptr;
  {
    tLock lock(m_Lock);
    old = m_pSource;
    if (old == source) return;
    m_pSource = source;
  }
  // The other side is told without this lock held; each side re-checks, so
  // the calls settle with both links in agreement.
  if (old && old->Output() == this) old->SetOutput(nullptr);
  if (source) source->SetOutput(this);
}

tSoundSource* tSoundOutput::Source() {
  tLock lock(m_Lock);
  return m_pSource;
}
