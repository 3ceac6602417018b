// The registry and version-resource calls are delay-loaded from advapi32 and
// version. Since Windows 8 both live in kernelbase, which every process
// already has loaded, and those DLLs' exports only forward there; taking the
// calls from kernelbase spares loading the DLLs and what they pull in (for
// advapi32 a tenth of a whole run under Wine). Where kernelbase is absent or
// lacks a function, that function comes from its own DLL as usual.
//
// Every DLL comes from the system directory (or, for a name the manifest
// redirects, side by side). A plain LoadLibrary looks in the program's own
// folder first, and version.dll is not a known DLL: a copy next to the
// launcher (an unpacked zip, a folder the user can write to) would be loaded
// into every run.
//
// Test builds force the rarer ways: VELQUIN_TEST_WITHOUT_KERNELBASE binds
// the two DLLs to a module that exports nothing, VELQUIN_TEST_WITHOUT_DEFAULT_DIRECTORIES
// leaves the process's search order as it is, VELQUIN_TEST_WITHOUT_SEARCH_FLAGS
// treats LOAD_LIBRARY_SEARCH_SYSTEM32 as unknown.
#include "platform/delay_binding_win32.h"

#include <windows.h>
#include <delayimp.h>

#include <cstring>

namespace velquin {
namespace {

bool InKernelBase(LPCSTR dll) { return lstrcmpiA(dll, "advapi32.dll") == 0 || lstrcmpiA(dll, "version.dll") == 0; }

HMODULE KernelBase() {
#ifdef VELQUIN_TEST_WITHOUT_KERNELBASE
  return GetModuleHandleA(nullptr);
#else
  return GetModuleHandleA("kernelbase.dll");
#endif
}

// The LOAD_LIBRARY_SEARCH_* flags came with Windows 8 and an update to
// Windows 7 and Vista, together with AddDllDirectory; without them
// LoadLibraryEx refuses the flags.
bool SearchFlagsKnown() {
#ifdef VELQUIN_TEST_WITHOUT_SEARCH_FLAGS
  return false;
#else
  return GetProcAddress(GetModuleHandleA("kernel32.dll"), "AddDllDirectory") != nullptr;
#endif
}

// A name the program's manifest redirects (the common controls' version 6
// for the settings program) resolves side by side before any folder is
// searched, as it did as a load-time import; by its system-directory path
// it would be the old version.
bool RedirectedSideBySide(LPCSTR dll) {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof data;
  return FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, dll, &data);
}

HMODULE LoadSystemLibrary(LPCSTR dll) {
  if (SearchFlagsKnown()) return LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (RedirectedSideBySide(dll)) return LoadLibraryA(dll);
  // By full path; the altered search order looks for its own imports in
  // the system directory too, not in the program's folder.
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  // The C runtime's, which the program imports anyway: each kernel32 name
  // more is bytes in every copy of the launcher.
  const std::size_t name = std::strlen(dll);
  if (length == 0 || length + 1 + name >= MAX_PATH) return nullptr;
  path[length] = '\\';
  std::memcpy(path + length + 1, dll, name + 1);
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC WINAPI OnDelayLoad(unsigned notify, PDelayLoadInfo info) {
  if (notify != dliNotePreLoadLibrary) return nullptr;
  if (InKernelBase(info->szDll))
    if (HMODULE kernelBase = KernelBase()) return reinterpret_cast<FARPROC>(kernelBase);
  if (HMODULE library = LoadSystemLibrary(info->szDll)) return reinterpret_cast<FARPROC>(library);
  // Given nothing, the helper would search with a plain LoadLibrary; a DLL
  // missing from the system directory fails as the helper fails instead.
  info->dwLastError = GetLastError();
  ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
  RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
  return nullptr;
}

FARPROC WINAPI OnDelayLoadFailure(unsigned notify, PDelayLoadInfo info) {
  if (notify != dliFailGetProc || !InKernelBase(info->szDll) || !info->dlp.fImportByName) return nullptr;
  HMODULE own = LoadSystemLibrary(info->szDll);
  return own ? GetProcAddress(own, info->dlp.szProcName) : nullptr;
}

}  // namespace

void InstallDelayLoadBinding() {
  __pfnDliNotifyHook2 = OnDelayLoad;
  __pfnDliFailureHook2 = OnDelayLoadFailure;
}

void TakeDllsFromSystemDirectoryOnly() {
#ifndef VELQUIN_TEST_WITHOUT_DEFAULT_DIRECTORIES
  // Looked up: Windows before 8 has it only with the update that brought
  // the search flags.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
#endif
}

}  // namespace velquin
