#pragma once
// The export device: renders the mix into a canonical 44-byte-header PCM WAV
// file, page by page, on demand instead of from a timer.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "audio/sound_output.h"

// A WAV file being written: header space reserved on Open, the header filled
// in by Finish once the data size is known.
class tWaveWriter : public tSoundFormat {
 public:
  // Default format 22050 Hz 16-bit stereo, no file.
  tWaveWriter();
  tWaveWriter(const tWaveWriter&) = delete;
  tWaveWriter& operator=(const tWaveWriter&) = delete;
  ~tWaveWriter() override;  // closes a file left open, unfinished

  // Creates (or replaces) the file by desk path and reserves the header.
  bool Open(const std::string& path);
  // Appends; true only when every byte was written.
  bool Write(const void* bytes, uint32_t count);
  // Writes the header with the sizes and closes the file. True with no file
  // open. False when the header could not be written (the file stays open)
  // or the file could not be closed cleanly.
  bool Finish();

  bool IsOpen() const { return m_File != nullptr; }
  // False once any Write, header write or close has failed since Open.
  bool AllWritesSucceeded() const { return m_AllWritten; }

 private:
  FILE* m_File = nullptr;
  bool m_AllWritten = true;
};

class tWaveFileOutput : public tSoundOutput {
 public:
  tWaveFileOutput();
  ~tWaveFileOutput() override;

  // Sets the format, then resizes the page.
  void SetFormat(const WAVEFORMATEX& format) override;
  // Finishes any file, frees the page, forgets the name, detaches the source.
  void Close() override;
  // Finishes any file still open, then creates the file under the kept name.
  bool Start() override;
  // Finishes the file: writes the header with the sizes and closes it.
  void Stop() override;

  // The device has no controls of its own.
  bool SetPitch(double pitch) override;
  double GetPitch() override;
  bool SetVolume(double volume) override;
  double GetVolume() override;
  bool SetBalance(double balance) override;
  double GetBalance() override;

  // Closes, keeps the name (desk path), sets the default format if none is
  // set and sizes the page. Nothing is created on disk yet.
  void Open(const std::string& path);
  // Renders and appends every whole page up to timeMs since Start.
  void Advance(uint32_t timeMs);

  // True when every page and the header of the last file were written and
  // the file was closed cleanly (and when no file was written at all).
  bool WriteSucceeded() const { return m_WriteOk; }
  uint32_t PageBytes() const { return m_PageBytes; }
  uint32_t TimeMs() const { return m_TimeMs; }
  const std::string& FileName() const { return m_FileName; }

 private:
  void Resize();

  tWaveWriter m_Writer;
  uint32_t m_TimeMs = 0;
  uint32_t m_PageMs = 20;
  std::unique_ptr<uint8_t[]> m_pPage;
  uint32_t m_PageBytes = 0;
  std::string m_FileName;
  bool m_WriteOk = true;
};
