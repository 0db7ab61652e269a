// Realistic notes of each layout entered into the datasets, written by the
// engine of their package, signed by AssinarLote with the test PKI and
// checked against the national schemas and by xmlsec1.
#include <gtest/gtest.h>

#include "external/xndGovUtils.h"
#include "nfe/xndNFe.h"
#include "tests/datasets/NotaDataSets.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"
#include "tests/support/XmlSecVerify.h"

namespace xnd::test {
namespace {

struct CasoLeiaute {
  const char* Nome;
  TVersaoEsquema Versao;
  const char* Nota;
  TVersaoManual Manual;
  const char* Pacote;
  const char* Esquema;
};

void PrintTo(const CasoLeiaute& aCaso, std::ostream* aOut) { *aOut << aCaso.Nome; }

class GeracaoEsquemasTest : public ::testing::TestWithParam<CasoLeiaute> {
 protected:
  // The note signed by AssinarLote, as the component hands it to EnviarLote.
  std::string Assinar(const std::string& aInfNFe, TVersaoManual aManual) {
    TxndNFe nfe;
    nfe.SetDiretorioLogErro(FTemp.Path() + "erros/");
    nfe.SetUF("SP");
    nfe.SetVersaoManual(aManual);
    nfe.SetCaminhoCertificado(TestPki::Instance().CompanyPfx());
    nfe.SetSenhaCertificado(TestPki::Password);
    std::string assinado;
    nfe.AssinarLote(EmNFe(aInfNFe), assinado);
    return assinado;
  }

  TempDir FTemp;
  ScopedEnv FHome{"HOME", FTemp.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FTemp.Path() + "data"};
};

TEST_P(GeracaoEsquemasTest, TheNoteComesBackAsEnteredAndIsValidAfterSigning) {
  const CasoLeiaute& caso = GetParam();
  const std::string nota = NotaDeTeste(caso.Nota);
  auto engine = CriarEngineComDicionario(caso.Versao);
  PreencherDeXml(*engine, nota);

  const std::string gerado = engine->ConverterAuto();

  EXPECT_SAME_NOTE(FormaCanonica(gerado), FormaCanonica(nota));
  const std::string esquemas = std::string(XND_SHARED_DIR) + "/schemas/" + caso.Pacote + "/";
  if (!DirectoryExists(esquemas)) GTEST_SKIP() << "national schemas not found in " << esquemas;
  const std::string assinado = Assinar(gerado, caso.Manual);
  TxndGovUtils utils;
  try {
    utils->ValidateWithSchema(assinado, NFeNamespace, esquemas + caso.Esquema);
  } catch (const std::exception&) {
    ADD_FAILURE() << utils->GetValidationErrors();
  }
  const XmlSecVerdict verdict = VerifyWithXmlSec(assinado, "infNFe");
  EXPECT_TRUE(verdict.Verified) << verdict.Output;
}

INSTANTIATE_TEST_SUITE_P(
    Leiautes, GeracaoEsquemasTest,
    ::testing::Values(CasoLeiaute{"pl_005f_PL_005f", pl_005f, "nota110.xml", vm30, "PL_005f", "nfe_v1.10.xsd"},
                      CasoLeiaute{"pl_006s_PL_006u", pl_006s, "nota200.xml", vm40, "PL_006u", "nfe_v2.00.xsd"},
                      CasoLeiaute{"pl_008a_PL_008a", pl_008a, "nota310.xml", vm50a, "PL_008a", "nfe_v3.10.xsd"},
                      CasoLeiaute{"pl_008a_PL_008i2", pl_008a, "nota310.xml", vm50a, "PL_008i2", "nfe_v3.10.xsd"}),
    [](const ::testing::TestParamInfo<CasoLeiaute>& aInfo) { return std::string(aInfo.param.Nome); });

// Layout 3.10: a note without recipient (as an NFC-e may be), and one whose
// recipient has no address, leave out the empty groups and stay valid.
class GeracaoDestinatarioTest : public GeracaoEsquemasTest {};

TEST_F(GeracaoDestinatarioTest, ARecipientOrItsAddressLeftEmptyIsLeftOutInLayout310) {
  const std::string nota = NotaDeTeste("nota310.xml");
  const auto sem = [&nota](const std::string& aInicio, const std::string& aFim) {
    std::string texto = nota;
    const std::size_t inicio = texto.find(aInicio);
    texto.erase(inicio, texto.find(aFim, inicio) + aFim.size() - inicio);
    return texto;
  };
  struct Caso {
    std::string Nota;
    std::string Ausente;
  };
  const std::vector<Caso> casos = {{sem("<dest>", "</dest>"), "<dest>"},
                                   {sem("<enderDest>", "</enderDest>"), "<enderDest>"}};
  const std::string esquemas = std::string(XND_SHARED_DIR) + "/schemas/PL_008i2/";
  for (const Caso& caso : casos) {
    auto engine = CriarEngineComDicionario(pl_008a);
    PreencherDeXml(*engine, caso.Nota);
    const std::string gerado = engine->ConverterAuto();
    EXPECT_EQ(gerado.find(caso.Ausente), std::string::npos) << gerado;
    EXPECT_SAME_NOTE(FormaCanonica(gerado), FormaCanonica(caso.Nota));
    if (!DirectoryExists(esquemas)) continue;
    TxndGovUtils utils;
    try {
      utils->ValidateWithSchema(Assinar(gerado, vm50a), NFeNamespace, esquemas + "nfe_v3.10.xsd");
    } catch (const std::exception&) {
      ADD_FAILURE() << caso.Ausente << " " << utils->GetValidationErrors();
    }
  }
}

}  // namespace
}  // namespace xnd::test
