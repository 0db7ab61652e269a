#include "datasets/xndDS_PisCofins32.h"
#include "datasets/xndNFeDataSetVersoes.h"

namespace xnd {

namespace {

enum class TGrupoPis { Nenhum, Aliq, Qtde, NT, Outr };

TGrupoPis GrupoPorCST(const std::string& aCST) {
  static const char* const kOutr[] = {"49", "50", "51", "52", "53", "54", "55", "56", "60", "61", "62", "63",
                                      "64", "65", "66", "67", "70", "71", "72", "73", "74", "75", "98", "99"};
  if (aCST == "01" || aCST == "02") return TGrupoPis::Aliq;
  if (aCST == "03") return TGrupoPis::Qtde;
  for (const char* nt : {"04", "06", "07", "08", "09"}) {
    if (aCST == nt) return TGrupoPis::NT;
  }
  for (const char* outr : kOutr) {
    if (aCST == outr) return TGrupoPis::Outr;
  }
  return TGrupoPis::Nenhum;
}

}  // namespace

std::string PisPor32Codigos(TxndNFeCustomDataSet& aEngine) {
  std::string text;
  switch (GrupoPorCST(aEngine.Parte('Q').FieldByName("CST_Q06").AsString())) {
    case TGrupoPis::Aliq:
      text = aEngine.ExpandirModelo("<PISAliq>@q(CST_Q06)@q(VBC_Q07)@q(PPIS_Q08)@q(VPIS_Q09)</PISAliq>");
      break;
    case TGrupoPis::Qtde:
      text = aEngine.ExpandirModelo("<PISQtde>@q(CST_Q06)@q(QBCPROD_Q10)@q(VALIQPROD_Q11)@q(VPIS_Q09)</PISQtde>");
      break;
    case TGrupoPis::NT:
      text = aEngine.ExpandirModelo("<PISNT>@q(CST_Q06)</PISNT>");
      break;
    case TGrupoPis::Outr:
      text = aEngine.ExpandirModelo(
          "<PISOutr>@q(CST_Q06)@q(VBC_Q07)@q(PPIS_Q08)@q(QBCPROD_Q10)@q(VALIQPROD_Q11)@q(VPIS_Q09)</PISOutr>");
      break;
    case TGrupoPis::Nenhum:
      break;
  }
  return "<PIS>" + text + "</PIS>";
}

std::string CofinsPor32Codigos(TxndNFeCustomDataSet& aEngine) {
  std::string text;
  switch (GrupoPorCST(aEngine.Parte('S').FieldByName("CST_S06").AsString())) {
    case TGrupoPis::Aliq:
      text = aEngine.ExpandirModelo("<COFINSAliq>@s(CST_S06)@s(VBC_S07)@s(PCOFINS_S08)@s(VCOFINS_S11)</COFINSAliq>");
      break;
    case TGrupoPis::Qtde:
      text = aEngine.ExpandirModelo(
          "<COFINSQtde>@s(CST_S06)@s(QBCPROD_S09)@s(VALIQPROD_S10)@s(VCOFINS_S11)</COFINSQtde>");
      break;
    case TGrupoPis::NT:
      text = aEngine.ExpandirModelo("<COFINSNT>@s(CST_S06)</COFINSNT>");
      break;
    case TGrupoPis::Outr:
      text = aEngine.ExpandirModelo(
          "<COFINSOutr>@s(CST_S06)@s(VBC_S07)@s(PCOFINS_S08)@s(QBCPROD_S09)@s(VALIQPROD_S10)@s(VCOFINS_S11)"
          "</COFINSOutr>");
      break;
    case TGrupoPis::Nenhum:
      break;
  }
  return "<COFINS>" + text + "</COFINS>";
}

std::string TxndDS_pl005f::ConvPartQ() { return PisPor32Codigos(*this); }
std::string TxndDS_pl005f::ConvPartS() { return CofinsPor32Codigos(*this); }

}  // namespace xnd
