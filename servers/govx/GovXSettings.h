// The settings objects of the xndGovX server: plain holders of what the
// component pushes. The PIN (smart cards), the allowed-elements file and the
// option value are kept as given; nothing in this server reads them yet. The certificate values
// (kind, path, name, password) also tell the server when they really change, so it drops the cached
// key then and only then (the component pushes the same values before every operation).
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "external/xndGovXIntf.h"

namespace xnd::govx {

// What selects a certificate: the store kind, the name (first non-empty line
// of the pushed text, trimmed), the PKCS#12 path and its password.
struct TCertificateSelection {
  int Kind = 0;
  std::string Name;
  std::string Path;
  std::string Password;

  bool Configured() const { return !Name.empty() || !Path.empty(); }
  bool operator==(const TCertificateSelection&) const = default;
};

// The certificate name as the component pushes it may hold several lines,
// each ending in CR LF: the first non-empty one, trimmed.
std::string FirstCertificateName(const std::string& aText);

using TCertificateChanged = std::function<void()>;

// The certificate values shared by the signature and the connection settings.
class TCertificateValues {
 public:
  explicit TCertificateValues(TCertificateChanged aChanged) : FChanged(std::move(aChanged)) {}

  int Kind() const { return FKind; }
  void SetKind(int aValue) { Change(FKind, aValue); }
  const std::string& Path() const { return FPath; }
  void SetPath(const std::string& aValue) { Change(FPath, aValue); }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& aValue) { Change(FName, aValue); }
  const std::string& Password() const { return FPassword; }
  void SetPassword(const std::string& aValue) { Change(FPassword, aValue); }

  // The selection these values make; the path with "\" turned into "/".
  TCertificateSelection Selection() const;

 private:
  template <class T>
  void Change(T& aField, const T& aValue) {
    if (aField == aValue) return;
    aField = aValue;
    if (FChanged) FChanged();
  }

  TCertificateChanged FChanged;
  int FKind = 0;
  std::string FPath;
  std::string FName;
  std::string FPassword;
};

// The certificate properties (and the PIN) that both ISignatureSettings and
// IHttpSettings declare, kept in one TCertificateValues.
template <class TInterface>
class TCertificateSettings : public TInterface {
 public:
  explicit TCertificateSettings(TCertificateChanged aChanged) : FCertificate(std::move(aChanged)) {}

  std::string PinCode() const override { return FPinCode; }
  void SetPinCode(const std::string& aValue) override { FPinCode = aValue; }
  int CertificateKind() const override { return FCertificate.Kind(); }
  void SetCertificateKind(int aValue) override { FCertificate.SetKind(aValue); }
  std::string CertificatePath() const override { return FCertificate.Path(); }
  void SetCertificatePath(const std::string& aValue) override { FCertificate.SetPath(aValue); }
  std::string CertificateName() const override { return FCertificate.Name(); }
  void SetCertificateName(const std::string& aValue) override { FCertificate.SetName(aValue); }
  std::string CertificatePassword() const override { return FCertificate.Password(); }
  void SetCertificatePassword(const std::string& aValue) override {
    FCertificate.SetPassword(aValue);
  }

  TCertificateSelection Selection() const { return FCertificate.Selection(); }

 private:
  TCertificateValues FCertificate;
  std::string FPinCode;
};

class TSignatureSettings final : public TCertificateSettings<ISignatureSettings> {
 public:
  using TCertificateSettings::TCertificateSettings;

  std::string AllowedElementsFile() const override { return FAllowedElementsFile; }
  void SetAllowedElementsFile(const std::string& aValue) override { FAllowedElementsFile = aValue; }
  std::string ElementName() const override { return FElementName; }
  void SetElementName(const std::string& aValue) override { FElementName = aValue; }
  int Option() const override { return FOption; }
  void SetOption(int aValue) override { FOption = aValue; }

 private:
  std::string FAllowedElementsFile;
  std::string FElementName = "infNFe";
  int FOption = 0;
};

class TConnectionSettings final : public TCertificateSettings<IHttpSettings> {
 public:
  using TCertificateSettings::TCertificateSettings;

  std::string Proxy() const override { return FProxy; }
  void SetProxy(const std::string& aValue) override { FProxy = aValue; }
  VariantBool IgnoreInvalidCertificates() const override { return FIgnoreInvalidCertificates; }
  void SetIgnoreInvalidCertificates(VariantBool aValue) override {
    FIgnoreInvalidCertificates = aValue;
  }
  VariantBool SecureConnection() const override { return FSecureConnection; }
  void SetSecureConnection(VariantBool aValue) override { FSecureConnection = aValue; }
  int TimeOut() const override { return FTimeOut; }
  void SetTimeOut(int aValue) override { FTimeOut = aValue; }
  std::string User() const override { return FUser; }
  void SetUser(const std::string& aValue) override { FUser = aValue; }
  std::string Password() const override { return FPassword; }
  void SetPassword(const std::string& aValue) override { FPassword = aValue; }

 private:
  std::string FProxy;
  VariantBool FIgnoreInvalidCertificates = VARIANT_FALSE;
  VariantBool FSecureConnection = VARIANT_TRUE;
  int FTimeOut = 0;
  std::string FUser;
  std::string FPassword;
};

class TEmailSettings final : public IEmailSettings {
 public:
  std::string Sender() const override { return FSender; }
  void SetSender(const std::string& aValue) override { FSender = aValue; }
  std::string SmtpServer() const override { return FSmtpServer; }
  void SetSmtpServer(const std::string& aValue) override { FSmtpServer = aValue; }
  std::string User() const override { return FUser; }
  void SetUser(const std::string& aValue) override { FUser = aValue; }
  std::string Password() const override { return FPassword; }
  void SetPassword(const std::string& aValue) override { FPassword = aValue; }
  std::string Subject() const override { return FSubject; }
  void SetSubject(const std::string& aValue) override { FSubject = aValue; }
  std::string Message() const override { return FMessage; }
  void SetMessage(const std::string& aValue) override { FMessage = aValue; }
  int Port() const override { return FPort; }
  void SetPort(int aValue) override { FPort = aValue; }
  VariantBool Authentication() const override { return FAuthentication; }
  void SetAuthentication(VariantBool aValue) override { FAuthentication = aValue; }
  std::string Bcc() const override { return FBcc; }
  void SetBcc(const std::string& aValue) override { FBcc = aValue; }
  std::string Cc() const override { return FCc; }
  void SetCc(const std::string& aValue) override { FCc = aValue; }
  int TimeOut() const override { return FTimeOut; }
  void SetTimeOut(int aValue) override { FTimeOut = aValue; }
  VariantBool HtmlContent() const override { return FHtmlContent; }
  void SetHtmlContent(VariantBool aValue) override { FHtmlContent = aValue; }

 private:
  std::string FSender;
  std::string FSmtpServer;
  std::string FUser;
  std::string FPassword;
  std::string FSubject;
  std::string FMessage;
  int FPort = 0;
  VariantBool FAuthentication = VARIANT_FALSE;
  std::string FBcc;
  std::string FCc;
  int FTimeOut = 0;
  VariantBool FHtmlContent = VARIANT_FALSE;
};

class TReportSettings final : public IReportSettings {
 public:
  std::string Template() const override { return FTemplate; }
  void SetTemplate(const std::string& aValue) override { FTemplate = aValue; }
  std::string Xml() const override { return FXml; }
  void SetXml(const std::string& aValue) override { FXml = aValue; }
  std::string Params() const override { return FParams; }
  void SetParams(const std::string& aValue) override { FParams = aValue; }
  std::string Data() const override { return FData; }
  void SetData(const std::string& aValue) override { FData = aValue; }
  std::string Logo() const override { return FLogo; }
  void SetLogo(const std::string& aValue) override { FLogo = aValue; }
  int Copies() const override { return FCopies; }
  void SetCopies(int aValue) override { FCopies = aValue; }
  int ExportFormat() const override { return FExportFormat; }
  void SetExportFormat(int aValue) override { FExportFormat = aValue; }
  std::string PrinterName() const override { return FPrinterName; }
  void SetPrinterName(const std::string& aValue) override { FPrinterName = aValue; }
  std::string OutputFileName() const override { return FOutputFileName; }
  void SetOutputFileName(const std::string& aValue) override { FOutputFileName = aValue; }

 private:
  std::string FTemplate;
  std::string FXml;
  std::string FParams;
  std::string FData;
  std::string FLogo;
  int FCopies = 1;
  int FExportFormat = 0;
  std::string FPrinterName;
  std::string FOutputFileName;
};

}  // namespace xnd::govx
