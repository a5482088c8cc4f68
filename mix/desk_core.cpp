#include "mix/desk_core.h"

#include <strings.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/audio_setup.h"
#include "audio/speaker.h"
#include "audio/wave_file_output.h"
#include "channels/output_format.h"
#include "channels/tempo.h"
#include "mix/output_rate.h"
#include "platform/clock.h"
#include "platform/hostfs.h"
#include "platform/profile.h"
#include "support/errors.h"

namespace {

constexpr uint32_t kNoTime = 0xFFFFFFFFu;
constexpr uint32_t kTickMs = 10;
constexpr const char* kDefaultKeys = "AZERTYUIQSDFGHJK";
// Largest accumulator the level feed copies: one 20 ms page at 44100 Hz is 882 frames.
constexpr uint32_t kLevelFrames = 4096;

// The desk the tick timer's callback drives (the timer passes no desk).
std::atomic<tDeskCore*> g_pTickDesk{nullptr};

// True when clock time a has reached b, compared modulo 2^32.
bool Reached(uint32_t now, uint32_t time) {
  return static_cast<int32_t>(now - time) >= 0;
}

// Labels take part in sorting with at most 19 characters, without case.
bool LabelLess(const char* a, const char* b) {
  return strncasecmp(a, b, 19) < 0;
}

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
  return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
         a.wBitsPerSample == b.wBitsPerSample;
}

}  // namespace

tDeskCore::tDeskCore(tMixView* view, platform::PeriodicTimerService& timers)
    : tChannelDesk(view), m_pMixView(view), m_Timer(timers), m_LevelBuffer(2 * kLevelFrames) {}

tDeskCore::~tDeskCore() {
  DestroyTimer();
}

int32_t tDeskCore::ValidTempo(int32_t bpm) {
  return bpm >= 1 && bpm <= 999 ? bpm : kDefaultTempo;
}

// ---------------------------------------------------------------- the tick

void tDeskCore::TickCallback(uint32_t, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
  if (tDeskCore* desk = g_pTickDesk.load()) desk->EngineTick();
}

void tDeskCore::CreateTimer() {
  g_pTickDesk.store(this);
  m_Timer.SetTime(m_Timer.RestartTime());
  SetGridOrigin(m_Timer.RestartTime());
  m_Timer.Create(kTickMs, &TickCallback);
  m_Timer.StartClock();
}

void tDeskCore::DestroyTimer() {
  m_Timer.Destroy();
  tDeskCore* self = this;
  g_pTickDesk.compare_exchange_strong(self, nullptr);
}

void tDeskCore::EngineTick() {
  const uint32_t time = m_Timer.GetTime();
  if (m_pMixView != nullptr)
    for (int i = 0; i < kChannels; ++i) m_pMixView->TickKeyLabel(i, time);
  if (!m_Timer.IsRunning()) return;

  // Whole frames of 10 ms at the output rate and the master pitch; the
  // hundredths carry over to the next tick.
  double x = static_cast<double>(OutputRate()) * GetMasterPitch();
  if (!(x > 0.0)) x = 0.0;
  const double sum = m_Remainder + x;
  m_Timer.AddTime(static_cast<uint32_t>(std::trunc(sum / 100.0)));
  m_Remainder = static_cast<int32_t>(static_cast<int64_t>(std::trunc(sum)) % 100);

  const uint32_t now = m_Timer.GetTime();
  MetronomeTick(now);
  for (int i = 0; i < kChannels; ++i) Channel(i).Tick(now);

  switch (m_State.load()) {
    case kRecording:
      m_TimePosition += kTickMs;
      m_TimeLength += kTickMs;
      ShowTime();
      break;
    case kPlaying:
      PlayDueEvents();
      m_TimePosition += kTickMs;
      ShowTime();
      break;
    default:
      break;
  }
}

void tDeskCore::FeedLevelMeter() {
  uint32_t frames = SystemMixer().CopyMix(m_LevelBuffer.data(), kLevelFrames);
  int32_t left = INT32_MIN, right = INT32_MIN;
  for (uint32_t i = 0; i < frames; ++i) {
    left = std::max(left, std::abs(m_LevelBuffer[2 * i] >> 16));
    right = std::max(right, std::abs(m_LevelBuffer[2 * i + 1] >> 16));
  }
  m_Meter.SetLeft(left);
  m_Meter.SetRight(right);
  m_Meter.Draw();
}

// ----------------------------------------------------------- the metronome

void tDeskCore::DrawMetronome() {
  if (m_pMixView == nullptr || !m_MetronomeShown.load()) return;
  m_pMixView->DrawMetronome(m_MetronomeOn.load() ? m_MetronomeStep.load() + 1 : 0);
}

void tDeskCore::MetronomeTick(uint32_t time) {
  const uint64_t spb = static_cast<uint64_t>(SamplesPerBeat());
  const uint32_t beats = time - GridOrigin();
  const int step = static_cast<int>((beats % (32 * spb)) / spb);
  if (step != m_MetronomeStep.load()) {
    m_MetronomeStep.store(step);
    DrawMetronome();
  }
}

void tDeskCore::MetronomeSwitchOn() {
  m_MetronomeOn.store(true);
  DrawMetronome();
}

void tDeskCore::MetronomeSwitchOff() {
  m_MetronomeOn.store(false);
  DrawMetronome();
}

void tDeskCore::MetronomeClick() {
  if (m_pMixView != nullptr) m_pMixView->PlayClick();
}

void tDeskCore::MetronomeShow(bool shown) {
  m_MetronomeShown.store(shown);
}

// -------------------------------------------------------- the time display

void tDeskCore::ShowTime() {
  if (m_pMixView != nullptr) m_pMixView->ShowTime(m_TimePosition.load(), m_TimeLength.load());
}

void tDeskCore::SetTimePosition(uint32_t ms) {
  if (m_TimePosition.exchange(ms) != ms) ShowTime();
}

void tDeskCore::SetTimeLength(uint32_t ms) {
  if (m_TimeLength.exchange(ms) != ms) ShowTime();
}

// ----------------------------------------------------------------- events

int32_t tDeskCore::DeskState() const {
  const int32_t state = m_State.load();
  return state == kMessageBox || state == kBusy ? m_SavedState.load() : state;
}

void tDeskCore::RecordEvent(int32_t channel, int32_t kind, int32_t value, uint32_t time) {
  // Events are stamped from the start of the recording.
  if (m_State.load() == kRecording) m_Events.Record(time - GridOrigin(), channel, kind, value);
}

int32_t tDeskCore::PitchTenths(double pitch) {
  // A hand-edited channel file may give any number; the event keeps a 32-bit one.
  const double tenths = std::round(pitch * 10.0);
  if (std::isnan(tenths)) return 0;
  return static_cast<int32_t>(std::clamp(tenths, -2147483648.0, 2147483647.0));
}

void tDeskCore::PlayDueEvents() {
  tLock lock(m_TransportLock);
  if (m_State.load() != kPlaying) return;  // stopped by the main thread meanwhile
  // Event times count from the start of playback, which is the grid's origin.
  const uint32_t origin = GridOrigin();
  const uint32_t now = m_Timer.GetTime();
  for (;;) {
    if (m_Pending.time != kNoTime && !Reached(now, origin + m_Pending.time)) return;
    if (m_Pending.time != kNoTime)
      DispatchEvent(origin + m_Pending.time, m_Pending.channel, m_Pending.kind, m_Pending.value);
    if (m_Events.ReadNext(m_Pending.time, m_Pending.channel, m_Pending.kind, m_Pending.value)) {
      continue;
    }
    // The recording is over.
    if (m_pMixView != nullptr && m_pMixView->IsTransportSwitchDown(tMixView::kPlaySwitch))
      m_pMixView->SetTransportSwitch(tMixView::kPlaySwitch, false);
    m_Pending.time = kNoTime;
    StopPlayback();
    return;
  }
}

void tDeskCore::DispatchEvent(uint32_t time, int32_t channel, int32_t kind, int32_t value) {
  if (!IsChannelIndex(channel)) return;  // a hand-edited line naming no channel
  tChannel& ch = Channel(channel);
  switch (kind) {
    case kPlay:
      ch.Trigger(time);
      ch.SetKeyHeld(true);
      break;
    case kStop:
      ch.Stop(value == 1);
      ch.SetKeyHeld(false);
      break;
    case kVolume:
      ch.SetVolume(value);
      break;
    case kBalance:
      ch.SetBalance(value);
      break;
    case kFx:
      ch.SetFxOn(value != 0);
      break;
    case kPitch:
      ch.SetPitch(value / 10.0);
      break;
    default:
      break;
  }
}

// -------------------------------------------------------------- mix files

void tDeskCore::ClearMix() {
  m_Events.Clear();
  if (m_pMixView != nullptr) m_pMixView->SetMixLabel("");
  // The cleared mix has no length either: the display shows 0 for both.
  m_TimePosition.store(0);
  m_TimeLength.store(0);
  ShowTime();
}

void tDeskCore::RefreshAllStrips() {
  for (int i = 0; i < kChannels; ++i) RefreshStrip(i);
}

bool tDeskCore::LoadMix(const char* path) {
  tWaitCursor wait(m_pMixView);
  tFileName p(path != nullptr ? path : "");
  if (p.IsEmpty()) return false;
  // A drive without its root ("C:a.mix") is completed too, so that the
  // channel files are put on "C:\" and not on "C:a".
  if (!p.IsAbsolutePath() || (p[2] != '\\' && p[2] != '/')) p.MakeAbsolute(p);

  // The copy is checked before it replaces the working file, so a rejected
  // mix never costs the unsaved recording.
  if (!m_Events.LoadFrom(p.GetText())) {
    Message("can not load mix", p.GetText());
    return false;
  }
  const std::string candidate = m_Events.CandidatePath();
  if (platform::ReadProfileSection(candidate, "Brevora Mix", 50).empty()) {
    m_Events.Reject();
    Message("can not load mix", p.GetText());
    return false;
  }
  const std::string version =
      platform::ReadProfileString(candidate, "Brevora Mix", "Version", "0", 10);
  if (std::strtol(version.c_str(), nullptr, 10) < 3) {
    m_Events.Reject();
    Message("Wrong mix version", p.GetText());
    return false;
  }
  if (!m_Events.Accept()) {
    Message("can not load mix", p.GetText());
    return false;
  }

  ResetChannels();
  int32_t tempo = kDefaultTempo;
  m_Events.ReadTempo(tempo);
  SetTempo(ValidTempo(tempo));
  if (m_pMixView != nullptr) m_pMixView->RedrawTempo();

  if (m_pMixView != nullptr) m_pMixView->OpenBusyMessage("loading mix", p.GetText());
  struct tEntry {
    char label[260];
    int index;
  };
  std::vector<tEntry> order(kChannels);
  for (int i = 0; i < kChannels; ++i) {
    m_Events.ReadLabel(i, order[i].label);
    order[i].index = i;
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const tEntry& a, const tEntry& b) { return LabelLess(a.label, b.label); });

  bool showErrors = true, asked = false, abandoned = false;
  for (const tEntry& entry : order) {
    const int i = entry.index;
    if (m_pMixView != nullptr) m_pMixView->OpenBusyMessage("loading mix", p.GetText());
    if (!abandoned) {
      char sample[260];
      m_Events.ReadSample(i, sample);
      tFileName s(sample);
      if (!s.IsEmpty()) {
        MakeDriveRelative(s);
        ResolveOnDrive(p, s);
        if (!LoadChannelFile(i, s.GetText(), showErrors) && !asked) {
          asked = true;
          int answer =
              m_pMixView != nullptr ? m_pMixView->ShowMessage("Error loading mix", nullptr) : 1;
          if (answer == 0) abandoned = true;
          if (answer == 1) showErrors = true;
          if (answer == 2) showErrors = false;
        }
      }
    }
    if (m_State.load() == kIdle) RefreshStrip(i);
  }
  if (m_pMixView != nullptr) m_pMixView->CloseBusyMessage();

  tString name;
  DisplayNameOf(p.GetText(), name);
  if (m_pMixView != nullptr) m_pMixView->SetMixLabel(name.GetText());
  int32_t length = 0;
  uint32_t lengthMs = 0;
  if (m_Events.ReadLength(length)) {
    lengthMs = static_cast<uint32_t>(length) * 1000u;
  } else if (m_Events.ReadLastTime(lengthMs)) {
    // A length that is no length: the events tell where the mix ends.
    lengthMs = std::min(lengthMs, static_cast<uint32_t>(kMaxMixSeconds) * 1000u);
  }
  SetTimeLength(lengthMs);
  if (m_pMixView != nullptr) m_pMixView->PlayIntro();
  return true;
}

bool tDeskCore::SaveMix(const char* path) {
  tEventList::tHeader header;
  for (int i = 0; i < kChannels; ++i) {
    const tChannel& ch = Channel(i);
    header.label[i] = ch.GetFileLabel().GetText();
    header.serial[i] = ch.GetFileSerial();
    header.sample[i] = ch.GetFilePath().GetText();
  }
  header.tempo = GetTempo();
  header.length = static_cast<int32_t>(m_TimeLength.load() / 1000u);
  header.version = 3;
  if (!m_Events.WriteHeader(header) || !m_Events.SaveTo(path)) {
    Message("Can not save mix", path);
    return false;
  }
  tString name;
  DisplayNameOf(path, name);
  if (m_pMixView != nullptr) m_pMixView->SetMixLabel(name.GetText());
  return true;
}

// -------------------------------------------------------------- transport

void tDeskCore::ResetChannelStates() {
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = Channel(i);
    ch.SetLatched(false);
    ch.SetKeyHeld(false);
    ch.SetFxOn(false);
    ch.EndSuspension();  // without bringing back the saved effect selection
    ch.Stop(false);
    SetLed(i);
  }
}

void tDeskCore::StartRecording() {
  tLock lock(m_TransportLock);
  bool any = false;
  for (int i = 0; i < kChannels; ++i) any = any || Channel(i).HasSound();
  if (!any) {
    if (m_pMixView != nullptr) m_pMixView->SetTransportSwitch(tMixView::kRecSwitch, false);
    Message("No channels loaded", nullptr);
    return;
  }
  // The recording goes to the working file: when it cannot be started there
  // (a full or failing temporary folder) the desk stays in record mode.
  if (!m_Events.Clear()) {
    if (m_pMixView != nullptr) m_pMixView->SetTransportSwitch(tMixView::kRecSwitch, false);
    Message("Can not save mix", m_Events.WorkingPath().c_str());
    return;
  }
  if (m_pMixView != nullptr) m_pMixView->SetTransportSwitch(tMixView::kRecSwitch, true);
  ResetChannelStates();
  RefreshAllStrips();
  if (m_pMixView != nullptr) m_pMixView->SetMixLabel("---");
  for (int i = 0; i < kChannels; ++i) {
    const tChannel& ch = Channel(i);
    m_Events.Record(0, i, kVolume, ch.GetVolume());
    m_Events.Record(0, i, kBalance, ch.GetBalance());
    m_Events.Record(0, i, kPitch, PitchTenths(ch.GetPitch()));
  }
  SetTimeLength(0);
  SetTimePosition(0);

  // Count-in: four clicks on beats 29 to 32 of a metronome cycle.
  const uint32_t spb = static_cast<uint32_t>(SamplesPerBeat());
  const uint32_t rate = OutputRate();
  const uint32_t beatMs = rate != 0 ? static_cast<uint32_t>((uint64_t(spb) * 1000u) / rate) : 0;
  SetGridOrigin(m_Timer.RestartTime());
  m_Timer.SetTime(GridOrigin() + spb * 28u);
  for (int i = 0; i < 4; ++i) {
    MetronomeClick();
    platform::SleepMs(beatMs);
  }
  m_Timer.RestartClock();
  m_State.store(kRecording);
}

void tDeskCore::StopRecording() {
  tLock lock(m_TransportLock);
  bool written = true;
  const uint32_t recorded = m_Timer.GetTime() - GridOrigin();
  if (recorded > OutputRate() / 2) {
    m_Events.Record(recorded, 0, kEndMix, 0);
    written = m_Events.Close();
  } else {
    m_Events.Clear();  // half a second or less: discarded
    m_Events.Close();
  }
  SetTimePosition(0);
  m_State.store(kIdle);
  ResetChannelStates();
  RefreshAllStrips();
  if (m_pMixView != nullptr) m_pMixView->SetTransportSwitch(tMixView::kRecSwitch, false);
  // Lines the working file did not take are lost: the performer is told.
  if (!written) Message("Can not save mix", m_Events.WorkingPath().c_str());
}

void tDeskCore::StartPlayback() {
  tLock lock(m_TransportLock);
  if (!m_Events.OpenForReading()) return;
  ResetChannelStates();
  m_Events.Rewind();
  m_Pending.time = kNoTime;
  SetTimePosition(0);
  if (m_pMixView != nullptr) m_pMixView->SetTransportSwitch(tMixView::kPlaySwitch, true);
  m_State.store(kPlaying);
  SetGridOrigin(m_Timer.RestartTime());
  m_Timer.RestartClock();
  MetronomeSwitchOn();
  m_Meter.ShowSpeakers(true);
}

void tDeskCore::StopPlayback() {
  tLock lock(m_TransportLock);
  m_Meter.ShowSpeakers(false);
  MetronomeSwitchOff();
  m_Timer.StopClock();
  m_Events.Close();
  SetTimePosition(0);
  m_State.store(kPlayStopped);
  ResetChannelStates();
  if (m_pMixView != nullptr) m_pMixView->SetTransportSwitch(tMixView::kPlaySwitch, false);
}

void tDeskCore::UpdateFormatLamps() {
  WAVEFORMATEX f{};
  GetOutputFormat(f);
  if (m_pMixView != nullptr)
    m_pMixView->SetFormatLamps(f.nSamplesPerSec == 44100, f.wBitsPerSample == 16, f.nChannels == 2);
}

bool tDeskCore::ConvertMix(const WAVEFORMATEX& format) {
  tWaitCursor wait(m_pMixView);
  ResetChannelStates();
  const bool wasRunning = m_Timer.IsRunning();
  m_Timer.StopClock();
  if (m_pMixView != nullptr)
    m_pMixView->OpenBusyMessage("converting mix", m_Events.MixName().GetText());
  struct tEntry {
    const char* label;
    int index;
    tChannel::tWhich which;
  };
  std::vector<tEntry> order;
  for (int i = 0; i < kChannels; ++i) {
    order.push_back({Channel(i).GetSndLabel().GetText(), i, tChannel::kMain});
    order.push_back({Channel(i).GetSfxLabel().GetText(), i, tChannel::kEffect});
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const tEntry& a, const tEntry& b) { return LabelLess(a.label, b.label); });
  for (const tEntry& e : order) AdaptSound(e.index, e.which, format);
  if (m_pMixView != nullptr) m_pMixView->CloseBusyMessage();
  if (wasRunning) m_Timer.StartClock();
  if (m_pMixView != nullptr) m_pMixView->PlayIntro();
  return true;
}

bool tDeskCore::ExportMix(const char* path, const WAVEFORMATEX& format) {
  // The mix is rendered into a temporary file beside the target, which
  // replaces the target only when every page and the header were written.
  tFileName target(path != nullptr ? path : "");
  std::string full, folder, temp;
  if (target.IsEmpty() || !platform::FullPath(target.GetText(), full)) {
    Message("failed to export mix", target.GetText());
    return false;
  }
  folder = full.substr(0, full.rfind('\\') + 1);
  if (!platform::CreateTempFile(folder, ".export", temp)) {
    Message("failed to export mix", target.GetText());
    return false;
  }

  tLock lock(m_TransportLock);
  tWaitCursor wait(m_pMixView);
  const bool clockWasRunning = m_Timer.IsRunning();
  const bool metronomeWasOn = m_MetronomeOn.load();
  // The export counts its own time from 0.
  const uint32_t origin = GridOrigin();
  SetGridOrigin(0);
  m_Timer.StopClock();
  MetronomeSwitchOff();
  SetTimePosition(0);

  WAVEFORMATEX kept{};
  GetOutputFormat(kept);
  SetOutputFormat(format);
  UpdateFormatLamps();
  ConvertMix(format);

  if (m_pMixView != nullptr) m_pMixView->WaitWhileIntroPlays(10000);
  // Lets a streaming speaker finish the pages it is writing before the mixer
  // moves to the export device; a speaker that does not stream has none.
  if (SystemSpeaker().TimerId() != 0) platform::SleepMs(2 * SystemSpeaker().PageMs());

  tWaveFileOutput& device = SystemWaveFileOutput();
  device.Open(temp);
  device.SetFormat(format);
  device.SetSource(&SystemMixer());
  const bool started = device.Start();

  uint32_t end = m_TimeLength.load() + 1000u;
  m_Events.OpenForReading();
  m_Events.Rewind();
  tEvent pending;
  bool have = m_Events.ReadNext(pending.time, pending.channel, pending.kind, pending.value);
  const uint32_t rate = OutputRate();
  for (uint32_t t = 0; t < end; t += kTickMs) {
    const uint32_t now = static_cast<uint32_t>((uint64_t(t) * rate) / 1000u);
    // Every event that is due in this step, as playback dispatches them.
    while (have && Reached(now, pending.time)) {
      DispatchEvent(pending.time, pending.channel, pending.kind, pending.value);
      have = m_Events.ReadNext(pending.time, pending.channel, pending.kind, pending.value);
      if (!have) t = end;  // the last step renders up to the length plus one second
    }
    for (int i = 0; i < kChannels; ++i) Channel(i).Tick(now);
    device.Advance(t);
    m_TimePosition += kTickMs;
    if (m_pMixView != nullptr) m_pMixView->ExportProgress(std::min(t, end), end);
  }

  SetTimePosition(0);
  m_Events.Close();
  ResetChannelStates();
  if (m_State.load() == kIdle) RefreshAllStrips();
  device.Stop();
  const bool written = started && device.WriteSucceeded();
  device.Close();
  SystemSpeaker().SetSource(&SystemMixer());
  SystemSpeaker().Start();

  // The finished file gets the permissions of the one it replaces, or a new file's.
  if (written && !platform::CopyPermissions(full, temp)) platform::SetNewFilePermissions(temp);
  bool ok = written && platform::ReplaceFile(temp, full);
  if (!ok) {
    platform::DeleteFile(temp);
    Message("failed to export mix", target.GetText());
  }

  WAVEFORMATEX now{};
  GetOutputFormat(now);
  if (!SameFormat(now, kept) && m_pMixView != nullptr &&
      m_pMixView->ShowMessage("keep or restore format", nullptr) == 1) {
    SetOutputFormat(kept);
    UpdateFormatLamps();
    ConvertMix(kept);
  }
  SetGridOrigin(origin);
  if (clockWasRunning) m_Timer.StartClock();
  if (metronomeWasOn) MetronomeSwitchOn();
  return ok;
}

// --------------------------------------------------------------- settings

void tDeskCore::SetKeys(const char* buffer) {
  ASSUME_TEXT(strlen(buffer) == 16, "strlen(buffer)==16");
  const size_t length = std::strlen(buffer);
  for (int i = 0; i < kChannels; ++i) {
    // Channels beyond a short text keep no key.
    const uint8_t key = static_cast<size_t>(i) < length ? static_cast<uint8_t>(buffer[i]) : 0;
    Channel(i).SetKey(key);
    if (m_pMixView != nullptr) m_pMixView->SetKeyLabel(i, key);
  }
}

void tDeskCore::LoadSettings() {
  m_Registry.SetMainKey(kSettingsKey);
  char keys[260];
  SetKeys(m_Registry.ReadText("Keys", keys, sizeof keys) ? keys : kDefaultKeys);

  uint32_t frequency = 0, block = 0, channels = 0;
  const bool haveFormat = m_Registry.ReadNumber("Frequency", frequency) &&
                          m_Registry.ReadNumber("Block", block) &&
                          m_Registry.ReadNumber("Channels", channels);
  // A stored format outside what the desk plays falls back as a whole.
  const bool valid = haveFormat && (frequency == 22050 || frequency == 44100) &&
                     (block == 8 || block == 16) && (channels == 1 || channels == 2);
  if (valid) {
    SetOutputFormat(frequency, static_cast<uint16_t>(block), static_cast<uint16_t>(channels));
  } else {
    SetOutputFormat(22050, 8, 2);
  }
  UpdateFormatLamps();

  uint32_t volume = 0;
  int32_t percent = 80;
  if (m_Registry.ReadNumber("MasterVolume", volume))
    percent = static_cast<int32_t>(std::min(volume, 100u));
  SetMasterVolume(percent / 100.0);
  if (m_pMixView != nullptr) m_pMixView->SetMasterVolumeSlider(percent);

  uint32_t tempo = 0;
  SetTempo(m_Registry.ReadNumber("Tempo", tempo) ? ValidTempo(static_cast<int32_t>(tempo))
                                                 : kDefaultTempo);
  if (m_pMixView != nullptr) m_pMixView->RedrawTempo();
}

void tDeskCore::SaveSettings() {
  m_Registry.SetMainKey(kSettingsKey);
  char keys[kChannels + 1];
  for (int i = 0; i < kChannels; ++i) keys[i] = static_cast<char>(Channel(i).GetKey());
  keys[kChannels] = 0;
  m_Registry.WriteText("Keys", keys);
  WAVEFORMATEX f{};
  GetOutputFormat(f);
  // Whole percent, truncated; the small addend keeps a volume set as
  // percent / 100.0 at its percent (0.29 * 100.0 is 28.999... in doubles).
  const uint32_t volume = static_cast<uint32_t>(std::trunc(GetMasterVolume() * 100.0 + 1e-9));
  (void)(m_Registry.WriteNumber("Frequency", f.nSamplesPerSec) &&
         m_Registry.WriteNumber("Block", f.wBitsPerSample) &&
         m_Registry.WriteNumber("Channels", f.nChannels) &&
         m_Registry.WriteNumber("Tempo", static_cast<uint32_t>(GetTempo())) &&
         m_Registry.WriteNumber("MasterVolume", volume));
}

void tDeskCore::ApplyOutputFormat(const WAVEFORMATEX& format) {
  SetOutputFormat(format);
  UpdateFormatLamps();
  if (m_pMixView != nullptr) m_pMixView->CloseQualityPanel();
  ConvertMix(format);
}
