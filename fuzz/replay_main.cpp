// Replays fuzz inputs without libFuzzer: every file named on the command line
// (or every file in a named folder), then, with --mutations N, N deterministic
// mutations of those inputs (bit flips, byte changes, cuts, repeats). A crash
// or a sanitizer report ends the run with a failure.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "fuzz/fuzz_target.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Collect(const std::string& path, std::vector<std::string>& inputs) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    inputs.push_back(ReadFile(path));
    return;
  }
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(dir))
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const auto& n : names) Collect(path + "/" + n, inputs);
}

void Run(const std::string& input) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> inputs;
  long mutations = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--mutations") == 0 && i + 1 < argc) {
      mutations = std::strtol(argv[++i], nullptr, 10);
    } else {
      Collect(argv[i], inputs);
    }
  }
  if (inputs.empty()) inputs.push_back(std::string());
  for (const auto& input : inputs) Run(input);

  std::mt19937 random(20261206);  // fixed: the same run every time
  for (long m = 0; m < mutations; ++m) {
    std::string input = inputs[random() % inputs.size()];
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
      const size_t at = input.empty() ? 0 : random() % input.size();
      switch (random() % 6) {
        case 0:
          if (!input.empty()) input[at] = static_cast<char>(input[at] ^ (1 << (random() % 8)));
          break;
        case 1:
          if (!input.empty()) input[at] = static_cast<char>(random());
          break;
        case 2:
          input.resize(at);
          break;
        case 3:
          input.insert(at, input.substr(at, random() % 64));
          break;
        case 4:
          if (!input.empty()) input.erase(at, random() % 16);
          break;
        default: {
          static const char* const kTokens[] = {"=",    "\r\n",       "[",    "]",    "%",
                                                "-",    "9999999999", "RIFF", "data", "fmt ",
                                                "WAVE", "\\",         ".."};
          input.insert(at, kTokens[random() % (sizeof kTokens / sizeof *kTokens)]);
        }
      }
    }
    Run(input);
  }
  std::printf("%zu inputs and %ld mutations ran\n", inputs.size(), mutations);
  return 0;
}
