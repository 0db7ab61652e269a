#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "types/xndNFeType.h"

namespace xnd {
namespace {

TEST(DanfeSettings, DefaultsAndAssign) {
  const TDanfeSettings d;
  EXPECT_EQ("Danfe em contingência - Impresso em decorrência de problemas técnicos", d.FraseContingencia());
  EXPECT_EQ("SEM VALOR FISCAL", d.FraseHomologacao());
  EXPECT_EQ("", d.ModeloRetrato());
  EXPECT_EQ("", d.ModeloPaisagem());
  EXPECT_EQ("", d.ModeloDanfeSimplificado());
  EXPECT_EQ(1, d.QtdeCopias());
  EXPECT_EQ("", d.LogotipoEmitente());
  EXPECT_EQ("|", d.LineDelimiter());
  EXPECT_EQ(68, d.InfCplMaxCol());
  EXPECT_EQ(7, d.InfCplMaxRow());
  EXPECT_FALSE(d.ImprimirVolume());
  EXPECT_TRUE(d.ImprimirDuplicata());
  EXPECT_FALSE(d.ImprimirUnidadeTributada());
  EXPECT_EQ("", d.ModeloRTMCCe());

  TDanfeSettings changed;
  changed.SetInfCplMaxCol(80);
  changed.SetModeloRTMCCe("cce.rtm");
  changed.SetImprimirDuplicata(false);
  TDanfeSettings target;
  target.Assign(changed);
  EXPECT_EQ(80, target.InfCplMaxCol());
  EXPECT_EQ("cce.rtm", target.ModeloRTMCCe());
  EXPECT_FALSE(target.ImprimirDuplicata());
}

// A descendant that redirects one reader and one writer.
class RedirectedEmail : public TxndEmailSettings {
 public:
  int Porta() const override { return 587; }
  void SetAssunto(const std::string& aValue) override { TxndEmailSettings::SetAssunto("[NF-e] " + aValue); }
};

TEST(EmailSettings, StartsEmptyAndAssignGoesThroughTheAccessors) {
  const TxndEmailSettings fresh;
  EXPECT_EQ("", fresh.ServidorSmtp());
  EXPECT_EQ(0, fresh.Porta());
  EXPECT_EQ(0, fresh.TimeOut());
  EXPECT_FALSE(fresh.Autenticacao());
  EXPECT_FALSE(fresh.ConteudoHtml());

  RedirectedEmail source;
  source.SetServidorSmtp("smtp.exemplo.com.br");
  source.SetTimeOut(30000);
  source.SetConteudoHtml(true);
  TxndEmailSettings copy;
  copy.Assign(source);
  EXPECT_EQ("smtp.exemplo.com.br", copy.ServidorSmtp());
  EXPECT_EQ(587, copy.Porta());
  EXPECT_EQ(30000, copy.TimeOut());
  EXPECT_TRUE(copy.ConteudoHtml());

  RedirectedEmail redirected;
  copy.SetAssunto("Nota");
  redirected.Assign(copy);
  EXPECT_EQ("[NF-e] Nota", redirected.Assunto());
}

TEST(CertStringNFe, HookFiresOnlyWhenTheWholeTextIsAssigned) {
  TxndCertStringNFe list;
  std::vector<std::string> calls;
  list.SetOnTextChange([&calls](const std::string& aText) { calls.push_back(aText); });
  ASSERT_TRUE(list.GetOnTextChange());

  list.SetText("A\r\nB");
  ASSERT_EQ(2, list.Count());
  EXPECT_EQ("A", list[0]);
  EXPECT_EQ("B", list[1]);
  ASSERT_EQ(std::vector<std::string>{"A\r\nB"}, calls);

  list.Add("C");
  list.Delete(0);
  list.SetStrings(0, "X");
  EXPECT_EQ(1u, calls.size());

  // Through the base class, and the same text twice: two more calls, text as assigned.
  TStringList& base = list;
  base.SetText("único\n");
  base.SetText("único\n");
  EXPECT_EQ((std::vector<std::string>{"A\r\nB", "único\n", "único\n"}), calls);
  EXPECT_EQ(1, list.Count());
}

TEST(CertStringNFe, WithoutHookTheTextIsStillReplaced) {
  TxndCertStringNFe list;
  EXPECT_FALSE(list.GetOnTextChange());
  list.SetText("x\ry");
  EXPECT_EQ(2, list.Count());
}

}  // namespace
}  // namespace xnd
