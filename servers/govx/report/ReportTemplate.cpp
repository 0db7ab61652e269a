#include "servers/govx/report/ReportTemplate.h"

#include <locale>
#include <sstream>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/text.h"

namespace xnd::govx::report {

namespace {

constexpr const char* Secao = "Relatorio";

double ReadNumber(TMemIniFile& aIni, const std::string& aFile, const std::string& aSection,
                  const std::string& aKey, double aDefault, double aMin, double aMax) {
  const std::string text = Trim(aIni.ReadString(aSection, aKey, ""));
  if (text.empty()) return aDefault;
  // A comma is read as the decimal point; the stream ignores LC_NUMERIC.
  std::istringstream in(StringReplace(text, ",", "."));
  in.imbue(std::locale::classic());
  double value = 0;
  in >> value;
  if (in.fail() || !in.eof() || value < aMin || value > aMax) {
    throw EOleException(Format("Modelo de relatório \"%s\": valor \"%s\" inválido em %s.", aFile,
                               text, "[" + aSection + "] " + aKey));
  }
  return value;
}

}  // namespace

TReportTemplate LoadReportTemplate(const std::string& aFileName) {
  if (Trim(aFileName).empty()) throw EOleException("Modelo de relatório não informado.");
  if (!FileExists(aFileName)) {
    throw EOleException(Format("Modelo de relatório \"%s\" não encontrado.", aFileName));
  }
  std::string text;
  try {
    text = ReadFileBytes(aFileName);
  } catch (const EInOutError& e) {
    throw EOleException(Format("Modelo de relatório \"%s\" não pôde ser lido: %s", aFileName,
                               SystemErrorText(e.ErrorCode())));
  }
  TMemIniFile ini("");
  ini.SetText(text);

  TReportTemplate t;
  t.FileName = aFileName;
  const std::string layout = Trim(ini.ReadString(Secao, "Layout", ""));
  if (layout.empty()) {
    throw EOleException(Format(
        "Modelo de relatório \"%s\" não informa o layout (chave Layout da seção [Relatorio]).",
        aFileName));
  }
  if (SameText(layout, "DanfeRetrato")) {
    t.Layout = rlDanfeRetrato;
  } else if (SameText(layout, "DanfePaisagem")) {
    t.Layout = rlDanfePaisagem;
  } else if (SameText(layout, "CCe")) {
    t.Layout = rlCCe;
  } else {
    throw EOleException(
        Format("Modelo de relatório \"%s\": layout \"%s\" desconhecido.", aFileName, layout));
  }
  const std::string paper = Trim(ini.ReadString(Secao, "Papel", "A4"));
  if (!SameText(paper, "A4")) {
    throw EOleException(Format("Modelo de relatório \"%s\": papel \"%s\" não suportado (use A4).",
                               aFileName, paper));
  }
  t.MarginMm = ReadNumber(ini, aFileName, Secao, "Margem", t.MarginMm, 0, 25);
  const std::string font = Trim(ini.ReadString(Secao, "Fonte", ""));
  if (!font.empty()) t.FontFamily = font;
  t.FontSize = ReadNumber(ini, aFileName, Secao, "TamanhoFonte", t.FontSize, 4, 14);
  t.ItemFontSize = ReadNumber(ini, aFileName, Secao, "TamanhoFonteItens", t.ItemFontSize, 4, 12);
  t.LogoWidthMm = ReadNumber(ini, aFileName, "Logotipo", "Largura", t.LogoWidthMm, 0, 80);
  t.LogoHeightMm = ReadNumber(ini, aFileName, "Logotipo", "Altura", t.LogoHeightMm, 0, 40);
  return t;
}

}  // namespace xnd::govx::report
