// The simulator as an authoriser: what it refuses, the answers of the
// services the interfaces do not drive here (events, signed cancellation and
// voiding), and answers that pass the national schemas.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include "SimuladorFixture.h"
#include "services/xndSoapTransport.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

const std::string Ns = "http://www.portalfiscal.inf.br/nfe/wsdl/";

std::string Envelope12(const std::string& aServico, const std::string& aMensagem,
                       const char* aDados = "nfeDadosMsg") {
  return "<soap12:Envelope xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Header>"
         "<nfeCabecMsg xmlns=\"" +
         Ns + aServico +
         "\"><cUF>35</cUF><versaoDados>2.00</versaoDados></nfeCabecMsg>"
         "</soap12:Header><soap12:Body><" +
         aDados + " xmlns=\"" + Ns + aServico + "\">" + aMensagem + "</" + aDados +
         "></soap12:Body></soap12:Envelope>";
}

std::string ContentType(const std::string& aAcao) {
  return "application/soap+xml; charset=utf-8; action=\"" + aAcao + "\"";
}

const std::string Status200 =
    "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
    "versao=\"2.00\"><tpAmb>2</tpAmb><cUF>35</cUF>"
    "<xServ>STATUS</xServ></consStatServ>";

class SimuladorTest : public SimuladorFixture {
 protected:
  sim::TRespostaHttp Postar(const std::string& aCaminho, const std::string& aAcao,
                            const std::string& aCorpo) {
    return FSim.Atender("POST", aCaminho, "", ContentType(aAcao), "", aCorpo);
  }

  // The text of the SOAP 1.2 Fault of an answer.
  static std::string Motivo(const sim::TRespostaHttp& aResposta) {
    const std::size_t inicio = aResposta.Corpo.find("<soap:Text xml:lang=\"pt-BR\">");
    const std::size_t fim = aResposta.Corpo.find("</soap:Text>");
    if (inicio == std::string::npos || fim == std::string::npos) return "";
    return aResposta.Corpo.substr(inicio + 28, fim - inicio - 28);
  }
};

// ---- What it refuses
// ------------------------------------------------------------------------------------

TEST_F(SimuladorTest, RefusesWhatTheNationalServicesRefuse) {
  const std::string acao = Ns + "NfeStatusServico2/nfeStatusServicoNF2";

  EXPECT_EQ(Postar("/SP/NaoExiste", acao, Envelope12("NfeStatusServico2", Status200)).Status, 404);
  EXPECT_EQ(
      Postar("/XX/NfeStatusServico2", acao, Envelope12("NfeStatusServico2", Status200)).Status,
      404);

  const sim::TRespostaHttp semSoap = Postar("/SP/NfeStatusServico2", acao, Status200);
  EXPECT_EQ(semSoap.Status, 500);
  EXPECT_EQ(semSoap.ContentType, "text/xml; charset=utf-8");
  EXPECT_NE(semSoap.Corpo.find("<faultstring>A requisicao nao e um envelope SOAP</faultstring>"),
            std::string::npos);

  const sim::TRespostaHttp outraAcao =
      Postar("/SP/NfeStatusServico2", Ns + "NfeStatusServico2/outra",
             Envelope12("NfeStatusServico2", Status200));
  EXPECT_EQ(outraAcao.Status, 500);
  EXPECT_EQ(Motivo(outraAcao),
            "SOAPAction nao reconhecida pelo servico: " + Ns + "NfeStatusServico2/outra");

  const sim::TRespostaHttp outroServico =
      Postar("/SP/NfeConsulta2", acao, Envelope12("NfeStatusServico2", Status200));
  EXPECT_EQ(Motivo(outroServico), "A mensagem consStatServ nao pertence ao servico NfeConsulta2");

  const sim::TRespostaHttp zipInvalido =
      Postar("/SP/NfeRecepcao3", Ns + "NfeAutorizacao/nfeAutorizacaoLoteZip",
             Envelope12("NfeAutorizacao", "nao-e-base64!", "nfeDadosMsgZip"));
  EXPECT_EQ(Motivo(zipInvalido), "nfeDadosMsgZip nao contem um texto gzip em base64");
}

TEST_F(SimuladorTest, AcceptsTheActionInAnyLetterCaseAndAnswersWithTheServicesResultElement) {
  const sim::TRespostaHttp resposta =
      Postar("/SP/NfeStatusServico2", Ns + "NFESTATUSSERVICO2/NFESTATUSSERVICONF2",
             Envelope12("NfeStatusServico2", Status200));
  EXPECT_EQ(resposta.Status, 200);
  EXPECT_EQ(resposta.ContentType, "application/soap+xml; charset=utf-8");
  EXPECT_NE(resposta.Corpo.find("<nfeStatusServicoNF2Result xmlns=\"" + Ns +
                                "NfeStatusServico2\"><retConsStatServ"),
            std::string::npos)
      << resposta.Corpo;
}

TEST_F(SimuladorTest, ServesTheDescriptionOfEveryService) {
  const sim::TRespostaHttp wsdl = FSim.Atender("GET", "/SVCAN/NfeRecepcao3", "wsdl", "", "", "");
  EXPECT_EQ(wsdl.Status, 200);
  EXPECT_NE(wsdl.Corpo.find(
                "<wsdl:service name=\"NfeAutorizacao\"><wsdl:port name=\"NfeAutorizacaoSoap\""),
            std::string::npos);
  EXPECT_NE(wsdl.Corpo.find("location=\"" + FSim.Endereco() + "/SVCAN/NfeRecepcao3\""),
            std::string::npos);
  EXPECT_EQ(FSim.Atender("GET", "/SVCAN/NfeRecepcao3", "", "", "", "").Status, 405);
}

TEST_F(SimuladorTest, TheServerListPointsEverySectionAndKeyAtIt) {
  TMemIniFile lista("");
  lista.SetText(FSim.ListaServidores());
  TStringList secoes;
  lista.ReadSections(secoes);
  EXPECT_EQ(secoes.Count(), 30);
  for (const char* secao : {"AC", "SP", "AN", "SVCAN", "SVCRS"}) {
    for (const char* chave :
         {"NfeStatusServico", "NfeCancelamento2", "NfeRecepcao3", "ConsultaCad3", "RecepcaoEvento3",
          "nfeRecepcaoEvento", "nfeConsultaNFDest"}) {
      EXPECT_EQ(lista.ReadString(secao, chave, ""), FSim.Endereco() + "/" + secao + "/" + chave);
    }
    EXPECT_EQ(lista.ReadString(secao, "TargetNamespaceCCe", ""), Ns + "RecepcaoEvento");
  }
}

// ---- Events, signed cancellation and voiding
// ------------------------------------------------------------

TEST_F(SimuladorTest, TheEventServiceRegistersEachValidEvent) {
  if (!AmostrasDisponiveis())
    GTEST_SKIP() << "sample documents not found in " << DiretorioAmostras();
  FGovX->SignatureSettings().SetElementName("infEvento");
  const std::string lote = UnsignedEventBatch();
  const std::size_t inicio = lote.find("<evento");
  const std::size_t fim = lote.find("</evento>") + 9;
  const std::string evento = FGovUtils->PrepareXml(lote.substr(inicio, fim - inicio));
  const std::string assinado = FGovX->SignXml(evento, EventId);
  const std::string envio = lote.substr(0, inicio) + assinado + lote.substr(fim);
  const std::string adulterado = lote.substr(0, inicio) +
                                 StringReplace(assinado, "<nSeqEvento>8<", "<nSeqEvento>9<") +
                                 lote.substr(fim);

  const auto enviar = [&](const std::string& aLote) {
    return Postar("/SP/RecepcaoEvento3", Ns + "RecepcaoEvento/nfeRecepcaoEvento",
                  Envelope12("RecepcaoEvento", FGovUtils->PrepareXml(aLote)));
  };
  const sim::TRespostaHttp valido = enviar(envio);
  const sim::TRespostaHttp invalido = enviar(adulterado);

  EXPECT_NE(valido.Corpo.find("<nfeRecepcaoEventoResult xmlns=\"" + Ns + "RecepcaoEvento\">"),
            std::string::npos);
  EXPECT_NE(
      valido.Corpo.find("<cStat>128</cStat><xMotivo>Lote de Evento Processado</xMotivo><retEvento"),
      std::string::npos)
      << valido.Corpo;
  EXPECT_NE(valido.Corpo.find(
                "<cStat>135</cStat><xMotivo>Evento registrado e vinculado a NF-e</xMotivo>"),
            std::string::npos);
  EXPECT_NE(invalido.Corpo.find(
                "<cStat>297</cStat><xMotivo>Rejeicao: Assinatura difere do calculado</xMotivo>"),
            std::string::npos)
      << invalido.Corpo;
}

// ---- Answers against the national schemas
// ---------------------------------------------------------------

TEST_F(SimuladorTest, TheAnswersOfEachGenerationPassTheirSchemas) {
  const std::string esquemas = DiretorioEsquemasCompartilhados();
  if (esquemas.empty()) GTEST_SKIP() << "national schemas not found";
  struct Caso {
    const char* Caminho;
    const char* Servico;
    const char* Operacao;
    std::string Mensagem;
    std::string Esquema;
  };
  const std::string nfe = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
  const std::vector<Caso> casos = {
      {"/SP/NfeStatusServico2", "NfeStatusServico2", "nfeStatusServicoNF2", Status200,
       "PL_006u/retConsStatServ_v2.00.xsd"},
      {"/SP/NfeStatusServico3", "NfeStatusServico3", "nfeStatusServicoNF",
       "<consStatServ " + nfe +
           " versao=\"3.10\"><tpAmb>2</tpAmb><cUF>35</cUF><xServ>STATUS</xServ></consStatServ>",
       "PL_008i2/retConsStatServ_v3.10.xsd"},
      {"/SP/NfeConsulta2", "NfeConsulta2", "nfeConsultaNF2",
       "<consSitNFe " + nfe + " versao=\"2.01\"><tpAmb>2</tpAmb><xServ>CONSULTAR</xServ><chNFe>" +
           "35150300822602000124550010009923461099234656</chNFe></consSitNFe>",
       "PL_006u/retConsSitNFe_v2.01.xsd"},
      {"/SP/NfeRetRecepcao3", "NfeRetAutorizacao", "NfeRetAutorizacaoLote",
       "<consReciNFe " + nfe +
           " versao=\"3.10\"><tpAmb>2</tpAmb><nRec>351000000000000</nRec></consReciNFe>",
       "PL_008i2/retConsReciNFe_v3.10.xsd"},
      {"/SP/ConsultaCad3", "CadConsultaCadastro2", "consultaCadastro2",
       "<ConsCad " + nfe +
           " versao=\"2.00\"><infCons><xServ>CONS-CAD</xServ><UF>SP</UF><CNPJ>00822602000124</CNPJ>"
           "</infCons></ConsCad>",
       "PL_006u/retConsCad_v2.00.xsd"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.Caminho);
    const sim::TRespostaHttp resposta =
        Postar(caso.Caminho, Ns + caso.Servico + "/" + caso.Operacao,
               Envelope12(caso.Servico, caso.Mensagem));
    const std::string resultado = std::string(caso.Operacao) + "Result";
    const std::size_t inicio = resposta.Corpo.find('>', resposta.Corpo.find("<" + resultado)) + 1;
    const std::string mensagem =
        resposta.Corpo.substr(inicio, resposta.Corpo.find("</" + resultado) - inicio);
    ASSERT_TRUE(FileExists(esquemas + caso.Esquema));
    EXPECT_NO_THROW(FGovUtils->ValidateWithSchema(mensagem, NFeNamespace, esquemas + caso.Esquema))
        << mensagem << "\n"
        << FGovUtils->GetValidationErrors();
  }
}

// ---- Reading the answers of the manual 3.0 client
// -----------------------------------------------------------

TEST(LerResultadoDocumentoTest, FaultsHttpErrorsAndForeignTextAreReportedAsSuch) {
  const TSoapOperacao op{Ns + "NfeStatusServico", "nfeStatusServicoNF", ""};
  const auto ler = [&](long aStatus, const std::string& aMotivo, const std::string& aCorpo) {
    try {
      return "ok: " + LerResultadoDocumento(op, {aStatus, aMotivo, aCorpo});
    } catch (const Exception& e) {
      return std::string(e.ClassName()) + ": " + e.Message();
    }
  };
  const std::string envelope =
      "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>";
  EXPECT_EQ(ler(200, "OK",
                envelope + "<r><nfeStatusServicoNFResult>&lt;ret/&gt;</nfeStatusServicoNFResult></"
                           "r></s:Body></s:Envelope>"),
            "ok: <ret/>");
  EXPECT_EQ(ler(500, "Internal Server Error",
                envelope + "<s:Fault><faultcode>s:Server</faultcode><faultstring>Falhou</"
                           "faultstring></s:Fault></s:Body></s:Envelope>"),
            "ESoapFault: Falhou");
  EXPECT_EQ(ler(404, "Not Found", "<html>nada</html>"), "ESoapTransportError: Not Found (404)");
  EXPECT_EQ(ler(200, "OK", "<retConsStatServ/>"),
            "ESoapTransportError: A resposta do servidor não é um envelope SOAP");
  EXPECT_EQ(
      ler(200, "OK", envelope + "</s:Body></s:Envelope>"),
      "ESoapTransportError: A resposta do servidor não contém o elemento nfeStatusServicoNFResult");
}

}  // namespace
}  // namespace xnd::test
