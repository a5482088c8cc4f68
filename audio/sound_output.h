#pragma once
// The base of every output device: a PCM format of its own, a page length,
// a count of delivered frames and a non-owning link to the source it pulls
// pages from.
//
// Per page a device calls its source's Mix, then Render with exactly one page
// of bytes (PageFrames() * BlockAlign()), then MixDone.
//
// Linking: SetSource here and tSoundSource::SetOutput keep the two links in
// agreement. Neither holds its own lock while it calls the other side, so a
// link can change while another thread streams through the device (device
// lock, then mixer lock, then voice locks) without a lock-order inversion.
#include <atomic>
#include <cstdint>

#include "audio/mixer.h"
#include "audio/sound_format.h"
#include "platform/lock.h"

class tSoundOutput : public tSoundFormat, public tSoundControl {
 public:
  tSoundOutput();
  // Primary slots: SetFormat, GetFormat (from tSoundFormat), destructor,
  // Close, SetSource, Start, Stop. Every output device declares its
  // overrides in this order, the base's, so that a device reads line by line
  // against this class and a missing override stands out.
  ~tSoundOutput() override;
  // Sets the format as tSoundFormat does and publishes the new rate.
  void SetFormat(const WAVEFORMATEX& format) override;
  // Detaches the source; frames done and page length become 0.
  virtual void Close();
  // Links to a source (or to none); the source's SetOutput is called back.
  virtual void SetSource(tSoundSource* source);
  virtual bool Start() = 0;
  virtual void Stop() = 0;

  tSoundSource* Source();
  // The sample rate for threads that hold neither the device lock nor the
  // thread that sets formats: voices recompute their step from it when they
  // are changed on the tick thread.
  uint32_t SharedRate() const { return m_SharedRate.load(std::memory_order_acquire); }
  uint32_t PageFrames() const { return m_PageFrames; }
  uint32_t FramesDone() const { return m_FramesDone; }

 protected:
  tCriticalSection m_Lock;
  tSoundSource* m_pSource = nullptr;
  uint32_t m_FramesDone = 0;  // frames delivered since the device was last closed
  uint32_t m_PageFrames = 0;  // frames per page; the mixer sizes its accumulator from it
  std::atomic<uint32_t> m_SharedRate{0};
};
