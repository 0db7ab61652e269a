// Batch submission: the request checks in their order, the size limit in
// both decimal separators, logging and indexing before the send, the answer
// log and the receipt index after it.
#include <gtest/gtest.h>

#include <clocale>

#include "services/xndNFEInterface.h"
#include "tests/batch/BatchTestSupport.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

std::string SignedNote(int aNumero) {
  return "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">" + TestNote(TestKey(aNumero)) +
         FakeSignature + "</NFe>";
}

std::string SignedBatch(const std::vector<int>& aNumbers) {
  std::string batch;
  for (const int n : aNumbers) batch += SignedNote(n);
  return batch;
}

// A batch of exactly aCodePoints code points (some of two bytes), signed or not.
std::string BatchOfLength(std::size_t aCodePoints, bool aSigned) {
  std::string batch = aSigned ? SignedNote(1) : "<NFe>" + TestNote(TestKey(1)) + "</NFe>";
  const std::size_t length = Utf8Length(batch);
  for (std::size_t i = length; i < aCodePoints; ++i) batch += (i % 2 == 0 ? "ç" : " ");
  return batch;
}

class ScopedNumericLocale {
 public:
  explicit ScopedNumericLocale(const char* aName) : FPrevious(std::setlocale(LC_NUMERIC, nullptr)) {
    FApplied = std::setlocale(LC_NUMERIC, aName) != nullptr;
  }
  ~ScopedNumericLocale() { std::setlocale(LC_NUMERIC, FPrevious.c_str()); }
  bool Applied() const { return FApplied; }

 private:
  std::string FPrevious;
  bool FApplied = false;
};

class SubmissionTest : public BatchFixture {
 protected:
  // A server list for the state; the fake server answers whatever the URL.
  void UseServerList() {
    FTemp.Write("servidores.ini",
                "[SP]\nNfeRecepcao3=https://127.0.0.1:9/ws\nNfeRecepcao2=https://127.0.0.1:9/ws\n");
    FNFe->SetArquivoServidoresHom(FTemp.Path() + "servidores.ini");
  }
  std::string LogDir() const { return FTemp.Path() + "Log/"; }
  std::string IndexDir() const { return FTemp.Path() + "XmlDestinatario/"; }
};

// ---- Checks before anything is logged or sent ---------------------------------------

// Check number N and every later one are made to fail; the first of them is reported.
class CheckOrderTest : public SubmissionTest, public ::testing::WithParamInterface<int> {};

TEST_P(CheckOrderTest, TheFirstFailingCheckIsReportedAndNothingIsLoggedOrSent) {
  const int first = GetParam();
  const auto failing = [&](int aCheck) { return aCheck >= first; };
  if (failing(0)) FNFe->SetDiretorioTemplates(FTemp.MakeDir("Vazio"));
  if (failing(1)) FGovX.CheckError = "Certificado não encontrado";
  const std::string idLote = failing(2) ? "1é" : "1";
  if (failing(3)) FNFe->SetMaxSizeLoteEnvio(1);
  const std::string batch = BatchOfLength(1500, !failing(4));
  FNFe->SetDiretorioEsquemas(FTemp.MakeDir("Esquemas"));
  FNFe->SetValidarEsquemaAntesEnvio(true);  // no Mapping.txt there: always fails
  std::string answer = "antes";

  const TRaised expected[] = {
      {"ExndTemplateNotFoundException", "Arquivo de template não encontrado: " + FTemp.Path() +
                                            "Vazio/vm50a/SP/pedido_enviarnota.xml"},
      {"ExndCertStoreException", "Certificado não encontrado"},
      {"ExndNFeCheckParams", "Numero do Lote não pode conter acento: 1é"},
      {"ExndNFeMaxSizeException",
       "O Lote de NFes possui " + FloatToStr(1.5L) + " KB ultrapassando o limite de 1 KB."},
      {"ExndSignatureException", "A nota não possui assinatura"},
      {"ExndSchemaValidationException",
       "Arquivo " + FTemp.Path() +
           "Esquemas/vm50a/Mapping.txt utilizado na validação de esquema, não foi "
           "encontrado"}};
  EXPECT_EQ(Capture([&] { FNFe->EnviarLote(idLote, batch, answer, false); }), expected[first]);
  EXPECT_EQ(answer, "antes");
  EXPECT_FALSE(DirectoryExists(LogDir()));
  EXPECT_TRUE(Calls("SendSoapMessage").empty());
  const std::vector<std::string> log = ErrorLog();
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(IsLogLine(log.back(), expected[first].ClassName, expected[first].Message))
      << log.back();
}

std::string CheckName(const ::testing::TestParamInfo<int>& aInfo) {
  static const char* const names[] = {"Template", "Certificate", "BatchNumber",
                                      "Size",     "Signature",   "Schema"};
  return names[aInfo.param];
}

INSTANTIATE_TEST_SUITE_P(Checks, CheckOrderTest, ::testing::Range(0, 6), CheckName);

TEST_F(SubmissionTest, ABatchOfBlanksIsRefusedFirst) {
  FNFe->SetDiretorioTemplates(FTemp.MakeDir("Vazio"));
  std::string answer;
  EXPECT_EQ(Capture([&] { FNFe->EnviarLote("1é", " \r\n\t \r\n", answer, false); }),
            (TRaised{"ExndNFeCheckParams", "Favor preencher o parâmetro aLoteNotas"}));
}

TEST_F(SubmissionTest, TheRequestIsTheTemplateFilledWithTheBatchWithoutLineBreaks) {
  const std::string batch = SignedNote(1) + "\r\n" + SignedNote(2) + "\n";
  std::string request;

  FNFe->MontarLoteEnvio("42", batch, request);

  EXPECT_EQ(
      request,
      "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"3.10\"><idLote>42</idLote>"
      "<indSinc>0</indSinc>" +
          SignedNote(1) + SignedNote(2) + "</enviNFe>");
}

struct LocaleCase {
  const char* Name;
  const char* Locale;
  const char* Separator;
};

class SizeLimitTest : public SubmissionTest, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(SizeLimitTest, TheLimitCountsCharactersAndShowsTheLocaleDecimalSeparator) {
  const ScopedNumericLocale locale(GetParam().Locale);
  if (!locale.Applied()) GTEST_SKIP() << "locale " << GetParam().Locale << " is not installed";
  const std::string separator = GetParam().Separator;
  std::string request;

  const std::string atLimit = BatchOfLength(500000, true);
  ASSERT_GT(atLimit.size(), 500000u);
  EXPECT_EQ(Capture([&] { FNFe->MontarLoteEnvio("1", atLimit, request); }), TRaised{});
  EXPECT_EQ(Capture([&] { FNFe->MontarLoteEnvio("1", BatchOfLength(500001, true), request); }),
            (TRaised{"ExndNFeMaxSizeException", "O Lote de NFes possui 500" + separator +
                                                    "001 KB ultrapassando o limite de 500 KB."}));
}

INSTANTIATE_TEST_SUITE_P(Locales, SizeLimitTest,
                         ::testing::Values(LocaleCase{"C", "C", "."},
                                           LocaleCase{"ptBR", "pt_BR.UTF-8", ","}),
                         [](const auto& aInfo) { return std::string(aInfo.param.Name); });

TEST_F(SubmissionTest, AnInvalidRequestIsNotSentWhenValidationIsOn) {
  FNFe->SetDiretorioEsquemas(FTemp.Path() + "Esquemas/");
  FTemp.Write("Esquemas/vm50a/Mapping.txt", "[ValidarXML]\nENVIO=envio.xsd\n");
  FTemp.Write(
      "Esquemas/vm50a/envio.xsd",
      "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
      "targetNamespace=\"http://www.portalfiscal.inf.br/nfe\" elementFormDefault=\"qualified\">"
      "<xs:element name=\"enviNFe\"><xs:complexType><xs:sequence><xs:element name=\"idLote\">"
      "<xs:simpleType><xs:restriction base=\"xs:string\"><xs:pattern value=\"[0-9]{1,15}\"/>"
      "</xs:restriction></xs:simpleType></xs:element></xs:sequence><xs:anyAttribute "
      "processContents=\"skip\"/>"
      "</xs:complexType></xs:element></xs:schema>");
  FNFe->SetValidarEsquemaAntesEnvio(true);
  std::string answer;

  const TRaised raised = Capture([&] { FNFe->EnviarLote("1", SignedBatch({1}), answer, false); });

  EXPECT_EQ(raised.ClassName, "ExndSchemaValidationException");
  EXPECT_GT(FNFe->ErrosValidador()->Count(), 0);
  EXPECT_NE(raised.Message.find(FNFe->ErrosValidador()->Strings(0)), std::string::npos)
      << raised.Message;
  EXPECT_FALSE(DirectoryExists(LogDir()));
  EXPECT_TRUE(Calls("SendSoapMessage").empty());
}

// ---- Logging, sending, answer -----------------------------------------------------

// How the send fails, and the exception lines it leaves in DiretorioLogErro:
// a failure of the server is not of the library's tree and logs nothing
// itself; a configuration failure logs its own line before the wrapping one;
// the version interface logs its address failure beside the program.
struct SendFailureCase {
  const char* Name;
  const char* ServerList;  // nullptr: the configured file does not exist
  const char* SoapError;
  std::string Inner;  // "%s" = the server list file
  std::size_t Lines;
};

class SendFailureTest : public SubmissionTest,
                        public ::testing::WithParamInterface<SendFailureCase> {};

TEST_P(SendFailureTest, LeavesTheRequestLogAndTheKeyIndexFiles) {
  const SendFailureCase& c = GetParam();
  const std::string list = c.ServerList == nullptr ? FTemp.File("servidores.ini")
                                                   : FTemp.Write("servidores.ini", c.ServerList);
  FNFe->SetArquivoServidoresHom(list);
  FScript.SoapError = c.SoapError;
  const std::string batch = SignedBatch({1, 2, 3});
  const std::string message = "Erro ao enviar NF-e: " + StringReplace(c.Inner, "%s", list);
  std::string answer = "antes";

  EXPECT_EQ(Capture([&] { FNFe->EnviarLote("77", batch, answer, false); }),
            (TRaised{"ExndNFeException", message}));

  const std::vector<std::string> log = ErrorLog();
  ASSERT_EQ(log.size(), c.Lines);
  EXPECT_TRUE(IsLogLine(log.back(), "ExndNFeException", message)) << log.back();
  EXPECT_EQ(answer, "antes");
  std::string request;
  FNFe->MontarLoteEnvio("77", batch, request);
  EXPECT_EQ(ReadFileBytes(LogDir() + "env-lot-77.xml"), request);
  for (const int n : {1, 2, 3}) {
    EXPECT_EQ(ReadFileBytes(IndexDir() + TestKey(n)), "env-lot=env-lot-77.xml");
  }
  EXPECT_FALSE(FileExists(LogDir() + "rec-77.xml"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendFailureTest,
    ::testing::Values(
        SendFailureCase{"ServiceDown", "[SP]\nNfeRecepcao3=https://127.0.0.1:9/ws\n",
                        "Failed to connect to 127.0.0.1 port 9: Connection refused",
                        "Failed to connect to 127.0.0.1 port 9: Connection refused", 1},
        SendFailureCase{"NoAddressForTheService", "[RS]\nNfeRecepcao3=https://127.0.0.1:9/ws\n", "",
                        "Servidor para NfeRecepcao3 não definido no arquivo: %s", 1},
        SendFailureCase{"NoServerList", nullptr, "",
                        "Arquivo \"%s\" de servidores de homologação não encontrado", 2}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

constexpr const char* Receipt =
    "<retEnviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
    "versao=\"3.10\"><tpAmb>2</tpAmb><cStat>103</cStat>"
    "<xMotivo>Lote recebido com "
    "sucesso</xMotivo><cUF>35</cUF><infRec><nRec>351000012345678</nRec><tMed>1</tMed>"
    "</infRec></retEnviNFe>";

TEST_F(SubmissionTest, TheAnswerIsLoggedAndItsReceiptIndexed) {
  UseServerList();
  FScript.SoapAnswer = Receipt;
  std::string answer;

  FNFe->EnviarLote("77", SignedBatch({1, 2, 3}), answer, false);

  EXPECT_NE(answer.find("<nRec>351000012345678</nRec>"), std::string::npos) << answer;
  EXPECT_EQ(ReadFileBytes(LogDir() + "rec-77.xml"), answer);
  for (const std::string& name :
       {TestKey(1), TestKey(2), TestKey(3), std::string("351000012345678")}) {
    EXPECT_EQ(ReadFileBytes(IndexDir() + name), "env-lot=env-lot-77.xml") << name;
  }
}

TEST_F(SubmissionTest, WithoutSavingLogsOnlyTheContentEventsAreRaised) {
  UseServerList();
  FScript.SoapAnswer = Receipt;
  FNFe->SetSalvarLogsEmDisco(false);
  std::vector<std::string> content;
  int onLog = 0;
  FNFe->SetOnLog([&](const std::string&, const std::string&, const std::string&) { ++onLog; });
  FNFe->SetOnLogContent([&](const std::string& n, const std::string& i, const std::string& f,
                            const std::string&) { content.push_back(n + " " + i + " " + f); });
  std::string answer;

  FNFe->EnviarLote("77", SignedBatch({1}), answer, false);

  EXPECT_EQ(content, (std::vector<std::string>{"env-lot 77 env-lot-77.xml", "rec 77 rec-77.xml"}));
  EXPECT_EQ(onLog, 0);
  EXPECT_FALSE(DirectoryExists(LogDir()));
  EXPECT_FALSE(FileExists(IndexDir() + TestKey(1)));
}

}  // namespace
}  // namespace xnd::test
