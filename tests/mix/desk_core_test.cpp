#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <cstring>
#include <fstream>

#include "audio/speaker.h"
#include "mix/console_view.h"
#include "mix/registry.h"
#include "platform/clock.h"
#include "tests/mix/desk_test_util.h"

namespace {

using tMessage = tRecordingMixView::tMessage;
using tMessages = tRecordingMixView::tMessages;

// A desk that notes every event it dispatches, with the clock time: the
// tick's clock in playback, the export's step clock (position x rate / 1000)
// in an export.
class tNotingDesk : public tDeskCore {
 public:
  using tDeskCore::tDeskCore;
  struct tNote {
    uint32_t time, dispatchedAt;
    int32_t channel, kind, value;
    bool operator==(const tNote&) const = default;
  };
  void DispatchEvent(uint32_t time, int32_t channel, int32_t kind, int32_t value) override {
    const uint32_t clock = exporting
                               ? static_cast<uint32_t>(uint64_t{TimePosition()} * 22050u / 1000u)
                               : Timer().GetTime();
    notes.push_back({time, clock, channel, kind, value});
    tDeskCore::DispatchEvent(time, channel, kind, value);
  }
  std::vector<tNote> notes;
  bool exporting = false;
};

TEST_F(DeskTest, TheClockStepsWholeFramesAndCarriesTheRest) {
  desk_->CreateTimer();
  desk_->Timer().SetTime(0);
  // 22050 Hz, then 44100 Hz at half the pitch: the same steps.
  for (int rate : {22050, 44100}) {
    SetOutputFormat(static_cast<uint32_t>(rate), 16, 2);
    SetMasterPitch(rate == 22050 ? 1.0 : 0.5);
    std::vector<uint32_t> steps;
    for (int i = 0; i < 4; ++i) {
      const uint32_t before = desk_->Timer().GetTime();
      desk_->EngineTick();
      steps.push_back(desk_->Timer().GetTime() - before);
    }
    EXPECT_EQ(steps, (std::vector<uint32_t>{220, 221, 220, 221})) << rate;
  }

  // A stopped clock still hands its time to the key labels and nothing else.
  desk_->Timer().StopClock();
  uint32_t frozen = desk_->Timer().GetTime();
  desk_->SetState(tDeskCore::kRecording);
  desk_->EngineTick();
  EXPECT_EQ(desk_->Timer().GetTime(), frozen);
  EXPECT_EQ(view_.lastKeyLabelTime, frozen);
  EXPECT_EQ(desk_->TimePosition(), 0u);
}

TEST_F(DeskTest, TheMetronomeShowsTheBeatOfAThirtyTwoBeatCycle) {
  SetTempo(130);
  ASSERT_EQ(SamplesPerBeat(), 10176);
  desk_->MetronomeSwitchOn();
  desk_->MetronomeTick(0);
  desk_->MetronomeTick(31 * 10176 - 1);
  desk_->MetronomeTick(31 * 10176);
  desk_->MetronomeTick(32 * 10176);  // the next cycle begins
  EXPECT_EQ(view_.metronome, (std::vector<int>{1, 31, 32, 1}));
  desk_->MetronomeSwitchOff();
  EXPECT_EQ(view_.metronome.back(), 0);
  desk_->MetronomeShow(false);
  size_t drawn = view_.metronome.size();
  desk_->MetronomeTick(5 * 10176);
  EXPECT_EQ(view_.metronome.size(), drawn);
}

TEST_F(DeskTest, RecordingNeedsASoundAndCountsIn) {
  desk_->CreateTimer();
  desk_->StartRecording();
  EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0].key, "No channels loaded");
  EXPECT_FALSE(view_.rec);

  WriteWave("kick.wav", 2000, 22050);
  ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kMain, 0, "C:\\kick.wav", true));
  desk_->Channel(0).SetPitch(-0.7);
  std::vector<uint32_t> clicks;
  view_.clickTimes = &clicks;
  desk_->StartRecording();
  // Every channel's volume, balance and pitch in tenths opens the recording.
  desk_->Events().Close();
  const std::string text = WorkingText();
  EXPECT_NE(text.find("Sample_16=\r\nTime 00000000 Channel 0 Volume 80\r\n"
                      "Time 00000000 Channel 0 Balance 0\r\nTime 00000000 Channel 0 Pitch -7\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("Time 00000000 Channel 15 Pitch 0\r\n"), std::string::npos);
  // 28 beats of 10176 frames: the four clicks sound on beats 29 to 32, a
  // beat of (10176 x 1000) / 22050 = 461 ms apart.
  ASSERT_EQ(clicks.size(), 4u);
  EXPECT_EQ(clicks[0], 284928u);
  ASSERT_EQ(view_.clickMs.size(), 4u);
  for (size_t i = 1; i < 4; ++i) {
    const uint32_t beat = view_.clickMs[i] - view_.clickMs[i - 1];
    EXPECT_GE(beat, 461u);
    EXPECT_LT(beat, 922u);
  }
  EXPECT_EQ(desk_->State(), tDeskCore::kRecording);
  EXPECT_TRUE(view_.rec);
  EXPECT_EQ(view_.mixLabel, "---");
  EXPECT_LT(desk_->Timer().GetTime(), 22050u);  // restarted at 0 (the tick may have run)
}

TEST_F(DeskTest, ShortRecordingsAreDiscardedLongerOnesEndWithEndMix) {
  WriteWave("kick.wav", 2000, 22050);
  ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kMain, 0, "C:\\kick.wav", true));
  desk_->CreateTimer();
  for (uint32_t stopAt : {11025u, 11026u}) {
    desk_->Events().Clear();
    desk_->SetState(tDeskCore::kRecording);
    desk_->Timer().SetTime(stopAt);
    desk_->StopRecording();
    EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
    EXPECT_EQ(desk_->Events().HasRecording(), stopAt == 11026u) << stopAt;
  }
  EXPECT_NE(WorkingText().find("Time 00000500 Channel 0 EndMix 0"), std::string::npos);
}

// A recorded event carries the time its command used (the time it gave
// Trigger), even when a tick has moved the clock on since; nothing is
// recorded outside a recording.
TEST_F(DeskTest, RecordedEventsCarryTheTimeTheirCommandUsed) {
  desk_->Events().Clear();
  desk_->Timer().SetTime(22050);
  desk_->RecordEvent(2, kPlay, 0, 11025);
  desk_->SetState(tDeskCore::kRecording);
  const uint32_t pressed = desk_->Timer().GetTime();
  desk_->Timer().AddTime(221);  // a tick between the press and its event
  desk_->RecordEvent(2, kPlay, 0, pressed);
  desk_->RecordEvent(3, kStop, 1, 11025);
  desk_->Events().Close();
  const std::string text = WorkingText();
  EXPECT_EQ(text.substr(text.find("Sample_16=\r\n") + 12),
            "Time 00001000 Channel 2 Play 0\r\nTime 00000500 Channel 3 Stop 1\r\n");
}

TEST_F(DeskTest, PlaybackDispatchesDueEventsAndStopsAtTheEnd) {
  WriteKick(4000);
  WriteMix("Mixes/a.mix", {{0, {"Sets\\kick.chn", "A"}}}, 130, 1,
           "Time 00000000 Channel 0 Volume 70\r\n"
           "Time 00000000 Channel 0 Play 0\r\n"
           "Time 00000000 Channel 99 Play 0\r\n"  // no such channel: skipped
           "Time 00000500 Channel 0 Pitch 25\r\n"
           "Time 00001000 Channel 0 EndMix 0\r\n");
  ASSERT_TRUE(desk_->LoadMix("C:\\Mixes\\a.mix"));
  EXPECT_EQ(desk_->TimeLength(), 1000u);
  desk_->CreateTimer();
  desk_->StartPlayback();
  ASSERT_EQ(desk_->State(), tDeskCore::kPlaying);
  EXPECT_TRUE(view_.play);
  desk_->EngineTick();
  EXPECT_EQ(desk_->Channel(0).GetVolume(), 70);
  EXPECT_TRUE(desk_->Channel(0).GetKeyHeld());
  while (desk_->State() == tDeskCore::kPlaying && desk_->Timer().GetTime() < 22050) {
    desk_->EngineTick();
  }
  EXPECT_DOUBLE_EQ(desk_->Channel(0).GetPitch(), 2.5);
  EXPECT_FALSE(desk_->Channel(0).IsScheduled());  // released when playback ended
  EXPECT_EQ(desk_->State(), tDeskCore::kPlayStopped);
  EXPECT_FALSE(view_.play);
  EXPECT_FALSE(desk_->Timer().IsRunning());
}

// While recording each tick adds 10 ms to the time display's position and
// length; in playback to the position only.
TEST_F(DeskTest, TheTimeDisplayCountsTenMillisecondsATick) {
  WriteKick(4000);
  WriteMix("Mixes/a.mix", {{0, {"Sets\\kick.chn", "A"}}}, 130, 3,
           "Time 00000000 Channel 0 Play 0\r\nTime 00003000 Channel 0 EndMix 0\r\n");
  ASSERT_TRUE(desk_->LoadMix("C:\\Mixes\\a.mix"));
  desk_->CreateTimer();
  desk_->StartPlayback();
  for (int i = 0; i < 5; ++i) desk_->EngineTick();
  auto shown = [&] {
    return std::vector<uint32_t>{desk_->TimePosition(), desk_->TimeLength(), view_.position,
                                 view_.length};
  };
  EXPECT_EQ(shown(), (std::vector<uint32_t>{50, 3000, 50, 3000}));
  desk_->StopPlayback();
  desk_->SetTimeLength(0);
  desk_->SetState(tDeskCore::kRecording);
  desk_->Timer().StartClock();
  for (int i = 0; i < 3; ++i) desk_->EngineTick();
  EXPECT_EQ(shown(), (std::vector<uint32_t>{30, 30, 30, 30}));
}

// The level feed hands the meter each side's peak of the mix bus shifted
// down by 16 bits: a full-scale 16-bit voice at unity reads 128.
TEST_F(DeskTest, TheLevelFeedShowsEachSidesPeak) {
  const double volume = GetMasterVolume();
  SetMasterVolume(1.0);
  SystemSpeaker().SetSource(&SystemMixer());  // as the desk starts: a page-long accumulator
  // On the heap: a lock on the stack keeps its place in the thread
  // checker's lock order after it is gone, and a later lock at the same
  // address would inherit it.
  auto tone = std::make_unique<tSound>();
  ASSERT_TRUE(tone->Create(MakeWaveFormat(22050, 16, 2), 64 * 4));
  auto* samples = reinterpret_cast<int16_t*>(tone->Wave().Data());
  for (int i = 0; i < 64; ++i) {
    samples[2 * i] = static_cast<int16_t>(i == 7 ? -32768 : 1000);
    samples[2 * i + 1] = static_cast<int16_t>(i == 9 ? 16384 : -1000);
  }
  tone->Voice().Play(true);
  SystemMixer().Mix();
  desk_->FeedLevelMeter();
  EXPECT_EQ(desk_->Meter().GetLeft(), 128);
  EXPECT_EQ(desk_->Meter().GetRight(), 64);
  SetMasterVolume(volume);
}

// Each kind of event does its part to its channel; a Stop of 1 lets the
// sound ring out, a Stop of 0 cuts it.
TEST_F(DeskTest, DispatchedEventsDriveTheirChannels) {
  WriteKick(20000);
  ASSERT_TRUE(desk_->LoadChannelFile(2, "C:\\Sets\\kick.chn", true));
  tChannel& ch = desk_->Channel(2);
  ch.SetQuantize(0.0);
  desk_->DispatchEvent(1000, 2, kPlay, 0);
  EXPECT_TRUE(ch.GetKeyHeld());
  EXPECT_EQ(ch.GetNextStart(), 1000u);
  ch.Tick(1000);
  ASSERT_TRUE(ch.GetCurrent()->IsPlaying());
  desk_->DispatchEvent(2000, 2, kStop, 1);
  EXPECT_FALSE(ch.GetKeyHeld());
  EXPECT_FALSE(ch.IsScheduled());
  EXPECT_TRUE(ch.GetCurrent()->IsPlaying());
  desk_->DispatchEvent(3000, 2, kPlay, 0);
  ch.Tick(3000);
  desk_->DispatchEvent(4000, 2, kStop, 0);
  EXPECT_FALSE(ch.GetCurrent()->IsPlaying());

  desk_->DispatchEvent(0, 2, kVolume, 55);
  desk_->DispatchEvent(0, 2, kBalance, -30);
  desk_->DispatchEvent(0, 2, kPitch, -7);
  desk_->DispatchEvent(0, 2, kFx, 3);
  desk_->DispatchEvent(0, 2, kEndMix, 0);
  desk_->DispatchEvent(0, 16, kVolume, 1);  // no such channel
  EXPECT_EQ((std::vector<double>{double(ch.GetVolume()), double(ch.GetBalance()), ch.GetPitch(),
                                 double(ch.GetFxOn())}),
            (std::vector<double>{55, -30, -0.7, 1}));
  desk_->DispatchEvent(0, 2, kFx, 0);
  EXPECT_FALSE(ch.GetFxOn());
}

TEST_F(DeskTest, ExportRendersUpToTheLengthPlusOneSecond) {
  SetOutputFormat(44100, 16, 2);
  WriteKick(4000, 44100);
  WriteMix("Mixes/a.mix", {{0, {"Sets\\kick.chn", "A"}}}, 130, 5,
           "Time 00000000 Channel 0 Play 0\r\nTime 00005000 Channel 0 EndMix 0\r\n");
  ASSERT_TRUE(desk_->LoadMix("C:\\Mixes\\a.mix"));
  desk_->CreateTimer();
  desk_->Timer().StopClock();  // play mode, stopped: the clock stays stopped after the export
  ASSERT_TRUE(desk_->ExportMix("C:\\out.wav", OutputFormat()));
  EXPECT_FALSE(desk_->Timer().IsRunning());
  std::string wav = ReadHost("out.wav");
  // The last Advance renders 6000 ms: 300 pages of 882 frames of 4 bytes.
  ASSERT_EQ(wav.size(), 44u + 300u * 3528u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(view_.progressTotal, 6000u);
  EXPECT_TRUE(view_.messages.empty());
  // The kick was played from frame 0: its first sample reaches the file.
  int16_t first;
  std::memcpy(&first, wav.data() + 44 + 4, 2);
  EXPECT_NE(first, 0);
}

// A hand-edited length that the clock cannot hold is no length: the time
// display shows the last event's time, and the export ends one second after
// it, as for a mix whose length matches its events.
TEST_F(DeskTest, AMixWithALengthThatIsNoLengthEndsOneSecondAfterItsLastEvent) {
  WriteKick(4000);
  for (const char* length : {"-1", "-2", "97391", "99999999"}) {
    std::string text = MixText({{0, {"Sets\\kick.chn", "A"}}}, 130, 0,
                               "Time 00000000 Channel 0 Play 0\r\n"
                               "Time 00002000 Channel 0 EndMix 0\r\n");
    text.replace(text.find("Length=0"), 8, std::string("Length=") + length);
    WriteHost("Mixes/a.mix", text);
    ASSERT_TRUE(desk_->LoadMix("C:\\Mixes\\a.mix"));
    ASSERT_EQ(desk_->TimeLength(), 2000u) << length;
    EXPECT_TRUE(desk_->Events().HasRecording());
    ASSERT_TRUE(desk_->ExportMix("C:\\out.wav", OutputFormat()));
    // 3000 ms at 22050 Hz: 150 pages of 441 frames of 4 bytes.
    EXPECT_EQ(ReadHost("out.wav").size(), 44u + 150u * 1764u) << length;
  }
}

TEST_F(DeskTest, AFailedExportKeepsTheEarlierFileAndSaysSo) {
  WriteHost("out.wav", "earlier");
  EXPECT_FALSE(desk_->ExportMix("C:\\missing folder\\out.wav", OutputFormat()));
  EXPECT_EQ(view_.messages, (tMessages{{"failed to export mix", "C:\\missing folder\\out.wav"}}));
  EXPECT_EQ(ReadHost("out.wav"), "earlier");
}

TEST_F(DeskTest, ExportAndPlaybackDispatchTheSameEventsAtTheSameTimes) {
  WriteKick(3000);
  WriteMix("Mixes/a.mix", {{0, {"Sets\\kick.chn", "A"}}, {1, {"Sets\\kick.chn", "A"}}}, 130, 1,
           "Time 00000000 Channel 0 Volume 70\r\n"
           "Time 00000003 Channel 1 Play 0\r\n"
           "Time 00000004 Channel 0 Play 0\r\n"  // closer than 10 ms: the same step
           "Time 00000250 Channel 1 Stop 1\r\n"
           "Time 00000731 Channel 0 Fx 1\r\n"
           "Time 00001000 Channel 0 EndMix 0\r\n");
  tRecordingMixView view;
  tNotingDesk desk(&view, timers_);
  ASSERT_TRUE(desk.PrepareChannels());
  ASSERT_TRUE(desk.LoadMix("C:\\Mixes\\a.mix"));
  desk.CreateTimer();
  desk.StartPlayback();
  while (desk.State() == tDeskCore::kPlaying) desk.EngineTick();
  auto played = desk.notes;
  desk.notes.clear();
  // The export steps 10 ms at a time from 0. Every event after time 0 is
  // dispatched at the same clock time; playback's first tick already reaches
  // 220, the export's first step is at 0.
  desk.exporting = true;
  ASSERT_TRUE(desk.ExportMix("C:\\out.wav", OutputFormat()));
  ASSERT_EQ(played.size(), 6u);
  ASSERT_EQ(desk.notes.size(), played.size());
  for (size_t i = 0; i < played.size(); ++i) {
    const auto& [t, at, ch, kind, value] = played[i];
    EXPECT_EQ(desk.notes[i], (tNotingDesk::tNote{t, t == 0 ? 0u : at, ch, kind, value})) << i;
  }
  EXPECT_EQ(played[1].time, 66u);  // 3 ms at 22050 Hz
  desk.DestroyTimer();
}

TEST_F(DeskTest, LoadingOrdersChannelsByLabelAndAsksOnceOnFailure) {
  WriteWave("Loops/kick.wav", 1000, 22050);
  WriteChannel("Sets/a.chn", "Loops\\kick.wav");
  WriteMix("Mixes/b.mix",
           {{0, {"Sets\\a.chn", "AAAAAAAAAAAAAAAAAAB"}},
            {1, {"Sets\\a.chn", "aaaaaaaaaaaaaaaaaaa"}},
            {2, {"Sets\\missing.chn", "C"}},
            {3, {"Sets\\missing2.chn", "D"}}},
           0, 0, "");
  view_.answer = 2;  // go on quietly
  ASSERT_TRUE(desk_->LoadMix("C:\\Mixes\\b.mix"));
  EXPECT_EQ(GetTempo(), 130);  // an empty or zero tempo is not a tempo
  // Channels load in label order (empty labels first), then 1 and 0, whose
  // labels differ only in their 19th character and in case, then C, D.
  std::vector<int> order;
  const auto& refreshed = view_.refreshed;
  for (size_t i = 32; i < refreshed.size(); ++i)  // after the two resets
    if (order.empty() || order.back() != refreshed[i]) order.push_back(refreshed[i]);
  EXPECT_EQ(order, (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 1, 0, 2, 3}));
  // Only the first failure asks.
  ASSERT_EQ(view_.messages.size(), 2u);
  EXPECT_EQ(view_.messages[0], (tMessage{"Can not load sample", "C:\\Sets\\missing.chn"}));
  EXPECT_EQ(view_.messages[1].key, "Error loading mix");
  EXPECT_TRUE(desk_->Channel(0).HasMain());
  EXPECT_TRUE(desk_->Channel(1).HasMain());
  EXPECT_EQ(view_.mixLabel, "b");
  EXPECT_EQ(view_.intros, 1);
}

// The channel files a mix names are looked for on the mix's own drive,
// whatever drive the stored path names; the answer 0 to the question after
// a failure loads no further channel.
TEST_F(DeskTest, AMixFindsItsChannelFilesOnItsOwnDriveAndStopsWhenAsked) {
  WriteWave("E/Loops/kick.wav", 1000, 22050);
  WriteChannel("E/Sets/a.chn", "Loops\\kick.wav");
  WriteMix("E/Mixes/x.mix", {{0, {"C:\\Sets\\a.chn", "B"}}, {2, {"C:\\Sets\\gone.chn", "A"}}}, 130,
           0, "");
  view_.answer = 1;
  ASSERT_TRUE(desk_->LoadMix("E:\\Mixes\\x.mix"));
  EXPECT_STREQ(desk_->Channel(0).GetFilePath().GetText(), "E:\\Sets\\a.chn");
  EXPECT_TRUE(desk_->Channel(0).HasMain());
  EXPECT_EQ(view_.messages, (tMessages{{"Can not load sample", "E:\\Sets\\gone.chn"},
                                       {"Error loading mix", "<none>"}}));

  view_.messages.clear();
  view_.answer = 0;
  ASSERT_TRUE(desk_->LoadMix("E:\\Mixes\\x.mix"));
  EXPECT_EQ(view_.messages.size(), 2u);
  EXPECT_FALSE(desk_->Channel(0).HasSound());  // after the failure: not loaded
}

TEST_F(DeskTest, ARejectedMixKeepsTheRecordingAndTheChannels) {
  WriteWave("Loops/kick.wav", 1000, 22050);
  ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kMain, 0, "C:\\Loops\\kick.wav", true));
  desk_->Events().Clear();
  desk_->Events().Record(30000, 0, kEndMix, 0);
  desk_->Events().WriteLength(2);
  WriteHost("Mixes/old.mix", "[Brevora Mix]\r\nVersion=2\r\n");
  WriteHost("Mixes/none.mix", "just text\r\n");
  EXPECT_FALSE(desk_->LoadMix("C:\\Mixes\\old.mix"));
  EXPECT_FALSE(desk_->LoadMix("C:\\Mixes\\none.mix"));
  EXPECT_FALSE(desk_->LoadMix("C:\\Mixes\\missing.mix"));
  ASSERT_EQ(view_.messages.size(), 3u);
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(view_.messages[i].key, i == 0 ? "Wrong mix version" : "can not load mix") << i;
  EXPECT_TRUE(desk_->Events().HasRecording());
  int32_t length = 0;
  desk_->Events().ReadLength(length);
  EXPECT_EQ(length, 2);
  EXPECT_TRUE(desk_->Channel(0).HasMain());
}

// A checked mix that cannot take the working file's place is not loaded:
// the desk would otherwise go on with the earlier working file under the
// new mix's name.
TEST_F(DeskTest, AMixThatCannotReplaceTheWorkingFileIsNotLoaded) {
  WriteKick(1000);
  WriteMix("Mixes/m.mix", {{0, {"Sets\\kick.chn", "A"}}}, 120, 3, "");
  ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kMain, 5, "C:\\Loops\\kick.wav", true));
  std::string working;
  ASSERT_TRUE(platform::ToHostPath(desk_->Events().WorkingPath(), working));
  // A folder with a file in it where the working file was: neither a rename
  // nor a copy can replace it.
  ASSERT_EQ(std::remove(working.c_str()), 0);
  ASSERT_EQ(std::system(("mkdir -p '" + working + "/x'").c_str()), 0);
  view_.mixLabel = "kept";
  EXPECT_FALSE(desk_->LoadMix("C:\\Mixes\\m.mix"));
  ASSERT_EQ(std::system(("rm -rf '" + working + "'").c_str()), 0);
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0].key, "can not load mix");
  EXPECT_EQ(view_.mixLabel, "kept");
  EXPECT_TRUE(desk_->Channel(5).HasMain());
  EXPECT_FALSE(desk_->Channel(0).HasMain());
}

TEST_F(DeskTest, SavingWritesTheHeaderAndReportsFailure) {
  WriteKick(1000);
  ASSERT_TRUE(desk_->LoadChannelFile(2, "C:\\Sets\\kick.chn", true));
  desk_->Events().Clear();
  desk_->SetTimeLength(83600);
  SetTempo(120);
  ASSERT_TRUE(desk_->SaveMix("C:\\Mixes\\s.mix") == false);  // no such folder yet
  EXPECT_EQ(view_.messages.back().key, "Can not save mix");
  view_.mixLabel = "kept";
  EXPECT_FALSE(desk_->SaveMix("C:\\Mixes\\s.mix"));
  EXPECT_EQ(view_.mixLabel, "kept");
  WriteHost("Mixes/.keep", "");
  ASSERT_TRUE(desk_->SaveMix("C:\\Mixes\\s.mix"));
  EXPECT_EQ(view_.mixLabel, "s");
  std::string text = ReadHost("Mixes/s.mix");
  EXPECT_NE(text.find("Version=3\r\nBPM=120\r\nLength=83\r\n"), std::string::npos);
  EXPECT_NE(text.find("Label_03=LOOPS\r\n"), std::string::npos);
  EXPECT_NE(text.find("Sample_03=C:\\Sets\\kick.chn\r\n"), std::string::npos);
}

// A mix named by a drive and a name without the root still puts its channel
// files on the root of that drive.
TEST_F(DeskTest, AMixNamedWithoutItsDrivesRootFindsItsChannelFiles) {
  WriteKick(1000);
  WriteMix("Mixes/r.mix", {{0, {"Sets\\kick.chn", "A"}}}, 130, 1, "");
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Mixes"));
  ASSERT_TRUE(desk_->LoadMix("C:r.mix"));
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_STREQ(desk_->Channel(0).GetFilePath().GetText(), "C:\\Sets\\kick.chn");
  EXPECT_TRUE(desk_->Channel(0).HasMain());
}

// A saved mix is readable like any new file, and saving over a mix keeps
// that file's permissions.
TEST_F(DeskTest, ASavedMixHasTheModeOfANewFileOrOfTheFileItReplaces) {
  WriteHost("Mixes/.keep", "");
  desk_->Events().Clear();
  ASSERT_TRUE(desk_->SaveMix("C:\\Mixes\\new.mix"));
  struct stat st {};
  ASSERT_EQ(stat((root_ + "/Mixes/new.mix").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  ASSERT_EQ(chmod((root_ + "/Mixes/new.mix").c_str(), 0664), 0);
  ASSERT_TRUE(desk_->SaveMix("C:\\Mixes\\new.mix"));
  ASSERT_EQ(stat((root_ + "/Mixes/new.mix").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
}

TEST_F(DeskTest, ReleasingEveryChannelEndsSuspensionsWithoutRestoringThem) {
  WriteWave("kick.wav", 1000, 22050);
  WriteWave("fx.wav", 1000, 22050);
  ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kMain, 0, "C:\\kick.wav", true));
  ASSERT_TRUE(desk_->LoadWaveIntoChannel(tChannel::kEffect, 0, "C:\\fx.wav", true));
  tChannel& ch = desk_->Channel(0);
  ch.SetFxOn(true);
  ch.SetLatched(true);
  ch.SetSuspended(true);  // keeps "effect on" aside
  desk_->ResetChannelStates();
  EXPECT_FALSE(ch.GetSuspended());
  EXPECT_FALSE(ch.GetFxOn());
  EXPECT_FALSE(ch.GetLatched());
  EXPECT_FALSE(ch.IsScheduled());
}

class SettingsTest : public DeskTest {
 protected:
  void SetUp() override {
    DeskTest::SetUp();
    setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    DeskTest::TearDown();
  }
};

TEST_F(SettingsTest, AFirstStartUsesTheDefaults) {
  desk_->LoadSettings();
  EXPECT_EQ(FormatOf(OutputFormat()), "22050/8/2");
  EXPECT_DOUBLE_EQ(GetMasterVolume(), 0.8);
  EXPECT_EQ(view_.volumeSlider, 80);
  EXPECT_EQ(GetTempo(), 130);
  EXPECT_EQ(desk_->Channel(0).GetKey(), 'A');
  EXPECT_EQ(desk_->Channel(15).GetKey(), 'K');
  EXPECT_EQ(view_.keyLabels[1], 'Z');
  EXPECT_EQ(view_.lamps, (std::vector<bool>{false, false, true}));
}

TEST_F(SettingsTest, PartialOrInvalidFormatsFallBackTogether) {
  tRegistry reg;
  reg.SetMainKey(kSettingsKey);
  reg.WriteNumber("Frequency", 44100);
  reg.WriteNumber("Block", 16);
  desk_->LoadSettings();
  EXPECT_EQ(FormatOf(OutputFormat()), "22050/8/2");
  reg.WriteNumber("Channels", 6);  // no such layout
  desk_->LoadSettings();
  EXPECT_EQ(FormatOf(OutputFormat()), "22050/8/2");
  reg.WriteNumber("Channels", 1);
  reg.WriteNumber("MasterVolume", 250);
  reg.WriteNumber("Tempo", 0);
  desk_->LoadSettings();
  EXPECT_EQ(FormatOf(OutputFormat()), "44100/16/1");
  EXPECT_DOUBLE_EQ(GetMasterVolume(), 1.0);
  EXPECT_EQ(GetTempo(), 130);
}

TEST_F(SettingsTest, SavedSettingsComeBack) {
  desk_->SetKeys("QWERTZUIASDFGHJK");
  SetOutputFormat(44100, 16, 1);
  SetMasterVolume(0.655);
  SetTempo(97);
  desk_->SaveSettings();
  SetOutputFormat(22050, 8, 2);
  desk_->SetKeys("AZERTYUIQSDFGHJK");
  desk_->LoadSettings();
  EXPECT_EQ(FormatOf(OutputFormat()), "44100/16/1");
  EXPECT_EQ(view_.volumeSlider, 65);
  EXPECT_EQ(GetTempo(), 97);
  EXPECT_EQ(desk_->Channel(0).GetKey(), 'Q');
  EXPECT_EQ(desk_->Channel(6).GetKey(), 'U');
}

// Every whole percent of the master volume comes back after a restart
// (0.29 * 100 is 28.999... in double arithmetic).
TEST_F(SettingsTest, EveryWholePercentOfTheMasterVolumeComesBack) {
  std::vector<int> lost;
  for (int percent = 0; percent <= 100; ++percent) {
    SetMasterVolume(percent / 100.0);
    desk_->SaveSettings();
    desk_->LoadSettings();
    if (view_.volumeSlider != percent) lost.push_back(percent);
  }
  EXPECT_TRUE(lost.empty()) << lost.size() << " values, the first " << lost[0];
}

// Saving the settings ends at the first value that cannot be written: with
// the file unable to grow by the Frequency line, the shorter Block line that
// would follow is not written either.
TEST_F(SettingsTest, SavingEndsAtTheFirstValueThatCannotBeWritten) {
  const std::string file = root_ + "/config/brevora/settings.reg";
  auto size = [&] {
    struct stat st {};
    return stat(file.c_str(), &st) == 0 ? st.st_size : off_t{0};
  };
  desk_->SetKeys("AZERTYUIQSDFGHJK");
  tRegistry reg;
  reg.SetMainKey(kSettingsKey);
  ASSERT_TRUE(reg.WriteText("Keys", "AZERTYUIQSDFGHJK"));
  ASSERT_TRUE(reg.WriteNumber("Frequency", 22050));
  const off_t withFrequency = size();
  ASSERT_EQ(std::remove(file.c_str()), 0);

  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limit = saved;
  limit.rlim_cur = static_cast<rlim_t>(withFrequency - 1);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  desk_->SaveSettings();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);

  const std::string text = ReadHost("config/brevora/settings.reg");
  EXPECT_NE(text.find("\"Keys\"="), std::string::npos) << text;
  for (const char* name : {"Frequency", "Block", "Channels", "Tempo", "MasterVolume"})
    EXPECT_EQ(text.find(std::string("\"") + name + "\""), std::string::npos) << name;
}

TEST_F(SettingsTest, AShortKeyTextIsReportedAndTheRestHaveNoKey) {
  testing::internal::CaptureStderr();
  desk_->SetKeys("ABCDEFGHIJKLMNO");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Assumption 'strlen(buffer)==16' failed"),
            std::string::npos);
  EXPECT_EQ(desk_->Channel(14).GetKey(), 'O');
  EXPECT_EQ(desk_->Channel(15).GetKey(), 0);
}

// The tick thread ends playback at the last event while the main thread
// starts and stops it: the transport stays consistent and nothing races.
TEST_F(DeskTest, ThreadsEndingPlaybackOnTheTickRaceNothing) {
  WriteKick(2000);
  WriteMix("Mixes/a.mix", {{0, {"Sets\\kick.chn", "A"}}}, 130, 0,
           "Time 00000000 Channel 0 Play 0\r\nTime 00000030 Channel 0 Volume 50\r\n"
           "Time 00000060 Channel 0 EndMix 0\r\n");
  FILE* quiet = std::fopen("/dev/null", "w");
  ASSERT_NE(quiet, nullptr);
  {
    tConsoleView view(quiet);
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
  std::fclose(quiet);
}

}  // namespace
