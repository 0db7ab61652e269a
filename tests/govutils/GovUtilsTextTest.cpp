// Text helpers of xndGovUtils: accents, padding, XML preparation, CPF/CNPJ,
// encodings, parameters and date-time texts.
#include "tests/govutils/GovUtilsTestSupport.h"

namespace xnd::test {
namespace {

class GovUtilsText : public ::testing::Test {
 protected:
  std::unique_ptr<IxndGovUtils> FUtils = NewGovUtils();
};

struct TextCase {
  std::string Input, Expected;
};

class GovUtilsRemoveAllAccents : public GovUtilsText,
                                 public ::testing::WithParamInterface<TextCase> {};

TEST_P(GovUtilsRemoveAllAccents, GivesTheBaseLetters) {
  EXPECT_EQ(GetParam().Expected, FUtils->RemoveAllAccents(GetParam().Input));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GovUtilsRemoveAllAccents,
    ::testing::Values(TextCase{"áéíóúàèìòùâêîôûäëïöüãõñçÁÉÍÓÚÀÈÌÒÙÂÊÎÔÛÄËÏÖÜÃÕÑÇºª",
                               "aeiouaeiouaeiouaeiouaonc"
                               "AEIOUAEIOUAEIOUAEIOUAONCoa"},
                      TextCase{"Rua São João, Nº 12, 3ª vila", "Rua Sao Joao, No 12, 3a vila"},
                      TextCase{"Łódź Škoda ÅÝÿØ", "Lodz Skoda AYyO"},
                      TextCase{"sem acento <a x=\"1\"/>", "sem acento <a x=\"1\"/>"},
                      TextCase{"Æ ß € ½ 日本", "Æ ß € ½ 日本"},
                      TextCase{"caf\xE9 ação", "caf\xE9 acao"}));  // a stray byte stays as it is

TEST_F(GovUtilsText, RemoveAccentsTouchesOnlyTheGivenCharacters) {
  EXPECT_EQ("acão É ª", FUtils->RemoveAccents("ação É ª", "çé"));
  EXPECT_EQ("Numero do lote: 1o", FUtils->RemoveAccents("Número do lote: 1º", "úº&"));
  EXPECT_EQ("ação", FUtils->RemoveAccents("ação", ""));
}

TEST_F(GovUtilsText, RemoveAccentsOnMixedAndBrokenText) {
  struct Case {
    const char* Text;
    const char* Characters;
    const char* Expected;
  };
  const Case cases[] = {
      {"café 日本 € a", "é日€a", "cafe 日本 € a"},  // no base letter: kept
      {"Łódź", "źŁ", "Lódz"},
      {"🙂ç🙂ç", "ç", "🙂c🙂c"},
      {"a\xC3 ç\xE2\x82", "ç", "a\xC3 c\xE2\x82"},                  // stray and cut sequences stay
      {"\xC1\xA9 \xED\xA0\x80 é", "é", "\xC1\xA9 \xED\xA0\x80 e"},  // overlong, surrogate
      {"ção", "\xC3", "ção"},                                       // a stray byte selects nothing
      {"ºª", "ºª", "oa"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Expected, FUtils->RemoveAccents(c.Text, c.Characters)) << c.Text;
  }
}

TEST_F(GovUtilsText, PadLeftCountsCodePoints) {
  EXPECT_EQ("000000123", FUtils->PadLeft("123", 9));
  EXPECT_EQ("00ção", FUtils->PadLeft("ção", 5));
  EXPECT_EQ("12345", FUtils->PadLeft("12345", 3));
  EXPECT_EQ("00", FUtils->PadLeft("", 2));
}

TEST_F(GovUtilsText, PrepareXmlRemovesLayoutButNotContent) {
  EXPECT_EQ(
      "<NFe><infNFe Id=\"NFe1\"><xNome>José  da Silva</xNome><obs></obs><b a=\"x > y\"><c/></b>"
      "<d><![CDATA[ <e> ]]></d><!-- nota --></infNFe></NFe>",
      FUtils->PrepareXml(
          "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<NFe>\r\n\t<infNFe "
          "Id=\"NFe1\">\r\n\t\t<xNome>José  da Silva</xNome>\r\n\t\t<obs> </obs>\n  "
          "<b a=\"x > y\"> <c/> </b><d><![CDATA[ <e> ]]></d> <!-- nota "
          "-->\n\t</infNFe>\r\n</NFe>\r\n"));
}

struct DocumentCase {
  std::string Number;
  bool Cpf;
  bool Valid;
};

class GovUtilsDocumentNumber : public GovUtilsText,
                               public ::testing::WithParamInterface<DocumentCase> {};

TEST_P(GovUtilsDocumentNumber, CheckDigitsDecide) {
  const DocumentCase& c = GetParam();
  EXPECT_EQ(c.Valid, c.Cpf ? FUtils->IsValidCPF(c.Number) : FUtils->IsValidCNPJ(c.Number))
      << c.Number;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GovUtilsDocumentNumber,
    ::testing::Values(
        DocumentCase{"11144477735", true, true}, DocumentCase{"529.982.247-25", true, true},
        DocumentCase{"000.000.001-91", true, true}, DocumentCase{"12345678909", true, true},
        DocumentCase{"11144477736", true, false}, DocumentCase{"11144477745", true, false},
        DocumentCase{"00000000000", true, false}, DocumentCase{"999.999.999-99", true, false},
        DocumentCase{"1114447773", true, false}, DocumentCase{"111444777350", true, false},
        DocumentCase{"111 444 777 35", true, false}, DocumentCase{"", true, false},
        DocumentCase{"11222333000181", false, true},
        DocumentCase{"11.222.333/0001-81", false, true},
        DocumentCase{"00822602000124", false, true}, DocumentCase{"11222333000182", false, false},
        DocumentCase{"11222333000191", false, false}, DocumentCase{"00000000000000", false, false},
        DocumentCase{"11111111111111", false, false}, DocumentCase{"1122233300018", false, false},
        DocumentCase{"11144477735", false, false}, DocumentCase{"11222333000181", true, false},
        DocumentCase{"11.222.333/0001-8A", false, false}));

TEST_F(GovUtilsText, DecodeUtf8KeepsUtf8AndConvertsWindows1252) {
  EXPECT_EQ("ação €", FUtils->DecodeUtf8("ação €"));
  EXPECT_EQ("ação €", FUtils->DecodeUtf8("a\xE7\xE3o \x80"));
  EXPECT_EQ("abc", FUtils->DecodeUtf8("abc"));
}

TEST_F(GovUtilsText, IsUtf8NeedsValidMultiByteText) {
  EXPECT_TRUE(FUtils->IsUtf8("ação"));
  EXPECT_TRUE(FUtils->IsUtf8("\xEF\xBB\xBF<a/>"));
  EXPECT_FALSE(FUtils->IsUtf8("<a/>"));
  EXPECT_FALSE(FUtils->IsUtf8(""));
  EXPECT_FALSE(FUtils->IsUtf8("a\xE7\xE3o"));
  EXPECT_FALSE(FUtils->IsUtf8("\xC0\xAF"));  // overlong "/"
}

TEST_F(GovUtilsText, GetParamValueReadsTheFirstMatchingLine) {
  const std::string params =
      "Logo=/tmp/a.png\r\nArquivoRtm=cce.rtm\nURL=http://x/?a=b\rlogo=outro\r\n";
  EXPECT_EQ("/tmp/a.png", FUtils->GetParamValue(params, "LOGO"));
  EXPECT_EQ("cce.rtm", FUtils->GetParamValue(params, "arquivortm"));
  EXPECT_EQ("http://x/?a=b", FUtils->GetParamValue(params, "URL"));
  EXPECT_EQ("", FUtils->GetParamValue(params, "Ausente"));
  EXPECT_EQ("", FUtils->GetParamValue("", "Logo"));
}

struct DateCase {
  std::string Text;
  double Value;
};

class GovUtilsTextToDateTime : public GovUtilsText,
                               public ::testing::WithParamInterface<DateCase> {};

TEST_P(GovUtilsTextToDateTime, CountsDaysSince18991230) {
  EXPECT_NEAR(GetParam().Value, FUtils->TextToDateTime(GetParam().Text), 1e-9) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GovUtilsTextToDateTime,
    ::testing::Values(DateCase{"1899-12-30", 0}, DateCase{"2000-01-01T12:00:00", 36526.5},
                      DateCase{"2015-03-27T09:40:00-03:00", 42090 + 9 / 24.0 + 40 / 1440.0},
                      DateCase{"2018-10-05T14:30:45+02:00", 43378.6046875},
                      DateCase{"2018-10-05 14:30:45", 43378.6046875},
                      DateCase{"2024-02-29T00:00:00Z", 45351},
                      DateCase{"1899-12-29T12:00:00", -1.5}));

TEST_F(GovUtilsText, TextToDateTimeRefusesOtherTexts) {
  for (const std::string text :
       {"", "abc", "2015-02-29", "2015-13-01", "2015-3-27", "2015-03-27T24:00:00",
        "2015-03-27T09:40", "2015-03-27T09:40:00-3", "2015-03-27T09:40:00 x"}) {
    EXPECT_EQ("'" + text + "' não é uma data e hora válida",
              OleErrorOf([&] { FUtils->TextToDateTime(text); }));
  }
}

}  // namespace
}  // namespace xnd::test
