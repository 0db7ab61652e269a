// Log files, text files and paths of xndGovUtils.
#include "tests/govutils/GovUtilsTestSupport.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

class GovUtilsFiles : public ::testing::Test {
 protected:
  TempDir FDir;
  std::unique_ptr<IxndGovUtils> FUtils = NewGovUtils();
};

TEST_F(GovUtilsFiles, MakeLogFileNameIsDeterministicAndSafe) {
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"env-lot", "123", "env-lot-123.xml"},
      {"sit", "35150300822602000124550010009923461099234656",
       "sit-35150300822602000124550010009923461099234656.xml"},
      {"ped", "a/b\\c:d*e?f\"g<h>i|j\tk", "ped-a_b_c_d_e_f_g_h_i_j_k.xml"},
      {"ped-sit", "", "ped-sit.xml"},
      {"", "42", "42.xml"},
      {"", "", "log.xml"},
      {"..", "", "log.xml"},
  };
  for (const auto& [kind, id, name] : cases) {
    EXPECT_EQ(name, FUtils->MakeLogFileName(kind, id));
    EXPECT_EQ(name, NewGovUtils()->MakeLogFileName(kind, id));
  }
}

struct LogEvent {
  std::string Name, Id, File, Content;
  bool operator==(const LogEvent&) const = default;
};

TEST_F(GovUtilsFiles, SaveLogWritesIntoTheDirectoryAndReportsTheFile) {
  std::vector<LogEvent> logs;
  std::vector<LogEvent> contents;
  FUtils->OnLog = [&](const std::string& n, const std::string& i, const std::string& f) {
    logs.push_back({n, i, f, ""});
  };
  FUtils->OnLogContent = [&](const std::string& n, const std::string& i, const std::string& f,
                             const std::string& c) {
    contents.push_back({n, i, f, c});
  };
  const std::string directory = FDir.File("logs/2015");  // missing, no trailing "/"
  const std::string request = "<consSitNFe>ação</consSitNFe>";
  const std::string path = FUtils->SaveLog(request, "ped-sit", directory, "", "3515");
  EXPECT_EQ(FDir.File("logs/2015/ped-sit-3515.xml"), path);
  EXPECT_EQ(request, FDir.Read("logs/2015/ped-sit-3515.xml"));
  const std::string named =
      FUtils->SaveLog("<retConsSitNFe/>", "sit", directory + "/", "resposta.xml", "3515");
  EXPECT_EQ(FDir.File("logs/2015/resposta.xml"), named);
  EXPECT_EQ("<retConsSitNFe/>", FDir.Read("logs/2015/resposta.xml"));
  EXPECT_EQ((std::vector<LogEvent>{{"ped-sit", "3515", path, ""}, {"sit", "3515", named, ""}}),
            logs);
  EXPECT_EQ((std::vector<LogEvent>{{"ped-sit", "3515", path, request},
                                   {"sit", "3515", named, "<retConsSitNFe/>"}}),
            contents);
}

TEST_F(GovUtilsFiles, SaveLogWithSavingOffOnlyReports) {
  std::vector<LogEvent> logs;
  FUtils->OnLog = [&](const std::string& n, const std::string& i, const std::string& f) {
    logs.push_back({n, i, f, ""});
  };
  FUtils->SetSaveLogs(VARIANT_FALSE);
  const std::string path = FUtils->SaveLog("<a/>", "env-lot", FDir.Path(), "", "9");
  EXPECT_EQ(FDir.File("env-lot-9.xml"), path);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ((std::vector<LogEvent>{{"env-lot", "9", path, ""}}), logs);
  FUtils->SetSaveLogs(VARIANT_TRUE);
  FUtils->SaveLog("<a/>", "env-lot", FDir.Path(), "", "9");
  EXPECT_TRUE(FileExists(path));
}

TEST_F(GovUtilsFiles, TextFilesAppendReplaceAndRead) {
  const std::string path =
      FDir.File("erros/nfe_exception.log");  // directory created on first write
  FUtils->AppendTextFile("linha 1 ação\r\n", path);
  FUtils->AppendTextFile("linha 2\r\n", path);
  EXPECT_EQ("linha 1 ação\r\nlinha 2\r\n", FUtils->ReadTextFile(path));
  FUtils->WriteTextFile("env-lot=env-lot-1.xml", path);
  EXPECT_EQ("env-lot=env-lot-1.xml", FUtils->ReadTextFile(path));
  const std::string missing = FDir.File("nada.txt");
  EXPECT_EQ("Arquivo não encontrado: " + missing,
            OleErrorOf([&] { FUtils->ReadTextFile(missing); }));
}

TEST_F(GovUtilsFiles, ResolvePathUsesTheProgramDirectoryForRelativePaths) {
  const std::string program = ProgramDirectory();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Templates\\vm50\\SP\\", program + "Templates/vm50/SP/"},
      {"Esquemas/./vm50/../vm40", program + "Esquemas/vm40"},
      {"", program},
      {"/var//log/./xnd/", "/var/log/xnd/"},
      {"/a/b/../../..", "/"},
      {"/a/b/..", "/a/"},
      {"\\opt\\xnd\\nfeConfig.ini", "/opt/xnd/nfeConfig.ini"},
  };
  for (const auto& [input, expected] : cases)
    EXPECT_EQ(expected, FUtils->ResolvePath(input)) << input;
}

TEST_F(GovUtilsFiles, DefaultDirectories) {
  const ScopedEnv tmp("TMPDIR", FDir.Path() + "tmp");
  EXPECT_EQ(FDir.Path() + "tmp/", FUtils->GetDefaultDirectory(1));
  EXPECT_EQ(ProgramDirectory(), FUtils->GetDefaultDirectory(0));
  EXPECT_EQ("Tipo de diretório padrão desconhecido: 7",
            OleErrorOf([&] { FUtils->GetDefaultDirectory(7); }));
}

}  // namespace
}  // namespace xnd::test
