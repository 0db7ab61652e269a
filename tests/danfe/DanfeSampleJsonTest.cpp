// The JSON the report engine receives for the public samples, kept under
// tests/danfe/data/ as the report layouts' reference input. The test fails
// when the code writes anything else; XND_UPDATE_DANFE_JSON=1 rewrites the
// files from the code instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "danfe/xndNFeDanfeCCe.h"
#include "danfe/xndNFeDanfeDados.h"
#include "danfe/xndNFeDanfeSerializer.h"
#include "external/xndGovUtils.h"
#include "platform/files.h"
#include "tests/danfe/DanfeTestSupport.h"
#include "tests/support/SampleDocuments.h"

namespace xnd {
namespace {

std::string ArquivoJson(const std::string& aNome) {
  return std::string(XND_SOURCE_DIR) + "/tests/danfe/data/" + aNome;
}

void CompararOuGravar(const std::string& aNome, const std::string& aJson) {
  const std::string caminho = ArquivoJson(aNome);
  const char* atualizar = std::getenv("XND_UPDATE_DANFE_JSON");
  if (atualizar != nullptr && std::string(atualizar) == "1") {
    WriteFileBytes(caminho, aJson + "\n");
    return;
  }
  ASSERT_TRUE(FileExists(caminho)) << caminho;
  EXPECT_EQ(ReadFileBytes(caminho), aJson + "\n") << aNome << " is not what the serializer writes";
}

// The data sources in the order the DANFE component hands them over.
std::string JsonDaDanfe(TxndNFeDanfeDados& aDados) {
  return SerializarDataSources({aDados.DataSource(), aDados.DataSourceItens(),
                                aDados.DataSourceCobranca(), aDados.DataSourceMed(),
                                aDados.DataSourceVeic(), aDados.DataSourceRefNFe(),
                                aDados.DataSourceRefNF1A(), aDados.DataSourceRefProdutor(),
                                aDados.DataSourceRefCupomFiscal(), aDados.DataSourceRefCTe()});
}

TEST(DanfeSampleJsonTest, Nfe310OnManual50) {
  TxndNFeDanfeDados50 dados;
  test::FrasesDoComponente(dados);
  dados.SetXml(test::SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));
  dados.CarregarDados();
  CompararOuGravar("nfe310_5itens_vm50.json", JsonDaDanfe(dados));
}

TEST(DanfeSampleJsonTest, Nfe200OnManual40) {
  TxndNFeDanfeDados40 dados;
  test::FrasesDoComponente(dados);
  dados.SetXml(test::SharedFixture("nfe200_nfeProc_autorizada.xml"));
  dados.CarregarDados();
  CompararOuGravar("nfe200_vm40.json", JsonDaDanfe(dados));
}

TEST(DanfeSampleJsonTest, CCe) {
  TxndGovUtils govUtils;
  TxndCCeDadosImpressao cce(govUtils);
  cce.SetXml(test::SharedFixture("cce_procEventoNFe_135.xml"));
  cce.CarregarCCe();
  CompararOuGravar("cce_procEventoNFe_135.json", SerializarDataSources({cce.DataSource()}));
}

}  // namespace
}  // namespace xnd
