// Fakes of the two automation servers for tests about the component's own
// logic: every setter and operation is recorded, in order, as one line
// ("Conn.Proxy=host:8080", "Sig.Option=3", "ListCertificates", ...).
// Install them with xnd::ScopedServerFactory through FakeGovXFactory /
// FakeGovUtilsFactory; the state object outlives every server it creates.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "external/xndGovUtilsIntf.h"
#include "external/xndGovXIntf.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"

namespace xnd::test {

class TCallLog {
 public:
  void Add(std::string aCall) { FCalls.push_back(std::move(aCall)); }
  const std::vector<std::string>& Calls() const { return FCalls; }
  void Clear() { FCalls.clear(); }
  bool Contains(const std::string& aCall) const {
    return std::find(FCalls.begin(), FCalls.end(), aCall) != FCalls.end();
  }
  // The calls that start with aPrefix, in order.
  std::vector<std::string> StartingWith(const std::string& aPrefix) const {
    std::vector<std::string> out;
    for (const auto& c : FCalls) {
      if (c.rfind(aPrefix, 0) == 0) out.push_back(c);
    }
    return out;
  }

 private:
  std::vector<std::string> FCalls;
};

namespace fake_detail {
inline std::string Text(const std::string& v) { return v; }
inline std::string Text(int v) { return IntToStr(v); }
}  // namespace fake_detail

#define XND_FAKE_STR(Prefix, Name)                          \
  std::string Name() const override { return F##Name; }     \
  void Set##Name(const std::string& aValue) override {      \
    FLog.Add(std::string(Prefix) + "." #Name "=" + aValue); \
    F##Name = aValue;                                       \
  }                                                         \
  std::string F##Name

#define XND_FAKE_NUM(Prefix, Type, Name)                              \
  Type Name() const override { return F##Name; }                      \
  void Set##Name(Type aValue) override {                              \
    FLog.Add(std::string(Prefix) + "." #Name "=" + IntToStr(aValue)); \
    F##Name = aValue;                                                 \
  }                                                                   \
  Type F##Name = 0

class FakeSignatureSettings : public ISignatureSettings {
 public:
  explicit FakeSignatureSettings(TCallLog& aLog) : FLog(aLog) {}
  XND_FAKE_STR("Sig", PinCode);
  XND_FAKE_NUM("Sig", int, CertificateKind);
  XND_FAKE_STR("Sig", AllowedElementsFile);
  XND_FAKE_STR("Sig", CertificatePath);
  XND_FAKE_STR("Sig", CertificateName);
  XND_FAKE_STR("Sig", CertificatePassword);
  XND_FAKE_STR("Sig", ElementName);
  XND_FAKE_NUM("Sig", int, Option);

 private:
  TCallLog& FLog;
};

class FakeHttpSettings : public IHttpSettings {
 public:
  explicit FakeHttpSettings(TCallLog& aLog) : FLog(aLog) {}
  XND_FAKE_STR("Conn", PinCode);
  XND_FAKE_STR("Conn", Proxy);
  XND_FAKE_NUM("Conn", int, CertificateKind);
  XND_FAKE_NUM("Conn", VariantBool, IgnoreInvalidCertificates);
  XND_FAKE_NUM("Conn", VariantBool, SecureConnection);
  XND_FAKE_NUM("Conn", int, TimeOut);
  XND_FAKE_STR("Conn", User);
  XND_FAKE_STR("Conn", Password);
  XND_FAKE_STR("Conn", CertificatePath);
  XND_FAKE_STR("Conn", CertificateName);
  XND_FAKE_STR("Conn", CertificatePassword);

 private:
  TCallLog& FLog;
};

class FakeEmailSettings : public IEmailSettings {
 public:
  explicit FakeEmailSettings(TCallLog& aLog) : FLog(aLog) {}
  XND_FAKE_STR("Mail", Sender);
  XND_FAKE_STR("Mail", SmtpServer);
  XND_FAKE_STR("Mail", User);
  XND_FAKE_STR("Mail", Password);
  XND_FAKE_STR("Mail", Subject);
  XND_FAKE_STR("Mail", Message);
  XND_FAKE_NUM("Mail", int, Port);
  XND_FAKE_NUM("Mail", VariantBool, Authentication);
  XND_FAKE_STR("Mail", Bcc);
  XND_FAKE_STR("Mail", Cc);
  XND_FAKE_NUM("Mail", int, TimeOut);
  XND_FAKE_NUM("Mail", VariantBool, HtmlContent);

 private:
  TCallLog& FLog;
};

class FakeReportSettings : public IReportSettings {
 public:
  explicit FakeReportSettings(TCallLog& aLog) : FLog(aLog) {}
  XND_FAKE_STR("Report", Template);
  XND_FAKE_STR("Report", Xml);
  XND_FAKE_STR("Report", Params);
  XND_FAKE_STR("Report", Data);
  XND_FAKE_STR("Report", Logo);
  XND_FAKE_NUM("Report", int, Copies);
  XND_FAKE_NUM("Report", int, ExportFormat);
  XND_FAKE_STR("Report", PrinterName);
  XND_FAKE_STR("Report", OutputFileName);

 private:
  TCallLog& FLog;
};

#undef XND_FAKE_STR
#undef XND_FAKE_NUM

class FakeGovX;

// What the fake xndGovX answers, and what it was asked.
struct FakeGovXState {
  TCallLog Log;
  std::vector<std::string> Certificates;
  std::string ListError;   // non-empty: ListCertificates raises it
  std::string CheckError;  // non-empty: CheckCertificate raises it
  // Raised through OnCheckCertificate by ListCertificates when non-empty.
  std::string CheckedName;
  int Created = 0;
  FakeGovX* Last = nullptr;  // the newest server, while it lives
};

class FakeGovX : public IxndGovX {
 public:
  explicit FakeGovX(FakeGovXState& aState)
      : FState(aState),
        FSig(aState.Log),
        FConn(aState.Log),
        FMail(aState.Log),
        FReport(aState.Log) {
    ++FState.Created;
    FState.Last = this;
  }
  ~FakeGovX() override {
    if (FState.Last == this) FState.Last = nullptr;
  }

  ISignatureSettings& SignatureSettings() override { return FSig; }
  IHttpSettings& ConnectionSettings() override { return FConn; }
  IEmailSettings& EmailSettings() override { return FMail; }
  FakeSignatureSettings& Sig() { return FSig; }
  FakeHttpSettings& Conn() { return FConn; }

  std::string SignXml(const std::string& aXml, const std::string&) override {
    FState.Log.Add("SignXml");
    return aXml;
  }
  std::vector<std::string> ListCertificates() override {
    FState.Log.Add("ListCertificates");
    if (!FState.CheckedName.empty() && OnCheckCertificate) OnCheckCertificate(FState.CheckedName);
    if (!FState.ListError.empty()) throw EOleException(FState.ListError);
    return FState.Certificates;
  }
  void CheckCertificate() override {
    FState.Log.Add("CheckCertificate");
    if (!FState.CheckError.empty()) throw EOleException(FState.CheckError);
  }
  bool ReleaseCertificate(const std::string& aName) override {
    FState.Log.Add("ReleaseCertificate=" + aName);
    return true;
  }
  std::string SendSoapMessage(const std::string&, const std::string&, const std::string&,
                              const std::string&, const std::string&) override {
    FState.Log.Add("SendSoapMessage");
    return "";
  }
  IReportSettings& ReportSettings() override { return FReport; }
  void ReportPrintToPrinter() override { FState.Log.Add("ReportPrintToPrinter"); }
  void ReportPreview() override { FState.Log.Add("ReportPreview"); }
  void ReportPrint() override { FState.Log.Add("ReportPrint"); }
  void ReportExport() override { FState.Log.Add("ReportExport"); }

 private:
  FakeGovXState& FState;
  FakeSignatureSettings FSig;
  FakeHttpSettings FConn;
  FakeEmailSettings FMail;
  FakeReportSettings FReport;
};

class FakeGovUtils;

struct FakeGovUtilsState {
  TCallLog Log;
  std::string DefaultDirectory;  // GetDefaultDirectory(1)
  int Created = 0;
  FakeGovUtils* Last = nullptr;
};

// Text files are real (so exception logs land where they should); ProtectText
// wraps the text as "protected(...)".
class FakeGovUtils : public IxndGovUtils {
 public:
  explicit FakeGovUtils(FakeGovUtilsState& aState) : FState(aState) {
    ++FState.Created;
    FState.Last = this;
  }
  ~FakeGovUtils() override {
    if (FState.Last == this) FState.Last = nullptr;
  }

  std::string MakeLogFileName(const std::string& aKind, const std::string& aId) override {
    return aKind + "-" + aId + ".xml";
  }
  std::string SaveLog(const std::string&, const std::string&, const std::string&,
                      const std::string&, const std::string&) override {
    return "";
  }
  void SetSaveLogs(VariantBool aValue) override {
    FState.Log.Add("Utils.SetSaveLogs=" + IntToStr(aValue));
  }
  void AppendTextFile(const std::string& aText, const std::string& aPath) override {
    AppendFileBytes(aPath, aText);
  }
  void WriteTextFile(const std::string& aText, const std::string& aPath) override {
    WriteFileBytes(aPath, aText);
  }
  std::string ReadTextFile(const std::string& aPath) override { return ReadFileBytes(aPath); }
  bool SelectValue(const std::string&, const std::string&, int, const std::string&,
                   std::string&) override {
    return false;
  }
  bool SelectNodes(const std::string&, const std::string&, int, const std::string&,
                   std::vector<std::string>&) override {
    return false;
  }
  void ValidateWithSchema(const std::string&, const std::string&, const std::string&) override {}
  void ValidateBySchemaLocation(const std::string&, const std::string&) override {}
  std::string GetValidationErrors() override { return ""; }
  std::string RemoveAccents(const std::string& aText, const std::string&) override { return aText; }
  std::string RemoveAllAccents(const std::string& aText) override { return aText; }
  std::string PadLeft(const std::string& aText, int aWidth) override {
    const int missing = aWidth - static_cast<int>(aText.size());
    return missing > 0 ? std::string(static_cast<std::size_t>(missing), '0') + aText : aText;
  }
  std::string PrepareXml(const std::string& aXml) override { return aXml; }
  bool IsValidCPF(const std::string&) override { return true; }
  bool IsValidCNPJ(const std::string&) override { return true; }
  std::string ProtectText(const std::string& aText) override {
    FState.Log.Add("Utils.ProtectText=" + aText);
    return "protected(" + aText + ")";
  }
  std::string UnprotectText(const std::string& aText) override {
    FState.Log.Add("Utils.UnprotectText=" + aText);
    const std::string head = "protected(";
    if (aText.rfind(head, 0) == 0 && !aText.empty() && aText.back() == ')') {
      return aText.substr(head.size(), aText.size() - head.size() - 1);
    }
    return aText;
  }
  std::string DecodeUtf8(const std::string& aText) override { return aText; }
  bool IsUtf8(const std::string&) override { return true; }
  std::string GetParamValue(const std::string&, const std::string&) override { return ""; }
  double TextToDateTime(const std::string&) override { return 0; }
  std::string GetDefaultDirectory(int aKind) override {
    FState.Log.Add("Utils.GetDefaultDirectory=" + IntToStr(aKind));
    return FState.DefaultDirectory;
  }
  std::string ResolvePath(const std::string& aPath) override { return aPath; }
  std::string Compress(const std::string& aText) override { return aText; }
  std::string EncodeBase64(const std::string& aBytes) override { return aBytes; }
  std::string GetRootNamespace(const std::string&) override { return ""; }
  std::string GetElementValue(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
  std::string NormalizeXml(const std::string& aXml) override { return aXml; }
  std::string GetItemNumber(const std::string&) override { return ""; }

 private:
  FakeGovUtilsState& FState;
};

inline ServerRegistry::Factory FakeGovXFactory(FakeGovXState& aState) {
  return [&aState]() -> std::unique_ptr<IServer> { return std::make_unique<FakeGovX>(aState); };
}

inline ServerRegistry::Factory FakeGovUtilsFactory(FakeGovUtilsState& aState) {
  return [&aState]() -> std::unique_ptr<IServer> { return std::make_unique<FakeGovUtils>(aState); };
}

// A factory whose server cannot be created.
inline ServerRegistry::Factory FailingFactory(std::string aMessage) {
  return [aMessage]() -> std::unique_ptr<IServer> { throw EOleSysError(aMessage); };
}

}  // namespace xnd::test
