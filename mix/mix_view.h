#pragma once
// What the mix layer asks of the screen besides the channel strips: the
// metronome, the time display, the key labels, the mix label, the transport
// switches and lamps, the desk's own sounds. The desk implements it with its
// widgets; the headless renderer with a console.
#include <cstdint>

#include "channels/desk_view.h"

class tMixView : public tDeskView {
 public:
  enum tSwitch { kRecSwitch, kPlaySwitch };

  // ---- called on the tick thread ----
  // Hands the clock's time to key label index, which blinks with it.
  virtual void TickKeyLabel(int index, uint32_t time) = 0;
  // Draws metronome frame 0 (idle) to 32.
  virtual void DrawMetronome(int frame) = 0;
  // Redraws the time display: position and length of the mix in ms.
  virtual void ShowTime(uint32_t positionMs, uint32_t lengthMs) = 0;

  // ---- called on the main thread ----
  virtual void SetMixLabel(const char* text) = 0;
  virtual void SetKeyLabel(int index, uint8_t key) = 0;
  // Rate lamp lit at 44100 Hz, bits lamp at 16 bits, mono lamp for stereo.
  virtual void SetFormatLamps(bool rate44100, bool bits16, bool stereo) = 0;
  virtual void SetTransportSwitch(tSwitch which, bool down) = 0;
  virtual bool IsTransportSwitchDown(tSwitch which) = 0;
  // The master pitch knob shows the tempo; the master volume slider.
  virtual void RedrawTempo() = 0;
  virtual void SetMasterVolumeSlider(int32_t percent) = 0;
  // The desk's own sounds: the metronome click and the intro jingle.
  virtual void PlayClick() = 0;
  virtual void PlayIntro() = 0;
  virtual void WaitWhileIntroPlays(uint32_t timeoutMs) = 0;
  // The quality panel closes after a new format was applied (in play mode
  // the play panel opens again).
  virtual void CloseQualityPanel() = 0;
  // Export progress: the rendered and the total milliseconds.
  virtual void ExportProgress(uint32_t doneMs, uint32_t totalMs) = 0;
};
