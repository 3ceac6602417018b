// Owners for the system handles the harness holds: each closes its handle
// once, however the scope is left.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

template <typename T, typename Traits>
class Owner {
 public:
  Owner() = default;
  explicit Owner(T value) : value_(value) {}
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  Owner(Owner&& other) noexcept : value_(std::exchange(other.value_, Traits::Invalid())) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.value_, Traits::Invalid()));
    return *this;
  }
  ~Owner() { Reset(); }

  T get() const { return value_; }
  T* receive() {
    Reset();
    return &value_;
  }
  bool valid() const { return value_ != Traits::Invalid(); }
  void Reset(T value = Traits::Invalid()) {
    if (valid()) Traits::Close(value_);
    value_ = value;
  }

 private:
  T value_ = Traits::Invalid();
};

struct KernelTraits {  // handles from CreateProcess, OpenProcess, events
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FileTraits {  // CreateFile hands out INVALID_HANDLE_VALUE on failure
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindClose(h); }
};
struct KeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY h) { RegCloseKey(h); }
};
struct MemoryDcTraits {
  static HDC Invalid() { return nullptr; }
  static void Close(HDC h) { DeleteDC(h); }
};
struct GdiTraits {
  static HGDIOBJ Invalid() { return nullptr; }
  static void Close(HGDIOBJ h) { DeleteObject(h); }
};

using Handle = Owner<HANDLE, KernelTraits>;
using File = Owner<HANDLE, FileTraits>;
using Find = Owner<HANDLE, FindTraits>;
using Key = Owner<HKEY, KeyTraits>;
using MemoryDc = Owner<HDC, MemoryDcTraits>;
using GdiObject = Owner<HGDIOBJ, GdiTraits>;

// A window's or the screen's DC, released to the window it came from.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a DC, put back on scope exit.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace win
