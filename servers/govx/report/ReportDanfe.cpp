#include "servers/govx/report/ReportDanfe.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/exception.h"
#include "platform/text.h"

namespace xnd::govx::report {

namespace {

constexpr double RowH = 20;      // a row of captioned boxes
constexpr double TitleH = 9;     // a block title
constexpr double StubH = 48;     // receipt stub
constexpr double CutGap = 7;     // stub cut line
constexpr double HeaderH = 118;  // issuer, DANFE and key boxes
constexpr double ItemsHeadH = 16;
constexpr double CellPad = 1.5;
constexpr std::size_t MaxInvoiceRows = 3;
constexpr const char* ContinuationTitle = "DADOS ADICIONAIS (CONTINUAÇÃO)";

struct TCol {
  const char* Caption;
  double Fixed;  // points in portrait; 0 = takes what is left (description)
  TAlign Align;
};

// The items table: caption, width and alignment of each column.
constexpr std::array<TCol, 14> Columns{{
    {"CÓDIGO PRODUTO", 46, alLeft},
    {"DESCRIÇÃO DO PRODUTO / SERVIÇO", 0, alLeft},
    {"NCM/SH", 32, alCenter},
    {"O/CST", 22, alCenter},
    {"CFOP", 20, alCenter},
    {"UN", 18, alCenter},
    {"QUANT.", 34, alRight},
    {"VALOR UNIT.", 36, alRight},
    {"VALOR TOTAL", 38, alRight},
    {"B.CÁLC. ICMS", 36, alRight},
    {"VALOR ICMS", 32, alRight},
    {"VALOR IPI", 28, alRight},
    {"ALÍQ. ICMS", 20, alRight},
    {"ALÍQ. IPI", 20, alRight},
}};

struct TBox {
  const char* Caption;
  std::string Value;
  double Fraction;
  TAlign Align = alLeft;
  bool Bold = false;
};

struct TRow {
  std::array<std::string, Columns.size()> Cells;
  double Height = 0;
};

struct TPage {
  std::size_t FirstRow = 0, RowCount = 0;
  std::size_t FirstLine = 0, LineCount = 0;
};

std::string Join(std::initializer_list<std::string> aParts, const char* aSep) {
  std::string out;
  for (const std::string& p : aParts) {
    if (p.empty()) continue;
    if (!out.empty()) out += aSep;
    out += p;
  }
  return out;
}

class TDanfe {
 public:
  TDanfe(const TReportTemplate& aTemplate, const TDanfeGeometry& aGeometry,
         const TReportRecord& aDados, cairo_surface_t* aLogo)
      : T(aTemplate), G(aGeometry), D(aDados), FLogo(aLogo) {}

  void Plan(TCanvas& c);
  void Render(TPageSink& aSink);

 private:
  const std::string& V(std::string_view aField) const { return D.Value(aField); }

  // Column widths for this geometry (fixed ones scaled when wider).
  void Widths();
  double FirstPageItemsTop() const;
  double OtherPageItemsTop() const;
  double FirstPageItemsBottom() const;
  double BoxLines(TCanvas& c) const;

  void BoxRow(TCanvas& c, double y, double h, const std::vector<TBox>& aBoxes) const;
  void Stub(TCanvas& c, double x, double y, double w) const;
  double Header(TCanvas& c, double y, int aPage, int aPages) const;
  double Recipient(TCanvas& c, double y) const;
  double Invoices(TCanvas& c, double y) const;
  double Taxes(TCanvas& c, double y) const;
  double Carrier(TCanvas& c, double y) const;
  double ItemsHeader(TCanvas& c, double y) const;
  double Item(TCanvas& c, double y, const TRow& aRow) const;
  void ColumnLines(TCanvas& c, double aTop, double aBottom) const;
  void Issqn(TCanvas& c, double y) const;
  void AdditionalInfo(TCanvas& c, double y, double h) const;
  double Continuation(TCanvas& c, double y, std::size_t aFirst, std::size_t aCount) const;
  void Watermarks(TCanvas& c, double y, double h) const;

  bool HasIssqn() const {
    return !V("EmitIM").empty() || !V("ValorTotServ").empty() || !V("BaseCalcISSQN").empty() ||
           !V("ValorTotISSQN").empty();
  }
  double InvoicesHeight() const {
    if (FInvoices.empty()) return 0;
    const auto rows = (FInvoices.size() + static_cast<std::size_t>(G.InvoicesPerRow) - 1) /
                      static_cast<std::size_t>(G.InvoicesPerRow);
    return TitleH + static_cast<double>(rows) * 16;
  }
  double IssqnHeight() const { return HasIssqn() ? TitleH + RowH : 0; }

  const TReportTemplate& T;
  const TDanfeGeometry& G;
  const TReportRecord& D;
  cairo_surface_t* FLogo;
  std::array<double, Columns.size()> FWidths{};
  std::vector<TRow> FRows;
  std::vector<const TReportRecord*> FInvoices;
  std::vector<std::string> FBoxLines;  // what the first sheet's box shows
  std::vector<std::string> FLines;     // the continuation, wrapped
  std::vector<TPage> FPages;
  double FLineH = 0;
};

void TDanfe::Widths() {
  double fixed = 0;
  for (const TCol& col : Columns) fixed += col.Fixed;
  // Portrait gives the description what is left; a wider page widens every
  // column a little and the description most.
  const double portraitWidth = A4ShortPt - 2 * T.MarginMm * PointsPerMm;
  const double scale = G.Width > portraitWidth ? 1.2 : 1.0;
  for (std::size_t i = 0; i < Columns.size(); ++i) FWidths[i] = Columns[i].Fixed * scale;
  FWidths[1] = G.Width - fixed * scale;
}

double TDanfe::OtherPageItemsTop() const {
  return G.Top + HeaderH + 2 * RowH + TitleH + ItemsHeadH;
}

double TDanfe::FirstPageItemsTop() const {
  const double stub = G.SideStubWidth > 0 ? 0 : StubH + CutGap;
  return G.Top + stub + HeaderH + 2 * RowH + (TitleH + 3 * RowH) + InvoicesHeight() +
         (TitleH + 2 * RowH) + (TitleH + 3 * RowH) + TitleH + ItemsHeadH;
}

double TDanfe::FirstPageItemsBottom() const {
  return G.Bottom - IssqnHeight() - (TitleH + G.AdditionalInfoHeight);
}

void TDanfe::Plan(TCanvas& c) {
  Widths();
  const TReportDataSet* items = D.Detail("DadosItens");
  if (!items) throw EOleException("Dados do relatório sem o conjunto \"DadosItens\".");
  std::vector<std::string> moreInvoices;
  if (const TReportDataSet* dups = D.Detail("DadosCobranca")) {
    FInvoices = dups->FilledRecords();
    // Three rows of invoices on the first sheet; the others are listed with
    // the continuation of the additional information.
    const auto shown = static_cast<std::size_t>(G.InvoicesPerRow) * MaxInvoiceRows;
    for (std::size_t i = shown; i < FInvoices.size(); ++i) {
      const TReportRecord& dup = *FInvoices[i];
      moreInvoices.push_back("Duplicata Núm.: " + dup.Value("NumDuplicata") + "  Venc.: " +
                             dup.Value("DtVencimento") + "  Valor: " + dup.Value("ValorDuplicata"));
    }
    if (FInvoices.size() > shown) FInvoices.resize(shown);
  }

  const double size = T.ItemFontSize;
  const double lineH = c.LineHeight(size);
  const double maxRow = G.Bottom - OtherPageItemsTop();
  for (const TReportRecord* item : items->FilledRecords()) {
    TRow row;
    std::string description = item->Value("ItemDescricao");
    if (!item->Value("ItemObs").empty()) description += "\n" + item->Value("ItemObs");
    if (const TReportDataSet* lots = item->Detail("DadosLotesMedicamento")) {
      for (const TReportRecord* lot : lots->FilledRecords()) {
        description +=
            "\n" + Join({lot->Value("nLote").empty() ? "" : "Lote: " + lot->Value("nLote"),
                         lot->Value("qLote").empty() ? "" : "Qtd: " + lot->Value("qLote"),
                         lot->Value("dFab").empty() ? "" : "Fab: " + lot->Value("dFab"),
                         lot->Value("dVal").empty() ? "" : "Val: " + lot->Value("dVal"),
                         lot->Value("vPMC").empty() ? "" : "PMC: " + lot->Value("vPMC")},
                        " ");
      }
    }
    row.Cells = {item->Value("ItemCodigo"),     description,
                 item->Value("ItemNCM"),        item->Value("ItemORIG") + item->Value("ItemCST"),
                 item->Value("ItemCFOP"),       item->Value("ItemUnidade"),
                 item->Value("ItemQuantidade"), item->Value("ItemVUnit"),
                 item->Value("ItemVTotal"),     item->Value("ItemBCalcIcms"),
                 item->Value("ItemVIcms"),      item->Value("ItemVIPI"),
                 item->Value("ItemAliqIcms"),   item->Value("ItemAliqIPI")};
    // A text short enough to fit its column on one line whatever its letters
    // (0.62 em is wider than any letter of the family's average) takes one
    // line; only the others are measured.
    double h = lineH;
    for (std::size_t i = 0; i < Columns.size(); ++i) {
      const std::string& cell = row.Cells[i];
      const double width = FWidths[i] - 2 * CellPad;
      if (cell.find('\n') == std::string::npos &&
          static_cast<double>(Utf8Length(cell)) * size * 0.62 <= width) {
        continue;
      }
      h = std::max(h, c.TextHeight(cell, width, size));
    }
    // A row taller than a whole sheet is cut at the sheet (it is clipped, never
    // drawn over the blocks below).
    row.Height = std::min(h + 2 * CellPad, maxRow);
    FRows.push_back(std::move(row));
  }

  // Additional information: the first sheet's box shows what fits; the rest,
  // and the continuation the data prepared, follow after the items.
  FLineH = c.LineHeight(T.FontSize);
  const double boxWidth = G.Width * 0.68 - 2 * CellPad;
  std::string boxText = V("ObsContribuinte");
  if (!V("IdentCampo").empty() || !V("ContCampo").empty()) {
    boxText = Join({boxText, V("IdentCampo") + ": " + V("ContCampo")}, "\r\n");
  }
  std::vector<std::string> box = c.WrapLines(boxText, boxWidth, T.FontSize);
  while (!box.empty() && box.back().empty()) box.pop_back();
  const auto fits =
      static_cast<std::size_t>(std::max(0.0, std::floor((G.AdditionalInfoHeight - 8) / FLineH)));
  if (box.size() > fits) {
    FLines.assign(box.begin() + static_cast<std::ptrdiff_t>(fits), box.end());
    box.resize(fits);
  }
  FBoxLines = std::move(box);
  for (const std::string& invoice : moreInvoices) {
    for (std::string& line : c.WrapLines(invoice, G.Width - 2 * CellPad, T.FontSize)) {
      FLines.push_back(std::move(line));
    }
  }
  for (std::string& line :
       c.WrapLines(V("ContinuaObsContribuinte"), G.Width - 2 * CellPad, T.FontSize)) {
    FLines.push_back(std::move(line));
  }
  while (!FLines.empty() && FLines.back().empty()) FLines.pop_back();

  // Sheets: rows while they fit, then the continuation lines.
  FPages.push_back({});
  double avail = FirstPageItemsBottom() - FirstPageItemsTop();
  for (std::size_t r = 0; r < FRows.size(); ++r) {
    if (FRows[r].Height > avail) {
      FPages.push_back({r, 0, 0, 0});
      avail = G.Bottom - OtherPageItemsTop();
    }
    if (FPages.back().RowCount == 0) FPages.back().FirstRow = r;
    ++FPages.back().RowCount;
    avail -= FRows[r].Height;
  }
  std::size_t line = 0;
  const double overhead = TitleH + 7;
  while (line < FLines.size()) {
    if (FPages.size() == 1) {
      FPages.push_back({FRows.size(), 0, line, 0});
      avail = G.Bottom - (OtherPageItemsTop() - TitleH - ItemsHeadH);
    }
    const auto room =
        static_cast<std::size_t>(std::max(0.0, std::floor((avail - overhead) / FLineH)));
    const std::size_t take = std::min(room, FLines.size() - line);
    if (take > 0) {
      FPages.back().FirstLine = line;
      FPages.back().LineCount = take;
      line += take;
    }
    if (line < FLines.size()) {
      FPages.push_back({FRows.size(), 0, line, 0});
      avail = G.Bottom - (OtherPageItemsTop() - TitleH - ItemsHeadH);
    }
  }
}

void TDanfe::BoxRow(TCanvas& c, double y, double h, const std::vector<TBox>& aBoxes) const {
  double x = G.Left;
  for (std::size_t i = 0; i < aBoxes.size(); ++i) {
    const TBox& b = aBoxes[i];
    const double w = i + 1 == aBoxes.size() ? G.Left + G.Width - x : G.Width * b.Fraction;
    c.Field(x, y, w, h, b.Caption, b.Value, b.Align, 0, b.Bold);
    x += w;
  }
}

void TDanfe::Stub(TCanvas& c, double x, double y, double w) const {
  const double right = 110;
  const double lw = w - right;
  c.Rect(x, y, lw, 22);
  c.Text(x + CellPad, y + 2, lw - 2 * CellPad, 19,
         "RECEBEMOS DE " + V("EmitNome") +
             " OS PRODUTOS E/OU SERVIÇOS CONSTANTES DA NOTA FISCAL ELETRÔNICA INDICADA AO LADO",
         6);
  c.Field(x, y + 22, lw * 0.3, StubH - 22, "DATA DE RECEBIMENTO", "");
  c.Field(x + lw * 0.3, y + 22, lw * 0.7, StubH - 22, "IDENTIFICAÇÃO E ASSINATURA DO RECEBEDOR",
          "");
  c.Rect(x + lw, y, right, StubH);
  c.Text(x + lw, y + 3, right, 14, "NF-e", 12, true, alCenter);
  c.Text(x + lw, y + 19, right, 12, "Nº " + FormatNumeroNota(V("nNF")), 8, true, alCenter);
  c.Text(x + lw, y + 31, right, 12, "SÉRIE " + V("Serie"), 8, true, alCenter);
}

double TDanfe::Header(TCanvas& c, double y, int aPage, int aPages) const {
  const double wIssuer = G.Width * 0.40, wDanfe = G.Width * 0.18;
  const double wKey = G.Width - wIssuer - wDanfe;
  double x = G.Left;

  // Issuer, with its logo.
  c.Rect(x, y, wIssuer, HeaderH);
  c.Text(x + CellPad, y + 1, wIssuer, 8, "IDENTIFICAÇÃO DO EMITENTE", 5);
  double tx = x + CellPad, tw = wIssuer - 2 * CellPad;
  if (FLogo) {
    const double lw = std::min(T.LogoWidthMm * PointsPerMm, wIssuer * 0.45);
    const double lh = std::min(T.LogoHeightMm * PointsPerMm, HeaderH - 12);
    c.Image(FLogo, x + CellPad, y + 10, lw, lh);
    tx += lw + 3;
    tw -= lw + 3;
  }
  double ty = y + 12;
  ty += c.Text(tx, ty, tw, 40, V("EmitNome"), 9, true, alCenter) + 4;
  std::string address = Join({V("EmitEnd"), V("EmitComplemento")}, " - ") + "\n" +
                        Join({V("EmitBairro"), FormatCep(V("EmitCep"))}, " - ") + "\n" +
                        Join({V("EmitMun"), V("EmitUF")}, " - ");
  if (!V("EmitFone").empty()) address += "\nFone: " + V("EmitFone");
  c.Text(tx, ty, tw, y + HeaderH - ty - 2, address, T.FontSize, false, alCenter);
  x += wIssuer;

  // DANFE box.
  c.Rect(x, y, wDanfe, HeaderH);
  c.Text(x, y + 4, wDanfe, 16, "DANFE", 13, true, alCenter);
  c.Text(x + 4, y + 20, wDanfe - 8, 20, "DOCUMENTO AUXILIAR DA NOTA FISCAL ELETRÔNICA", 6.5, false,
         alCenter);
  c.Text(x + 8, y + 45, wDanfe, 9, "0 - ENTRADA", 7);
  c.Text(x + 8, y + 54, wDanfe, 9, "1 - SAÍDA", 7);
  c.Rect(x + wDanfe - 26, y + 46, 14, 14);
  c.Text(x + wDanfe - 26, y + 47, 14, 12, V("nTpNF"), 9, true, alCenter);
  c.Text(x, y + 70, wDanfe, 11, "Nº " + FormatNumeroNota(V("nNF")), 8.5, true, alCenter);
  c.Text(x, y + 82, wDanfe, 11, "SÉRIE " + V("Serie"), 8.5, true, alCenter);
  c.Text(x, y + 96, wDanfe, 11, Format("FOLHA %d/%d", aPage, aPages), 8.5, true, alCenter);
  x += wDanfe;

  // Bar code, access key and the authenticity note or the contingency bar code.
  c.Rect(x, y, wKey, HeaderH);
  c.Barcode128(V("CodBarra"), x + 6, y + 4, wKey - 12, 34);
  c.Field(x, y + 42, wKey, 22, "CHAVE DE ACESSO", GroupKey(V("CodBarra")), alCenter, 7.5, true);
  const std::string& contingencyData = V("CodBarraDadosNFe");
  if (!contingencyData.empty()) {
    c.Barcode128(contingencyData, x + 6, y + 70, wKey - 12, 34);
  } else {
    c.Text(x + 6, y + 74, wKey - 12, 40,
           "Consulta de autenticidade no portal nacional da NF-e www.nfe.fazenda.gov.br/portal "
           "ou no site da Sefaz Autorizadora",
           7.5, false, alCenter);
  }
  y += HeaderH;

  std::string protocolCaption = "PROTOCOLO DE AUTORIZAÇÃO DE USO";
  std::string protocol = Join({V("nProt"), V("dhRecbto")}, " - ");
  if (!contingencyData.empty()) {
    protocolCaption = "DADOS DA NF-E";
    protocol = GroupKey(contingencyData);
  } else if (V("tpEmis") == "4") {
    protocolCaption = "NÚMERO DE REGISTRO DPEC";
  }
  BoxRow(c, y, RowH,
         {{"NATUREZA DA OPERAÇÃO", V("NatOper"), 0.6},
          {protocolCaption.c_str(), protocol, 0.4, alCenter, true}});
  y += RowH;
  BoxRow(c, y, RowH,
         {{"INSCRIÇÃO ESTADUAL", V("EmitIE"), 1.0 / 3},
          {"INSC. ESTADUAL DO SUBST. TRIBUTÁRIO", V("EmitIEST"), 1.0 / 3},
          {"CNPJ", FormatCnpjCpf(V("EmitCNPJ")), 1.0 / 3}});
  return y + RowH;
}

double TDanfe::Recipient(TCanvas& c, double y) const {
  c.Title(G.Left, y + 1, "DESTINATÁRIO / REMETENTE");
  y += TitleH;
  BoxRow(c, y, RowH,
         {{"NOME / RAZÃO SOCIAL", V("DestNome"), 0.58},
          {"CNPJ / CPF", FormatCnpjCpf(V("DestCNPJ")), 0.24, alCenter},
          {"DATA DA EMISSÃO", V("DtEmissao"), 0.18, alCenter}});
  y += RowH;
  BoxRow(c, y, RowH,
         {{"ENDEREÇO", Join({V("DestEnd"), V("DestComplemento")}, " - "), 0.46},
          {"BAIRRO / DISTRITO", V("DestBairro"), 0.24},
          {"CEP", FormatCep(V("DestCep")), 0.12, alCenter},
          {"DATA DA SAÍDA/ENTRADA", V("DtSaida"), 0.18, alCenter}});
  y += RowH;
  BoxRow(c, y, RowH,
         {{"MUNICÍPIO", V("DestMun"), 0.36},
          {"FONE / FAX", V("DestFoneFax"), 0.18},
          {"UF", V("DestUF"), 0.06, alCenter},
          {"INSCRIÇÃO ESTADUAL", V("DestIE"), 0.22},
          {"HORA DA SAÍDA/ENTRADA", V("hSaida"), 0.18, alCenter}});
  return y + RowH;
}

double TDanfe::Invoices(TCanvas& c, double y) const {
  if (FInvoices.empty()) return y;
  c.Title(G.Left, y + 1, "FATURA / DUPLICATAS");
  y += TitleH;
  const double w = G.Width / G.InvoicesPerRow;
  for (std::size_t i = 0; i < FInvoices.size(); ++i) {
    const auto col = static_cast<double>(i % static_cast<std::size_t>(G.InvoicesPerRow));
    const auto row = static_cast<double>(i / static_cast<std::size_t>(G.InvoicesPerRow));
    const TReportRecord& dup = *FInvoices[i];
    const double x = G.Left + col * w, top = y + row * 16;
    c.Rect(x, top, w, 16);
    c.FitText(x + CellPad, top + 1, w - 2 * CellPad, 15,
              "Núm.: " + dup.Value("NumDuplicata") + "  Venc.: " + dup.Value("DtVencimento") +
                  "  Valor: " + dup.Value("ValorDuplicata"),
              6.5);
  }
  return y + InvoicesHeight() - TitleH;
}

double TDanfe::Taxes(TCanvas& c, double y) const {
  c.Title(G.Left, y + 1, "CÁLCULO DO IMPOSTO");
  y += TitleH;
  const double f = 1.0 / 6;
  BoxRow(c, y, RowH,
         {{"BASE DE CÁLCULO DO ICMS", V("BaseCalcIcms"), f, alRight},
          {"VALOR DO ICMS", V("ValorIcms"), f, alRight},
          {"BASE DE CÁLC. ICMS S.T.", V("BaseCalcIcmsSubs"), f, alRight},
          {"VALOR DO ICMS SUBST.", V("ValorIcmsSubs"), f, alRight},
          {"V. APROX. DOS TRIBUTOS", V("ValorTotTrib"), f, alRight},
          {"V. TOTAL PRODUTOS", V("ValorTotProd"), f, alRight}});
  y += RowH;
  BoxRow(c, y, RowH,
         {{"VALOR DO FRETE", V("ValorFrete"), f, alRight},
          {"VALOR DO SEGURO", V("ValorSeguro"), f, alRight},
          {"DESCONTO", V("Desconto"), f, alRight},
          {"OUTRAS DESPESAS", V("OutrasDesp"), f, alRight},
          {"VALOR TOTAL IPI", V("ValorIPI"), f, alRight},
          {"V. TOTAL DA NOTA", V("ValorTotNota"), f, alRight, true}});
  return y + RowH;
}

double TDanfe::Carrier(TCanvas& c, double y) const {
  c.Title(G.Left, y + 1, "TRANSPORTADOR / VOLUMES TRANSPORTADOS");
  y += TitleH;
  const std::string freight = V("TraDescMod").empty() ? V("TraModFrete") : V("TraDescMod");
  BoxRow(c, y, RowH,
         {{"NOME / RAZÃO SOCIAL", V("TraNome"), 0.30},
          {"FRETE POR CONTA", freight, 0.16},
          {"CÓDIGO ANTT", V("VeiCodigoANTT"), 0.12},
          {"PLACA DO VEÍCULO", V("VeiPlaca"), 0.12},
          {"UF", V("VeiUF"), 0.06, alCenter},
          {"CNPJ / CPF", FormatCnpjCpf(V("TraCNPJ")), 0.24}});
  y += RowH;
  BoxRow(c, y, RowH,
         {{"ENDEREÇO", V("TraEnd"), 0.46},
          {"MUNICÍPIO", V("TraMun"), 0.24},
          {"UF", V("TraUF"), 0.06, alCenter},
          {"INSCRIÇÃO ESTADUAL", V("TraIE"), 0.24}});
  y += RowH;
  BoxRow(c, y, RowH,
         {{"QUANTIDADE", V("VolQuantidade"), 0.12, alRight},
          {"ESPÉCIE", V("VolEspecie"), 0.20},
          {"MARCA", V("VolMarca"), 0.20},
          {"NUMERAÇÃO", V("VolNumeracao"), 0.16},
          {"PESO BRUTO", V("VolPesoBruto"), 0.16, alRight},
          {"PESO LÍQUIDO", V("VolPesoLiquido"), 0.16, alRight}});
  return y + RowH;
}

double TDanfe::ItemsHeader(TCanvas& c, double y) const {
  c.Title(G.Left, y + 1, "DADOS DOS PRODUTOS / SERVIÇOS");
  y += TitleH;
  double x = G.Left;
  for (std::size_t i = 0; i < Columns.size(); ++i) {
    c.Rect(x, y, FWidths[i], ItemsHeadH);
    c.Text(x + 0.5, y + 1, FWidths[i] - 1, ItemsHeadH - 1, Columns[i].Caption, 5, false, alCenter,
           true);
    x += FWidths[i];
  }
  return y + ItemsHeadH;
}

double TDanfe::Item(TCanvas& c, double y, const TRow& aRow) const {
  // The plan measured every cell into the row, so a cell is clipped only when
  // it turns out taller than its row (a row cut at the sheet).
  double x = G.Left;
  for (std::size_t i = 0; i < Columns.size(); ++i) {
    c.Text(x + CellPad, y + CellPad, FWidths[i] - 2 * CellPad, aRow.Height - 2 * CellPad,
           aRow.Cells[i], T.ItemFontSize, false, Columns[i].Align, false, false);
    x += FWidths[i];
  }
  c.Line(G.Left, y + aRow.Height, x, y + aRow.Height, 0.2, true);
  return y + aRow.Height;
}

void TDanfe::ColumnLines(TCanvas& c, double aTop, double aBottom) const {
  double x = G.Left;
  for (double w : FWidths) {
    c.Line(x, aTop, x, aBottom, 0.4);
    x += w;
  }
  c.Line(x, aTop, x, aBottom, 0.4);
}

void TDanfe::Issqn(TCanvas& c, double y) const {
  if (!HasIssqn()) return;
  c.Title(G.Left, y + 1, "CÁLCULO DO ISSQN");
  y += TitleH;
  BoxRow(c, y, RowH,
         {{"INSCRIÇÃO MUNICIPAL", V("EmitIM"), 0.25},
          {"VALOR TOTAL DOS SERVIÇOS", V("ValorTotServ"), 0.25, alRight},
          {"BASE DE CÁLCULO DO ISSQN", V("BaseCalcISSQN"), 0.25, alRight},
          {"VALOR DO ISSQN", V("ValorTotISSQN"), 0.25, alRight}});
}

void TDanfe::AdditionalInfo(TCanvas& c, double y, double h) const {
  c.Title(G.Left, y + 1, "DADOS ADICIONAIS");
  y += TitleH;
  const double w = G.Width * 0.68;
  c.Rect(G.Left, y, w, h);
  c.Text(G.Left + CellPad, y + 0.5, w, 7, "INFORMAÇÕES COMPLEMENTARES", 5);
  std::string text;
  for (const std::string& line : FBoxLines) text += line + "\n";
  if (!FLines.empty()) text += "(continua na folha seguinte)";
  double ly = y + 7;
  for (std::string_view line : SplitLines(text)) {
    c.Text(G.Left + CellPad, ly, w - 2 * CellPad, FLineH, line, T.FontSize);
    ly += FLineH;
  }
  c.Rect(G.Left + w, y, G.Width - w, h);
  c.Text(G.Left + w + CellPad, y + 0.5, G.Width - w, 7, "RESERVADO AO FISCO", 5);
}

double TDanfe::Continuation(TCanvas& c, double y, std::size_t aFirst, std::size_t aCount) const {
  c.Title(G.Left, y + 1, ContinuationTitle);
  y += TitleH;
  const double h = static_cast<double>(aCount) * FLineH + 4;
  c.Rect(G.Left, y, G.Width, h);
  double ly = y + 2;
  for (std::size_t i = aFirst; i < aFirst + aCount; ++i) {
    c.Text(G.Left + CellPad, ly, G.Width - 2 * CellPad, FLineH, FLines[i], T.FontSize);
    ly += FLineH;
  }
  return y + h;
}

void TDanfe::Watermarks(TCanvas& c, double y, double h) const {
  const std::string text = Join({V("FraseHomologacao"), V("FraseContingencia")}, "\n");
  c.Watermark(G.Left, y, G.Width, h, text);
}

void TDanfe::Render(TPageSink& aSink) {
  const int pages = static_cast<int>(FPages.size());
  for (int p = 0; p < pages; ++p) {
    const TPage& page = FPages[static_cast<std::size_t>(p)];
    TCanvas c(aSink.BeginPage(G.PageWidth, G.PageHeight), T.FontFamily);
    c.SetFieldValueSize(T.FontSize);
    double y = G.Top;
    if (p == 0) {
      if (G.SideStubWidth > 0) {
        // Turned a quarter to the left along the left margin.
        cairo_t* cr = c.Context();
        cairo_save(cr);
        cairo_translate(cr, G.Left - G.SideStubWidth, G.Bottom);
        cairo_rotate(cr, -M_PI / 2);
        Stub(c, 0, 0, G.Bottom - G.Top);
        c.Line(0, StubH + CutGap / 2, G.Bottom - G.Top, StubH + CutGap / 2, 0.5, true);
        cairo_restore(cr);
      } else {
        Stub(c, G.Left, y, G.Width);
        c.Line(G.Left, y + StubH + CutGap / 2, G.Left + G.Width, y + StubH + CutGap / 2, 0.5, true);
        y += StubH + CutGap;
      }
    }
    y = Header(c, y, p + 1, pages);
    double itemsBottom = G.Bottom;
    if (p == 0) {
      y = Recipient(c, y);
      y = Invoices(c, y);
      y = Taxes(c, y);
      y = Carrier(c, y);
      itemsBottom = FirstPageItemsBottom();
    }
    const double areaTop = y;
    if (p == 0 || page.RowCount > 0) {
      y = ItemsHeader(c, y);
      const double tableTop = y;
      for (std::size_t r = page.FirstRow; r < page.FirstRow + page.RowCount; ++r) {
        y = Item(c, y, FRows[r]);
      }
      // The first sheet's table reaches down to the blocks of its foot.
      ColumnLines(c, tableTop, p == 0 ? itemsBottom : y);
      if (p == 0) c.Line(G.Left, itemsBottom, G.Left + G.Width, itemsBottom, 0.6);
    }
    if (page.LineCount > 0) y = Continuation(c, y + 2, page.FirstLine, page.LineCount);
    Watermarks(c, areaTop + TitleH + ItemsHeadH, itemsBottom - areaTop - TitleH - ItemsHeadH);
    if (p == 0) {
      Issqn(c, itemsBottom);
      AdditionalInfo(c, itemsBottom + IssqnHeight(), G.AdditionalInfoHeight);
    }
    CheckCairo(c.Context());
    aSink.EndPage();
  }
}

}  // namespace

void RenderDanfe(const TReportTemplate& aTemplate, const TDanfeGeometry& aGeometry,
                 const TReportData& aData, cairo_surface_t* aLogo, TPageSink& aSink) {
  const std::vector<const TReportRecord*> records = aData.DataSet("Dados").FilledRecords();
  if (records.empty()) {
    throw EOleException("Dados do relatório sem registros no conjunto \"Dados\".");
  }
  // One measuring context for the plan; the same font options as the pages.
  TSurfacePtr scratch(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
  cairo_t* cr = cairo_create(scratch.get());
  try {
    TCanvas measure(cr, aTemplate.FontFamily);
    for (const TReportRecord* record : records) {
      TDanfe danfe(aTemplate, aGeometry, *record, aLogo);
      danfe.Plan(measure);
      danfe.Render(aSink);
    }
  } catch (...) {
    cairo_destroy(cr);
    throw;
  }
  cairo_destroy(cr);
}

}  // namespace xnd::govx::report
