// Documents to sign, made from the shared public samples (../shared/fixtures):
// their old signatures removed, laid out as the component hands them over.
#pragma once

#include <string>

namespace xnd::test {

inline constexpr const char* Nfe310Id = "NFe35150300822602000124550010009923461099234656";
inline constexpr const char* EventId = "ID1101103511031029073900013955001000000001105112804108";

// The bytes of a shared sample file.
std::string SharedFixture(const std::string& aName);

// <NFe xmlns="http://www.portalfiscal.inf.br/nfe"><infNFe Id="...">...</infNFe></NFe>
// of the 3.10 sample, without its signature and without whitespace between
// tags (as the component prepares a note); its items repeated and renumbered
// up to aItems.
std::string UnsignedNfe310(int aItems = 5);

// The same note as the sample lays it out: declaration, indentation, line
// breaks; only the old Signature element removed.
std::string UnsignedIndentedNfe310();

// The CC-e request sample (envEvento with one evento) without its signature.
std::string UnsignedEventBatch();

// aXml without the first <Signature ...>...</Signature> element.
std::string RemoveSignature(const std::string& aXml);

}  // namespace xnd::test
