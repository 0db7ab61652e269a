#include "datasets/xndNFeDataSetVersoes.h"

namespace xnd {

// A CST outside the table writes an empty ICMS element.
std::string TxndDS_pl005c::ConvPartN() {
  static const std::vector<std::pair<std::vector<std::string>, std::string>> kModelos = {
      {{"00"}, "<ICMS00>@n(orig_N11)@n(CST_N12)@n(modBC_N13)@n(vBC_N15)@n(pICMS_N16)@n(vICMS_N17)</ICMS00>"},
      {{"10"},
       "<ICMS10>@n(orig_N11)@n(CST_N12)@n(modBC_N13)@n(vBC_N15)@n(pICMS_N16)@n(vICMS_N17)@n(modBCST_N18)"
       "@n(pMVAST_N19)@n(pRedBCST_N20)@n(vBCST_N21)@n(pICMSST_N22)@n(vICMSST_N23)</ICMS10>"},
      {{"20"},
       "<ICMS20>@n(orig_N11)@n(CST_N12)@n(modBC_N13)@n(pRedBC_N14)@n(vBC_N15)@n(pICMS_N16)@n(vICMS_N17)</ICMS20>"},
      {{"30"},
       "<ICMS30>@n(orig_N11)@n(CST_N12)@n(modBCST_N18)@n(pMVAST_N19)@n(pRedBCST_N20)@n(vBCST_N21)@n(pICMSST_N22)"
       "@n(vICMSST_N23)</ICMS30>"},
      {{"40", "41", "50"}, "<ICMS40>@n(orig_N11)@n(CST_N12)</ICMS40>"},
      {{"51"},
       "<ICMS51>@n(orig_N11)@n(CST_N12)@n(modBC_N13)@n(pRedBC_N14)@n(vBC_N15)@n(pICMS_N16)@n(vICMS_N17)</ICMS51>"},
      {{"60"}, "<ICMS60>@n(orig_N11)@n(CST_N12)@n(vBCST_N21)@n(vICMSST_N23)</ICMS60>"},
      {{"70"},
       "<ICMS70>@n(orig_N11)@n(CST_N12)@n(modBC_N13)@n(pRedBC_N14)@n(vBC_N15)@n(pICMS_N16)@n(vICMS_N17)"
       "@n(modBCST_N18)@n(pMVAST_N19)@n(pRedBCST_N20)@n(vBCST_N21)@n(pICMSST_N22)@n(vICMSST_N23)</ICMS70>"},
      {{"90"},
       "<ICMS90>@n(orig_N11)@n(CST_N12)@n(modBC_N13)@n(vBC_N15)@n(pRedBC_N14)@n(pICMS_N16)@n(vICMS_N17)"
       "@n(modBCST_N18)@n(pMVAST_N19)@n(pRedBCST_N20)@n(vBCST_N21)@n(pICMSST_N22)@n(vICMSST_N23)</ICMS90>"}};
  const std::string cst = Parte('N').FieldByName("CST_N12").AsString();
  std::string text;
  for (const auto& [codigos, modelo] : kModelos) {
    for (const std::string& codigo : codigos) {
      if (codigo == cst) text = ExpandirModelo(modelo);
    }
  }
  return "<ICMS>" + text + "</ICMS>";
}

std::string TxndDS_pl005c::ConvICMSComb(TXmlDataSetNFe& aL1) {
  return Envolver("ICMSComb", GerarCampos(aL1, {"vBCICMS_L110", "vICMS_L111", "vBCICMSST_L112", "vICMSST_L113"}));
}

}  // namespace xnd
