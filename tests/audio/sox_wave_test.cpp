// Wave files that sox writes, in every layout it offers, load as sox itself
// decodes them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "audio/wave.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

namespace {

class SoxWave : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
  }
  // Makes a quarter second of a chord with noise in sox's own encoder.
  void Make(const std::string& name, const std::string& options) {
    ASSERT_EQ(Shell("sox -R -n " + options + " '" + m_Dir.Host(name) +
                    "' synth 0.25 sine 440 sine 1234 whitenoise vol 0.9"),
              0)
        << options;
  }
  // sox's decoding of a file to raw samples of an encoding.
  Bytes Decode(const std::string& name, const std::string& encoding) {
    const std::string raw = m_Dir.Host(name + ".raw");
    EXPECT_EQ(Shell("sox '" + m_Dir.Host(name) + "' " + encoding + " -t raw '" + raw + "'"), 0);
    return ReadBytes(raw);
  }
  TempDir m_Dir;
};

}  // namespace

TEST_F(SoxWave, EightAndSixteenBitFilesLoadAsSoxDecodesThem) {
  for (uint32_t rate : {22050u, 44100u}) {
    for (uint16_t channels : {1, 2}) {
      for (uint16_t bits : {8, 16}) {
        const std::string name = "l" + std::to_string(rate) + "_" + std::to_string(channels) + "_" +
                                 std::to_string(bits) + ".wav";
        const std::string encoding = bits == 8 ? "-e unsigned -b 8" : "-e signed -b 16";
        Make(name,
             "-r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " + encoding);
        tWave w;
        ASSERT_TRUE(w.LoadWave(m_Dir.Desk(name))) << name;
        EXPECT_EQ(w.Rate(), rate);
        EXPECT_EQ(w.Channels(), channels);
        EXPECT_EQ(w.BitsPerSample(), bits);
        EXPECT_EQ(w.Frames(), rate / 4);
        const Bytes raw = Decode(name, encoding);
        EXPECT_EQ(Bytes(w.Data(), w.Data() + w.Size()), raw) << name;
      }
    }
  }
}

// 24- and 32-bit integer files (sox writes them with extensible headers and
// a fact chunk, or plain with -t wavpcm) keep the top 16 bits of each sample.
TEST_F(SoxWave, WideIntegerFilesKeepTheTopSixteenBits) {
  struct {
    const char* name;
    const char* options;
  } cases[] = {{"i24.wav", "-r 44100 -c 2 -e signed -b 24"},
               {"i24p.wav", "-r 22050 -c 1 -e signed -b 24 -t wavpcm"},
               {"i32.wav", "-r 44100 -c 1 -e signed -b 32"},
               {"i32p.wav", "-r 22050 -c 2 -e signed -b 32 -t wavpcm"}};
  for (const auto& c : cases) {
    Make(c.name, c.options);
    tWave w;
    ASSERT_TRUE(w.LoadWave(m_Dir.Desk(c.name))) << c.name;
    EXPECT_EQ(w.BitsPerSample(), 16);
    const Bytes raw = Decode(c.name, "-e signed -b 32");
    ASSERT_EQ(raw.size(), size_t{w.Size()} * 2) << c.name;
    const int16_t* s = reinterpret_cast<const int16_t*>(w.Data());
    for (size_t i = 0; i < raw.size() / 4; ++i) {
      const int32_t full = static_cast<int32_t>(Get32(raw, 4 * i));
      ASSERT_EQ(s[i], static_cast<int16_t>(full >> 16)) << c.name << " sample " << i;
    }
  }
  // The first of them is the extensible kind.
  const Bytes head = ReadBytes(m_Dir.Host("i24.wav"));
  EXPECT_EQ(Get16(head, 20), 0xFFFEu);
}

TEST_F(SoxWave, FloatFilesAreScaledAndTruncated) {
  Make("f.wav", "-r 44100 -c 2 -e floating-point -b 32");
  tWave w;
  ASSERT_TRUE(w.LoadWave(m_Dir.Desk("f.wav")));
  const Bytes raw = Decode("f.wav", "-e floating-point -b 32");
  ASSERT_EQ(raw.size(), size_t{w.Size()} * 2);
  const int16_t* s = reinterpret_cast<const int16_t*>(w.Data());
  int nonzero = 0;
  for (size_t i = 0; i < raw.size() / 4; ++i) {
    const uint32_t bits = Get32(raw, 4 * i);
    float f;
    std::memcpy(&f, &bits, 4);
    const double v = std::trunc(static_cast<double>(f) * 32768.0);
    const int16_t expect = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
    ASSERT_EQ(s[i], expect) << "sample " << i;
    nonzero += s[i] != 0;
  }
  EXPECT_GT(nonzero, 1000);
}
