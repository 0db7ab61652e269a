// The desktop tool's report preview: the xndGovX server it creates shows a
// previewed DANFE or CC-e by opening the PDF with the desktop's viewer.
#pragma once

#include <string>

namespace xnd::app {

// Opens the file with the desktop's default application (xdg-open through
// Qt); false when the desktop could not start one.
bool OpenWithDesktopViewer(const std::string& aFileName);

// Registers the xndGovX factory of the tool: the real server with
// OpenWithDesktopViewer as its ReportSettings().OnPreview. A failure to start
// a viewer raises EOleException "Não foi possível abrir "%s" no visualizador
// de PDF do sistema.".
void InstallReportPreview();

}  // namespace xnd::app
