#include "audio/riff_reader.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The next chunk header after a chunk of size at offset: header, data and
// the pad byte that keeps chunks on even offsets.
uint64_t NextChunk(uint64_t offset, uint32_t size) {
  return offset + 8 + size + (size & 1u);
}

}  // namespace

tRiffReader::tRiffReader(FILE* file) : m_File(file) {
  if (m_File && fseeko(m_File, 0, SEEK_END) == 0) {
    off_t end = ftello(m_File);
    if (end > 0) m_FileSize = static_cast<uint64_t>(end);
  }
  if (m_File) fseeko(m_File, 0, SEEK_SET);
}

bool tRiffReader::Seek(uint64_t offset) {
  return m_File && offset <= m_FileSize &&
         fseeko(m_File, static_cast<off_t>(offset), SEEK_SET) == 0;
}

size_t tRiffReader::Read(void* buffer, size_t count) {
  return m_File ? fread(buffer, 1, count, m_File) : 0;
}

uint64_t tRiffReader::Available(uint64_t offset) const {
  return offset < m_FileSize ? m_FileSize - offset : 0;
}

bool tRiffReader::ReadHeader(uint64_t offset, char id[4], uint32_t& size) {
  uint8_t header[8];
  if (!Seek(offset) || Read(header, 8) != 8) return false;
  std::memcpy(id, header, 4);
  size = Le32(header + 4);
  return true;
}

bool tRiffReader::DescendRiff(const char* form) {
  uint64_t offset = 0;
  while (offset + 12 <= m_FileSize) {
    char id[4];
    uint32_t size = 0;
    if (!ReadHeader(offset, id, size)) return false;
    if (std::memcmp(id, "RIFF", 4) == 0) {
      char type[4];
      if (Read(type, 4) != 4) return false;
      if (std::memcmp(type, form, 4) == 0) {
        m_BodyStart = offset + 12;
        // Writers that stream sometimes leave the RIFF size short or zero;
        // the chunk never ends before its form type nor after the file.
        m_BodyEnd = std::min(offset + 8 + std::max<uint64_t>(size, 4), m_FileSize);
        return true;
      }
    }
    offset = NextChunk(offset, size);
  }
  return false;
}

bool tRiffReader::FindChunk(const char* id, Chunk& chunk) {
  uint64_t offset = m_BodyStart;
  while (offset + 8 <= m_BodyEnd) {
    char found[4];
    uint32_t size = 0;
    if (!ReadHeader(offset, found, size)) return false;
    if (std::memcmp(found, id, 4) == 0) {
      chunk.offset = offset + 8;
      chunk.size = size;
      return true;
    }
    offset = NextChunk(offset, size);
  }
  return false;
}
