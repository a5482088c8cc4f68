#pragma once
// What the desk's logic asks of the screen, in the desk's own terms. The
// screen implements it with its widgets; nothing here knows about them.
#include <cstdint>

class tDeskView {
 public:
  virtual ~tDeskView() = default;

  // Brings strip index (0..15) in line with its channel: sliders, timing
  // selectors, text label, key label and LED.
  virtual void RefreshStrip(int index) = 0;
  // Shows LED frame value (0 off, 1 latched, 2 latched with effect, 3 held,
  // 4 held with effect) on strip index.
  virtual void SetStripLed(int index, int value) = 0;
  // Sets the text label of strip index and draws it.
  virtual void SetStripLabel(int index, const char* text) = 0;

  // What the strip's selectors and controls show now.
  virtual double GetStripQuantize(int index) = 0;  // beats
  virtual double GetStripLoop(int index) = 0;      // beats
  virtual double GetStripDelay(int index) = 0;     // beats
  virtual int32_t GetStripVolume(int index) = 0;   // 0..100
  virtual int32_t GetStripBalance(int index) = 0;  // -100..100

  // Shows the message under a language-table key, with the file path filled
  // in (path may be null), waits for the user and returns the button
  // clicked (0, 1, 2) or -1.
  virtual int ShowMessage(const char* key, const char* path) = 0;
  // The busy message: the same texts, shown while work goes on.
  virtual void OpenBusyMessage(const char* key, const char* path) = 0;
  virtual void CloseBusyMessage() = 0;

  // Shows the wait cursor (on) or the arrow again (off). Called through
  // tWaitCursor only.
  virtual void SetWaitCursor(bool on) = 0;

  // True when the key with this virtual-key code (65..90 for A..Z) is down
  // at this moment.
  virtual bool IsKeyDown(uint8_t key) = 0;
};

// Holds the wait cursor for its lifetime. Guards nest: the view is asked
// for the wait cursor when the first guard starts and for the arrow when
// the last one ends. The count is the process's (there is one mouse
// cursor) and belongs to the main thread.
class tWaitCursor {
 public:
  explicit tWaitCursor(tDeskView* view);
  ~tWaitCursor();
  tWaitCursor(const tWaitCursor&) = delete;
  tWaitCursor& operator=(const tWaitCursor&) = delete;

  // Guards alive now.
  static int Count();

 private:
  tDeskView* m_pView;
};
