#include <gtest/gtest.h>

#include <string>

#include "platform/exception.h"
#include "tests/utils/XmlUtilsTestSupport.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {
namespace {

// The key of the 3.10 sample note and the parts its ide/emit groups give.
constexpr const char* kChave = "35150300822602000124550010009923461099234656";
constexpr const char* kDhEmi = "2015-03-27T09:40:00-03:00";

TEST(AccessKey, SampleKeyIsRegeneratedFromItsParts) {
  EXPECT_EQ(kChave, GerarChaveNFeTpEmis(kDhEmi, "35", "00822602000124", "55", "1", "992346", "1", "9923465"));
  EXPECT_EQ(kChave, GerarChaveNFeTpEmis("2015-03-27", "35", "00822602000124", "55", "1", "992346", "1",
                                        "09923465"));
  // The same digits read as a 3.0 key: the nine-digit cNF holds tpEmis.
  EXPECT_EQ(kChave, GerarChaveNFe(kDhEmi, "35", "00822602000124", "55", "1", "992346", "109923465"));
}

TEST(AccessKey, DecodeByManualVersion) {
  TxndDecodeChaveNFe v4;
  DecodificarChave(kChave, vm40, v4);
  EXPECT_EQ("35", v4.cUF);
  EXPECT_EQ("1503", v4.AAMM);
  EXPECT_EQ("00822602000124", v4.CNPJ);
  EXPECT_EQ("55", v4.mod);
  EXPECT_EQ("001", v4.serie);
  EXPECT_EQ("000992346", v4.nNF);
  EXPECT_EQ("1", v4.tpEmis);
  EXPECT_EQ("09923465", v4.cNF);
  EXPECT_EQ("6", v4.cDV);

  TxndDecodeChaveNFe v3;
  DecodificarChave(kChave, vm30, v3);
  EXPECT_EQ("000992346", v3.nNF);
  EXPECT_EQ("", v3.tpEmis);
  EXPECT_EQ("109923465", v3.cNF);
  EXPECT_EQ("6", v3.cDV);
}

TEST(AccessKey, UnsupportedVersionFailsAfterTheCommonParts) {
  TxndDecodeChaveNFe partes;
  partes.cNF = "antes";
  try {
    DecodificarChave(kChave, static_cast<TVersaoManual>(5), partes);
    FAIL() << "nothing raised";
  } catch (const ExndChaveNFeException& e) {
    EXPECT_EQ("Versão de Manual não suportada para decodificação.", e.Message());
  }
  EXPECT_EQ("35", partes.cUF);
  EXPECT_EQ("6", partes.cDV);
  EXPECT_EQ("antes", partes.cNF);
}

TEST(AccessKey, CheckDigitValidation) {
  for (const TVersaoManual versao : {vm202a, vm30, vm40, vm50, vm50a}) {
    EXPECT_TRUE(ValidarDigitoChave(kChave, versao)) << versao;
    EXPECT_FALSE(ValidarDigitoChave("35150300822602000124550010009923461099234655", versao)) << versao;
  }
  EXPECT_EQ("2010-05-01", AAMMParaData("1005"));
}

TEST(AccessKey, Modulo11) {
  EXPECT_EQ("6", CalcularDVModulo11("3515030082260200012455001000992346109923465", 9, false));
  EXPECT_EQ("0", CalcularDVModulo11("6", 9, false));  // remainder 1
  EXPECT_EQ("1", CalcularDVModulo11("6", 9, true));
  EXPECT_EQ("0", CalcularDVModulo11("0", 9, false));   // remainder 0
  EXPECT_EQ("1", CalcularDVModulo11("19", 9, false));  // remainder 10
  EXPECT_EQ("10", CalcularDVModulo11("19", 9, true));
  // Weights restart at 2 after the maximum: 1*2 + 1*3 + 1*2 = 7 -> 4 with maximum 3.
  EXPECT_EQ("4", CalcularDVModulo11("111", 3, false));
  EXPECT_THROW(CalcularDVModulo11("12a", 9, false), EConvertError);
}

TEST(AccessKey, ContingencyDataCode) {
  const std::string codigo = GerarCodigoDadosNFe("35", "1", "00822602000124", "12345", "1", "2", "07");
  EXPECT_EQ("351008226020001240000000001234512071", codigo);
}

constexpr const char* kCamposTpEmis =
    "Os Campos: Código da UF Emitente =  %s\rCNPJ do Emitente = %s \rCódigo do Modelo do Documento Fiscal = %s "
    "\rNúmero da Nota Fiscal = %s\rTipo de emissão = %s\rCódigo (controle do sistema) Nota Fiscal = %s\rsão "
    "campos obrigatórios para o cálculo do dígito verificador.";

class KeyErrors : public ::testing::TestWithParam<test::RaiseCase> {};

TEST_P(KeyErrors, RaiseWithTheirMessage) { test::ExpectRaises(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    AccessKey, KeyErrors,
    ::testing::Values(
        test::RaiseCase{"KeyLength", [] { ValidarTamanhoChave("123"); }, "ExndCheckParams",
                        "A Chave da NFe 123 deve possuir exatamente 44 dígitos."},
        test::RaiseCase{"DecodeChecksLength",
                        [] {
                          TxndDecodeChaveNFe r;
                          DecodificarChave(std::string(kChave) + "0", vm40, r);
                        },
                        "ExndCheckParams",
                        "A Chave da NFe 351503008226020001245500100099234610992346560 deve possuir exatamente 44 "
                        "dígitos."},
        test::RaiseCase{"TpEmisCnpjIsCheckedFirst",
                        [] { GerarChaveNFeTpEmis("x", "", "12.345", "", "", "", "", "123456789"); },
                        "ExndNFeCheckTXT", "O campo CNPJ: 12.345 deve ser um número Inteiro"},
        test::RaiseCase{"TpEmisCnfTooLong",
                        [] { GerarChaveNFeTpEmis("x", "35", "1", "55", "1", "1", "12", "123456789"); },
                        "ExndCheckParams",
                        "O Código da nota(cNF) \"123456789\", excede o máximo de 8 dígitos (Manual 4.01)"},
        test::RaiseCase{"TpEmisNotOneCharacter",
                        [] { GerarChaveNFeTpEmis("x", "35", "1", "55", "1", "1", "12", "1"); },
                        "ExndCheckParams", "O valor do tipo de emissão(tpEmis) \"12\" é inesperado."},
        test::RaiseCase{"TpEmisDateFormat",
                        [] { GerarChaveNFeTpEmis("27/03/15", "", "1", "55", "1", "1", "1", "1"); },
                        "ExndNFeCheckParams",
                        "27/03/15 Data de Emissão no Formato inválido.Utilizar YYYY-MM-DD para NF-e 2.0 ou "
                        "YYYY-MM-DDTHH:mm:ssTZD para NF-e 3.10"},
        test::RaiseCase{"TpEmisRequiredFields",
                        [] { GerarChaveNFeTpEmis("2015-03-27", "", "1", "55", "", "9", "1", "8"); },
                        "ExndNFeCheckParams", Format(kCamposTpEmis, "", "1", "55", "9", "1", "8")},
        test::RaiseCase{"DateFormat",
                        [] { GerarChaveNFe("2015-3-27", "", "x", "", "", "", ""); }, "ExndNFeCheckParams",
                        "2015-3-27 Data de Emissão no Formato inválido. Utilizar YYYY-MM-DD para NF-e 2.0 ou "
                        "YYYY-MM-DDTHH:mm:ssTZD para NF-e 3.10"},
        test::RaiseCase{"RequiredFieldsBeforeCnpj",
                        [] { GerarChaveNFe("2015-03-27", "35", "x", "55", "", "9", ""); }, "ExndNFeCheckParams",
                        "Os Campos: Código da UF Emitente =  35\rCNPJ do Emitente = x \rCódigo do Modelo do "
                        "Documento Fiscal = 55 \rNúmero da Nota Fiscal = 9\rCódigo (controle do sistema) Nota "
                        "Fiscal = \rsão campos obrigatórios para o cálculo do dígito verificador."},
        test::RaiseCase{"CnpjNotNumeric",
                        [] { GerarChaveNFe("2015-03-27", "35", "0082260200012X", "55", "", "9", "1"); },
                        "ExndNFeCheckTXT", "O campo CNPJ: 0082260200012X deve ser um número Inteiro"},
        test::RaiseCase{"DataCodeCnpjNotNumeric",
                        [] { GerarCodigoDadosNFe("35", "1", "", "1", "1", "2", "07"); }, "ExndNFeCheckTXT",
                        "O campo CNPJ:  deve ser um número Inteiro"}),
    test::CaseName);

}  // namespace
}  // namespace xnd
