// The desk as a whole on the staged data: the full redraw of each state
// against golden pictures, the transport's zones, the window's records and
// the tick running beside the main thread.
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
