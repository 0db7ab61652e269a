#include "tests/report/ReportSupport.h"

#include <cstdio>
#include <regex>
#include <sstream>

#include "platform/files.h"
#include "platform/text.h"

namespace xnd::test {

using nlohmann::json;

json SerializedRecord(const TFieldValues& aFields, const std::vector<json>& aDetails) {
  json entries = json::array();
  for (const auto& [name, value] : aFields) {
    entries.push_back({{"Name", name}, {"Value", value}, {"Size", 255}, {"Type", "string"}});
  }
  for (const json& d : aDetails) entries.push_back(d);
  return entries;
}

json SerializedDataSet(const std::string& aName, const std::vector<json>& aRecords,
                       const std::string& aMaster) {
  json object;
  object["Items"] = aRecords.empty() ? json::array({SerializedRecord({})}) : json(aRecords);
  object["Name"] = aName;
  if (!aMaster.empty()) {
    object["Type"] = "dataset";
    object["IndexFieldNames"] = aMaster;
    object["MasterFields"] = aMaster;
  }
  return object;
}

std::string DanfeJson(const TFieldValues& aDados, const std::vector<TFieldValues>& aItems,
                      const std::vector<TFieldValues>& aDuplicates) {
  std::vector<json> items;
  for (const TFieldValues& item : aItems) {
    items.push_back(SerializedRecord(
        item,
        {SerializedDataSet("DadosLotesMedicamento", {SerializedRecord({{"Item", ""}})}, "Item"),
         SerializedDataSet("DadosVeiculosNovos", {SerializedRecord({{"Item", ""}})}, "Item")}));
  }
  if (items.empty()) items.push_back(SerializedRecord({{"nNF", ""}, {"ItemCodigo", ""}}));
  std::vector<json> dups;
  for (const TFieldValues& dup : aDuplicates) dups.push_back(SerializedRecord(dup));
  if (dups.empty()) dups.push_back(SerializedRecord({{"nNF", ""}, {"NumDuplicata", ""}}));
  const json dados =
      SerializedRecord(aDados, {SerializedDataSet("vol", {SerializedRecord({{"nNF", ""}})}, "nNF"),
                                SerializedDataSet("DadosItens", items, "nNF"),
                                SerializedDataSet("DadosCobranca", dups, "nNF")});
  return json::array({SerializedDataSet("Dados", {dados})}).dump();
}

std::vector<TFieldValues> NumberedItems(int aCount) {
  std::vector<TFieldValues> items;
  for (int i = 1; i <= aCount; ++i) {
    const std::string n = Format("%4.4d", i);
    items.push_back({{"nNF", "000000042"},
                     {"Item", IntToStr(i)},
                     {"ItemCodigo", "ITEM-" + n},
                     {"ItemDescricao", "PRODUTO NUMERO " + n +
                                           (i % 7 == 0 ? " COM UMA DESCRICAO BEM MAIS LONGA QUE "
                                                         "OCUPA DUAS OU TRES LINHAS DA COLUNA"
                                                       : "")},
                     {"ItemNCM", "48025599"},
                     {"ItemORIG", "0"},
                     {"ItemCST", "101"},
                     {"ItemCFOP", "5101"},
                     {"ItemUnidade", "UN"},
                     {"ItemQuantidade", "1,0000"},
                     {"ItemVUnit", "10,0000"},
                     {"ItemVTotal", "10,00"}});
  }
  return items;
}

TFieldValues SampleDados() {
  return {{"CodBarra", "35150300822602000124550010009923461099234656"},
          {"NatOper", "Venda prod. do estab."},
          {"Serie", "1"},
          {"DtEmissao", "27/03/2015"},
          {"nNF", "000992346"},
          {"nTpNF", "1"},
          {"tpEmis", "1"},
          {"EmitNome", "Plotag Sistemas e Suprimentos Ltda"},
          {"EmitCNPJ", "00822602000124"},
          {"EmitIE", "114489114119"},
          {"DestNome", "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL"},
          {"DestCNPJ", "99999999000191"},
          {"ValorTotNota", "689,91"},
          {"nProt", "135150001686732"},
          {"FraseHomologacao", "SEM VALOR FISCAL"}};
}

std::string ReportData(const std::string& aName) {
  return ReadFileBytes(std::string(XND_SOURCE_DIR) + "/tests/danfe/data/" + aName);
}

std::string ShippedTemplate(const std::string& aRelative) {
  return std::string(XND_SOURCE_DIR) + "/data/Templates/" + aRelative;
}

CommandResult Run(const std::string& aCommand, bool aWithErrors) {
  CommandResult result;
  FILE* pipe = popen((aCommand + (aWithErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.Output.append(buffer, n);
  result.Status = pclose(pipe);
  return result;
}

std::string Quote(const std::string& aPath) { return "'" + aPath + "'"; }

PdfInfo ReadPdfInfo(const std::string& aPdf) {
  PdfInfo info;
  const std::string out = Run("pdfinfo " + Quote(aPdf)).Output;
  std::smatch m;
  if (std::regex_search(out, m, std::regex(R"(Pages:\s+(\d+))"))) info.Pages = std::stoi(m[1]);
  if (std::regex_search(out, m, std::regex(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)"))) {
    info.Width = std::stod(m[1]);
    info.Height = std::stod(m[2]);
  }
  return info;
}

std::string PdfText(const std::string& aPdf, int aPage) {
  std::string range = aPage > 0 ? Format(" -f %d -l %d", aPage, aPage) : "";
  return Run("pdftotext -layout" + range + " " + Quote(aPdf) + " -").Output;
}

std::vector<std::string> PdfBarcodes(const std::string& aPdf, int aPage) {
  const std::string png = aPdf + Format("-page%d", aPage);
  Run(Format("pdftoppm -r 300 -gray -singlefile -png -f %d -l %d ", aPage, aPage) + Quote(aPdf) +
      " " + Quote(png));
  const std::string out =
      Run("zbarimg --quiet -Sdisable -Scode128.enable " + Quote(png + ".png"), false).Output;
  DeleteFile(png + ".png");
  std::vector<std::string> codes;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) codes.push_back(line);
  }
  return codes;
}

int Count(const std::string& aText, const std::string& aNeedle) {
  int n = 0;
  for (std::size_t p = aText.find(aNeedle); p != std::string::npos;
       p = aText.find(aNeedle, p + aNeedle.size())) {
    ++n;
  }
  return n;
}

std::vector<std::string> WordsOutsidePage(const std::string& aPdf) {
  const std::string html = Run("pdftotext -bbox " + Quote(aPdf) + " -").Output;
  std::vector<std::string> outside;
  const std::regex page(R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
  const std::regex word(
      R"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>)re");
  double w = 0, h = 0;
  int pageNo = 0;
  std::istringstream lines(html);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, page)) {
      w = std::stod(m[1]);
      h = std::stod(m[2]);
      ++pageNo;
    } else if (std::regex_search(line, m, word)) {
      if (std::stod(m[1]) < 0 || std::stod(m[2]) < 0 || std::stod(m[3]) > w ||
          std::stod(m[4]) > h) {
        outside.push_back(m[5].str() + "@" + IntToStr(pageNo));
      }
    }
  }
  return outside;
}

}  // namespace xnd::test
