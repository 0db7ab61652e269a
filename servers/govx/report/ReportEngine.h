// The report engine of xndGovX: renders what the settings hold (template,
// serialised datasets, XML, logo) and sends it to an output. Every failure is
// an EOleException with a Portuguese message; no output file is left
// half-written.
#pragma once

#include <string>
#include <vector>

#include "external/xndGovXIntf.h"

namespace xnd::govx::report {

struct TRenderedReport {
  std::string Pdf;
  // One PNG per page, only when asked for.
  std::vector<std::string> PngPages;
  int PageCount = 0;
};

// Resolution of the PNG pages of export format 2.
inline constexpr double PngDpi = 150;

// Reads the template, then the data, then the logo, and draws every page.
TRenderedReport RenderReport(const IReportSettings& aSettings, bool aPngPages = false);

// Writes the PDF to OutputFileName; with ExportFormat 2 also one PNG per page
// beside it ("nota.pdf" -> "nota-1.png", "nota-2.png"...). Raises "Arquivo de
// saída do relatório não informado." or "Não foi possível gravar o relatório
// em "%s": %s"; what was written before a failure is removed.
void ExportReport(const IReportSettings& aSettings);

// Sends the PDF to a printer with the copy count of the settings. aPrinter is
// a CUPS destination name, an ipp:// or ipps:// address (sent straight to the
// printer, no CUPS scheduler needed) or "" for the default destination.
// Raises "Número de cópias inválido: %d.", "Nenhuma impressora padrão
// configurada.", "Impressora "%s" não encontrada.", "Impressora "%s" não
// respondeu: %s" or "Impressora "%s" recusou o trabalho: %s".
void PrintReport(const IReportSettings& aSettings, const std::string& aPrinter);

// Writes the PDF to a new temporary file and hands its name to the settings'
// OnPreview; returns the file name (the caller removes it later). Raises
// "Visualização indisponível: nenhuma rotina de visualização foi instalada."
// when there is no callback (before rendering anything).
std::string PreviewReport(const IReportSettings& aSettings);

}  // namespace xnd::govx::report
