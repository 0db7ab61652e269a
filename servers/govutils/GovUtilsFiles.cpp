// Log files, text files, default directories and path resolution.
#include <cerrno>
#include <vector>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servers/govutils/GovUtilsServerImpl.h"

namespace xnd {

namespace {

// Runs a platform file operation; its failure comes out as the server's error.
template <class Operation>
auto AsServerError(Operation aOperation) -> decltype(aOperation()) {
  try {
    return aOperation();
  } catch (const EOleException&) {
    throw;
  } catch (const Exception& e) {
    throw EOleException(e.Message());
  }
}

bool IsForbiddenInFileName(unsigned char aChar) {
  constexpr std::string_view kForbidden = "/\\:*?\"<>|";
  return aChar < 0x20 || aChar == 0x7F ||
         kForbidden.find(static_cast<char>(aChar)) != std::string_view::npos;
}

std::string SafeFileNamePart(std::string_view aText) {
  std::string part(aText);
  for (char& c : part) {
    if (IsForbiddenInFileName(static_cast<unsigned char>(c))) c = '_';
  }
  return part;
}

// The directory of aPath exists afterwards (nothing to do for a bare name).
void EnsureParentDirectory(const std::string& aPath) {
  const std::string dir = ExtractFileDir(aPath);
  if (dir.empty() || DirectoryExists(dir)) return;
  if (!ForceDirectories(dir)) {
    throw EOleException(Format("Não foi possível criar o diretório %s: %s.", dir,
                               SystemErrorText(errno)));
  }
}

// A file written whole or not at all (see AppendFileBytes / WriteFileBytes);
// its failure in Portuguese, naming the file.
template <class Operation>
void WriteOrRaise(const std::string& aPath, Operation aOperation) {
  EnsureParentDirectory(aPath);
  try {
    aOperation();
  } catch (const EInOutError& e) {
    throw EOleException(Format("Não foi possível gravar o arquivo %s: %s.", aPath,
                               e.ErrorCode() != 0 ? SystemErrorText(e.ErrorCode()) : e.Message()));
  }
}

}  // namespace

// "<kind>-<id>.xml"; an empty part is left out with its "-" ("<kind>.xml"),
// and characters a file name cannot hold become "_".
std::string TGovUtilsServer::MakeLogFileName(const std::string& aKind, const std::string& aId) {
  std::string name = SafeFileNamePart(aKind);
  if (!aId.empty()) name += (name.empty() ? "" : "-") + SafeFileNamePart(aId);
  if (name.empty() || name == "." || name == "..") name = "log";
  return name + ".xml";
}

// The file goes to aDirectory (resolved as ResolvePath does; created when
// missing) under aFileName, or MakeLogFileName(aKind, aId) when that is empty,
// and replaces a file of the same name. The events fire and the path is
// returned whether saving is on or not.
std::string TGovUtilsServer::SaveLog(const std::string& aText, const std::string& aKind,
                                     const std::string& aDirectory, const std::string& aFileName,
                                     const std::string& aId) {
  const std::string directory = IncludeTrailingPathDelimiter(ResolvePath(aDirectory));
  const std::string path =
      directory + (aFileName.empty() ? MakeLogFileName(aKind, aId) : aFileName);
  if (FSaveLogs) WriteTextFile(aText, path);
  if (OnLog) OnLog(aKind, aId, path);
  if (OnLogContent) OnLogContent(aKind, aId, path, aText);
  return path;
}

void TGovUtilsServer::SetSaveLogs(VariantBool aValue) { FSaveLogs = FromVariantBool(aValue); }

// The text goes as it is (UTF-8). Both create the file, and its directory,
// when missing.
void TGovUtilsServer::AppendTextFile(const std::string& aText, const std::string& aPath) {
  WriteOrRaise(aPath, [&] { AppendFileBytes(aPath, aText); });
}

void TGovUtilsServer::WriteTextFile(const std::string& aText, const std::string& aPath) {
  WriteOrRaise(aPath, [&] { WriteFileBytes(aPath, aText); });
}

// The bytes of the file, unconverted (DecodeUtf8 reads older Windows-1252 text).
std::string TGovUtilsServer::ReadTextFile(const std::string& aPath) {
  if (!FileExists(aPath)) throw EOleException("Arquivo não encontrado: " + aPath);
  return AsServerError([&] { return ReadFileBytes(aPath); });
}

// 0: the program's directory; 1: the temporary directory. Both end with "/".
std::string TGovUtilsServer::GetDefaultDirectory(int aKind) {
  switch (aKind) {
    case 0:
      return AsServerError([] { return ProgramDirectory(); });
    case 1:
      return TemporaryDirectory();
    default:
      throw EOleException("Tipo de diretório padrão desconhecido: " + std::to_string(aKind));
  }
}

// "\" becomes "/"; a relative path is taken from the program's directory (the
// empty path is that directory); "." and ".." and repeated "/" are collapsed,
// ".." never climbing above "/". A trailing "/" is kept.
std::string TGovUtilsServer::ResolvePath(const std::string& aPath) {
  const std::string normalized = NormalizePathSeparators(aPath);
  const std::string full = IsAbsolutePath(normalized)
                               ? normalized
                               : AsServerError([] { return ProgramDirectory(); }) + normalized;
  std::vector<std::string_view> parts;
  const std::string_view view = full;
  for (std::size_t pos = 0; pos <= view.size();) {
    const std::size_t end = std::min(view.find('/', pos), view.size());
    const std::string_view part = view.substr(pos, end - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = end + 1;
  }
  std::string resolved;
  for (const std::string_view part : parts) resolved.append("/").append(part);
  const bool directory = full.ends_with('/') || full.ends_with("/.") || full.ends_with("/..");
  if (resolved.empty() || directory) resolved += '/';
  return resolved;
}

}  // namespace xnd
