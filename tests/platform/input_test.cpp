// The input service: SDL's events put into the queue as the window system
// sends them, read back as the desk's records.
#include <atomic>
#include <thread>

#include "platform/clock.h"
#include "tests/platform/screen_fixture.h"

namespace {

using platform::InputEvent;
using platform::InputKind;
using Lines = std::vector<std::string>;

class Input : public ScreenServices {};

InputEvent Record(InputKind kind, uint8_t key = 0) {
  InputEvent e;
  e.kind = kind;
  e.key = key;
  return e;
}

TEST_F(Input, KeysBecomeTheDesksCodesByLayoutOrPlace) {
  namespace p = platform;
  struct Row {
    SDL_Keycode sym;
    SDL_Scancode scancode;  // SDL_SCANCODE_UNKNOWN: the key's own place
    uint8_t code;
  };
  const Row rows[] = {
      {SDLK_a, SDL_SCANCODE_UNKNOWN, 'A'},
      {SDLK_z, SDL_SCANCODE_Y, 'Z'},  // a German layout: the letter, not its place
      {0x0444, SDL_SCANCODE_A, 'A'},  // Cyrillic ef: the letter of its place
      {SDLK_UNKNOWN, SDL_SCANCODE_K, 'K'},
      {SDLK_COMMA, SDL_SCANCODE_M, p::kKeyOther},      // a symbol on a letter's place
      {0x00F6, SDL_SCANCODE_SEMICOLON, p::kKeyOther},  // o-umlaut: not a desk key
      {SDLK_0, SDL_SCANCODE_UNKNOWN, '0'},
      {SDLK_KP_0, SDL_SCANCODE_UNKNOWN, '0'},
      {SDLK_KP_1, SDL_SCANCODE_UNKNOWN, '1'},
      {SDLK_KP_9, SDL_SCANCODE_UNKNOWN, '9'},
      {SDLK_F5, SDL_SCANCODE_UNKNOWN, p::kKeyOther},
      {SDLK_LALT, SDL_SCANCODE_UNKNOWN, p::kKeyOther},
  };
  // Keys on their own places, each with the code of its name.
  const std::pair<SDL_Keycode, uint8_t> named[] = {
      {SDLK_RETURN, p::kKeyEnter},  {SDLK_KP_ENTER, p::kKeyEnter}, {SDLK_LCTRL, p::kKeyCtrl},
      {SDLK_RSHIFT, p::kKeyShift},  {SDLK_TAB, p::kKeyTab},        {SDLK_ESCAPE, p::kKeyEsc},
      {SDLK_SPACE, p::kKeySpace},   {SDLK_PAGEUP, p::kKeyPageUp},  {SDLK_INSERT, p::kKeyInsert},
      {SDLK_DELETE, p::kKeyDelete}, {SDLK_HOME, p::kKeyHome},      {SDLK_DOWN, p::kKeyDown},
      {SDLK_F4, p::kKeyF4}};
  std::vector<Row> all(std::begin(rows), std::end(rows));
  for (auto [sym, code] : named) all.push_back({sym, SDL_SCANCODE_UNKNOWN, code});
  for (Row row : all) {
    if (row.scancode == SDL_SCANCODE_UNKNOWN) row.scancode = SDL_GetScancodeFromKey(row.sym);
    PushKey(true, row.sym, row.scancode);
    PushKey(false, row.sym, row.scancode);
    EXPECT_EQ(Drain(), (Lines{"down " + KeyName(row.code), "up " + KeyName(row.code)}))
        << "key 0x" << std::hex << row.sym;
  }
}

TEST_F(Input, TheKeyTableFollowsTheRecordsHandedOut) {
  // Down only once the press is handed out; repeats keep it down.
  PushKey(true, SDLK_a, SDL_SCANCODE_A);
  EXPECT_FALSE(platform::IsKeyDown('A'));
  PushKey(true, SDLK_a, SDL_SCANCODE_A, true);
  EXPECT_EQ(Drain(), (Lines{"down A", "down A repeat"}));
  EXPECT_TRUE(platform::IsKeyDown('A'));
  // A release keeps the code of its press even if the layout changed.
  PushKey(false, SDLK_q, SDL_SCANCODE_A);
  EXPECT_EQ(Drain(), (Lines{"up A"}));
  EXPECT_FALSE(platform::IsKeyDown('A'));
  EXPECT_FALSE(platform::IsKeyDown('Q'));

  // Two keys with one code: the code is down while either is.
  PushKey(true, SDLK_LCTRL, SDL_SCANCODE_LCTRL);
  PushKey(true, SDLK_RCTRL, SDL_SCANCODE_RCTRL);
  PushKey(false, SDLK_LCTRL, SDL_SCANCODE_LCTRL);
  Drain();
  EXPECT_TRUE(platform::IsKeyDown(platform::kKeyCtrl));
  PushKey(false, SDLK_RCTRL, SDL_SCANCODE_RCTRL);
  Drain();
  EXPECT_FALSE(platform::IsKeyDown(platform::kKeyCtrl));

  // Injected records count too, in their place among the window system's.
  PushKey(true, SDLK_UP, SDL_SCANCODE_UP);
  platform::InjectInput(Record(InputKind::kKeyPress, platform::kKeyDown));
  PushKey(false, SDLK_UP, SDL_SCANCODE_UP);
  EXPECT_FALSE(platform::IsKeyDown(platform::kKeyDown));
  EXPECT_EQ(Drain(), (Lines{"down 0x26", "down 0x28", "up 0x26"}));
  EXPECT_TRUE(platform::IsKeyDown(platform::kKeyDown));
  platform::InjectInput(Record(InputKind::kKeyRelease, platform::kKeyDown));
  Drain();
  EXPECT_FALSE(platform::IsKeyDown(platform::kKeyDown));

  // Dropped records still move the table, so it keeps agreeing with the keyboard.
  PushKey(true, SDLK_h, SDL_SCANCODE_H);
  platform::FlushInput();
  EXPECT_TRUE(platform::IsKeyDown('H'));
  PushKey(false, SDLK_h, SDL_SCANCODE_H);
  platform::FlushInput();
  EXPECT_FALSE(platform::IsKeyDown('H'));
  EXPECT_EQ(Drain(), Lines{});
}

TEST_F(Input, AFocusLossReleasesEveryKeyStillDown) {
  PushKey(true, SDLK_w, SDL_SCANCODE_W);
  PushKey(true, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
  platform::InjectInput(Record(InputKind::kKeyPress, 'J'));
  PushKey(true, SDLK_e, SDL_SCANCODE_E);
  PushKey(false, SDLK_e, SDL_SCANCODE_E);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  EXPECT_EQ(Drain(), (Lines{"down W", "down 0x10", "down J", "down E", "up E", "up W", "up 0x10",
                            "up J", "focus lost", "focus gained"}));
  for (uint8_t key : {uint8_t('W'), uint8_t('J'), uint8_t(platform::kKeyShift)})
    EXPECT_FALSE(platform::IsKeyDown(key)) << KeyName(key);
  // The window system's own late releases change nothing more.
  PushKey(false, SDLK_w, SDL_SCANCODE_W);
  EXPECT_EQ(Drain(), (Lines{"up W"}));
  EXPECT_FALSE(platform::IsKeyDown('W'));
}

TEST_F(Input, MouseRecordsAreScreenPixelsWithDoubleClicksAndTheWheel) {
  PushMotion(10, 20);
  PushButton(true, 10, 20);
  PushButton(false, 11, 21);
  PushButton(true, 10, 20, SDL_BUTTON_RIGHT);  // only the left button
  PushButton(false, 10, 20, SDL_BUTTON_RIGHT);
  for (uint8_t clicks : {1, 2, 3, 4}) PushButton(true, 799, 599, SDL_BUTTON_LEFT, clicks);
  SDL_Event wheel{
      .wheel = {.type = SDL_MOUSEWHEEL, .windowID = platform::DisplayWindowId(), .y = 2}};
  Push(wheel);
  wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  Push(wheel);
  wheel.wheel.y = 0;  // sideways only
  Push(wheel);
  EXPECT_EQ(Drain(), (Lines{"move 10,20", "press 10,20", "release 11,21", "press 799,599",
                            "press 799,599 double", "press 799,599", "press 799,599 double",
                            "wheel 2 799,599", "wheel -2 799,599"}));
}

// The picture is scaled into the window and letterboxed; positions come in
// screen pixels, presses in the borders are dropped, moves and releases from
// there reach the nearest pixel of the picture.
TEST_F(Input, MousePositionsFollowTheLetterboxOfAResizedWindow) {
  // 1280 by 720: scale 1.2, the picture from x 160 to 1120.
  ResizeWindow(1280, 720);
  PushMotion(160 + 120, 60);
  PushButton(true, 50, 300);  // left border
  PushButton(false, 50, 300);
  PushMotion(1275, 719);  // right border, bottom row
  PushButton(true, 1119, 719);
  EXPECT_EQ(Drain(), (Lines{"move 100,50", "release 0,250", "move 799,599", "press 799,599"}));

  // 800 by 1000: scale 1, the picture from y 200 to 800.
  ResizeWindow(800, 1000);
  PushButton(true, 400, 150);
  PushMotion(400, 150);
  PushButton(false, 400, 950);
  PushButton(true, 400, 250);
  EXPECT_EQ(Drain(), (Lines{"move 400,0", "release 400,599", "press 400,50"}));

  // 1600 by 1200: scale 2, no border.
  ResizeWindow(1600, 1200);
  PushButton(true, 1599, 1199);
  PushButton(false, 0, 0);
  EXPECT_EQ(Drain(), (Lines{"press 799,599", "release 0,0"}));

  // 1281 by 720: the odd pixel of border goes to the right.
  ResizeWindow(1281, 720);
  for (int x : {159, 160, 1119, 1120}) PushButton(true, x, 0);
  EXPECT_EQ(Drain(), (Lines{"press 0,0", "press 799,0"}));
}

TEST_F(Input, WindowRecordsAndTypedText) {
  PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED);
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);  // SDL follows it with its quit event
  PushWindowEvent(SDL_WINDOWEVENT_MOVED);
  Push(SDL_Event{.quit = {.type = SDL_QUIT}});
  EXPECT_EQ(Drain(), (Lines{"expose", "expose", "close"}));

  // Text only while text input is on, in code page 1252; characters the code
  // page lacks are dropped.
  SDL_Event text{.text = {.type = SDL_TEXTINPUT}};
  std::snprintf(text.text.text, sizeof text.text.text, "%s", "a\xC3\xA9\xE2\x82\xAC\xE2\x98\x83Z");
  Push(text);
  EXPECT_EQ(Drain(), Lines{});
  platform::SetTextInput(true);
  EXPECT_TRUE(SDL_IsTextInputActive());
  Push(text);
  EXPECT_EQ(Drain(), (Lines{"text 0x61", "text 0xE9", "text 0x80", "text Z"}));
  platform::SetTextInput(false);
  EXPECT_FALSE(SDL_IsTextInputActive());

  // An exposed window is presented again at the next refresh, even when the
  // record itself is dropped.
  ASSERT_TRUE(platform::PresentNow());
  WaitForRefresh();
  EXPECT_FALSE(platform::PresentIfDue());  // nothing changed
  PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  platform::FlushInput();
  WaitForRefresh();
  EXPECT_TRUE(platform::PresentIfDue());
}

TEST_F(Input, WaitsEndWithARecordAWakeOrTheTimeOut) {
  InputEvent e;
  EXPECT_FALSE(platform::WaitInput(e, 0));
  const uint64_t start = platform::MonotonicMs();
  EXPECT_FALSE(platform::WaitInput(e, 40));
  EXPECT_GE(platform::MonotonicMs() - start, 40u);

  // A wake from another thread ends a long wait; wakes that find one waiting
  // add no second record. A record that arrives during a wait ends it too.
  std::thread waker([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    platform::WakeInputWait();
    platform::WakeInputWait();
  });
  ASSERT_TRUE(platform::WaitInput(e, 20000));
  waker.join();
  EXPECT_EQ(Describe(e), "wake");
  EXPECT_EQ(Drain(), Lines{});
  platform::WakeInputWait();
  EXPECT_EQ(Drain(), (Lines{"wake"}));
  std::thread presser([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PushKey(true, SDLK_b, SDL_SCANCODE_B);
  });
  ASSERT_TRUE(platform::WaitInput(e, 20000));
  presser.join();
  EXPECT_EQ(Describe(e), "down B");
}

}  // namespace
