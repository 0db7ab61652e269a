#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "tests/support/TempDir.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {
namespace {

struct PathCase {
  const char* Name;
  const char* In;
  const char* Out;
};

class ManualFolder : public ::testing::TestWithParam<PathCase> {};

TEST_P(ManualFolder, IsCutAndASeparatorAdded) {
  std::string caminho = GetParam().In;
  RemoverPastaVersaoManual(caminho);
  EXPECT_EQ(GetParam().Out, caminho);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ManualFolder,
    ::testing::Values(
        PathCase{"NoVersionFolder", "/app/Templates", "/app/Templates/"},
        PathCase{"AlreadyEndsWithSeparator", "/app/Templates/", "/app/Templates/"},
        PathCase{"Vm40", "/app/Templates/vm40/", "/app/Templates/"},
        PathCase{"Vm50aLosesTheWholeFolder", "/app/Templates/vm50a/", "/app/Templates/"},
        PathCase{"UpperCaseWithUFBelow", "/app/Esquemas/VM30/SP/", "/app/Esquemas/"},
        // Tested in the order VM30, VM40, VM50: VM30 decides although VM40 comes first.
        PathCase{"ListOrderDecides", "/a/vm40/b/vm30/c", "/a/vm40/b/"},
        PathCase{"AccentsBeforeTheCut", "/ção/Ímpar/vm50/", "/ção/Ímpar/"},
        PathCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Paths, IncluirBarraFinal) {
  std::string vazio;
  IncluirBarraFinal(vazio);
  EXPECT_EQ("", vazio);
  std::string com = "/a/";
  IncluirBarraFinal(com);
  EXPECT_EQ("/a/", com);
  std::string sem = "/a";
  IncluirBarraFinal(sem);
  EXPECT_EQ("/a/", sem);
}

TEST(Paths, ApplicationDirectory) {
  EXPECT_EQ(ProgramDirectory(), DiretorioAplicacao());
  EXPECT_TRUE(DiretorioExiste(DiretorioAplicacao()));
  EXPECT_FALSE(DiretorioExiste(DiretorioAplicacao() + "nao-existe-xnd"));
}

TEST(Paths, ExpandAgainstTheProgramDirectory) {
  const test::TempDir dir;
  const std::string sub = dir.MakeDir("Log");
  const std::string file = dir.Write("nfeConfig.ini", "[NFE]\r\n");
  const std::string app = DiretorioAplicacao();

  EXPECT_EQ("", ExpandirCaminho(""));
  // Absolute: an existing directory gets its separator; anything else is left as it is.
  EXPECT_EQ(sub, ExpandirCaminho(sub.substr(0, sub.size() - 1)));
  EXPECT_EQ(file, ExpandirCaminho(file));
  EXPECT_EQ(dir.Path() + "falta", ExpandirCaminho(dir.Path() + "falta"));
  // Windows separators are turned round.
  std::string windows = sub;
  for (char& c : windows) c = c == '/' ? '\\' : c;
  windows.erase(0, 1);
  EXPECT_EQ(sub, ExpandirCaminho("/" + windows));
  // Relative: prefixed with the program directory, existing or not.
  EXPECT_EQ(app + "XmlDestinatario-xnd-falta/", ExpandirCaminho("XmlDestinatario-xnd-falta\\"));
  EXPECT_EQ(app + "./", ExpandirCaminho("."));
}

TEST(Paths, ResolveTriesTheProgramDirectoryFirst) {
  const test::TempDir dir;
  const std::string app = DiretorioAplicacao();
  // "Templates/" exists beside the program: an absolute "/Templates" is still
  // taken as it is, never as "<program>//Templates".
  ASSERT_TRUE(DirectoryExists(app + "Templates"));
  EXPECT_EQ("/Templates", ResolverCaminho("/Templates"));
  EXPECT_EQ("/Templates", ExpandirCaminho("/Templates"));
  EXPECT_EQ(app + "Templates/", ExpandirCaminho("\\Templates"));
  EXPECT_EQ(app + "./", ResolverCaminho("."));
  EXPECT_EQ("nao-existe-xnd", ResolverCaminho("nao-existe-xnd"));
  EXPECT_EQ(dir.Path(), ResolverCaminho(dir.Path().substr(0, dir.Path().size() - 1)));
}

}  // namespace
}  // namespace xnd
