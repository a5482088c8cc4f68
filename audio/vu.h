#pragma once
// The output level meters: a pair of ten-step bars at the bottom of the desk
// and a pair of three-step loudspeakers that pump while a recorded mix plays.
// tVU_Gui keeps the two levels the level feed hands it and redraws only after
// a level has changed. The pictures themselves are strips of equal frames
// that the screen provides through tVuStrip.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/lock.h"

// An image cut into equal frames side by side, drawn onto the screen.
class tVuStrip {
 public:
  virtual ~tVuStrip() = default;
  // Loads the image (a desk path such as "data\vu.bmp") cut into `frames`.
  virtual bool Load(const char* fileName, uint32_t frames) = 0;
  // Pixels of this colour (0xRRGGBB) are left out when drawing.
  virtual void SetColorKey(uint32_t rgb) = 0;
  // Draws one frame with its top-left corner at (x, y).
  virtual void DrawFrame(uint32_t frame, int x, int y) = 0;
};

// Makes an empty strip; none when it cannot.
using tVuStripMaker = std::function<std::unique_ptr<tVuStrip>()>;

class tVU_Gui {
 public:
  // Where the pictures stand on the 800 x 600 screen.
  static constexpr int kBarsLeftX = 136;
  static constexpr int kBarsRightX = 148;
  static constexpr int kBarsY = 494;
  static constexpr int kSpeakersLeftX = 162;
  static constexpr int kSpeakersRightX = 534;
  static constexpr int kSpeakersY = 133;
  static constexpr uint32_t kSpeakersKey = 0xFF00FF;

  // Frame of a level: level / 20 for the bars (at most 9), level / 60 for
  // the loudspeakers (at most 2); a level that is not positive is frame 0.
  static uint32_t BarFrame(int32_t level);
  static uint32_t SpeakerFrame(int32_t level);

  tVU_Gui() = default;
  virtual ~tVU_Gui();
  tVU_Gui(const tVU_Gui&) = delete;
  tVU_Gui& operator=(const tVU_Gui&) = delete;

  // Creates both strips (the loudspeakers first); false when either fails.
  bool Init(const tVuStripMaker& maker);
  // Loads both strips; the loudspeakers get the magenta colour key. True
  // only when both loaded.
  bool Load(const char* barsFile, uint32_t barsFrames, const char* speakersFile,
            uint32_t speakersFrames);

  void SetLeft(int32_t level);
  void SetRight(int32_t level);
  int32_t GetLeft();
  int32_t GetRight();

  // After a change of level: draws the shown pictures and clears the mark.
  void Draw();
  // Draws bar frame 0 on both sides (before a panel covers the bars).
  void ClearBars();
  // Take effect with the next change of level.
  void ShowBars(bool show);
  void ShowSpeakers(bool show);

  bool IsDirty();
  bool BarsShown();
  bool SpeakersShown();

 private:
  tCriticalSection m_Lock;
  bool m_Dirty = false;
  std::unique_ptr<tVuStrip> m_pBars;
  std::unique_ptr<tVuStrip> m_pSpeakers;
  int32_t m_Left = 0;
  int32_t m_Right = 0;
  bool m_BarsShown = true;
  bool m_SpeakersShown = false;
};
