#pragma once
// Sweeps an injected file failure over every write, flush, rename and close
// an operation makes, for the writers' failure tests.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <set>
#include <string>

#include "platform/hostfs.h"

// The names in a host folder (without "." and "..").
inline std::set<std::string> HostListing(const std::string& dir) {
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
    closedir(d);
  }
  return names;
}

// Runs the operation once counting its calls, then once for every call with
// that call failing (a full disk on odd calls, an I/O fault on even ones).
// prepare puts the files back before each run; run performs the operation
// and says whether it reported success; verify checks what a failed run
// left. After each failed run the operation must succeed again at once.
// Returns how many calls the operation made.
inline int SweepFileFaults(const std::function<void()>& prepare, const std::function<bool()>& run,
                           const std::function<void()>& verify) {
  prepare();
  platform::ArmFileFault(0, 0);
  const bool clean = run();
  const int calls = platform::FileFaultCalls();
  platform::DisarmFileFault();
  EXPECT_TRUE(clean) << "the operation fails with no fault";
  EXPECT_GT(calls, 0) << "the operation makes no counted call";
  ::testing::Test::RecordProperty("calls", calls);
  for (int n = 1; n <= calls; ++n) {
    SCOPED_TRACE("call " + std::to_string(n) + " of " + std::to_string(calls) + " fails");
    prepare();
    platform::ArmFileFault(n, n % 2 == 1 ? ENOSPC : EIO);
    const bool result = run();
    platform::DisarmFileFault();
    EXPECT_FALSE(result);
    verify();
    if (::testing::Test::HasFailure()) break;  // one broken call tells enough
    EXPECT_TRUE(run()) << "the next try fails too";
  }
  return calls;
}
