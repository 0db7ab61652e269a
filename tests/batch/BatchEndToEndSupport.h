// Shared by the batch end-to-end tests and the batch benchmark: notes made
// from the shared 3.10 sample, and the local SEFAZ simulator run as a child
// process on loopback with the test PKI.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TestPki.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {

inline constexpr const char* NFeWrapper = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">";

inline std::string ReplacedTag(const std::string& aText, const std::string& aTag,
                               const std::string& aValue) {
  const std::string old = "<" + aTag + ">" + ObterValorTag(aTag, aText) + "</" + aTag + ">";
  return StringReplace(aText, old, "<" + aTag + ">" + aValue + "</" + aTag + ">", false);
}

// The infNFe of the shared 3.10 sample renumbered as note aNumero (nNF 5000
// + aNumero), with its own cNF, access key and check digit; aChave gets the key.
inline std::string RenumberedNote(int aNumero, std::string& aChave) {
  const std::string sample = UnsignedNfe310();
  const std::size_t start = sample.find("<infNFe");
  const std::size_t end = sample.find("</infNFe>") + 9;
  std::string note = sample.substr(start, end - start);
  const std::string nNF = std::to_string(5000 + aNumero);
  const std::string cNF = std::to_string(10000000 + aNumero);
  aChave =
      GerarChaveNFeTpEmis(ObterValorTag("dhEmi", note), ObterValorTag("cUF", note),
                          ObterValorTag("CNPJ", note), ObterValorTag("mod", note),
                          ObterValorTag("serie", note), nNF, ObterValorTag("tpEmis", note), cNF);
  note =
      StringReplace(note, TxndNFeXmlUtils::ObterChaveAcesso(sample, true), "NFe" + aChave, false);
  note = ReplacedTag(ReplacedTag(note, "nNF", nNF), "cNF", cNF);
  return ReplacedTag(note, "cDV", aChave.substr(43));
}

// aCount renumbered notes, each in its NFe element; aChaves gets their keys.
inline std::string RenumberedBatch(int aCount, std::vector<std::string>& aChaves) {
  std::string batch;
  for (int i = 1; i <= aCount; ++i) {
    std::string key;
    batch += NFeWrapper + RenumberedNote(i, key) + "</NFe>";
    aChaves.push_back(key);
  }
  return batch;
}

// The NFe elements of AssinarLote's output.
inline std::vector<std::string> SignedNotes(const std::string& aSigned) {
  std::vector<std::string> notes;
  for (std::size_t at = aSigned.find(NFeWrapper); at != std::string::npos;) {
    const std::size_t end = aSigned.find("</NFe>", at) + 6;
    notes.push_back(aSigned.substr(at, end - at));
    at = aSigned.find(NFeWrapper, end);
  }
  return notes;
}

inline std::string SharedSchemasDir() {
  const std::string dir = std::string(XND_SHARED_DIR) + "/schemas/";
  return DirectoryExists(dir) ? dir : std::string();
}

// xndnfe-sefaz-sim started on a free loopback port with the test PKI's
// server certificate, writing a server list that points every section at it;
// stopped (SIGTERM) when the object goes away.
class SimulatorProcess {
 public:
#ifdef XND_SEFAZ_SIM
  static std::string Program() { return XND_SEFAZ_SIM; }
#else
  static std::string Program() { return "xndnfe-sefaz-sim"; }
#endif

  // aOptions: the simulator's behaviour options; by default the notes keep
  // the sample's emitter, whatever the client certificate.
  explicit SimulatorProcess(const std::string& aServerList,
                            const std::vector<std::string>& aOptions = {"--qualquer-emitente"}) {
    if (!FileExists(Program())) {
      FError = "the local SEFAZ simulator is not built (" + Program() + ")";
      return;
    }
    int out[2];
    if (::pipe(out) != 0) {
      FError = "pipe failed";
      return;
    }
    const TestPki& pki = TestPki::Instance();
    std::vector<std::string> args = {
        Program(),  "--port",        "0",    "--cert",        pki.ServerCertificate(),
        "--key",    pki.ServerKey(), "--ca", pki.RootCaPem(), "--write-servers",
        aServerList};
    args.insert(args.end(), aOptions.begin(), aOptions.end());
    if (!SharedSchemasDir().empty()) {
      args.push_back("--schemas");
      args.push_back(SharedSchemasDir());
    }
    FPid = ::fork();
    if (FPid == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::close(out[0]);
      ::close(out[1]);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    FReady = WaitForListening(out[0]);
    ::close(out[0]);
    if (!FReady) FError = "the simulator did not start: " + FOutput;
  }
  ~SimulatorProcess() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGTERM);
    int status = 0;
    ::waitpid(FPid, &status, 0);
  }
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  bool Ready() const { return FReady; }
  const std::string& Error() const { return FError; }

 private:
  // Reads the child's output until its "listening on" line (10 s at most).
  bool WaitForListening(int aFd) {
    char buffer[256];
    for (int waited = 0; waited < 100; ++waited) {
      pollfd p{aFd, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      const ssize_t n = ::read(aFd, buffer, sizeof buffer);
      if (n <= 0) return false;
      FOutput.append(buffer, static_cast<std::size_t>(n));
      if (FOutput.find("listening on") != std::string::npos) return true;
    }
    return false;
  }

  pid_t FPid = -1;
  bool FReady = false;
  std::string FOutput;
  std::string FError;
};

}  // namespace xnd::test
