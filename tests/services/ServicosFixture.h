// Shared set-up of the web-service tests: a configuration snapshot for SP,
// an in-memory server list, templates written to a temporary directory, the
// real xndGovUtils server and a recording fake of xndGovX.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "FakeGovX.h"
#include "external/xndGovUtils.h"
#include "external/xndGovX.h"
#include "platform/inifile.h"
#include "services/xndNFE30Intf.h"
#include "services/xndNFE40Intf.h"
#include "services/xndNFE50Intf.h"
#include "services/xndNFE50aIntf.h"
#include "tests/support/TempDir.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {

class ServicosFixture : public ::testing::Test {
 protected:
  ServicosFixture() : FServidores(FDir.File("servidores.ini")) {
    FDados.UF = "SP";
    FDados.cUF = "35";
    FDados.TipoAmbiente = "2";
    FDados.ServidoresINI = &FServidores;
    FDados.DiretorioTemplates = FDir.Path() + "Templates/vm40/";
    FGovX.Server();  // creates the fake now, so a test can set its answer first
  }

  FakeGovX& Fake() const { return FFakeGovX.Fake(); }

  // Writes the files of aArquivos into Templates/<versao>/<uf>/ and points the snapshot there.
  void Templates(const std::string& aVersao, const std::string& aUF,
                 const std::map<std::string, std::string>& aArquivos) {
    for (const auto& [nome, texto] : aArquivos)
      FDir.Write("Templates/" + aVersao + "/" + aUF + "/" + nome, texto);
    FDados.DiretorioTemplates = FDir.Path() + "Templates/" + aVersao + "/";
  }

  void Servidores(const std::string& aTexto) { FServidores.SetText(aTexto); }

  std::unique_ptr<TxndNFEInterface> Interface(TVersaoManual aVersao) {
    FDados.VersaoManual = aVersao;
    return CriarInterfaceVersao(aVersao, FDados, FGovUtils, FGovX);
  }

  TempDir FDir;
  TMemIniFile FServidores;
  TNFeData FDados;
  ScopedFakeGovX FFakeGovX;
  TxndGovUtils FGovUtils;
  TxndGovX FGovX;
};

}  // namespace xnd::test
