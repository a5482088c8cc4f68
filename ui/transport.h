#pragma once
// The record/play panel: a picture of ten frames stacked vertically that
// slides between the record face (frame 0) and the play face (frame 9), the
// Rec and Play switches with their stop buttons, and three click zones that
// change the mode.
#include <cstdint>
#include <functional>

#include "ui/control.h"

class tTransport {
 public:
  enum : int32_t { kRecordMode = 0, kPlayMode = 1, kChangingMode = 2 };

  // The panel picture; the buttons come from the desk's data folder.
  bool Load(const char* path, int32_t frames);
  void Place(int32_t x, int32_t y);
  void SetSound(tSoundCue* sound) { m_pSound = sound; }
  // Called after each frame of a mode change is drawn (to show it); the
  // screen is presented first.
  void SetFrameShown(std::function<void(int32_t frame)> shown) { m_FrameShown = std::move(shown); }
  // The pause between the frames of a mode change.
  void SetFramePause(uint32_t ms) { m_PauseMs = ms; }

  int32_t Mode() const { return m_Mode; }
  // Slides to the mode, frame by frame, then draws the new face.
  void SetMode(int32_t mode);
  void Draw();
  void DrawFrame(int32_t frame);

  void Press(int32_t px, int32_t py);
  void Move(int32_t px, int32_t py);
  // A click on a zone chooses record, play or the other mode; true when the
  // mode changed.
  bool Release(int32_t px, int32_t py);

  tSwitchButton& Rec() { return m_Rec; }
  tStopButton& RecordStop() { return m_RecordStop; }
  tSwitchButton& Play() { return m_Play; }
  tStopButton& PlayStop() { return m_PlayStop; }
  tHotZone& RecordZone() { return m_RecordZone; }
  tHotZone& PlayZone() { return m_PlayZone; }
  tHotZone& ToggleZone() { return m_ToggleZone; }

 private:
  tSurface m_Image;
  int32_t m_Frames = 10;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  int32_t m_Mode = kRecordMode;
  tSoundCue* m_pSound = nullptr;
  std::function<void(int32_t)> m_FrameShown;
  uint32_t m_PauseMs = 100;
  tSwitchButton m_Rec;
  tStopButton m_RecordStop;
  tSwitchButton m_Play;
  tStopButton m_PlayStop;
  tHotZone m_RecordZone;
  tHotZone m_PlayZone;
  tHotZone m_ToggleZone;
};
