// The desk played from a MIDI controller, through the service's test back
// end: records pushed as a port would receive them wake the desk's loop,
// which runs them with the rules of the performance keys.
#include "ui/midi_desk.h"
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
  void On(uint8_t note, uint8_t channel = 1) {
    pads_->NoteOn(note, channel);
    Loop();
  }
  void Off(uint8_t note, uint8_t channel = 1) {
    pads_->NoteOff(note, channel);
    Loop();
  }
  void Cc(uint8_t number, uint8_t value, uint8_t channel = 1) {
    pads_->Control(number, value, channel);
    Loop();
  }
  bool Playing(int index) { return Ch(index).IsScheduled(); }

  TestMidiInput* pads_ = nullptr;
};

TEST_F(MidiDesk, NotesPressAndReleaseTheirChannelsLikeKeys) {
  Load(0);  // note 36
  Load(1);  // note 37
  On(36);
  EXPECT_TRUE(Ch(0).GetKeyHeld() && Playing(0));
  EXPECT_EQ(desk_->Led(0).Value(), 3);
  EXPECT_FALSE(Ch(1).GetKeyHeld());
  Off(36);
  EXPECT_FALSE(Ch(0).GetKeyHeld() || Playing(0));
  EXPECT_EQ(desk_->Led(0).Value(), 0);

  // A note on with velocity 0 is a note off; velocity plays no part.
  pads_->NoteOn(37, 1, 1);
  Loop();
  EXPECT_TRUE(Playing(1));
  pads_->NoteOn(37, 1, 0);
  Loop();
  EXPECT_FALSE(Playing(1) || Ch(1).GetKeyHeld());

  // A channel without a sample, or a note no channel has, does nothing.
  On(38);
  On(60);
  for (int i = 2; i < 16; ++i) EXPECT_FALSE(Ch(i).GetKeyHeld()) << i;
  Off(38);
  Off(60);
}

TEST_F(MidiDesk, SharedNotesAndNotesHeldTwice) {
  Load(0);
  Load(1);
  desk_->Midi().SetNote(1, 36);  // channels 1 and 2 on one pad
  On(36);
  EXPECT_TRUE(Playing(0) && Playing(1));
  const uint32_t start = Ch(0).GetNextStart();
  desk_->Timer().AddTime(5000);
  // The same note on another MIDI channel, or again without its note off,
  // does not press a second time; the channels go when the last is let go.
  On(36, 2);
  On(36, 2);
  EXPECT_EQ(Ch(0).GetNextStart(), start);
  Off(36);
  EXPECT_TRUE(Playing(0) && Playing(1));
  Off(36, 2);
  EXPECT_FALSE(Playing(0) || Playing(1));
  // A note off without its note on is passed by.
  Press('Q');
  Off(36);
  EXPECT_TRUE(Ch(0).GetKeyHeld());
  Release('Q');
}

TEST_F(MidiDesk, TheChannelFilterPassesOneMidiChannel) {
  Load(0);
  desk_->Midi().SetChannelFilter(10);
  On(36, 1);
  Cc(tMidiDesk::kAllNotesOff, 0, 1);
  EXPECT_FALSE(Playing(0));
  On(36, 10);
  EXPECT_TRUE(Playing(0));
  Cc(tMidiDesk::kSustain, 127, 1);  // another channel's pedal
  EXPECT_FALSE(Ch(0).GetLatched());
  Off(36, 1);
  EXPECT_TRUE(Playing(0));
  Off(36, 10);
  EXPECT_FALSE(Playing(0));
  desk_->Midi().SetChannelFilter(17);  // out of range: any
  EXPECT_EQ(desk_->Midi().ChannelFilter(), tMidiDesk::kAnyChannel);
}

TEST_F(MidiDesk, ThePedalGoingDownTogglesTheLatchOfHeldChannels) {
  Load(0);
  Load(1);
  On(36);
  Press('W');  // held by its key: the pedal latches it too, as Space does
  Cc(tMidiDesk::kSustain, 100);
  EXPECT_TRUE(Ch(0).GetLatched() && Ch(1).GetLatched());
  Cc(tMidiDesk::kSustain, 127);  // still down: no second toggle
  EXPECT_TRUE(Ch(0).GetLatched());
  Off(36);
  Release('W');
  EXPECT_TRUE(Playing(0) && Playing(1));  // latched channels play on
  EXPECT_EQ(desk_->Led(0).Value(), 1);
  Cc(tMidiDesk::kSustain, 0);
  EXPECT_TRUE(Ch(0).GetLatched());  // going up does nothing
  Cc(tMidiDesk::kSustain, 64);      // nothing held: nothing toggles
  EXPECT_TRUE(Ch(0).GetLatched());
  Cc(tMidiDesk::kSustain, 63);
  On(36);
  Cc(tMidiDesk::kSustain, 64);
  EXPECT_FALSE(Ch(0).GetLatched());
  EXPECT_TRUE(Ch(1).GetLatched());
  Off(36);
  EXPECT_FALSE(Playing(0));
}

TEST_F(MidiDesk, AllNotesOffReleasesEveryChannelAndKeepsTheTransport) {
  Load(0, 22050, true);
  Load(1);
  Load(2);
  for (uint8_t number : {tMidiDesk::kAllNotesOff, tMidiDesk::kAllSoundOff}) {
    Record();
    At(1000);
    Press(kKeyTab);
    On(36);  // held, with its effect
    On(37);
    Cc(tMidiDesk::kSustain, 127);  // latched
    Off(37);
    Cc(tMidiDesk::kSustain, 0);
    At(1500);
    Cc(number, 0);
    EXPECT_EQ(desk_->State(), tDeskCore::kRecording) << int(number);
    for (int i = 0; i < 3; ++i) {
      EXPECT_FALSE(Ch(i).GetKeyHeld() || Ch(i).GetLatched() || Ch(i).GetFxOn() || Playing(i)) << i;
    }
    // The pad let go afterwards has nothing left to release; a new press plays.
    Off(36);
    On(36);
    EXPECT_TRUE(Playing(0));
    Off(36);
    Release(kKeyTab);
    At(2000);
    Tap(kKeyEnter);
    ASSERT_EQ(desk_->State(), tDeskCore::kIdle);
    // What fell silent is in the take; a channel that was not playing is not.
    const std::string events = Events();
    EXPECT_NE(events.find("1500 0 Stop 0\n1500 0 Fx 0\n1500 1 Stop 0\n"), std::string::npos)
        << events;
    EXPECT_EQ(events.find("1500 2 Stop"), std::string::npos) << events;
  }

  // In playback the channels stop and the playback goes on.
  desk_->Transport().SetFramePause(0);
  desk_->Transport().SetMode(tTransport::kPlayMode);
  desk_->SetState(tDeskCore::kPlayStopped);
  Tap(kKeyEnter);
  ASSERT_EQ(desk_->State(), tDeskCore::kPlaying);
  Ch(1).Trigger(desk_->Timer().GetTime());
  Cc(tMidiDesk::kAllNotesOff, 0);
  EXPECT_FALSE(Playing(1));
  EXPECT_EQ(desk_->State(), tDeskCore::kPlaying);
}

TEST_F(MidiDesk, NotesDoNothingWhereKeysDoNothingButANoteOffStillReleases) {
  Load(0);
  Load(1);
  // Playback, the play panel, the panels and the message box ignore notes
  // and the pedal.
  for (int32_t state :
       {tDeskCore::kPlaying, tDeskCore::kPlayStopped, tDeskCore::kHelp, tDeskCore::kQuality,
        tDeskCore::kTempo, tDeskCore::kExport, tDeskCore::kExit, tDeskCore::kMessageBox}) {
    desk_->SetState(state);
    On(36);
    EXPECT_FALSE(Ch(0).GetKeyHeld() || Playing(0)) << state;
    Off(36);
  }

  // Held before a panel opened: the note off releases it all the same.
  desk_->SetState(tDeskCore::kIdle);
  On(36);
  On(37);
  desk_->SetState(tDeskCore::kQuality);
  Cc(tMidiDesk::kSustain, 127);  // not while the panel is open
  EXPECT_FALSE(Ch(0).GetLatched());
  Off(36);
  EXPECT_FALSE(Ch(0).GetKeyHeld() || Playing(0));
  // A channel released meanwhile by its key stays as it is.
  Press('W');
  desk_->SetState(tDeskCore::kIdle);
  Release('W');
  Ch(1).SetLatched(true);
  Ch(1).Trigger(desk_->Timer().GetTime());
  desk_->SetState(tDeskCore::kQuality);
  Off(37);
  EXPECT_TRUE(Playing(1));
  Cc(tMidiDesk::kSustain, 0);
  desk_->SetState(tDeskCore::kIdle);
  Ch(1).SetLatched(false);

  // In playback the channels are the playback's: a note off leaves them.
  On(37);
  desk_->SetState(tDeskCore::kPlaying);
  Off(37);
  EXPECT_TRUE(Playing(1));
  desk_->SetState(tDeskCore::kIdle);
  Tap(kKeyEsc);

  // A file dialog with a loop of its own passes its wake-ups on to the
  // desk: a note off releases at once, notes and the pedal do nothing, and
  // what still waits when the dialog closes is run under the same rules.
  Load(2);
  On(36);
  On(38);
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
    EXPECT_FALSE(Ch(0).GetKeyHeld() || Playing(0));
    EXPECT_FALSE(Ch(1).GetKeyHeld() || Playing(1));
    EXPECT_FALSE(Ch(2).GetLatched());
    pads_->NoteOff(38);  // taken when the dialog closes
    EXPECT_TRUE(Ch(2).GetKeyHeld());
  }
  EXPECT_FALSE(Ch(2).GetKeyHeld() || Playing(2));
  Off(37);
  Cc(tMidiDesk::kSustain, 0);
  FlushInput();
}

TEST_F(MidiDesk, AWaitingKeyLabelLearnsTheNextNote) {
  Load(2);  // note 38
  // The label is armed by a click of the desk's mouse.
  tKeyLabel& label = desk_->KeyLabel(2);
  const tRect r = label.Rect();
  desk_->MousePress(r.left + 2, r.top + 2);
  desk_->MouseRelease(r.left + 2, r.top + 2);
  ASSERT_EQ(label.Mode(), tKeyLabel::kWaiting);
  Off(60);  // a note off teaches nothing
  EXPECT_EQ(label.Mode(), tKeyLabel::kWaiting);
  On(60);
  EXPECT_EQ(label.Mode(), tKeyLabel::kIdle);
  EXPECT_EQ(label.Letter(), 'E');  // the key stays
  EXPECT_EQ(desk_->Midi().Note(2), 60);
  EXPECT_FALSE(Playing(2));  // the note had no channel when it came
  Off(60);
  On(60);
  EXPECT_TRUE(Playing(2));
  Off(60);
  On(38);
  EXPECT_FALSE(Playing(2));
  Off(38);
  // The map is stored at once.
  tMidiDesk stored(*desk_);
  stored.LoadSettings();
  EXPECT_EQ(stored.Note(2), 60);
  EXPECT_EQ(stored.Note(3), 39);

  // While recording a waiting label takes no note.
  Record();
  label.Press(r.left, r.top);
  label.Release(r.left, r.top);
  On(61);
  EXPECT_EQ(label.Mode(), tKeyLabel::kWaiting);
  EXPECT_EQ(desk_->Midi().Note(2), 60);
  Off(61);
}

// The same performance from the keyboard and from pads records the same
// take, event for event.
TEST_F(MidiDesk, ATakeOnPadsEqualsTheSameTakeOnKeys) {
  auto perform = [&](bool pads) {
    desk_.reset();
    StartDesk();
    AttachPads();
    Load(0, 22050, true);
    Load(1);
    Load(2);
    auto down = [&](int c) { pads ? On(uint8_t(36 + c)) : Press(uint8_t("QWE"[c])); };
    auto up = [&](int c) { pads ? Off(uint8_t(36 + c)) : Release(uint8_t("QWE"[c])); };
    auto latch = [&] {
      if (!pads) return Tap(kKeySpace);
      Cc(tMidiDesk::kSustain, 127);
      Cc(tMidiDesk::kSustain, 0);
    };
    Record();
    At(1000);
    Press(kKeyTab);
    down(0);
    At(1240);
    Press(kKeyPageUp);
    Press(kKeyF4);
    Release(kKeyTab);
    At(1500);
    Press(kKeyShift);
    up(0);
    Release(kKeyShift);
    down(1);
    latch();
    up(1);
    At(1760);
    down(2);
    At(2000);
    Press(kKeyCtrl);
    Release(kKeyCtrl);
    up(2);
    At(2500);
    down(1);
    latch();
    up(1);
    Tap(kKeyEnter);
    return Events();
  };
  const std::string keys = perform(false);
  const std::string pads = perform(true);
  EXPECT_EQ(pads, keys);
  // The take is a real one: plays, stops, the effect, a ring-out, edits.
  for (const char* line :
       {"1000 0 Fx 1\n1000 0 Play 0\n1240 0 Volume 82\n", "1240 0 Pitch 1\n", "1240 0 Fx 0\n",
        "1500 0 Stop 1\n1500 1 Play 0\n1760 2 Play 0\n2000 1 Stop 0\n2000 1 Play 0\n"
        "2000 2 Stop 0\n2500 1 Stop 0\n2500 0 EndMix 0\n"})
    EXPECT_NE(keys.find(line), std::string::npos) << line << keys;
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
  EXPECT_TRUE(Playing(0));
  Release('Q');
  desk_->Midi().SetSystem(MidiSystem::kNone);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(desk_->Midi().Start());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
