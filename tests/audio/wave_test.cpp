// Formats, widening and narrowing, zero-order-hold rate conversion and the
// RIFF WAVE reader.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>
#include <vector>

#include "audio/wave.h"
#include "platform/last_error.h"
#include "platform/sample_memory.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

// A set format is normalised (PCM, derived block and byte rate) and gives
// its layout code; the default is 22050 Hz 16-bit stereo, which a set format
// keeps unless the default is forced.
TEST(SoundFormat, SetFormatNormalisesDerivesTheCodeAndOutlivesTheDefault) {
  tSoundFormat f;
  WAVEFORMATEX in = MakeWaveFormat(44100, 16, 2);
  in.wFormatTag = 3;
  in.nAvgBytesPerSec = 1;
  in.nBlockAlign = 99;
  in.cbSize = 22;
  f.SetFormat(in);
  WAVEFORMATEX out{};
  f.GetFormat(out);
  EXPECT_EQ((std::vector<uint32_t>{out.wFormatTag, out.nBlockAlign, out.nAvgBytesPerSec, out.cbSize,
                                   f.Code()}),
            (std::vector<uint32_t>{1, 4, 176400, 0, 3}));

  struct {
    uint16_t channels, bits;
    uint32_t code;
    uint16_t align;
  } cases[] = {{1, 8, 0, 1},  {1, 16, 1, 2},  {2, 8, 2, 2},
               {2, 16, 3, 4}, {6, 16, 1, 12}, {2, 24, 2, 6}};
  for (const auto& c : cases) {
    in.nChannels = c.channels;
    in.wBitsPerSample = c.bits;
    f.SetFormat(in);
    EXPECT_EQ(f.Code(), c.code) << c.channels << "x" << c.bits;
    EXPECT_EQ(f.BlockAlign(), c.align) << c.channels << "x" << c.bits;
  }

  tSoundFormat d;
  d.SetFormat(MakeWaveFormat(44100, 8, 1));
  d.SetDefaultFormat(true);
  EXPECT_EQ((std::vector<uint32_t>{d.Rate(), d.Code()}),
            (std::vector<uint32_t>{44100, kFormat8Mono}));
  d.SetDefaultFormat(false);
  EXPECT_EQ((std::vector<uint32_t>{d.Rate(), d.Code()}),
            (std::vector<uint32_t>{22050, kFormat16Stereo}));
}

TEST(Wave, AllocateZeroesAndSetsTheDefaultOnlyWhenUnset) {
  tWave w;
  ASSERT_TRUE(w.Allocate(10));
  // The incomplete third frame is not a frame.
  EXPECT_EQ((std::vector<uint32_t>{w.Rate(), w.Size(), w.Frames()}),
            (std::vector<uint32_t>{22050, 10, 2}));
  EXPECT_EQ(Contents(w), Bytes(10, 0));
  w.SetFormat(MakeWaveFormat(11025, 8, 1));
  ASSERT_TRUE(w.Allocate(3));
  EXPECT_EQ(w.Rate(), 11025u);
  EXPECT_EQ(w.Frames(), 3u);

  platform::SetLastErrorCode(0);
  EXPECT_FALSE(w.Allocate(uint64_t{1} << 33));
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorWaveMemory);
  EXPECT_EQ(w.Data(), nullptr);
  EXPECT_EQ(w.Size(), 0u);
  EXPECT_EQ(w.Rate(), 11025u);  // the format survives
}

// Each row converts a wave of one layout into another: widening, and
// narrowing with arithmetic shifts and clamps.
TEST(WaveConvert, WidensAndNarrowsSamples) {
  const Bytes in16 = Samples16({32767, 32767, -32768, -32768, 1000, -3000, -1, -1});
  const struct {
    uint16_t fromBits, fromChannels;
    Bytes in;
    uint16_t toBits, toChannels;
    Bytes out;
  } cases[] = {
      {8, 1, {0, 255, 128}, 16, 2, Samples16({-32768, -32768, 32512, 32512, 0, 0})},
      {8, 2, {0, 255, 129, 127}, 16, 2, Samples16({-32768, 32512, 256, -256})},
      // (L + R) >> 9: 65534 >> 9 = 127; -65536 >> 9 = -128; -2000 >> 9 = -4; -2 >> 9 = -1.
      {16, 2, in16, 8, 1, {255, 0, 124, 127}},
      {16, 2, in16, 16, 1, Samples16({32767, -32768, -1000, -1})},
      // 1000 >> 8 = 3, -3000 >> 8 = -12, -1 >> 8 = -1.
      {16, 2, in16, 8, 2, {255, 255, 0, 0, 131, 116, 127, 127}},
  };
  for (const auto& c : cases) {
    tWave w;
    Fill(w, MakeWaveFormat(22050, c.fromBits, c.fromChannels), c.in);
    ASSERT_TRUE(w.Convert(MakeWaveFormat(22050, c.toBits, c.toChannels)));
    EXPECT_EQ(Contents(w), c.out) << c.fromBits << "x" << c.fromChannels << " to " << c.toBits
                                  << "x" << c.toChannels;
    EXPECT_EQ(w.BlockAlign(), c.toBits * c.toChannels / 8);
  }
}

TEST(WaveConvert, ZeroOrderHoldPicksTheNearestEarlierFrame) {
  const auto ramp = [](size_t n) { return static_cast<int>(n); };
  const struct {
    uint32_t from, to;
    Bytes in;
    size_t outFrames;
    std::vector<std::pair<size_t, int>> samples;  // output frame, its value
  } cases[] = {
      // Frame k from frame 2k.
      {44100, 22050, Samples16(1000, ramp), 500, {{1, 2}, {250, 500}, {499, 998}}},
      // Every frame twice.
      {22050, 44100, Samples16({5, -6, 7}), 6, {{0, 5}, {1, 5}, {2, -6}, {3, -6}, {5, 7}}},
      // 3 frames truncate to 1.
      {22050, 11025, Samples16({5, -6, 7}), 1, {{0, 5}}},
      // The floored step (441/320 made slightly smaller) puts output frame
      // 320 on input frame 440, not 441.
      {11025,
       8000,
       Samples16(1000, ramp),
       725,
       {{1, 1}, {2, 2}, {3, 4}, {319, 439}, {320, 440}, {724, 997}}},
  };
  for (const auto& c : cases) {
    tWave w;
    Fill(w, MakeWaveFormat(c.from, 16, 1), c.in);
    ASSERT_TRUE(w.Convert(MakeWaveFormat(c.to, 16, 1)));
    ASSERT_EQ(w.Frames(), c.outFrames) << c.from << " to " << c.to;
    const Bytes out = Contents(w);
    for (auto [frame, value] : c.samples)
      EXPECT_EQ(Sample16(out, frame), value) << c.from << " to " << c.to << " frame " << frame;
  }
}

// The same layout and rate change nothing, an empty wave only takes the
// format, and a layout the engine cannot hold is refused with the wave kept.
TEST(WaveConvert, KeepsWhatNeedsNoConversionAndRefusesWhatCannotBeHeld) {
  tWave w;
  Fill(w, MakeWaveFormat(22050, 16, 2), Samples16({1, 2, 3, 4}));
  const uint8_t* before = w.Data();
  WAVEFORMATEX target = MakeWaveFormat(22050, 16, 2);
  target.wFormatTag = 3;
  target.nBlockAlign = 7;
  EXPECT_TRUE(w.Convert(target));
  EXPECT_EQ(w.Data(), before);

  platform::SetLastErrorCode(0);
  EXPECT_FALSE(
      w.Convert(MakeWaveFormat(22050, 4, 2)));  // 1-byte frames cannot hold two 8-bit samples
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorWaveFormat);
  EXPECT_FALSE(w.Convert(MakeWaveFormat(0, 16, 2)));
  EXPECT_EQ(Contents(w), Samples16({1, 2, 3, 4}));

  tWave empty;
  EXPECT_TRUE(empty.Convert(MakeWaveFormat(44100, 8, 1)));
  EXPECT_EQ((std::vector<uint32_t>{empty.Rate(), empty.Frames()}),
            (std::vector<uint32_t>{44100, 0}));
}

// A conversion may raise the rate at most 64 times and make at most 1 GiB;
// beyond that no real sample goes, and a damaged header (a rate of 1 Hz)
// must not cost seconds and gigabytes. The wave stays as it was.
TEST(WaveConvert, RefusesWhatNoRealSampleNeeds) {
  struct Case {
    uint32_t rate;
    size_t bytes;
    uint32_t toRate;
    uint32_t error;  // 0: converted
  };
  const Case cases[] = {
      {690, 8, 44100, 0},                            // 63.9 times
      {700, 8, 44800, 0},                            // exactly 64 times
      {689, 8, 44100, platform::kErrorWaveFormat},   // 64.007 times
      {1, 6000, 44100, platform::kErrorWaveFormat},  // a damaged header
      {8000, 400000, 4000000000u, platform::kErrorWaveFormat},
      {690, 4300000, 44100, platform::kErrorWaveMemory},  // 275 million frames of 4 bytes
      {44100, 8, 1, 0},                                   // fewer frames cost nothing
  };
  for (const Case& c : cases) {
    tWave w;
    Fill(w, MakeWaveFormat(c.rate, 8, 1), Bytes(c.bytes, 200));
    platform::SetLastErrorCode(0);
    EXPECT_EQ(w.Convert(MakeWaveFormat(c.toRate, 16, 2)), c.error == 0) << c.rate << " " << c.bytes;
    EXPECT_EQ(platform::LastErrorCode(), c.error) << c.rate << " " << c.bytes;
    if (c.error != 0) {
      EXPECT_EQ(w.Size(), c.bytes);
    }
  }
}

// ---- reading files ----

class WaveFile : public ::testing::Test {
 protected:
  // Writes bytes to a file and loads it; the result and last error.
  bool Load(const Bytes& bytes, tWave& wave) {
    WriteBytes(m_Dir.Host("t.wav"), bytes);
    platform::SetLastErrorCode(0);
    return wave.LoadWave(m_Dir.Desk("t.wav"));
  }
  TempDir m_Dir;
};

// A mu-law tag on 8-bit data is played as PCM; an incomplete last frame
// loads but is no frame.
TEST_F(WaveFile, LoadsPlainAndExtensibleHeadersAndIgnoresTheTagOfNarrowSamples) {
  const Bytes data = Samples16({100, -200, 300, -400});
  const struct {
    Bytes fmt, data;
    uint32_t rate, code, frames;
  } cases[] = {{FmtPayload(1, 2, 44100, 16), data, 44100, kFormat16Stereo, 2},
               {FmtPayload(7, 1, 8000, 8), {1, 2, 3}, 8000, kFormat8Mono, 3},
               {ExtensiblePayload(2, 48000, 16, 1), data, 48000, kFormat16Stereo, 2},
               {FmtPayload(1, 2, 22050, 16), Bytes(11, 7), 22050, kFormat16Stereo, 2}};
  for (const auto& c : cases) {
    tWave w;
    ASSERT_TRUE(Load(Riff({{"fmt ", c.fmt}, {"data", c.data}}), w)) << c.rate;
    EXPECT_EQ(Contents(w), c.data) << c.rate;
    EXPECT_EQ((std::vector<uint32_t>{w.Rate(), w.Code(), w.Frames(), w.Format().wFormatTag}),
              (std::vector<uint32_t>{c.rate, c.code, c.frames, 1}));
  }
}

TEST_F(WaveFile, SkipsOtherChunksAndThePadAfterOddSizes) {
  const Bytes data = {10, 20, 30, 40, 50};  // odd: 5 frames of 8-bit mono, then a pad byte
  const Bytes list = {'I', 'N', 'F', 'O', 'I', 'C', 'M', 'T', 3, 0, 0, 0, 'h', 'i', 0, 0};
  tWave w;
  ASSERT_TRUE(Load(Riff({{"JUNK", Bytes(27, 0)},
                         {"bext", Bytes(603, 'b')},
                         {"fmt ", FmtPayload(1, 1, 22050, 8)},
                         {"fact", {5, 0, 0, 0}},
                         {"LIST", list},
                         {"cue ", Bytes(7, 1)},
                         {"data", data},
                         {"LIST", list}}),
                   w));
  EXPECT_EQ(Contents(w), data);

  // A file that starts with another RIFF form before the WAVE one.
  Bytes two = Riff({{"strh", Bytes(9, 2)}}, "AVI ");
  const Bytes wave = Riff({{"fmt ", FmtPayload(1, 1, 22050, 8)}, {"data", data}});
  two.insert(two.end(), wave.begin(), wave.end());
  ASSERT_TRUE(Load(two, w));
  EXPECT_EQ(Contents(w), data);
}

TEST_F(WaveFile, WideSamplesKeepTheirTopSixteenBits) {
  // 24-bit: bytes low..high; the top two bytes are the 16-bit sample.
  const Bytes d24 = {0xFF, 0x34, 0x12, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0x80, 0xFF, 0xFF};
  tWave w;
  ASSERT_TRUE(Load(Riff({{"fmt ", FmtPayload(1, 1, 44100, 24)}, {"data", d24}}), w));
  EXPECT_EQ(Contents(w), Samples16({0x1234, -32768, 32767, -1}));
  EXPECT_EQ(w.Code(), kFormat16Mono);

  Bytes d32;
  Put32(d32, 0x1234ABCDu);
  Put32(d32, 0xFFFF0001u);
  ASSERT_TRUE(Load(Riff({{"fmt ", ExtensiblePayload(2, 44100, 32, 1)}, {"data", d32}}), w));
  EXPECT_EQ(Contents(w), Samples16({0x1234, -1}));
  EXPECT_EQ(w.Code(), kFormat16Stereo);
}

TEST_F(WaveFile, FloatSamplesAreScaledTruncatedAndClamped) {
  const float values[] = {0.5f,   -1.0f,     1.0f,
                          1e9f,   -0.00001f, -0.25001f,
                          -1e30f, 0.9999f,   std::numeric_limits<float>::quiet_NaN(),
                          -0.0f};
  Bytes d;
  for (float f : values) Put32(d, std::bit_cast<uint32_t>(f));
  const Bytes expect = Samples16({16384, -32768, 32767, 32767, 0, -8192, -32768, 32764, 0, 0});
  tWave w;
  ASSERT_TRUE(
      Load(Riff({{"fmt ", FmtPayload(3, 1, 22050, 32)}, {"fact", {10, 0, 0, 0}}, {"data", d}}), w));
  EXPECT_EQ(Contents(w), expect);
  ASSERT_TRUE(Load(Riff({{"fmt ", ExtensiblePayload(1, 22050, 32, 3)}, {"data", d}}), w));
  EXPECT_EQ(Contents(w), expect);
}

TEST_F(WaveFile, FailuresSetTheirCodes) {
  tWave w;
  platform::SetLastErrorCode(0);
  EXPECT_FALSE(w.LoadWave(m_Dir.Desk("missing.wav")));
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorWaveOpen);

  const Bytes fmt16 = FmtPayload(1, 2, 22050, 16);
  // Broken headers, then files cut short.
  const std::pair<const char*, Bytes> cases[] = {
      {"text", Bytes(100, 'x')},
      {"empty", Bytes()},
      {"other form", Riff({{"fmt ", fmt16}, {"data", Bytes(8, 1)}}, "AVI ")},
      {"no fmt", Riff({{"data", Bytes(8, 1)}})},
      {"no data", Riff({{"fmt ", fmt16}})},
      {"empty data", Riff({{"fmt ", fmt16}, {"data", {}}})},
      {"less than a frame", Riff({{"fmt ", fmt16}, {"data", {1, 2, 3}}})},
      {"three channels", Riff({{"fmt ", FmtPayload(1, 3, 22050, 16)}, {"data", Bytes(6, 0)}})},
      {"12-bit", Riff({{"fmt ", FmtPayload(1, 1, 22050, 12)}, {"data", Bytes(6, 0)}})},
      {"64-bit float", Riff({{"fmt ", FmtPayload(3, 1, 22050, 64)}, {"data", Bytes(16, 0)}})},
      {"rate 0", Riff({{"fmt ", FmtPayload(1, 1, 0, 16)}, {"data", Bytes(6, 0)}})},
      {"data cut short", Riff({{"fmt ", fmt16}, {"data", Bytes(8, 1), 1000}})},
      {"fmt cut short", Bytes{'R', 'I', 'F', 'F', 20, 0, 0, 0, 'W', 'A', 'V', 'E',
                              'f', 'm', 't', ' ', 16, 0, 0, 0, 1,   0,   2,   0}},
  };
  for (const auto& [what, file] : cases) {
    EXPECT_FALSE(Load(file, w)) << what;
    EXPECT_EQ(platform::LastErrorCode(), std::strstr(what, "cut short")
                                             ? platform::kErrorWaveTruncated
                                             : platform::kErrorWaveFormat)
        << what;
  }

  // A failure after the format keeps the new format; the old data stays
  // until new data is allocated, but holds no frame.
  ASSERT_TRUE(Load(Riff({{"fmt ", FmtPayload(1, 1, 22050, 8)}, {"data", {1, 2, 3}}}), w));
  EXPECT_FALSE(Load(Riff({{"fmt ", FmtPayload(1, 2, 44100, 16)}}), w));
  EXPECT_EQ((std::vector<uint32_t>{w.Rate(), w.Code(), w.Size(), w.Frames()}),
            (std::vector<uint32_t>{44100, kFormat16Stereo, 3, 0}));
}

// Long samples live in memory of another kind than short ones; every byte
// loads the same, a conversion of a long one matches the same conversion of
// its short beginning, and a cut file still fails.
TEST_F(WaveFile, LongSamplesLoadAndConvertLikeShortOnes) {
  const size_t threshold = platform::kSampleMemoryMappedFrom;
  for (size_t bytes : {threshold - 4, threshold, threshold + 4 * 1001}) {
    Bytes data(bytes);
    for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    const Bytes file = Riff({{"fmt ", FmtPayload(1, 2, 44100, 16)}, {"data", data}});
    tWave w;
    ASSERT_TRUE(Load(file, w)) << bytes;
    EXPECT_TRUE(Contents(w) == data) << bytes;

    tWave head;
    Fill(head, MakeWaveFormat(44100, 16, 2), Bytes(data.begin(), data.begin() + 4000));
    ASSERT_TRUE(w.Convert(MakeWaveFormat(22050, 8, 1)));
    ASSERT_TRUE(head.Convert(MakeWaveFormat(22050, 8, 1)));
    EXPECT_EQ(Bytes(w.Data(), w.Data() + head.Size()), Contents(head)) << bytes;

    EXPECT_FALSE(Load(Bytes(file.begin(), file.end() - 2), w));
    EXPECT_EQ(platform::LastErrorCode(), platform::kErrorWaveTruncated);
    EXPECT_EQ(w.Data(), nullptr);
  }
  tWave zeroed;
  ASSERT_TRUE(zeroed.Allocate(threshold + 2));
  EXPECT_EQ(Contents(zeroed), Bytes(threshold + 2, 0));
}

// Damaged files (random bytes changed, sizes included, or cut short) load or
// fail with one of the reader's codes, and what loads is consistent.
TEST(WaveStream, DamagedFilesNeverBreakTheReader) {
  const Bytes data = Samples16(300, [](size_t n) { return static_cast<int>(n * 211); });
  const Bytes good[] = {
      Riff({{"JUNK", Bytes(5, 0)},
            {"fmt ", FmtPayload(1, 2, 22050, 16)},
            {"LIST", Bytes(9, 'x')},
            {"data", data}}),
      Riff({{"fmt ", ExtensiblePayload(2, 44100, 24, 1)},
            {"data", Bytes(data.begin(), data.begin() + 594)}}),
      Riff({{"fmt ", FmtPayload(3, 1, 8000, 32)}, {"fact", {1, 0, 0, 0}}, {"data", data}}),
  };
  uint32_t x = 12345;
  auto next = [&x] {
    x = x * 1664525u + 1013904223u;
    return x >> 8;
  };
  int loaded = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes file = good[round % 3];
    const int changes = 1 + static_cast<int>(next() % 4);
    for (int c = 0; c < changes; ++c) {
      // Most changes land in the headers, where the sizes are.
      const size_t at = next() % 4 ? next() % 80 : next() % file.size();
      file[at % file.size()] = static_cast<uint8_t>(next());
    }
    if (round % 7 == 0) file.resize(next() % file.size());
    FILE* stream = fmemopen(file.data(), file.size(), "rb");
    ASSERT_NE(stream, nullptr);
    tWave w;
    platform::SetLastErrorCode(0);
    const bool ok = w.LoadWaveStream(stream);
    std::fclose(stream);
    if (ok) {
      ++loaded;
      ASSERT_TRUE(IsEngineLayout(w.Format())) << round;
      ASSERT_GT(w.Frames(), 0u) << round;
      ASSERT_LE(uint64_t{w.Frames()} * w.BlockAlign(), w.Size()) << round;
    } else {
      const uint32_t code = platform::LastErrorCode();
      ASSERT_TRUE(code == platform::kErrorWaveFormat || code == platform::kErrorWaveTruncated ||
                  code == platform::kErrorWaveMemory)
          << round << ": " << code;
    }
  }
  EXPECT_GT(loaded, 100);
}
