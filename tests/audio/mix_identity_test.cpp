// The vectorised mixing loops against the literal per-frame loop: a voice
// mixed both ways must give the same accumulators and pages, byte for byte,
// for every wave layout into every output layout.
#include <gtest/gtest.h>

#include <functional>
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
  Bytes bytes(size_t{frames} * channels * bits / 8);
  uint32_t x = seed;
  for (uint8_t& b : bytes) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  Fill(wave, MakeWaveFormat(rate, bits, channels), bytes);
}

struct Side {
  tWaveFileOutput out;
  tMixer mixer;
  tVoice voice;
};

// Sets up the same voice on a fast and a reference mixer of an output
// format, then mixes pages both ways: accumulators, pages and the voice's
// position and state must agree after each.
void ExpectSamePages(const WAVEFORMATEX& format, int pages,
                     const std::function<void(tMixer&, tVoice&)>& setUp) {
  TempDir dir;
  Side fast, ref;
  for (Side* s : {&fast, &ref}) {
    s->out.Open(dir.Desk(s == &fast ? "fast.wav" : "ref.wav"));
    s->out.SetFormat(format);
    s->out.SetSource(&s->mixer);
    s->voice.SetMixer(&s->mixer);
    setUp(s->mixer, s->voice);
  }
  const uint32_t frames = fast.mixer.Frames();
  std::vector<int32_t> accFast(2 * frames), accRef(2 * frames);
  std::vector<uint8_t> pageFast(fast.out.PageBytes()), pageRef(ref.out.PageBytes());
  for (int page = 0; page < pages; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    fast.mixer.Mix();
    ref.mixer.MixReference();
    fast.mixer.CopyMix(accFast.data(), frames);
    ref.mixer.CopyMix(accRef.data(), frames);
    fast.mixer.Render(pageFast.data(), static_cast<uint32_t>(pageFast.size()));
    ref.mixer.Render(pageRef.data(), static_cast<uint32_t>(pageRef.size()));
    ASSERT_EQ(accFast, accRef);
    ASSERT_EQ(pageFast, pageRef);
    ASSERT_EQ(fast.voice.Position(), ref.voice.Position());
    ASSERT_EQ(fast.voice.IsPlaying(), ref.voice.IsPlaying());
  }
}

}  // namespace

TEST(MixIdentity, FastLoopsGiveTheReferenceBytes) {
  const uint16_t layouts[4][2] = {{8, 1}, {16, 1}, {8, 2}, {16, 2}};  // bits, channels
  for (const auto& waveLayout : layouts) {
    for (const auto& outLayout : layouts) {
      for (uint32_t outRate : {44100u, 22050u}) {
        tWave wave;
        // 1000 frames: voices end and wrap inside pages at every pitch.
        Noise(wave, 44100, waveLayout[0], waveLayout[1], 1000, 7u + waveLayout[0] + outRate);
        for (double pitch : {0.5, 0.999, 1.0, 1.00001, 1.01, 2.5}) {
          for (bool loop : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "wave " << waveLayout[0] << "x" << waveLayout[1] << " out "
                         << outLayout[0] << "x" << outLayout[1] << "@" << outRate << " pitch "
                         << pitch << (loop ? " loop" : ""));
            ExpectSamePages(MakeWaveFormat(outRate, outLayout[0], outLayout[1]), 6,
                            [&](tMixer& mixer, tVoice& v) {
                              mixer.SetVolume(0.9);
                              mixer.SetBalance(0.2);
                              v.SetWave(&wave);
                              v.SetPitch(pitch);
                              v.SetVolume(0.999);
                              v.SetBalance(-0.3);
                              v.Play(loop);
                              v.SetPosition(17);
                            });
            if (HasFatalFailure()) return;
          }
        }
      }
    }
  }
}
