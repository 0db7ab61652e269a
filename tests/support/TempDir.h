// Test helpers: a temporary directory removed with its content, and a scoped
// override of an environment variable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace xnd::test {

// A fresh directory under $TMPDIR (or /tmp), removed recursively when the
// object goes away, even when a test took the permissions of a subdirectory.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, with a trailing "/".
  const std::string& Path() const { return FPath; }
  // Path() followed by aRelative.
  std::string File(std::string_view aRelative) const;
  // Writes aBytes to aRelative (missing parent directories created); the full path.
  std::string Write(std::string_view aRelative, std::string_view aBytes) const;
  std::string Read(std::string_view aRelative) const;
  // Creates aRelative with its parents; the full path with a trailing "/".
  std::string MakeDir(std::string_view aRelative) const;

 private:
  std::string FPath;
};

// Sets (or, with std::nullopt, unsets) an environment variable and restores
// the previous state at destruction.
class ScopedEnv {
 public:
  ScopedEnv(std::string aName, const std::optional<std::string>& aValue);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string FName;
  std::optional<std::string> FPrevious;
};

}  // namespace xnd::test
