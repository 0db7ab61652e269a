// Interface of the xndGovX automation server: certificates, XML-DSig
// signing, SOAP over HTTPS with a client certificate, reports. Every failure
// is an EOleException carrying the server's message.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com.h"

namespace xnd {

inline constexpr const char* GovXServerName = "xndGovX";

class ISignatureSettings {
 public:
  virtual ~ISignatureSettings() = default;
  virtual std::string PinCode() const = 0;
  virtual void SetPinCode(const std::string& aValue) = 0;
  // TCertificadoKind ordinal: 0 memory, 1 local machine, 2 current user / file,
  // 3 directory service, 4 smart card.
  virtual int CertificateKind() const = 0;
  virtual void SetCertificateKind(int aValue) = 0;
  virtual std::string AllowedElementsFile() const = 0;
  virtual void SetAllowedElementsFile(const std::string& aValue) = 0;
  virtual std::string CertificatePath() const = 0;
  virtual void SetCertificatePath(const std::string& aValue) = 0;
  virtual std::string CertificateName() const = 0;
  virtual void SetCertificateName(const std::string& aValue) = 0;
  virtual std::string CertificatePassword() const = 0;
  virtual void SetCertificatePassword(const std::string& aValue) = 0;
  // Local name of the element whose Id the signature references ("infNFe", "infEvento").
  virtual std::string ElementName() const = 0;
  virtual void SetElementName(const std::string& aValue) = 0;
  virtual int Option() const = 0;
  virtual void SetOption(int aValue) = 0;
};

class IHttpSettings {
 public:
  virtual ~IHttpSettings() = default;
  virtual std::string PinCode() const = 0;
  virtual void SetPinCode(const std::string& aValue) = 0;
  // host:port, optionally with user:password@ in front.
  virtual std::string Proxy() const = 0;
  virtual void SetProxy(const std::string& aValue) = 0;
  virtual int CertificateKind() const = 0;
  virtual void SetCertificateKind(int aValue) = 0;
  virtual VariantBool IgnoreInvalidCertificates() const = 0;
  virtual void SetIgnoreInvalidCertificates(VariantBool aValue) = 0;
  virtual VariantBool SecureConnection() const = 0;
  virtual void SetSecureConnection(VariantBool aValue) = 0;
  // Milliseconds; 0 = the library default.
  virtual int TimeOut() const = 0;
  virtual void SetTimeOut(int aValue) = 0;
  // Proxy credentials.
  virtual std::string User() const = 0;
  virtual void SetUser(const std::string& aValue) = 0;
  virtual std::string Password() const = 0;
  virtual void SetPassword(const std::string& aValue) = 0;
  virtual std::string CertificatePath() const = 0;
  virtual void SetCertificatePath(const std::string& aValue) = 0;
  virtual std::string CertificateName() const = 0;
  virtual void SetCertificateName(const std::string& aValue) = 0;
  virtual std::string CertificatePassword() const = 0;
  virtual void SetCertificatePassword(const std::string& aValue) = 0;
};

class IEmailSettings {
 public:
  virtual ~IEmailSettings() = default;
  virtual std::string Sender() const = 0;
  virtual void SetSender(const std::string& aValue) = 0;
  virtual std::string SmtpServer() const = 0;
  virtual void SetSmtpServer(const std::string& aValue) = 0;
  virtual std::string User() const = 0;
  virtual void SetUser(const std::string& aValue) = 0;
  virtual std::string Password() const = 0;
  virtual void SetPassword(const std::string& aValue) = 0;
  virtual std::string Subject() const = 0;
  virtual void SetSubject(const std::string& aValue) = 0;
  virtual std::string Message() const = 0;
  virtual void SetMessage(const std::string& aValue) = 0;
  virtual int Port() const = 0;
  virtual void SetPort(int aValue) = 0;
  virtual VariantBool Authentication() const = 0;
  virtual void SetAuthentication(VariantBool aValue) = 0;
  virtual std::string Bcc() const = 0;
  virtual void SetBcc(const std::string& aValue) = 0;
  virtual std::string Cc() const = 0;
  virtual void SetCc(const std::string& aValue) = 0;
  virtual int TimeOut() const = 0;
  virtual void SetTimeOut(int aValue) = 0;
  virtual VariantBool HtmlContent() const = 0;
  virtual void SetHtmlContent(VariantBool aValue) = 0;
};

// Shows a rendered report: called by ReportPreview with the PDF file it wrote
// (the file stays until the server is destroyed, so a viewer started from the
// callback may open it later).
using TReportPreviewEvent = std::function<void(const std::string& aPdfFileName)>;

// The report engine's state: what to render and where the output goes.
class IReportSettings {
 public:
  // Installed by the host; ReportPreview raises when there is none.
  TReportPreviewEvent OnPreview;

  virtual ~IReportSettings() = default;
  virtual std::string Template() const = 0;
  virtual void SetTemplate(const std::string& aValue) = 0;
  virtual std::string Xml() const = 0;
  virtual void SetXml(const std::string& aValue) = 0;
  virtual std::string Params() const = 0;
  virtual void SetParams(const std::string& aValue) = 0;
  // JSON of the serialised datasets.
  virtual std::string Data() const = 0;
  virtual void SetData(const std::string& aValue) = 0;
  virtual std::string Logo() const = 0;
  virtual void SetLogo(const std::string& aValue) = 0;
  virtual int Copies() const = 0;
  virtual void SetCopies(int aValue) = 0;
  virtual int ExportFormat() const = 0;
  virtual void SetExportFormat(int aValue) = 0;
  virtual std::string PrinterName() const = 0;
  virtual void SetPrinterName(const std::string& aValue) = 0;
  virtual std::string OutputFileName() const = 0;
  virtual void SetOutputFileName(const std::string& aValue) = 0;
};

using TGovXCheckCertificateEvent = std::function<void(const std::string& aCertificateName)>;

class IxndGovX : public IServer {
 public:
  TGovXCheckCertificateEvent OnCheckCertificate;

  virtual ISignatureSettings& SignatureSettings() = 0;
  virtual IHttpSettings& ConnectionSettings() = 0;
  virtual IEmailSettings& EmailSettings() = 0;

  virtual std::string SignXml(const std::string& aXml, const std::string& aId) = 0;
  virtual std::vector<std::string> ListCertificates() = 0;
  virtual void CheckCertificate() = 0;
  virtual bool ReleaseCertificate(const std::string& aName) = 0;
  virtual std::string SendSoapMessage(const std::string& aUrl, const std::string& aEnvelope,
                                      const std::string& aAction, const std::string& aResultElement,
                                      const std::string& aNamespace) = 0;

  virtual IReportSettings& ReportSettings() = 0;
  virtual void ReportPrintToPrinter() = 0;
  virtual void ReportPreview() = 0;
  virtual void ReportPrint() = 0;
  virtual void ReportExport() = 0;
};

}  // namespace xnd
