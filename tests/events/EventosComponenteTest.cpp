// The events component against the local SEFAZ simulator over HTTPS with the
// test PKI: a CC-e and a cancellation signed (checked by xmlsec1), validated
// against the national event schemas, sent and answered, their distribution
// XML, the situation and addressed-documents queries; and the component's
// refusals with their messages and exception-log lines.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <clocale>
#include <string>
#include <vector>

#include "events/xndNFeEventosBase.h"
#include "events/xndNFeEventosXmlUtils.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/CompanyCertificate.h"
#include "tests/events/EventosTestSupport.h"
#include "tests/services/SimuladorFixture.h"
#include "tests/support/LoopbackTlsServer.h"
#include "tests/support/XmlSecVerify.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

// The key of the shared 3.10 sample note (SP, CNPJ 00822602000124).
const std::string Chave = std::string(Nfe310Id).substr(3);
constexpr const char* CNPJEmitente = "00822602000124";
constexpr const char* CNPJDestinatario = "99999999000191";

// Base64 text of gzip bytes, inflated.
std::string Descompactado(const std::string& aBase64) {
  std::string bytes((aBase64.size() / 4) * 3 + 3, '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                reinterpret_cast<const unsigned char*>(aBase64.data()),
                                static_cast<int>(aBase64.size()));
  if (n < 0) return {};
  bytes.resize(static_cast<std::size_t>(n) - (aBase64.ends_with("==") ? 2 : aBase64.ends_with("=") ? 1 : 0));
  z_stream fluxo{};
  if (inflateInit2(&fluxo, 15 + 32) != Z_OK) return {};
  fluxo.next_in = reinterpret_cast<Bytef*>(bytes.data());
  fluxo.avail_in = static_cast<uInt>(bytes.size());
  std::string texto;
  char bloco[16384];
  int estado = Z_OK;
  while (estado == Z_OK) {
    fluxo.next_out = reinterpret_cast<Bytef*>(bloco);
    fluxo.avail_out = sizeof bloco;
    estado = inflate(&fluxo, Z_NO_FLUSH);
    texto.append(bloco, sizeof bloco - fluxo.avail_out);
  }
  inflateEnd(&fluxo);
  return estado == Z_STREAM_END ? texto : std::string();
}

TDadosEvento DadosEvento(int aSequencia = 1) {
  TDadosEvento dados;
  dados.cOrgao = "35";
  dados.Ambiente = akHomologacao;
  dados.CNPJ = CNPJEmitente;
  dados.chNFe = Chave;
  dados.dhEvento = "2026-12-10T10:00:00-03:00";
  dados.nSeqEvento = aSequencia;
  return dados;
}

// The component configured as the NF-e component configures it, pointed at
// its own simulator; exceptions logged in the test's directory.
class EventosComponenteTest : public ::testing::Test {
 protected:
  EventosComponenteTest()
      : FCaBundle("XND_CA_BUNDLE", TestPki::Instance().RootCaPem()),
        FEventos(nullptr, &FGovX, &FEmail, &FGovUtils) {
    UseCompanyCertificate(FGovX.Server());

    FEventos.SetTipoEvento("110110");
    FEventos.SetUF("SP");
    FEventos.SetUFWS("SP");
    FEventos.SetAmbiente(akHomologacao);
    FEventos.SetArquivoServidoresHom(FLocal.ListaServidores());
    FEventos.SetDiretorioTemplates(ProgramDirectory() + "Templates/vm50/");
    FEventos.SetDiretorioLog(FDir.MakeDir("Log"));
    // Without its final "/": the setter adds it.
    FEventos.SetDiretorioLogErro(FDir.Path().substr(0, FDir.Path().size() - 1));
  }

  void SetUp() override {
    if (EsquemasCompartilhados().empty() || !AmostrasCompartilhadas())
      GTEST_SKIP() << "the shared schemas and samples are absent";
    FEventos.SetDiretorioEsquemas(MontarDiretorioEsquemas(FDir));
  }

  // A server list of our own: aLinhas under [SP] (and any other sections they open).
  std::string ListaPropria(const std::string& aLinhas) {
    return FDir.Write("servidores.ini", "[SP]\r\n" + aLinhas);
  }
  std::string Endereco(const std::string& aCaminho) {
    return FLocal.Simulador().Endereco() + aCaminho;
  }

  // Signs aInfEvento and wraps it as batch aIdLote.
  std::string LoteAssinado(const std::string& aInfEvento, const std::string& aIdLote) {
    return TxndEventos::MontarLoteEventos(aIdLote, FEventos.AssinarEventos(aInfEvento));
  }

  // The 3.10 sample note authorised by the simulator (synchronous batch); its protocol.
  std::string AutorizarNota() {
    FGovX->SignatureSettings().SetElementName("infNFe");
    const std::string nota = UnsignedNfe310();
    const std::string assinada = FGovX->SignXml(nota, Nfe310Id);
    const std::string lote = "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"3.10\">"
                             "<idLote>1</idLote><indSinc>1</indSinc>" + assinada + "</enviNFe>";
    const std::string envelope = Format(
        ReadFileBytes(ProgramDirectory() + "Templates/vm50a/SP/pedido_enviarnfe.soap"), "35", lote);
    const std::string ns = "http://www.portalfiscal.inf.br/nfe/wsdl/NfeAutorizacao";
    const std::string resposta =
        FGovX->SendSoapMessage(Endereco("/SP/NfeRecepcao3"), envelope, ns + "/nfeAutorizacaoLote",
                               "nfeAutorizacaoLoteResult", ns);
    const std::size_t protocolo = resposta.find("<infProt");
    EXPECT_NE(protocolo, std::string::npos) << resposta;
    if (protocolo == std::string::npos) return {};
    EXPECT_EQ(ObterValorTag("cStat", resposta.substr(protocolo)), "100") << resposta;
    return ObterValorTag("nProt", resposta);
  }

  std::vector<std::string> CaminhosRecebidos() {
    std::vector<std::string> caminhos;
    for (const sim::TRequisicaoRecebida& r : FLocal.Simulador().Requisicoes())
      caminhos.push_back(r.Caminho);
    return caminhos;
  }

  ScopedEnv FCaBundle;
  TempDir FDir;
  SimuladorLocal FLocal;
  TxndGovUtils FGovUtils;
  TxndGovX FGovX;
  TxndEmailSettings FEmail;
  TxndEventosTipo FEventos;
};

// ---- End to end ---------------------------------------------------------------------------

TEST_F(EventosComponenteTest, ACorrectionLetterIsSignedValidatedSentAndDistributed) {
  const std::string inf = MontarInfEventoCCe(DadosEvento(), "Linha um do texto\r\nLinha dois");
  EXPECT_NE(inf.find("<xCorrecao>Linha um do texto|Linha dois</xCorrecao>"), std::string::npos);

  const std::string assinados = FEventos.AssinarEventos(inf);
  const XmlSecVerdict verificacao = VerifyWithXmlSec(assinados, "infEvento");
  EXPECT_TRUE(verificacao.Verified) << verificacao.Output;
  const std::string id = FEventos.ExtrairIdEvento(assinados);
  EXPECT_EQ(id, "#" + FEventos.GerarIdEvento(Chave, 1));

  const std::string lote = TxndEventos::MontarLoteEventos("1", assinados);
  EXPECT_NO_THROW(FEventos.ValidarEsquema(lote, "CCE"));
  EXPECT_NO_THROW(FEventos.ValidarEsquema(lote, ComandoEsquemaEvento));
  FEventos.SetValidarEsquemaAntesEnvio(true);
  const std::string resposta = FEventos.EnviarEventos(lote);
  EXPECT_EQ(ObterValorTag("cStat", resposta), "128") << resposta;
  EXPECT_EQ(ObterValorTag("cStat", ObterRetEvento(resposta, id)), "135") << resposta;
  EXPECT_EQ(CaminhosRecebidos(), std::vector<std::string>{"/SP/RecepcaoEvento3"});

  // The batch and the answer were logged under the batch number; the
  // distribution XML is assembled from those logs.
  const std::string xml = FEventos.GerarXmlDestinatario(id, FEventos.NomeLogEnvioEventos("1"),
                                                        FEventos.NomeLogRetornoEventos("1"),
                                                        FDir.File("procCCe.xml"), "");
  EXPECT_EQ(ErrosEsquema(xml, "Evento_CCe_PL_v1.01/procCCeNFe_v1.00.xsd"), "");
  EXPECT_EQ(ErrosEsquema(xml, "Evento_Generico_PL_v1.01/procEventoNFe_v1.00.xsd"), "");
  const XmlSecVerdict distribuida = VerifyWithXmlSec(FDir.Read("procCCe.xml"), "infEvento");
  EXPECT_TRUE(distribuida.Verified) << distribuida.Output;
}

// Two corrections of one note in one batch: each distribution XML carries
// its own event and the answer to that event.
TEST_F(EventosComponenteTest, EachEventOfABatchGetsItsOwnDistributionXml) {
  const std::string lote = LoteAssinado(
      MontarInfEventoCCe(DadosEvento(1), "Primeira correcao do texto") +
          MontarInfEventoCCe(DadosEvento(2), "Segunda correcao do texto"),
      "9");
  const std::string resposta = FEventos.EnviarEventos(lote);
  for (int sequencia : {2, 1}) {
    SCOPED_TRACE(sequencia);
    const std::string id = FEventos.GerarIdEvento(Chave, sequencia);
    const std::string xml = FEventos.GerarXmlDestinatario(
        id, FEventos.NomeLogEnvioEventos("9"), FEventos.NomeLogRetornoEventos("9"), "", "");
    EXPECT_EQ(ErrosEsquema(xml, "Evento_CCe_PL_v1.01/procCCeNFe_v1.00.xsd"), "");
    const std::string evento = xml.substr(0, xml.find("<retEvento"));
    const std::string retorno = xml.substr(xml.find("<retEvento"));
    const std::string seq = "<nSeqEvento>" + std::to_string(sequencia) + "</nSeqEvento>";
    EXPECT_NE(evento.find("Id=\"" + id + "\""), std::string::npos);
    EXPECT_NE(retorno.find(seq), std::string::npos) << retorno;
    EXPECT_EQ(ObterValorTag("cStat", retorno), "135");
  }
}

TEST_F(EventosComponenteTest, ACancellationMakesTheSituationQueryAnswer101) {
  const std::string protocolo = AutorizarNota();
  EXPECT_EQ(ObterValorTag("cStat", FEventos.ConsultarNF(Chave)), "100");

  FEventos.SetTipoEvento("110111");
  const std::string lote = LoteAssinado(
      MontarInfEventoCancelamento(DadosEvento(), protocolo, "Nota emitida com valores errados"),
      "2");
  EXPECT_NO_THROW(FEventos.ValidarEsquema(lote, "CANCELAMENTO"));
  EXPECT_NO_THROW(FEventos.ValidarEsquema(lote, ComandoEsquemaEvento));
  const std::string resposta = FEventos.EnviarEventos(lote);
  EXPECT_EQ(ObterValorTag("cStat", ObterRetEvento(resposta)), "135") << resposta;
  const std::string xml =
      FEventos.GerarXmlDestinatario(FEventos.GerarIdEvento(Chave, 1), lote, resposta, "", "");
  EXPECT_EQ(ErrosEsquema(xml, "Evento_Generico_PL_v1.01/procEventoNFe_v1.00.xsd"), "");
  EXPECT_EQ(ErrosEsquema(xml, "Evento_Canc_PL_v1.01/procEventoCancNFe_v1.00.xsd"), "");

  const std::string situacao = FEventos.ConsultarNF(Chave);
  EXPECT_EQ(ObterValorTag("cStat", situacao), "101") << situacao;
  // The request and the answer of the query are in the log directory.
  EXPECT_NE(FDir.Read("Log/ped-sit-" + Chave + ".xml").find("<chNFe>" + Chave + "</chNFe>"),
            std::string::npos);
  EXPECT_EQ(FDir.Read("Log/sit-" + Chave + ".xml"), situacao);
}

// Manual 5.0a: consSitNFe 3.10 in its own envelope.
TEST_F(EventosComponenteTest, TheSituationQueryOfManual5aAnswers) {
  FEventos.SetDiretorioTemplates(ProgramDirectory() + "Templates/vm50a/");
  TempDir esquemas;
  FEventos.SetDiretorioEsquemas(MontarDiretorioEsquemas(
      esquemas, ProgramDirectory() + "Esquemas/vm50a/Mapping.txt", "PL_008i2"));
  const std::string situacao = FEventos.ConsultarNF(Chave);
  EXPECT_EQ(ObterValorTag("cStat", situacao), "217") << situacao;
  EXPECT_NE(FDir.Read("Log/ped-sit-" + Chave + ".xml").find("versao=\"3.10\""), std::string::npos);
}

TEST_F(EventosComponenteTest, AddressedDocumentsAreListedAndDownloaded) {
  const std::string pedido = Format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<consNFeDest xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.01\"><tpAmb>2</tpAmb>"
      "<xServ>CONSULTAR NFE DEST</xServ><CNPJ>%s</CNPJ><indNFe>0</indNFe>"
      "<indEmi>0</indEmi><ultNSU>0</ultNSU></consNFeDest>",
      CNPJDestinatario);
  EXPECT_NO_THROW(FEventos.ValidarEsquema(pedido, ComandoEsquemaConsultaDest));
  const std::string nenhum = FEventos.ConsultarNFDest(pedido);
  EXPECT_EQ(ObterValorTag("cStat", nenhum), "137") << nenhum;

  AutorizarNota();
  const std::string destinadas = FEventos.ConsultarNFDest(pedido);
  EXPECT_EQ(ObterValorTag("cStat", destinadas), "138") << destinadas;
  EXPECT_EQ(ObterValorTag("chNFe", destinadas), Chave);
  EXPECT_EQ(ErrosEsquema(destinadas, "PL_v1.01b/retconsNFeDest_v1.01.xsd"), "");

  const std::string download = Format(
      "<downloadNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\"><tpAmb>2</tpAmb>"
      "<xServ>DOWNLOAD NFE</xServ><CNPJ>%s</CNPJ><chNFe>%s</chNFe></downloadNFe>",
      CNPJDestinatario, Chave);
  EXPECT_NO_THROW(FEventos.ValidarEsquema(download, ComandoEsquemaDownload));
  std::vector<std::string> notificados;
  FEventos.SetOnDownloadNFe([&](const std::string& aArquivo) { notificados.push_back(aArquivo); });
  FEventos.SetDiretorioDownloads(FDir.File("Downloads/"));
  const std::string resposta = FEventos.DownloadNFe(download);
  EXPECT_EQ(ObterValorTag("cStat", resposta), "139") << resposta;
  EXPECT_EQ(ErrosEsquema(resposta, "PL_v1.01b/retDownloadNFe_v1.00.xsd"), "");
  EXPECT_EQ(ObterValorTag("cStat", ObterValorTag("retNFe", resposta)), "140") << resposta;
  EXPECT_EQ(FDir.Read("Log/down-" + Chave + ".xml"), resposta);
  // The note, sent as gzip + base64, is unpacked to the downloads directory.
  const std::string arquivo = FDir.File("Downloads/" + Chave + "-procNFe.xml");
  EXPECT_EQ(notificados, std::vector<std::string>{arquivo});
  EXPECT_EQ(Descompactado(ObterValorTag("procNFeZip", resposta)), FDir.Read("Downloads/" + Chave + "-procNFe.xml"));
  EXPECT_EQ(ErrosEsquema(ReadFileBytes(arquivo), "PL_008i2/procNFe_v3.10.xsd"), "");
  const XmlSecVerdict assinatura = VerifyWithXmlSec(ReadFileBytes(arquivo), "infNFe");
  EXPECT_TRUE(assinatura.Verified) << assinatura.Output;
  EXPECT_EQ(CaminhosRecebidos(),
            (std::vector<std::string>{"/SP/nfeConsultaNFDest", "/SP/NfeRecepcao3",
                                      "/SP/nfeConsultaNFDest", "/SP/NfeDownloadNF"}));
}

TEST_F(EventosComponenteTest, ADownloadThatDoesNotUnpackIsRefused) {
  LoopbackTlsServer servidor;
  servidor.Respond(CannedResponse{
      200, "application/soap+xml; charset=utf-8",
      "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
      "<nfeDownloadNFResult xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NfeDownloadNF\">"
      "<retDownloadNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\"><cStat>139</cStat>"
      "<retNFe><chNFe>" + Chave + "</chNFe><cStat>140</cStat><procNFeZip>bmFvIGUgZ3ppcA==</procNFeZip>"
      "</retNFe></retDownloadNFe></nfeDownloadNFResult></soap:Body></soap:Envelope>",
      0});
  FEventos.SetArquivoServidoresHom(ListaPropria("NfeDownloadNF=" + servidor.Url() + "\r\n"));
  const std::string mensagem = "O conteúdo baixado da NF-e " + Chave + " não pôde ser lido";
  try {
    FEventos.DownloadNFe("<downloadNFe><chNFe>" + Chave + "</chNFe></downloadNFe>");
    FAIL() << "no exception";
  } catch (const ExndEventosException& e) {
    EXPECT_EQ(std::string(e.what()), mensagem);
  }
  EXPECT_EQ(LinhasLog(FDir, "nfeeventos_exception.log"),
            std::vector<std::string>{"ExndEventosException : " + mensagem});
  // The answer is kept in the log for whoever reports the failure.
  EXPECT_TRUE(FileExists(FDir.File("Log/down-" + Chave + ".xml")));
}

// ---- Service addresses --------------------------------------------------------------------

TEST_F(EventosComponenteTest, ANotFoundEventServiceFallsBackToTheOlderKeyOnce) {
  FEventos.SetArquivoServidoresHom(
      ListaPropria("RecepcaoEvento3=" + Endereco("/SP/naoexiste") + "\r\nnfeRecepcaoEvento=" +
                   Endereco("/SP/nfeRecepcaoEvento") + "\r\n"));
  const std::string resposta =
      FEventos.EnviarEventos(LoteAssinado(MontarInfEventoCCe(DadosEvento(), "Texto da correcao"), "3"));
  EXPECT_EQ(ObterValorTag("cStat", ObterRetEvento(resposta)), "135") << resposta;
  EXPECT_EQ(CaminhosRecebidos(),
            (std::vector<std::string>{"/SP/naoexiste", "/SP/nfeRecepcaoEvento"}));
}

TEST_F(EventosComponenteTest, AnyOtherFailureOfTheFirstServiceIsRaisedUnchanged) {
  // A SOAP Fault: the simulator refuses a message of another service.
  FEventos.SetArquivoServidoresHom(
      ListaPropria("RecepcaoEvento3=" + Endereco("/SP/NfeStatusServico2") +
                   "\r\nnfeRecepcaoEvento=" + Endereco("/SP/nfeRecepcaoEvento") + "\r\n"));
  const std::string lote =
      LoteAssinado(MontarInfEventoCCe(DadosEvento(), "Texto da correcao"), "4");
  try {
    FEventos.EnviarEventos(lote);
    FAIL() << "no exception";
  } catch (const ExndException& e) {
    FAIL() << "wrapped as " << e.ClassName();
  } catch (const std::exception&) {
  }
  EXPECT_EQ(CaminhosRecebidos(), std::vector<std::string>{"/SP/NfeStatusServico2"});
}

TEST_F(EventosComponenteTest, ContingencyAddressesComeFromTheirSection) {
  FEventos.SetArquivoServidoresHom(
      ListaPropria("TargetNamespaceCCe=http://www.portalfiscal.inf.br/nfe/wsdl/RecepcaoEvento\r\n"
                   "[SVCAN]\r\nnfeRecepcaoEvento=" + Endereco("/SVCAN/nfeRecepcaoEvento") + "\r\n"));
  FEventos.SetModoOperacao(moSVCAN);
  const std::string resposta =
      FEventos.EnviarEventos(LoteAssinado(MontarInfEventoCCe(DadosEvento(), "Texto da correcao"), "5"));
  EXPECT_EQ(ObterValorTag("cStat", resposta), "128") << resposta;
  EXPECT_EQ(CaminhosRecebidos(), std::vector<std::string>{"/SVCAN/nfeRecepcaoEvento"});
}

TEST_F(EventosComponenteTest, MissingServerListOrServiceKeyIsNamed) {
  const std::string lista = ListaPropria("NfeConsulta2=" + Endereco("/SP/NfeConsulta2") + "\r\n");
  FEventos.SetArquivoServidoresHom(lista);
  try {
    FEventos.EnviarEventos(TxndEventos::MontarLoteEventos("6", ""));
    FAIL() << "no exception";
  } catch (const ExndEventosAddressException& e) {
    EXPECT_EQ(std::string(e.what()),
              "Servidor para nfeRecepcaoEvento não definido no arquivo: " + lista);
  }
  const std::string ausente = FDir.File("nao/existe.ini");
  FEventos.SetArquivoServidoresHom(ausente);
  try {
    FEventos.EnderecoServico("nfeRecepcaoEvento");
    FAIL() << "no exception";
  } catch (const ExndFileNotFoundException& e) {
    EXPECT_EQ(std::string(e.what()), "O arquivo de servidores informado não existe: " + ausente);
  }
  EXPECT_EQ(LinhasLog(FDir, "nfeeventos_exception.log"),
            std::vector<std::string>{"ExndEventosAddressException : Servidor para nfeRecepcaoEvento "
                                     "não definido no arquivo: " + lista});
  EXPECT_EQ(LinhasLog(FDir, "nfe_exception.log"),
            std::vector<std::string>{"ExndFileNotFoundException : O arquivo de servidores "
                                     "informado não existe: " + ausente});
  EXPECT_TRUE(CaminhosRecebidos().empty());
}

// ---- Schema validation --------------------------------------------------------------------

TEST_F(EventosComponenteTest, ASchemaInvalidEventIsStoppedWhenValidationIsOn) {
  // An access key of 43 digits (the event layout's schema), a correction of
  // 5 characters (the CC-e schema asks 15 or more).
  TDadosEvento chaveCurta = DadosEvento();
  chaveCurta.chNFe = Chave.substr(0, 43);
  const std::string lotes[] = {
      LoteAssinado(MontarInfEventoCCe(chaveCurta, "Texto da correcao"), "7"),
      LoteAssinado(MontarInfEventoCCe(DadosEvento(), "Curto"), "8")};
  FEventos.SetValidarEsquemaAntesEnvio(true);
  for (const std::string& lote : lotes)
    EXPECT_THROW(FEventos.EnviarEventos(lote), ExndSchemaValidationException);
  EXPECT_TRUE(CaminhosRecebidos().empty());
  const std::vector<std::string> linhas = LinhasLog(FDir, "nfe_exception.log");
  ASSERT_EQ(linhas.size(), 2u);
  for (const std::string& linha : linhas)
    EXPECT_TRUE(linha.starts_with("ExndSchemaValidationException : ")) << linha;

  // Validation off: sent, and the simulator's schema check refuses the batch.
  FEventos.SetValidarEsquemaAntesEnvio(false);
  const std::string resposta = FEventos.EnviarEventos(lotes[0]);
  EXPECT_EQ(ObterValorTag("cStat", resposta), "215") << resposta;
  EXPECT_EQ(ObterRetEvento(resposta), "");
}

TEST_F(EventosComponenteTest, SchemaChoiceFailuresAreWrappedAndLeaveTwoLines) {
  try {
    FEventos.ValidarEsquema("<a/>", "SEMMAPA");
    FAIL() << "no exception";
  } catch (const ExndSchemaValidationException& e) {
    EXPECT_EQ(std::string(e.what()), "Não foi encontrado mapeamento de XSD para o comando SEMMAPA ");
  }
  FEventos.SetDiretorioEsquemas(FDir.MakeDir("vazio"));
  const std::string mapa = FDir.File("vazio/Mapping.txt");
  EXPECT_THROW(FEventos.ValidarEsquema("<a/>", "EVENTO"), ExndSchemaValidationException);
  const std::string semArquivo =
      "Arquivo " + mapa + " utilizado na validação de esquema, não foi encontrado";
  EXPECT_EQ(LinhasLog(FDir, "nfeeventos_exception.log"),
            (std::vector<std::string>{
                "ExndEventoCheckParams : Não foi encontrado mapeamento de XSD para o comando SEMMAPA ",
                "ExndEventoFileNotFoundException : " + semArquivo}));
  EXPECT_EQ(LinhasLog(FDir, "nfe_exception.log"),
            (std::vector<std::string>{
                "ExndSchemaValidationException : Não foi encontrado mapeamento de XSD para o comando "
                "SEMMAPA ",
                "ExndSchemaValidationException : " + semArquivo}));
}

// ---- Refusals before any exchange ---------------------------------------------------------

TEST_F(EventosComponenteTest, BadInputIsRefusedWithTheComponentsMessages) {
  // Nothing is read: no templates, no server list.
  FEventos.SetDiretorioTemplates(FDir.File("sem-templates/"));
  FEventos.SetArquivoServidoresHom(FDir.File("sem-lista.ini"));
  struct Caso {
    const char* Nome;
    std::function<void()> Operacao;
    std::string Classe;
    std::string Mensagem;
  };
  const std::string grande(500001, 'x');
  const std::string tamanho = std::string("500") + DecimalSeparator() + "001";
  const std::vector<Caso> casos = {
      {"key with an accent", [&] { FEventos.ConsultarNF("3515030082260200012455001000992346109923465á"); },
       "ExndEventoCheckParams",
       "ID da Nota não pode conter acentos: 3515030082260200012455001000992346109923465á"},
      {"blank key", [&] { FEventos.ConsultarNF("   "); }, "ExndEventoCheckParams",
       "Favor Informar Chave da NFe."},
      {"batch over 500 KB", [&] { FEventos.VerificarTamanhoLote(grande, 500); },
       "ExndEventoMaxSizeException",
       "O Lote do Evento possui " + tamanho + " KB ultrapassando o limite de 500 KB."},
      {"batch over 500 KB sent", [&] { FEventos.EnviarEventos(grande); },
       "ExndEventoMaxSizeException",
       "O Lote do Evento possui " + tamanho + " KB ultrapassando o limite de 500 KB."},
      {"no Id", [&] { FEventos.ExtrairIdEvento("<infEvento><x/></infEvento>"); },
       "ExndEventosException", "Campo \"Id\" não encontrado para nota fiscal"},
      {"no answer log", [&] { FEventos.GerarXmlDestinatario("ID1", "<evento/>", "", "", ""); },
       "ExndEventoCheckParams", "Log de consulta não informado"},
  };
  std::vector<std::string> esperadas;
  for (const Caso& caso : casos) {
    try {
      caso.Operacao();
      ADD_FAILURE() << caso.Nome << ": no exception";
    } catch (const ExndException& e) {
      EXPECT_EQ(e.ClassName(), caso.Classe) << caso.Nome;
      EXPECT_EQ(std::string(e.what()), caso.Mensagem) << caso.Nome;
    }
    esperadas.push_back(caso.Classe + " : " + caso.Mensagem);
  }
  EXPECT_EQ(LinhasLog(FDir, "nfeeventos_exception.log"), esperadas);
  EXPECT_TRUE(FEventos.VerificarTamanhoLote(std::string(500000, 'x'), 500));
}

TEST_F(EventosComponenteTest, SignatureWhitespaceIsCompactedAndLineBreaksRemoved) {
  struct Caso {
    const char* Entrada;
    const char* Saida;
  };
  const Caso casos[] = {
      // runs of blanks inside SignatureValue and KeyInfo go, pairs at a time
      {"<a><SignatureValue>ab  cd     ef</SignatureValue><KeyInfo><X>g  h</X></KeyInfo></a>",
       "<a><SignatureValue>abcd ef</SignatureValue><KeyInfo><X>gh</X></KeyInfo></a>"},
      // the first bare declaration and every CR LF pair
      {"<?xml version=\"1.0\"?><a>\r\n<b>1</b>\r\n</a><?xml version=\"1.0\"?>",
       "<a><b>1</b></a><?xml version=\"1.0\"?>"},
      // blanks elsewhere are left alone
      {"<a><x>a  b</x></a>", "<a><x>a  b</x></a>"},
  };
  for (const Caso& caso : casos) EXPECT_EQ(FEventos.LimparAssinatura(caso.Entrada), caso.Saida);
}

// The size is written with the decimal separator of the process locale.
TEST_F(EventosComponenteTest, TheBatchSizeUsesTheLocalesDecimalSeparator) {
  const std::string anterior = std::setlocale(LC_NUMERIC, nullptr);
  bool ativo = false;
  for (const char* nome : {"pt_BR.UTF-8", "pt_BR.utf8", "pt_BR"})
    if (!ativo) ativo = std::setlocale(LC_NUMERIC, nome) != nullptr;
  if (!ativo) GTEST_SKIP() << "the pt_BR locale is not installed on this machine";
  try {
    FEventos.VerificarTamanhoLote(std::string(500001, 'x'), 500);
    ADD_FAILURE() << "no exception";
  } catch (const ExndEventoMaxSizeException& e) {
    EXPECT_STREQ(e.what(), "O Lote do Evento possui 500,001 KB ultrapassando o limite de 500 KB.");
  }
  std::setlocale(LC_NUMERIC, anterior.c_str());
}

TEST_F(EventosComponenteTest, EventIdentifiers) {
  EXPECT_EQ(FEventos.GerarIdEvento(Chave, 5), "ID110110" + Chave + "05");
  EXPECT_EQ(FEventos.GerarIdEvento(Chave, 100), "ID110110" + Chave + "100");
  // A component without an event type writes "ID" and the key.
  TxndEventosTipo semTipo(nullptr, &FGovX, &FEmail, &FGovUtils);
  EXPECT_EQ(semTipo.GerarIdEvento(Chave, 1), "ID" + Chave + "01");
}

TEST_F(EventosComponenteTest, SigningWithoutACertificateIsACertificateError) {
  FGovX->SignatureSettings().SetCertificatePath(FDir.File("nao-existe.pfx"));
  EXPECT_THROW(FEventos.AssinarEventos(MontarInfEventoCCe(DadosEvento(), "Texto da correcao")),
               ExndCertStoreException);
}

}  // namespace
}  // namespace xnd::test
