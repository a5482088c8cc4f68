// The intro video through the video service: the input is opened as a video
// file and every picture in it is decoded and converted for the overlay,
// stepped through at the pictures' own times as the desk's intro shows them.
// No window is needed: the overlay only keeps the last picture for
// presenting.
//
// Every answer must hold to the service's promises: a file that opens has a
// picture size of 1 to 4096 pixels a side and a frame time of 1 ms to 1 s;
// the picture shown never goes back; a video that has ended stays ended; the
// overlay is shown exactly while a picture is and is gone after Close.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_files.h"
#include "fuzz/fuzz_target.h"
#include "platform/display.h"
#include "platform/video.h"

namespace {

const platform::PixelRect kWhere{80, 60, 720, 540};
// Steps through a video at most this many times; then the rest of it is
// decoded at once. A picture may come up to 5 s after the one before, which
// at 1 ms a frame is 5000 steps.
constexpr int kMaxSteps = 20000;

void Require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteFuzzFile("intro.avi", data, size);
  platform::VideoPlayer video;
  if (!video.Open(path, kWhere)) {
    Require(video.Width() == 0 && video.Height() == 0 && video.FrameUs() == 0);
    Require(!video.IsPlaying() && !platform::OverlayShown());
    Require(video.ShowFrameAt(0) == -1);
    return 0;
  }
  Require(video.Width() >= 1 && video.Width() <= 4096);
  Require(video.Height() >= 1 && video.Height() <= 4096);
  const uint64_t frameUs = video.FrameUs();
  Require(frameUs >= 1000 && frameUs <= 1000000);
  Require(!video.IsPlaying() && !platform::OverlayShown());

  int64_t last = -1;
  bool ended = false;
  uint64_t us = 0;
  for (int step = 0; step <= kMaxSteps; ++step) {
    // The last step jumps far beyond any picture's time: whatever is left
    // is decoded and the video ends.
    if (step == kMaxSteps) us = UINT64_C(1) << 60;
    const int64_t shown = video.ShowFrameAt(us);
    Require(video.IsPlaying() == (shown >= 0));
    if (shown < 0) {
      // Before a first picture could be shown the video may still come.
      if (last < 0 && step < kMaxSteps) {
        us += frameUs;
        continue;
      }
      ended = true;
      break;
    }
    Require(shown >= last);
    Require(platform::OverlayShown());
    last = shown;
    us += frameUs;
  }
  Require(ended);
  Require(video.ShowFrameAt(UINT64_C(1) << 61) == -1 && !video.IsPlaying());
  // A video whose first picture was shown leaves it on screen until Close.
  Require(platform::OverlayShown() == (last >= 0));
  video.Close();
  Require(!platform::OverlayShown() && !video.IsPlaying());
  return 0;
}
