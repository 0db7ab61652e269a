// Certificate stores on disk. A store is a directory holding PKCS#12 files
// (.pfx, .p12) and PEM certificate/key pairs (NAME.pem or NAME.crt or
// NAME.cer, with the key in NAME.key or inside NAME.pem).
//
// Kinds, as the component numbers them: 0 memory (the certificates this
// server opened), 1 local machine (/etc/xndnfe/certificados/), 2 current user
// ($XDG_DATA_HOME/xndnfe/certificados/, by default
// ~/.local/share/xndnfe/certificados/), 3 directory service and 4 smart card
// (not available: a clear error).
#pragma once

#include <string>
#include <vector>

#include "servers/govx/GovXCertificates.h"

namespace xnd::govx {

inline constexpr int StoreMemory = 0;
inline constexpr int StoreLocalMachine = 1;
inline constexpr int StoreCurrentUser = 2;
inline constexpr int StoreDirectoryService = 3;
inline constexpr int StoreSmartCard = 4;

inline constexpr const char* DefaultMachineStoreDirectory = "/etc/xndnfe/certificados/";

// The current user's store directory, read from the environment at each call.
std::string UserStoreDirectory();

// Raises the "not available" error of kinds 3 and 4 and of unknown kinds.
void CheckStoreKindAvailable(int aKind);

// One certificate found in a store directory.
struct TStoreEntry {
  std::string CommonName;
  std::string FileName;  // inside the directory
  std::string Path;      // full path of the certificate file
  std::string KeyPath;   // PEM pairs: the key file, "" when none
  bool Pkcs12 = false;
};

// Opens a configured certificate file: a PEM/DER certificate (.pem, .crt,
// .cer, key beside it in NAME.key or inside the .pem) or else a PKCS#12 file,
// with aPassword.
TCredentialPtr OpenCertificateFile(const std::string& aPath, const std::string& aPassword);

class TCertificateStore {
 public:
  explicit TCertificateStore(std::string aDirectory);

  const std::string& Directory() const { return FDirectory; }

  // Every certificate that can be read, sorted by common name (ignoring
  // case) then file name. PKCS#12 files are opened with an empty password,
  // then with aPassword; a file neither opens, or that holds no certificate,
  // is left out. A missing directory is an empty store; a directory that
  // cannot be read raises.
  std::vector<TStoreEntry> Entries(const std::string& aPassword) const;

  // The first entry whose common name is aName, ignoring case; nullptr when none.
  static const TStoreEntry* Find(const std::vector<TStoreEntry>& aEntries,
                                 const std::string& aName);

  // Opens an entry with its key (same password order as Entries).
  static TCredentialPtr Open(const TStoreEntry& aEntry, const std::string& aPassword);

 private:
  std::string FDirectory;
};

}  // namespace xnd::govx
