#include "audio/sound_format.h"

uint32_t FormatCodeOf(const WAVEFORMATEX& format) {
  return (format.nChannels == 2 ? 2u : 0u) + (format.wBitsPerSample == 16 ? 1u : 0u);
}

bool IsEngineLayout(const WAVEFORMATEX& format) {
  return (format.nChannels == 1 || format.nChannels == 2) &&
         (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) && format.nSamplesPerSec > 0;
}

WAVEFORMATEX MakeWaveFormat(uint32_t rate, uint16_t bitsPerSample, uint16_t channels) {
  WAVEFORMATEX format{};
  format.wFormatTag = kWaveFormatPcm;
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = bitsPerSample;
  format.nBlockAlign = static_cast<uint16_t>((channels * bitsPerSample) / 8);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  return format;
}

tSoundFormat::tSoundFormat() : m_Code(0), m_Format{} {}

tSoundFormat::~tSoundFormat() = default;

void tSoundFormat::SetFormat(const WAVEFORMATEX& format) {
  m_Format = format;
  m_Format.wFormatTag = kWaveFormatPcm;
  m_Format.nBlockAlign =
      static_cast<uint16_t>((uint32_t{m_Format.nChannels} * m_Format.wBitsPerSample) / 8);
  m_Format.nAvgBytesPerSec = m_Format.nSamplesPerSec * m_Format.nBlockAlign;
  m_Format.cbSize = 0;
  m_Code = FormatCodeOf(m_Format);
}

void tSoundFormat::GetFormat(WAVEFORMATEX& format) const {
  format = m_Format;
}

void tSoundFormat::SetDefaultFormat(bool onlyIfUnset) {
  if (onlyIfUnset && m_Format.nSamplesPerSec != 0) return;
  WAVEFORMATEX format{};
  format.nChannels = 2;
  format.nSamplesPerSec = 22050;
  format.wBitsPerSample = 16;
  SetFormat(format);
}
