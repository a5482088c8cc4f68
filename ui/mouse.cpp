// The desk's mouse: which control takes a press, a move and a release in
// which interface state, in a fixed order, and what the menus' items do.
// Sliders take their value from the press; menus open on a press, follow
// the pointer and choose on the release; buttons click on a release that
// lands on them.
#include "audio/audio_setup.h"
#include "channels/tempo.h"
#include "ui/interface.h"

namespace {

bool InRecordOrPlayMode(int32_t state) {
  return state == tDeskCore::kIdle || state == tDeskCore::kPlayStopped;
}

// States 0 to 3: the desk with its transport in view.
bool TransportShown(int32_t state) {
  return state >= tDeskCore::kIdle && state <= tDeskCore::kPlayStopped;
}

}  // namespace

// ------------------------------------------------------------------ press

void tInterface::MousePress(int32_t x, int32_t y) {
  if (!m_Ready) return;
  // 1. The strip menus open on their arrows.
  if (State() == kIdle)
    for (int i = 0; i < kStrips; ++i)
      if (m_pArrows[i]->Press(x, y)) OpenStripMenu(i);
  // 2. The mix menu.
  if (InRecordOrPlayMode(State()) && m_pMixArrow->Press(x, y)) OpenMixMenu();
  // 3. The channel panels, then the key labels.
  if (State() == kIdle) {
    for (auto& panel : m_pPanels) panel->Press(x, y);
    for (auto& label : m_pKeyLabels) label->Press(x, y);
  }
  // 4. The Help switch opens and closes the help panel.
  if ((State() == kIdle || State() == kHelp) && m_pHelp->Press(x, y)) {
    if (m_pHelp->State() == tControl::kDown)
      OpenHelpPanel();
    else
      CloseHelpPanel();
  }
  // 5, 6. Exit; Plugins and the transport's mode zones.
  if (TransportShown(State())) m_pExit->Press(x, y);
  if (InRecordOrPlayMode(State())) {
    m_pPlugins->Press(x, y);
    m_pTransport->Press(x, y);
  }
  // 7. The transport's switch and stop button of the mode shown. A stop
  // button stops only what runs: stopping an idle desk would end a
  // recording that is not there.
  if (TransportShown(State())) {
    if (m_pTransport->Mode() == tTransport::kRecordMode) {
      tSwitchButton& rec = m_pTransport->Rec();
      if (rec.Press(x, y)) {
        if (rec.State() == tControl::kDown)
          StartRecording();
        else
          StopRecording();
      }
      if (m_pTransport->RecordStop().Press(x, y)) {
        if (State() == kRecording) StopRecording();
        SetTransportSwitch(kRecSwitch, false);
      }
    } else if (m_pTransport->Mode() == tTransport::kPlayMode) {
      tSwitchButton& play = m_pTransport->Play();
      if (play.Press(x, y)) {
        if (play.State() == tControl::kDown)
          StartPlayback();
        else
          StopPlayback();
      }
      if (m_pTransport->PlayStop().Press(x, y)) {
        if (State() == kPlaying) StopPlayback();
        SetTransportSwitch(kPlaySwitch, false);
      }
    }
  }
  // 8 to 10. The controls of the help, quality, export and tempo panels.
  switch (State()) {
    case kHelp:
      m_pCloseHelp->Press(x, y);
      break;
    case kQuality:
    case kExport:
      for (auto& s : m_pSetupSwitches) s->Press(x, y);
      m_pOk->Press(x, y);
      m_pCancel->Press(x, y);
      break;
    case kTempo:
      for (auto& b : m_pSetupButtons) b->Press(x, y);
      m_pOk->Press(x, y);
      m_pCancel->Press(x, y);
      break;
    default:
      break;
  }
  // 11. The strips' balance and volume sliders.
  if (Editing()) {
    const uint32_t time = Timer().GetTime();
    for (int i = 0; i < kStrips; ++i) {
      if (const auto value = m_pBalance[i]->HitValue(x, y)) {
        Channel(i).SetBalance(*value);
        ShowStripBalance(i, Channel(i).GetBalance());
        RecordEvent(i, kBalance, Channel(i).GetBalance(), time);
      }
    }
    for (int i = 0; i < kStrips; ++i) {
      if (const auto value = m_pVolume[i]->HitValue(x, y)) {
        Channel(i).SetVolume(*value);
        ShowStripVolume(i, Channel(i).GetVolume());
        RecordEvent(i, kVolume, Channel(i).GetVolume(), time);
      }
    }
  }
  // 12. The master volume and the master pitch.
  if (TransportShown(State())) {
    if (const auto value = m_pMasterVolume->HitValue(x, y)) {
      SetMasterVolume(*value / 100.0);
      ShowMasterVolume();
    }
    if (m_pMasterPitch->Hit(x, y)) SetMasterPitch((m_pMasterPitch->Value() + 100) / 100.0);
  }
}

// ------------------------------------------------------------------- move

void tInterface::MouseMove(int32_t x, int32_t y) {
  if (!m_Ready) return;
  const int32_t state = State();
  // 1. Open menus follow the pointer.
  if (state == kIdle)
    for (auto& menu : m_pStripMenus) menu->Hover(x, y);
  if (InRecordOrPlayMode(state)) m_pMixMenu->Hover(x, y);
  // 2 to 4. Pressed buttons that the pointer leaves pop up.
  if (state == kIdle) {
    for (auto& arrow : m_pArrows) arrow->Move(x, y);
    for (auto& panel : m_pPanels) panel->Move(x, y);
  }
  if (InRecordOrPlayMode(state)) {
    m_pMixArrow->Move(x, y);
    m_pPlugins->Move(x, y);
    m_pTransport->Move(x, y);
  }
  if (InRecordOrPlayMode(state) || state == kHelp) m_pHelp->Move(x, y);
  if (TransportShown(state)) {
    m_pExit->Move(x, y);
    if (m_pTransport->Mode() == tTransport::kRecordMode)
      m_pTransport->RecordStop().Move(x, y);
    else if (m_pTransport->Mode() == tTransport::kPlayMode)
      m_pTransport->PlayStop().Move(x, y);
  }
  switch (state) {
    case kHelp:
      m_pCloseHelp->Move(x, y);
      break;
    case kTempo:
      for (auto& b : m_pSetupButtons) b->Move(x, y);
      [[fallthrough]];
    case kQuality:
    case kExport:
      m_pOk->Move(x, y);
      m_pCancel->Move(x, y);
      break;
    default:
      break;
  }
  // 5. An armed key label that the pointer leaves lets go.
  if (state == kIdle)
    for (auto& label : m_pKeyLabels) label->Move(x, y);
}

// ---------------------------------------------------------------- release

void tInterface::MouseRelease(int32_t x, int32_t y) {
  if (!m_Ready) return;
  // 1. The strip menus close and take the item under the pointer.
  if (State() == kIdle)
    for (int i = 0; i < kStrips; ++i) {
      const int32_t item = CloseStripMenu(i);
      if (item >= 0) StripMenuItem(i, item);
    }
  // 2. The mix menu.
  if (InRecordOrPlayMode(State())) {
    const int32_t item = CloseMixMenu();
    if (item >= 0) MixMenuItem(item);
  }
  // 3. The strip arrows come up; a changed spinner reaches its channel.
  if (State() == kIdle) {
    for (auto& arrow : m_pArrows) arrow->Release(x, y);
    for (int i = 0; i < kStrips; ++i) {
      const int32_t spinner = m_pPanels[i]->Release(x, y);
      if (spinner >= 0) ApplySpinner(i, spinner);
    }
  }
  // 4. The mix menu's arrow.
  if (InRecordOrPlayMode(State())) m_pMixArrow->Release(x, y);
  // 5. Exit: what runs stops, and the closing page ends the desk.
  if (TransportShown(State()) && m_pExit->Release(x, y)) {
    if (State() == kRecording) StopRecording();
    if (State() == kPlaying) StopPlayback();
    RunQuitSequence();
    return;
  }
  // 6. Plugins: there are none; the third button tells more.
  if (InRecordOrPlayMode(State()) && m_pPlugins->Release(x, y)) {
    if (ShowMessage("No Plugins a", nullptr) == 2) ShowMessage("No Plugins b", nullptr);
  }
  // 7. The mode zones switch between record and play mode, only for a mix
  // with a recording.
  if (InRecordOrPlayMode(State()) && ReleaseTransportZones(x, y)) {
    if (m_pTransport->Mode() == tTransport::kRecordMode) {
      ClosePlayPanel();
      SetState(kIdle);
      RefreshAllStrips();
      Timer().StartClock();
      MetronomeSwitchOn();
    } else {
      Timer().StopClock();
      SetState(kPlayStopped);
      MetronomeSwitchOff();
      OpenPlayPanel();
    }
  }
  // 8. The stop button of the mode shown comes up.
  if (TransportShown(State())) {
    if (m_pTransport->Mode() == tTransport::kRecordMode)
      m_pTransport->RecordStop().Release(x, y);
    else if (m_pTransport->Mode() == tTransport::kPlayMode)
      m_pTransport->PlayStop().Release(x, y);
  }
  // 9, 10. The panels' buttons.
  switch (State()) {
    case kTempo: {
      static const int32_t kSteps[4] = {-1, -10, +10, +1};
      for (size_t i = 0; i < m_pSetupButtons.size(); ++i)
        if (m_pSetupButtons[i]->Release(x, y)) m_pTempoDigits->Step(kSteps[i]);
      const bool ok = m_pOk->Release(x, y);
      const bool cancel = m_pCancel->Release(x, y);
      if (ok) {
        SetTempo(m_pTempoDigits->Value());
        RedrawTempo();
        CloseTempoPanel();
        ClearAllChannels();
      } else if (cancel) {
        CloseTempoPanel();
      }
      break;
    }
    case kQuality: {
      const bool ok = m_pOk->Release(x, y);
      const bool cancel = m_pCancel->Release(x, y);
      if (ok)
        ApplyOutputFormat(SwitchFormat());
      else if (cancel)
        CloseQualityPanel();
      break;
    }
    case kExport: {
      const bool ok = m_pOk->Release(x, y);
      const bool cancel = m_pCancel->Release(x, y);
      if (ok)
        ExportFromPanel();
      else if (cancel)
        CloseExportPanel();
      break;
    }
    default:
      break;
  }
  // 11. A key label clicked waits for its new letter.
  if (State() == kIdle)
    for (auto& label : m_pKeyLabels) label->Release(x, y);
  // 12. The help panel's close button.
  if (State() == kHelp && m_pCloseHelp->Release(x, y)) {
    m_pHelp->SetState(tControl::kNormal);
    CloseHelpPanel();
  }
}

// ------------------------------------------------------------ the menus

void tInterface::OpenMixMenu() {
  m_pMixMenu->Open();
}

int32_t tInterface::CloseMixMenu() {
  return m_pMixMenu->CloseAndTake();
}

void tInterface::StripMenuItem(int index, int32_t item) {
  tChannel& channel = Channel(index);
  switch (item) {
    case 0:  // load a channel file
      if (RunFileDialog(*m_pChannelDialog, nullptr))
        LoadChannelFile(index, m_pChannelDialog->Path().c_str(), true);
      break;
    case 1: {  // save the channel as a channel file
      if (!channel.HasSound() && !channel.HasEffect()) {
        ShowMessage("No channels loaded", nullptr);
        break;
      }
      const std::string initial = channel.GetFilePath().GetText();
      if (RunFileDialog(*m_pSaveChannelDialog, initial.c_str()))
        SaveChannelFile(index, m_pSaveChannelDialog->Path().c_str());
      break;
    }
    case 2:    // load the main sample
    case 3: {  // load the effect sample
      const bool main = item == 2;
      tFileDialog& dialog = main ? *m_pMainDialog : *m_pEffectDialog;
      const std::string initial = (main ? channel.GetSndPath() : channel.GetSfxPath()).GetText();
      if (RunFileDialog(dialog, initial.c_str()))
        LoadWaveIntoChannel(main ? tChannel::kMain : tChannel::kEffect, index,
                            dialog.Path().c_str(), true);
      break;
    }
    case 4:
      channel.SwapSounds();
      RefreshStrip(index);
      break;
    case 5:
      channel.RemoveEffect();
      RefreshStrip(index);
      break;
    case 6:
      channel.Reset();
      RefreshStrip(index);
      break;
    default:
      break;
  }
}

void tInterface::MixMenuItem(int32_t item) {
  const bool playMode = State() == kPlayStopped;
  switch (item) {
    case 0:  // tempo, in record mode
      if (playMode) {
        m_pTransport->SetMode(tTransport::kRecordMode);
        ClosePlayPanel();
        SetState(kIdle);
        Timer().StartClock();
        MetronomeSwitchOn();
      }
      OpenTempoPanel();
      break;
    case 1:    // load a mix
    case 2: {  // save the mix
      const bool load = item == 1;
      tFileDialog& dialog = load ? *m_pMixDialog : *m_pSaveMixDialog;
      if (playMode) ClosePlayPanel();
      const std::string initial = load ? std::string() : MixLabelName();
      if (RunFileDialog(dialog, initial.c_str())) {
        if (load)
          LoadMix(dialog.Path().c_str());
        else
          SaveMix(dialog.Path().c_str());
      }
      if (playMode) OpenPlayPanel();
      break;
    }
    case 3: {  // export the mix to a wave file
      bool loaded = false;
      for (int i = 0; i < kChannels; ++i) loaded = loaded || Channel(i).HasSound();
      if (!loaded) {
        ShowMessage("No channels loaded", nullptr);
        break;
      }
      if (playMode) ClosePlayPanel();
      OpenExportPanel();
      break;
    }
    case 4:  // output quality
      if (playMode) ClosePlayPanel();
      OpenQualityPanel();
      break;
    default:
      break;
  }
}

void tInterface::ApplySpinner(int index, int32_t spinner) {
  tChannel& channel = Channel(index);
  const tChannelPanel& panel = *m_pPanels[index];
  switch (spinner) {
    case tChannelPanel::kQuantize:
      channel.SetQuantize(panel.Quantize());
      break;
    case tChannelPanel::kDelay:
      channel.SetDelay(panel.Delay());
      break;
    case tChannelPanel::kLength:
      channel.SetLoop(panel.Length());
      break;
    default:
      return;
  }
  if (channel.IsScheduled()) {
    channel.Stop(false);
    channel.Trigger(Timer().GetTime());
  }
}
