// The export device: page arithmetic, the header of a finished file, the
// mixed data it holds and failure reporting.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include "audio/mixer.h"
#include "audio/voice.h"
#include "audio/wave.h"
#include "audio/wave_file_output.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

namespace {

// The 44-byte header of a PCM file of that format and data size, and the
// file's length.
void ExpectHeader(const Bytes& file, uint32_t dataSize, uint16_t channels, uint32_t rate,
                  uint16_t bits) {
  Bytes h = {'R', 'I', 'F', 'F'};
  Put32(h, dataSize + 36);
  h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0});
  const Bytes fmt = FmtPayload(1, channels, rate, bits);
  h.insert(h.end(), fmt.begin(), fmt.end());
  h.insert(h.end(), {'d', 'a', 't', 'a'});
  Put32(h, dataSize);
  ASSERT_GE(file.size(), 44u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 44), h);
  EXPECT_EQ(file.size(), uint64_t{dataSize} + 44);
}

// Exports the mixer in a format while the device's clock runs to ms in 10 ms
// ticks; returns the finished file.
Bytes Export(const TempDir& dir, const WAVEFORMATEX& format, tMixer* mixer, uint32_t ms) {
  tWaveFileOutput out;
  out.Open(dir.Desk("export.wav"));
  out.SetFormat(format);
  if (mixer) out.SetSource(mixer);
  EXPECT_TRUE(out.Start());
  for (uint32_t t = 10; t <= ms; t += 10) out.Advance(t);
  out.Stop();
  EXPECT_TRUE(out.WriteSucceeded());
  return ReadBytes(dir.Host("export.wav"));
}

}  // namespace

TEST(WaveFileOutput, PagesAreTwentyMillisecondsAndOnlyWholePagesAreWritten) {
  TempDir dir;
  tWaveFileOutput out;
  out.Open(dir.Desk("a.wav"));
  EXPECT_FALSE(std::filesystem::exists(dir.Host("a.wav")));  // nothing on disk yet
  // The default format.
  EXPECT_EQ((std::vector<uint32_t>{out.Code(), out.PageFrames(), out.PageBytes()}),
            (std::vector<uint32_t>{kFormat16Stereo, 441, 1764}));
  ASSERT_TRUE(out.Start());
  const uint32_t steps[][2] = {{10, 0}, {20, 441}, {30, 441}, {40, 882}, {60, 1323}};
  for (const auto& s : steps) {
    out.Advance(s[0]);
    EXPECT_EQ(out.FramesDone(), s[1]) << s[0] << " ms";
    EXPECT_EQ(ReadBytes(dir.Host("a.wav")).size(), 44 + uint64_t{s[1]} * 4) << s[0] << " ms";
  }
  out.Stop();
  ExpectHeader(ReadBytes(dir.Host("a.wav")), 1323 * 4, 2, 22050, 16);

  // 44100 Hz 16-bit stereo: one second is 50 pages of 882 frames. No
  // source: silence.
  const Bytes file = Export(dir, MakeWaveFormat(44100, 16, 2), nullptr, 1000);
  ExpectHeader(file, 176400, 2, 44100, 16);
  EXPECT_EQ(Bytes(file.begin() + 44, file.end()), Bytes(176400, 0));
}

TEST(WaveFileOutput, WritesTheMixedPages) {
  TempDir dir;
  tMixer mixer;
  tWave wave;
  Fill(wave, MakeWaveFormat(22050, 16, 2),
       Samples16(1200, [](size_t n) { return n % 2 ? -int(n / 2) * 20 : int(n / 2) * 50; }));
  tVoice voice;
  voice.SetWave(&wave);
  voice.SetMixer(&mixer);
  voice.Play(false);
  const Bytes file = Export(dir, MakeWaveFormat(22050, 8, 1), &mixer, 40);
  ExpectHeader(file, 882, 1, 22050, 8);
  for (int k = 0; k < 882; ++k) {
    // Mono 8-bit of a 16-bit stereo voice: the average shifted by 8, + 128;
    // silence after the voice's 600 frames.
    const int expect = k < 600 ? (((k * 50 - k * 20) * 256) >> 17) + 128 : 128;
    ASSERT_EQ(file[44 + k], expect) << k;
  }
  EXPECT_FALSE(voice.IsPlaying());
}

TEST(WaveFileOutput, StopWithoutAFileAndStartingTwice) {
  TempDir dir;
  tWaveFileOutput out;
  out.Stop();  // nothing open: nothing happens
  EXPECT_TRUE(out.WriteSucceeded());
  out.Open(dir.Desk("twice.wav"));
  out.Stop();
  EXPECT_FALSE(std::filesystem::exists(dir.Host("twice.wav")));
  ASSERT_TRUE(out.Start());
  out.Advance(20);
  ASSERT_TRUE(out.Start());  // finishes the first file, then replaces it
  EXPECT_EQ(ReadBytes(dir.Host("twice.wav")).size(), 44u);
  out.Advance(40);
  out.Close();  // finishes the open file
  ExpectHeader(ReadBytes(dir.Host("twice.wav")), 1764, 2, 22050, 16);
  EXPECT_TRUE(out.WriteSucceeded());
}

TEST(WaveFileOutput, ReportsFilesThatCannotBeWritten) {
  TempDir dir;
  tWaveFileOutput out;
  out.Open(dir.Desk("no such dir\\x.wav"));
  EXPECT_FALSE(out.Start());
  EXPECT_FALSE(out.WriteSucceeded());

  // A file size limit makes the third page fail: the count goes on and the
  // failure is reported.
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
  ASSERT_TRUE(started);
  EXPECT_EQ((std::pair{out.FramesDone(), out.WriteSucceeded()}), (std::pair{2205u, false}));
  out.Close();
  EXPECT_FALSE(out.WriteSucceeded());
  const Bytes file = ReadBytes(dir.Host("limited.wav"));
  EXPECT_EQ(Get32(file, 40), file.size() - 44);  // the header describes what is there

  // Starting again clears the failure.
  out.Open(dir.Desk("ok.wav"));
  ASSERT_TRUE(out.Start());
  out.Advance(20);
  out.Stop();
  EXPECT_TRUE(out.WriteSucceeded());
}

TEST(WaveWriter, FinishWritesTheHeaderOfItsFormat) {
  TempDir dir;
  tWaveWriter writer;
  EXPECT_EQ(writer.Rate(), 22050u);
  EXPECT_TRUE(writer.Finish());  // no file: true
  ASSERT_TRUE(writer.Open(dir.Desk("w.wav")));
  EXPECT_TRUE(writer.Write(Bytes{1, 2, 3, 4, 5}.data(), 5));
  writer.SetFormat(MakeWaveFormat(8000, 8, 1));
  EXPECT_TRUE(writer.Finish());
  EXPECT_FALSE(writer.IsOpen());
  const Bytes file = ReadBytes(dir.Host("w.wav"));
  ExpectHeader(file, 5, 1, 8000, 8);
  EXPECT_EQ(Bytes(file.begin() + 44, file.end()), (Bytes{1, 2, 3, 4, 5}));
}
