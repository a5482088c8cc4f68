#pragma once
// The mix bus: the tMixer keeps a list of voices (audio/voice.h) and, per page
// its output device asks for, adds every playing voice into a 32-bit stereo
// accumulator (16-bit scale at unity), applies the master gains and renders
// the page into the output's layout with clipping. Gains are integers with
// 256 = unity.
//
// Locks. Each voice and each mixer has a re-entrant lock. The mixing path
// takes device, then mixer, then voice locks, and so does every parameter
// change (a voice setter takes only its voice's lock; a mixer setter takes
// the mixer's lock and then each voice's). Attaching a voice to a mixer or
// detaching it (SetMixer) holds only the voice's link lock, which the mixing
// path never takes, while it takes the mixer's lock to edit the list, and
// takes the voice's lock only after that, so it cannot deadlock against a
// page being mixed. Recalc reads the mixer's pitch and the output's rate and
// page length without their locks; the parameters are atomics for that.
#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/sound_params.h"
#include "platform/lock.h"

class tSoundOutput;
class tVoice;

// Anything an output device pulls pages from.
class tSoundSource : public tSoundParams {
 public:
  tSoundSource();
  tSoundSource(const tSoundSource&) = delete;
  tSoundSource& operator=(const tSoundSource&) = delete;

  ~tSoundSource() override;  // detaches the output
  // Links to an output (or to none); the output's SetSource is called back.
  virtual void SetOutput(tSoundOutput* output);
  // Prepares one page.
  virtual void Mix();
  // Called by outputs after Render.
  virtual void MixDone();
  // Writes one page of bytes in the output's layout.
  virtual void Render(uint8_t* dest, uint32_t bytes) = 0;
  // Adapts to the output's page length and rate.
  virtual void Recompute();

  tSoundOutput* Output() const { return m_pOutput.load(std::memory_order_acquire); }

 protected:
  tCriticalSection m_Lock;
  std::atomic<tSoundOutput*> m_pOutput{nullptr};
};

// The mix bus. Its pitch, volume and balance are the master controls.
class tMixer : public tSoundSource {
 public:
  tMixer();

  bool SetPitch(double pitch) override;
  double GetPitch() override;
  bool SetVolume(double volume) override;
  double GetVolume() override;
  bool SetBalance(double balance) override;
  double GetBalance() override;
  ~tMixer() override;  // detaches every voice, frees the accumulator, detaches the output
  void SetOutput(tSoundOutput* output) override;
  // Clears the accumulator, mixes every voice (newest first), applies the
  // master gains and rewinds the render position.
  void Mix() override;
  void MixDone() override;
  // Renders the accumulator into dest, in the output's layout, clipping.
  // Never reads past the accumulator: frames beyond it render as silence.
  void Render(uint8_t* dest, uint32_t bytes) override;
  // Resizes the accumulator to the output's page, recomputes the master
  // gains and every voice.
  void Recompute() override;
  // Copies up to maxFrames pairs of the last mixed page (master gains
  // applied) into dest; returns how many were copied.
  virtual uint32_t CopyMix(int32_t* dest, uint32_t maxFrames);
  virtual void AddVoice(tVoice* voice);
  virtual void RemoveVoice(tVoice* voice);

  // Accumulator length in frames (the output's page length).
  uint32_t Frames();
  int32_t GainLeft();
  int32_t GainRight();

  // Mix with every voice's reference loop instead of its MixInto, for the
  // test that proves the fast loops identical.
  void MixReference();

 private:
  void MixWith(bool reference);

  tVoice* m_pVoices = nullptr;  // newest first
  uint32_t m_Frames = 0;
  int32_t* m_pRead = nullptr;           // next pair Render reads
  std::unique_ptr<int32_t[]> m_pAccum;  // m_Frames pairs (left, right)
  int32_t m_GainLeft = 256;
  int32_t m_GainRight = 256;
};

// The one process-wide mix bus. Every tSound attaches its voice here.
tMixer& SystemMixer();
