// The server as the wrapper sees it: the factory, the certificate name as
// the component pushes it, the defaults the callers rely on, the reports.
#include <gtest/gtest.h>

#include "servers/govx/GovXServer.h"
#include "tests/govx/GovXTestKit.h"

namespace xnd::test {
namespace {

TEST(GovXFactoryTest, CreatesTheServerBehindTheInterface) {
  const std::unique_ptr<IServer> server = CreateGovXServer();
  auto* govx = dynamic_cast<IxndGovX*>(server.get());
  ASSERT_NE(govx, nullptr);
  // The element the component signs when it sets none.
  EXPECT_EQ(govx->SignatureSettings().ElementName(), "infNFe");
}

struct NameCase {
  const char* Pushed;
  const char* Selected;
};

class FirstCertificateNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FirstCertificateNameTest, TakesTheFirstNonEmptyLineTrimmed) {
  EXPECT_EQ(govx::FirstCertificateName(GetParam().Pushed), GetParam().Selected);
}

INSTANTIATE_TEST_SUITE_P(Texts, FirstCertificateNameTest,
                         ::testing::Values(NameCase{"", ""}, NameCase{" \t\r\n\r\n", ""},
                                           NameCase{"EMPRESA:1\r\n", "EMPRESA:1"},
                                           NameCase{"\r\n  EMPRESA TESTE LTDA:1 \r\nOUTRA\r\n",
                                                    "EMPRESA TESTE LTDA:1"},
                                           NameCase{"\nEMPRESA\rOUTRA", "EMPRESA"}));

}  // namespace
}  // namespace xnd::test
