// Drawing primitives of the layouts over one cairo context: boxes with a
// caption and a value, wrapped text measured and drawn with pango, lines,
// images and Code 128 bar codes (libzint). Units are PostScript points.
// Every text is clipped to its box, so nothing a value holds is drawn
// outside the place the layout gave it.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xnd::govx::report {

inline constexpr double PointsPerMm = 72.0 / 25.4;
inline constexpr double A4ShortPt = 210 * PointsPerMm;
inline constexpr double A4LongPt = 297 * PointsPerMm;

enum TAlign : unsigned char { alLeft, alCenter, alRight };

struct TCairoSurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using TSurfacePtr = std::unique_ptr<cairo_surface_t, TCairoSurfaceDeleter>;

class TCanvas {
 public:
  TCanvas(cairo_t* aCr, std::string aFontFamily);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  cairo_t* Context() const { return FCr; }

  // Height the text takes when wrapped to aWidth (no limit on height).
  double TextHeight(std::string_view aText, double aWidth, double aSize, bool aBold = false);
  // Draws the text wrapped in the box (clipped to it unless the caller knows
  // it fits, aClip false); returns its full height.
  double Text(double x, double y, double w, double h, std::string_view aText, double aSize,
              bool aBold = false, TAlign aAlign = alLeft, bool aVCenter = false, bool aClip = true);
  // One line: the size shrinks (down to 60 %) until the text fits aWidth,
  // then it wraps; always clipped to the box.
  void FitText(double x, double y, double w, double h, std::string_view aText, double aSize,
               bool aBold = false, TAlign aAlign = alLeft);
  // The visual lines of aText wrapped to aWidth, in order.
  std::vector<std::string> WrapLines(std::string_view aText, double aWidth, double aSize);
  double LineHeight(double aSize);

  void Rect(double x, double y, double w, double h, double aLine = 0.6);
  void FillRect(double x, double y, double w, double h, double aGray);
  void Line(double x1, double y1, double x2, double y2, double aLine = 0.6, bool aDashed = false);
  // A bordered box with a small caption at its top left and a value below.
  void Field(double x, double y, double w, double h, std::string_view aCaption,
             std::string_view aValue, TAlign aAlign = alLeft, double aValueSize = 0,
             bool aBold = false);
  void SetFieldValueSize(double aSize) { FValueSize = aSize; }
  // A block title ("DESTINATÁRIO / REMETENTE") drawn above a row of boxes.
  void Title(double x, double y, std::string_view aText);
  // The image scaled to fit the box, keeping its proportions, centred.
  void Image(cairo_surface_t* aImage, double x, double y, double w, double h);
  // Code 128 of aData filling the box (bars only, no text).
  void Barcode128(std::string_view aData, double x, double y, double w, double h);
  // Large light text centred on the box, clipped to it.
  void Watermark(double x, double y, double w, double h, std::string_view aText);

 private:
  void Prepare(std::string_view aText, double aWidth, double aSize, bool aBold, TAlign aAlign);

  cairo_t* FCr;
  std::string FFamily;
  PangoLayout* FLayout;
  PangoFontDescription* FFont;
  double FValueSize = 7;
};

// Loads a PNG or JPEG logo. Raises EOleException "Logotipo "%s" não
// encontrado.", "Logotipo "%s" não pôde ser lido: %s", "Logotipo "%s" não é
// uma imagem PNG ou JPEG.", "Logotipo "%s" não é uma imagem PNG válida: %s"
// (cairo's reason) or "Logotipo "%s" não é uma imagem JPEG válida: %s"
// (libjpeg's reason).
TSurfacePtr LoadLogo(const std::string& aFileName);

// "12345678901234" as "12.345.678/9012-34", 11 digits as "123.456.789-01";
// anything else unchanged.
std::string FormatCnpjCpf(std::string_view aValue);
// 44 digits in groups of four separated by blanks.
std::string GroupKey(std::string_view aKey);
// "000992346" as "000.992.346" (the number zero-padded to nine digits).
std::string FormatNumeroNota(std::string_view aNumber);
// "01127010" as "01127-010".
std::string FormatCep(std::string_view aCep);

}  // namespace xnd::govx::report
