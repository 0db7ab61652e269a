// Where the layouts draw: a page sink hands out one cairo context per page,
// so every output (PDF, PNG pages, printing, preview) gets the same drawing.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "servers/govx/report/ReportCanvas.h"

namespace xnd::govx::report {

class TPageSink {
 public:
  virtual ~TPageSink() = default;
  // Starts a page of that size in points; the context is valid until EndPage.
  virtual cairo_t* BeginPage(double aWidth, double aHeight) = 0;
  virtual void EndPage() = 0;
};

// Renders a PDF document in memory; with aPngDpi > 0 it also keeps each page
// as PNG bytes. Pages are drawn once (on a recording surface when PNGs are
// wanted, replayed into both). Cairo failures raise EOleException
// "Falha ao desenhar o relatório: %s".
class TPdfSink final : public TPageSink {
 public:
  explicit TPdfSink(double aPngDpi = 0);
  ~TPdfSink() override;
  TPdfSink(const TPdfSink&) = delete;
  TPdfSink& operator=(const TPdfSink&) = delete;

  cairo_t* BeginPage(double aWidth, double aHeight) override;
  void EndPage() override;
  // Finishes the document; the PDF bytes.
  std::string Finish();
  const std::vector<std::string>& PngPages() const { return FPngPages; }
  int PageCount() const { return FPages; }

 private:
  static cairo_status_t Write(void* aClosure, const unsigned char* aData, unsigned int aLength);

  double FPngDpi;
  std::string FPdf;
  TSurfacePtr FSurface;
  cairo_t* FCr = nullptr;
  TSurfacePtr FRecording;
  cairo_t* FPageCr = nullptr;
  double FWidth = 0, FHeight = 0;
  int FPages = 0;
  std::vector<std::string> FPngPages;
};

// Raises EOleException "Falha ao desenhar o relatório: %s" when the context
// or its target is in error.
void CheckCairo(cairo_t* aCr);

}  // namespace xnd::govx::report
