// Where drive C: lies: run from a folder, or installed with a per-user root
// that links the installed data and receives the demo set once.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "platform/content_root.h"
#include "tests/platform/fault_sweep.h"
#include "tests/platform/golden_trace.h"
#include "tests/platform/test_root.h"

namespace {

using platform::ContentRoot;
using Names = std::set<std::string>;
using Messages = std::vector<std::string>;

// The user's folder below the test's root, with HOME at root/home.
const std::string kUser = "home/.local/share/brevora";

class ContentRootTest : public TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    for (const char* name : {"XDG_DATA_HOME", "HOME"})
      if (const char* v = getenv(name)) saved_env_[name] = v;
    setenv("HOME", (root_ + "/home").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    // An installed tree: the executables' folder and the shared folder beside it.
    bin_ = root_ + "/prefix/bin";
    share_ = bin_ + "/" + platform::InstalledShareRelative();
    const std::string share = "prefix/bin/" + std::string(platform::InstalledShareRelative());
    WriteHost("prefix/bin/brevora-render", "");
    WriteHost(share + "/data/Language.txt", "[Engels]\r\n");
    WriteHost(share + "/Mixes/demo.mix", "[Brevora Mix]\r\n");
    WriteHost(share + "/Mixes/demo/drums.chn", "[Brevora Channel]\r\n");
  }
  void TearDown() override {
    for (const char* name : {"XDG_DATA_HOME", "HOME"}) {
      const auto saved = saved_env_.find(name);
      if (saved != saved_env_.end())
        setenv(name, saved->second.c_str(), 1);
      else
        unsetenv(name);
    }
    TestRoot::TearDown();
  }
  ContentRoot Installed() {
    ContentRoot root;
    std::string message;
    EXPECT_TRUE(platform::FindContentRoot(bin_, root, message)) << message;
    return root;
  }
  static std::string Real(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) != nullptr ? buf : "";
  }
  // A path or a message with the test's root written as $ROOT.
  std::string Rooted(const std::string& text) const {
    return Named(Named(text, Real(root_), "$ROOT"), root_, "$ROOT");
  }
  static std::string LinkTarget(const std::string& path) {
    char buf[PATH_MAX];
    ssize_t n = readlink(path.c_str(), buf, sizeof buf);
    return n > 0 ? std::string(buf, size_t(n)) : "";
  }

  std::string bin_, share_;
  std::map<std::string, std::string> saved_env_;
};

TEST_F(ContentRootTest, AFolderWithDataIsTheRootElseTheUsersFolderWhenInstalled) {
  ContentRoot root;
  std::string message;
  // Run from a folder that holds data/: that folder, as a build's stage.
  WriteHost("stage/data/Language.txt", "");
  ASSERT_TRUE(platform::FindContentRoot(root_ + "/stage", root, message));
  EXPECT_EQ(root.root, root_ + "/stage");
  EXPECT_FALSE(root.Installed());

  // Installed: the user's folder, from XDG_DATA_HOME when it is absolute.
  root = Installed();
  EXPECT_EQ(root.installed, Real(share_));
  EXPECT_EQ(root.root, root_ + "/" + kUser);
  setenv("XDG_DATA_HOME", (root_ + "/xdg").c_str(), 1);
  EXPECT_EQ(Installed().root, root_ + "/xdg/brevora");
  setenv("XDG_DATA_HOME", "relative/data", 1);
  setenv("HOME", (root_ + "/home/").c_str(), 1);
  EXPECT_EQ(Installed().root, root_ + "/" + kUser);

  // Neither: both places are named.
  EXPECT_FALSE(platform::FindContentRoot(root_ + "/home", root, message));
  EXPECT_EQ(message, "cannot find the program's data in '" + root_ + "/home/data' or '" + root_ +
                         "/home/" + platform::InstalledShareRelative() + "/data'");
}

// Starts of an installed desk, with the user's changes and a moved
// installation between them, one line of the trace each.
TEST_F(ContentRootTest, ASessionOfStartsEditsAndMoves) {
  GoldenTrace t("tests/platform/golden/content_root_session.trace");
  ContentRoot root = Installed();
  const std::string& r = root.root;
  Messages messages;
  // What a start said, and what the user's folder then holds.
  auto start = [&](const std::string& step) {
    messages.clear();
    const bool ok = platform::PrepareUserContentRoot(root, messages);
    std::string said;
    for (const std::string& m : messages) said += " \"" + Rooted(m) + "\"";
    t.Add({step + ":", ok ? "ready" : "fails", "saying" + (said.empty() ? " nothing" : said)});
    for (const std::string dir : {"", "/Mixes", "/Mixes/demo"}) {
      std::string names;
      for (const std::string& n : HostListing(r + dir)) names += " " + n;
      t.Add({"  " + Rooted(r + dir) + ":" + (names.empty() ? " empty" : names)});
    }
    t.Add({"  data links to",
           LinkTarget(r + "/data").empty() ? "nothing" : Rooted(LinkTarget(r + "/data")),
           "Language.txt", Quoted(ReadHost(kUser + "/data/Language.txt"))});
    t.Add({"  demo.mix", Quoted(ReadHost(kUser + "/Mixes/demo.mix")), "drums.chn",
           Quoted(ReadHost(kUser + "/Mixes/demo/drums.chn"))});
  };
  start("first start");
  // Folders made for the user's data are private.
  t.Add({"modes: ~/.local", ModeOf(root_ + "/home/.local"), "demo.mix",
         ModeOf(r + "/Mixes/demo.mix")});
  struct stat before {
  }, after{};
  ASSERT_EQ(lstat((r + "/data").c_str(), &before), 0);
  // The user edits, adds and removes files; the next start leaves all of it.
  WriteHost(kUser + "/Mixes/demo.mix", "mine now");
  WriteHost(kUser + "/Mixes/my own.mix", "my own");
  ASSERT_EQ(unlink((r + "/Mixes/demo/drums.chn").c_str()), 0);
  start("demo.mix edited, my own.mix added, drums.chn removed, started again");
  ASSERT_EQ(lstat((r + "/data").c_str(), &after), 0);
  t.Add({"a right link is left alone:", before.st_ino == after.st_ino ? "yes" : "no"});
  // Without the marker the missing demo files come back; changed ones stay.
  ASSERT_EQ(unlink((r + "/.demo-copied").c_str()), 0);
  start("marker removed, started again");
  // The installation moves: the link is renewed to the new place.
  ASSERT_EQ(rename((root_ + "/prefix").c_str(), (root_ + "/moved").c_str()), 0);
  bin_ = root_ + "/moved/bin";
  root = Installed();
  start("installation moved, started again");
  // A data folder the user made is used as it is, and said so.
  ASSERT_EQ(unlink((r + "/data").c_str()), 0);
  WriteHost(kUser + "/data/Language.txt", "my table");
  start("data made a folder of the user's own, started again");
  // A root that cannot be made fails with the reason.
  WriteHost("blocked", "a file where the folder should be");
  setenv("XDG_DATA_HOME", (root_ + "/blocked").c_str(), 1);
  messages.clear();
  t.Add({"root below a file:",
         platform::PrepareUserContentRoot(Installed(), messages) ? "ready" : "fails",
         messages.size() == 1 ? Rooted(messages[0]) : "not one message"});
  t.Verify();
}

TEST_F(ContentRootTest, ProgramsStartingTogetherEachFindTheRootReady) {
  const ContentRoot root = Installed();
  std::vector<Messages> messages(4);
  std::vector<int> ok(4, 0);
  std::vector<std::thread> starts;
  for (int i = 0; i < 4; ++i)
    starts.emplace_back([&, i] { ok[i] = platform::PrepareUserContentRoot(root, messages[i]); });
  for (auto& t : starts) t.join();
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(ok[i]);
    EXPECT_TRUE(messages[i].empty()) << messages[i].front();
  }
  // Nothing half-made is left behind: no temporary names, whole files.
  EXPECT_EQ(HostListing(root.root), (Names{".demo-copied", "Mixes", "data"}));
  EXPECT_EQ(HostListing(root.root + "/Mixes"), (Names{"demo", "demo.mix"}));
  EXPECT_EQ(HostListing(root.root + "/Mixes/demo"), Names{"drums.chn"});
  EXPECT_EQ(ReadHost(kUser + "/Mixes/demo/drums.chn"), "[Brevora Channel]\r\n");
}

TEST_F(ContentRootTest, CommandLinePathsAreTakenFromTheStartFolderAndLandOnTheRoot) {
  ContentRoot root;
  root.root = root_ + "/root";
  root.startFolder = root_ + "/root/Mixes";
  WriteHost("root/Mixes/a.mix", "");
  WriteHost("elsewhere/z.mix", "");
  ASSERT_EQ(symlink((root_ + "/root").c_str(), (root_ + "/alias").c_str()), 0);
  ASSERT_EQ(symlink((root_ + "/elsewhere/z.mix").c_str(), (root_ + "/root/Mixes/link.mix").c_str()),
            0);
  platform::InitDrives(root.root, true);
  // Arguments from a table; the test's root stands as $ROOT.
  std::string winRoot = root_;
  std::replace(winRoot.begin(), winRoot.end(), '/', '\\');
  VerifyGoldenTable("tests/platform/golden/command_line_paths.txt", [&](const std::string& row) {
    std::string desk;
    const std::string arg = row == "(empty)" ? "" : Named(row, "$ROOT", root_.c_str());
    return platform::CommandLinePath(root, arg, desk) ? Named(desk, winRoot, "$ROOT") : "refused";
  });
}

}  // namespace
