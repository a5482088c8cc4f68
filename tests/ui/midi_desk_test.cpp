// The desk played from a MIDI controller, through the service's test back
// end: records pushed as a port would receive them wake the desk's loop,
// which runs them with the rules of the performance keys.
#include "ui/midi_desk.h"

#include <cstdio>

#include "platform/midi.h"
#include "tests/ui/desk_test_support.h"
#include "ui/file_dialog.h"

using namespace platform;

namespace {

class MidiDesk : public StartedDeskTest {
 protected:
  void SetUp() override {
    StartedDeskTest::SetUp();
    AttachPads();
  }
  void AttachPads() {
    auto input = std::make_unique<TestMidiInput>();
    pads_ = input.get();
    desk_->Midi().Attach(std::move(input));
  }

  // The desk's loop takes the records that wait, then the rest.
  void Loop() {
    tInputEvent e;
    desk_->NextRecord(e);
    desk_->Dispatch(e);
    Pump();
  }
  // Steps of a pad: "on36" (a note on, velocity 100, on MIDI channel 1),
  // "on37v0" (velocity 0), "off36.2" (a note off on MIDI channel 2),
  // "cc64=127" (a control change), each taken by the desk's loop; any
  // other step is the keyboard's.
  bool RunStep(const std::string& step) override {
    unsigned number = 0, value = 0, channel = 1;
    const char* text = step.c_str();
    if (std::sscanf(text, "cc%u=%u.%u", &number, &value, &channel) >= 2) {
      pads_->Control(uint8_t(number), uint8_t(value), uint8_t(channel));
    } else if (std::sscanf(text, "off%u.%u", &number, &channel) >= 1) {
      pads_->NoteOff(uint8_t(number), uint8_t(channel));
    } else if (std::sscanf(text, "on%u.%u", &number, &channel) >= 1) {
      const size_t v = step.find('v');
      pads_->NoteOn(uint8_t(number), uint8_t(channel),
                    uint8_t(v == std::string::npos ? 100 : std::stoul(step.substr(v + 1))));
    } else {
      return StartedDeskTest::RunStep(step);
    }
    Loop();
    return true;
  }

  TestMidiInput* pads_ = nullptr;
};

// Notes press and release their channels as keys do: velocity 0 is a note
// off, a note no channel has does nothing, a note held on two MIDI
// channels presses once and releases with the last; the channel filter
// passes one MIDI channel; the pedal going down toggles the latch of the
// held channels.
TEST_F(MidiDesk, Pads) {
  Load(0);  // note 36
  Load(1);  // note 37
  Play("on36 off36 on37v1 on37v0 on38 on60 off38 off60");
  desk_->Midi().SetNote(1, 36);  // channels 1 and 2 on one pad
  Play("on36 wait5000 on36.2 on36.2 off36 off36.2 +Q off36 -Q");
  desk_->Midi().SetNote(1, 37);

  desk_->Midi().SetChannelFilter(10);
  Play("on36.1 cc123=0.1 on36.10 cc64=127.1 off36.1 off36.10");
  desk_->Midi().SetChannelFilter(17);  // out of range: any
  Note("filter " + std::to_string(desk_->Midi().ChannelFilter()));

  // W is held by its key: the pedal latches it too, as Space does.
  Play("on36 +W cc64=100 cc64=127 off36 -W cc64=0 cc64=64 cc64=63 on36 cc64=64 off36");
  ExpectGoldenText("midi_pads.trace", trace_);
}

// All notes off and all sound off release every channel, and what fell
// silent is recorded; the recording and a playback go on.
TEST_F(MidiDesk, AllNotesOff) {
  Load(0, 22050, true);
  Load(1);
  Load(2);
  for (uint8_t number : {tMidiDesk::kAllNotesOff, tMidiDesk::kAllSoundOff}) {
    Record();
    Play("@1000 +Tab on36 on37 cc64=127 off37 cc64=0 @1500 cc" + std::to_string(number) +
         "=0 off36 on36 off36 -Tab @2000 Enter");
    NoteEvents();
  }
  desk_->Transport().SetFramePause(0);
  desk_->Transport().SetMode(tTransport::kPlayMode);
  desk_->SetState(tDeskCore::kPlayStopped);
  Play("Enter");
  Ch(1).Trigger(desk_->Timer().GetTime());
  Log("channel 2 triggered");
  Play("cc123=0");
  ExpectGoldenText("midi_all_notes_off.trace", trace_);
}

// Where keys do nothing notes do nothing either, but a note off still
// releases what its note on held before a panel opened.
TEST_F(MidiDesk, NotesUnderPanelsAndDialogs) {
  Load(0);
  Load(1);
  for (int32_t state :
       {tDeskCore::kPlaying, tDeskCore::kPlayStopped, tDeskCore::kHelp, tDeskCore::kQuality,
        tDeskCore::kTempo, tDeskCore::kExport, tDeskCore::kExit, tDeskCore::kMessageBox}) {
    desk_->SetState(state);
    Play("on36 off36");
  }
  desk_->SetState(tDeskCore::kIdle);
  Play("on36 on37");
  desk_->SetState(tDeskCore::kQuality);
  Play("cc64=127 off36 +W");
  // A channel released meanwhile by its key stays as it is.
  desk_->SetState(tDeskCore::kIdle);
  Play("-W");
  Ch(1).SetLatched(true);
  Ch(1).Trigger(desk_->Timer().GetTime());
  desk_->SetState(tDeskCore::kQuality);
  Play("off37 cc64=0");
  desk_->SetState(tDeskCore::kIdle);
  Ch(1).SetLatched(false);
  // In playback the channels are the playback's: a note off leaves them.
  Play("on37");
  desk_->SetState(tDeskCore::kPlaying);
  Play("off37");
  desk_->SetState(tDeskCore::kIdle);
  Play("Esc");

  // A file dialog with a loop of its own passes its wake-ups on to the
  // desk: a note off releases at once, notes and the pedal do nothing, and
  // what still waits when the dialog closes is run under the same rules.
  Load(2);
  Play("on36 on38");
  {
    tMidiDesk::tDialogScope scope(desk_->Midi());
    tFileDialog dialog(tFileDialog::Variant::kMainSample);
    tFileDialog::tHooks hooks;
    hooks.passOn = [this](const tInputEvent& e) { desk_->Dispatch(e); };
    dialog.SetHooks(std::move(hooks));
    pads_->NoteOff(36);
    pads_->NoteOn(37);
    pads_->Control(tMidiDesk::kSustain, 127);
    tInputEvent wake;
    wake.kind = tInputKind::kWake;
    dialog.HandleEvent(wake);
    Log("dialog woken by off36 on37 cc64=127");
    pads_->NoteOff(38);  // taken when the dialog closes
    Log("off38 waits");
  }
  Log("dialog closed");
  Play("off37 cc64=0");
  FlushInput();
  ExpectGoldenText("midi_under_panels.trace", trace_);
}

// A waiting key label learns the next note (not while the desk records),
// and the map is stored at once.
TEST_F(MidiDesk, AWaitingKeyLabelLearnsTheNextNote) {
  Load(2);  // note 38
  tKeyLabel& label = desk_->KeyLabel(2);
  const tRect r = label.Rect();
  const auto showLabel = [&] {
    Note("label mode " + std::to_string(label.Mode()) + " letter " + char(label.Letter()) +
         " note " + std::to_string(desk_->Midi().Note(2)));
  };
  // The label is armed by a click of the desk's mouse.
  desk_->MousePress(r.left + 2, r.top + 2);
  desk_->MouseRelease(r.left + 2, r.top + 2);
  Play("off60");  // a note off teaches nothing
  showLabel();
  Play("on60");  // the note had no channel when it came
  showLabel();
  Play("off60 on60 off60 on38 off38");
  tMidiDesk stored(*desk_);
  stored.LoadSettings();
  Note("stored notes " + tMidiDesk::FormatNotes(stored.Notes()));

  Record();
  label.Press(r.left, r.top);
  label.Release(r.left, r.top);
  Play("on61");
  showLabel();
  Play("off61");
  ExpectGoldenText("midi_learning.trace", trace_);
}

// The same performance from the keyboard and from pads records the same
// take, event for event.
TEST_F(MidiDesk, ATakeOnPadsEqualsTheSameTakeOnKeys) {
  auto perform = [&](const std::string& steps) {
    desk_.reset();
    StartDesk();
    AttachPads();
    Load(0, 22050, true);
    Load(1);
    Load(2);
    Record();
    Play(steps);
    return Events();
  };
  const std::string keys = perform(
      "@1000 +Tab +Q @1240 +PgUp +F4 -Tab @1500 +Shift -Q -Shift +W Space -W @1760 +E @2000 "
      "+Ctrl -Ctrl -E @2500 +W Space -W Enter");
  const std::string pads = perform(
      "@1000 +Tab on36 @1240 +PgUp +F4 -Tab @1500 +Shift off36 -Shift on37 cc64=127 cc64=0 "
      "off37 @1760 on38 @2000 +Ctrl -Ctrl off38 @2500 on37 cc64=127 cc64=0 off37 Enter");
  EXPECT_EQ(pads, keys);
  // The take is a real one: plays, stops, the effect, a ring-out, edits.
  NoteEvents();
  ExpectGoldenText("midi_take.trace", trace_);
}

TEST_F(MidiDesk, SettingsKeepTheMapTheFilterAndTheSystem) {
  tMidiDesk& midi = desk_->Midi();
  EXPECT_EQ(midi.Notes(), tMidiDesk::DefaultNotes());
  EXPECT_EQ(midi.Note(0), 36);
  EXPECT_EQ(midi.Note(15), 51);
  EXPECT_EQ(midi.System(), MidiSystem::kAlsa);
  EXPECT_TRUE(midi.ConnectHardware());

  tMidiDesk::tNoteMap notes = tMidiDesk::DefaultNotes();
  notes[0] = 0;
  notes[15] = 127;
  const std::string text = tMidiDesk::FormatNotes(notes);
  EXPECT_EQ(text, "0 37 38 39 40 41 42 43 44 45 46 47 48 49 50 127");
  tMidiDesk::tNoteMap parsed{};
  ASSERT_TRUE(tMidiDesk::ParseNotes(" " + text + "  ", parsed));
  EXPECT_EQ(parsed, notes);
  const std::string fifteen = "36 37 38 39 40 41 42 43 44 45 46 47 48 49 50 ";
  for (const std::string& bad : {std::string(), std::string("36 37"), fifteen + "128",
                                 fifteen + "-1", fifteen + "51 52", fifteen + "x"})
    EXPECT_FALSE(tMidiDesk::ParseNotes(bad, parsed)) << bad;

  midi.SetChannelFilter(10);
  midi.SetSystem(MidiSystem::kJack);
  midi.SetConnectHardware(false);
  midi.SetNote(4, 99);
  midi.SaveSettings();
  tMidiDesk again(*desk_);
  again.LoadSettings();
  EXPECT_EQ(again.ChannelFilter(), 10);
  EXPECT_EQ(again.System(), MidiSystem::kJack);
  EXPECT_FALSE(again.ConnectHardware());
  EXPECT_EQ(again.Note(4), 99);

  // Hand-edited values that are not valid keep their defaults.
  tRegistry settings;
  settings.SetMainKey(kSettingsKey);
  settings.WriteText(tMidiDesk::kNotesSetting, "36 37 38");
  settings.WriteNumber(tMidiDesk::kChannelSetting, 17);
  settings.WriteText(tMidiDesk::kSystemSetting, "pipewire");
  again.LoadSettings();
  EXPECT_EQ(again.Notes(), tMidiDesk::DefaultNotes());
  EXPECT_EQ(again.ChannelFilter(), tMidiDesk::kAnyChannel);
  EXPECT_EQ(again.System(), MidiSystem::kAlsa);
}

TEST_F(MidiDesk, WithoutItsSystemTheDeskGoesOnAndSaysSoOnce) {
  desk_->Midi().SetSystem(MidiSystem::kJack);
  setenv("JACK_DEFAULT_SERVER", "brevora-nobody-runs-this", 1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(desk_->Midi().Start());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "brevora: MIDI input is off: no JACK server is running\n");
  EXPECT_FALSE(desk_->Midi().Running());
  // The desk's loop goes on without MIDI.
  Load(0);
  Press('Q');
  EXPECT_TRUE(Ch(0).IsScheduled());
  Release('Q');
  desk_->Midi().SetSystem(MidiSystem::kNone);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(desk_->Midi().Start());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
