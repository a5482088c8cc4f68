#pragma once
// Helpers of the audio tests: a scratch directory, desk paths for host files,
// byte files, samples and waves, WAV files built chunk by chunk, and bounded
// waits.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/wave.h"
#include "platform/hostfs.h"
#include "platform/periodic_timer_virtual.h"
#include "tests/support/support_test_util.h"

namespace audio_test {

using Bytes = std::vector<uint8_t>;

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/brevora-audio-XXXXXX";
    if (mkdtemp(pattern)) m_Path = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Host path of a file in the directory.
  std::string Host(const std::string& name) const { return m_Path + "/" + name; }
  // The same file as the desk names it.
  std::string Desk(const std::string& name) const {
    std::string desk;
    platform::ToSystemPath(Host(name), desk);
    return desk;
  }

 private:
  std::string m_Path;
};

inline void WriteBytes(const std::string& host, const Bytes& bytes) {
  std::ofstream(host, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadBytes(const std::string& host) {
  std::ifstream in(host, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v);
  Put16(b, v >> 16);
}
inline uint32_t Get16(const Bytes& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8;
}

// 16-bit samples as they lie in a file.
inline Bytes Samples16(std::initializer_list<int> values) {
  Bytes b;
  for (int v : values) Put16(b, static_cast<uint16_t>(v));
  return b;
}
// count 16-bit samples, sample n being sample(n).
template <typename F>
Bytes Samples16(size_t count, F sample) {
  Bytes b;
  for (size_t n = 0; n < count; ++n) Put16(b, static_cast<uint16_t>(sample(n)));
  return b;
}
// 16-bit sample number index of bytes.
inline int16_t Sample16(const Bytes& bytes, size_t index) {
  return static_cast<int16_t>(Get16(bytes, 2 * index));
}

// Gives a wave the format and exactly these bytes.
inline void Fill(tWave& wave, const WAVEFORMATEX& format, const Bytes& bytes) {
  wave.SetFormat(format);
  ASSERT_TRUE(wave.Allocate(bytes.size()));
  if (!bytes.empty()) std::memcpy(wave.Data(), bytes.data(), bytes.size());
}

inline Bytes Contents(const tWave& wave) {
  return wave.Data() ? Bytes(wave.Data(), wave.Data() + wave.Size()) : Bytes();
}

// A wave's format, frames and first bytes, for a trace.
inline std::string Describe(const tWave& w, size_t maxBytes = 32) {
  char head[160];
  std::snprintf(head, sizeof head,
                "%u Hz, %u-bit x%u, tag %u, code %u, align %u, %u frames, %u bytes", w.Rate(),
                w.BitsPerSample(), w.Channels(), w.Format().wFormatTag, w.Code(), w.BlockAlign(),
                w.Frames(), w.Size());
  const Bytes bytes = Contents(w);
  const Bytes first(bytes.begin(), bytes.begin() + std::min(bytes.size(), maxBytes));
  return std::string(head) + (first.empty() ? "" : ": " + support_test::Hex(first)) +
         (bytes.size() > maxBytes ? " ..." : "");
}

// Bytes as runs of equal frames: "frame bytes xcount; ...".
inline std::string Runs(const Bytes& page, size_t frameBytes) {
  std::string out;
  for (size_t at = 0; at < page.size();) {
    size_t n = 1;
    while (at + (n + 1) * frameBytes <= page.size() &&
           std::equal(page.begin() + at, page.begin() + at + frameBytes,
                      page.begin() + at + n * frameBytes))
      ++n;
    out += (out.empty() ? "" : "; ") +
           support_test::Hex(Bytes(page.begin() + at, page.begin() + at + frameBytes)) + " x" +
           std::to_string(n);
    at += n * frameBytes;
  }
  return out;
}

// A chunk: id, payload, and the size written into its header (the payload
// size unless given).
struct Chunk {
  std::string id;
  Bytes payload;
  int64_t declaredSize = -1;
};

// A RIFF file of a form type holding chunks, each with its pad byte after an
// odd size.
inline Bytes Riff(const std::vector<Chunk>& chunks, const std::string& form = "WAVE") {
  Bytes body(form.begin(), form.end());
  for (const Chunk& c : chunks) {
    body.insert(body.end(), c.id.begin(), c.id.begin() + 4);
    Put32(body, static_cast<uint32_t>(c.declaredSize >= 0 ? c.declaredSize : c.payload.size()));
    body.insert(body.end(), c.payload.begin(), c.payload.end());
    if (c.payload.size() & 1) body.push_back(0);
  }
  Bytes out = {'R', 'I', 'F', 'F'};
  Put32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// A 16-byte PCM "fmt " payload.
inline Bytes FmtPayload(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes p;
  Put16(p, tag);
  Put16(p, channels);
  Put32(p, rate);
  Put32(p, rate * channels * bits / 8);
  Put16(p, channels * bits / 8);
  Put16(p, bits);
  return p;
}

// A 40-byte WAVE_FORMAT_EXTENSIBLE payload whose sub-format carries subTag.
inline Bytes ExtensiblePayload(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t subTag) {
  Bytes p = FmtPayload(0xFFFE, channels, rate, bits);
  Put16(p, 22);
  Put16(p, bits);                     // valid bits
  Put32(p, channels == 2 ? 3u : 4u);  // channel mask
  Put16(p, subTag);                   // sub-format GUID, data1
  Put16(p, 0);
  const uint8_t rest[] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  p.insert(p.end(), rest, rest + sizeof rest);
  return p;
}

// What f writes to stderr (the traces).
template <typename F>
std::string Traces(F f) {
  testing::internal::CaptureStderr();
  f();
  return testing::internal::GetCapturedStderr();
}

// Waits (bounded) until the condition holds.
template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 5000) {
  for (int i = 0; i < timeoutMs; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

// A tick callback that counts its runs and keeps the user value of the last.
inline std::atomic<int> g_TickRuns{0};
inline std::atomic<uintptr_t> g_TickUser{0};
inline void CountingTick(uint32_t, uint32_t, uintptr_t user, uintptr_t, uintptr_t) {
  g_TickUser.store(user);
  g_TickRuns.fetch_add(1);
}

// Fires a timer's event and waits (bounded) until CountingTick has run once
// more.
inline bool FireAndWait(platform::VirtualTimerService& timers, uint32_t id) {
  const int runs = g_TickRuns.load();
  return timers.Fire(id) && WaitFor([&] { return g_TickRuns.load() > runs; });
}

}  // namespace audio_test
