#pragma once
// Shared set-up of the channel tests: a fresh drive C: (and E:) for each
// test, the output format and tempo the desk starts a test with, wave files
// written by the tests themselves, a view that records what the desk asks
// of the screen, and the golden trace a scenario test writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <concepts>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "audio/audio_setup.h"
#include "audio/sound.h"
#include "channels/channel.h"
#include "channels/desk_view.h"
#include "channels/file_name.h"
#include "channels/tempo.h"
#include "platform/hostfs.h"
#include "tests/platform/golden_file.h"
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

// What a scenario test saw, one line per step, its parts joined by blanks
// (doubles in their shortest exact form, a byte that is not printable ASCII,
// a carriage return too, as \xNN). Compare() holds the lines against
// golden/<Suite>.<Test>.trace beside the test's source (see
// tests/platform/golden_file.h).
class tGoldenTrace {
 public:
  template <class... T>
  void operator()(const T&... parts) {
    std::string line;
    bool first = true;
    ((line += first ? "" : " ", first = false, Put(line, parts)), ...);
    lines_.push_back(line);
  }
  // Each line of a text as one line of the trace after label.
  void Text(const std::string& label, const std::string& bytes) {
    size_t from = 0;
    for (size_t end; (end = bytes.find('\n', from)) != std::string::npos; from = end + 1)
      (*this)(label + "|" + bytes.substr(from, end - from));
    if (from < bytes.size()) (*this)(label + "|" + bytes.substr(from) + " (no end of line)");
  }
  std::string Joined() const {
    std::string out;
    for (const std::string& l : lines_) out += (out.empty() ? "" : " ") + l;
    return out;
  }
  void Compare() const {
    if (lines_.empty()) return;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string file = info->file();
    const size_t tests = file.rfind("/tests/");
    ASSERT_NE(tests, std::string::npos) << file;
    const std::string path = file.substr(tests + 1, file.rfind('/') - tests - 1) + "/golden/" +
                             info->test_suite_name() + "." + info->name() + ".trace";
    ExpectGoldenLines(path, lines_);
  }

 private:
  static void Put(std::string& line, const std::string& text) {
    for (char c : text) Put(line, c);
  }
  static void Put(std::string& line, const char* text) { Put(line, std::string(text)); }
  static void Put(std::string& line, char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 32 && byte < 127) {
      line += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      line += hex;
    }
  }
  static void Put(std::string& line, bool b) { line += b ? "yes" : "no"; }
  static void Put(std::string& line, double v) {
    char text[32];
    line.append(text, std::to_chars(text, text + sizeof text, v).ptr);
  }
  template <std::integral T>
  static void Put(std::string& line, T v) {
    line += std::to_string(v);
  }
  template <class T>
  requires std::is_enum_v<T>
  static void Put(std::string& line, T v) { Put(line, static_cast<std::underlying_type_t<T>>(v)); }
  template <class T>
  static void Put(std::string& line, const std::vector<T>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
      if (i > 0) line += ",";
      Put(line, values[i]);
    }
  }
  std::vector<std::string> lines_;
};

// A channel as "name=value" fields: volume and balance with their bases,
// pitch, quantize, loop and delay, its states, the next start ("none" when
// there is none), then for each sound the file it came from (path, disk
// label, disk serial, file format), the sound's format, length and voice,
// and where it plays ("-" without a sound); last, which sound is current.
inline std::vector<std::string> Fields(tChannel& c) {
  const uint32_t disk = tFileName::VolumeSerialOf(tFileName("C:\\"));
  auto field = [](const char* name, auto... parts) {
    tGoldenTrace line;
    line(parts...);
    return std::string(name) + "=" + line.Joined();
  };
  std::vector<std::string> out = {
      field("vol", std::to_string(c.GetVolume()) + "/" + std::to_string(c.GetBaseVolume())),
      field("bal", std::to_string(c.GetBalance()) + "/" + std::to_string(c.GetBaseBalance())),
      field("pitch", c.GetPitch()),
      field("q", c.GetQuantize()),
      field("loop", c.GetLoop()),
      field("delay", c.GetDelay()),
      field("held", c.GetKeyHeld()),
      field("latched", c.GetLatched()),
      field("fx-on", c.GetFxOn()),
      field("suspended", c.GetSuspended()),
      field("next", c.IsScheduled() ? std::to_string(c.GetNextStart()) : "none")};
  for (auto which : {tChannel::kMain, tChannel::kEffect}) {
    const bool main = which == tChannel::kMain;
    const uint32_t serial = main ? c.GetSndSerial() : c.GetSfxSerial();
    out.push_back(field(main ? "main" : "fx", (main ? c.GetSndPath() : c.GetSfxPath()).GetText(),
                        (main ? c.GetSndLabel() : c.GetSfxLabel()).GetText(),
                        serial == disk && c.GetSound(which) ? "disk" : std::to_string(serial),
                        FormatOf(c.GetFileFormat(which))));
    tSound* s = c.GetSound(which);
    out.push_back(s == nullptr ? field(main ? "main-sound" : "fx-sound", "-")
                               : field(main ? "main-sound" : "fx-sound", FormatOf(s),
                                       s->GetLength(), "voice", s->Voice().GetVolume(),
                                       s->Voice().GetBalance(), s->Voice().GetPitch()));
    out.push_back(
        field(main ? "main-plays" : "fx-plays",
              s && s->IsPlaying() ? "@" + std::to_string(s->Voice().GetPosition()) : "-"));
  }
  const tSound* current = c.GetCurrent();
  out.push_back(field("current", !current                                 ? "-"
                                 : current == c.GetSound(tChannel::kMain) ? "main"
                                                                          : "fx"));
  return out;
}
// The fields of a channel as one line.
inline std::string Describe(tChannel& c) {
  std::string out;
  for (const std::string& f : Fields(c)) out += (out.empty() ? "" : " ") + f;
  return out;
}

// A test on a fresh drive C: whose trace, if it wrote one, is held against
// its golden file when it ends.
class TracedTest : public TestRoot {
 protected:
  void TearDown() override {
    trace_.Compare();
    TestRoot::TearDown();
  }
  tGoldenTrace trace_;
};

class ChannelTest : public TracedTest {
 protected:
  void SetUp() override {
    TracedTest::SetUp();
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
    TracedTest::TearDown();
  }
  // A file's text with the serial number of the test's disk, written
  // unsigned or signed before the line that names a sound's file, named
  // "<disk>" (a disk whose serial is 0 reads the same).
  static std::string NameDiskSerial(const std::string& text) {
    const uint32_t serial = tFileName::VolumeSerialOf(tFileName("C:\\"));
    const std::string_view all(text);
    // A "key=value" line's key and value; an empty key when it is not one.
    auto split = [](std::string_view line) {
      const size_t eq = line.find('=');
      if (eq == 0 || eq == std::string_view::npos ||
          !std::all_of(line.begin(), line.begin() + eq, [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
          }))
        return std::pair<std::string_view, std::string_view>{};
      return std::pair{line.substr(0, eq), line.substr(eq + 1)};
    };
    auto lineAt = [&](size_t at) { return all.substr(at, all.find("\r\n", at) - at); };
    std::string out;
    for (size_t at = 0; at < all.size();) {
      const std::string_view line = lineAt(at);
      const size_t next = std::min(at + line.size() + 2, all.size());
      const auto [key, value] = split(line);
      const auto [nextKey, nextValue] = split(lineAt(next));
      // "SerNum", "Snd_SerNum", "SerNum_2" and the like.
      const size_t name = key.rfind("SerNum");
      const std::string_view index = name == std::string_view::npos ? "-" : key.substr(name + 6);
      const bool serialKey =
          index.empty() || (index.size() > 1 && index[0] == '_' &&
                            index.find_first_not_of("0123456789", 1) == std::string_view::npos);
      // Only a serial line that a line naming a sound's file follows.
      if (serialKey && next < all.size() && !nextKey.empty() && !nextValue.empty() &&
          (value == std::to_string(serial) || value == std::to_string(int32_t(serial))))
        out.append(line.substr(0, key.size() + 1)).append("<disk>");
      else
        out.append(line);
      out.append(all.substr(at + line.size(), next - at - line.size()));
      at = next;
    }
    return out;
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

  // The messages shown since the last call, which it forgets.
  std::string Said() {
    std::string out;
    for (const tMessage& m : messages)
      out += (out.empty() ? "" : "; ") + m.key + " (" + m.path + ")";
    messages.clear();
    return "said: " + (out.empty() ? "nothing" : out);
  }

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
  void OpenBusyMessage(const char*, const char*) override {}
  void CloseBusyMessage() override {}
  void SetWaitCursor(bool on) override { cursor.push_back(on); }
  bool IsKeyDown(uint8_t key) override { return keysDown.count(key) != 0; }

  std::vector<int> refreshed;
  std::map<int, int> leds;
  std::map<int, std::string> labels;
  std::map<int, tStrip> strips;
  tMessages messages;
  std::vector<bool> cursor;
  std::set<uint8_t> keysDown;
  int answer = 0;
};
using tRecordingView = tRecordingViewOf<tDeskView>;
