// DANFE in landscape (A4 turned): the receipt stub stands turned along the
// left edge of the first sheet, the blocks take the rest of the width.
#include "servers/govx/report/ReportDanfe.h"

namespace xnd::govx::report {

TDanfeGeometry DanfePaisagemGeometry(const TReportTemplate& aTemplate) {
  TDanfeGeometry g;
  const double margin = aTemplate.MarginMm * PointsPerMm;
  g.PageWidth = A4LongPt;
  g.PageHeight = A4ShortPt;
  g.SideStubWidth = 54;
  g.Left = margin + g.SideStubWidth;
  g.Top = margin;
  g.Width = g.PageWidth - 2 * margin - g.SideStubWidth;
  g.Bottom = g.PageHeight - margin;
  g.AdditionalInfoHeight = 64;
  g.InvoicesPerRow = 6;
  return g;
}

}  // namespace xnd::govx::report
