#include "ui/sliders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/hostfs.h"

namespace {

bool Inside(int32_t px, int32_t py, int32_t x, int32_t y, int32_t w, int32_t h) {
  return px >= x && px < x + w && py >= y && py < y + h;
}

}  // namespace

// ---- hit mask ----

bool tMaskBitmap::Load(const char* path) {
  m_Pixels.clear();
  m_Width = 0;
  m_Height = 0;
  std::fill(std::begin(m_Table), std::end(m_Table), tPaletteEntry{});
  FILE* f = path != nullptr ? platform::OpenStream(path, "rb") : nullptr;
  if (f == nullptr) return false;
  tBitmapLayout layout;
  // Plain rows only: run-length coded rows would read as noise.
  bool ok = ReadBitmapLayout(f, layout) && layout.compression == 0;
  // A negative height means the rows are stored top-down.
  const bool topDown = layout.height < 0;
  const int64_t side = platform::Image::kMaxImageSide;
  const int64_t rows = topDown ? -static_cast<int64_t>(layout.height) : layout.height;
  const size_t entries = static_cast<size_t>(layout.tableEntries);
  ok = ok && layout.width > 0 && layout.width <= side && rows > 0 && rows <= side &&
       std::fseek(f, static_cast<long>(layout.tableOffset), SEEK_SET) == 0 &&
       std::fread(m_Table, sizeof(tPaletteEntry), entries, f) == entries;
  const int32_t width = ok ? layout.width : 0;
  const int32_t height = ok ? static_cast<int32_t>(rows) : 0;
  std::vector<uint8_t> pixels;
  if (ok) {
    // Each row is padded to a multiple of 4 bytes.
    const size_t stride = (static_cast<size_t>(width) + 3) & ~static_cast<size_t>(3);
    std::vector<uint8_t> row(stride);
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    ok = std::fseek(f, static_cast<long>(layout.pixelOffset), SEEK_SET) == 0;
    for (int32_t r = 0; ok && r < height; ++r) {
      ok = std::fread(row.data(), 1, stride, f) == stride;
      const int32_t y = topDown ? r : height - 1 - r;
      std::memcpy(pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width), row.data(),
                  static_cast<size_t>(width));
    }
  }
  std::fclose(f);
  if (!ok) return false;
  m_Pixels = std::move(pixels);
  m_Width = width;
  m_Height = height;
  return true;
}

bool tMaskBitmap::ColourAt(int32_t x, int32_t y, tPaletteEntry& colour) const {
  if (m_Pixels.empty() || x < 0 || y < 0 || x >= m_Width || y >= m_Height) return false;
  colour = m_Table[m_Pixels[static_cast<size_t>(y) * static_cast<size_t>(m_Width) +
                            static_cast<size_t>(x)]];
  return true;
}

bool tVolumeSliderArt::Load(const char* imagePath, const char* maskPath) {
  image.Load(imagePath);
  return mask.Load(maskPath);
}

// ---- volume slider ----

int32_t tVolumeSlider::LitCount(int32_t value) {
  if (value <= 0) return 0;
  if (value >= 100) return 11;
  return value * 11 / 100 + 1;
}

void tVolumeSlider::SetValue(int32_t value) {
  value = std::clamp(value, 0, 100);
  if (value == m_Value) return;
  m_Value = value;
  Draw();
}

std::optional<int32_t> tVolumeSlider::HitValue(int32_t px, int32_t py) const {
  if (m_pArt == nullptr) return std::nullopt;
  tPaletteEntry colour;
  if (!m_pArt->mask.ColourAt(px - m_X, py - m_Y, colour) || colour.red != 0 ||
      colour.green != 255 || colour.blue != 0)
    return std::nullopt;
  const int32_t half = m_pArt->image.Width() / 2;
  if (half <= 0) return std::nullopt;
  const int32_t segment = half / 11;
  return std::clamp(((px - m_X) + segment / 2) * 100 / half, 0, 100);
}

void tVolumeSlider::Draw() {
  ASSUME(m_pArt);
  if (m_pArt == nullptr) return;
  tSurface& image = m_pArt->image;
  const int32_t half = image.Width() / 2;
  const int32_t h = image.Height();
  const int32_t lit = LitCount(m_Value) * (half / 11);
  if (lit > 0) image.Blit(tRect{half, 0, half + lit, h}, tRect{m_X, m_Y, m_X + lit, m_Y + h});
  if (lit < half) image.Blit(tRect{lit, 0, half, h}, tRect{m_X + lit, m_Y, m_X + half, m_Y + h});
}

// ---- balance slider ----

int32_t tBalanceSlider::KnobPlace(int32_t value) {
  if (value == 0) return 5;
  if (value >= 100) return 10;
  if (value <= -100) return 0;
  return (value + 100) * 11 / 200;
}

void tBalanceSlider::SetValue(int32_t value) {
  value = std::clamp(value, -100, 100);
  if (value == m_Value) return;
  m_Value = value;
  Draw();
}

std::optional<int32_t> tBalanceSlider::HitValue(int32_t px, int32_t py) const {
  if (m_pImage == nullptr) return std::nullopt;
  const int32_t half = m_pImage->Width() / 2;
  if (half <= 0 || !Inside(px, py, m_X, m_Y, half, m_pImage->Height())) return std::nullopt;
  const int32_t knob = half / 11;
  return std::clamp(((px - m_X) + knob / 2) * 200 / half - 100, -100, 100);
}

void tBalanceSlider::Draw() {
  ASSUME(m_pImage);
  if (m_pImage == nullptr) return;
  const int32_t half = m_pImage->Width() / 2;
  const int32_t h = m_pImage->Height();
  const int32_t knob = half / 11;
  const int32_t place = KnobPlace(m_Value);
  const tRect area{m_X, m_Y, m_X + half, m_Y + h};
  if (m_pBackdrop != nullptr) m_pBackdrop->Blit(area, area);
  m_pImage->BlitKeyed(tRect{0, 0, half, h}, area);
  if (knob > 0) {
    const int32_t sx = half + place * knob;
    const int32_t dx = m_X + place * knob;
    m_pImage->BlitKeyed(tRect{sx, 0, sx + knob, h}, tRect{dx, m_Y, dx + knob, m_Y + h});
  }
}

// ---- pitch knob ----

int32_t tPitchKnob::FrameOf(int32_t value) {
  if (value == 0) return 5;
  if (value > 0) return (value - 1) / 4 + 6;
  return (value + 1) / 4 + 4;
}

void tPitchKnob::StepUp() {
  if (m_Value < 20) ++m_Value;
  Draw();
}

void tPitchKnob::StepDown() {
  if (m_Value > -20) --m_Value;
  Draw();
}

void tPitchKnob::Set(int32_t value, bool redraw) {
  m_Value = std::clamp(value, -20, 20);
  if (redraw) Draw();
}

bool tPitchKnob::Hit(int32_t px, int32_t py) {
  if (!m_Enabled || !Inside(px, py, m_X - 17, m_Y + 34, 60, 9)) return false;
  int32_t value = (px - (m_X - 17)) * 40 / 60 - 20;
  if (Inside(px, py, m_X + 8, m_Y + 31, 8, 13)) value = 0;
  m_Value = value;
  Draw();
  return true;
}

void tPitchKnob::Draw() {
  if (m_pFont != nullptr && m_Tempo) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", m_Tempo());
    m_pFont->DrawText(m_X, m_Y, text);
  }
  m_Knob.DrawFrame(FrameOf(m_Value), m_X - 20, m_Y + 31);
}
