#pragma once
// The desk played from a MIDI controller. Each of the sixteen channels has a
// note (36 to 51 unless learned otherwise, channel 1 on 36); a note on is the
// press of a performance key for the channels on that note and a note off
// its release, with every rule of the key, so a take played on pads records
// the same events as one played on the keyboard. The sustain pedal going
// down toggles the latch of the held channels as Space does; "all notes off"
// and "all sound off" release every channel as Esc does, but leave the
// transport running. A key label that waits for a key also takes a note.
//
// Notes do nothing where performance keys do nothing (playback, panels,
// dialogs, the message box), but a note off always releases what its own
// note on held, so that no channel stays held by a pad that was let go while
// a panel or a dialog was open.
//
// The note map, the MIDI channel filter (0: any), the MIDI system and
// whether hardware sources are connected are settings:
//   "MidiNotes"="36 37 38 39 40 41 42 43 44 45 46 47 48 49 50 51"
//   "MidiChannel"=dword:00000000
//   "MidiSystem"="alsa"            ("alsa", "jack" or "none")
//   "MidiConnect"=dword:00000001
//
// Main thread only. The service's thread only queues records; the desk takes
// them in TakeRecords, which every loop of the desk runs through NextRecord.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/midi.h"

class tInterface;

class tMidiDesk {
 public:
  static constexpr int kChannels = 16;
  static constexpr uint8_t kFirstNote = 36;
  static constexpr uint8_t kAnyChannel = 0;
  static constexpr uint8_t kSustain = 64;
  static constexpr uint8_t kAllSoundOff = 120;
  static constexpr uint8_t kAllNotesOff = 123;
  using tNoteMap = std::array<uint8_t, kChannels>;
  // The names of the settings.
  static constexpr const char* kNotesSetting = "MidiNotes";
  static constexpr const char* kChannelSetting = "MidiChannel";
  static constexpr const char* kSystemSetting = "MidiSystem";
  static constexpr const char* kConnectSetting = "MidiConnect";

  explicit tMidiDesk(tInterface& desk);
  ~tMidiDesk();
  tMidiDesk(const tMidiDesk&) = delete;
  tMidiDesk& operator=(const tMidiDesk&) = delete;

  // ---- settings ----
  // Reads the four settings; a value that is missing or not valid keeps its
  // default (a note map falls back as a whole).
  void LoadSettings();
  void SaveSettings();
  uint8_t Note(int index) const { return m_Notes[static_cast<size_t>(index)]; }
  // Gives a channel a note and stores the map at once.
  void SetNote(int index, uint8_t note);
  const tNoteMap& Notes() const { return m_Notes; }
  uint8_t ChannelFilter() const { return m_Filter; }
  void SetChannelFilter(uint8_t channel) { m_Filter = channel <= 16 ? channel : kAnyChannel; }
  platform::MidiSystem System() const { return m_System; }
  void SetSystem(platform::MidiSystem system) { m_System = system; }
  bool ConnectHardware() const { return m_Connect; }
  void SetConnectHardware(bool on) { m_Connect = on; }
  static tNoteMap DefaultNotes();
  // Sixteen note numbers 0 to 127, channel 1 first, separated by spaces.
  static std::string FormatNotes(const tNoteMap& notes);
  static bool ParseNotes(const std::string& text, tNoteMap& out);

  // ---- input ----
  // Opens the service on the system of the settings. One that cannot start
  // is said once (stderr, or the trace when it is on) and the desk goes on
  // without MIDI; false then, and when MIDI is off.
  bool Start();
  // Takes this input instead (the tests' back end).
  void Attach(std::unique_ptr<platform::MidiInput> input);
  // Closes the service; records still waiting are dropped.
  void Stop();
  bool Running() const { return m_pInput != nullptr; }
  // Runs every record that waits.
  void TakeRecords();

  // For a loop of its own that does not take its records through the
  // desk's NextRecord (a file dialog, which passes its wake-ups on to the
  // desk's Dispatch): the records that wait are run first; from then on,
  // and for those taken at the scope's end, notes and the pedal do nothing,
  // while note offs still release their channels.
  class tDialogScope {
   public:
    explicit tDialogScope(tMidiDesk& midi);
    ~tDialogScope();
    tDialogScope(const tDialogScope&) = delete;
    tDialogScope& operator=(const tDialogScope&) = delete;

   private:
    tMidiDesk& m_Midi;
  };

 private:
  void Run(const platform::MidiRecord& record);
  void NoteOn(uint8_t channel, uint8_t note);
  void NoteOff(uint8_t channel, uint8_t note);
  void Control(uint8_t channel, uint8_t number, uint8_t value);
  // Every channel released, the transport left as it is.
  void ReleaseAll();
  // Notes play: the desk is idle or recording and no dialog is open.
  bool Performing() const;
  uint16_t ChannelsOnNote(uint8_t note) const;

  tInterface& m_Desk;
  std::unique_ptr<platform::MidiInput> m_pInput;
  tNoteMap m_Notes;
  uint8_t m_Filter = kAnyChannel;
  platform::MidiSystem m_System = platform::MidiSystem::kAlsa;
  bool m_Connect = true;
  // Per note, the MIDI channels (bit c - 1 for channel c) that hold it down,
  // and the desk's channels (bit i for index i) its press held.
  std::array<uint16_t, 128> m_Down{};
  std::array<uint16_t, 128> m_Holds{};
  uint16_t m_PedalDown = 0;  // per MIDI channel
  int m_DialogDepth = 0;
  uint32_t m_LostSaid = 0;
};
