#pragma once
// The speaker device: streams its source's pages into the sound device's
// looping ring, one 20 ms page at a time, paced by a 10 ms page timer and
// kept between one and two pages ahead of the play cursor.
//
// Threads. The page timer's callback fills pages on the timer service's
// thread; Create, Start, Stop, SetFormat and Close run on the interface
// thread. Everything that touches the ring or the page holds the device
// lock; filling a page calls the source with it held (device lock, then
// mixer lock, then voice locks). Stopping the page timer waits for a
// callback that is running, so Start, Stop, SetFormat and Close stop it
// before they take the device lock: a callback waiting for the lock simply
// gets it, finds its timer stopped and writes nothing.
//
// Failures are traced (never shown) and repaired while streaming: a lost or
// stopped ring is restored and replayed, a failed unlock rebuilds the device.
#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/sound_output.h"
#include "platform/periodic_timer.h"
#include "platform/sound_device.h"

class tSpeakerPlayback : public tSoundOutput {
 public:
  explicit tSpeakerPlayback(
      platform::SoundService& sound = platform::HostSoundService(),
      platform::PeriodicTimerService& timers = platform::SystemTimerService());
  ~tSpeakerPlayback() override;
  tSpeakerPlayback(const tSpeakerPlayback&) = delete;
  tSpeakerPlayback& operator=(const tSpeakerPlayback&) = delete;

  // Chooses the sound and timer services; only while the device is closed.
  void SetBackEnds(platform::SoundService& sound, platform::PeriodicTimerService& timers);

  // Primary slots: SetFormat, GetFormat, destructor, Close, SetSource, Start,
  // Stop, FillNextPage: the base's order (see tSoundOutput), then this
  // device's own.
  // Stops streaming, drops the ring, takes the format and sizes the page.
  void SetFormat(const WAVEFORMATEX& format) override;
  void Close() override;
  // Makes the ring, starts it and the page timer. True only when the timer
  // runs and the ring holds at least two pages.
  bool Start() override;
  // Stops the page timer and the ring, which is left silent.
  void Stop() override;
  // Writes the next page when the write position needs one.
  virtual void FillNextPage();

  // The device's own controls (the master controls live on the mixer).
  bool SetPitch(double pitch) override;
  double GetPitch() override;
  bool SetVolume(double volume) override;
  double GetVolume() override;
  bool SetBalance(double balance) override;
  double GetBalance() override;

  // Opens the device and holds the 1 ms timer period; sets the built-in
  // format when none is set.
  bool Create();
  bool CreateDevice();
  bool CreateBuffer();
  // Sizes the page from the format: 20 ms of frames, filled with silence.
  void Update();
  // Plays the ring (restoring a lost one) and forgets the write position.
  bool KickBuffer();
  // Fills the whole ring with silence.
  void ClearBuffer();
  bool GetPlayPos(uint32_t& playCursor);
  bool LockBuffer(uint32_t offset, uint32_t bytes, platform::RingPieces& pieces);
  bool UnlockBuffer(const platform::RingPieces& pieces);
  // The page timer's callback; user is the device.
  static void TimerProc(uint32_t timerId, uintptr_t user);

  // State for inspection.
  // Frames written since the device was closed, read under the device lock
  // (safe while the page timer streams).
  uint32_t FramesWritten();
  int32_t WritePos();
  uint32_t BufferSize();
  uint32_t PageSize();
  uint32_t PageMs() const { return m_PageMs; }
  uint32_t TimerId() const { return m_TimerId.load(); }
  bool HasDevice();
  bool HasBuffer();
  bool PeriodBegun();
  const uint8_t* PageBuffer();
  // How often a failed unlock has rebuilt the device in this process.
  static long RepairCount();

  // Volume and pan mapping to hundredths of a decibel (base-2 law).
  static int32_t ToUnits(double factor);
  static double FromUnits(int32_t units);

 private:
  void KillPageTimer();
  void ReleaseBuffers();
  void ReleaseDevice();
  void Rebuild();
  uint8_t Silence() const { return m_Format.wBitsPerSample == 8 ? 128 : 0; }

  platform::SoundService* m_pSound;
  platform::PeriodicTimerService* m_pTimers;
  std::atomic<uint32_t> m_TimerId{0};
  int32_t m_WritePos = -1;
  uint32_t m_BufferSize = 0;
  uint32_t m_PageSize = 0;
  std::unique_ptr<uint8_t[]> m_pPage;
  uint32_t m_PageMs = 20;
  bool m_PeriodBegun = false;
  std::unique_ptr<platform::SoundDevice> m_pDevice;
  std::unique_ptr<platform::SoundRing> m_pPrimary;
  platform::SoundRing* m_pBuffer = nullptr;  // the ring pages go into: the primary one
};
