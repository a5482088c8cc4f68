#pragma once
// Voices and the mix bus.
//
// A tVoice plays one tWave at its own pitch, volume and balance, stepping
// through it with a 32.32 fixed-point position. The tMixer keeps a list of
// voices and, per page its output device asks for, adds every playing voice
// into a 32-bit stereo accumulator (16-bit scale at unity), applies the master
// gains and renders the page into the output's layout with clipping. Gains are
// integers with 256 = unity.
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

#include "platform/lock.h"

class tSoundOutput;
class tSoundSource;
class tMixer;
class tVoice;
class tWave;

// Pitch is a speed factor (1.0 = the wave's own speed), volume a linear
// amplitude factor (1.0 = unity), balance -1.0 (left only) .. 0.0 .. +1.0
// (right only). Setters return true when the value was taken.
class tSoundControl {
 public:
  virtual bool SetPitch(double pitch) = 0;
  virtual double GetPitch() = 0;
  virtual bool SetVolume(double volume) = 0;
  virtual double GetVolume() = 0;
  virtual bool SetBalance(double balance) = 0;
  virtual double GetBalance() = 0;
  virtual ~tSoundControl() = default;
};

// Integer gain (256 = unity) of a double factor, truncated toward zero and
// held inside the 32-bit range.
int32_t GainToInt(double factor);

// Three stored parameters and the gains law.
class tSoundParams : public tSoundControl {
 public:
  bool SetPitch(double pitch) override;
  double GetPitch() override;
  bool SetVolume(double volume) override;
  double GetVolume() override;
  bool SetBalance(double balance) override;
  double GetBalance() override;

  // left = volume * (1 - balance) for balance > 0, else volume;
  // right = volume * (1 + balance) for balance < 0, else volume.
  // Reads volume and balance through the virtual getters.
  void GetGains(double& left, double& right);

 protected:
  std::atomic<double> m_Pitch{1.0};
  std::atomic<double> m_Volume{1.0};
  std::atomic<double> m_Balance{0.0};
};

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
