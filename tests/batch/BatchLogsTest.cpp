// Operation logs: writing, index files and the read-back of TxndNFeXMLLogs.
#include <gtest/gtest.h>

#include "tests/batch/BatchTestSupport.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXMLLogs.h"

namespace xnd::test {
namespace {

std::string Request(const std::vector<int>& aNumbers) {
  std::string notes;
  for (const int n : aNumbers)
    notes += "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">" + TestNote(TestKey(n)) + "</NFe>";
  return "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
         "versao=\"3.10\"><idLote>7</idLote>" +
         notes + "</enviNFe>";
}

struct LogEvent {
  std::string Nome, Id, Arquivo, Conteudo;
  bool operator==(const LogEvent&) const = default;
};

class LogsTest : public BatchFixture {
 protected:
  void SetUp() override {
    BatchFixture::SetUp();
    FNFe->SetOnLog([this](const std::string& n, const std::string& i, const std::string& f) {
      FOnLog.push_back({n, i, f, ""});
    });
    FNFe->SetOnLogContent([this](const std::string& n, const std::string& i, const std::string& f,
                                 const std::string& c) {
      FOnLogContent.push_back({n, i, f, c});
    });
  }
  std::vector<LogEvent> FOnLog;
  std::vector<LogEvent> FOnLogContent;
};

TEST_F(LogsTest, ALogIsExtendedAndRaisesBothEvents) {
  FNFe->SetDiretorioLog(FTemp.Path() + "logs/2026/12");
  const std::string path = FTemp.Path() + "logs/2026/12/env-lot-7.xml";

  FNFe->GravarLog("<a/>", "env-lot", "7", "env-lot-7.xml");
  FNFe->GravarLog("<b/>", "env-lot", "7", "");

  EXPECT_EQ(ReadFileBytes(path), "<a/><b/>");
  EXPECT_EQ(FOnLog,
            (std::vector<LogEvent>{{"env-lot", "7", path, ""}, {"env-lot", "7", path, ""}}));
  EXPECT_EQ(FOnLogContent, (std::vector<LogEvent>{{"env-lot", "7", "env-lot-7.xml", "<a/>"},
                                                  {"env-lot", "7", "env-lot-7.xml", "<b/>"}}));
}

TEST_F(LogsTest, WithoutSavingOnlyTheContentEventIsRaised) {
  FNFe->SetSalvarLogsEmDisco(false);

  FNFe->GravarLog("<a/>", "rec", "7", "");
  FNFe->IndexarLogLote("env-lot-7.xml");  // the log it would read does not exist

  EXPECT_FALSE(DirectoryExists(FTemp.Path() + "Log"));
  EXPECT_TRUE(FOnLog.empty());
  EXPECT_EQ(FOnLogContent, (std::vector<LogEvent>{{"rec", "7", "rec-7.xml", "<a/>"}}));
}

TEST_F(LogsTest, ALogDirectoryThatCannotBeCreatedIsReported) {
  const std::string blocked = FTemp.Write("arquivo", "x") + "/Log/";
  FNFe->SetDiretorioLog(blocked);

  EXPECT_EQ(Capture([&] { FNFe->GravarLog("<a/>", "rec", "7", ""); }),
            (TRaised{"ExndLogException",
                     "Diretório de log não pode ser criado ou está vazio: " + blocked}));
  EXPECT_TRUE(FOnLogContent.empty());
}

TEST_F(LogsTest, TheBatchLogIsIndexedByEveryAccessKey) {
  FNFe->GravarLog(Request({1, 2, 3}), "env-lot", "7", "env-lot-7.xml");

  FNFe->IndexarLogLote("env-lot-7.xml");

  for (const int n : {1, 2, 3}) {
    EXPECT_EQ(ReadFileBytes(FTemp.Path() + "XmlDestinatario/" + TestKey(n)),
              "env-lot=env-lot-7.xml");
  }
}

TEST_F(LogsTest, ALogExtendedBeforeIsIndexedWholeNotOnlyByTheTextJustWritten) {
  FTemp.Write("Log/env-lot-7.xml", Request({1}));  // an earlier send with the same number
  const std::string request = Request({2});
  FNFe->GravarLog(request, "env-lot", "7", "env-lot-7.xml");

  FNFe->IndexarLogLote("env-lot-7.xml", &request);

  for (const int n : {1, 2}) {
    EXPECT_EQ(ReadFileBytes(FTemp.Path() + "XmlDestinatario/" + TestKey(n)),
              "env-lot=env-lot-7.xml");
  }
}

TEST_F(LogsTest, AnIndexNameMustStayInsideTheRecipientDirectory) {
  for (const std::string bad : {"../fora", "a/b", "", ".."}) {
    EXPECT_EQ(
        Capture([&] { FNFe->GravarIndiceLog(bad, "env-lot-7.xml"); }),
        (TRaised{"ExndLogException", "Nome inválido para o arquivo de índice do log: " + bad}))
        << bad;
  }
  EXPECT_FALSE(FileExists(FTemp.Path() + "fora"));
}

// ---- Read-back ---------------------------------------------------------------------

TEST_F(LogsTest, CarregarLogReadsAPathANameInTheLogDirectoryOrTakesTheTextItself) {
  const std::string dir = FTemp.MakeDir("Log");
  FTemp.Write("Log/rec-7.xml", "<ret>Ação</ret>");
  FTemp.Write("Log/antigo.xml", "<ret>A\xE7\xE3o</ret>");  // Windows-1252

  EXPECT_EQ(TxndNFeXMLLogs::CarregarLog(dir + "rec-7.xml", "outro/"), "<ret>Ação</ret>");
  EXPECT_EQ(TxndNFeXMLLogs::CarregarLog("qualquer/antigo.xml", dir), "<ret>Ação</ret>");
  EXPECT_EQ(TxndNFeXMLLogs::CarregarLog("rec-8.xml", dir), "rec-8.xml");
  EXPECT_EQ(TxndNFeXMLLogs::CarregarLog("<ret>A\xE7\xE3o</ret>", dir), "<ret>Ação</ret>");
  EXPECT_EQ(
      Capture([&] { TxndNFeXMLLogs::CarregarLog("/nao/existe/rec-7.xml", dir); }),
      (TRaised{"ExndNFeLogNotFoundException", "Arquivo de Log /nao/existe/rec-7.xml não existe."}));
}

TEST_F(LogsTest, ListarChavesLogAppendsTheKeysOfEveryDocumentOfTheLog) {
  const std::string dir = FTemp.MakeDir("Log");
  TStringList keys;
  keys.Add("antes");

  // A batch number sent twice leaves two requests in one log.
  FTemp.Write("Log/env-lot-7.xml", Request({1, 2}) + Request({3}));
  TxndNFeXMLLogs::ListarChavesLog("env-lot-7.xml", &keys, dir);
  TxndNFeXMLLogs::ListarChavesLog("<retEnviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"/>",
                                  &keys, dir);

  EXPECT_EQ(keys.Text(),
            "antes\r\n" + TestKey(1) + "\r\n" + TestKey(2) + "\r\n" + TestKey(3) + "\r\n");
  EXPECT_EQ(Capture([&] { TxndNFeXMLLogs::ListarChavesLog("x", nullptr, dir); }),
            (TRaised{"ExndNFeCheckParams", "Lista não foi instanciada."}));
}

// The keys are listed in one selection when every infNFe is simple; the
// rule is the key of each infNFe's own XML, which the other texts follow.
TEST_F(LogsTest, ListarChavesTextoGivesTheKeyOfEachInfNFeAsItsOwnXmlDoes) {
  const std::string ns = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
  const std::vector<std::string> texts = {
      Request({1, 2, 3}),
      "<lote " + ns + "><infNFe Id=\"NFe&#x31;&amp;2\"/><infNFe Id=\"NFeçã🙂\"/></lote>",
      "<lote " + ns + "><infNFe versao=\"3.10\"><infNFe Id=\"NFe9\"/></infNFe></lote>",
      "<lote " + ns + "><infNFe Id=\"NFe1\"><infNFe Id=\"NFe2\"/></infNFe><infNFe/></lote>",
      "<t:lote xmlns:t=\"http://www.portalfiscal.inf.br/nfe\"><t:infNFe Id=\"NFe5\"/>"
      "<infNFe Id=\"NFe6\"/><t:infNFe t:Id=\"NFe7\" Id=\"NFe8\"/></t:lote>",
      "<lote " + ns + "><infNFe Id=\"N\"/><infNFe Id=\"\"/><infNFe Id=\"&lt;NFe1\"/></lote>",
  };
  for (const std::string& text : texts) {
    std::string expected;
    for (int i = 0; i < TxndNFeXmlUtils::ContarNFeXPath(text); ++i) {
      const std::string note = TxndNFeXmlUtils::ObterNFePorIndice(i, text, false);
      expected += TxndNFeXmlUtils::ObterChaveAcesso(note, false) + "\r\n";
    }
    TStringList keys;
    TxndNFeXMLLogs::ListarChavesTexto(text, &keys);
    EXPECT_EQ(keys.Text(), expected) << text;
  }
}

TEST_F(LogsTest, ListarChavesLogReportsALogThatIsNotXml) {
  TStringList keys;
  const TRaised raised =
      Capture([&] { TxndNFeXMLLogs::ListarChavesLog("<enviNFe><idLote>", &keys, ""); });
  EXPECT_EQ(raised.ClassName, "EOleException");
  EXPECT_EQ(keys.Count(), 0);
}

}  // namespace
}  // namespace xnd::test
