#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/exception.h"

namespace xnd {

namespace {

[[noreturn]] void ThrowIoError(const std::string& aAction, const std::string& aPath, int aErrno) {
  throw EInOutError(aAction + " \"" + aPath + "\": " + std::strerror(aErrno), aErrno);
}

// A file descriptor closed when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int aFd) : FFd(aFd) {}
  ~FileDescriptor() {
    if (FFd >= 0) ::close(FFd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  // Closes now, so that a failing close (a full disk on NFS...) is seen.
  int Close() {
    const int result = ::close(FFd);
    FFd = -1;
    return result;
  }

 private:
  int FFd;
};

// Writes all of aBytes at the descriptor's position; the errno of the
// failure, 0 when everything went.
int WriteBytes(int aFd, std::string_view aBytes, std::size_t& aWritten) {
  aWritten = 0;
  while (aWritten < aBytes.size()) {
    const ssize_t n = ::write(aFd, aBytes.data() + aWritten, aBytes.size() - aWritten);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    aWritten += static_cast<std::size_t>(n);
  }
  return 0;
}

// In place, truncating (devices, pipes: what cannot be replaced).
void WriteInPlace(const std::string& aPath, std::string_view aBytes) {
  FileDescriptor fd(::open(aPath.c_str(), O_TRUNC | O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.Valid()) ThrowIoError("Cannot open file", aPath, errno);
  std::size_t written = 0;
  if (const int error = WriteBytes(fd.Get(), aBytes, written)) {
    ThrowIoError("Cannot write file", aPath, error);
  }
  if (fd.Close() != 0) ThrowIoError("Cannot write file", aPath, errno);
}

// Through "<path>.tmp-<tid>" renamed over aPath: readers see the old content
// or the new one, never a part. An existing file keeps its permissions.
void ReplaceFile(const std::string& aPath, std::string_view aBytes, const struct stat* aOld) {
  const std::string temporary = aPath + ".tmp-" + std::to_string(::gettid());
  FileDescriptor fd(
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, aOld ? 0600 : 0666));
  if (!fd.Valid()) ThrowIoError("Cannot open file", aPath, errno);
  std::size_t written = 0;
  int error = WriteBytes(fd.Get(), aBytes, written);
  if (error == 0 && aOld != nullptr && ::fchmod(fd.Get(), aOld->st_mode & 07777) != 0) {
    error = errno;
  }
  if (error == 0 && fd.Close() != 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), aPath.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    ThrowIoError("Cannot write file", aPath, error);
  }
}

// O_APPEND, and a failed append taken back: the file is cut to the size it
// had, unless someone else appended meanwhile; a file this call created is
// removed.
void AppendAll(const std::string& aPath, std::string_view aBytes) {
  bool created = false;
  int descriptor = ::open(aPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (descriptor < 0 && errno == ENOENT) {
    descriptor = ::open(aPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created = descriptor >= 0;
    if (descriptor < 0 && errno == EEXIST) {
      descriptor = ::open(aPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    }
  }
  FileDescriptor fd(descriptor);
  if (!fd.Valid()) ThrowIoError("Cannot open file", aPath, errno);
  struct stat before {};
  const bool regular = ::fstat(fd.Get(), &before) == 0 && S_ISREG(before.st_mode);
  std::size_t written = 0;
  const int error = WriteBytes(fd.Get(), aBytes, written);
  if (error != 0) {
    struct stat now {};
    if (regular && ::fstat(fd.Get(), &now) == 0 &&
        now.st_size == before.st_size + static_cast<off_t>(written)) {
      if (::ftruncate(fd.Get(), before.st_size) == 0 && created && before.st_size == 0) {
        ::unlink(aPath.c_str());
      }
    }
    ThrowIoError("Cannot write file", aPath, error);
  }
  if (fd.Close() != 0) ThrowIoError("Cannot write file", aPath, errno);
}

std::size_t LastDelimiter(std::string_view aPath) { return aPath.rfind(PathDelim); }

}  // namespace

std::string NormalizePathSeparators(std::string_view aPath) {
  std::string out(aPath);
  for (char& c : out) {
    if (c == '\\') c = PathDelim;
  }
  return out;
}

std::string NormalizeConfiguredPath(std::string_view aPath) {
  if (!aPath.empty() && aPath[0] == '\\' && (aPath.size() == 1 || aPath[1] != '\\')) {
    aPath.remove_prefix(1);
  }
  return NormalizePathSeparators(aPath);
}

bool IsAbsolutePath(std::string_view aPath) { return !aPath.empty() && aPath.front() == PathDelim; }

std::string IncludeTrailingPathDelimiter(std::string_view aPath) {
  std::string out(aPath);
  if (out.empty() || out.back() != PathDelim) out += PathDelim;
  return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view aPath) {
  if (!aPath.empty() && aPath.back() == PathDelim) aPath.remove_suffix(1);
  return std::string(aPath);
}

std::string ExtractFilePath(std::string_view aPath) {
  const std::size_t pos = LastDelimiter(aPath);
  return pos == std::string_view::npos ? std::string() : std::string(aPath.substr(0, pos + 1));
}

std::string ExtractFileName(std::string_view aPath) {
  const std::size_t pos = LastDelimiter(aPath);
  return std::string(pos == std::string_view::npos ? aPath : aPath.substr(pos + 1));
}

std::string ExtractFileDir(std::string_view aPath) {
  const std::size_t pos = LastDelimiter(aPath);
  if (pos == std::string_view::npos) return {};
  // The root keeps its "/", and so does a doubled delimiter.
  const bool keepDelimiter = pos == 0 || aPath[pos - 1] == PathDelim;
  return std::string(aPath.substr(0, keepDelimiter ? pos + 1 : pos));
}

std::string ExtractFileExt(std::string_view aPath) {
  const std::size_t pos = aPath.find_last_of("./");
  if (pos == std::string_view::npos || aPath[pos] != '.') return {};
  return std::string(aPath.substr(pos));
}

std::string ProgramDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) ThrowIoError("Cannot read", "/proc/self/exe", errno);
    if (static_cast<std::size_t>(n) < buffer.size()) {
      return ExtractFilePath(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) ThrowIoError("Cannot read", "the current directory", errno);
    buffer.resize(buffer.size() * 2);
  }
  return IncludeTrailingPathDelimiter(buffer.data());
}

bool DirectoryExists(const std::string& aPath) {
  struct stat info {};
  if (::stat(aPath.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  switch (errno) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return false;
    default:
      return true;
  }
}

bool FileExists(const std::string& aPath) {
  struct stat info {};
  return ::stat(aPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool CreateDir(const std::string& aPath) { return ::mkdir(aPath.c_str(), 0777) == 0; }

bool ForceDirectories(const std::string& aPath) {
  if (aPath.empty()) return false;
  const std::string path = ExcludeTrailingPathDelimiter(aPath);
  if (path.empty() || DirectoryExists(path)) return true;  // the root, or there already
  const std::string parent = ExtractFileDir(path);
  if (!parent.empty() && parent != path && !ForceDirectories(parent)) return false;
  // Another process may have created it meanwhile: what counts is that it exists.
  return CreateDir(path) || DirectoryExists(path);
}

bool DeleteFile(const std::string& aPath) { return ::unlink(aPath.c_str()) == 0; }

std::string ReadFileBytes(const std::string& aPath) {
  FileDescriptor fd(::open(aPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) ThrowIoError("Cannot open file", aPath, errno);
  std::string content;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowIoError("Cannot read file", aPath, errno);
    }
    if (n == 0) break;
    content.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return content;
}

void WriteFileBytes(const std::string& aPath, std::string_view aBytes) {
  struct stat old {};
  if (::lstat(aPath.c_str(), &old) == 0) {
    if (S_ISREG(old.st_mode)) return ReplaceFile(aPath, aBytes, &old);
    return WriteInPlace(aPath, aBytes);
  }
  if (errno == ENOENT) return ReplaceFile(aPath, aBytes, nullptr);
  WriteInPlace(aPath, aBytes);
}

void AppendFileBytes(const std::string& aPath, std::string_view aBytes) { AppendAll(aPath, aBytes); }

std::string SystemErrorText(int aErrno) {
  switch (aErrno) {
    case ENOSPC:
      return "não há espaço livre no dispositivo";
    case EDQUOT:
      return "cota de disco excedida";
    case EFBIG:
      return "o arquivo passaria do tamanho máximo permitido";
    case EROFS:
      return "sistema de arquivos somente para leitura";
    case EACCES:
    case EPERM:
      return "permissão negada";
    case ENOENT:
      return "arquivo ou diretório inexistente";
    case ENOTDIR:
      return "uma parte do caminho não é um diretório";
    case EISDIR:
      return "o caminho é um diretório";
    case EEXIST:
      return "já existe um arquivo com esse nome";
    case ENAMETOOLONG:
      return "nome de arquivo longo demais";
    case EIO:
      return "erro de entrada/saída no dispositivo";
    case EMFILE:
    case ENFILE:
      return "arquivos abertos demais";
    default:
      return std::strerror(aErrno);
  }
}

std::string TemporaryDirectory() {
  const char* dir = std::getenv("TMPDIR");
  return IncludeTrailingPathDelimiter(dir != nullptr && dir[0] != '\0' ? dir : "/tmp");
}

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(::gettid()); }

}  // namespace xnd
