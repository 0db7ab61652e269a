// The DANFE component driving the real report engine end to end: the public
// samples' XML in, a PDF read back by the independent tools out.
#include <gtest/gtest.h>

#include <functional>

#include "danfe/xndNFeDanfe.h"
#include "types/xndNFeExceptions.h"
#include "platform/files.h"
#include "tests/report/ReportSupport.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

TEST(ReportComponentTest, DanfeComponentExportsThePdfOfTheAuthorisedSample) {
  TempDir dir;
  TxndNFeDanfe danfe;
  danfe.SetVersao(vm50);
  danfe.SetDiretorioLogErro(dir.Path());
  danfe.SetParams("ModeloRetrato=" + ShippedTemplate("vm40/Danfe/retrato.rtm") +
                  "\r\nModeloPaisagem=" + ShippedTemplate("vm40/Danfe/paisagem.rtm") +
                  "\r\nFraseHomologacao=SEM VALOR FISCAL\r\nSalvarComo=" + dir.File("danfe.pdf") +
                  "\r\n");
  danfe.SetXML(SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));
  ASSERT_EQ(danfe.ExportarPDF(), 0);
  const std::string pdf = dir.File("danfe.pdf");
  EXPECT_EQ(ReadPdfInfo(pdf).Pages, 1);
  const std::string text = PdfText(pdf);
  EXPECT_NE(text.find("Nº 000.992.346"), std::string::npos) << text;
  EXPECT_NE(text.find("PAPEL MAXPLOT-1.85MX250MX56GRS 3\""), std::string::npos) << text;
  EXPECT_EQ(PdfBarcodes(pdf),
            std::vector<std::string>{"CODE-128:35150300822602000124550010009923461099234656"});
}

TEST(ReportComponentTest, DanfeComponentExportsTheCCeFromItsModel) {
  TempDir dir;
  TxndNFeDanfe danfe;
  danfe.SetDiretorioLogErro(dir.Path());
  danfe.SetParams("ArquivoRtm=" + ShippedTemplate("cce/Impressao/ModeloCCe.rtm") +
                  "\r\nLineDelimiter=|\r\nSalvarComo=" + dir.File("cce.pdf") + "\r\n");
  std::string xml = SharedFixture("cce_procEventoNFe_135.xml");
  const std::string original = "Nota 6670 referente a serviços de transportes (Frete) ";
  xml.replace(xml.find(original), original.size(), "Nota 6670|referente a serviços|");
  danfe.SetXML(xml);
  ASSERT_EQ(danfe.ExportarPDF(), 0);
  const std::string text = PdfText(dir.File("cce.pdf"));
  const auto first = text.find("Nota 6670\n");
  const auto second = text.find("referente a serviços\n");
  ASSERT_NE(first, std::string::npos) << text;
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_LT(first, second);
  EXPECT_NE(text.find("353180043800804"), std::string::npos);
}

std::string Falha(const std::function<void()>& aAcao) {
  try {
    aAcao();
  } catch (const ExndException& e) {
    return e.Message();
  }
  return "no exception";
}

// The printer and the output file are not carried from one output to the next.
TEST(ReportComponentTest, AnOutputWithoutItsTargetIsRefusedInsteadOfReusingThePreviousOne) {
  TempDir dir;
  TxndNFeDanfe danfe;
  danfe.SetDiretorioLogErro(dir.Path());
  const std::string modelos = "ModeloRetrato=" + ShippedTemplate("vm40/Danfe/retrato.rtm") + "\r\n";
  danfe.SetXML(SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));
  danfe.SetParams(modelos + "SalvarComo=" + dir.File("primeiro.pdf") + "\r\n");
  ASSERT_EQ(danfe.ExportarPDF(), 0);
  const std::string primeiro = ReadFileBytes(dir.File("primeiro.pdf"));

  danfe.SetXML(SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));
  danfe.SetParams(modelos);
  EXPECT_EQ(Falha([&] { danfe.ExportarPDF(); }), "Arquivo de saída do relatório não informado.");
  EXPECT_EQ(ReadFileBytes(dir.File("primeiro.pdf")), primeiro);

  danfe.SetXML(SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));
  danfe.SetParams(modelos + "Impressora=xndNaoExiste\r\n");
  EXPECT_EQ(Falha([&] { danfe.ImprimirNaImpressora(); }), "Impressora \"xndNaoExiste\" não encontrada.");
  danfe.SetXML(SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));
  danfe.SetParams(modelos);
  EXPECT_EQ(Falha([&] { danfe.ImprimirNaImpressora(); }), "Impressora não informada.");
}

}  // namespace
}  // namespace xnd::test
