// Locks a registry key the way an administrator's policy does, for the
// Wine checks: "key_lock lock PATH" leaves everyone only KEY_READ on the
// key under HKEY_CURRENT_USER, "key_lock unlock PATH" gives full access
// back. Wine checks a key's DACL on every open, as Windows does.
#include <windows.h>
#include <aclapi.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const std::wstring action = argv[1];
  if (action != L"lock" && action != L"unlock") return 2;
  HKEY key = nullptr;
  // WRITE_DAC is the owner's right, whatever the DACL says.
  if (RegOpenKeyExW(HKEY_CURRENT_USER, argv[2], 0, WRITE_DAC, &key) != ERROR_SUCCESS) return 1;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return 1;
  EXPLICIT_ACCESSW grant = {};
  grant.grfAccessPermissions = action == L"lock" ? KEY_READ : KEY_ALL_ACCESS;
  grant.grfAccessMode = SET_ACCESS;
  grant.grfInheritance = NO_INHERITANCE;
  grant.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  grant.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  grant.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
  PACL acl = nullptr;
  DWORD status = SetEntriesInAclW(1, &grant, nullptr, &acl);
  if (status == ERROR_SUCCESS)
    status = SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                             nullptr, nullptr, acl, nullptr);
  LocalFree(acl);
  FreeSid(everyone);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : 1;
}
