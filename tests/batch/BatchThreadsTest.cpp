// Two components, each on its own thread, signing at the same time with the
// real servers: their first server calls meet in the server registry. Run
// under ThreadSanitizer by `make tsan`.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "nfe/xndNFe.h"
#include "platform/com.h"
#include "tests/batch/BatchEndToEndSupport.h"
#include "tests/nfe/NFeTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace xnd::test {
namespace {

// One component made, used and destroyed on the calling thread.
std::string SignOnThisThread(const TempDir& aDir, const std::string& aName,
                             const std::string& aBatch) {
  TxndNFe nfe;
  nfe.SetDiretorioLogErro(aDir.Path() + aName + "/erros/");
  nfe.SetDiretorioLog(aDir.Path() + aName + "/Log/");
  nfe.SetUF("SP");
  nfe.SetVersaoManual(vm50a);
  nfe.SetCaminhoCertificado(TestPki::Instance().CompanyPfx());
  nfe.SetSenhaCertificado(TestPki::Password);
  std::string signed_;
  nfe.AssinarLote(aBatch, signed_);
  return signed_;
}

TEST(ComponentsOnTwoThreads, SignTheSameBatchAtTheSameTime) {
  const TempDir dir;
  const ScopedEnv home("HOME", dir.Path());
  const ScopedEnv data("XDG_DATA_HOME", dir.Path() + "data");
  std::vector<std::string> keys;
  const std::string batch = RenumberedBatch(2, keys);
  TestPki::Instance();
  // No factory yet: both first wrapper uses install the default ones.
  ServerRegistry::Instance().Unregister(GovXServerName);
  ServerRegistry::Instance().Unregister(GovUtilsServerName);

  struct TResult {
    std::string Signed;
    std::string Failure;
  };
  auto run = [&](const char* aName, TResult& aResult) {
    try {
      aResult.Signed = SignOnThisThread(dir, aName, batch);
    } catch (const std::exception& e) {
      aResult.Failure = e.what();
    }
  };
  TResult first;
  TResult second;
  std::thread a(run, "a", std::ref(first));
  std::thread b(run, "b", std::ref(second));
  a.join();
  b.join();

  EXPECT_EQ(first.Failure, "");
  EXPECT_EQ(second.Failure, "");
  ASSERT_EQ(SignedNotes(first.Signed).size(), 2u);
  EXPECT_EQ(first.Signed, second.Signed) << "the same batch and key give the same bytes";
}

}  // namespace
}  // namespace xnd::test
