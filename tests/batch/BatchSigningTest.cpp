// Batch signing: note count, contingency rules, the signing loop, signature
// normalisation and the CC-e event Id.
#include <gtest/gtest.h>

#include "tests/batch/BatchTestSupport.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

constexpr const char* Wrapper = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">";

// ---- Contingency rules --------------------------------------------------------

struct ContingencyCase {
  const char* Name;
  TVersaoManual Versao;
  TModoOperacao Modo;
  const char* TpEmis;  // nullptr: no tpEmis tag
  const char* Extra;   // inside ide
  TRaised Expected;
  bool LoggedInErrorDir;
};

constexpr const char* Just15 =
    "<dhCont>2015-03-10T10:00:00-03:00</dhCont><xJust>Falha na SEFAZ.</xJust>";
constexpr const char* Just14 =
    "<dhCont>2015-03-10T10:00:00-03:00</dhCont><xJust>Falha na SEFAZ</xJust>";
// 14 code points, 15 bytes.
constexpr const char* Just14Accented = "<xJust>Falha técnica!</xJust>";

const TRaised R556{
    "ExndNFeException",
    "556 - Rejeição: Justificativa de entrada em contingência não deve ser informada para tipo de "
    "emissão normal"};
const TRaised R557{"ExndNFeException",
                   "557 - Rejeição: A Justificativa de entrada em contingência deve ser informada"};
const TRaised R15{"ExndNFeException",
                  "A justificativa para entrada em contingência deve ter no mínimo 15 dígitos."};
const TRaised RSvcAn{
    "ExndNFeModoOperacaoException",
    "No Modo Operação SVCAN (SVC-AN), o tipo emissão (tpEmis) deve ser igual a 6."};
const TRaised RSvcRs{
    "ExndNFeModoOperacaoException",
    "No Modo Operação SVCRS (SVC-RS), o tipo emissão (tpEmis) deve ser igual a 7."};

class ContingencyTest : public BatchFixture,
                        public ::testing::WithParamInterface<ContingencyCase> {};

TEST_P(ContingencyTest, AppliesTheRulesOfTheManualVersionAndTheOperationMode) {
  const ContingencyCase& c = GetParam();
  FNFe->SetVersaoManual(c.Versao);
  FNFe->SetModoOperacao(c.Modo);
  const std::string tpEmis =
      c.TpEmis == nullptr ? "" : std::string("<tpEmis>") + c.TpEmis + "</tpEmis>";
  const std::string note = std::string(Wrapper) + "<infNFe Id=\"NFe" + TestKey(1) + "\"><ide>" +
                           tpEmis + c.Extra + "</ide></infNFe></NFe>";

  EXPECT_EQ(Capture([&] { FNFe->VerificarContingencia(note); }), c.Expected);
  const std::vector<std::string> log = ErrorLog();
  if (c.LoggedInErrorDir) {
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(IsLogLine(log[0], c.Expected.ClassName, c.Expected.Message)) << log[0];
  } else {
    EXPECT_TRUE(log.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ContingencyTest,
    ::testing::Values(
        ContingencyCase{"NormalWithoutFields", vm50a, moNormal, "1", "", {}, false},
        ContingencyCase{"NormalWithXJustInFreeText", vm50a, moNormal, "1",
                        "<infCpl>ver xJust do contrato</infCpl>", R556, true},
        ContingencyCase{"NormalWithDhCont", vm40, moNormal, "1",
                        "<dhCont>2015-03-10T10:00:00-03:00</dhCont>", R556, true},
        ContingencyCase{"ContingencyWithoutFields", vm40, moNormal, "2", "", R557, true},
        ContingencyCase{"JustificationOf15", vm50, moNormal, "5", Just15, {}, false},
        ContingencyCase{"JustificationOf14", vm50a, moNormal, "6", Just14, R15, true},
        ContingencyCase{"JustificationCountsCodePoints", vm50a, moNormal, "3", Just14Accented, R15,
                        true},
        ContingencyCase{"DhContWithoutJustification", vm50a, moNormal, "4",
                        "<dhCont>2015-03-10T10:00:00-03:00</dhCont>", R15, true},
        ContingencyCase{"UnknownType",
                        vm50a,
                        moNormal,
                        "8",
                        "",
                        {"ExndNFeException", "Tipo de Emissão 8 é válido. Utilize (1,2,3,4 ou 5)"},
                        true},
        ContingencyCase{"NoType",
                        vm40,
                        moNormal,
                        nullptr,
                        "",
                        {"ExndNFeException", "Tipo de Emissão  é válido. Utilize (1,2,3,4 ou 5)"},
                        true},
        ContingencyCase{"SvcAnNeedsSix", vm50a, moSVCAN, "7", Just15, RSvcAn, false},
        ContingencyCase{"SvcAnWithSix", vm50a, moSVCAN, "6", Just15, {}, false},
        ContingencyCase{"SvcRsWithSix", vm50a, moSVCRS, "6", Just15, RSvcRs, false},
        ContingencyCase{"JustificationBeforeSvcRs", vm50a, moSVCRS, "6", Just14, R15, true},
        ContingencyCase{
            "Manual30HasNoFieldRules", vm30, moNormal, "9", "<xJust>x</xJust>", {}, false},
        ContingencyCase{"Manual30KeepsTheSvcRules", vm30, moSVCAN, "1", "", RSvcAn, false},
        ContingencyCase{"Manual202aWithSvcRs", vm202a, moSVCRS, "7", "", {}, false}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

// ---- Signing loop ---------------------------------------------------------------

TEST_F(BatchFixture, SignsEveryNoteWrappedInTheTemplateInBatchOrder) {
  FNFe->SetCaracteresRemoverAcentos("ã");
  const std::string first =
      TestNote(TestKey(1), "1", "<natOp>Venda de produção nº 1 &amp;quot;A&amp;quot;</natOp>");
  const std::string second = TestNote(TestKey(2));
  const std::string batch =
      "<?xml version=\"1.0\"?>\r\n<lote>\r\n  " + first + "\r\n  " + second + "\r\n</lote>";
  std::string signed_ = "previous content";

  FNFe->AssinarLote(batch, signed_);

  // Only the configured accents go; "º" goes in the signing envelope.
  const std::string firstPrepared =
      StringReplace(StringReplace(StringReplace(first, "produção", "produçao"), "nº", "no"),
                    "&amp;quot;", "&quot;");
  const std::string expected = std::string(Wrapper) + firstPrepared + FakeSignature + "</NFe>" +
                               Wrapper + second + FakeSignature + "</NFe>";
  EXPECT_EQ(signed_, expected);
  const std::vector<std::string> calls = FGovX.Log.Calls();
  const auto at = [&](const std::string& aCall) {
    return std::find(calls.begin(), calls.end(), aCall) - calls.begin();
  };
  EXPECT_LT(at("CheckCertificate"), at("SignXml=NFe" + TestKey(1)));
  EXPECT_LT(at("SignXml=NFe" + TestKey(1)), at("SignXml=NFe" + TestKey(2)));
  EXPECT_EQ(Calls("Sig.ElementName="), std::vector<std::string>(2, "Sig.ElementName=infNFe"));
}

TEST_F(BatchFixture, BatchSizeIsCheckedBeforeAnythingIsSigned) {
  std::string fifty;
  for (int i = 1; i <= 50; ++i) fifty += TestNote(TestKey(i));
  std::string signed_;

  EXPECT_EQ(Capture([&] { FNFe->AssinarLote(fifty + TestNote(TestKey(51)), signed_); }),
            (TRaised{"ExndNFeMaxSizeException", "O Lote não pode possuir mais de 50 notas."}));
  EXPECT_TRUE(Calls("SignXml").empty());

  FNFe->AssinarLote(fifty, signed_);
  EXPECT_EQ(Calls("SignXml").size(), 50u);
  EXPECT_EQ(TxndNFeXmlUtils::ContarNFe(signed_), 50);
}

TEST_F(BatchFixture, ATextWithoutTheIdAttributeFirstHasNoNotes) {
  std::string signed_;
  const std::string note = "<infNFe versao=\"3.10\" Id=\"NFe" + TestKey(1) + "\"><ide/></infNFe>";

  EXPECT_EQ(Capture([&] { FNFe->AssinarLote(note, signed_); }),
            (TRaised{"ExndNFeException", "Não foi possível encontrar notas fiscais no arquivo"}));
  ASSERT_EQ(ErrorLog().size(), 1u);
}

TEST_F(BatchFixture, ASigningFailureStopsTheBatchKeepingTheNotesSignedBefore) {
  FScript.SignFailsAt = 2;
  FScript.SignError = "Chave privada indisponível";
  std::string signed_;

  EXPECT_EQ(Capture([&] { FNFe->AssinarLote(Repeat(TestNote(TestKey(1)), 3), signed_); }),
            (TRaised{"ExndSignatureException", "Chave privada indisponível"}));
  EXPECT_EQ(signed_, std::string(Wrapper) + TestNote(TestKey(1)) + FakeSignature + "</NFe>");
  EXPECT_EQ(Calls("SignXml").size(), 2u);
}

TEST_F(BatchFixture, AnUnusableCertificateStopsTheBatchBeforeSigning) {
  FGovX.CheckError = "Certificado vencido";
  std::string signed_;

  EXPECT_EQ(Capture([&] { FNFe->AssinarLote(TestNote(TestKey(1)), signed_); }),
            (TRaised{"ExndCertStoreException", "Certificado vencido"}));
  EXPECT_TRUE(Calls("SignXml").empty());
}

TEST_F(BatchFixture, AMissingSigningTemplateNamesTheFullPath) {
  FNFe->SetDiretorioTemplates(FTemp.MakeDir("Modelos/vm50a"));
  std::string signed_;

  EXPECT_EQ(Capture([&] { FNFe->AssinarLote(TestNote(TestKey(1)), signed_); }),
            (TRaised{"ExndTemplateNotFoundException",
                     "Arquivo de template não encontrado: " + FTemp.Path() +
                         "Modelos/vm50a/SP/assinar_nota.xml"}));
}

TEST_F(BatchFixture, EveryBatchReadsTheSigningTemplateAgain) {
  FNFe->SetDiretorioTemplates(FTemp.MakeDir("Modelos/vm50a"));
  const std::string note = TestNote(TestKey(1));
  std::string signed_;
  for (const std::string wrapper :
       {Wrapper, "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" a=\"2\">"}) {
    FTemp.Write("Modelos/vm50a/SP/assinar_nota.xml", wrapper + "%s</NFe>");
    FNFe->AssinarLote(note + note, signed_);
    EXPECT_EQ(signed_, Repeat(wrapper + note + FakeSignature + "</NFe>", 2));
  }
}

// ---- Signature normalisation -----------------------------------------------------

struct NormalizationCase {
  const char* Name;
  std::string Signed;
  std::string Expected;
};

class NormalizationTest : public ::testing::TestWithParam<NormalizationCase> {};

TEST_P(NormalizationTest, CleansTheSignatureValuesAndTheLineBreaks) {
  EXPECT_EQ(TxndNFe::NormalizarAssinatura(GetParam().Signed), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NormalizationTest,
    ::testing::Values(
        NormalizationCase{
            "CompactSignatureUnchanged",
            std::string("<NFe><infNFe Id=\"a\">x  y</infNFe>") + FakeSignature + "</NFe>",
            std::string("<NFe><infNFe Id=\"a\">x  y</infNFe>") + FakeSignature + "</NFe>"},
        NormalizationCase{
            "OddRunsKeepOneBlankEvenRunsNone",
            "<SignatureValue>AB  CD   EF    GH</SignatureValue><KeyInfo>  <X509Data/>   </KeyInfo>",
            "<SignatureValue>ABCD EFGH</SignatureValue><KeyInfo><X509Data/> </KeyInfo>"},
        NormalizationCase{
            "FirstDeclarationAndEveryCrLf",
            "<?xml version=\"1.0\"?>\r\n<NFe>\r\n<a>\n</a></NFe><?xml version=\"1.0\"?>",
            "<NFe><a>\n</a></NFe><?xml version=\"1.0\"?>"},
        NormalizationCase{"ValueWithoutItsOpeningTagLeftAlone",
                          "<NFe><infNFe Id=\"a\"><infCpl>x  y</infCpl></infNFe><KeyInfo "
                          "Id=\"k\"/></KeyInfo></NFe>",
                          "<NFe><infNFe Id=\"a\"><infCpl>x  y</infCpl></infNFe><KeyInfo "
                          "Id=\"k\"/></KeyInfo></NFe>"}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

// ---- CC-e event Id ---------------------------------------------------------------

struct IdCCeCase {
  const char* Name;
  std::string Chave;
  int Sequencia;
  std::string Expected;  // the Id, or the message of ExndNFeGerarIdCCeException
  bool Fails;
};

class IdCCeTest : public BatchFixture, public ::testing::WithParamInterface<IdCCeCase> {};

TEST_P(IdCCeTest, BuildsTheEventIdFromAValidKeyAndSequence) {
  const IdCCeCase& c = GetParam();
  std::string id;
  const TRaised raised = Capture([&] { id = FNFe->GerarIdCCe(c.Chave, c.Sequencia); });
  if (c.Fails) {
    EXPECT_EQ(raised, (TRaised{"ExndNFeGerarIdCCeException", c.Expected}));
    ASSERT_EQ(ErrorLog().size(), 1u);
  } else {
    EXPECT_EQ(raised, TRaised{});
    EXPECT_EQ(id, c.Expected);
  }
}

const std::string Key44 = "35150300822602000124550010009923461099234656";
const char* const BadKey = "Chave inválida para Gerar ID da CCe.";
const char* const BadSequence = "Sequência Evento inválida para Gerar ID da CCe.";

INSTANTIATE_TEST_SUITE_P(
    Cases, IdCCeTest,
    ::testing::Values(IdCCeCase{"SequenceOne", Key44, 1, "ID110110" + Key44 + "01", false},
                      IdCCeCase{"SequenceOfThreeDigits", Key44, 100, "ID110110" + Key44 + "100",
                                false},
                      IdCCeCase{"SequenceZero", Key44, 0, BadSequence, true},
                      IdCCeCase{"KeyOf43", Key44.substr(1), 1, BadKey, true},
                      IdCCeCase{"KeyCountsCodePoints", "é" + Key44.substr(1), 1,
                                "ID110110é" + Key44.substr(1) + "01", false},
                      IdCCeCase{"KeyCheckedBeforeSequence", "", 0, BadKey, true}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

}  // namespace
}  // namespace xnd::test
