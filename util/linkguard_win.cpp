#include "util/linkguard.h"

#include "util/elevation.h"
#include "util/winhandle.h"

#include <windows.h>

#include <aclapi.h>

namespace linkguard {
namespace {

// The servicing account's service SID: S-1-5-80 followed by the hash of the
// name "TrustedInstaller".
bool isTrustedInstaller(PSID sid) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID trusted = nullptr;
  if (!AllocateAndInitializeSid(&nt, 6, SECURITY_SERVICE_ID_BASE_RID, 956008885u, 3418522649u,
                                1831038044u, 1853292631u, 2271478464u, 0, 0, &trusted))
    return false;
  bool same = EqualSid(sid, trusted) != FALSE;
  FreeSid(trusted);
  return same;
}

Owner ownerKind(PSID sid) {
  if (!sid || !IsValidSid(sid)) return Owner::unknown;
  if (IsWellKnownSid(sid, WinLocalSystemSid)) return Owner::system;
  if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return Owner::administrators;
  if (isTrustedInstaller(sid)) return Owner::trustedInstaller;
  return Owner::other;
}

// The owner of the link itself, not of what it points at.
Owner linkOwner(const std::string& path) {
  OwnedFileHandle link(CreateFileA(
      path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!link) return Owner::unknown;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(link.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
    return Owner::unknown;
  Owner kind = ownerKind(owner);
  LocalFree(descriptor);
  return kind;
}

} // namespace

bool mayWorkIn(const std::string& path) {
  if (!runsElevated()) return true; // the user's own rights steer nothing
  std::vector<Component> found;
  for (const std::string& component : componentPaths(path)) {
    DWORD attributes = GetFileAttributesA(component.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      DWORD error = GetLastError();
      // What does not exist yet is made by the installer itself, as a plain folder.
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) break;
      return false;
    }
    Component c;
    c.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (c.link) c.owner = linkOwner(component);
    found.push_back(c);
  }
  return mayFollow(found);
}

} // namespace linkguard
