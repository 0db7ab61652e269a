// The DANFE layouts, read back by independent tools: pdfinfo (paper and
// pages), pdftotext (texts, once each, inside the page) and zbarimg (the bar
// codes of a page rendered by pdftoppm).
#include <gtest/gtest.h>

#include <map>

#include "platform/files.h"
#include "platform/text.h"
#include "servers/govx/GovXServerImpl.h"
#include "tests/report/ReportSupport.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

constexpr const char* SampleKey = "35150300822602000124550010009923461099234656";

struct LayoutCase {
  const char* Template;
  bool Landscape;
};

class DanfeLayoutTest : public ::testing::TestWithParam<LayoutCase> {
 protected:
  std::string Export(const std::string& aJson, const std::string& aName = "danfe.pdf") {
    govx::TGovXServer server;
    IReportSettings& s = server.ReportSettings();
    s.SetTemplate(ShippedTemplate(GetParam().Template));
    s.SetData(aJson);
    s.SetOutputFileName(FDir.File(aName));
    server.ReportExport();
    return FDir.File(aName);
  }
  void ExpectPaper(const PdfInfo& aInfo) {
    const double shortSide = 595.276, longSide = 841.89;
    EXPECT_NEAR(aInfo.Width, GetParam().Landscape ? longSide : shortSide, 0.5);
    EXPECT_NEAR(aInfo.Height, GetParam().Landscape ? shortSide : longSide, 0.5);
  }
  TempDir FDir;
};

TEST_P(DanfeLayoutTest, PublicSampleShowsItsDataAndItsKeyAsBarcode) {
  const std::string pdf = Export(ReportData("danfe_nfe310.json"));
  const PdfInfo info = ReadPdfInfo(pdf);
  EXPECT_EQ(info.Pages, 1);
  ExpectPaper(info);

  const std::string text = PdfText(pdf);
  for (const char* expected :
       {"Nº 000.992.346", "SÉRIE 1", "FOLHA 1/1", "3515 0300 8226 0200 0124 5500 1000 9923 4610 9923 4656",
        "Plotag Sistemas e Suprimentos Ltda", "00.822.602/0001-24", "114489114119",
        "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL", "99.999.999/0001-91",
        "Venda prod. do estab.", "135150001686732", "27/03/2015", "689,91", "206,97",
        "Cliente Retira", "01129-000", "SEM VALOR FISCAL", "992346", "24/04/2015"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  // Every item once (two items of the sample share their code and text).
  std::map<std::string, int> descriptions;
  const auto dados = nlohmann::json::parse(ReportData("danfe_nfe310.json"))[0]["Items"][0];
  for (const auto& entry : dados) {
    if (entry.value("Name", "") != "DadosItens") continue;
    for (const auto& item : entry["Items"]) {
      for (const auto& field : item) {
        if (field.value("Name", "") == "ItemDescricao") ++descriptions[field["Value"]];
      }
    }
  }
  ASSERT_EQ(descriptions.size(), 4u);
  for (const auto& [description, times] : descriptions) {
    EXPECT_EQ(Count(text, description), times) << description;
  }
  EXPECT_EQ(Count(text, "DADOS DOS PRODUTOS / SERVIÇOS"), 1);
  EXPECT_EQ(PdfBarcodes(pdf), std::vector<std::string>{std::string("CODE-128:") + SampleKey});
  EXPECT_EQ(WordsOutsidePage(pdf), std::vector<std::string>{});
}

TEST_P(DanfeLayoutTest, LongNoteRepeatsTheItemsHeaderAndShowsEveryItemOnce) {
  for (const int items : {120, 990}) {
    SCOPED_TRACE(items);
    TFieldValues dados = SampleDados();
    dados.push_back({"nNF", "000000042"});
    const std::string pdf = Export(DanfeJson(dados, NumberedItems(items)));
    const PdfInfo info = ReadPdfInfo(pdf);
    ExpectPaper(info);
    ASSERT_GT(info.Pages, 1);
    std::string all;
    for (int page = 1; page <= info.Pages; ++page) {
      const std::string text = PdfText(pdf, page);
      EXPECT_EQ(Count(text, "DADOS DOS PRODUTOS / SERVIÇOS"), 1) << "page " << page;
      EXPECT_NE(text.find(Format("FOLHA %d/%d", page, info.Pages)), std::string::npos)
          << "page " << page;
      all += text;
    }
    for (int i = 1; i <= items; ++i) {
      const std::string code = "ITEM-" + Format("%4.4d", i);
      ASSERT_EQ(Count(all, code), 1) << code;
    }
    EXPECT_EQ(WordsOutsidePage(pdf), std::vector<std::string>{});
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, DanfeLayoutTest,
                         ::testing::Values(LayoutCase{"vm40/Danfe/retrato.rtm", false},
                                           LayoutCase{"vm40/Danfe/paisagem.rtm", true}),
                         [](const auto& aInfo) {
                           return std::string(aInfo.param.Landscape ? "Paisagem" : "Retrato");
                         });

}  // namespace
}  // namespace xnd::test
