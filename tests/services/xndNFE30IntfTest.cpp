// Manual 2.0.2a / 3.0: the seven bindings over the library's SOAP 1.1 client,
// against the simulator, with the client certificate attached by the
// OnGetValidCertificate hook.
#include <gtest/gtest.h>

#include <curl/curl.h>

#include "ServicosFixture.h"
#include "SimuladorFixture.h"
#include "services/xndCertificadoCliente.h"
#include "services/xndNFE30Bindings.h"
#include "services/xndNFE30Intf.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

const std::string Ns = "http://www.portalfiscal.inf.br/nfe/wsdl/";
const std::string Chave = "35100300822602000124550010000000011000000016";

std::string Escapar(const std::string& aTexto) {
  std::string s = StringReplace(aTexto, "&", "&amp;");
  s = StringReplace(s, "<", "&lt;");
  s = StringReplace(s, ">", "&gt;");
  return StringReplace(s, "\r", "&#13;");
}

std::string EnvelopeEsperado(const std::string& aServico, const std::string& aOperacao,
                             const std::string& aCabecalho, const std::string& aDados) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
         "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">"
         "<soap:Body><" +
         aOperacao + " xmlns=\"" + Ns + aServico + "\"><nfeCabecMsg>" + Escapar(aCabecalho) +
         "</nfeCabecMsg><nfeDadosMsg>" + Escapar(aDados) + "</nfeDadosMsg></" + aOperacao +
         "></soap:Body></soap:Envelope>";
}

class Manual30Test : public SimuladorFixture {
 protected:
  Manual30Test() {
    UsarTemplatesInstalados("vm30");
    FDados.VersaoManual = vm30;
    FIntf = std::make_unique<TxndNFE30Intf>(FDados, FGovUtils, FGovX);
    // The company's A1 file, the server trusted through the test root.
    const std::string ca = TestPki::Instance().RootCaPem();
    const TOnGetValidCertificate anexar =
        CriarAnexadorCertificado(TestPki::Instance().CompanyPfx(), TestPki::Password, false, "");
    FIntf->SetOnGetValidCertificate(
        [anexar, ca](TxndSoapTransport& aTransporte, CURL* aRequisicao) {
          anexar(aTransporte, aRequisicao);
          curl_easy_setopt(aRequisicao, CURLOPT_CAINFO, ca.c_str());
        });
  }

  std::unique_ptr<TxndNFE30Intf> FIntf;

 public:
  std::string Modelo(const std::string& aNome) const { return TemplateInstalado("vm30", aNome); }
};

struct Caso30 {
  const char* Nome;
  std::function<std::string(TxndNFE30Intf&)> Chamar;
  const char* Servidor;
  const char* Servico;
  const char* Operacao;
  const char* Cabecalho;
  std::function<std::string(const Manual30Test&)> Dados;
  const char* CStatEsperado;
};

const std::string Cancelamento =
    "<?xml version=\"1.0\"?>\r\n<cancNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
    "versao=\"1.07\"><infCanc Id=\"ID" +
    Chave + "\"><tpAmb>2</tpAmb><xServ>CANCELAR</xServ><chNFe>" + Chave +
    "</chNFe><nProt>135000000000001</nProt><xJust>Cancelamento de "
    "teste</xJust></infCanc></cancNFe>\r\n";
const std::string Inutilizacao =
    "<inutNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.07\">\r\n<infInut "
    "Id=\"ID3510008226020001245500100000001000000010\">"
    "<tpAmb>2</tpAmb><xServ>INUTILIZAR</xServ><cUF>35</cUF><ano>10</ano><CNPJ>00822602000124</"
    "CNPJ><mod>55</mod>"
    "<serie>1</serie><nNFIni>10</nNFIni><nNFFin>10</nNFFin><xJust>Inutilizacao de "
    "teste</xJust></infInut></inutNFe>";
const std::string Lote =
    "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.10\"><idLote>1</idLote>\r\n"
    "<NFe><infNFe Id=\"NFe" +
    Chave + "\" versao=\"1.10\"/></NFe></enviNFe>";

class Operacoes30Test : public Manual30Test, public ::testing::WithParamInterface<Caso30> {};

TEST_P(Operacoes30Test, EachServiceReceivesItsHeaderAndBodyWithTheClientCertificate) {
  const Caso30& caso = GetParam();

  const std::string resposta = caso.Chamar(*FIntf);

  const auto recebidas = FSim.Requisicoes();
  ASSERT_EQ(recebidas.size(), 1u);
  const sim::TRequisicaoRecebida& r = recebidas[0];
  EXPECT_EQ(r.Caminho, std::string("/SP/") + caso.Servidor);
  EXPECT_EQ(r.SoapAction, "\"" + Ns + caso.Servico + "/" + caso.Operacao + "\"");
  EXPECT_EQ(r.ContentType, "text/xml; charset=utf-8");
  EXPECT_EQ(r.Corpo, EnvelopeEsperado(caso.Servico, caso.Operacao, Modelo(caso.Cabecalho),
                                      caso.Dados(*this)));
  EXPECT_EQ(r.Cliente, TestPki::CompanyName);
  EXPECT_EQ(ObterValorTag("cStat", resposta), caso.CStatEsperado) << resposta;
}

INSTANTIATE_TEST_SUITE_P(
    Servicos, Operacoes30Test,
    ::testing::Values(
        Caso30{
            "Status", [](TxndNFE30Intf& i) { return i.StatusServico(); }, "NfeStatusServico",
            "NfeStatusServico", "nfeStatusServicoNF", "cabec_status.xml",
            [](const Manual30Test& t) { return Format(t.Modelo("pedido_status.xml"), "2", "35"); },
            "107"},
        Caso30{"Cancelar", [](TxndNFE30Intf& i) { return i.CancelarNFe(Cancelamento); },
               "NfeCancelamento", "NfeCancelamento", "nfeCancelamentoNF", "cabec_cancelarnf.xml",
               [](const Manual30Test&) { return TxndNFEInterface::LimparXml(Cancelamento); },
               "297"},
        Caso30{"Consultar", [](TxndNFE30Intf& i) { return i.ConsultarNFe(Chave); }, "NfeConsulta",
               "NfeConsulta", "nfeConsultaNF", "cabec_consultanf.xml",
               [](const Manual30Test& t) {
                 return Format(t.Modelo("pedido_consultanf.xml"), "2", Chave);
               },
               "217"},
        Caso30{"Inutilizar", [](TxndNFE30Intf& i) { return i.InutilizarNFe(Inutilizacao); },
               "NfeInutilizacao", "NfeInutilizacao", "nfeInutilizacaoNF", "cabec_inutilizarnf.xml",
               [](const Manual30Test&) { return Inutilizacao; }, "297"},
        Caso30{"EnviarLote", [](TxndNFE30Intf& i) { return i.EnviarLote("1", Lote, true); },
               "NfeRecepcao", "NfeRecepcao", "nfeRecepcaoLote", "cabec_enviarnota.xml",
               [](const Manual30Test&) { return Lote; }, "103"},
        Caso30{"Recibo", [](TxndNFE30Intf& i) { return i.ConsultarRecibo("351000000000000"); },
               "NfeRetRecepcao", "NfeRetRecepcao", "nfeRetRecepcao", "cabec_consultarecibo.xml",
               [](const Manual30Test& t) {
                 return Format(t.Modelo("pedido_consultarecibo.xml"), "2", "351000000000000");
               },
               "106"},
        Caso30{"Cadastro",
               [](TxndNFE30Intf& i) { return i.ConsultarCadastro("SP", "00822602000124"); },
               "CadConsulta", "CadConsultaCadastro", "consultaCadastro",
               "cabec_consultacadastro.xml",
               [](const Manual30Test& t) {
                 return Format(t.Modelo("pedido_consultacadastro.xml"), "SP", "00822602000124");
               },
               "111"}),
    [](const ::testing::TestParamInfo<Caso30>& aInfo) { return std::string(aInfo.param.Nome); });

// ---- The certificate hook
// ---------------------------------------------------------------------------

TEST_F(Manual30Test, WithoutTheHookEveryOperationFailsBeforeAnyAddressIsRead) {
  FIntf->SetOnGetValidCertificate(nullptr);
  FDados.ServidoresINI = nullptr;
  for (const auto& operacao : std::vector<std::function<void()>>{
           [&] { FIntf->StatusServico(); }, [&] { FIntf->CancelarNFe("<c/>"); },
           [&] { FIntf->ConsultarNFe(Chave); }, [&] { FIntf->InutilizarNFe("<i/>"); },
           [&] { FIntf->EnviarLote("1", "<l/>", false); }, [&] { FIntf->ConsultarRecibo("1"); },
           [&] { FIntf->ConsultarCadastro("SP", "1"); }}) {
    try {
      operacao();
      ADD_FAILURE() << "no exception";
    } catch (const ExndException& e) {
      EXPECT_STREQ(e.ClassName(), "ExndException");
      EXPECT_EQ(e.Message(), "OnGetValidCertificate not assigned");
    }
  }
  EXPECT_TRUE(FSim.Requisicoes().empty());
}

TEST_F(Manual30Test, TheComponentsHandlerAttachesTheA1FileAndCanSkipServerVerification) {
  FIntf->SetOnGetValidCertificate(
      CriarAnexadorCertificado(TestPki::Instance().SecondPfx(), TestPki::Password, true, ""));

  EXPECT_EQ(ObterValorTag("cStat", FIntf->StatusServico()), "107");
  ASSERT_EQ(FSim.Requisicoes().size(), 1u);
  EXPECT_EQ(FSim.Requisicoes()[0].Cliente, TestPki::SecondName);
}

TEST_F(Manual30Test, WithoutAClientCertificateTheAuthoriserRefusesTheConnection) {
  const std::string ca = TestPki::Instance().RootCaPem();
  FIntf->SetOnGetValidCertificate([ca](TxndSoapTransport&, CURL* aRequisicao) {
    curl_easy_setopt(aRequisicao, CURLOPT_CAINFO, ca.c_str());
  });
  EXPECT_THROW(FIntf->StatusServico(), ExndSoapException);
  EXPECT_TRUE(FSim.Requisicoes().empty());
}

TEST_F(Manual30Test, AnA1FileThatDoesNotOpenFailsTheCallAsASoapFailure) {
  FIntf->SetOnGetValidCertificate(
      CriarAnexadorCertificado(TestPki::Instance().CompanyPfx(), "errada", true, ""));
  try {
    FIntf->StatusServico();
    FAIL() << "no exception";
  } catch (const ExndSoapException& e) {
    EXPECT_EQ(e.Message().rfind("Não foi possível abrir o certificado " +
                                    TestPki::Instance().CompanyPfx() +
                                    ": senha incorreta ou arquivo inválido (",
                                0),
              0u)
        << e.Message();
  }
}

TEST_F(Manual30Test, TheLegacyA1FileOpens) {
  FIntf->SetOnGetValidCertificate(
      CriarAnexadorCertificado(TestPki::Instance().LegacyPfx(), TestPki::Password, true, ""));
  EXPECT_EQ(ObterValorTag("cStat", FIntf->StatusServico()), "107");
  EXPECT_EQ(FSim.Requisicoes().at(0).Cliente, TestPki::LegacyName);
}

// ---- Which failures are wrapped
// --------------------------------------------------------------------

class Falhas30Test : public Manual30Test {
 protected:
  // The installed vm30 templates of SP in a directory of the test, minus aFaltando.
  void CopiarTemplates(const std::string& aFaltando) {
    for (const char* nome : {"cabec_status.xml", "pedido_status.xml", "cabec_consultacadastro.xml",
                             "pedido_consultacadastro.xml"}) {
      if (aFaltando != nome) FDir.Write("Templates/vm30/SP/" + std::string(nome), Modelo(nome));
    }
    FDados.DiretorioTemplates = FDir.Path() + "Templates/vm30/";
  }
  TempDir FDir;
};

TEST_F(Falhas30Test, AMissingBodyTemplateArrivesAsASoapFailure) {
  CopiarTemplates("pedido_status.xml");
  try {
    FIntf->StatusServico();
    FAIL() << "no exception";
  } catch (const ExndSoapException& e) {
    EXPECT_EQ(e.Message(), "Arquivo de template não encontrado: " + FDir.Path() +
                               "Templates/vm30/SP/pedido_status.xml");
  }
}

TEST_F(Falhas30Test, AMissingHeaderTemplateIsNotWrapped) {
  CopiarTemplates("cabec_status.xml");
  try {
    FIntf->StatusServico();
    FAIL() << "no exception";
  } catch (const ExndTemplateNotFoundException& e) {
    EXPECT_EQ(e.Message(), "Arquivo de template não encontrado: " + FDir.Path() +
                               "Templates/vm30/SP/cabec_status.xml");
  }
}

TEST_F(Falhas30Test, TheRegisterQueryHasNoGuard) {
  CopiarTemplates("pedido_consultacadastro.xml");
  EXPECT_THROW(FIntf->ConsultarCadastro("SP", "1"), ExndTemplateNotFoundException);
}

TEST_F(Falhas30Test, AMissingAddressIsNotWrapped) {
  CopiarTemplates("");
  FDados.ModoOperacao = moSVCAN;
  FServidores.WriteString("SVCAN", "NfeStatusServico", "");
  try {
    FIntf->StatusServico();
    FAIL() << "no exception";
  } catch (const ExndNFeAddressException& e) {
    EXPECT_EQ(e.Message(),
              "Servidor para NfeStatusServico não definido no arquivo: " + FServidores.FileName());
  }
}

TEST_F(Falhas30Test, AFaultOfTheServiceArrivesAsASoapFailureWithItsText) {
  CopiarTemplates("");
  FDir.Write("Templates/vm30/SP/pedido_status.xml",
             "<consCad xmlns=\"http://www.portalfiscal.inf.br/nfe\"/>");
  try {
    FIntf->StatusServico();
    FAIL() << "no exception";
  } catch (const ExndSoapException& e) {
    EXPECT_EQ(e.Message(), "A mensagem consCad nao pertence ao servico NfeStatusServico");
  }
}

// ---- Bindings with a service description
// -------------------------------------------------------------

TEST_F(Manual30Test, ABindingFindsItsEndpointInTheServiceDescription) {
  TxndSoapTransport transporte;
  transporte.SetOnBeforePost(FIntf->OnGetValidCertificate());
  const auto ligacao =
      GetNfeStatusServicoSoap(true, FSim.Endereco() + "/SP/NfeStatusServico?wsdl", &transporte);

  const std::string resposta = ligacao->nfeStatusServicoNF(
      Modelo("cabec_status.xml"), Format(Modelo("pedido_status.xml"), "2", "35"));

  EXPECT_EQ(ObterValorTag("cStat", resposta), "107");
  const auto recebidas = FSim.Requisicoes();
  ASSERT_EQ(recebidas.size(), 2u);
  EXPECT_EQ(recebidas[0].Metodo, "GET");
  EXPECT_EQ(recebidas[1].Metodo, "POST");
  EXPECT_EQ(recebidas[1].Caminho, "/SP/NfeStatusServico");
}

}  // namespace
}  // namespace xnd::test
