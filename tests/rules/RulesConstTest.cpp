// The code lists of the item rules: sizes, shape of the entries, and the
// relations between lists that a typing error would break.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "rules/xndNFeRulesConst.h"

namespace xnd {
namespace {

struct ListaCaso {
  const char* nome;
  std::span<const std::string_view> lista;
  std::size_t tamanho;
  std::size_t digitos;
};

class RulesConstListas : public ::testing::TestWithParam<ListaCaso> {};

TEST_P(RulesConstListas, TamanhoSemRepeticaoEDigitos) {
  const ListaCaso& caso = GetParam();
  EXPECT_EQ(caso.lista.size(), caso.tamanho);
  const std::set<std::string_view> distintos(caso.lista.begin(), caso.lista.end());
  EXPECT_EQ(distintos.size(), caso.tamanho) << "entrada repetida";
  for (const std::string_view codigo : caso.lista) {
    EXPECT_EQ(codigo.size(), caso.digitos) << codigo;
    EXPECT_TRUE(std::all_of(codigo.begin(), codigo.end(), [](char c) { return c >= '0' && c <= '9'; })) << codigo;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Listas, RulesConstListas,
    ::testing::Values(ListaCaso{"CfopDevolucao", kCfopDevolucao, 150, 4},
                      ListaCaso{"CfopCombustivel", kCfopCombustivel, 60, 4},
                      ListaCaso{"CfopVendaCombustivel", kCfopVendaCombustivel, 47, 4},
                      ListaCaso{"NcmPapel", kNcmPapel, 128, 8}, ListaCaso{"CfopIsencaoZfm", kCfopIsencaoZfm, 18, 4},
                      ListaCaso{"CfopIsencaoZfm2", kCfopIsencaoZfm2, 32, 4},
                      ListaCaso{"CfopGN16", kCfopGN16, 29, 4}, ListaCaso{"CodigosANP", kCodigosANP, 6, 9}),
    [](const auto& info) { return std::string(info.param.nome); });

bool Contida(std::span<const std::string_view> aParte, std::span<const std::string_view> aTodo) {
  return std::all_of(aParte.begin(), aParte.end(), [&](std::string_view c) { return ContemCodigo(aTodo, c); });
}

// Every fuel sale is a fuel operation, every GN16 exception an interstate
// return, and the first ZFM list a part of the second.
TEST(RulesConst, ListasContidasUmasNasOutras) {
  EXPECT_TRUE(Contida(kCfopVendaCombustivel, kCfopCombustivel));
  EXPECT_TRUE(Contida(kCfopGN16, kCfopDevolucao));
  EXPECT_TRUE(Contida(kCfopIsencaoZfm, kCfopIsencaoZfm2));
  EXPECT_TRUE(std::all_of(kNcmPapel.begin(), kNcmPapel.end(), [](std::string_view c) { return c.starts_with("48"); }));
}

// The ZFM sale is 6109; the 4.0 rule's two CFOPs are in the list of its successor.
TEST(RulesConst, ListaZfmTrazAVendaParaZfm) {
  EXPECT_TRUE(ContemCodigo(kCfopIsencaoZfm, "6109"));
  EXPECT_TRUE(ContemCodigo(kCfopIsencaoZfm, "6110"));
  EXPECT_FALSE(ContemCodigo(kCfopIsencaoZfm, "6019"));
}

TEST(RulesConst, ContemCodigoComparaOTextoInteiro) {
  EXPECT_TRUE(ContemCodigo(kCodigosANP, "220101006"));
  EXPECT_FALSE(ContemCodigo(kCodigosANP, "22010100"));
  EXPECT_FALSE(ContemCodigo(kCodigosANP, "2201010060"));
  EXPECT_FALSE(ContemCodigo(kCodigosANP, ""));
  const std::array<std::string_view, 1> letras = {"ab"};
  EXPECT_TRUE(ContemCodigo(letras, "AB"));
}

}  // namespace
}  // namespace xnd
