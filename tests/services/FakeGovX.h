// A stand-in for the xndGovX server that records the SOAP messages it is
// asked to send and answers with a canned text (or fails with a given
// message). Nothing else of the server is used by the web-service layer.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "external/xndGovXIntf.h"
#include "platform/com.h"

namespace xnd::test {

struct TSoapEnviado {
  std::string Url;
  std::string Envelope;
  std::string Acao;
  std::string Resultado;
  std::string Namespace;
};

class FakeGovX : public IxndGovX {
 public:
  std::vector<TSoapEnviado> Enviados;
  std::string Resposta = "<retorno/>";
  std::string Falha;  // non-empty: SendSoapMessage raises EOleException with it

  std::string SendSoapMessage(const std::string& aUrl, const std::string& aEnvelope,
                              const std::string& aAction, const std::string& aResultElement,
                              const std::string& aNamespace) override {
    Enviados.push_back({aUrl, aEnvelope, aAction, aResultElement, aNamespace});
    if (!Falha.empty()) throw EOleException(Falha);
    return Resposta;
  }

  ISignatureSettings& SignatureSettings() override { throw Unused(); }
  IHttpSettings& ConnectionSettings() override { throw Unused(); }
  IEmailSettings& EmailSettings() override { throw Unused(); }
  std::string SignXml(const std::string&, const std::string&) override { throw Unused(); }
  std::vector<std::string> ListCertificates() override { throw Unused(); }
  void CheckCertificate() override { throw Unused(); }
  bool ReleaseCertificate(const std::string&) override { throw Unused(); }
  IReportSettings& ReportSettings() override { throw Unused(); }
  void ReportPrintToPrinter() override { throw Unused(); }
  void ReportPreview() override { throw Unused(); }
  void ReportPrint() override { throw Unused(); }
  void ReportExport() override { throw Unused(); }

 private:
  static std::logic_error Unused() { return std::logic_error("not used by the web-service layer"); }
};

// Installs a FakeGovX as the "xndGovX" server while it lives; Fake() is the
// instance the next wrapper creates.
class ScopedFakeGovX {
 public:
  ScopedFakeGovX()
      : FScope(GovXServerName, [this]() -> std::unique_ptr<IServer> {
          auto fake = std::make_unique<FakeGovX>();
          FFake = fake.get();
          return fake;
        }) {}
  // Valid once a wrapper made its first call.
  FakeGovX& Fake() const { return *FFake; }

 private:
  FakeGovX* FFake = nullptr;
  ScopedServerFactory FScope;
};

}  // namespace xnd::test
