// DANFE in portrait (A4): the receipt stub is the first block of the first
// sheet; the additional information takes the foot of that sheet.
#include "servers/govx/report/ReportDanfe.h"

namespace xnd::govx::report {

TDanfeGeometry DanfeRetratoGeometry(const TReportTemplate& aTemplate) {
  TDanfeGeometry g;
  const double margin = aTemplate.MarginMm * PointsPerMm;
  g.PageWidth = A4ShortPt;
  g.PageHeight = A4LongPt;
  g.Left = margin;
  g.Top = margin;
  g.Width = g.PageWidth - 2 * margin;
  g.Bottom = g.PageHeight - margin;
  g.SideStubWidth = 0;
  g.AdditionalInfoHeight = 92;
  g.InvoicesPerRow = 4;
  return g;
}

}  // namespace xnd::govx::report
