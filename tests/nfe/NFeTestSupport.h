// Fixture of the NF-e component tests: temporary home, fake servers, a
// component with its error log in the temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "nfe/xndNFe.h"
#include "platform/com.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "tests/support/FakeServersFixture.h"

namespace xnd::test {

// Class name and message of what a call raised ("" / "" when nothing).
struct TRaised {
  std::string ClassName;
  std::string Message;
  bool operator==(const TRaised&) const = default;
};

inline std::ostream& operator<<(std::ostream& aOut, const TRaised& aRaised) {
  return aOut << aRaised.ClassName << ": " << aRaised.Message;
}

template <class F>
TRaised Capture(F aCall) {
  try {
    aCall();
  } catch (const Exception& e) {
    return {e.ClassName(), e.Message()};
  } catch (const std::exception& e) {
    return {"std::exception", e.what()};
  }
  return {};
}

// The lines of a log file (CR LF separated); none when the file is missing.
inline std::vector<std::string> LogLines(const std::string& aPath) {
  std::vector<std::string> lines;
  if (!FileExists(aPath)) return lines;
  const std::string text = ReadFileBytes(aPath);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Whether aLine is "[dd/mm/YYYY hh:MM:ss:zzz] <tid> - <aClass> : <aMessage>".
inline bool IsLogLine(const std::string& aLine, const std::string& aClass,
                      const std::string& aMessage) {
  const std::string tail = " - " + aClass + " : " + aMessage;
  return aLine.size() > tail.size() + 26 && aLine.front() == '[' && aLine[24] == ']' &&
         aLine.compare(aLine.size() - tail.size(), tail.size(), tail) == 0;
}

class NFeFixture : public FakeServersFixture {
 protected:
  void SetUp() override {
    FUtils.DefaultDirectory = FTemp.Path() + "temporario/";
    FNFe = std::make_unique<TxndNFe>();
    FNFe->SetDiretorioLogErro(ErrorDir());
  }
  void TearDown() override { FNFe.reset(); }

  std::string ErrorDir() const { return FTemp.Path() + "erros/"; }
  std::vector<std::string> ErrorLog() const { return LogLines(ErrorDir() + "nfe_exception.log"); }
  FakeGovX& Server() {
    EXPECT_NE(FGovX.Last, nullptr);
    return *FGovX.Last;
  }

  std::unique_ptr<TxndNFe> FNFe;
};

}  // namespace xnd::test
