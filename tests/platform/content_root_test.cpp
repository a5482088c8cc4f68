// Where drive C: lies: run from a folder, or installed with a per-user root
// that links the installed data and receives the demo set once.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <latch>
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
  // Many files, so that the starts copy side by side.
  const std::string more =
      "prefix/bin/" + std::string(platform::InstalledShareRelative()) + "/Mixes/more/";
  for (int i = 0; i < 32; ++i) WriteHost(more + std::to_string(i) + ".chn", "x");
  const ContentRoot root = Installed();
  constexpr int kStarts = 8;
  std::vector<Messages> messages(kStarts);
  std::vector<int> ok(kStarts, 0);
  std::latch together(kStarts);
  std::vector<std::thread> starts;
  for (int i = 0; i < kStarts; ++i)
    starts.emplace_back([&, i] {
      together.arrive_and_wait();
      ok[i] = platform::PrepareUserContentRoot(root, messages[i]);
    });
  for (auto& t : starts) t.join();
  for (int i = 0; i < kStarts; ++i) {
    EXPECT_TRUE(ok[i]);
    EXPECT_TRUE(messages[i].empty()) << messages[i].front();
  }
  // Nothing half-made is left behind: no temporary names, whole files.
  EXPECT_EQ(HostListing(root.root), (Names{".demo-copied", "Mixes", "data"}));
  EXPECT_EQ(HostListing(root.root + "/Mixes"), (Names{"demo", "demo.mix", "more"}));
  EXPECT_EQ(HostListing(root.root + "/Mixes/more").size(), 32u);
  EXPECT_EQ(HostListing(root.root + "/Mixes/demo"), Names{"drums.chn"});
  EXPECT_EQ(ReadHost(kUser + "/Mixes/demo/drums.chn"), "[Brevora Channel]\r\n");
}

}  // namespace
