#include <cstdint>
#include <vector>

#include "platform/files.h"
#include "platform/os.h"
#include "platform/run_calls.h"
#include "platform/run_text.h"

namespace velquin {
namespace {

// Asks with a buffer that grows until the answer fits; a failed query, or
// one that keeps asking for more, gives an empty text.
template <typename Char, typename Query>
std::basic_string<Char> QueryText(Query query) {
  using Text = std::basic_string<Char>;
  std::vector<Char> buffer(256);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    const std::uint32_t length = query(buffer.data(), size);
    if (length == 0) return Text();
    if (length < size) {
      Text text(buffer.data(), length);
      return text.substr(0, text.find(Char(0)));
    }
    buffer.assign(length + 1, Char(0));
  }
  return Text();
}

// '*' and '?' never stand in a file's name (nor as the second byte of a
// double-byte character), but the search takes them as a pattern and would
// report some other file. "\\?\" only marks a long path.
bool HasWildcard(const std::string& path) {
  const std::size_t from = path.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
  return path.find_first_of("*?", from) != std::string::npos;
}

std::string WithBackslash(std::string directory) {
  return directory.empty() ? directory : directory + "\\";
}

}  // namespace

std::string WindowsDirectory() {
  return FromAnsiText(
      WithBackslash(QueryText<char>([](char* b, std::uint32_t n) { return os::QueryWindowsDirectory(b, n); })));
}

std::string SystemDirectory() {
  return FromAnsiText(
      WithBackslash(QueryText<char>([](char* b, std::uint32_t n) { return os::QuerySystemDirectory(b, n); })));
}

std::string TempDirectory() {
  // A temporary directory the code page cannot hold is compared as it is.
  if (WideRun)
    return FromWideText(QueryText<char16_t>([](char16_t* b, std::uint32_t n) { return os::QueryTempPathW(n, b); }));
  return QueryText<char>([](char* b, std::uint32_t n) { return os::QueryTempPath(n, b); });
}

std::string ModulePath() {
  // GetModuleFileName fills the buffer and cuts when it is too small.
  std::vector<char> buffer(260);
  for (int attempt = 0; attempt < 6; ++attempt) {
    const std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    const std::uint32_t length = os::QueryModuleFileName(buffer.data(), size);
    if (length == 0) return std::string();
    if (length < size) return FromAnsiText(std::string(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
  return std::string();
}

bool IsExistingFile(const std::string& path) {
  if (HasWildcard(path)) return false;
  os::FindData found;
  FindSearch search = FindFirstMatch(path, &found);
  if (!search.valid()) return false;
  search.reset();
  if (found.attributes & os::kAttributeDirectory) return false;
  std::uint64_t local = 0;
  std::uint16_t dosDate = 0, dosTime = 0;
  return os::FileTimeToLocalFileTime(found.lastWriteTime, &local) &&
         os::FileTimeToDosDateTime(local, &dosDate, &dosTime);
}

}  // namespace velquin
