// The public notes of ../shared/fixtures entered into the datasets and
// written again: the engine of their layout gives back their infNFe and
// their access key.
#include <gtest/gtest.h>

#include "tests/datasets/NotaDataSets.h"
#include "tests/support/SampleDocuments.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

TEST(GeracaoAmostrasTest, TheAuthorised310NoteComesBackWithPl008a) {
  const std::string amostra = SharedFixture("nfe310_nfeProc_autorizada_5itens.xml");
  auto engine = CriarEngineComDicionario(pl_008a);
  PreencherDeXml(*engine, amostra);

  const std::string gerado = engine->ConverterAuto();

  EXPECT_SAME_NOTE(FormaCanonica(gerado), FormaCanonica(amostra));
  EXPECT_EQ(engine->CampoPorNome("Id_A03").AsString(), "NFe35150300822602000124550010009923461099234656");
}

// The 2.00 sample carries an empty <vol></vol>: a volume without data is not
// written, so the note comes back without it.
TEST(GeracaoAmostrasTest, TheAuthorised200NoteComesBackWithEveryTwoZeroZeroEngine) {
  std::string amostra = SharedFixture("nfe200_nfeProc_autorizada.xml");
  const std::string semVolumeVazio = StringReplace(amostra, "<vol></vol>", "", false);
  for (TVersaoEsquema versao : {pl_006e, pl_006f, pl_006g, pl_006i, pl_006j, pl_006m, pl_006n, pl_006p, pl_006q,
                                pl_006r, pl_006s}) {
    SCOPED_TRACE(static_cast<int>(versao));
    auto engine = CriarEngineComDicionario(versao);
    PreencherDeXml(*engine, amostra);

    const std::string gerado = engine->ConverterAuto();

    EXPECT_SAME_NOTE(FormaCanonica(gerado), FormaCanonica(semVolumeVazio));
    EXPECT_EQ(engine->CampoPorNome("Id_A03").AsString(), "NFe11101284613439000180550010000004881093997017");
  }
}

}  // namespace
}  // namespace xnd::test
