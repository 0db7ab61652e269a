// Helpers shared by the item, tax, transport and total rules.
#include "rules/xndNFeRulesItens.h"

#include <cmath>

#include "datasets/xndXMLDataSetNFe.h"
#include "platform/text.h"

namespace xnd {

bool ValorConfere(long double aValor, long double aReferencia, long double aTolerancia) {
  constexpr long double kEscala = 1000000.0L;
  const long double diferenca = aValor - aReferencia;
  // Far outside (or not a number): no rounding needed, and none may overflow.
  if (!(std::fabs(diferenca) <= std::fabs(aTolerancia) + 1.0L)) return false;
  const long long dif = std::llround(diferenca * kEscala);
  const long long tol = std::llround(std::fabs(aTolerancia) * kEscala);
  return -tol <= dif && dif <= tol;
}

std::string PrimeiroCaractere(const std::string& aTexto) { return Utf8Copy(aTexto, 1, 1); }

bool TodosRegistros(TClientDataSet& aGrupo, const std::function<bool()>& aPasso) {
  aGrupo.First();
  while (!aGrupo.Eof()) {
    if (!aPasso()) return false;
    aGrupo.Next();
  }
  return true;
}

void TxndNFeRegraNota::ParaCadaItem(const std::function<bool()>& aPasso) {
  TXmlDataSetNFe& itens = Grupo("H");
  itens.First();
  while (!itens.Eof()) {
    if (!aPasso()) return;
    itens.Next();
  }
}

long double TxndNFeRegraNota::SomarItens(std::string_view aGrupo, std::string_view aCampo,
                                         const std::function<bool()>& aFiltro) {
  TXmlDataSetNFe& grupo = Grupo(aGrupo);
  long double soma = 0;
  ParaCadaItem([&] {
    if (!aFiltro || aFiltro()) soma += ConverterValor(CampoDe(grupo, aCampo));
    return true;
  });
  return soma;
}

}  // namespace xnd
