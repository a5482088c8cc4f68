// Files no fuzzer makes: names of things that are not regular files, files
// too large for their format, loops of links and of references, paths at the
// length limit, names that are not UTF-8, a mix of a million events. None
// may hang, exhaust memory or crash; each is refused with a message or
// loaded as it stands.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

#include "audio/wave.h"
#include "platform/last_error.h"
#include "tests/mix/desk_test_util.h"

namespace {

using tMessages = tRecordingMixView::tMessages;

// A hang ends the test binary instead of the whole run. The bound is for a
// hang, not for speed: under the thread checker on a busy machine the mix of
// a million events alone takes over a minute.
class HostileFiles : public DeskTest {
 protected:
  void SetUp() override {
    DeskTest::SetUp();
    alarm(300);
  }
  void TearDown() override {
    alarm(0);
    DeskTest::TearDown();
  }
  // Each load refused with the one message key, naming the path.
  void ExpectRefused(const std::vector<std::string>& paths, const char* key,
                     const std::function<bool(const char*)>& load) {
    for (const std::string& path : paths) {
      view_.messages.clear();
      EXPECT_FALSE(load(path.c_str())) << path;
      EXPECT_EQ(view_.messages, (tMessages{{key, path}}));
    }
  }
};

TEST_F(HostileFiles, NamesOfThingsThatAreNotRegularFilesAreRefused) {
  for (const char* fifo : {"/pipe.wav", "/pipe.chn", "/pipe.mix"})
    ASSERT_EQ(mkfifo((root_ + fifo).c_str(), 0644), 0);
  ASSERT_EQ(mkdir((root_ + "/folder.wav").c_str(), 0755), 0);
  ExpectRefused(
      {"C:\\pipe.wav", "C:\\folder.wav", "Z:\\dev\\zero"}, "Can not load wave main",
      [&](const char* p) { return desk_->LoadWaveIntoChannel(tChannel::kMain, 0, p, true); });
  // They are not opened at all: the wave reader says it could not open them.
  for (const char* name : {"C:\\pipe.wav", "C:\\folder.wav", "Z:\\dev\\zero"}) {
    tWave wave;
    EXPECT_FALSE(wave.LoadWave(name));
    EXPECT_EQ(platform::LastErrorCode(), platform::kErrorWaveOpen) << name;
  }
  ExpectRefused({"C:\\pipe.chn", "Z:\\dev\\zero"}, "Can not load sample",
                [&](const char* p) { return desk_->LoadChannelFile(0, p, true); });
  ExpectRefused({"C:\\pipe.mix", "Z:\\dev\\zero"}, "can not load mix",
                [&](const char* p) { return desk_->LoadMix(p); });
  // Saving over them is refused too, and leaves them as they were.
  WriteKick(1000);
  ASSERT_TRUE(desk_->LoadChannelFile(0, "C:\\Sets\\kick.chn", true));
  EXPECT_FALSE(desk_->SaveChannelFile(0, "C:\\folder.wav"));
  EXPECT_FALSE(desk_->SaveMix("C:\\folder.wav"));
  EXPECT_FALSE(desk_->ExportMix("C:\\folder.wav", OutputFormat()));
  struct stat st;
  ASSERT_EQ(stat((root_ + "/folder.wav").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}

// Text files are read whole: one larger than any channel or mix file can
// sensibly be (here a sparse file of 300 MB) is refused without reading it.
// A wave whose data chunk announces more than the file holds is refused
// before anything is allocated for it.
TEST_F(HostileFiles, FilesLargerThanTheirFormatAllowsAreRefused) {
  WriteHost("huge.mix", MixText({}, 130, 1, ""));
  WriteHost("huge.chn", "[Brevora Channel]\r\nVersion=3\r\n");
  for (const char* name : {"/huge.mix", "/huge.chn"})
    ASSERT_EQ(truncate((root_ + name).c_str(), 300l << 20), 0);
  ExpectRefused({"C:\\huge.mix"}, "can not load mix",
                [&](const char* p) { return desk_->LoadMix(p); });
  ExpectRefused({"C:\\huge.chn"}, "Can not load sample",
                [&](const char* p) { return desk_->LoadChannelFile(0, p, true); });
  std::string wave = WaveBytes(22050, 16, 2, 10);
  wave.replace(40, 4, "\xFF\xFF\xFF\x7F");
  WriteHost("long.wav", wave);
  ExpectRefused({"C:\\long.wav"}, "Can not load wave main", [&](const char* p) {
    return desk_->LoadWaveIntoChannel(tChannel::kMain, 0, p, true);
  });
}

// A channel file that another program keeps appending to while the desk
// reads it: the reader stops at the limit instead of following it forever.
TEST_F(HostileFiles, AFileThatGrowsWhileItIsRead) {
  WriteHost("grow.chn", "[Brevora Channel]\r\nVersion=3\r\n");
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    FILE* f = std::fopen((root_ + "/grow.chn").c_str(), "ab");
    const std::string block(1 << 16, ';');
    for (int i = 0; i < 4096 && !stop.load(); ++i) std::fwrite(block.data(), 1, block.size(), f);
    std::fclose(f);
  });
  desk_->LoadChannelFile(0, "C:\\grow.chn", true);
  stop.store(true);
  writer.join();
  EXPECT_FALSE(desk_->Channel(0).HasSound());
}

TEST_F(HostileFiles, FilesThatNameThemselves) {
  // A channel file whose waves are channel files, itself among them.
  WriteChannel("self.chn", "self.chn");
  EXPECT_FALSE(desk_->LoadChannelFile(0, "C:\\self.chn", true));
  // A mix that names itself as a channel file.
  WriteMix("self.mix", {{0, {"self.mix", ""}}}, 130, 1, "Time 00000000 Channel 0 Play 0\r\n");
  view_.answer = 1;  // go on with messages
  EXPECT_TRUE(desk_->LoadMix("C:\\self.mix"));
  EXPECT_EQ(view_.messages, (tMessages{{"Can not load wave main", "C:\\self.chn"},
                                       {"Can not load sample", "C:\\self.mix"},
                                       {"Error loading mix", "<none>"}}));
  EXPECT_FALSE(desk_->Channel(0).HasSound());
}

// A drive whose folder is a loop of symbolic links names nothing that exists.
TEST_F(HostileFiles, ADriveThatLoopsThroughSymbolicLinks) {
  ASSERT_EQ(symlink((root_ + "/loop-b").c_str(), (root_ + "/loop-a").c_str()), 0);
  ASSERT_EQ(symlink((root_ + "/loop-a").c_str(), (root_ + "/loop-b").c_str()), 0);
  platform::SetDrive('F', root_ + "/loop-a");
  // And a link inside drive C: that leads back to its own folder.
  ASSERT_EQ(symlink(root_.c_str(), (root_ + "/again").c_str()), 0);
  WriteKick(500);
  EXPECT_FALSE(desk_->LoadChannelFile(0, "F:\\Sets\\kick.chn", true));
  EXPECT_FALSE(desk_->LoadMix("F:\\a.mix"));
  EXPECT_FALSE(desk_->SaveChannelFile(0, "F:\\kick.chn"));
  platform::VolumeInfo info;
  EXPECT_FALSE(platform::VolumeInformation("F:\\", info));
  platform::DirectorySearch search;
  EXPECT_FALSE(search.Start("F:\\", "*.*"));
  EXPECT_TRUE(desk_->LoadChannelFile(0, "C:\\again\\again\\again\\Sets\\kick.chn", true));
  EXPECT_EQ(view_.messages, (tMessages{{"Can not load sample", "F:\\Sets\\kick.chn"},
                                       {"can not load mix", "F:\\a.mix"},
                                       {"Can not save sample", "F:\\kick.chn"}}));
  platform::RemoveDrive('F');
}

// A desk path holds at most 259 characters: one of 259 is used as it stands,
// one of 260 is refused with a message.
TEST_F(HostileFiles, PathsOfTheLongestLengthAndOneMore) {
  WriteKick(500);
  ASSERT_TRUE(desk_->LoadChannelFile(0, "C:\\Sets\\kick.chn", true));
  // "C:\" + 200 + "\" + name: folders of 200 characters keep each host name short.
  const std::string folder(200, 'f');
  ASSERT_EQ(mkdir((root_ + "/" + folder).c_str(), 0755), 0);
  const std::string base = "C:\\" + folder + "\\";
  const std::string at259 = base + std::string(259 - base.size() - 4, 'n') + ".chn";
  const std::string at260 = base + std::string(260 - base.size() - 4, 'n') + ".chn";
  EXPECT_TRUE(desk_->SaveChannelFile(0, at259.c_str()));
  EXPECT_TRUE(desk_->LoadChannelFile(1, at259.c_str(), true));
  EXPECT_EQ(desk_->Channel(1).GetFilePath().GetText(), at259);
  const std::string mix259 = at259.substr(0, 255) + ".mix";
  EXPECT_TRUE(desk_->SaveMix(mix259.c_str()));
  EXPECT_TRUE(desk_->LoadMix(mix259.c_str()));
  EXPECT_EQ(desk_->Channel(0).GetFilePath().GetText(), at259);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_FALSE(desk_->SaveChannelFile(0, at260.c_str()));
  EXPECT_FALSE(desk_->LoadChannelFile(1, at260.c_str(), true));
  EXPECT_FALSE(desk_->SaveMix(at260.c_str()));
  EXPECT_FALSE(desk_->LoadMix(at260.c_str()));
  EXPECT_EQ(view_.messages, (tMessages{{"Can not save sample", at260},
                                       {"Can not load sample", at260},
                                       {"Can not save mix", at260},
                                       {"can not load mix", at260}}));
}

// Names are 8-bit text: bytes that are not UTF-8 name files like any others.
TEST_F(HostileFiles, NamesThatAreNotUtf8) {
  const std::string wave = "caf\xE9 \xFF\xFE.wav";  // Latin-1 text, and bytes UTF-8 never uses
  WriteWave(wave, 500, 22050);
  WriteChannel("\xC0\xC1.chn", wave);
  ASSERT_TRUE(desk_->LoadChannelFile(0, "C:\\\xC0\xC1.chn", true));
  EXPECT_EQ(desk_->Channel(0).GetSndPath().GetText(), "C:\\" + wave);
  const std::string saved = "C:\\mix \x80\x81.mix";
  ASSERT_TRUE(desk_->SaveMix(saved.c_str()));
  ASSERT_TRUE(desk_->LoadMix(saved.c_str()));
  EXPECT_TRUE(desk_->Channel(0).HasSound());
  EXPECT_TRUE(view_.messages.empty());
  platform::DirectorySearch search;
  ASSERT_TRUE(search.Start("C:\\", "CAF\xE9*.WAV"));  // bytes above 127 match only themselves
  EXPECT_EQ(search.Current().name, wave);
}

// A mix of a million event lines loads, plays and saves like a short one.
TEST_F(HostileFiles, AMixOfAMillionEvents) {
  WriteKick(500);
  std::string events;
  events.reserve(40u << 20);
  char line[64];
  for (int i = 0; i < 1000000; ++i) {
    std::snprintf(line, sizeof line, "Time %08d Channel %d %s 0\r\n", i, i % 2,
                  i % 2 == 0 ? "Play" : "Stop");
    events += line;
  }
  events += "Time 01000000 Channel 0 EndMix 0\r\n";
  WriteMix("big.mix", {{0, {"Sets\\kick.chn", "A"}}, {1, {"Sets\\kick.chn", "A"}}}, 130, 1000,
           events);
  ASSERT_TRUE(desk_->LoadMix("C:\\big.mix"));
  EXPECT_EQ(desk_->TimeLength(), 1000000u);
  desk_->CreateTimer();
  desk_->StartPlayback();
  for (int i = 0; i < 100; ++i) desk_->EngineTick();
  EXPECT_EQ(desk_->State(), tDeskCore::kPlaying);
  desk_->StopPlayback();
  desk_->DestroyTimer();
  ASSERT_TRUE(desk_->SaveMix("C:\\again.mix"));
  const std::string saved = ReadHost("again.mix");
  EXPECT_EQ(saved.substr(saved.find("Time ")), events);
  EXPECT_TRUE(view_.messages.empty());
}

}  // namespace
