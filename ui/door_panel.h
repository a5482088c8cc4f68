#pragma once
// The door panel: a picture that slides down over the upper part of the
// screen like a shutter, with a door sound, and slides up again. It carries
// the help page, the quality, tempo and export settings, the play-mode page,
// the closing page and the file chooser's door.
//
// A slide runs on the main thread frame by frame: each frame is drawn and
// presented, at least a frame time after the one before (the desk's loop
// does not run meanwhile). What the panel covers is kept in an image of its
// own and put back row by row as the panel goes up.
#include <cstdint>
#include <functional>

#include "audio/sound.h"
#include "ui/surface.h"

// How fast a slide runs and how long it waits for its sounds.
struct tDoorPace {
  uint32_t frameMs = 15;          // at least this long from one frame to the next
  uint32_t soundLimitMs = 10000;  // the longest wait for a door sound to end
};

class tDoorPanel {
 public:
  // The panel's top-left corner on the screen.
  static constexpr int32_t kX = 5;
  static constexpr int32_t kY = 7;
  // Rows a frame moves the panel.
  static constexpr int32_t kStep = 30;
  // The rows a panel may cover (0 to 459); the rest of the screen stays in view.
  static constexpr int32_t kCoveredRows = 460;

  // Loads the panel's picture (a picture that cannot be read throws
  // tSurface::tError) and the opening and closing sounds (a sound that cannot
  // be loaded is left out: the panel slides without it).
  void Load(const char* path);
  bool Loaded() const { return m_Image.Width() > 0; }
  // The picture, to draw switches and buttons into before it slides in.
  tSurface& Image() { return m_Image; }
  tSound& OpeningSound() { return m_Opening; }
  tSound& ClosingSound() { return m_Closing; }

  void SetPace(const tDoorPace& pace) { m_Pace = pace; }
  const tDoorPace& Pace() const { return m_Pace; }
  // Called after each frame of a slide is presented, with the panel's
  // offset (-height: out of view, 0: all down).
  void SetFrameShown(std::function<void(int32_t offset)> shown) { m_FrameShown = std::move(shown); }

  // Keeps rows 0 to 459 of the screen, plays the opening sound and lets the
  // panel down, its lower edge first, 30 rows a frame.
  void SlideIn();
  // Plays the closing sound and lifts the panel 30 rows a frame, putting
  // back the rows it uncovers, then all the rows it covered.
  void SlideOut();
  // Waits for both sounds, releases the picture and the sounds.
  void Release();
  // The rows below the panel (460 to 599): kept before a file dialog takes
  // the screen and put back after it.
  void KeepLowerRows();
  void RestoreLowerRows();
  // Draws the whole panel in place (the full redraw of a panel's state).
  void Draw();

 private:
  bool PrepareSaved();
  // Waits for the frame time, draws the panel at offset, and what more
  // draws (the rows uncovered), presents and reports the frame.
  void Frame(int32_t offset, const std::function<void()>& more = nullptr);
  void DrawAt(int32_t offset);
  void WaitFor(tSound& sound);
  // Lets the speaker play out the pages that still hold a door sound.
  void Settle();

  tSurface m_Image;
  tSurface m_Saved;  // the screen under the panel, the whole screen's size
  tSound m_Opening;
  tSound m_Closing;
  tDoorPace m_Pace;
  std::function<void(int32_t)> m_FrameShown;
  uint64_t m_LastFrameMs = 0;
  bool m_FrameBefore = false;  // a frame of this slide was shown already
};
