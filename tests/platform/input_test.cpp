// The input service: SDL's events put into the queue as the window system
// sends them, read back as the desk's records.
#include "tests/platform/golden_trace.h"
#include "tests/platform/screen_fixture.h"

namespace {

using platform::InputEvent;
using platform::InputKind;

class Input : public ScreenServices {
 protected:
  static std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
  }
  // The step, then the keys the table holds down.
  void NoteHeld(const std::string& step) {
    std::string held;
    for (int k = 1; k < 256; ++k)
      if (platform::IsKeyDown(uint8_t(k))) held += " " + KeyName(uint8_t(k));
    trace_.Add({step + " | held" + (held.empty() ? " nothing" : held)});
  }
  // The step, the records it handed out, then the keys held.
  void Note(const std::string& step) {
    std::string records;
    for (const std::string& r : Drain()) records += (records.empty() ? "" : ", ") + r;
    NoteHeld(step + ": " + (records.empty() ? "no records" : records));
  }
  GoldenTrace trace_{"tests/platform/golden/input_session.trace"};
};

InputEvent Record(InputKind kind, uint8_t key = 0) {
  InputEvent e;
  e.kind = kind;
  e.key = key;
  return e;
}

// One session of keys, mouse, window records and text, traced step by step:
// the records each step handed out and the keys the table then held.
TEST_F(Input, ASessionOfKeysMouseWindowAndText) {
  // Keys by layout or place: a German layout's Z is its letter, a Cyrillic
  // ef the letter of its place; a symbol or an o-umlaut on a letter's place
  // is no desk key; keypad digits are digits.
  const std::pair<SDL_Keycode, SDL_Scancode> placed[] = {{SDLK_z, SDL_SCANCODE_Y},
                                                         {0x0444, SDL_SCANCODE_A},
                                                         {SDLK_UNKNOWN, SDL_SCANCODE_K},
                                                         {SDLK_COMMA, SDL_SCANCODE_M},
                                                         {0x00F6, SDL_SCANCODE_SEMICOLON}};
  std::vector<std::pair<SDL_Keycode, SDL_Scancode>> keys(std::begin(placed), std::end(placed));
  // Keys on their own places.
  for (SDL_Keycode sym :
       {SDLK_a,      SDLK_0,        SDLK_KP_0,   SDLK_KP_1,   SDLK_KP_9, SDLK_F5,     SDLK_LALT,
        SDLK_RETURN, SDLK_KP_ENTER, SDLK_LCTRL,  SDLK_RSHIFT, SDLK_TAB,  SDLK_ESCAPE, SDLK_SPACE,
        SDLK_PAGEUP, SDLK_INSERT,   SDLK_DELETE, SDLK_HOME,   SDLK_DOWN, SDLK_F4})
    keys.emplace_back(sym, SDL_GetScancodeFromKey(sym));
  for (auto [sym, scancode] : keys) {
    PushKey(true, sym, scancode);
    PushKey(false, sym, scancode);
    Note("key " + Hex(uint32_t(sym)) + " at " + std::to_string(scancode));
  }

  // The table: down only once the press is handed out, repeats keep it
  // down, a release keeps the code of its press though the layout changed.
  PushKey(true, SDLK_a, SDL_SCANCODE_A);
  NoteHeld("A pressed, not yet handed out");
  PushKey(true, SDLK_a, SDL_SCANCODE_A, true);
  Note("A repeated");
  PushKey(false, SDLK_q, SDL_SCANCODE_A);
  Note("Q released at A's place");
  // Two keys with one code: the code is down while either is.
  PushKey(true, SDLK_LCTRL, SDL_SCANCODE_LCTRL);
  PushKey(true, SDLK_RCTRL, SDL_SCANCODE_RCTRL);
  PushKey(false, SDLK_LCTRL, SDL_SCANCODE_LCTRL);
  Note("both Ctrl down, left up");
  PushKey(false, SDLK_RCTRL, SDL_SCANCODE_RCTRL);
  Note("right Ctrl up");
  // Injected records count too, in their place among the window system's.
  PushKey(true, SDLK_UP, SDL_SCANCODE_UP);
  platform::InjectInput(Record(InputKind::kKeyPress, platform::kKeyDown));
  PushKey(false, SDLK_UP, SDL_SCANCODE_UP);
  NoteHeld("Up pressed and released around an injected Down");
  Note("handed out");
  platform::InjectInput(Record(InputKind::kKeyRelease, platform::kKeyDown));
  Note("injected Down released");
  // Dropped records still move the table, so it keeps agreeing with the keyboard.
  PushKey(true, SDLK_h, SDL_SCANCODE_H);
  platform::FlushInput();
  NoteHeld("H pressed, dropped");
  PushKey(false, SDLK_h, SDL_SCANCODE_H);
  platform::FlushInput();
  Note("H released, dropped");

  // A focus loss releases every key still down, the window system's and
  // injected ones; a late release of the window system's own is handed on.
  PushKey(true, SDLK_w, SDL_SCANCODE_W);
  PushKey(true, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT);
  platform::InjectInput(Record(InputKind::kKeyPress, 'J'));
  PushKey(true, SDLK_e, SDL_SCANCODE_E);
  PushKey(false, SDLK_e, SDL_SCANCODE_E);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  Note("W, Shift, injected J, E down and up, focus lost and gained");
  PushKey(false, SDLK_w, SDL_SCANCODE_W);
  Note("W released late");

  // The mouse in screen pixels: only the left button, double-clicks on even
  // counts, the wheel with its direction (sideways only: nothing).
  PushMotion(10, 20);
  PushButton(true, 10, 20);
  PushButton(false, 11, 21);
  PushButton(true, 10, 20, SDL_BUTTON_RIGHT);
  PushButton(false, 10, 20, SDL_BUTTON_RIGHT);
  for (uint8_t clicks : {1, 2, 3, 4}) PushButton(true, 799, 599, SDL_BUTTON_LEFT, clicks);
  SDL_Event wheel{
      .wheel = {.type = SDL_MOUSEWHEEL, .windowID = platform::DisplayWindowId(), .y = 2}};
  Push(wheel);
  wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  Push(wheel);
  wheel.wheel.y = 0;
  Push(wheel);
  Note("move, left and right clicks, 1 to 4 clicks, wheel 2 plain, flipped, sideways");

  // A resized window letterboxes the picture: presses in the borders are
  // dropped, moves and releases from there reach the picture's nearest pixel.
  ResizeWindow(1280, 720);  // scale 1.2, the picture from x 160 to 1120
  PushMotion(160 + 120, 60);
  PushButton(true, 50, 300);
  PushButton(false, 50, 300);
  PushMotion(1275, 719);
  PushButton(true, 1119, 719);
  Note("1280x720: move 280,60, click 50,300, move 1275,719, press 1119,719");
  ResizeWindow(800, 1000);  // scale 1, the picture from y 200 to 800
  PushButton(true, 400, 150);
  PushMotion(400, 150);
  PushButton(false, 400, 950);
  PushButton(true, 400, 250);
  Note("800x1000: press and move 400,150, release 400,950, press 400,250");
  ResizeWindow(1600, 1200);  // scale 2, no border
  PushButton(true, 1599, 1199);
  PushButton(false, 0, 0);
  Note("1600x1200: press 1599,1199, release 0,0");
  ResizeWindow(1281, 720);  // the odd pixel of border goes to the right
  for (int x : {159, 160, 1119, 1120}) PushButton(true, x, 0);
  Note("1281x720: presses at x 159, 160, 1119, 1120");

  // Window records: exposes, a close (SDL follows it with its quit).
  PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED);
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  PushWindowEvent(SDL_WINDOWEVENT_MOVED);
  Push(SDL_Event{.quit = {.type = SDL_QUIT}});
  Note("exposed, size changed, close, moved, quit");

  // Text only while text input is on, in code page 1252; characters the
  // code page lacks are dropped.
  SDL_Event text{.text = {.type = SDL_TEXTINPUT}};
  std::snprintf(text.text.text, sizeof text.text.text, "%s", "a\xC3\xA9\xE2\x82\xAC\xE2\x98\x83Z");
  Push(text);
  Note("text while text input is off");
  platform::SetTextInput(true);
  trace_.Add({"text input on:", SDL_IsTextInputActive() ? "active" : "inactive"});
  Push(text);
  Note("text a, e acute, euro, snowman, Z");
  platform::SetTextInput(false);
  trace_.Add({"text input off:", SDL_IsTextInputActive() ? "active" : "inactive"});

  // An exposed window is presented again at the next refresh, even when the
  // record itself is dropped.
  ASSERT_TRUE(platform::PresentNow());
  WaitForRefresh();
  trace_.Add({"refresh without a change presents:", platform::PresentIfDue() ? "yes" : "no"});
  PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  platform::FlushInput();
  WaitForRefresh();
  trace_.Add({"refresh after a dropped expose presents:", platform::PresentIfDue() ? "yes" : "no"});
  trace_.Verify();
}

}  // namespace
