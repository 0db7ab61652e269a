// End to end with the real servers: three 3.10 notes signed by AssinarLote
// with the test PKI certificate, each signature checked by the independent
// xmlsec1 tool, the batch request validated against the national schema,
// then sent to the local SEFAZ simulator and its receipt queried.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "external/xndGovUtils.h"
#include "nfe/xndNFe.h"
#include "services/xndNFEInterface.h"
#include "tests/batch/BatchEndToEndSupport.h"
#include "tests/nfe/NFeTestSupport.h"
#include "tests/support/LoopbackTlsServer.h"
#include "tests/support/XmlSecVerify.h"

namespace xnd::test {
namespace {

// cStat of the protNFe of each key in a receipt-query answer ("" when absent).
std::vector<std::string> ProtocolStatus(const std::string& aAnswer,
                                        const std::vector<std::string>& aKeys) {
  TxndGovUtils utils;
  std::vector<std::string> protocols;
  utils->SelectNodes(aAnswer, ".//tec:protNFe", smNodeXml, NFeNamespacePrefix, protocols);
  std::vector<std::string> status;
  for (const std::string& key : aKeys) {
    std::string found;
    for (const std::string& p : protocols) {
      if (ObterValorTag("chNFe", p) == key) found = ObterValorTag("cStat", p);
    }
    status.push_back(found);
  }
  return status;
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const TestPki& pki = TestPki::Instance();
    FNFe = std::make_unique<TxndNFe>();
    FNFe->SetDiretorioLogErro(FTemp.Path() + "erros/");
    FNFe->SetUF("SP");
    FNFe->SetVersaoManual(vm50a);
    FNFe->SetCNPJ("12345678000195");
    FNFe->SetDiretorioLog(FTemp.Path() + "Log/");
    FNFe->SetDiretorioXmlDestinatario(FTemp.Path() + "XmlDestinatario/");
    FNFe->SetCaminhoCertificado(pki.CompanyPfx());
    FNFe->SetSenhaCertificado(TestPki::Password);
    FBatch = RenumberedBatch(3, FKeys);
  }
  void TearDown() override { FNFe.reset(); }

  std::string Sign() {
    std::string signed_;
    FNFe->AssinarLote(FBatch, signed_);
    return signed_;
  }
  // The national 3.10 package with the shipped Mapping.txt, as a user installs it.
  bool InstallNationalSchemas() {
    namespace fs = std::filesystem;
    const fs::path package = fs::path(XND_SHARED_DIR) / "schemas" / "PL_008i2";
    if (!fs::is_directory(package)) return false;
    const fs::path target = fs::path(FTemp.MakeDir("Esquemas/vm50a"));
    for (const auto& entry : fs::directory_iterator(package)) fs::copy(entry.path(), target);
    fs::copy(fs::path(ProgramDirectory()) / "Esquemas/vm50a/Mapping.txt", target);
    FNFe->SetDiretorioEsquemas(FTemp.Path() + "Esquemas/");
    FNFe->SetValidarEsquemaAntesEnvio(true);
    return true;
  }
  // The receipt query, answered "in processing" (105) until the batch is done.
  std::string QueryReceipt(const std::string& aReceipt) {
    std::string result;
    for (int attempt = 0; attempt < 20; ++attempt) {
      result = FNFe->ObterInterfaceVersao().ConsultarRecibo(aReceipt);
      if (ObterValorTag("cStat", result) != "105") break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return result;
  }
  std::string ErrorLog() const {
    const std::string path = FTemp.Path() + "erros/nfe_exception.log";
    return FileExists(path) ? ReadFileBytes(path) : std::string();
  }

  TempDir FTemp;
  ScopedEnv FHome{"HOME", FTemp.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FTemp.Path() + "data"};
  ScopedEnv FCaBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  std::unique_ptr<TxndNFe> FNFe;
  std::string FBatch;
  std::vector<std::string> FKeys;
};

TEST_F(EndToEndTest, EverySignatureOfTheBatchVerifiesWithXmlSec) {
  const std::vector<std::string> notes = SignedNotes(Sign());

  ASSERT_EQ(notes.size(), 3u);
  for (std::size_t i = 0; i < notes.size(); ++i) {
    EXPECT_NE(notes[i].find("Id=\"NFe" + FKeys[i] + "\""), std::string::npos);
    const XmlSecVerdict verdict = VerifyWithXmlSec(notes[i], "infNFe");
    EXPECT_TRUE(verdict.Verified) << verdict.Output;
  }
}

TEST_F(EndToEndTest, TheSignedBatchRequestIsValidForTheNationalSchema) {
  if (!InstallNationalSchemas()) {
    GTEST_SKIP() << "national schemas not found in " << XND_SHARED_DIR << "/schemas/PL_008i2";
  }
  std::string request;

  EXPECT_EQ(Capture([&] { FNFe->MontarLoteEnvio("20260001", Sign(), request); }), TRaised{});
  EXPECT_EQ(FNFe->ErrosValidador()->Count(), 0);
}

TEST_F(EndToEndTest, TheSimulatorAcceptsTheBatchAndAuthorisesEveryNote) {
  const SimulatorProcess simulator(FTemp.Path() + "nfeServidoresHom.ini");
  if (!simulator.Ready()) GTEST_SKIP() << simulator.Error();
  FNFe->SetArquivoServidoresHom(FTemp.Path() + "nfeServidoresHom.ini");
  InstallNationalSchemas();
  const std::string signed_ = Sign();
  std::string answer;

  const TRaised sent = Capture([&] { FNFe->EnviarLote("20260001", signed_, answer, false); });
  ASSERT_EQ(sent, TRaised{}) << ErrorLog();

  EXPECT_EQ(ObterValorTag("cStat", answer), "103") << answer;
  const std::string receipt = ObterNumeroRecibo(answer);
  ASSERT_FALSE(receipt.empty()) << answer;
  const std::string log = FTemp.Path() + "Log/";
  std::string request;
  FNFe->MontarLoteEnvio("20260001", signed_, request);
  EXPECT_EQ(ReadFileBytes(log + "env-lot-20260001.xml"), request);
  EXPECT_EQ(ReadFileBytes(log + "rec-20260001.xml"), answer);
  std::vector<std::string> indexed = FKeys;
  indexed.push_back(receipt);
  for (const std::string& name : indexed) {
    EXPECT_EQ(ReadFileBytes(FTemp.Path() + "XmlDestinatario/" + name),
              "env-lot=env-lot-20260001.xml")
        << name;
  }

  const std::string result = QueryReceipt(receipt);
  EXPECT_EQ(ProtocolStatus(result, FKeys), (std::vector<std::string>(3, "100"))) << result;
}

TEST_F(EndToEndTest, AnInvalidNoteIsStoppedByValidationOrElseRejectedByTheService) {
  const SimulatorProcess simulator(FTemp.Path() + "nfeServidoresHom.ini");
  if (!simulator.Ready()) GTEST_SKIP() << simulator.Error();
  if (!InstallNationalSchemas()) GTEST_SKIP() << "national schemas not found";
  FNFe->SetArquivoServidoresHom(FTemp.Path() + "nfeServidoresHom.ini");
  // The second note loses its nature of operation, which the schema requires.
  const std::size_t second = FBatch.find("<natOp>", FBatch.find(FKeys[1]));
  FBatch.erase(second, FBatch.find("</natOp>", second) + 8 - second);
  const std::string signed_ = Sign();
  std::string answer;

  const TRaised validated = Capture([&] { FNFe->EnviarLote("20260002", signed_, answer, false); });
  EXPECT_EQ(validated.ClassName, "ExndSchemaValidationException");
  EXPECT_GT(FNFe->ErrosValidador()->Count(), 0);
  EXPECT_FALSE(DirectoryExists(FTemp.Path() + "Log"));

  FNFe->SetValidarEsquemaAntesEnvio(false);
  const TRaised sent = Capture([&] { FNFe->EnviarLote("20260002", signed_, answer, false); });
  ASSERT_EQ(sent, TRaised{}) << ErrorLog();
  const std::string result = QueryReceipt(ObterNumeroRecibo(answer));
  EXPECT_EQ(ProtocolStatus(result, FKeys), (std::vector<std::string>{"100", "225", "100"}))
      << result;
}

TEST_F(EndToEndTest, AServiceThatTimesOutLeavesTheRequestAndItsIndexOnDisk) {
  LoopbackTlsServer server;
  server.Respond(CannedResponse{200, "application/soap+xml; charset=utf-8", "<nada/>", 3000});
  FTemp.Write("nfeServidoresHom.ini", "[SP]\nNfeRecepcao3=" + server.Url() + "\n");
  FNFe->SetArquivoServidoresHom(FTemp.Path() + "nfeServidoresHom.ini");
  FNFe->SetTimeOut(300);
  const std::string signed_ = Sign();
  std::string answer;

  const TRaised raised = Capture([&] { FNFe->EnviarLote("20260003", signed_, answer, false); });

  const std::string prefix = "Erro ao enviar NF-e: ";
  EXPECT_EQ(raised.ClassName, "ExndNFeException");
  ASSERT_GT(raised.Message.size(), prefix.size()) << raised.Message;
  EXPECT_EQ(raised.Message.substr(0, prefix.size()), prefix);
  EXPECT_NE(ErrorLog().find(" - ExndNFeException : " + raised.Message), std::string::npos);
  ASSERT_EQ(server.Requests().size(), 1u);
  std::string request;
  FNFe->MontarLoteEnvio("20260003", signed_, request);
  EXPECT_EQ(ReadFileBytes(FTemp.Path() + "Log/env-lot-20260003.xml"), request);
  for (const std::string& key : FKeys) {
    EXPECT_EQ(ReadFileBytes(FTemp.Path() + "XmlDestinatario/" + key),
              "env-lot=env-lot-20260003.xml");
  }
  EXPECT_FALSE(FileExists(FTemp.Path() + "Log/rec-20260003.xml"));
}

}  // namespace
}  // namespace xnd::test
