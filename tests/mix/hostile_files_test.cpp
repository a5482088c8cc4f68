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
#include <map>
#include <thread>

#include "audio/wave.h"
#include "platform/last_error.h"
#include "tests/mix/desk_test_util.h"

namespace {

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
  // Does what to each path (load a wave, a channel file on channel 0 or 1
  // or a mix; save channel 0 or the mix; export the mix), then traces what
  // became of it and what the desk said of it.
  void Try(const std::string& what, const std::vector<std::string>& paths) {
    const std::map<std::string, std::function<bool(const char*)>> does = {
        {"wave",
         [&](const char* p) { return desk_->LoadWaveIntoChannel(tChannel::kMain, 0, p, true); }},
        {"channel", [&](const char* p) { return desk_->LoadChannelFile(0, p, true); }},
        {"channel on 1", [&](const char* p) { return desk_->LoadChannelFile(1, p, true); }},
        {"mix", [&](const char* p) { return desk_->LoadMix(p); }},
        {"save channel", [&](const char* p) { return desk_->SaveChannelFile(0, p); }},
        {"save mix", [&](const char* p) { return desk_->SaveMix(p); }},
        {"export", [&](const char* p) { return desk_->ExportMix(p, OutputFormat()); }}};
    for (const std::string& path : paths) {
      const bool done = does.at(what)(path.c_str());
      trace_(what, path.size() > 40 ? std::to_string(path.size()) + " characters" : path, done,
             view_.Said());
    }
  }
};

TEST_F(HostileFiles, NamesOfThingsThatAreNotRegularFilesAreRefused) {
  for (const char* fifo : {"/pipe.wav", "/pipe.chn", "/pipe.mix"})
    ASSERT_EQ(mkfifo((root_ + fifo).c_str(), 0644), 0);
  ASSERT_EQ(mkdir((root_ + "/folder.wav").c_str(), 0755), 0);
  Try("wave", {"C:\\pipe.wav", "C:\\folder.wav", "Z:\\dev\\zero"});
  // They are not opened at all: the wave reader says it could not open them.
  for (const char* name : {"C:\\pipe.wav", "C:\\folder.wav", "Z:\\dev\\zero"}) {
    tWave wave;
    EXPECT_FALSE(wave.LoadWave(name));
    EXPECT_EQ(platform::LastErrorCode(), platform::kErrorWaveOpen) << name;
  }
  Try("channel", {"C:\\pipe.chn", "Z:\\dev\\zero"});
  Try("mix", {"C:\\pipe.mix", "Z:\\dev\\zero"});
  // Saving over them is refused too, and leaves them as they were.
  WriteKick(1000);
  ASSERT_TRUE(desk_->LoadChannelFile(0, "C:\\Sets\\kick.chn", true));
  Try("save channel", {"C:\\folder.wav"});
  Try("save mix", {"C:\\folder.wav"});
  Try("export", {"C:\\folder.wav"});
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
  Try("mix", {"C:\\huge.mix"});
  Try("channel", {"C:\\huge.chn"});
  std::string wave = WaveBytes(22050, 16, 2, 10);
  wave.replace(40, 4, "\xFF\xFF\xFF\x7F");
  WriteHost("long.wav", wave);
  Try("wave", {"C:\\long.wav"});
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
  Try("channel", {"C:\\self.chn"});
  // A mix that names itself as a channel file.
  WriteMix("self.mix", {{0, {"self.mix", ""}}}, 130, 1, "Time 00000000 Channel 0 Play 0\r\n");
  view_.answer = 1;  // go on with messages
  Try("mix", {"C:\\self.mix"});
  trace_("sound", desk_->Channel(0).HasSound());
}

// A drive whose folder is a loop of symbolic links names nothing that exists.
TEST_F(HostileFiles, ADriveThatLoopsThroughSymbolicLinks) {
  ASSERT_EQ(symlink((root_ + "/loop-b").c_str(), (root_ + "/loop-a").c_str()), 0);
  ASSERT_EQ(symlink((root_ + "/loop-a").c_str(), (root_ + "/loop-b").c_str()), 0);
  platform::SetDrive('F', root_ + "/loop-a");
  // And a link inside drive C: that leads back to its own folder.
  ASSERT_EQ(symlink(root_.c_str(), (root_ + "/again").c_str()), 0);
  WriteKick(500);
  Try("channel", {"F:\\Sets\\kick.chn"});
  Try("mix", {"F:\\a.mix"});
  Try("save channel", {"F:\\kick.chn"});
  Try("channel", {"C:\\again\\again\\again\\Sets\\kick.chn"});
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
  const std::string mix259 = at259.substr(0, 255) + ".mix";
  for (const std::string& chn : {at259, at260}) {
    const std::string mix = chn == at259 ? mix259 : at260;
    Try("save channel", {chn});
    Try("channel on 1", {chn});
    trace_("channel 1 file is it", desk_->Channel(1).GetFilePath().GetText() == chn);
    Try("save mix", {mix});
    Try("mix", {mix});
    trace_("channel 0 file is the 259", desk_->Channel(0).GetFilePath().GetText() == at259);
  }
}

// Names are 8-bit text: bytes that are not UTF-8 name files like any others.
TEST_F(HostileFiles, NamesThatAreNotUtf8) {
  const std::string wave = "caf\xE9 \xFF\xFE.wav";  // Latin-1 text, and bytes UTF-8 never uses
  WriteWave(wave, 500, 22050);
  WriteChannel("\xC0\xC1.chn", wave);
  ASSERT_TRUE(desk_->LoadChannelFile(0, "C:\\\xC0\xC1.chn", true));
  EXPECT_EQ(desk_->Channel(0).GetSndPath().GetText(), "C:\\" + wave);
  const std::string saved = "C:\\mix \x80\x81.mix";
  Try("save mix", {saved});
  Try("mix", {saved});
  EXPECT_TRUE(desk_->Channel(0).HasSound());
}

// A mix of a million event lines loads, plays and saves like a short one.
TEST_F(HostileFiles, AMixOfAMillionEvents) {
  WriteKick(500);
  std::string events;
  char line[64];
  for (int i = 0; i < 1000000; ++i) {
    std::snprintf(line, sizeof line, "Time %08d Channel %d Play 0\r\n", i, i % 2);
    events += line;
  }
  WriteMix("big.mix", {{0, {"Sets\\kick.chn", "A"}}, {1, {"Sets\\kick.chn", "A"}}}, 130, 1000,
           events);
  ASSERT_TRUE(desk_->LoadMix("C:\\big.mix"));
  desk_->CreateTimer();
  desk_->StartPlayback();
  for (int i = 0; i < 100; ++i) desk_->EngineTick();
  EXPECT_EQ(desk_->State(), tDeskCore::kPlaying);
  desk_->StopPlayback();
  ASSERT_TRUE(desk_->SaveMix("C:\\again.mix"));
  const std::string saved = ReadHost("again.mix");
  EXPECT_EQ(saved.substr(saved.find("Time ")), events);
  EXPECT_TRUE(view_.messages.empty());
}

}  // namespace
