#include "audio/wave_file_output.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/hostfs.h"

namespace {

constexpr uint32_t kHeaderBytes = 44;

void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v) {
  PutLe16(p, v);
  PutLe16(p + 2, v >> 16);
}

}  // namespace

// ---- tWaveWriter ----

tWaveWriter::tWaveWriter() {
  SetDefaultFormat(false);
}

tWaveWriter::~tWaveWriter() {
  if (m_File) std::fclose(m_File);
}

bool tWaveWriter::Open(const std::string& path) {
  if (m_File) std::fclose(m_File);
  m_File = platform::OpenStream(path, "wb");
  if (!m_File) return false;
  // Unbuffered, so that every Write reports what reached the file.
  std::setvbuf(m_File, nullptr, _IONBF, 0);
  m_AllWritten = true;
  // The header space is reserved now and filled in by Finish.
  const uint8_t zeros[kHeaderBytes] = {};
  if (std::fwrite(zeros, 1, kHeaderBytes, m_File) != kHeaderBytes) {
    std::fclose(m_File);
    m_File = nullptr;
    m_AllWritten = false;
    return false;
  }
  return true;
}

bool tWaveWriter::Write(const void* bytes, uint32_t count) {
  const bool ok = m_File && std::fwrite(bytes, 1, count, m_File) == count;
  if (!ok) m_AllWritten = false;
  return ok;
}

bool tWaveWriter::Finish() {
  if (!m_File) return true;
  const off_t end = ftello(m_File);
  uint64_t dataSize = end > off_t{kHeaderBytes} ? static_cast<uint64_t>(end) - kHeaderBytes : 0;
  // The size fields are 32 bits; a longer file keeps its data but its sizes
  // stop at the largest value they hold.
  dataSize = std::min<uint64_t>(dataSize, UINT32_MAX - 36);
  WAVEFORMATEX format{};
  GetFormat(format);
  uint8_t header[kHeaderBytes];
  std::memcpy(header, "RIFF", 4);
  PutLe32(header + 4, static_cast<uint32_t>(dataSize) + 36);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  PutLe32(header + 16, 16);
  PutLe16(header + 20, format.wFormatTag);
  PutLe16(header + 22, format.nChannels);
  PutLe32(header + 24, format.nSamplesPerSec);
  PutLe32(header + 28, format.nAvgBytesPerSec);
  PutLe16(header + 32, format.nBlockAlign);
  PutLe16(header + 34, format.wBitsPerSample);
  std::memcpy(header + 36, "data", 4);
  PutLe32(header + 40, static_cast<uint32_t>(dataSize));
  if (fseeko(m_File, 0, SEEK_SET) != 0 ||
      std::fwrite(header, 1, kHeaderBytes, m_File) != kHeaderBytes) {
    m_AllWritten = false;
    return false;
  }
  const bool closed = platform::CloseStream(m_File);
  m_File = nullptr;
  if (!closed) m_AllWritten = false;
  return closed;
}

// ---- tWaveFileOutput ----

tWaveFileOutput::tWaveFileOutput() = default;

tWaveFileOutput::~tWaveFileOutput() {
  tWaveFileOutput::Close();
}

void tWaveFileOutput::SetFormat(const WAVEFORMATEX& format) {
  tSoundOutput::SetFormat(format);
  Resize();
}

void tWaveFileOutput::Close() {
  Stop();
  m_pPage.reset();
  m_PageFrames = 0;
  m_PageBytes = 0;
  m_FileName.clear();
  m_TimeMs = 0;
  tSoundOutput::Close();
}

bool tWaveFileOutput::Start() {
  Stop();
  m_WriteOk = m_Writer.Open(m_FileName);
  return m_WriteOk;
}

void tWaveFileOutput::Stop() {
  if (!m_Writer.IsOpen()) return;
  m_Writer.SetFormat(m_Format);
  if (!m_Writer.Finish() || !m_Writer.AllWritesSucceeded()) m_WriteOk = false;
}

bool tWaveFileOutput::SetPitch(double) {
  return true;
}
double tWaveFileOutput::GetPitch() {
  return 1.0;
}
bool tWaveFileOutput::SetVolume(double) {
  return true;
}
double tWaveFileOutput::GetVolume() {
  return 1.0;
}
bool tWaveFileOutput::SetBalance(double) {
  return true;
}
double tWaveFileOutput::GetBalance() {
  return 0.0;
}

void tWaveFileOutput::Open(const std::string& path) {
  Close();
  m_FileName = path;
  SetDefaultFormat(true);
  Resize();
}

void tWaveFileOutput::Resize() {
  const uint64_t frames = uint64_t{m_PageMs} * m_Format.nSamplesPerSec / 1000;
  const uint64_t bytes = frames * m_Format.nBlockAlign;
  if (frames != m_PageFrames || bytes != m_PageBytes) {
    m_pPage.reset();
    m_PageFrames = static_cast<uint32_t>(frames);
    m_PageBytes = static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX));
    if (bytes > 0 && bytes == m_PageBytes) {
      m_pPage.reset(new (std::nothrow) uint8_t[m_PageBytes]);
      // Until a source renders into it, the page is silence.
      if (m_pPage) std::memset(m_pPage.get(), m_Format.wBitsPerSample == 8 ? 128 : 0, m_PageBytes);
    }
  }
  if (tSoundSource* source = Source()) source->Recompute();
}

void tWaveFileOutput::Advance(uint32_t timeMs) {
  m_TimeMs = timeMs;
  const uint32_t target = static_cast<uint32_t>(uint64_t{m_Format.nSamplesPerSec} * timeMs / 1000);
  // A page of no frames would never move the count on.
  if (m_PageFrames == 0) return;
  while (static_cast<int32_t>(target - m_FramesDone) >= static_cast<int32_t>(m_PageFrames)) {
    if (m_pPage) {
      if (tSoundSource* source = Source()) {
        source->Mix();
        source->Render(m_pPage.get(), m_PageBytes);
        source->MixDone();
      }
      if (!m_Writer.Write(m_pPage.get(), m_PageBytes)) m_WriteOk = false;
    } else {
      m_WriteOk = false;  // the page could not be held, so it is missing from the file
    }
    m_FramesDone += m_PageFrames;
  }
}
