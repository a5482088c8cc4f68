// The desk's keyboard, driven through injected input records as the desk's
// loop takes them: the two key tables, the modifiers, the performance keys,
// recording, key labels and the LEDs they light.
#include <cmath>
#include <functional>
#include <set>

#include "platform/hostfs.h"
#include "tests/ui/desk_test_support.h"

using namespace platform;

namespace {

using Keyboard = StartedDeskTest;

TEST_F(Keyboard, RepeatsReachOnlyTheFirstTable) {
  Load(0, 22050, true);
  Press('Q');
  const uint32_t start = Ch(0).GetNextStart();
  desk_->Timer().AddTime(5000);

  // Every command of the first table runs for an auto-repeated press too.
  auto volume = [&] { return std::to_string(Ch(0).GetVolume()); };
  auto balance = [&] { return std::to_string(Ch(0).GetBalance()); };
  auto pitch = [&] { return std::to_string(tDeskCore::PitchTenths(Ch(0).GetPitch())); };
  auto master = [&] {
    return std::to_string(desk_->MasterVolume().Value()) + " " +
           std::to_string(desk_->MasterPitch().Value());
  };
  const std::vector<std::tuple<uint8_t, std::function<std::string()>, std::string>> first = {
      {kKeyPageUp, volume, "82"},  {kKeyPageUp, volume, "84"},   {kKeyInsert, volume, "82"},
      {kKeyHome, volume, "80"},    {kKeyPageDown, balance, "5"}, {kKeyDelete, balance, "0"},
      {kKeyDelete, balance, "-5"}, {kKeyEnd, balance, "0"},      {kKeyF4, pitch, "1"},
      {kKeyF4, pitch, "2"},        {kKeyF2, pitch, "1"},         {kKeyF3, pitch, "0"},
      {kKeyUp, master, "89 0"},    {kKeyDown, master, "80 0"},   {kKeyRight, master, "80 1"},
      {kKeyLeft, master, "80 0"},
  };
  for (const auto& [key, read, after] : first) {
    Press(key, true);
    EXPECT_EQ(read(), after) << "key " << int(key);
    Release(key);
  }

  // The second table and the performance keys take only a first press.
  Load(1, 22050, true);  // W, not held
  Ch(1).SetLatched(true);
  for (uint8_t key :
       std::vector<uint8_t>{kKeyTab, kKeyCtrl, kKeySpace, kKeyEsc, kKeyEnter, 'Q', 'W'})
    Press(key, true);
  EXPECT_FALSE(desk_->TabLamp().IsOn() || desk_->CtrlLamp().IsOn());
  EXPECT_FALSE(Ch(0).GetLatched() || Ch(1).GetSuspended() || Ch(1).GetKeyHeld());
  EXPECT_TRUE(Ch(0).GetKeyHeld());  // Esc did not release it
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  EXPECT_EQ(Ch(0).GetNextStart(), start);  // not triggered again
}

TEST_F(Keyboard, OppositeArrowHeldResetsTheMasterVolumeAndPitch) {
  Press(kKeyDown);
  EXPECT_EQ(desk_->MasterVolume().Value(), 71);
  Press(kKeyUp);  // Down is still down
  EXPECT_EQ(desk_->MasterVolume().Value(), 80);
  EXPECT_DOUBLE_EQ(GetMasterVolume(), 0.8);
  Release(kKeyDown);
  Release(kKeyUp);
  Press(kKeyLeft);
  Press(kKeyLeft, true);
  EXPECT_DOUBLE_EQ(GetMasterPitch(), 0.98);
  Press(kKeyRight);  // Left is still down
  EXPECT_EQ(desk_->MasterPitch().Value(), 0);
  EXPECT_DOUBLE_EQ(GetMasterPitch(), 1.0);
  Release(kKeyLeft);
  Release(kKeyRight);

  // The volume slider's picture covers the Tab lamp, which stays in view.
  Press(kKeyTab);
  const tRect lamp{640, 513, 650, 516};
  const std::vector<uint8_t> lit = Area(lamp);
  for (int i = 0; i < 3; ++i) Press(kKeyDown, true);
  EXPECT_EQ(desk_->MasterVolume().Value(), 53);
  EXPECT_EQ(Area(lamp), lit);
}

TEST_F(Keyboard, TabSwitchesTheEffectOfHeldAndNewChannels) {
  Load(0, 22050, true);  // Q
  Load(1, 22050, true);  // W
  Load(2);               // E, no effect
  Load(3, 22050, true);  // R
  Press('Q');
  Press(kKeyTab);
  EXPECT_TRUE(desk_->TabLamp().IsOn());
  EXPECT_TRUE(Ch(0).GetFxOn());
  EXPECT_FALSE(Ch(1).GetFxOn());  // not held
  Press('W');                     // pressed while Tab is down
  Press('E');
  EXPECT_EQ(std::vector<int>({desk_->Led(0).Value(), desk_->Led(1).Value(), desk_->Led(2).Value()}),
            std::vector<int>({4, 4, 3}));
  EXPECT_FALSE(Ch(2).GetFxOn());
  Press(kKeySpace);  // Q, W and E latched
  for (uint8_t key : {'Q', 'W', 'E'}) Release(key);
  Tap('R');
  EXPECT_TRUE(Ch(3).GetFxOn());
  Release(kKeyTab);
  EXPECT_FALSE(desk_->TabLamp().IsOn());
  // Latched channels keep their effect; the others lose it.
  EXPECT_TRUE(Ch(0).GetFxOn() && Ch(1).GetFxOn());
  EXPECT_FALSE(Ch(3).GetFxOn());
  EXPECT_EQ(desk_->Led(0).Value(), 2);
  // A press without Tab takes the effect away again.
  Press('Q');
  EXPECT_FALSE(Ch(0).GetFxOn());
}

TEST_F(Keyboard, SpaceLatchesAndCtrlSuspendsAndResumesInPhase) {
  Load(0);  // Q: latched, not held
  Load(1);  // W: latched and held
  for (int i : {0, 1}) {
    Ch(i).SetQuantize(1.0);
    Ch(i).SetLoop(1.0);
  }
  const uint32_t beat = static_cast<uint32_t>(SamplesPerBeat());
  At(1000);
  Press('W');
  Press('Q');
  Press(kKeySpace);  // both latched
  Release('Q');
  EXPECT_TRUE(Ch(0).GetLatched() && Ch(0).IsScheduled());
  EXPECT_EQ(desk_->Led(0).Value(), 1);
  const uint32_t next = Ch(0).GetNextStart();
  const uint32_t phase = next % beat;
  desk_->Timer().AddTime(3000);
  Press('Q');  // a latched channel plays on: not triggered again
  EXPECT_EQ(Ch(0).GetNextStart(), next);
  Release('Q');
  for (int i = 0; i < 20; ++i) desk_->EngineTick();
  ASSERT_TRUE(Main(0)->IsPlaying());

  Press(kKeyCtrl);
  EXPECT_TRUE(desk_->CtrlLamp().IsOn());
  EXPECT_TRUE(Ch(0).GetSuspended());
  EXPECT_FALSE(Ch(0).IsScheduled() || Main(0)->IsPlaying());
  EXPECT_EQ(desk_->Led(0).Value(), 0);
  EXPECT_FALSE(Ch(1).GetSuspended());  // its key is held
  // A suspended channel's key starts it again and it stays suspended; Space
  // passes it by, and its release stops it again.
  Press('Q');
  EXPECT_TRUE(Ch(0).GetSuspended() && Ch(0).IsScheduled());
  Press(kKeySpace);
  EXPECT_TRUE(Ch(0).GetLatched());
  EXPECT_FALSE(Ch(1).GetLatched());
  Press(kKeySpace);
  Release('Q');
  EXPECT_FALSE(Ch(0).IsScheduled());

  for (int i = 0; i < 150; ++i) desk_->EngineTick();  // a few beats later
  EXPECT_FALSE(Main(0)->IsPlaying());
  Release(kKeyCtrl);
  EXPECT_FALSE(desk_->CtrlLamp().IsOn() || Ch(0).GetSuspended());
  EXPECT_TRUE(Ch(0).IsScheduled());
  EXPECT_EQ(Ch(0).GetNextStart() % beat, phase);
  EXPECT_EQ(desk_->Led(0).Value(), 1);
  for (int i = 0; i < 5; ++i) desk_->EngineTick();  // it catches up loop by loop
  EXPECT_TRUE(Main(0)->IsPlaying());

  // Ctrl released with Shift drops the suspended channels.
  Press(kKeyCtrl);
  Press(kKeyShift);
  Release(kKeyCtrl);
  EXPECT_FALSE(desk_->CtrlLamp().IsOn());
  EXPECT_FALSE(Ch(0).GetLatched() || Ch(0).GetSuspended() || Ch(0).IsScheduled());
  EXPECT_EQ(desk_->Led(0).Value(), 0);
  // Space again lets a held, latched channel go when its key goes up.
  Release(kKeyShift);
  Press(kKeySpace);
  EXPECT_FALSE(Ch(1).GetLatched());
  Release('W');
  EXPECT_FALSE(Ch(1).IsScheduled());
}

TEST_F(Keyboard, EscReleasesEveryChannelInEachState) {
  Load(0);
  auto escape = [&] {
    Ch(0).SetLatched(true);
    Ch(0).SetKeyHeld(true);
    Ch(0).SetFxOn(true);
    Ch(0).Trigger(desk_->Timer().GetTime());
    Tap(kKeyEsc);
    EXPECT_FALSE(Ch(0).GetLatched() || Ch(0).GetKeyHeld() || Ch(0).GetFxOn() ||
                 Ch(0).IsScheduled());
    return desk_->State();
  };
  EXPECT_EQ(escape(), tDeskCore::kIdle);
  Record();
  At(1000);
  EXPECT_EQ(escape(), tDeskCore::kIdle);  // the recording stopped and was kept
  ASSERT_TRUE(desk_->Events().HasRecording());

  desk_->Transport().SetFramePause(0);
  desk_->Transport().SetMode(tTransport::kPlayMode);
  desk_->SetState(tDeskCore::kPlayStopped);
  Tap(kKeyEnter);
  ASSERT_EQ(desk_->State(), tDeskCore::kPlaying);
  EXPECT_EQ(escape(), tDeskCore::kPlayStopped);
  desk_->SetState(tDeskCore::kHelp);
  EXPECT_EQ(escape(), tDeskCore::kHelp);
}

TEST_F(Keyboard, EnterDrivesTheTransportOfItsMode) {
  Load(0);
  Record();
  At(300);  // half a second or less is discarded
  Tap(kKeyEnter);
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  EXPECT_FALSE(desk_->Events().HasRecording());

  desk_->Transport().SetFramePause(0);
  desk_->Transport().SetMode(tTransport::kPlayMode);
  Tap(kKeyEnter);  // play mode, state 0: nothing
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
}

TEST_F(Keyboard, RecordsEveryChangeWhileRecording) {
  Load(0, 22050, true);                                // Q
  Load(1);                                             // W
  for (int i = 0; i < 8; ++i) Ch(1).AdjustPitch(0.1);  // 0.7999... as a sum of steps
  Record();

  At(1000);
  Press('Q');
  EXPECT_EQ(Ch(0).GetNextStart(), 1000u * 22050u / 1000u);  // triggered at the recorded time
  desk_->EngineTick();
  ASSERT_TRUE(Main(0)->IsPlaying());
  At(1500);
  Press(kKeyPageUp);
  Press(kKeyDelete, true);
  Press(kKeyF4);
  Press(kKeyTab);
  At(2000);
  Press(kKeyShift);
  Release('Q');  // with Shift the sound rings out
  EXPECT_FALSE(Ch(0).IsScheduled());
  EXPECT_TRUE(Main(0)->IsPlaying());
  Release(kKeyTab);
  Press('W');
  Press(kKeySpace);
  At(2500);
  Release('W');  // latched: plays on, nothing recorded
  Press(kKeyCtrl);
  Release(kKeyShift);
  At(3000);
  Release(kKeyCtrl);
  Tap(kKeyEnter);
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);

  // Every channel's volume, balance and pitch open the recording.
  std::string initial, pitches;
  for (int i = 0; i < 16; ++i) {
    const std::string n = std::to_string(i);
    const std::string pitch = i == 1 ? "8" : "0";
    initial += "0 " + n + " Volume 80\n0 " + n + " Balance 0\n0 " + n + " Pitch " + pitch + "\n";
    pitches += "1500 " + n + " Pitch " + (i == 0 ? "1" : pitch) + "\n";
  }
  EXPECT_EQ(Events(), initial + "1000 0 Play 0\n1500 0 Volume 82\n1500 0 Balance -5\n" + pitches +
                          "1500 0 Fx 1\n2000 0 Stop 1\n2000 0 Fx 0\n2000 1 Play 0\n"
                          "2500 1 Stop 0\n3000 1 Play 0\n3000 0 EndMix 0\n");
}

TEST_F(Keyboard, WaitingKeyLabelTakesOnlyALetterAndNotWhileRecording) {
  Load(2);  // E
  tKeyLabel& label = desk_->KeyLabel(2);
  const tRect r = label.Rect();
  auto arm = [&] {
    label.Press(r.left, r.top);
    label.Release(r.left, r.top);
    ASSERT_EQ(label.Mode(), tKeyLabel::kWaiting);
  };
  arm();
  Tap('7');
  EXPECT_EQ(Ch(2).GetKey(), 'E');
  Tap('B');
  EXPECT_EQ(label.Mode(), tKeyLabel::kIdle);
  EXPECT_EQ(label.Letter(), 'B');
  EXPECT_EQ(Ch(2).GetKey(), 'B');

  Record();
  arm();
  Tap('C');
  EXPECT_EQ(label.Mode(), tKeyLabel::kWaiting);
  EXPECT_EQ(Ch(2).GetKey(), 'B');
}

TEST_F(Keyboard, ChannelsSharingAKeyReactTogether) {
  desk_->SetKeys("QQERTZUIASDFGHJK");
  Load(0);
  Load(1);
  Press('Q');
  EXPECT_TRUE(Ch(0).GetKeyHeld() && Ch(1).GetKeyHeld());
  EXPECT_TRUE(Ch(0).IsScheduled() && Ch(1).IsScheduled());
  Release('Q');
  EXPECT_FALSE(Ch(0).IsScheduled() || Ch(1).IsScheduled());
}

TEST_F(Keyboard, PlaybackTakesOnlyTheMasterKeys) {
  Load(0, 22050, true);
  Ch(0).SetKeyHeld(true);
  desk_->SetState(tDeskCore::kPlaying);
  for (uint8_t key :
       {uint8_t('W'), uint8_t(kKeyPageUp), uint8_t(kKeyEnd), uint8_t(kKeyF4), uint8_t(kKeyTab),
        uint8_t(kKeyCtrl), uint8_t(kKeySpace), uint8_t(kKeyUp), uint8_t(kKeyRight)})
    Press(key);
  EXPECT_EQ(Ch(0).GetVolume(), 80);
  EXPECT_EQ(Ch(0).GetPitch(), 0.0);
  EXPECT_FALSE(Ch(0).GetFxOn() || Ch(0).GetLatched());
  EXPECT_FALSE(desk_->TabLamp().IsOn() || desk_->CtrlLamp().IsOn());
  EXPECT_EQ(desk_->MasterVolume().Value(), 89);
  EXPECT_EQ(desk_->MasterPitch().Value(), 1);
}

TEST(PitchEvent, KeepsTheNearestTenth) {
  const std::pair<double, int32_t> rows[] = {
      {0.7999999999999999, 8}, {-0.7999999999999999, -8}, {0.04, 0},        {19.9, 199},
      {1e300, 2147483647},     {-1e300, -2147483647 - 1}, {std::nan(""), 0}};
  for (const auto& [pitch, tenths] : rows)
    EXPECT_EQ(tDeskCore::PitchTenths(pitch), tenths) << pitch;
}

TEST_F(Keyboard, PitchStepsStopShortOfTwentyPercent) {
  Load(0);
  Press('Q');
  for (int i = 0; i < 250; ++i) Press(kKeyF4, true);
  EXPECT_LT(Ch(0).GetPitch(), 20.0);
  EXPECT_GT(Ch(0).GetPitch(), 19.85);
  for (int i = 0; i < 500; ++i) Press(kKeyF2, true);
  EXPECT_GT(Ch(0).GetPitch(), -20.0);
  EXPECT_LT(Ch(0).GetPitch(), -19.85);
}

// Each of the five LED values the channels give draws a picture of its own.
TEST_F(Keyboard, LedDrawsTheFrameOfItsValue) {
  Load(0, 22050, true);
  const tRect led{desk_->StripX(0) + 35, desk_->StripY(0) + 101, desk_->StripX(0) + 51,
                  desk_->StripY(0) + 105};
  std::set<std::vector<uint8_t>> pictures;
  // held, latched, effect: 0, 3, 1, 4, 2.
  for (auto [held, latched, fx] : {std::tuple{false, false, false},
                                   {true, false, false},
                                   {false, true, false},
                                   {true, false, true},
                                   {true, true, true}}) {
    Ch(0).SetKeyHeld(held);
    Ch(0).SetLatched(latched);
    Ch(0).SetFxOn(fx);
    desk_->SetLed(0);
    pictures.insert(Area(led));
  }
  EXPECT_EQ(desk_->Led(0).Value(), 2);
  EXPECT_EQ(pictures.size(), 5u);
}

}  // namespace
