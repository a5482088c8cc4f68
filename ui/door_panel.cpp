#include "ui/door_panel.h"

#include <algorithm>

#include "audio/audio_setup.h"
#include "audio/speaker.h"
#include "platform/clock.h"
#include "platform/display.h"

namespace {

constexpr int32_t kScreenW = 800;
constexpr int32_t kScreenH = 600;

}  // namespace

void tDoorPanel::Load(const char* path) {
  m_Image.Load(path);
  // Without its sounds the panel slides silently.
  m_Opening.Load("data\\door_open.wav");
  m_Closing.Load("data\\door_close.wav");
}

bool tDoorPanel::PrepareSaved() {
  return m_Saved.Width() == kScreenW || m_Saved.Create(kScreenW, kScreenH);
}

void tDoorPanel::DrawAt(int32_t offset) {
  // The panel's rows from -offset down are shown from its top-left corner:
  // the lower edge comes down first. A picture larger than the screen is cut.
  const int32_t w = std::min(m_Image.Width(), kScreenW - kX);
  const int32_t h = std::min(m_Image.Height(), kScreenH - kY);
  const int32_t top = std::clamp(-offset, 0, h);
  if (w <= 0 || top >= h) return;
  m_Image.Blit(tRect{0, top, w, h}, tRect{kX, kY, kX + w, kY + h - top});
}

void tDoorPanel::Draw() {
  if (Loaded()) DrawAt(0);
}

void tDoorPanel::Frame(int32_t offset, const std::function<void()>& more) {
  // Sleeps to the frame's time, counted from the frame before.
  if (m_FrameBefore) {
    const uint64_t due = m_LastFrameMs + m_Pace.frameMs;
    const uint64_t now = platform::MonotonicMs();
    if (due > now) platform::SleepMs(static_cast<uint32_t>(due - now));
  }
  DrawAt(offset);
  if (more) more();
  platform::PresentNow();
  m_LastFrameMs = platform::MonotonicMs();
  m_FrameBefore = true;
  if (m_FrameShown) m_FrameShown(offset);
}

void tDoorPanel::WaitFor(tSound& sound) {
  sound.WaitWhilePlaying(m_Pace.soundLimitMs);
}

void tDoorPanel::Settle() {
  // The sound has left the mixer; the pages written after it are let play.
  platform::SleepMs(2 * SystemSpeaker().PageMs());
}

void tDoorPanel::SlideIn() {
  if (!Loaded() || !PrepareSaved()) return;
  m_Saved.SaveBack(tRect{0, 0, kScreenW, kCoveredRows}, tRect{0, 0, kScreenW, kCoveredRows});
  m_Opening.Play(0);
  m_FrameBefore = false;
  const int32_t h = m_Image.Height();
  for (int32_t offset = -h; offset < 0; offset += kStep) Frame(offset);
  Frame(0);
  WaitFor(m_Opening);
  Settle();
}

void tDoorPanel::SlideOut() {
  if (!Loaded() || !PrepareSaved()) return;
  m_Closing.Play(0);
  m_FrameBefore = false;
  const int32_t w = std::min(m_Image.Width(), kScreenW - kX);
  const int32_t h = m_Image.Height();
  for (int32_t offset = 0; offset > -h; offset -= kStep) {
    Frame(offset, [&] {
      // The rows the panel's lower edge has just left; rows below the
      // covered part were never under the panel and stay as they are.
      const int32_t top = std::min(h + offset + kY, kCoveredRows);
      const int32_t bottom = std::min(h + offset + kY + kStep, kCoveredRows);
      if (w > 0 && top < bottom)
        m_Saved.Blit(tRect{kX, top, kX + w, bottom}, tRect{kX, top, kX + w, bottom});
    });
  }
  Frame(-h, [&] {
    m_Saved.Blit(tRect{0, 0, kScreenW, kCoveredRows}, tRect{0, 0, kScreenW, kCoveredRows});
  });
  WaitFor(m_Closing);
  Settle();
}

void tDoorPanel::Release() {
  WaitFor(m_Opening);
  WaitFor(m_Closing);
  Settle();
  m_Image.Release();
  m_Opening.Unload();
  m_Closing.Unload();
}

void tDoorPanel::KeepLowerRows() {
  if (!PrepareSaved()) return;
  const tRect lower{0, kCoveredRows, kScreenW, kScreenH};
  m_Saved.SaveBack(lower, lower);
}

void tDoorPanel::RestoreLowerRows() {
  if (m_Saved.Width() != kScreenW) return;
  const tRect lower{0, kCoveredRows, kScreenW, kScreenH};
  m_Saved.Blit(lower, lower);
}
