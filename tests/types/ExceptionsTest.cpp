#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <type_traits>

#include "external/xndGovUtilsIntf.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/TempDir.h"
#include "types/xndComLib.h"
#include "types/xndNFeExceptions.h"

namespace xnd {
namespace {

constexpr const char* kNFeLog = "nfe_exception.log";
constexpr const char* kEventosLog = "nfeeventos_exception.log";

struct ExceptionCase {
  const char* Name;
  const char* LogFile;
  std::function<void(const std::string&, const std::string&)> Raise;
  std::function<bool(const Exception&)> HasParent;
};

#define XND_CASE(Name, Parent, LogFile)                                                       \
  ExceptionCase {                                                                             \
    #Name, LogFile, [](const std::string& m, const std::string& d) { throw Name(m, d); },      \
        [](const Exception& e) { return dynamic_cast<const Parent*>(&e) != nullptr; }          \
  }

const ExceptionCase kCases[] = {
    XND_CASE(ExndNFeException, ExndException, kNFeLog),
    XND_CASE(ExndNFeEventosException, ExndException, kEventosLog),
    XND_CASE(ExndNFeConfigException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeLogNotFoundException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeAddressException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeMaxSizeException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeCheckParams, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeVersaoManualException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFEConvertDateException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFEConvertHoraException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeCheckTXT, ExndNFeException, kNFeLog),
    XND_CASE(ExndChaveNFeException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeRuleException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeModoOperacaoException, ExndNFeException, kNFeLog),
    XND_CASE(ExndEventosException, ExndNFeEventosException, kEventosLog),
    XND_CASE(ExndEventoCheckParams, ExndNFeEventosException, kEventosLog),
    XND_CASE(ExndEventoFileNotFoundException, ExndNFeEventosException, kEventosLog),
    XND_CASE(ExndEventoXmlDestinatario, ExndNFeEventosException, kEventosLog),
    XND_CASE(ExndEventoMaxSizeException, ExndNFeEventosException, kEventosLog),
    XND_CASE(ExndEventosAddressException, ExndNFeEventosException, kEventosLog),
    XND_CASE(ExndEventoLogNotFoundException, ExndNFeEventosException, kEventosLog),
    XND_CASE(ExndCCeReportException, ExndNFeEventosException, kEventosLog),
    XND_CASE(ExndNFeDirNotFoundException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeDataSetException, ExndNFeException, kNFeLog),
    XND_CASE(ExndDataSetException, ExndNFeDataSetException, kNFeLog),
    XND_CASE(ExndDataSetLoadTemplateException, ExndNFeDataSetException, kNFeLog),
    XND_CASE(ExndDataSetFileNotFoundException, ExndNFeDataSetException, kNFeLog),
    XND_CASE(ExndNfeDataSetConfigException, ExndNFeDataSetException, kNFeLog),
    XND_CASE(ExndDataSetFieldNotFoundException, ExndNFeDataSetException, kNFeLog),
    XND_CASE(ExndNFeGerarIdCCeException, ExndNFeException, kNFeLog),
    XND_CASE(ExndSoapException, ExndNFeException, kNFeLog),
    XND_CASE(ExndFileNotFoundException, ExndNFeException, kNFeLog),
    XND_CASE(ExndCheckParams, ExndNFeException, kNFeLog),
    XND_CASE(ExndTemplateNotFoundException, ExndNFeException, kNFeLog),
    XND_CASE(ExndLogException, ExndNFeException, kNFeLog),
    XND_CASE(ExndSchemaValidationException, ExndNFeException, kNFeLog),
    XND_CASE(ExndCertStoreException, ExndNFeException, kNFeLog),
    XND_CASE(ExndSignatureException, ExndNFeException, kNFeLog),
    XND_CASE(ExndConfigINIException, ExndNFeException, kNFeLog),
    XND_CASE(ExndNFeReportException, ExndNFeException, kNFeLog),
};

#undef XND_CASE

// "[dd/mm/YYYY hh:MM:ss:zzz] <tid> - <class> : <message>\r\n", nothing else.
std::regex LogLinePattern(const std::string& aClassName, const std::string& aMessage) {
  const std::string escaped = std::regex_replace(aMessage, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
  return std::regex(R"(\[(\d{2})/(\d{2})/(\d{4}) (\d{2}):(\d{2}):(\d{2}):(\d{3})\] )" +
                    std::to_string(CurrentThreadId()) + " - " + aClassName + " : " + escaped + "\r\n");
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%d/%m/%Y", &local);
  return text;
}

class ExceptionLogTest : public ::testing::TestWithParam<ExceptionCase> {
 protected:
  test::TempDir FDir;
};

TEST_P(ExceptionLogTest, WritesOneLineToItsBranchLog) {
  const ExceptionCase& c = GetParam();
  const std::string message = "linha 1\r\nlinha 2 com acentuação\rfim";
  const std::string before = Today();
  try {
    c.Raise(message, FDir.Path());
    FAIL() << "nothing raised";
  } catch (const ExndException& e) {
    EXPECT_STREQ(c.Name, e.ClassName());
    EXPECT_EQ(c.LogFile, e.LogFileName());
    EXPECT_EQ(message, e.Message());
    EXPECT_TRUE(c.HasParent(e)) << "wrong parent class";
  }
  const std::string other = std::string(c.LogFile) == kNFeLog ? kEventosLog : kNFeLog;
  EXPECT_FALSE(FileExists(FDir.File(other)));

  const std::string log = FDir.Read(c.LogFile);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(log, m, LogLinePattern(c.Name, message))) << log;
  const std::string date = m[1].str() + "/" + m[2].str() + "/" + m[3].str();
  EXPECT_TRUE(date == before || date == Today()) << date;
  EXPECT_LE(std::stoi(m[4].str()), 23);
  EXPECT_LE(std::stoi(m[5].str()), 59);
}

INSTANTIATE_TEST_SUITE_P(Tree, ExceptionLogTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ExceptionLog, RootClassWritesNothing) {
  test::TempDir dir;
  try {
    throw ExndException("falha de impressão", dir.Path());
  } catch (const ExndException& e) {
    EXPECT_STREQ("ExndException", e.ClassName());
    EXPECT_EQ("", e.LogFileName());
    EXPECT_EQ("falha de impressão", e.Message());
  }
  EXPECT_FALSE(FileExists(dir.File(kNFeLog)));
  EXPECT_FALSE(FileExists(dir.File(kEventosLog)));
}

TEST(ExceptionLog, FormatConstructorFillsTheMessageBeforeLogging) {
  test::TempDir dir;
  const ExndCheckParams e("a sigla da UF %s, é inválida. (%d)", {"XX", 7}, dir.Path());
  EXPECT_EQ("a sigla da UF XX, é inválida. (7)", e.Message());
  EXPECT_TRUE(std::regex_match(dir.Read(kNFeLog), LogLinePattern("ExndCheckParams", e.Message())));

  EXPECT_THROW(ExndCheckParams("%s e %s", {"só um"}, dir.Path()), EConvertError);
  const std::string log = dir.Read(kNFeLog);
  EXPECT_EQ(1, std::count(log.begin(), log.end(), '\n'));
}

TEST(ExceptionLog, LinesAccumulateAndTheDirectoryIsUsedUnchanged) {
  test::TempDir dir;
  ExndSignatureException first("um", dir.Path());
  ExndCertStoreException second("dois", dir.Path());
  const std::string log = dir.Read(kNFeLog);
  const auto split = log.find("\r\n") + 2;
  EXPECT_TRUE(std::regex_match(log.substr(0, split), LogLinePattern("ExndSignatureException", "um")));
  EXPECT_TRUE(std::regex_match(log.substr(split), LogLinePattern("ExndCertStoreException", "dois")));

  // No separator is added between the directory and the file name.
  ExndEventoCheckParams third("três", dir.Path() + "prefixo_");
  EXPECT_TRUE(FileExists(dir.File("prefixo_nfeeventos_exception.log")));
}

TEST(ExceptionLog, EmptyDirectoryMeansBesideTheProgram) {
  const std::string path = ProgramDirectory() + kNFeLog;
  const std::string marker = "diretório vazio " + std::to_string(::getpid());
  ExndNFeException e(marker, "");
  const std::string log = ReadFileBytes(path);
  DeleteFile(path);
  // Other test programs of the build directory may share the file: look for our line.
  std::smatch m;
  EXPECT_TRUE(std::regex_search(log, m, LogLinePattern("ExndNFeException", marker))) << log;
}

// Writing the line is best effort: the exception raised is always the real
// one, and LogError says why no line was written.
TEST(ExceptionLog, ServerFailureLeavesTheExceptionAndNoLine) {
  test::TempDir dir;
  ScopedServerFactory failing(GovUtilsServerName, []() -> std::unique_ptr<IServer> {
    throw EOleSysError("Classe não registrada: xndGovUtils");
  });
  try {
    throw ExndCertStoreException("certificado", dir.Path());
  } catch (const ExndCertStoreException& e) {
    EXPECT_EQ(e.Message(), "certificado");
    EXPECT_EQ(e.LogError(), "Classe não registrada: xndGovUtils");
  }
  EXPECT_FALSE(FileExists(dir.File(kNFeLog)));
  // Without a log file the server is never asked for.
  EXPECT_EQ(ExndException("sem log", dir.Path()).LogError(), "");
  EXPECT_NO_THROW(comlib::ExndSignatureException("can not initialize COM Lib"));
}

TEST(ExceptionLog, UnwritableDirectoryLeavesTheException) {
  test::TempDir dir;
  const std::string notADirectory = dir.Write("arquivo", "x") + "/";
  const ExndSignatureException e("Erro HTTP ... (500).", notADirectory);
  EXPECT_EQ(e.Message(), "Erro HTTP ... (500).");
  EXPECT_EQ(e.LogError(), "Não foi possível criar o diretório " + dir.File("arquivo") +
                             ": já existe um arquivo com esse nome.");
  EXPECT_EQ(ExndSignatureException("ok", dir.Path()).LogError(), "");
}

// A full log is set aside as "<name>.1" (an older one replaced) and the new
// line starts a fresh file.
TEST(ExceptionLog, FullLogIsSetAsideBeforeTheNextLine) {
  test::TempDir dir;
  const std::string full(ExndException::MaxExceptionLogBytes, 'a');
  dir.Write(std::string(kNFeLog) + ".1", "geração mais antiga");
  dir.Write(kNFeLog, full);

  ExndCertStoreException first("depois do limite", dir.Path());
  ExndCertStoreException second("segunda", dir.Path());

  EXPECT_EQ(dir.Read(std::string(kNFeLog) + ".1"), full);
  const std::string log = dir.Read(kNFeLog);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << "both lines in the fresh file";
  EXPECT_TRUE(std::regex_search(log, LogLinePattern("ExndCertStoreException", "segunda")));
}

TEST(ComLib, FamilyIsApartAndWritesNothing) {
  static_assert(!std::is_base_of_v<xnd::ExndException, comlib::ExndException>);
  static_assert(std::is_base_of_v<comlib::ExndException, comlib::ExndSignatureException>);
  static_assert(std::is_base_of_v<comlib::ExndException, comlib::ExndLogException>);
  test::TempDir dir;
  const comlib::ExndSignatureException s("can not initialize COM Lib", dir.Path());
  const comlib::ExndLogException l("log %s %d", {"x", 2}, dir.Path());
  EXPECT_STREQ("ExndSignatureException", s.ClassName());
  EXPECT_STREQ("ExndLogException", l.ClassName());
  EXPECT_STREQ("ExndException", comlib::ExndException("m").ClassName());
  EXPECT_EQ("log x 2", l.Message());
  EXPECT_EQ("", s.LogFileName());
  EXPECT_FALSE(FileExists(dir.File(kNFeLog)));
}

TEST(ComLib, GuardInitialisesAndReleasesTheThread) {
  const int before = CoInitializeCount();
  {
    comlib::TComLibGuard guard;
    EXPECT_EQ(before + 1, CoInitializeCount());
  }
  EXPECT_EQ(before, CoInitializeCount());
}

}  // namespace
}  // namespace xnd
