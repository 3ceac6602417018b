#include "platform/os.h"
#include "setup/plan.h"

namespace velquin {
namespace {

std::u16string KeyText(const RegistryKey& key) {
  const std::u16string view = key.view == os::kView64 ? u" /reg:64" : key.view == os::kView32 ? u" /reg:32" : u"";
  return RegistryKeyText(key) + view;
}

std::u16string ValueName(const std::u16string& name) { return name.empty() ? u"(Default)" : name; }

std::u16string Was(const std::optional<RegistryData>& before) {
  return before ? u" (was " + DataText(*before) + u")" : u" (was absent)";
}

}  // namespace

std::u16string DescribeChange(const SystemChange& change) {
  using Kind = SystemChange::Kind;
  switch (change.kind) {
    case Kind::SetValue:
      return u"set " + KeyText(change.key) + u": " + ValueName(change.name) + u" = " + DataText(change.data) +
             Was(change.before);
    case Kind::DeleteValue:
      return u"delete " + KeyText(change.key) + u": " + ValueName(change.name) + Was(change.before);
    case Kind::DeleteKey:
      return u"delete key " + KeyText(change.key) + (change.onlyIfEmpty ? u" if empty" : u"");
    case Kind::CopyFile:
      return u"copy " + change.source + u" to " + change.path +
             (change.replaces ? u" (over the file there)" : u"");
    case Kind::MakeDirectory: return u"make folder " + change.path;
    case Kind::RemoveDirectory: return u"remove folder " + change.path + u" if empty";
    case Kind::RemoveFile: return u"delete " + change.path;
    case Kind::Run: return u"run " + change.command;
    case Kind::TakeOver:
      return change.givesBack ? u"give back " + change.path + u" the owner and rights the install found"
                              : u"take over " + change.path + u" for the administrators (takeown, icacls)";
  }
  return u"";
}

}  // namespace velquin
