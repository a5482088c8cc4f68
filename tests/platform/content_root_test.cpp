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

TEST_F(ContentRootTest, TheFirstStartMakesTheRootAndCopiesTheDemoSetOnlyOnce) {
  const ContentRoot root = Installed();
  Messages messages;
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  EXPECT_TRUE(messages.empty());
  const std::string& r = root.root;
  EXPECT_EQ(HostListing(r), (Names{".demo-copied", "Mixes", "data"}));
  EXPECT_EQ(LinkTarget(r + "/data"), Real(share_ + "/data"));
  EXPECT_EQ(ReadHost(kUser + "/data/Language.txt"), "[Engels]\r\n");
  EXPECT_EQ(ReadHost(kUser + "/Mixes/demo.mix"), "[Brevora Mix]\r\n");
  EXPECT_EQ(ReadHost(kUser + "/Mixes/demo/drums.chn"), "[Brevora Channel]\r\n");
  struct stat st {};
  ASSERT_EQ(stat((root_ + "/home/.local").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);  // folders made for the user's data are private
  ASSERT_EQ(stat((r + "/Mixes/demo.mix").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  // The user edits, adds and removes files; the next start leaves all of it.
  WriteHost(kUser + "/Mixes/demo.mix", "mine now");
  WriteHost(kUser + "/Mixes/my own.mix", "my own");
  ASSERT_EQ(unlink((r + "/Mixes/demo/drums.chn").c_str()), 0);
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(HostListing(r + "/Mixes"), (Names{"demo", "demo.mix", "my own.mix"}));
  EXPECT_EQ(HostListing(r + "/Mixes/demo"), Names{});
  EXPECT_EQ(ReadHost(kUser + "/Mixes/demo.mix"), "mine now");

  // Without the marker the missing demo files come back; changed ones stay.
  ASSERT_EQ(unlink((r + "/.demo-copied").c_str()), 0);
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  EXPECT_EQ(ReadHost(kUser + "/Mixes/demo/drums.chn"), "[Brevora Channel]\r\n");
  EXPECT_EQ(ReadHost(kUser + "/Mixes/demo.mix"), "mine now");
  EXPECT_EQ(HostListing(r), (Names{".demo-copied", "Mixes", "data"}));
}

TEST_F(ContentRootTest, TheDataLinkFollowsTheInstallationAndAUsersFolderStays) {
  ContentRoot root = Installed();
  Messages messages;
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  const std::string link = root.root + "/data";
  struct stat before {
  }, after{};
  ASSERT_EQ(lstat(link.c_str(), &before), 0);
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  ASSERT_EQ(lstat(link.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);  // a link that is right is left alone

  // The installation moves: the link is renewed to the new place.
  ASSERT_EQ(rename((root_ + "/prefix").c_str(), (root_ + "/moved").c_str()), 0);
  bin_ = root_ + "/moved/bin";
  root = Installed();
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(LinkTarget(link),
            Real(root_ + "/moved/bin/" + platform::InstalledShareRelative()) + "/data");
  EXPECT_EQ(ReadHost(kUser + "/data/Language.txt"), "[Engels]\r\n");
  EXPECT_EQ(HostListing(root.root), (Names{".demo-copied", "Mixes", "data"}));

  // A data folder the user made is used as it is, and said so.
  ASSERT_EQ(unlink(link.c_str()), 0);
  WriteHost(kUser + "/data/Language.txt", "my table");
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  EXPECT_EQ(messages,
            Messages{"'" + link + "' is not a link to the installed data, so it is used as it is"});
  EXPECT_EQ(ReadHost(kUser + "/data/Language.txt"), "my table");

  // A root that cannot be made fails with the reason.
  WriteHost("blocked", "a file where the folder should be");
  setenv("XDG_DATA_HOME", (root_ + "/blocked").c_str(), 1);
  messages.clear();
  EXPECT_FALSE(platform::PrepareUserContentRoot(Installed(), messages));
  EXPECT_EQ(messages,
            Messages{"cannot make the folder '" + root_ + "/blocked/brevora': Not a directory"});
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
  const struct {
    std::string arg, desk;
  } cases[] = {
      {"a.mix", "C:\\Mixes\\a.mix"},
      {"../out.wav", "C:\\out.wav"},
      {"./new folder/b.wav", "C:\\Mixes\\new folder\\b.wav"},
      // Through a link to the root's folder: still on C:.
      {root_ + "/alias/Mixes/a.mix", "C:\\Mixes\\a.mix"},
      // A linked file keeps its own name and place.
      {"link.mix", "C:\\Mixes\\link.mix"},
      {root_ + "/elsewhere/", "Z:" + root_ + "\\elsewhere"},
  };
  for (const auto& c : cases) {
    std::string desk;
    EXPECT_TRUE(platform::CommandLinePath(root, c.arg, desk)) << c.arg;
    std::string want = c.desk;
    std::replace(want.begin(), want.end(), '/', '\\');
    EXPECT_EQ(desk, want) << c.arg;
  }
  std::string desk;
  EXPECT_FALSE(platform::CommandLinePath(root, "", desk));
  EXPECT_FALSE(platform::CommandLinePath(root, std::string(300, 'x') + ".mix", desk));
}

}  // namespace
