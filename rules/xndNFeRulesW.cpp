// Rules of group W: the note's totals against the sums of its items.
#include <cstdint>

#include "datasets/xndXMLDataSetNFe.h"
#include "platform/text.h"
#include "rules/xndNFeRulesItens.h"

namespace xnd {

namespace {

// Which items a total adds up.
enum TFiltroTotal : std::uint8_t {
  ftTodos,          // every item
  ftCstNao51,       // group N's CST_N12 is not "51"
  ftIcmsProprio,    // group N's CST_N12 is none of "40", "41", "50", "51"
  ftProdutoIcms,    // indTot_I17b is "1" and group N's orig_N11 is informed
  ftSujeitoIcms,    // group N's orig_N11 is informed
  ftSujeitoIssqn,   // group U's vISSQN_U04 is informed
};

// A total of group W against the sum of one amount over the items.
class TxndNFeTotalBase : public TxndNFeRegraNota {
 public:
  using TxndNFeRegraNota::TxndNFeRegraNota;

 protected:
  void ConferirTotal(std::string_view aGrupo, std::string_view aCampo, std::string_view aTotal,
                     long double aTolerancia, TFiltroTotal aFiltro) {
    TxndNFeRule::Validar();
    std::function<bool()> filtro;
    switch (aFiltro) {
      case ftTodos:
        break;
      case ftCstNao51:
        filtro = [&icms = Grupo("N")] { return CampoDe(icms, "CST_N12") != "51"; };
        break;
      case ftIcmsProprio:
        filtro = [&icms = Grupo("N")] {
          const std::string cst = CampoDe(icms, "CST_N12");
          return cst != "40" && cst != "41" && cst != "50" && cst != "51";
        };
        break;
      case ftProdutoIcms:
        filtro = [&icms = Grupo("N"), &itens = Grupo("I")] {
          return CampoDe(itens, "indTot_I17b") == "1" && !CampoDe(icms, "Orig_N11").empty();
        };
        break;
      case ftSujeitoIcms:
        filtro = [&icms = Grupo("N")] { return !CampoDe(icms, "Orig_N11").empty(); };
        break;
      case ftSujeitoIssqn:
        filtro = [&issqn = Grupo("U")] { return !CampoDe(issqn, "vISSQN_U04").empty(); };
        break;
    }
    const long double soma = SomarItens(aGrupo, aCampo, filtro);
    if (!ValorConfere(soma, ConverterValor(Campo(aTotal)), aTolerancia)) Rejeitar();
  }
};

}  // namespace

// One total rule: its class, the amount summed, the total and the tolerance.
#define XND_NFE_REGRA_TOTAL(Classe, Grupo, Campo, Total, Tolerancia, Filtro)        \
  class TxndNFe##Classe final : public TxndNFeTotalBase {                           \
   public:                                                                          \
    using TxndNFeTotalBase::TxndNFeTotalBase;                                       \
    std::string ClassName() const override { return "TxndNFe" #Classe; }            \
    void Validar() override { ConferirTotal(Grupo, Campo, Total, Tolerancia, Filtro); } \
  }

// Manual 4.0 compares within 1.00, manuals 5.0 and 5.0a (note 2012.003) within 0.50.
#define XND_NFE_TOTAIS(Classe, Nome, FieldName, Codigo, Mensagem, Grupo, Campo, Total, Filtro)       \
  XND_NFE_REGRA_TOTAL(Classe, Grupo, Campo, Total, 1.00L, Filtro);                                    \
  XND_NFE_DEF_REGRA(Classe, Nome, FieldName, Codigo, Mensagem);                                        \
  XND_NFE_REGRA_TOTAL(Classe##_NT003_2012, Grupo, Campo, Total, 0.50L, Filtro);                       \
  XND_NFE_DEF_REGRA(Classe##_NT003_2012, Nome, FieldName, Codigo, Mensagem)

XND_NFE_TOTAIS(GW03, "GW03", "", "531", "Rejeição: Total da BC ICMS difere do somatório dos itens", "N", "vBC_N15",
               "vBC_W03", ftCstNao51);
XND_NFE_TOTAIS(GW04, "GW04", "", "532", "Rejeição: Total do ICMS difere do somatório dos itens", "N", "vICMS_N17",
               "vICMS_W04", ftIcmsProprio);
XND_NFE_TOTAIS(GW05, "GW05", "", "533", "Rejeição: Total da BC ICMS-ST difere do somatório dos itens", "N",
               "vBCST_N21", "vBCST_W05", ftTodos);
XND_NFE_TOTAIS(GW06, "GW06", "", "534", "Rejeição: Total do ICMS-ST difere do somatório dos itens", "N",
               "vICMSST_N23", "vST_W06", ftTodos);
XND_NFE_TOTAIS(GW07, "GW07", "", "564", "Rejeição: Total do Produto/Serviço difere do somatório dos itens", "I",
               "vProd_I11", "vProd_W07", ftProdutoIcms);
XND_NFE_TOTAIS(GW08, "GW08", "", "535", "Rejeição: Total do Frete difere do somatório dos itens", "I", "vFrete_I15",
               "vFrete_W08", ftTodos);
XND_NFE_TOTAIS(GW09, "GW09", "", "536", "Rejeição: Total do Seguro difere do somatório dos itens", "I", "vSeg_I16",
               "vSeg_W09", ftTodos);
XND_NFE_TOTAIS(GW10, "GW10", "", "537", "Rejeição: Total do Desconto difere do somatório dos itens", "I", "vDesc_I17",
               "vDesc_W10", ftTodos);
XND_NFE_TOTAIS(GW11, "GW11", "vII_P04", "601", "Rejeição: Total do vII difere do somatório dos itens", "P", "vII_P04",
               "vII_W11", ftTodos);
XND_NFE_TOTAIS(GW12, "GW12", "", "538", "Rejeição: Total do IPI difere do somatório dos itens", "O", "vIPI_O14",
               "vIPI_W12", ftTodos);
XND_NFE_TOTAIS(GW13, "GW13", "vPIS_Q09", "602", "Rejeição: Total do PIS difere do somatório dos itens sujeitos ao ICMS",
               "Q", "vPIS_Q09", "vPIS_W13", ftSujeitoIcms);
XND_NFE_TOTAIS(GW14, "GW14", "vCOFINS_S11", "603",
               "Rejeição: Total do COFINS difere do somatório dos itens sujeitos ao ICMS", "S", "vCOFINS_S11",
               "vCOFINS_W14", ftSujeitoIcms);
XND_NFE_TOTAIS(GW15, "GW15", "vOutro_I17a", "604", "Rejeição: Total do vOutro difere do somatório dos itens", "I",
               "vOutro_I17a", "vOutro_W15", ftTodos);
XND_NFE_TOTAIS(GW18, "GW18", "vProd_I11", "605",
               "Rejeição: Total do vServ difere do somatório do vProd dos itens sujeito ao ISSQN", "I", "vProd_I11",
               "vServ_W18", ftSujeitoIssqn);
XND_NFE_TOTAIS(GW19, "GW19", "vBC_U02", "606", "Rejeição: Total do vBC do ISS difere do somatório dos itens", "U",
               "vBC_U02", "vBC_W19", ftTodos);
XND_NFE_TOTAIS(GW20, "GW20", "vISSQN_U04", "607", "Rejeição: Total do ISS difere do somatório dos itens", "U",
               "vISSQN_U04", "vISS_W20", ftTodos);
XND_NFE_TOTAIS(GW21, "GW21", "vPIS_Q09", "608", "Rejeição: Total do PIS difere do somatório dos itens sujeitos ao ISSQN",
               "Q", "vPIS_Q09", "vPIS_W21", ftSujeitoIssqn);
XND_NFE_TOTAIS(GW22, "GW22", "vCOFINS_S11", "609",
               "Rejeição: Total do COFINS difere do somatório dos itens sujeitos ao ISSQN", "S", "vCOFINS_S11",
               "vCOFINS_W22", ftSujeitoIssqn);

// ---- Total of the note (5.0a) --------------------------------------------------

XND_NFE_REGRA_NOTA(GW16_NT005_2013);
XND_NFE_DEF_REGRA(GW16_NT005_2013, "GW16", "vNF_W16", "610",
                  "Rejeição: Total da NF difere do somatório dos Valores compõe o valor Total da NF");

// Only for an outgoing note without imported items. The ICMS-ST stays out of
// the total when an item is a direct sale of a vehicle (tpOp_J02 "2"), and the
// exonerated ICMS (vICMSDeson_W04a, which the 5.0a layout subtracts) is taken
// off. Items are looked at one by one, never as whichever item is current.
void TxndNFeGW16_NT005_2013::Validar() {
  TxndNFeRule::Validar();
  if (Campo("tpNF_B11") != "1") return;
  TXmlDataSetNFe& itens = Grupo("I");
  TXmlDataSetNFe& veiculos = Grupo("J");
  bool importacao = false;
  bool faturamentoDireto = false;
  ParaCadaItem([&] {
    if (PrimeiroCaractere(CampoDe(itens, "CFOP_I08")) == "3") importacao = true;
    if (CampoDe(veiculos, "tpOp_J02") == "2") faturamentoDireto = true;
    return true;
  });
  if (importacao) return;
  const auto valor = [this](std::string_view aCampo) { return ConverterValor(Campo(aCampo)); };
  long double esperado = valor("vProd_W07");
  if (!faturamentoDireto) esperado += valor("vST_W06");
  esperado += valor("vFrete_W08") + valor("vSeg_W09") + valor("vOutro_W15") + valor("vII_W11") +
              valor("vIPI_W12") + valor("vServ_W18") - valor("vDesc_W10") - valor("vICMSDeson_W04a");
  if (!ValorConfere(esperado, valor("vNF_W16"), 1.00L)) Rejeitar();
}

// ---- Approximate taxes and ISS totals (5.0a) ---------------------------------------

namespace {

// Item rules in form: the first call walks every item, adds the amount of
// the items where it is informed, and compares only when the sum is not zero
// and the total is informed. The walk leaves H past its last record, so the
// item loop calls it once.
class TxndNFeSomaInformadaBase : public TxndNFeTemplateItem {
 public:
  using TxndNFeTemplateItem::TxndNFeTemplateItem;

 protected:
  bool ConferirSoma(std::string_view aGrupo, std::string_view aCampo, std::string_view aTotal) {
    TXmlDataSetNFe& grupo = Grupo(aGrupo);
    long double soma = 0;
    TodosRegistros(Grupo("H"), [&] {
      const std::string valor = CampoDe(grupo, aCampo);
      if (!valor.empty()) soma += ConverterValor(valor);
      return true;
    });
    const std::string total = Campo(aTotal);
    if (soma == 0 || total.empty()) return true;
    return ValorConfere(soma, ConverterValor(total), 1.00L);
  }
};

}  // namespace

#define XND_NFE_REGRA_SOMA(Classe, Grupo, Campo, Total)                            \
  class TxndNFe##Classe final : public TxndNFeSomaInformadaBase {                  \
   public:                                                                         \
    using TxndNFeSomaInformadaBase::TxndNFeSomaInformadaBase;                      \
    std::string ClassName() const override { return "TxndNFe" #Classe; }           \
    bool ValidarItem() override { return ConferirSoma(Grupo, Campo, Total); }       \
  }

XND_NFE_REGRA_SOMA(GW16a, "M", "vTotTrib_M02", "vTotTrib_W16a");
XND_NFE_DEF_REGRA(GW16a, "GW16a", "vTotTrib_W16a", "685",
                  "Rejeição: Total do Valor Aproximado dos Tributos difere do somatório dos itens");
XND_NFE_REGRA_SOMA(GW22b, "U", "vDeducao_U07", "vDeducao_W22b");
XND_NFE_DEF_REGRA(GW22b, "GW22b", "vDeducao_W22b", "364",
                  "Rejeição: Total do valor da dedução do ISS difere do somatório dos itens");
XND_NFE_REGRA_SOMA(GW22c, "U", "vOutro_U08", "vOutro_W22c");
XND_NFE_DEF_REGRA(GW22c, "GW22c", "vOutro_W22c", "365", "Rejeição: Total de outras retenções difere do somatório dos itens");
XND_NFE_REGRA_SOMA(GW22d, "U", "vDescIncond_U09", "vDescIncond_W22d");
XND_NFE_DEF_REGRA(GW22d, "GW22d", "vDescIncond_W22d", "366",
                  "Rejeição: Total do desconto incondicionado ISS difere do somatório dos itens");
XND_NFE_REGRA_SOMA(GW22e, "U", "vDescCond_U10", "vDescCond_W22e");
XND_NFE_DEF_REGRA(GW22e, "GW22e", "vDescCond_W22e", "367",
                  "Rejeição: Total do desconto condicionado ISS difere do somatório dos itens");
XND_NFE_REGRA_SOMA(GW22f, "U", "vISSRet_U11", "vISSRet_W22f");
XND_NFE_DEF_REGRA(GW22f, "GW22f", "vISSRet_W22f", "368", "Rejeição: Total de ISS retido difere do somatório dos itens");

XND_NFE_REGRA_NOTA(GW16b_NT003_2013);
XND_NFE_DEF_REGRA(GW16b_NT003_2013, "GW16b", "vTotTrib_W16a", "685",
                  "Rejeição: Total do Valor Aproximado dos Tributos difere do somatório dos itens");

void TxndNFeGW16b_NT003_2013::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& tributos = Grupo("M");
  long double soma = 0;
  if (tributos.FindField("vTotTrib_M02") != nullptr) {
    ParaCadaItem([&] {
      const std::string valor = CampoDe(tributos, "vTotTrib_M02");
      if (!valor.empty()) soma += ConverterValor(valor);
      return true;
    });
  }
  TXmlDataSetNFe& totais = Grupo("W");
  totais.First();
  while (!totais.Eof()) {
    const bool informado = totais.FindField("vTotTrib_W16a") != nullptr && !CampoDe(totais, "vTotTrib_W16a").empty();
    if (informado) {
      if (!ValorConfere(soma, ConverterValor(CampoDe(totais, "vTotTrib_W16a")), 1.00L)) Rejeitar();
    } else if (soma > 0) {
      Rejeitar();
    }
    totais.Next();
  }
}

}  // namespace xnd
