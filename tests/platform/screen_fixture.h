#pragma once
// A window under SDL's dummy video driver with an 800 by 600 screen in the
// 3-3-2 palette, for the display, input and video services. Events are put
// into SDL's queue as the window system would send them.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/display.h"
#include "platform/input.h"
#include "tests/platform/test_root.h"

// A record as one line of text, for comparing lists of them.
inline std::string KeyName(uint8_t key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", key);
  return hex;
}

inline std::string Describe(const platform::InputEvent& e) {
  using K = platform::InputKind;
  const std::string at = " " + std::to_string(e.x) + "," + std::to_string(e.y);
  switch (e.kind) {
    case K::kMousePress:
      return "press" + at + (e.clicks == 2 ? " double" : "");
    case K::kMouseMove:
      return "move" + at;
    case K::kMouseRelease:
      return "release" + at;
    case K::kWheel:
      return "wheel " + std::to_string(e.wheel) + at;
    case K::kKeyPress:
      return "down " + KeyName(e.key) + (e.repeat ? " repeat" : "");
    case K::kKeyRelease:
      return "up " + KeyName(e.key);
    case K::kText:
      return "text " + KeyName(e.character);
    case K::kFocusGained:
      return "focus gained";
    case K::kFocusLost:
      return "focus lost";
    case K::kClose:
      return "close";
    case K::kExpose:
      return "expose";
    case K::kWake:
      return "wake";
    case K::kNone:
      break;
  }
  return "none";
}

// Opens the window with an 800 by 600 screen in the 3-3-2 palette.
inline void OpenScreen(bool fullscreen) {
  platform::DisplayOptions options;
  options.fullscreen = fullscreen;
  ASSERT_EQ(platform::OpenDisplay(options), platform::DisplayStatus::kOk);
  ASSERT_TRUE(platform::SetDisplayMode(800, 600));
  ASSERT_TRUE(platform::CreateScreen());
  platform::Rgb cube[256];
  platform::StartupPalette(cube);
  ASSERT_TRUE(platform::SetPalette(cube, 256));
}

// Gives every screen pixel an index that differs from its neighbours'.
inline void FillPattern() {
  platform::Image& screen = *platform::Screen();
  for (int32_t y = 0; y < 600; ++y)
    for (int32_t x = 0; x < 800; ++x) screen.SetPixel(x, y, static_cast<uint8_t>(x * 3 + y * 7));
}

class ScreenServices : public TestRoot {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    TestRoot::SetUp();
    OpenScreen(false);
    platform::FlushInput();
  }
  void TearDown() override {
    // A focus loss releases whatever a test left down.
    platform::InjectInput(platform::InputEvent{platform::InputKind::kFocusLost});
    platform::FlushInput();
    platform::ClearOverlay();
    platform::CloseDisplay();
    TestRoot::TearDown();
  }

  static SDL_Window* Window() { return SDL_GetWindowFromID(platform::DisplayWindowId()); }
  static void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1); }

  static void PushKey(bool down, SDL_Keycode sym, SDL_Scancode scancode, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = platform::DisplayWindowId();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scancode;
    Push(e);
  }
  // Window pixels, as the window system reports them.
  static void PushButton(bool down, int x, int y, uint8_t button = SDL_BUTTON_LEFT,
                         uint8_t clicks = 1) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = platform::DisplayWindowId();
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = clicks;
    e.button.x = x;
    e.button.y = y;
    Push(e);
  }
  static void PushMotion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = platform::DisplayWindowId();
    e.motion.x = x;
    e.motion.y = y;
    Push(e);
  }
  static void PushWindowEvent(uint8_t event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = platform::DisplayWindowId();
    e.window.event = event;
    Push(e);
  }

  // Resizes the window and lets the renderer follow.
  static void ResizeWindow(int width, int height) {
    SDL_SetWindowSize(Window(), width, height);
    platform::FlushInput();
  }

  // Every record that waits, one line each.
  static std::vector<std::string> Drain() {
    std::vector<std::string> lines;
    platform::InputEvent e;
    while (platform::PollInput(e)) lines.push_back(Describe(e));
    return lines;
  }

  // The window as RGB triples.
  struct Capture {
    std::vector<uint8_t> rgb;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t At(int32_t x, int32_t y) const {
      const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 3;
      return uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2];
    }
  };
  static Capture CaptureNow() {
    Capture c;
    EXPECT_TRUE(platform::CaptureWindow(c.rgb, c.width, c.height));
    return c;
  }

  // Sleeps until the next display refresh is due (bounded).
  static void WaitForRefresh() {
    for (int i = 0; i < 1000 && platform::MsUntilNextPresent() > 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
};
