#include "tests/support/TempDir.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/files.h"

namespace xnd::test {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowErrno(const std::string& aWhat) {
  throw std::runtime_error(aWhat + ": " + std::strerror(errno));
}

// Removes aPath and everything below it, giving directories back their
// owner permissions first. Failures are reported, never thrown.
void RemoveTree(const fs::path& aPath) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(aPath, ec);
  if (ec) return;
  if (fs::is_directory(status)) {
    ::chmod(aPath.c_str(), S_IRWXU);
    std::vector<fs::path> children;
    for (fs::directory_iterator it(aPath, ec), end; !ec && it != end; it.increment(ec)) {
      children.push_back(it->path());
    }
    for (const fs::path& child : children) RemoveTree(child);
  }
  if (!fs::remove(aPath, ec) && ec) {
    std::cerr << "TempDir: cannot remove " << aPath << ": " << ec.message() << '\n';
  }
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = TemporaryDirectory() + "xndnfe-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) ThrowErrno("mkdtemp " + pattern);
  FPath = IncludeTrailingPathDelimiter(pattern);
}

TempDir::~TempDir() { RemoveTree(ExcludeTrailingPathDelimiter(FPath)); }

std::string TempDir::File(std::string_view aRelative) const { return FPath + std::string(aRelative); }

std::string TempDir::Write(std::string_view aRelative, std::string_view aBytes) const {
  const std::string path = File(aRelative);
  const std::string dir = ExtractFileDir(path);
  if (!ForceDirectories(dir)) throw std::runtime_error("cannot create " + dir);
  WriteFileBytes(path, aBytes);
  return path;
}

std::string TempDir::Read(std::string_view aRelative) const { return ReadFileBytes(File(aRelative)); }

std::string TempDir::MakeDir(std::string_view aRelative) const {
  const std::string path = IncludeTrailingPathDelimiter(File(aRelative));
  if (!ForceDirectories(path)) throw std::runtime_error("cannot create " + path);
  return path;
}

ScopedEnv::ScopedEnv(std::string aName, const std::optional<std::string>& aValue)
    : FName(std::move(aName)) {
  if (const char* previous = std::getenv(FName.c_str())) FPrevious = previous;
  const int result =
      aValue ? ::setenv(FName.c_str(), aValue->c_str(), 1) : ::unsetenv(FName.c_str());
  if (result != 0) ThrowErrno("cannot set " + FName);
}

ScopedEnv::~ScopedEnv() {
  const int result =
      FPrevious ? ::setenv(FName.c_str(), FPrevious->c_str(), 1) : ::unsetenv(FName.c_str());
  if (result != 0) std::cerr << "ScopedEnv: cannot restore " << FName << '\n';
}

}  // namespace xnd::test
