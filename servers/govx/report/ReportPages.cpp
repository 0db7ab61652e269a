#include "servers/govx/report/ReportPages.h"

#include <cairo-pdf.h>

#include "platform/exception.h"

namespace xnd::govx::report {

namespace {

[[noreturn]] void Fail(cairo_status_t aStatus) {
  throw EOleException(std::string("Falha ao desenhar o relatório: ") +
                      cairo_status_to_string(aStatus));
}

void Check(cairo_surface_t* aSurface) {
  const cairo_status_t status = cairo_surface_status(aSurface);
  if (status != CAIRO_STATUS_SUCCESS) Fail(status);
}

cairo_status_t AppendPng(void* aClosure, const unsigned char* aData, unsigned int aLength) {
  static_cast<std::string*>(aClosure)->append(reinterpret_cast<const char*>(aData), aLength);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

void CheckCairo(cairo_t* aCr) {
  const cairo_status_t status = cairo_status(aCr);
  if (status != CAIRO_STATUS_SUCCESS) Fail(status);
  Check(cairo_get_target(aCr));
}

TPdfSink::TPdfSink(double aPngDpi) : FPngDpi(aPngDpi) {
  FSurface.reset(cairo_pdf_surface_create_for_stream(&TPdfSink::Write, this, A4ShortPt, A4LongPt));
  Check(FSurface.get());
  cairo_pdf_surface_set_metadata(FSurface.get(), CAIRO_PDF_METADATA_CREATOR, "xndNFe");
  FCr = cairo_create(FSurface.get());
  CheckCairo(FCr);
}

TPdfSink::~TPdfSink() {
  if (FPageCr) cairo_destroy(FPageCr);
  if (FCr) cairo_destroy(FCr);
}

cairo_status_t TPdfSink::Write(void* aClosure, const unsigned char* aData, unsigned int aLength) {
  static_cast<TPdfSink*>(aClosure)->FPdf.append(reinterpret_cast<const char*>(aData), aLength);
  return CAIRO_STATUS_SUCCESS;
}

cairo_t* TPdfSink::BeginPage(double aWidth, double aHeight) {
  FWidth = aWidth;
  FHeight = aHeight;
  cairo_pdf_surface_set_size(FSurface.get(), aWidth, aHeight);
  if (FPngDpi <= 0) return FCr;
  const cairo_rectangle_t extents{0, 0, aWidth, aHeight};
  FRecording.reset(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents));
  Check(FRecording.get());
  FPageCr = cairo_create(FRecording.get());
  return FPageCr;
}

void TPdfSink::EndPage() {
  if (FPageCr) {
    CheckCairo(FPageCr);
    cairo_destroy(FPageCr);
    FPageCr = nullptr;
    cairo_set_source_surface(FCr, FRecording.get(), 0, 0);
    cairo_paint(FCr);

    const double scale = FPngDpi / 72.0;
    TSurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_RGB24,
                                                 static_cast<int>(FWidth * scale + 0.5),
                                                 static_cast<int>(FHeight * scale + 0.5)));
    Check(image.get());
    cairo_t* cr = cairo_create(image.get());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, FRecording.get(), 0, 0);
    cairo_paint(cr);
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status != CAIRO_STATUS_SUCCESS) Fail(status);
    std::string png;
    const cairo_status_t written = cairo_surface_write_to_png_stream(image.get(), AppendPng, &png);
    if (written != CAIRO_STATUS_SUCCESS) Fail(written);
    FPngPages.push_back(std::move(png));
    FRecording.reset();
  }
  cairo_show_page(FCr);
  CheckCairo(FCr);
  ++FPages;
}

std::string TPdfSink::Finish() {
  cairo_destroy(FCr);
  FCr = nullptr;
  cairo_surface_finish(FSurface.get());
  Check(FSurface.get());
  FSurface.reset();
  return std::move(FPdf);
}

}  // namespace xnd::govx::report
