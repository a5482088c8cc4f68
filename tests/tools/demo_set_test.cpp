// The demo set: the mix file the desk loads at start, its channel files, its
// recorded performance, and its rendering by the desk's own renderer.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/hostfs.h"
#include "tests/tools/stage_files.h"
#include "tests/tools/wave_peak.h"

namespace {

struct Event {
  unsigned long ms;
  int channel;
  std::string kind;
  int value;
};

// Host path of a drive-relative path stored in a file of the set.
std::string HostOf(const std::string& rel) {
  std::string p = rel;
  for (char& c : p)
    if (c == '\\') c = '/';
  return StagePath(p);
}

bool DriveRelative(const std::string& p) {
  return !p.empty() && p[0] != '\\' && !(p.size() > 1 && p[1] == ':');
}

class DemoSet : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InitDrives(BREVORA_STAGE, true);
    std::string text;
    ASSERT_TRUE(ReadBytes(StagePath("Mixes/you bv feel.mix"), text));
    ASSERT_TRUE(CrlfLines(text, lines_));
    ASSERT_GT(lines_.size(), 53u + 48u);
    for (size_t i = 53; i < lines_.size(); ++i) {
      Event e;
      char kind[32];
      ASSERT_EQ(std::sscanf(lines_[i].c_str(), "Time %lu Channel %d %31s %d", &e.ms, &e.channel,
                            kind, &e.value),
                4)
          << lines_[i];
      e.kind = kind;
      events_.push_back(e);
    }
    for (int n = 1; n <= 16; ++n) {
      char key[16];
      std::snprintf(key, sizeof key, "Sample_%02d=", n);
      std::string v = lines_[size_t(5 + (n - 1) * 3 + 2)];
      ASSERT_EQ(v.rfind(key, 0), 0u) << v;
      samples_.push_back(v.substr(std::string(key).size()));
    }
  }
  // Keys and values of a channel file, in file order.
  std::vector<std::pair<std::string, std::string>> Channel(const std::string& rel) {
    std::string text;
    std::vector<std::string> lines;
    std::vector<std::pair<std::string, std::string>> kv;
    EXPECT_TRUE(ReadBytes(HostOf(rel), text)) << rel;
    EXPECT_TRUE(CrlfLines(text, lines)) << rel;
    if (lines.empty()) return kv;
    EXPECT_EQ(lines[0], "[Brevora Channel]");
    for (size_t i = 1; i < lines.size(); ++i) {
      size_t eq = lines[i].find('=');
      EXPECT_NE(eq, std::string::npos) << lines[i];
      kv.emplace_back(lines[i].substr(0, eq), lines[i].substr(eq + 1));
    }
    return kv;
  }
  std::string Value(const std::vector<std::pair<std::string, std::string>>& kv, const char* key) {
    for (const auto& [k, v] : kv)
      if (k == key) return v;
    return "";
  }
  std::vector<std::string> lines_;
  std::vector<Event> events_;
  std::vector<std::string> samples_;
};

TEST_F(DemoSet, MixHeaderFollowsTheTemplate) {
  EXPECT_EQ(lines_[0], "[Brevora Mix]");
  EXPECT_EQ(lines_[1], "Author=User");
  EXPECT_EQ(lines_[2], "Version=3");
  EXPECT_EQ(lines_[3], "BPM=130");
  EXPECT_EQ(lines_[4].rfind("Length=", 0), 0u);
  for (int n = 1; n <= 16; ++n) {
    char label[16], serial[16];
    std::snprintf(label, sizeof label, "Label_%02d=", n);
    std::snprintf(serial, sizeof serial, "SerNum_%02d=", n);
    EXPECT_EQ(lines_[size_t(5 + (n - 1) * 3)].rfind(label, 0), 0u);
    EXPECT_EQ(lines_[size_t(5 + (n - 1) * 3 + 1)].rfind(serial, 0), 0u);
  }
  int loaded = 0;
  for (const std::string& s : samples_) {
    if (s.empty()) continue;
    ++loaded;
    EXPECT_TRUE(DriveRelative(s)) << s;
    std::string text;
    EXPECT_TRUE(ReadBytes(HostOf(s), text)) << s;
  }
  EXPECT_GE(loaded, 8);
}

TEST_F(DemoSet, ChannelFilesAreTheDesksAndTheirLoopsLastWholeBeats) {
  const std::set<std::string> offered = {"0.000", "0.250", "0.500",  "1.000", "2.000",
                                         "4.000", "8.000", "16.000", "32.000"};
  const std::vector<std::string> order = {
      "Version",   "Quantize",   "Loop", "Delay",     "Volume",     "Balance", "Pitch",
      "Snd_Label", "Snd_SerNum", "Snd",  "SFx_Label", "SFx_SerNum", "SFx",     "Author"};
  int effects = 0;
  for (const std::string& s : samples_) {
    if (s.empty()) continue;
    SCOPED_TRACE(s);
    auto kv = Channel(s);
    ASSERT_EQ(kv.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(kv[i].first, order[i]);
    EXPECT_EQ(Value(kv, "Version"), "3");
    EXPECT_TRUE(offered.count(Value(kv, "Quantize")));
    EXPECT_TRUE(offered.count(Value(kv, "Loop")));
    EXPECT_NE(Value(kv, "Loop"), "0.000");
    EXPECT_EQ(Value(kv, "Pitch"), " 0.0");
    EXPECT_EQ(Value(kv, "Author"), "User");
    ASSERT_FALSE(Value(kv, "Snd").empty());
    effects += !Value(kv, "SFx").empty();
    // Each wave loads through the engine in the set's format, audible and not
    // clipped, and lasts trunc(frames a beat x beats): the length the channel
    // restarts it at.
    for (const char* w : {"Snd", "SFx"}) {
      const std::string p = Value(kv, w);
      if (p.empty()) continue;
      EXPECT_TRUE(DriveRelative(p)) << p;
      tWave wave;
      ASSERT_TRUE(wave.LoadWave("C:\\" + p)) << p;
      EXPECT_EQ((std::vector<uint32_t>{wave.Rate(), wave.Channels(), wave.BitsPerSample()}),
                (std::vector<uint32_t>{44100, 2, 16}))
          << p;
      EXPECT_EQ(wave.Frames(), uint32_t(SamplesPerBeat(44100) * std::stod(Value(kv, "Loop")))) << p;
      EXPECT_GT(Peak(wave), 4000) << p;
      EXPECT_LT(Peak(wave), 32767) << p;
    }
  }
  EXPECT_GE(effects, 4);
}

TEST_F(DemoSet, PerformanceIsARecordingOfMoreThanAMinute) {
  // The 48 events a recording starts with: volume, balance and pitch of each
  // channel at time 0, with the values of its channel file.
  ASSERT_GT(events_.size(), 48u);
  for (int ch = 0; ch < 16; ++ch) {
    const char* kinds[3] = {"Volume", "Balance", "Pitch"};
    std::string vol = "80", bal = "0";
    if (!samples_[size_t(ch)].empty()) {
      auto kv = Channel(samples_[size_t(ch)]);
      vol = Value(kv, "Volume");
      bal = Value(kv, "Balance");
    }
    for (int k = 0; k < 3; ++k) {
      const Event& e = events_[size_t(ch * 3 + k)];
      EXPECT_EQ(e.ms, 0u);
      EXPECT_EQ(e.channel, ch);
      EXPECT_EQ(e.kind, kinds[k]);
      EXPECT_EQ(std::to_string(e.value), k == 0 ? vol : (k == 1 ? bal : "0"));
    }
  }
  // Then the performance, in time order, ending with EndMix and the length.
  std::map<std::string, int> kinds;
  unsigned long last = 0;
  for (size_t i = 48; i < events_.size(); ++i) {
    const Event& e = events_[i];
    EXPECT_GE(e.ms, last) << "event " << i;
    last = e.ms;
    ++kinds[e.kind];
    EXPECT_TRUE(e.kind == "Play" || e.kind == "Stop" || e.kind == "Volume" || e.kind == "Balance" ||
                e.kind == "Fx" || e.kind == "Pitch" || e.kind == "EndMix")
        << e.kind;
    if (e.kind != "EndMix") {
      EXPECT_FALSE(samples_[size_t(e.channel)].empty()) << "event " << i;
    }
  }
  const Event& end = events_.back();
  EXPECT_EQ(end.kind, "EndMix");
  EXPECT_EQ(end.channel, 0);
  EXPECT_EQ(kinds["EndMix"], 1);
  EXPECT_GE(end.ms, 60000u);
  EXPECT_EQ(lines_[4], "Length=" + std::to_string(end.ms / 1000));
  for (const char* k : {"Play", "Stop", "Fx", "Volume", "Balance", "Pitch"})
    EXPECT_GT(kinds[k], 0) << k;
}

TEST_F(DemoSet, EveryStartFallsOnItsGridPointAtBothRates) {
  // Played back, a Play event triggers its channel at the event's time; the
  // loop starts from the latest grid point, at an offset of the lateness.
  // Under 500 frames of lateness the loop starts from its beginning.
  std::map<int, double> quantize;
  for (int ch = 0; ch < 16; ++ch)
    if (!samples_[size_t(ch)].empty())
      quantize[ch] = std::stod(Value(Channel(samples_[size_t(ch)]), "Quantize"));
  int plays = 0;
  for (uint32_t rate : {44100u, 22050u}) {
    for (const Event& e : events_) {
      if (e.kind != "Play") continue;
      ++plays;
      uint64_t t = uint64_t(e.ms) * rate / 1000;
      uint64_t unit = uint64_t(SamplesPerBeat(rate) * quantize[e.channel]);
      ASSERT_GT(unit, 0u);
      EXPECT_LT(t % unit, 500u) << "Play of channel " << e.channel << " at " << e.ms << " ms";
    }
  }
  EXPECT_GE(plays, 2 * 10);
}

TEST_F(DemoSet, RendersThroughTheDeskWithoutAMessage) {
  const std::string out = StagePath("../demo_render_check.wav");
  std::string cmd = std::string(BREVORA_STAGE) + "/brevora-render \"" +
                    StagePath("Mixes/you bv feel.mix") + "\" \"" + out + "\" 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string output;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p) != nullptr) output += buf;
  int status = pclose(p);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << output;
  // Silent, as a command-line tool that succeeded: no message was shown while loading.
  EXPECT_EQ(output, "");

  std::string wav;
  ASSERT_TRUE(ReadBytes(out, wav));
  std::remove(out.c_str());
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(Le16(wav, 22), 2u);
  EXPECT_EQ(Le32(wav, 24), 44100u);
  EXPECT_EQ(Le16(wav, 34), 16u);
  const uint32_t frames = Le32(wav, 40) / 4;
  EXPECT_GE(frames, 60u * 44100u);
  // Loud enough to be music, and not clipping.
  double sum = 0;
  uint32_t clipped = 0;
  for (uint32_t i = 0; i < frames * 2; ++i) {
    int16_t s = static_cast<int16_t>(Le16(wav, 44 + size_t(i) * 2));
    sum += double(s) * s;
    clipped += s == 32767 || s == -32768;
  }
  double rms = std::sqrt(sum / (2.0 * frames)) / 32768.0;
  EXPECT_GT(rms, 0.05);
  EXPECT_LT(clipped, frames / 10000 + 1);
}

}  // namespace
