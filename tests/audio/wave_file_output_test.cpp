// The export device: page arithmetic, the header of a finished file and
// failure reporting. The scenario records the files it leaves in a golden
// trace.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include "audio/wave.h"
#include "audio/wave_file_output.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

namespace {

// Whether a file exists, its size, its 44-byte header in hex and the runs
// of equal bytes of the data after it.
std::string FileText(const std::string& host) {
  if (!std::filesystem::exists(host)) return "no file";
  const Bytes file = ReadBytes(host);
  if (file.size() < 44) return std::to_string(file.size()) + " bytes: " + support_test::Hex(file);
  return std::to_string(file.size()) +
         " bytes: " + support_test::Hex(Bytes(file.begin(), file.begin() + 44)) + " | " +
         Runs(Bytes(file.begin() + 44, file.end()), 1);
}

}  // namespace

// Pages are twenty milliseconds and only whole pages are written; nothing is
// on disk before the start; the header is written at the stop. Starting
// twice finishes the first file and replaces it; a file that cannot be
// written is reported, a full disk after some pages too (the count goes on
// and the header describes what is there), and a new start clears it.
TEST(WaveFileOutput, PagesHeadersAndFailures) {
  support_test::GoldenTrace trace("audio");
  TempDir dir;
  tWaveFileOutput out;
  const auto step = [&](const char* what, const char* file) {
    trace.Line("%s: frames %u, %s; %s", what, out.FramesDone(),
               out.WriteSucceeded() ? "written" : "failed", FileText(dir.Host(file)).c_str());
  };
  out.Stop();  // nothing open: nothing happens
  out.Open(dir.Desk("a.wav"));
  trace.Line("open: code %u, page %u frames of %u bytes", out.Code(), out.PageFrames(),
             out.PageBytes());
  step("stop before a start", "a.wav");
  trace.Line("start: %d", out.Start());
  for (uint32_t ms : {10, 20, 30, 40, 60}) {
    out.Advance(ms);
    step(("at " + std::to_string(ms) + " ms").c_str(), "a.wav");
  }
  out.Stop();
  step("stop", "a.wav");

  out.Open(dir.Desk("twice.wav"));
  trace.Line("start: %d", out.Start());
  out.Advance(20);
  trace.Line("start again: %d", out.Start());
  step("started again", "twice.wav");
  out.Advance(40);
  out.Close();  // finishes the open file
  step("close", "twice.wav");

  // 44100 Hz 16-bit stereo: one second is 50 pages of 882 frames. No
  // source: silence.
  tWaveFileOutput second;
  second.Open(dir.Desk("second.wav"));
  second.SetFormat(MakeWaveFormat(44100, 16, 2));
  second.Start();
  for (uint32_t t = 10; t <= 1000; t += 10) second.Advance(t);
  second.Stop();
  step("a second at 44100 Hz", "second.wav");

  out.Open(dir.Desk("no such dir\\x.wav"));
  trace.Line("start in a missing folder: %d", out.Start());
  step("then", "x.wav");
  // A file size limit makes the third page fail.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 44 + 2 * 1764 + 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  out.Open(dir.Desk("limited.wav"));
  const bool started = out.Start();
  out.Advance(100);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  trace.Line("start on a small disk: %d", started);
  step("at 100 ms", "limited.wav");
  out.Close();
  step("close", "limited.wav");
  out.Open(dir.Desk("ok.wav"));
  trace.Line("start: %d", out.Start());
  out.Advance(20);
  out.Stop();
  step("stop", "ok.wav");
  trace.Check("wave_file_output");
}
