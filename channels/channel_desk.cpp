#include "channels/channel_desk.h"

#include <string>

#include "channels/output_format.h"
#include "platform/hostfs.h"
#include "support/errors.h"

namespace {

const char* const kCanNotLoadWaveMain = "Can not load wave main";
const char* const kCanNotLoadWaveFx = "Can not load wave fx";

const char* WaveMessage(tChannel::tWhich which) {
  return which == tChannel::kMain ? kCanNotLoadWaveMain : kCanNotLoadWaveFx;
}

}  // namespace

tChannelDesk::tChannelDesk(tDeskView* view) : m_pView(view) {}

tChannelDesk::~tChannelDesk() = default;

int tChannelDesk::Message(const char* key, const char* path) {
  return m_pView != nullptr ? m_pView->ShowMessage(key, path) : -1;
}

void tChannelDesk::RefreshStrip(int index) {
  if (m_pView != nullptr) m_pView->RefreshStrip(index);
}

bool tChannelDesk::PrepareChannels() {
  for (auto& channel : m_Channels)
    if (!channel.PrepareEmpty()) return false;
  return true;
}

void tChannelDesk::ResetChannels() {
  for (int i = 0; i < kChannels; ++i) {
    m_Channels[i].Reset();
    RefreshStrip(i);
  }
}

bool tChannelDesk::AdaptChannel(int index, const WAVEFORMATEX& format) {
  if (!IsChannelIndex(index)) return false;
  const bool main = AdaptSound(index, tChannel::kMain, format);
  const bool effect = AdaptSound(index, tChannel::kEffect, format);
  return main && effect;
}

bool tChannelDesk::AdaptSound(int index, tChannel::tWhich which, const WAVEFORMATEX& format) {
  if (!IsChannelIndex(index)) return false;
  tChannel& channel = m_Channels[index];
  if (channel.GetSound(which) == nullptr) return true;
  const tFileName path(which == tChannel::kMain ? channel.GetSndPath() : channel.GetSfxPath());
  if (channel.NeedsReload(which, format)) {
    if (channel.ReloadSound(which, format)) return true;
    // The file has gone (a removed disk) or no longer reads: the sound the
    // channel had plays on, brought to the new format.
    Message(WaveMessage(which), path.GetText());
    if (!channel.ConvertSound(which, format)) channel.ReleaseSound(which);
    return false;
  }
  if (channel.ConvertSound(which, format)) return true;
  // A sound that cannot take the output format does not load.
  channel.ReleaseSound(which);
  Message(WaveMessage(which), path.GetText());
  return false;
}

bool tChannelDesk::LoadWaveIntoChannel(tChannel::tWhich which, int index, const char* path,
                                       bool showErrors) {
  tWaitCursor wait(m_pView);
  if (!IsChannelIndex(index)) return false;
  tChannel& channel = m_Channels[index];
  WAVEFORMATEX format;
  ReadOutputFormat(format);
  const bool ok = channel.LoadSoundConverted(which, path, format);
  if (ok) {
    if (m_pView != nullptr) {
      const double loop = m_pView->GetStripLoop(index);
      channel.SetLoop(loop == 0.0 ? 1.0 : loop);
      channel.SetQuantize(m_pView->GetStripQuantize(index));
      channel.SetDelay(m_pView->GetStripDelay(index));
      channel.SetVolume(m_pView->GetStripVolume(index));
      channel.SetBalance(m_pView->GetStripBalance(index));
      if (channel.GetFilePath().IsEmpty()) m_pView->SetStripLabel(index, "---");
    } else if (channel.GetLoop() == 0.0) {
      channel.SetLoop(1.0);
    }
    RefreshStrip(index);
  } else if (showErrors) {
    Message(WaveMessage(which), path);
  }
  return ok;
}

void tChannelDesk::ClearAllChannels() {
  ClearMix();
  ResetChannels();
}

void tChannelDesk::ReleaseUnheldChannels() {
  if (m_pView == nullptr) return;
  for (int i = 0; i < kChannels; ++i) {
    tChannel& channel = m_Channels[i];
    if (channel.GetKeyHeld() && !m_pView->IsKeyDown(channel.GetKey()) && !channel.GetLatched()) {
      channel.SetKeyHeld(false);
      channel.Stop(false);
      RefreshStrip(i);
    }
  }
}

void tChannelDesk::MakeDriveRelative(tFileName& path) const {
  if (!path.IsAbsolutePath()) return;
  tFileName directory, name;
  directory.SetRootlessDirectoryOf(path);
  name.SetNameAndExtensionOf(path);
  directory.Append(name);
  path.Assign(directory);
}

void tChannelDesk::ResolveOnDrive(const tFileName& parent, tFileName& path) const {
  if (path.IsAbsolutePath()) return;
  ASSUME(parent.IsAbsolutePath());
  tString resolved;
  resolved.Substring(parent, 0, 3);  // the root of parent's drive, "E:\"
  resolved.Append(path);
  path.Assign(resolved);
}

void tChannelDesk::DisplayNameOf(const char* path, tString& name) {
  std::string text = path != nullptr ? path : "";
  size_t slash = text.rfind('\\');
  if (slash != std::string::npos) text.erase(0, slash + 1);
  if (text.size() > platform::kMaxPath) text.resize(platform::kMaxPath);
  if (text.size() >= 4 && text[text.size() - 4] == '.') text.resize(text.size() - 4);
  name.Assign(text.c_str());
}

void tChannelDesk::StripLabelText(int index, tString& text) const {
  const tChannel& channel = m_Channels[index];
  if (!channel.GetFilePath().IsEmpty())
    DisplayNameOf(channel.GetFilePath().GetText(), text);
  else
    text.Assign(channel.HasSound() ? "---" : "");
}

int tChannelDesk::LedValue(int index) const {
  const tChannel& channel = m_Channels[index];
  const bool held = channel.GetKeyHeld();
  const bool latched = channel.GetLatched();
  const bool fx = channel.GetFxOn();
  int value = held ? 3 : 0;
  if (latched) value = 1;
  if (fx && held) value = 4;
  if (fx && latched) value = 2;
  if (channel.GetSuspended() && !held) value = 0;
  return value;
}

void tChannelDesk::SetLed(int index) {
  if (m_pView != nullptr && IsChannelIndex(index)) m_pView->SetStripLed(index, LedValue(index));
}
