// Helpers shared by the utility tests.
#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {

inline std::string Fixture(const std::string& aName) {
  return ReadFileBytes(std::string(XND_SHARED_DIR) + "/fixtures/" + aName);
}

// A case whose call must raise an exception of the tree with this class name and whole message.
struct RaiseCase {
  const char* Name;
  std::function<void()> Call;
  const char* ClassName;
  std::string Message;
};

inline void PrintTo(const RaiseCase& aCase, std::ostream* aOut) { *aOut << aCase.Name; }

inline void ExpectRaises(const RaiseCase& aCase) {
  try {
    aCase.Call();
    ADD_FAILURE() << aCase.Name << ": nothing raised";
  } catch (const ExndException& e) {
    EXPECT_STREQ(aCase.ClassName, e.ClassName()) << aCase.Name;
    EXPECT_EQ(aCase.Message, e.Message()) << aCase.Name;
  }
}

inline std::string CaseName(const ::testing::TestParamInfo<RaiseCase>& aInfo) { return aInfo.param.Name; }

}  // namespace xnd::test
