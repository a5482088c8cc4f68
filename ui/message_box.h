#pragma once
// The desk's one message box: three lines of text from the language table,
// each with a button that answers the message, shown modally (the caller
// waits until a button is clicked) or as a busy note that stays up while the
// desk works.
#include <array>
#include <cstdint>
#include <string>

#include "platform/input.h"
#include "ui/control.h"
#include "ui/text.h"

// The three lines of a message and which of the three buttons answer it.
struct tMessageLines {
  static constexpr int32_t kWidth = 22;  // characters per line
  std::array<std::string, 3> text;
  std::array<bool, 3> enabled{};
};

// Composes the lines of a message from the three texts stored under its key
// (the key with " 1", " 2" and " 3" appended). The last character of a text
// enables the line's button when it is "1" and disables it otherwise, and is
// dropped. In the first 22 characters "#" is a blank and every "%" is a place
// for the file name: the part of path after its last backslash, without a
// three-letter extension. The name goes whole into the first line whose "%"
// places can hold it, else it is split over the three lines' places in order
// and what does not fit is dropped. Places left over become blanks; the
// name's own "%" and "#" characters are shown as they are. Each line
// holds at most 22 characters.
tMessageLines ComposeMessage(const std::array<std::string, 3>& texts, const char* path);
// The same with the texts the language table holds for key.
tMessageLines ComposeMessage(const char* key, const char* path);

// What the message box needs of the desk it stands on.
class tMessageBoxHost {
 public:
  virtual ~tMessageBoxHost() = default;
  virtual int32_t CurrentState() = 0;
  // Saves the desk's state and enters state (10 modal, 11 busy); the level
  // meter's bars and the metronome are hidden meanwhile.
  virtual void EnterMessageState(int32_t state) = 0;
  // Gives the saved state back and shows the bars and the metronome again.
  virtual void LeaveMessageState() = 0;
  // The next input record for the box's own loop. The host handles the
  // window's records itself (a redraw request redraws the whole screen with
  // the box), keeps presenting and feeds the meters while it waits.
  virtual void NextRecord(platform::tInputEvent& record) = 0;
  // Shows what was drawn so far (the busy note appears before the work).
  virtual void ShowProgress(bool now) = 0;
  // The user asked to close the desk: no message waits for an answer then.
  virtual bool Quitting() = 0;
};

class tMessageBox {
 public:
  static constexpr int32_t kX = 448;
  static constexpr int32_t kY = 484;
  static constexpr int32_t kModal = 10;
  static constexpr int32_t kBusy = 11;

  // The background and the three buttons ("data\error.bmp",
  // "data\errorbut1.bmp" to "data\errorbut3.bmp"); the lines use font.
  bool Load(tBitmapFont* font, tSoundCue* click);
  void SetHost(tMessageBoxHost* host) { m_pHost = host; }

  // Shows the message under key with the file name of path (may be null)
  // and waits for a button: 0, 1 or 2. A busy note that is up is closed
  // first; -1 at once when a message is already open, and -1 when the user
  // asks to close the desk (at once while the desk is closing).
  int ShowModal(const char* key, const char* path);
  // Puts up a busy note, unless a message is open.
  void ShowBusy(const char* key, const char* path);
  // Takes the busy note down; nothing when none is up.
  void CloseBusy();

  // Replaces line index (0 to 2) of the open message and draws it: a busy
  // note shows its progress there.
  void SetLine(int index, const std::string& text);

  bool IsOpen() const { return m_Open; }
  bool IsBusy() const { return m_Open && m_Busy; }
  // Draws the open box (for a full redraw of the screen).
  void Draw();
  const tMessageLines& Lines() const { return m_Lines; }
  tButton& Button(int index) { return m_Buttons[static_cast<size_t>(index)]; }

 private:
  void Open(const char* key, const char* path, bool busy);
  void Close();
  int RunModalLoop();

  tMessageBoxHost* m_pHost = nullptr;
  tSurface m_Background;
  tSurface m_SaveUnder;
  std::array<tButton, 3> m_Buttons;
  std::array<tTextLabel, 3> m_Labels;
  tMessageLines m_Lines;
  bool m_Open = false;
  bool m_Busy = false;
};
