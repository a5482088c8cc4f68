#include "ui/midi_desk.h"

#include <cstdio>
#include <sstream>

#include "mix/registry.h"
#include "platform/trace.h"
#include "ui/interface.h"

namespace {

uint16_t Bit(int index) {
  return static_cast<uint16_t>(1u << index);
}

}  // namespace

tMidiDesk::tMidiDesk(tInterface& desk) : m_Desk(desk), m_Notes(DefaultNotes()) {}

tMidiDesk::~tMidiDesk() {
  Stop();
}

// --------------------------------------------------------------- settings

tMidiDesk::tNoteMap tMidiDesk::DefaultNotes() {
  tNoteMap notes{};
  for (int i = 0; i < kChannels; ++i) notes[static_cast<size_t>(i)] = uint8_t(kFirstNote + i);
  return notes;
}

std::string tMidiDesk::FormatNotes(const tNoteMap& notes) {
  std::string text;
  for (uint8_t note : notes) {
    if (!text.empty()) text += ' ';
    text += std::to_string(note);
  }
  return text;
}

bool tMidiDesk::ParseNotes(const std::string& text, tNoteMap& out) {
  std::istringstream in(text);
  tNoteMap notes{};
  for (uint8_t& note : notes) {
    int value = -1;
    if (!(in >> value) || value < 0 || value > 127) return false;
    note = static_cast<uint8_t>(value);
  }
  std::string rest;
  if (in >> rest) return false;
  out = notes;
  return true;
}

void tMidiDesk::LoadSettings() {
  tRegistry settings;
  settings.SetMainKey(kSettingsKey);
  char text[260];
  m_Notes = DefaultNotes();
  if (settings.ReadText(kNotesSetting, text, sizeof text) && !ParseNotes(text, m_Notes))
    platform::Trace("MIDI: the stored note map \"%s\" is not valid; the default is used\n", text);
  uint32_t number = 0;
  m_Filter = kAnyChannel;
  if (settings.ReadNumber(kChannelSetting, number) && number <= 16)
    m_Filter = static_cast<uint8_t>(number);
  m_System = platform::MidiSystem::kAlsa;
  if (settings.ReadText(kSystemSetting, text, sizeof text) &&
      !platform::MidiSystemFromName(text, m_System))
    m_System = platform::MidiSystem::kAlsa;
  m_Connect = true;
  if (settings.ReadNumber(kConnectSetting, number)) m_Connect = number != 0;
}

void tMidiDesk::SaveSettings() {
  tRegistry settings;
  settings.SetMainKey(kSettingsKey);
  (void)(settings.WriteText(kNotesSetting, FormatNotes(m_Notes).c_str()) &&
         settings.WriteNumber(kChannelSetting, m_Filter) &&
         settings.WriteText(kSystemSetting, platform::MidiSystemName(m_System)) &&
         settings.WriteNumber(kConnectSetting, m_Connect ? 1 : 0));
}

void tMidiDesk::SetNote(int index, uint8_t note) {
  if (index < 0 || index >= kChannels || note > 127) return;
  m_Notes[static_cast<size_t>(index)] = note;
  tRegistry settings;
  settings.SetMainKey(kSettingsKey);
  settings.WriteText(kNotesSetting, FormatNotes(m_Notes).c_str());
}

// ------------------------------------------------------------------ input

bool tMidiDesk::Start() {
  Stop();
  platform::MidiOptions options;
  options.system = m_System;
  options.connectHardware = m_Connect;
  std::string error;
  m_pInput = platform::OpenMidiInput(options, error);
  if (m_pInput != nullptr) {
    platform::Trace("MIDI: the port \"Brevora\" is open on %s\n",
                    platform::MidiSystemName(m_System));
    return true;
  }
  if (m_System == platform::MidiSystem::kNone) {
    platform::Trace("MIDI: off\n");
    return false;
  }
  // Once: the trace is stderr when it is on.
  const std::string text = "brevora: MIDI input is off: " + error + "\n";
  if (platform::TraceEnabled())
    platform::Trace("%s", text.c_str());
  else
    std::fputs(text.c_str(), stderr);
  return false;
}

void tMidiDesk::Attach(std::unique_ptr<platform::MidiInput> input) {
  Stop();
  m_pInput = std::move(input);
}

void tMidiDesk::Stop() {
  m_pInput.reset();
  m_Down.fill(0);
  m_Holds.fill(0);
  m_PedalDown = 0;
  m_LostSaid = 0;
}

void tMidiDesk::TakeRecords() {
  if (m_pInput == nullptr) return;
  platform::MidiRecord record;
  while (m_pInput != nullptr && m_pInput->Take(record)) Run(record);
  if (m_pInput != nullptr && m_pInput->Lost() != m_LostSaid) {
    m_LostSaid = m_pInput->Lost();
    platform::Trace("MIDI: %u records lost so far (the desk did not take them in time)\n",
                    m_LostSaid);
  }
}

tMidiDesk::tDialogScope::tDialogScope(tMidiDesk& midi) : m_Midi(midi) {
  m_Midi.TakeRecords();
  ++m_Midi.m_DialogDepth;
}

tMidiDesk::tDialogScope::~tDialogScope() {
  m_Midi.TakeRecords();
  --m_Midi.m_DialogDepth;
}

// -------------------------------------------------------------- the notes

bool tMidiDesk::Performing() const {
  const int32_t state = m_Desk.State();
  return m_DialogDepth == 0 && (state == tDeskCore::kIdle || state == tDeskCore::kRecording);
}

uint16_t tMidiDesk::ChannelsOnNote(uint8_t note) const {
  uint16_t channels = 0;
  for (int i = 0; i < kChannels; ++i)
    if (m_Notes[static_cast<size_t>(i)] == note) channels |= Bit(i);
  return channels;
}

void tMidiDesk::Run(const platform::MidiRecord& record) {
  if (record.channel < 1 || record.channel > 16 || record.number > 127) return;
  if (m_Filter != kAnyChannel && record.channel != m_Filter) return;
  switch (record.kind) {
    case platform::MidiRecord::Kind::kNoteOn:
      NoteOn(record.channel, record.number);
      break;
    case platform::MidiRecord::Kind::kNoteOff:
      NoteOff(record.channel, record.number);
      break;
    case platform::MidiRecord::Kind::kControl:
      Control(record.channel, record.number, record.value);
      break;
  }
}

void tMidiDesk::NoteOn(uint8_t channel, uint8_t note) {
  uint16_t& down = m_Down[note];
  const uint16_t bit = Bit(channel - 1);
  // A note held already (again on this MIDI channel, or on another) does
  // not press its channels a second time, as a key's repeats do not.
  const bool first = down == 0;
  down |= bit;
  if (!first || !Performing()) return;
  m_Holds[note] = m_Desk.PressChannels(ChannelsOnNote(note));
  if (m_Desk.State() != tDeskCore::kIdle) return;
  // Learning: a key label waiting for a key takes the note for its channel.
  for (int i = 0; i < kChannels; ++i)
    if (m_Desk.KeyLabel(i).TakeNote()) SetNote(i, note);
}

void tMidiDesk::NoteOff(uint8_t channel, uint8_t note) {
  uint16_t& down = m_Down[note];
  const uint16_t bit = Bit(channel - 1);
  // No note on of its own: it came before the port opened, or every note
  // was released since.
  if ((down & bit) == 0) return;
  down = static_cast<uint16_t>(down & ~bit);
  if (down != 0) return;  // held on another MIDI channel still
  const uint16_t holds = m_Holds[note];
  m_Holds[note] = 0;
  if (holds == 0) return;
  if (Performing()) {
    m_Desk.ReleaseChannels(holds, false);
    return;
  }
  // A panel, a dialog or the message box is open. Playback and the play
  // panel reset the channels when they begin; there the note has nothing
  // left to release, and the channels belong to the playback.
  const int32_t under = m_Desk.DeskState();
  if (under == tDeskCore::kPlaying || under == tDeskCore::kPlayStopped) return;
  uint16_t held = 0;
  for (int i = 0; i < kChannels; ++i)
    if ((holds & Bit(i)) != 0 && m_Desk.Channel(i).GetKeyHeld()) held |= Bit(i);
  m_Desk.ReleaseChannels(held, true);
}

void tMidiDesk::Control(uint8_t channel, uint8_t number, uint8_t value) {
  switch (number) {
    case kSustain: {
      const uint16_t bit = Bit(channel - 1);
      const bool wasDown = (m_PedalDown & bit) != 0;
      const bool isDown = value >= 64;
      m_PedalDown = static_cast<uint16_t>(isDown ? m_PedalDown | bit : m_PedalDown & ~bit);
      if (isDown && !wasDown && Performing()) m_Desk.ToggleLatchOfHeld();
      break;
    }
    case kAllSoundOff:
    case kAllNotesOff:
      ReleaseAll();
      break;
    default:
      break;
  }
}

void tMidiDesk::ReleaseAll() {
  // The recording goes on: what falls silent now is recorded, so that the
  // take plays back as it sounded.
  if (m_Desk.State() == tDeskCore::kRecording) {
    const uint32_t time = m_Desk.Timer().GetTime();
    for (int i = 0; i < kChannels; ++i) {
      tChannel& ch = m_Desk.Channel(i);
      if (!ch.HasSound()) continue;
      tSound* main = ch.GetSound(tChannel::kMain);
      tSound* effect = ch.GetSound(tChannel::kEffect);
      const bool sounding =
          (main != nullptr && main->IsPlaying()) || (effect != nullptr && effect->IsPlaying());
      if (sounding || ch.IsScheduled() || ch.GetKeyHeld() || ch.GetLatched() || ch.GetSuspended())
        m_Desk.RecordEvent(i, kStop, 0, time);
      if (ch.GetFxOn()) m_Desk.RecordEvent(i, kFx, 0, time);
    }
  }
  m_Desk.ResetChannelStates();
  m_Down.fill(0);
  m_Holds.fill(0);
}
