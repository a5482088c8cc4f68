#pragma once
// The display service: one window showing one 8-bit indexed screen image, and
// off-screen 8-bit images that share the screen's single 256-colour palette.
//
// Drawing goes straight into the screen image (there is no back buffer). The
// main thread presents the image: a palette lookup into a 32-bit texture that
// is scaled, letterboxed, into the window. One lock guards every image while
// it is drawn, because the tick thread draws too; the renderer itself is only
// touched by the main thread.
//
// Above the 8-bit screen lies one overlay: a true-colour picture that is
// drawn over a rectangle of the screen when presenting and never into the
// screen image (the intro video is shown through it).
//
// Rectangles are left, top, right, bottom with right and bottom exclusive.
// Nothing here clips: a rectangle that does not lie wholly inside its image
// is refused, so callers learn about it instead of losing pixels silently.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/lock.h"

struct SDL_Surface;

namespace platform {

struct PixelRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
};

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

// Why a rectangle copy was refused. The desk turns each into its own text.
enum class BlitStatus {
  kOk,
  kGeneric,
  kInvalidClipList,
  kInvalidObject,
  kInvalidParams,
  kInvalidRect,
  kNoAlpha,
  kNoBlitHardware,
  kNoClipList,
  kNoDropHardware,
  kNoMirrorHardware,
  kNoRopHardware,
  kNoRotationHardware,
  kNoStretchHardware,
  kNoZBufferHardware,
  kSurfaceBusy,
  kSurfaceLost,
  kNotSupported,
  kUnknown,
};

// An 8-bit indexed image that uses the shared palette. Empty until created
// or loaded.
class Image {
 public:
  // Neither side may be longer (so that no offset in an image overflows).
  static constexpr int32_t kMaxImageSide = 16384;

  Image() = default;
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  // A new image of the given size filled with index 0. False when a side is
  // not positive or longer than kMaxImageSide, or memory runs out (the image
  // is then empty).
  bool Create(int32_t width, int32_t height);
  // What loading a bitmap file came to.
  enum class LoadStatus {
    kOk,
    kUnreadable,  // no file, or not one that reads as a bitmap
    kNoImage,     // a bitmap, but an image of its size cannot be made
  };
  // Loads a Windows bitmap file (a path in the desk's form). 8-bit files keep
  // their pixel indices as stored; files of other depths are mapped to the
  // nearest colours of the current palette. The palette itself is not
  // touched. Unless it succeeds the image is left empty.
  LoadStatus LoadBmp(const std::string& path);
  void Release();

  bool Empty() const { return m_Surface == nullptr; }
  int32_t Width() const;
  int32_t Height() const;
  bool IsScreen() const { return m_IsScreen; }

  // Pixel access for probes and tests; an index outside the image reads 0
  // and writes nothing.
  uint8_t PixelAt(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint8_t index);
  // A copy of the pixels, row after row without padding.
  std::vector<uint8_t> Pixels() const;

  // The palette index used as the transparent colour of keyed copies from
  // this image; -1 for none.
  void SetColourKey(int index);
  int ColourKey() const { return m_ColourKey; }

  // Copies source rectangle src of image from to dst of this image. Both
  // rectangles must have the same size and lie inside their images. With
  // keyed set, pixels of the source's colour key are left untouched.
  BlitStatus Blit(const Image& from, const PixelRect& src, const PixelRect& dst, bool keyed);
  BlitStatus Fill(const PixelRect& rect, uint8_t index);

 private:
  friend struct ScreenAccess;
  struct SurfaceFree {
    void operator()(SDL_Surface* surface) const;
  };
  std::unique_ptr<SDL_Surface, SurfaceFree> m_Surface;
  int m_ColourKey = -1;
  bool m_IsScreen = false;
};

// Makes sure the shared palette exists (it lives for the whole process);
// false when it cannot be made.
bool PaletteReady();
// The palette index nearest to colour in the shared palette (squared
// distance, the first index on a tie).
int NearestPaletteIndex(const Rgb& colour);
// Replaces the first count entries of the shared palette (count at most
// 256). False when the palette refuses them.
bool SetPalette(const Rgb* entries, int count);
void GetPalette(Rgb out[256]);
// The 3-3-2 colour cube the display starts with.
void StartupPalette(Rgb out[256]);

// ---- the screen ----
struct DisplayOptions {
  // The desktop's mode with the picture scaled to fit and letterboxed; else
  // a resizable window that scales the picture the same way.
  bool fullscreen = true;
  const char* title = "Brevora";
};

enum class DisplayStatus {
  kOk,
  kNoVideo,   // the video system could not start
  kNoWindow,  // the window or its renderer could not be created
};

// Starts video and creates the window with its renderer.
DisplayStatus OpenDisplay(const DisplayOptions& options);
bool DisplayOpen();
// Sets the mode: the size of the screen image, which presenting scales into
// the window as large as fits, with black borders where the proportions
// differ. An existing screen image is made anew at that size. False without
// an open display.
bool SetDisplayMode(int32_t width, int32_t height);
// How many times SetDisplayMode changed the mode since the process started.
int DisplayModeChanges();
// Makes the screen image (black, the size of the mode) and the texture it is
// presented through. False without a mode or when memory runs out.
bool CreateScreen();
// The screen image; null while there is none.
Image* Screen();
// The lock that every drawing operation of this service holds. It is a leaf
// lock: while it is held nothing else is locked. Callers must not hold it
// around their own drawing, because drawing code takes other locks first (a
// key label takes its own lock and then draws); holding this one across such
// a call would invert that order and can deadlock with the tick thread.
tCriticalSection& DisplayLock();
// Releases the screen image, the renderer, the window and video, each only
// if it exists. Images keep working as off-screen images afterwards.
void CloseDisplay();

// The size of the current mode (the screen's size); false without a mode.
bool DisplayModeSize(int32_t& width, int32_t& height);
// The window system's number of the window (0 without one); events that
// tests put into the queue name their window by it.
uint32_t DisplayWindowId();
// The screen pixel shown at a position in the window (window pixels). Points
// in the borders around the picture give positions outside the screen. False
// without a mode.
bool WindowToScreen(int32_t windowX, int32_t windowY, int32_t& x, int32_t& y);

// ---- presenting (main thread only) ----
// Refreshes come once per refresh interval of the display (about 16 ms at
// 60 Hz). The desk's loop waits for input at most MsUntilNextPresent()
// milliseconds; when that reaches 0 it runs its idle step and then
// PresentIfDue, which takes the refresh (presenting only when something
// changed) and schedules the next one:
//
//   if (WaitInput(event, MsUntilNextPresent())) Handle(event);
//   if (MsUntilNextPresent() == 0) { Idle(); PresentIfDue(); }
//
// Milliseconds until the next refresh is due; 0 when it is due now.
int32_t MsUntilNextPresent();
// When a refresh is due: takes it, and presents when the screen, the palette
// or the overlay changed since the last present (or the window's picture was
// lost). True when it presented.
bool PresentIfDue();
// Presents the screen now; the next refresh is due one interval later.
bool PresentNow();
// The window's picture was lost (exposed, resized): the next refresh
// presents even if nothing changed. Any thread.
void RefreshWindow();
// Presents the screen and reads back what the renderer drew into the window:
// out holds width * height RGB triples.
bool CaptureWindow(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height);
// Lets the window system deliver its pending events (window mapping, resizes)
// into the event queue without taking any of them out.
void PumpWindowEvents();

// ---- the overlay (any thread sets and clears; presenting shows it) ----
// Shows a true-colour picture of width by height pixels (0xRRGGBB each, row
// after row) scaled into the screen rectangle where, over the screen image.
// The pixels are copied. False when the picture or the rectangle is empty or
// a side is longer than Image::kMaxImageSide.
bool ShowOverlay(const uint32_t* pixels, int32_t width, int32_t height, const PixelRect& where);
// Removes the overlay; the screen image shows there again.
void ClearOverlay();
bool OverlayShown();

// ---- the pointer ----
enum class Pointer {
  kArrow,   // the system's arrow
  kWait,    // the system's wait cursor (busy)
  kHidden,  // no pointer over the window
};
// Shows the given pointer over the window and returns the one shown before,
// so that a busy phase can put back what it found. Before the display opens
// the choice is kept and applied when it opens.
Pointer SetPointer(Pointer pointer);
Pointer CurrentPointer();

// ---- message boxes (main thread) ----
// Shown by the window system itself: they need no screen of ours and work
// before the display opens and after it failed. Title and text are the
// desk's 8-bit text. Over an open display the box belongs to its window, so
// that it is not hidden behind a full-screen picture.
enum class BoxButtons { kOk, kYesNo };
enum class BoxIcon { kInformation, kWarning, kError };
enum class BoxChoice {
  kNone,  // the box could not be shown, or was closed without a choice
  kOk,
  kYes,
  kNo,
};
BoxChoice ShowMessageBox(const std::string& title, const std::string& text, BoxButtons buttons,
                         BoxIcon icon);

}  // namespace platform
