#pragma once
// Host files and drives.
//
// The desk keeps paths in its own form everywhere: a drive letter, a colon,
// backslash separators, 8-bit text ("C:\Mixes\you bv feel.mix"). The drive
// table maps letters to host directories: C: is the content root (the folder
// the program runs in, which holds data\), Z: is the host root "/", further
// letters are configured or given to mounted removable media. Every function
// here takes and returns paths in the desk's form and translates at the
// boundary; components whose exact case does not exist on the host are
// matched without regard to case.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// Longest path the desk's buffers hold, without the terminator.
constexpr size_t kMaxPath = 259;

struct Drive {
  char letter = 0;      // upper case 'A'..'Z'
  std::string hostDir;  // absolute host directory, no trailing slash except "/"
  std::string label;    // configured volume label; empty = read from the file system
};

// ---- drive table ----
// Sets the content root (drive C:) and Z: = "/". Also makes the content root
// the current directory when changeDirectory is set.
void InitDrives(const std::string& contentRootHost, bool changeDirectory);
// Adds or replaces a drive. Letters are case-insensitive.
void SetDrive(char letter, const std::string& hostDir, const std::string& label = "");
void RemoveDrive(char letter);
// Gives letters from D: on, in mount order, to media mounted under /media,
// /run/media and /mnt that have no letter yet. Returns how many were added.
int MountRemovableMedia();
std::vector<Drive> Drives();
bool FindDrive(char letter, Drive& out);

// ---- path translation ----
// Resolves a path against the current directory and drive, removing . and ..
// segments ("..") at a drive root stays at the root) and turning "/" into "\".
// False for paths the desk cannot name (no such drive, UNC, too long).
bool FullPath(const std::string& path, std::string& full);
// Desk path (absolute or relative) to host path.
bool ToHostPath(const std::string& path, std::string& host);
// Host path to desk path: the drive whose directory is the longest prefix wins.
bool ToSystemPath(const std::string& host, std::string& path);

// ---- current directory (desk form; also the process's working directory) ----
std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& path);

// ---- files ----
bool CanOpenForReading(const std::string& path);
bool FileOrDirectoryExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool DeleteFile(const std::string& path);
// Copies src over dst (replacing it), through a temporary file beside dst.
bool CopyFile(const std::string& src, const std::string& dst);
// Gives the owner write permission (clears the read-only attribute).
bool ClearReadOnly(const std::string& path);
// Gives dst the permission bits of src when src exists.
bool CopyPermissions(const std::string& src, const std::string& dst);
// Gives a file made through a temporary file the permissions of a new file (rw-r--r--).
bool SetNewFilePermissions(const std::string& path);
// Renames a file over another on the same drive (atomic on the host).
bool ReplaceFile(const std::string& src, const std::string& dst);
// The temporary directory in desk form (TMPDIR, else /tmp).
bool TempDirectory(std::string& path);
// The user's runtime directory in desk form ($XDG_RUNTIME_DIR); false when
// it is not set to an absolute path.
bool RuntimeDirectory(std::string& path);
// Creates an empty uniquely named file "<prefix>XXXXXX" in dir; its desk path.
bool CreateTempFile(const std::string& dir, const char* prefix, std::string& path);
// Opens a stdio stream on a desk path ("rb", "wb", ...). Null on failure
// with the last-error value set.
FILE* OpenStream(const std::string& path, const char* mode);
// Opens a POSIX descriptor on a desk path; -1 on failure with the last error set.
int OpenDescriptor(const std::string& path, int flags, int mode = 0644);

// ---- directory search ----
// Lists the entries of a directory whose names match a mask of * and ?,
// without regard to case, in the order the host returns them. "." and ".."
// are reported first as on the desk's original file systems.
class DirectorySearch {
 public:
  struct Entry {
    std::string name;
    bool directory = false;
    uint64_t size = 0;
  };
  // Starts a search of directory (desk path) for mask. False when the
  // directory cannot be read or nothing matches (last error set).
  bool Start(const std::string& directory, const std::string& mask);
  bool Next();
  void Close();
  const Entry& Current() const { return m_Entries[m_Index]; }
  bool Valid() const { return m_Index < m_Entries.size(); }

 private:
  std::vector<Entry> m_Entries;
  size_t m_Index = 0;
};

bool MatchesMask(const std::string& name, const std::string& mask);

// ---- volumes ----
struct VolumeInfo {
  std::string label;  // at most 19 characters
  uint32_t serial = 0;
};
// Label and serial number of the file system that holds the drive of root
// ("C:\"). False (empty label, serial 0) when the drive is unknown.
bool VolumeInformation(const std::string& root, VolumeInfo& info);

}  // namespace platform
