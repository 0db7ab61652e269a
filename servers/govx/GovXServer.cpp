#include "servers/govx/GovXServer.h"

#include <algorithm>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servers/govx/GovXServerImpl.h"
#include "servers/govx/report/ReportEngine.h"

namespace xnd {

std::unique_ptr<IServer> CreateGovXServer() { return std::make_unique<govx::TGovXServer>(); }

}  // namespace xnd

namespace xnd::govx {

namespace {

constexpr const char* NothingConfigured =
    "Nenhum certificado digital configurado: informe o nome do certificado ou o caminho do "
    "arquivo PKCS#12.";

bool SameCertificate(const TCredentialPtr& a, const TCredentialPtr& b) {
  return X509_cmp(a->Certificate.get(), b->Certificate.get()) == 0;
}

}  // namespace

TGovXServer::TGovXServer(TGovXOptions aOptions)
    : FOptions(std::move(aOptions)),
      FSignature([this] { PruneCache(); }),
      FConnection([this] { PruneCache(); }) {
  EnsureOpenSslProviders();
}

TGovXServer::~TGovXServer() {
  for (const std::string& file : FPreviewFiles) DeleteFile(file);
}

std::string TGovXServer::StoreDirectory(int aKind) const {
  return aKind == StoreLocalMachine ? FOptions.MachineStoreDirectory : UserStoreDirectory();
}

std::string TGovXServer::StoreDescription(int aKind) const {
  switch (aKind) {
    case StoreMemory:
      return "de memória";
    case StoreLocalMachine:
      return "da máquina (" + StoreDirectory(aKind) + ")";
    default:
      return "do usuário (" + StoreDirectory(aKind) + ")";
  }
}

TCredentialPtr TGovXServer::FindInStore(const TCertificateSelection& aSelection) {
  CheckStoreKindAvailable(aSelection.Kind);
  if (aSelection.Kind == StoreMemory) {
    const auto found = std::find_if(FMemoryStore.begin(), FMemoryStore.end(), [&](const auto& c) {
      return SameText(c->CommonName, aSelection.Name);
    });
    return found == FMemoryStore.end() ? nullptr : *found;
  }
  const TCertificateStore store(StoreDirectory(aSelection.Kind));
  const std::vector<TStoreEntry> entries = store.Entries(aSelection.Password);
  const TStoreEntry* entry = TCertificateStore::Find(entries, aSelection.Name);
  return entry == nullptr ? nullptr : TCertificateStore::Open(*entry, aSelection.Password);
}

TCredentialPtr TGovXServer::Open(const TCertificateSelection& aSelection) {
  if (!aSelection.Name.empty()) {
    if (TCredentialPtr found = FindInStore(aSelection)) return found;
    if (aSelection.Path.empty()) {
      throw EOleException(Format("Certificado \"%s\" não encontrado no repositório %s.",
                                 aSelection.Name, StoreDescription(aSelection.Kind)));
    }
  }
  return OpenCertificateFile(aSelection.Path, aSelection.Password);
}

void TGovXServer::Remember(const TCredentialPtr& aCredential) {
  std::erase_if(FMemoryStore, [&](const auto& c) { return SameCertificate(c, aCredential); });
  FMemoryStore.push_back(aCredential);
}

TGovXServer::TCachedPtr TGovXServer::Select(const TCertificateSelection& aSelection) {
  if (!aSelection.Configured()) throw EOleException(NothingConfigured);
  for (const TCachedPtr& cached : FCache) {
    if (cached->Selection == aSelection) return cached;
  }
  auto cached = std::make_shared<TCachedCertificate>();
  cached->Selection = aSelection;
  cached->Credential = Open(aSelection);
  Remember(cached->Credential);
  FCache.push_back(cached);
  return cached;
}

TGovXServer::TCachedPtr TGovXServer::Use(const TCertificateSelection& aSelection) {
  TCachedPtr cached = Select(aSelection);
  if (OnCheckCertificate) OnCheckCertificate(cached->Credential->CommonName);
  CheckUsable(*cached->Credential);
  return cached;
}

void TGovXServer::PruneCache() {
  const TCertificateSelection signature = FSignature.Selection();
  const TCertificateSelection connection = FConnection.Selection();
  std::erase_if(FCache, [&](const TCachedPtr& cached) {
    return cached->Selection != signature && cached->Selection != connection;
  });
}

std::string TGovXServer::SignXml(const std::string& aXml, const std::string& aId) {
  const TCachedPtr cached = Use(FSignature.Selection());
  if (!cached->SigningKey) cached->SigningKey = std::make_unique<TSigningKey>(*cached->Credential);
  return SignXmlDocument(aXml, aId, FSignature.ElementName(), *cached->SigningKey);
}

std::vector<std::string> TGovXServer::ListCertificates() {
  const int kind = FSignature.CertificateKind();
  CheckStoreKindAvailable(kind);
  std::vector<std::string> names;
  if (kind == StoreMemory) {
    for (const TCredentialPtr& credential : FMemoryStore) names.push_back(credential->CommonName);
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return CompareText(a, b) < 0;
    });
    return names;
  }
  const TCertificateStore store(StoreDirectory(kind));
  for (const TStoreEntry& entry : store.Entries(FSignature.CertificatePassword())) {
    names.push_back(entry.CommonName);
  }
  return names;
}

void TGovXServer::CheckCertificate() {
  const TCertificateSelection signature = FSignature.Selection();
  Use(signature);
  const TCertificateSelection connection = FConnection.Selection();
  if (connection.Configured() && connection != signature) Use(connection);
}

bool TGovXServer::ReleaseCertificate(const std::string& aName) {
  const std::string name = FirstCertificateName(aName);
  std::vector<TCredentialPtr> released;
  std::erase_if(FCache, [&](const TCachedPtr& cached) {
    const bool matches = name.empty() || SameText(cached->Credential->CommonName, name) ||
                         SameText(cached->Selection.Name, name);
    if (matches) released.push_back(cached->Credential);
    return matches;
  });
  const std::size_t before = FMemoryStore.size();
  std::erase_if(FMemoryStore, [&](const TCredentialPtr& credential) {
    return name.empty() || SameText(credential->CommonName, name) ||
           std::any_of(released.begin(), released.end(),
                       [&](const auto& r) { return SameCertificate(r, credential); });
  });
  return !released.empty() || FMemoryStore.size() != before;
}

std::string TGovXServer::SendSoapMessage(const std::string& aUrl, const std::string& aEnvelope,
                                         const std::string& aAction,
                                         const std::string& aResultElement,
                                         const std::string& aNamespace) {
  const TCertificateSelection selection = FConnection.Selection();
  const TCachedPtr client = selection.Configured() ? Use(selection) : nullptr;
  if (!FSoap) FSoap = std::make_unique<TSoapTransport>(FOptions.CaBundle, FOptions.SoapLimits);
  return FSoap->Send(TSoapRequest{aUrl, aEnvelope, aAction, aResultElement, aNamespace},
                     FConnection, client ? client->Credential : nullptr);
}

long TGovXServer::LastNewConnections() const { return FSoap ? FSoap->LastNewConnections() : 0; }

void TGovXServer::ReportPrintToPrinter() {
  if (Trim(FReport.PrinterName()).empty()) throw EOleException("Impressora não informada.");
  report::PrintReport(FReport, Trim(FReport.PrinterName()));
}

void TGovXServer::ReportPreview() {
  FPreviewFiles.push_back(report::PreviewReport(FReport));
  // A server that runs all day keeps only the latest previews on disk; a
  // viewer that opened an older one keeps reading it after it is removed.
  while (FPreviewFiles.size() > MaxPreviewFiles) {
    DeleteFile(FPreviewFiles.front());
    FPreviewFiles.erase(FPreviewFiles.begin());
  }
}

void TGovXServer::ReportPrint() { report::PrintReport(FReport, ""); }

void TGovXServer::ReportExport() { report::ExportReport(FReport); }

}  // namespace xnd::govx
