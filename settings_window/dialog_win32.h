// The settings dialog, modal, until OK or Cancel.
#pragma once

#include <windows.h>

namespace velquin {

void RunSettingsDialog(HINSTANCE instance);

}  // namespace velquin
