#include "servers/govx/report/ReportCanvas.h"

#include <zint.h>

#include <algorithm>
#include <cctype>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servers/govx/report/ReportJpeg.h"

namespace xnd::govx::report {

namespace {

constexpr double CaptionSize = 5;
constexpr double Pad = 1.5;

struct TZintDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

}  // namespace

TCanvas::TCanvas(cairo_t* aCr, std::string aFontFamily)
    : FCr(aCr),
      FFamily(std::move(aFontFamily)),
      FLayout(pango_cairo_create_layout(aCr)),
      FFont(pango_font_description_new()) {
  pango_font_description_set_family(FFont, FFamily.c_str());
  pango_layout_set_wrap(FLayout, PANGO_WRAP_WORD_CHAR);
  // Unhinted metrics: text measures the same on every target (PDF, PNG, the
  // measuring context of the page plan).
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(pango_layout_get_context(FLayout), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(FLayout);
}

TCanvas::~TCanvas() {
  pango_font_description_free(FFont);
  g_object_unref(FLayout);
}

void TCanvas::Prepare(std::string_view aText, double aWidth, double aSize, bool aBold,
                      TAlign aAlign) {
  pango_font_description_set_absolute_size(FFont, aSize * PANGO_SCALE);
  pango_font_description_set_weight(FFont, aBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(FLayout, FFont);
  pango_layout_set_width(FLayout, aWidth > 0 ? static_cast<int>(aWidth * PANGO_SCALE) : -1);
  pango_layout_set_alignment(FLayout, aAlign == alCenter  ? PANGO_ALIGN_CENTER
                                      : aAlign == alRight ? PANGO_ALIGN_RIGHT
                                                          : PANGO_ALIGN_LEFT);
  pango_layout_set_text(FLayout, aText.data(), static_cast<int>(aText.size()));
}

double TCanvas::LineHeight(double aSize) {
  Prepare("Ag", -1, aSize, false, alLeft);
  int w = 0, h = 0;
  pango_layout_get_size(FLayout, &w, &h);
  return static_cast<double>(h) / PANGO_SCALE;
}

double TCanvas::TextHeight(std::string_view aText, double aWidth, double aSize, bool aBold) {
  if (aText.empty()) return 0;
  Prepare(aText, aWidth, aSize, aBold, alLeft);
  int w = 0, h = 0;
  pango_layout_get_size(FLayout, &w, &h);
  return static_cast<double>(h) / PANGO_SCALE;
}

double TCanvas::Text(double x, double y, double w, double h, std::string_view aText, double aSize,
                     bool aBold, TAlign aAlign, bool aVCenter, bool aClip) {
  if (aText.empty()) return 0;
  Prepare(aText, w, aSize, aBold, aAlign);
  int pw = 0, ph = 0;
  pango_layout_get_size(FLayout, &pw, &ph);
  const double height = static_cast<double>(ph) / PANGO_SCALE;
  cairo_save(FCr);
  if (aClip || height > h) {
    cairo_rectangle(FCr, x, y, w, h);
    cairo_clip(FCr);
  }
  cairo_set_source_rgb(FCr, 0, 0, 0);
  cairo_move_to(FCr, x, aVCenter && height < h ? y + (h - height) / 2 : y);
  pango_cairo_show_layout(FCr, FLayout);
  cairo_restore(FCr);
  return height;
}

void TCanvas::FitText(double x, double y, double w, double h, std::string_view aText, double aSize,
                      bool aBold, TAlign aAlign) {
  if (aText.empty()) return;
  double size = aSize;
  for (; size > aSize * 0.6; size -= 0.25) {
    Prepare(aText, -1, size, aBold, aAlign);
    int pw = 0, ph = 0;
    pango_layout_get_size(FLayout, &pw, &ph);
    if (static_cast<double>(pw) / PANGO_SCALE <= w) break;
  }
  Text(x, y, w, h, aText, size, aBold, aAlign);
}

std::vector<std::string> TCanvas::WrapLines(std::string_view aText, double aWidth, double aSize) {
  std::vector<std::string> lines;
  for (std::string_view paragraph : SplitLines(aText)) {
    if (paragraph.empty()) {
      lines.emplace_back();
      continue;
    }
    Prepare(paragraph, aWidth, aSize, false, alLeft);
    const int count = pango_layout_get_line_count(FLayout);
    for (int i = 0; i < count; ++i) {
      const PangoLayoutLine* line = pango_layout_get_line_readonly(FLayout, i);
      lines.emplace_back(paragraph.substr(static_cast<std::size_t>(line->start_index),
                                          static_cast<std::size_t>(line->length)));
    }
  }
  return lines;
}

void TCanvas::Rect(double x, double y, double w, double h, double aLine) {
  cairo_set_source_rgb(FCr, 0, 0, 0);
  cairo_set_line_width(FCr, aLine);
  cairo_rectangle(FCr, x, y, w, h);
  cairo_stroke(FCr);
}

void TCanvas::FillRect(double x, double y, double w, double h, double aGray) {
  cairo_set_source_rgb(FCr, aGray, aGray, aGray);
  cairo_rectangle(FCr, x, y, w, h);
  cairo_fill(FCr);
}

void TCanvas::Line(double x1, double y1, double x2, double y2, double aLine, bool aDashed) {
  cairo_save(FCr);
  cairo_set_source_rgb(FCr, 0, 0, 0);
  cairo_set_line_width(FCr, aLine);
  if (aDashed) {
    const double dash[] = {3.0, 2.0};
    cairo_set_dash(FCr, dash, 2, 0);
  }
  cairo_move_to(FCr, x1, y1);
  cairo_line_to(FCr, x2, y2);
  cairo_stroke(FCr);
  cairo_restore(FCr);
}

void TCanvas::Field(double x, double y, double w, double h, std::string_view aCaption,
                    std::string_view aValue, TAlign aAlign, double aValueSize, bool aBold) {
  Rect(x, y, w, h);
  const double captionHeight = LineHeight(CaptionSize);
  FitText(x + Pad, y + 0.5, w - 2 * Pad, captionHeight, aCaption, CaptionSize);
  const double size = aValueSize > 0 ? aValueSize : FValueSize;
  FitText(x + Pad, y + captionHeight, w - 2 * Pad, h - captionHeight - 0.5, aValue, size, aBold,
          aAlign);
}

void TCanvas::Title(double x, double y, std::string_view aText) {
  Text(x, y, A4LongPt, LineHeight(6), aText, 6, true);
}

void TCanvas::Image(cairo_surface_t* aImage, double x, double y, double w, double h) {
  const double iw = cairo_image_surface_get_width(aImage);
  const double ih = cairo_image_surface_get_height(aImage);
  if (iw <= 0 || ih <= 0 || w <= 0 || h <= 0) return;
  const double scale = std::min(w / iw, h / ih);
  cairo_save(FCr);
  cairo_rectangle(FCr, x, y, w, h);
  cairo_clip(FCr);
  cairo_translate(FCr, x + (w - iw * scale) / 2, y + (h - ih * scale) / 2);
  cairo_scale(FCr, scale, scale);
  cairo_set_source_surface(FCr, aImage, 0, 0);
  cairo_paint(FCr);
  cairo_restore(FCr);
}

void TCanvas::Barcode128(std::string_view aData, double x, double y, double w, double h) {
  if (aData.empty()) return;
  std::unique_ptr<zint_symbol, TZintDeleter> symbol(ZBarcode_Create());
  if (!symbol) throw EOleException("Sem memória para gerar o código de barras.");
  symbol->symbology = BARCODE_CODE128;
  symbol->show_hrt = 0;
  const std::string data(aData);
  const int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.data()),
                                 static_cast<int>(data.size()));
  if (rc >= ZINT_ERROR) {
    throw EOleException(Format("Código de barras \"%s\" não pôde ser gerado: %s", data,
                               std::string(symbol->errtxt)));
  }
  if (ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR || !symbol->vector) {
    throw EOleException(Format("Código de barras \"%s\" não pôde ser desenhado: %s", data,
                               std::string(symbol->errtxt)));
  }
  const zint_vector* v = symbol->vector;
  // Ten modules of quiet zone on each side, as Code 128 requires.
  const double modules = v->width + 20;
  const double sx = w / modules;
  const double sy = h / v->height;
  cairo_save(FCr);
  cairo_set_source_rgb(FCr, 0, 0, 0);
  for (const zint_vector_rect* r = v->rectangles; r; r = r->next) {
    cairo_rectangle(FCr, x + (r->x + 10) * sx, y + r->y * sy, r->width * sx, r->height * sy);
  }
  cairo_fill(FCr);
  cairo_restore(FCr);
}

void TCanvas::Watermark(double x, double y, double w, double h, std::string_view aText) {
  if (aText.empty()) return;
  double size = 28;
  for (; size > 8; size -= 1) {
    if (TextHeight(aText, w - 20, size, true) <= h) break;
  }
  Prepare(aText, w - 20, size, true, alCenter);
  int pw = 0, ph = 0;
  pango_layout_get_size(FLayout, &pw, &ph);
  const double height = static_cast<double>(ph) / PANGO_SCALE;
  cairo_save(FCr);
  cairo_rectangle(FCr, x, y, w, h);
  cairo_clip(FCr);
  cairo_set_source_rgba(FCr, 0.55, 0.55, 0.55, 0.45);
  cairo_move_to(FCr, x + 10, y + std::max(0.0, (h - height) / 2));
  pango_cairo_show_layout(FCr, FLayout);
  cairo_restore(FCr);
}

TSurfacePtr LoadLogo(const std::string& aFileName) {
  if (!FileExists(aFileName)) {
    throw EOleException(Format("Logotipo \"%s\" não encontrado.", aFileName));
  }
  std::string bytes;
  try {
    bytes = ReadFileBytes(aFileName);
  } catch (const EInOutError& e) {
    throw EOleException(
        Format("Logotipo \"%s\" não pôde ser lido: %s", aFileName, SystemErrorText(e.ErrorCode())));
  }
  const std::string_view magic(bytes);
  if (magic.starts_with("\xFF\xD8\xFF")) {
    std::string reason;
    TSurfacePtr image = DecodeJpeg(bytes, reason);
    if (!image) {
      throw EOleException(
          Format("Logotipo \"%s\" não é uma imagem JPEG válida: %s", aFileName, reason));
    }
    return image;
  }
  if (!magic.starts_with("\x89PNG")) {
    throw EOleException(Format("Logotipo \"%s\" não é uma imagem PNG ou JPEG.", aFileName));
  }
  TSurfacePtr image(cairo_image_surface_create_from_png(aFileName.c_str()));
  const cairo_status_t status = cairo_surface_status(image.get());
  if (status != CAIRO_STATUS_SUCCESS) {
    throw EOleException(Format("Logotipo \"%s\" não é uma imagem PNG válida: %s", aFileName,
                               std::string(cairo_status_to_string(status))));
  }
  return image;
}

std::string FormatCnpjCpf(std::string_view v) {
  if (!IsAsciiDigits(v)) return std::string(v);
  const std::string s(v);
  if (s.size() == 14)
    return s.substr(0, 2) + "." + s.substr(2, 3) + "." + s.substr(5, 3) + "/" + s.substr(8, 4) +
           "-" + s.substr(12, 2);
  if (s.size() == 11)
    return s.substr(0, 3) + "." + s.substr(3, 3) + "." + s.substr(6, 3) + "-" + s.substr(9, 2);
  return s;
}

std::string GroupKey(std::string_view aKey) {
  std::string out;
  for (std::size_t i = 0; i < aKey.size(); i += 4) {
    if (!out.empty()) out += ' ';
    out += aKey.substr(i, 4);
  }
  return out;
}

std::string FormatNumeroNota(std::string_view aNumber) {
  if (aNumber.empty() || !IsAsciiDigits(aNumber) || aNumber.size() > 9) return std::string(aNumber);
  const std::string s = std::string(9 - aNumber.size(), '0') + std::string(aNumber);
  return s.substr(0, 3) + "." + s.substr(3, 3) + "." + s.substr(6, 3);
}

std::string FormatCep(std::string_view aCep) {
  if (aCep.size() != 8 || !IsAsciiDigits(aCep)) return std::string(aCep);
  return std::string(aCep.substr(0, 5)) + "-" + std::string(aCep.substr(5));
}

}  // namespace xnd::govx::report
