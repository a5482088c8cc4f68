#pragma once
// A voice plays one tWave at its own pitch, volume and balance on a mix bus,
// stepping through it with a 32.32 fixed-point position.
//
// Locks: every member is guarded by the voice's lock, which the mixing path
// takes after the device's and the mixer's. SetMixer holds only the link
// lock, which the mixing path never takes (see audio/mixer.h).
#include <cstdint>

#include "audio/sound_params.h"
#include "platform/lock.h"

class tMixer;
class tWave;

class tVoice : public tSoundParams {
 public:
  tVoice();
  tVoice(const tVoice&) = delete;
  tVoice& operator=(const tVoice&) = delete;

  bool SetPitch(double pitch) override;
  double GetPitch() override;
  bool SetVolume(double volume) override;
  double GetVolume() override;
  bool SetBalance(double balance) override;
  double GetBalance() override;
  ~tVoice() override;  // detaches from the mixer
  // Starts from frame 0.
  virtual void Play(bool loop);
  // Stops; the position is kept.
  virtual void Stop();
  // Attaches to a mix bus, or detaches with nullptr.
  virtual void SetMixer(tMixer* mixer);
  // Selects the sample (not owned), or none.
  virtual void SetWave(tWave* wave);
  // Current frame index.
  virtual uint32_t GetPosition();
  // Jumps to frame (modulo the frame count), fraction 0. Nothing without frames.
  virtual void SetPosition(uint32_t frame);
  virtual void BeginMix();
  virtual void EndMix();
  // Adds frames pairs (left, right) of this voice into accum.
  virtual void MixInto(int32_t* accum, uint32_t frames);

  // The literal per-frame mixing loop. MixInto gives identical results
  // faster; this one is kept as the reference that proves it.
  void MixIntoReference(int32_t* accum, uint32_t frames);

  // Play (loop) and SetPosition (frame) as one step, so that no page is
  // mixed from frame 0 in between.
  void PlayAt(bool loop, uint32_t frame);
  // Playing and attached to a mixer.
  bool IsPlaying();
  tMixer* Mixer();
  tWave* Wave();

  // State for inspection (each read under the voice lock).
  uint64_t Position();
  uint64_t End();
  uint64_t Step();
  int32_t GainLeft();
  int32_t GainRight();
  bool Looping();

  // Recomputes end, step and gains from the wave, the mixer and the output.
  void Recalc();

 private:
  friend class tMixer;

  tCriticalSection m_Lock;      // guards every member below
  tCriticalSection m_LinkLock;  // serialises SetMixer; never taken while mixing
  tMixer* m_pMixer = nullptr;
  tVoice* m_pNext = nullptr;  // link of the mixer's voice list, under the mixer lock
  tWave* m_pWave = nullptr;
  uint64_t m_Position = 0;  // 32.32: frame index and fraction
  uint64_t m_End = 0;       // frame count << 32
  uint64_t m_Step = 0;      // 32.32 advance per output frame
  int32_t m_GainLeft = 0;
  int32_t m_GainRight = 0;
  bool m_Playing = false;
  bool m_Loop = false;
};
