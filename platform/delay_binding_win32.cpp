// The registry and version-resource calls are delay-loaded from advapi32 and
// version. Since Windows 8 both live in kernelbase, which every process
// already has loaded, and those DLLs' exports only forward there; taking the
// calls from kernelbase spares loading the DLLs and what they pull in (for
// advapi32 a tenth of a whole run under Wine). Where kernelbase is absent or
// lacks a function, that function comes from its own DLL as usual.
#include "platform/delay_binding_win32.h"

#include <windows.h>
#include <delayimp.h>

namespace velquin {
namespace {

bool InKernelBase(LPCSTR dll) { return lstrcmpiA(dll, "advapi32.dll") == 0 || lstrcmpiA(dll, "version.dll") == 0; }

FARPROC WINAPI OnDelayLoad(unsigned notify, PDelayLoadInfo info) {
  if (notify == dliNotePreLoadLibrary && InKernelBase(info->szDll))
    return reinterpret_cast<FARPROC>(GetModuleHandleA("kernelbase.dll"));
  return nullptr;
}

FARPROC WINAPI OnDelayLoadFailure(unsigned notify, PDelayLoadInfo info) {
  if (notify != dliFailGetProc || !InKernelBase(info->szDll) || !info->dlp.fImportByName) return nullptr;
  HMODULE own = LoadLibraryA(info->szDll);
  return own ? GetProcAddress(own, info->dlp.szProcName) : nullptr;
}

}  // namespace

void InstallDelayLoadBinding() {
  __pfnDliNotifyHook2 = OnDelayLoad;
  __pfnDliFailureHook2 = OnDelayLoadFailure;
}

}  // namespace velquin
