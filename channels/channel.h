#pragma once
// One of the sixteen playing units of the desk.
//
// A channel holds up to two sounds, the main sound and the effect sound, and
// plays the selected one in time with the engine clock: every start lies on
// the channel's quantize grid plus its delay, and the sound is restarted once
// per loop length for as long as the channel stays scheduled. Volume,
// balance and pitch apply to the voices of both sounds.
//
// Times are positions of the engine clock, unsigned 32-bit frame counts
// compared modulo 2^32 (a time is due when (int32)(now - time) >= 0), so the
// schedule keeps running when the clock wraps; kNoTime means "nothing
// scheduled". Lengths in beats become frames through the tempo and the
// output rate, read afresh for every computation.
//
// Concurrency. The engine tick calls Tick (and event playback calls Trigger,
// Stop and the parameter setters) on the timer thread while the user's
// operations run on the main thread. The operations that change the sounds
// or the schedule take the channel's re-entrant lock for their whole
// duration, except the loads: they read the wave file, convert it and look
// up its disk's label and serial number before they take the lock, which
// they then hold only to stop the old sound and put the new one in its
// place, so a slow disk never holds up the tick. The flags and the timing
// values are atomics that either thread may read or write without the lock.
// Sounds, paths and labels are replaced on the main thread only, so
// HasSound, GetSound and the path getters read them there without the lock.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/sound.h"
#include "audio/sound_format.h"
#include "channels/file_name.h"
#include "platform/lock.h"

class tChannel {
 public:
  enum tWhich { kMain = 0, kEffect = 1 };
  static constexpr uint32_t kNoTime = 0xFFFFFFFF;
  // A start this many frames or more after its grid point begins inside the
  // sound; an earlier one plays it from its start.
  static constexpr uint32_t kLateFrames = 500;

  tChannel();
  tChannel(const tChannel&) = delete;
  tChannel& operator=(const tChannel&) = delete;
  virtual ~tChannel();

  // Replaces the sounds by one empty 32-byte main sound in the output
  // format. False when it cannot be created.
  bool PrepareEmpty();
  // Releases the sounds and returns every setting to its reset value; the
  // key, the stored file formats and the suspension's saved values stay.
  void Reset();
  // Stops and releases both sounds.
  void ReleaseAll();
  // Releases both sounds and clears their paths (callers hold the lock).
  void ReleaseSounds();

  // Replaces the main or effect sound by the wave file at path (a desk
  // path, at most 259 characters) and records its path, format, volume
  // label and serial number. The old sound plays on while the file is read
  // and is gone afterwards, whatever the outcome. Loading the main sound
  // makes it the current one. The new sound plays with the channel's
  // volume, balance and pitch.
  bool LoadSound(tWhich which, const char* path);
  // LoadSound, then conversion to format; true only when both succeeded. A
  // sound that cannot be converted does not load: it is released.
  bool LoadSoundConverted(tWhich which, const char* path, const WAVEFORMATEX& format);
  // Reads the sound again from its own path into a new sound converted to
  // format, which replaces the old one only when both steps succeeded; the
  // old sound stays otherwise.
  bool ReloadSound(tWhich which, const WAVEFORMATEX& format);
  // Stops and releases one sound with its path, label and serial number.
  void ReleaseSound(tWhich which);
  // Deletes the effect sound with its path, label, serial and format.
  void RemoveEffect();
  // Exchanges the two sounds with their paths, labels, serials and formats.
  void SwapSounds();
  // True when the sound was converted down from its file and wanted offers
  // more than the sound now holds (rate, width or channels) that the file
  // can give.
  bool NeedsReload(tWhich which, const WAVEFORMATEX& wanted);
  bool ConvertSound(tWhich which, const WAVEFORMATEX& format);

  // Schedules the next start on the latest grid point at or before now,
  // plus the delay. Nothing without a sound.
  void Trigger(uint32_t now);
  // Unschedules; stops both voices unless keepPlaying, which lets the
  // running sound play to its end without a restart.
  void Stop(bool keepPlaying);
  // The scheduler, every 10 ms: starts the current sound when its time has
  // come, at the offset of its lateness, and moves the start on by one loop.
  void Tick(uint32_t now);
  bool IsScheduled();
  // Suspending keeps the schedule and the effect selection aside; resuming
  // re-arms the loop that was running, so the channel continues in phase.
  void SetSuspended(bool on);
  // Ends a suspension without bringing back the saved schedule and effect
  // selection (releasing every channel does so).
  void EndSuspension();

  void SetVolume(int32_t volume);  // clamped to 0..100
  void AdjustVolume(int32_t delta);
  void SetBalance(int32_t balance);  // clamped to -100..100
  void AdjustBalance(int32_t delta);
  void SetPitch(double pitch);  // percent offset, not clamped
  // Steps the pitch, keeping it strictly between -20 and +20 percent.
  void AdjustPitch(double delta);

  double GetQuantize() const { return m_Quantize.load(); }
  void SetQuantize(double beats) { m_Quantize.store(beats); }
  double GetLoop() const { return m_Loop.load(); }
  void SetLoop(double beats) { m_Loop.store(beats); }
  double GetDelay() const { return m_Delay.load(); }
  void SetDelay(double beats) { m_Delay.store(beats); }
  int32_t GetBaseVolume() const { return m_BaseVolume; }
  void SetBaseVolume(int32_t volume) { m_BaseVolume = volume; }
  int32_t GetBaseBalance() const { return m_BaseBalance; }
  void SetBaseBalance(int32_t balance) { m_BaseBalance = balance; }
  uint8_t GetKey() const { return m_Key.load(); }
  void SetKey(uint8_t key) { m_Key.store(key); }
  bool GetKeyHeld() const { return m_KeyHeld.load(); }
  void SetKeyHeld(bool held) { m_KeyHeld.store(held); }
  bool GetLatched() const { return m_Latched.load(); }
  void SetLatched(bool latched) { m_Latched.store(latched); }
  bool GetFxOn() const { return m_FxOn.load(); }
  void SetFxOn(bool on) { m_FxOn.store(on); }
  int32_t GetVolume() const { return m_Volume.load(); }
  int32_t GetBalance() const { return m_Balance.load(); }
  double GetPitch() const { return m_Pitch.load(); }
  bool GetSuspended() const { return m_Suspended.load(); }

  const tFileName& GetSndPath() const { return m_SndPath; }
  const tFileName& GetSndLabel() const { return m_SndLabel; }
  uint32_t GetSndSerial() const { return m_SndSerial; }
  const tFileName& GetSfxPath() const { return m_SfxPath; }
  const tFileName& GetSfxLabel() const { return m_SfxLabel; }
  uint32_t GetSfxSerial() const { return m_SfxSerial; }
  const tFileName& GetFilePath() const { return m_FilePath; }
  const tFileName& GetFileLabel() const { return m_FileLabel; }
  uint32_t GetFileSerial() const { return m_FileSerial; }
  // The channel file this channel was last loaded from or saved to, with
  // the label and serial number of its disk.
  void SetFile(const tFileName& path, const tFileName& label, uint32_t serial);
  // The format of the wave as stored in its file, before any conversion.
  const WAVEFORMATEX& GetFileFormat(tWhich which) const;

  bool HasSound() const { return m_pSnd != nullptr || m_pSfx != nullptr; }
  bool HasMain() const { return m_pSnd != nullptr; }
  bool HasEffect() const { return m_pSfx != nullptr; }

  // The sounds themselves, for inspection and for the desk's previews.
  tSound* GetSound(tWhich which) { return SoundRef(which).get(); }
  // The sound the scheduler starts: the main sound, the effect sound or none.
  tSound* GetCurrent();
  uint32_t GetNextStart();
  uint32_t GetSavedStart();

  // Lengths in frames at the current tempo and output rate: the loop, the
  // delay, and the quantize unit (1 frame for a quantize of exactly 0, and
  // never less than 1 frame).
  uint32_t LoopLength() const;
  uint32_t DelayLength() const;
  uint32_t QuantizeUnit() const;

 protected:
  // What a load reads from the disk before it takes the lock.
  struct tLoaded {
    std::unique_ptr<tSound> sound;  // null when the load failed
    bool read = false;              // the file was read (its format is known)
    WAVEFORMATEX fileFormat{};      // the format as stored in the file
    tFileName label;
    uint32_t serial = 0;
  };
  // Everything a load does that may wait on a disk: reads path into a new
  // sound, converts it to format (unless that is null) and looks up the
  // label and serial number of its disk. Runs without the channel's lock.
  virtual tLoaded Read(const std::string& path, const WAVEFORMATEX* format);

 private:
  // Stops and drops the old sound and installs what was read (under the lock).
  bool Install(tWhich which, const std::string& path, tLoaded& loaded);

  std::unique_ptr<tSound>& SoundRef(tWhich which) { return which == kMain ? m_pSnd : m_pSfx; }
  // Gives a sound's voice the channel's volume, balance and pitch.
  void ApplyParameters(tSound* sound);
  void StopLocked(bool keepPlaying);
  void TriggerLocked(uint32_t now, int32_t samplesPerBeat);
  static bool IsDue(uint32_t now, uint32_t time);

  tCriticalSection m_Lock;
  tFileName m_SndLabel;
  uint32_t m_SndSerial = 0;
  tFileName m_SndPath;
  tFileName m_SfxLabel;
  uint32_t m_SfxSerial = 0;
  tFileName m_SfxPath;
  tFileName m_FileLabel;
  uint32_t m_FileSerial = 0;
  tFileName m_FilePath;
  WAVEFORMATEX m_SndFormat{};
  WAVEFORMATEX m_SfxFormat{};
  std::unique_ptr<tSound> m_pSnd;
  std::unique_ptr<tSound> m_pSfx;
  tSound* m_pCurrent = nullptr;  // one of the two, or none
  std::atomic<uint8_t> m_Key{0};
  std::atomic<bool> m_KeyHeld{false};
  std::atomic<bool> m_Latched{false};
  std::atomic<bool> m_FxOn{false};
  std::atomic<int32_t> m_Volume{100};
  std::atomic<int32_t> m_Balance{0};
  std::atomic<double> m_Pitch{0.0};
  int32_t m_BaseVolume = 80;
  int32_t m_BaseBalance = 0;
  std::atomic<double> m_Quantize{0.0};
  std::atomic<double> m_Loop{0.0};
  std::atomic<double> m_Delay{0.0};
  uint32_t m_NextStart = kNoTime;
  uint32_t m_SavedStart = kNoTime;
  bool m_SavedFxOn = false;
  std::atomic<bool> m_Suspended{false};
};
