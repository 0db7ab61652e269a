#include "servers/govx/report/ReportCCe.h"

#include <algorithm>
#include <cmath>

#include "platform/exception.h"
#include "platform/text.h"
#include "servers/govx/GovXXml.h"
#include "servers/govx/report/ReportCanvas.h"

namespace xnd::govx::report {

const char* const CondicoesUsoCCe =
    "A Carta de Correção é disciplinada pelo § 1º-A do art. 7º do Convênio S/N, de 15 de "
    "dezembro de 1970 e pode ser utilizada para regularização de erro ocorrido na emissão de "
    "documento fiscal, desde que o erro não esteja relacionado com: I - as variáveis que "
    "determinam o valor do imposto tais como: base de cálculo, alíquota, diferença de preço, "
    "quantidade, valor da operação ou da prestação; II - a correção de dados cadastrais que "
    "implique mudança do remetente ou do destinatário; III - a data de emissão ou de saída.";

namespace {

constexpr double RowH = 24;
constexpr double TitleH = 10;
constexpr double Pad = 3;

const xmlNode* FindElement(const xmlNode* aNode, std::string_view aName) {
  for (const xmlNode* n = aNode; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    if (HasLocalName(n, aName)) return n;
    if (const xmlNode* found = FindElement(n->children, aName)) return found;
  }
  return nullptr;
}

struct TEventInfo {
  std::string CondUso;
  bool Homologacao = false;
};

TEventInfo ReadEvent(const std::string& aXml) {
  TEventInfo info;
  if (Trim(aXml).empty()) return info;
  std::string error;
  const XmlDocPtr doc = TryParseXml(aXml, error);
  if (!doc) return info;
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (const xmlNode* n = FindElement(root, "xCondUso")) info.CondUso = Trim(NodeText(n));
  if (const xmlNode* n = FindElement(root, "tpAmb")) info.Homologacao = Trim(NodeText(n)) == "2";
  return info;
}

// Number and series of the NF-e read from its access key.
std::string NoteOfKey(const std::string& aKey) {
  if (aKey.size() != 44) return {};
  return "NF-e Nº " + FormatNumeroNota(aKey.substr(25, 9)) + "  SÉRIE " + aKey.substr(22, 3);
}

}  // namespace

void RenderCCe(const TReportTemplate& aTemplate, const TReportData& aData, const std::string& aXml,
               TPageSink& aSink) {
  const TReportDataSet& dados = aData.DataSet("Dados");
  const TEventInfo event = ReadEvent(aXml);
  const std::string condUso = event.CondUso.empty() ? CondicoesUsoCCe : event.CondUso;
  const double m = aTemplate.MarginMm * PointsPerMm + 8;
  const double W = A4ShortPt - 2 * m, bottom = A4LongPt - m;
  const double size = aTemplate.FontSize + 2;

  const std::vector<const TReportRecord*> records = dados.FilledRecords();
  if (records.empty()) {
    throw EOleException("Dados do relatório sem registros no conjunto \"Dados\".");
  }
  for (const TReportRecord* record : records) {
    const TReportRecord& r = *record;
    auto V = [&r](std::string_view f) -> const std::string& { return r.Value(f); };
    std::vector<std::string> lines;
    std::size_t next = 0;
    bool first = true;
    while (first || next < lines.size()) {
      TCanvas c(aSink.BeginPage(A4ShortPt, A4LongPt), aTemplate.FontFamily);
      c.SetFieldValueSize(size);
      if (first) lines = c.WrapLines(V("xCorrecao"), W - 2 * Pad, size);
      const double lineH = c.LineHeight(size);
      double y = m;
      c.Rect(m, y, W, 40);
      c.Text(m, y + 6, W, 18, "CARTA DE CORREÇÃO ELETRÔNICA", 15, true, alCenter);
      c.Text(m, y + 25, W, 12, "Documento auxiliar do evento de correção da NF-e", 8, false,
             alCenter);
      y += 40;
      if (first) {
        y += 6;
        c.Title(m, y, "PARTES");
        y += TitleH;
        c.Field(m, y, W / 2, RowH, "CNPJ DO EMITENTE", FormatCnpjCpf(V("CNPJ")), alLeft, size,
                true);
        c.Field(m + W / 2, y, W / 2, RowH, "CNPJ / CPF DO DESTINATÁRIO",
                FormatCnpjCpf(V("CPFCNPJDest")), alLeft, size, true);
        y += RowH + 6;
        c.Title(m, y, "NOTA FISCAL ELETRÔNICA CORRIGIDA");
        y += TitleH;
        c.Rect(m, y, W, 70);
        c.Barcode128(V("chNFe"), m + W * 0.15, y + 4, W * 0.7, 32);
        c.Text(m, y + 39, W, 7, "CHAVE DE ACESSO", 5, false, alCenter);
        c.Text(m, y + 45, W, 12, GroupKey(V("chNFe")), size + 1, true, alCenter);
        c.Text(m, y + 58, W, 11, NoteOfKey(V("chNFe")), size - 1, false, alCenter);
        y += 70 + 6;
        c.Title(m, y, "EVENTO");
        y += TitleH;
        const double q = W / 4;
        c.Field(m, y, q, RowH, "ÓRGÃO", V("cOrgao"), alCenter, size);
        c.Field(m + q, y, q, RowH, "SEQUÊNCIA DO EVENTO", V("nSeqEvento"), alCenter, size, true);
        c.Field(m + 2 * q, y, q, RowH, "PROTOCOLO DE REGISTRO", V("nProt"), alCenter, size, true);
        c.Field(m + 3 * q, y, W - 3 * q, RowH, "DATA E HORA DO REGISTRO", V("dhRegEvento"),
                alCenter, size);
        y += RowH + 6;
      } else {
        y += 6;
      }
      // Conditions of use at the foot of the first page; the correction
      // text in between, continued on further pages when it is long.
      // A conditions text of the event's own never takes more than half the
      // room left (it is clipped there).
      const double condH =
          first ? std::min(c.TextHeight(condUso, W - 2 * Pad, size - 1) + 2 * Pad, (bottom - y) / 2)
                : 0;
      const double condTop = bottom - condH - TitleH;
      c.Title(m, y, first ? "CORREÇÃO" : "CORREÇÃO (CONTINUAÇÃO)");
      y += TitleH;
      const double boxH = (first ? condTop - 6 : bottom) - y;
      c.Rect(m, y, W, boxH);
      const auto room =
          static_cast<std::size_t>(std::max(0.0, std::floor((boxH - 2 * Pad) / lineH)));
      const std::size_t take = std::min(room, lines.size() - next);
      double ly = y + Pad;
      for (std::size_t i = next; i < next + take; ++i) {
        c.Text(m + Pad, ly, W - 2 * Pad, lineH, lines[i], size);
        ly += lineH;
      }
      next += take;
      if (event.Homologacao) {
        c.Watermark(m, y, W, boxH, "SEM VALOR FISCAL\nAMBIENTE DE HOMOLOGAÇÃO");
      }
      if (first) {
        c.Title(m, condTop, "CONDIÇÕES DE USO");
        c.Rect(m, condTop + TitleH, W, condH);
        c.Text(m + Pad, condTop + TitleH + Pad, W - 2 * Pad, condH - Pad, condUso, size - 1);
      }
      CheckCairo(c.Context());
      aSink.EndPage();
      // A continuation page always has room; stop rather than loop if not.
      if (!first && take == 0) break;
      first = false;
    }
  }
}

}  // namespace xnd::govx::report
