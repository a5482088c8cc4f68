// The desk's keyboard, driven through injected input records as the desk's
// loop takes them: the two key tables, the modifiers, the performance keys,
// recording, key labels and the LEDs they light. Each session writes what
// the desk showed after every key to a trace kept in golden/.
#include <cmath>

#include "platform/hostfs.h"
#include "tests/ui/desk_test_support.h"

using namespace platform;

namespace {

using Keyboard = StartedDeskTest;

// The first table's commands run for auto-repeated presses too, the second
// table and the performance keys only for a first press; an arrow pressed
// while its opposite is held resets the master volume or pitch; pitch steps
// stop short of twenty percent; playback takes only the master keys.
TEST_F(Keyboard, KeyTables) {
  Load(0, 22050, true);
  Play("+Q wait5000 *PgUp *PgUp *Ins *Home *PgDn *Del *Del *End *F4 *F4 *F2 *F3");
  Play("*Up -Up *Down -Down *Right -Right *Left -Left");
  Load(1, 22050, true);  // W, not held
  Ch(1).SetLatched(true);
  Play("*Tab *Ctrl *Space *Esc *Enter *Q *W -Tab -Ctrl -Space -Esc -Enter -W");
  Ch(1).SetLatched(false);

  Play("+Down +Up -Down -Up +Left *Left +Right -Left -Right");
  // The volume slider's picture covers the Tab lamp, which stays in view.
  const tRect lamp{640, 513, 650, 516};
  Play("+Tab");
  Note("Tab lamp " + Picture(lamp));
  Play("*Down *Down *Down");
  Note("Tab lamp " + Picture(lamp));
  Play("-Down -Tab Esc -Q +Q");
  for (int i = 0; i < 250; ++i) Press(kKeyF4, true);
  Log("250 x *F4");
  for (int i = 0; i < 500; ++i) Press(kKeyF2, true);
  Log("500 x *F2");
  Play("F3 -Q");

  Ch(0).SetKeyHeld(true);
  desk_->SetState(tDeskCore::kPlaying);
  Play("+W +PgUp +End +F4 +Tab +Ctrl +Space +Up +Right");
  ExpectGoldenText("keyboard_tables.trace", trace_);
}

// Tab switches the effect of held channels and of those pressed while it is
// down, and takes it from the unlatched ones when it goes up; Space latches;
// Ctrl suspends the latched channels that are not held and resumes them in
// phase, or drops them when released with Shift; channels sharing a key
// react together.
TEST_F(Keyboard, Modifiers) {
  Load(0, 22050, true);  // Q
  Load(1, 22050, true);  // W
  Load(2);               // E, no effect
  Load(3, 22050, true);  // R
  Play("+Q +Tab +W +E Space -Q -W -E R -Tab +Q Esc -Q");

  for (int i : {0, 1}) {
    Ch(i).SetQuantize(1.0);
    Ch(i).SetLoop(1.0);
  }
  Note("samples per beat " + std::to_string(static_cast<uint32_t>(SamplesPerBeat())));
  Play("@1000 +W +Q Space -Q wait3000 +Q -Q tick20 +Ctrl +Q Space Space -Q tick150 -Ctrl tick5");
  Play("+Ctrl +Shift -Ctrl -Shift Space -W Esc");

  desk_->SetKeys("QQERTZUIASDFGHJK");
  Play("+Q -Q");
  ExpectGoldenText("keyboard_modifiers.trace", trace_);
}

// Recording: a key label takes a letter only while the desk is idle; a take
// of half a second or less is discarded; every change is recorded; Esc ends
// what runs in each state; Enter in play mode plays only a recording.
TEST_F(Keyboard, Recording) {
  Load(0, 22050, true);  // Q
  Load(1);               // W
  Load(2);               // E
  tKeyLabel& label = desk_->KeyLabel(2);
  const tRect r = label.Rect();
  auto arm = [&] {
    label.Press(r.left, r.top);
    label.Release(r.left, r.top);
  };
  auto showLabel = [&] {
    Note("label mode " + std::to_string(label.Mode()) + " letter " + char(label.Letter()));
  };
  arm();
  Play("7");
  showLabel();
  Play("B");
  showLabel();
  Record();
  arm();
  Play("C");
  showLabel();
  Play("@300 Enter");
  Note("recording kept " + std::to_string(desk_->Events().HasRecording()));
  desk_->Transport().SetFramePause(0);
  desk_->Transport().SetMode(tTransport::kPlayMode);
  Play("Enter");
  desk_->Transport().SetMode(tTransport::kRecordMode);

  for (int i = 0; i < 8; ++i) Ch(1).AdjustPitch(0.1);  // 0.7999... as a sum of steps
  Record();
  Play("@1000 +Q tick1 @1500 +PgUp *Del +F4 +Tab @2000 +Shift -Q -Tab +W Space @2500 -W +Ctrl");
  Play("-Shift @3000 -Ctrl Enter");
  NoteEvents();

  auto escape = [&] {
    Ch(0).SetLatched(true);
    Ch(0).SetKeyHeld(true);
    Ch(0).SetFxOn(true);
    Ch(0).Trigger(desk_->Timer().GetTime());
    Play("Esc");
  };
  escape();
  Record();
  Play("@1000");
  escape();
  Note("recording kept " + std::to_string(desk_->Events().HasRecording()));
  desk_->Transport().SetMode(tTransport::kPlayMode);
  desk_->SetState(tDeskCore::kPlayStopped);
  Play("Enter");
  escape();
  desk_->SetState(tDeskCore::kHelp);
  escape();
  ExpectGoldenText("keyboard_recording.trace", trace_);
}

}  // namespace
