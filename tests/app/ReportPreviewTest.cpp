// The desktop tool's preview callback: the server it registers hands a
// previewed report to the desktop's viewer.
#include <gtest/gtest.h>

#include "app/xndReportPreview.h"
#include "external/xndGovXIntf.h"
#include "platform/com.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "servers/govx/GovXServer.h"

namespace xnd::test {
namespace {

TEST(ReportPreviewTest, TheToolsServerOpensThePreviewWithTheDesktopViewer) {
  const ServerRegistry::Factory previous = ServerRegistry::Instance().Find(GovXServerName);
  app::InstallReportPreview();
  std::unique_ptr<IxndGovX> server = ServerRegistry::Instance().CreateAs<IxndGovX>(GovXServerName);
  if (previous) {
    ServerRegistry::Instance().Register(GovXServerName, previous);
  } else {
    ServerRegistry::Instance().Unregister(GovXServerName);
  }
  ASSERT_TRUE(static_cast<bool>(server->ReportSettings().OnPreview));
  // The offscreen platform of the tests has no viewer: the tool says so.
  const std::string file = "/tmp/xndnfe-nao-existe.pdf";
  try {
    server->ReportSettings().OnPreview(file);
    FAIL() << "sem erro";
  } catch (const EOleException& e) {
    EXPECT_EQ(std::string(e.what()),
              "Não foi possível abrir \"" + file + "\" no visualizador de PDF do sistema.");
  }
}

}  // namespace
}  // namespace xnd::test
