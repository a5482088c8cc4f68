#pragma once
// The whole desk, headless: SDL's dummy video driver, the desk's own data
// from the build (drive C: is a fresh folder whose data\ holds links to the
// staged files), settings under a fresh XDG_CONFIG_HOME, the virtual timer
// service for the tick, and samples written by the tests on drive E:. Keys
// reach the desk as injected input records, taken as the desk's loop takes
// them.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "audio/audio_setup.h"
#include "channels/tempo.h"
#include "mix/language_table.h"
#include "platform/hostfs.h"
#include "platform/input.h"
#include "platform/periodic_timer.h"
#include "platform/periodic_timer_virtual.h"
#include "tests/channels/channels_test_util.h"
#include "tests/ui/ui_test_support.h"
#include "ui/interface.h"

class DeskScreenTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    LinkData(BREVORA_STAGE, "");
    ASSERT_EQ(std::system(("mkdir -p '" + root_ + "/E' '" + root_ + "/config'").c_str()), 0);
    platform::SetDrive('E', root_ + "/E", "SAMPLES");
    setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    SetOutputFormat(22050, 16, 2);
    SetMasterVolume(0.8);
    SetMasterPitch(1.0);
    SetTempo(130);
    LanguageTable().LoadLanguageTable("data\\Language.txt");
    LanguageTable().SelectLanguage(1);
    ReleaseAllKeys();
  }
  void TearDown() override {
    desk_.reset();
    ReleaseAllKeys();
    platform::RemoveDrive('E');
    SetTempo(130);
    SetMasterVolume(0.8);
    SetMasterPitch(1.0);
    tInterface::SetAllocationLimit(-1);
    ScreenTest::TearDown();
  }

  // data\ of drive C: as links to the staged files, leaving out one.
  void LinkData(const std::string& stage, const std::string& except) {
    std::string cmd = "mkdir -p '" + root_ + "/data' && for f in '" + stage +
                      "'/data/*; do n=$(basename \"$f\"); [ \"$n\" = '" + except +
                      "' ] || ln -sf \"$f\" '" + root_ + "/data/'\"$n\"; done";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }

  // No record waits and no key is down (the key-state table follows the
  // records handed out, also from earlier tests).
  static void ReleaseAllKeys() {
    platform::FlushInput();
    for (int key = 0; key < 256; ++key)
      if (platform::IsKeyDown(static_cast<uint8_t>(key)))
        Inject(platform::tInputKind::kKeyRelease, static_cast<uint8_t>(key));
    platform::tInputEvent e;
    while (platform::PollInput(e)) {
    }
  }

  // The desk as the shell starts it: built, initialised, keys set, idle,
  // drawn, channels reset; its tick on the virtual timer service, or on the
  // real one.
  void StartDesk(bool realTick = false) {
    desk_ = realTick ? std::make_unique<tInterface>() : std::make_unique<tInterface>(timers_);
    ASSERT_TRUE(desk_->Construct());
    ASSERT_TRUE(desk_->Initialise());
    desk_->SetKeys("QWERTZUIASDFGHJK");
    desk_->SetState(tDeskCore::kIdle);
    desk_->MetronomeSwitchOn();
    desk_->Redraw();
    desk_->ResetChannels();
    desk_->CreateTimer();
  }

  // A wave on drive E: (a desk path is returned).
  std::string Wave(const std::string& name, uint32_t frames) {
    WriteHost("E/" + name, WaveBytes(22050, 16, 2, frames));
    return "E:\\" + name;
  }
  // Loads a main (and optionally an effect) sample into channel index.
  void Load(int index, uint32_t frames = 22050, bool effect = false) {
    const std::string n = std::to_string(index);
    ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kMain, index,
                                           Wave("main" + n + ".wav", frames).c_str(), true));
    if (effect) {
      ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kEffect, index,
                                             Wave("fx" + n + ".wav", frames).c_str(), true));
    }
  }

  // Starts a recording with a short count-in; times from then on in ms.
  void Record() {
    SetTempo(999);
    Tap(platform::kKeyEnter);
    ASSERT_EQ(desk_->State(), tDeskCore::kRecording);
  }
  void At(uint32_t ms) { desk_->Timer().SetTime(ms * 22050u / 1000u); }
  using ScreenTest::At;  // the screen's index at a point

  // Input records, queued as the window system would send them, and the
  // desk's loop taking every record that waits.
  static void Inject(platform::tInputKind kind, uint8_t key = 0, bool repeat = false) {
    platform::tInputEvent e;
    e.kind = kind;
    e.key = key;
    e.repeat = repeat;
    platform::InjectInput(e);
  }
  static void InjectMouse(platform::tInputKind kind, int32_t x, int32_t y) {
    platform::tInputEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    platform::InjectInput(e);
  }
  void Pump() {
    platform::tInputEvent e;
    while (platform::PollInput(e)) desk_->Dispatch(e);
  }
  void Press(uint8_t key, bool repeat = false) {
    Inject(platform::tInputKind::kKeyPress, key, repeat);
    Pump();
  }
  void Release(uint8_t key) {
    Inject(platform::tInputKind::kKeyRelease, key);
    Pump();
  }
  void Tap(uint8_t key) {
    Press(key);
    Release(key);
  }

  // The event lines of the working file, "ms channel kind value" each.
  std::string Events() {
    std::string host;
    EXPECT_TRUE(platform::ToHostPath(desk_->Events().WorkingPath(), host));
    std::ifstream file(host, std::ios::binary);
    std::istringstream in(std::string(std::istreambuf_iterator<char>(file), {}));
    std::string line, out;
    while (std::getline(in, line)) {
      unsigned long ms;
      int channel, value;
      char kind[16];
      if (std::sscanf(line.c_str(), "Time %lu Channel %d %15s %d", &ms, &channel, kind, &value) ==
          4)
        out += std::to_string(ms) + " " + std::to_string(channel) + " " + kind + " " +
               std::to_string(value) + "\n";
    }
    return out;
  }

  // A session played step by step, each step written to the trace with what
  // the desk shows after it. A step is a key pressed ("+Q"), released
  // ("-Tab"), pressed again by the key's auto-repeat ("*PgUp") or tapped
  // ("Enter"); "@1500" sets the clock to 1500 ms after the recording
  // began, "wait5000" moves it on 5000 frames, "tick20" runs 20 ticks.
  void Play(const std::string& steps) {
    std::istringstream in(steps);
    for (std::string step; in >> step;) {
      if (!RunStep(step)) {
        ADD_FAILURE() << "no such step: " << step;
        return;
      }
      Log(step);
    }
  }
  virtual bool RunStep(const std::string& step) {
    const auto number = [&](size_t from) {
      return static_cast<uint32_t>(std::stoul(step.substr(from)));
    };
    if (step[0] == '@') return At(number(1)), true;
    if (step.rfind("wait", 0) == 0) return desk_->Timer().AddTime(number(4)), true;
    if (step.rfind("tick", 0) == 0) {
      for (uint32_t i = number(4); i > 0; --i) desk_->EngineTick();
      return true;
    }
    const char sign = step[0] == '+' || step[0] == '-' || step[0] == '*' ? step[0] : 0;
    const std::string name = step.substr(sign != 0 ? 1 : 0);
    const uint8_t key = KeyNamed(name);
    if (key == 0) return false;
    if (sign == '+' || sign == '*') Press(key, sign == '*');
    if (sign == '-') Release(key);
    if (sign == 0) Tap(key);
    return true;
  }
  // Writes a line to the trace: what was done, then the desk's state, the
  // Tab and Ctrl lamps, the master volume and pitch as shown and as set,
  // and each channel with a sample or a flag set: its key, flags (h held, l latched,
  // s suspended, f effect on, q scheduled, p main sample playing), LED,
  // volume, balance, pitch in tenths and, when scheduled, its next start.
  void Log(const std::string& done) {
    char master[96];
    std::snprintf(master, sizeof master, "state %d %s%s master %d/%d %g/%g", desk_->State(),
                  desk_->TabLamp().IsOn() ? "T" : "-", desk_->CtrlLamp().IsOn() ? "C" : "-",
                  desk_->MasterVolume().Value(), desk_->MasterPitch().Value(), GetMasterVolume(),
                  GetMasterPitch());
    std::string line = done + ": " + master;
    for (int i = 0; i < 16; ++i) {
      tChannel& ch = Ch(i);
      const bool flags[] = {ch.GetKeyHeld(), ch.GetLatched(),  ch.GetSuspended(),
                            ch.GetFxOn(),    ch.IsScheduled(), Main(i) && Main(i)->IsPlaying()};
      if (!ch.HasSound() && std::find(flags, flags + 6, true) == flags + 6) continue;
      line += " | ";
      line += static_cast<char>(ch.GetKey());
      line += ' ';
      for (size_t f = 0; f < 6; ++f) line += flags[f] ? "hlsfqp"[f] : '.';
      line += " led" + std::to_string(desk_->Led(i).Value()) + " v" +
              std::to_string(ch.GetVolume()) + " b" + std::to_string(ch.GetBalance()) + " p" +
              std::to_string(tDeskCore::PitchTenths(ch.GetPitch()));
      if (ch.IsScheduled()) line += " @" + std::to_string(ch.GetNextStart());
    }
    trace_ += line + "\n";
  }
  // Writes a line of other values to the trace as it stands.
  void Note(const std::string& line) { trace_ += line + "\n"; }
  // The recording's events, written to the trace.
  void NoteEvents() { trace_ += "events:\n" + Events(); }
  // A rectangle of the screen as a short checksum, for a trace.
  static std::string Picture(const tRect& r) {
    uint32_t sum = 2166136261u;
    for (uint8_t b : Area(r)) sum = (sum ^ b) * 16777619u;
    char text[16];
    std::snprintf(text, sizeof text, "%08x", sum);
    return text;
  }

  tChannel& Ch(int index) { return desk_->Channel(index); }
  tSound* Main(int index) { return Ch(index).GetSound(tChannel::kMain); }
  // The screen's pixels in a rectangle, row after row.
  static std::vector<uint8_t> Area(const tRect& r) {
    std::vector<uint8_t> all = platform::Screen()->Pixels();
    std::vector<uint8_t> out;
    const int32_t w = platform::Screen()->Width();
    for (int32_t y = r.top; y < r.bottom; ++y)
      for (int32_t x = r.left; x < r.right; ++x) out.push_back(all[size_t(y * w + x)]);
    return out;
  }

  platform::VirtualTimerService timers_;
  std::unique_ptr<tInterface> desk_;
  std::string trace_;
};

// The desk started as the shell starts it.
class StartedDeskTest : public DeskScreenTest {
 protected:
  void SetUp() override {
    DeskScreenTest::SetUp();
    StartDesk();
  }
};
