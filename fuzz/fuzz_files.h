#pragma once
// A scratch folder as drive C: for fuzz targets that read files by desk path.
// Beside the input it holds what a channel or a mix names, so that loading
// reaches the waves, their conversion, the voices and the channels' ticks:
//   C:\a.wav  8-bit mono at 11025 Hz, 300 frames (converted up)
//   C:\b.wav  16-bit stereo at 44100 Hz, 200 frames (converted down)
//   C:\k.chn  a channel file naming both
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/hostfs.h"

// A canonical PCM WAV file of frames frames of a saw tooth.
inline std::vector<uint8_t> FuzzWave(uint32_t rate, uint16_t bits, uint16_t channels,
                                     uint32_t frames) {
  const uint32_t block = channels * (bits / 8u);
  const uint32_t dataBytes = frames * block;
  std::vector<uint8_t> out(44 + dataBytes);
  size_t at = 0;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at++] = static_cast<uint8_t>(v >> (8 * i));
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out[at++] = static_cast<uint8_t>(t[i]);
  };
  tag("RIFF");
  put(36 + dataBytes, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * block, 4);
  put(block, 2);
  put(bits, 2);
  tag("data");
  put(dataBytes, 4);
  for (uint32_t i = 0; i < frames * channels; ++i) {
    if (bits == 8) {
      put(i * 7, 1);
    } else {
      put(i * 997, 2);
    }
  }
  return out;
}

// An 8-bit bottom-up bitmap file of a grey palette; pixel(x, y) gives the index.
template <typename Pixel>
std::vector<uint8_t> FuzzBitmap8(int32_t width, int32_t height, Pixel pixel) {
  const uint32_t stride = (static_cast<uint32_t>(width) + 3) & ~3u;
  const uint32_t offset = 14 + 40 + 4 * 256;
  const uint32_t image = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> out;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  out.push_back('B');
  out.push_back('M');
  for (uint32_t v : {offset + image, 0u, offset, 40u, static_cast<uint32_t>(width),
                     static_cast<uint32_t>(height)})
    put(v, 4);
  put(1, 2);
  put(8, 2);
  for (uint32_t v : {0u, image, 2835u, 2835u, 256u, 0u}) put(v, 4);
  for (uint32_t i = 0; i < 256; ++i) put(i * 0x010101u, 4);
  for (int32_t y = height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < width; ++x) out.push_back(pixel(x, y));
    out.resize(out.size() + (stride - static_cast<uint32_t>(width)), 0);
  }
  return out;
}

inline void WriteHostFile(const std::string& host, const void* data, size_t size) {
  if (FILE* f = std::fopen(host.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

inline const std::string& FuzzRoot() {
  static const std::string root = [] {
    // In memory where the host has it: every input is written and read back.
    char shm[] = "/dev/shm/brevora-fuzz-XXXXXX";
    char tmp[] = "/tmp/brevora-fuzz-XXXXXX";
    std::string dir = mkdtemp(shm) != nullptr ? shm : mkdtemp(tmp) != nullptr ? tmp : "/tmp";
    // Gone when the run ends: every replay and campaign makes one, and
    // /dev/shm is memory.
    static std::string made;
    if (dir != "/tmp") {
      made = dir;
      std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(made, ignored);
      });
    }
    platform::InitDrives(dir, true);
    const std::vector<uint8_t> a = FuzzWave(11025, 8, 1, 300);
    const std::vector<uint8_t> b = FuzzWave(44100, 16, 2, 200);
    WriteHostFile(dir + "/a.wav", a.data(), a.size());
    WriteHostFile(dir + "/b.wav", b.data(), b.size());
    const std::string chn =
        "[Brevora Channel]\r\nVersion=3\r\nQuantize=0.250\r\nLoop=0.500\r\nDelay=0.125\r\n"
        "Volume=90\r\nBalance=-20\r\nPitch= 1.5\r\nSnd=\\a.wav\r\nSFx=\\b.wav\r\n";
    WriteHostFile(dir + "/k.chn", chn.data(), chn.size());
    return dir;
  }();
  return root;
}

// Writes the input as C:\name and returns its desk path.
inline std::string WriteFuzzFile(const char* name, const uint8_t* data, size_t size) {
  WriteHostFile(FuzzRoot() + "/" + name, data, size);
  return std::string("C:\\") + name;
}
