#include "platform/display.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/hostfs.h"

namespace platform {

struct ScreenAccess {
  static void MarkScreen(Image& image) { image.m_IsScreen = true; }
  static const uint8_t* Row(const Image& image, int32_t y) {
    return static_cast<const uint8_t*>(image.m_Surface->pixels) + y * image.m_Surface->pitch;
  }
};

void Image::SurfaceFree::operator()(SDL_Surface* surface) const {
  SDL_FreeSurface(surface);
}

namespace {

// Owns an SDL object: Free is the SDL function that releases it.
template <auto Free>
struct SdlFree {
  template <typename T>
  void operator()(T* object) const {
    Free(object);
  }
};
template <typename T, auto Free>
using SdlPtr = std::unique_ptr<T, SdlFree<Free>>;
using PalettePtr = SdlPtr<SDL_Palette, SDL_FreePalette>;
using WindowPtr = SdlPtr<SDL_Window, SDL_DestroyWindow>;
using RendererPtr = SdlPtr<SDL_Renderer, SDL_DestroyRenderer>;
using TexturePtr = SdlPtr<SDL_Texture, SDL_DestroyTexture>;
using CursorPtr = SdlPtr<SDL_Cursor, SDL_FreeCursor>;
using SurfacePtr = SdlPtr<SDL_Surface, SDL_FreeSurface>;

tCriticalSection g_DisplayLock;
PalettePtr g_Palette;  // one object for the whole process
bool g_VideoStarted = false;
WindowPtr g_Window;
RendererPtr g_Renderer;
TexturePtr g_Texture;
std::unique_ptr<Image> g_Screen;
int32_t g_ModeWidth = 0;
int32_t g_ModeHeight = 0;
bool g_Fullscreen = true;
int g_ModeChanges = 0;
// Something the window shows changed: the screen, the palette, the overlay,
// or the window lost its picture.
std::atomic<bool> g_ScreenChanged{false};
uint64_t g_NextRefreshMs = 0;
int g_RefreshMs = 1000 / 60;

// The overlay: pixels set by any thread, uploaded into its texture by the
// main thread when presenting. Its own leaf lock, never held with another.
struct Overlay {
  std::mutex lock;
  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
  PixelRect where;
  bool shown = false;
  bool fresh = false;  // pixels not yet uploaded
};
Overlay g_Overlay;
TexturePtr g_OverlayTexture;
int32_t g_OverlayTextureWidth = 0;
int32_t g_OverlayTextureHeight = 0;

// Set on the desk's thread; read by whoever asks which pointer shows.
std::atomic<Pointer> g_Pointer{Pointer::kArrow};
CursorPtr g_ArrowCursor;
CursorPtr g_WaitCursor;

SDL_Palette* SharedPalette() {
  tLock lock(g_DisplayLock);
  if (g_Palette == nullptr) {
    g_Palette.reset(SDL_AllocPalette(256));
    if (g_Palette == nullptr) return nullptr;
    Rgb start[256];
    StartupPalette(start);
    SetPalette(start, 256);
  }
  return g_Palette.get();
}

bool Inside(const PixelRect& r, int32_t width, int32_t height) {
  return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height && r.left < r.right &&
         r.top < r.bottom;
}

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data) {
  FILE* f = OpenStream(path, "rb");
  if (f == nullptr) return false;
  data.clear();
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
  std::fclose(f);
  return true;
}

}  // namespace

// ---- palette ----

void StartupPalette(Rgb out[256]) {
  for (int i = 0; i < 256; ++i) {
    out[i].red = static_cast<uint8_t>(((i >> 5) & 7) * 255 / 7);
    out[i].green = static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7);
    out[i].blue = static_cast<uint8_t>((i & 3) * 255 / 3);
  }
}

bool PaletteReady() {
  return SharedPalette() != nullptr;
}

bool SetPalette(const Rgb* entries, int count) {
  if (count < 0 || count > 256) return false;
  tLock lock(g_DisplayLock);
  SDL_Palette* palette = g_Palette != nullptr ? g_Palette.get() : SharedPalette();
  if (palette == nullptr) return false;
  SDL_Color colours[256];
  for (int i = 0; i < count; ++i)
    colours[i] = SDL_Color{entries[i].red, entries[i].green, entries[i].blue, 255};
  if (count > 0 && SDL_SetPaletteColors(palette, colours, 0, count) != 0) return false;
  g_ScreenChanged = true;
  return true;
}

void GetPalette(Rgb out[256]) {
  tLock lock(g_DisplayLock);
  SDL_Palette* palette = SharedPalette();
  for (int i = 0; i < 256; ++i) {
    if (palette == nullptr) {
      out[i] = Rgb{};
      continue;
    }
    out[i] = Rgb{palette->colors[i].r, palette->colors[i].g, palette->colors[i].b};
  }
}

int NearestPaletteIndex(const Rgb& colour) {
  tLock lock(g_DisplayLock);
  SDL_Palette* palette = SharedPalette();
  if (palette == nullptr) return 0;
  int best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; i < palette->ncolors; ++i) {
    int dr = palette->colors[i].r - colour.red;
    int dg = palette->colors[i].g - colour.green;
    int db = palette->colors[i].b - colour.blue;
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {  // strict: the first index wins a tie
      best = i;
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  return best;
}

// ---- images ----

Image::~Image() {
  Release();
}

void Image::Release() {
  tLock lock(g_DisplayLock);
  m_Surface.reset();
  m_ColourKey = -1;
}

int32_t Image::Width() const {
  return m_Surface != nullptr ? m_Surface->w : 0;
}
int32_t Image::Height() const {
  return m_Surface != nullptr ? m_Surface->h : 0;
}

bool Image::Create(int32_t width, int32_t height) {
  Release();
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
  SDL_Palette* palette = SharedPalette();
  if (palette == nullptr) return false;
  std::unique_ptr<SDL_Surface, SurfaceFree> surface(
      SDL_CreateRGBSurfaceWithFormat(0, width, height, 8, SDL_PIXELFORMAT_INDEX8));
  if (surface == nullptr) return false;
  // A new 8-bit surface comes with a palette of its own; blits between
  // surfaces whose palettes differ remap indices, so every image points at
  // the one shared palette instead.
  if (SDL_SetSurfacePalette(surface.get(), palette) != 0) return false;
  for (int y = 0; y < height; ++y)
    std::memset(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch, 0,
                static_cast<size_t>(width));
  tLock lock(g_DisplayLock);
  m_Surface = std::move(surface);
  return true;
}

Image::LoadStatus Image::LoadBmp(const std::string& path) {
  Release();
  std::vector<uint8_t> data;
  if (!ReadWholeFile(path, data) || data.size() < 54 || data[0] != 'B' || data[1] != 'M')
    return LoadStatus::kUnreadable;
  // Refuse sizes no image may have before the loader allocates for them: a
  // run-length coded file declares any size in a few bytes.
  const uint32_t infoSize = Le32(&data[14]);
  int64_t width = 0;
  int64_t height = 0;
  int bitCount = 0;
  if (infoSize == 12) {  // the oldest header: unsigned 16-bit sides
    width = data[18] | data[19] << 8;
    height = data[20] | data[21] << 8;
    bitCount = data[24] | data[25] << 8;
  } else if (infoSize >= 40) {
    width = static_cast<int32_t>(Le32(&data[18]));
    height = static_cast<int32_t>(Le32(&data[22]));  // negative: rows stored top-down
    bitCount = data[28] | data[29] << 8;
  } else {
    return LoadStatus::kUnreadable;
  }
  if (width <= 0 || height == 0) return LoadStatus::kUnreadable;
  if (width > kMaxImageSide || height < -kMaxImageSide || height > kMaxImageSide)
    return LoadStatus::kNoImage;
  SDL_RWops* rw = SDL_RWFromConstMem(data.data(), static_cast<int>(data.size()));
  if (rw == nullptr) return LoadStatus::kUnreadable;
  const SurfacePtr loaded(SDL_LoadBMP_RW(rw, 1));  // frees rw
  if (loaded == nullptr) return LoadStatus::kUnreadable;
  bool ok = Create(loaded->w, loaded->h);
  if (ok && bitCount == 8 && loaded->format->BitsPerPixel == 8) {
    // Indices as stored: the shared palette takes the file's colour table.
    for (int y = 0; y < loaded->h; ++y)
      std::memcpy(static_cast<uint8_t*>(m_Surface->pixels) + y * m_Surface->pitch,
                  static_cast<const uint8_t*>(loaded->pixels) + y * loaded->pitch,
                  static_cast<size_t>(loaded->w));
  } else if (ok) {
    const SurfacePtr rgb(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGB888, 0));
    ok = rgb != nullptr;
    if (ok) {
      std::unordered_map<uint32_t, uint8_t> nearest;
      for (int y = 0; y < rgb->h; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(rgb->pixels) + static_cast<ptrdiff_t>(y) * rgb->pitch);
        uint8_t* out = static_cast<uint8_t*>(m_Surface->pixels) + y * m_Surface->pitch;
        for (int x = 0; x < rgb->w; ++x) {
          uint32_t c = row[x] & 0xFFFFFF;
          auto it = nearest.find(c);
          if (it == nearest.end()) {
            Rgb colour{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                       static_cast<uint8_t>(c)};
            it = nearest.emplace(c, static_cast<uint8_t>(NearestPaletteIndex(colour))).first;
          }
          out[x] = it->second;
        }
      }
    }
  }
  if (ok) return LoadStatus::kOk;
  // The file was read; what failed is making or filling the image.
  Release();
  return LoadStatus::kNoImage;
}

uint8_t Image::PixelAt(int32_t x, int32_t y) const {
  tLock lock(g_DisplayLock);
  if (m_Surface == nullptr || x < 0 || y < 0 || x >= m_Surface->w || y >= m_Surface->h) return 0;
  return static_cast<const uint8_t*>(m_Surface->pixels)[y * m_Surface->pitch + x];
}

void Image::SetPixel(int32_t x, int32_t y, uint8_t index) {
  tLock lock(g_DisplayLock);
  if (m_Surface == nullptr || x < 0 || y < 0 || x >= m_Surface->w || y >= m_Surface->h) return;
  static_cast<uint8_t*>(m_Surface->pixels)[y * m_Surface->pitch + x] = index;
  if (m_IsScreen) g_ScreenChanged = true;
}

std::vector<uint8_t> Image::Pixels() const {
  tLock lock(g_DisplayLock);
  std::vector<uint8_t> out;
  if (m_Surface == nullptr) return out;
  out.resize(static_cast<size_t>(m_Surface->w) * static_cast<size_t>(m_Surface->h));
  for (int y = 0; y < m_Surface->h; ++y)
    std::memcpy(out.data() + static_cast<size_t>(y) * static_cast<size_t>(m_Surface->w),
                static_cast<const uint8_t*>(m_Surface->pixels) + y * m_Surface->pitch,
                static_cast<size_t>(m_Surface->w));
  return out;
}

void Image::SetColourKey(int index) {
  tLock lock(g_DisplayLock);
  m_ColourKey = (index >= 0 && index < 256) ? index : -1;
}

BlitStatus Image::Blit(const Image& from, const PixelRect& src, const PixelRect& dst, bool keyed) {
  tLock lock(g_DisplayLock);
  if (m_Surface == nullptr || from.m_Surface == nullptr) return BlitStatus::kNoImage;
  if (!Inside(src, from.Width(), from.Height()) || !Inside(dst, Width(), Height()))
    return BlitStatus::kOutside;
  if (src.Width() != dst.Width() || src.Height() != dst.Height()) return BlitStatus::kSizesDiffer;
  // Without a key a keyed copy has nothing to leave out.
  if (keyed && from.m_ColourKey >= 0)
    SDL_SetColorKey(from.m_Surface.get(), SDL_TRUE, static_cast<Uint32>(from.m_ColourKey));
  else
    SDL_SetColorKey(from.m_Surface.get(), SDL_FALSE, 0);
  SDL_Rect s{src.left, src.top, src.Width(), src.Height()};
  SDL_Rect d{dst.left, dst.top, dst.Width(), dst.Height()};
  if (SDL_LowerBlit(from.m_Surface.get(), &s, m_Surface.get(), &d) != 0) return BlitStatus::kFailed;
  if (m_IsScreen) g_ScreenChanged = true;
  return BlitStatus::kOk;
}

BlitStatus Image::Fill(const PixelRect& rect, uint8_t index) {
  tLock lock(g_DisplayLock);
  if (m_Surface == nullptr) return BlitStatus::kNoImage;
  if (!Inside(rect, Width(), Height())) return BlitStatus::kOutside;
  SDL_Rect r{rect.left, rect.top, rect.Width(), rect.Height()};
  if (SDL_FillRect(m_Surface.get(), &r, index) != 0) return BlitStatus::kFailed;
  if (m_IsScreen) g_ScreenChanged = true;
  return BlitStatus::kOk;
}

// ---- the screen ----

namespace {

int RefreshIntervalMs() {
  SDL_DisplayMode mode;
  int index = g_Window != nullptr ? SDL_GetWindowDisplayIndex(g_Window.get()) : 0;
  if (index >= 0 && SDL_GetDesktopDisplayMode(index, &mode) == 0 && mode.refresh_rate > 0)
    return 1000 / mode.refresh_rate;
  return 1000 / 60;
}

// Puts the chosen pointer on the window; needs video.
void ApplyPointer() {
  if (!g_VideoStarted) return;
  if (g_Pointer == Pointer::kHidden) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  CursorPtr& cursor = g_Pointer == Pointer::kWait ? g_WaitCursor : g_ArrowCursor;
  if (cursor == nullptr)
    cursor.reset(SDL_CreateSystemCursor(g_Pointer == Pointer::kWait ? SDL_SYSTEM_CURSOR_WAIT
                                                                    : SDL_SYSTEM_CURSOR_ARROW));
  // Drivers without system cursors keep the default one.
  SDL_SetCursor(cursor != nullptr ? cursor.get() : SDL_GetDefaultCursor());
  SDL_ShowCursor(SDL_ENABLE);
}

}  // namespace

DisplayStatus OpenDisplay(const DisplayOptions& options) {
  if (g_Window != nullptr) return DisplayStatus::kOk;
  if (!g_VideoStarted) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return DisplayStatus::kNoVideo;
    g_VideoStarted = true;
    // Video starts with text input on; the input service turns it on when a
    // text field wants it.
    SDL_StopTextInput();
  }
  g_Fullscreen = options.fullscreen;
  Uint32 flags = options.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE;
  g_Window.reset(SDL_CreateWindow(options.title != nullptr ? options.title : "",
                                  SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600, flags));
  if (g_Window == nullptr) return DisplayStatus::kNoWindow;
  if (!options.fullscreen) SDL_SetWindowMinimumSize(g_Window.get(), 320, 240);
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  g_Renderer.reset(SDL_CreateRenderer(g_Window.get(), -1, 0));
  if (g_Renderer == nullptr)
    g_Renderer.reset(SDL_CreateRenderer(g_Window.get(), -1, SDL_RENDERER_SOFTWARE));
  if (g_Renderer == nullptr) {
    g_Window.reset();
    return DisplayStatus::kNoWindow;
  }
  // A performance must not be interrupted by the screen saver.
  SDL_DisableScreenSaver();
  g_ModeWidth = 0;
  g_ModeHeight = 0;
  g_RefreshMs = RefreshIntervalMs();
  g_NextRefreshMs = 0;
  ApplyPointer();
  return DisplayStatus::kOk;
}

bool DisplayOpen() {
  return g_Window != nullptr;
}

bool SetDisplayMode(int32_t width, int32_t height) {
  if (g_Renderer == nullptr || width <= 0 || height <= 0 || width > Image::kMaxImageSide ||
      height > Image::kMaxImageSide)
    return false;
  if (!g_Fullscreen) SDL_SetWindowSize(g_Window.get(), width, height);
  g_ModeWidth = width;
  g_ModeHeight = height;
  ++g_ModeChanges;
  if (g_Screen != nullptr) return CreateScreen();
  return true;
}

int DisplayModeChanges() {
  return g_ModeChanges;
}

bool DisplayModeSize(int32_t& width, int32_t& height) {
  if (g_ModeWidth <= 0) return false;
  width = g_ModeWidth;
  height = g_ModeHeight;
  return true;
}

uint32_t DisplayWindowId() {
  return g_Window != nullptr ? SDL_GetWindowID(g_Window.get()) : 0;
}

namespace {

// The picture's place in an output of width by height pixels: as large as
// fits with the mode's proportions, centred, black borders around it. Exact
// integers, so that drawing and pointing agree to the pixel.
SDL_Rect PictureRect(int width, int height) {
  const int64_t mw = g_ModeWidth;
  const int64_t mh = g_ModeHeight;
  SDL_Rect r{0, 0, width, height};
  if (mw <= 0 || mh <= 0 || width <= 0 || height <= 0) return r;
  if (int64_t{width} * mh <= int64_t{height} * mw) {
    r.h = static_cast<int>(int64_t{width} * mh / mw);  // bars above and below
    r.y = (height - r.h) / 2;
  } else {
    r.w = static_cast<int>(int64_t{height} * mw / mh);  // bars left and right
    r.x = (width - r.w) / 2;
  }
  return r;
}

// a * b / c rounded down, also for negative a.
int64_t FloorMulDiv(int64_t a, int64_t b, int64_t c) {
  const int64_t n = a * b;
  return n >= 0 ? n / c : -((-n + c - 1) / c);
}

}  // namespace

bool WindowToScreen(int32_t windowX, int32_t windowY, int32_t& x, int32_t& y) {
  if (g_Renderer == nullptr || g_ModeWidth <= 0) return false;
  int ww = 0, wh = 0, ow = 0, oh = 0;
  SDL_GetWindowSize(g_Window.get(), &ww, &wh);
  if (SDL_GetRendererOutputSize(g_Renderer.get(), &ow, &oh) != 0 || ww <= 0 || wh <= 0 || ow <= 0 ||
      oh <= 0)
    return false;
  const SDL_Rect pic = PictureRect(ow, oh);
  // The output pixel under the window position (they differ on high-density
  // screens), then the screen pixel drawn there: the one whose span holds the
  // output pixel's centre, as nearest-pixel scaling draws it; a centre on the
  // edge between two pixels belongs to the left or upper one, as the
  // scaler's rounding gives it.
  const int64_t ox = FloorMulDiv(windowX, ow, ww);
  const int64_t oy = FloorMulDiv(windowY, oh, wh);
  auto pixel = [](int64_t offset, int64_t screenSide, int64_t pictureSide) {
    return static_cast<int32_t>(FloorMulDiv((2 * offset + 1) * screenSide - 1, 1, 2 * pictureSide));
  };
  x = pixel(ox - pic.x, g_ModeWidth, pic.w);
  y = pixel(oy - pic.y, g_ModeHeight, pic.h);
  return true;
}

bool CreateScreen() {
  if (g_Renderer == nullptr || g_ModeWidth <= 0) return false;
  g_Texture.reset();
  g_Texture.reset(SDL_CreateTexture(g_Renderer.get(), SDL_PIXELFORMAT_ARGB8888,
                                    SDL_TEXTUREACCESS_STREAMING, g_ModeWidth, g_ModeHeight));
  if (g_Texture == nullptr) return false;
  tLock lock(g_DisplayLock);
  if (g_Screen == nullptr) g_Screen = std::make_unique<Image>();
  if (!g_Screen->Create(g_ModeWidth, g_ModeHeight)) return false;
  ScreenAccess::MarkScreen(*g_Screen);
  g_ScreenChanged = true;
  return true;
}

Image* Screen() {
  return (g_Screen != nullptr && !g_Screen->Empty()) ? g_Screen.get() : nullptr;
}

tCriticalSection& DisplayLock() {
  return g_DisplayLock;
}

void CloseDisplay() {
  {
    tLock lock(g_DisplayLock);
    g_Screen.reset();
  }
  // Textures belong to the renderer and the renderer to the window; cursors
  // belong to video: all of them go before video stops.
  g_Texture.reset();
  g_OverlayTexture.reset();
  g_OverlayTextureWidth = 0;
  g_OverlayTextureHeight = 0;
  g_ArrowCursor.reset();
  g_WaitCursor.reset();
  g_Renderer.reset();
  g_Window.reset();
  if (g_VideoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  g_VideoStarted = false;
  g_ModeWidth = 0;
  g_ModeHeight = 0;
}

// ---- presenting ----

namespace {

// Uploads fresh overlay pixels and draws the overlay over the screen, whose
// picture lies at pic in the output. Main thread, renderer ready.
void RenderOverlay(const SDL_Rect& pic) {
  std::lock_guard<std::mutex> lock(g_Overlay.lock);
  if (!g_Overlay.shown) return;
  if (g_Overlay.fresh) {
    if (g_OverlayTexture == nullptr || g_OverlayTextureWidth != g_Overlay.width ||
        g_OverlayTextureHeight != g_Overlay.height) {
      g_OverlayTexture.reset();
      g_OverlayTexture.reset(SDL_CreateTexture(g_Renderer.get(), SDL_PIXELFORMAT_RGB888,
                                               SDL_TEXTUREACCESS_STREAMING, g_Overlay.width,
                                               g_Overlay.height));
      g_OverlayTextureWidth = g_OverlayTexture != nullptr ? g_Overlay.width : 0;
      g_OverlayTextureHeight = g_OverlayTexture != nullptr ? g_Overlay.height : 0;
    }
    if (g_OverlayTexture == nullptr) return;
    SDL_UpdateTexture(g_OverlayTexture.get(), nullptr, g_Overlay.pixels.data(),
                      g_Overlay.width * static_cast<int>(sizeof(uint32_t)));
    g_Overlay.fresh = false;
  }
  if (g_OverlayTexture == nullptr) return;
  // Screen rectangle to output pixels, edges mapped alike so that
  // neighbouring rectangles meet without a gap.
  const PixelRect& r = g_Overlay.where;
  const int left = pic.x + static_cast<int>(FloorMulDiv(r.left, pic.w, g_ModeWidth));
  const int right = pic.x + static_cast<int>(FloorMulDiv(r.right, pic.w, g_ModeWidth));
  const int top = pic.y + static_cast<int>(FloorMulDiv(r.top, pic.h, g_ModeHeight));
  const int bottom = pic.y + static_cast<int>(FloorMulDiv(r.bottom, pic.h, g_ModeHeight));
  SDL_Rect dst{left, top, right - left, bottom - top};
  SDL_RenderCopy(g_Renderer.get(), g_OverlayTexture.get(), nullptr, &dst);
}

// Turns the indexed screen into the texture's colours and draws it into the
// renderer (letterboxed by the logical size), with the overlay on top. False
// when nothing is set up.
bool RenderScreen() {
  if (g_Renderer == nullptr || g_Texture == nullptr || g_Screen == nullptr || g_Screen->Empty())
    return false;
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(g_Texture.get(), nullptr, &pixels, &pitch) != 0) return false;
  {
    tLock lock(g_DisplayLock);
    uint32_t lookup[256];
    for (int i = 0; i < 256; ++i) {
      const SDL_Color& c = g_Palette->colors[i];
      lookup[i] =
          0xFF000000u | static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b;
    }
    const int32_t w = g_Screen->Width();
    for (int32_t y = 0; y < g_Screen->Height(); ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) +
                                                  static_cast<ptrdiff_t>(y) * pitch);
      const uint8_t* in = ScreenAccess::Row(*g_Screen, y);
      for (int32_t x = 0; x < w; ++x) row[x] = lookup[in[x]];
    }
    g_ScreenChanged = false;
  }
  SDL_UnlockTexture(g_Texture.get());
  int ow = 0, oh = 0;
  if (SDL_GetRendererOutputSize(g_Renderer.get(), &ow, &oh) != 0) return false;
  const SDL_Rect pic = PictureRect(ow, oh);
  SDL_SetRenderDrawColor(g_Renderer.get(), 0, 0, 0, 255);
  SDL_RenderClear(g_Renderer.get());
  SDL_RenderCopy(g_Renderer.get(), g_Texture.get(), nullptr, &pic);
  RenderOverlay(pic);
  return true;
}

}  // namespace

int32_t MsUntilNextPresent() {
  const uint64_t now = MonotonicMs();
  return now >= g_NextRefreshMs ? 0 : static_cast<int32_t>(g_NextRefreshMs - now);
}

bool PresentNow() {
  if (!RenderScreen()) return false;
  SDL_RenderPresent(g_Renderer.get());
  g_NextRefreshMs = MonotonicMs() + static_cast<uint64_t>(g_RefreshMs);
  return true;
}

bool PresentIfDue() {
  const uint64_t now = MonotonicMs();
  if (now < g_NextRefreshMs) return false;
  // Keep the cadence; after a long stall start afresh instead of catching up.
  const uint64_t interval = static_cast<uint64_t>(g_RefreshMs);
  g_NextRefreshMs = now - g_NextRefreshMs < interval ? g_NextRefreshMs + interval : now + interval;
  if (!g_ScreenChanged) return false;
  if (!RenderScreen()) return false;
  SDL_RenderPresent(g_Renderer.get());
  // A present that took longer than a refresh does not make the next one
  // due at once: the loop still sleeps between presents.
  const uint64_t done = MonotonicMs();
  if (g_NextRefreshMs <= done) g_NextRefreshMs = done + interval;
  return true;
}

void RefreshWindow() {
  g_ScreenChanged = true;
}

bool CaptureWindow(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) {
  if (!RenderScreen()) return false;
  int w = 0;
  int h = 0;
  if (SDL_GetRendererOutputSize(g_Renderer.get(), &w, &h) != 0 || w <= 0 || h <= 0) return false;
  rgb.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, 0);
  bool ok = SDL_RenderReadPixels(g_Renderer.get(), nullptr, SDL_PIXELFORMAT_RGB24, rgb.data(),
                                 w * 3) == 0;
  SDL_RenderPresent(g_Renderer.get());
  g_NextRefreshMs = MonotonicMs() + static_cast<uint64_t>(g_RefreshMs);
  width = w;
  height = h;
  return ok;
}

void PumpWindowEvents() {
  if (g_VideoStarted) SDL_PumpEvents();
}

// ---- the overlay ----

bool ShowOverlay(const uint32_t* pixels, int32_t width, int32_t height, const PixelRect& where) {
  if (pixels == nullptr || width <= 0 || height <= 0 || width > Image::kMaxImageSide ||
      height > Image::kMaxImageSide || where.Width() <= 0 || where.Height() <= 0 ||
      where.Width() > Image::kMaxImageSide || where.Height() > Image::kMaxImageSide)
    return false;
  {
    std::lock_guard<std::mutex> lock(g_Overlay.lock);
    // The buffer keeps its capacity, so a video's frames allocate nothing.
    g_Overlay.pixels.assign(pixels,
                            pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
    g_Overlay.width = width;
    g_Overlay.height = height;
    g_Overlay.where = where;
    g_Overlay.shown = true;
    g_Overlay.fresh = true;
  }
  g_ScreenChanged = true;
  return true;
}

void ClearOverlay() {
  {
    std::lock_guard<std::mutex> lock(g_Overlay.lock);
    if (!g_Overlay.shown) return;
    g_Overlay.shown = false;
  }
  g_ScreenChanged = true;
}

bool OverlayShown() {
  std::lock_guard<std::mutex> lock(g_Overlay.lock);
  return g_Overlay.shown;
}

// ---- the pointer ----

Pointer SetPointer(Pointer pointer) {
  const Pointer before = g_Pointer.exchange(pointer);
  ApplyPointer();
  return before;
}

Pointer CurrentPointer() {
  return g_Pointer;
}

// ---- message boxes ----

BoxChoice ShowMessageBox(const std::string& title, const std::string& text, BoxButtons buttons,
                         BoxIcon icon) {
  const std::string utf8Title = Cp1252ToUtf8(title);
  const std::string utf8Text = Cp1252ToUtf8(text);
  // Return picks the first button, Escape the last: Yes and No, or OK alone.
  SDL_MessageBoxButtonData choices[2];
  int count = 0;
  if (buttons == BoxButtons::kYesNo) {
    choices[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, static_cast<int>(BoxChoice::kYes),
                  "Yes"};
    choices[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, static_cast<int>(BoxChoice::kNo), "No"};
    count = 2;
  } else {
    choices[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                  static_cast<int>(BoxChoice::kOk), "OK"};
    count = 1;
  }
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  if (icon == BoxIcon::kWarning) flags = SDL_MESSAGEBOX_WARNING;
  if (icon == BoxIcon::kError) flags = SDL_MESSAGEBOX_ERROR;
  flags |= SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  SDL_MessageBoxData data{};
  data.flags = flags;
  data.window = g_Window.get();
  data.title = utf8Title.c_str();
  data.message = utf8Text.c_str();
  data.numbuttons = count;
  data.buttons = choices;
  int chosen = -1;
  if (SDL_ShowMessageBox(&data, &chosen) != 0 || chosen < 0) return BoxChoice::kNone;
  return static_cast<BoxChoice>(chosen);
}

}  // namespace platform
