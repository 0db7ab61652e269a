// Fixture of the batch tests: a component in a temporary directory with the
// real xndGovUtils server and a recording fake of xndGovX that signs by
// inserting a recognisable Signature and answers the SOAP call with a text
// the test chooses.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "nfe/xndNFe.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/nfe/NFeTestSupport.h"
#include "tests/support/FakeServers.h"
#include "tests/support/TempDir.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {

inline constexpr const char* FakeSignature =
    "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo/>"
    "<SignatureValue>c2lnbmVk</SignatureValue><KeyInfo><X509Data><X509Certificate>Y2VydA==</"
    "X509Certificate>"
    "</X509Data></KeyInfo></Signature>";

// What the signing fake does besides recording.
struct BatchGovXScript {
  int SignFailsAt = 0;  // 1-based call of SignXml that raises SignError (0: none)
  std::string SignError;
  std::string SoapAnswer;  // SendSoapMessage's answer
  std::string SoapError;   // non-empty: SendSoapMessage raises it
  int SignCalls = 0;
};

// Signs by placing FakeSignature before the last "</NFe>" and records
// "SignXml=<Id>".
class SigningFakeGovX : public FakeGovX {
 public:
  SigningFakeGovX(FakeGovXState& aState, BatchGovXScript& aScript)
      : FakeGovX(aState), FScript(aScript), FState(aState) {}

  std::string SignXml(const std::string& aXml, const std::string& aId) override {
    FState.Log.Add("SignXml=" + aId);
    if (++FScript.SignCalls == FScript.SignFailsAt) throw EOleException(FScript.SignError);
    const std::size_t end = aXml.rfind("</NFe>");
    return end == std::string::npos ? aXml + FakeSignature
                                    : aXml.substr(0, end) + FakeSignature + aXml.substr(end);
  }
  std::string SendSoapMessage(const std::string& aUrl, const std::string&, const std::string&,
                              const std::string&, const std::string&) override {
    FState.Log.Add("SendSoapMessage=" + aUrl);
    if (!FScript.SoapError.empty()) throw EOleException(FScript.SoapError);
    return FScript.SoapAnswer;
  }

 private:
  BatchGovXScript& FScript;
  FakeGovXState& FState;
};

// A 44-digit access key of SP, model 55, series 1, with the given number.
inline std::string TestKey(int aNumero) {
  return GerarChaveNFeTpEmis("2015-03-10", "35", "00822602000124", "55", "1",
                             std::to_string(aNumero), "1",
                             "1099234" + std::to_string(aNumero % 10));
}

// A minimal infNFe (not a valid note, enough for the batch rules).
inline std::string TestNote(const std::string& aKey, const std::string& aTpEmis = "1",
                            const std::string& aExtra = "") {
  return "<infNFe Id=\"NFe" + aKey + "\" versao=\"3.10\"><ide><cUF>35</cUF><tpEmis>" + aTpEmis +
         "</tpEmis>" + aExtra + "</ide></infNFe>";
}

inline std::string Repeat(const std::string& aText, int aTimes) {
  std::string out;
  for (int i = 0; i < aTimes; ++i) out += aText;
  return out;
}

class BatchFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    FNFe = std::make_unique<TxndNFe>();
    FNFe->SetDiretorioLogErro(ErrorDir());
    FNFe->SetUF("SP");
    FNFe->SetVersaoManual(vm50a);
    FNFe->SetDiretorioLog(FTemp.Path() + "Log/");
    FNFe->SetDiretorioXmlDestinatario(FTemp.Path() + "XmlDestinatario/");
  }
  void TearDown() override { FNFe.reset(); }

  std::string ErrorDir() const { return FTemp.Path() + "erros/"; }
  std::vector<std::string> ErrorLog() const { return LogLines(ErrorDir() + "nfe_exception.log"); }
  std::vector<std::string> Calls(const std::string& aPrefix) const {
    return FGovX.Log.StartingWith(aPrefix);
  }

  TempDir FTemp;
  ScopedEnv FHome{"HOME", FTemp.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FTemp.Path() + "data"};
  FakeGovXState FGovX;
  BatchGovXScript FScript;
  ScopedServerFactory FGovXFactory{GovXServerName, [this]() -> std::unique_ptr<IServer> {
                                     return std::make_unique<SigningFakeGovX>(FGovX, FScript);
                                   }};
  std::unique_ptr<TxndNFe> FNFe;
};

}  // namespace xnd::test
