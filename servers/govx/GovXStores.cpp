#include "servers/govx/GovXStores.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"

namespace xnd::govx {

namespace {

namespace fs = std::filesystem;

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/";
}

bool IsMissing(const std::error_code& aError) {
  return aError == std::errc::no_such_file_or_directory || aError == std::errc::not_a_directory ||
         aError == std::errc::filename_too_long ||
         aError == std::errc::too_many_symbolic_link_levels;
}

bool IsPkcs12Name(const std::string& aExtension) {
  return SameText(aExtension, ".pfx") || SameText(aExtension, ".p12");
}

bool IsCertificateName(const std::string& aExtension) {
  return SameText(aExtension, ".pem") || SameText(aExtension, ".crt") ||
         SameText(aExtension, ".cer");
}

// The key file beside a certificate file: same name with ".key".
std::string KeyFileBeside(const fs::path& aCertificate) {
  fs::path key = aCertificate;
  key.replace_extension(".key");
  return FileExists(key.string()) ? key.string() : std::string();
}

std::string Pkcs12Password(const std::string& aPath, const std::string& aPassword) {
  return Pkcs12PasswordMatches(aPath, "") ? std::string() : aPassword;
}

// The entry of one file; false when it is not a certificate this store reads.
bool ReadEntry(const fs::path& aFile, const std::string& aPassword, TStoreEntry& aEntry) {
  const std::string extension = aFile.extension().string();
  aEntry.FileName = aFile.filename().string();
  aEntry.Path = aFile.string();
  try {
    if (IsPkcs12Name(extension)) {
      aEntry.Pkcs12 = true;
      aEntry.CommonName =
          OpenPkcs12(aEntry.Path, Pkcs12Password(aEntry.Path, aPassword))->CommonName;
      return true;
    }
    if (IsCertificateName(extension)) {
      aEntry.KeyPath = KeyFileBeside(aFile);
      aEntry.CommonName = CommonName(ReadCertificateFile(aEntry.Path).get());
      return true;
    }
  } catch (const EOleException&) {
    ClearOpenSslErrors();
  }
  return false;
}

bool EntryLess(const TStoreEntry& a, const TStoreEntry& b) {
  const int byName = CompareText(a.CommonName, b.CommonName);
  if (byName != 0) return byName < 0;
  return a.FileName < b.FileName;
}

}  // namespace

std::string UserStoreDirectory() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  // The XDG rules ignore a relative XDG_DATA_HOME.
  const std::string base = dataHome != nullptr && IsAbsolutePath(dataHome)
                               ? std::string(dataHome)
                               : IncludeTrailingPathDelimiter(HomeDirectory()) + ".local/share";
  return IncludeTrailingPathDelimiter(base) + "xndnfe/certificados/";
}

void CheckStoreKindAvailable(int aKind) {
  switch (aKind) {
    case StoreMemory:
    case StoreLocalMachine:
    case StoreCurrentUser:
      return;
    case StoreDirectoryService:
      throw EOleException(
          "Repositório de certificados do tipo Active Directory não está disponível no Linux.");
    case StoreSmartCard:
      throw EOleException(
          "Repositório de certificados do tipo cartão inteligente (smart card) não está "
          "disponível nesta versão.");
    default:
      throw EOleException(Format("Tipo de repositório de certificados desconhecido: %d.", aKind));
  }
}

TCredentialPtr OpenCertificateFile(const std::string& aPath, const std::string& aPassword) {
  const fs::path file(aPath);
  if (IsCertificateName(file.extension().string())) {
    return OpenCertificatePair(aPath, KeyFileBeside(file), aPassword);
  }
  return OpenPkcs12(aPath, aPassword);
}

TCertificateStore::TCertificateStore(std::string aDirectory)
    : FDirectory(IncludeTrailingPathDelimiter(aDirectory)) {}

std::vector<TStoreEntry> TCertificateStore::Entries(const std::string& aPassword) const {
  std::vector<TStoreEntry> entries;
  std::error_code error;
  fs::directory_iterator it(FDirectory, error);
  if (error) {
    if (IsMissing(error)) return entries;
    throw EOleException(Format("Não foi possível ler o repositório de certificados \"%s\": %s",
                               FDirectory, error.message()));
  }
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) break;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    TStoreEntry entry;
    if (ReadEntry(it->path(), aPassword, entry)) entries.push_back(std::move(entry));
  }
  if (error) {
    throw EOleException(Format("Não foi possível ler o repositório de certificados \"%s\": %s",
                               FDirectory, error.message()));
  }
  std::sort(entries.begin(), entries.end(), EntryLess);
  return entries;
}

const TStoreEntry* TCertificateStore::Find(const std::vector<TStoreEntry>& aEntries,
                                           const std::string& aName) {
  const auto found = std::find_if(aEntries.begin(), aEntries.end(), [&](const TStoreEntry& e) {
    return SameText(e.CommonName, aName);
  });
  return found == aEntries.end() ? nullptr : &*found;
}

TCredentialPtr TCertificateStore::Open(const TStoreEntry& aEntry, const std::string& aPassword) {
  if (aEntry.Pkcs12) return OpenPkcs12(aEntry.Path, Pkcs12Password(aEntry.Path, aPassword));
  return OpenCertificatePair(aEntry.Path, aEntry.KeyPath, aPassword);
}

}  // namespace xnd::govx
