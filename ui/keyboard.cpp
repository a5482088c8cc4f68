// The desk's keyboard: which key runs which command, and the commands. The
// performance keys play the channels; the others edit the held channels,
// set the master volume and pitch, switch the effect in, latch, suspend and
// release channels, and drive the transport. While the desk records, every
// change to a channel is also written to the mix as an event.
#include <cmath>
#include <functional>

#include "audio/audio_setup.h"
#include "ui/interface.h"

using namespace platform;

bool tInterface::Editing() const {
  const int32_t state = State();
  return state == kIdle || state == kRecording;
}

// --------------------------------------------------------------- dispatch

void tInterface::KeyPressed(uint8_t key, bool repeat) {
  // Commands that repeat while their key is held.
  switch (key) {
    case kKeyPageUp:
      VolumeOfHeld(+2);
      break;
    case kKeyInsert:
      VolumeOfHeld(-2);
      break;
    case kKeyHome:
      ResetVolumeOfHeld();
      break;
    case kKeyPageDown:
      BalanceOfHeld(+5);
      break;
    case kKeyDelete:
      BalanceOfHeld(-5);
      break;
    case kKeyEnd:
      ResetBalanceOfHeld();
      break;
    case kKeyUp:
      if (IsKeyDown(kKeyDown))
        ResetMasterVolume();
      else
        StepMasterVolume(+9);
      break;
    case kKeyDown:
      if (IsKeyDown(kKeyUp))
        ResetMasterVolume();
      else
        StepMasterVolume(-9);
      break;
    case kKeyRight:
      if (IsKeyDown(kKeyLeft))
        ResetMasterPitch();
      else
        StepMasterPitch(+1);
      break;
    case kKeyLeft:
      if (IsKeyDown(kKeyRight))
        ResetMasterPitch();
      else
        StepMasterPitch(-1);
      break;
    case kKeyF1:
      HelpKey();
      break;
    case kKeyF2:
      PitchOfHeld(-0.1);
      break;
    case kKeyF3:
      ResetPitchOfHeld();
      break;
    case kKeyF4:
      PitchOfHeld(+0.1);
      break;
    default:
      break;
  }
  if (repeat) return;
  // Commands of the first press only; every other key is a performance key.
  switch (key) {
    case kKeyTab:
      EffectSwitchPressed();
      break;
    case kKeyEnter:
      TransportKey();
      break;
    case kKeyCtrl:
      SuspendLatched();
      break;
    case kKeyEsc:
      ReleaseEverything();
      break;
    case kKeySpace:
      ToggleLatchOfHeld();
      break;
    default:
      PerformanceKeyPressed(key);
      break;
  }
}

void tInterface::KeyReleased(uint8_t key) {
  if (key == kKeyTab) EffectSwitchReleased();
  if (key == kKeyCtrl) {
    if (IsKeyDown(kKeyShift))
      DropSuspended();
    else
      ResumeSuspended();
  }
  PerformanceKeyReleased(key);
}

// ----------------------------------------------------- the held channels

void tInterface::EditHeld(int32_t kind, const std::function<int32_t(tChannel&)>& edit) {
  if (!Editing()) return;
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    if (!ch.GetKeyHeld()) continue;
    const int32_t value = edit(ch);
    if (kind == kVolume)
      ShowStripVolume(i, value);
    else
      ShowStripBalance(i, value);
    RecordEvent(i, kind, value, time);
  }
}

void tInterface::VolumeOfHeld(int32_t step) {
  EditHeld(kVolume, [step](tChannel& ch) {
    ch.AdjustVolume(step);
    return ch.GetVolume();
  });
}

void tInterface::ResetVolumeOfHeld() {
  EditHeld(kVolume, [](tChannel& ch) {
    ch.SetVolume(ch.GetBaseVolume());
    return ch.GetVolume();
  });
}

void tInterface::BalanceOfHeld(int32_t step) {
  EditHeld(kBalance, [step](tChannel& ch) {
    ch.AdjustBalance(step);
    return ch.GetBalance();
  });
}

void tInterface::ResetBalanceOfHeld() {
  EditHeld(kBalance, [](tChannel& ch) {
    ch.SetBalance(ch.GetBaseBalance());
    return ch.GetBalance();
  });
}

void tInterface::RecordAllPitches(uint32_t time) {
  for (int i = 0; i < kChannels; ++i)
    RecordEvent(i, kPitch, PitchTenths(Channel(i).GetPitch()), time);
}

void tInterface::PitchOfHeld(double step) {
  if (!Editing()) return;
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i)
    if (Channel(i).GetKeyHeld()) Channel(i).AdjustPitch(step);
  RecordAllPitches(time);
}

void tInterface::ResetPitchOfHeld() {
  if (!Editing()) return;
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i)
    if (Channel(i).GetKeyHeld()) Channel(i).SetPitch(0.0);
  RecordAllPitches(time);
}

// ---------------------------------------------------- master volume, pitch

void tInterface::StepMasterVolume(int32_t stepPercent) {
  ChangeMasterVolume(stepPercent);
  if (m_Ready) ShowMasterVolume();
}

void tInterface::ResetMasterVolume() {
  SetMasterVolume(0.8);
  if (m_Ready) ShowMasterVolume();
}

void tInterface::StepMasterPitch(int32_t step) {
  if (!m_Ready) return;
  if (step > 0)
    m_pMasterPitch->StepUp();
  else
    m_pMasterPitch->StepDown();
  SetMasterPitch((m_pMasterPitch->Value() + 100) / 100.0);
}

void tInterface::ResetMasterPitch() {
  if (!m_Ready) return;
  m_pMasterPitch->Set(0, true);
  SetMasterPitch(1.0);
}

// --------------------------------------------------------- the modifiers

void tInterface::EffectSwitchPressed() {
  if (!Editing() || !m_Ready) return;
  m_pTabLamp->Set(true);
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    if (!ch.GetKeyHeld() || !ch.HasEffect()) continue;
    ch.SetFxOn(true);
    SetLed(i);
    RecordEvent(i, kFx, 1, time);
  }
}

void tInterface::EffectSwitchReleased() {
  if (!Editing() || !m_Ready) return;
  m_pTabLamp->Set(false);
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    if (!ch.GetFxOn() || ch.GetLatched()) continue;
    ch.SetFxOn(false);
    SetLed(i);
    RecordEvent(i, kFx, 0, time);
  }
}

void tInterface::SuspendLatched() {
  if (!Editing() || !m_Ready) return;
  m_pCtrlLamp->Set(true);
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    if (!ch.GetLatched() || ch.GetKeyHeld()) continue;
    ch.SetSuspended(true);
    ch.Stop(false);
    RecordEvent(i, kStop, 0, time);
    SetLed(i);
  }
}

void tInterface::ResumeSuspended() {
  if (!Editing() || !m_Ready) return;
  m_pCtrlLamp->Set(false);
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    if (!ch.GetSuspended()) continue;
    ch.SetSuspended(false);
    RecordEvent(i, kPlay, 0, time);
    SetLed(i);
  }
}

void tInterface::DropSuspended() {
  if (!Editing() || !m_Ready) return;
  m_pCtrlLamp->Set(false);
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    if (!ch.GetLatched() || !ch.GetSuspended()) continue;
    ch.SetSuspended(false);
    ch.SetLatched(false);
    ch.Stop(false);
    RecordEvent(i, kStop, 0, time);
    SetLed(i);
  }
}

void tInterface::ToggleLatchOfHeld() {
  if (!Editing()) return;
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    if (!ch.GetKeyHeld() || ch.GetSuspended()) continue;
    ch.SetLatched(!ch.GetLatched());
    SetLed(i);
  }
}

void tInterface::ReleaseEverything() {
  ResetChannelStates();
  if (State() == kRecording) StopRecording();
  if (State() == kPlaying) StopPlayback();
}

void tInterface::TransportKey() {
  if (!m_Ready) return;
  const int32_t state = State();
  if (m_pTransport->Mode() != tTransport::kRecordMode) {
    if (state == kPlaying)
      StopPlayback();
    else if (state == kPlayStopped)
      StartPlayback();
  } else {
    if (state == kRecording)
      StopRecording();
    else if (state == kIdle)
      StartRecording();
  }
}

// ---------------------------------------------------- the performance keys

void tInterface::PerformanceKeyPressed(uint8_t key) {
  const int32_t state = State();
  if (state != kIdle && state != kRecording) return;
  const bool effect = m_Ready && m_pTabLamp->IsOn();
  // One time for every channel on this key: the Play events carry the time
  // the channels were triggered with.
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    if (!ch.HasSound() || ch.GetKey() != key) continue;
    if (ch.HasEffect() && ch.GetFxOn() != effect) {
      ch.SetFxOn(effect);
      RecordEvent(i, kFx, effect ? 1 : 0, time);
    }
    // A latched channel plays on; one that is suspended starts again (and
    // stays suspended).
    if (!ch.GetLatched() || ch.GetSuspended()) {
      ch.Trigger(time);
      RecordEvent(i, kPlay, 0, time);
    }
    ch.SetKeyHeld(true);
    SetLed(i);
  }
  if (state != kIdle || !m_Ready) return;
  // A key label that waits for a key takes a letter; it becomes the key of
  // its channel.
  for (int i = 0; i < kChannels; ++i) {
    const uint8_t letter = m_pKeyLabels[i]->OfferKey(key);
    if (letter != 0) Channel(i).SetKey(letter);
  }
}

void tInterface::PerformanceKeyReleased(uint8_t key) {
  const int32_t state = State();
  if (state != kIdle && state != kRecording) return;
  const bool shift = IsKeyDown(kKeyShift);
  const uint32_t time = Timer().GetTime();
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    if (!ch.HasSound() || ch.GetKey() != key) continue;
    if (!ch.GetLatched()) {
      // With Shift the sound rings out.
      ch.Stop(shift);
      RecordEvent(i, kStop, shift ? 1 : 0, time);
    } else if (ch.GetSuspended()) {
      ch.Stop(false);
      RecordEvent(i, kStop, 0, time);
    }
    ch.SetKeyHeld(false);
    SetLed(i);
  }
}
