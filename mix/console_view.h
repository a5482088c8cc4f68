#pragma once
// The view of a desk without a screen, as a command-line tool speaks: each
// message is one sentence on stderr prefixed with the program's name, with
// the language table's words but not its button labels, paths in the host's
// form, and for a question the answer taken. Strips and drawing are ignored.
// The headless renderer uses it.
#include <cstdio>
#include <string>

#include "mix/mix_view.h"

class tConsoleView : public tMixView {
 public:
  // Messages and the progress bar go to out; a null out drops them (quiet).
  explicit tConsoleView(FILE* out = stderr, std::string program = "brevora-render");

  // Messages shown so far, printed or not.
  int MessagesShown() const { return m_Messages; }

  void RefreshStrip(int) override {}
  void SetStripLed(int, int) override {}
  void SetStripLabel(int, const char*) override {}
  double GetStripQuantize(int) override { return 0.0; }
  double GetStripLoop(int) override { return 1.0; }
  double GetStripDelay(int) override { return 0.0; }
  int32_t GetStripVolume(int) override { return 80; }
  int32_t GetStripBalance(int) override { return 0; }
  int ShowMessage(const char* key, const char* path) override;
  void OpenBusyMessage(const char*, const char*) override {}
  void CloseBusyMessage() override {}
  void SetWaitCursor(bool) override {}
  bool IsKeyDown(uint8_t) override { return false; }

  void TickKeyLabel(int, uint32_t) override {}
  void DrawMetronome(int) override {}
  void ShowTime(uint32_t, uint32_t) override {}
  void SetMixLabel(const char*) override {}
  void SetKeyLabel(int, uint8_t) override {}
  void SetFormatLamps(bool, bool, bool) override {}
  void SetTransportSwitch(tSwitch, bool) override {}
  bool IsTransportSwitchDown(tSwitch) override { return false; }
  void RedrawTempo() override {}
  void SetMasterVolumeSlider(int32_t) override {}
  void PlayClick() override {}
  void PlayIntro() override {}
  void WaitWhileIntroPlays(uint32_t) override {}
  void CloseQualityPanel() override {}
  void ExportProgress(uint32_t doneMs, uint32_t totalMs) override;

 private:
  FILE* m_pOut;
  std::string m_Program;
  bool m_Terminal;
  int m_Messages = 0;
  int m_LastPercent = -1;
};

// The button a console takes where the desk would ask the user: going on
// and showing errors for a mix whose channels did not all load, keeping the
// format otherwise.
int ConsoleAnswer(const char* key);

// One message as a sentence (without the program's name): the text lines of
// the key in the selected language joined, its file path (desk form) filled
// in in the host's form and in quotes, button labels left out; for a
// question, what the desk would ask and the answer taken, in words.
std::string ConsoleSentence(const char* key, const char* path);
