// A note that cannot be written: the exception and message of each bad
// input, nothing appended to LoteNFe; and the life cycle around Salvar.
#include <gtest/gtest.h>

#include <regex>

#include "tests/datasets/NotaDataSets.h"
#include "tests/nfe/NFeTestSupport.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

const char* const kDataInvalida200 =
    " Data de Emissão no Formato inválido.Utilizar YYYY-MM-DD para NF-e 2.0 ou YYYY-MM-DDTHH:mm:ssTZD para NF-e 3.10";
const char* const kDataInvalida110 =
    " Data de Emissão no Formato inválido. Utilizar YYYY-MM-DD para NF-e 2.0 ou YYYY-MM-DDTHH:mm:ssTZD para NF-e 3.10";

class GeracaoErrosTest : public ::testing::Test {
 protected:
  std::unique_ptr<TxndNFeCustomDataSet> Nota(TVersaoEsquema aVersao, const char* aNota,
                                             const std::string& aDicionario = "") {
    auto engine = CriarEngineComDicionario(aVersao, aDicionario);
    engine->SetDiretorioLogErro(FTemp.Path());
    PreencherDeXml(*engine, NotaDeTeste(aNota));
    return engine;
  }
  // Sets one field of the note's current record of a dataset and posts it.
  static void Definir(TxndNFeCustomDataSet& aEngine, const std::string& aCampo, const std::string& aValor) {
    TXmlFieldNFe& campo = aEngine.CampoPorNome(aCampo);
    TClientDataSet& dataSet = *campo.DataSet();
    dataSet.Edit();
    campo.SetAsString(aValor);
    dataSet.Post();
  }
  // What Salvar raised; the note must not have reached LoteNFe.
  static TRaised SalvarSemNota(TxndNFeCustomDataSet& aEngine) {
    const TRaised raised = Capture([&] { aEngine.Salvar(); });
    EXPECT_EQ(aEngine.LoteNFe().Count(), 0);
    EXPECT_EQ(aEngine.State(), dsInsert);
    return raised;
  }

  TempDir FTemp;
};

TEST_F(GeracaoErrosTest, ANoteWithoutIdentificationFailsInTheKeyFirst) {
  for (TVersaoEsquema versao : {pl_005a, pl_006e, pl_008a}) {
    auto engine = CriarEngineComDicionario(versao);
    engine->SetDiretorioLogErro(FTemp.Path());
    const TRaised raised = Capture([&] { engine->ConverterAuto(); });
    if (versao == pl_005a) {
      EXPECT_EQ(raised, (TRaised{"ExndNFeCheckParams", kDataInvalida110}));
    } else {
      EXPECT_EQ(raised, (TRaised{"ExndNFeCheckTXT", "O campo CNPJ:  deve ser um número Inteiro"}));
    }
    EXPECT_EQ(Capture([&] { engine->ConvPartB(); }),
              (TRaised{"ExndNFeDataSetException",
                       "Parte B - Identificaçãcão da Nota Fiscal eletrônica não foi preenchida."}));
  }
}

struct CasoChave {
  const char* Nome;
  TVersaoEsquema Versao;
  const char* Nota;
  const char* Campo;
  const char* Valor;
  TRaised Esperado;
};

void PrintTo(const CasoChave& aCaso, std::ostream* aOut) { *aOut << aCaso.Nome; }

class GeracaoChaveTest : public GeracaoErrosTest, public ::testing::WithParamInterface<CasoChave> {};

TEST_P(GeracaoChaveTest, TheKeyIsRefusedWithItsMessage) {
  const CasoChave& caso = GetParam();
  auto engine = Nota(caso.Versao, caso.Nota);
  Definir(*engine, caso.Campo, caso.Valor);

  EXPECT_EQ(SalvarSemNota(*engine), caso.Esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Entradas, GeracaoChaveTest,
    ::testing::Values(
        CasoChave{"pl_008a_DhEmiVazioComDEmiPreenchido", pl_008a, "nota310.xml", "dhEmi_B09", "",
                  {"ExndNFeCheckParams", kDataInvalida200}},
        CasoChave{"pl_008a_DhEmiSemFuso", pl_008a, "nota310.xml", "dhEmi_B09", "2026-03-10T09:30:00",
                  {"ExndNFeCheckParams", std::string("2026-03-10T09:30:00") + kDataInvalida200}},
        CasoChave{"pl_006e_DataBrasileira", pl_006e, "nota200.xml", "dEmi_B09", "10/03/2026",
                  {"ExndNFeCheckParams", std::string("10/03/2026") + kDataInvalida200}},
        CasoChave{"pl_005f_DataBrasileira", pl_005f, "nota110.xml", "dEmi_B09", "10/03/2026",
                  {"ExndNFeCheckParams", std::string("10/03/2026") + kDataInvalida110}},
        CasoChave{"pl_008a_CNPJNaoNumerico", pl_008a, "nota310.xml", "CNPJ_C02", "1234567800019X",
                  {"ExndNFeCheckTXT", "O campo CNPJ: 1234567800019X deve ser um número Inteiro"}},
        CasoChave{"pl_005f_CNPJNaoNumerico", pl_005f, "nota110.xml", "CNPJ_C02", "1234567800019X",
                  {"ExndNFeCheckTXT", "O campo CNPJ: 1234567800019X deve ser um número Inteiro"}},
        CasoChave{"pl_008a_NumeroNaoNumerico", pl_008a, "nota310.xml", "nNF_B08", "12A45",
                  {"ExndNFeCheckTXT",
                   "Os campos da chave de acesso devem ser numéricos: cUF = 35, mod = 55, serie = 1, nNF = 12A45, "
                   "tpEmis = 1, cNF = 12345678"}},
        CasoChave{"pl_006e_CNFDeNoveDigitos", pl_006e, "nota200.xml", "cNF_B03", "123456789",
                  {"ExndCheckParams", "O Código da nota(cNF) \"123456789\", excede o máximo de 8 dígitos (Manual 4.01)"}}),
    [](const ::testing::TestParamInfo<CasoChave>& aInfo) { return std::string(aInfo.param.Nome); });

// A dictionary that lets a number longer than its place in the key through.
TEST_F(GeracaoErrosTest, AKeyLongerThan44DigitsIsRefused) {
  const std::string dicionario = FTemp.Write(
      "NFeDataSets.xml", std::regex_replace(LerArquivoTexto(DicionarioInstalado()),
                                            std::regex("nome=\"nNF_B08\" tamanho=\"9\""), "nome=\"nNF_B08\" tamanho=\"12\""));
  auto engine = Nota(pl_008a, "nota310.xml", dicionario);
  Definir(*engine, "nNF_B08", "1234567890");

  const TRaised raised = SalvarSemNota(*engine);

  EXPECT_EQ(raised.ClassName, "ExndCheckParams");
  EXPECT_TRUE(std::regex_match(
      raised.Message,
      std::regex("A Chave da NFe 35260312345678000195550011234567890112345678[0-9] deve possuir exatamente 44 dígitos\\.")))
      << raised.Message;
  EXPECT_EQ(engine->CampoPorNome("Id_A03").AsString(), "NFe35260312345678000195550010000123451123456783");
}

TEST_F(GeracaoErrosTest, AValueOutsideTheDictionaryListStopsSalvar) {
  auto engine = Nota(pl_008a, "nota310.xml");
  TXmlDataSetNFe& n = engine->Parte('N');
  engine->Parte('H').First();
  n.Edit();
  n.FieldByName("CST_N12").SetAsString("99");

  const TRaised raised = SalvarSemNota(*engine);

  EXPECT_EQ(raised, (TRaised{"ExndNFeDataSetException",
                             "Conteúdo 99 é inválido para o campo CST_N12 [" +
                                 n.FieldByName("CST_N12").DisplayLabel() + "]."}));
}

TEST_F(GeracaoErrosTest, AnUnknownSchemaPackageIsRefused) {
  EXPECT_EQ(Capture([] { CriarEngineNFe(static_cast<TVersaoEsquema>(17)); }),
            (TRaised{"ExndNFeDataSetException", "Versão de esquema 17 não suportada."}));
}

TEST_F(GeracaoErrosTest, SalvarWithoutDictionaryChangesNothing) {
  auto engine = CriarEngineNFe(pl_006f);
  engine->SetDiretorioLogErro(FTemp.Path());

  EXPECT_EQ(Capture([&] { engine->Salvar(); }),
            (TRaised{"ExndNfeDataSetConfigException", "Arquivo Estrutura do XML não configurado."}));
  EXPECT_EQ(engine->State(), dsInactive);
  EXPECT_EQ(engine->StateItem(), dsInactive);
}

TEST_F(GeracaoErrosTest, SalvarAppendsTheNoteAndKeepsItsKey) {
  auto engine = Nota(pl_005f, "nota110.xml");
  Definir(*engine, "cNF_B03", "12345");

  engine->Salvar();
  engine->Salvar();

  ASSERT_EQ(engine->LoteNFe().Count(), 2);
  EXPECT_EQ(engine->LoteNFe()[0], engine->LoteNFe()[1]);
  EXPECT_EQ(engine->LoteNFe()[1], engine->UltimoXml());
  EXPECT_EQ(engine->CampoPorNome("cNF_B03").AsString(), "000012345");
  EXPECT_EQ("NFe" + engine->UltimaChave(), engine->CampoPorNome("Id_A03").AsString());
  EXPECT_EQ(engine->UltimaChave().size(), 44u);
  EXPECT_EQ(engine->UltimoXml().rfind("<infNFe Id=\"NFe" + engine->UltimaChave() + "\" versao=\"1.10\">", 0), 0u);
  EXPECT_EQ(engine->State(), dsBrowse);
  EXPECT_EQ(engine->StateItem(), dsBrowse);
}

}  // namespace
}  // namespace xnd::test
