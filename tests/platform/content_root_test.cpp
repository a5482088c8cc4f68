// Where drive C: lies: run from a folder, or installed with a per-user root
// that links the installed data and receives the demo set once.
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/content_root.h"
#include "tests/platform/test_root.h"

namespace {

using platform::ContentRoot;

class ContentRootTest : public TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    for (const char* name : {"XDG_DATA_HOME", "HOME"}) {
      const char* v = getenv(name);
      saved_env_.emplace_back(name, v != nullptr ? v : "");
      saved_set_.push_back(v != nullptr);
    }
    setenv("HOME", (root_ + "/home").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    // An installed tree: the executables' folder and the shared folder beside it.
    bin_ = root_ + "/prefix/bin";
    WriteHost("prefix/bin/brevora-render", "");
    share_ = bin_ + "/" + platform::InstalledShareRelative();
    WriteHost(
        "prefix/bin/" + std::string(platform::InstalledShareRelative()) + "/data/Language.txt",
        "[Engels]\r\n");
    WriteHost("prefix/bin/" + std::string(platform::InstalledShareRelative()) + "/Mixes/demo.mix",
              "[Brevora Mix]\r\n");
    WriteHost(
        "prefix/bin/" + std::string(platform::InstalledShareRelative()) + "/Mixes/demo/drums.chn",
        "[Brevora Channel]\r\n");
  }
  void TearDown() override {
    for (size_t i = 0; i < saved_env_.size(); ++i) {
      if (saved_set_[i])
        setenv(saved_env_[i].first.c_str(), saved_env_[i].second.c_str(), 1);
      else
        unsetenv(saved_env_[i].first.c_str());
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
  // The names in a folder, sorted.
  static std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return names;
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
        names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string Read(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string bin_, share_;
  std::vector<std::pair<std::string, std::string>> saved_env_;
  std::vector<bool> saved_set_;
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
  EXPECT_EQ(root.root, root_ + "/home/.local/share/brevora");
  setenv("XDG_DATA_HOME", (root_ + "/xdg").c_str(), 1);
  EXPECT_EQ(Installed().root, root_ + "/xdg/brevora");
  setenv("XDG_DATA_HOME", "relative/data", 1);
  setenv("HOME", (root_ + "/home/").c_str(), 1);
  EXPECT_EQ(Installed().root, root_ + "/home/.local/share/brevora");

  // Neither: both places are named.
  EXPECT_FALSE(platform::FindContentRoot(root_ + "/home", root, message));
  EXPECT_EQ(message, "cannot find the program's data in '" + root_ + "/home/data' or '" + root_ +
                         "/home/" + platform::InstalledShareRelative() + "/data'");
}

TEST_F(ContentRootTest, TheFirstStartMakesTheRootAndCopiesTheDemoSetOnlyOnce) {
  const ContentRoot root = Installed();
  std::vector<std::string> messages;
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  EXPECT_TRUE(messages.empty());
  const std::string& r = root.root;
  EXPECT_EQ(Names(r), (std::vector<std::string>{".demo-copied", "Mixes", "data"}));
  EXPECT_EQ(LinkTarget(r + "/data"), Real(share_ + "/data"));
  EXPECT_EQ(Read(r + "/data/Language.txt"), "[Engels]\r\n");
  EXPECT_EQ(Read(r + "/Mixes/demo.mix"), "[Brevora Mix]\r\n");
  EXPECT_EQ(Read(r + "/Mixes/demo/drums.chn"), "[Brevora Channel]\r\n");
  struct stat st {};
  ASSERT_EQ(stat((root_ + "/home/.local").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);  // folders made for the user's data are private
  ASSERT_EQ(stat((r + "/Mixes/demo.mix").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  // The user edits, adds and removes files; the next start leaves all of it.
  WriteHost("home/.local/share/brevora/Mixes/demo.mix", "mine now");
  WriteHost("home/.local/share/brevora/Mixes/my own.mix", "my own");
  ASSERT_EQ(unlink((r + "/Mixes/demo/drums.chn").c_str()), 0);
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Names(r + "/Mixes"), (std::vector<std::string>{"demo", "demo.mix", "my own.mix"}));
  EXPECT_EQ(Names(r + "/Mixes/demo"), std::vector<std::string>{});
  EXPECT_EQ(Read(r + "/Mixes/demo.mix"), "mine now");

  // Without the marker the missing demo files come back; changed ones stay.
  ASSERT_EQ(unlink((r + "/.demo-copied").c_str()), 0);
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  EXPECT_EQ(Read(r + "/Mixes/demo/drums.chn"), "[Brevora Channel]\r\n");
  EXPECT_EQ(Read(r + "/Mixes/demo.mix"), "mine now");
  EXPECT_EQ(Names(r), (std::vector<std::string>{".demo-copied", "Mixes", "data"}));
}

TEST_F(ContentRootTest, TheDataLinkFollowsTheInstallationAndAUsersFolderStays) {
  ContentRoot root = Installed();
  std::vector<std::string> messages;
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
  EXPECT_EQ(Read(link + "/Language.txt"), "[Engels]\r\n");
  EXPECT_EQ(Names(root.root), (std::vector<std::string>{".demo-copied", "Mixes", "data"}));

  // A data folder the user made is used as it is, and said so.
  ASSERT_EQ(unlink(link.c_str()), 0);
  WriteHost("home/.local/share/brevora/data/Language.txt", "my table");
  ASSERT_TRUE(platform::PrepareUserContentRoot(root, messages));
  EXPECT_EQ(messages, std::vector<std::string>{"'" + link +
                                               "' is not a link to the installed data, so it is "
                                               "used as it is"});
  EXPECT_EQ(Read(link + "/Language.txt"), "my table");
}

TEST_F(ContentRootTest, ARootThatCannotBeMadeFailsWithTheReason) {
  WriteHost("blocked", "a file where the folder should be");
  setenv("XDG_DATA_HOME", (root_ + "/blocked").c_str(), 1);
  std::vector<std::string> messages;
  EXPECT_FALSE(platform::PrepareUserContentRoot(Installed(), messages));
  EXPECT_EQ(messages, std::vector<std::string>{"cannot make the folder '" + root_ +
                                               "/blocked/brevora': Not a directory"});
}

TEST_F(ContentRootTest, ProgramsStartingTogetherEachFindTheRootReady) {
  const ContentRoot root = Installed();
  std::vector<std::vector<std::string>> messages(4);
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
  EXPECT_EQ(Names(root.root), (std::vector<std::string>{".demo-copied", "Mixes", "data"}));
  EXPECT_EQ(Names(root.root + "/Mixes"), (std::vector<std::string>{"demo", "demo.mix"}));
  EXPECT_EQ(Names(root.root + "/Mixes/demo"), std::vector<std::string>{"drums.chn"});
  EXPECT_EQ(Read(root.root + "/Mixes/demo/drums.chn"), "[Brevora Channel]\r\n");
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
