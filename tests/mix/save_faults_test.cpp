// Every save of the desk under a full disk or an I/O fault at each of its
// writes, flushes, renames and closes: the failure is reported, the target
// keeps its earlier bytes (or stays absent), no temporary file is left and
// the next save succeeds.
#include <stdlib.h>

#include <functional>
#include <set>
#include <string>

#include "tests/mix/desk_test_util.h"
#include "tests/platform/fault_sweep.h"

namespace {

using tMessages = tRecordingMixView::tMessages;

// The desk's working files live in a temporary folder of the test's own, so
// that a temporary file left behind shows.
class SaveFaults : public DeskTest {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/brevora-faults-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    temp_ = tmpl;
    const char* old = std::getenv("TMPDIR");
    oldTemp_ = old != nullptr ? old : "";
    setenv("TMPDIR", temp_.c_str(), 1);
    DeskTest::SetUp();
    WriteKick(3000);
    ASSERT_TRUE(desk_->LoadChannelFile(0, "C:\\Sets\\kick.chn", true));
  }
  void TearDown() override {
    DeskTest::TearDown();
    if (oldTemp_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", oldTemp_.c_str(), 1);
    }
    ASSERT_EQ(std::system(("rm -rf '" + temp_ + "'").c_str()), 0);
  }
  // Sweeps a fault over every file call of save, which writes the host
  // file rel (absent when earlier is empty): each failure says key with
  // the desk path of rel, leaves the file as it was and no temporary file
  // behind. Returns the number of calls.
  int Sweep(const std::string& rel, const std::string& earlier, const char* key,
            const std::function<bool(const char*)>& save) {
    std::string path = "C:\\" + rel;
    const auto reset = [&] {
      std::remove((root_ + "/" + rel).c_str());
      if (!earlier.empty()) WriteHost(rel, earlier);
      view_.messages.clear();
    };
    reset();
    const std::set<std::string> rootFiles = HostListing(root_), tempFiles = HostListing(temp_);
    return SweepFileFaults(
        reset, [&] { return save(path.c_str()); },
        [&] {
          EXPECT_EQ(platform::FileOrDirectoryExists(path), !earlier.empty());
          EXPECT_EQ(ReadHost(rel), earlier);
          EXPECT_EQ(view_.messages, (tMessages{{key, path}}));
          EXPECT_EQ(HostListing(root_), rootFiles);
          EXPECT_EQ(HostListing(temp_), tempFiles);
        });
  }

  std::string temp_, oldTemp_;
};

// Over an earlier file, which keeps its bytes, and as a new file, which
// stays absent.
TEST_F(SaveFaults, ChannelFile) {
  for (const std::string earlier : {"[Brevora Channel]\r\nVersion=3\r\nVolume=17\r\n", ""}) {
    Sweep("saved.chn", earlier, "Can not save sample",
          [&](const char* path) { return desk_->SaveChannelFile(0, path); });
    EXPECT_NE(ReadHost("saved.chn").find("Snd=C:\\Loops\\kick.wav"), std::string::npos);
  }
}

TEST_F(SaveFaults, MixFileAndItsHeaderInTheWorkingFile) {
  Sweep("saved.mix", MixText({}, 99, 3, "Time 00000000 Channel 0 EndMix 0\r\n"), "Can not save mix",
        [&](const char* path) { return desk_->SaveMix(path); });
  EXPECT_NE(ReadHost("saved.mix").find("Sample_01=C:\\Sets\\kick.chn"), std::string::npos);
}

TEST_F(SaveFaults, Export) {
  WriteMix("a.mix", {{0, {"Sets\\kick.chn", "A"}}}, 130, 0,
           "Time 00000000 Channel 0 Play 0\r\nTime 00000100 Channel 0 EndMix 0\r\n");
  ASSERT_TRUE(desk_->LoadMix("C:\\a.mix"));
  const int calls = Sweep("out.wav", "earlier", "failed to export mix",
                          [&](const char* path) { return desk_->ExportMix(path, OutputFormat()); });
  // The header, 50 pages of 20 ms, the header again, the close and the rename.
  EXPECT_EQ(calls, 54);
  EXPECT_EQ(ReadHost("out.wav").size(), 44u + 50u * 1764u);
}

// The working file takes the recording: a failure when it is cleared keeps
// the desk out of recording, one while lines are appended is told at Stop.
TEST_F(SaveFaults, RecordingIntoTheWorkingFile) {
  SetTempo(999);  // a short count-in
  desk_->CreateTimer();
  auto record = [&] {
    view_.messages.clear();
    desk_->StartRecording();
    if (desk_->State() != tDeskCore::kRecording) return false;
    desk_->Timer().SetTime(22050);  // past the half second a recording must last
    desk_->RecordEvent(0, kPlay, 0, 22050);
    // More lines than the stream holds: some reach the file while recording.
    for (int i = 0; i < 400; ++i) desk_->RecordEvent(0, kVolume, i % 101, 22050);
    desk_->StopRecording();
    return view_.messages.empty();
  };
  std::string before;
  SweepFileFaults(
      [&] {
        view_.messages.clear();
        before = WorkingText();
      },
      record,
      [&] {
        EXPECT_EQ(view_.messages, (tMessages{{"Can not save mix", desk_->Events().WorkingPath()}}));
        EXPECT_EQ(desk_->State(), tDeskCore::kIdle);
        // Cleared or not, the working file is whole: the earlier mix or the
        // new recording's header and the lines it took.
        const std::string now = WorkingText();
        if (now != before) {
          EXPECT_EQ(now.rfind("[Brevora Mix]\r\nAuthor=User\r\n", 0), 0u) << now;
        }
      });
  EXPECT_NE(WorkingText().find("Channel 0 Play 0\r\n"), std::string::npos);
  desk_->DestroyTimer();
}

}  // namespace
