// The message box: how its lines are composed, and the modal and busy forms
// on the desk, answered through injected mouse records.
#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/clock.h"
#include "platform/png_file.h"
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

TEST_F(MessageBoxOnDesk, ComposesTheTextsOfTheSelectedLanguage) {
  EXPECT_EQ(Joined(ComposeMessage("can not load mix", "C:\\Mixes\\you bv feel.mix").text),
            "Can not load the mix:|you bv feel           |OK");
  LanguageTable().SelectLanguage(2);
  EXPECT_EQ(ComposeMessage("No channels loaded", nullptr).text[0], "Geen kanalen geladen.");
  // A key the table does not have shows the table's own answer.
  EXPECT_EQ(ComposeMessage("no such key", nullptr).text[0], "ERROR-Not found! no su");
}

TEST_F(MessageBoxOnDesk, ModalMessageWaitsForAUsableButton) {
  Load(0);
  const std::vector<uint8_t> under = Area(kBox);
  // The first button is not usable, keys are not the box's: the third
  // button's click answers.
  Click(0);
  Inject(tInputKind::kKeyPress, 'Q');
  Click(2);
  Inject(tInputKind::kKeyPress, kKeyEnter);
  EXPECT_EQ(desk_->ShowMessage("No channels loaded", nullptr), 2);
  EXPECT_FALSE(Ch(0).GetKeyHeld());
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  EXPECT_TRUE(desk_->Meter().BarsShown());
  EXPECT_FALSE(desk_->MessageBox().IsOpen());
  EXPECT_EQ(Area(kBox), under);
  // The record that followed the answer is left for the desk's loop.
  tInputEvent e;
  ASSERT_TRUE(PollInput(e));
  EXPECT_EQ(e.key, kKeyEnter);

  // Pressing on a button and releasing off it answers nothing.
  const int32_t x = tMessageBox::kX + 247;
  InjectMouse(tInputKind::kMousePress, x, tMessageBox::kY + 25);
  InjectMouse(tInputKind::kMouseMove, x, tMessageBox::kY + 200);
  InjectMouse(tInputKind::kMouseRelease, x, tMessageBox::kY + 200);
  Click(1);
  EXPECT_EQ(desk_->ShowMessage("keep or restore format", nullptr), 1);
}

TEST_F(MessageBoxOnDesk, RecordingWithoutChannelsShowsAMessage) {
  Inject(tInputKind::kKeyPress, kKeyEnter);
  Click(2);
  Pump();
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  EXPECT_EQ(desk_->MessageBox().Lines().text[0], "No channels loaded.");
  EXPECT_FALSE(desk_->Transport().Rec().State() == tControl::kDown);
}

TEST_F(MessageBoxOnDesk, BusyNoteStaysUpUntilClosedOrAMessageComes) {
  desk_->OpenBusyMessage("loading mix", "E:\\Sets\\live.mix");
  EXPECT_EQ(desk_->State(), tDeskCore::kBusy);
  EXPECT_EQ(desk_->SavedState(), tDeskCore::kIdle);
  EXPECT_FALSE(desk_->Meter().BarsShown());
  EXPECT_EQ(desk_->MessageBox().Lines().text[1], "live                  ");
  desk_->OpenBusyMessage("converting mix", nullptr);  // one is up already
  EXPECT_EQ(desk_->MessageBox().Lines().text[0], "Loading mix");
  desk_->CloseBusyMessage();
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  EXPECT_TRUE(desk_->Meter().BarsShown());
  desk_->CloseBusyMessage();  // none is up
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);

  // A modal message takes the busy note down first, and gives the desk's
  // own state back when answered.
  desk_->SetState(tDeskCore::kRecording);
  desk_->OpenBusyMessage("loading mix", nullptr);
  Click(0);
  EXPECT_EQ(desk_->ShowMessage("Error loading mix", nullptr), 0);
  EXPECT_EQ(desk_->State(), tDeskCore::kRecording);
  EXPECT_FALSE(desk_->MessageBox().IsOpen());

  // While a message is open, another one is answered -1 at once.
  desk_->OpenBusyMessage("loading mix", nullptr);
  desk_->SetState(tDeskCore::kIdle);
  EXPECT_EQ(desk_->ShowMessage("No channels loaded", nullptr), -1);
  EXPECT_TRUE(desk_->MessageBox().IsBusy());
}

TEST_F(MessageBoxOnDesk, ClosingTheWindowAnswersTheMessage) {
  const std::vector<uint8_t> under = Area(kBox);
  Inject(tInputKind::kClose);
  EXPECT_EQ(desk_->ShowMessage("Error loading mix", nullptr), -1);
  EXPECT_TRUE(desk_->QuitRequested());
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  EXPECT_EQ(Area(kBox), under);
  // While the desk closes, no message waits for an answer.
  Click(0);
  EXPECT_EQ(desk_->ShowMessage("Error loading mix", nullptr), -1);
}

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
