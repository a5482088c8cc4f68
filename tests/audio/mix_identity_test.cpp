// The vectorised mixing loops against the literal per-frame loop: the same
// voices mixed both ways must give the same accumulators and pages, byte for
// byte, for every wave layout into every output layout.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/mixer.h"
#include "audio/voice.h"
#include "audio/wave.h"
#include "audio/wave_file_output.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

namespace {

// A wave of frames frames in a layout, filled with a pseudo-random signal
// that uses the whole sample range.
void Noise(tWave& wave, uint32_t rate, uint16_t bits, uint16_t channels, uint32_t frames,
           uint32_t seed) {
  wave.SetFormat(MakeWaveFormat(rate, bits, channels));
  ASSERT_TRUE(wave.Allocate(uint64_t{frames} * wave.BlockAlign()));
  uint32_t x = seed;
  for (uint32_t i = 0; i < wave.Size(); ++i) {
    x = x * 1664525u + 1013904223u;
    wave.Data()[i] = static_cast<uint8_t>(x >> 24);
  }
}

struct Side {
  explicit Side(const std::string& path, const WAVEFORMATEX& format) {
    out.Open(path);
    out.SetFormat(format);
    out.SetSource(&mixer);
  }
  tWaveFileOutput out;
  tMixer mixer;
  tVoice voices[16];
  tVoice& voice = voices[0];
};

}  // namespace

TEST(MixIdentity, FastLoopsGiveTheReferenceBytes) {
  TempDir dir;
  const double pitches[] = {0.5, 0.999, 1.0, 1.00001, 1.01, 2.5};
  const uint16_t layouts[4][2] = {{8, 1}, {16, 1}, {8, 2}, {16, 2}};  // bits, channels
  int compared = 0;
  for (const auto& waveLayout : layouts) {
    for (const auto& outLayout : layouts) {
      for (uint32_t outRate : {44100u, 22050u}) {
        tWave wave;
        // 1000 frames: voices end and wrap inside pages at every pitch.
        Noise(wave, 44100, waveLayout[0], waveLayout[1], 1000, 7u + waveLayout[0] + outRate);
        for (double pitch : pitches) {
          for (bool loop : {false, true}) {
            const WAVEFORMATEX format = MakeWaveFormat(outRate, outLayout[0], outLayout[1]);
            Side fast(dir.Desk("fast.wav"), format);
            Side ref(dir.Desk("ref.wav"), format);
            for (Side* s : {&fast, &ref}) {
              s->mixer.SetVolume(0.9);
              s->mixer.SetBalance(0.2);
              s->voice.SetWave(&wave);
              s->voice.SetMixer(&s->mixer);
              s->voice.SetPitch(pitch);
              s->voice.SetVolume(0.999);
              s->voice.SetBalance(-0.3);
              s->voice.Play(loop);
              s->voice.SetPosition(17);
            }
            const uint32_t frames = fast.mixer.Frames();
            std::vector<int32_t> accFast(2 * frames), accRef(2 * frames);
            std::vector<uint8_t> pageFast(fast.out.PageBytes()), pageRef(ref.out.PageBytes());
            for (int page = 0; page < 6; ++page) {
              fast.mixer.Mix();
              ref.mixer.MixReference();
              fast.mixer.CopyMix(accFast.data(), frames);
              ref.mixer.CopyMix(accRef.data(), frames);
              fast.mixer.Render(pageFast.data(), static_cast<uint32_t>(pageFast.size()));
              ref.mixer.Render(pageRef.data(), static_cast<uint32_t>(pageRef.size()));
              const std::string where =
                  "wave " + std::to_string(waveLayout[0]) + "x" + std::to_string(waveLayout[1]) +
                  " out " + std::to_string(outLayout[0]) + "x" + std::to_string(outLayout[1]) +
                  "@" + std::to_string(outRate) + " pitch " + std::to_string(pitch) +
                  (loop ? " loop" : "") + " page " + std::to_string(page);
              ASSERT_EQ(accFast, accRef) << where;
              ASSERT_EQ(pageFast, pageRef) << where;
              ASSERT_EQ(fast.voice.Position(), ref.voice.Position()) << where;
              ASSERT_EQ(fast.voice.IsPlaying(), ref.voice.IsPlaying()) << where;
              ++compared;
            }
          }
        }
      }
    }
  }
  EXPECT_EQ(compared, 4 * 4 * 2 * 6 * 2 * 6);
}

// Sixteen voices at once, unit step and not, with starts spread over the
// wave: the sums agree too.
TEST(MixIdentity, SixteenVoicesTogether) {
  TempDir dir;
  const WAVEFORMATEX format = MakeWaveFormat(44100, 16, 2);
  tWave waves[4];  // before the sides, whose voices use them until the end
  Side fast(dir.Desk("a.wav"), format), ref(dir.Desk("b.wav"), format);
  for (int i = 0; i < 4; ++i) {
    Noise(waves[i], i % 2 ? 44100 : 22050, i < 2 ? 16 : 8, 2, 3000 + 777 * i, 99u + i);
  }
  for (int i = 0; i < 16; ++i) {
    for (Side* s : {&fast, &ref}) {
      tVoice& v = s->voices[i];
      v.SetWave(&waves[i % 4]);
      v.SetMixer(&s->mixer);
      v.SetPitch(i % 3 == 0 ? 1.0 : 0.75 + 0.1 * i);
      v.SetVolume(1.0);
      v.Play(i % 2 == 0);
      v.SetPosition(static_cast<uint32_t>(i * 150));
    }
  }
  std::vector<uint8_t> a(fast.out.PageBytes()), b(ref.out.PageBytes());
  for (int page = 0; page < 20; ++page) {
    fast.mixer.Mix();
    ref.mixer.MixReference();
    fast.mixer.Render(a.data(), static_cast<uint32_t>(a.size()));
    ref.mixer.Render(b.data(), static_cast<uint32_t>(b.size()));
    ASSERT_EQ(a, b) << "page " << page;
  }
}
