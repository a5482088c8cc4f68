// Formats, widening and narrowing, zero-order-hold rate conversion and the
// RIFF WAVE reader. The scenarios record each wave they make in golden traces.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>
#include <vector>

#include "audio/wave.h"
#include "platform/last_error.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

// A set format is normalised (PCM, derived block and byte rate) and gives
// its layout code; the default is 22050 Hz 16-bit stereo, which a set format
// keeps unless the default is forced. Allocation zeroes and sets the
// default only when unset; conversion widens and narrows with arithmetic
// shifts and clamps, holds the nearest earlier frame on a rate change,
// keeps what needs no conversion and refuses what no real sample needs.
TEST(WaveConvert, FormatsAllocationAndConversions) {
  support_test::GoldenTrace trace("audio");
  tSoundFormat f;
  WAVEFORMATEX in = MakeWaveFormat(44100, 16, 2);
  in.wFormatTag = 3;
  in.nAvgBytesPerSec = 1;
  in.nBlockAlign = 99;
  in.cbSize = 22;
  f.SetFormat(in);
  WAVEFORMATEX out{};
  f.GetFormat(out);
  trace.Line("set 44100 Hz float-tagged: tag %u, align %u, %u bytes/s, extra %u, code %u",
             out.wFormatTag, out.nBlockAlign, out.nAvgBytesPerSec, out.cbSize, f.Code());
  for (auto [channels, bits] : {std::pair{1, 8}, {1, 16}, {2, 8}, {2, 16}, {6, 16}, {2, 24}}) {
    in.nChannels = static_cast<uint16_t>(channels);
    in.wBitsPerSample = static_cast<uint16_t>(bits);
    f.SetFormat(in);
    trace.Line("set %dx%d: code %u, align %u", channels, bits, f.Code(), f.BlockAlign());
  }
  tSoundFormat d;
  d.SetFormat(MakeWaveFormat(44100, 8, 1));
  for (bool force : {true, false}) {
    d.SetDefaultFormat(force);
    trace.Line("default, forced %d: %u Hz, code %u", force, d.Rate(), d.Code());
  }

  tWave w;
  const auto allocate = [&](uint64_t bytes) {
    platform::SetLastErrorCode(0);
    const bool ok = w.Allocate(bytes);
    trace.Line("allocate %llu: %d, error %u, data %s; %s", static_cast<unsigned long long>(bytes),
               ok, platform::LastErrorCode(), w.Data() ? "kept" : "none", Describe(w).c_str());
  };
  allocate(10);  // the incomplete third frame is not a frame
  w.SetFormat(MakeWaveFormat(11025, 8, 1));
  allocate(3);
  allocate(uint64_t{1} << 33);  // the format survives

  const auto convert = [&](tWave& wave, const WAVEFORMATEX& to, const char* what) {
    platform::SetLastErrorCode(0);
    const bool ok = wave.Convert(to);
    trace.Line("%s to %u Hz %u-bit x%u: %d, error %u", what, to.nSamplesPerSec, to.wBitsPerSample,
               to.nChannels, ok, platform::LastErrorCode());
    trace.Line("  %s", Describe(wave).c_str());
  };
  const Bytes in16 = Samples16({32767, 32767, -32768, -32768, 1000, -3000, -1, -1});
  const struct {
    uint16_t fromBits, fromChannels;
    Bytes in;
    uint16_t toBits, toChannels;
  } layouts[] = {{8, 1, {0, 255, 128}, 16, 2},
                 {8, 2, {0, 255, 129, 127}, 16, 2},
                 {16, 2, in16, 8, 1},
                 {16, 2, in16, 16, 1},
                 {16, 2, in16, 8, 2}};
  for (const auto& c : layouts) {
    tWave wave;
    Fill(wave, MakeWaveFormat(22050, c.fromBits, c.fromChannels), c.in);
    convert(wave, MakeWaveFormat(22050, c.toBits, c.toChannels), Describe(wave).c_str());
  }

  // A rate change: the output frames listed, of a ramp or a short wave.
  const auto ramp = [](size_t n) { return static_cast<int>(n); };
  const struct {
    uint32_t from, to;
    Bytes in;
    std::vector<size_t> frames;
  } rates[] = {
      {44100, 22050, Samples16(1000, ramp), {1, 250, 499}},
      {22050, 44100, Samples16({5, -6, 7}), {0, 1, 2, 3, 4, 5}},
      {22050, 11025, Samples16({5, -6, 7}), {0}},
      // The floored step (441/320 made slightly smaller) puts output frame
      // 320 on input frame 440, not 441.
      {11025, 8000, Samples16(1000, ramp), {1, 2, 3, 319, 320, 724}},
  };
  for (const auto& c : rates) {
    tWave wave;
    Fill(wave, MakeWaveFormat(c.from, 16, 1), c.in);
    ASSERT_TRUE(wave.Convert(MakeWaveFormat(c.to, 16, 1)));
    std::string samples;
    for (size_t frame : c.frames)
      samples +=
          " " + std::to_string(frame) + ":" + std::to_string(Sample16(Contents(wave), frame));
    trace.Line("%u Hz to %u Hz: %u frames,%s", c.from, c.to, wave.Frames(), samples.c_str());
  }

  // The same layout and rate change nothing (not even the storage), an empty
  // wave only takes the format, a layout the engine cannot hold is refused
  // with the wave kept.
  Fill(w, MakeWaveFormat(22050, 16, 2), Samples16({1, 2, 3, 4}));
  const uint8_t* before = w.Data();
  WAVEFORMATEX same = MakeWaveFormat(22050, 16, 2);
  same.wFormatTag = 3;
  same.nBlockAlign = 7;
  convert(w, same, "same");
  trace.Line("  storage %s", w.Data() == before ? "kept" : "replaced");
  convert(w, MakeWaveFormat(22050, 4, 2), "same");  // 1-byte frames cannot hold two samples
  convert(w, MakeWaveFormat(0, 16, 2), "same");
  tWave empty;
  convert(empty, MakeWaveFormat(44100, 8, 1), "empty");

  // A conversion may raise the rate at most 64 times and make at most 1 GiB;
  // beyond that no real sample goes, and a damaged header (a rate of 1 Hz)
  // must not cost seconds and gigabytes. The wave stays as it was.
  const std::tuple<uint32_t, size_t, uint32_t> limits[] = {
      {690, 8, 44100},   // 63.9 times
      {700, 8, 44800},   // exactly 64 times
      {689, 8, 44100},   // 64.007 times
      {1, 6000, 44100},  // a damaged header
      {8000, 400000, 4000000000u},
      {690, 4300000, 44100},  // 275 million frames of 4 bytes
      {44100, 8, 1},          // fewer frames cost nothing
  };
  for (const auto& [rate, bytes, toRate] : limits) {
    tWave wave;
    Fill(wave, MakeWaveFormat(rate, 8, 1), Bytes(bytes, 200));
    convert(wave, MakeWaveFormat(toRate, 16, 2), ("8-bit mono at " + std::to_string(rate)).c_str());
  }
  trace.Check("wave_convert");
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
  // Loads a file and traces the outcome and the wave.
  void Trace(const char* what, const Bytes& bytes, tWave& wave) {
    const bool ok = Load(bytes, wave);
    trace.Line("%s: %d, error %u", what, ok, platform::LastErrorCode());
    trace.Line("  %s", Describe(wave).c_str());
  }
  TempDir m_Dir;
  support_test::GoldenTrace trace{"audio"};
};

// Plain and extensible headers load; a mu-law tag on 8-bit data is played
// as PCM; an incomplete last frame loads but is no frame. Other chunks and
// the pad after odd sizes are skipped; wide samples keep their top sixteen
// bits, float samples are scaled, truncated and clamped. Broken headers and
// files cut short fail with their codes.
TEST_F(WaveFile, LoadsWhatItCanHoldAndFailsWithACodeOtherwise) {
  const Bytes data = Samples16({100, -200, 300, -400});
  tWave w;
  Trace("plain", Riff({{"fmt ", FmtPayload(1, 2, 44100, 16)}, {"data", data}}), w);
  Trace("mu-law 8-bit", Riff({{"fmt ", FmtPayload(7, 1, 8000, 8)}, {"data", {1, 2, 3}}}), w);
  Trace("extensible", Riff({{"fmt ", ExtensiblePayload(2, 48000, 16, 1)}, {"data", data}}), w);
  Trace("odd size", Riff({{"fmt ", FmtPayload(1, 2, 22050, 16)}, {"data", Bytes(11, 7)}}), w);

  const Bytes odd = {10, 20, 30, 40, 50};  // 5 frames of 8-bit mono, then a pad byte
  const Bytes list = {'I', 'N', 'F', 'O', 'I', 'C', 'M', 'T', 3, 0, 0, 0, 'h', 'i', 0, 0};
  Trace("other chunks",
        Riff({{"JUNK", Bytes(27, 0)},
              {"bext", Bytes(603, 'b')},
              {"fmt ", FmtPayload(1, 1, 22050, 8)},
              {"fact", {5, 0, 0, 0}},
              {"LIST", list},
              {"cue ", Bytes(7, 1)},
              {"data", odd},
              {"LIST", list}}),
        w);
  Bytes two = Riff({{"strh", Bytes(9, 2)}}, "AVI ");  // another form before the WAVE one
  const Bytes wave = Riff({{"fmt ", FmtPayload(1, 1, 22050, 8)}, {"data", odd}});
  two.insert(two.end(), wave.begin(), wave.end());
  Trace("after another form", two, w);

  // 24-bit: bytes low..high; the top two bytes are the 16-bit sample.
  const Bytes d24 = {0xFF, 0x34, 0x12, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0x80, 0xFF, 0xFF};
  Trace("24-bit", Riff({{"fmt ", FmtPayload(1, 1, 44100, 24)}, {"data", d24}}), w);
  Bytes d32;
  Put32(d32, 0x1234ABCDu);
  Put32(d32, 0xFFFF0001u);
  Trace("32-bit", Riff({{"fmt ", ExtensiblePayload(2, 44100, 32, 1)}, {"data", d32}}), w);
  Bytes f32;
  for (float f : {0.5f, -1.0f, 1.0f, 1e9f, -0.00001f, -0.25001f, -1e30f, 0.9999f,
                  std::numeric_limits<float>::quiet_NaN(), -0.0f})
    Put32(f32, std::bit_cast<uint32_t>(f));
  Trace("float",
        Riff({{"fmt ", FmtPayload(3, 1, 22050, 32)}, {"fact", {10, 0, 0, 0}}, {"data", f32}}), w);
  Trace("extensible float", Riff({{"fmt ", ExtensiblePayload(1, 22050, 32, 3)}, {"data", f32}}), w);

  platform::SetLastErrorCode(0);
  const bool missing = w.LoadWave(m_Dir.Desk("missing.wav"));
  trace.Line("missing: %d, error %u", missing, platform::LastErrorCode());
  const Bytes fmt16 = FmtPayload(1, 2, 22050, 16);
  const std::pair<const char*, Bytes> broken[] = {
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
  for (const auto& [what, file] : broken) Trace(what, file, w);

  // A failure after the format keeps the new format; the old data stays
  // until new data is allocated, but holds no frame.
  Trace("8-bit mono", Riff({{"fmt ", FmtPayload(1, 1, 22050, 8)}, {"data", {1, 2, 3}}}), w);
  Trace("then no data", Riff({{"fmt ", FmtPayload(1, 2, 44100, 16)}}), w);
  trace.Check("wave_files");
}
