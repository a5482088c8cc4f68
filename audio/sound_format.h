#pragma once
// PCM format descriptors.
//
// Every sample buffer and every output device carries a tSoundFormat. The
// format is kept as the classic 18-byte WAVEFORMATEX record and normalised on
// every set, so that block alignment, byte rate and the layout code always
// follow from channels, width and rate.
#include <cstdint>

// The 18-byte format record of a RIFF "fmt " chunk (little-endian on disk).
#pragma pack(push, 2)
struct WAVEFORMATEX {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is the 18-byte record");

// Format tags seen in "fmt " chunks.
constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatIeeeFloat = 3;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// The four sample layouts the converter, the voices and the renderer know.
// The code is 2 for two channels (else 0) plus 1 for 16 bits (else 0).
enum : uint32_t {
  kFormat8Mono = 0,
  kFormat16Mono = 1,
  kFormat8Stereo = 2,
  kFormat16Stereo = 3,
};

// Bytes of one frame in a layout code (1, 2, 2, 4).
constexpr uint32_t FrameBytesOfCode(uint32_t code) {
  return (code & 2 ? 2u : 1u) * (code & 1 ? 2u : 1u);
}

// The layout code of a format: channel count 2 is stereo, anything else mono;
// width 16 is 16-bit, anything else 8-bit.
uint32_t FormatCodeOf(const WAVEFORMATEX& format);

// True for the formats the engine holds exactly: 1 or 2 channels, 8 or 16
// bits, a rate above 0.
bool IsEngineLayout(const WAVEFORMATEX& format);

// Builds a normalised PCM format from rate, width and channels.
WAVEFORMATEX MakeWaveFormat(uint32_t rate, uint16_t bitsPerSample, uint16_t channels);

class tSoundFormat {
 public:
  tSoundFormat();

  // Copies the record and normalises it: tag PCM, block alignment
  // channels * bits / 8, byte rate rate * block alignment, cbSize 0; the
  // layout code follows. Derived classes react to format changes here.
  virtual void SetFormat(const WAVEFORMATEX& format);
  virtual void GetFormat(WAVEFORMATEX& format) const;
  virtual ~tSoundFormat();

  // Sets 22050 Hz 16-bit stereo, unless onlyIfUnset is given and a rate is
  // already set. Goes through SetFormat.
  void SetDefaultFormat(bool onlyIfUnset);

  uint32_t Code() const { return m_Code; }
  const WAVEFORMATEX& Format() const { return m_Format; }
  uint32_t Rate() const { return m_Format.nSamplesPerSec; }
  uint16_t Channels() const { return m_Format.nChannels; }
  uint16_t BitsPerSample() const { return m_Format.wBitsPerSample; }
  uint16_t BlockAlign() const { return m_Format.nBlockAlign; }

 protected:
  tSoundFormat(const tSoundFormat&) = default;
  tSoundFormat& operator=(const tSoundFormat&) = default;

  uint32_t m_Code;
  WAVEFORMATEX m_Format;
};
