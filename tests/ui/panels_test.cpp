// Pop-up menus, spinners, the number switch, the channel panel, the transport
// and the metronome's frames.
#include <vector>

#include "tests/ui/ui_test_support.h"
#include "ui/channel_panel.h"
#include "ui/indicators.h"
#include "ui/popup_menu.h"
#include "ui/transport.h"

namespace {

class Panels : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    // Menu 40 x 30, every row its own index: the plain half 10 + row; the
    // highlighted half 100 + row on the item columns 3 to 32 and 150 + row
    // beside them; a magenta left column on both.
    WriteBmp("data\\popa_demo.bmp",
             TestPicture{80, 30, [](int32_t x, int32_t y) {
                           if (x % 40 == 0) return kCubeMagenta;
                           if (x < 40) return static_cast<uint8_t>(10 + y);
                           const bool item = x - 40 >= 3 && x - 40 < 33;
                           return static_cast<uint8_t>((item ? 100 : 150) + y);
                         }});
    WriteBmp("data\\sw01.bmp", Frames(3, 8, 8, 80));
    WriteBmp("data\\symbols.bmp", Frames(3, 6, 4, 90));
    WriteBmp("data\\spin_quantize.bmp", Frames(9, 10, 5, 100));
    WriteBmp("data\\spin_delay.bmp", Frames(9, 10, 5, 110));
    WriteBmp("data\\spin_length.bmp", Frames(9, 10, 5, 120));
    WriteBmp("data\\spin_l.bmp", Frames(2, 6, 6, 130));
    WriteBmp("data\\spin_r.bmp", Frames(2, 6, 6, 132));
    FillScreen(200);
  }
};

TEST_F(Panels, MenuHighlightsChoosesAndRestoresWhatItCovered) {
  tPopupMenu menu;
  ASSERT_TRUE(menu.Load("data\\popa_demo.bmp"));
  menu.Place(100, 100);
  menu.SetItems(3, 2, 30, 5, 4);
  EXPECT_EQ(menu.CloseAndTake(), -1);  // not open
  EXPECT_EQ(At(101, 101), 200);        // closing a closed menu restores nothing
  ASSERT_EQ(Screen().Fill(tRect{100, 100, 102, 102}, 9), platform::BlitStatus::kOk);

  // Open, the keyed column shows what lies under; opened and released
  // without moving, nothing is taken and all is restored.
  menu.Open();
  EXPECT_TRUE(menu.IsOpen());
  EXPECT_EQ(AtAll({{101, 101}, {100, 101}}), (std::vector<int>{11, 9}));
  EXPECT_EQ(menu.CloseAndTake(), -1);
  EXPECT_EQ(AtAll({{101, 101}, {105, 110}}), (std::vector<int>{9, 200}));

  menu.Open();
  // Item 2 is rows 12 to 16 of the menu, highlighted from the same rows and
  // columns of the right half; nothing around it changes.
  menu.Hover(103, 102 + 5 * 2);
  EXPECT_EQ(menu.Highlighted(), 2);
  EXPECT_EQ(AtAll({{103, 112}, {132, 116}, {102, 112}, {133, 116}, {103, 111}, {103, 117}}),
            (std::vector<int>{112, 116, 22, 26, 21, 27}));
  menu.Hover(133, 112);  // just right of the rows
  EXPECT_EQ(menu.Highlighted(), -1);
  EXPECT_EQ(At(103, 112), 22);
  // Item 3 at its last column and row; nothing below the last item.
  for (auto [x, y, item] : {std::tuple{132, 121, 3}, {110, 122, -1}}) {
    menu.Hover(x, y);
    EXPECT_EQ(menu.Highlighted(), item) << y;
  }
  menu.Hover(110, 104);
  ExpectGolden("menu_open", tRect{90, 90, 150, 140});
  EXPECT_EQ(menu.CloseAndTake(), 0);
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(At(104, 104), 200);
  menu.Hover(110, 104);  // closed menus do not follow the pointer
  EXPECT_EQ(At(104, 104), 200);
}

TEST_F(Panels, SpinnerStaysInBoundsOrWraps) {
  tSpinner s(tSpinner::kDelayValues);
  CountingCue click;
  s.Load("data\\spin_delay.bmp");
  s.Place(50, 50);
  s.SetClickSound(&click);
  // Left arrow at (35, 44), right arrow at (75, 44), 6 x 6 each.
  s.Press(36, 45);
  EXPECT_EQ(s.Release(36, 45), 0);
  EXPECT_EQ(click.plays, 1);
  s.SetValue(16);
  EXPECT_EQ(s.Index(), 8);
  s.Press(76, 45);
  EXPECT_EQ(s.Release(76, 45), 8);
  EXPECT_EQ(At(51, 51), 118);
  s.SetValue(5.0);  // not in the table
  EXPECT_EQ(s.Index(), 8);
  s.SetWrap(true);
  s.Press(76, 45);
  EXPECT_EQ(s.Release(76, 45), 0);
  EXPECT_EQ(s.Value(), 0.0);
  s.Press(36, 45);
  EXPECT_EQ(s.Release(36, 45), 8);
  // Moving off an arrow cancels its click.
  s.Press(36, 45);
  s.Move(0, 0);
  EXPECT_EQ(s.Release(36, 45), -1);
  EXPECT_EQ(s.Release(300, 300), -1);
  // An inactive spinner neither reacts nor draws.
  s.SetActive(false);
  FillScreen(200);
  s.Press(36, 45);
  EXPECT_EQ(s.Release(36, 45), -1);
  s.Draw();
  EXPECT_EQ(At(51, 51), 200);
}

TEST_F(Panels, TransportSlidesBetweenModesFrameByFrame) {
  // Ten frames of 60 x 20 stacked vertically, frame k filled with 140 + k.
  WriteBmp("data\\repel10.bmp", TestPicture{60, 200, [](int32_t, int32_t y) {
                                              return static_cast<uint8_t>(140 + y / 20);
                                            }});
  WriteBmp("data\\Rec.bmp", Frames(2, 8, 8, 160));
  WriteBmp("data\\StopR.bmp", Frames(2, 8, 8, 162));
  WriteBmp("data\\Play.bmp", Frames(2, 8, 8, 164));
  WriteBmp("data\\StopP.bmp", Frames(2, 8, 8, 166));
  tTransport t;
  CountingCue sound;
  std::vector<int32_t> frames;
  std::vector<int32_t> modes;
  t.Load("data\\repel10.bmp", 10);
  t.Place(218, 526);
  t.SetSound(&sound);
  t.SetFramePause(0);
  t.SetFrameShown([&](int32_t frame) {
    frames.push_back(frame);
    modes.push_back(t.Mode());
    EXPECT_EQ(At(220, 530), 140 + frame);
  });
  t.Draw();  // Rec at (295, 550), record Stop at (231, 550)
  EXPECT_EQ(AtAll({{220, 530}, {296, 551}, {232, 551}}), (std::vector<int>{140, 160, 162}));

  // The play zone (304, 528)-(359, 542) switches to play mode, whose Play
  // and Stop take the places of Rec and Stop: play Stop is (231, 550)-(239,
  // 558).
  FillScreen(200);
  t.Press(305, 530);
  EXPECT_TRUE(t.Release(305, 530));
  EXPECT_EQ(t.Mode(), tTransport::kPlayMode);
  EXPECT_EQ(frames, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(modes, std::vector<int32_t>(10, tTransport::kChangingMode));
  EXPECT_EQ(sound.plays, 1);
  EXPECT_EQ(AtAll({{220, 530}, {296, 551}, {231, 550}, {238, 557}, {239, 557}, {238, 558}}),
            (std::vector<int>{149, 164, 166, 166, 200, 200}));

  // Choosing the shown mode again slides nothing.
  frames.clear();
  t.Press(305, 530);
  EXPECT_FALSE(t.Release(305, 530));
  EXPECT_TRUE(frames.empty());

  // The toggle zone (254, 527)-(299, 543) goes to the other mode, backwards.
  t.Press(260, 530);
  EXPECT_TRUE(t.Release(260, 530));
  EXPECT_EQ(t.Mode(), tTransport::kRecordMode);
  EXPECT_EQ(frames, (std::vector<int32_t>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  // A release that does not finish a click changes nothing.
  t.Press(260, 530);
  t.Move(400, 400);
  EXPECT_FALSE(t.Release(260, 530));
  EXPECT_EQ(t.Mode(), tTransport::kRecordMode);

  // The record zone (196, 528)-(251, 542) returns to record mode from its
  // corners, and from nowhere beside it.
  auto click = [&](int32_t x, int32_t y) {
    t.Press(x, y);
    return t.Release(x, y);
  };
  ASSERT_TRUE(click(260, 530));
  for (auto [x, y] : {std::pair{195, 535}, {251, 535}, {220, 527}, {220, 542}})
    EXPECT_FALSE(click(x, y)) << x << "," << y;
  EXPECT_EQ(t.Mode(), tTransport::kPlayMode);
  EXPECT_TRUE(click(250, 541));
  EXPECT_EQ(t.Mode(), tTransport::kRecordMode);
  ASSERT_TRUE(click(260, 530));
  EXPECT_TRUE(click(196, 528));
  EXPECT_EQ(t.Mode(), tTransport::kRecordMode);
}

}  // namespace
