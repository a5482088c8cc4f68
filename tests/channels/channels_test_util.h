#pragma once
// Shared set-up of the channel tests: a fresh drive C: (and E:) for each
// test, the output format and tempo the desk starts a test with, wave files
// written by the tests themselves, and a view that records what the desk
// asks of the screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "audio/audio_setup.h"
#include "audio/sound.h"
#include "channels/desk_view.h"
#include "channels/tempo.h"
#include "platform/hostfs.h"
#include "tests/platform/test_root.h"

// Bytes of a canonical PCM wave file of frames frames. Frame i of channel c
// holds a sample that follows from i and c, so conversions are visible.
inline std::string WaveBytes(uint32_t rate, uint16_t bits, uint16_t channels, uint32_t frames) {
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  std::string out;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  out += "RIFF";
  put(36 + frames * align, 4);
  out += "WAVEfmt ";
  for (auto [v, n] : {std::pair<uint32_t, int>{16, 4},
                      {1, 2},
                      {channels, 2},
                      {rate, 4},
                      {rate * align, 4},
                      {align, 2},
                      {bits, 2}})
    put(v, n);
  out += "data";
  put(frames * align, 4);
  for (uint32_t i = 0; i < frames; ++i)
    for (uint16_t c = 0; c < channels; ++c)
      put(bits == 8 ? (i + c * 7) : (i * 3 + c * 1000), bits / 8);
  return out;
}

// A format as "rate/bits/channels", compared in one line (std::to_string
// takes the packed record's fields by value).
inline std::string FormatOf(const WAVEFORMATEX& f) {
  return std::to_string(f.nSamplesPerSec) + "/" + std::to_string(f.wBitsPerSample) + "/" +
         std::to_string(f.nChannels);
}
inline std::string FormatOf(const tSound* sound) {
  WAVEFORMATEX f;
  sound->GetFormat(f);
  return FormatOf(f);
}

class ChannelTest : public TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    platform::SetDrive('C', root_, "LOOPS");
    ASSERT_EQ(std::system(("mkdir -p '" + root_ + "/E'").c_str()), 0);
    platform::SetDrive('E', root_ + "/E", "ELABEL");
    SetOutputFormat(44100, 16, 2);
    SetTempo(130);
  }
  void TearDown() override {
    platform::RemoveDrive('E');
    SetOutputFormat(22050, 16, 2);
    SetTempo(130);
    TestRoot::TearDown();
  }
  // Writes a wave below the root (a host path relative to drive C:'s folder).
  void WriteWave(const std::string& rel, uint32_t frames, uint32_t rate = 44100, uint16_t bits = 16,
                 uint16_t channels = 2) {
    WriteHost(rel, WaveBytes(rate, bits, channels, frames));
  }
};

// Records every request; answers with the values a test gives it. The mix
// tests extend it to their own view.
template <class tView>
class tRecordingViewOf : public tView {
 public:
  struct tStrip {
    double quantize = 0.0, loop = 0.0, delay = 0.0;
    int32_t volume = 80, balance = 0;
  };
  struct tMessage {
    std::string key;
    std::string path;  // "<none>" when no path was given
    bool operator==(const tMessage&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const tMessage& m) {
      return out << "{" << m.key << ", " << m.path << "}";
    }
  };
  using tMessages = std::vector<tMessage>;

  void RefreshStrip(int index) override { refreshed.push_back(index); }
  void SetStripLed(int index, int value) override { leds[index] = value; }
  void SetStripLabel(int index, const char* text) override { labels[index] = text; }
  double GetStripQuantize(int index) override { return strips[index].quantize; }
  double GetStripLoop(int index) override { return strips[index].loop; }
  double GetStripDelay(int index) override { return strips[index].delay; }
  int32_t GetStripVolume(int index) override { return strips[index].volume; }
  int32_t GetStripBalance(int index) override { return strips[index].balance; }
  int ShowMessage(const char* key, const char* path) override {
    messages.push_back({key, path != nullptr ? path : "<none>"});
    return answer;
  }
  void OpenBusyMessage(const char* key, const char* path) override {
    busy.push_back(std::string("open ") + key + " " + (path != nullptr ? path : "<none>"));
  }
  void CloseBusyMessage() override { busy.push_back("close"); }
  void SetWaitCursor(bool on) override { cursor.push_back(on); }
  bool IsKeyDown(uint8_t key) override { return keysDown.count(key) != 0; }

  std::vector<int> refreshed;
  std::map<int, int> leds;
  std::map<int, std::string> labels;
  std::map<int, tStrip> strips;
  tMessages messages;
  std::vector<std::string> busy;
  std::vector<bool> cursor;
  std::set<uint8_t> keysDown;
  int answer = 0;
};
using tRecordingView = tRecordingViewOf<tDeskView>;
