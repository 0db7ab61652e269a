// Enumeration texts and the UF code table.
#include "utils/xndNFeXmlUtils.h"

#include <array>
#include <string_view>

#include "platform/text.h"
#include "types/xndNFeExceptions.h"

namespace xnd {

namespace {

constexpr std::array<std::string_view, 5> kVersoesManual = {"2.0.2a", "3.0", "4.0", "5.0", "5.0a"};
constexpr std::array<std::string_view, 5> kTiposCertificado = {"MEMORY", "LOCALMACHINE", "FILE",
                                                               "ACTIVEDIRECTORY", "SMARTCARD"};
constexpr std::array<std::string_view, 28> kTabelaUF = {
    "AC=12", "AL=27", "AP=16", "AM=13", "BA=29", "CE=23", "DF=53", "ES=32", "GO=52", "MA=21",
    "MT=51", "MS=50", "MG=31", "PA=15", "PB=25", "PR=41", "PE=26", "PI=22", "RJ=33", "RN=24",
    "RS=43", "RO=11", "RR=14", "SC=42", "SP=35", "SE=28", "TO=17", "AN=91"};

}  // namespace

std::string VersaoManualParaTexto(TVersaoManual aVersao) {
  return aVersao < kVersoesManual.size() ? std::string(kVersoesManual[aVersao]) : std::string();
}

TVersaoManual TextoParaVersaoManual(const std::string& aTexto) {
  for (std::size_t i = 0; i < kVersoesManual.size(); ++i) {
    if (aTexto == kVersoesManual[i]) return static_cast<TVersaoManual>(i);
  }
  throw ExndNFeVersaoManualException(
      "Versão do Manual informada: %s não é suportada. \rUtilize: 2.0.2a, 3.0, 4.0, 5.0 ou 5.0a", {aTexto}, "");
}

TModoOperacao TextoParaModoOperacao(const std::string& aTexto) {
  const std::string texto = UpperCase(aTexto);
  if (texto == "NORMAL") return moNormal;
  if (texto == "SVCAN") return moSVCAN;
  if (texto == "SVCRS") return moSVCRS;
  throw ExndNFeModoOperacaoException(
      "Modo Operação informado: %s não é suportado. \rUtilize: Normal, SVCAN ou SVCRS", {aTexto}, "");
}

std::string ModoOperacaoParaTexto(TModoOperacao aModo) {
  switch (aModo) {
    case moSVCAN:
      return "SVCAN";
    case moSVCRS:
      return "SVCRS";
    default:
      return "NORMAL";
  }
}

TCertificadoKind TextoParaTipoCertificado(const std::string& aTexto) {
  const std::string texto = UpperCase(aTexto);
  for (std::size_t i = 0; i < kTiposCertificado.size(); ++i) {
    if (SameText(texto, kTiposCertificado[i])) return static_cast<TCertificadoKind>(i);
  }
  return ckFile;
}

std::string AmbienteParaTpAmb(TAmbienteKind aAmbiente) { return aAmbiente == akProducao ? "1" : "2"; }

TVersaoManual VersaoEsquemaParaManual(TVersaoEsquema aVersao) {
  if (aVersao <= pl_005f) return vm30;
  if (aVersao <= pl_006j) return vm40;
  if (aVersao <= pl_006s) return vm50;
  if (aVersao == pl_008a) return vm50a;
  throw ExndNFeVersaoManualException(
      "A Versão de Esquema não está referenciada a nenhuma versão de Manual de Integração.", "");
}

std::string DiretorioVersaoManual(TVersaoManual aVersao) {
  switch (aVersao) {
    case vm202a:
    case vm30:
      return "vm30/";
    case vm40:
      return "vm40/";
    case vm50:
      return "vm50/";
    case vm50a:
      return "vm50a/";
  }
  return {};
}

void CarregarTabelaUF(TStringList& aLista) {
  for (const std::string_view linha : kTabelaUF) aLista.Add(std::string(linha));
}

std::string CodigoUF(const std::string& aSigla) {
  TStringList tabela;
  CarregarTabelaUF(tabela);
  return tabela.Values(aSigla);
}

}  // namespace xnd
