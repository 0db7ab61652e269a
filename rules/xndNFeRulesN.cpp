// Rules of group N: ICMS of the item, the GN16 family of the 4 % rate on
// imported goods, and the exemptions for the Manaus free-trade zone.
#include <chrono>
#include <cstdint>
#include <string_view>

#include "datasets/xndXMLDataSetNFe.h"
#include "platform/text.h"
#include "rules/xndNFeRulesConst.h"
#include "rules/xndNFeRulesItens.h"

namespace xnd {

namespace {

bool Um(const std::string& aTexto, std::initializer_list<std::string_view> aValores) {
  for (const std::string_view valor : aValores) {
    if (aTexto == valor) return true;
  }
  return false;
}

}  // namespace

XND_NFE_REGRA_ITEM(GN12);
XND_NFE_DEF_REGRA(GN12, "GN12", "CST_N12 ou CSOSN_N12a", "527",
                  "Rejeição: Operação de Exportação com informação de ICMS incompatível");

bool TxndNFeGN12::ValidarItem() {
  if (PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")) != "7") return true;
  const std::string crt = Campo("CRT_C21");
  if (crt == "3") return CampoDe(Grupo("N"), "CST_N12") == "41";
  if (crt == "1") return CampoDe(Grupo("N"), "CSOSN_N12a") == "300";
  return true;
}

// ---- The GN16 family ---------------------------------------------------------

namespace {

enum TVarianteGN16 : std::uint8_t { gn16NT005_2012, gn16NT006_2013, gn16_04 };

// The three rules of rejection 663 share one check; an item fails only in its
// last step.
class TxndNFeGN16Base : public TxndNFeTemplateItem {
 public:
  using TxndNFeTemplateItem::TxndNFeTemplateItem;

 protected:
  bool ValidarGN16(TVarianteGN16 aVariante) {
    // 1. A complement of a note of 2012 or before passes.
    if (Campo("finNFe_B25") == "2") {
      TXmlDataSetNFe& referencias = Grupo("NREF");
      referencias.First();
      while (!referencias.Eof()) {
        const std::string chave = CampoDe(referencias, "refNFe_B13");
        if (!chave.empty() && StrToInt(Utf8Copy(chave, 3, 2)) < 13) return true;
        const std::string aamm = CampoDe(referencias, "AAMM_B16");
        if (!aamm.empty() && StrToInt(Utf8Copy(aamm, 1, 2)) < 13) return true;
        referencias.Next();
      }
    }
    // 2. Operations the 4 % rate does not reach.
    const std::string cfop = CampoDe(*FItens, "CFOP_I08");
    if (cfop == "6929" || cfop == "6107" || cfop == "6108") return true;
    if (Um(Campo("tpOp_J02"), {"2", "3"})) return true;
    if (aVariante == gn16NT005_2012 && ContemCodigo(kCodigosANP, Campo("cProdANP_L102"))) return true;
    if (ContemCodigo(kCfopGN16, cfop)) return true;
    if (aVariante == gn16_04 && Campo("indIEDest_E16a") == "9") return true;
    // 3. An interstate sale of imported goods to a contributor, from 2013 on, above 4 %.
    if (PrimeiroCaractere(cfop) != "6") return true;
    const std::string ie = Campo("IE_E17");
    if (ie.empty() || ie == "ISENTO") return true;
    TXmlDataSetNFe& icms = Grupo("N");
    const std::string origem = CampoDe(icms, "orig_N11");
    if (!(aVariante == gn16NT006_2013 ? Um(origem, {"1", "2", "3", "8"}) : Um(origem, {"1", "2", "3"}))) return true;
    if (!Um(CampoDe(icms, "CST_N12"), {"00", "10", "20", "70", "90"})) return true;
    // Notes of manual 5.0a carry the date and time of issue, dhEmi_B09, in
    // place of dEmi_B09.
    std::string emissao = Campo("dEmi_B09");
    if (emissao.empty()) emissao = Campo("dhEmi_B09");
    using namespace std::chrono;
    if (TextoParaData(emissao) < year_month_day{year{2013}, January, day{1}}) return true;
    return ConverterValor(CampoDe(icms, "pICMS_N16")) <= 4;
  }
};

}  // namespace

#define XND_NFE_REGRA_GN16(Classe, Variante)                                    \
  class TxndNFe##Classe final : public TxndNFeGN16Base {                        \
   public:                                                                      \
    using TxndNFeGN16Base::TxndNFeGN16Base;                                     \
    std::string ClassName() const override { return "TxndNFe" #Classe; }        \
    bool ValidarItem() override { return ValidarGN16(Variante); }               \
  }

XND_NFE_REGRA_GN16(GN16_04, gn16_04);
XND_NFE_DEF_REGRA(GN16_04, "GN16_04", "pICMS_N16", "663",
                  "Rejeição: Alíquota do ICMS com valor superior a 4 por cento na operação de saída interestadual "
                  "com produtos importados");

XND_NFE_REGRA_GN16(GN16_NT005_2012, gn16NT005_2012);
XND_NFE_DEF_REGRA(GN16_NT005_2012, "GN16", "orig_N11", "663",
                  " Rejeição: Alíquota do ICMS com valor superior a 4 por cento na operação de saída interestadual "
                  "com produtos importados");

XND_NFE_REGRA_GN16(GN16_NT006_2013, gn16NT006_2013);
XND_NFE_DEF_REGRA(GN16_NT006_2013, "GN16", "orig_N11", "663",
                  " Rejeição: Alíquota do ICMS com valor superior a 4 por cento na operação de saída interestadual "
                  "com produtos importados");

// ---- ICMS amounts ----------------------------------------------------------------

XND_NFE_REGRA_ITEM(GN16a);
XND_NFE_DEF_REGRA(GN16a, "GN16a", "vICMSOp_N16a", "351",
                  "Rejeição: Valor do ICMS da Operação no CST=51 difere do produto BC e Alíquota");

bool TxndNFeGN16a::ValidarItem() {
  TXmlDataSetNFe& icms = Grupo("N");
  if (CampoDe(icms, "CST_N12") != "51") return true;
  return ValorConfere(ConverterValor(CampoDe(icms, "pICMS_N16")) / 100 * ConverterValor(CampoDe(icms, "vBC_N15")),
                      ConverterValor(CampoDe(icms, "vICMSOp_N16a")), 1.00L);
}

XND_NFE_REGRA_ITEM(GN16c);
XND_NFE_DEF_REGRA(GN16c, "GN16c", "vICMSDif_N16c", "352",
                  "Rejeição: Valor do ICMS Diferido no CST=51 difere do produto Valor ICMS Operação e percentual "
                  "diferimento");

bool TxndNFeGN16c::ValidarItem() {
  TXmlDataSetNFe& icms = Grupo("N");
  if (CampoDe(icms, "CST_N12") != "51") return true;
  return ValorConfere(ConverterValor(CampoDe(icms, "pDif_N16b")) / 100 * ConverterValor(CampoDe(icms, "vICMSOp_N16a")),
                      ConverterValor(CampoDe(icms, "vICMSDif_N16c")), 1.00L);
}

XND_NFE_REGRA_ITEM(GN17);
XND_NFE_DEF_REGRA(GN17, "GN17", "vICMS_N17", "528", "Rejeição: Valor do ICMS difere do produto BC e Alíquota");

// Under manual 5.0a the ICMS of a deferral (CST 51) is the operation's ICMS
// less the deferred part, which GN17 of note 2013.005 checks; this rule
// leaves CST 51 to it there.
bool TxndNFeGN17::ValidarItem() {
  TXmlDataSetNFe& icms = Grupo("N");
  const std::string cst = CampoDe(icms, "CST_N12");
  const bool tributado = Um(cst, {"00", "10", "20", "70", "90"}) || (cst == "51" && ManualRegra() != vm50a);
  if (!tributado || Campo("finNFe_B25") != "1") return true;
  return ValorConfere(ConverterValor(CampoDe(icms, "vICMS_N17")),
                      ConverterValor(CampoDe(icms, "pICMS_N16")) * ConverterValor(CampoDe(icms, "vBC_N15")) / 100,
                      1.00L);
}

XND_NFE_REGRA_ITEM(GN17_2);
XND_NFE_DEF_REGRA(GN17_2, "GN17_2", "vICMS_N17", "528", "Rejeição: Valor do ICMS difere do produto BC e Alíquota");

bool TxndNFeGN17_2::ValidarItem() {
  TXmlDataSetNFe& icms = Grupo("N");
  if (!Um(CampoDe(icms, "CST_N12"), {"00", "10", "20", "70", "90"}) || Campo("finNFe_B25") != "1") return true;
  return ValorConfere(ConverterValor(CampoDe(icms, "pICMS_N16")) / 100 * ConverterValor(CampoDe(icms, "vBC_N15")),
                      ConverterValor(CampoDe(icms, "vICMS_N17")), 1.00L);
}

XND_NFE_REGRA_ITEM(GN17_NT005_2013);
XND_NFE_DEF_REGRA(GN17_NT005_2013, "GN17", "vICMS_N17", "353",
                  "Rejeição: Valor do ICMS no CST=51 não corresponde a diferença do ICMS operação e ICMS diferido");

bool TxndNFeGN17_NT005_2013::ValidarItem() {
  TXmlDataSetNFe& icms = Grupo("N");
  if (CampoDe(icms, "CST_N12") != "51") return true;
  return ValorConfere(ConverterValor(CampoDe(icms, "vICMSOp_N16a")) - ConverterValor(CampoDe(icms, "vICMSDif_N16c")),
                      ConverterValor(CampoDe(icms, "vICMS_N17")), 1.00L);
}

// ---- Exemptions (motDesICMS) ---------------------------------------------------

XND_NFE_REGRA_ITEM(GN28);
XND_NFE_DEF_REGRA(GN28, "GN28", "motDesICMS_N28", "625",
                  "Rejeição: Inscrição SUFRAMA deve ser informada na venda com isenção para ZFM");

bool TxndNFeGN28::ValidarItem() { return !(Campo("motDesICMS_N28") == "7" && Campo("ISUF_E18").empty()); }

XND_NFE_REGRA_ITEM(GN28_1);
XND_NFE_DEF_REGRA(GN28_1, "GN28.1", "motDesICMS_N28", "626",
                  "Rejeição: O CFOP de operação isenta para ZFM deve ser 6109 ou 6110");

bool TxndNFeGN28_1::ValidarItem() {
  if (Campo("motDesICMS_N28") != "7") return true;
  return Um(Campo("CFOP_I08"), {"6109", "6110"});
}

XND_NFE_REGRA_ITEM(GN28_1_NT003_2012);
XND_NFE_DEF_REGRA(GN28_1_NT003_2012, "GN28.1", "motDesICMS_N28", "626",
                  "Rejeição: CFOP de operação isenta para ZFM diferente do previsto");

bool TxndNFeGN28_1_NT003_2012::ValidarItem() {
  if (Campo("motDesICMS_N28") != "7") return true;
  return ContemCodigo(kCfopIsencaoZfm, Campo("CFOP_I08"));
}

XND_NFE_REGRA_ITEM(GN28_2);
XND_NFE_DEF_REGRA(GN28_2, "GN28.2", "motDesICMS_N28", "627", "Rejeição: O valor do ICMS desonerado deve ser informado");

// A zero amount fails however it is written ("0.00", "0", "0,00").
bool TxndNFeGN28_2::ValidarItem() {
  if (Campo("motDesICMS_N28").empty()) return true;
  const std::string valor = Campo("vICMS_N17");
  return valor.empty() || ConverterValor(valor) != 0;
}

XND_NFE_REGRA_ITEM(GN28_2_NT005_2013);
XND_NFE_DEF_REGRA(GN28_2_NT005_2013, "GN28_2", "motDesICMS_N28", "626",
                  "Rejeição: CFOP de operação isenta para ZFM diferente do previsto");

bool TxndNFeGN28_2_NT005_2013::ValidarItem() {
  if (Campo("motDesICMS_N28") != "7") return true;
  return ContemCodigo(kCfopIsencaoZfm2, Campo("CFOP_I08"));
}

XND_NFE_REGRA_ITEM(GN28_NT003_2012);
XND_NFE_DEF_REGRA(GN28_NT003_2012, "GN28", "motDesICMS_N28", "625",
                  "Rejeição: Inscrição SUFRAMA deve ser informada na venda com isenção para ZFM");

bool TxndNFeGN28_NT003_2012::ValidarItem() {
  if (Campo("motDesICMS_N28") != "7" || !Campo("ISUF_E18").empty()) return true;
  return Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"1", "2"});
}

}  // namespace xnd
