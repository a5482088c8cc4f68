#include "ui/message_box.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "mix/language_table.h"
#include "platform/display.h"

namespace {

// The name a message shows for a path: after the last backslash, without a
// three-letter extension ("C:\Mixes\set.mix" gives "set").
std::string ShownName(const char* path) {
  std::string name(path);
  const size_t slash = name.rfind('\\');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  if (name.size() >= 4 && name[name.size() - 4] == '.') name.erase(name.size() - 4);
  return name;
}

// The places of one line: where its "%" characters stand.
struct tPlaces {
  std::array<size_t, tMessageLines::kWidth> at{};
  size_t count = 0;
};

// Writes text from its character from on over the places in order; returns
// how many characters were written.
size_t FillPlaces(std::string& line, const tPlaces& places, const std::string& text,
                  size_t from = 0) {
  size_t written = 0;
  while (written < places.count && from + written < text.size()) {
    line[places.at[written]] = text[from + written];
    ++written;
  }
  return written;
}

}  // namespace

tMessageLines ComposeMessage(const std::array<std::string, 3>& texts, const char* path) {
  tMessageLines lines;
  std::array<tPlaces, 3> places;
  for (size_t i = 0; i < 3; ++i) {
    std::string line = texts[i];
    lines.enabled[i] = !line.empty() && line.back() == '1';
    if (!line.empty()) line.pop_back();
    if (line.size() > static_cast<size_t>(tMessageLines::kWidth))
      line.resize(tMessageLines::kWidth);
    std::replace(line.begin(), line.end(), '#', ' ');
    // The places become blanks now: a name written over them keeps its own
    // "%" characters.
    for (size_t at = 0; at < line.size(); ++at) {
      if (line[at] != '%') continue;
      places[i].at[places[i].count++] = at;
      line[at] = ' ';
    }
    lines.text[i] = line;
  }
  if (path != nullptr) {
    const std::string name = ShownName(path);
    size_t whole = 3;
    for (size_t i = 0; i < 3 && whole == 3; ++i)
      if (name.size() <= places[i].count) whole = i;
    if (whole < 3) {
      FillPlaces(lines.text[whole], places[whole], name);
    } else {
      size_t from = 0;
      for (size_t i = 0; i < 3; ++i) from += FillPlaces(lines.text[i], places[i], name, from);
    }
  }
  return lines;
}

tMessageLines ComposeMessage(const char* key, const char* path) {
  std::array<std::string, 3> texts;
  for (size_t i = 0; i < 3; ++i) {
    const std::string lineKey =
        std::string(key != nullptr ? key : "") + " " + std::to_string(i + 1);
    texts[i] = LanguageTable().LookupText(lineKey.c_str());
  }
  return ComposeMessage(texts, path);
}

// ---- the box ----

bool tMessageBox::Load(tBitmapFont* font, tSoundCue* click) {
  m_Background.Load("data\\error.bmp");
  if (!m_SaveUnder.Create(m_Background.Width(), m_Background.Height())) return false;
  static const char* const kButtons[3] = {"data\\errorbut1.bmp", "data\\errorbut2.bmp",
                                          "data\\errorbut3.bmp"};
  for (size_t i = 0; i < 3; ++i) {
    const int32_t row = static_cast<int32_t>(i) * 24;
    m_Buttons[i].Load(kButtons[i]);
    m_Buttons[i].Place(kX + 227, kY + 15 + row);
    m_Buttons[i].SetClickSound(click);
    m_Labels[i].SetFont(font);
    m_Labels[i].SetWidth(tMessageLines::kWidth);
    m_Labels[i].Place(kX + 12, kY + 21 + row);
  }
  return true;
}

void tMessageBox::Draw() {
  if (!m_Open) return;
  m_Background.Draw(kX, kY);
  for (tTextLabel& label : m_Labels) label.Draw();
  for (tButton& button : m_Buttons) button.Draw();
}

void tMessageBox::Open(const char* key, const char* path, bool busy) {
  m_Lines = ComposeMessage(key, path);
  for (size_t i = 0; i < 3; ++i) {
    m_Labels[i].SetText(m_Lines.text[i].c_str());
    m_Buttons[i].StoreState(m_Lines.enabled[i] ? tControl::kNormal : tControl::kDisabled);
  }
  m_Open = true;
  m_Busy = busy;
  m_SaveUnder.SaveBack(tRect{kX, kY, kX + m_SaveUnder.Width(), kY + m_SaveUnder.Height()},
                       tRect{0, 0, m_SaveUnder.Width(), m_SaveUnder.Height()});
  // The buttons are drawn with the box: one whose state did not change since
  // the last message would otherwise be missing from the picture.
  Draw();
}

void tMessageBox::SetLine(int index, const std::string& text) {
  if (!m_Open || index < 0 || index > 2) return;
  const size_t i = static_cast<size_t>(index);
  m_Lines.text[i] = text.substr(0, static_cast<size_t>(tMessageLines::kWidth));
  m_Labels[i].SetText(m_Lines.text[i].c_str());
  m_Labels[i].Draw();
  if (m_pHost != nullptr) m_pHost->ShowProgress(false);
}

void tMessageBox::Close() {
  if (!m_Open) return;
  m_Open = false;
  m_Busy = false;
  m_SaveUnder.Draw(kX, kY);
}

int tMessageBox::ShowModal(const char* key, const char* path) {
  if (m_pHost == nullptr) return -1;
  if (m_pHost->CurrentState() == kBusy) CloseBusy();
  if (m_Open || m_pHost->Quitting()) return -1;
  m_pHost->EnterMessageState(kModal);
  // The message is answered with the mouse: the pointer is an arrow while it
  // waits, whatever the work that showed it (a load's wait pointer) showed.
  const platform::Pointer before = platform::SetPointer(platform::Pointer::kArrow);
  Open(key, path, false);
  const int result = RunModalLoop();
  Close();
  platform::SetPointer(before);
  m_pHost->LeaveMessageState();
  return result;
}

int tMessageBox::RunModalLoop() {
  for (;;) {
    platform::tInputEvent record;
    m_pHost->NextRecord(record);
    if (m_pHost->Quitting()) return -1;
    const int32_t x = record.x;
    const int32_t y = record.y;
    switch (record.kind) {
      case platform::tInputKind::kMouseMove:
        for (tButton& button : m_Buttons) button.Move(x, y);
        break;
      case platform::tInputKind::kMousePress:
        for (tButton& button : m_Buttons) button.Press(x, y);
        break;
      case platform::tInputKind::kMouseRelease: {
        int result = -1;
        // Every button sees the release, so that none stays down.
        for (size_t i = 0; i < 3; ++i)
          if (m_Buttons[i].Release(x, y) && result < 0) result = static_cast<int>(i);
        if (result >= 0) return result;
        break;
      }
      default:  // keys and the rest are not the box's
        break;
    }
  }
}

void tMessageBox::ShowBusy(const char* key, const char* path) {
  if (m_pHost == nullptr) return;
  if (m_Open) {
    m_pHost->ShowProgress(false);
    return;
  }
  m_pHost->EnterMessageState(kBusy);
  Open(key, path, true);
  m_pHost->ShowProgress(true);
}

void tMessageBox::CloseBusy() {
  if (!IsBusy() || m_pHost == nullptr) return;
  Close();
  m_pHost->LeaveMessageState();
}
