// One NF-e engine per schema package. Each class replaces only the writers
// whose output changed in its package and inherits the rest:
//
//   TxndNFeCustomDataSet -> pl005a -> pl005b -> pl005c -> pl005d -> pl005f
//                                                         pl005d -> pl006e -> pl006f -> pl006g -> pl006i
//     -> pl006j -> pl006m -> pl006n -> pl006p -> pl006q -> pl006r -> pl006s -> pl008a
//
// pl005f and pl006e are siblings: the 32-code PIS/COFINS choice of pl005f is
// not inherited by pl006e and pl006f, and pl006g makes it again.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "datasets/xndNFeCustomDataSet.h"
#include "types/xndNFeType.h"

namespace xnd {

class TxndDS_pl005a : public TxndNFeCustomDataSet {
 public:
  using TxndNFeCustomDataSet::TxndNFeCustomDataSet;
};

class TxndDS_pl005b : public TxndDS_pl005a {
 public:
  using TxndDS_pl005a::TxndDS_pl005a;
};

// ICMS groups with fixed field lists; the fuel's ICMS group is ICMSComb.
class TxndDS_pl005c : public TxndDS_pl005b {
 public:
  using TxndDS_pl005b::TxndDS_pl005b;
  std::string ConvPartN() override;
  std::string ConvICMSComb(TXmlDataSetNFe& aL1) override;
};

class TxndDS_pl005d : public TxndDS_pl005c {
 public:
  using TxndDS_pl005c::TxndDS_pl005c;
};

// PIS and COFINS chosen from the 32 CST codes.
class TxndDS_pl005f : public TxndDS_pl005d {
 public:
  using TxndDS_pl005d::TxndDS_pl005d;
  std::string ConvPartQ() override;
  std::string ConvPartS() override;
};

// Layout 2.00: key with tpEmis and an eight-digit cNF; ide, emit, dest, prod,
// comb, ICMS (with Simples Nacional), IPI, NFref, transp and cana; ISSQN
// before PIS inside imposto; dataset "CANA" in ListaNFe.
class TxndDS_pl006e : public TxndDS_pl005d {
 public:
  using TxndDS_pl005d::TxndDS_pl005d;
  void CarregarDicionario() override;
  std::string GerarChaveId() override;
  std::string ConvPartB() override;
  std::string ConvPartRef() override;
  std::string ConvPartC() override;
  std::string ConvPartE() override;
  std::string ConvPartI() override;
  std::string ConvPartItens() override;
  std::string ConvPartL1() override;
  std::string ConvPartN() override;
  std::string ConvPartO() override;
  std::string ConvPartX() override;
  std::string ConvPartZ() override;
  virtual std::string ConvCana();

 protected:
  // The date the key is built from.
  virtual std::string DataEmissaoChave();
  // The fields of N written in an ICMS group ("ICMS00", "ICMSSN101" ...).
  virtual std::vector<std::string> CamposICMS(const std::string& aGrupo);
  // The field names of NREF, in the order ConvPartRef reads them: refNFe;
  // the six of refNF; the eight of refNFP; refCTe; the three of refECF.
  virtual std::vector<std::string> CamposReferencia();
  // The imposto element of the current item.
  virtual std::string ConvImposto();
};

class TxndDS_pl006f : public TxndDS_pl006e {
 public:
  using TxndDS_pl006e::TxndDS_pl006e;
};

// PIS and COFINS chosen from the 32 CST codes again (as pl005f).
class TxndDS_pl006g : public TxndDS_pl006f {
 public:
  using TxndDS_pl006f::TxndDS_pl006f;
  std::string ConvPartQ() override;
  std::string ConvPartS() override;
};

class TxndDS_pl006i : public TxndDS_pl006g {
 public:
  using TxndDS_pl006g::TxndDS_pl006g;
};

class TxndDS_pl006j : public TxndDS_pl006i {
 public:
  using TxndDS_pl006i::TxndDS_pl006i;
};

class TxndDS_pl006m : public TxndDS_pl006j {
 public:
  using TxndDS_pl006j::TxndDS_pl006j;
};

class TxndDS_pl006n : public TxndDS_pl006m {
 public:
  using TxndDS_pl006m::TxndDS_pl006m;
};

class TxndDS_pl006p : public TxndDS_pl006n {
 public:
  using TxndDS_pl006n::TxndDS_pl006n;
};

class TxndDS_pl006q : public TxndDS_pl006p {
 public:
  using TxndDS_pl006p::TxndDS_pl006p;
};

// vTotTrib in imposto (first) and in ICMSTot.
class TxndDS_pl006r : public TxndDS_pl006q {
 public:
  using TxndDS_pl006q::TxndDS_pl006q;
  virtual std::string ConvPartM();
  std::string ConvPartW() override;

 protected:
  std::string ConvImposto() override;
};

// nFCI in prod.
class TxndDS_pl006s : public TxndDS_pl006r {
 public:
  using TxndDS_pl006r::TxndDS_pl006r;
  std::string ConvPartI() override;
};

// Layout 3.10: date-times (the key from dhEmi), idDest, indFinal, indPres,
// idEstrangeiro, indIEDest, IM, autXML, detExport, nRECOPI, pMixGN, ICMS
// relief and deferral fields, ISSQN totals, exporta, NFref field codes BA.
class TxndDS_pl008a : public TxndDS_pl006s {
 public:
  using TxndDS_pl006s::TxndDS_pl006s;
  void AddDataSetsListaNFE() override;
  void AddDataSetsListaItemNFe() override;
  std::string ConverterAuto() override;
  std::string ConvPartB() override;
  std::string ConvPartE() override;
  std::string ConvPartI() override;
  std::string ConvPartL1() override;
  std::string ConvPartW() override;
  std::string ConvExporta() override;

 protected:
  std::string DataEmissaoChave() override;
  std::vector<std::string> CamposICMS(const std::string& aGrupo) override;
  std::vector<std::string> CamposReferencia() override;
};

// A new engine of the class of a schema package, without dictionary. A value
// outside the 17 packages raises ExndNFeDataSetException "Versão de esquema
// %d não suportada." with the ordinal.
std::unique_ptr<TxndNFeCustomDataSet> CriarEngineNFe(TVersaoEsquema aVersao, TComponent* aOwner = nullptr);

// The dataset dictionary installed beside the program (the installation data
// copies it there): Templates/vm40/Conversor/NFeDataSets.xml.
std::string DicionarioNFeInstalado();

}  // namespace xnd
