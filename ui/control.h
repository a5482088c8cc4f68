#pragma once
// Clickable widgets: the shared control state, the three ways a control
// answers the mouse (push, momentary, toggle) and the bitmap buttons.
#include <cstdint>

#include "ui/frame_bitmap.h"
#include "ui/sound_cue.h"

class tControl {
 public:
  enum : int32_t { kNormal = 0, kDown = 1, kDisabled = 2 };

  virtual ~tControl() = default;
  virtual void DrawNormal() {}
  virtual void DrawDown() {}
  virtual void DrawDisabled() {}

  // Draws the picture of the current state.
  void Draw();
  // Stores the state and redraws when it changed.
  void SetState(int32_t state);
  // Stores the state without drawing.
  void StoreState(int32_t state) { m_State = state; }
  int32_t State() const { return m_State; }

  void SetRect(const tRect& rect) { m_Rect = rect; }
  const tRect& Rect() const { return m_Rect; }
  bool Hit(int32_t x, int32_t y) const {
    return x >= m_Rect.left && x < m_Rect.right && y >= m_Rect.top && y < m_Rect.bottom;
  }
  void SetClickSound(tSoundCue* sound) { m_pClickSound = sound; }

 protected:
  void PlayClick() {
    if (m_pClickSound != nullptr) m_pClickSound->PlayFromStart();
  }

  tRect m_Rect{0, 0, 100, 100};
  int32_t m_State = kNormal;
  tSoundCue* m_pClickSound = nullptr;
};

// Goes down on a press, pops up when the pointer leaves it, and clicks when
// the release lands on it while it is still down. Any release lets it up.
class tPushControl : public virtual tControl {
 public:
  bool Press(int32_t x, int32_t y);
  void Move(int32_t x, int32_t y);
  // True for a completed click.
  bool Release(int32_t x, int32_t y);
};

// Down while pressed; the press itself is the action. Any release lets it up.
class tMomentaryControl : public virtual tControl {
 public:
  bool Press(int32_t x, int32_t y);
  void Move(int32_t x, int32_t y);
  void Release(int32_t x, int32_t y);
};

// Every press flips it between off and on.
class tToggleControl : public virtual tControl {
 public:
  bool Press(int32_t x, int32_t y);
  void Move(int32_t, int32_t) {}
  void Release(int32_t, int32_t) {}
};

// A two-frame picture keyed with magenta: frame 0 up (and disabled), frame 1
// down. The hit area is one frame at the button's position.
template <class Behaviour>
class tBitmapButton : public Behaviour {
 public:
  bool Load(const char* path) {
    m_Image.Load(path, 2);
    m_Image.SetColourKey(kMagenta);
    Place(m_X, m_Y);
    return true;
  }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
    this->SetRect(tRect{x, y, x + m_Image.FrameWidth(), y + m_Image.FrameHeight()});
  }
  int32_t X() const { return m_X; }
  int32_t Y() const { return m_Y; }
  void DrawNormal() override { DrawOnto(nullptr, m_X, m_Y); }
  void DrawDown() override { DrawOnto(nullptr, m_X, m_Y); }
  void DrawDisabled() override { DrawOnto(nullptr, m_X, m_Y); }
  // Draws the frame of the current state onto another image (a panel).
  void DrawOnto(tSurface* target, int32_t x, int32_t y) {
    m_Image.DrawFrameKeyed(this->State() == tControl::kDown ? 1 : 0, x, y, target);
  }

 private:
  tFrameBitmap m_Image;
  int32_t m_X = 0;
  int32_t m_Y = 0;
};

class tButton : public tBitmapButton<tPushControl> {};
class tSwitchButton : public tBitmapButton<tToggleControl> {};
class tStopButton : public tBitmapButton<tMomentaryControl> {};

// The menu arrows: two opaque frames, up and down; nothing when disabled.
class tArrowButton : public tMomentaryControl {
 public:
  bool Load(const char* path);
  void Place(int32_t x, int32_t y);
  void DrawNormal() override;
  void DrawDown() override;

 private:
  tFrameBitmap m_Image;
  int32_t m_X = 0;
  int32_t m_Y = 0;
};

// A click area without a picture.
class tHotZone : public tPushControl {};
