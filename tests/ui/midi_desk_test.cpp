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

// Hand-edited settings that are not valid keep their defaults: a note map
// of other than sixteen numbers from 0 to 127, a channel past 16, an
// unknown MIDI system.
TEST_F(MidiDesk, HandEditedSettingsKeepTheirDefaults) {
  const std::string fifteen = "36 37 38 39 40 41 42 43 44 45 46 47 48 49 50 ";
  tMidiDesk::tNoteMap parsed{};
  for (const std::string& bad :
       {std::string(), fifteen + "128", fifteen + "-1", fifteen + "51 52", fifteen + "x"})
    EXPECT_FALSE(tMidiDesk::ParseNotes(bad, parsed)) << bad;
  tRegistry settings;
  settings.SetMainKey(kSettingsKey);
  settings.WriteText(tMidiDesk::kNotesSetting, "36 37 38");
  settings.WriteNumber(tMidiDesk::kChannelSetting, 17);
  settings.WriteText(tMidiDesk::kSystemSetting, "pipewire");
  tMidiDesk& midi = desk_->Midi();
  midi.LoadSettings();
  EXPECT_EQ(midi.Notes(), tMidiDesk::DefaultNotes());
  EXPECT_EQ(midi.ChannelFilter(), tMidiDesk::kAnyChannel);
  EXPECT_EQ(midi.System(), MidiSystem::kAlsa);
}

}  // namespace
