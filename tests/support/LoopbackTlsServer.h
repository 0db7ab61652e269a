// An HTTPS server on 127.0.0.1 (random port) for the SOAP tests: it requires
// a client certificate and verifies it against the test root authority,
// records every request and answers what the test set. It runs in its own
// threads and stops in its destructor.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace xnd::test {

struct RecordedRequest {
  std::string Method;
  std::string Path;
  std::multimap<std::string, std::string> Headers;  // names as sent
  std::string Body;
  std::string ClientCommonName;  // "" when no client certificate came
  int RemotePort = 0;            // the same for requests on one connection

  // The value of a header, matched ignoring case ("" when absent).
  std::string Header(const std::string& aName) const;
};

struct CannedResponse {
  int Status = 200;
  std::string ContentType = "application/soap+xml; charset=utf-8";
  std::string Body;
  int DelayMs = 0;  // before answering (time-out tests); cut short when the server stops
};

class LoopbackTlsServer {
 public:
  // Server certificate and client authority of the test PKI.
  LoopbackTlsServer();
  LoopbackTlsServer(const std::string& aCertificate, const std::string& aKey,
                    const std::string& aClientCa);
  ~LoopbackTlsServer();
  LoopbackTlsServer(const LoopbackTlsServer&) = delete;
  LoopbackTlsServer& operator=(const LoopbackTlsServer&) = delete;

  int Port() const;
  // "https://127.0.0.1:<port><aPath>".
  std::string Url(const std::string& aPath = "/ws") const;

  void Respond(const CannedResponse& aResponse);
  std::vector<RecordedRequest> Requests() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> FImpl;
};

}  // namespace xnd::test
