// Voices and the mix bus: the gains law, steps, wraps, page rendering,
// clipping, and the links between voices, mixers and outputs.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <limits>
#include <memory>

#include "audio/mixer.h"
#include "audio/voice.h"
#include "audio/wave.h"
#include "audio/wave_file_output.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

namespace {

constexpr uint64_t kOne = uint64_t{1} << 32;

// An output of a given format with a mixer attached, and the waves and voices
// of a test; pages are rendered by hand. The device never creates its file
// unless started.
struct Rig {
  Rig(uint32_t rate, uint16_t bits, uint16_t channels) {
    out.Open(dir.Desk("page.wav"));
    out.SetFormat(MakeWaveFormat(rate, bits, channels));
    out.SetSource(&mixer);
  }
  Bytes Page() {
    mixer.Mix();
    Bytes page(out.PageBytes());
    mixer.Render(page.data(), static_cast<uint32_t>(page.size()));
    mixer.MixDone();
    return page;
  }
  tWave& Wave(uint32_t rate, uint16_t bits, uint16_t channels, const Bytes& bytes) {
    tWave& wave = waves.emplace_back();
    Fill(wave, MakeWaveFormat(rate, bits, channels), bytes);
    return wave;
  }
  // A voice of the wave on this mixer; playing (looped or not) unless play < 0.
  tVoice& Voice(tWave& wave, int play = -1) {
    tVoice& v = voices.emplace_back();
    v.SetWave(&wave);
    v.SetMixer(&mixer);
    if (play >= 0) v.Play(play != 0);
    return v;
  }
  TempDir dir;
  tWaveFileOutput out;
  tMixer mixer;
  std::deque<tWave> waves;
  std::deque<tVoice> voices;
};

// frames 16-bit stereo frames of (l, r).
Bytes Const16(size_t frames, int l, int r) {
  return Samples16(2 * frames, [&](size_t n) { return n % 2 ? r : l; });
}

}  // namespace

TEST(Gains, VolumeAndBalanceLaw) {
  struct {
    double volume, balance;
    int32_t left, right;
  } cases[] = {{1.0, -1.0, 256, 0},  {1.0, 1.0, 0, 256},     {1.0, 0.0, 256, 256},
               {1.0, 0.5, 128, 256}, {0.999, 0.0, 255, 255}, {0.5, -0.25, 128, 96},
               {0.0, 0.3, 0, 0}};
  for (const auto& c : cases) {
    tSoundParams p;
    p.SetVolume(c.volume);
    p.SetBalance(c.balance);
    double l = 0, r = 0;
    p.GetGains(l, r);
    EXPECT_EQ((std::pair{GainToInt(l), GainToInt(r)}), (std::pair{c.left, c.right}))
        << c.volume << " " << c.balance;
  }
  for (auto [factor, gain] :
       {std::pair{-0.999, -255}, {std::nan(""), 0}, {1e300, INT32_MAX}, {-1e300, INT32_MIN}})
    EXPECT_EQ(GainToInt(factor), gain) << factor;
}

TEST(Voice, StepIsQuantisedToWholeHertzOfTheWave) {
  Rig rig(22050, 16, 2);
  tVoice& v = rig.Voice(rig.Wave(22050, 16, 2, Const16(10, 0, 0)));
  v.SetPitch(1.00001);  // 22050.2 Hz is 22050 Hz
  EXPECT_EQ(v.Step(), kOne);
  v.SetPitch(1.0);
  rig.mixer.SetPitch(2.0);  // the master pitch scales every voice
  EXPECT_EQ(v.Step(), 2 * kOne);
  rig.mixer.SetPitch(1.0);

  // Extremes are held at 1 Hz .. 2^31 - 1 Hz.
  for (double p : {0.0, -3.0, 1e-9, std::numeric_limits<double>::quiet_NaN()}) {
    v.SetPitch(p);
    EXPECT_EQ(v.Step(), kOne / 22050) << p;
  }
  v.SetPitch(1e300);
  EXPECT_EQ(v.Step(), (uint64_t{2147483647} << 32) / 22050);

  // On a mixer without an output the voice keeps the step and gains it had.
  v.SetPitch(1.5);
  v.SetBalance(0.5);
  tMixer bare;
  v.SetMixer(&bare);
  v.SetPitch(3.0);
  v.SetBalance(-1.0);
  EXPECT_EQ(v.Step(), kOne + kOne / 2);
  EXPECT_EQ((std::pair{v.GainLeft(), v.GainRight()}), (std::pair{128, 256}));
  v.SetMixer(nullptr);
}

TEST(Voice, PositionsStepsWrapsAndEnds) {
  // A voice ending inside a page stops there and rewinds; a looped one wraps.
  Rig rig(44100, 16, 2);
  tVoice& a = rig.Voice(rig.Wave(44100, 16, 2, Const16(100, 1000, -1000)), false);
  tVoice& b = rig.Voice(rig.Wave(44100, 16, 2, Const16(50, 7, 9)), true);
  const Bytes page = rig.Page();
  ASSERT_EQ(page.size(), 882u * 4);
  for (size_t k = 0; k < 882; ++k) {
    ASSERT_EQ(Sample16(page, 2 * k), k < 100 ? 1007 : 7) << k;
    ASSERT_EQ(Sample16(page, 2 * k + 1), k < 100 ? -991 : 9) << k;
  }
  EXPECT_EQ((std::vector<uint64_t>{a.IsPlaying(), a.Position(), b.IsPlaying(), b.GetPosition()}),
            (std::vector<uint64_t>{false, 0, true, 882 % 50}));

  // The wrap carries the fraction.
  b.SetPitch(0.75);
  b.SetPosition(48);
  int32_t acc[8] = {};
  b.MixInto(acc, 2);
  EXPECT_EQ(b.Position(), 49 * kOne + kOne / 2);
  b.MixInto(acc, 1);
  EXPECT_EQ(b.Position(), kOne / 4);

  // Another wave of the same length keeps the position, of another length
  // rewinds; a position is taken modulo the frame count.
  b.SetPosition(20);
  b.SetWave(&rig.Wave(44100, 16, 2, Const16(50, 1, 1)));
  EXPECT_EQ(b.GetPosition(), 20u);
  b.SetWave(&rig.Wave(44100, 16, 2, Const16(51, 1, 1)));
  EXPECT_EQ(b.GetPosition(), 0u);
  b.SetPosition(1000);
  EXPECT_EQ(b.GetPosition(), 1000u % 51);

  // Without frames nothing is added and nothing moves.
  tVoice& empty = rig.Voice(rig.Wave(44100, 16, 2, {}), true);
  empty.SetPosition(5);
  int32_t untouched[4] = {1, 2, 3, 4};
  empty.MixInto(untouched, 2);
  empty.MixIntoReference(untouched, 2);
  EXPECT_EQ((std::vector<int32_t>(untouched, untouched + 4)), (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(empty.Position(), 0u);
}

TEST(Voice, AStepLongerThanTheWaveStaysInside) {
  Rig rig(22050, 16, 1);
  tWave& wave = rig.Wave(22050, 16, 1, Samples16({100, 200, 300}));
  for (bool fast : {true, false}) {
    tVoice& v = rig.Voice(wave, true);
    v.SetPitch(10.0);
    int32_t acc[8] = {};
    if (fast) {
      v.MixInto(acc, 4);
    } else {
      v.MixIntoReference(acc, 4);
    }
    // Positions 0, 10 % 3 = 1, 11 % 3 = 2, 12 % 3 = 0.
    EXPECT_EQ((std::vector<int32_t>{acc[0], acc[2], acc[4], acc[6]}),
              (std::vector<int32_t>{100, 200, 300, 100}));
    EXPECT_EQ(v.GetPosition(), 1u);
  }
}

// A page of one voice (or two full-scale ones, which clip: the bus has no
// limiter) in every output layout: the first and last frame.
TEST(Mixer, RendersAndClipsEveryOutputLayout) {
  struct {
    uint16_t bits, channels;
    int l, r, voices;
    Bytes frame;
  } cases[] = {
      {8, 1, 1000, 3000, 1, {135}},  // ((l + r) * 256) >> 17, + 128
      {8, 1, -1000, -3000, 1, {120}},
      {16, 1, 1000, 3000, 1, {0xD0, 0x07}},  // 2000
      {16, 1, -1000, -3000, 1, {0x30, 0xF8}},
      {8, 2, 1000, 3000, 1, {131, 139}},  // l >> 8, r >> 8, + 128
      {8, 2, -1000, -3000, 1, {124, 116}},
      {16, 2, 1000, 3000, 1, {0xE8, 0x03, 0xB8, 0x0B}},
      {16, 2, -1000, -3000, 1, {0x18, 0xFC, 0x48, 0xF4}},
      {8, 1, 32767, 32767, 2, {255}},
      {8, 1, -32768, -32768, 2, {0}},
      {16, 1, 32767, 32767, 2, {0xFF, 0x7F}},
      {16, 1, -32768, -32768, 2, {0x00, 0x80}},
      {8, 2, 32767, 32767, 2, {255, 255}},
      {8, 2, -32768, -32768, 2, {0, 0}},
      {16, 2, 32767, 32767, 2, {0xFF, 0x7F, 0xFF, 0x7F}},
      {16, 2, -32768, -32768, 2, {0x00, 0x80, 0x00, 0x80}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.bits << "-bit " << c.channels << " channels, " << c.l << " x" << c.voices);
    Rig rig(22050, c.bits, c.channels);
    tWave& wave = rig.Wave(22050, 16, 2, Const16(441, c.l, c.r));
    for (int i = 0; i < c.voices; ++i) rig.Voice(wave, false);
    const Bytes page = rig.Page();
    ASSERT_EQ(page.size(), 441u * c.frame.size());
    EXPECT_EQ(Bytes(page.begin(), page.begin() + c.frame.size()), c.frame);
    EXPECT_EQ(Bytes(page.end() - c.frame.size(), page.end()), c.frame);
  }
}

TEST(Mixer, EightBitVoicesAndMasterGains) {
  Rig rig(22050, 16, 2);
  tVoice& v = rig.Voice(rig.Wave(22050, 8, 1, Bytes(441, 200)), true);  // 72 above silence
  const auto firstFrame = [&] {
    const Bytes page = rig.Page();
    return std::pair{Sample16(page, 0), Sample16(page, 1)};
  };
  EXPECT_EQ(firstFrame(), (std::pair<int16_t, int16_t>{72 * 256, 72 * 256}));

  rig.mixer.SetVolume(0.5);
  rig.mixer.SetBalance(-1.0);
  EXPECT_EQ((std::pair{rig.mixer.GainLeft(), rig.mixer.GainRight()}), (std::pair{128, 0}));
  v.SetVolume(0.999);  // 255
  EXPECT_EQ(firstFrame(), (std::pair<int16_t, int16_t>{(72 * 255 * 128) >> 8, 0}));

  std::vector<int32_t> tap(441 * 2);
  EXPECT_EQ(rig.mixer.CopyMix(tap.data(), 441), 441u);
  EXPECT_EQ((std::pair{tap[0], tap[1]}), (std::pair{72 * 255 * 128, 0}));
  EXPECT_EQ(rig.mixer.CopyMix(tap.data(), 10), 10u);
}

TEST(Mixer, RenderNeverReadsPastTheAccumulator) {
  Rig rig(22050, 8, 2);
  rig.Voice(rig.Wave(22050, 16, 2, Const16(441, 12800, 12800)), true);
  rig.mixer.Mix();
  const uint32_t bytes = rig.out.PageBytes();
  Bytes twoPages(2 * bytes, 7);
  rig.mixer.Render(twoPages.data(), 2 * bytes);
  EXPECT_EQ(twoPages[0], 128 + 50);
  EXPECT_EQ(twoPages[bytes - 1], 128 + 50);
  EXPECT_EQ(Bytes(twoPages.begin() + bytes, twoPages.end()), Bytes(bytes, 128));

  // A page length change drops the rendered page.
  rig.out.SetFormat(MakeWaveFormat(44100, 8, 2));
  EXPECT_EQ(rig.mixer.Frames(), 882u);
  Bytes page(rig.out.PageBytes(), 7);
  rig.mixer.Render(page.data(), static_cast<uint32_t>(page.size()));
  EXPECT_EQ(page[0], 128);
}

TEST(Links, OutputsAndSourcesAgree) {
  TempDir dir;
  tWaveFileOutput out1, out2;
  out1.Open(dir.Desk("1.wav"));
  out2.Open(dir.Desk("2.wav"));
  tMixer m, m2;
  out1.SetSource(&m);
  EXPECT_EQ(m.Output(), &out1);
  EXPECT_EQ(m.Frames(), out1.PageFrames());
  out2.SetSource(&m);  // attaching to a second device detaches from the first
  EXPECT_EQ(out1.Source(), nullptr);
  EXPECT_EQ(m.Output(), &out2);
  m.SetOutput(&out1);
  EXPECT_EQ(out2.Source(), nullptr);
  EXPECT_EQ(out1.Source(), &m);
  out1.SetSource(&m2);  // replacing a device's source detaches the old one
  EXPECT_EQ(m.Output(), nullptr);
  EXPECT_EQ(m2.Output(), &out1);
  out1.Close();
  EXPECT_EQ(m2.Output(), nullptr);
  EXPECT_EQ(out1.Source(), nullptr);
  EXPECT_EQ(out1.PageFrames(), 0u);

  // Destroying either side leaves the other detached.
  {
    tMixer scoped;
    out2.SetSource(&scoped);
  }
  EXPECT_EQ(out2.Source(), nullptr);
  {
    tWaveFileOutput scoped;
    scoped.Open(dir.Desk("3.wav"));
    m.SetOutput(&scoped);
  }
  EXPECT_EQ(m.Output(), nullptr);
}

TEST(Links, VoicesLeaveTheirMixerOnEitherSideBeingDestroyed) {
  Rig rig(22050, 16, 2);
  tWave& wave = rig.Wave(22050, 16, 2, Const16(441, 100, 100));
  tVoice& kept = rig.Voice(wave, true);
  {
    tVoice gone;
    gone.SetWave(&wave);
    gone.SetMixer(&rig.mixer);
    gone.Play(true);
    EXPECT_EQ(Sample16(rig.Page(), 0), 200);
  }
  EXPECT_EQ(Sample16(rig.Page(), 0), 100);  // the destroyed voice left the list
  kept.SetMixer(&rig.mixer);                // the same mixer again changes nothing
  EXPECT_EQ(Sample16(rig.Page(), 0), 100);

  auto mixer = std::make_unique<tMixer>();
  kept.SetMixer(mixer.get());
  kept.Play(false);
  EXPECT_TRUE(kept.IsPlaying());
  mixer.reset();
  EXPECT_EQ(kept.Mixer(), nullptr);
  EXPECT_FALSE(kept.IsPlaying());
}
