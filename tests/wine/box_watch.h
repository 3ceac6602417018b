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
  // The boxes of the process, and of every other process in the job (a
  // launcher that the launcher started) when one is given.
  explicit Watcher(DWORD processId, HANDLE job = nullptr) : processId_(processId), job_(job) {}

  // Reads and dismisses every box of the processes that has appeared since
  // the last look, appending them in the order they were found.
  void Poll(std::vector<observed::Box>* seen);

 private:
  observed::Box Read(HWND box);
  std::string IconOf(HWND box);

  DWORD processId_;
  HANDLE job_;
  std::set<HWND> handled_;
};

// The processes in a job, as the system lists them; none for no job.
std::vector<DWORD> ProcessesIn(HANDLE job);

// The pixels of a rectangle of the screen as shown.
icons::Pixels Grab(const RECT& screenRect);
// A system icon drawn on a plain background, the size of the rectangle.
icons::Pixels Drawn(LPCWSTR systemIcon, int width, int height, std::uint32_t background);

}  // namespace boxes
