// A report template (.rtm): a small INI text naming the layout and its
// settings. Example:
//
//   [Relatorio]
//   Layout=DanfeRetrato        ; DanfeRetrato, DanfePaisagem or CCe
//   Papel=A4                   ; the only paper the layouts are drawn for
//   Margem=5                   ; millimetres on every side
//   Fonte=Liberation Sans      ; family of every text (fontconfig name)
//   TamanhoFonte=7             ; points, the values of the boxes
//   TamanhoFonteItens=6        ; points, the rows of the items table
//   [Logotipo]
//   Largura=24                 ; millimetres of the box the logo is fitted into
//   Altura=20
#pragma once

#include <string>

namespace xnd::govx::report {

enum TReportLayout : unsigned char { rlDanfeRetrato, rlDanfePaisagem, rlCCe };

struct TReportTemplate {
  std::string FileName;
  TReportLayout Layout = rlDanfeRetrato;
  double MarginMm = 5;
  std::string FontFamily = "Liberation Sans";
  double FontSize = 7;
  double ItemFontSize = 6;
  double LogoWidthMm = 24;
  double LogoHeightMm = 20;
};

// Reads a template. Raises EOleException: "Modelo de relatório não
// informado." (empty path); "Modelo de relatório "%s" não encontrado.";
// "Modelo de relatório "%s" não pôde ser lido: %s" (the system's reason);
// "Modelo de relatório "%s" não informa o layout (chave Layout da seção
// [Relatorio])."; "Modelo de relatório "%s": layout "%s" desconhecido.";
// "Modelo de relatório "%s": papel "%s" não suportado (use A4).";
// "Modelo de relatório "%s": valor "%s" inválido em %s." for a number that
// does not read or lies outside its range.
TReportTemplate LoadReportTemplate(const std::string& aFileName);

}  // namespace xnd::govx::report
