// Manual 4.0, 5.0 and 5.0a: what each operation hands to xndGovX.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "ServicosFixture.h"
#include "platform/exception.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

const std::string Ns = "http://www.portalfiscal.inf.br/nfe/wsdl/";

// Small templates that show what was filled in and whether the body was
// prepared (declaration, line breaks and indentation gone) or sent as built.
const std::map<std::string, std::string> TemplatesDeTeste = {
    {"pedido_status.xml",
     "<?xml version=\"1.0\"?>\r\n<status>\r\n  <tpAmb>%s</tpAmb>\r\n  <cUF>%s</cUF>\r\n</status>"},
    {"pedido_consultanf.xml",
     "<?xml version=\"1.0\"?>\r\n<consulta>\r\n  <tpAmb>%s</tpAmb>\r\n  "
     "<chave>%s</chave>\r\n</consulta>"},
    {"pedido_consultarecibo.xml",
     "<recibo>\r\n  <tpAmb>%s</tpAmb>\r\n  <nRec>%s</nRec>\r\n</recibo>"},
    {"pedido_consultacadastro.xml",
     "<cadastro>\r\n  <UF>%s</UF>\r\n  <CNPJ>%s</CNPJ>\r\n</cadastro>"},
    {"pedido_cancelarnf.xml", "<?xml version=\"1.0\"?>\r\n%s"},
    {"pedido_inutilizarnf.xml", "<?xml version=\"1.0\"?>\r\n%s"},
    {"pedido_status.soap", "<E t=\"status\" uf=\"%s\">%s</E>"},
    {"pedido_consultanf.soap", "<E t=\"consultanf\" uf=\"%s\">%s</E>"},
    {"pedido_consultarecibo.soap", "<E t=\"consultarecibo\" uf=\"%s\">%s</E>"},
    {"pedido_consultacadastro.soap", "<E t=\"consultacadastro\" uf=\"%s\">%s</E>"},
    {"pedido_cancelarnf.soap", "<E t=\"cancelarnf\" uf=\"%s\">%s</E>"},
    {"pedido_inutilizarnf.soap", "<E t=\"inutilizarnf\" uf=\"%s\">%s</E>"},
    {"pedido_enviarnfe.soap", "<E t=\"enviarnfe\" uf=\"%s\">%s</E>"},
    {"pedido_enviarnfezip.soap", "<E t=\"enviarnfezip\" uf=\"%s\">%s</E>"},
};

const std::string Chave = "35150300822602000124550010009923461099234656";
const std::string Lote =
    "<?xml version=\"1.0\"?>\n<enviNFe>\n  <NFe>\n    <infNFe Id=\"x\">a b</infNFe>\n  "
    "</NFe>\n</enviNFe>";
const std::string LotePreparado = "<enviNFe><NFe><infNFe Id=\"x\">a b</infNFe></NFe></enviNFe>";

const std::string StatusNaoPreparado =
    "<?xml version=\"1.0\"?>\r\n<status>\r\n  <tpAmb>2</tpAmb>\r\n  <cUF>35</cUF>\r\n</status>";

const std::string RespostaSoap =
    "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
    "<retConsStatServ "
    "xmlns=\"http://www.portalfiscal.inf.br/nfe\"><cStat>107</cStat></retConsStatServ>"
    "</soap:Body></soap:Envelope>";
const std::string RespostaReduzida =
    "<retConsStatServ "
    "xmlns=\"http://www.portalfiscal.inf.br/nfe\"><cStat>107</cStat></retConsStatServ>";

struct Caso {
  const char* Nome;
  TVersaoManual Versao;
  std::function<std::string(TxndNFEInterface&)> Chamar;
  const char* Servidor;
  std::string Envelope;
  std::string Acao;
  const char* Resultado;
  std::string Namespace;
  bool Reduzida;  // the answer comes back reduced to the Body's element
};

std::vector<Caso> Casos() {
  const auto status = [](TxndNFEInterface& i) { return i.StatusServico(); };
  const auto cancelar = [](TxndNFEInterface& i) {
    return i.CancelarNFe("<cancNFe>\r\n  <x/>\n</cancNFe>");
  };
  const auto consultar = [](TxndNFEInterface& i) { return i.ConsultarNFe(Chave); };
  const auto inutilizar = [](TxndNFEInterface& i) {
    return i.InutilizarNFe("<inutNFe>\r\n  <y/>\r\n</inutNFe>");
  };
  const auto enviar = [](TxndNFEInterface& i) { return i.EnviarLote("7", Lote, false); };
  const auto enviarCompactadoIgnorado = [](TxndNFEInterface& i) {
    return i.EnviarLote("7", Lote, true);
  };
  const auto variante = [](TxndNFEInterface& i) { return i.EnviarLoteVariante("7", Lote, false); };
  const auto recibo = [](TxndNFEInterface& i) { return i.ConsultarRecibo("351000000012345"); };
  const auto cadastro = [](TxndNFEInterface& i) {
    return i.ConsultarCadastro("SP", "00822602000124");
  };

  const std::string status40 = "<E t=\"status\" uf=\"35\">" + StatusNaoPreparado + "</E>";
  const std::string cancelar40 = "<E t=\"cancelarnf\" uf=\"35\"><cancNFe><x/></cancNFe></E>";
  const std::string consultar40 =
      "<E t=\"consultanf\" uf=\"35\"><consulta><tpAmb>2</tpAmb><chave>" + Chave +
      "</chave></consulta></E>";
  const std::string inutilizar40 = "<E t=\"inutilizarnf\" uf=\"35\"><inutNFe><y/></inutNFe></E>";
  const std::string enviar40 = "<E t=\"enviarnfe\" uf=\"35\">" + LotePreparado + "</E>";
  const std::string recibo40 =
      "<E t=\"consultarecibo\" "
      "uf=\"35\"><recibo><tpAmb>2</tpAmb><nRec>351000000012345</nRec></recibo></E>";
  const std::string cadastro40 =
      "<E t=\"consultacadastro\" "
      "uf=\"35\"><cadastro><UF>SP</UF><CNPJ>00822602000124</CNPJ></cadastro></E>";

  std::vector<Caso> casos;
  for (const TVersaoManual v : {vm40, vm50}) {
    const bool v40 = v == vm40;
    casos.push_back({v40 ? "Status40" : "Status50", v, status, "NfeStatusServico2", status40,
                     Ns + "NfeStatusServico2/nfeStatusServicoNF2", "nfeStatusServicoNF2Result",
                     Ns + "NfeStatusServico2", false});
    casos.push_back({v40 ? "Cancelar40" : "Cancelar50", v, cancelar, "NfeCancelamento2", cancelar40,
                     Ns + "NfeCancelamento2/nfeCancelamentoNF2", "nfeCancelamentoNF2Result",
                     Ns + "NfeCancelamento2", false});
    casos.push_back({v40 ? "Consultar40" : "Consultar50", v, consultar, "NfeConsulta2", consultar40,
                     Ns + "NfeConsulta2/nfeConsultaNF2", "nfeConsultaNF2Result",
                     Ns + "NfeConsulta2", false});
    casos.push_back({v40 ? "Inutilizar40" : "Inutilizar50", v, inutilizar, "NfeInutilizacao2",
                     inutilizar40, Ns + "NfeInutilizacao2/nfeInutilizacaoNF2",
                     "nfeInutilizacaoNF2Result", Ns + "NfeInutilizacao2", false});
    casos.push_back({v40 ? "EnviarLote40" : "EnviarLote50", v, enviar, "NfeRecepcao2", enviar40,
                     Ns + "NfeRecepcao2/nfeRecepcaoLote2", "nfeRecepcaoLote2Result",
                     Ns + "NfeRecepcao2", false});
    casos.push_back({v40 ? "EnviarLoteCompactado40" : "EnviarLoteCompactado50", v,
                     enviarCompactadoIgnorado, "NfeRecepcao2", enviar40,
                     Ns + "NfeRecepcao2/nfeRecepcaoLote2", "nfeRecepcaoLote2Result",
                     Ns + "NfeRecepcao2", false});
    casos.push_back({v40 ? "Recibo40" : "Recibo50", v, recibo, "NfeRetRecepcao2", recibo40,
                     Ns + "NfeRetRecepcao2/nfeRetRecepcao2", "nfeRetRecepcao2Result",
                     Ns + "NfeRetRecepcao2", false});
    casos.push_back({v40 ? "Cadastro40" : "Cadastro50", v, cadastro, "CadConsulta2", cadastro40,
                     Ns + "CadConsultaCadastro2/consultaCadastro2", "consultaCadastro2Result",
                     Ns + "CadConsultaCadastro2", false});
  }
  casos.push_back({"Status50a", vm50a, status, "NfeStatusServico3", status40,
                   Ns + "NfeStatusServico3/nfeStatusServicoNF", "nfeStatusServicoNFResult",
                   Ns + "NfeStatusServico3", true});
  casos.push_back({"Cancelar50a", vm50a, cancelar, "NfeCancelamento2", cancelar40,
                   Ns + "NfeCancelamento2/nfeCancelamentoNF2", "nfeCancelamentoNF2Result",
                   Ns + "NfeCancelamento2", false});
  casos.push_back({"Consultar50a", vm50a, consultar, "NfeConsulta3", consultar40,
                   Ns + "NfeConsulta3/nfeConsultaNF", "nfeConsultaNFResult", Ns + "NfeConsulta3",
                   true});
  casos.push_back({"Inutilizar50a", vm50a, inutilizar, "NfeInutilizacao3", inutilizar40,
                   Ns + "NfeInutilizacao3/nfeInutilizacaoNF", "nfeInutilizacaoNFResult",
                   Ns + "NfeInutilizacao3", true});
  casos.push_back({"EnviarLote50a", vm50a, enviar, "NfeRecepcao3", enviar40,
                   Ns + "NfeAutorizacao/NfeAutorizacaoLote", "nfeAutorizacaoLoteResult",
                   Ns + "NfeAutorizacao", true});
  casos.push_back({"EnviarLoteVariante50a", vm50a, variante, "NfeRecepcao3", enviar40,
                   Ns + "NfeAutorizacao/NfeAutorizacaoLote", "nfeAutorizacaoLoteResult",
                   Ns + "NfeAutorizacao", true});
  casos.push_back({"Recibo50a", vm50a, recibo, "NfeRetRecepcao3", recibo40,
                   Ns + "NfeRetAutorizacao/NfeRetAutorizacaoLote", "NfeRetAutorizacaoLoteResult",
                   Ns + "NfeRetAutorizacao", true});
  casos.push_back({"Cadastro50a", vm50a, cadastro, "ConsultaCad3", cadastro40,
                   Ns + "CadConsultaCadastro2/consultaCadastro2", "consultaCadastro2Result",
                   Ns + "CadConsultaCadastro2", true});
  return casos;
}

class OperacoesTest : public ServicosFixture, public ::testing::WithParamInterface<Caso> {};

TEST_P(OperacoesTest, SendsTheFilledEnvelopeWithTheOperationsValues) {
  const Caso& caso = GetParam();
  Templates(
      DiretorioVersaoManual(caso.Versao).substr(0, DiretorioVersaoManual(caso.Versao).size() - 1),
      "SP", TemplatesDeTeste);
  Servidores(std::string("[SP]\r\n") + caso.Servidor + "=https://sefaz.example/SP/" +
             caso.Servidor + "\r\n");
  Fake().Resposta = RespostaSoap;

  const std::string resposta = caso.Chamar(*Interface(caso.Versao));

  ASSERT_EQ(Fake().Enviados.size(), 1u);
  const TSoapEnviado& enviado = Fake().Enviados[0];
  EXPECT_EQ(enviado.Url, std::string("https://sefaz.example/SP/") + caso.Servidor);
  EXPECT_EQ(enviado.Envelope, caso.Envelope);
  EXPECT_EQ(enviado.Acao, caso.Acao);
  EXPECT_EQ(enviado.Resultado, caso.Resultado);
  EXPECT_EQ(enviado.Namespace, caso.Namespace);
  EXPECT_EQ(resposta, caso.Reduzida ? RespostaReduzida : RespostaSoap);
}

INSTANTIATE_TEST_SUITE_P(Tabelas, OperacoesTest, ::testing::ValuesIn(Casos()),
                         [](const ::testing::TestParamInfo<Caso>& aInfo) {
                           return std::string(aInfo.param.Nome);
                         });

// ---- The compressed batch of manual 5.0a ------------------------------------------------

std::string Descompactar(const TempDir& aDir, const std::string& aBase64) {
  const std::string entrada = aDir.Write("lote.b64", aBase64);
  const std::string comando = "base64 -d " + entrada + " | gzip -dc";
  std::unique_ptr<FILE, int (*)(FILE*)> processo(popen(comando.c_str(), "r"), pclose);
  std::string saida;
  char bloco[4096];
  for (size_t lidos; (lidos = fread(bloco, 1, sizeof bloco, processo.get())) > 0;)
    saida.append(bloco, lidos);
  return saida;
}

std::string ConteudoDe(const std::string& aEnvelope, const std::string& aAbertura) {
  const std::size_t inicio = aEnvelope.find(aAbertura);
  const std::size_t fim = aEnvelope.rfind("</E>");
  if (inicio == std::string::npos || fim == std::string::npos) return "";
  return aEnvelope.substr(inicio + aAbertura.size(), fim - inicio - aAbertura.size());
}

class LoteCompactadoTest : public ServicosFixture {
 protected:
  void SetUp() override {
    Templates("vm50a", "SP", TemplatesDeTeste);
    Servidores("[SP]\r\nNfeRecepcao3=https://sefaz.example/SP/NfeRecepcao3\r\n");
  }
};

TEST_F(LoteCompactadoTest, EnviarLoteSendsGzipBase64OfThePreparedBatchWithTheLowerCaseAction) {
  Interface(vm50a)->EnviarLote("7", Lote, true);

  ASSERT_EQ(Fake().Enviados.size(), 1u);
  const TSoapEnviado& enviado = Fake().Enviados[0];
  EXPECT_EQ(enviado.Acao, Ns + "NfeAutorizacao/nfeAutorizacaoLoteZip");
  EXPECT_EQ(enviado.Resultado, "nfeAutorizacaoLoteZipResult");
  EXPECT_EQ(enviado.Namespace, Ns + "NfeAutorizacao");
  EXPECT_EQ(Descompactar(FDir, ConteudoDe(enviado.Envelope, "<E t=\"enviarnfezip\" uf=\"35\">")),
            LotePreparado);
}

TEST_F(LoteCompactadoTest, EnviarLoteVarianteDiffersOnlyInTheCaseOfTheCompressedAction) {
  Interface(vm50a)->EnviarLoteVariante("7", Lote, true);

  ASSERT_EQ(Fake().Enviados.size(), 1u);
  const TSoapEnviado& enviado = Fake().Enviados[0];
  EXPECT_EQ(enviado.Acao, Ns + "NfeAutorizacao/NfeAutorizacaoLoteZip");
  EXPECT_EQ(enviado.Resultado, "nfeAutorizacaoLoteZipResult");
  EXPECT_EQ(Descompactar(FDir, ConteudoDe(enviado.Envelope, "<E t=\"enviarnfezip\" uf=\"35\">")),
            LotePreparado);
}

// ---- Answers ------------------------------------------------------------------------------

TEST(ExtrairCorpoSoapTest, ReducesAnEnvelopeAndKeepsAnythingElse) {
  ScopedFakeGovX fake;
  TNFeData dados;
  TxndGovUtils govUtils;
  TxndGovX govX;
  TxndNFE50aIntf intf(dados, govUtils, govX);
  const std::string soap11 =
      "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Header/><s:Body>"
      "<r xmlns=\"urn:x\">1</r><r2/></s:Body></s:Envelope>";
  const std::string semEnvelope = "<retConsStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\"/>";

  EXPECT_EQ(intf.ExtrairCorpoSoap(RespostaSoap), RespostaReduzida);
  EXPECT_EQ(intf.ExtrairCorpoSoap(soap11), "<r xmlns=\"urn:x\">1</r>");
  EXPECT_EQ(intf.ExtrairCorpoSoap(semEnvelope), semEnvelope);
  EXPECT_EQ(intf.ExtrairCorpoSoap("not xml <"), "not xml <");
  EXPECT_EQ(intf.ExtrairCorpoSoap(""), "");
}

class FalhasTest : public ServicosFixture {};

TEST_F(FalhasTest, AFailedSendReachesTheCallerUnwrapped) {
  Fake().Falha = "Not Found (404)";
  for (const TVersaoManual v : {vm40, vm50a}) {
    Templates(v == vm40 ? "vm40" : "vm50a", "SP", TemplatesDeTeste);
    Servidores(
        "[SP]\r\nNfeStatusServico2=https://sefaz.example/s\r\nNfeStatusServico3=https://"
        "sefaz.example/s\r\n");
    try {
      Interface(v)->StatusServico();
      FAIL() << "no exception";
    } catch (const EOleException& e) {
      EXPECT_EQ(e.Message(), "Not Found (404)");
    }
  }
}

TEST_F(FalhasTest, Manual40HasNoVariantOfTheBatchSubmission) {
  Templates("vm40", "SP", TemplatesDeTeste);
  EXPECT_THROW(Interface(vm40)->EnviarLoteVariante("1", Lote, true), EAbstractError);
  EXPECT_TRUE(Fake().Enviados.empty());
}

TEST_F(FalhasTest, TheAddressIsLookedUpBeforeAnyTemplateIsRead) {
  FDados.DiretorioTemplates = FDir.Path() + "nothing/";
  try {
    Interface(vm40)->ConsultarNFe(Chave);
    FAIL() << "no exception";
  } catch (const ExndNFeAddressException& e) {
    EXPECT_EQ(e.Message(),
              "Servidor para NfeConsulta2 não definido no arquivo: " + FServidores.FileName());
  }
}

// ---- Keys -----------------------------------------------------------------------------------

TEST(GerarChaveTest, EachGenerationPlacesTpEmisAndCnfAsItsManualSays) {
  ScopedFakeGovX fake;
  TNFeData dados;
  TxndGovUtils govUtils;
  TxndGovX govX;
  // Fields of the key 35 1503 00822602000124 55 001 000992346 1 09923465 6.
  EXPECT_EQ(
      TxndNFE40Intf(dados, govUtils, govX)
          .GerarChave("2015-03-10", "35", "00822602000124", "55", "1", "992346", "9923465", "1"),
      Chave);
  EXPECT_EQ(TxndNFE50aIntf(dados, govUtils, govX)
                .GerarChave("2015-03-10T10:00:00-03:00", "35", "00822602000124", "55", "1",
                            "992346", "9923465", "1"),
            Chave);
  // Manual 3.0: nine-digit cNF, tpEmis ignored.
  EXPECT_EQ(
      TxndNFE30Intf(dados, govUtils, govX)
          .GerarChave("2015-03-10", "35", "00822602000124", "55", "1", "992346", "109923465", "9"),
      Chave);
}

}  // namespace
}  // namespace xnd::test
