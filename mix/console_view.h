#pragma once
// The view of a desk without a screen: messages go to stderr with the
// language table's texts, strips and drawing are ignored, questions take
// fixed answers. The headless renderer uses it.
#include <cstdio>
#include <string>

#include "mix/mix_view.h"

class tConsoleView : public tMixView {
 public:
  explicit tConsoleView(FILE* out = stderr);

  // Messages shown so far (their keys), for the caller's exit status.
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
  bool m_Terminal;
  int m_Messages = 0;
  int m_LastPercent = -1;
};

// The message texts of a key: lines " 1", " 2", " 3" from the language table
// (the selected language), or the key itself when the table has none.
std::string MessageText(const char* key, const char* path);
