// Finds the message boxes a process shows, reads them and presses OK.
#pragma once

#include <windows.h>

#include <set>
#include <vector>

#include "icon_match.h"
#include "observed.h"

namespace boxes {

class Watcher {
 public:
  explicit Watcher(DWORD processId) : processId_(processId) {}

  // Reads and dismisses every box of the process that has appeared since
  // the last look, appending them in the order they were found.
  void Poll(std::vector<observed::Box>* seen);

 private:
  observed::Box Read(HWND box);
  std::string IconOf(HWND box);

  DWORD processId_;
  std::set<HWND> handled_;
};

// The pixels of a rectangle of the screen as shown.
icons::Pixels Grab(const RECT& screenRect);
// A system icon drawn on a plain background, the size of the rectangle.
icons::Pixels Drawn(LPCWSTR systemIcon, int width, int height, std::uint32_t background);

}  // namespace boxes
