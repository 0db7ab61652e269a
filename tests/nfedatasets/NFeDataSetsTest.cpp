// The entry component: the engine it owns and replaces, the note's life
// cycle through Incluir and Salvar, the rule runs around the engine's
// Salvar, and what each failure leaves behind.
#include <gtest/gtest.h>

#include <typeinfo>

#include "datasets/xndNFeDataSets.h"
#include "tests/nfe/NFeTestSupport.h"
#include "tests/nfedatasets/NotaEntrada.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

const TRaised kSemDicionario{"ExndNfeDataSetConfigException", "Arquivo Estrutura do XML não configurado."};

// The last line of the exception log beside the program (the engine keeps
// an empty log directory).
std::string UltimaLinhaDoLog() {
  const std::vector<std::string> linhas = LogLines(ProgramDirectory() + "nfe_exception.log");
  return linhas.empty() ? std::string() : linhas.back();
}

std::string Handle(TxndNFeDataSets& aEntrada, char aParte) {
  return aEntrada.Engine().Parte(aParte).FieldByName("handle").AsString();
}

TEST(NFeDataSetsTest, ANewComponentHasAPl006fEngineUntilAPackageOrDictionaryIsSet) {
  TxndNFeDataSets entrada;
  EXPECT_EQ(typeid(entrada.Engine()), typeid(TxndDS_pl006f));
  EXPECT_EQ(entrada.VersaoEsquema(), pl_005a);
  EXPECT_EQ(entrada.XMLDicionario(), "");
  EXPECT_EQ(entrada.State(), dsInactive);
  EXPECT_EQ(entrada.StateItem(), dsInactive);
  EXPECT_TRUE(entrada.ListDataSets().empty());

  entrada.SetXMLDicionario(DicionarioInstalado());

  EXPECT_EQ(typeid(entrada.Engine()), typeid(TxndDS_pl005a));
  EXPECT_EQ(entrada.XMLDicionario(), DicionarioInstalado());
  EXPECT_FALSE(entrada.ListDataSets().empty());
}

TEST(NFeDataSetsTest, EachSaveAppendsOneNoteAndTheHandlesGoOnAcrossNotes) {
  TxndNFeDataSets entrada;
  Configurar(entrada, pl_008a);
  EntrarNota(entrada, 1, 2, true);
  EXPECT_EQ(entrada.State(), dsInsert);
  EXPECT_EQ(entrada.StateItem(), dsInactive);
  const int handleB1 = StrToInt(Handle(entrada, 'B'));

  entrada.Salvar();

  ASSERT_EQ(entrada.LoteNFe().Count(), 1);
  const std::string primeira = entrada.LoteNFe()[0];
  EXPECT_EQ(primeira.rfind("<infNFe Id=\"NFe", 0), 0u) << primeira;
  EXPECT_TRUE(primeira.ends_with("</infNFe>"));
  EXPECT_NE(primeira.find("<nNF>1</nNF>"), std::string::npos);
  EXPECT_EQ(entrada.State(), dsBrowse);
  EXPECT_EQ(entrada.StateItem(), dsBrowse);

  EntrarNota(entrada, 2, 1, true);
  EXPECT_EQ(entrada.State(), dsInsert);
  EXPECT_GT(StrToInt(Handle(entrada, 'B')), handleB1);
  entrada.Salvar();

  ASSERT_EQ(entrada.LoteNFe().Count(), 2);
  EXPECT_EQ(entrada.LoteNFe()[0], primeira);
  EXPECT_NE(entrada.LoteNFe()[1].find("<nNF>2</nNF>"), std::string::npos);
  // Saving again without Incluir writes the same note once more.
  entrada.Salvar();
  ASSERT_EQ(entrada.LoteNFe().Count(), 3);
  EXPECT_EQ(entrada.LoteNFe()[2], entrada.LoteNFe()[1]);
}

TEST(NFeDataSetsTest, TheNormalisingRulesRunBeforeTheNoteIsWritten) {
  TxndNFeDataSets entrada;
  Configurar(entrada, pl_008a);
  EntrarNota(entrada, 1, 1, true);
  Escrever(entrada, {{"verProc_B27", ""}});
  entrada.SetValidaRegrasNegocioVarno(true);

  entrada.Salvar();

  ASSERT_EQ(entrada.LoteNFe().Count(), 1);
  EXPECT_NE(entrada.LoteNFe()[0].find("<verProc>1.0</verProc>"), std::string::npos) << entrada.LoteNFe()[0];
}

TEST(NFeDataSetsTest, AManualRuleViolationIsRaisedAfterTheNoteIsInTheBatch) {
  TxndNFeDataSets entrada;
  Configurar(entrada, pl_006s);
  EntrarNota(entrada, 1, 1, false);
  Escrever(entrada, {{"serie_B07", "890"}});
  entrada.SetValidaRegrasNegocio(true);

  const TRaised raised = Capture([&] { entrada.Salvar(); });

  const std::string mensagem =
      "[GB07]: 266 - Rejeição: Série utilizada fora da faixa permitida no WebService (0-899).\r\n"
      "Verifique o Campo: serie_B07";
  EXPECT_EQ(raised, (TRaised{"ExndNFeRuleException", mensagem}));
  EXPECT_EQ(entrada.LoteNFe().Count(), 1);
  EXPECT_EQ(entrada.State(), dsBrowse);

  // Skipped by name, the same note saves cleanly.
  entrada.SetExcecoesDeRegras("GB07");
  EXPECT_EQ(Capture([&] { entrada.Salvar(); }), TRaised{});
  EXPECT_EQ(entrada.LoteNFe().Count(), 2);
}

TEST(NFeDataSetsTest, SettingThePackageOrTheDictionaryReplacesTheEngine) {
  TxndNFeDataSets entrada;
  Configurar(entrada, pl_006s);
  EntrarNota(entrada, 1, 1, false);
  entrada.Salvar();
  ASSERT_EQ(entrada.LoteNFe().Count(), 1);

  // The same dictionary again: a new engine, nothing entered, no notes.
  entrada.SetXMLDicionario(entrada.XMLDicionario());
  EXPECT_EQ(entrada.XMLDicionario(), DicionarioInstalado());
  EXPECT_EQ(entrada.LoteNFe().Count(), 0);
  EXPECT_EQ(entrada.State(), dsInactive);
  EXPECT_EQ(entrada.Engine().Parte('B').RecordCount(), 0);

  EntrarNota(entrada, 1, 1, false);
  entrada.Salvar();
  entrada.SetVersaoEsquema(pl_008a);

  EXPECT_EQ(typeid(entrada.Engine()), typeid(TxndDS_pl008a));
  EXPECT_EQ(entrada.LoteNFe().Count(), 0);
  EXPECT_EQ(entrada.XMLDicionario(), "");
  EXPECT_EQ(Capture([&] { entrada.Salvar(); }), kSemDicionario);
}

TEST(NFeDataSetsTest, IncluirWithoutDictionaryOnlyStartsTheNote) {
  TxndNFeDataSets entrada;
  entrada.SetVersaoEsquema(pl_008a);

  entrada.Incluir();

  EXPECT_EQ(entrada.State(), dsInsert);
  EXPECT_EQ(Capture([&] { entrada.Salvar(); }), kSemDicionario);
  EXPECT_TRUE(IsLogLine(UltimaLinhaDoLog(), kSemDicionario.ClassName, kSemDicionario.Message));
  EXPECT_EQ(entrada.State(), dsInsert);
  EXPECT_EQ(entrada.LoteNFe().Count(), 0);
}

TEST(NFeDataSetsTest, AFailedSaveKeepsTheStateAndAppendsNothing) {
  struct Caso {
    const char* Nome;
    bool Incluir;
    std::vector<std::pair<std::string, std::string>> Campos;
    TRaised Esperado;
  };
  TxndNFeDataSets referencia;
  Configurar(referencia, pl_008a);
  const std::string rotuloNatOp = referencia.Engine().CampoPorNome("natOp_B04").DisplayLabel();
  const std::string rotuloTpAmb = referencia.Engine().CampoPorNome("tpAmb_B24").DisplayLabel();
  const std::string dicaTpAmb = referencia.Engine().CampoPorNome("tpAmb_B24").TextoDica();
  const std::vector<Caso> casos = {
      {"required field empty", true, {{"natOp_B04", ""}},
       {"ExndNFeDataSetException",
        "O Campo [natOp_B04] referente a [" + rotuloNatOp + "] deve ser preenchido." +
            referencia.Engine().CampoPorNome("natOp_B04").TextoDica()}},
      {"value outside the list", true, {{"tpAmb_B24", "7"}},
       {"ExndNFeDataSetException", "Conteúdo 7 é inválido para o campo tpAmb_B24 [" + rotuloTpAmb + "]." + dicaTpAmb}},
      {"no Incluir: the key cannot be built", false, {},
       {"ExndNFeCheckTXT", "O campo CNPJ:  deve ser um número Inteiro"}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    TxndNFeDataSets entrada;
    Configurar(entrada, pl_008a);
    if (caso.Incluir) EntrarNota(entrada, 1, 1, true);
    Escrever(entrada, caso.Campos);
    const TDataSetState antes = entrada.State();

    EXPECT_EQ(Capture([&] { entrada.Salvar(); }), caso.Esperado);
    EXPECT_TRUE(IsLogLine(UltimaLinhaDoLog(), caso.Esperado.ClassName, caso.Esperado.Message)) << UltimaLinhaDoLog();
    EXPECT_EQ(entrada.State(), antes);
    EXPECT_EQ(entrada.LoteNFe().Count(), 0);
  }
}

TEST(NFeDataSetsTest, AnUnknownPackageChangesNothing) {
  TxndNFeDataSets entrada;
  Configurar(entrada, pl_006s);
  TxndNFeCustomDataSet* const engine = &entrada.Engine();
  const TRaised esperado{"ExndNFeDataSetException", "Versão de esquema 17 não suportada."};

  EXPECT_EQ(Capture([&] { entrada.SetVersaoEsquema(static_cast<TVersaoEsquema>(17)); }), esperado);

  EXPECT_TRUE(IsLogLine(UltimaLinhaDoLog(), esperado.ClassName, esperado.Message));
  EXPECT_EQ(entrada.VersaoEsquema(), pl_006s);
  EXPECT_EQ(&entrada.Engine(), engine);
  EXPECT_EQ(entrada.XMLDicionario(), DicionarioInstalado());
}

TEST(NFeDataSetsTest, AMissingDictionaryLeavesAnEngineWithoutDictionary) {
  TempDir temp;
  const std::string faltando = temp.Path() + "NFeDataSets.xml";
  TxndNFeDataSets entrada;
  Configurar(entrada, pl_008a);
  const TRaised esperado{"ExndDataSetFileNotFoundException", "Arquivo:  " + faltando + " não encontrado."};

  EXPECT_EQ(Capture([&] { entrada.SetXMLDicionario(faltando); }), esperado);

  EXPECT_TRUE(IsLogLine(UltimaLinhaDoLog(), esperado.ClassName, esperado.Message));
  EXPECT_EQ(typeid(entrada.Engine()), typeid(TxndDS_pl008a));
  EXPECT_EQ(entrada.XMLDicionario(), "");
  EXPECT_EQ(Capture([&] { entrada.Salvar(); }), kSemDicionario);
}

TEST(NFeDataSetsTest, AnAssignedBatchListIsTheOneSalvarAppendsTo) {
  TxndNFeDataSets entrada;
  Configurar(entrada, pl_008a);
  auto lista = std::make_unique<TStringList>();
  lista->Add("nota anterior");
  entrada.SetLoteNFe(std::move(lista));
  EntrarNota(entrada, 1, 1, true);

  entrada.Salvar();

  ASSERT_EQ(entrada.LoteNFe().Count(), 2);
  EXPECT_EQ(entrada.LoteNFe()[0], "nota anterior");
  entrada.SetLoteNFe(nullptr);
  EXPECT_EQ(entrada.LoteNFe().Count(), 0);
}

}  // namespace
}  // namespace xnd::test
