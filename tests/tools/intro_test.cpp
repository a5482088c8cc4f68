// The intro video: an AVI file of Motion JPEG frames, 320 by 240, whose every
// frame is a complete JPEG picture of that size.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/stage_files.h"

namespace {

struct Avi {
  uint32_t frames = 0, width = 0, height = 0, microPerFrame = 0;
  std::string handler;
  std::vector<std::string> pictures;
};

// Walks the RIFF lists of the file, collecting the header values and the
// video chunks ("00dc").
void Walk(const std::string& b, size_t pos, size_t end, Avi& avi) {
  while (pos + 8 <= end) {
    std::string id = b.substr(pos, 4);
    uint32_t size = Le32(b, pos + 4);
    size_t body = pos + 8;
    if (body + size > end) break;
    if (id == "LIST" || id == "RIFF") {
      Walk(b, body + 4, body + size, avi);
    } else if (id == "avih") {
      avi.microPerFrame = Le32(b, body);
      avi.frames = Le32(b, body + 16);
      avi.width = Le32(b, body + 32);
      avi.height = Le32(b, body + 36);
    } else if (id == "strh" && b.substr(body, 4) == "vids") {
      avi.handler = b.substr(body + 4, 4);
    } else if (id == "00dc") {
      avi.pictures.push_back(b.substr(body, size));
    }
    pos = body + size + (size & 1);
  }
}

// Width and height from a JPEG's start-of-frame segment; false when the
// picture is not a complete JPEG.
bool JpegSize(const std::string& j, int& w, int& h) {
  if (j.size() < 4 || uint8_t(j[0]) != 0xFF || uint8_t(j[1]) != 0xD8) return false;
  size_t end = j.size();
  while (end > 2 && uint8_t(j[end - 1]) == 0) --end;  // padding
  if (uint8_t(j[end - 2]) != 0xFF || uint8_t(j[end - 1]) != 0xD9) return false;
  size_t p = 2;
  while (p + 4 <= j.size() && uint8_t(j[p]) == 0xFF) {
    uint8_t marker = uint8_t(j[p + 1]);
    size_t len = size_t(uint8_t(j[p + 2])) << 8 | uint8_t(j[p + 3]);
    if (marker >= 0xC0 && marker <= 0xC3) {
      h = int(uint8_t(j[p + 5])) << 8 | uint8_t(j[p + 6]);
      w = int(uint8_t(j[p + 7])) << 8 | uint8_t(j[p + 8]);
      return true;
    }
    p += 2 + len;
  }
  return false;
}

TEST(Intro, IsAMotionJpegAviOfSeveralSeconds) {
  std::string b;
  ASSERT_TRUE(ReadBytes(StagePath("data/intro.avi"), b));
  ASSERT_GE(b.size(), 12u);
  EXPECT_EQ(b.substr(0, 4), "RIFF");
  EXPECT_EQ(b.substr(8, 4), "AVI ");
  Avi avi;
  Walk(b, 12, b.size(), avi);
  EXPECT_EQ(avi.width, 320u);
  EXPECT_EQ(avi.height, 240u);
  EXPECT_EQ(avi.handler, "MJPG");
  ASSERT_GT(avi.microPerFrame, 0u);
  double seconds = double(avi.frames) * avi.microPerFrame / 1e6;
  EXPECT_GE(seconds, 2.0);
  EXPECT_LE(seconds, 10.0);
  ASSERT_EQ(avi.pictures.size(), avi.frames);
  for (size_t i = 0; i < avi.pictures.size(); ++i) {
    int w = 0, h = 0;
    ASSERT_TRUE(JpegSize(avi.pictures[i], w, h)) << "frame " << i;
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
  }
  // The animation moves: the first and a middle frame differ.
  EXPECT_NE(avi.pictures.front(), avi.pictures[avi.pictures.size() / 2]);
}

}  // namespace
