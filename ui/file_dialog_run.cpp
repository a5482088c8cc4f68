// The modal run of the file chooser on the input service. Kept apart from
// the dialog's logic, which callers and tests drive with records of their own.
#include "platform/display.h"
#include "platform/hostfs.h"
#include "platform/input.h"
#include "ui/file_dialog.h"

bool tFileDialog::Run() {
  // Media plugged in while the desk runs get their letters now.
  platform::MountRemovableMedia();
  Begin();
  platform::SetTextInput(true);
  platform::PresentNow();
  // Sleeps until a record comes or the display's next refresh is due.
  while (!m_Finished) {
    platform::tInputEvent event;
    if (platform::WaitInput(event, platform::MsUntilNextPresent())) HandleEvent(event);
    if (platform::MsUntilNextPresent() == 0) platform::PresentIfDue();
  }
  platform::SetTextInput(false);
  return End();
}
