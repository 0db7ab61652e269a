// The DANFE layouts, read back by independent tools: pdfinfo (paper and
// pages), pdftotext (texts, once each, inside the page) and zbarimg (the bar
// codes of a page rendered by pdftoppm).
#include <gtest/gtest.h>

#include <algorithm>
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

struct SampleCase {
  const char* Json;
  const char* Key;
  std::vector<std::string> Texts;
};

const SampleCase Samples[] = {
    {"nfe310_5itens_vm50.json",
     SampleKey,
     {"Nº 000.992.346", "SÉRIE 1", "FOLHA 1/1",
      "3515 0300 8226 0200 0124 5500 1000 9923 4610 9923 4656",
      "Plotag Sistemas e Suprimentos Ltda", "00.822.602/0001-24", "114489114119",
      "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL", "99.999.999/0001-91",
      "Venda prod. do estab.", "135150001686732", "27/03/2015", "689,91", "206,97",
      "Cliente Retira", "01129-000", "SEM VALOR FISCAL", "24/04/2015",
      "Vendedor:1 - Guilherme Kavedikado"}},
    {"nfe200_vm40.json",
     "11101284613439000180550010000004881093997017",
     {"Nº 000.000.488", "SÉRIE 1", "FOLHA 1/1",
      "1110 1284 6134 3900 0180 5500 1000 0004 8810 9399 7017", "MicroLine Software",
      "84.613.439/0001-80", "MICROLINE SOFTWARE -000001", "311100000046263", "02/12/2010", "540,00",
      "SEM VALOR FISCAL"}},
};

// Each item description of the sample with how many items carry it.
std::map<std::string, int> ItemDescriptions(const std::string& aJson) {
  std::map<std::string, int> descriptions;
  const nlohmann::json data = nlohmann::json::parse(aJson);
  for (const auto& entry : data[0]["Items"][0]) {
    if (entry.value("Name", "") != "DadosItens") continue;
    for (const auto& item : entry["Items"]) {
      for (const auto& field : item) {
        if (field.value("Name", "") == "ItemDescricao") ++descriptions[field["Value"]];
      }
    }
  }
  return descriptions;
}

TEST_P(DanfeLayoutTest, PublicSamplesShowTheirDataAndTheirKeyAsBarcode) {
  for (const SampleCase& sample : Samples) {
    SCOPED_TRACE(sample.Json);
    const std::string json = ReportData(sample.Json);
    const std::string pdf = Export(json);
    const PdfInfo info = ReadPdfInfo(pdf);
    EXPECT_EQ(info.Pages, 1);
    ExpectPaper(info);
    const std::string text = PdfText(pdf);
    for (const std::string& expected : sample.Texts) {
      EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    // Every item once (two items of the 3.10 sample share their code and text).
    const auto descriptions = ItemDescriptions(json);
    ASSERT_FALSE(descriptions.empty());
    for (const auto& [description, times] : descriptions) {
      EXPECT_EQ(Count(text, description), times) << description;
    }
    EXPECT_EQ(Count(text, "DADOS DOS PRODUTOS / SERVIÇOS"), 1);
    EXPECT_EQ(PdfBarcodes(pdf), std::vector<std::string>{std::string("CODE-128:") + sample.Key});
    EXPECT_EQ(WordsOutsidePage(pdf), std::vector<std::string>{});
  }
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

namespace xnd::test {
namespace {

class DanfeContentTest : public ::testing::Test {
 protected:
  std::string Export(const std::string& aJson,
                     const std::string& aTemplate = "vm40/Danfe/retrato.rtm") {
    govx::TGovXServer server;
    IReportSettings& s = server.ReportSettings();
    s.SetTemplate(ShippedTemplate(aTemplate));
    s.SetData(aJson);
    s.SetOutputFileName(FDir.File("danfe.pdf"));
    server.ReportExport();
    return FDir.File("danfe.pdf");
  }
  TempDir FDir;
};

TEST_F(DanfeContentTest, ContingencyPrintsItsPhraseAndASecondBarcode) {
  const std::string data = "352000000000000001000000000689911201";  // 36 digits
  TFieldValues dados = SampleDados();
  dados.push_back({"tpEmis", "2"});
  dados.push_back({"CodBarraDadosNFe", data});
  dados.push_back({"FraseContingencia",
                   "DANFE em Contingência - impresso em decorrência de "
                   "problemas técnicos [SEFAZ fora do ar]"});
  const std::string pdf = Export(DanfeJson(dados, NumberedItems(2)));
  const std::string text = PdfText(pdf);
  EXPECT_NE(text.find("DADOS DA NF-E"), std::string::npos);
  EXPECT_NE(text.find("3520 0000 0000 0000 0100 0000 0006 8991 1201"), std::string::npos) << text;
  EXPECT_NE(text.find("SEFAZ fora do ar"), std::string::npos) << text;
  std::vector<std::string> codes = PdfBarcodes(pdf);
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<std::string>{std::string("CODE-128:") + SampleKey,
                                             std::string("CODE-128:") + data}));
}

TEST_F(DanfeContentTest, LatinAccentsAndOrdinalSignsArePrintedAsTheyAre) {
  const std::string accents = "ÀÁÂÃÄÅÇÈÉÊËÌÍÎÏÑÒÓÔÕÖÙÚÛÜÝ àáâãäåçèéêëìíîïñòóôõöùúûüýÿ Nº 1ª";
  TFieldValues dados = SampleDados();
  dados.push_back({"DestNome", accents});
  for (const bool windows1252 : {false, true}) {
    SCOPED_TRACE(windows1252);
    std::string json = DanfeJson(dados, NumberedItems(1));
    // A host that hands over Windows-1252 text gets the same letters.
    if (windows1252) json = Utf8ToWin1252(json);
    EXPECT_NE(PdfText(Export(json)).find(accents), std::string::npos);
  }
}

TEST_F(DanfeContentTest, InvoicesBeyondTheirBlockAreListedWithTheContinuation) {
  std::vector<TFieldValues> duplicates;
  for (int i = 1; i <= 30; ++i) {
    duplicates.push_back({{"nNF", "000992346"},
                          {"NumDuplicata", Format("DUP%2.2d", i)},
                          {"DtVencimento", "24/04/2015"},
                          {"ValorDuplicata", "10,00"}});
  }
  const std::string pdf = Export(DanfeJson(SampleDados(), NumberedItems(3), duplicates));
  ASSERT_EQ(ReadPdfInfo(pdf).Pages, 2);
  const std::string text = PdfText(pdf);
  for (int i = 1; i <= 30; ++i) EXPECT_EQ(Count(text, Format("DUP%2.2d", i)), 1) << i;
  EXPECT_EQ(Count(PdfText(pdf, 1), "Núm.: DUP"), 12);
  EXPECT_EQ(WordsOutsidePage(pdf), std::vector<std::string>{});
}

TEST_F(DanfeContentTest, LongAdditionalInformationContinuesOnLaterSheets) {
  // 5,000 characters of numbered words after the seven lines of the box.
  std::string box, continuation = "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES\r\n";
  for (int i = 1; i <= 7; ++i) box += Format("CAIXA%d linha da caixa\r\n", i);
  int words = 0;
  while (continuation.size() < 5000) continuation += Format("PALAVRA%4.4d ", ++words);
  TFieldValues dados = SampleDados();
  dados.push_back({"ObsContribuinte", box});
  dados.push_back({"ContinuaObsContribuinte", continuation});
  for (const char* layout : {"vm40/Danfe/retrato.rtm", "vm40/Danfe/paisagem.rtm"}) {
    SCOPED_TRACE(layout);
    const std::string pdf = Export(DanfeJson(dados, NumberedItems(40)), layout);
    const PdfInfo info = ReadPdfInfo(pdf);
    ASSERT_GE(info.Pages, 2);
    const std::string first = PdfText(pdf, 1);
    for (int i = 1; i <= 7; ++i) EXPECT_NE(first.find(Format("CAIXA%d ", i)), std::string::npos);
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("DADOS ADICIONAIS (CONTINUAÇÃO)"), std::string::npos);
    for (int i = 1; i <= words; ++i) {
      ASSERT_EQ(Count(text, Format("PALAVRA%4.4d", i)), 1) << i;
    }
    EXPECT_EQ(WordsOutsidePage(pdf), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace xnd::test
