// The desk worked with the mouse: which controls react in which state, the
// sliders' values, the closing page, a spinner and the panels, all
// through injected mouse records.
#include <chrono>
#include <cstdio>
#include <functional>

#include "tests/ui/desk_test_support.h"

namespace {

using platform::tInputKind;

struct Point {
  int32_t x, y;
};

}  // namespace

class Mouse : public StartedDeskTest {
 protected:
  void SetUp() override {
    StartedDeskTest::SetUp();
    // Panels slide without waiting between frames or for their sounds.
    desk_->SetPace(tDoorPace{0, 0});
    desk_->SetClosingWait(0);
  }

  void Down(Point p) {
    InjectMouse(tInputKind::kMousePress, p.x, p.y);
    Pump();
  }
  void Move(Point p) {
    InjectMouse(tInputKind::kMouseMove, p.x, p.y);
    Pump();
  }
  void Up(Point p) {
    InjectMouse(tInputKind::kMouseRelease, p.x, p.y);
    Pump();
  }
  void Click(Point p) {
    Down(p);
    Up(p);
  }
  // A rectangle of a screen image taken earlier.
  static std::vector<uint8_t> Area(const std::vector<uint8_t>& screen, const tRect& r) {
    std::vector<uint8_t> out;
    for (int32_t y = r.top; y < r.bottom; ++y)
      for (int32_t x = r.left; x < r.right; ++x) out.push_back(screen[size_t(y * 800 + x)]);
    return out;
  }
  using DeskScreenTest::Area;
  static Point StripArrow(int i) {
    return Point{tInterface::StripX(i) + 16, tInterface::StripY(i) + 8};
  }
  static constexpr Point kMixArrow{430, 498};
  static constexpr Point kExit{75, 560};
  static constexpr Point kNowhere{790, 590};
  Point Centre(const tControl& c) const {
    const tRect& r = c.Rect();
    return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // A point of strip i's volume slider inside (or outside) its mask, at the
  // slider's first column.
  Point VolumePoint(int i, bool inMask) {
    const int32_t x = tInterface::StripX(i) + 10;
    for (int32_t y = tInterface::StripY(i) + 105; y < tInterface::StripY(i) + 105 + 74; ++y)
      if (desk_->VolumeSlider(i).HitValue(x, y).has_value() == inMask) return Point{x, y};
    ADD_FAILURE() << "no such point";
    return Point{0, 0};
  }
  static Point BalancePoint(int i, int32_t dx) {
    return Point{tInterface::StripX(i) + 10 + dx, tInterface::StripY(i) + 181 + 9};
  }
};

// In each state, a press on a strip's menu arrow, on the mix menu's arrow,
// on Exit, on a strip's balance and on the master volume: what reacts. Each
// menu closes when let go elsewhere; Exit, left and released on it again,
// does not quit.
TEST_F(Mouse, EachStateLetsOnlyItsControlsReact) {
  const Point master = Point{639 + 60, 503 + 37};
  ASSERT_TRUE(desk_->MasterVolume().HitValue(master.x, master.y).has_value());
  for (int32_t state : {tDeskCore::kIdle, tDeskCore::kRecording, tDeskCore::kPlaying,
                        tDeskCore::kPlayStopped, tDeskCore::kHelp, tDeskCore::kQuality,
                        tDeskCore::kTempo, tDeskCore::kExport, tDeskCore::kExit}) {
    desk_->SetState(state);
    Ch(2).SetBalance(0);
    SetMasterVolume(0.5);
    std::string seen = "state " + std::to_string(state) + ":";
    const auto drag = [&](const char* what, Point from, Point to,
                          const std::function<std::string()>& read) {
      Down(from);
      seen += std::string(" ") + what + " " + read();
      Move(kNowhere);
      Up(to);
      seen += "/" + read();
    };
    drag("strip menu", StripArrow(0), kNowhere,
         [&] { return std::to_string(desk_->StripMenu(0).IsOpen()); });
    drag("mix menu", kMixArrow, kNowhere,
         [&] { return std::to_string(desk_->MixMenu().IsOpen()); });
    drag("exit", kExit, kExit, [&] { return std::to_string(desk_->ExitButton().State()); });
    Click(BalancePoint(2, 76));
    Click(master);
    char values[96];
    std::snprintf(values, sizeof values, " quit %d balance %d master %g state %d",
                  desk_->QuitRequested(), Ch(2).GetBalance(), GetMasterVolume(), desk_->State());
    Note(seen + values);
  }
  ExpectGoldenText("mouse_states.trace", trace_);
}

// A slider takes its value from the press with half a segment added; a move
// with the button down drags nothing; a press outside a volume slider's
// mask does nothing; while recording the press is recorded.
TEST_F(Mouse, SlidersTakeTheirValueFromThePressWithHalfASegmentAdded) {
  Load(5);
  Load(7);
  Ch(7).SetVolume(50);
  Down(BalancePoint(5, 0));
  Log("press at the balance's first column");
  Up(BalancePoint(5, 0));
  Down(BalancePoint(5, 76));
  Move(BalancePoint(5, 30));
  Up(BalancePoint(5, 30));
  Log("pressed at its last column, moved and let go");
  Click(VolumePoint(7, false));
  Log("outside the volume's mask");
  Click(VolumePoint(7, true));
  Log("inside the mask at its first column, shown " +
      std::to_string(desk_->VolumeSlider(7).Value()));
  Load(9);
  Record();
  At(1000);
  Click(BalancePoint(9, 38));
  Log("balance pressed while recording");
  Tap(platform::kKeyEnter);
  NoteEvents();
  ExpectGoldenText("mouse_sliders.trace", trace_);
}

TEST_F(Mouse, ClosingPageWaitsOutItsTimeWhateverComes) {
  desk_->SetClosingWait(400);
  // A press, a key and a close request during the wait end nothing; the
  // close request is kept and ends the desk when the wait is over.
  Down(kExit);
  InjectMouse(tInputKind::kMouseRelease, kExit.x, kExit.y);
  InjectMouse(tInputKind::kMousePress, 10, 10);
  InjectMouse(tInputKind::kMouseRelease, 10, 10);
  Inject(tInputKind::kKeyPress, platform::kKeyEsc);
  Inject(tInputKind::kClose);
  const auto start = std::chrono::steady_clock::now();
  Pump();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
  EXPECT_TRUE(desk_->QuitRequested());
  EXPECT_EQ(desk_->State(), tDeskCore::kExit);
  // The screen is left black.
  EXPECT_EQ(Area(tRect{0, 0, 800, 600}), std::vector<uint8_t>(800 * 600, At(0, 0)));
}

// A spinner's change reaches its channel alone (the loop stays, though it
// is not in the spinner's table) and restarts it in time; released off the
// arrow after moving off it, nothing changes.
TEST_F(Mouse, ASpinnerClickChangesOnlyItsOwnValue) {
  Load(0);
  Ch(0).SetLoop(3);
  Ch(0).SetQuantize(1);
  desk_->RefreshStrip(0);
  Play("+Q");
  const auto channel = [&](const std::string& what) {
    Log(what + ": quantize " + std::to_string(Ch(0).GetQuantize()) + " loop " +
        std::to_string(Ch(0).GetLoop()));
  };
  const Point right{tInterface::StripX(0) + 48, tInterface::StripY(0) + 74};
  Click(right);
  channel("right arrow");
  Down(right);
  Move(kNowhere);
  Up(right);
  channel("moved off and back");
  Play("-Q");
  ExpectGoldenText("mouse_spinner.trace", trace_);
}

TEST_F(Mouse, PanelsSlideThirtyRowsAFrameAndGiveTheScreenBack) {
  std::vector<int32_t> offsets;
  desk_->DoorPanel().SetFrameShown([&](int32_t offset) { offsets.push_back(offset); });
  const std::vector<uint8_t> before = Area(tRect{0, 0, 800, 600});
  // F1 opens the help panel from state 0, in the language's short name.
  Tap(platform::kKeyF1);
  ASSERT_EQ(desk_->State(), tDeskCore::kHelp);
  EXPECT_FALSE(desk_->Meter().BarsShown());
  std::vector<int32_t> in;
  for (int32_t o = -453; o < 0; o += 30) in.push_back(o);
  in.push_back(0);
  EXPECT_EQ(offsets, in);
  ExpectGolden("panel_help", tRect{0, 0, 800, 600});
  offsets.clear();
  // Each frame going up has put back every row it uncovered.
  desk_->DoorPanel().SetFrameShown([&](int32_t offset) {
    offsets.push_back(offset);
    const int32_t top = std::min(453 + offset + 7, 460);
    EXPECT_EQ(Area(tRect{5, top, 795, 460}), Area(before, tRect{5, top, 795, 460})) << offset;
  });
  Click(Centre(desk_->CloseHelpButton()));
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  EXPECT_EQ(desk_->HelpButton().State(), tControl::kNormal);
  std::vector<int32_t> out;
  for (int32_t o = 0; o > -453; o -= 30) out.push_back(o);
  out.push_back(-453);
  EXPECT_EQ(offsets, out);
  EXPECT_EQ(Area(tRect{0, 0, 800, 600}), before);
  EXPECT_TRUE(desk_->Meter().BarsShown());

  // The Help button opens and closes it too; F1 does nothing elsewhere.
  Click(Centre(desk_->HelpButton()));
  EXPECT_EQ(desk_->State(), tDeskCore::kHelp);
  Click(Centre(desk_->HelpButton()));
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  desk_->SetState(tDeskCore::kRecording);
  Tap(platform::kKeyF1);
  EXPECT_EQ(desk_->State(), tDeskCore::kRecording);
}

// The setup panels as the user sees them.
TEST_F(Mouse, EachPanelLooksAsDrawn) {
  Load(0);
  for (auto [open, close, golden] :
       {std::tuple{&tInterface::OpenQualityPanel, &tInterface::CloseQualityPanel, "panel_quality"},
        {&tInterface::OpenTempoPanel, &tInterface::CloseTempoPanel, "panel_tempo"},
        {&tInterface::OpenExportPanel, &tInterface::CloseExportPanel, "panel_export"}}) {
    ((*desk_).*open)();
    ExpectGolden(golden, tRect{0, 0, 800, 600});
    ((*desk_).*close)();
  }
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
}
