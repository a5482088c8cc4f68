#pragma once
// A desk core on a fresh drive C:, with a view that records what the mix
// layer asks of the screen, and helpers that write channel files and mixes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_setup.h"
#include "channels/tempo.h"
#include "mix/desk_core.h"
#include "platform/clock.h"
#include "platform/periodic_timer_virtual.h"
#include "tests/channels/channels_test_util.h"

// The channel tests' recording view, extended to the mix layer's requests.
class tRecordingMixView : public tRecordingViewOf<tMixView> {
 public:
  void TickKeyLabel(int, uint32_t) override {}
  void DrawMetronome(int frame) override { metronome.push_back(frame); }
  void ShowTime(uint32_t positionMs, uint32_t lengthMs) override {
    position = positionMs;
    length = lengthMs;
  }
  void SetMixLabel(const char* text) override { mixLabel = text; }
  void SetKeyLabel(int index, uint8_t key) override { keyLabels[index] = key; }
  void SetFormatLamps(bool rate44100, bool bits16, bool stereo) override {
    lamps = {rate44100, bits16, stereo};
  }
  void SetTransportSwitch(tSwitch which, bool down) override {
    (which == kRecSwitch ? rec : play) = down;
  }
  bool IsTransportSwitchDown(tSwitch which) override { return which == kRecSwitch ? rec : play; }
  void RedrawTempo() override {}
  void SetMasterVolumeSlider(int32_t percent) override { volumeSlider = percent; }
  void PlayClick() override {
    if (clickTimes != nullptr) clickTimes->push_back(clock != nullptr ? clock->GetTime() : 0);
    clickMs.push_back(platform::TickCountMs());
  }
  void PlayIntro() override { ++intros; }
  void WaitWhileIntroPlays(uint32_t) override {}
  void CloseQualityPanel() override {}
  void ExportProgress(uint32_t, uint32_t total) override { progressTotal = total; }

  std::vector<int> metronome;
  uint32_t position = 0, length = 0;
  std::string mixLabel;
  std::map<int, uint8_t> keyLabels;
  std::vector<bool> lamps;
  bool rec = false, play = false;
  int intros = 0;
  int32_t volumeSlider = -1;
  uint32_t progressTotal = 0;
  std::vector<uint32_t>* clickTimes = nullptr;
  std::vector<uint32_t> clickMs;  // the wall clock at each click
  tTimer* clock = nullptr;
};

// A mix file naming channel files (index -> path, label) plus event lines.
using tMixChannels = std::map<int, std::pair<std::string, std::string>>;
inline std::string MixText(const tMixChannels& ch, int tempo, int length,
                           const std::string& events) {
  std::string text = "[Brevora Mix]\r\nAuthor=User\r\nVersion=3\r\nBPM=" + std::to_string(tempo) +
                     "\r\nLength=" + std::to_string(length) + "\r\n";
  for (int i = 0; i < 16; ++i) {
    char n[3];
    std::snprintf(n, sizeof n, "%02d", i + 1);
    auto it = ch.find(i);
    text += std::string("Label_") + n + "=" + (it != ch.end() ? it->second.second : "") + "\r\n";
    text += std::string("SerNum_") + n + "=\r\n";
    text += std::string("Sample_") + n + "=" + (it != ch.end() ? it->second.first : "") + "\r\n";
  }
  return text + events;
}

class DeskTest : public ChannelTest {
 protected:
  void SetUp() override {
    ChannelTest::SetUp();
    SetOutputFormat(22050, 16, 2);
    SetMasterPitch(1.0);
    desk_ = std::make_unique<tDeskCore>(&view_, timers_);
    ASSERT_TRUE(desk_->PrepareChannels());
    desk_->ResetChannels();
    view_.clock = &desk_->Timer();
  }
  void TearDown() override {
    desk_.reset();
    ChannelTest::TearDown();
  }
  // A channel file below the root naming a main wave (desk path on its drive).
  void WriteChannel(const std::string& rel, const std::string& wave, double loop = 1.0) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "[Brevora Channel]\r\nVersion=3\r\nQuantize=1.000\r\nLoop=%.3f\r\n"
                  "Delay=0.000\r\nVolume=80\r\nBalance=0\r\nPitch= 0.0\r\nSnd=%s\r\n",
                  loop, wave.c_str());
    WriteHost(rel, text);
  }
  // A wave of frames frames at rate in Loops/kick.wav and Sets/kick.chn
  // naming it.
  void WriteKick(uint32_t frames, uint32_t rate = 22050) {
    WriteWave("Loops/kick.wav", frames, rate);
    WriteChannel("Sets/kick.chn", "Loops\\kick.wav");
  }
  // Mixes/a.mix, whose channels all play Sets/kick.chn, written and loaded.
  bool LoadKickMix(int length, const std::string& events, std::vector<int> channels = {0}) {
    tMixChannels named;
    for (int i : channels) named[i] = {"Sets\\kick.chn", "A"};
    WriteHost("Mixes/a.mix", MixText(named, 130, length, events));
    return desk_->LoadMix("C:\\Mixes\\a.mix");
  }
  static WAVEFORMATEX OutputFormat() {
    WAVEFORMATEX f{};
    GetOutputFormat(f);
    return f;
  }
  // The text of a desk's working file.
  std::string WorkingText(tDeskCore* desk = nullptr) {
    std::string host;
    EXPECT_TRUE(platform::ToHostPath((desk ? desk : desk_.get())->Events().WorkingPath(), host));
    std::ifstream in(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Traces the event lines of a desk's working file, from its last header line on.
  void TraceEvents(const std::string& label, tDeskCore* desk = nullptr) {
    const std::string text = WorkingText(desk);
    trace_.Text(label, text.substr(std::min(text.size(), text.find("Sample_16="))));
  }
  void WriteMix(const std::string& rel, const tMixChannels& ch, int tempo, int length,
                const std::string& events) {
    WriteHost(rel, MixText(ch, tempo, length, events));
  }

  platform::VirtualTimerService timers_;
  tRecordingMixView view_;
  std::unique_ptr<tDeskCore> desk_;
};
