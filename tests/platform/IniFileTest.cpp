#include "platform/inifile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/files.h"
#include "tests/support/TempDir.h"

namespace xnd {
namespace {

using test::TempDir;

using IniFactory = std::unique_ptr<TCustomIniFile> (*)(const std::string&);

std::unique_ptr<TCustomIniFile> MakeIniFile(const std::string& aPath) {
  return std::make_unique<TIniFile>(aPath);
}
std::unique_ptr<TCustomIniFile> MakeMemIniFile(const std::string& aPath) {
  return std::make_unique<TMemIniFile>(aPath);
}

struct IniKind {
  const char* Name;
  IniFactory Make;
};
const IniKind kKinds[] = {{"TIniFile", MakeIniFile}, {"TMemIniFile", MakeMemIniFile}};

std::vector<std::string> Keys(TCustomIniFile& aIni, const std::string& aSection) {
  TStringList keys;
  aIni.ReadSection(aSection, keys);
  return keys.Items();
}

// Saved by a Windows program: Windows-1252 bytes, CR LF, no final line break.
constexpr const char* kWindowsIni =
    "; Configura\xE7\xE3o gerada no Windows\r\n"
    "Orfa=1\r\n"
    "[NFE]\r\n"
    "  UF = SP  \r\n"
    "Cidade=S\xE3o Paulo\r\n"
    "uf=RJ\r\n"
    "Entre Aspas=\"  com espa\xE7os  \"\r\n"
    "Simples='x'\r\n"
    "Misturadas=\"x'\r\n"
    ";Comentario=sim\r\n"
    "SemIgual\r\n"
    "Vazio=\r\n"
    "\r\n"
    "[ Mail ]\r\n"
    "Porta=587\r\n"
    "Ligado=1\r\n"
    "Hexa=$1F\r\n"
    "HexaC=0x10\r\n"
    "Texto=abc\r\n"
    "Negativo=-2\r\n"
    "Ultima=fim";

struct ReadCase {
  const char* Section;
  const char* Ident;
  const char* Expected;
};

class WindowsIniReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(WindowsIniReadTest, ReadsAsWindowsDoes) {
  const TempDir dir;
  const std::string path = dir.Write("nfeConfig.ini", kWindowsIni);
  const ReadCase& c = GetParam();
  for (const IniKind& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    EXPECT_EQ(kind.Make(path)->ReadString(c.Section, c.Ident, "<default>"), c.Expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsIniReadTest,
    testing::Values(ReadCase{"NFE", "UF", "SP"}, ReadCase{"nfe", "uf", "SP"},
                    ReadCase{" nfe ", " Uf ", "SP"}, ReadCase{"Nfe", "CIDADE", "São Paulo"},
                    ReadCase{"NFE", "Entre Aspas", "  com espaços  "},
                    ReadCase{"NFE", "Simples", "x"}, ReadCase{"NFE", "Misturadas", "\"x'"},
                    ReadCase{"NFE", ";Comentario", "<default>"},
                    ReadCase{"NFE", "Comentario", "<default>"},
                    ReadCase{"NFE", "SemIgual", "<default>"}, ReadCase{"NFE", "Vazio", ""},
                    ReadCase{"NFE", "Orfa", "<default>"}, ReadCase{"", "Orfa", "<default>"},
                    ReadCase{"MAIL", "ultima", "fim"}, ReadCase{"MAIL", "UF", "<default>"},
                    ReadCase{"Outra", "UF", "<default>"}));

TEST(WindowsIni, NumbersAndBooleans) {
  const TempDir dir;
  const std::string path = dir.Write("nfeConfig.ini", kWindowsIni);
  for (const IniKind& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    const auto ini = kind.Make(path);
    EXPECT_EQ(ini->ReadInteger("mail", "Porta", 25), 587);
    EXPECT_EQ(ini->ReadInteger("mail", "Negativo", 0), -2);
    EXPECT_EQ(ini->ReadInteger("mail", "Hexa", 0), 31);
    EXPECT_EQ(ini->ReadInteger("mail", "HexaC", 0), 16);
    EXPECT_EQ(ini->ReadInteger("mail", "Texto", 7), 7);
    EXPECT_EQ(ini->ReadInteger("mail", "Falta", 7), 7);
    EXPECT_EQ(ini->ReadInteger("nfe", "Vazio", 7), 7);
    EXPECT_TRUE(ini->ReadBool("mail", "Ligado", false));
    EXPECT_TRUE(ini->ReadBool("mail", "Porta", false));
    EXPECT_TRUE(ini->ReadBool("mail", "Texto", true));
    EXPECT_FALSE(ini->ReadBool("mail", "Texto", false));
    EXPECT_TRUE(ini->ReadBool("mail", "Falta", true));
  }
}

TEST(WindowsIni, ListsSectionsAndKeysInFileOrder) {
  const TempDir dir;
  const std::string path = dir.Write("nfeConfig.ini", kWindowsIni);
  for (const IniKind& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    const auto ini = kind.Make(path);
    TStringList sections;
    ini->ReadSections(sections);
    EXPECT_EQ(sections.Items(), (std::vector<std::string>{"NFE", "Mail"}));
    EXPECT_EQ(Keys(*ini, "nfe"), (std::vector<std::string>{"UF", "Cidade", "Entre Aspas", "Simples",
                                                           "Misturadas", "Vazio"}));
    TStringList values;
    ini->ReadSectionValues("NFE", values);
    EXPECT_EQ(values.Text(),
              "UF=SP\r\nCidade=São Paulo\r\nEntre Aspas=  com espaços  \r\nSimples=x\r\n"
              "Misturadas=\"x'\r\nVazio=\r\n");
    EXPECT_TRUE(ini->SectionExists("mail"));
    EXPECT_FALSE(ini->SectionExists("Danfe"));
    EXPECT_TRUE(ini->ValueExists("nfe", "CIDADE"));
    EXPECT_FALSE(ini->ValueExists("nfe", "SemIgual"));
  }
}

class LineEndingTest : public testing::TestWithParam<const char*> {};

TEST_P(LineEndingTest, ReadsWithOrWithoutAFinalLineEnd) {
  const std::string e = GetParam();
  const TempDir dir;
  const std::string body = "[A]" + e + "k1=v1" + e + "[B]" + e + "k2=v2";
  for (const std::string& text : {body, body + e}) {
    const std::string path = dir.Write("a.ini", text);
    for (const IniKind& kind : kKinds) {
      SCOPED_TRACE(kind.Name);
      const auto ini = kind.Make(path);
      EXPECT_EQ(ini->ReadString("A", "k1", ""), "v1");
      EXPECT_EQ(ini->ReadString("B", "k2", ""), "v2");
      EXPECT_EQ(ini->ReadString("A", "k2", "none"), "none");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Endings, LineEndingTest, testing::Values("\r\n", "\n", "\r"));

TEST(IniFile, Utf8WithBom) {
  const TempDir dir;
  const std::string path = dir.Write("bom.ini", "\xEF\xBB\xBF[S]\r\nK=ação €\r\n");
  for (const IniKind& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    EXPECT_EQ(kind.Make(path)->ReadString("s", "k", ""), "ação €");
  }
}

// ---------------------------------------------------------------------------
// Writing

constexpr const char* kSmallWindowsIni =
    "; coment\xE1rio\r\n"
    "[NFE]\r\n"
    "  UF = SP  \r\n"
    "uf=RJ\r\n"
    "\r\n"
    "[MAIL]\r\n"
    "Porta=25";

// The content above after the writes of WriteSample.
constexpr const char* kSmallIniAfterWrites =
    "; comentário\r\n"
    "[NFE]\r\n"
    "UF=MG\r\n"
    "uf=RJ\r\n"
    "Novo=São Paulo\r\n"
    "\r\n"
    "[MAIL]\r\n"
    "Porta=587\r\n"
    "\r\n"
    "[Danfe]\r\n"
    "Ligado=1\r\n"
    "Desligado=0\r\n";

void WriteSample(TCustomIniFile& aIni) {
  aIni.WriteString("nfe", "uf", "MG");
  aIni.WriteString("NFE", "Novo", "São Paulo");
  aIni.WriteInteger("mail", "PORTA", 587);
  aIni.WriteBool("Danfe", "Ligado", true);
  aIni.WriteBool("DANFE", "Desligado", false);
}

TEST(IniFile, WritesThroughAndKeepsTheRestOfTheFile) {
  const TempDir dir;
  const std::string path = dir.Write("nfeConfig.ini", kSmallWindowsIni);
  TIniFile ini(path);
  WriteSample(ini);
  EXPECT_EQ(dir.Read("nfeConfig.ini"), kSmallIniAfterWrites);

  TIniFile again(path);
  EXPECT_EQ(again.ReadString("NFE", "UF", ""), "MG");
  EXPECT_EQ(again.ReadString("nfe", "novo", ""), "São Paulo");
  EXPECT_EQ(again.ReadInteger("Mail", "Porta", 0), 587);
  EXPECT_TRUE(again.ReadBool("danfe", "ligado", false));
  EXPECT_FALSE(again.ReadBool("danfe", "desligado", true));
}

TEST(IniFile, ReadsTheFileAsItIsNow) {
  const TempDir dir;
  const std::string path = dir.File("nfeConfig.ini");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("NFE", "UF", "<default>"), "<default>");
  EXPECT_FALSE(FileExists(path)) << "reading does not create the file";
  dir.Write("nfeConfig.ini", "[NFE]\r\nUF=BA\r\n");
  EXPECT_EQ(ini.ReadString("NFE", "UF", ""), "BA");
  ini.WriteString("NFE", "CNPJ", "1");
  EXPECT_EQ(dir.Read("nfeConfig.ini"), "[NFE]\r\nUF=BA\r\nCNPJ=1\r\n");
}

TEST(MemIniFile, KeepsChangesInMemoryUntilUpdateFile) {
  const TempDir dir;
  const std::string path = dir.Write("nfeConfig.ini", kSmallWindowsIni);
  TMemIniFile ini(path);
  WriteSample(ini);
  dir.Write("nfeConfig.ini", "[NFE]\r\nUF=BA\r\n");
  EXPECT_EQ(ini.ReadString("NFE", "UF", ""), "MG") << "the file is read once";
  EXPECT_EQ(ini.GetText(), kSmallIniAfterWrites);

  ini.UpdateFile();
  EXPECT_EQ(dir.Read("nfeConfig.ini"), kSmallIniAfterWrites);
  TMemIniFile again(path);
  EXPECT_EQ(again.ReadString("nfe", "novo", ""), "São Paulo");
}

TEST(MemIniFile, AMissingFileIsEmptyAndCreatedByUpdateFile) {
  const TempDir dir;
  const std::string path = dir.File("novo.ini");
  TMemIniFile ini(path);
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections.Count(), 0);
  ini.WriteString("NFE", "UF", "SP");
  ini.WriteString("MAIL", "Porta", "25");
  EXPECT_FALSE(FileExists(path));
  ini.UpdateFile();
  EXPECT_EQ(dir.Read("novo.ini"), "[NFE]\r\nUF=SP\r\n\r\n[MAIL]\r\nPorta=25\r\n");
}

TEST(IniFile, DeleteKeyAndEraseSection) {
  const TempDir dir;
  for (const IniKind& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    const std::string path =
        dir.Write("a.ini", "[A]\r\nk=1\r\nK=2\r\nj=3\r\n\r\n[B]\r\nx=1\r\n[Vazia]\r\n");
    const auto ini = kind.Make(path);
    ini->DeleteKey("a", "K");
    ini->EraseSection("b");
    EXPECT_FALSE(ini->ValueExists("A", "k"));
    EXPECT_EQ(ini->ReadString("A", "j", ""), "3");
    EXPECT_FALSE(ini->SectionExists("B"));
    EXPECT_FALSE(ini->SectionExists("Vazia")) << "a section without keys does not count";
    TStringList sections;
    ini->ReadSections(sections);
    EXPECT_EQ(sections.Items(), (std::vector<std::string>{"A", "Vazia"}));
    ini->UpdateFile();
    EXPECT_EQ(dir.Read("a.ini"), "[A]\r\nj=3\r\n\r\n[Vazia]\r\n");
  }
}

TEST(IniFile, AFileThatCannotBeWrittenRaisesInOutError) {
  const TempDir dir;
  const std::string path = dir.File("sem/pasta.ini");
  const std::string message =
      "Cannot open file \"" + path + "\": " + std::string(std::strerror(ENOENT));
  TIniFile ini(path);
  try {
    ini.WriteString("NFE", "UF", "SP");
    ADD_FAILURE() << "TIniFile wrote to " << path;
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), message);
  }
  TMemIniFile mem(path);
  mem.WriteString("NFE", "UF", "SP");
  try {
    mem.UpdateFile();
    ADD_FAILURE() << "TMemIniFile wrote to " << path;
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

}  // namespace
}  // namespace xnd
