// Manual 4.0, 5.0 and 5.0a end to end: the installed templates, the real
// xndGovX over HTTPS with the test company's certificate, the simulator as
// the authoriser. Each operation is checked as the simulator received it
// (path, content type with the SOAP action, envelope) and by its answer.
#include <gtest/gtest.h>

#include <functional>

#include "ServicosFixture.h"
#include "SimuladorFixture.h"
#include "platform/text.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

const std::string Ns = "http://www.portalfiscal.inf.br/nfe/wsdl/";
const std::string ChaveInexistente = "35150300822602000124550010000000011000000011";

std::string ContentType12(const std::string& aAcao) {
  return "application/soap+xml; charset=utf-8; action=\"" + aAcao + "\"";
}

std::string CStat(const std::string& aXml) { return ObterValorTag("cStat", aXml); }

struct CasoSimulador {
  std::string Nome;
  TVersaoManual Versao;
  const char* Diretorio;
  const char* Servidor;
  const char* Template;
  std::string Acao;
  // The operation, and the body the envelope must carry (filled request templates of aDir).
  std::function<std::string(TxndNFEInterface&)> Chamar;
  std::function<std::string(const std::string& aStatus, const std::string& aConsulta,
                            const std::string& aRecibo, const std::string& aCadastro)>
      Corpo;
  const char* CStatEsperado;
};

const std::string Cancelamento =
    "<?xml version=\"1.0\"?>\r\n<cancNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
    "versao=\"2.00\">\r\n"
    "  <infCanc Id=\"ID" +
    ChaveInexistente + "\"><tpAmb>2</tpAmb><xServ>CANCELAR</xServ><chNFe>" + ChaveInexistente +
    "</chNFe><nProt>135000000000001</nProt><xJust>Teste de cancelamento sem "
    "assinatura</xJust></infCanc>\r\n</cancNFe>";
const std::string CancelamentoPreparado =
    "<cancNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"2.00\"><infCanc Id=\"ID" +
    ChaveInexistente + "\"><tpAmb>2</tpAmb><xServ>CANCELAR</xServ><chNFe>" + ChaveInexistente +
    "</chNFe><nProt>135000000000001</nProt><xJust>Teste de cancelamento sem "
    "assinatura</xJust></infCanc></cancNFe>";
const std::string Inutilizacao =
    "<inutNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"2.00\">\r\n  <infInut "
    "Id=\"ID35000822602000124550010000000010000000010\">"
    "<tpAmb>2</tpAmb><xServ>INUTILIZAR</xServ><cUF>35</cUF><ano>15</ano><CNPJ>00822602000124</"
    "CNPJ><mod>55</mod>"
    "<serie>1</serie><nNFIni>10</nNFIni><nNFFin>10</nNFFin><xJust>Teste de inutilizacao sem "
    "assinatura</xJust>"
    "</infInut>\r\n</inutNFe>";

std::vector<CasoSimulador> Casos() {
  const auto status = [](TxndNFEInterface& i) { return i.StatusServico(); };
  const auto cancelar = [](TxndNFEInterface& i) { return i.CancelarNFe(Cancelamento); };
  const auto consultar = [](TxndNFEInterface& i) { return i.ConsultarNFe(ChaveInexistente); };
  const auto inutilizar = [](TxndNFEInterface& i) { return i.InutilizarNFe(Inutilizacao); };
  const auto recibo = [](TxndNFEInterface& i) { return i.ConsultarRecibo("351000000000000"); };
  const auto cadastro = [](TxndNFEInterface& i) {
    return i.ConsultarCadastro("SP", "00822602000124");
  };
  const auto corpoStatus = [](const std::string& s, const std::string&, const std::string&,
                              const std::string&) { return s; };
  const auto corpoConsulta = [](const std::string&, const std::string& c, const std::string&,
                                const std::string&) { return c; };
  const auto corpoRecibo = [](const std::string&, const std::string&, const std::string& r,
                              const std::string&) { return r; };
  const auto corpoCadastro = [](const std::string&, const std::string&, const std::string&,
                                const std::string& k) { return k; };
  const auto corpoCancelamento = [](const std::string&, const std::string&, const std::string&,
                                    const std::string&) { return CancelamentoPreparado; };
  const auto corpoInutilizacaoLimpo = [](const std::string&, const std::string&, const std::string&,
                                         const std::string&) {
    return StringReplace(StringReplace(Inutilizacao, "\r\n  ", ""), "\r\n", "");
  };

  std::vector<CasoSimulador> casos;
  for (const auto& [v, dir] : {std::pair{vm40, "vm40"}, std::pair{vm50, "vm50"}}) {
    const std::string sufixo = v == vm40 ? "40" : "50";
    const auto nome = [&](const char* aOperacao) { return aOperacao + sufixo; };
    casos.push_back({nome("Status"), v, dir, "NfeStatusServico2", "pedido_status.soap",
                     Ns + "NfeStatusServico2/nfeStatusServicoNF2", status, corpoStatus, "107"});
    casos.push_back({nome("Cancelar"), v, dir, "NfeCancelamento2", "pedido_cancelarnf.soap",
                     Ns + "NfeCancelamento2/nfeCancelamentoNF2", cancelar, corpoCancelamento,
                     "297"});
    casos.push_back({nome("Consultar"), v, dir, "NfeConsulta2", "pedido_consultanf.soap",
                     Ns + "NfeConsulta2/nfeConsultaNF2", consultar, corpoConsulta, "217"});
    casos.push_back({nome("Inutilizar"), v, dir, "NfeInutilizacao2", "pedido_inutilizarnf.soap",
                     Ns + "NfeInutilizacao2/nfeInutilizacaoNF2", inutilizar, corpoInutilizacaoLimpo,
                     "297"});
    casos.push_back({nome("Recibo"), v, dir, "NfeRetRecepcao2", "pedido_consultarecibo.soap",
                     Ns + "NfeRetRecepcao2/nfeRetRecepcao2", recibo, corpoRecibo, "106"});
    casos.push_back({nome("Cadastro"), v, dir, "CadConsulta2", "pedido_consultacadastro.soap",
                     Ns + "CadConsultaCadastro2/consultaCadastro2", cadastro, corpoCadastro,
                     "111"});
  }
  casos.push_back({"Status50a", vm50a, "vm50a", "NfeStatusServico3", "pedido_status.soap",
                   Ns + "NfeStatusServico3/nfeStatusServicoNF", status, corpoStatus, "107"});
  casos.push_back({"Cancelar50a", vm50a, "vm50a", "NfeCancelamento2", "pedido_cancelarnf.soap",
                   Ns + "NfeCancelamento2/nfeCancelamentoNF2", cancelar, corpoCancelamento, "297"});
  casos.push_back({"Consultar50a", vm50a, "vm50a", "NfeConsulta3", "pedido_consultanf.soap",
                   Ns + "NfeConsulta3/nfeConsultaNF", consultar, corpoConsulta, "217"});
  casos.push_back({"Inutilizar50a", vm50a, "vm50a", "NfeInutilizacao3", "pedido_inutilizarnf.soap",
                   Ns + "NfeInutilizacao3/nfeInutilizacaoNF", inutilizar, corpoInutilizacaoLimpo,
                   "297"});
  casos.push_back({"Recibo50a", vm50a, "vm50a", "NfeRetRecepcao3", "pedido_consultarecibo.soap",
                   Ns + "NfeRetAutorizacao/NfeRetAutorizacaoLote", recibo, corpoRecibo, "106"});
  casos.push_back({"Cadastro50a", vm50a, "vm50a", "ConsultaCad3", "pedido_consultacadastro.soap",
                   Ns + "CadConsultaCadastro2/consultaCadastro2", cadastro, corpoCadastro, "111"});
  return casos;
}

class OperacoesSimuladorTest : public SimuladorFixture,
                               public ::testing::WithParamInterface<CasoSimulador> {};

TEST_P(OperacoesSimuladorTest, TheAuthoriserReceivesTheOperationAsTheTablesSay) {
  const CasoSimulador& caso = GetParam();
  UsarTemplatesInstalados(caso.Diretorio);
  FDados.VersaoManual = caso.Versao;
  const auto intf = CriarInterfaceVersao(caso.Versao, FDados, FGovUtils, FGovX);
  const std::string status =
      Format(TemplateInstalado(caso.Diretorio, "pedido_status.xml"), "2", "35");
  const std::string consulta =
      Format(TemplateInstalado(caso.Diretorio, "pedido_consultanf.xml"), "2", ChaveInexistente);
  const std::string recibo = Format(TemplateInstalado(caso.Diretorio, "pedido_consultarecibo.xml"),
                                    "2", "351000000000000");
  const std::string cadastro = Format(
      TemplateInstalado(caso.Diretorio, "pedido_consultacadastro.xml"), "SP", "00822602000124");

  const std::string resposta = caso.Chamar(*intf);

  const auto recebidas = FSim.Requisicoes();
  ASSERT_EQ(recebidas.size(), 1u);
  const sim::TRequisicaoRecebida& r = recebidas[0];
  EXPECT_EQ(r.Caminho, std::string("/SP/") + caso.Servidor);
  EXPECT_EQ(r.ContentType, ContentType12(caso.Acao));
  EXPECT_EQ(r.Corpo, Format(TemplateInstalado(caso.Diretorio, caso.Template), "35",
                            caso.Corpo(status, consulta, recibo, cadastro)));
  EXPECT_EQ(r.Cliente, TestPki::CompanyName);
  EXPECT_EQ(r.Status, 200);
  EXPECT_EQ(CStat(resposta), caso.CStatEsperado) << resposta;
}

INSTANTIATE_TEST_SUITE_P(Tabelas, OperacoesSimuladorTest, ::testing::ValuesIn(Casos()),
                         [](const ::testing::TestParamInfo<CasoSimulador>& aInfo) {
                           return aInfo.param.Nome;
                         });

// ---- A batch from submission to the note's situation
// ----------------------------------------------

struct Geracao {
  TVersaoManual Versao;
  const char* Diretorio;
  const char* AcaoEnvio;
  const char* ChaveRecepcao;
  bool Compactado;
};

class LoteSimuladorTest : public SimuladorFixture, public ::testing::WithParamInterface<Geracao> {
 protected:
  void SetUp() override {
    if (!AmostrasDisponiveis())
      GTEST_SKIP() << "sample documents not found in " << DiretorioAmostras();
  }

  // A batch of the generation's layout with one note signed by the test company.
  std::string Lote(const std::string& aNota) {
    const std::string modelo = TemplateInstalado(GetParam().Diretorio, "pedido_enviarnota.xml");
    return Format(modelo, "1", "\n  " + aNota + "\n", "");
  }

  std::string NotaAssinada() {
    return Assinar(GetParam().Versao == vm50a ? UnsignedNfe310() : NotaSemAssinatura200());
  }

  static std::string Chave(const std::string& aNota) {
    const std::size_t id = aNota.find("Id=\"NFe");
    return aNota.substr(id + 7, 44);
  }
};

TEST_P(LoteSimuladorTest, ASignedNoteIsAuthorisedAndItsSituationKnown) {
  const Geracao& g = GetParam();
  UsarTemplatesInstalados(g.Diretorio);
  const auto intf = CriarInterfaceVersao(g.Versao, FDados, FGovUtils, FGovX);
  const std::string nota = NotaAssinada();
  const std::string chave = Chave(nota);

  const std::string recebimento = intf->EnviarLote("1", Lote(nota), g.Compactado);
  ASSERT_EQ(CStat(recebimento), "103") << recebimento;
  const std::string nRec = ObterNumeroRecibo(recebimento);
  const std::string processamento = intf->ConsultarRecibo(nRec);
  const std::string situacao = intf->ConsultarNFe(chave);

  const auto recebidas = FSim.Requisicoes();
  ASSERT_EQ(recebidas.size(), 3u);
  EXPECT_EQ(recebidas[0].Caminho, std::string("/SP/") + g.ChaveRecepcao);
  EXPECT_EQ(recebidas[0].ContentType, ContentType12(Ns + g.AcaoEnvio));
  if (!g.Compactado) {
    // Prepared: the line breaks and indentation around the note are gone, the signed bytes
    // untouched.
    EXPECT_EQ(recebidas[0].Corpo, Format(TemplateInstalado(g.Diretorio, "pedido_enviarnfe.soap"),
                                         "35", FGovUtils->PrepareXml(Lote(nota))));
  }
  EXPECT_EQ(CStat(processamento), "104") << processamento;
  EXPECT_NE(processamento.find("<chNFe>" + chave + "</chNFe>"), std::string::npos);
  EXPECT_NE(processamento.find("<cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"),
            std::string::npos)
      << processamento;
  EXPECT_EQ(CStat(situacao), "100") << situacao;
}

TEST_P(LoteSimuladorTest, ANoteTouchedAfterSigningIsRejectedWith297) {
  const Geracao& g = GetParam();
  UsarTemplatesInstalados(g.Diretorio);
  const auto intf = CriarInterfaceVersao(g.Versao, FDados, FGovUtils, FGovX);
  const std::string nota = StringReplace(NotaAssinada(), "<natOp>", "<natOp>X", false);

  const std::string processamento =
      intf->ConsultarRecibo(ObterNumeroRecibo(intf->EnviarLote("1", Lote(nota), g.Compactado)));

  EXPECT_NE(processamento.find(
                "<cStat>297</cStat><xMotivo>Rejeicao: Assinatura difere do calculado</xMotivo>"),
            std::string::npos)
      << processamento;
  EXPECT_EQ(CStat(intf->ConsultarNFe(Chave(nota))), "217");
}

INSTANTIATE_TEST_SUITE_P(
    Geracoes, LoteSimuladorTest,
    ::testing::Values(
        Geracao{vm40, "vm40", "NfeRecepcao2/nfeRecepcaoLote2", "NfeRecepcao2", false},
        Geracao{vm50, "vm50", "NfeRecepcao2/nfeRecepcaoLote2", "NfeRecepcao2", false},
        Geracao{vm50a, "vm50a", "NfeAutorizacao/NfeAutorizacaoLote", "NfeRecepcao3", false},
        Geracao{vm50a, "vm50a", "NfeAutorizacao/nfeAutorizacaoLoteZip", "NfeRecepcao3", true}),
    [](const ::testing::TestParamInfo<Geracao>& aInfo) {
      return std::string(aInfo.param.Diretorio) + (aInfo.param.Compactado ? "Compactado" : "");
    });

// ---- Sections
// -------------------------------------------------------------------------------------

TEST_F(SimuladorFixture, ContingencyModesUseTheirOwnSections) {
  UsarTemplatesInstalados("vm50a");
  const auto intf = CriarInterfaceVersao(vm50a, FDados, FGovUtils, FGovX);
  FDados.ModoOperacao = moSVCAN;
  intf->StatusServico();
  FDados.ModoOperacao = moSVCRS;
  intf->StatusServico();
  FDados.ModoOperacao = moNormal;
  FDados.UF = "RS";
  FDados.cUF = "43";
  intf->StatusServico();

  const auto recebidas = FSim.Requisicoes();
  ASSERT_EQ(recebidas.size(), 3u);
  EXPECT_EQ(recebidas[0].Caminho, "/SVCAN/NfeStatusServico3");
  EXPECT_EQ(recebidas[1].Caminho, "/SVCRS/NfeStatusServico3");
  EXPECT_EQ(recebidas[2].Caminho, "/RS/NfeStatusServico3");
  EXPECT_NE(recebidas[2].Corpo.find("<cUF>43</cUF>"), std::string::npos);
}

}  // namespace
}  // namespace xnd::test
