#pragma once
// A RIFF chunk reader over a stdio stream: descend into the first RIFF chunk
// of a form type, find a chunk inside it by id (skipping every other chunk
// and the pad byte after an odd-sized one), read its bytes.
#include <cstdint>
#include <cstdio>

class tRiffReader {
 public:
  struct Chunk {
    uint64_t offset = 0;  // file offset of the chunk's data
    uint32_t size = 0;    // size field of the chunk header
  };

  explicit tRiffReader(FILE* file);

  // Finds the first top-level "RIFF" chunk whose form type is form (four
  // characters). False when there is none.
  bool DescendRiff(const char* form);
  // Finds the first chunk with id inside the RIFF chunk. Positions the
  // stream at its data.
  bool FindChunk(const char* id, Chunk& chunk);
  // Bytes of the file from offset on, 0 past its end.
  uint64_t Available(uint64_t offset) const;
  bool Seek(uint64_t offset);
  // Reads up to count bytes at the current position; returns how many came.
  size_t Read(void* buffer, size_t count);

 private:
  bool ReadHeader(uint64_t offset, char id[4], uint32_t& size);

  FILE* m_File;
  uint64_t m_FileSize = 0;
  uint64_t m_BodyStart = 0;  // first sub-chunk of the RIFF chunk
  uint64_t m_BodyEnd = 0;    // end of the RIFF chunk, within the file
};
