// The desk's door panels (help, quality, tempo, export, play, the closing
// page), the file dialogs behind their doors, and the export with its
// progress. Everything here runs on the main thread; while a panel slides
// the desk's loop waits, and the panel presents every frame itself.
#include <algorithm>
#include <cstdio>

#include "audio/audio_setup.h"
#include "channels/tempo.h"
#include "mix/language_table.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "ui/interface.h"

namespace {

// Where the panels' controls stand on the screen lies this far from where
// they are drawn into the panel's picture.
constexpr int32_t kPanelDx = tDoorPanel::kX;
constexpr int32_t kPanelDy = tDoorPanel::kY;

// States 0 and 3: the desk in record or in play mode, where the mix menu
// opens the panels.
bool DeskMode(int32_t state) {
  return state == tDeskCore::kIdle || state == tDeskCore::kPlayStopped;
}

template <class Button>
void DrawIntoPanel(Button& button, tSurface& panel) {
  button.DrawOnto(&panel, button.X() - kPanelDx, button.Y() - kPanelDy);
}

}  // namespace

void tInterface::HideBars() {
  Meter().ShowBars(false);
  Meter().ClearBars();
}

void tInterface::AfterPanel() {
  // The strips under a panel were not drawn while it covered them (their
  // LEDs, a new tempo's empty channels): in view again, they are redrawn.
  if (StripsVisible()) Redraw();
}

// ------------------------------------------------------------------- help

void tInterface::HelpKey() {
  if (!m_Ready) return;
  if (State() == kIdle) {
    m_pHelp->SetState(tControl::kDown);
    OpenHelpPanel();
  } else if (State() == kHelp) {
    m_pHelp->SetState(tControl::kNormal);
    CloseHelpPanel();
  }
}

void tInterface::OpenHelpPanel() {
  if (!m_Ready || State() != kIdle) return;
  SaveState();
  SetState(kHelp);
  ResetChannelStates();
  HideBars();
  char path[64];
  std::snprintf(path, sizeof path, "data\\pan_help_%s.bmp", LanguageTable().LanguageShortName());
  m_pDoorPanel->Load(path);
  m_pCloseHelp->StoreState(tControl::kNormal);
  DrawIntoPanel(*m_pCloseHelp, m_pDoorPanel->Image());
  m_pDoorPanel->SlideIn();
}

void tInterface::CloseHelpPanel() {
  if (!m_Ready || State() != kHelp) return;
  m_pDoorPanel->SlideOut();
  m_pDoorPanel->Release();
  Meter().ShowBars(true);
  RestoreState();
  AfterPanel();
}

// ------------------------------------------------- quality, export, tempo

WAVEFORMATEX tInterface::SwitchFormat() const {
  WAVEFORMATEX format{};
  format.wFormatTag = 1;
  format.nSamplesPerSec = m_pSetupSwitches[0]->State() == tControl::kDown ? 44100 : 22050;
  format.wBitsPerSample = m_pSetupSwitches[1]->State() == tControl::kDown ? 16 : 8;
  format.nChannels = m_pSetupSwitches[2]->State() == tControl::kDown ? 2 : 1;
  format.nBlockAlign = static_cast<uint16_t>(format.nChannels * format.wBitsPerSample / 8);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  return format;
}

void tInterface::PresetSwitches() {
  WAVEFORMATEX f{};
  GetOutputFormat(f);
  const bool on[3] = {f.nSamplesPerSec == 44100, f.wBitsPerSample == 16, f.nChannels == 2};
  for (size_t i = 0; i < 3; ++i) {
    m_pSetupSwitches[i]->StoreState(on[i] ? tControl::kDown : tControl::kNormal);
    if (m_pDoorPanel->Loaded()) DrawIntoPanel(*m_pSetupSwitches[i], m_pDoorPanel->Image());
  }
}

void tInterface::OpenFormatPanel(int32_t state, const char* path) {
  SaveState();
  SetState(state);
  HideBars();
  m_pDoorPanel->Load(path);
  PresetSwitches();
  for (tButton* button : {m_pOk.get(), m_pCancel.get()}) {
    button->StoreState(tControl::kNormal);
    DrawIntoPanel(*button, m_pDoorPanel->Image());
  }
  m_pDoorPanel->SlideIn();
}

void tInterface::CloseFormatPanel() {
  PresetSwitches();
  m_pDoorPanel->SlideOut();
  m_pDoorPanel->Release();
  Meter().ShowBars(true);
  RestoreState();
  AfterPanel();
}

void tInterface::OpenQualityPanel() {
  if (m_Ready && DeskMode(State())) OpenFormatPanel(kQuality, "data\\pan_quality.bmp");
}

void tInterface::CloseQualityPanel() {
  if (!m_Ready || State() != kQuality) return;
  CloseFormatPanel();
  if (State() == kPlayStopped) OpenPlayPanel();
}

void tInterface::OpenExportPanel() {
  if (m_Ready && DeskMode(State())) OpenFormatPanel(kExport, "data\\pan_export.bmp");
}

void tInterface::CloseExportPanel() {
  if (!m_Ready || State() != kExport) return;
  CloseFormatPanel();
  if (State() == kPlayStopped) OpenPlayPanel();
}

void tInterface::OpenTempoPanel() {
  if (!m_Ready || !DeskMode(State())) return;
  SaveState();
  SetState(kTempo);
  HideBars();
  m_pDoorPanel->Load("data\\pan_bpm.bmp");
  tSurface& image = m_pDoorPanel->Image();
  m_pTempoDigits->SetValue(GetTempo());
  m_pTempoDigits->DrawOnto(&image, 368, 240);
  for (auto& button : m_pSetupButtons) {
    button->StoreState(tControl::kNormal);
    DrawIntoPanel(*button, image);
  }
  for (tButton* button : {m_pOk.get(), m_pCancel.get()}) {
    button->StoreState(tControl::kNormal);
    DrawIntoPanel(*button, image);
  }
  m_pDoorPanel->SlideIn();
}

void tInterface::CloseTempoPanel() {
  if (!m_Ready || State() != kTempo) return;
  m_pTempoDigits->SetValue(GetTempo());
  m_pTempoDigits->DrawOnto(&m_pDoorPanel->Image(), 368, 240);
  m_pDoorPanel->SlideOut();
  m_pDoorPanel->Release();
  Meter().ShowBars(true);
  RestoreState();
  AfterPanel();
}

// ------------------------------------------------------------------ play

void tInterface::OpenPlayPanel() {
  if (!m_Ready) return;
  ResetChannelStates();
  m_pDoorPanel->Load("data\\pan_play.bmp");
  m_pDoorPanel->SlideIn();
}

void tInterface::ClosePlayPanel() {
  if (!m_Ready || !m_pDoorPanel->Loaded()) return;
  m_pDoorPanel->SlideOut();
  m_pDoorPanel->Release();
}

// ---------------------------------------------------------------- export

void tInterface::ExportFromPanel() {
  if (!m_Ready || State() != kExport) return;
  // The switches go back to the desk's format as the panel closes.
  const WAVEFORMATEX format = SwitchFormat();
  CloseFormatPanel();
  const std::string name = MixLabelName();
  if (RunFileDialog(*m_pExportDialog, name.c_str()))
    ExportWithProgress(m_pExportDialog->Path().c_str(), format);
  if (State() == kPlayStopped) OpenPlayPanel();
}

bool tInterface::ExportWithProgress(const char* path, const WAVEFORMATEX& format) {
  m_ExportPath = path != nullptr ? path : "";
  m_ExportBar = -1;
  const bool ok = ExportMix(path, format);
  if (m_pMessageBox->IsBusy()) CloseBusyMessage();
  m_ExportPath.clear();
  return ok;
}

void tInterface::ExportProgress(uint32_t doneMs, uint32_t totalMs) {
  if (!m_Ready) return;
  // The busy message stays up while the mix is rendered; its last line is
  // a bar that fills as the export goes on, and the time display counts.
  if (!m_pMessageBox->IsOpen()) {
    OpenBusyMessage("exporting mix", m_ExportPath.c_str());
    m_ExportBar = -1;
  }
  if (m_pMessageBox->IsBusy()) {
    const int32_t width = tMessageLines::kWidth;
    const int32_t bar = totalMs == 0
                            ? width
                            : static_cast<int32_t>(std::min<uint64_t>(
                                  uint64_t(doneMs) * uint64_t(width) / totalMs, uint64_t(width)));
    if (bar != m_ExportBar) {
      m_ExportBar = bar;
      m_pMessageBox->SetLine(2, std::string(static_cast<size_t>(bar), '='));
    }
  }
  m_pTime->SetPosition(static_cast<int32_t>(doneMs), true);
  platform::PresentIfDue();
  if (doneMs >= totalMs && m_pMessageBox->IsBusy()) CloseBusyMessage();
}

// ---------------------------------------------------------- file dialogs

void tInterface::ConnectDialogs() {
  tFileDialog::tHooks hooks;
  hooks.showMessage = [this](const char* key, const char* path) { return ShowMessage(key, path); };
  hooks.passOn = [this](const platform::tInputEvent& record) { PassOnFromDialog(record); };
  // The desk's channels go on playing while a dialog is open.
  hooks.shown = [this] { Timer().StartClock(); };
  for (tFileDialog* dialog :
       {m_pMainDialog.get(), m_pEffectDialog.get(), m_pChannelDialog.get(), m_pMixDialog.get(),
        m_pSaveChannelDialog.get(), m_pSaveMixDialog.get(), m_pExportDialog.get()})
    dialog->SetHooks(hooks);
}

void tInterface::PassOnFromDialog(const platform::tInputEvent& record) {
  if (HandleWindowRecord(record)) return;
  if (record.kind != platform::tInputKind::kKeyRelease) return;
  // The key table follows every release by itself; the channels whose keys
  // went up stop when the dialog closes. The lamps of Tab and Ctrl and what
  // they hold follow at once.
  if (record.key == platform::kKeyTab) EffectSwitchReleased();
  if (record.key == platform::kKeyCtrl) {
    if (IsKeyDown(platform::kKeyShift))
      DropSuspended();
    else
      ResumeSuspended();
  }
}

bool tInterface::RunFileDialog(tFileDialog& dialog, const char* initial) {
  if (!m_Ready) return false;
  dialog.SetInitialFile(initial != nullptr && *initial != 0 ? initial : nullptr);
  HideBars();
  m_pDoorPanel->Load(dialog.DoorImage());
  m_pDoorPanel->KeepLowerRows();
  m_DoorDown = true;
  m_pDoorPanel->SlideIn();
  const bool chosen = dialog.Run();
  m_pDoorPanel->RestoreLowerRows();
  m_pDoorPanel->SlideOut();
  m_pDoorPanel->Release();
  m_DoorDown = false;
  Meter().ShowBars(true);
  ReleaseUnheldChannels();
  if (StripsVisible())
    Redraw();
  else
    DrawFixedControls();
  return chosen;
}

std::string tInterface::MixLabelName() const {
  std::string name = m_pMixLabel->Buffer();
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name == "---") name.clear();
  return name;
}

// ------------------------------------------------------- the closing page

void tInterface::RunQuitSequence() {
  if (!m_Ready) return;
  if (State() == kPlayStopped) ClosePlayPanel();
  ResetChannelStates();
  HideBars();
  MetronomeSwitchOff();
  SetState(kExit);
  m_pDoorPanel->Load("data\\pan_com.bmp");
  m_pDoorPanel->SlideIn();
  tSound farewell;
  farewell.Load("data\\extro.wav");
  farewell.Play(0);
  // The page stays for its while whatever comes meanwhile: a click, a key
  // or even a close request of the window ends nothing before the wait is
  // over (a close request is kept and ends the desk when it is).
  bool closeAsked = false;
  const uint64_t until = platform::MonotonicMs() + m_ClosingWaitMs;
  for (uint64_t now = platform::MonotonicMs(); now < until; now = platform::MonotonicMs()) {
    const int32_t wait =
        static_cast<int32_t>(std::min<uint64_t>(until - now, platform::MsUntilNextPresent()));
    platform::tInputEvent record;
    if (platform::WaitInput(record, wait)) {
      if (record.kind == platform::tInputKind::kClose)
        closeAsked = true;
      else
        HandleWindowRecord(record);
    }
    if (platform::MsUntilNextPresent() == 0) platform::PresentIfDue();
  }
  if (closeAsked) m_QuitRequested = true;
  // Then a press of the left button leaves.
  while (!m_QuitRequested) {
    platform::tInputEvent record;
    NextRecord(record);
    if (record.kind == platform::tInputKind::kMousePress) break;
  }
  ClearScreen();
  platform::PresentNow();
  m_QuitRequested = true;
  farewell.Stop();
  farewell.Unload();
}
