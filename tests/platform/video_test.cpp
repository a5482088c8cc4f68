// The video service on the generated intro (320 by 240 Motion JPEG, 25
// pictures a second, four seconds) and on broken copies of it.
#include "platform/video.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "tests/platform/golden_trace.h"
#include "tests/platform/screen_fixture.h"

namespace {

const platform::PixelRect kIntroRect{80, 60, 720, 540};

class Video : public ScreenServices {
 protected:
  void SetUp() override {
    ScreenServices::SetUp();
    std::ifstream in(std::string(BREVORA_STAGE) + "/data/intro.avi", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    intro_ = bytes.str();
    ASSERT_GT(intro_.size(), 10000u) << "the intro is generated at build time";
    WriteHost("data/intro.avi", intro_);
  }
  std::string intro_;
};

TEST_F(Video, PicturesAreShownAtTheirTimesInTheirRectangle) {
  ASSERT_EQ(platform::Screen()->Fill(platform::PixelRect{0, 0, 800, 600}, 0b00011100),
            platform::BlitStatus::kOk);  // green
  platform::VideoPlayer video;
  GoldenTrace t("tests/platform/golden/intro_pictures.trace");
  t.Add({"opened:", YesNo(video.Open("data\\intro.avi", kIntroRect)), video.Width(), "by",
         video.Height(), "a picture every", video.FrameUs(), "us; playing",
         YesNo(video.IsPlaying()), "overlay", YesNo(platform::OverlayShown())});
  // Late pictures are skipped; the last one stays up to its time's end.
  std::vector<uint8_t> first;
  for (uint64_t us :
       {0, 39999, 40000, 40001, 1000000, 1000000, 3960000, 3999999, 4000000, 9000000}) {
    t.Add({"at", us, "us: picture", video.ShowFrameAt(us), "playing", YesNo(video.IsPlaying())});
    if (us == 0) first = CaptureNow().rgb;
  }
  t.Verify();
  // The last picture (the logo stands) stays until the video is closed. The
  // screen around the rectangle shows through; inside, the picture (a dark
  // background, not the screen's green). The animation moves: the first
  // picture differs from the last.
  EXPECT_TRUE(platform::OverlayShown());
  Capture last = CaptureNow();
  EXPECT_EQ(last.At({{79, 300}, {720, 300}, {400, 59}, {400, 540}}),
            (std::vector<uint32_t>(4, 0x00FF00)));
  EXPECT_NE(last.At(80, 60), 0x00FF00u);
  EXPECT_NE(last.At(719, 539), 0x00FF00u);
  EXPECT_NE(last.rgb, first);
  video.Close();
  EXPECT_FALSE(platform::OverlayShown());
  EXPECT_EQ(video.ShowFrameAt(0), -1);

  // Every picture of the file decodes and is shown in its turn.
  ASSERT_TRUE(video.Open("data\\intro.avi", kIntroRect));
  for (int64_t i = 0; i < 100; ++i) ASSERT_EQ(video.ShowFrameAt(uint64_t(i) * 40000), i);
}

// Broken files are refused by Open, or play what they hold and end.
TEST_F(Video, BrokenFilesFailAtOnceOrEndCleanly) {
  const size_t movi = intro_.find("movi");
  ASSERT_NE(movi, std::string::npos);
  size_t tenth = movi;
  for (int i = 0; i < 10; ++i) tenth = intro_.find("00dc", tenth + 4);
  ASSERT_NE(tenth, std::string::npos);
  std::string scrambled = intro_;
  for (size_t i = scrambled.size() / 3; i < 2 * scrambled.size() / 3; ++i)
    scrambled[i] = static_cast<char>(0xFF);
  std::string noise(200000, '\0');
  uint32_t seed = 12345;
  for (char& c : noise) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  std::string wave = "RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00";
  wave += std::string("\x01\x00\x01\x00\x22\x56\x00\x00\x44\xAC\x00\x00\x02\x00\x10\x00", 16);
  wave += "data" + std::string(4, '\0');

  struct Case {
    const char* name;
    std::string bytes;
    bool opens;
  };
  const Case cases[] = {
      {"empty", "", false},
      {"riff-only", intro_.substr(0, 12), false},
      {"headers-only", intro_.substr(0, movi + 4), false},
      {"zeros", std::string(100000, '\0'), false},
      {"noise", noise, false},
      {"wave", wave, false},
      {"cut-in-a-picture", intro_.substr(0, tenth + 300), true},
      {"a-third", intro_.substr(0, intro_.size() / 3), true},
      {"scrambled-middle", scrambled, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteHost(std::string("broken/") + c.name + ".avi", c.bytes);
    platform::VideoPlayer video;
    ASSERT_EQ(video.Open(std::string("broken\\") + c.name + ".avi", kIntroRect), c.opens);
    EXPECT_EQ(video.ShowFrameAt(0), c.opens ? 0 : -1);
    // Played to its end in steps of one picture; bounded by the gap limit.
    uint64_t t = 0;
    while (video.ShowFrameAt(t) >= 0 && t < 60000000) t += 40000;
    EXPECT_FALSE(video.IsPlaying());
    EXPECT_LE(t, 4000000u);
  }

  // Time stamps a hundred seconds apart (the stream's rate says so): no
  // picture stays longer than five seconds.
  std::string slow = intro_;
  const size_t strh = slow.find("strh");
  ASSERT_NE(strh, std::string::npos);
  const char scaleAndRate[8] = {100, 0, 0, 0, 1, 0, 0, 0};
  slow.replace(strh + 28, 8, scaleAndRate, 8);
  WriteHost("broken/slow.avi", slow);
  platform::VideoPlayer video;
  ASSERT_TRUE(video.Open("broken\\slow.avi", kIntroRect));
  for (auto [us, frame] :
       {std::pair<uint64_t, int64_t>{0, 0}, {4999999, 0}, {5000000, 1}, {10000000, 2}})
    EXPECT_EQ(video.ShowFrameAt(us), frame) << us;
  video.Close();

  // Not files at all.
  EXPECT_FALSE(video.Open("data\\missing.avi", kIntroRect));
  EXPECT_FALSE(video.Open("data", kIntroRect));
  ASSERT_EQ(mkfifo((root_ + "/data/pipe.avi").c_str(), 0600), 0);
  EXPECT_FALSE(video.Open("data\\pipe.avi", kIntroRect));  // would block in open
  EXPECT_FALSE(video.Open("data\\intro.avi", platform::PixelRect{80, 60, 80, 540}));
  EXPECT_FALSE(video.IsPlaying());
  EXPECT_FALSE(video.Play());
}

}  // namespace
