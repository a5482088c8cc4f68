// Voices and the mix bus: the gains law, steps, wraps, page rendering,
// clipping, and the links between mixers and outputs. The scenarios
// record what they see in golden traces.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <limits>

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

// A 32.32 fixed-point value, exactly: whole part, then the fraction in hex.
std::string Fixed(uint64_t v) {
  char text[40];
  std::snprintf(text, sizeof text, "%llu.%08llx", static_cast<unsigned long long>(v >> 32),
                static_cast<unsigned long long>(v & 0xFFFFFFFFu));
  return text;
}

// A voice's state.
std::string State(tVoice& v) {
  return std::string(v.IsPlaying() ? "playing" : "stopped") + (v.Looping() ? " looped" : "") +
         " at " + Fixed(v.Position()) + " of " + Fixed(v.End()) + ", step " + Fixed(v.Step()) +
         ", gains " + std::to_string(v.GainLeft()) + "/" + std::to_string(v.GainRight());
}

}  // namespace

// The volume and balance law, the integer gains of factors, and a voice's
// step: whole hertz of its wave, scaled by the master pitch, held at 1 Hz ..
// 2^31 - 1 Hz; on a mixer without an output a voice keeps what it had.
TEST(Voice, GainsAndSteps) {
  support_test::GoldenTrace trace("audio");
  for (auto [volume, balance] : {std::pair{1.0, -1.0},
                                 {1.0, 1.0},
                                 {1.0, 0.0},
                                 {1.0, 0.5},
                                 {0.999, 0.0},
                                 {0.5, -0.25},
                                 {0.0, 0.3}}) {
    tSoundParams p;
    p.SetVolume(volume);
    p.SetBalance(balance);
    double l = 0, r = 0;
    p.GetGains(l, r);
    trace.Line("volume %g balance %g: %d/%d", volume, balance, GainToInt(l), GainToInt(r));
  }
  for (double factor : {-0.999, std::nan(""), 1e300, -1e300})
    trace.Line("gain of %g: %d", factor, GainToInt(factor));

  Rig rig(22050, 16, 2);
  tVoice& v = rig.Voice(rig.Wave(22050, 16, 2, Const16(10, 0, 0)));
  const auto pitch = [&](double p, double master = 1.0) {
    rig.mixer.SetPitch(master);
    v.SetPitch(p);
    trace.Line("pitch %g master %g: step %llu", p, master,
               static_cast<unsigned long long>(v.Step()));
  };
  pitch(1.00001);  // 22050.2 Hz is 22050 Hz
  pitch(1.0, 2.0);
  for (double p : {0.0, -3.0, 1e-9, std::numeric_limits<double>::quiet_NaN(), 1e300}) pitch(p);
  pitch(1.5);
  v.SetBalance(0.5);
  tMixer bare;
  v.SetMixer(&bare);
  v.SetPitch(3.0);
  v.SetBalance(-1.0);
  trace.Line("on a bare mixer: %s", State(v).c_str());
  v.SetMixer(nullptr);
  trace.Check("voice_gains");
}

// A voice ending inside a page stops there and rewinds; a looped one wraps,
// carrying the fraction. Another wave of the same length keeps the position,
// of another length rewinds; a position is taken modulo the frame count; a
// step longer than the wave stays inside it; without frames nothing moves.
TEST(Voice, PositionsStepsWrapsAndEnds) {
  support_test::GoldenTrace trace("audio");
  Rig rig(44100, 16, 2);
  tVoice& a = rig.Voice(rig.Wave(44100, 16, 2, Const16(100, 1000, -1000)), false);
  tVoice& b = rig.Voice(rig.Wave(44100, 16, 2, Const16(50, 7, 9)), true);
  trace.Line("page: %s", Runs(rig.Page(), 4).c_str());
  trace.Line("once: %s", State(a).c_str());
  trace.Line("looped: %s", State(b).c_str());
  b.SetPitch(0.75);
  b.SetPosition(48);
  int32_t acc[8] = {};
  for (uint32_t frames : {2u, 1u}) {
    b.MixInto(acc, frames);
    trace.Line("%u frames from 48 at 0.75: %s", frames, State(b).c_str());
  }
  b.SetPosition(20);
  for (size_t frames : {50u, 51u}) {
    b.SetWave(&rig.Wave(44100, 16, 2, Const16(frames, 1, 1)));
    trace.Line("from 20 to a wave of %zu frames: at %u", frames, b.GetPosition());
  }
  b.SetPosition(1000);
  trace.Line("set to 1000: at %u", b.GetPosition());

  tVoice& empty = rig.Voice(rig.Wave(44100, 16, 2, {}), true);
  empty.SetPosition(5);
  int32_t untouched[4] = {1, 2, 3, 4};
  empty.MixInto(untouched, 2);
  empty.MixIntoReference(untouched, 2);
  trace.Line("empty: %d %d %d %d, %s", untouched[0], untouched[1], untouched[2], untouched[3],
             State(empty).c_str());

  Rig mono(22050, 16, 1);
  tWave& wave = mono.Wave(22050, 16, 1, Samples16({100, 200, 300}));
  for (bool fast : {true, false}) {
    tVoice& v = mono.Voice(wave, true);
    v.SetPitch(10.0);
    int32_t sums[8] = {};
    if (fast) {
      v.MixInto(sums, 4);
    } else {
      v.MixIntoReference(sums, 4);
    }
    trace.Line("step 10 over 3 frames%s: %d %d %d %d, at %u", fast ? "" : ", reference", sums[0],
               sums[2], sums[4], sums[6], v.GetPosition());
  }
  trace.Check("voice_positions");
}

// A page of one voice (or two full-scale ones, which clip: the bus has no
// limiter) in every output layout; 8-bit voices and master gains; a render
// longer than the mix is padded with silence, and a page length change
// drops the mixed page.
TEST(Mixer, RendersClipsAndAppliesTheMasterGains) {
  support_test::GoldenTrace trace("audio");
  const std::tuple<int, int, int> signals[] = {
      {1000, 3000, 1}, {-1000, -3000, 1}, {32767, 32767, 2}, {-32768, -32768, 2}};
  for (auto [bits, channels] : {std::pair{8, 1}, {16, 1}, {8, 2}, {16, 2}}) {
    for (auto [l, r, voices] : signals) {
      Rig rig(22050, static_cast<uint16_t>(bits), static_cast<uint16_t>(channels));
      tWave& wave = rig.Wave(22050, 16, 2, Const16(441, l, r));
      for (int i = 0; i < voices; ++i) rig.Voice(wave, false);
      trace.Line("%d-bit x%d, %d/%d x%d: %s", bits, channels, l, r, voices,
                 Runs(rig.Page(), size_t(bits / 8 * channels)).c_str());
    }
  }

  Rig rig(22050, 16, 2);
  tVoice& v = rig.Voice(rig.Wave(22050, 8, 1, Bytes(441, 200)), true);  // 72 above silence
  trace.Line("8-bit voice: %s", Runs(rig.Page(), 4).c_str());
  rig.mixer.SetVolume(0.5);
  rig.mixer.SetBalance(-1.0);
  v.SetVolume(0.999);
  trace.Line("master gains %d/%d, voice %d/%d: %s", rig.mixer.GainLeft(), rig.mixer.GainRight(),
             v.GainLeft(), v.GainRight(), Runs(rig.Page(), 4).c_str());
  std::vector<int32_t> tap(441 * 2);
  const uint32_t copied = rig.mixer.CopyMix(tap.data(), 441);
  trace.Line("copied %u frames, %d/%d", copied, tap[0], tap[1]);
  trace.Line("copied at most 10: %u", rig.mixer.CopyMix(tap.data(), 10));

  Rig eight(22050, 8, 2);
  eight.Voice(eight.Wave(22050, 16, 2, Const16(441, 12800, 12800)), true);
  eight.mixer.Mix();
  Bytes twoPages(2 * eight.out.PageBytes(), 7);
  eight.mixer.Render(twoPages.data(), static_cast<uint32_t>(twoPages.size()));
  trace.Line("two pages of one: %s", Runs(twoPages, 2).c_str());
  eight.out.SetFormat(MakeWaveFormat(44100, 8, 2));
  Bytes page(eight.out.PageBytes(), 7);
  eight.mixer.Render(page.data(), static_cast<uint32_t>(page.size()));
  trace.Line("at 44100 Hz, %u frames: %s", eight.mixer.Frames(), Runs(page, 2).c_str());
  trace.Check("mixer_pages");
}

// Attaching a mixer to a second device detaches it from the first;
// replacing a device's source detaches the old one; closing or destroying
// either side leaves the other detached.
TEST(Links, OutputsSourcesAndVoicesAgree) {
  support_test::GoldenTrace trace("audio");
  TempDir dir;
  tWaveFileOutput out1, out2;
  out1.Open(dir.Desk("1.wav"));
  out2.Open(dir.Desk("2.wav"));
  tMixer m, m2;
  const auto name = [&](const void* p) {
    return p == &out1   ? "out1"
           : p == &out2 ? "out2"
           : p == &m    ? "m"
           : p == &m2   ? "m2"
           : p          ? "?"
                        : "-";
  };
  const auto links = [&](const char* step) {
    trace.Line("%s: out1 <- %s, out2 <- %s, m -> %s, m2 -> %s; pages of m %u, out1 %u", step,
               name(out1.Source()), name(out2.Source()), name(m.Output()), name(m2.Output()),
               m.Frames(), out1.PageFrames());
  };
  out1.SetSource(&m);
  links("out1 takes m");
  out2.SetSource(&m);
  links("out2 takes m");
  m.SetOutput(&out1);
  links("m goes to out1");
  out1.SetSource(&m2);
  links("out1 takes m2");
  out1.Close();
  links("out1 closed");
  {
    tMixer scoped;
    out2.SetSource(&scoped);
  }
  links("out2's new mixer destroyed");
  {
    tWaveFileOutput scoped;
    scoped.Open(dir.Desk("3.wav"));
    m.SetOutput(&scoped);
  }
  links("m's new output destroyed");
  trace.Check("mixer_links");
}
