// The local SEFAZ simulator, run in-process over HTTPS with the test PKI,
// and the real xndGovX / xndGovUtils servers talking to it: the set-up of the
// end-to-end tests of the web-service layer.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "SefazSim.h"
#include "external/xndGovUtils.h"
#include "external/xndGovX.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/text.h"
#include "services/xndNFEInterface.h"
#include "tests/support/CompanyCertificate.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace xnd::test {

inline std::string DiretorioEsquemasCompartilhados() {
  const std::string dir = std::string(XND_SHARED_DIR) + "/schemas/";
  return DirectoryExists(dir) ? dir : "";
}

// The public sample documents the signed notes and events are made from.
inline std::string DiretorioAmostras() { return std::string(XND_SHARED_DIR) + "/fixtures/"; }
inline bool AmostrasDisponiveis() { return DirectoryExists(DiretorioAmostras()); }

// A simulator of its own for every test (what it accepted is gone with it),
// on a free port, with the server list it writes.
class SimuladorLocal {
 public:
  // aAjuste: changes to the options before the simulator starts.
  explicit SimuladorLocal(const std::function<void(sim::TOpcoesSimulador&)>& aAjuste = {}) {
    const TestPki& pki = TestPki::Instance();
    sim::TOpcoesSimulador opcoes;
    opcoes.Certificado = pki.ServerCertificate();
    opcoes.Chave = pki.ServerKey();
    opcoes.AutoridadeCA = pki.RootCaPem();
    opcoes.Esquemas = DiretorioEsquemasCompartilhados();
    // The notes sent are the public samples, issued under another CNPJ than
    // the test certificate's.
    opcoes.VerificarCNPJBase = false;
    if (aAjuste) aAjuste(opcoes);
    FSimulador = std::make_unique<sim::TSefazSimulador>(opcoes);
    FSimulador->Iniciar();
    FLista = FDir.File("nfeServidoresHom.ini");
    FSimulador->GravarListaServidores(FLista);
  }
  sim::TSefazSimulador& Simulador() { return *FSimulador; }
  const std::string& ListaServidores() const { return FLista; }

 private:
  TempDir FDir;
  std::unique_ptr<sim::TSefazSimulador> FSimulador;
  std::string FLista;
};

class SimuladorFixture : public ::testing::Test {
 protected:
  explicit SimuladorFixture(const std::function<void(sim::TOpcoesSimulador&)>& aAjuste = {})
      : FCaBundle("XND_CA_BUNDLE", TestPki::Instance().RootCaPem()),
        FLocal(aAjuste),
        FSim(FLocal.Simulador()),
        FServidores(FLocal.ListaServidores()) {
    FDados.UF = "SP";
    FDados.cUF = "35";
    FDados.TipoAmbiente = "2";
    FDados.ServidoresINI = &FServidores;
    UseCompanyCertificate(FGovX.Server());
  }

  // The installed templates of a manual version directory ("vm50a").
  void UsarTemplatesInstalados(const std::string& aVersao) {
    FDados.DiretorioTemplates = ProgramDirectory() + "Templates/" + aVersao + "/";
  }

  std::string TemplateInstalado(const std::string& aVersao, const std::string& aNome) const {
    return ReadFileBytes(ProgramDirectory() + "Templates/" + aVersao + "/" + FDados.UF + "/" +
                         aNome);
  }

  // aNota (<NFe><infNFe Id=...>...</infNFe></NFe>, prepared) signed with the test company's
  // certificate.
  std::string Assinar(const std::string& aNota) {
    FGovX->SignatureSettings().SetElementName("infNFe");
    const std::size_t id = aNota.find("Id=\"");
    return FGovX->SignXml(aNota, aNota.substr(id + 4, aNota.find('"', id + 4) - id - 4));
  }

  // The 2.00 sample note without its old signature, prepared.
  std::string NotaSemAssinatura200() {
    return FGovUtils->PrepareXml(
        RemoveSignature(ExtrairNFe(SharedFixture("nfe200_nfeProc_autorizada.xml"))));
  }

  static std::string ExtrairNFe(const std::string& aXml) {
    const std::size_t inicio = aXml.find("<NFe");
    const std::size_t fim = aXml.find("</NFe>");
    return aXml.substr(inicio, fim + 6 - inicio);
  }

  ScopedEnv FCaBundle;
  SimuladorLocal FLocal;
  sim::TSefazSimulador& FSim;
  TIniFile FServidores;
  TNFeData FDados;
  TxndGovUtils FGovUtils;
  TxndGovX FGovX;
};

}  // namespace xnd::test
