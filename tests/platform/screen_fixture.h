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
  // In the order of the kinds.
  static const char* const kNames[] = {"none",  "press",  "move", "release",      "wheel",
                                       "down",  "up",     "text", "focus gained", "focus lost",
                                       "close", "expose", "wake"};
  const std::string name = kNames[static_cast<size_t>(e.kind)];
  const std::string at = " " + std::to_string(e.x) + "," + std::to_string(e.y);
  switch (e.kind) {
    case K::kMousePress:
      return name + at + (e.clicks == 2 ? " double" : "");
    case K::kMouseMove:
    case K::kMouseRelease:
      return name + at;
    case K::kWheel:
      return name + " " + std::to_string(e.wheel) + at;
    case K::kKeyPress:
      return name + " " + KeyName(e.key) + (e.repeat ? " repeat" : "");
    case K::kKeyRelease:
      return name + " " + KeyName(e.key);
    case K::kText:
      return name + " " + KeyName(e.character);
    default:
      return name;
  }
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

// The window's pixels at window positions, compared with the screen pixels
// that pointing there reports (black in the borders); counts the mismatches
// and reports the first few.
inline int PointingMismatches(const std::vector<uint8_t>& rgb, int32_t width,
                              const std::vector<std::pair<int32_t, int32_t>>& positions) {
  platform::Rgb palette[256];
  platform::GetPalette(palette);
  int mismatches = 0;
  for (auto [wx, wy] : positions) {
    int32_t x = 0, y = 0;
    EXPECT_TRUE(platform::WindowToScreen(wx, wy, x, y));
    platform::Rgb expected{};
    if (x >= 0 && y >= 0 && x < 800 && y < 600)
      expected = palette[platform::Screen()->PixelAt(x, y)];
    const uint8_t* p = &rgb[(static_cast<size_t>(wy) * static_cast<size_t>(width) + wx) * 3];
    if (platform::Rgb{p[0], p[1], p[2]} != expected && mismatches++ < 5)
      ADD_FAILURE() << "window " << wx << "," << wy << " shows screen " << x << "," << y
                    << " wrongly";
  }
  return mismatches;
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
    Push(SDL_Event{.key = {.type = down ? SDL_KEYDOWN : SDL_KEYUP,
                           .windowID = platform::DisplayWindowId(),
                           .state = Uint8(down ? SDL_PRESSED : SDL_RELEASED),
                           .repeat = Uint8(repeat),
                           .keysym = {.scancode = scancode, .sym = sym}}});
  }
  // Window pixels, as the window system reports them.
  static void PushButton(bool down, int x, int y, uint8_t button = SDL_BUTTON_LEFT,
                         uint8_t clicks = 1) {
    Push(SDL_Event{.button = {.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP,
                              .windowID = platform::DisplayWindowId(),
                              .button = button,
                              .state = Uint8(down ? SDL_PRESSED : SDL_RELEASED),
                              .clicks = clicks,
                              .x = x,
                              .y = y}});
  }
  static void PushMotion(int x, int y) {
    Push(SDL_Event{
        .motion = {
            .type = SDL_MOUSEMOTION, .windowID = platform::DisplayWindowId(), .x = x, .y = y}});
  }
  static void PushWindowEvent(uint8_t event) {
    Push(SDL_Event{.window = {.type = SDL_WINDOWEVENT,
                              .windowID = platform::DisplayWindowId(),
                              .event = event}});
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
    // The pixels at these positions, for comparing rows of them.
    std::vector<uint32_t> At(const std::vector<std::pair<int32_t, int32_t>>& positions) const {
      std::vector<uint32_t> out;
      for (auto [x, y] : positions) out.push_back(At(x, y));
      return out;
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
