#include "datasets/xndNFeDataSetVersoes.h"

namespace xnd {

// An empty vTotTrib adds nothing to imposto.
std::string TxndDS_pl006r::ConvPartM() { return GerarCampoPorNome(Parte('M'), "vTotTrib_M02"); }

std::string TxndDS_pl006r::ConvImposto() {
  return "<imposto>" + ConvPartM() + ConvPartN() + ConvPartO() + ConvPartP() + ConvPartU() + ConvPartQ() +
         ConvPartR() + ConvPartS() + ConvPartT() + "</imposto>";
}

std::string TxndDS_pl006r::ConvPartW() {
  std::string issqn;
  for (const char* nome : {"vServ_W18", "vBC_W19", "vISS_W20", "vPIS_W21", "vCOFINS_W22"}) {
    issqn += GerarCampo(CampoPorNome(nome));
  }
  return ExpandirModelo("<total><ICMSTot>@w(vBC_W03)@w(vICMS_W04)@w(vBCST_W05)@w(vST_W06)@w(vProd_W07)"
                        "@w(vFrete_W08)@w(vSeg_W09)@w(vDesc_W10)@w(vII_W11)@w(vIPI_W12)@w(vPIS_W13)@w(vCOFINS_W14)"
                        "@w(vOutro_W15)@w(vNF_W16)@w(vTotTrib_W16a)</ICMSTot>") +
         Envolver("ISSQNtot", issqn) + ConvRetTrib() + "</total>";
}

}  // namespace xnd
