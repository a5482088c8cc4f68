#pragma once
// A fresh host folder that serves as drive C: for one test.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/hostfs.h"

class TestRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[4096];
    saved_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
    char tmpl[] = "/tmp/brevora-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    platform::InitDrives(root_, true);
  }
  void TearDown() override {
    platform::InitDrives(saved_, true);
    std::string cmd = "rm -rf '" + root_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  // Writes a host file below the root (binary, exactly these bytes).
  void WriteHost(const std::string& rel, const std::string& bytes) {
    std::string path = root_ + "/" + rel;
    std::string dir = path.substr(0, path.rfind('/'));
    std::string cmd = "mkdir -p '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string ReadHost(const std::string& rel) {
    std::ifstream in(root_ + "/" + rel, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string root_;
  std::string saved_;
};
