#include "nfe/xndNFeRetorno.h"

#include <cstdlib>

#include "external/xndGovUtils.h"

namespace xnd {

namespace {

// An XPath step that matches an element of any namespace.
std::string Elemento(const char* aNome) {
  return std::string("*[local-name()='") + aNome + "']";
}

std::string Valor(TxndGovUtils& aGovUtils, const std::string& aXml, const std::string& aXPath) {
  std::string valor;
  aGovUtils->SelectValue(aXml, aXPath, smTextValue, "", valor);
  return valor;
}

// A child of the answer's root, or of its infProt / infRec (the 1.07 situation
// answer and the 1.10 batch answer keep their fields there).
std::string Campo(TxndGovUtils& aGovUtils, const std::string& aXml, const char* aNome) {
  const std::string direto = Valor(aGovUtils, aXml, "/*/" + Elemento(aNome));
  if (!direto.empty()) return direto;
  const std::string infProt =
      Valor(aGovUtils, aXml, "/*/" + Elemento("infProt") + "/" + Elemento(aNome));
  if (!infProt.empty()) return infProt;
  return Valor(aGovUtils, aXml, "/*/" + Elemento("infRec") + "/" + Elemento(aNome));
}

TProtocoloNFe LerProtocolo(TxndGovUtils& aGovUtils, const std::string& aProtNFe) {
  const auto campo = [&](const char* aNome) {
    return Valor(aGovUtils, aProtNFe, "/*/" + Elemento("infProt") + "/" + Elemento(aNome));
  };
  TProtocoloNFe p;
  p.chNFe = campo("chNFe");
  p.cStat = campo("cStat");
  p.xMotivo = campo("xMotivo");
  p.nProt = campo("nProt");
  p.dhRecbto = campo("dhRecbto");
  p.Xml = aProtNFe;
  return p;
}

}  // namespace

TRetornoNFe TRetornoNFe::Ler(const std::string& aXml, TxndGovUtils& aGovUtils) {
  TRetornoNFe r;
  r.Xml = aXml;
  r.cStat = Campo(aGovUtils, aXml, "cStat");
  r.xMotivo = Campo(aGovUtils, aXml, "xMotivo");
  r.cUF = Campo(aGovUtils, aXml, "cUF");
  r.dhRecbto = Campo(aGovUtils, aXml, "dhRecbto");
  r.nRec = Campo(aGovUtils, aXml, "nRec");
  const std::string tMed = Campo(aGovUtils, aXml, "tMed");
  r.tMed = tMed.empty() ? 0 : std::atoi(tMed.c_str());
  if (r.tMed < 0) r.tMed = 0;
  std::vector<std::string> protocolos;
  aGovUtils->SelectNodes(aXml, "//" + Elemento("protNFe"), smNodeXml, "", protocolos);
  for (const std::string& p : protocolos) r.Protocolos.push_back(LerProtocolo(aGovUtils, p));
  return r;
}

}  // namespace xnd
