#include <gtest/gtest.h>

#include <string>

#include "platform/stringlist.h"
#include "tests/utils/XmlUtilsTestSupport.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {
namespace {

TEST(Conversions, ManualVersionTexts) {
  const char* const texts[] = {"2.0.2a", "3.0", "4.0", "5.0", "5.0a"};
  for (int i = 0; i < 5; ++i) {
    const auto versao = static_cast<TVersaoManual>(i);
    EXPECT_EQ(texts[i], VersaoManualParaTexto(versao));
    EXPECT_EQ(versao, TextoParaVersaoManual(texts[i]));
  }
  EXPECT_EQ("vm30/", DiretorioVersaoManual(vm202a));
  EXPECT_EQ("vm30/", DiretorioVersaoManual(vm30));
  EXPECT_EQ("vm40/", DiretorioVersaoManual(vm40));
  EXPECT_EQ("vm50/", DiretorioVersaoManual(vm50));
  EXPECT_EQ("vm50a/", DiretorioVersaoManual(vm50a));
}

TEST(Conversions, OperationModeIgnoresCaseOnlyOnTheWayIn) {
  EXPECT_EQ(moSVCAN, TextoParaModoOperacao("svcan"));
  EXPECT_EQ(moNormal, TextoParaModoOperacao("Normal"));
  EXPECT_EQ(moSVCRS, TextoParaModoOperacao("SVCRS"));
  EXPECT_EQ("NORMAL", ModoOperacaoParaTexto(moNormal));
  EXPECT_EQ("SVCAN", ModoOperacaoParaTexto(moSVCAN));
  EXPECT_EQ("SVCRS", ModoOperacaoParaTexto(moSVCRS));
  EXPECT_EQ("NORMAL", ModoOperacaoParaTexto(static_cast<TModoOperacao>(7)));
}

TEST(Conversions, CertificateKindAndEnvironment) {
  EXPECT_EQ(ckMemory, TextoParaTipoCertificado("memory"));
  EXPECT_EQ(ckLocalMachine, TextoParaTipoCertificado("LocalMachine"));
  EXPECT_EQ(ckActiveDiretory, TextoParaTipoCertificado("ACTIVEDIRECTORY"));
  EXPECT_EQ(ckSmartCard, TextoParaTipoCertificado("SmartCard"));
  EXPECT_EQ(ckFile, TextoParaTipoCertificado("arquivo"));
  EXPECT_EQ("1", AmbienteParaTpAmb(akProducao));
  EXPECT_EQ("2", AmbienteParaTpAmb(akHomologacao));
}

TEST(Conversions, SchemaPackageToManual) {
  const TVersaoManual expected[] = {vm30, vm30, vm30, vm30, vm30, vm40, vm40, vm40, vm40,
                                    vm40, vm50, vm50, vm50, vm50, vm50, vm50, vm50a};
  for (int i = 0; i <= pl_008a; ++i) {
    EXPECT_EQ(expected[i], VersaoEsquemaParaManual(static_cast<TVersaoEsquema>(i))) << i;
  }
}

class ConversionErrors : public ::testing::TestWithParam<test::RaiseCase> {};

TEST_P(ConversionErrors, RaiseWithTheirMessage) { test::ExpectRaises(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Conversions, ConversionErrors,
    ::testing::Values(
        test::RaiseCase{"ManualVersionIsCaseSensitive", [] { TextoParaVersaoManual("5.0A"); },
                        "ExndNFeVersaoManualException",
                        "Versão do Manual informada: 5.0A não é suportada. \rUtilize: 2.0.2a, 3.0, 4.0, 5.0 ou 5.0a"},
        test::RaiseCase{"OperationModeKeepsTheGivenText", [] { TextoParaModoOperacao("svc-x"); },
                        "ExndNFeModoOperacaoException",
                        "Modo Operação informado: svc-x não é suportado. \rUtilize: Normal, SVCAN ou SVCRS"},
        test::RaiseCase{"SchemaPackageOutOfRange",
                        [] { VersaoEsquemaParaManual(static_cast<TVersaoEsquema>(17)); },
                        "ExndNFeVersaoManualException",
                        "A Versão de Esquema não está referenciada a nenhuma versão de Manual de Integração."}),
    test::CaseName);

TEST(UFTable, AppendsTheTwentyEightLinesInOrder) {
  TStringList list;
  list.Add("existente=1");
  CarregarTabelaUF(list);
  ASSERT_EQ(29, list.Count());
  EXPECT_EQ("existente=1", list[0]);
  EXPECT_EQ("AC=12", list[1]);
  EXPECT_EQ("SP=35", list[25]);
  EXPECT_EQ("AN=91", list[28]);
}

TEST(UFTable, CodeByAbbreviationIgnoringCase) {
  EXPECT_EQ("35", CodigoUF("sp"));
  EXPECT_EQ("11", CodigoUF("RO"));
  EXPECT_EQ("91", CodigoUF("an"));
  EXPECT_EQ("", CodigoUF("XX"));
  EXPECT_EQ("", CodigoUF(""));
}

}  // namespace
}  // namespace xnd
