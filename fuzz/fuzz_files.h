#pragma once
// A scratch folder as drive C: for fuzz targets that read files by desk path.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/hostfs.h"

inline const std::string& FuzzRoot() {
  static const std::string root = [] {
    char tmpl[] = "/tmp/brevora-fuzz-XXXXXX";
    std::string dir = mkdtemp(tmpl) != nullptr ? tmpl : "/tmp";
    platform::InitDrives(dir, true);
    return dir;
  }();
  return root;
}

// Writes the input as C:\name and returns its desk path.
inline std::string WriteFuzzFile(const char* name, const uint8_t* data, size_t size) {
  const std::string host = FuzzRoot() + "/" + name;
  if (FILE* f = std::fopen(host.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return std::string("C:\\") + name;
}
