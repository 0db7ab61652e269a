#include "app/xndReportPreview.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "external/xndGovXIntf.h"
#include "platform/com.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "servers/govx/GovXServer.h"

namespace xnd::app {

bool OpenWithDesktopViewer(const std::string& aFileName) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(aFileName)));
}

void InstallReportPreview() {
  ServerRegistry::Instance().Register(GovXServerName, [] {
    std::unique_ptr<IServer> server = CreateGovXServer();
    if (auto* govx = dynamic_cast<IxndGovX*>(server.get())) {
      govx->ReportSettings().OnPreview = [](const std::string& aPdf) {
        if (!OpenWithDesktopViewer(aPdf)) {
          throw EOleException(
              Format("Não foi possível abrir \"%s\" no visualizador de PDF do sistema.", aPdf));
        }
      };
    }
    return server;
  });
}

}  // namespace xnd::app
