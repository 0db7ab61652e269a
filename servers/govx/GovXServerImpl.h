// TGovXServer: the real xndGovX server. Certificates from PKCS#12 files and
// the certificate stores, XML-DSig with xmlsec1, SOAP over HTTPS with libcurl.
//
// Certificate selection (signature settings for SignXml and CheckCertificate,
// connection settings for SendSoapMessage): the pushed name (first non-empty
// line) picks the certificate with that common name, ignoring case, in the
// store of the pushed kind; when there is no name, or the store has no such
// certificate, the pushed path is opened with the pushed password. The
// certificate, its key and the xmlsec key are built once per selection and
// reused until a certificate value really changes or ReleaseCertificate.
//
// The memory store (kind 0) holds the certificates this server opened since
// it was created, from files or from the other stores.
//
// One server is used from one thread at a time (the component's rule); what
// is process-wide (OpenSSL providers, xmlsec, libcurl) starts once, safely
// from any thread, and is never shut down while the process runs.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "external/xndGovXIntf.h"
#include "servers/govx/GovXCertificates.h"
#include "servers/govx/GovXSettings.h"
#include "servers/govx/GovXSigner.h"
#include "servers/govx/GovXSoap.h"
#include "servers/govx/GovXStores.h"

namespace xnd::govx {

struct TGovXOptions {
  TGovXOptions(std::string aMachineStoreDirectory = DefaultMachineStoreDirectory,
               std::string aCaBundle = {}, TSoapLimits aSoapLimits = {})
      : MachineStoreDirectory(std::move(aMachineStoreDirectory)),
        CaBundle(std::move(aCaBundle)),
        SoapLimits(aSoapLimits) {}

  std::string MachineStoreDirectory;
  // Extra trusted authorities for the server certificates; "" = XND_CA_BUNDLE.
  std::string CaBundle;
  // Time and size bounds of the SOAP exchanges.
  TSoapLimits SoapLimits;
};

class TGovXServer final : public IxndGovX {
 public:
  explicit TGovXServer(TGovXOptions aOptions = {});
  ~TGovXServer() override;
  TGovXServer(const TGovXServer&) = delete;
  TGovXServer& operator=(const TGovXServer&) = delete;

  ISignatureSettings& SignatureSettings() override { return FSignature; }
  IHttpSettings& ConnectionSettings() override { return FConnection; }
  IEmailSettings& EmailSettings() override { return FEmail; }

  std::string SignXml(const std::string& aXml, const std::string& aId) override;
  std::vector<std::string> ListCertificates() override;
  void CheckCertificate() override;
  bool ReleaseCertificate(const std::string& aName) override;
  std::string SendSoapMessage(const std::string& aUrl, const std::string& aEnvelope,
                              const std::string& aAction, const std::string& aResultElement,
                              const std::string& aNamespace) override;

  IReportSettings& ReportSettings() override { return FReport; }
  void ReportPrintToPrinter() override;
  void ReportPreview() override;
  void ReportPrint() override;
  void ReportExport() override;

  // New connections the last SendSoapMessage opened (0 = it reused one).
  long LastNewConnections() const;

 private:
  struct TCachedCertificate {
    TCertificateSelection Selection;
    TCredentialPtr Credential;
    std::unique_ptr<TSigningKey> SigningKey;  // built at the first signature
  };
  using TCachedPtr = std::shared_ptr<TCachedCertificate>;

  // Selects, announces (OnCheckCertificate) and checks a certificate.
  TCachedPtr Use(const TCertificateSelection& aSelection);
  TCachedPtr Select(const TCertificateSelection& aSelection);
  TCredentialPtr Open(const TCertificateSelection& aSelection);
  TCredentialPtr FindInStore(const TCertificateSelection& aSelection);
  std::string StoreDescription(int aKind) const;
  std::string StoreDirectory(int aKind) const;
  void Remember(const TCredentialPtr& aCredential);
  // Drops what no current selection uses (a certificate value changed).
  void PruneCache();

  TGovXOptions FOptions;
  TSignatureSettings FSignature;
  TConnectionSettings FConnection;
  TEmailSettings FEmail;
  TReportSettings FReport;
  std::vector<TCachedPtr> FCache;
  std::vector<TCredentialPtr> FMemoryStore;
  std::unique_ptr<TSoapTransport> FSoap;
  // The PDFs handed to the preview callback, the latest MaxPreviewFiles of
  // them, removed with the server.
  static constexpr std::size_t MaxPreviewFiles = 8;
  std::vector<std::string> FPreviewFiles;
};

}  // namespace xnd::govx
