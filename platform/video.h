#pragma once
// The video service: plays the pictures of a video file (no sound) in the
// display's overlay, scaled into a screen rectangle, each at its own time.
//
// Open decodes the first picture, so a file that is missing, unreadable or
// holds no picture we can decode fails there, at once, and never plays. Play
// shows the pictures at their times on a thread of the player's own; a caller
// with a clock of its own can step the pictures with ShowFrameAt instead.
//
//   VideoPlayer intro;
//   if (intro.Open("data\\intro.avi", {80, 60, 720, 540}) && intro.Play())
//     while (intro.IsPlaying()) ...   // present the screen meanwhile
//   intro.Close();
//
// Open, Play and Close belong to one thread (the main thread); IsPlaying and
// ShowFrameAt may be called from any.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/display.h"

namespace platform {

class VideoPlayer {
 public:
  VideoPlayer();
  ~VideoPlayer();
  VideoPlayer(const VideoPlayer&) = delete;
  VideoPlayer& operator=(const VideoPlayer&) = delete;

  // Opens a video file (a path in the desk's form) to be shown in the screen
  // rectangle where, and decodes its first picture. Shows nothing yet.
  bool Open(const std::string& path, const PixelRect& where);
  // Shows the first picture now and the others at their times after it.
  // False when nothing is open or it already plays.
  bool Play();
  // Shows the picture due elapsedUs after the first one (pictures whose time
  // passed unseen are skipped). Returns the index of the picture shown now
  // (0 is the first), or -1 when it has ended or nothing is open.
  int64_t ShowFrameAt(uint64_t elapsedUs);
  // True from the first picture shown until the last picture's time has
  // passed (its display time of one frame after its start).
  bool IsPlaying() const { return m_Playing.load(); }
  // Stops playing, removes the picture from the screen and closes the file.
  void Close();

  // The video's picture size and the time of one frame; 0 before Open.
  int32_t Width() const;
  int32_t Height() const;
  uint64_t FrameUs() const;

 private:
  struct Decoder;

  void Run();
  int64_t Step(uint64_t elapsedUs);  // m_Lock held
  uint64_t NextWakeUs() const;       // m_Lock held

  mutable std::mutex m_Lock;  // the decoder and the stepping; leaf
  std::condition_variable m_Wake;
  std::unique_ptr<Decoder> m_Decoder;
  PixelRect m_Where;
  std::atomic<bool> m_Playing{false};
  bool m_Stop = false;
  std::thread m_Thread;
};

}  // namespace platform
