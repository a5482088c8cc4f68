#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>

#include "mix/console_view.h"
#include "mix/registry.h"
#include "platform/clock.h"
#include "tests/mix/desk_test_util.h"

namespace {

using tMessages = tRecordingMixView::tMessages;
constexpr size_t npos = std::string::npos;

TEST_F(DeskTest, TheMetronomeShowsTheBeatOfAThirtyTwoBeatCycle) {
  desk_->MetronomeSwitchOn();
  for (uint32_t beats : {0u, 31 * 10176u - 1, 31 * 10176u, 32 * 10176u})
    desk_->MetronomeTick(beats);
  desk_->MetronomeSwitchOff();
  desk_->MetronomeShow(false);
  desk_->MetronomeTick(5 * 10176);  // hidden: not drawn
  trace_(SamplesPerBeat(),
         "frames a beat; on, ticks at 0, 31 beats - 1, 31, 32, off:", view_.metronome);
}

TEST_F(DeskTest, RecordingNeedsASoundAndCountsIn) {
  desk_->CreateTimer();
  desk_->StartRecording();
  trace_("no sound: state", desk_->State(), view_.Said(), "rec", view_.rec);
  WriteWave("kick.wav", 2000, 22050);
  ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kMain, 0, "C:\\kick.wav", true));
  desk_->Channel(0).SetPitch(-0.7);
  std::vector<uint32_t> clicks;
  view_.clickTimes = &clicks;
  desk_->StartRecording();
  // 28 beats of 10176 frames: the four clicks sound on beats 29 to 32, a
  // beat of (10176 x 1000) / 22050 = 461 ms apart.
  std::vector<uint32_t> apart;
  for (size_t i = 1; i < view_.clickMs.size(); ++i)
    apart.push_back((view_.clickMs[i] - view_.clickMs[i - 1]) / 461);
  trace_("clicks at", clicks, "beats apart", apart, "state", desk_->State(), "rec", view_.rec,
         "mix label", view_.mixLabel);
  EXPECT_LT(desk_->Timer().GetTime(), 22050u);  // restarted at 0 (the tick may have run)
  // Every channel's volume, balance and pitch in tenths opens the recording.
  desk_->Events().Close();
  TraceEvents("working");
}

// A recorded event carries the time its command used (the time it gave
// Trigger), even when a tick has moved the clock on since; nothing is
// recorded outside a recording. A recording of half a second or less is
// discarded, a longer one ends with EndMix.
TEST_F(DeskTest, RecordedEventsCarryTheTimeTheirCommandUsed) {
  desk_->CreateTimer();
  for (uint32_t stopAt : {11025u, 11026u}) {
    desk_->Events().Clear();
    desk_->SetState(tDeskCore::kIdle);
    desk_->Timer().SetTime(22050);
    desk_->RecordEvent(2, kPlay, 0, 11025);
    desk_->SetState(tDeskCore::kRecording);
    const uint32_t pressed = desk_->Timer().GetTime();
    desk_->Timer().AddTime(221);  // a tick between the press and its event
    desk_->RecordEvent(2, kPlay, 0, pressed);
    desk_->RecordEvent(3, kStop, 1, 11025);
    desk_->Timer().SetTime(stopAt);
    desk_->StopRecording();
    trace_("stopped at", stopAt, "state", desk_->State(), "recording",
           desk_->Events().HasRecording());
    TraceEvents("working");
  }
}

// Playback dispatches the due events, counts 10 ms a tick on the time
// display and stops at the end.
TEST_F(DeskTest, PlaybackDispatchesDueEventsAndStopsAtTheEnd) {
  WriteKick(4000);
  ASSERT_TRUE(LoadKickMix(1,
                          "Time 00000000 Channel 0 Volume 70\r\n"
                          "Time 00000000 Channel 0 Play 0\r\n"
                          "Time 00000000 Channel 99 Play 0\r\n"  // no such channel: skipped
                          "Time 00000500 Channel 0 Pitch 25\r\n"
                          "Time 00001000 Channel 0 EndMix 0\r\n"));
  tChannel& ch = desk_->Channel(0);
  auto show = [&](const char* what) {
    trace_(what, ": state", desk_->State(), "position", desk_->TimePosition(), "length",
           desk_->TimeLength(), "shown", view_.position, view_.length, "play", view_.play,
           "clock running", desk_->Timer().IsRunning(), "| channel 0 volume", ch.GetVolume(),
           "pitch", ch.GetPitch(), "held", ch.GetKeyHeld(), "scheduled", ch.IsScheduled());
  };
  show("loaded");
  desk_->CreateTimer();
  desk_->StartPlayback();
  show("started");
  desk_->EngineTick();
  show("tick");
  while (desk_->State() == tDeskCore::kPlaying && desk_->Timer().GetTime() < 22050) {
    desk_->EngineTick();
  }
  show("ended");  // released when playback ended
  // A new tempo clears the mix: neither its position nor its length stays shown.
  desk_->ClearAllChannels();
  show("cleared");
}

// Each kind of event does its part to its channel; a Stop of 1 lets the
// sound ring out, a Stop of 0 cuts it.
TEST_F(DeskTest, DispatchedEventsDriveTheirChannels) {
  WriteKick(20000);
  ASSERT_TRUE(desk_->LoadChannelFile(2, "C:\\Sets\\kick.chn", true));
  tChannel& ch = desk_->Channel(2);
  ch.SetQuantize(0.0);
  auto dispatch = [&](uint32_t time, int channel, int32_t kind, int32_t value) {
    desk_->DispatchEvent(time, channel, kind, value);
    trace_(time, channel, kind, value, "-> held", ch.GetKeyHeld(), "next", ch.GetNextStart(),
           "playing", ch.GetCurrent()->IsPlaying(), "volume", ch.GetVolume(), "balance",
           ch.GetBalance(), "pitch", ch.GetPitch(), "fx", ch.GetFxOn());
  };
  for (int32_t stop : {1, 0}) {
    dispatch(1000, 2, kPlay, 0);
    ch.Tick(1000);
    dispatch(2000, 2, kStop, stop);
  }
  for (auto [kind, value] :
       {std::pair{kVolume, 55}, {kBalance, -30}, {kPitch, -7}, {kFx, 3}, {kEndMix, 0}})
    dispatch(0, 2, kind, value);
  dispatch(0, 16, kVolume, 1);  // no such channel
  dispatch(0, 2, kFx, 0);
}

// The export renders up to the mix's length plus one second. A hand-edited
// length that the clock cannot hold is no length: the time display shows
// the last event's time, and the export ends one second after it.
TEST_F(DeskTest, ExportRendersUpToTheLengthPlusOneSecond) {
  SetOutputFormat(44100, 16, 2);
  WriteKick(4000, 44100);
  desk_->CreateTimer();
  desk_->Timer().StopClock();  // play mode, stopped: the clock stays stopped after the export
  for (int length : {2, -1, -2, 97391, 99999999}) {
    ASSERT_TRUE(LoadKickMix(length,
                            "Time 00000000 Channel 0 Play 0\r\n"
                            "Time 00002000 Channel 0 EndMix 0\r\n"));
    const bool exported = desk_->ExportMix("C:\\out.wav", OutputFormat());
    // 3000 ms at 44100 Hz: 150 pages of 882 frames of 4 bytes. The kick was
    // played from frame 0: its first sample reaches the file.
    const std::string wav = ReadHost("out.wav");
    int16_t first = 0;
    if (wav.size() >= 50) std::memcpy(&first, wav.data() + 44 + 4, 2);
    trace_("length", length, "shown", desk_->TimeLength(), "recording",
           desk_->Events().HasRecording(), "exported", exported, "clock running",
           desk_->Timer().IsRunning(), "bytes", wav.size(), "progress total", view_.progressTotal,
           "first sample", first != 0, view_.Said());
  }
}

TEST_F(DeskTest, LoadingOrdersChannelsByLabelAndAsksOnceOnFailure) {
  WriteKick(1000);
  WriteMix("Mixes/b.mix",
           {{0, {"Sets\\kick.chn", "AAAAAAAAAAAAAAAAAAB"}},
            {1, {"Sets\\kick.chn", "aaaaaaaaaaaaaaaaaaa"}},
            {2, {"Sets\\missing.chn", "CCCCCCCCCCCCCCCCCCCZ"}},
            {3, {"Sets\\missing2.chn", "cccccccccccccccccccA"}}},
           0, 0, "");
  view_.answer = 2;  // go on quietly
  const bool loaded = desk_->LoadMix("C:\\Mixes\\b.mix");
  trace_("load", loaded, "tempo", GetTempo());
  // Channels load in label order (empty labels first), then 1 and 0, whose
  // labels differ only in their 19th character and in case, then 2 and 3,
  // whose labels differ only from their 20th character on: in index order.
  std::vector<int> order;
  const auto& refreshed = view_.refreshed;
  for (size_t i = 32; i < refreshed.size(); ++i)  // after the two resets
    if (order.empty() || order.back() != refreshed[i]) order.push_back(refreshed[i]);
  // Only the first failure asks.
  trace_("order", order, view_.Said(), "main 0 1", desk_->Channel(0).HasMain(),
         desk_->Channel(1).HasMain(), "label", view_.mixLabel, "intros", view_.intros);
}

// The channel files a mix names are looked for on the root of the mix's own
// drive, whatever drive the stored path names, also when the mix is named
// without that root; the answer 0 to the question after a failure loads no
// further channel.
TEST_F(DeskTest, AMixFindsItsChannelFilesOnItsOwnDriveAndStopsWhenAsked) {
  WriteWave("E/Loops/kick.wav", 1000, 22050);
  WriteChannel("E/Sets/a.chn", "Loops\\kick.wav");
  WriteMix("E/Mixes/x.mix", {{0, {"C:\\Sets\\a.chn", "B"}}, {2, {"C:\\Sets\\gone.chn", "A"}}}, 130,
           0, "");
  ASSERT_TRUE(platform::SetCurrentDirectory("E:\\Mixes"));
  for (int answer : {1, 0}) {
    view_.answer = answer;
    const bool loaded = desk_->LoadMix(answer == 1 ? "E:x.mix" : "E:\\Mixes\\x.mix");
    // Channel 0 comes after the failure: it loads only when the answer goes on.
    trace_("answer", answer, "loaded", loaded, view_.Said(), "| channel 0",
           desk_->Channel(0).GetFilePath().GetText(), desk_->Channel(0).HasMain());
  }
}

// A mix that is refused, or checked but unable to take the working file's
// place, is not loaded: the recording, the channels and the mix's name stay.
TEST_F(DeskTest, ARejectedMixKeepsTheRecordingAndTheChannels) {
  WriteKick(1000);
  ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kMain, 5, "C:\\Loops\\kick.wav", true));
  desk_->Events().Clear();
  desk_->Events().Record(30000, 0, kEndMix, 0);
  desk_->Events().WriteLength(2);
  view_.mixLabel = "kept";
  WriteHost("Mixes/old.mix", "[Brevora Mix]\r\nVersion=2\r\n");
  WriteHost("Mixes/none.mix", "just text\r\n");
  for (const char* mix : {"C:\\Mixes\\old.mix", "C:\\Mixes\\none.mix", "C:\\Mixes\\missing.mix"}) {
    const bool loaded = desk_->LoadMix(mix);
    trace_(mix, loaded, view_.Said());
  }
  int32_t length = 0;
  desk_->Events().ReadLength(length);
  trace_("recording", desk_->Events().HasRecording(), "length", length);
  // A folder with a file in it where the working file was: neither a rename
  // nor a copy can replace it.
  WriteMix("Mixes/m.mix", {{0, {"Sets\\kick.chn", "A"}}}, 120, 3, "");
  std::string working;
  ASSERT_TRUE(platform::ToHostPath(desk_->Events().WorkingPath(), working));
  ASSERT_EQ(std::remove(working.c_str()), 0);
  ASSERT_EQ(std::system(("mkdir -p '" + working + "/x'").c_str()), 0);
  const bool loaded = desk_->LoadMix("C:\\Mixes\\m.mix");
  ASSERT_EQ(std::system(("rm -rf '" + working + "'").c_str()), 0);
  trace_("working file a folder: m.mix", loaded, view_.Said(), "| label", view_.mixLabel,
         "main 5 0", desk_->Channel(5).HasMain(), desk_->Channel(0).HasMain());
}

// A saved mix is readable like any new file, and saving over a mix keeps
// that file's permissions.
TEST_F(DeskTest, SavingWritesTheHeaderAndReportsFailure) {
  WriteKick(1000);
  ASSERT_TRUE(desk_->LoadChannelFile(2, "C:\\Sets\\kick.chn", true));
  desk_->Events().Clear();
  desk_->SetTimeLength(83600);
  SetTempo(120);
  view_.mixLabel = "kept";
  const bool saved = desk_->SaveMix("C:\\Mixes\\s.mix");  // no such folder yet
  trace_("no folder", saved, view_.Said(), "label", view_.mixLabel);
  WriteHost("Mixes/.keep", "");
  const std::string host = root_ + "/Mixes/s.mix";
  for (int round = 0; round < 2; ++round) {
    const bool ok = desk_->SaveMix("C:\\Mixes\\s.mix");
    struct stat st {};
    ASSERT_EQ(stat(host.c_str(), &st), 0);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%o", st.st_mode & 0777);
    trace_("save", ok, "mode", mode, "label", view_.mixLabel);
    ASSERT_EQ(chmod(host.c_str(), 0664), 0);
  }
  const std::string text = ReadHost("Mixes/s.mix");
  trace_.Text("s.mix", NameDiskSerial(text.substr(0, text.find("Label_04"))));
}

TEST_F(DeskTest, ReleasingEveryChannelEndsSuspensionsWithoutRestoringThem) {
  tChannel& ch = desk_->Channel(0);
  ch.SetFxOn(true);
  ch.SetLatched(true);
  ch.SetSuspended(true);  // keeps "effect on" aside
  desk_->ResetChannelStates();
  trace_("suspended", ch.GetSuspended(), "fx", ch.GetFxOn(), "latched", ch.GetLatched());
}

class SettingsTest : public DeskTest {
 protected:
  void SetUp() override {
    DeskTest::SetUp();
    setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    reg_.SetMainKey(kSettingsKey);
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    DeskTest::TearDown();
  }
  tRegistry reg_;
};

// A first start, or a stored format that is partial or not one the desk
// plays, gives the default format as a whole.
TEST_F(SettingsTest, PartialOrInvalidFormatsFallBackTogether) {
  auto load = [&](const std::string& what) {
    SetTempo(97);
    desk_->LoadSettings();
    trace_(what, ": format", FormatOf(OutputFormat()), "lamps", view_.lamps, "tempo", GetTempo(),
           "volume", GetMasterVolume(), "slider", view_.volumeSlider, "keys",
           static_cast<char>(desk_->Channel(0).GetKey()),
           static_cast<char>(desk_->Channel(15).GetKey()), "label 1",
           static_cast<char>(view_.keyLabels[1]));
  };
  load("first start");
  for (auto [name, value] :
       {std::pair{"Frequency", 44100u}, {"Block", 16u}, {"Channels", 6u}, {"Channels", 1u}}) {
    reg_.WriteNumber(name, value);
    load(name + std::string(" ") + std::to_string(value));
  }
  reg_.WriteNumber("MasterVolume", 250);
  reg_.WriteNumber("Tempo", 0);
  load("volume 250, tempo 0");
}

// Every whole percent of the master volume comes back after a restart
// (0.29 * 100 is 28.999... in double arithmetic); a part of one is cut off.
TEST_F(SettingsTest, SavedSettingsComeBack) {
  desk_->SetKeys("QWERTZUIASDFGHJK");
  SetOutputFormat(44100, 16, 1);
  SetMasterVolume(0.655);
  SetTempo(97);
  desk_->SaveSettings();
  SetOutputFormat(22050, 8, 2);
  SetTempo(130);
  desk_->SetKeys("AZERTYUIQSDFGHJK");
  desk_->LoadSettings();
  trace_("format", FormatOf(OutputFormat()), "slider", view_.volumeSlider, "tempo", GetTempo(),
         "keys", static_cast<char>(desk_->Channel(0).GetKey()),
         static_cast<char>(desk_->Channel(6).GetKey()));
  std::vector<int> lost;
  for (int percent = 0; percent <= 100; ++percent) {
    SetMasterVolume(percent / 100.0);
    desk_->SaveSettings();
    desk_->LoadSettings();
    if (view_.volumeSlider != percent) lost.push_back(percent);
  }
  trace_("percents lost", lost);
}

// Saving the settings ends at the first value that cannot be written: with
// the file unable to grow by the Frequency line, the shorter Block line that
// would follow is not written either.
TEST_F(SettingsTest, SavingEndsAtTheFirstValueThatCannotBeWritten) {
  const std::string file = root_ + "/config/brevora/settings.reg";
  desk_->SetKeys("AZERTYUIQSDFGHJK");
  ASSERT_TRUE(reg_.WriteText("Keys", "AZERTYUIQSDFGHJK"));
  ASSERT_TRUE(reg_.WriteNumber("Frequency", 22050));
  struct stat withFrequency {};
  ASSERT_EQ(stat(file.c_str(), &withFrequency), 0);
  ASSERT_EQ(std::remove(file.c_str()), 0);

  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limit = saved;
  limit.rlim_cur = static_cast<rlim_t>(withFrequency.st_size - 1);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  desk_->SaveSettings();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);

  trace_.Text("settings.reg", ReadHost("config/brevora/settings.reg"));
}

TEST_F(SettingsTest, AShortKeyTextIsReportedAndTheRestHaveNoKey) {
  testing::internal::CaptureStderr();
  desk_->SetKeys("ABCDEFGHIJKLMNO");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Assumption 'strlen(buffer)==16' failed"),
            npos);
  trace_("keys 15 and 16", static_cast<char>(desk_->Channel(14).GetKey()),
         desk_->Channel(15).GetKey());
}

// The tick thread ends playback at the last event while the main thread
// starts and stops it: the transport stays consistent and nothing races.
TEST_F(DeskTest, ThreadsEndingPlaybackOnTheTickRaceNothing) {
  WriteKick(2000);
  WriteMix("Mixes/a.mix", {{0, {"Sets\\kick.chn", "A"}}}, 130, 0,
           "Time 00000000 Channel 0 Play 0\r\nTime 00000030 Channel 0 Volume 50\r\n"
           "Time 00000060 Channel 0 EndMix 0\r\n");
  tConsoleView view(nullptr);
  tDeskCore desk(&view);  // the real tick timer
  ASSERT_TRUE(desk.PrepareChannels());
  ASSERT_TRUE(desk.LoadMix("C:\\Mixes\\a.mix"));
  desk.CreateTimer();
  for (int i = 0; i < 20; ++i) {
    desk.StartPlayback();
    platform::SleepMs(static_cast<uint32_t>((i * 7) % 90));
    if (desk.State() == tDeskCore::kPlaying) desk.StopPlayback();
    EXPECT_EQ(desk.State(), tDeskCore::kPlayStopped);
  }
  desk.StartPlayback();
  for (int i = 0; i < 200 && desk.State() == tDeskCore::kPlaying; ++i) platform::SleepMs(5);
  EXPECT_EQ(desk.State(), tDeskCore::kPlayStopped);
  desk.DestroyTimer();
}

}  // namespace
