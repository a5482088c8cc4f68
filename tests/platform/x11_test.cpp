// The display and input services on a real X server: a virtual desktop of
// 1280 by 720 (Xvfb) with a window manager (openbox), driven by xdotool as a
// person would drive it. Skipped where those programs are missing.
#include <SDL.h>
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/png_file.h"
#include "platform/video.h"
#include "tests/platform/child_process.h"
#include "tests/platform/screen_fixture.h"

// A real X display brings the host's own libraries (the session bus, the
// renderer's driver) whose one-time allocations live until the process ends.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:swrast_dri.so\n";
}

namespace {

// Runs a shell command and gives its exit status; none may take more than
// `seconds`, so that a lost window or key cannot hold the test.
int Shell(const std::string& command, int seconds = 20) {
  pid_t pid = Spawn({"timeout", std::to_string(seconds), "sh", "-c", command});
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class VirtualDesktop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* program : {"Xvfb", "openbox", "xdotool", "xprop"})
      if (ProgramPath(program).empty()) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    server_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x720x24",
                     "-nolisten", "tcp"});
    close(fds[1]);
    char number[16] = {};
    pollfd started{fds[0], POLLIN, 0};
    ssize_t n = poll(&started, 1, 30000) == 1 ? read(fds[0], number, sizeof number - 1) : 0;
    close(fds[0]);
    if (n <= 0) return Stop(server_);
    display_ = std::string(":") + std::string(number, strcspn(number, "\n"));
    setenv("DISPLAY", display_.c_str(), 1);
    window_manager_ = Spawn({"openbox", "--sm-disable"});
    // The window manager is up when it names itself on the root window; a
    // window made before that could wait for ever to be mapped.
    // On a loaded machine it can take long; if it ended before naming
    // itself, it is started again.
    bool managed = false;
    for (int i = 0; i < 600 && !managed; ++i) {
      managed = Shell("xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'") == 0;
      if (managed) break;
      if (waitpid(window_manager_, nullptr, WNOHANG) == window_manager_)
        window_manager_ = Spawn({"openbox", "--sm-disable"});
      platform::SleepMs(100);
    }
    if (!managed) {
      problem_ = "the window manager did not start";
      return;
    }
    setenv("SDL_VIDEODRIVER", "x11", 1);
    // The renderer's driver is loaded and unloaded with each window; kept
    // loaded here, what it allocates once for good keeps its name.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_GLOBAL);
    ready_ = true;
  }
  static void TearDownTestSuite() {
    Stop(window_manager_);
    Stop(server_);
  }
  void SetUp() override {
    ASSERT_EQ(problem_, "");
    if (!ready_) GTEST_SKIP() << "needs Xvfb, openbox, xdotool and xprop";
  }

  // Records until one described as wanted arrives (or 5 s pass).
  static std::vector<std::string> Until(const std::string& wanted) {
    std::vector<std::string> seen;
    const uint64_t end = platform::MonotonicMs() + 5000;
    platform::InputEvent e;
    while (platform::MonotonicMs() < end) {
      if (!platform::WaitInput(e, 50)) continue;
      seen.push_back(Describe(e));
      if (seen.back() == wanted) break;
    }
    return seen;
  }
  // The records of one action, once it has been carried out, without the
  // window's own bookkeeping.
  static std::vector<std::string> After(const std::string& xdotool) {
    platform::FlushInput();
    EXPECT_EQ(Shell("xdotool " + xdotool), 0) << xdotool;
    std::vector<std::string> seen;
    platform::InputEvent e;
    // The X server delivers what xdotool sent before this sync returns.
    Shell("xdotool sleep 0.05");
    const uint64_t end = platform::MonotonicMs() + 3000;
    while (platform::MonotonicMs() < end && platform::WaitInput(e, 100)) {
      const std::string line = Describe(e);
      if (line != "expose" && line != "focus gained") seen.push_back(line);
    }
    return seen;
  }

  static inline pid_t server_ = -1;
  static inline pid_t window_manager_ = -1;
  static inline std::string display_;
  static inline bool ready_ = false;
  static inline std::string problem_;
};

using Lines = std::vector<std::string>;

TEST_F(VirtualDesktop, FullScreenLetterboxesAndReportsScreenPixels) {
  OpenScreen(true);
  FillPattern();
  ASSERT_TRUE(platform::PresentNow());
  const Lines start = Until("focus gained");
  ASSERT_FALSE(start.empty());
  EXPECT_EQ(start.back(), "focus gained");
  EXPECT_FALSE(SDL_IsScreenSaverEnabled());

  // The desktop is 1280 by 720: the picture is 960 by 720 from x 160.
  EXPECT_EQ(After("mousemove 280 60"), (Lines{"move 100,50"}));
  EXPECT_EQ(After("mousemove 50 300 click 1"), (Lines{"move 0,250", "release 0,250"}));
  EXPECT_EQ(After("mousemove 1119 719 click 1"),
            (Lines{"move 799,599", "press 799,599", "release 799,599"}));
  EXPECT_EQ(After("mousemove 640 360 click --repeat 2 --delay 50 1"),
            (Lines{"move 400,300", "press 400,300", "release 400,300", "press 400,300 double",
                   "release 400,300"}));

  // What the window shows under the pointer is what pointing there reports.
  std::vector<uint8_t> rgb;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(platform::CaptureWindow(rgb, w, h));
  ASSERT_EQ(w * 10000 + h, 1280 * 10000 + 720);
  std::vector<std::pair<int32_t, int32_t>> positions;
  for (int32_t wx = 0; wx < w; ++wx)
    for (int32_t wy : {0, 359, 719}) positions.emplace_back(wx, wy);
  EXPECT_EQ(PointingMismatches(rgb, w, positions), 0);

  // Keys by their letters, by place on a Cyrillic layout, both Enters.
  EXPECT_EQ(After("key a"), (Lines{"down A", "up A"}));
  EXPECT_EQ(After("key KP_Enter Return Control_L"),
            (Lines{"down 0x0D", "up 0x0D", "down 0x0D", "up 0x0D", "down 0x11", "up 0x11"}));
  if (!ProgramPath("setxkbmap").empty() && Shell("setxkbmap -layout ru") == 0) {
    platform::SleepMs(100);
    EXPECT_EQ(After("key Cyrillic_ef Cyrillic_ze"), (Lines{"down A", "up A", "down P", "up P"}));
    Shell("setxkbmap -layout us");
  }
  // A held key repeats; the table holds it down until its release.
  platform::FlushInput();
  ASSERT_EQ(Shell("xdotool keydown w sleep 0.8"), 0);
  const Lines held = After("keyup w");
  ASSERT_GE(held.size(), 1u);
  EXPECT_EQ(held.back(), "up W");
  EXPECT_FALSE(platform::IsKeyDown('W'));

  // Waiting costs no processor time.
  const std::clock_t before = std::clock();  // the processor time of all threads
  platform::InputEvent e;
  platform::WaitInput(e, 500);
  EXPECT_LT(std::clock() - before, CLOCKS_PER_SEC / 20);

  // The intro's picture through the overlay; a picture for a person to look
  // at when BREVORA_SCREENSHOT_DIR names a folder.
  platform::VideoPlayer intro;
  ASSERT_TRUE(platform::SetPointer(platform::Pointer::kHidden) == platform::Pointer::kArrow);
  ASSERT_TRUE(intro.Open("Z:" + std::string(BREVORA_STAGE) + "/data/intro.avi",
                         platform::PixelRect{80, 60, 720, 540}));
  ASSERT_EQ(intro.ShowFrameAt(3000000), 75);
  ASSERT_TRUE(platform::PresentNow());
  if (const char* dir = std::getenv("BREVORA_SCREENSHOT_DIR")) {
    ASSERT_TRUE(platform::CaptureWindow(rgb, w, h));
    platform::WriteRgbPng(std::string(dir) + "/x11-intro-window.png", w, h, rgb.data());
    // What the X server shows, pointer included (hidden here).
    Shell("ffmpeg -loglevel error -y -f x11grab -draw_mouse 1 -video_size 1280x720 -i " + display_ +
          " -frames:v 1 " + dir + "/x11-intro-screen.png");
  }
  intro.Close();
  platform::SetPointer(platform::Pointer::kArrow);
  platform::CloseDisplay();
}

// Kills this process's children (the box's own process among them: it keeps
// the test's output open, so CTest would wait for it), then this process.
[[noreturn]] void KillWithChildren() {
  if (DIR* proc = opendir("/proc")) {
    while (const dirent* entry = readdir(proc)) {
      std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
      std::string line;
      if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
      // "pid (name) state ppid ...": the name may hold spaces, so read after it.
      char state = 0;
      int ppid = 0;
      if (std::sscanf(line.c_str() + line.rfind(')') + 1, " %c %d", &state, &ppid) == 2 &&
          ppid == getpid())
        kill(std::atoi(entry->d_name), SIGKILL);
    }
    closedir(proc);
  }
  kill(getpid(), SIGKILL);
  _exit(1);
}

// Answers a box by pressing a key in it once it is up. The box's name is
// found through xwininfo: xdotool cannot read the name's encoding.
// Every step is bounded: on a starved machine (a sanitizer build among other
// builds) the box can take minutes to show, the first press can come before
// the box listens for keys, and an activation can wait for ever on a window
// manager that is slow to grant it, so the key is pressed again (after both a
// window-manager activation and a direct focus) until the box is gone. A box
// that cannot be answered ends the test at once with the steps seen, rather
// than leaving it to wait for the box until CTest's time-out.
// The box runs in a process forked from this one, so this returns only once
// the answering thread has made everything it allocates and only waits: a
// fork while another thread is inside the allocator can leave the child
// waiting for ever on the allocator's lock (the thread checker's allocator
// does).
std::thread Answer(const std::string& title, const std::string& key) {
  static std::atomic<int> serial{0};
  const std::string log =
      "/tmp/brevora-answer-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".log";
  const std::string command =
      "exec 2>" + log + "; end=$(($(date +%s) + 150)); while [ $(date +%s) -lt $end ]; do " +
      "id=$(xwininfo -root -tree | grep -F '\"" + title +
      "\":' | awk '{print $1}' | head -n 1); [ -n \"$id\" ] && break; sleep 0.05; done; "
      "[ -n \"$id\" ] || { echo 'the box never showed' >&2; exit 2; }; "
      "for i in $(seq 20); do "
      "timeout 3 xdotool windowactivate --sync \"$id\" || echo \"activation $i failed\" >&2; "
      "timeout 3 xdotool windowfocus --sync \"$id\" || echo \"focus $i failed\" >&2; "
      "xdotool key " +
      key +
      "; sleep 1; xwininfo -id \"$id\" >/dev/null 2>&1 || exit 0; done; "
      "echo \"$(xwininfo -id \"$id\" -all 2>&1 | head -n 20)\" >&2; exit 3";
  auto waiting = std::make_shared<std::binary_semaphore>(0);
  std::thread answering([=] {
    const pid_t pid = Spawn({"timeout", "300", "sh", "-c", command});
    waiting->release();
    int status = -1;
    if (pid > 0 && waitpid(pid, &status, 0) == pid)
      status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (status != 0) {
      std::ifstream steps(log);
      const std::string seen{std::istreambuf_iterator<char>(steps), {}};
      std::fprintf(stderr, "the box \"%s\" could not be answered (status %d):\n%s\n", title.c_str(),
                   status, seen.c_str());
      std::fflush(stderr);
      std::remove(log.c_str());
      // The main thread waits inside the box; a plain exit can wait with it
      // (the thread checker's exit does), a kill cannot.
      KillWithChildren();
    }
    std::remove(log.c_str());
  });
  waiting->acquire();
  return answering;
}

TEST_F(VirtualDesktop, MessageBoxesReturnTheChoice) {
  using platform::BoxButtons;
  using platform::BoxChoice;
  using platform::BoxIcon;
  // Before any window of ours, as at start-up.
  std::thread yes = Answer("Warning", "Return");
  EXPECT_EQ(platform::ShowMessageBox("Warning", "Go on?", BoxButtons::kYesNo, BoxIcon::kWarning),
            BoxChoice::kYes);
  yes.join();
  std::thread no = Answer("Warning", "Escape");
  EXPECT_EQ(platform::ShowMessageBox("Warning", "Go on?", BoxButtons::kYesNo, BoxIcon::kWarning),
            BoxChoice::kNo);
  no.join();
  // Over the full-screen window; the desk's 8-bit title reaches the window
  // system as UTF-8.
  ASSERT_EQ(platform::OpenDisplay(platform::DisplayOptions{}), platform::DisplayStatus::kOk);
  std::thread ok = Answer("Fatal Error! \xC3\xA9t\xC3\xA9", "Return");
  EXPECT_EQ(platform::ShowMessageBox("Fatal Error! \xE9t\xE9", "Failed to init interface.",
                                     BoxButtons::kOk, BoxIcon::kError),
            BoxChoice::kOk);
  ok.join();
  platform::CloseDisplay();
}

}  // namespace
