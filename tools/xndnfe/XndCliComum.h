// What the subcommands of xndnfe share: the parsed command line, the
// configured component, output helpers and the failure that carries its
// exit code.
#pragma once

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "XndCli.h"
#include "nfe/xndNFe.h"

namespace xnd::cli {

// A failure the tool reports itself: one line on stderr and its exit code.
class ECliFalha : public std::runtime_error {
 public:
  ECliFalha(TCodigoSaida aCodigo, const std::string& aMensagem)
      : std::runtime_error(aMensagem), FCodigo(aCodigo) {}
  TCodigoSaida Codigo() const { return FCodigo; }

 private:
  TCodigoSaida FCodigo;
};

struct TLinhaComando {
  std::string Comando;
  std::vector<std::string> Posicionais;
  std::map<std::string, std::string> Opcoes;  // "--uf" -> "SP"; a flag holds ""
  bool Json = false;
  bool Ajuda = false;

  bool Tem(const std::string& aOpcao) const { return Opcoes.count(aOpcao) != 0; }
  std::string Valor(const std::string& aOpcao, const std::string& aPadrao = "") const;
  // The option's whole number (aPadrao when absent): ASCII digits, no more
  // of them than aMaximo has. Anything else raises ECliFalha (2)
  // "OPCAO deve ser um número de MIN a MAX: VALOR".
  int Inteiro(const std::string& aOpcao, int aPadrao, int aMinimo, int aMaximo) const;
};

struct TContexto {
  TLinhaComando Linha;
  std::ostream& Saida;
  std::ostream& Erros;
  bool Terminal = false;
  std::unique_ptr<TxndNFe> NFe;  // configured before the subcommand runs

  void Escrever(const nlohmann::ordered_json& aJson) const;
  void Progresso(const std::string& aTexto) const;  // on a terminal, when not --json
};

// The opening tag of a note in the batches the tool reads and writes.
inline constexpr const char* NFeAberta = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">";

// A path given on the command line, made absolute from the working directory.
std::string Absoluto(const std::string& aCaminho);

// The text of a file given on the command line; raises ECliFalha (2) when it
// cannot be read or, with aXml, is not an XML document.
std::string LerArquivo(const std::string& aCaminho, bool aXml);
void GravarArquivo(const std::string& aCaminho, const std::string& aTexto);
// A batch number from the clock (milliseconds) and the process: 15 digits.
std::string IdLotePadrao();
// Now in the time zone of the UF of IBGE code aCUF: "YYYY-MM-DDThh:mm:ss-03:00",
// or "YYYY-MM-DD" with aSoData.
std::string AgoraNaUF(const std::string& aCUF, bool aSoData);

// The subcommands; each returns the exit code.
int ComandoStatus(TContexto& aCtx);
int ComandoCertificados(TContexto& aCtx);
int ComandoValidar(TContexto& aCtx);
int ComandoAssinar(TContexto& aCtx);
int ComandoEnviar(TContexto& aCtx);
int ComandoRecibo(TContexto& aCtx);
int ComandoConsultar(TContexto& aCtx);
int ComandoNFeProc(TContexto& aCtx);
int ComandoGerar(TContexto& aCtx);    // XndCliGerar.cpp
int ComandoDanfe(TContexto& aCtx);    // XndCliDocumentos.cpp
int ComandoEvento(TContexto& aCtx);   // XndCliDocumentos.cpp
int ComandoCCe(TContexto& aCtx);      // XndCliDocumentos.cpp

}  // namespace xnd::cli
