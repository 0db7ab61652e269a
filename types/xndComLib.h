// Program start-up: initialisation of the component object model for the
// main thread, and the small exception family it raises. Its class names
// repeat names of the NF-e tree, hence the namespace of its own. No class of
// this family names a log file, so none writes an exception log line.
#pragma once

#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/text.h"

namespace xnd::comlib {

class ExndException : public Exception {
 public:
  // aLogDir is accepted for symmetry with the NF-e tree; nothing is written.
  ExndException(const std::string& aMessage, const std::string& aLogDir = "");
  ExndException(const std::string& aFormat, const std::vector<FormatArg>& aArgs, const std::string& aLogDir);

  const char* ClassName() const noexcept override { return "ExndException"; }
  // Always empty: no class of this family sets it.
  const std::string& LogFileName() const noexcept { return FLogFileName; }

 private:
  std::string FLogFileName;
};

class ExndLogException : public ExndException {
 public:
  using ExndException::ExndException;
  const char* ClassName() const noexcept override { return "ExndLogException"; }
};

class ExndSignatureException : public ExndException {
 public:
  using ExndException::ExndException;
  const char* ClassName() const noexcept override { return "ExndSignatureException"; }
};

// Initialises the object model for the calling thread; raises
// ExndSignatureException "can not initialize COM Lib" when the
// initialisation answers E_FAIL. A successful call must be matched by
// FinalizeComLib (or use TComLibGuard).
void InitializeComLib();
void FinalizeComLib();

// InitializeComLib on construction, the matching release on destruction.
class TComLibGuard {
 public:
  TComLibGuard() { InitializeComLib(); }
  ~TComLibGuard() { FinalizeComLib(); }
  TComLibGuard(const TComLibGuard&) = delete;
  TComLibGuard& operator=(const TComLibGuard&) = delete;
};

}  // namespace xnd::comlib
