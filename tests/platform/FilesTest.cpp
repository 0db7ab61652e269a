#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/exception.h"
#include "tests/support/TempDir.h"

namespace xnd {
namespace {

using test::ScopedEnv;
using test::TempDir;

// ---------------------------------------------------------------------------
// Paths

struct PathCase {
  const char* Path;
  const char* FilePath;
  const char* FileName;
  const char* FileDir;
  const char* FileExt;
};

class ExtractTest : public testing::TestWithParam<PathCase> {};

TEST_P(ExtractTest, SplitsThePath) {
  const PathCase& c = GetParam();
  EXPECT_EQ(ExtractFilePath(c.Path), c.FilePath);
  EXPECT_EQ(ExtractFileName(c.Path), c.FileName);
  EXPECT_EQ(ExtractFileDir(c.Path), c.FileDir);
  EXPECT_EQ(ExtractFileExt(c.Path), c.FileExt);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractTest,
    testing::Values(PathCase{"/a/b/nota.xml", "/a/b/", "nota.xml", "/a/b", ".xml"},
                    PathCase{"nota.tar.gz", "", "nota.tar.gz", "", ".gz"},
                    PathCase{"/nota", "/", "nota", "/", ""},
                    PathCase{"/a.d/nota", "/a.d/", "nota", "/a.d", ""},
                    PathCase{"Log/", "Log/", "", "Log", ""},
                    PathCase{"a//b", "a//", "b", "a//", ""}, PathCase{"", "", "", "", ""}));

TEST(Paths, TrailingDelimiter) {
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "");
}

TEST(Paths, WindowsSeparatorsAndAbsolutePaths) {
  EXPECT_EQ(NormalizePathSeparators("\\Templates\\vm50\\SP\\"), "/Templates/vm50/SP/");
  EXPECT_EQ(NormalizeConfiguredPath("\\Templates\\vm50\\SP\\"), "Templates/vm50/SP/");
  EXPECT_EQ(NormalizeConfiguredPath("\\\\servidor\\nfe"), "//servidor/nfe");
  EXPECT_EQ(NormalizeConfiguredPath("/srv/nfe\\logs"), "/srv/nfe/logs");
  EXPECT_EQ(NormalizeConfiguredPath("Log\\"), "Log/");
  EXPECT_TRUE(IsAbsolutePath("/etc"));
  EXPECT_FALSE(IsAbsolutePath("Log/"));
  EXPECT_FALSE(IsAbsolutePath("C:/Log"));
  EXPECT_FALSE(IsAbsolutePath(""));
}

// ---------------------------------------------------------------------------
// Directories

TEST(DirectoryExists, AnswersForWhatIsThere) {
  const TempDir dir;
  const std::string file = dir.Write("nota.xml", "<a/>");
  ASSERT_EQ(::symlink(dir.File("loop").c_str(), dir.File("loop").c_str()), 0);

  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_TRUE(DirectoryExists(ExcludeTrailingPathDelimiter(dir.Path())));
  EXPECT_FALSE(DirectoryExists(dir.File("missing")));                  // ENOENT
  EXPECT_FALSE(DirectoryExists(file));                                 // a file
  EXPECT_FALSE(DirectoryExists(file + "/sub"));                        // ENOTDIR
  EXPECT_FALSE(DirectoryExists(dir.Path() + std::string(5000, 'x')));  // ENAMETOOLONG
  EXPECT_FALSE(DirectoryExists(dir.File("loop")));                     // ELOOP
  EXPECT_FALSE(DirectoryExists(""));
}

// Runs aCheck in a child process with the identity of "nobody", for the
// permission checks that root would bypass. Answers the child's exit code.
int RunAsNobody(bool (*aCheck)(const std::string&), const std::string& aPath) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(aCheck(aPath) ? 1 : 0);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(DirectoryExists, AnUnreadableParentCountsAsExisting) {
  const TempDir dir;
  const std::string locked = dir.MakeDir("locked");
  dir.MakeDir("locked/sub");
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  const std::string path = locked + "sub";

  if (::geteuid() != 0) {
    EXPECT_TRUE(DirectoryExists(path));  // EACCES
    EXPECT_FALSE(FileExists(path));
    return;
  }
  // Root bypasses permissions: check as an unprivileged user instead.
  const int result = RunAsNobody([](const std::string& p) { return DirectoryExists(p); }, path);
  if (result == 2) GTEST_SKIP() << "running as root and cannot switch to the user nobody";
  EXPECT_EQ(result, 1) << "DirectoryExists answered false for EACCES";
}

TEST(ForceDirectories, CreatesEveryMissingLevel) {
  const TempDir dir;
  const std::string nested = dir.File("a/b/c/");
  EXPECT_TRUE(ForceDirectories(nested));
  EXPECT_TRUE(DirectoryExists(nested));
  EXPECT_TRUE(ForceDirectories(nested)) << "an existing path is a success";
  EXPECT_TRUE(ForceDirectories(dir.File("a/b/d")));
  EXPECT_TRUE(DirectoryExists(dir.File("a/b/d")));
}

TEST(ForceDirectories, FailsBelowAFile) {
  const TempDir dir;
  const std::string file = dir.Write("arquivo", "x");
  EXPECT_FALSE(ForceDirectories(file + "/sub/dir"));
  EXPECT_FALSE(ForceDirectories(""));
}

TEST(CreateDir, CreatesOneLevelOnly) {
  const TempDir dir;
  EXPECT_FALSE(CreateDir(dir.File("x/y")));
  EXPECT_TRUE(CreateDir(dir.File("x")));
  EXPECT_FALSE(CreateDir(dir.File("x"))) << "it exists already";
  EXPECT_TRUE(CreateDir(dir.File("x/y")));
}

// ---------------------------------------------------------------------------
// Files

TEST(Files, WriteAppendReadAndDeleteKeepEveryByte) {
  const TempDir dir;
  const std::string path = dir.File("dados.bin");
  const std::string bytes("a\0b\r\n\xE3\xFF", 7);
  WriteFileBytes(path, bytes);
  AppendFileBytes(path, "fim");
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(ReadFileBytes(path), bytes + "fim");
  WriteFileBytes(path, "novo");
  EXPECT_EQ(ReadFileBytes(path), "novo") << "writing replaces the content";
  EXPECT_TRUE(DeleteFile(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(DeleteFile(path));
}

TEST(Files, AppendCreatesTheFile) {
  const TempDir dir;
  AppendFileBytes(dir.File("log.txt"), "linha\r\n");
  EXPECT_EQ(dir.Read("log.txt"), "linha\r\n");
}

TEST(Files, FileExistsIsForRegularFiles) {
  const TempDir dir;
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir.File("missing")));
}

TEST(Files, FailuresRaiseInOutErrorWithPathAndReason) {
  const TempDir dir;
  const std::string missing = dir.File("no/such/file.txt");
  const auto expectError = [&](auto aCall, const std::string& aMessage) {
    try {
      aCall();
      ADD_FAILURE() << "no exception, expected: " << aMessage;
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.Message(), aMessage);
    }
  };
  expectError([&] { ReadFileBytes(missing); },
              "Cannot open file \"" + missing + "\": " + std::string(std::strerror(ENOENT)));
  expectError([&] { WriteFileBytes(missing, "x"); },
              "Cannot open file \"" + missing + "\": " + std::string(std::strerror(ENOENT)));
  expectError([&] { AppendFileBytes(dir.Path(), "x"); },
              "Cannot open file \"" + dir.Path() + "\": " + std::string(std::strerror(EISDIR)));
}

// A file-size limit for this process: a write past it is cut short and then
// fails (EFBIG) the way a full disk cuts it (ENOSPC), through the same path.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t aBytes) : FPreviousSignal(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &FPrevious);
    rlimit limit = FPrevious;
    limit.rlim_cur = aBytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FPrevious);
    std::signal(SIGXFSZ, FPreviousSignal);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  rlimit FPrevious{};
  void (*FPreviousSignal)(int);
};

int ErrorCodeOf(const std::function<void()>& aCall) {
  try {
    aCall();
  } catch (const EInOutError& e) {
    return e.ErrorCode();
  }
  return 0;
}

// A write stopped half-way leaves no part of it: the appended log keeps
// its earlier content only, a file the append created is gone, a replaced
// file keeps its old content, and no temporary file stays behind.
TEST(Files, AWriteStoppedHalfWayLeavesTheFileAsItWas) {
  const TempDir dir;
  const std::string log = dir.Write("log.xml", "<anterior/>");
  const std::string index = dir.Write("indice", "env-lot=antigo.xml");
  const std::string big(8192, 'x');
  {
    const ScopedFileSizeLimit limit(4096);
    EXPECT_EQ(ErrorCodeOf([&] { AppendFileBytes(log, big); }), EFBIG);
    EXPECT_EQ(ErrorCodeOf([&] { AppendFileBytes(dir.File("novo.xml"), big); }), EFBIG);
    EXPECT_EQ(ErrorCodeOf([&] { WriteFileBytes(index, big); }), EFBIG);
  }
  EXPECT_EQ(dir.Read("log.xml"), "<anterior/>");
  EXPECT_FALSE(FileExists(dir.File("novo.xml")));
  EXPECT_EQ(dir.Read("indice"), "env-lot=antigo.xml");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"indice", "log.xml"}));
  // The same calls complete once there is room.
  AppendFileBytes(log, big);
  EXPECT_EQ(dir.Read("log.xml"), "<anterior/>" + big);
}

TEST(Files, ReplacingAFileKeepsItsPermissions) {
  const TempDir dir;
  const std::string path = dir.Write("config.ini", "a=1");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  WriteFileBytes(path, "a=2");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(dir.Read("config.ini"), "a=2");
}

// ---------------------------------------------------------------------------
// Process

TEST(Process, ProgramDirectoryHoldsTheTestProgram) {
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(IsAbsolutePath(dir));
  EXPECT_TRUE(FileExists(dir + "xndnfe_tests_platform"));
}

TEST(Process, CurrentDirectoryHasATrailingDelimiter) {
  const std::string dir = CurrentDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(DirectoryExists(dir));
}

TEST(Process, TemporaryDirectoryFollowsTmpdir) {
  {
    const ScopedEnv env("TMPDIR", "/var/tmp");
    EXPECT_EQ(TemporaryDirectory(), "/var/tmp/");
  }
  {
    const ScopedEnv env("TMPDIR", std::nullopt);
    EXPECT_EQ(TemporaryDirectory(), "/tmp/");
  }
  const ScopedEnv env("TMPDIR", "");
  EXPECT_EQ(TemporaryDirectory(), "/tmp/");
}

TEST(Process, ThreadIdentifiersAreTheKernelOnes) {
  EXPECT_EQ(CurrentThreadId(), static_cast<std::uint32_t>(::getpid()))
      << "the main thread's id is the process id";
  std::uint32_t other = 0;
  std::thread([&] { other = CurrentThreadId(); }).join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, CurrentThreadId());
}

}  // namespace
}  // namespace xnd
