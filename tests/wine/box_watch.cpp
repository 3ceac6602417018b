#include "box_watch.h"

#include <tlhelp32.h>

#include <algorithm>
#include <map>

#include "text.h"
#include "win_handles.h"

namespace boxes {
namespace {

const int kIconControl = 0x440;  // the dialog's icon (stc1)
const int kTextControl = 0xFFFF;

struct Search {
  std::set<DWORD> processes;
  std::vector<HWND> found;
};


BOOL CALLBACK CollectBoxes(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t cls[16] = {};
  if (IsWindowVisible(window) && GetClassNameW(window, cls, 16) && lstrcmpW(cls, L"#32770") == 0 &&
      search->processes.count(pid))
    search->found.push_back(window);
  return TRUE;
}

std::string WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  int n = GetWindowTextW(window, &buffer[0], length + 1);
  buffer.resize(static_cast<size_t>(std::max(n, 0)));
  return text::ToUtf8(buffer);
}

long long Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

bool Uniform(const icons::Pixels& p) {
  return std::all_of(p.begin(), p.end(), [&](std::uint32_t c) { return c == p.front(); });
}

icons::Pixels FromDib(HDC source, int x, int y, int width, int height, bool fill, std::uint32_t background,
                      HICON icon) {
  win::MemoryDc memory(CreateCompatibleDC(source));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  win::GdiObject bitmap(CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap.valid() || !bits) return {};
  {
    win::Selection selected(memory.get(), bitmap.get());
    if (fill) {
      win::GdiObject brush(CreateSolidBrush(RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF)));
      RECT all = {0, 0, width, height};
      FillRect(memory.get(), &all, static_cast<HBRUSH>(brush.get()));
      if (icon) DrawIconEx(memory.get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    } else {
      BitBlt(memory.get(), 0, 0, width, height, source, x, y, SRCCOPY);
    }
    GdiFlush();
  }
  const std::uint32_t* p = static_cast<const std::uint32_t*>(bits);
  icons::Pixels out(p, p + width * height);
  for (std::uint32_t& c : out) c &= 0xFFFFFF;
  return out;
}

}  // namespace

std::vector<DWORD> ProcessesIn(HANDLE job) {
  struct {
    JOBOBJECT_BASIC_PROCESS_ID_LIST list;
    ULONG_PTR more[255];
  } ids{};
  ids.list.NumberOfAssignedProcesses = 256;
  std::vector<DWORD> out;
  if (!job || !QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr)) return out;
  for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i)
    out.push_back(static_cast<DWORD>(ids.list.ProcessIdList[i]));
  return out;
}

// The processes started from these, and from those in turn. Wine puts a
// process that a waiting launcher starts in the job only once the launcher
// has ended, so a box shown meanwhile is found through its parents.
void AddDescendants(std::set<DWORD>* processes) {
  win::File snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));  // INVALID_HANDLE_VALUE on failure
  if (!snapshot.valid()) return;
  std::multimap<DWORD, DWORD> children;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL found = Process32FirstW(snapshot.get(), &entry); found; found = Process32NextW(snapshot.get(), &entry))
    if (entry.th32ProcessID != entry.th32ParentProcessID) children.emplace(entry.th32ParentProcessID, entry.th32ProcessID);
  std::vector<DWORD> pending(processes->begin(), processes->end());
  while (!pending.empty()) {
    const DWORD parent = pending.back();
    pending.pop_back();
    const auto range = children.equal_range(parent);
    for (auto child = range.first; child != range.second; ++child)
      if (processes->insert(child->second).second) pending.push_back(child->second);
  }
}

icons::Pixels Grab(const RECT& r) {
  win::WindowDc screen(nullptr);
  return FromDib(screen.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, false, 0, nullptr);
}

icons::Pixels Drawn(LPCWSTR systemIcon, int width, int height, std::uint32_t background) {
  win::WindowDc screen(nullptr);
  HICON icon = systemIcon ? LoadIconW(nullptr, systemIcon) : nullptr;  // shared: not destroyed
  return FromDib(screen.get(), 0, 0, width, height, true, background, icon);
}

std::string Watcher::IconOf(HWND box) {
  HWND control = GetDlgItem(box, kIconControl);
  if (!control || !IsWindowVisible(control)) return "none";
  RECT r;
  GetWindowRect(control, &r);
  // A box with a very long text is taller than the screen and centred, so
  // its icon lies above the top edge: bring the box's corner onto the screen.
  if (r.left < 0 || r.top < 0 || r.right > GetSystemMetrics(SM_CXSCREEN) ||
      r.bottom > GetSystemMetrics(SM_CYSCREEN)) {
    SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(control, &r);
  }
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return "none";
  // The box may not have painted yet: look again until an icon shows, and
  // take a plain square for no icon only once it has stayed plain a while.
  icons::Pixels seen;
  std::string best = "none";
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (attempt > 0) Sleep(15);
    seen = Grab(r);
    if (seen.empty() || Uniform(seen)) continue;
    const std::uint32_t background = seen.front();
    std::vector<icons::Reference> references = {
        {"error", Drawn(IDI_HAND, width, height, background)},
        {"info", Drawn(IDI_ASTERISK, width, height, background)},
        {"warning", Drawn(IDI_EXCLAMATION, width, height, background)},
        {"question", Drawn(IDI_QUESTION, width, height, background)},
        {"none", Drawn(nullptr, width, height, background)},
    };
    best = icons::Nearest(seen, references);
    for (const icons::Reference& ref : references)
      if (ref.name == best && icons::Distance(seen, ref.pixels) == 0) return best;
  }
  return best;
}

observed::Box Watcher::Read(HWND box) {
  observed::Box out;
  out.ticks = Now();
  out.caption = WindowText(box);
  HWND textControl = GetDlgItem(box, kTextControl);
  out.text = textControl ? WindowText(textControl) : std::string();
  out.icon = IconOf(box);
  return out;
}

void Watcher::Poll(std::vector<observed::Box>* seen) {
  const std::vector<DWORD> inJob = ProcessesIn(job_);
  Search search{std::set<DWORD>(inJob.begin(), inJob.end()), {}};
  search.processes.insert(processId_);
  AddDescendants(&search.processes);
  EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
  for (HWND box : search.found) {
    if (!handled_.insert(box).second) continue;
    seen->push_back(Read(box));
    HWND ok = GetDlgItem(box, IDOK);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
  }
}

}  // namespace boxes
