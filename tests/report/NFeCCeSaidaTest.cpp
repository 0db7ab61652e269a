// End to end through the NF-e component: a note authorised by the local
// SEFAZ simulator, its CC-e signed and sent through the component's events
// object (answered 135), the distribution XML assembled, and that XML
// exported to PDF (read back with pdftotext) and printed on a loopback IPP
// printer by the component's CC-e outputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/xndNFeEventos.h"
#include "events/xndNFeEventosXmlUtils.h"
#include "nfe/xndNFe.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/report/IppPrinter.h"
#include "tests/report/ReportSupport.h"
#include "tests/services/SimuladorFixture.h"
#include "tests/support/LoopbackTlsServer.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

const std::string Chave = std::string(Nfe310Id).substr(3);
constexpr const char* CNPJEmitente = "00822602000124";

class NFeCCeSaidaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (DiretorioEsquemasCompartilhados().empty()) GTEST_SKIP() << "the shared schemas are absent";
    const TestPki& pki = TestPki::Instance();
    FNFe = std::make_unique<TxndNFe>();
    FNFe->SetDiretorioLogErro(FTemp.Path() + "erros/");
    FNFe->SetUF("SP");
    FNFe->SetVersaoManual(vm50a);
    FNFe->SetCNPJ(CNPJEmitente);
    FNFe->SetDiretorioLog(FTemp.Path() + "Log/");
    FNFe->SetDiretorioXmlDestinatario(FTemp.Path() + "XmlDestinatario/");
    FNFe->SetCaminhoCertificado(pki.CompanyPfx());
    FNFe->SetSenhaCertificado(TestPki::Password);
    FNFe->SetArquivoServidoresHom(FLocal.ListaServidores());
    FNFe->DanfeSettings()->SetLineDelimiter("|");
  }
  void TearDown() override { FNFe.reset(); }

  // The 3.10 sample note authorised by the simulator; true when it answered 100.
  bool AutorizarNota() {
    TxndGovX& govX = FNFe->ObterGovX();
    govX->SignatureSettings().SetElementName("infNFe");
    const std::string assinada = govX->SignXml(UnsignedNfe310(), Nfe310Id);
    const std::string lote = "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"3.10\">"
                             "<idLote>1</idLote><indSinc>1</indSinc>" + assinada + "</enviNFe>";
    const std::string envelope = Format(
        ReadFileBytes(ProgramDirectory() + "Templates/vm50a/SP/pedido_enviarnfe.soap"), "35", lote);
    const std::string ns = "http://www.portalfiscal.inf.br/nfe/wsdl/NfeAutorizacao";
    const std::string resposta = govX->SendSoapMessage(
        FLocal.Simulador().Endereco() + "/SP/NfeRecepcao3", envelope, ns + "/nfeAutorizacaoLote",
        "nfeAutorizacaoLoteResult", ns);
    const std::size_t protocolo = resposta.find("<infProt");
    return protocolo != std::string::npos && ObterValorTag("cStat", resposta.substr(protocolo)) == "100";
  }

  // The CC-e of aCorrecao signed and sent through the component's events
  // object; its distribution XML written to a file, whose name is returned
  // (aProtocolo: the event's protocol).
  std::string EnviarCCe(const std::string& aCorrecao, std::string& aProtocolo) {
    FNFe->AtualizarEventos();
    TxndNFeEventos& eventos = FNFe->ObterEventos();
    TDadosEvento dados;
    dados.cOrgao = "35";
    dados.Ambiente = akHomologacao;
    dados.CNPJ = CNPJEmitente;
    dados.chNFe = Chave;
    dados.dhEvento = "2026-12-10T10:00:00-03:00";
    const std::string assinados = eventos.AssinarEventos(MontarInfEventoCCe(dados, aCorrecao, "|"));
    const std::string id = eventos.ExtrairIdEvento(assinados);
    const std::string resposta = eventos.EnviarEventos(TxndEventos::MontarLoteEventos("1", assinados));
    const std::string retorno = ObterRetEvento(resposta, id);
    EXPECT_EQ(ObterValorTag("cStat", retorno), "135") << resposta;
    aProtocolo = ObterValorTag("nProt", retorno);
    const std::string arquivo = FTemp.File("procCCe.xml");
    eventos.GerarXmlDestinatario(id, eventos.NomeLogEnvioEventos("1"),
                                 eventos.NomeLogRetornoEventos("1"), arquivo, "");
    return arquivo;
  }

  TempDir FTemp;
  ScopedEnv FHome{"HOME", FTemp.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FTemp.Path() + "data"};
  ScopedEnv FCaBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  SimuladorLocal FLocal;
  std::unique_ptr<TxndNFe> FNFe;
};

TEST_F(NFeCCeSaidaTest, AnAuthorisedCCeIsExportedAndPrintedThroughTheComponent) {
  ASSERT_TRUE(AutorizarNota());
  std::string protocolo;
  const std::string cce =
      EnviarCCe("Linha um da correcao do texto\r\nLinha dois da correcao", protocolo);
  ASSERT_FALSE(protocolo.empty());

  const std::string pdf = FTemp.File("saida/cce.pdf");
  ForceDirectories(FTemp.File("saida"));
  FNFe->ExportarCCePDF(cce, pdf);
  const std::string texto = PdfText(pdf);
  const std::size_t um = texto.find("Linha um da correcao do texto\n");
  const std::size_t dois = texto.find("Linha dois da correcao");
  ASSERT_NE(um, std::string::npos) << texto;
  ASSERT_NE(dois, std::string::npos) << texto;
  EXPECT_LT(um, dois);
  EXPECT_NE(texto.find(protocolo), std::string::npos) << texto;

  const IppPrinter impressora;
  ASSERT_EQ(impressora.Failure(), "");
  FNFe->DanfeSettings()->SetQtdeCopias(2);
  FNFe->ImprimirCCeImpressora(cce, impressora.Uri());
  const std::vector<std::string> trabalhos = impressora.Jobs();
  ASSERT_EQ(trabalhos.size(), 1u);
  EXPECT_NE(trabalhos[0].find("IPP_COPIES=2\n"), std::string::npos) << trabalhos[0];

  try {
    FNFe->ImprimirCCeImpressora(cce, "xndNaoExiste");
    FAIL() << "no exception";
  } catch (const ExndException& e) {
    EXPECT_EQ(e.Message(), "Impressora \"xndNaoExiste\" não encontrada.");
  }
}

}  // namespace
}  // namespace xnd::test
