// The answers of the authoriser's query services, read: what a host decides
// on (status code, reason, receipt, the wait the service asks for, one
// protocol per note) next to the answer as it came.
#pragma once

#include <string>
#include <vector>

namespace xnd {

class TxndGovUtils;

// One protNFe of an answer.
struct TProtocoloNFe {
  std::string chNFe;
  std::string cStat;
  std::string xMotivo;
  std::string nProt;     // empty when the note was not authorised
  std::string dhRecbto;
  std::string Xml;       // the protNFe element, as received
  // Use authorised (100) or authorised out of time (150).
  bool Autorizada() const { return cStat == "100" || cStat == "150"; }
};

struct TRetornoNFe {
  std::string Xml;  // the answer as received
  std::string cStat;
  std::string xMotivo;
  std::string cUF;
  std::string dhRecbto;
  std::string nRec;  // the receipt of a batch (submission and receipt query)
  int tMed = 0;      // seconds the service asks to wait before the next query; 0 when none
  std::vector<TProtocoloNFe> Protocolos;

  // The fields of aXml (any of the services' answers, in any layout version);
  // malformed XML raises the utilities object's error.
  static TRetornoNFe Ler(const std::string& aXml, TxndGovUtils& aGovUtils);
};

}  // namespace xnd
