// Shared by the events tests: a temporary directory that also receives the
// exception logs, the shared samples and schemas, and a schema directory laid
// out as the installation expects it (Mapping.txt of manual 5.0 with the
// situation-query package at its root and the event packages in folders).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "external/xndGovUtils.h"
#include "platform/files.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"

namespace xnd::test {

inline std::string EsquemasCompartilhados() {
  const std::string dir = std::string(XND_SHARED_DIR) + "/schemas/";
  return DirectoryExists(dir) ? dir : std::string();
}

inline bool AmostrasCompartilhadas() {
  return FileExists(std::string(XND_SHARED_DIR) + "/fixtures/cce_procEventoNFe_135.xml");
}

// A schema directory for the events component in aDir: aMapping (by default
// the installed Mapping.txt of manual 5.0), the files of aPacote (the NF-e
// package of that manual) at the root, the event and addressed-documents
// packages in folders of their names (symbolic links).
inline std::string MontarDiretorioEsquemas(
    const TempDir& aDir, const std::string& aMapping = ProgramDirectory() + "Esquemas/vm50/Mapping.txt",
    const std::string& aPacote = "PL_006u") {
  namespace fs = std::filesystem;
  const std::string destino = aDir.MakeDir("Esquemas");
  fs::copy_file(aMapping, destino + "Mapping.txt");
  const std::string origem = EsquemasCompartilhados();
  for (const auto& entrada : fs::directory_iterator(origem + aPacote))
    fs::create_symlink(entrada.path(), destino + entrada.path().filename().string());
  for (const char* pacote : {"Evento_Generico_PL_v1.01", "Evento_CCe_PL_v1.01",
                             "Evento_Canc_PL_v1.01", "PL_v1.01b"})
    fs::create_directory_symlink(origem + pacote, destino + pacote);
  return destino;
}

// Validates aXml against aSchema (a file of the shared packages); "" when
// valid, else the validator's errors.
inline std::string ErrosEsquema(const std::string& aXml, const std::string& aSchema) {
  TxndGovUtils govUtils;
  try {
    govUtils->ValidateWithSchema(aXml, "http://www.portalfiscal.inf.br/nfe",
                                 EsquemasCompartilhados() + aSchema);
    return {};
  } catch (const std::exception& e) {
    return std::string(e.what()) + "\n" + govUtils->GetValidationErrors();
  }
}

// The lines a test left in an exception log of aDir, without their time and
// thread prefix ("<class> : <message>").
inline std::vector<std::string> LinhasLog(const TempDir& aDir, const std::string& aLog) {
  std::vector<std::string> linhas;
  if (!FileExists(aDir.File(aLog))) return linhas;
  const std::string texto = aDir.Read(aLog);
  std::size_t inicio = 0;
  while (inicio < texto.size()) {
    std::size_t fim = texto.find("\r\n", inicio);
    if (fim == std::string::npos) fim = texto.size();
    const std::string linha = texto.substr(inicio, fim - inicio);
    const std::size_t traco = linha.find(" - ");
    linhas.push_back(traco == std::string::npos ? linha : linha.substr(traco + 3));
    inicio = fim + 2;
  }
  return linhas;
}

}  // namespace xnd::test
