// Base fixture of the tests about the component's own logic: HOME and
// XDG_DATA_HOME in a fresh temporary directory, and both fake servers
// installed for the duration of the test. Members of a derived fixture go
// away first, so the servers they created never outlive the fakes' state.
#pragma once

#include <gtest/gtest.h>

#include "external/xndGovUtilsIntf.h"
#include "external/xndGovXIntf.h"
#include "platform/com.h"
#include "tests/support/FakeServers.h"
#include "tests/support/TempDir.h"

namespace xnd::test {

class FakeServersFixture : public ::testing::Test {
 protected:
  TempDir FTemp;
  ScopedEnv FHome{"HOME", FTemp.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FTemp.Path() + "data"};
  FakeGovXState FGovX;
  FakeGovUtilsState FUtils;
  ScopedServerFactory FGovXFactory{GovXServerName, FakeGovXFactory(FGovX)};
  ScopedServerFactory FUtilsFactory{GovUtilsServerName, FakeGovUtilsFactory(FUtils)};
};

}  // namespace xnd::test
