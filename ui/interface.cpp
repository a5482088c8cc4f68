#include "ui/interface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "audio/audio_setup.h"
#include "channels/tempo.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "ui/midi_desk.h"
#include "ui/vu_view.h"

namespace {

constexpr int32_t kStripXs[8] = {8, 106, 204, 303, 401, 499, 597, 696};

// Construct's allocations: how many were made, and after how many the next
// one fails (-1: none fails).
int32_t g_AllocationLimit = -1;
int32_t g_Allocated = 0;

template <class T, class... Args>
bool Make(std::unique_ptr<T>& object, Args... args) {
  if (g_AllocationLimit >= 0 && g_Allocated >= g_AllocationLimit) return false;
  object.reset(new (std::nothrow) T(args...));
  if (object == nullptr) return false;
  ++g_Allocated;
  return true;
}

// Odd channels (1, 3, ...) have index 0, 2, ...
bool OddStrip(int index) {
  return index % 2 == 0;
}

}  // namespace

int32_t tInterface::StripX(int index) {
  return kStripXs[index % 8];
}

int32_t tInterface::StripY(int index) {
  return index < 8 ? 8 : 230;
}

void tInterface::SetAllocationLimit(int32_t n) {
  g_AllocationLimit = n;
}

tInterface::tInterface(platform::PeriodicTimerService& timers)
    : tDeskCore(this, timers), m_pMidi(std::make_unique<tMidiDesk>(*this)) {}

tInterface::~tInterface() {
  Teardown();
}

// ------------------------------------------------------------ construction

bool tInterface::Construct() {
  g_Allocated = 0;
  for (int i = 0; i < kStrips; ++i) {
    // The channel itself is part of the desk core.
    if (!Make(m_pVolume[i]) || !Make(m_pBalance[i]) || !Make(m_pArrows[i]) || !Make(m_pLeds[i]) ||
        !Make(m_pStripMenus[i]) || !Make(m_pStripLabels[i]) || !Make(m_pKeyLabels[i]) ||
        !Make(m_pPanels[i]))
      return false;
  }
  if (!Make(m_pMixLabel) || !Make(m_pMixArrow) || !Make(m_pMixMenu) || !Make(m_pBackground) ||
      !Make(m_pFont) || !Make(m_pHelp) || !Make(m_pExit) || !Make(m_pPlugins) ||
      !Make(m_pMasterPitch) || !Make(m_pTime) || !Make(m_pMasterVolume) || !Make(m_pCtrlLamp) ||
      !Make(m_pTabLamp) || !Make(m_pRateLamp) || !Make(m_pBitsLamp) || !Make(m_pMonoLamp))
    return false;
  using V = tFileDialog::Variant;
  if (!Make(m_pMainDialog, V::kMainSample) || !Make(m_pEffectDialog, V::kEffectSample) ||
      !Make(m_pChannelDialog, V::kChannelFile) || !Make(m_pMixDialog, V::kMixFile) ||
      !Make(m_pSaveChannelDialog, V::kSaveChannel) || !Make(m_pSaveMixDialog, V::kSaveMix) ||
      !Make(m_pExportDialog, V::kExportWave))
    return false;
  if (!Make(m_pTransport) || !Make(m_pMetronome) || !Make(m_pDoorPanel) || !Make(m_pCloseHelp))
    return false;
  for (auto& s : m_pSetupSwitches)
    if (!Make(s)) return false;
  for (auto& b : m_pSetupButtons)
    if (!Make(b)) return false;
  if (!Make(m_pTempoDigits) || !Make(m_pOk) || !Make(m_pCancel) || !Make(m_pSlideSound) ||
      !Make(m_pClickSound) || !Make(m_pIntroSound) || !Make(m_pMessageBox))
    return false;
  // The settings store and the level meter are part of the desk core.
  if (!Make(m_pPanelSound) || !Make(m_pMetronomeSound) || !Make(m_pSwitchSound) ||
      !Make(m_pVolumeArt) || !Make(m_pBalanceArt))
    return false;
  m_pSlideCue.reset(new (std::nothrow) tSoundClick(*m_pSlideSound));
  m_pClickCue.reset(new (std::nothrow) tSoundClick(*m_pClickSound));
  m_pPanelCue.reset(new (std::nothrow) tSoundClick(*m_pPanelSound));
  m_pSwitchCue.reset(new (std::nothrow) tSoundClick(*m_pSwitchSound));
  return m_pSlideCue && m_pClickCue && m_pPanelCue && m_pSwitchCue;
}

bool tInterface::Initialise() {
  // 1. The channels, each with its empty sound.
  if (!PrepareChannels()) return false;
  // 2. The background.
  m_pBackground->Load("data\\main.bmp");
  // 3. The slide and click sounds.
  if (!m_pSlideSound->Load("data\\slide.wav") || !m_pClickSound->Load("data\\click.wav"))
    return false;
  // 4. The volume sliders and the master volume.
  if (!m_pVolumeArt->Load("data\\vol.bmp", "data\\vol_mask.bmp")) return false;
  for (int i = 0; i < kStrips; ++i) {
    m_pVolume[i]->SetArt(m_pVolumeArt.get());
    m_pVolume[i]->Place(StripX(i) + 10, StripY(i) + 105);
  }
  m_pMasterVolume->SetArt(m_pVolumeArt.get());
  m_pMasterVolume->Place(639, 503);
  m_pMasterVolume->SetValue(static_cast<int32_t>(std::trunc(GetMasterVolume() * 100.0 + 1e-9)));
  // 5. The balance sliders.
  m_pBalanceArt->Load("data\\bal.bmp");
  if (!m_pBalanceArt->SetColourKey(kMagenta)) return false;
  for (int i = 0; i < kStrips; ++i) {
    m_pBalance[i]->SetImage(m_pBalanceArt.get());
    m_pBalance[i]->SetBackdrop(m_pBackground.get());
    m_pBalance[i]->Place(StripX(i) + 10, StripY(i) + 181);
  }
  // 6. The menu arrows.
  for (int i = 0; i < kStrips; ++i) {
    const bool odd = OddStrip(i);
    if (!m_pArrows[i]->Load(odd ? "data\\pijla.bmp" : "data\\pijlb.bmp")) return false;
    m_pArrows[i]->Place(StripX(i) + (odd ? 13 : 68), StripY(i) + (odd ? 5 : 202));
  }
  if (!m_pMixArrow->Load("data\\mainpijl.bmp")) return false;
  m_pMixArrow->Place(425, 494);
  // 7. The LEDs.
  for (int i = 0; i < kStrips; ++i) {
    if (!m_pLeds[i]->Load("data\\leds.bmp")) return false;
    m_pLeds[i]->Place(StripX(i) + 35, StripY(i) + 101);
    m_pLeds[i]->SetColourKey(kMagenta);
  }
  // 8. The strip menus and the mix menu.
  for (int i = 0; i < kStrips; ++i) {
    const bool odd = OddStrip(i);
    if (!m_pStripMenus[i]->Load(odd ? "data\\popa_demo.bmp" : "data\\popb_demo.bmp")) return false;
    m_pStripMenus[i]->Place(StripX(i) + (odd ? 9 : 8), StripY(i) + (odd ? 16 : 108));
    m_pStripMenus[i]->SetItems(3, 2, 72, 13, 7);
  }
  if (!m_pMixMenu->Load("data\\popc_demo2.bmp")) return false;
  m_pMixMenu->Place(420, 507);
  m_pMixMenu->SetItems(2, 2, 130, 16, 5);
  // 9. The channel panels with their number switches.
  if (!m_pSwitchSound->Load("data\\switch.wav")) return false;
  for (int i = 0; i < kStrips; ++i) {
    char path[32];
    std::snprintf(path, sizeof path, "data\\sw%02d.bmp", i + 1);
    if (!m_pPanels[i]->Load(path)) return false;
    m_pPanels[i]->Place(StripX(i) + 2, StripY(i) + 4);
    m_pPanels[i]->SetSwitchSound(m_pSwitchCue.get());
  }
  // 10. The font and the text labels.
  if (!m_pFont->Load("data\\font1.bmp")) return false;
  for (int i = 0; i < kStrips; ++i) {
    const bool odd = OddStrip(i);
    tTextLabel& label = *m_pStripLabels[i];
    label.SetFont(m_pFont.get());
    label.SetAlignment(odd ? tTextLabel::Align::kLeft : tTextLabel::Align::kRight);
    label.SetWidth(14);
    label.Place(StripX(i) + (odd ? 35 : -63), StripY(i) + (odd ? 7 : 204));
  }
  m_pMixLabel->SetFont(m_pFont.get());
  m_pMixLabel->SetAlignment(tTextLabel::Align::kLeft);
  m_pMixLabel->SetWidth(14);
  m_pMixLabel->Place(451, 556);
  // 11. The buttons, the master pitch, the time display and the lamps.
  if (!m_pHelp->Load("data\\button_help.bmp") || !m_pExit->Load("data\\button_exit.bmp") ||
      !m_pPlugins->Load("data\\button_plugins.bmp"))
    return false;
  m_pHelp->Place(69, 520);
  m_pExit->Place(69, 552);
  m_pPlugins->Place(69, 487);
  if (!m_pMasterPitch->Load("data\\pitch.bmp")) return false;
  m_pMasterPitch->SetFont(m_pFont.get());
  m_pMasterPitch->SetTempoSource([] { return GetTempo(); });
  m_pMasterPitch->Place(476, 501);
  m_pTime->SetFont(m_pFont.get());
  m_pTime->Place(584, 502);
  struct tLampPlace {
    tLamp* lamp;
    const char* path;
    int32_t x, y;
  };
  for (const tLampPlace& p : {tLampPlace{m_pRateLamp.get(), "data\\2244.bmp", 533, 500},
                              tLampPlace{m_pBitsLamp.get(), "data\\816.bmp", 533, 514},
                              tLampPlace{m_pMonoLamp.get(), "data\\mono.bmp", 534, 533},
                              tLampPlace{m_pCtrlLamp.get(), "data\\dot.bmp", 640, 500},
                              tLampPlace{m_pTabLamp.get(), "data\\dot.bmp", 640, 513}}) {
    if (!p.lamp->Load(p.path)) return false;
    p.lamp->Place(p.x, p.y);
  }
  // 12. The file dialogs (their pictures load when one first opens).
  ConnectDialogs();
  // 13. The transport and the metronome.
  if (!m_pPanelSound->Load("data\\panel.wav")) return false;
  if (!m_pTransport->Load("data\\repel10.bmp", 10)) return false;
  m_pTransport->Place(218, 526);
  m_pTransport->SetSound(m_pPanelCue.get());
  if (!m_pMetronome->Load("data\\32beat.bmp") || !m_pMetronomeSound->Load("data\\metronome.wav"))
    return false;
  m_pMetronome->Place(579, 549);
  // 14. An empty mix.
  Events().Clear();
  // 15. The panels' controls and the key labels.
  if (!m_pCloseHelp->Load("data\\button_close_help.bmp")) return false;
  m_pCloseHelp->Place(60, 343);
  static const int32_t kSwitchY[3] = {251, 215, 287};
  for (size_t i = 0; i < 3; ++i) {
    if (!m_pSetupSwitches[i]->Load("data\\button_setup_switch.bmp")) return false;
    m_pSetupSwitches[i]->Place(375, kSwitchY[i]);
    m_pSetupSwitches[i]->SetClickSound(m_pSlideCue.get());
  }
  static const char* const kSetupPaths[4] = {"data\\button_setup_1.bmp", "data\\button_setup_2.bmp",
                                             "data\\button_setup_3.bmp",
                                             "data\\button_setup_4.bmp"};
  static const int32_t kSetupX[4] = {305, 332, 438, 475};
  static const int32_t kSetupY[4] = {249, 245, 245, 249};
  for (size_t i = 0; i < 4; ++i) {
    if (!m_pSetupButtons[i]->Load(kSetupPaths[i])) return false;
    m_pSetupButtons[i]->Place(kSetupX[i], kSetupY[i]);
    m_pSetupButtons[i]->SetClickSound(m_pClickCue.get());
  }
  if (!m_pTempoDigits->Load("data\\digits.bmp")) return false;
  m_pTempoDigits->Place(373, 247);
  for (int i = 0; i < kStrips; ++i) {
    const int32_t x = StripX(i) + 16;
    const int32_t y = StripY(i) + 104;
    m_pKeyLabels[i]->SetRect(tRect{x, y, x + 11, y + 10});
    m_pKeyLabels[i]->SetFont(m_pFont.get());
  }
  if (!m_pOk->Load("data\\button_ok_cancel.bmp") || !m_pCancel->Load("data\\button_ok_cancel.bmp"))
    return false;
  m_pOk->Place(356, 343);
  m_pCancel->Place(407, 343);
  m_pOk->SetClickSound(m_pSlideCue.get());
  m_pCancel->SetClickSound(m_pSlideCue.get());
  // 16. The intro sound and the message box.
  if (!m_pIntroSound->Load("data\\intro.wav")) return false;
  if (!m_pMessageBox->Load(m_pFont.get(), m_pClickCue.get())) return false;
  m_pMessageBox->SetHost(this);
  // 17. The level meter.
  if (!Meter().Init(ScreenVuStrips()) || !Meter().Load("data\\vu.bmp", 10, "data\\box.bmp", 3))
    return false;
  m_Ready = true;
  return true;
}

void tInterface::Teardown() {
  if (m_TornDown) return;
  m_TornDown = true;
  m_Ready = false;
  m_pMidi->Stop();
  SaveSettings();
  m_pMidi->SaveSettings();
  DestroyTimer();
  for (int i = 0; i < kChannels; ++i) Channel(i).ReleaseAll();
  // The widgets' cues point at the sounds: they go first.
  m_pSlideCue.reset();
  m_pClickCue.reset();
  m_pPanelCue.reset();
  m_pSwitchCue.reset();
  m_pMessageBox.reset();
  m_pSlideSound.reset();
  m_pClickSound.reset();
  m_pIntroSound.reset();
  m_pPanelSound.reset();
  m_pMetronomeSound.reset();
  m_pSwitchSound.reset();
  for (int i = 0; i < kStrips; ++i) {
    m_pVolume[i].reset();
    m_pBalance[i].reset();
    m_pArrows[i].reset();
    m_pLeds[i].reset();
    m_pStripMenus[i].reset();
    m_pStripLabels[i].reset();
    m_pKeyLabels[i].reset();
    m_pPanels[i].reset();
  }
  m_pMixLabel.reset();
  m_pMixArrow.reset();
  m_pMixMenu.reset();
  m_pBackground.reset();
  m_pHelp.reset();
  m_pExit.reset();
  m_pPlugins.reset();
  m_pMasterPitch.reset();
  m_pTime.reset();
  m_pMasterVolume.reset();
  m_pCtrlLamp.reset();
  m_pTabLamp.reset();
  m_pRateLamp.reset();
  m_pBitsLamp.reset();
  m_pMonoLamp.reset();
  for (auto* dialog : {&m_pMainDialog, &m_pEffectDialog, &m_pChannelDialog, &m_pMixDialog,
                       &m_pSaveChannelDialog, &m_pSaveMixDialog, &m_pExportDialog})
    dialog->reset();
  m_pTransport.reset();
  m_pMetronome.reset();
  m_pDoorPanel.reset();
  m_pCloseHelp.reset();
  for (auto& s : m_pSetupSwitches) s.reset();
  for (auto& b : m_pSetupButtons) b.reset();
  m_pTempoDigits.reset();
  m_pOk.reset();
  m_pCancel.reset();
  m_pFont.reset();
  m_pVolumeArt.reset();
  m_pBalanceArt.reset();
}

void tInterface::Abandon() {
  m_Ready = false;
  m_pMidi->Stop();
  DestroyTimer();
  m_TornDown = true;
}

// ------------------------------------------------------------------ drawing

bool tInterface::StripsVisible() const {
  const int32_t state = DeskState();
  return m_Ready && !m_DoorDown && (state == kIdle || state == kRecording);
}

void tInterface::DrawStrip(int i) {
  // Values that changed while the strips were covered are brought in first.
  const tChannel& channel = Channel(i);
  m_pVolume[i]->SetValue(channel.GetVolume());
  m_pBalance[i]->SetValue(channel.GetBalance());
  m_pLeds[i]->SetValue(LedValue(i));
  m_pVolume[i]->Draw();
  m_pBalance[i]->Draw();
  m_pArrows[i]->Draw();
  m_pLeds[i]->Draw();
  m_pPanels[i]->Draw();
  m_pStripLabels[i]->Draw();
  m_pKeyLabels[i]->Draw();
}

void tInterface::DrawFixedControls() {
  m_pMixLabel->Draw();
  m_pTransport->Draw();
  m_pHelp->Draw();
  m_pExit->Draw();
  m_pPlugins->Draw();
  m_pMasterPitch->Draw();
  m_pTime->Draw();
  m_pMasterVolume->Draw();
  m_pCtrlLamp->Draw();
  m_pTabLamp->Draw();
  m_pRateLamp->Draw();
  m_pBitsLamp->Draw();
  m_pMonoLamp->Draw();
  // The background has empty places for the mix menu's arrow, the beat
  // display and the output meter.
  m_pMixArrow->Draw();
  const int step = MetronomeStep();
  m_pMetronome->DrawBeat(static_cast<uint32_t>(step), MetronomeOn());
  Meter().ClearBars();
}

void tInterface::Redraw() {
  if (!m_Ready) return;
  // A file dialog has the upper screen; only a message over it is drawn.
  if (m_DoorDown) {
    m_pMessageBox->Draw();
    return;
  }
  int32_t state = State();
  if (state == kMessageBox) state = SavedState();
  switch (state) {
    case kIdle:
    case kRecording:
      m_pBackground->Draw(0, 0);
      for (int i = 0; i < kStrips; ++i) DrawStrip(i);
      DrawFixedControls();
      break;
    case kPlaying:
    case kPlayStopped:
      m_pBackground->Draw(0, 0);
      m_pDoorPanel->Draw();
      DrawFixedControls();
      break;
    case kHelp:
    case kQuality:
    case kTempo:
      m_pBackground->Draw(0, 0);
      m_pDoorPanel->Draw();
      // The panels cover the strips only; the controls below stay in view.
      DrawFixedControls();
      if (state == kHelp) {
        m_pCloseHelp->Draw();
      } else {
        // The tempo panel shows the digits where the format switches stand.
        if (state == kQuality)
          for (auto& s : m_pSetupSwitches) s->Draw();
        else
          for (auto& b : m_pSetupButtons) b->Draw();
        if (state == kTempo) m_pTempoDigits->Draw();
        m_pOk->Draw();
        m_pCancel->Draw();
      }
      break;
    default:
      return;
  }
  m_pMessageBox->Draw();
}

void tInterface::ShowStripVolume(int index, int32_t volume) {
  if (m_pVolume[index]->Value() == std::clamp(volume, 0, 100)) return;
  m_pVolume[index]->SetValue(volume);
  m_pKeyLabels[index]->Draw();
}

void tInterface::ShowStripBalance(int index, int32_t balance) {
  m_pBalance[index]->SetValue(balance);
}

void tInterface::ShowMasterVolume() {
  const int32_t percent = static_cast<int32_t>(std::trunc(GetMasterVolume() * 100.0 + 1e-9));
  if (m_pMasterVolume->Value() == std::clamp(percent, 0, 100)) return;
  m_pMasterVolume->SetValue(percent);
  m_pTabLamp->Draw();
}

// -------------------------------------------------------------- the view

void tInterface::RefreshStrip(int index) {
  if (!IsChannelIndex(index) || !StripsVisible()) return;
  const tChannel& channel = Channel(index);
  ShowStripVolume(index, channel.GetVolume());
  ShowStripBalance(index, channel.GetBalance());
  tChannelPanel& panel = *m_pPanels[index];
  panel.SetQuantize(channel.GetQuantize());
  panel.SetLength(channel.GetLoop());
  panel.SetDelay(channel.GetDelay());
  panel.Draw();
  tString text;
  StripLabelText(index, text);
  m_pStripLabels[index]->SetText(text.GetText());
  m_pStripLabels[index]->Draw();
  if (!m_MenuOpen[index]) m_pKeyLabels[index]->Draw();
  SetLed(index);
}

void tInterface::SetStripLed(int index, int value) {
  // A door panel may cover the strips; the redraw that uncovers them sets
  // the LEDs from their channels.
  if (IsChannelIndex(index) && StripsVisible()) m_pLeds[index]->SetValue(value);
}

void tInterface::SetStripLabel(int index, const char* text) {
  if (!IsChannelIndex(index) || !m_Ready) return;
  m_pStripLabels[index]->SetText(text);
  if (StripsVisible()) m_pStripLabels[index]->Draw();
}

double tInterface::GetStripQuantize(int index) {
  return m_Ready ? m_pPanels[index]->Quantize() : 1.0;
}

double tInterface::GetStripLoop(int index) {
  return m_Ready ? m_pPanels[index]->Length() : 1.0;
}

double tInterface::GetStripDelay(int index) {
  return m_Ready ? m_pPanels[index]->Delay() : 0.0;
}

int32_t tInterface::GetStripVolume(int index) {
  return m_Ready ? m_pVolume[index]->Value() : 80;
}

int32_t tInterface::GetStripBalance(int index) {
  return m_Ready ? m_pBalance[index]->Value() : 0;
}

int tInterface::ShowMessage(const char* key, const char* path) {
  return m_Ready ? m_pMessageBox->ShowModal(key, path) : -1;
}

void tInterface::OpenBusyMessage(const char* key, const char* path) {
  if (m_Ready) m_pMessageBox->ShowBusy(key, path);
}

void tInterface::CloseBusyMessage() {
  if (m_Ready) m_pMessageBox->CloseBusy();
}

void tInterface::SetWaitCursor(bool on) {
  platform::SetPointer(on ? platform::Pointer::kWait : platform::Pointer::kArrow);
}

bool tInterface::IsKeyDown(uint8_t key) {
  return platform::IsKeyDown(key);
}

void tInterface::TickKeyLabel(int index, uint32_t time) {
  // An open strip menu covers the label; the label does not blink through it.
  if (m_Ready && StripsVisible() && !m_MenuOpen[index]) m_pKeyLabels[index]->Tick(time);
}

void tInterface::DrawMetronome(int frame) {
  if (!m_Ready) return;
  m_pMetronome->DrawBeat(static_cast<uint32_t>(frame > 0 ? frame - 1 : 0), frame > 0);
}

void tInterface::ShowTime(uint32_t positionMs, uint32_t lengthMs) {
  if (!m_Ready) return;
  m_pTime->SetPosition(static_cast<int32_t>(positionMs), true);
  m_pTime->SetLength(static_cast<int32_t>(lengthMs), true);
}

void tInterface::SetMixLabel(const char* text) {
  if (!m_Ready) return;
  m_pMixLabel->SetText(text);
  m_pMixLabel->Draw();
}

void tInterface::SetKeyLabel(int index, uint8_t key) {
  if (!IsChannelIndex(index) || !m_Ready) return;
  m_pKeyLabels[index]->SetLetter(key);
  if (StripsVisible() && !m_MenuOpen[index]) m_pKeyLabels[index]->Draw();
}

void tInterface::SetFormatLamps(bool rate44100, bool bits16, bool stereo) {
  if (!m_Ready) return;
  m_pRateLamp->Set(rate44100);
  m_pBitsLamp->Set(bits16);
  m_pMonoLamp->Set(stereo);
}

void tInterface::SetTransportSwitch(tSwitch which, bool down) {
  if (!m_Ready) return;
  tSwitchButton& button = which == kRecSwitch ? m_pTransport->Rec() : m_pTransport->Play();
  const int32_t state = down ? tControl::kDown : tControl::kNormal;
  // Rec and Play share one place: only the switch of the mode shown is drawn.
  const int32_t mode = which == kRecSwitch ? tTransport::kRecordMode : tTransport::kPlayMode;
  if (m_pTransport->Mode() == mode)
    button.SetState(state);
  else
    button.StoreState(state);
}

bool tInterface::IsTransportSwitchDown(tSwitch which) {
  if (!m_Ready) return false;
  const tSwitchButton& button = which == kRecSwitch ? m_pTransport->Rec() : m_pTransport->Play();
  return button.State() == tControl::kDown;
}

void tInterface::RedrawTempo() {
  if (m_Ready) m_pMasterPitch->Draw();
}

void tInterface::SetMasterVolumeSlider(int32_t percent) {
  if (!m_Ready || m_pMasterVolume->Value() == std::clamp(percent, 0, 100)) return;
  m_pMasterVolume->SetValue(percent);
  m_pTabLamp->Draw();
}

void tInterface::PlayClick() {
  if (m_Ready) m_pMetronomeSound->Play(0);
}

void tInterface::PlayIntro() {
  if (m_Ready) m_pIntroSound->Play(0);
}

void tInterface::WaitWhileIntroPlays(uint32_t timeoutMs) {
  if (m_Ready)
    m_pIntroSound->WaitWhilePlaying(std::min(timeoutMs, m_pDoorPanel->Pace().soundLimitMs));
}

// ------------------------------------------------------ menus and transport

void tInterface::OpenStripMenu(int index) {
  if (!IsChannelIndex(index) || !m_Ready) return;
  m_MenuOpen[index] = true;
  m_pStripMenus[index]->Open();
}

int32_t tInterface::CloseStripMenu(int index) {
  if (!IsChannelIndex(index) || !m_Ready) return -1;
  const int32_t item = m_pStripMenus[index]->CloseAndTake();
  m_MenuOpen[index] = false;
  return item;
}

bool tInterface::ReleaseTransportZones(int32_t x, int32_t y) {
  if (!m_Ready) return false;
  if (Events().HasRecording()) return m_pTransport->Release(x, y);
  m_pTransport->RecordZone().StoreState(tControl::kNormal);
  m_pTransport->PlayZone().StoreState(tControl::kNormal);
  m_pTransport->ToggleZone().StoreState(tControl::kNormal);
  return false;
}

// ------------------------------------------------------- the message box

void tInterface::EnterMessageState(int32_t state) {
  MetronomeShow(false);
  SaveState();
  Meter().ShowBars(false);
  Meter().ClearBars();
  SetState(state);
}

void tInterface::LeaveMessageState() {
  RestoreState();
  MetronomeShow(true);
  Meter().ShowBars(true);
}

void tInterface::ShowProgress(bool now) {
  if (now)
    platform::PresentNow();
  else
    platform::PresentIfDue();
}

// ---------------------------------------------------------------- input

void tInterface::IdleStep() {
  FeedLevelMeter();
  platform::PresentIfDue();
}

void tInterface::NextRecord(platform::tInputEvent& record) {
  // The loop sleeps until a record comes or the display's next refresh is
  // due; at each refresh the meters are fed and the screen is presented.
  // MIDI records wake it too (the record handed out is then kWake) and are
  // run before the record it returns.
  for (;;) {
    if (platform::MsUntilNextPresent() == 0) IdleStep();
    m_pMidi->TakeRecords();
    if (platform::WaitInput(record, platform::MsUntilNextPresent())) {
      m_pMidi->TakeRecords();
      HandleWindowRecord(record);
      return;
    }
  }
}

bool tInterface::HandleWindowRecord(const platform::tInputEvent& record) {
  switch (record.kind) {
    case platform::tInputKind::kFocusGained:
      Timer().StartClock();
      return true;
    case platform::tInputKind::kFocusLost:
      Timer().StopClock();
      return true;
    case platform::tInputKind::kClose:
      m_QuitRequested = true;
      return true;
    case platform::tInputKind::kExpose:
      Redraw();
      platform::RefreshWindow();
      return true;
    default:
      return false;
  }
}

void tInterface::Dispatch(const platform::tInputEvent& record) {
  using platform::tInputKind;
  switch (record.kind) {
    case tInputKind::kMousePress:
      MousePress(record.x, record.y);
      break;
    case tInputKind::kMouseMove:
      MouseMove(record.x, record.y);
      break;
    case tInputKind::kMouseRelease:
      MouseRelease(record.x, record.y);
      break;
    case tInputKind::kKeyPress:
      KeyPressed(record.key, record.repeat);
      break;
    case tInputKind::kKeyRelease:
      KeyReleased(record.key);
      break;
    case tInputKind::kWake:
      // Woken for MIDI records: NextRecord ran them already, but a loop of
      // its own (a file dialog) hands its wake-ups here.
      m_pMidi->TakeRecords();
      break;
    default:  // the window's records were handled when they were taken
      break;
  }
}
