#include "platform/input.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>

#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/display.h"

namespace platform {

namespace {

// A record on its way out, with the physical key it came from (-1 for
// records that have none: injected ones, mouse, window).
struct Pending {
  InputEvent event;
  int scancode = -1;
};

// Event types of our own in SDL's queue: an injected record's place, and a
// wake-up.
std::once_flag g_TypesOnce;
Uint32 g_InjectType = 0;
Uint32 g_WakeType = 0;
bool g_EventsStarted = false;

// Injected records wait here, each with a marker in SDL's queue that keeps
// its place among the window system's events. The lock is held only around
// this queue (and the push of a marker); nothing of ours is called under it.
std::mutex g_InjectLock;
std::deque<InputEvent> g_Injected;
std::atomic<bool> g_WakeQueued{false};

std::deque<Pending> g_Pending;  // translated, not yet handed out (main thread)
bool g_TextInput = false;

// The key-state table: per physical key the desk code it went down as (0 =
// up), so that its release gives the same code even if the layout changed in
// between; per desk code how many physical keys hold it and whether an
// injected press holds it.
uint8_t g_ScancodeDownAs[SDL_NUM_SCANCODES] = {};
uint8_t g_PhysicalDown[256] = {};
bool g_InjectedDown[256] = {};

int32_t g_MouseX = 0;
int32_t g_MouseY = 0;

// Any thread; call_once also publishes the types to the thread that waits.
bool RegisterTypes() {
  std::call_once(g_TypesOnce, [] {
    const Uint32 first = SDL_RegisterEvents(2);
    if (first != static_cast<Uint32>(-1)) {
      g_InjectType = first;
      g_WakeType = first + 1;
    }
  });
  return g_InjectType != 0;
}

// Main thread: the queue exists from here on, with or without a window.
bool StartEvents() {
  if (!g_EventsStarted) g_EventsStarted = SDL_InitSubSystem(SDL_INIT_EVENTS) == 0;
  return RegisterTypes() && g_EventsStarted;
}

// ---- translation ----

uint8_t TranslateKey(SDL_Keycode sym, SDL_Scancode scancode) {
  if (sym >= SDLK_a && sym <= SDLK_z) return static_cast<uint8_t>('A' + (sym - SDLK_a));
  if (sym >= SDLK_0 && sym <= SDLK_9) return static_cast<uint8_t>('0' + (sym - SDLK_0));
  switch (sym) {
    case SDLK_KP_0:
      return '0';
    case SDLK_BACKSPACE:
      return kKeyBackspace;
    case SDLK_TAB:
      return kKeyTab;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER:
      return kKeyEnter;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return kKeyShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return kKeyCtrl;
    case SDLK_ESCAPE:
      return kKeyEsc;
    case SDLK_SPACE:
      return kKeySpace;
    case SDLK_PAGEUP:
      return kKeyPageUp;
    case SDLK_PAGEDOWN:
      return kKeyPageDown;
    case SDLK_END:
      return kKeyEnd;
    case SDLK_HOME:
      return kKeyHome;
    case SDLK_LEFT:
      return kKeyLeft;
    case SDLK_UP:
      return kKeyUp;
    case SDLK_RIGHT:
      return kKeyRight;
    case SDLK_DOWN:
      return kKeyDown;
    case SDLK_INSERT:
      return kKeyInsert;
    case SDLK_DELETE:
      return kKeyDelete;
    case SDLK_F1:
      return kKeyF1;
    case SDLK_F2:
      return kKeyF2;
    case SDLK_F3:
      return kKeyF3;
    case SDLK_F4:
      return kKeyF4;
    default:
      break;
  }
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return static_cast<uint8_t>('1' + (sym - SDLK_KP_1));
  // A letter of another script (or a key without a symbol) on a letter's
  // place: the desk's keys are places on the keyboard, so it is that letter.
  // ASCII symbols on letter places (such as ',' on some layouts) stay what
  // they are: those layouts have the letter elsewhere.
  const bool asciiSymbol = sym > 0 && sym < 0x80;
  if (!asciiSymbol && scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return static_cast<uint8_t>('A' + (scancode - SDL_SCANCODE_A));
  return kKeyOther;
}

// Mouse positions come in window pixels; the display knows where the picture
// lies. Positions in the borders lie outside the picture.
bool InsidePicture(int32_t x, int32_t y) {
  int32_t w = 800;
  int32_t h = 600;
  DisplayModeSize(w, h);
  return x >= 0 && y >= 0 && x < w && y < h;
}

void ClampToPicture(int32_t& x, int32_t& y) {
  int32_t w = 800;
  int32_t h = 600;
  DisplayModeSize(w, h);
  x = std::clamp(x, 0, w - 1);
  y = std::clamp(y, 0, h - 1);
}

void Queue(const InputEvent& event, int scancode = -1) {
  g_Pending.push_back(Pending{event, scancode});
}

// Releases of every key the table still holds, then the focus loss itself.
void QueueFocusLoss() {
  for (int s = 0; s < SDL_NUM_SCANCODES; ++s) {
    if (g_ScancodeDownAs[s] == 0) continue;
    InputEvent release;
    release.kind = InputKind::kKeyRelease;
    release.key = g_ScancodeDownAs[s];
    Queue(release, s);
  }
  for (int k = 0; k < 256; ++k) {
    if (!g_InjectedDown[k]) continue;
    InputEvent release;
    release.kind = InputKind::kKeyRelease;
    release.key = static_cast<uint8_t>(k);
    Queue(release);
  }
  InputEvent lost;
  lost.kind = InputKind::kFocusLost;
  Queue(lost);
}

void QueueInjected(const InputEvent& event) {
  if (event.kind == InputKind::kFocusLost)
    QueueFocusLoss();
  else
    Queue(event);
}

void QueueMouse(InputKind kind, int32_t windowX, int32_t windowY, int32_t clicks) {
  int32_t x = windowX;
  int32_t y = windowY;
  WindowToScreen(windowX, windowY, x, y);  // without a window: as they are
  if (kind == InputKind::kMousePress && !InsidePicture(x, y)) return;
  ClampToPicture(x, y);
  g_MouseX = x;
  g_MouseY = y;
  InputEvent record;
  record.kind = kind;
  record.x = x;
  record.y = y;
  record.clicks = clicks;
  Queue(record);
}

void QueueWindowRecord(InputKind kind) {
  InputEvent record;
  record.kind = kind;
  Queue(record);
}

// Turns one SDL event into zero or more pending records.
void Translate(const SDL_Event& e) {
  if (e.type == g_InjectType && g_InjectType != 0) {
    InputEvent injected;
    {
      std::lock_guard<std::mutex> lock(g_InjectLock);
      if (g_Injected.empty()) return;
      injected = g_Injected.front();
      g_Injected.pop_front();
    }
    QueueInjected(injected);
    return;
  }
  if (e.type == g_WakeType && g_WakeType != 0) {
    g_WakeQueued = false;
    QueueWindowRecord(InputKind::kWake);
    return;
  }
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int scancode = e.key.keysym.scancode;
      if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return;
      InputEvent record;
      record.kind = e.type == SDL_KEYDOWN ? InputKind::kKeyPress : InputKind::kKeyRelease;
      // A held key keeps the code it went down as.
      record.key = g_ScancodeDownAs[scancode] != 0
                       ? g_ScancodeDownAs[scancode]
                       : TranslateKey(e.key.keysym.sym, e.key.keysym.scancode);
      record.repeat = e.type == SDL_KEYDOWN && e.key.repeat != 0;
      Queue(record, scancode);
      return;
    }
    case SDL_TEXTINPUT: {
      if (!g_TextInput) return;
      for (char c : Utf8ToCp1252(e.text.text)) {
        const uint8_t byte = static_cast<uint8_t>(c);
        // Typed text has no control characters (nor the code page's unused bytes).
        const char32_t unicode = Cp1252ToUnicode(byte);
        if (unicode < 0x20 || (unicode >= 0x7F && unicode < 0xA0)) continue;
        InputEvent record;
        record.kind = InputKind::kText;
        record.character = byte;
        Queue(record);
      }
      return;
    }
    case SDL_MOUSEMOTION:
      QueueMouse(InputKind::kMouseMove, e.motion.x, e.motion.y, 1);
      return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (e.button.button != SDL_BUTTON_LEFT) return;
      if (e.type == SDL_MOUSEBUTTONUP) {
        QueueMouse(InputKind::kMouseRelease, e.button.x, e.button.y, 1);
        return;
      }
      // Every second press of a quick series is a double-click, as on the
      // desk's original system (a third press is a plain press again).
      const int32_t clicks = e.button.clicks >= 2 && e.button.clicks % 2 == 0 ? 2 : 1;
      QueueMouse(InputKind::kMousePress, e.button.x, e.button.y, clicks);
      return;
    }
    case SDL_MOUSEWHEEL: {
      int32_t notches = e.wheel.y;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (notches == 0) return;
      InputEvent record;
      record.kind = InputKind::kWheel;
      record.wheel = notches;
      record.x = g_MouseX;
      record.y = g_MouseY;
      Queue(record);
      return;
    }
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          QueueWindowRecord(InputKind::kFocusGained);
          return;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          QueueFocusLoss();
          return;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          // Present again even where the record itself is dropped (the
          // intro's waits, modal loops).
          RefreshWindow();
          QueueWindowRecord(InputKind::kExpose);
          return;
        default:
          return;
      }
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      RefreshWindow();
      QueueWindowRecord(InputKind::kExpose);
      return;
    case SDL_QUIT:
      // The last window's close button, or an interrupt of the process.
      QueueWindowRecord(InputKind::kClose);
      return;
    default:
      return;
  }
}

// Updates the key-state table from a record being handed out.
void Apply(const Pending& p) {
  const InputEvent& e = p.event;
  if (e.kind != InputKind::kKeyPress && e.kind != InputKind::kKeyRelease) return;
  const bool down = e.kind == InputKind::kKeyPress;
  if (p.scancode < 0) {
    g_InjectedDown[e.key] = down;
    return;
  }
  uint8_t& as = g_ScancodeDownAs[p.scancode];
  if (down && as == 0) {
    as = e.key;
    ++g_PhysicalDown[e.key];
  } else if (!down && as != 0) {
    --g_PhysicalDown[as];
    as = 0;
  }
}

bool HandOut(InputEvent& out) {
  if (g_Pending.empty()) return false;
  Apply(g_Pending.front());
  out = g_Pending.front().event;
  g_Pending.pop_front();
  return true;
}

// Takes SDL events until one gives a record or the time is up (timeoutMs 0:
// only what waits; negative: no limit).
bool Next(InputEvent& out, int32_t timeoutMs) {
  if (HandOut(out)) return true;
  if (!StartEvents()) return false;
  const uint64_t deadline = MonotonicMs() + static_cast<uint64_t>(std::max(timeoutMs, 0));
  for (;;) {
    SDL_Event e;
    if (timeoutMs < 0) {
      if (SDL_WaitEvent(&e) != 1) return false;
    } else {
      const uint64_t now = MonotonicMs();
      if (now >= deadline) {
        if (SDL_PollEvent(&e) != 1) return false;
      } else if (SDL_WaitEventTimeout(&e, static_cast<int>(deadline - now)) != 1) {
        continue;  // woke early or timed out: the next pass polls at the deadline
      }
    }
    Translate(e);
    if (HandOut(out)) return true;
  }
}

}  // namespace

bool PollInput(InputEvent& out) {
  return Next(out, 0);
}

bool WaitInput(InputEvent& out, int32_t timeoutMs) {
  return Next(out, timeoutMs);
}

void FlushInput() {
  InputEvent dropped;
  while (HandOut(dropped)) {
  }
  if (!StartEvents()) return;
  // Only what waits now: a stream of new events (a held key's repeats) must
  // not keep the caller here.
  SDL_PumpEvents();
  int waiting = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
  SDL_Event e;
  while (waiting-- > 0 && SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
    Translate(e);
    while (HandOut(dropped)) {
    }
  }
}

bool IsKeyDown(uint8_t key) {
  return g_PhysicalDown[key] > 0 || g_InjectedDown[key];
}

void InjectInput(const InputEvent& event) {
  if (StartEvents()) {
    std::lock_guard<std::mutex> lock(g_InjectLock);
    SDL_Event marker{};
    marker.type = g_InjectType;
    // The marker goes in under the lock so markers and records keep one order.
    if (SDL_PushEvent(&marker) == 1) {
      g_Injected.push_back(event);
      return;
    }
  }
  QueueInjected(event);  // no queue to take its place in: next in line
}

void WakeInputWait() {
  if (!RegisterTypes() || g_WakeQueued.exchange(true)) return;
  SDL_Event wake{};
  wake.type = g_WakeType;
  if (SDL_PushEvent(&wake) != 1) g_WakeQueued = false;
}

void SetTextInput(bool on) {
  g_TextInput = on;
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  if (on)
    SDL_StartTextInput();
  else
    SDL_StopTextInput();
}

}  // namespace platform
