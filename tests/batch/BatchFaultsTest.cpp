// Batch submission on a small disk (a tmpfs of its own): full at each write
// of EnviarLote, or read-only. Nothing is left half-written, the error names
// the file in Portuguese and is of the library's tree, the caller learns
// whether the batch went out and its receipt, and the retry works once there
// is room. Mounting needs the right to (root in a container); without it the
// tests are skipped.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <stdexcept>

#include "tests/batch/BatchTestSupport.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXMLLogs.h"

namespace xnd::test {
namespace {

constexpr const char* Receipt =
    "<retEnviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
    "versao=\"3.10\"><tpAmb>2</tpAmb><cStat>103</cStat><xMotivo>Lote recebido com "
    "sucesso</xMotivo><cUF>35</cUF><infRec><nRec>351000012345678</nRec><tMed>1</tMed>"
    "</infRec></retEnviNFe>";
constexpr const char* ReceiptNumber = "351000012345678";

// Notes large enough for the request log to span several pages, so that a
// full disk cuts its write half-way.
std::string SignedBatch() {
  std::string batch;
  for (const int n : {1, 2, 3}) {
    batch += "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">" +
             TestNote(TestKey(n), "1", "<xObs>" + std::string(3000, 'o') + "</xObs>") +
             FakeSignature + "</NFe>";
  }
  return batch;
}

// A tmpfs mounted on a directory for the life of the object.
class SmallDisk {
 public:
  explicit SmallDisk(std::string aDir) : FDir(std::move(aDir)) {
    ForceDirectories(FDir);
    FMounted = ::mount("tmpfs", FDir.c_str(), "tmpfs", 0, "size=256k") == 0;
  }
  ~SmallDisk() {
    if (FMounted) ::umount2(FDir.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return FMounted; }
  std::size_t PageSize() const { return Stat().f_bsize; }

  // Fills the disk with a file so that exactly aPages pages stay free.
  void LeaveFree(std::size_t aPages) {
    const struct statvfs info = Stat();
    ASSERT_GE(info.f_bavail, aPages);
    WriteFileBytes(FDir + "enchimento", std::string((info.f_bavail - aPages) * info.f_bsize, 'z'));
    ASSERT_EQ(Stat().f_bavail, aPages);
  }
  void SetReadOnly(bool aReadOnly) {
    const unsigned long flags = MS_REMOUNT | (aReadOnly ? MS_RDONLY : 0);
    ASSERT_EQ(::mount("tmpfs", FDir.c_str(), "tmpfs", flags, "size=256k"), 0);
  }
  // Room again: the filler goes, writes are allowed.
  void Release() {
    SetReadOnly(false);
    DeleteFile(FDir + "enchimento");
  }

 private:
  struct statvfs Stat() const {
    struct statvfs info {};
    ::statvfs(FDir.c_str(), &info);
    return info;
  }

  std::string FDir;
  bool FMounted = false;
};

// Which write of EnviarLote finds the disk full (or read-only), in order:
// the request log, the three key indexes, the answer log, the receipt index.
enum TFalha { PedidoCheio, IndiceChaveCheio, RespostaCheia, IndiceReciboCheio, SomenteLeitura };

struct FaultCase {
  const char* Name;
  TFalha Falha;
  const char* Classe;
  std::string Mensagem;  // %D = the tmpfs directory
  bool Enviado;
};
void PrintTo(const FaultCase& aCase, std::ostream* aOut) { *aOut << aCase.Name; }

class BatchFaultTest : public BatchFixture, public ::testing::WithParamInterface<FaultCase> {
 protected:
  void SetUp() override {
    BatchFixture::SetUp();
    FTemp.Write("servidores.ini", "[SP]\nNfeRecepcao3=https://127.0.0.1:9/ws\n");
    FNFe->SetArquivoServidoresHom(FTemp.Path() + "servidores.ini");
    FNFe->SetDiretorioLog(Disk() + "Log/");
    FNFe->SetDiretorioXmlDestinatario(Disk() + "XmlDestinatario/");
    FScript.SoapAnswer = Receipt;
  }
  std::string Disk() const { return FTemp.Path() + "disco/"; }
  std::size_t Pages(std::size_t aBytes) const {
    return (aBytes + FDisk.PageSize() - 1) / FDisk.PageSize();
  }

  SmallDisk FDisk{FTemp.Path() + "disco/"};
};

TEST_P(BatchFaultTest, NothingHalfWrittenTheCallerKnowsWhatWentAndTheRetryWorks) {
  if (!FDisk.Mounted()) GTEST_SKIP() << "no permission to mount a tmpfs here";
  const FaultCase& c = GetParam();
  const std::string batch = SignedBatch();
  std::string request;
  FNFe->MontarLoteEnvio("77", batch, request);
  ASSERT_GT(Pages(request.size()), 2u);
  ForceDirectories(Disk() + "Log/");
  ForceDirectories(Disk() + "XmlDestinatario/");
  // Each index file takes one page; the answer fits in one.
  const std::size_t requestPages = Pages(request.size());
  switch (c.Falha) {
    case PedidoCheio:
      FDisk.LeaveFree(requestPages - 1);
      break;
    case IndiceChaveCheio:
      FDisk.LeaveFree(requestPages);
      break;
    case RespostaCheia:
      FDisk.LeaveFree(requestPages + 3);
      break;
    case IndiceReciboCheio:
      FDisk.LeaveFree(requestPages + 3 + 1);
      break;
    case SomenteLeitura:
      FDisk.SetReadOnly(true);
      break;
  }
  std::string answer;
  const std::string message = StringReplace(c.Mensagem, "%D", Disk());

  const TRaised raised = Capture([&] { FNFe->EnviarLote("77", batch, answer, false); });

  EXPECT_EQ(raised, (TRaised{c.Classe, message}));
  EXPECT_TRUE(IsLogLine(ErrorLog().back(), c.Classe, message)) << ErrorLog().back();
  EXPECT_EQ(Calls("SendSoapMessage").size(), c.Enviado ? 1u : 0u);
  EXPECT_EQ(answer, c.Enviado ? Receipt : "");
  // What is on disk is whole: the request log is the request or absent, and
  // so is the answer log.
  const std::string logDir = Disk() + "Log/";
  if (FileExists(logDir + "env-lot-77.xml")) {
    EXPECT_EQ(ReadFileBytes(logDir + "env-lot-77.xml"), request);
  }
  EXPECT_EQ(FileExists(logDir + "env-lot-77.xml"),
            c.Falha >= IndiceChaveCheio && c.Falha < SomenteLeitura);
  if (FileExists(logDir + "rec-77.xml")) {
    EXPECT_EQ(ReadFileBytes(logDir + "rec-77.xml"), Receipt);
  }
  EXPECT_EQ(FileExists(logDir + "rec-77.xml"), c.Falha == IndiceReciboCheio);

  // With room again, the batch can be sent again and is indexed whole.
  FDisk.Release();
  answer.clear();
  EXPECT_EQ(Capture([&] { FNFe->EnviarLote("77", batch, answer, false); }), TRaised{});
  EXPECT_EQ(answer, Receipt);
  for (const std::string& name : {TestKey(1), TestKey(2), TestKey(3), std::string(ReceiptNumber)}) {
    EXPECT_EQ(ReadFileBytes(Disk() + "XmlDestinatario/" + name), "env-lot=env-lot-77.xml") << name;
  }
}

const char* const SemEspaco = "não há espaço livre no dispositivo.";

INSTANTIATE_TEST_SUITE_P(
    Falhas, BatchFaultTest,
    ::testing::Values(
        FaultCase{"PedidoSemEspaco", PedidoCheio, "ExndLogException",
                  "Não foi possível gravar o arquivo %DLog/env-lot-77.xml: " +
                      std::string(SemEspaco),
                  false},
        FaultCase{"IndiceDaChaveSemEspaco", IndiceChaveCheio, "ExndLogException",
                  "Não foi possível gravar o arquivo %DXmlDestinatario/" + TestKey(1) + ": " +
                      SemEspaco,
                  false},
        FaultCase{"RespostaSemEspaco", RespostaCheia, "ExndNFeLoteEnviadoException",
                  "O lote 77 foi enviado e o serviço respondeu com o recibo 351000012345678, mas "
                  "houve uma falha depois do envio: Não foi possível gravar o arquivo "
                  "%DLog/rec-77.xml: " +
                      std::string(SemEspaco),
                  true},
        FaultCase{"IndiceDoReciboSemEspaco", IndiceReciboCheio, "ExndNFeLoteEnviadoException",
                  "O lote 77 foi enviado e o serviço respondeu com o recibo 351000012345678, mas "
                  "houve uma falha depois do envio: Não foi possível gravar o arquivo "
                  "%DXmlDestinatario/351000012345678: " +
                      std::string(SemEspaco),
                  true},
        FaultCase{"DiscoSomenteLeitura", SomenteLeitura, "ExndLogException",
                  "Não foi possível gravar o arquivo %DLog/env-lot-77.xml: sistema de arquivos "
                  "somente para leitura.",
                  false}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

// Whatever fails after the send (here the host's own log handler), the
// exception says the batch went out and carries the receipt and the answer,
// for a host that decides by class rather than by message.
TEST_F(BatchFixture, AFailureAfterTheSendCarriesTheReceipt) {
  FTemp.Write("servidores.ini", "[SP]\nNfeRecepcao3=https://127.0.0.1:9/ws\n");
  FNFe->SetArquivoServidoresHom(FTemp.Path() + "servidores.ini");
  FScript.SoapAnswer = Receipt;
  FNFe->SetOnLogContent(
      [](const std::string& aTipo, const std::string&, const std::string&, const std::string&) {
        if (aTipo == "rec") throw std::runtime_error("falha do programa");
      });
  std::string answer;

  try {
    FNFe->EnviarLote("77", SignedBatch(), answer, false);
    ADD_FAILURE() << "no exception";
  } catch (const ExndNFeLoteEnviadoException& e) {
    EXPECT_EQ(e.Message(),
              "O lote 77 foi enviado e o serviço respondeu com o recibo 351000012345678, mas "
              "houve uma falha depois do envio: falha do programa");
    EXPECT_EQ(e.IdLote(), "77");
    EXPECT_EQ(e.NumeroRecibo(), ReceiptNumber);
    EXPECT_EQ(e.Retorno(), Receipt);
  }
  EXPECT_EQ(answer, Receipt);
}

}  // namespace
}  // namespace xnd::test
