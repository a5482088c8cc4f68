#pragma once
// The desk without its widgets: the channels (from the channel layer), the
// tick timer and the engine tick, the event list, the transport with export,
// the settings. The screen is reached only through a tMixView. tInterface
// derives from this class; the headless renderer uses it with a console view.
#include <atomic>
#include <cstdint>
#include <vector>

#include "audio/timer.h"
#include "audio/vu.h"
#include "channels/channel_desk.h"
#include "mix/event_list.h"
#include "mix/mix_view.h"
#include "mix/registry.h"
#include "platform/lock.h"

class tDeskCore : public tChannelDesk {
 public:
  // Interface states.
  enum tState : int32_t {
    kIdle = 0,
    kRecording = 1,
    kPlaying = 2,
    kPlayStopped = 3,
    kHelp = 4,
    kQuality = 5,
    kTempo = 6,
    kExport = 7,
    kExit = 8,
    kMessageBox = 10,
    kBusy = 11,
  };
  static constexpr int32_t kDefaultTempo = 130;

  explicit tDeskCore(tMixView* view,
                     platform::PeriodicTimerService& timers = platform::SystemTimerService());
  ~tDeskCore() override;

  tMixView* MixView() const { return m_pMixView; }
  tTimer& Timer() { return m_Timer; }
  tEventList& Events() { return m_Events; }
  tVU_Gui& Meter() { return m_Meter; }

  int32_t State() const { return m_State.load(); }
  void SetState(int32_t state) { m_State.store(state); }
  // A panel or the message box keeps the state it opened in and gives it
  // back when it closes (one value for the whole desk).
  void SaveState() { m_SavedState.store(m_State.load()); }
  void RestoreState() { m_State.store(m_SavedState.load()); }
  int32_t SavedState() const { return m_SavedState.load(); }
  // The state of the desk under the message box: the saved state while a
  // message or a busy note is shown, else the state.
  int32_t DeskState() const;

  // ---- the engine tick ----
  // Creates the tick timer (10 ms, the engine tick) and starts the clock.
  void CreateTimer();
  void DestroyTimer();
  void EngineTick();
  void FeedLevelMeter();
  // Sets a tempo; values outside 1..999 become 130.
  static int32_t ValidTempo(int32_t bpm);

  // ---- the metronome ----
  void MetronomeTick(uint32_t time);
  void MetronomeSwitchOn();
  void MetronomeSwitchOff();
  void MetronomeClick();
  void MetronomeShow(bool shown);
  bool MetronomeOn() const { return m_MetronomeOn.load(); }
  int MetronomeStep() const { return m_MetronomeStep.load(); }

  // ---- the time display (milliseconds) ----
  uint32_t TimePosition() const { return m_TimePosition.load(); }
  uint32_t TimeLength() const { return m_TimeLength.load(); }
  void SetTimePosition(uint32_t ms);
  void SetTimeLength(uint32_t ms);

  // ---- events ----
  // Records an event when the desk is recording, at the clock time the
  // command used (the time it gave Trigger), so that a tick in between
  // does not move the event.
  void RecordEvent(int32_t channel, int32_t kind, int32_t value, uint32_t time);
  // A channel's pitch as the whole tenths a Pitch event stores, to the
  // nearest (steps of 0.1 add up to values such as 0.7999...).
  static int32_t PitchTenths(double pitch);
  void PlayDueEvents();
  virtual void DispatchEvent(uint32_t time, int32_t channel, int32_t kind, int32_t value);

  // ---- mix files ----
  bool LoadMix(const char* path);
  bool SaveMix(const char* path);

  // ---- transport ----
  void StartRecording();
  void StopRecording();
  void StartPlayback();
  void StopPlayback();
  void ResetChannelStates();
  bool ExportMix(const char* path, const WAVEFORMATEX& format);
  bool ConvertMix(const WAVEFORMATEX& format);
  void UpdateFormatLamps();

  // ---- settings ----
  void LoadSettings();
  void SaveSettings();
  void SetKeys(const char* keys);
  void ApplyOutputFormat(const WAVEFORMATEX& format);

 protected:
  void ClearMix() override;
  void RefreshAllStrips();

 private:
  static void TickCallback(uint32_t timerId, uint32_t message, uintptr_t user, uintptr_t r1,
                           uintptr_t r2);
  void DrawMetronome();
  void ShowTime();

  tMixView* m_pMixView;
  tTimer m_Timer;
  tEventList m_Events;
  tVU_Gui m_Meter;
  tRegistry m_Registry;

  std::atomic<int32_t> m_State{kIdle};
  std::atomic<int32_t> m_SavedState{kIdle};
  // Serialises the transport between the main thread and the tick thread,
  // which stops playback at the end of the events.
  tCriticalSection m_TransportLock;

  int32_t m_Remainder = 0;  // clock remainder, tick thread only
  tEvent m_Pending;         // playback's next event, under the transport lock

  std::atomic<int> m_MetronomeStep{0};
  std::atomic<bool> m_MetronomeOn{false};
  std::atomic<bool> m_MetronomeShown{true};

  std::atomic<uint32_t> m_TimePosition{0};
  std::atomic<uint32_t> m_TimeLength{0};

  std::vector<int32_t> m_LevelBuffer;  // the level feed's copy of the mix bus
};
