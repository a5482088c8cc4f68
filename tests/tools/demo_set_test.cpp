// The staged sounds, read by the engine's own wave reader, and the demo set:
// the mix file the desk loads at start, its channel files, its recorded
// performance, and its rendering by the desk's own renderer.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "audio/wave.h"
#include "platform/hostfs.h"
#include "tests/platform/golden_trace.h"
#include "tests/tools/stage_files.h"

namespace {

// Loads a staged wave through the engine: 44100 Hz 16-bit stereo, of a
// length in frames within [minFrames, maxFrames], audible (a peak above
// minPeak) and not clipped.
void CheckWave(const std::string& path, uint32_t minFrames, uint32_t maxFrames, int minPeak) {
  SCOPED_TRACE(path);
  tWave w;
  ASSERT_TRUE(w.LoadWave(path));
  EXPECT_EQ((std::vector<uint32_t>{w.Rate(), w.Channels(), w.BitsPerSample()}),
            (std::vector<uint32_t>{44100, 2, 16}));
  EXPECT_GE(w.Frames(), minFrames);
  EXPECT_LE(w.Frames(), maxFrames);
  int peak = 0;
  const int16_t* s = reinterpret_cast<const int16_t*>(w.Data());
  for (uint32_t i = 0; i < w.Size() / 2; ++i) peak = std::max(peak, std::abs(int(s[i])));
  EXPECT_GT(peak, minPeak);
  EXPECT_LT(peak, 32767);
}

TEST(Sounds, DeskSoundsLoadThroughTheEngine) {
  platform::InitDrives(BREVORA_STAGE, true);
  // Lengths the desk's use allows: short clicks; door sounds the panel waits
  // for; the transport's change sound about as long as its ten frames; the
  // closing tune as long as the closing page's wait.
  const struct {
    const char* name;
    double minSec, maxSec;
  } sounds[] = {{"click", 0.005, 0.1},    {"slide", 0.05, 0.3},     {"switch", 0.02, 0.2},
                {"panel", 0.8, 1.3},      {"metronome", 0.02, 0.2}, {"door_open", 0.3, 1.0},
                {"door_close", 0.3, 1.0}, {"intro", 0.8, 2.5},      {"extro", 5.5, 6.5}};
  for (const auto& s : sounds)
    CheckWave(std::string("C:\\data\\") + s.name + ".wav", uint32_t(std::ceil(s.minSec * 44100)),
              uint32_t(s.maxSec * 44100), 3000);
}

struct Event {
  unsigned long ms;
  int channel;
  std::string kind;
  int value;
};

using KeyValues = std::vector<std::pair<std::string, std::string>>;

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

// Keys and values of a channel file, in file order.
KeyValues Channel(const std::string& rel) {
  std::string text;
  std::vector<std::string> lines;
  KeyValues kv;
  EXPECT_TRUE(DriveRelative(rel)) << rel;
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

std::string Value(const KeyValues& kv, const char* key) {
  for (const auto& [k, v] : kv)
    if (k == key) return v;
  return "";
}

// The mix file: its header, then three lines a channel (its disk's label
// and serial number, none for files of the set, and its channel file), then
// the recorded events.
class DemoSet : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InitDrives(BREVORA_STAGE, true);
    std::string text;
    ASSERT_TRUE(ReadBytes(StagePath("Mixes/you bv feel.mix"), text));
    ASSERT_TRUE(CrlfLines(text, lines_));
    ASSERT_GT(lines_.size(), 53u + 48u);
    for (int n = 1; n <= 16; ++n) {
      char number[4];
      std::snprintf(number, sizeof number, "%02d", n);
      const size_t at = size_t(5 + (n - 1) * 3);
      EXPECT_EQ(lines_[at], "Label_" + std::string(number) + "=");
      EXPECT_EQ(lines_[at + 1], "SerNum_" + std::string(number) + "=");
      const std::string key = "Sample_" + std::string(number) + "=";
      ASSERT_EQ(lines_[at + 2].rfind(key, 0), 0u) << lines_[at + 2];
      samples_.push_back(lines_[at + 2].substr(key.size()));
      if (!samples_.back().empty()) channels_[n - 1] = Channel(samples_.back());
    }
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
  }
  std::vector<std::string> lines_;
  std::vector<Event> events_;
  std::vector<std::string> samples_;
  std::map<int, KeyValues> channels_;  // of the channels loaded
};

// The mix's header, every channel file's keys and values in file order, and
// the recording's first events, as traced.
TEST_F(DemoSet, TheMixAndItsChannelFilesFollowTheDesksTemplates) {
  GoldenTrace t("tests/tools/golden/demo_set.trace");
  for (size_t i = 0; i < 4; ++i) t.Add({lines_[i]});
  for (const auto& [channel, kv] : channels_) {
    std::string keys;
    for (const auto& [k, v] : kv) keys += " " + k + "=" + v;
    t.Add({"channel", channel, samples_[size_t(channel)] + ":" + keys});
    // Each wave loads through the engine in the set's format, audible and not
    // clipped, and lasts trunc(frames a beat x beats): the length the channel
    // restarts it at.
    for (const char* w : {"Snd", "SFx"}) {
      const std::string p = Value(kv, w);
      if (p.empty()) continue;
      EXPECT_TRUE(DriveRelative(p)) << p;
      const uint32_t frames = uint32_t(SamplesPerBeat(44100) * std::stod(Value(kv, "Loop")));
      CheckWave("C:\\" + p, frames, frames, 4000);
    }
  }
  // The 48 events a recording starts with: volume, balance and pitch of each
  // channel at time 0, with the values of its channel file.
  for (size_t i = 53; i < 53 + 48; ++i) t.Add({lines_[i]});
  t.Verify();
}

TEST_F(DemoSet, ThePerformanceIsARecordingOfMoreThanAMinuteOnTheGrid) {
  ASSERT_GT(events_.size(), 48u);
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
      EXPECT_TRUE(channels_.count(e.channel)) << "event " << i;
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

  // Played back, a Play event triggers its channel at the event's time; the
  // loop starts from the latest grid point, at an offset of the lateness.
  // Under 500 frames of lateness the loop starts from its beginning.
  int plays = 0;
  for (uint32_t rate : {44100u, 22050u}) {
    for (const Event& e : events_) {
      if (e.kind != "Play") continue;
      ++plays;
      uint64_t t = uint64_t(e.ms) * rate / 1000;
      const double quantize = std::stod(Value(channels_[e.channel], "Quantize"));
      uint64_t unit = uint64_t(SamplesPerBeat(rate) * quantize);
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
  EXPECT_EQ((std::vector<uint32_t>{Le16(wav, 22), Le32(wav, 24), Le16(wav, 34)}),
            (std::vector<uint32_t>{2, 44100, 16}));
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
