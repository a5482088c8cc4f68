#include "audio/wave.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "audio/riff_reader.h"
#include "platform/hostfs.h"
#include "platform/last_error.h"

static_assert(std::endian::native == std::endian::little,
              "samples are kept in memory as they lie in the file");

namespace {

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// How the samples of a file are stored.
enum class SampleKind { kAsIs, kInt24, kInt32, kFloat32 };

// Narrows one container sample of a wide file to 16 bits.
int16_t WideTo16(SampleKind kind, const uint8_t* p) {
  switch (kind) {
    case SampleKind::kInt24:
      return static_cast<int16_t>(Le16(p + 1));
    case SampleKind::kInt32:
      return static_cast<int16_t>(Le16(p + 2));
    case SampleKind::kFloat32: {
      float f = std::bit_cast<float>(Le32(p));
      double v = static_cast<double>(f) * 32768.0;
      if (std::isnan(v)) return 0;
      if (v >= 32767.0) return 32767;
      if (v <= -32768.0) return -32768;
      return static_cast<int16_t>(v);  // truncates toward zero
    }
    case SampleKind::kAsIs:
      break;
  }
  return 0;
}

// Widens frame i of a layout to a 16-bit stereo pair.
void Widen(uint32_t code, const uint8_t* data, uint32_t i, int32_t& l, int32_t& r) {
  const int16_t* s16 = reinterpret_cast<const int16_t*>(data);
  switch (code) {
    case kFormat8Mono:
      l = r = (int32_t{data[i]} - 128) * 256;
      break;
    case kFormat16Mono:
      l = r = s16[i];
      break;
    case kFormat8Stereo:
      l = (int32_t{data[2 * size_t{i}]} - 128) * 256;
      r = (int32_t{data[2 * size_t{i} + 1]} - 128) * 256;
      break;
    default:
      l = s16[2 * size_t{i}];
      r = s16[2 * size_t{i} + 1];
      break;
  }
}

// Narrows a 16-bit stereo pair into frame k of a layout (arithmetic shifts).
void Narrow(uint32_t code, uint8_t* data, size_t k, int32_t l, int32_t r) {
  int16_t* s16 = reinterpret_cast<int16_t*>(data);
  switch (code) {
    case kFormat8Mono:
      data[k] = static_cast<uint8_t>(Clamp((l + r) >> 9, -128, 127) + 128);
      break;
    case kFormat16Mono:
      s16[k] = static_cast<int16_t>(Clamp((l + r) >> 1, -32768, 32767));
      break;
    case kFormat8Stereo:
      data[2 * k] = static_cast<uint8_t>(Clamp(l >> 8, -128, 127) + 128);
      data[2 * k + 1] = static_cast<uint8_t>(Clamp(r >> 8, -128, 127) + 128);
      break;
    default:
      s16[2 * k] = static_cast<int16_t>(Clamp(l, -32768, 32767));
      s16[2 * k + 1] = static_cast<int16_t>(Clamp(r, -32768, 32767));
      break;
  }
}

// The most a conversion may raise the rate, and the largest wave it makes.
constexpr uint64_t kMaxRateRatio = 64;
constexpr uint64_t kMaxConvertedBytes = uint64_t{1} << 30;

bool Fail(uint32_t code) {
  platform::SetLastErrorCode(code);
  return false;
}

}  // namespace

tWave::~tWave() {
  Free();
}

void tWave::Free() {
  m_pData.reset();
  m_Size = 0;
}

bool tWave::Allocate(uint64_t bytes) {
  return AllocateStorage(bytes, true);
}

bool tWave::AllocateStorage(uint64_t bytes, bool zeroed) {
  Free();
  SetDefaultFormat(true);
  if (bytes > UINT32_MAX) return Fail(platform::kErrorWaveMemory);
  if (bytes == 0) return true;
  // A buffer that is filled at once (from a file) is not cleared first: for
  // a set of long samples that pass costs as much as reading them.
  m_pData = platform::AllocateSampleMemory(static_cast<size_t>(bytes), zeroed);
  if (!m_pData) return Fail(platform::kErrorWaveMemory);
  m_Size = static_cast<uint32_t>(bytes);
  return true;
}

uint32_t tWave::Frames() const {
  if (m_Format.nBlockAlign == 0) return 0;
  return std::min(m_Size / m_Format.nBlockAlign, m_Size / FrameBytesOfCode(m_Code));
}

bool tWave::LoadWave(const std::string& path) {
  FILE* file = platform::OpenStream(path, "rb");
  if (!file) return Fail(platform::kErrorWaveOpen);
  bool ok = LoadWaveStream(file);
  uint32_t code = platform::LastErrorCode();
  std::fclose(file);
  if (!ok) platform::SetLastErrorCode(code);
  return ok;
}

bool tWave::LoadWaveStream(FILE* file) {
  tRiffReader riff(file);
  if (!riff.DescendRiff("WAVE")) return Fail(platform::kErrorWaveFormat);

  tRiffReader::Chunk fmt;
  if (!riff.FindChunk("fmt ", fmt)) return Fail(platform::kErrorWaveFormat);
  // The 18 bytes of WAVEFORMATEX, and the 22 more of an extensible header
  // when the chunk has them.
  uint8_t raw[40] = {};
  size_t want = std::min<size_t>(fmt.size, sizeof raw);
  if (riff.Read(raw, want) != want) return Fail(platform::kErrorWaveTruncated);

  WAVEFORMATEX format{};
  format.wFormatTag = Le16(raw);
  format.nChannels = Le16(raw + 2);
  format.nSamplesPerSec = Le32(raw + 4);
  format.nAvgBytesPerSec = Le32(raw + 8);
  format.nBlockAlign = Le16(raw + 12);
  format.wBitsPerSample = Le16(raw + 14);
  format.cbSize = Le16(raw + 16);

  // The tag matters only to tell 32-bit float from 32-bit integer; an
  // extensible header keeps the real tag in the first bytes of its sub-format.
  uint16_t tag = format.wFormatTag;
  if (tag == kWaveFormatExtensible && want >= 26) tag = Le16(raw + 24);
  SampleKind kind = SampleKind::kAsIs;
  switch (format.wBitsPerSample) {
    case 8:
    case 16:
      break;
    case 24:
      kind = SampleKind::kInt24;
      break;
    case 32:
      kind = tag == kWaveFormatIeeeFloat ? SampleKind::kFloat32 : SampleKind::kInt32;
      break;
    default:
      return Fail(platform::kErrorWaveFormat);
  }
  if (format.nChannels != 1 && format.nChannels != 2) return Fail(platform::kErrorWaveFormat);
  if (format.nSamplesPerSec == 0) return Fail(platform::kErrorWaveFormat);
  const uint32_t fileBlock = format.nChannels * (format.wBitsPerSample / 8u);
  if (fileBlock == 0) return Fail(platform::kErrorWaveFormat);

  // Wide files are held as 16-bit samples from here on.
  if (kind != SampleKind::kAsIs) format.wBitsPerSample = 16;
  SetFormat(format);

  tRiffReader::Chunk data;
  if (!riff.FindChunk("data", data)) return Fail(platform::kErrorWaveFormat);
  if (data.size < fileBlock) return Fail(platform::kErrorWaveFormat);
  if (data.size > riff.Available(data.offset)) {
    Free();
    return Fail(platform::kErrorWaveTruncated);
  }

  if (kind == SampleKind::kAsIs) {
    if (!AllocateStorage(data.size, false)) return false;
    if (!riff.Seek(data.offset) || riff.Read(m_pData.get(), m_Size) != m_Size) {
      Free();
      return Fail(platform::kErrorWaveTruncated);
    }
    return true;
  }

  const uint64_t frames = data.size / fileBlock;
  const uint32_t samples = format.nChannels;
  const uint32_t sampleBytes = fileBlock / samples;
  if (!AllocateStorage(frames * samples * 2, false)) return false;
  if (!riff.Seek(data.offset)) {
    Free();
    return Fail(platform::kErrorWaveTruncated);
  }
  int16_t* out = reinterpret_cast<int16_t*>(m_pData.get());
  uint8_t buffer[8192];
  const uint64_t framesPerRead = sizeof buffer / fileBlock;
  for (uint64_t done = 0; done < frames;) {
    const uint64_t n = std::min(framesPerRead, frames - done);
    const size_t bytes = static_cast<size_t>(n * fileBlock);
    if (riff.Read(buffer, bytes) != bytes) {
      Free();
      return Fail(platform::kErrorWaveTruncated);
    }
    for (size_t s = 0; s < n * samples; ++s) *out++ = WideTo16(kind, buffer + s * sampleBytes);
    done += n;
  }
  return true;
}

bool tWave::Convert(const WAVEFORMATEX& target) {
  tSoundFormat normal;
  normal.SetFormat(target);
  const WAVEFORMATEX& to = normal.Format();
  if (normal.Code() == m_Code && to.nSamplesPerSec == m_Format.nSamplesPerSec) return true;
  if (!IsEngineLayout(to)) return Fail(platform::kErrorWaveFormat);

  const uint32_t fromRate = m_Format.nSamplesPerSec;
  // Every output frame costs a step of the loop below. No real sample is
  // played at less than a 64th of the output rate or grows beyond 1 GiB; a
  // damaged header that asks for it (a rate of 1 Hz) is refused at once
  // instead of keeping the loading thread busy for seconds.
  if (fromRate != 0 && uint64_t{to.nSamplesPerSec} > kMaxRateRatio * fromRate)
    return Fail(platform::kErrorWaveFormat);
  const int64_t inFrames = fromRate == 0 ? 0 : Frames();
  const int64_t outFrames = fromRate == 0 ? 0 : inFrames * to.nSamplesPerSec / fromRate;
  const uint64_t outBytes = static_cast<uint64_t>(outFrames) * to.nBlockAlign;
  if (outBytes > kMaxConvertedBytes) return Fail(platform::kErrorWaveMemory);

  // The new samples are built beside the old ones, so a failed allocation
  // leaves the wave as it was.
  platform::SampleMemory out;
  if (outBytes > 0) {
    out = platform::AllocateSampleMemory(static_cast<size_t>(outBytes), false);
    if (!out) return Fail(platform::kErrorWaveMemory);
    const uint64_t step = (uint64_t{fromRate} << 32) / to.nSamplesPerSec;
    const uint32_t last = static_cast<uint32_t>(inFrames - 1);
    uint64_t p = 0;
    for (int64_t k = 0; k < outFrames; ++k, p += step) {
      int32_t l = 0;
      int32_t r = 0;
      Widen(m_Code, m_pData.get(), std::min(static_cast<uint32_t>(p >> 32), last), l, r);
      Narrow(normal.Code(), out.get(), static_cast<size_t>(k), l, r);
    }
  }
  Free();
  m_pData = std::move(out);
  m_Size = static_cast<uint32_t>(outBytes);
  SetFormat(target);
  return true;
}
