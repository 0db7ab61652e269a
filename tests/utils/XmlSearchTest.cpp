#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "tests/utils/XmlUtilsTestSupport.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {
namespace {

constexpr const char* kChave = "35150300822602000124550010009923461099234656";

struct TagCase {
  const char* Name;
  const char* Tag;
  const char* Xml;
  const char* Valor;
};

class TagValue : public ::testing::TestWithParam<TagCase> {};

TEST_P(TagValue, PlainSearch) { EXPECT_EQ(GetParam().Valor, ObterValorTag(GetParam().Tag, GetParam().Xml)); }

INSTANTIATE_TEST_SUITE_P(
    XmlSearch, TagValue,
    ::testing::Values(TagCase{"BothTags", "cStat", "<a><cStat>103</cStat><cStat>2</cStat></a>", "103"},
                      TagCase{"MissingClosing", "cStat", "<a><cStat>103</a>", ""},
                      // Without an opening tag the value starts at code point length("nRec") + 2 = 6.
                      TagCase{"MissingOpeningCountsCodePoints", "nRec", "çççççAB</nRec>", "AB"},
                      TagCase{"OpeningWithAttributesIsNotFound", "nRec", "<nRec x=\"1\">5</nRec>", " x=\"1\">5"},
                      TagCase{"ClosingBeforeOpening", "x", "</x>ab<x>", ""},
                      TagCase{"Accents", "xNome", "<xNome>São João</xNome>", "São João"}),
    [](const auto& info) { return std::string(info.param.Name); });

// ObterValorTag searches bytes where it can; its rule counts code points.
std::string ValorTagPelaRegra(const std::string& aTag, const std::string& aXml) {
  const auto abertura = static_cast<std::ptrdiff_t>(Utf8Pos("<" + aTag + ">", aXml));
  const auto fechamento = static_cast<std::ptrdiff_t>(Utf8Pos("</" + aTag + ">", aXml));
  const std::ptrdiff_t inicio = abertura + static_cast<std::ptrdiff_t>(Utf8Length(aTag)) + 2;
  return Utf8Copy(aXml, inicio, fechamento - inicio);
}

TEST(XmlSearch, TagValueFollowsTheCodePointRuleOnTrickyTexts) {
  const std::vector<std::pair<std::string, std::string>> casos = {
      {"xJust", "<a><!-- <xJust>comentário</xJust> --><xJust>Falha técnica</xJust></a>"},
      {"xJust", "<a><![CDATA[</xJust>]]><xJust>depois</xJust></a>"},
      {"det", "<det><det>interno</det></det>"},
      {"xNome", "<xNome>日本 – 🙂 ção</xNome>"},
      {"xNome", "\xC3<xNome>\xE2\x82 solto \xF0\x9F</xNome>\xC3"},
      {"xNome", "ação 🙂</xNome><xNome>x</xNome>"},
      {"xNome", "<xNome>sem fim 🙂"},
      {"b", "</b>日本<b>x</b>"},
      {"b", "<b></b>"},
      {"ç", "<ç>cedilha</ç>"},
      {"ç", "çç</ç>"},
      {"\xC3", "<\xC3>byte solto</\xC3>"},
      {"", "a<>b</>c"},
  };
  for (const auto& [tag, xml] : casos) {
    EXPECT_EQ(ValorTagPelaRegra(tag, xml), ObterValorTag(tag, xml)) << tag << " em " << xml;
  }
}

TEST(XmlSearch, ReceiptNumberAndSignature) {
  EXPECT_EQ("423000021574483", ObterNumeroRecibo(test::Fixture("nfe200_retEnviNFe_103.xml")));
  EXPECT_TRUE(NotaAssinada(test::Fixture("nfe200_nfeProc_autorizada.xml")));
  EXPECT_FALSE(NotaAssinada("<Signature xmlns='http://www.w3.org/2000/09/xmldsig#'>"));
  EXPECT_FALSE(NotaAssinada(test::Fixture("nfe200_retEnviNFe_103.xml")));
}

const std::string kNota1 = "<infNFe Id=\"NFe1\" versao=\"4.00\"><ide>ç</ide></infNFe>";
const std::string kNota2 = "<infNFe Id=\"NFe2\" versao=\"4.00\"><ide>2</ide></infNFe>";
const std::string kLote = "<enviNFe><NFe>" + kNota1 + "<protNFe>p1</protNFe></NFe><NFe>" + kNota2 +
                          "<protNFe>p2</protNFe></NFe></enviNFe>";

TEST(XmlSearch, ExtractAndCountNotesOfABatch) {
  const TxndNFeXmlUtils utils;
  EXPECT_EQ(2, TxndNFeXmlUtils::ContarNFe(kLote));
  EXPECT_EQ(kNota1, utils.ExtrairNFe(0, kLote, false));
  EXPECT_EQ(kNota2, utils.ExtrairNFe(1, kLote, false));
  EXPECT_EQ("", utils.ExtrairNFe(2, kLote, false));
  EXPECT_EQ("", utils.ExtrairNFe(-1, kLote, false));
  EXPECT_EQ(kNota2 + "<protNFe>p2</protNFe>", TxndNFeXmlUtils::ExtrairNFePadrao(1, kLote, true));
  // A note without its end tag gives nothing.
  EXPECT_EQ("", utils.ExtrairNFe(0, "<infNFe Id=\"NFe1\"><ide/>", false));
  EXPECT_EQ(0, TxndNFeXmlUtils::ContarNFe("<infNFe versao=\"4.00\" Id=\"NFe1\"></infNFe>"));
}

// The one-pass walk against ExtrairNFePadrao at every index, with and
// without the protocol: notes without their end tag, a hit inside another
// note, a multi-byte character right after "<infNFe Id=".
TEST(XmlSearch, OnePassWalkGivesWhatEachIndexGives) {
  const std::vector<std::string> lotes = {
      kLote,
      "<infNFe Id=\"1\"><a/><infNFe Id=\"2\"><b/></infNFe></infNFe><infNFe Id=\"3\">",
      "<infNFe Id=\"1\"><protNFe/><infNFe Id=ção</infNFe><infNFe Id=<infNFe Id=x</infNFe>",
      "<infNFe Id=\xE2\x82<infNFe Id=\"🙂\"></protNFe></infNFe><infNFe Id=",
      "sem notas</infNFe>",
  };
  for (const std::string& lote : lotes) {
    for (const bool protocolo : {false, true}) {
      TPercursoNFe percurso(lote, protocolo);
      for (int i = 0; i <= TxndNFeXmlUtils::ContarNFe(lote) + 1; ++i) {
        EXPECT_EQ(TxndNFeXmlUtils::ExtrairNFePadrao(i, lote, protocolo), percurso.Proxima())
            << "nota " << i << (protocolo ? " com protocolo" : "") << " de " << lote;
      }
    }
  }
}

TEST(XmlSearch, ExtractIsOverridable) {
  struct FirstOnly : TxndNFeXmlUtils {
    std::string ExtrairNFe(int, const std::string& aXml, bool aComProtocolo) const override {
      return ExtrairNFePadrao(0, aXml, aComProtocolo);
    }
  };
  const FirstOnly first;
  const TxndNFeXmlUtils& utils = first;
  EXPECT_EQ(kNota1, utils.ExtrairNFe(1, kLote, false));
}

TEST(XmlSearch, AccessKeyOfTheSampleNote) {
  const std::string xml = test::Fixture("nfe310_nfeProc_autorizada_5itens.xml");
  EXPECT_EQ(std::string("NFe") + kChave, TxndNFeXmlUtils::ObterChaveAcesso(xml, true));
  EXPECT_EQ(kChave, TxndNFeXmlUtils::ObterChaveAcesso(xml, false));
  EXPECT_EQ("", TxndNFeXmlUtils::ObterChaveAcesso(test::Fixture("nfe200_retEnviNFe_103.xml"), true));
  EXPECT_EQ(std::string("NFe") + kChave, ObterIdNFe(xml));
}

TEST(XmlSearch, NotesByIndexOfTheSampleDocument) {
  const std::string xml = test::Fixture("nfe310_nfeProc_autorizada_5itens.xml");
  const std::string infNFe = TxndNFeXmlUtils::ObterNFePorIndice(0, xml, false);
  EXPECT_EQ(0u, infNFe.find("<infNFe"));
  EXPECT_NE(std::string::npos, infNFe.find(kChave));
  EXPECT_NE(std::string::npos, infNFe.find("<xNome>Plotag Sistemas e Suprimentos Ltda</xNome>"));
  EXPECT_EQ(std::string::npos, infNFe.find("<protNFe"));
  EXPECT_EQ("", TxndNFeXmlUtils::ObterNFePorIndice(1, xml, false));

  const std::string proc = TxndNFeXmlUtils::ObterNFePorIndice(0, xml, true);
  EXPECT_EQ(0u, proc.find("<nfeProc"));
  EXPECT_NE(std::string::npos, proc.find("<nProt>135150001686732</nProt>"));
  EXPECT_EQ(1, TxndNFeXmlUtils::ContarNFeXPath(xml));
  EXPECT_EQ(0, TxndNFeXmlUtils::ContarNFeXPath(test::Fixture("nfe200_retEnviNFe_103.xml")));
}

TEST(XmlSearch, AttributeOfATagAnywhere) {
  const std::string xml = test::Fixture("nfe310_nfeProc_autorizada_5itens.xml");
  EXPECT_EQ("3.10", TxndNFeXmlUtils::ObterAtributoTag(xml, "infNFe", "versao"));
  EXPECT_EQ("1", TxndNFeXmlUtils::ObterAtributoTag(xml, "det", "nItem"));
  EXPECT_EQ("", TxndNFeXmlUtils::ObterAtributoTag(xml, "infNFe", "inexistente"));
}

class XmlSearchErrors : public ::testing::TestWithParam<test::RaiseCase> {};

TEST_P(XmlSearchErrors, RaiseWithTheirMessage) { test::ExpectRaises(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    XmlSearch, XmlSearchErrors,
    ::testing::Values(
        test::RaiseCase{"IdMissing", [] { ObterIdNFe("<retEnviNFe><cStat>103</cStat></retEnviNFe>"); },
                        "ExndNFeException", "Campo Id não encontrado para nota fiscal"},
        test::RaiseCase{"AttributeOnMalformedXml",
                        [] { TxndNFeXmlUtils::ObterAtributoTag("<infNFe versao=", "infNFe", "versao"); },
                        "ExndNFeException", "Problema ao localizar o atributo : versao  na tag: infNFe do Xml"}),
    test::CaseName);

}  // namespace
}  // namespace xnd
