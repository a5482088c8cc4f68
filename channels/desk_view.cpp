#include "channels/desk_view.h"

namespace {
int g_WaitCount = 0;
}  // namespace

tWaitCursor::tWaitCursor(tDeskView* view) : m_pView(view) {
  if (g_WaitCount++ == 0 && m_pView != nullptr) m_pView->SetWaitCursor(true);
}

tWaitCursor::~tWaitCursor() {
  if (--g_WaitCount == 0 && m_pView != nullptr) m_pView->SetWaitCursor(false);
}

int tWaitCursor::Count() {
  return g_WaitCount;
}
