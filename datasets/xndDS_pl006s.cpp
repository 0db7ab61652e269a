#include "datasets/xndNFeDataSetVersoes.h"

namespace xnd {

std::string TxndDS_pl006s::ConvPartI() {
  TXmlDataSetNFe& i = Parte('I');
  return "<prod>" +
         GerarCampos(i, {"cProd_I02", "cEAN_I03", "xProd_I04", "NCM_I05", "EXTIPI_I06", "CFOP_I08", "uCom_I09",
                         "qCom_I10", "vUnCom_I10a", "vProd_I11", "cEANTrib_I12", "uTrib_I13", "qTrib_I14",
                         "vUnTrib_I14a", "vFrete_I15", "vSeg_I16", "vDesc_I17", "vOutro_I17a", "indTot_I17b"}) +
         ConvDI() + GerarCampos(i, {"xPed_I30", "nItemPed_I31", "nFCI_I70"}) + ConvPartJ() + ConvPartK() +
         ConvPartL() + ConvPartL1() + "</prod>";
}

}  // namespace xnd
