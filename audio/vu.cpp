#include "audio/vu.h"

#include "support/errors.h"

uint32_t tVU_Gui::BarFrame(int32_t level) {
  if (level <= 0) return 0;
  const int32_t frame = level / 20;
  return frame > 9 ? 9u : static_cast<uint32_t>(frame);
}

uint32_t tVU_Gui::SpeakerFrame(int32_t level) {
  if (level <= 0) return 0;
  const int32_t frame = level / 60;
  return frame > 2 ? 2u : static_cast<uint32_t>(frame);
}

tVU_Gui::~tVU_Gui() = default;

bool tVU_Gui::Init(const tVuStripMaker& maker) {
  tLock hold(m_Lock);
  m_pSpeakers = maker ? maker() : nullptr;
  if (!m_pSpeakers) return false;
  m_pBars = maker();
  return m_pBars != nullptr;
}

bool tVU_Gui::Load(const char* barsFile, uint32_t barsFrames, const char* speakersFile,
                   uint32_t speakersFrames) {
  tLock hold(m_Lock);
  ASSUME(m_pSpeakers);
  ASSUME(m_pBars);
  const bool bars = m_pBars && m_pBars->Load(barsFile, barsFrames);
  const bool speakers = m_pSpeakers && m_pSpeakers->Load(speakersFile, speakersFrames);
  if (speakers) m_pSpeakers->SetColorKey(kSpeakersKey);
  return bars && speakers;
}

void tVU_Gui::SetLeft(int32_t level) {
  tLock hold(m_Lock);
  if (level != m_Left) {
    m_Left = level;
    m_Dirty = true;
  }
}

void tVU_Gui::SetRight(int32_t level) {
  tLock hold(m_Lock);
  if (level != m_Right) {
    m_Right = level;
    m_Dirty = true;
  }
}

int32_t tVU_Gui::GetLeft() {
  tLock hold(m_Lock);
  return m_Left;
}

int32_t tVU_Gui::GetRight() {
  tLock hold(m_Lock);
  return m_Right;
}

void tVU_Gui::Draw() {
  tLock hold(m_Lock);
  if (!m_Dirty) return;
  if (m_pBars && m_BarsShown) {
    m_pBars->DrawFrame(BarFrame(m_Left), kBarsLeftX, kBarsY);
    m_pBars->DrawFrame(BarFrame(m_Right), kBarsRightX, kBarsY);
  }
  if (m_pSpeakers && m_SpeakersShown) {
    m_pSpeakers->DrawFrame(SpeakerFrame(m_Left), kSpeakersLeftX, kSpeakersY);
    m_pSpeakers->DrawFrame(SpeakerFrame(m_Right), kSpeakersRightX, kSpeakersY);
  }
  m_Dirty = false;
}

void tVU_Gui::ClearBars() {
  tLock hold(m_Lock);
  if (!m_pBars) return;
  m_pBars->DrawFrame(0, kBarsLeftX, kBarsY);
  m_pBars->DrawFrame(0, kBarsRightX, kBarsY);
}

void tVU_Gui::ShowBars(bool show) {
  tLock hold(m_Lock);
  m_BarsShown = show;
}

void tVU_Gui::ShowSpeakers(bool show) {
  tLock hold(m_Lock);
  m_SpeakersShown = show;
}

bool tVU_Gui::IsDirty() {
  tLock hold(m_Lock);
  return m_Dirty;
}

bool tVU_Gui::BarsShown() {
  tLock hold(m_Lock);
  return m_BarsShown;
}

bool tVU_Gui::SpeakersShown() {
  tLock hold(m_Lock);
  return m_SpeakersShown;
}
