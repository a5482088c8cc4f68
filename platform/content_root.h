#pragma once
// Where the desk's drive C: lies, for the desk and the renderer alike.
//
// Run from a folder that holds data/ (the build's stage folder, or an
// unpacked copy), that folder is the content root, as it always was.
// Installed (the executables in <prefix>/bin, the data in
// <prefix>/share/brevora), the prefix is never written to: the content root
// is the user's own folder $XDG_DATA_HOME/brevora (~/.local/share/brevora),
// whose data/ is a link to the installed data and whose Mixes/ receives a
// copy of the demo set on the first start.
//
// At start an executable calls EnterContentRoot once, before anything opens
// a desk path, and prints the messages it returns. Paths named on its
// command line become desk paths through CommandLinePath.
#include <string>
#include <vector>

namespace platform {

struct ContentRoot {
  std::string root;  // the host folder that is drive C:
  std::string
      installed;  // the installed shared folder (data/, Mixes/); empty when run from a folder
  std::string startFolder;  // the current folder the program was started in
  bool Installed() const { return !installed.empty(); }
};

// The installed shared folder relative to the installed executables' folder
// (for example "../share/brevora"), fixed when the program is configured.
const char* InstalledShareRelative();

// The host folder that holds the running executable; argv0 serves when the
// system cannot name it. Empty when neither can.
std::string ExecutableFolder(const char* argv0);

// The per-user content root: $XDG_DATA_HOME/brevora when that variable holds
// an absolute path, else ~/.local/share/brevora. Empty without a home folder.
std::string UserContentRoot();

// Decides the content root for executables in exeFolder: exeFolder itself
// when it holds data/, else the per-user root when the installed shared
// folder holds data/. False, with one sentence in message, when neither does.
bool FindContentRoot(const std::string& exeFolder, ContentRoot& out, std::string& message);

// Makes an installed program's per-user root ready: creates it, points its
// data link at the installed data (renewing a link that points elsewhere),
// and on the first start copies the demo set into its Mixes folder. A file
// or folder the user put there is never replaced. Adds one sentence to
// messages for each thing worth telling; false when the root cannot be used.
bool PrepareUserContentRoot(const ContentRoot& root, std::vector<std::string>& messages);

// Everything an executable does at start: finds and prepares the content
// root, makes it drive C: and changes to it. False when there is none that
// works; messages then say why.
bool EnterContentRoot(const char* argv0, ContentRoot& root, std::vector<std::string>& messages);

// A host path named on the command line (absolute, or relative to the start
// folder) as a desk path. Links in its folder part are resolved, so a file
// under the content root lands on C: however its folder was named.
bool CommandLinePath(const ContentRoot& root, const std::string& arg, std::string& deskPath);

// The name of the file that marks a per-user root whose demo set was copied.
constexpr const char* kDemoCopiedMarker = ".demo-copied";

}  // namespace platform
