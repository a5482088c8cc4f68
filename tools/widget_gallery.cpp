// Shows the widget kit on the desk's own bitmaps in a real window: the
// background, sixteen strips in assorted states, the fixed controls, the
// level meters and one open strip menu. After a short while it writes the
// frame the window showed and the 8-bit screen as PNG files, and ends.
//
//   widget_gallery <content root with data\> <window.png> [screen.png]
//                  [--window] [--seconds N]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/hostfs.h"
#include "platform/png_file.h"
#include "ui/channel_panel.h"
#include "ui/control.h"
#include "ui/indicators.h"
#include "ui/popup_menu.h"
#include "ui/sliders.h"
#include "ui/text.h"
#include "ui/transport.h"
#include "ui/vu_view.h"

namespace {

constexpr int kStripX[8] = {8, 106, 204, 303, 401, 499, 597, 696};

struct Strip {
  tVolumeSlider volume;
  tBalanceSlider balance;
  tArrowButton arrow;
  tLed led;
  tPopupMenu menu;
  tChannelPanel panel;
  tTextLabel label;
  tKeyLabel key;
};

int Run(const char* root, const std::string& windowPng, const std::string& screenPng,
        bool fullscreen, uint32_t seconds) {
  platform::InitDrives(root, true);
  platform::DisplayOptions options;
  options.fullscreen = fullscreen;
  CreateScreen(options, 800, 600, 8);

  tSurface background;
  background.Load("data\\main.bmp");
  tBitmapFont font;
  font.Load("data\\font1.bmp");
  tVolumeSliderArt volumeArt;
  volumeArt.Load("data\\vol.bmp", "data\\vol_mask.bmp");
  tSurface balanceArt;
  balanceArt.Load("data\\bal.bmp");
  balanceArt.SetColourKey(kMagenta);

  static const char* const kNames[16] = {"Kick",  "Snare", "Hats",   "Bass line", "Pad",  "Lead",
                                         "Vox",   "Perc",  "Sub",    "Clap",      "Stab", "Arp",
                                         "Noise", "Rim",   "Shaker", "Chords"};
  std::vector<std::unique_ptr<Strip>> strips;
  for (int i = 0; i < 16; ++i) {
    auto s = std::make_unique<Strip>();
    const int x = kStripX[i % 8];
    const int y = i < 8 ? 8 : 230;
    const bool odd = i % 2 == 0;  // channels 1, 3, 5, ...
    s->volume.SetArt(&volumeArt);
    s->volume.Place(x + 10, y + 105);
    s->volume.SetValue(i * 7);
    s->balance.SetImage(&balanceArt);
    s->balance.Place(x + 10, y + 181);
    s->balance.SetValue(i * 13 - 100);
    s->arrow.Load(odd ? "data\\pijla.bmp" : "data\\pijlb.bmp");
    s->arrow.Place(odd ? x + 13 : x + 68, odd ? y + 5 : y + 202);
    s->led.Load("data\\leds.bmp");
    s->led.Place(x + 35, y + 101);
    s->led.SetColourKey(kMagenta);
    s->menu.Load(odd ? "data\\popa_demo.bmp" : "data\\popb_demo.bmp");
    s->menu.Place(odd ? x + 9 : x + 8, odd ? y + 16 : y + 108);
    s->menu.SetItems(3, 2, 72, 13, 7);
    char sw[32];
    std::snprintf(sw, sizeof sw, "data\\sw%02d.bmp", i + 1);
    s->panel.Load(sw);
    s->panel.Place(x + 2, y + 4);
    s->panel.SetQuantize(1);
    s->panel.SetDelay(0.5);
    s->panel.SetLength(4);
    s->label.SetFont(&font);
    s->label.SetAlignment(odd ? tTextLabel::Align::kLeft : tTextLabel::Align::kRight);
    s->label.SetWidth(14);
    s->label.Place(odd ? x + 35 : x - 63, odd ? y + 7 : y + 204);
    s->label.SetText(kNames[i]);
    s->key.SetFont(&font);
    s->key.SetRect(tRect{x + 16, y + 104, x + 27, y + 114});
    s->key.SetLetter(static_cast<uint8_t>('A' + i));
    strips.push_back(std::move(s));
  }

  tTextLabel mixLabel;
  mixLabel.SetFont(&font);
  mixLabel.SetWidth(14);
  mixLabel.Place(451, 556);
  mixLabel.SetText("you bv feel");
  tTransport transport;
  transport.Load("data\\repel10.bmp", 10);
  transport.Place(218, 526);
  tButton plugins, exitButton;
  tSwitchButton help;
  plugins.Load("data\\button_plugins.bmp");
  plugins.Place(69, 487);
  help.Load("data\\button_help.bmp");
  help.Place(69, 520);
  exitButton.Load("data\\button_exit.bmp");
  exitButton.Place(69, 552);
  tPitchKnob pitch;
  pitch.Load("data\\pitch.bmp");
  pitch.SetFont(&font);
  pitch.SetTempoSource([] { return 130; });
  pitch.Place(476, 501);
  pitch.Set(6, false);
  tDigits time;
  time.SetFont(&font);
  time.Place(584, 502);
  time.SetPosition(83000, false);
  time.SetLength(245000, false);
  tVolumeSlider master;
  master.SetArt(&volumeArt);
  master.Place(639, 503);
  master.SetValue(80);
  tLamp ctrl, tab, rate, bits, mono;
  ctrl.Load("data\\dot.bmp");
  ctrl.Place(640, 500);
  tab.Load("data\\dot.bmp");
  tab.Place(640, 513);
  rate.Load("data\\2244.bmp");
  rate.Place(533, 500);
  bits.Load("data\\816.bmp");
  bits.Place(533, 514);
  mono.Load("data\\mono.bmp");
  mono.Place(534, 533);
  tArrowButton mixArrow;
  mixArrow.Load("data\\mainpijl.bmp");
  mixArrow.Place(425, 494);
  tMetronomeView metronome;
  metronome.Load("data\\32beat.bmp");
  metronome.Place(579, 549);
  tVU_Gui meter;
  meter.Init(ScreenVuStrips());
  meter.Load("data\\vu.bmp", 10, "data\\box.bmp", 3);

  // A full redraw of the desk, as in record mode.
  background.Draw(0, 0);
  for (int i = 0; i < 16; ++i) {
    Strip& s = *strips[static_cast<size_t>(i)];
    s.volume.Draw();
    s.balance.Draw();
    s.arrow.Draw();
    s.led.Draw();
    s.panel.Draw();
    s.label.Draw();
    s.key.Draw();
    s.led.SetValue(i % 5);
  }
  mixLabel.Draw();
  transport.Draw();
  help.Draw();
  exitButton.Draw();
  plugins.Draw();
  pitch.Draw();
  time.Draw();
  master.Draw();
  ctrl.Draw();
  tab.Set(true);
  rate.Set(true);
  bits.Set(true);
  mono.Draw();
  mixArrow.Draw();
  metronome.DrawBeat(4, true);
  meter.SetLeft(128);
  meter.SetRight(90);
  meter.Draw();

  // Some states: Help on, channel 3's panel on length, channel 2's menu
  // arrow down with its menu open on the third item.
  const tRect helpRect = help.Rect();
  help.Press(helpRect.left + 2, helpRect.top + 2);
  Strip& three = *strips[2];
  three.panel.Press(kStripX[2] + 2 + 7 + 1, 8 + 4 + 48 + 1);
  Strip& two = *strips[1];
  const tRect arrowRect = two.arrow.Rect();
  two.arrow.Press(arrowRect.left + 1, arrowRect.top + 1);
  two.menu.Open();
  two.menu.Hover(kStripX[1] + 8 + 3 + 5, 8 + 108 + 2 + 2 * 13 + 4);

  const uint64_t end = platform::MonotonicMs() + seconds * 1000u;
  while (platform::MonotonicMs() < end) {
    platform::PumpWindowEvents();
    platform::PresentIfDue();
    platform::SleepMs(10);
  }
  std::vector<uint8_t> rgb;
  int32_t w = 0, h = 0;
  int rc = 0;
  if (!platform::CaptureWindow(rgb, w, h) || !platform::WriteRgbPng(windowPng, w, h, rgb.data())) {
    std::fprintf(stderr, "widget_gallery: could not capture the window into %s\n",
                 windowPng.c_str());
    rc = 1;
  } else {
    std::printf("window frame %dx%d written to %s\n", w, h, windowPng.c_str());
  }
  if (!screenPng.empty() && platform::Screen() != nullptr &&
      platform::WriteImagePng(screenPng, *platform::Screen()))
    std::printf("8-bit screen written to %s\n", screenPng.c_str());
  ReleaseScreen();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  bool fullscreen = true;
  uint32_t seconds = 2;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--window") == 0)
      fullscreen = false;
    else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
      seconds = static_cast<uint32_t>(std::atoi(argv[++i]));
    else
      args.push_back(argv[i]);
  }
  if (args.size() < 2) {
    std::fprintf(stderr,
                 "usage: widget_gallery <content root> <window.png> [screen.png] [--window] "
                 "[--seconds N]\n");
    return 2;
  }
  try {
    return Run(args[0].c_str(), args[1], args.size() > 2 ? args[2] : "", fullscreen, seconds);
  } catch (const tAnyError& e) {
    std::fprintf(stderr, "widget_gallery: %s", e.GetText());
    return 1;
  }
}
