// Base of the per-version web-service objects and the configuration snapshot
// they read.
#pragma once

#include <string>

#include "platform/inifile.h"
#include "types/xndNFeType.h"

namespace xnd {

// Configuration snapshot that the NF-e component refreshes before an
// exchange; the web-service object only reads it.
struct TNFeData {
  std::string ArquivoServidoresHom;
  std::string ArquivoServidoresProd;
  TCustomIniFile* ServidoresINI = nullptr;  // not owned
  TAmbienteKind Ambiente = akHomologacao;
  std::string DiretorioLog;
  bool ValidarEsquemaAntesEnvio = false;
  bool IgnoreInvalidCertificates = false;
  int TimeOut = 0;
  std::string DiretorioEsquemas;
  std::string DiretorioTemplates;
  std::string NomeCertificado;
  TVersaoManual VersaoManual = vm50;
  std::string TipoAmbiente;
  std::string cUF;
  std::string UF;
  std::string CNPJ;
  TModoOperacao ModoOperacao = moNormal;
};

class TxndNFEInterface {
 public:
  virtual ~TxndNFEInterface() = default;
};

}  // namespace xnd
