#include "platform/content_root.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/hostfs.h"

#ifndef BREVORA_INSTALLED_SHARE
#define BREVORA_INSTALLED_SHARE "../share/brevora"
#endif

namespace platform {

namespace {

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

std::string Why(int err) {
  return std::strerror(err);
}

bool IsDirectoryHost(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Canonical(const std::string& path) {
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) != nullptr ? std::string(buf) : std::string();
}

std::string Parent(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a folder and the missing folders above it. Folders made for the
// user's data are private to the user, as the desktop's base directories are.
bool MakeFolders(const std::string& path, int& err) {
  std::string made;
  size_t i = 0;
  while (i < path.size()) {
    size_t j = path.find('/', i + 1);
    if (j == std::string::npos) j = path.size();
    made = path.substr(0, j);
    i = j;
    if (made.empty() || made == "/") continue;
    if (mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
      err = errno;
      return false;
    }
  }
  if (!IsDirectoryHost(path)) {
    err = ENOTDIR;
    return false;
  }
  return true;
}

// Puts a new file or link made under a temporary name in place, but only
// where nothing exists yet: another program starting at the same moment, or
// the user, may have put something there first, and that is kept.
bool PlaceWithoutReplacing(const std::string& temp, const std::string& target, int& err) {
  if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  err = errno;
  if (err == EINVAL || err == ENOSYS) {
    // The file system cannot rename without replacing: a hard link cannot replace either.
    if (link(temp.c_str(), target.c_str()) == 0) {
      unlink(temp.c_str());
      return true;
    }
    err = errno;
  }
  unlink(temp.c_str());
  return err == EEXIST;  // already there: nothing to do
}

bool CopyFileWithoutReplacing(const std::string& src, const std::string& dst, int& err) {
  int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    err = errno;
    return false;
  }
  std::string temp = Parent(dst) + "/.brevora-copy-XXXXXX";
  int out = mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    err = errno;
    close(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < n && ok;) {
      ssize_t w = write(out, buffer + done, size_t(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        err = w < 0 ? errno : EIO;
        ok = false;
      } else {
        done += w;
      }
    }
    if (!ok) break;
  }
  close(in);
  if (ok && fchmod(out, 0644) != 0) {
    err = errno;
    ok = false;
  }
  if (close(out) != 0 && ok) {
    err = errno;
    ok = false;
  }
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  return PlaceWithoutReplacing(temp, dst, err);
}

// Copies a folder's files and folders into dst, leaving every name that
// already exists in dst as it is. The first failure is reported in what.
bool CopyTreeWithoutReplacing(const std::string& src, const std::string& dst, std::string& what,
                              int& err) {
  if (mkdir(dst.c_str(), 0755) != 0 && errno != EEXIST) {
    err = errno;
    what = dst;
    return false;
  }
  if (!IsDirectoryHost(dst)) return true;  // the user's own file of that name stays
  DIR* dir = opendir(src.c_str());
  if (dir == nullptr) {
    err = errno;
    what = src;
    return false;
  }
  bool ok = true;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string from = src + "/" + name, to = dst + "/" + name;
    struct stat st {};
    if (stat(from.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      ok = CopyTreeWithoutReplacing(from, to, what, err) && ok;
    } else if (S_ISREG(st.st_mode)) {
      struct stat existing {};
      if (lstat(to.c_str(), &existing) == 0) continue;
      if (!CopyFileWithoutReplacing(from, to, err)) {
        what = to;
        ok = false;
      }
    }
  }
  closedir(dir);
  return ok;
}

// Points root/data at the installed data. A link that points elsewhere (the
// installed data moved, or another installation ran last) is replaced in one
// step; anything else of that name belongs to the user and stays.
bool LinkData(const std::string& root, const std::string& target,
              std::vector<std::string>& messages) {
  const std::string link = root + "/data";
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      messages.push_back(Quoted(link) +
                         " is not a link to the installed data, so it is used as it is");
      return true;
    }
    char buf[PATH_MAX];
    ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
    if (n > 0 && std::string(buf, size_t(n)) == target) return true;
  } else if (errno != ENOENT) {
    messages.push_back("cannot read " + Quoted(link) + ": " + Why(errno));
    return false;
  }
  // A new link under a temporary name, renamed over the old one.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = root + "/.data-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    if (symlink(target.c_str(), temp.c_str()) != 0) {
      if (errno == EEXIST) continue;
      messages.push_back("cannot link " + Quoted(link) + " to the installed data " +
                         Quoted(target) + ": " + Why(errno));
      return false;
    }
    if (rename(temp.c_str(), link.c_str()) != 0) {
      int err = errno;
      unlink(temp.c_str());
      messages.push_back("cannot link " + Quoted(link) + " to the installed data " +
                         Quoted(target) + ": " + Why(err));
      return false;
    }
    return true;
  }
  messages.push_back("cannot link " + Quoted(link) + " to the installed data " + Quoted(target));
  return false;
}

void CopyDemoSetOnce(const ContentRoot& root, std::vector<std::string>& messages) {
  const std::string marker = root.root + "/" + kDemoCopiedMarker;
  struct stat st {};
  if (lstat(marker.c_str(), &st) == 0) return;
  const std::string demo = root.installed + "/Mixes";
  if (IsDirectoryHost(demo)) {
    std::string what;
    int err = 0;
    if (!CopyTreeWithoutReplacing(demo, root.root + "/Mixes", what, err)) {
      // No marker: the next start tries again and fills in what is missing.
      messages.push_back("cannot copy the demo set to " + Quoted(what) + ": " + Why(err));
      return;
    }
  }
  std::string temp = marker + "-XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return;  // copied; the next start only finds every file there already
  static const char kText[] =
      "The demo set was copied into Mixes on the first start. Delete this file to have the "
      "missing demo files copied again on the next start.\n";
  bool ok =
      write(fd, kText, sizeof kText - 1) == ssize_t(sizeof kText - 1) && fchmod(fd, 0644) == 0;
  ok = close(fd) == 0 && ok;
  int err = 0;
  if (!ok || !PlaceWithoutReplacing(temp, marker, err)) unlink(temp.c_str());
}

}  // namespace

const char* InstalledShareRelative() {
  return BREVORA_INSTALLED_SHARE;
}

std::string ExecutableFolder(const char* argv0) {
  std::string exe = Canonical("/proc/self/exe");
  if (exe.empty() && argv0 != nullptr && std::strchr(argv0, '/') != nullptr) exe = Canonical(argv0);
  return exe.empty() ? std::string() : Parent(exe);
}

std::string UserContentRoot() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/brevora";
  std::string home;
  const char* env = std::getenv("HOME");
  if (env != nullptr && env[0] == '/') {
    home = env;
  } else if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  }
  if (home.empty()) return "";
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return (home == "/" ? "" : home) + "/.local/share/brevora";
}

bool FindContentRoot(const std::string& exeFolder, ContentRoot& out, std::string& message) {
  out.root.clear();
  out.installed.clear();
  if (exeFolder.empty()) {
    message = "cannot find the folder that holds the program";
    return false;
  }
  if (IsDirectoryHost(exeFolder + "/data")) {
    out.root = exeFolder;
    return true;
  }
  const std::string share = Canonical(exeFolder + "/" + InstalledShareRelative());
  if (share.empty() || !IsDirectoryHost(share + "/data")) {
    message = "cannot find the program's data in " + Quoted(exeFolder + "/data") + " or " +
              Quoted(exeFolder + "/" + InstalledShareRelative() + "/data");
    return false;
  }
  out.installed = share;
  out.root = UserContentRoot();
  if (out.root.empty()) {
    message = "cannot find the home folder to keep the user's mixes in";
    return false;
  }
  return true;
}

bool PrepareUserContentRoot(const ContentRoot& root, std::vector<std::string>& messages) {
  if (!root.Installed()) return true;
  int err = 0;
  if (!MakeFolders(root.root, err)) {
    messages.push_back("cannot make the folder " + Quoted(root.root) + ": " + Why(err));
    return false;
  }
  // A per-user folder that is the installation itself needs nothing.
  if (Canonical(root.root) == root.installed) return true;
  const std::string data = Canonical(root.installed + "/data");
  if (!LinkData(root.root, data.empty() ? root.installed + "/data" : data, messages)) return false;
  CopyDemoSetOnce(root, messages);
  return true;
}

bool EnterContentRoot(const char* argv0, ContentRoot& root, std::vector<std::string>& messages) {
  char buf[PATH_MAX];
  root.startFolder = getcwd(buf, sizeof buf) != nullptr ? buf : "/";
  std::string message;
  if (!FindContentRoot(ExecutableFolder(argv0), root, message)) {
    messages.push_back(message);
    return false;
  }
  if (!PrepareUserContentRoot(root, messages)) return false;
  InitDrives(root.root, true);
  return true;
}

bool CommandLinePath(const ContentRoot& root, const std::string& arg, std::string& deskPath) {
  if (arg.empty()) return false;
  std::string host = arg[0] == '/' ? arg : root.startFolder + "/" + arg;
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  const size_t slash = host.rfind('/');
  const std::string name = host.substr(slash + 1);
  if (name != "." && name != "..") {
    const std::string folder = Canonical(slash == 0 ? "/" : host.substr(0, slash));
    if (!folder.empty()) host = (folder == "/" ? "" : folder) + "/" + name;
  } else if (std::string whole = Canonical(host); !whole.empty()) {
    host = whole;
  }
  return ToSystemPath(host, deskPath);
}

}  // namespace platform
