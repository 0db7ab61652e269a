// The rule catalogue: one definition per rule class (its name less
// "TxndNFe", Name, FieldName, code, message and factory), defined beside the
// class in the .cpp file of its group, and the macros that declare a rule
// class. Internal to the rules module: the loaders read it.
#pragma once

#include "rules/xndNFeRules.h"

// A rule checked once over the note: overrides Validar.
#define XND_NFE_REGRA(Classe)                                                   \
  class TxndNFe##Classe final : public ::xnd::TxndNFeRule {                     \
   public:                                                                      \
    using TxndNFeRule::TxndNFeRule;                                             \
    std::string ClassName() const override { return "TxndNFe" #Classe; }        \
    void Validar() override;                                                    \
  }

// A rule checked for each item: overrides ValidarItem.
#define XND_NFE_REGRA_ITEM(Classe)                                              \
  class TxndNFe##Classe final : public ::xnd::TxndNFeTemplateItem {             \
   public:                                                                      \
    using TxndNFeTemplateItem::TxndNFeTemplateItem;                             \
    std::string ClassName() const override { return "TxndNFe" #Classe; }        \
    bool ValidarItem() override;                                                \
  }

// Defines the catalogue entry Regra<Classe> of a declared rule class.
#define XND_NFE_DEF_REGRA(Classe, Nome, Campo, Codigo, Mensagem) \
  const TxndNFeRuleDef Regra##Classe{#Classe, Nome, Campo, Codigo, Mensagem, &CriarRegra<TxndNFe##Classe>}

namespace xnd {

// The text is not empty.
inline bool Informado(const std::string& aTexto) { return !aTexto.empty(); }
// The text is not empty and, upper-cased, is not "NULL" (the generator leaves
// a document field holding "NULL" out of the XML).
bool InformadoNaoNulo(const std::string& aTexto);
// ValidarCodigoMunicipio of a code of seven digits; any other text fails
// (instead of raising the conversion error of an empty or non-numeric code).
bool MunicipioValido(const std::string& aCodigo);

// Identification of the note (A): xndNFeRulesA.cpp
extern const TxndNFeRuleDef RegraGA03;

// Identification (B) and referenced documents (NREF): xndNFeRulesB.cpp
extern const TxndNFeRuleDef RegraGB06;
extern const TxndNFeRuleDef RegraGB06_1;
extern const TxndNFeRuleDef RegraGB07;
extern const TxndNFeRuleDef RegraGB09;
extern const TxndNFeRuleDef RegraGB09_1_NT003_2012;
extern const TxndNFeRuleDef RegraGB10_2;
extern const TxndNFeRuleDef RegraGB10_3;
extern const TxndNFeRuleDef RegraGB10a;
extern const TxndNFeRuleDef RegraGB12;
extern const TxndNFeRuleDef RegraGB12_1;
extern const TxndNFeRuleDef RegraGB13;
extern const TxndNFeRuleDef RegraGB13a_NT003_2013;
extern const TxndNFeRuleDef RegraGB13b_NT003_2013;
extern const TxndNFeRuleDef RegraGB17;
extern const TxndNFeRuleDef RegraGB20_NT003_2013;
extern const TxndNFeRuleDef RegraGB20d;
extern const TxndNFeRuleDef RegraGB20e;
extern const TxndNFeRuleDef RegraGB20ha_NT003_2013;
extern const TxndNFeRuleDef RegraGB20i;
extern const TxndNFeRuleDef RegraGB20ia_NT003_2013;
extern const TxndNFeRuleDef RegraGB20m_NT003_2013;
extern const TxndNFeRuleDef RegraGB22;
extern const TxndNFeRuleDef RegraGB22_1;
extern const TxndNFeRuleDef RegraGB23;
extern const TxndNFeRuleDef RegraGB25;
extern const TxndNFeRuleDef RegraGB25_1;
extern const TxndNFeRuleDef RegraGB25_2;
extern const TxndNFeRuleDef RegraGB25_3;
extern const TxndNFeRuleDef RegraGB25_3_NT003_2013;
extern const TxndNFeRuleDef RegraGB25_4;
extern const TxndNFeRuleDef RegraGB25b;
extern const TxndNFeRuleDef RegraGB26;
extern const TxndNFeRuleDef RegraGB26_1;
extern const TxndNFeRuleDef RegraGB28;

// Issuer (C): xndNFeRulesC.cpp
extern const TxndNFeRuleDef RegraGC02;
extern const TxndNFeRuleDef RegraGC02_a;
extern const TxndNFeRuleDef RegraGC02_a1;
extern const TxndNFeRuleDef RegraGC10;
extern const TxndNFeRuleDef RegraGC10_1;
extern const TxndNFeRuleDef RegraGC17;

// Tax authority (D): xndNFeRulesD.cpp
extern const TxndNFeRuleDef RegraGD01;

// Recipient (E): xndNFeRulesE.cpp
extern const TxndNFeRuleDef RegraGE01;
extern const TxndNFeRuleDef RegraGE02;
extern const TxndNFeRuleDef RegraGE02_1;
extern const TxndNFeRuleDef RegraGE02_2;
extern const TxndNFeRuleDef RegraGE03;
extern const TxndNFeRuleDef RegraGE03a;
extern const TxndNFeRuleDef RegraGE03a_1;
extern const TxndNFeRuleDef RegraGE03a_2;
extern const TxndNFeRuleDef RegraGE03a_3;
extern const TxndNFeRuleDef RegraGE04;
extern const TxndNFeRuleDef RegraGE10;
extern const TxndNFeRuleDef RegraGE10_1;
extern const TxndNFeRuleDef RegraGE10_2;
extern const TxndNFeRuleDef RegraGE10_2_NT005_2013;
extern const TxndNFeRuleDef RegraGE12;
extern const TxndNFeRuleDef RegraGE12_1;
extern const TxndNFeRuleDef RegraGE12_2;
extern const TxndNFeRuleDef RegraGE12_3;
extern const TxndNFeRuleDef RegraGE14;
extern const TxndNFeRuleDef RegraGE14_1;
extern const TxndNFeRuleDef RegraGE14_1_NT005_2013;
extern const TxndNFeRuleDef RegraGE14_NT005_2013;
extern const TxndNFeRuleDef RegraGE16a;
extern const TxndNFeRuleDef RegraGE17;
extern const TxndNFeRuleDef RegraGE17_1;
extern const TxndNFeRuleDef RegraGE17_2;
extern const TxndNFeRuleDef RegraGE17_3;

// Pick-up place (F): xndNFeRulesF.cpp
extern const TxndNFeRuleDef RegraGF02;
extern const TxndNFeRuleDef RegraGF02_a;
extern const TxndNFeRuleDef RegraGF07;
extern const TxndNFeRuleDef RegraGF07_1;
extern const TxndNFeRuleDef RegraGF07_2;

// Delivery place (G): xndNFeRulesG.cpp
extern const TxndNFeRuleDef RegraGG02;
extern const TxndNFeRuleDef RegraGG02_a;
extern const TxndNFeRuleDef RegraGG07;
extern const TxndNFeRuleDef RegraGG07_1;
extern const TxndNFeRuleDef RegraGG07_2;

// Access key year: xndNFeRulesJ.cpp
extern const TxndNFeRuleDef RegraJ02_c_NT003_2012;

// Normalising rules: xndNFeRulesVarno.cpp
extern const TxndNFeRuleDef RegraVarno1;
extern const TxndNFeRuleDef RegraVarno2;
extern const TxndNFeRuleDef RegraVarno3;
extern const TxndNFeRuleDef RegraVarno4;

// Items, taxes, transport and totals (groups I to ZB) follow here.

}  // namespace xnd
