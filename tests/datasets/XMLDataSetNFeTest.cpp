#include "datasets/xndXMLDataSetNFe.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/TempDir.h"
#include "types/xndNFeExceptions.h"

namespace xnd {
namespace {

// An indented dictionary with comments: B (top level) and its detail DUP.
constexpr const char* kDicionario = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- dicionário de teste -->
<Dicionario>
  <B>
    <campos>
      <!-- handle primeiro -->
      <campo nome="handle" tamanho="10"/>
      <campo nome="cUF_B02" tamanho="2" requerido="s" visible="s" tpnode="elemento" enum="35,41" dica="Tabela do IBGE" display="Código da UF"/>
      <campo nome="natOp_B04" tamanho="60" requerido="s" visible="s" tpnode="elemento"/>
      <campo nome="mod_B06" visible="S" tagvazia="s"/>
    </campos>
    <mestre/>
  </B>
  <!-- as duplicatas, detalhe de B -->
  <DUP>
    <campos>
      <campo nome="handle" tamanho="10"/>
      <campo nome="handle_B"/>
      <campo nome="nDup_Y08" tamanho="60" visible="s" tpnode="elemento"/>
    </campos>
    <mestre mastersource="B" masterfield="handle" keyfield="handle_B"/>
    <ignorado/>
  </DUP>
</Dicionario>
)";

// The lines of an exception log ("" when there is none).
std::vector<std::string> LogLines(const std::string& aFile) {
  std::vector<std::string> lines;
  if (!FileExists(aFile)) return lines;
  const std::string text = ReadFileBytes(aFile);
  for (std::string_view line : SplitLines(text)) lines.emplace_back(line);
  return lines;
}

class Engine : public testing::Test {
 protected:
  Engine() { FEngine.SetDiretorioLogErro(FTemp.Path()); }

  void Carregar(const std::string& aXml = kDicionario) {
    FEngine.SetXMLDicionario(FTemp.Write("NFeDataSets.xml", aXml));
  }
  TXmlDataSetNFe& B() { return FEngine.DataSetPorNome("B"); }
  TXmlDataSetNFe& Dup() { return FEngine.DataSetPorNome("DUP"); }
  std::string UltimaLinhaDoLog() const {
    const auto lines = LogLines(FTemp.File("nfe_exception.log"));
    return lines.empty() ? std::string() : lines.back();
  }
  // Runs aAction, expects an exception of class T with aMessage, and checks
  // the line it left in the engine's exception log.
  template <class T>
  void ExpectFailure(const std::function<void()>& aAction, const std::string& aClass,
                     const std::string& aMessage, bool aLogged = true) {
    try {
      aAction();
      ADD_FAILURE() << "no exception, expected " << aMessage;
    } catch (const T& e) {
      EXPECT_EQ(e.ClassName(), aClass);
      EXPECT_EQ(e.Message(), aMessage);
      if (aLogged) {
        EXPECT_TRUE(EndsText(" - " + aClass + " : " + aMessage, UltimaLinhaDoLog())) << UltimaLinhaDoLog();
      }
    }
  }

  test::TempDir FTemp;
  TxndXMLDataSetNFe FEngine;
};

TEST_F(Engine, LoadsDatasetsFieldsAndLinksFromAnIndentedDictionary) {
  Carregar();
  ASSERT_EQ(FEngine.ListDataSets().size(), 2u);
  EXPECT_EQ(FEngine.ListDataSets()[0]->Name(), "B");
  EXPECT_EQ(FEngine.ListDataSets()[1]->Name(), "DUP");

  std::vector<std::string> names;
  for (const auto& f : B().Fields()) names.push_back(f->FieldName());
  EXPECT_EQ(names, (std::vector<std::string>{"handle", "cUF_B02", "natOp_B04", "mod_B06"}));

  auto& cUF = static_cast<TXmlFieldNFe&>(B().FieldByName("cUF_B02"));
  EXPECT_EQ(cUF.Name(), "BcUF_B02");
  EXPECT_EQ(cUF.Size(), 2);
  EXPECT_TRUE(cUF.Required());
  EXPECT_TRUE(cUF.Visible());
  EXPECT_EQ(cUF.GetTpNode(), "elemento");
  EXPECT_EQ(cUF.GetEnum(), "35\r\n41\r\n");
  EXPECT_EQ(cUF.GetDica(), "Tabela do IBGE");
  EXPECT_EQ(cUF.DisplayLabel(), "Código da UF");
  EXPECT_FALSE(cUF.GetTagVazia());

  // "tamanho" carried over from the previous field; only "s" is true.
  auto& mod = static_cast<TXmlFieldNFe&>(B().FieldByName("mod_B06"));
  EXPECT_EQ(mod.Size(), 60);
  EXPECT_FALSE(mod.Visible());
  EXPECT_FALSE(mod.Required());
  EXPECT_TRUE(mod.GetTagVazia());
  EXPECT_EQ(mod.GetTpNode(), "");
  EXPECT_EQ(mod.DisplayLabel(), "mod_B06");
  EXPECT_EQ(Dup().FieldByName("handle_B").Size(), 10);

  EXPECT_EQ(B().NomeMestre(), "");
  EXPECT_EQ(Dup().NomeMestre(), "B");
  EXPECT_EQ(Dup().CampoMestre(), "handle");
  EXPECT_EQ(Dup().CampoChave(), "handle_B");
  EXPECT_EQ(B().FonteDados().DataSet(), &B());
  // A path written with backslashes is read with "/".
  const std::string file = FEngine.XMLDicionario();
  FEngine.SetXMLDicionario(StringReplace(file, "/", "\\"));
  EXPECT_EQ(FEngine.XMLDicionario(), file);
  EXPECT_EQ(FEngine.ListDataSets().size(), 2u);

  // Master-detail stays off until it is switched on.
  EXPECT_FALSE(FEngine.MestreDetalhe());
  EXPECT_EQ(Dup().MasterSource(), nullptr);
}

struct EnumCase {
  const char* Lista;
  std::vector<std::string> Valores;
};

void PrintTo(const EnumCase& aCase, std::ostream* aOut) { *aOut << aCase.Lista; }

class EnumGrammar : public testing::TestWithParam<EnumCase> {};

TEST_P(EnumGrammar, SplitsTheDictionaryList) {
  TXmlFieldNFe field;
  field.SetEnum("antigo");
  field.SetEnum(GetParam().Lista);
  EXPECT_EQ(field.EnumValues(), GetParam().Valores);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnumGrammar,
    testing::Values(EnumCase{"1,2,3", {"1", "2", "3"}}, EnumCase{"", {}},
                    EnumCase{" \t 1 , 2", {"1", "2"}},
                    EnumCase{R"("a b","x""y",z,)", {"a b", "x\"y", "z", ""}},
                    EnumCase{"1 2", {"1", "2"}}, EnumCase{"1,,2", {"1", "", "2"}},
                    EnumCase{R"("sem fim)", {"sem fim"}}, EnumCase{"um,", {"um", ""}}));

TEST_F(Engine, LookupsOfDatasetsAndFields) {
  Carregar();
  EXPECT_EQ(&FEngine.DataSetPorNome("dup"), &Dup());
  EXPECT_EQ(&FEngine.CampoPorNome("NDUP_y08"), &Dup().FieldByName("nDup_Y08"));
  // The first dataset holding a field of that name wins.
  EXPECT_EQ(&FEngine.CampoPorNome("handle"), &B().FieldByName("handle"));
  ExpectFailure<ExndDataSetException>([&] { FEngine.DataSetPorNome("xpto"); }, "ExndDataSetException",
                                      "Parte XPTO não encontrada.");
  ExpectFailure<ExndDataSetFieldNotFoundException>([&] { FEngine.CampoPorNome("xPto_Z99"); },
                                                   "ExndDataSetFieldNotFoundException",
                                                   "Campo xPto_Z99 não encontrado");
  // A field unknown to a dataset is the table's own error.
  EXPECT_THROW(B().FieldByName("nDup_Y08"), EDatabaseError);
}

TEST_F(Engine, ADatasetNamedInLowerCaseIsNeverFound) {
  std::string xml = kDicionario;
  xml.replace(xml.find("<DUP>"), 5, "<Dup>");
  xml.replace(xml.find("</DUP>"), 6, "</Dup>");
  Carregar(xml);
  ExpectFailure<ExndDataSetException>([&] { FEngine.DataSetPorNome("Dup"); }, "ExndDataSetException",
                                      "Parte DUP não encontrada.");
}

TEST_F(Engine, HandlesCountAcrossNotesAndReloads) {
  Carregar();
  std::vector<int> handles;
  for (int i = 0; i < 3; ++i) {
    FEngine.IncluirParte("B");
    handles.push_back(B().FieldByName("handle").AsInteger());
    B().FieldByName("cUF_B02").SetAsString("35");
    B().FieldByName("natOp_B04").SetAsString("Venda");
  }
  FEngine.SalvarParte("B");
  EXPECT_EQ(handles, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(B().RecordCount(), 3);

  FEngine.LimparDataSets();
  EXPECT_EQ(B().RecordCount(), 0);
  EXPECT_EQ(B().FieldCount(), 4);
  FEngine.IncluirParte("b");
  EXPECT_EQ(B().FieldByName("handle").AsString(), "4");

  // Loading the dictionary again keeps the counters too.
  Carregar();
  FEngine.IncluirParte("B");
  EXPECT_EQ(B().FieldByName("handle").AsInteger(), 5);
  EXPECT_EQ(FEngine.ProximoHandle(Dup(), false), 0);
}

TEST_F(Engine, DetailTakesItsMastersKeyAndFollowsIt) {
  Carregar();
  FEngine.AtivarMestreDetalhe(true);
  EXPECT_EQ(Dup().MasterSource(), &B().FonteDados());
  for (const char* natOp : {"primeira", "segunda"}) {
    FEngine.IncluirParte("B");
    B().FieldByName("cUF_B02").SetAsString("41");
    B().FieldByName("natOp_B04").SetAsString(natOp);
    FEngine.SalvarParte("B");
    for (int i = 0; i < 2; ++i) {
      FEngine.IncluirParte("DUP");
      EXPECT_EQ(Dup().FieldByName("handle_B").AsString(), B().FieldByName("handle").AsString());
      Dup().FieldByName("nDup_Y08").SetAsString(std::string(natOp) + "-" + std::to_string(i));
    }
    FEngine.SalvarParte("DUP");
  }
  B().First();
  EXPECT_EQ(Dup().RecordCount(), 2);
  EXPECT_EQ(Dup().FieldByName("nDup_Y08").AsString(), "primeira-0");
  FEngine.AtivarMestreDetalhe(false);
  EXPECT_EQ(Dup().RecordCount(), 4);
}

TEST_F(Engine, IncluirParteCancelsARecordHoldingOnlyItsHandle) {
  Carregar();
  FEngine.IncluirParte("B");
  FEngine.IncluirParte("B");  // the first one held nothing but its handle
  EXPECT_EQ(B().RecordCount(), 0);
  EXPECT_EQ(B().State(), dsInsert);
  // An invisible field does not count as data either.
  B().FieldByName("mod_B06").SetAsString("55");
  EXPECT_FALSE(FEngine.PossuiDados(B()));
  B().FieldByName("natOp_B04").SetAsString("Venda");
  EXPECT_TRUE(FEngine.PossuiDados(B()));
  // A detail's key field is its master's field name: not data.
  FEngine.IncluirParte("DUP");
  Dup().SetCampoMestre("handle_B");
  EXPECT_FALSE(FEngine.PossuiDados(Dup()));
}

struct PostCase {
  const char* Name;
  const char* CUF;
  const char* NatOp;
  const char* Message;  // "" when the post goes through
};

void PrintTo(const PostCase& aCase, std::ostream* aOut) { *aOut << aCase.Name; }

class PostChecks : public Engine, public testing::WithParamInterface<PostCase> {};

TEST_P(PostChecks, RequiredAndEnumChecks) {
  Carregar();
  FEngine.IncluirParte("B");
  B().FieldByName("cUF_B02").SetAsString(GetParam().CUF);
  B().FieldByName("natOp_B04").SetAsString(GetParam().NatOp);
  const std::string expected = GetParam().Message;
  if (expected.empty()) {
    FEngine.SalvarParte("B");
    EXPECT_EQ(B().RecordCount(), 1);
    return;
  }
  // The enum check carries no log directory: it logs beside the program.
  const bool enumCheck = StartsText("Conteúdo", expected);
  ExpectFailure<ExndDataSetException>([&] { FEngine.SalvarParte("B"); }, "ExndDataSetException", expected,
                                      !enumCheck);
  EXPECT_EQ(B().State(), dsInsert);
  EXPECT_EQ(B().RecordCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PostChecks,
    testing::Values(
        PostCase{"Filled", "35", "Venda", ""}, PostCase{"ZeroIsAValue", "41", "0", ""},
        PostCase{"EnumIgnoresCase", "35", "x", ""},
        PostCase{"BlanksOnly", "35", "   ", "O Campo [natOp_B04] referente a [natOp_B04] deve ser preenchido."},
        PostCase{"EmptyWithHint", "", "Venda",
                 "O Campo [cUF_B02] referente a [Código da UF] deve ser preenchido. Dica: Tabela do IBGE"},
        PostCase{"OutsideTheEnum", "3", "Venda",
                 "Conteúdo 3 é inválido para o campo cUF_B02 [Código da UF]. Dica: Tabela do IBGE"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FieldEnum, EmptyValuesPassAndMessagesEndWithoutHint) {
  TClientDataSet table;
  auto field = std::make_unique<TXmlFieldNFe>();
  field->SetFieldName("tpNF_B11");
  field->SetEnum("0,1");
  auto& tpNF = static_cast<TXmlFieldNFe&>(table.AddField(std::move(field)));
  table.CreateDataSet();
  table.Append();
  EXPECT_NO_THROW(tpNF.ValidarConteudo());
  tpNF.SetAsString("2");
  try {
    tpNF.ValidarConteudo();
    ADD_FAILURE();
  } catch (const ExndDataSetException& e) {
    EXPECT_EQ(e.Message(), "Conteúdo 2 é inválido para o campo tpNF_B11 [tpNF_B11].");
  }
}

TEST_F(Engine, OverLongValueIsRefusedNamingTheField) {
  Carregar();
  FEngine.IncluirParte("B");
  try {
    B().FieldByName("cUF_B02").SetAsString("351");
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'cUF_B02' holds at most 2 characters");
  }
  EXPECT_EQ(B().FieldByName("cUF_B02").AsString(), "");
}

// The writing primitives of the plain engine (accents removed through xndGovUtils).
TEST_F(Engine, WritesFieldsGroupsAndTemplates) {
  Carregar(R"(<D><C><c>
      <f nome="handle" tamanho="10"/>
      <f nome="xNome_C03" tamanho="60" visible="s" tpnode="elemento"/>
      <f nome="versao_A02" tamanho="4" visible="s"/>
      <f nome="fone_C16" tamanho="14" visible="s" tpnode="elemento" tagvazia="s"/>
    </c><m/></C></D>)");
  TXmlDataSetNFe& c = FEngine.DataSetPorNome("C");
  FEngine.IncluirParte("C");
  EXPECT_EQ(FEngine.GerarGrupo(c), "");  // nothing but the invisible handle
  auto campo = [&](const char* aNome) -> TXmlFieldNFe& { return FEngine.CampoPorNome(aNome); };
  campo("xNome_C03").SetAsString("Ação");
  campo("versao_A02").SetAsString("2.00");
  EXPECT_EQ(FEngine.GerarCampo(campo("xNome_C03")), "<xNome>Acao</xNome>");
  EXPECT_EQ(FEngine.GerarCampo(campo("versao_A02")), "versao=\"2.00\"");
  EXPECT_EQ(FEngine.GerarCampo(campo("fone_C16")), "<fone></fone>");
  EXPECT_EQ(FEngine.GerarCampo(campo("handle")), "");
  EXPECT_EQ(FEngine.GerarCampos(c, {"FONE_C16", "xNome_C03"}), "<fone></fone><xNome>Acao</xNome>");
  c.SetNomeGrupo("emit");
  EXPECT_EQ(FEngine.GerarGrupo(c), "<emit><xNome>Acao</xNome>versao=\"2.00\"<fone></fone></emit>");
  EXPECT_EQ(FEngine.ExpandirModelo("<x>@c(xNome_C03)|@c(*)</x>"),
            "<x><xNome>Acao</xNome>|<emit><xNome>Acao</xNome>versao=\"2.00\"<fone></fone></emit></x>");
  // A value never changes the structure of the document.
  campo("xNome_C03").SetAsString("A & B <x/> \"C\"");
  campo("versao_A02").SetAsString("\"/>");
  EXPECT_EQ(FEngine.GerarCampo(campo("xNome_C03")),
            "<xNome>A &amp; B &lt;x/&gt; &quot;C&quot;</xNome>");
  EXPECT_EQ(FEngine.GerarCampo(campo("versao_A02")), "versao=\"&quot;/&gt;\"");
  campo("xNome_C03").SetAsString("Null");
  EXPECT_EQ(FEngine.GerarCampo(campo("xNome_C03")), "");
}

// A subclass whose after-insert handler fails like a dataset check.
class FailingEngine : public TxndXMLDataSetNFe {
 public:
  void AoDepoisIncluir(TClientDataSet&) override {
    throw ExndDataSetException("Parte Z não encontrada.", DiretorioLogErro());
  }
};

TEST_F(Engine, IncluirAppendsToTopLevelDatasetsAndWrapsDatasetErrors) {
  Carregar();
  FEngine.IncluirParte("B");
  B().FieldByName("natOp_B04").SetAsString("pendente");
  FEngine.Incluir();
  EXPECT_EQ(B().State(), dsInsert);
  EXPECT_EQ(B().RecordCount(), 0);
  EXPECT_EQ(B().FieldByName("natOp_B04").AsString(), "");
  EXPECT_EQ(Dup().State(), dsBrowse);

  FailingEngine failing;
  failing.SetDiretorioLogErro(FTemp.Path());
  failing.SetXMLDicionario(FEngine.XMLDicionario());
  try {
    failing.Incluir();
    ADD_FAILURE();
  } catch (const ExndDataSetException&) {
    ADD_FAILURE() << "not wrapped";
  } catch (const ExndNFeDataSetException& e) {
    EXPECT_STREQ(e.ClassName(), "ExndNFeDataSetException");
    EXPECT_EQ(e.Message(), "Parte Z não encontrada.");
  }
}

// Dictionaries that do not load: each leaves its exception line, and the
// engine empty and ready for the next load.
struct LoadCase {
  const char* Name;
  std::string Xml;  // "" for a missing file
  std::string Class;
  std::string Message;  // %s is the file name
};

void PrintTo(const LoadCase& aCase, std::ostream* aOut) { *aOut << aCase.Name; }

class LoadFailures : public Engine, public testing::WithParamInterface<LoadCase> {};

TEST_P(LoadFailures, RaiseAndLeaveTheEngineEmpty) {
  Carregar();
  const std::string file = GetParam().Xml.empty() ? FTemp.File("nada.xml") : FTemp.Write("ruim.xml", GetParam().Xml);
  const std::string message = StringReplace(GetParam().Message, "%s", file);
  ExpectFailure<ExndNFeDataSetException>([&] { FEngine.SetXMLDicionario(file); }, GetParam().Class, message);
  EXPECT_TRUE(FEngine.ListDataSets().empty());
  EXPECT_EQ(FEngine.XMLDicionario(), file);
  Carregar();
  EXPECT_EQ(FEngine.ListDataSets().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFailures,
    testing::Values(
        LoadCase{"Missing", "", "ExndDataSetFileNotFoundException", "Arquivo:  %s não encontrado."},
        LoadCase{"NotXml", "isto não é XML", "ExndDataSetLoadTemplateException", "Erro no arquivo %s ."},
        LoadCase{"Doctype", "<!DOCTYPE D [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><D><A>&x;</A></D>",
                 "ExndDataSetLoadTemplateException", "Erro no arquivo %s ."},
        LoadCase{"EntityBomb",
                 "<?xml version=\"1.0\"?><!DOCTYPE b [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                 "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><D><B>&b;</B></D>",
                 "ExndDataSetLoadTemplateException", "Erro no arquivo %s ."},
        LoadCase{"NoLinkNode", "<D><B><campos><campo nome=\"handle\" tamanho=\"1\"/></campos></B></D>",
                 "ExndDataSetLoadTemplateException", "Erro no arquivo %s ."},
        LoadCase{"SecondDatasetNoLinkNode",
                 "<D><A><c><f nome=\"handle\" tamanho=\"1\"/></c><m/></A><B><c/></B></D>",
                 "ExndDataSetLoadTemplateException", "Erro no arquivo %s ."},
        LoadCase{"FirstFieldWithoutName", "<D><B><c><f tamanho=\"1\"/></c><m/></B></D>",
                 "ExndDataSetLoadTemplateException",
                 "Erro no arquivo %s : o primeiro campo de B não tem nome."}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Engine, PlatformErrorsOfADictionaryPassThrough) {
  struct Case {
    std::string Xml;
    std::string Message;
  };
  const std::vector<Case> cases = {
      {"<D><B><c><f nome=\"handle\" tamanho=\"dez\"/></c><m/></B></D>", "'dez' is not a valid integer value"},
      {"<D><B><c><f nome=\"handle\" tamanho=\"1\"/><f tamanho=\"2\"/></c><m/></B></D>",
       "Duplicate field name 'handle'"},
      {"<D><B><c><f nome=\"a-b\" tamanho=\"1\"/></c><m/></B></D>", "'Ba-b' is not a valid component name"},
      {"<D>texto<B/></D>", "'#text' is not a valid component name"},
  };
  for (const Case& c : cases) {
    try {
      Carregar(c.Xml);
      ADD_FAILURE() << c.Xml;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.Message);
    }
    EXPECT_TRUE(FEngine.ListDataSets().empty());
  }
  // A dataset without "handle" fails on its first append.
  Carregar("<D><B><c><f nome=\"x_B1\" tamanho=\"1\"/></c><m/></B></D>");
  try {
    FEngine.IncluirParte("B");
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'handle' not found");
  }
}

TEST_F(Engine, MasterMissingWhenLinkingFailsTheLoad) {
  FEngine.AtivarMestreDetalhe(true);
  std::string xml = kDicionario;
  xml.replace(xml.find("mastersource=\"B\""), 16, "mastersource=\"Q\"");
  ExpectFailure<ExndDataSetException>([&] { Carregar(xml); }, "ExndDataSetException", "Parte Q não encontrada.");
  EXPECT_TRUE(FEngine.ListDataSets().empty());
}

}  // namespace
}  // namespace xnd
