// The printed CC-e, read back with pdftotext and zbarimg.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/text.h"
#include "servers/govx/GovXServerImpl.h"
#include "tests/report/ReportSupport.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

constexpr const char* CCeKey = "53181011028793000173550010000066701204276800";

class CCeLayoutTest : public ::testing::Test {
 protected:
  std::string Export(const std::string& aJson, const std::string& aXml) {
    govx::TGovXServer server;
    IReportSettings& s = server.ReportSettings();
    s.SetTemplate(ShippedTemplate("cce/Impressao/ModeloCCe.rtm"));
    s.SetData(aJson);
    s.SetXml(aXml);
    s.SetOutputFileName(FDir.File("cce.pdf"));
    server.ReportExport();
    return FDir.File("cce.pdf");
  }
  TempDir FDir;
};

TEST_F(CCeLayoutTest, PublicSampleShowsPartiesKeyEventAndConditionsOfUse) {
  const std::string pdf =
      Export(ReportData("cce_procEventoNFe_135.json"), SharedFixture("cce_procEventoNFe_135.xml"));
  const PdfInfo info = ReadPdfInfo(pdf);
  EXPECT_EQ(info.Pages, 1);
  EXPECT_NEAR(info.Width, 595.276, 0.5);
  const std::string text = PdfText(pdf);
  for (const char* expected :
       {"CARTA DE CORREÇÃO ELETRÔNICA", "11.028.793/0001-73", "45.453.214/0024-48",
        "5318 1011 0287 9300 0173 5500 1000 0066 7012 0427 6800", "NF-e Nº 000.006.670",
        "353180043800804", "05/10/2018 17:34:57",
        "Nota 6670 referente a serviços de transportes (Frete)",
        // the conditions of use as the event carries them
        "A Carta de Correcao e disciplinada pelo paragrafo 1o-A"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  EXPECT_EQ(PdfBarcodes(pdf), std::vector<std::string>{std::string("CODE-128:") + CCeKey});
}

TEST_F(CCeLayoutTest, CorrectionKeepsItsLineBreaks) {
  const std::string json =
      nlohmann::json::array(
          {SerializedDataSet("Dados", {SerializedRecord({{"CNPJ", "11028793000173"},
                                                         {"chNFe", CCeKey},
                                                         {"nSeqEvento", "2"},
                                                         {"xCorrecao",
                                                          "Onde se lê: Rua A, 1\r\nLeia-se: Rua "
                                                          "B, 2\r\n\r\nPeso bruto: 10,5 kg"}})})})
          .dump();
  const std::string text = PdfText(Export(json, ""));
  const auto a = text.find("Onde se lê: Rua A, 1\n");
  const auto b = text.find("Leia-se: Rua B, 2\n");
  const auto c = text.find("Peso bruto: 10,5 kg");
  ASSERT_NE(a, std::string::npos) << text;
  ASSERT_NE(b, std::string::npos) << text;
  ASSERT_NE(c, std::string::npos) << text;
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  // Without the event's own text, the legal conditions of use.
  EXPECT_NE(text.find("A Carta de Correção é disciplinada pelo § 1º-A do art. 7º"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace xnd::test
