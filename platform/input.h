#pragma once
// The input service: the window system's events turned into the desk's own
// records. Mouse positions are screen pixels of the 800 by 600 picture (after
// the scaling and letterbox of the display), keys are the desk's key codes.
//
// The service keeps its own table of which keys are down, updated from the
// records it hands out (and from injected ones), so that "is this key down at
// this moment" agrees with what the desk has been told, also for events that
// a test or a tool injects. When the window loses the focus, every key still
// down in the table is released with a key-release record before the
// kFocusLost record, so the desk never keeps a key that is no longer held.
//
// Mouse records: presses inside the picture only; moves and releases also
// from the black borders around it and from outside the window (while the
// button is held), with the position moved to the nearest pixel of the
// picture, so a drag that leaves the picture still ends on the desk.
//
// Main thread only, except WakeInputWait, which any thread may call.
#include <cstdint>

namespace platform {

// Key codes. Letters are their upper-case character codes 'A' to 'Z' and
// digits '0' to '9'; the named keys below have codes that are neither; every
// other key is kKeyOther. All codes fit in eight bits.
enum KeyCode : uint8_t {
  kKeyNone = 0,
  kKeyBackspace = 0x08,
  kKeyTab = 0x09,
  kKeyEnter = 0x0D,  // both Enter keys
  kKeyShift = 0x10,  // either Shift
  kKeyCtrl = 0x11,   // either Ctrl
  kKeyEsc = 0x1B,
  kKeySpace = 0x20,
  kKeyPageUp = 0x21,
  kKeyPageDown = 0x22,
  kKeyEnd = 0x23,
  kKeyHome = 0x24,
  kKeyLeft = 0x25,
  kKeyUp = 0x26,
  kKeyRight = 0x27,
  kKeyDown = 0x28,
  kKeyInsert = 0x2D,
  kKeyDelete = 0x2E,
  kKeyF1 = 0x70,
  kKeyF2 = 0x71,
  kKeyF3 = 0x72,
  kKeyF4 = 0x73,
  kKeyOther = 0xFF,
};

enum class InputKind : uint8_t {
  kNone,
  kMousePress,  // left button (a double-click arrives as a press with clicks = 2)
  kMouseMove,
  kMouseRelease,  // left button
  kWheel,         // wheel: wheel > 0 away from the user
  kKeyPress,
  kKeyRelease,
  kText,  // a typed character in code page 1252 (text input must be on)
  kFocusGained,
  kFocusLost,
  kClose,   // the user asked to close the window
  kExpose,  // the window's picture must be drawn again
  kWake,    // WakeInputWait was called
};

struct InputEvent {
  InputKind kind = InputKind::kNone;
  int32_t x = 0;           // mouse records: 0..799
  int32_t y = 0;           // mouse records: 0..599
  int32_t clicks = 1;      // kMousePress: 2 for the second press of a double-click
  int32_t wheel = 0;       // kWheel: notches
  uint8_t key = kKeyNone;  // key records: a KeyCode or a letter or digit
  bool repeat = false;     // kKeyPress: an auto-repeat of a key already down
  uint8_t character = 0;   // kText
};

// Takes the next record without waiting; false when there is none.
bool PollInput(InputEvent& out);
// Waits at most timeoutMs for the next record (a negative time-out waits
// without limit); false when none came. The thread sleeps while it waits.
bool WaitInput(InputEvent& out, int32_t timeoutMs);
// Drops every record that waits. The key-state table still follows the key
// records dropped, so that it keeps agreeing with the keyboard.
void FlushInput();
// True when the key is down according to the records handed out so far.
bool IsKeyDown(uint8_t key);
// Queues a record as if the window system had sent it (tests, tools). It
// takes its place after the window system's events already queued.
void InjectInput(const InputEvent& event);
// Makes a WaitInput on the main thread return at once with a kWake record.
// Calls made while a kWake record waits add no further one.
void WakeInputWait();
// Turns the delivery of kText records on or off (off at start).
void SetTextInput(bool on);

// The names these types had before the platform layer settled on one naming
// style, kept while the desk's screen code moves to the new ones.
using tKeyCode = KeyCode;
using tInputKind = InputKind;
using tInputEvent = InputEvent;

}  // namespace platform
