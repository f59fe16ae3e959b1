// The Run screen: the launcher's only visible window, shown when the
// product is installed.
#ifndef AUTORUN_RUN_H
#define AUTORUN_RUN_H

#include <windows.h>

namespace autorun::run {

void Register(HINSTANCE instance);
// Creates the window (its Form_Load runs first) and shows it, centred.
void Show(HINSTANCE instance);
// The window's keyboard interface: true when the message was handled.
bool IsDialogMessage(MSG* message);

}  // namespace autorun::run

#endif
