// The message box: how its lines are composed, and the modal and busy forms
// on the desk, answered through injected mouse records.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "tests/ui/desk_test_support.h"
#include "ui/message_box.h"

using namespace platform;

namespace {

// The three lines of a message as one text, "|" between them.
std::string Joined(const std::array<std::string, 3>& lines) {
  return lines[0] + "|" + lines[1] + "|" + lines[2];
}

TEST(MessageText, ComposesLinesButtonsAndTheFileName) {
  // The texts, each ending in 1 where its button is usable; the path; the
  // lines shown; the usable buttons.
  const std::tuple<std::array<std::string, 3>, const char*, std::string, std::string> cases[] = {
      // One usable button; the name after the last backslash, without its extension.
      {{"Can not load file:0", "%%%%%%%%%%%%%%%%%%%%%%0", "OK1"},
       "E:\\Loops\\kick.wav",
       "Can not load file:|kick                  |OK",
       "001"},
      // "#" is a blank; an empty text disables its button.
      {{"Go#on#quietly1", "", "##1"}, nullptr, "Go on quietly||  ", "101"},
      // Fits the first line's places; a name as long as the places fits them.
      {{"File %%%%0", "%%%%%%%%%%0", "OK1"}, "C:\\abc.chn", "File abc |          |OK", "001"},
      {{"%%%%0", "%%%%%%%%0", "1"}, "abcd", "abcd|        |", "001"},
      // Too long for the first line, whole in the second.
      {{"File %%%0", "%%%%%%%%%%0", "OK1"}, "C:\\a.b\\abcdef.mix", "File    |abcdef    |OK", "001"},
      // Longer than every line: split over the three, the rest dropped.
      {{"%%%%0", "<%%%%>0", "%%%%1"}, "ABCDEFGHIJKLMNOP", "ABCD|<EFGH>|IJKL", "001"},
      // Only a three-letter extension is cut; places of several runs are
      // filled in order.
      {{"%%%% and %%%%%0", "0", "0"}, "song.wave", "song and .wave||", "000"},
      // The name's own "%" and "#" are shown as they are, not as places or blanks.
      {{"File %%%%%%%%0", "%%%%0", "1"}, "C:\\Loops\\50%#off.wav", "File 50%#off |    |", "001"},
      // No path: every place is a blank.
      {{"x%%%y0", "0", "1"}, nullptr, "x   y||", "001"},
      // Only the first 22 characters count: places beyond are cut away.
      {{"ABCDEFGHIJKLMNOPQRSTUV%%%1", "%%%%%%%%%%%%%%%%%%%%%%%%%%0", "0"},
       "name",
       "ABCDEFGHIJKLMNOPQRSTUV|name                  |",
       "100"},
  };
  for (const auto& [texts, path, shown, usable] : cases) {
    const tMessageLines lines = ComposeMessage(texts, path);
    EXPECT_EQ(Joined(lines.text), shown) << texts[0];
    std::string enabled;
    for (bool on : lines.enabled) enabled += on ? '1' : '0';
    EXPECT_EQ(enabled, usable) << texts[0];
  }
}

class MessageBoxOnDesk : public StartedDeskTest {
 protected:
  // A click on button index, queued for the box's loop.
  static void Click(int index) {
    const int32_t x = tMessageBox::kX + 227 + 20;
    const int32_t y = tMessageBox::kY + 15 + 24 * index + 10;
    InjectMouse(tInputKind::kMousePress, x, y);
    InjectMouse(tInputKind::kMouseRelease, x, y);
  }
  static constexpr tRect kBox{tMessageBox::kX, tMessageBox::kY, tMessageBox::kX + 290,
                              tMessageBox::kY + 94};
};

// A modal message waits for a usable button (keys are not the box's) and
// leaves what followed the answer to the desk's loop; a press released off
// a button answers nothing. A busy note stays up until it is closed or a
// modal message takes it down; the message gives the desk's own state
// back, and while it is open another one is answered -1 at once. Closing
// the window answers a message, and while the desk closes no message waits.
TEST_F(MessageBoxOnDesk, ModalAndBusyMessages) {
  Load(0);
  const auto seen = [&](const std::string& what) {
    const tMessageBox& box = desk_->MessageBox();
    Note(what + ": state " + std::to_string(desk_->State()) + " saved " +
         std::to_string(desk_->SavedState()) + " bars " +
         std::to_string(desk_->Meter().BarsShown()) + " open " + std::to_string(box.IsOpen()) +
         " busy " + std::to_string(box.IsBusy()) + " lines '" + Joined(box.Lines().text) +
         "' under the box " + Picture(kBox) + " quit " + std::to_string(desk_->QuitRequested()));
  };
  seen("before");
  Click(0);
  Inject(tInputKind::kKeyPress, 'Q');
  Click(2);
  Inject(tInputKind::kKeyPress, kKeyEnter);
  Note("answer " + std::to_string(desk_->ShowMessage("No channels loaded", nullptr)));
  Log("after the answer");
  seen("after the answer");
  tInputEvent e;
  ASSERT_TRUE(PollInput(e));
  Note("left for the desk: key " + std::to_string(e.key));
  const int32_t x = tMessageBox::kX + 247;
  InjectMouse(tInputKind::kMousePress, x, tMessageBox::kY + 25);
  InjectMouse(tInputKind::kMouseMove, x, tMessageBox::kY + 200);
  InjectMouse(tInputKind::kMouseRelease, x, tMessageBox::kY + 200);
  Click(1);
  Note("answer " + std::to_string(desk_->ShowMessage("keep or restore format", nullptr)));

  desk_->OpenBusyMessage("loading mix", "E:\\Sets\\live.mix");
  seen("busy note");
  desk_->OpenBusyMessage("converting mix", nullptr);
  seen("a second note while one is up");
  desk_->CloseBusyMessage();
  seen("closed");
  desk_->CloseBusyMessage();
  seen("closed again");
  desk_->SetState(tDeskCore::kRecording);
  desk_->OpenBusyMessage("loading mix", nullptr);
  Click(0);
  Note("answer " + std::to_string(desk_->ShowMessage("Error loading mix", nullptr)));
  seen("a message over a busy note while recording");
  desk_->OpenBusyMessage("loading mix", nullptr);
  desk_->SetState(tDeskCore::kIdle);
  Note("answer " + std::to_string(desk_->ShowMessage("No channels loaded", nullptr)));
  seen("a message while one is open");
  desk_->CloseBusyMessage();
  desk_->SetState(tDeskCore::kIdle);
  seen("the note closed, the desk idle");

  Inject(tInputKind::kClose);
  Note("answer " + std::to_string(desk_->ShowMessage("Error loading mix", nullptr)));
  seen("window closed");
  Click(0);
  Note("answer " + std::to_string(desk_->ShowMessage("Error loading mix", nullptr)));
  ExpectGoldenText("message_box.trace", trace_);
}

// A message that comes up during a load (under its wait pointer) is answered
// with the mouse: the pointer is an arrow while the message waits, and the
// load's wait pointer comes back after the answer.
TEST_F(MessageBoxOnDesk, AModalMessageShowsTheArrowWhileItWaits) {
  desk_->SetWaitCursor(true);
  std::atomic<bool> arrow{false};
  std::thread answer([&] {
    for (int i = 0; i < 300 && !arrow; ++i) {
      arrow = CurrentPointer() == Pointer::kArrow;
      if (!arrow) SleepMs(10);
    }
    Click(2);
  });
  EXPECT_EQ(desk_->ShowMessage("No channels loaded", nullptr), 2);
  answer.join();
  EXPECT_TRUE(arrow);
  EXPECT_EQ(CurrentPointer(), Pointer::kWait);
  desk_->SetWaitCursor(false);
}

// The desk below a message and the box itself, drawn again after the
// screen was lost while the message waits.
TEST_F(MessageBoxOnDesk, RedrawWhileAMessageIsUpDrawsTheDeskBelowAndTheBox) {
  Load(0);
  Ch(0).SetLatched(true);
  desk_->SetLed(0);
  desk_->SetMixLabel("you bv feel");
  // The box's loop is on this thread. Another one waits until the box
  // shows as in the picture, blanks the screen, asks for a redraw, waits
  // (at most a few seconds) until the screen is the picture again, keeps
  // what it shows and answers.
  int32_t w = 0, h = 0;
  std::vector<uint8_t> golden;
  std::vector<platform::Rgb> palette;
  ASSERT_TRUE(platform::ReadIndexedPng(
      std::string(std::getenv("BREVORA_SOURCE_DIR")) + "/tests/ui/golden/desk_message.png", w, h,
      golden, palette));
  auto shows = [&](const tRect& r) {
    const std::vector<uint8_t> now = platform::Screen()->Pixels();
    for (int32_t y = r.top; y < r.bottom; ++y)
      for (int32_t x = r.left; x < r.right; ++x)
        if (now[size_t(y * 800 + x)] != golden[size_t(y * 800 + x)]) return false;
    return true;
  };
  auto await = [&](const tRect& r) {
    const uint64_t deadline = platform::MonotonicMs() + 5000;
    while (!shows(r) && platform::MonotonicMs() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  };
  std::vector<uint8_t> seen;
  bool barsHidden = false;
  std::thread other([&] {
    await(kBox);
    FillScreen(0);
    Inject(tInputKind::kExpose);
    await(tRect{0, 0, 800, 600});
    seen = platform::Screen()->Pixels();
    barsHidden = !desk_->Meter().BarsShown();
    Click(0);
  });
  EXPECT_EQ(desk_->ShowMessage("Error loading mix", nullptr), 0);
  other.join();
  EXPECT_TRUE(barsHidden);
  ASSERT_EQ(seen.size(), 800u * 600u);
  for (int32_t y = 0; y < 600; ++y)
    for (int32_t x = 0; x < 800; ++x) Screen().SetPixel(x, y, seen[size_t(y * 800 + x)]);
  ExpectGolden("desk_message", tRect{0, 0, 800, 600});
}

}  // namespace
