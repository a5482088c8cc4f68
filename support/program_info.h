#pragma once
// The program's version and the answer its executables give to --version.
#include <string>

// "1.0.0": the version of this build.
const char* BrevoraVersion();

// The GNU form of a --version answer for one of the program's executables:
// "brevora-render (Brevora) 1.0.0", the copyright line and the licence line,
// each ending in a newline.
std::string VersionText(const char* program);
