#include "platform/hostfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>

#include "platform/last_error.h"

namespace platform {

namespace {

// Guards the drive table and the current directory's desk form. Held only
// around work on them in memory, never while calling the host: a path is
// resolved against a copy of its drive's folder, outside the lock.
std::mutex g_Mutex;
std::vector<Drive> g_Drives;
std::string g_Cwd;  // desk form, e.g. "C:\" or "C:\Mixes"
// Serialises changes of the current directory, so that the process's
// working directory and g_Cwd change together. Held across chdir; the
// drive table's lock is never taken while waiting for it.
std::mutex g_CwdChange;

char Upper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

std::string StripTrailingSlash(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

// Removes "." and ".." segments of an absolute host path, lexically.
std::string NormalizeHost(const std::string& host) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= host.size()) {
    size_t j = host.find('/', i);
    if (j == std::string::npos) j = host.size();
    std::string seg = host.substr(i, j - i);
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!seg.empty() && seg != ".") {
      parts.push_back(seg);
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

Drive* FindDriveLocked(char letter) {
  for (auto& d : g_Drives)
    if (d.letter == Upper(letter)) return &d;
  return nullptr;
}

void SetDriveLocked(char letter, const std::string& hostDir, const std::string& label) {
  std::string dir = StripTrailingSlash(NormalizeHost(hostDir));
  if (Drive* d = FindDriveLocked(letter)) {
    d->hostDir = dir;
    d->label = label;
    return;
  }
  g_Drives.push_back(Drive{Upper(letter), dir, label});
  std::sort(g_Drives.begin(), g_Drives.end(),
            [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
}

bool ToSystemPathLocked(const std::string& host, std::string& path) {
  if (host.empty() || host[0] != '/') return false;
  std::string norm = NormalizeHost(host);
  const Drive* best = nullptr;
  for (const auto& d : g_Drives) {
    const std::string& dir = d.hostDir;
    bool prefix = dir == "/" || norm == dir ||
                  (norm.size() > dir.size() && norm.compare(0, dir.size(), dir) == 0 &&
                   norm[dir.size()] == '/');
    if (prefix && (best == nullptr || dir.size() > best->hostDir.size())) best = &d;
  }
  if (best == nullptr) return false;
  std::string rest = best->hostDir == "/" ? norm.substr(1) : norm.substr(best->hostDir.size());
  if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
  std::replace(rest.begin(), rest.end(), '/', '\\');
  path = std::string(1, best->letter) + ":\\" + rest;
  return path.size() <= kMaxPath;
}

std::string HostWorkingDirectory() {
  char buf[PATH_MAX];
  return getcwd(buf, sizeof buf) ? buf : "/";
}

// The drive table's lock, with the table made on first use: drive C: is
// the folder the process runs in, Z: the host root.
std::unique_lock<std::mutex> LockTable() {
  std::unique_lock<std::mutex> lock(g_Mutex);
  if (g_Drives.empty()) {
    lock.unlock();
    const std::string cwd = HostWorkingDirectory();
    lock.lock();
    if (g_Drives.empty()) {
      SetDriveLocked('C', cwd, "");
      SetDriveLocked('Z', "/", "");
      ToSystemPathLocked(cwd, g_Cwd);
    }
  }
  return lock;
}

bool FullPathLocked(const std::string& input, std::string& full) {
  if (input.empty()) {
    SetLastErrorCode(kErrorInvalidName);
    return false;
  }
  std::string path = input;
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    SetLastErrorCode(kErrorBadPathName);  // network paths are not supported
    return false;
  }
  char drive;
  std::string base;  // directory part to resolve against, without the drive
  std::string rest;
  const char curDrive = g_Cwd.empty() ? 'C' : g_Cwd[0];
  const std::string curDir = g_Cwd.size() > 2 ? g_Cwd.substr(2) : "\\";
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    drive = path[0];
    rest = path.substr(2);
    if (!rest.empty() && rest[0] == '\\') {
      base = "";
    } else {
      base = Upper(drive) == Upper(curDrive) ? curDir : "\\";
    }
  } else if (path[0] == '\\') {
    drive = curDrive;
    rest = path;
  } else {
    drive = curDrive;
    base = curDir;
    rest = path;
  }
  std::string joined = base + "\\" + rest;
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= joined.size()) {
    size_t j = joined.find('\\', i);
    if (j == std::string::npos) j = joined.size();
    std::string seg = joined.substr(i, j - i);
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!seg.empty() && seg != ".") {
      parts.push_back(seg);
    }
    i = j + 1;
  }
  std::string out(1, drive);
  out += ":\\";
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k) out += '\\';
    out += parts[k];
  }
  if (!parts.empty() && (path.back() == '\\')) out += '\\';
  if (out.size() > kMaxPath) {
    SetLastErrorCode(kErrorFileNameTooLong);
    return false;
  }
  full = out;
  return true;
}

// Finds a directory entry whose name equals name without regard to case.
bool MatchInDirectory(const std::string& dir, const std::string& name, std::string& found) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return false;
  bool ok = false;
  while (dirent* e = readdir(d)) {
    if (EqualNoCase(e->d_name, name)) {
      found = e->d_name;
      ok = true;
      if (found == name) break;
    }
  }
  closedir(d);
  return ok;
}

// A desk path resolved under the drive table's lock: the full desk path and
// the host folder of its drive.
struct ResolvedPath {
  std::string full;
  std::string driveDir;
};

bool ResolveLocked(const std::string& path, ResolvedPath& out) {
  if (!FullPathLocked(path, out.full)) return false;
  const Drive* d = FindDriveLocked(out.full[0]);
  if (d == nullptr) {
    SetLastErrorCode(kErrorInvalidDrive);
    return false;
  }
  out.driveDir = d->hostDir;
  return true;
}

// The host path of a resolved desk path, its components matched without
// regard to case where the exact name does not exist. Looks at the disk,
// so it runs without the drive table's lock.
std::string HostPathOf(const ResolvedPath& resolved) {
  const std::string& full = resolved.full;
  std::string out = resolved.driveDir;
  bool matching = true;  // stop matching once a component does not exist
  size_t i = 3;
  while (i < full.size()) {
    size_t j = full.find('\\', i);
    if (j == std::string::npos) j = full.size();
    std::string seg = full.substr(i, j - i);
    if (!seg.empty()) {
      std::string candidate = (out == "/" ? "" : out) + "/" + seg;
      struct stat st;
      if (matching && lstat(candidate.c_str(), &st) != 0) {
        std::string found;
        if (MatchInDirectory(out, seg, found)) {
          candidate = (out == "/" ? "" : out) + "/" + found;
        } else {
          matching = false;
        }
      }
      out = candidate;
    }
    i = j + 1;
  }
  return out;
}

bool HostOf(const std::string& path, std::string& host) {
  ResolvedPath resolved;
  {
    auto lock = LockTable();
    if (!ResolveLocked(path, resolved)) return false;
  }
  host = HostPathOf(resolved);
  return true;
}

std::string ParentDir(const std::string& host) {
  size_t slash = host.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return host.substr(0, slash);
}

// ---- failure injection ----
// Compiled into test builds only; elsewhere every check is a constant false.
#ifdef BREVORA_FAULT_INJECTION
std::atomic<bool> g_FaultArmed{false};
std::atomic<int> g_FaultCalls{0};
std::atomic<int> g_FaultAt{0};
std::atomic<int> g_FaultError{0};
#endif

// Counts one write, flush, rename or close; true (errno set) when it is the
// one to fail.
bool InjectedFailure() {
#ifdef BREVORA_FAULT_INJECTION
  if (!g_FaultArmed.load(std::memory_order_relaxed)) return false;
  if (++g_FaultCalls == g_FaultAt.load()) {
    errno = g_FaultError.load();
    return true;
  }
#endif
  return false;
}

// write(2) of all bytes, retried on interruption; false with errno set.
bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    if (InjectedFailure()) return false;
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

int CloseDescriptor(int fd) {
  const bool fail = InjectedFailure();
  const int err = errno;
  const int result = close(fd);
  if (fail) {
    errno = err;
    return -1;
  }
  return result;
}

int RenameHost(const char* from, const char* to) {
  if (InjectedFailure()) return -1;
  return rename(from, to);
}

#ifdef BREVORA_FAULT_INJECTION
// A stream whose writes go through the count: the stdio buffer is handed to
// WriteAll wherever stdio flushes it (a full buffer, fflush, fclose).
ssize_t CountedRead(void* cookie, char* buffer, size_t size) {
  return read(static_cast<int>(reinterpret_cast<intptr_t>(cookie)), buffer, size);
}
ssize_t CountedWrite(void* cookie, const char* buffer, size_t size) {
  // stdio takes 0 as the error of a write.
  return WriteAll(static_cast<int>(reinterpret_cast<intptr_t>(cookie)), buffer, size)
             ? static_cast<ssize_t>(size)
             : 0;
}
int CountedSeek(void* cookie, off64_t* offset, int whence) {
  const off64_t at = lseek64(static_cast<int>(reinterpret_cast<intptr_t>(cookie)), *offset, whence);
  if (at < 0) return -1;
  *offset = at;
  return 0;
}
int CountedClose(void* cookie) {
  return close(static_cast<int>(reinterpret_cast<intptr_t>(cookie)));
}
#endif

// While counting, a stream opened for writing is replaced by a counted one
// on the same descriptor.
FILE* CountWrites(FILE* stream, const char* mode) {
#ifdef BREVORA_FAULT_INJECTION
  const bool writing = std::strpbrk(mode, "wa+") != nullptr;
  if (stream == nullptr || !writing || !g_FaultArmed.load()) return stream;
  const int fd = dup(fileno(stream));
  std::fclose(stream);
  if (fd < 0) return nullptr;
  FILE* counted = fopencookie(reinterpret_cast<void*>(static_cast<intptr_t>(fd)), mode,
                              {CountedRead, CountedWrite, CountedSeek, CountedClose});
  if (counted == nullptr) close(fd);
  return counted;
#else
  (void)mode;
  return stream;
#endif
}

// Opens a host file for the desk: only a regular file. A pipe would block
// the open or the reads, a device never ends (/dev/zero) and a folder is not
// a file; they are refused without waiting (-1, last error and errno set).
int OpenRegular(const std::string& host, int flags, int mode) {
  const int fd = open(host.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode);
  if (fd < 0) {
    SetLastErrorFromErrno();
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const bool directory = S_ISDIR(st.st_mode);
    close(fd);
    SetLastErrorCode(kErrorAccessDenied);
    errno = directory ? EISDIR : EINVAL;
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// The open flags of a stdio mode ("rb", "wb", "ab", "r+b" ...).
int FlagsOfMode(const char* mode) {
  const bool update = std::strchr(mode, '+') != nullptr;
  switch (mode[0]) {
    case 'w':
      return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a':
      return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default:
      return update ? O_RDWR : O_RDONLY;
  }
}

}  // namespace

void InitDrives(const std::string& contentRootHost, bool changeDirectory) {
  char buf[PATH_MAX];
  std::string root = contentRootHost;
  if (realpath(contentRootHost.c_str(), buf) != nullptr) root = buf;
  std::lock_guard<std::mutex> change(g_CwdChange);
  const bool entered = changeDirectory && chdir(root.c_str()) == 0;
  const std::string cwd = entered ? root : HostWorkingDirectory();
  auto lock = LockTable();
  SetDriveLocked('C', root, "");
  SetDriveLocked('Z', "/", "");
  if (entered) {
    g_Cwd = "C:\\";
  } else {
    ToSystemPathLocked(cwd, g_Cwd);
  }
}

void SetDrive(char letter, const std::string& hostDir, const std::string& label) {
  auto lock = LockTable();
  SetDriveLocked(letter, hostDir, label);
}

void RemoveDrive(char letter) {
  std::lock_guard<std::mutex> lock(g_Mutex);
  g_Drives.erase(std::remove_if(g_Drives.begin(), g_Drives.end(),
                                [&](const Drive& d) { return d.letter == Upper(letter); }),
                 g_Drives.end());
}

int MountRemovableMedia() {
  std::vector<std::string> mountPoints;
  {
    std::ifstream mounts("/proc/self/mounts");
    std::string device, mountPoint, rest;
    while (mounts >> device >> mountPoint && std::getline(mounts, rest))
      mountPoints.push_back(mountPoint);
  }
  auto lock = LockTable();
  int added = 0;
  for (const std::string& mountPoint : mountPoints) {
    // /proc/self/mounts escapes blanks as \040.
    std::string decoded;
    for (size_t i = 0; i < mountPoint.size(); ++i) {
      if (mountPoint[i] == '\\' && i + 3 < mountPoint.size()) {
        decoded += static_cast<char>(std::strtol(mountPoint.substr(i + 1, 3).c_str(), nullptr, 8));
        i += 3;
      } else {
        decoded += mountPoint[i];
      }
    }
    bool removable = decoded.rfind("/media/", 0) == 0 || decoded.rfind("/run/media/", 0) == 0 ||
                     decoded.rfind("/mnt/", 0) == 0;
    if (!removable) continue;
    bool known = false;
    for (const auto& d : g_Drives) known = known || d.hostDir == decoded;
    if (known) continue;
    for (char letter = 'D'; letter < 'Z'; ++letter) {
      if (FindDriveLocked(letter) == nullptr) {
        SetDriveLocked(letter, decoded, "");
        ++added;
        break;
      }
    }
  }
  return added;
}

std::vector<Drive> Drives() {
  auto lock = LockTable();
  return g_Drives;
}

bool FindDrive(char letter, Drive& out) {
  auto lock = LockTable();
  if (const Drive* d = FindDriveLocked(letter)) {
    out = *d;
    return true;
  }
  return false;
}

bool FullPath(const std::string& path, std::string& full) {
  auto lock = LockTable();
  return FullPathLocked(path, full);
}

bool ToHostPath(const std::string& path, std::string& host) {
  return HostOf(path, host);
}

bool ToSystemPath(const std::string& host, std::string& path) {
  auto lock = LockTable();
  return ToSystemPathLocked(host, path);
}

std::string CurrentDirectory() {
  auto lock = LockTable();
  return g_Cwd;
}

bool SetCurrentDirectory(const std::string& path) {
  std::lock_guard<std::mutex> change(g_CwdChange);
  ResolvedPath resolved;
  {
    auto lock = LockTable();
    if (!ResolveLocked(path, resolved)) return false;
  }
  if (chdir(HostPathOf(resolved).c_str()) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  std::string full = resolved.full;
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  auto lock = LockTable();
  g_Cwd = full;
  return true;
}

bool CanOpenForReading(const std::string& path) {
  FILE* f = OpenStream(path, "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

bool FileOrDirectoryExists(const std::string& path) {
  std::string host;
  struct stat st;
  return HostOf(path, host) && stat(host.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  std::string host;
  struct stat st;
  return HostOf(path, host) && stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RegularFileSize(const std::string& path, uint64_t& size) {
  std::string host;
  struct stat st;
  if (!HostOf(path, host) || stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool DeleteFile(const std::string& path) {
  std::string host;
  if (!HostOf(path, host)) return false;
  struct stat st;
  if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastErrorCode(kErrorAccessDenied);
    return false;
  }
  if (unlink(host.c_str()) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool CopyFile(const std::string& src, const std::string& dst) {
  std::string hsrc, hdst;
  if (!HostOf(src, hsrc) || !HostOf(dst, hdst)) return false;
  int in = OpenRegular(hsrc, O_RDONLY, 0);
  if (in < 0) return false;
  struct stat st;
  fstat(in, &st);
  std::string tmp = ParentDir(hdst) + "/.brevora-copyXXXXXX";
  int out = mkstemp(tmp.data());
  if (out < 0) {
    SetLastErrorFromErrno();
    close(in);
    return false;
  }
  bool ok = true;
  char buf[65536];
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    if (!WriteAll(out, buf, static_cast<size_t>(n))) {
      ok = false;
      break;
    }
  }
  int err = errno;
  if (ok) fchmod(out, st.st_mode & 0777);
  if (CloseDescriptor(out) != 0 && ok) {
    ok = false;
    err = errno;
  }
  close(in);
  if (ok && RenameHost(tmp.c_str(), hdst.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    unlink(tmp.c_str());
    SetLastErrorFromErrno(err);
  }
  return ok;
}

bool ClearReadOnly(const std::string& path) {
  std::string host;
  struct stat st;
  if (!HostOf(path, host) || stat(host.c_str(), &st) != 0) return false;
  if (chmod(host.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool CopyPermissions(const std::string& src, const std::string& dst) {
  std::string hsrc, hdst;
  struct stat st;
  if (!HostOf(src, hsrc) || !HostOf(dst, hdst) || stat(hsrc.c_str(), &st) != 0) return false;
  return chmod(hdst.c_str(), st.st_mode & 07777) == 0;
}

bool SetNewFilePermissions(const std::string& path) {
  std::string host;
  return HostOf(path, host) && chmod(host.c_str(), 0644) == 0;
}

bool ReplaceFile(const std::string& src, const std::string& dst) {
  std::string hsrc, hdst;
  if (!HostOf(src, hsrc) || !HostOf(dst, hdst)) return false;
  if (RenameHost(hsrc.c_str(), hdst.c_str()) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool TempDirectory(std::string& path) {
  const char* dir = std::getenv("TMPDIR");
  std::string host = dir != nullptr && dir[0] == '/' ? dir : "/tmp";
  return ToSystemPath(host, path);
}

bool RuntimeDirectory(std::string& path) {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  return dir != nullptr && dir[0] == '/' && ToSystemPath(dir, path);
}

bool CreateTempFile(const std::string& dir, const char* prefix, std::string& path) {
  std::string hdir;
  if (!HostOf(dir, hdir)) return false;
  std::string name = (hdir == "/" ? "" : hdir) + "/" + prefix + "XXXXXX";
  int fd = mkstemp(name.data());
  if (fd < 0) {
    SetLastErrorFromErrno();
    return false;
  }
  close(fd);
  if (!ToSystemPath(name, path)) {
    unlink(name.c_str());
    SetLastErrorCode(kErrorFileNameTooLong);
    return false;
  }
  return true;
}

FILE* OpenStream(const std::string& path, const char* mode) {
  std::string host;
  if (!HostOf(path, host)) return nullptr;
  // A folder named for writing is refused before anything is truncated.
  const int flags = FlagsOfMode(mode);
  const int fd = OpenRegular(host, flags & ~O_TRUNC, 0666);
  if (fd < 0) return nullptr;
  if ((flags & O_TRUNC) != 0 && ftruncate(fd, 0) != 0) {
    SetLastErrorFromErrno();
    close(fd);
    return nullptr;
  }
  FILE* f = fdopen(fd, mode);
  if (f == nullptr) {
    SetLastErrorFromErrno();
    close(fd);
    return nullptr;
  }
  return CountWrites(f, mode);
}

int OpenDescriptor(const std::string& path, int flags, int mode) {
  std::string host;
  if (!HostOf(path, host)) return -1;
  return OpenRegular(host, flags, mode);
}

bool FlushStream(FILE* stream) {
  if (InjectedFailure()) return false;
  return std::fflush(stream) == 0;
}

bool CloseStream(FILE* stream) {
  const bool fail = InjectedFailure();
  const int err = errno;
  const bool closed = std::fclose(stream) == 0;
  if (fail) errno = err;
  return closed && !fail;
}

bool WriteHostFileAtomically(const std::string& host, const std::string& bytes, int mode) {
  const size_t slash = host.rfind('/');
  const std::string dir = slash == std::string::npos ? "."
                          : slash == 0               ? ""
                                                     : host.substr(0, slash);
  std::string tmp =
      dir + "/." + host.substr(slash == std::string::npos ? 0 : slash + 1) + "-XXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) return false;
  fchmod(fd, static_cast<mode_t>(mode));
  FILE* f = CountWrites(fdopen(fd, "wb"), "wb");
  if (f == nullptr) {
    const int err = errno;
    close(fd);
    unlink(tmp.c_str());
    errno = err;
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && FlushStream(f);
  int err = errno;
  if (!CloseStream(f) && ok) {
    ok = false;
    err = errno;
  }
  if (ok && RenameHost(tmp.c_str(), host.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    unlink(tmp.c_str());
    errno = err;
  }
  return ok;
}

#ifdef BREVORA_FAULT_INJECTION
void ArmFileFault(int fail, int error) {
  g_FaultArmed.store(false);
  g_FaultCalls.store(0);
  g_FaultAt.store(fail);
  g_FaultError.store(error);
  g_FaultArmed.store(true);
}

void DisarmFileFault() {
  g_FaultArmed.store(false);
}

int FileFaultCalls() {
  return g_FaultCalls.load();
}
#endif

bool MatchesMask(const std::string& name, const std::string& mask) {
  // "*.*" names every entry, also those without a dot.
  if (mask == "*.*" || mask == "*") return true;
  size_t n = 0, m = 0, starM = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || Upper(mask[m]) == Upper(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

bool DirectorySearch::Start(const std::string& directory, const std::string& mask) {
  Close();
  std::string host;
  if (!HostOf(directory, host)) return false;
  DIR* d = opendir(host.c_str());
  if (d == nullptr) {
    SetLastErrorFromErrno();
    return false;
  }
  std::vector<Entry> dots, rest;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (!MatchesMask(name, mask)) continue;
    Entry entry;
    entry.name = name;
    struct stat st;
    std::string full = (host == "/" ? "" : host) + "/" + name;
    if (stat(full.c_str(), &st) == 0) {
      entry.directory = S_ISDIR(st.st_mode);
      entry.size = static_cast<uint64_t>(st.st_size);
    }
    (name == "." || name == ".." ? dots : rest).push_back(entry);
  }
  closedir(d);
  std::sort(dots.begin(), dots.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  std::sort(rest.begin(), rest.end(), [](const Entry& a, const Entry& b) {
    std::string x = a.name, y = b.name;
    for (auto& c : x) c = Upper(c);
    for (auto& c : y) c = Upper(c);
    return x != y ? x < y : a.name < b.name;
  });
  m_Entries = std::move(dots);
  m_Entries.insert(m_Entries.end(), rest.begin(), rest.end());
  m_Index = 0;
  if (m_Entries.empty()) {
    SetLastErrorCode(kErrorFileNotFound);  // no file matches
    return false;
  }
  return true;
}

bool DirectorySearch::Next() {
  if (m_Index < m_Entries.size()) ++m_Index;
  if (m_Index >= m_Entries.size()) {
    SetLastErrorCode(kErrorNoMoreFiles);
    return false;
  }
  return true;
}

void DirectorySearch::Close() {
  m_Entries.clear();
  m_Index = 0;
}

namespace {

// Reads a /dev/disk/by-* folder and returns the name of the link whose
// device is dev, decoding udev's \xNN escapes.
bool FindDiskLink(const char* folder, dev_t dev, std::string& name) {
  DIR* d = opendir(folder);
  if (d == nullptr) return false;
  bool found = false;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    std::string link = std::string(folder) + "/" + e->d_name;
    struct stat st;
    if (stat(link.c_str(), &st) != 0 || !S_ISBLK(st.st_mode) || st.st_rdev != dev) continue;
    std::string raw = e->d_name, decoded;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\\' && i + 3 < raw.size() && raw[i + 1] == 'x') {
        decoded += static_cast<char>(std::strtol(raw.substr(i + 2, 2).c_str(), nullptr, 16));
        i += 3;
      } else {
        decoded += raw[i];
      }
    }
    name = decoded;
    found = true;
    break;
  }
  closedir(d);
  return found;
}

bool IsHex(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
  });
}

}  // namespace

bool VolumeInformation(const std::string& root, VolumeInfo& info) {
  info = VolumeInfo{};
  if (root.empty()) return false;
  Drive drive;
  if (!FindDrive(root[0], drive)) {
    SetLastErrorCode(kErrorInvalidDrive);
    return false;
  }
  struct stat st;
  struct statvfs vfs;
  if (stat(drive.hostDir.c_str(), &st) != 0 || statvfs(drive.hostDir.c_str(), &vfs) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  std::string label;
  if (!drive.label.empty()) {
    label = drive.label;
  } else {
    FindDiskLink("/dev/disk/by-label", st.st_dev, label);
  }
  info.label = label.substr(0, 19);
  // FAT and exFAT volume ids ("1234-ABCD") and NTFS ids (16 hex digits) carry
  // the volume serial number itself; other file systems give their fsid.
  info.serial = static_cast<uint32_t>(vfs.f_fsid & 0xFFFFFFFFu);
  std::string uuid;
  if (FindDiskLink("/dev/disk/by-uuid", st.st_dev, uuid)) {
    if (uuid.size() == 9 && uuid[4] == '-' && IsHex(uuid.substr(0, 4)) && IsHex(uuid.substr(5))) {
      info.serial = static_cast<uint32_t>(
          std::strtoul((uuid.substr(0, 4) + uuid.substr(5)).c_str(), nullptr, 16));
    } else if (uuid.size() == 16 && IsHex(uuid)) {
      info.serial = static_cast<uint32_t>(std::strtoul(uuid.substr(8).c_str(), nullptr, 16));
    }
  }
  return true;
}

}  // namespace platform
