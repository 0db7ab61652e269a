// Event XML utilities, event logs and the distribution XML, on the shared
// public samples (a signed CC-e batch and a CC-e distribution document).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/xndNFeEventosXmlUtils.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/events/EventosTestSupport.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

constexpr const char* IdProc = "ID1101105318101102879300017355001000006670120427680001";

class EventosXmlUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!AmostrasCompartilhadas()) GTEST_SKIP() << "the shared samples are absent";
    FEnvio = SharedFixture("cce_envEvento_assinado.xml");
    FProc = SharedFixture("cce_procEventoNFe_135.xml");
  }
  // The evento element of the distribution sample, as text.
  std::string EventoDoProc() const {
    const std::size_t inicio = FProc.find("<evento ");
    return FProc.substr(inicio, FProc.find("</evento>") + 9 - inicio);
  }
  std::string RetEventoDoProc() const {
    const std::size_t inicio = FProc.find("<retEvento ");
    return FProc.substr(inicio, FProc.find("</retEvento>") + 12 - inicio);
  }

  TempDir FDir;
  std::string FEnvio;
  std::string FProc;
};

// ---- Counting and picking events ----------------------------------------------------------

TEST_F(EventosXmlUtilsTest, CountsTheEventsToSignWhateverWrapsThem) {
  const std::string inf1 = "<infEvento Id=\"ID1\"><a>1</a></infEvento>";
  const std::string inf2 = "<infEvento Id=\"ID2\"><a>2</a></infEvento>";
  struct Caso {
    const char* Nome;
    std::string Xml;
    int Eventos;
  };
  const std::vector<Caso> casos = {
      // byte-order mark, declaration, envEvento in the NF-e namespace
      {"signed batch sample", FEnvio, 1},
      // the answer's infEvento (inside retEvento) is not an event to sign
      {"distribution sample", FProc, 1},
      {"two bare elements one after the other", inf1 + inf2, 2},
      {"two events in a batch",
       "<envEvento><evento>" + inf1 + "</evento><evento>" + inf2 + "</evento></envEvento>", 2},
      {"no event", "<retEnvEvento><cStat>128</cStat></retEnvEvento>", 0},
  };
  for (const Caso& caso : casos)
    EXPECT_EQ(TxndEventosXMLUtils::ContarEventos(caso.Xml), caso.Eventos) << caso.Nome;

  EXPECT_EQ(TxndEventosXMLUtils::ObterEventoPadrao(1, inf1 + inf2), inf2);
  EXPECT_EQ(TxndEventosXMLUtils::ObterEventoPadrao(2, inf1 + inf2), "");
  EXPECT_EQ(TxndEventosXMLUtils().ObterEvento(-1, inf1), "");
}

TEST_F(EventosXmlUtilsTest, AnEventTakenOutOfTheSampleKeepsItsNamespace) {
  const std::string evento = TxndEventosXMLUtils().ObterEvento(0, FEnvio);
  EXPECT_TRUE(evento.starts_with(
      "<infEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
      "Id=\"ID1101103511031029073900013955001000000001105112804108\"><cOrgao>35</cOrgao>"))
      << evento;
  EXPECT_TRUE(evento.ends_with("</detEvento></infEvento>")) << evento;
}

TEST_F(EventosXmlUtilsTest, MalformedTextIsTheServersError) {
  EXPECT_ANY_THROW(TxndEventosXMLUtils::ContarEventos("<infEvento>"));
}

// ---- Tag values, root element, templates --------------------------------------------------

TEST_F(EventosXmlUtilsTest, TagValuesByPlainSearch) {
  struct Caso {
    const char* Tag;
    const char* Xml;
    const char* Valor;
  };
  const Caso casos[] = {
      {"cStat", "<a><cStat>135</cStat><cStat>1</cStat></a>", "135"},
      {"cStat", "<a><cStat>135</a>", ""},
      // with attributes there is no opening tag: the text from code point
      // length("infEvento") + 2 (counted from 1) up to the closing tag
      {"infEvento", "<infEvento Id=\"ID1\"><x>1</x></infEvento>", " Id=\"ID1\"><x>1</x>"},
  };
  for (const Caso& caso : casos)
    EXPECT_EQ(TxndEventosXMLUtils::ObterValorTag(caso.Tag, caso.Xml), caso.Valor) << caso.Xml;
}

TEST_F(EventosXmlUtilsTest, RootElementWithoutTheDeclaration) {
  EXPECT_EQ(TxndEventosXMLUtils::ExtrairElementoRaiz(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><consSitNFe versao=\"2.01\">"
                "<tpAmb>2</tpAmb></consSitNFe>"),
            "<consSitNFe versao=\"2.01\"><tpAmb>2</tpAmb></consSitNFe>");
}

TEST_F(EventosXmlUtilsTest, TemplatesLoseTheirAccentsAndAMissingOneIsNamed) {
  const std::string modelo = FDir.Write("modelo.xml", "<a>Correção %s</a>");
  EXPECT_EQ(TxndEventosXMLUtils::CarregarModelo(modelo, FDir.Path()), "<a>Correcao %s</a>");

  const std::string ausente = FDir.File("nao-existe.xml");
  try {
    TxndEventosXMLUtils::CarregarModelo(ausente, FDir.Path());
    FAIL() << "no exception";
  } catch (const ExndTemplateNotFoundException& e) {
    EXPECT_STREQ(e.what(), ("Arquivo de template não encontrado: " + ausente).c_str());
  }
  EXPECT_EQ(LinhasLog(FDir, "nfe_exception.log"),
            std::vector<std::string>{"ExndTemplateNotFoundException : Arquivo de template não "
                                     "encontrado: " + ausente});
}

// ---- Event logs ---------------------------------------------------------------------------

TEST_F(EventosXmlUtilsTest, LogsAreReadByPathByNameOrTakenAsTheXml) {
  const std::string diretorio = FDir.MakeDir("Log");
  const std::string utf8 = "<a>Correção</a>";
  FDir.Write("Log/ped-eve-1.xml", utf8);
  FDir.Write("Log/antigo.xml", "<a>Corre\xE7\xE3o</a>");  // Windows-1252
  struct Caso {
    const char* Nome;
    std::string Arquivo;
    std::string Texto;
  };
  const std::vector<Caso> casos = {
      {"absolute path", diretorio + "ped-eve-1.xml", utf8},
      {"bare name in the log directory", "ped-eve-1.xml", utf8},
      {"a path elsewhere keeps only its name", "outro/dir/ped-eve-1.xml", utf8},
      {"Windows-1252 log converted", "antigo.xml", utf8},
      {"XML given directly (UTF-8 unchanged)", utf8, utf8},
  };
  for (const Caso& caso : casos)
    EXPECT_EQ(TxndEventosXMLLogs::CarregarLog(caso.Arquivo, diretorio, FDir.Path()), caso.Texto)
        << caso.Nome;

  const std::string ausente = diretorio + "nao-existe.xml";
  try {
    TxndEventosXMLLogs::CarregarLog(ausente, diretorio, FDir.Path());
    FAIL() << "no exception";
  } catch (const ExndEventoLogNotFoundException& e) {
    EXPECT_STREQ(e.what(), ("Arquivo de Log " + ausente + " não existe.").c_str());
  }
  EXPECT_EQ(LinhasLog(FDir, "nfeeventos_exception.log"),
            std::vector<std::string>{"ExndEventoLogNotFoundException : Arquivo de Log " + ausente +
                                     " não existe."});
}

// A log of two events and an answer to both, in the order opposite to the
// events: each event must get its own answer.
TEST_F(EventosXmlUtilsTest, TheEventAndItsAnswerAreChosenByTheEventId) {
  const std::string evento1 = EventoDoProc();
  const std::string evento2 = StringReplace(
      StringReplace(evento1, "<nSeqEvento>1</nSeqEvento>", "<nSeqEvento>2</nSeqEvento>"),
      "0001\"", "0002\"");
  const std::string id2 = "ID1101105318101102879300017355001000006670120427680002";
  ASSERT_NE(evento2.find(id2), std::string::npos);
  const std::string log = "<envEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\">"
                          "<idLote>1</idLote>" + evento1 + evento2 + "</envEvento>";
  const std::string ret1 = RetEventoDoProc();
  const std::string ret2 =
      StringReplace(ret1, "<nSeqEvento>1</nSeqEvento>", "<nSeqEvento>2</nSeqEvento>");
  const std::string resposta =
      "<retEnvEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\">" + ret2 + ret1 +
      "</retEnvEvento>";

  const std::string escolhido = TxndEventosXMLLogs::ObterEventoDoLog(log, FDir.Path(), "#" + id2);
  EXPECT_NE(escolhido.find(id2), std::string::npos);
  EXPECT_NE(escolhido.find("<nSeqEvento>2</nSeqEvento>"), std::string::npos);
  EXPECT_EQ(TxndEventosXMLLogs::ObterEventoDoLog(log, FDir.Path(), "ID9"), "");
  EXPECT_NE(TxndEventosXMLLogs::ObterEventoDoLog(log, FDir.Path()).find(IdProc), std::string::npos);

  const std::string ret = ObterRetEvento(resposta, id2);
  EXPECT_NE(ret.find("<nSeqEvento>2</nSeqEvento>"), std::string::npos) << ret;
  EXPECT_NE(ObterRetEvento(resposta, IdProc).find("<nSeqEvento>1</nSeqEvento>"),
            std::string::npos);
  EXPECT_EQ(ObterRetEvento("<retEnvEvento><cStat>128</cStat></retEnvEvento>", IdProc), "");
}

// ---- Distribution XML ---------------------------------------------------------------------

TEST_F(EventosXmlUtilsTest, TheDistributionXmlOfTheSampleIsValidAndWritten) {
  if (EsquemasCompartilhados().empty()) GTEST_SKIP() << "the shared schemas are absent";
  TxndEventosXmlDestinatario destinatario;
  destinatario.SetDiretorioLogErro(FDir.Path());
  destinatario.SetModelo(
      TxndEventosXMLUtils::CarregarModelo(ProgramDirectory() + "Templates/vm50/SP/envioxml_dest.xml"));
  destinatario.SetIdEvento(IdProc);
  destinatario.SetXmlEvento(FProc);
  destinatario.SetXmlRetorno(FProc);
  destinatario.SetArquivoSaida(FDir.File("saida/proc.xml"));
  std::string notificado;
  destinatario.SetOnSalvar([&](const std::string& aArquivo, const std::string&) {
    notificado = aArquivo;
  });
  const std::string xml = destinatario.Gerar();

  EXPECT_EQ(ErrosEsquema(xml, "Evento_Generico_PL_v1.01/procEventoNFe_v1.00.xsd"), "");
  EXPECT_EQ(ErrosEsquema(xml, "Evento_CCe_PL_v1.01/procCCeNFe_v1.00.xsd"), "");
  EXPECT_NE(xml.find("serviços de transportes"), std::string::npos);  // UTF-8 kept as it is
  EXPECT_EQ(notificado, FDir.File("saida/proc.xml"));
  std::string linhas;
  for (const std::string_view linha : SplitLines(xml)) linhas.append(linha).append("\r\n");
  EXPECT_EQ(FDir.Read("saida/proc.xml"), linhas);
}

TEST_F(EventosXmlUtilsTest, AnAnswerWithoutRetEventoLeavesTheSecondPlaceEmpty) {
  TxndEventosXmlDestinatario destinatario;
  destinatario.SetModelo("[%s][%s]");
  destinatario.SetXmlEvento("<evento xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
                            "<infEvento Id=\"ID1\"><x>Corre\xE7\xE3o</x></infEvento></evento>");
  destinatario.SetXmlRetorno("<retEnvEvento><cStat>215</cStat></retEnvEvento>");
  EXPECT_EQ(destinatario.MontarXml("ID1"),
            "[<evento xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infEvento Id=\"ID1\">"
            "<x>Correção</x></infEvento></evento>][]");
}

TEST_F(EventosXmlUtilsTest, AnEventNotInTheLogIsRefused) {
  TxndEventosXmlDestinatario destinatario;
  destinatario.SetDiretorioLogErro(FDir.Path());
  destinatario.SetModelo("%s%s");
  destinatario.SetXmlEvento(FProc);
  destinatario.SetXmlRetorno(FProc);
  const std::string id = "ID1101105318101102879300017355001000006670120427680009";
  destinatario.SetIdEvento(id);
  const std::string esperado = "Evento Id: " + id + " não encontrada no Log : " + FProc + " ";
  try {
    destinatario.Gerar();
    FAIL() << "no exception";
  } catch (const ExndEventoXmlDestinatario& e) {
    EXPECT_EQ(std::string(e.what()), esperado);
  }
  EXPECT_FALSE(LinhasLog(FDir, "nfeeventos_exception.log").empty());
}

}  // namespace
}  // namespace xnd::test
