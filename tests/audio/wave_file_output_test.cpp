// The export device: page arithmetic, the header of a finished file, the
// mixed data it holds, failure reporting, and files read back by sox.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>

#include "audio/mixer.h"
#include "audio/voice.h"
#include "audio/wave.h"
#include "audio/wave_file_output.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

namespace {

uint64_t FileSize(const std::string& host) {
  return ReadBytes(host).size();
}

// The 44-byte header of a PCM file of that format and data size, and the
// file's length.
void ExpectHeader(const Bytes& file, uint32_t dataSize, uint16_t channels, uint32_t rate,
                  uint16_t bits) {
  Bytes h = {'R', 'I', 'F', 'F'};
  Put32(h, dataSize + 36);
  h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
  Put16(h, channels);
  Put32(h, rate);
  Put32(h, rate * channels * bits / 8);
  Put16(h, channels * bits / 8u);
  Put16(h, bits);
  h.insert(h.end(), {'d', 'a', 't', 'a'});
  Put32(h, dataSize);
  ASSERT_GE(file.size(), 44u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 44), h);
  EXPECT_EQ(file.size(), uint64_t{dataSize} + 44);
}

// A 16-bit stereo wave of frames frames whose sample n (interleaved) is
// sample(n).
template <typename F>
void Wave16(tWave& wave, uint32_t rate, uint32_t frames, F sample) {
  wave.SetFormat(MakeWaveFormat(rate, 16, 2));
  ASSERT_TRUE(wave.Allocate(uint64_t{frames} * 4));
  auto* s = reinterpret_cast<int16_t*>(wave.Data());
  for (uint32_t n = 0; n < 2 * frames; ++n) s[n] = static_cast<int16_t>(sample(n));
}

// Exports the mixer in a format while the device's clock runs to ms in 10 ms
// ticks; returns the finished file.
Bytes Export(const TempDir& dir, const WAVEFORMATEX& format, tMixer& mixer, uint32_t ms) {
  tWaveFileOutput out;
  out.Open(dir.Desk("export.wav"));
  out.SetFormat(format);
  out.SetSource(&mixer);
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
  EXPECT_EQ(out.Code(), kFormat16Stereo);                    // the default format
  EXPECT_EQ(out.PageBytes(), 1764u);
  const struct {
    uint32_t rate;
    uint16_t bits, channels;
    uint32_t frames, bytes;
  } pages[] = {{22050, 8, 2, 441, 882}, {44100, 16, 1, 882, 1764}, {22050, 16, 2, 441, 1764}};
  for (const auto& p : pages) {
    out.SetFormat(MakeWaveFormat(p.rate, p.bits, p.channels));
    EXPECT_EQ(out.PageFrames(), p.frames);
    EXPECT_EQ(out.PageBytes(), p.bytes);
  }
  ASSERT_TRUE(out.Start());
  const uint32_t steps[][2] = {{10, 0}, {20, 441}, {30, 441}, {40, 882}, {50, 882}, {60, 1323}};
  for (const auto& s : steps) {
    out.Advance(s[0]);
    EXPECT_EQ(out.FramesDone(), s[1]) << s[0] << " ms";
    EXPECT_EQ(FileSize(dir.Host("a.wav")), 44 + uint64_t{s[1]} * 4) << s[0] << " ms";
  }
  out.Stop();
  ExpectHeader(ReadBytes(dir.Host("a.wav")), 1323 * 4, 2, 22050, 16);

  // 44100 Hz 16-bit stereo: one second is 50 pages of 882 frames.
  tWaveFileOutput big;
  big.Open(dir.Desk("b.wav"));
  big.SetFormat(MakeWaveFormat(44100, 16, 2));
  ASSERT_TRUE(big.Start());
  for (uint32_t t = 10; t <= 1000; t += 10) big.Advance(t);
  EXPECT_EQ(big.FramesDone(), 44100u);
  big.Stop();
  EXPECT_TRUE(big.WriteSucceeded());
  const Bytes file = ReadBytes(dir.Host("b.wav"));
  ExpectHeader(file, 176400, 2, 44100, 16);
  // No source: silence.
  EXPECT_EQ(Bytes(file.begin() + 44, file.end()), Bytes(176400, 0));
}

TEST(WaveFileOutput, WritesTheMixedPages) {
  TempDir dir;
  tMixer mixer;
  tWave wave;
  Wave16(wave, 22050, 600, [](uint32_t n) { return n % 2 ? -int(n / 2) * 20 : int(n / 2) * 50; });
  tVoice voice;
  voice.SetWave(&wave);
  voice.SetMixer(&mixer);
  voice.Play(false);
  const Bytes file = Export(dir, MakeWaveFormat(22050, 8, 1), mixer, 40);
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
  EXPECT_EQ(FileSize(dir.Host("twice.wav")), 44u);
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
  EXPECT_EQ(out.FramesDone(), 2205u);
  EXPECT_FALSE(out.WriteSucceeded());
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
  const uint8_t data[5] = {1, 2, 3, 4, 5};
  EXPECT_TRUE(writer.Write(data, 5));
  writer.SetFormat(MakeWaveFormat(8000, 8, 1));
  EXPECT_TRUE(writer.Finish());
  EXPECT_FALSE(writer.IsOpen());
  const Bytes file = ReadBytes(dir.Host("w.wav"));
  ExpectHeader(file, 5, 1, 8000, 8);
  EXPECT_EQ(Bytes(file.begin() + 44, file.end()), (Bytes{1, 2, 3, 4, 5}));
}

// sox reads what the device writes: the header's format and sizes, and the
// samples themselves.
TEST(WaveFileOutput, SoxReadsTheExportedFiles) {
  if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
  TempDir dir;
  const uint16_t layouts[4][2] = {{8, 1}, {16, 1}, {8, 2}, {16, 2}};
  for (const auto& layout : layouts) {
    for (uint32_t rate : {22050u, 44100u}) {
      tMixer mixer;
      tWave wave;
      Wave16(wave, rate, rate / 3, [](uint32_t n) { return n * 337; });
      tVoice voice;
      voice.SetWave(&wave);
      voice.SetMixer(&mixer);
      voice.Play(true);
      const Bytes file = Export(dir, MakeWaveFormat(rate, layout[0], layout[1]), mixer, 500);
      const std::string wav = dir.Host("export.wav");
      const std::string info = dir.Host("info.txt");
      for (const char* flag : {"-r", "-c", "-b", "-s"})
        ASSERT_EQ(Shell(std::string("soxi ") + flag + " '" + wav + "' >> '" + info + "'"), 0);
      const Bytes text = ReadBytes(info);
      std::filesystem::remove(info);
      const std::string expect = std::to_string(rate) + "\n" + std::to_string(layout[1]) + "\n" +
                                 std::to_string(layout[0]) + "\n" + std::to_string(rate / 2) + "\n";
      EXPECT_EQ(std::string(text.begin(), text.end()), expect);
      const std::string raw = dir.Host("e.raw");
      ASSERT_EQ(Shell("sox '" + wav + "' -t raw '" + raw + "'"), 0);
      EXPECT_EQ(ReadBytes(raw), Bytes(file.begin() + 44, file.end()));
    }
  }
}
