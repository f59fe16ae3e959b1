// The Run screen: the launcher's only window, shown when the title is
// installed. From it the user starts the title, reads its readme, or
// leaves.
#ifndef AUTORUN_RUN_SCREEN_H
#define AUTORUN_RUN_SCREEN_H

#include <windows.h>

#include <string>

#include "product.h"

namespace autorun {

// Shows the Run screen for `product` of the disc in `discFolder`, centred,
// and handles it until the launcher ends: the title started, the screen
// closed, or a fatal error.
void ShowRunScreen(HINSTANCE instance, const Product& product, const std::wstring& discFolder);

}  // namespace autorun

#endif
