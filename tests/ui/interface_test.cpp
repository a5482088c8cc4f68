// The desk as a whole on the staged data: building it, the full redraw of
// each state against golden pictures, the strips, the pieces of the screen
// that cover one another, the window's records and the settings written at
// teardown.
#include "tests/mix/desk_test_util.h"
#include "tests/ui/desk_test_support.h"

using namespace platform;

namespace {

class Desk : public DeskScreenTest {
 protected:
  // A channel file on E: naming a wave of its own.
  std::string ChannelFile(const std::string& name) {
    Wave(name + ".wav", 11025);
    WriteHost("E/Sets/" + name + ".chn",
              "[Brevora Channel]\r\nVersion=3\r\nQuantize=1.000\r\nLoop=4.000\r\nDelay=0.500\r\n"
              "Volume=64\r\nBalance=-40\r\nPitch= 0.0\r\nSnd=" +
                  name + ".wav\r\n");
    return "E:\\Sets\\" + name + ".chn";
  }
  // A desk with something in its strips: named channels, one sample
  // without a file, volumes, a latched and a held channel, a mix name and a
  // running time.
  void FillDesk() {
    ASSERT_TRUE(desk_->LoadChannelFile(0, ChannelFile("drums").c_str(), true));
    ASSERT_TRUE(desk_->LoadChannelFile(3, ChannelFile("bass line").c_str(), true));
    ASSERT_TRUE(desk_->LoadChannelFile(9, ChannelFile("pad").c_str(), true));
    Load(6);
    Ch(6).SetVolume(100);
    Ch(0).SetLatched(true);
    Ch(3).SetKeyHeld(true);
    Ch(3).SetFxOn(true);
    for (int i = 0; i < 16; ++i) desk_->RefreshStrip(i);
    desk_->SetMixLabel("you bv feel");
    desk_->SetTimeLength(83000);
    desk_->Meter().SetLeft(0);
  }
  static constexpr tRect kScreen{0, 0, 800, 600};
  static tRect KeyRect(int i) {
    return tRect{tInterface::StripX(i) + 16, tInterface::StripY(i) + 104,
                 tInterface::StripX(i) + 27, tInterface::StripY(i) + 114};
  }
};

TEST_F(Desk, ConstructionIsAllOrNothing) {
  // Failing at the first allocation, inside a strip, between strips, among
  // the fixed controls and at the sounds: false, and what was made goes again.
  for (int32_t limit : {0, 5, 8, 9, 100, 140, 150}) {
    tInterface::SetAllocationLimit(limit);
    auto desk = std::make_unique<tInterface>(timers_);
    EXPECT_FALSE(desk->Construct()) << limit;
  }
  tInterface::SetAllocationLimit(-1);
  tInterface desk(timers_);
  EXPECT_TRUE(desk.Construct());
}

TEST_F(Desk, InitialisationFailsOnTheFirstMissingFile) {
  const std::string stage = BREVORA_STAGE;
  ASSERT_EQ(std::system(("rm -rf '" + root_ + "/data'").c_str()), 0);
  LinkData(stage, "click.wav");
  {
    tInterface desk(timers_);
    ASSERT_TRUE(desk.Construct());
    EXPECT_FALSE(desk.Initialise());
  }
  ASSERT_EQ(std::system(("rm -rf '" + root_ + "/data'").c_str()), 0);
  LinkData(stage, "leds.bmp");
  tInterface desk(timers_);
  ASSERT_TRUE(desk.Construct());
  try {
    desk.Initialise();
    FAIL() << "a missing bitmap is fatal";
  } catch (const tAnyError& e) {
    EXPECT_EQ(std::string(e.GetText()).rfind("Failed to load data\\leds.bmp\n", 0), 0u)
        << e.GetText();
  }
}

TEST_F(Desk, RedrawOfEachStateMatchesItsPicture) {
  StartDesk();
  FillDesk();
  const auto redrawn = [&](const char* panel, int32_t state, const char* golden) {
    if (*panel != 0) desk_->DoorPanel().Load(panel);
    desk_->SetState(state);
    FillScreen(0);
    desk_->Redraw();
    ExpectGolden(golden, kScreen);
  };
  redrawn("", tDeskCore::kIdle, "desk_idle");
  desk_->Transport().SetFramePause(0);
  desk_->Transport().SetMode(tTransport::kPlayMode);
  desk_->SetTransportSwitch(tMixView::kPlaySwitch, true);
  redrawn("data\\pan_play.bmp", tDeskCore::kPlaying, "desk_playing");
  desk_->SetTransportSwitch(tMixView::kPlaySwitch, false);
  desk_->Transport().SetMode(tTransport::kRecordMode);
  redrawn("data\\pan_help_Eng.bmp", tDeskCore::kHelp, "desk_help");

  // The tempo panel shows its digits, and no format switches above, on or
  // below them.
  desk_->DoorPanel().Load("data\\pan_bpm.bmp");
  desk_->SetState(tDeskCore::kTempo);
  desk_->Redraw();
  const tRect around{370, 210, 430, 315};
  const std::vector<uint8_t> shown = Area(around);
  desk_->DoorPanel().Draw();
  desk_->TempoDigits().Draw();
  EXPECT_EQ(Area(around), shown);

  // States 7, 8 and 11 draw nothing.
  for (int32_t state : {tDeskCore::kExport, tDeskCore::kExit, tDeskCore::kBusy}) {
    desk_->SetState(state);
    FillScreen(3);
    desk_->Redraw();
    EXPECT_EQ(Area(tRect{0, 0, 800, 600}), std::vector<uint8_t>(800 * 600, 3)) << state;
  }
}

// A strip shows its channel: the name (even strips right-aligned, a sample
// without a file as "---"), the sliders and the spinners' values. A volume
// slider drawn again leaves the strip's key letter whole. Strips under a
// door panel are not drawn; the redraw that uncovers them shows what
// changed meanwhile.
TEST_F(Desk, StripShowsItsChannel) {
  StartDesk();
  ASSERT_TRUE(desk_->LoadChannelFile(0, ChannelFile("drums").c_str(), true));
  ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kEffect, 1, Wave("fx.wav", 100).c_str(), true));
  for (int i = 0; i < 3; ++i) {
    desk_->RefreshStrip(i);
    NoteStrip(i);
  }
  Note("key letter " + Picture(KeyRect(0)));
  Ch(0).SetVolume(20);
  desk_->RefreshStrip(0);
  NoteStrip(0);
  Note("key letter " + Picture(KeyRect(0)));
  Play("+Q *Ins -Q");
  NoteStrip(0);
  Note("key letter " + Picture(KeyRect(0)));

  desk_->DoorPanel().Load("data\\pan_help_Eng.bmp");
  desk_->SetState(tDeskCore::kHelp);
  desk_->Redraw();
  Note("help panel " + Picture(kScreen));
  Ch(0).SetLatched(true);
  desk_->SetLed(0);
  Ch(0).SetVolume(10);
  desk_->RefreshStrip(0);
  desk_->SetKeyLabel(0, 'X');
  desk_->TickKeyLabel(0, 20);
  Note("help panel after changes to strip 0 " + Picture(kScreen));
  desk_->SetState(tDeskCore::kIdle);
  desk_->Redraw();
  NoteStrip(0);
  ExpectGoldenText("desk_strips.trace", trace_);
}

TEST_F(Desk, OpenStripMenuCoversTheBlinkingKeyLabel) {
  StartDesk();
  tKeyLabel& label = desk_->KeyLabel(0);
  label.Press(KeyRect(0).left, KeyRect(0).top);
  label.Release(KeyRect(0).left, KeyRect(0).top);
  ASSERT_EQ(label.Mode(), tKeyLabel::kWaiting);
  const std::vector<uint8_t> before = Area(KeyRect(0));
  desk_->OpenStripMenu(0);
  const std::vector<uint8_t> menu = Area(KeyRect(0));
  EXPECT_NE(menu, before);
  desk_->TickKeyLabel(0, 10);  // the blink's blank
  desk_->TickKeyLabel(0, 20);
  EXPECT_EQ(Area(KeyRect(0)), menu);
  EXPECT_EQ(desk_->CloseStripMenu(0), -1);
  EXPECT_EQ(Area(KeyRect(0)), before);
  desk_->TickKeyLabel(0, 10);
  EXPECT_NE(Area(KeyRect(0)), before);
}

TEST_F(Desk, TransportZonesChangeTheModeOnlyWithARecording) {
  StartDesk();
  tTransport& transport = desk_->Transport();
  transport.SetFramePause(0);
  const tRect zone = transport.PlayZone().Rect();
  transport.Press(zone.left + 1, zone.top + 1);
  ASSERT_EQ(transport.PlayZone().State(), tControl::kDown);
  EXPECT_FALSE(desk_->ReleaseTransportZones(zone.left + 1, zone.top + 1));
  EXPECT_EQ(transport.Mode(), tTransport::kRecordMode);
  EXPECT_EQ(transport.PlayZone().State(), tControl::kNormal);

  Load(0);
  SetTempo(999);
  desk_->StartRecording();
  desk_->Timer().SetTime(22050);
  desk_->StopRecording();
  transport.Press(zone.left + 1, zone.top + 1);
  EXPECT_TRUE(desk_->ReleaseTransportZones(zone.left + 1, zone.top + 1));
  EXPECT_EQ(transport.Mode(), tTransport::kPlayMode);
}

TEST_F(Desk, WindowRecordsReachTheClockTheLoopAndTheScreen) {
  StartDesk();
  desk_->Timer().StartClock();
  InjectMouse(tInputKind::kFocusLost, 0, 0);
  InjectMouse(tInputKind::kMouseMove, 10, 20);
  tInputEvent e;
  desk_->NextRecord(e);
  EXPECT_EQ(e.kind, tInputKind::kFocusLost);
  EXPECT_FALSE(desk_->Timer().IsRunning());
  desk_->NextRecord(e);
  EXPECT_EQ(e.kind, tInputKind::kMouseMove);
  EXPECT_EQ(e.x, 10);

  Inject(tInputKind::kFocusGained);
  desk_->NextRecord(e);
  EXPECT_TRUE(desk_->Timer().IsRunning());

  const std::vector<uint8_t> screen = Area(kScreen);
  FillScreen(0);
  Inject(tInputKind::kExpose);
  desk_->NextRecord(e);
  EXPECT_EQ(Area(kScreen), screen);

  EXPECT_FALSE(desk_->QuitRequested());
  Inject(tInputKind::kClose);
  desk_->NextRecord(e);
  EXPECT_TRUE(desk_->QuitRequested());
}

TEST_F(Desk, LoadedMixShowsInTheStrips) {
  StartDesk();
  const std::string chn = ChannelFile("drums");
  tMixChannels channels{{2, {"Sets\\drums.chn", "SAMPLES"}}};
  WriteHost("E/set.mix", MixText(channels, 120, 10, "Time 00000000 Channel 2 Play 0\r\n"));
  ASSERT_TRUE(desk_->LoadMix("E:\\set.mix"));
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  EXPECT_EQ(desk_->StripLabel(2).Buffer(), "drums         ");
  EXPECT_EQ(desk_->MixLabel().Buffer(), "set           ");
  EXPECT_FALSE(desk_->MessageBox().IsOpen());
}

TEST_F(Desk, TeardownWritesTheSettings) {
  StartDesk();
  Tap(kKeyUp);
  SetTempo(142);
  desk_->SetKeys("ABCDEFGHIJKLMNOP");
  SetOutputFormat(44100, 8, 1);
  desk_->Teardown();
  desk_.reset();

  SetMasterVolume(0.5);
  SetTempo(100);
  tInterface again(timers_);
  again.LoadSettings();
  EXPECT_DOUBLE_EQ(GetMasterVolume(), 0.89);
  EXPECT_EQ(GetTempo(), 142);
  EXPECT_EQ(again.Channel(15).GetKey(), 'P');
  WAVEFORMATEX f{};
  GetOutputFormat(f);
  EXPECT_EQ(FormatOf(f), "44100/8/1");
}

}  // namespace

// The main thread plays and redraws while the real tick runs: the clock
// moves on, the channels play, and (under the thread sanitizer) nothing the
// two threads share is touched unguarded.
TEST_F(Desk, PlaysWhileTheTickRuns) {
  StartDesk(true);
  Load(0);
  Load(1, 22050, true);
  SetTempo(999);
  desk_->StartRecording();  // key labels are not offered keys while recording
  tKeyLabel& label = desk_->KeyLabel(5);
  label.Press(KeyRect(5).left, KeyRect(5).top);
  label.Release(KeyRect(5).left, KeyRect(5).top);  // blinks from the tick
  const uint32_t start = desk_->Timer().GetTime();
  for (int round = 0; round < 40; ++round) {
    Press('Q');
    Press(kKeyTab);
    Press('W');
    Press(kKeyPageUp, true);
    desk_->IdleStep();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Release('W');
    Release(kKeyTab);
    Release('Q');
    if (round % 10 == 0) desk_->Redraw();
  }
  EXPECT_GT(desk_->Timer().GetTime(), start);
  EXPECT_EQ(label.Mode(), tKeyLabel::kWaiting);
  desk_->StopRecording();
}
