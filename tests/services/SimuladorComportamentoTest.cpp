// Answers of a real authoriser that hosts must handle, as the simulator gives
// them when asked to: 213 for a note of another company than the client
// certificate's, 105 while a batch is "still processing", 656 for queries
// repeated too fast.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ServicosFixture.h"
#include "SimServicos.h"
#include "SimuladorFixture.h"
#include "platform/text.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

std::string CStat(const std::string& aXml) { return ObterValorTag("cStat", aXml); }

TEST(CNPJDoCertificadoTest, TakesTheFourteenDigitsAfterTheLastColon) {
  EXPECT_EQ(sim::CNPJDoCertificado(TestPki::CompanyName), "12345678000195");
  EXPECT_EQ(sim::CNPJDoCertificado("EMPRESA: A:B LTDA:98765432000110"), "98765432000110");
  for (const char* semCNPJ : {"", "EMPRESA TESTE LTDA", "EMPRESA:1234567800019",
                              "EMPRESA:123456780001955", "EMPRESA:1234567800019X"})
    EXPECT_EQ(sim::CNPJDoCertificado(semCNPJ), "") << semCNPJ;
}

// The 3.10 sample (emitter 00822602000124) sent by the test company
// (12345678000195) under manual 5.0a.
class ComportamentoSimuladorTest : public SimuladorFixture {
 protected:
  explicit ComportamentoSimuladorTest(const std::function<void(sim::TOpcoesSimulador&)>& aAjuste)
      : SimuladorFixture(aAjuste) {}

  void SetUp() override {
    if (!AmostrasDisponiveis())
      GTEST_SKIP() << "sample documents not found in " << DiretorioAmostras();
    UsarTemplatesInstalados("vm50a");
    FDados.VersaoManual = vm50a;
    FIntf = CriarInterfaceVersao(vm50a, FDados, FGovUtils, FGovX);
  }

  // The receipt of a batch of one note signed by the test company.
  std::string Enviar(const std::string& aNota) {
    const std::string lote = Format(TemplateInstalado("vm50a", "pedido_enviarnota.xml"), "1",
                                    "\n  " + Assinar(aNota) + "\n", "");
    const std::string recebimento = FIntf->EnviarLote("1", lote, false);
    EXPECT_EQ(CStat(recebimento), "103") << recebimento;
    return ObterNumeroRecibo(recebimento);
  }

  static std::string ComEmitente(const std::string& aCNPJ) {
    return StringReplace(UnsignedNfe310(), "<emit><CNPJ>00822602000124</CNPJ>",
                         "<emit><CNPJ>" + aCNPJ + "</CNPJ>", false);
  }

  static std::string Chave(const std::string& aNota) {
    return aNota.substr(aNota.find("Id=\"NFe") + 7, 44);
  }

  std::unique_ptr<TxndNFEInterface> FIntf;
};

class CNPJBaseTest : public ComportamentoSimuladorTest {
 protected:
  CNPJBaseTest()
      : ComportamentoSimuladorTest([](sim::TOpcoesSimulador& o) { o.VerificarCNPJBase = true; }) {}
};

TEST_F(CNPJBaseTest, ANoteOfAnotherCompanyIsRejectedWith213AndABranchOfTheSameIsAuthorised) {
  ASSERT_NE(UnsignedNfe310().find("<emit><CNPJ>00822602000124</CNPJ>"), std::string::npos);

  const std::string outra = FIntf->ConsultarRecibo(Enviar(UnsignedNfe310()));
  EXPECT_NE(outra.find("<cStat>213</cStat><xMotivo>Rejeicao: CNPJ-Base do Emitente difere do "
                       "CNPJ-Base do Certificado Digital</xMotivo>"),
            std::string::npos)
      << outra;
  EXPECT_EQ(outra.find("<nProt>"), std::string::npos);

  const std::string filial = FIntf->ConsultarRecibo(Enviar(ComEmitente("12345678000276")));
  EXPECT_NE(filial.find("<cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"),
            std::string::npos)
      << filial;
}

class LentoTest : public ComportamentoSimuladorTest {
 protected:
  LentoTest() : ComportamentoSimuladorTest([](sim::TOpcoesSimulador& o) { o.Lento = true; }) {}
};

TEST_F(LentoTest, TheFirstReceiptQueryOfEachBatchAnswers105ThenTheProtocols) {
  const std::string nRec = Enviar(UnsignedNfe310());
  const std::string primeira = FIntf->ConsultarRecibo(nRec);
  EXPECT_EQ(CStat(primeira), "105") << primeira;
  EXPECT_NE(primeira.find("<xMotivo>Lote em processamento</xMotivo>"), std::string::npos);
  EXPECT_EQ(primeira.find("<protNFe"), std::string::npos);

  const std::string segunda = FIntf->ConsultarRecibo(nRec);
  EXPECT_EQ(CStat(segunda), "104") << segunda;
  EXPECT_NE(segunda.find("<cStat>100</cStat>"), std::string::npos) << segunda;
}

class ConsumoIndevidoTest : public ComportamentoSimuladorTest {
 protected:
  static constexpr int Intervalo = 300;
  ConsumoIndevidoTest()
      : ComportamentoSimuladorTest([](sim::TOpcoesSimulador& o) {
          o.ConsumoIndevido = true;
          o.IntervaloConsultaMs = Intervalo;
        }) {}
};

TEST_F(ConsumoIndevidoTest, AQueryRepeatedWithinTheIntervalGets656AndAfterItTheAnswer) {
  const std::string nota = Assinar(UnsignedNfe310());
  const std::string chave = Chave(nota);
  const std::string nRec = Enviar(UnsignedNfe310());

  EXPECT_EQ(CStat(FIntf->ConsultarRecibo(nRec)), "104");
  EXPECT_EQ(CStat(FIntf->ConsultarNFe(chave)), "100");
  EXPECT_EQ(CStat(FIntf->StatusServico()), "107");

  const std::string recibo = FIntf->ConsultarRecibo(nRec);
  EXPECT_NE(recibo.find("<cStat>656</cStat><xMotivo>Rejeicao: Consumo Indevido</xMotivo>"),
            std::string::npos)
      << recibo;
  EXPECT_EQ(recibo.find("<protNFe"), std::string::npos);
  const std::string situacao = FIntf->ConsultarNFe(chave);
  EXPECT_EQ(CStat(situacao), "656") << situacao;
  EXPECT_EQ(situacao.find("<protNFe"), std::string::npos);
  EXPECT_EQ(CStat(FIntf->StatusServico()), "656");

  std::this_thread::sleep_for(std::chrono::milliseconds(Intervalo + 50));
  EXPECT_EQ(CStat(FIntf->ConsultarRecibo(nRec)), "104");
  EXPECT_EQ(CStat(FIntf->ConsultarNFe(chave)), "100");
  EXPECT_EQ(CStat(FIntf->StatusServico()), "107");
}

}  // namespace
}  // namespace xnd::test
