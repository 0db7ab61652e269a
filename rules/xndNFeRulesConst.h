// The code lists the item, tax and transport rules compare with. Each list is
// kept here once; the rules test membership with ContemCodigo.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace xnd {

// CFOPs of a return (devolução): GI08.12 and GI08.13.
extern const std::array<std::string_view, 150> kCfopDevolucao;
// CFOPs of fuel operations: GL101.
extern const std::array<std::string_view, 60> kCfopCombustivel;
// CFOPs of fuel sales that need the carrier: GX04.1.
extern const std::array<std::string_view, 47> kCfopVendaCombustivel;
// Eight-digit NCMs of chapter 48 (paper) that need the RECOPI number: GL109_1.
extern const std::array<std::string_view, 128> kNcmPapel;
// CFOPs of an ICMS-exempt sale to the Manaus free-trade zone: GN28.1 (5.0, 5.0a).
extern const std::array<std::string_view, 18> kCfopIsencaoZfm;
// The wider list of the same: GN28_2 (5.0a).
extern const std::array<std::string_view, 32> kCfopIsencaoZfm2;
// Interstate CFOPs on which the 4 % rate of imported goods does not apply: the GN16 family.
extern const std::array<std::string_view, 29> kCfopGN16;
// ANP product codes that the GN16 of note 2012.005 lets pass.
extern const std::array<std::string_view, 6> kCodigosANP;

// Whether aCodigo equals an entry of aLista, ignoring case.
bool ContemCodigo(std::span<const std::string_view> aLista, std::string_view aCodigo);

}  // namespace xnd
