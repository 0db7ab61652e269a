// The DANFE layouts (national layout of the integration manual): receipt
// stub, issuer and DANFE boxes, bar code and access key, protocol or
// contingency data, recipient, invoices, tax totals, carrier and volumes, the
// items table (header on every sheet, rows never split), ISSQN, additional
// information (continued on later sheets), homologation and contingency
// phrases as a watermark. One DANFE per "Dados" record, "FOLHA n/m" counted
// per DANFE.
#pragma once

#include <cairo.h>

#include "servers/govx/report/ReportCanvas.h"
#include "servers/govx/report/ReportData.h"
#include "servers/govx/report/ReportPages.h"
#include "servers/govx/report/ReportTemplate.h"

namespace xnd::govx::report {

// Page geometry of one orientation (points).
struct TDanfeGeometry {
  double PageWidth = 0, PageHeight = 0;
  // The area the blocks fill (the receipt stub of the landscape layout lies
  // to the left of it).
  double Left = 0, Top = 0, Width = 0, Bottom = 0;
  // Landscape: the stub stands at the left margin, turned, this wide; 0 in
  // portrait, where it is the first block of the first sheet.
  double SideStubWidth = 0;
  // Height of the additional-information box of the first sheet.
  double AdditionalInfoHeight = 0;
  // Invoices per row of the invoice block.
  int InvoicesPerRow = 4;
};

TDanfeGeometry DanfeRetratoGeometry(const TReportTemplate& aTemplate);
TDanfeGeometry DanfePaisagemGeometry(const TReportTemplate& aTemplate);

// Draws every DANFE of the data ("Dados" with its "DadosItens", "DadosCobranca"
// and "DadosLotesMedicamento"). Raises EOleException "Dados do relatório sem o
// conjunto "%s"." when "Dados" or a record's "DadosItens" is missing.
void RenderDanfe(const TReportTemplate& aTemplate, const TDanfeGeometry& aGeometry,
                 const TReportData& aData, cairo_surface_t* aLogo, TPageSink& aSink);

}  // namespace xnd::govx::report
