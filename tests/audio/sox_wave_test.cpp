// Wave files that sox writes, in every layout it offers, load as sox itself
// decodes them.
#include <gtest/gtest.h>

#include <algorithm>
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
  // Makes a quarter second of a chord with noise in sox's own encoder, loads
  // it, and returns sox's decoding of it to raw samples of an encoding.
  Bytes MakeAndLoad(const std::string& name, const std::string& options,
                    const std::string& decoding, tWave& wave) {
    const std::string file = m_Dir.Host(name), raw = file + ".raw";
    EXPECT_EQ(Shell("sox -R -n " + options + " '" + file +
                    "' synth 0.25 sine 440 sine 1234 whitenoise vol 0.9"),
              0)
        << options;
    EXPECT_TRUE(wave.LoadWave(m_Dir.Desk(name))) << name;
    EXPECT_EQ(Shell("sox '" + file + "' " + decoding + " -t raw '" + raw + "'"), 0);
    return ReadBytes(raw);
  }
  TempDir m_Dir;
};

}  // namespace

TEST_F(SoxWave, EightAndSixteenBitFilesLoadAsSoxDecodesThem) {
  for (uint32_t rate : {22050u, 44100u}) {
    for (uint16_t channels : {1, 2}) {
      for (uint16_t bits : {8, 16}) {
        const std::string name = std::to_string(rate) + "_" + std::to_string(channels) + "_" +
                                 std::to_string(bits) + ".wav";
        const std::string encoding = bits == 8 ? "-e unsigned -b 8" : "-e signed -b 16";
        tWave w;
        const Bytes raw = MakeAndLoad(
            name, "-r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " + encoding,
            encoding, w);
        EXPECT_EQ((std::vector<uint32_t>{w.Rate(), w.Channels(), w.BitsPerSample(), w.Frames()}),
                  (std::vector<uint32_t>{rate, channels, bits, rate / 4}));
        EXPECT_EQ(Contents(w), raw) << name;
      }
    }
  }
}

// 24- and 32-bit integer files (sox writes them with extensible headers and
// a fact chunk, or plain with -t wavpcm) keep the top 16 bits of each
// sample; float files are scaled, truncated and clamped.
TEST_F(SoxWave, WideAndFloatFilesLoadAsSoxDecodesThem) {
  struct {
    const char* name;
    const char* options;
  } cases[] = {{"i24.wav", "-r 44100 -c 2 -e signed -b 24"},
               {"i24p.wav", "-r 22050 -c 1 -e signed -b 24 -t wavpcm"},
               {"i32.wav", "-r 44100 -c 1 -e signed -b 32"},
               {"i32p.wav", "-r 22050 -c 2 -e signed -b 32 -t wavpcm"},
               {"f.wav", "-r 44100 -c 2 -e floating-point -b 32"}};
  for (const auto& c : cases) {
    const bool isFloat = c.name[0] == 'f';
    tWave w;
    const Bytes raw =
        MakeAndLoad(c.name, c.options, isFloat ? "-e floating-point -b 32" : "-e signed -b 32", w);
    EXPECT_EQ(w.BitsPerSample(), 16);
    ASSERT_EQ(raw.size(), size_t{w.Size()} * 2) << c.name;
    const Bytes got = Contents(w);
    int nonzero = 0;
    for (size_t i = 0; i < raw.size() / 4; ++i) {
      const uint32_t bits = Get32(raw, 4 * i);
      int expect = static_cast<int32_t>(bits) >> 16;
      if (isFloat) {
        float f;
        std::memcpy(&f, &bits, 4);
        expect = static_cast<int>(std::clamp(std::trunc(double{f} * 32768.0), -32768.0, 32767.0));
      }
      ASSERT_EQ(Sample16(got, i), expect) << c.name << " sample " << i;
      nonzero += expect != 0;
    }
    EXPECT_GT(nonzero, 1000) << c.name;
  }
  // The first of them is the extensible kind.
  EXPECT_EQ(Get16(ReadBytes(m_Dir.Host("i24.wav")), 20), 0xFFFEu);
}
