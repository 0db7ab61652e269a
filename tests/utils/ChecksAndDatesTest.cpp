#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/exception.h"
#include "tests/utils/XmlUtilsTestSupport.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {
namespace {

struct GtinCase {
  const char* Codigo;
  bool Valido;
};

class Gtin : public ::testing::TestWithParam<GtinCase> {};

TEST_P(Gtin, Validation) { EXPECT_EQ(GetParam().Valido, ValidarGTIN(GetParam().Codigo)) << GetParam().Codigo; }

INSTANTIATE_TEST_SUITE_P(Checks, Gtin,
                         ::testing::Values(GtinCase{"", true}, GtinCase{"96385074", true},
                                           GtinCase{"036000291452", true}, GtinCase{"4006381333931", true},
                                           GtinCase{"10614141000415", true},
                                           GtinCase{"106141411234567897", true}, GtinCase{"4006381333932", false},
                                           GtinCase{"96385075", false}, GtinCase{"0000000000000", false},
                                           GtinCase{"40063813339", false}, GtinCase{"400638133393X", false}));

TEST(Checks, GtinWithALetterBeforeTheCheckDigitIsAConversionError) {
  EXPECT_THROW(ValidarGTIN("40063813A3931"), EConvertError);
}

TEST(Checks, MunicipalityCode) {
  EXPECT_TRUE(ValidarCodigoMunicipio("3550308"));
  EXPECT_FALSE(ValidarCodigoMunicipio("3550307"));
  EXPECT_TRUE(ValidarCodigoMunicipio("1100205"));
  // Codes accepted whatever their check digit (2201919 computes to 1).
  for (const char* codigo :
       {"2201919", "2201988", "2202251", "2611533", "3117836", "3152131", "4305871", "5203939", "5203962"}) {
    EXPECT_TRUE(ValidarCodigoMunicipio(codigo)) << codigo;
  }
  EXPECT_FALSE(ValidarCodigoMunicipio("2201918"));
  EXPECT_THROW(ValidarCodigoMunicipio("35503O8"), EConvertError);
}

TEST(Checks, ToleranceBoundsAreInclusive) {
  EXPECT_TRUE(ValorDentroTolerancia(10.01L, 10.00L, 0.01L));
  EXPECT_TRUE(ValorDentroTolerancia(9.99L, 10.00L, 0.01L));
  EXPECT_FALSE(ValorDentroTolerancia(10.02L, 10.00L, 0.01L));
  EXPECT_FALSE(ValorDentroTolerancia(9.98L, 10.00L, 0.01L));
  EXPECT_TRUE(ValorDentroTolerancia(10.00L, 10.00L, 0.0L));
}

TEST(Dates, TextToDate) {
  using namespace std::chrono;
  EXPECT_EQ(year{2012} / February / day{29}, TextoParaData("2012-02-29"));
  EXPECT_EQ(year{2014} / May / day{1}, TextoParaData("2014-05-01T09:05:07-03:00"));
  EXPECT_THROW(TextoParaData("abcd-05-01"), EConvertError);
}

TEST(Dates, BrazilianForms) {
  EXPECT_EQ("07/05/2010", DataParaTextoBR("2010-05-07"));
  EXPECT_EQ("", DataParaTextoBR("   "));
  EXPECT_EQ("01/05/2014", DataParaTextoBRVersao("2014-05-01T09:05:07-03:00", "3.10"));
  EXPECT_EQ("07/05/2010", DataParaTextoBRVersao("2010-05-07", "2.00"));
  // Other layouts check no length; a one-digit day gets its zero.
  EXPECT_EQ("07/05/2010", DataParaTextoBRVersao("2010-05-7", "1.10"));
  EXPECT_EQ("", DataParaTextoBRVersao(" ", "3.10"));
}

TEST(Dates, TimeOfADateTime) {
  EXPECT_EQ("09:05:07", HoraDaDataHora("2014-05-01T09:05:07-03:00"));
  EXPECT_EQ("23:59:60", HoraDaDataHora("2014-05-01T23:59:60+02:00"));
  EXPECT_EQ("", HoraDaDataHora("  "));
}

constexpr const char* kDataInvalida = "Erro na conversão de datas: data inválida";

class DateErrors : public ::testing::TestWithParam<test::RaiseCase> {};

TEST_P(DateErrors, RaiseWithTheirMessage) { test::ExpectRaises(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Dates, DateErrors,
    ::testing::Values(
        test::RaiseCase{"YearTooShort", [] { TextoParaData("201"); }, "ExndNFEConvertDateException",
                        "Erro na conversão de datas: ano inválido"},
        test::RaiseCase{"MonthTooShort", [] { TextoParaData("2010-0"); }, "ExndNFEConvertDateException",
                        "Erro na conversão de datas: mês inválido"},
        test::RaiseCase{"DayTooShort", [] { TextoParaData("2010-05-1"); }, "ExndNFEConvertDateException",
                        "Erro na conversão de datas: dia inválido"},
        test::RaiseCase{"NoSuchMonth", [] { TextoParaData("2010-13-01"); }, "ExndNFEConvertDateException",
                        kDataInvalida},
        test::RaiseCase{"NotALeapYear", [] { TextoParaData("2011-02-29"); }, "ExndNFEConvertDateException",
                        kDataInvalida},
        test::RaiseCase{"YearZero", [] { TextoParaData("0000-01-01"); }, "ExndNFEConvertDateException",
                        kDataInvalida},
        test::RaiseCase{"BrLength", [] { DataParaTextoBR("2010-05-7"); }, "ExndNFEConvertDateException",
                        kDataInvalida},
        test::RaiseCase{"BrVersionLength", [] { DataParaTextoBRVersao("2010-05-07", "3.10"); },
                        "ExndNFEConvertDateException", kDataInvalida},
        test::RaiseCase{"BrYearNotNumeric", [] { DataParaTextoBR("20a0-05-07"); }, "ExndNFEConvertDateException",
                        "Erro na conversão de datas: ano inválido"},
        test::RaiseCase{"BrMonthNotNumeric", [] { DataParaTextoBR("2010-x5-07"); },
                        "ExndNFEConvertDateException", "Erro na conversão de datas: mês inválido"},
        test::RaiseCase{"BrDayZeroDigit", [] { DataParaTextoBRVersao("2010-05-0", "1.10"); },
                        "ExndNFEConvertDateException", "Erro na conversão de datas: dia inválido"},
        test::RaiseCase{"HourLength", [] { HoraDaDataHora("2014-05-01T09:05:07"); },
                        "ExndNFEConvertHoraException", "Erro na conversão de horas: hora inválida"},
        test::RaiseCase{"HourNotNumeric", [] { HoraDaDataHora("2014-05-01Tx9:05:07-03:00"); },
                        "ExndNFEConvertHoraException", "Erro na conversão de horas: Hora inválida"},
        test::RaiseCase{"MinuteNotNumeric", [] { HoraDaDataHora("2014-05-01T09:0x:07-03:00"); },
                        "ExndNFEConvertHoraException", "Erro na conversão de horas: minuto inválido"}),
    test::CaseName);

}  // namespace
}  // namespace xnd
