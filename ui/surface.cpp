#include "ui/surface.h"

#include <cstdio>
#include <string>

#include "platform/hostfs.h"

tSurface::~tSurface() {
  Release();
}

void tSurface::Release() {
  m_Image.Release();
  m_Width = 0;
  m_Height = 0;
}

bool tSurface::Load(const char* path) {
  Release();
  using Status = platform::Image::LoadStatus;
  const Status status = path != nullptr ? m_Image.LoadBmp(path) : Status::kUnreadable;
  if (status == Status::kNoImage) throw tError("Can not create secundary surface.");
  if (status != Status::kOk) throw tError("Failed to load %s\n", path != nullptr ? path : "");
  LoadPaletteFromBitmap(path);
  m_Width = m_Image.Width();
  m_Height = m_Image.Height();
  return true;
}

bool tSurface::Create(int32_t width, int32_t height) {
  Release();
  if (!m_Image.Create(width, height)) return false;
  m_Width = width;
  m_Height = height;
  return true;
}

bool tSurface::SetColourKey(tColour colour) {
  if (m_Image.Empty()) return false;
  int index;
  if (colour == kInvalidColour) {
    index = m_Image.PixelAt(0, 0);
  } else {
    platform::Rgb rgb{static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                      static_cast<uint8_t>(colour >> 16)};
    index = platform::NearestPaletteIndex(rgb);
  }
  m_Image.SetColourKey(index);
  return true;
}

void tSurface::Copy(const tRect& src, const tRect& dst, tSurface* target, bool keyed) {
  platform::Image* to = target != nullptr ? &target->m_Image : platform::Screen();
  platform::BlitStatus status = platform::BlitStatus::kNoImage;
  if (to != nullptr) status = to->Blit(m_Image, src, dst, keyed);
  if (status != platform::BlitStatus::kOk) throw tError("%s", BlitErrorText(status));
}

void tSurface::Draw(int32_t x, int32_t y, tSurface* target) {
  Copy(tRect{0, 0, m_Width, m_Height}, tRect{x, y, x + m_Width, y + m_Height}, target, false);
}

void tSurface::DrawKeyed(int32_t x, int32_t y, tSurface* target) {
  Copy(tRect{0, 0, m_Width, m_Height}, tRect{x, y, x + m_Width, y + m_Height}, target, true);
}

void tSurface::Blit(const tRect& src, const tRect& dst, tSurface* target) {
  Copy(src, dst, target, false);
}

void tSurface::BlitKeyed(const tRect& src, const tRect& dst, tSurface* target) {
  Copy(src, dst, target, true);
}

void tSurface::SaveBack(const tRect& screenRect, const tRect& ownRect) {
  platform::Image* screen = platform::Screen();
  if (screen == nullptr ||
      m_Image.Blit(*screen, screenRect, ownRect, false) != platform::BlitStatus::kOk)
    throw tError("Save back failed (reading from primary buffer).");
}

const char* BlitErrorText(platform::BlitStatus status) {
  using platform::BlitStatus;
  switch (status) {
    case BlitStatus::kOk:
      return "";
    case BlitStatus::kNoImage:
      return "Invalid object";
    case BlitStatus::kOutside:
      return "Invalid rect";
    case BlitStatus::kSizesDiffer:
      return "No stretch hw";
    case BlitStatus::kFailed:
      return "Generic error";
  }
  return "Unknown error";
}

// ---- the screen ----

bool CreateScreen(const platform::DisplayOptions& options, int32_t width, int32_t height,
                  int32_t bits) {
  switch (platform::OpenDisplay(options)) {
    case platform::DisplayStatus::kOk:
      break;
    case platform::DisplayStatus::kNoVideo:
      throw tSurface::tError("Can not create direct draw object");
    case platform::DisplayStatus::kNoWindow:
      throw tSurface::tError("DDraw - Failed to set cooperative level");
  }
  if (!SetDisplayMode(width, height, bits)) throw tSurface::tError("Can not set display mode");
  if (!platform::CreateScreen()) throw tSurface::tError("Can not create primary surface");
  if (!platform::PaletteReady()) throw tSurface::tError("Can not create palette");
  platform::Rgb start[256];
  platform::StartupPalette(start);
  if (!platform::SetPalette(start, 256)) throw tSurface::tError("Can not set palette entries");
  return true;
}

bool SetDisplayMode(int32_t width, int32_t height, int32_t bits) {
  if (!platform::DisplayOpen() || bits != 8) return false;
  if (width == 640 && height == 480) return platform::SetDisplayMode(640, 480);
  if (width == 800 && height == 600)
    return platform::SetDisplayMode(640, 480) && platform::SetDisplayMode(800, 600);
  return false;
}

bool SetPalette(const tPaletteEntry* entries, int count) {
  if (entries == nullptr || count < 0 || count > 256) return false;
  platform::Rgb colours[256];
  platform::GetPalette(colours);
  for (int i = 0; i < count; ++i)
    colours[i] = platform::Rgb{entries[i].red, entries[i].green, entries[i].blue};
  return platform::SetPalette(colours, 256);
}

void ClearScreen() {
  platform::Image* screen = platform::Screen();
  if (screen == nullptr) return;
  tRect all{0, 0, std::min(800, screen->Width()), std::min(600, screen->Height())};
  screen->Fill(all, 0);
}

void ReleaseScreen() {
  platform::CloseDisplay();
}

bool ReadBitmapLayout(FILE* file, tBitmapLayout& layout) {
  uint8_t header[54];
  if (file == nullptr || std::fread(header, 1, sizeof header, file) != sizeof header ||
      header[0] != 'B' || header[1] != 'M')
    return false;
  auto le32 = [&](size_t at) {
    return static_cast<uint32_t>(header[at]) | static_cast<uint32_t>(header[at + 1]) << 8 |
           static_cast<uint32_t>(header[at + 2]) << 16 |
           static_cast<uint32_t>(header[at + 3]) << 24;
  };
  // Information headers of 40 bytes and more share their first 40 bytes;
  // only 8-bit files have a colour table of pixel indices (in others the same
  // bytes are pixels or masks).
  const uint32_t infoSize = le32(14);
  if (infoSize < 40 || infoSize > 0xFFFF || header[28] != 8 || header[29] != 0) return false;
  const uint32_t colours = le32(46);  // 0: all 256
  if (colours > 256) return false;
  layout.width = static_cast<int32_t>(le32(18));
  layout.height = static_cast<int32_t>(le32(22));
  layout.compression = le32(30);
  layout.tableOffset = 14 + infoSize;
  layout.tableEntries = colours == 0 ? 256 : static_cast<int32_t>(colours);
  layout.pixelOffset = le32(10);
  return true;
}

bool LoadPaletteFromBitmap(const char* path) {
  if (path == nullptr) return false;
  FILE* f = platform::OpenStream(path, "rb");
  if (f == nullptr) return false;
  tBitmapLayout layout;
  tPaletteEntry entries[256];
  size_t count = 0;
  if (ReadBitmapLayout(f, layout) &&
      std::fseek(f, static_cast<long>(layout.tableOffset), SEEK_SET) == 0)
    count = std::fread(entries, sizeof(tPaletteEntry), static_cast<size_t>(layout.tableEntries), f);
  std::fclose(f);
  if (count == 0) return false;
  return SetPalette(entries, static_cast<int>(count));
}
