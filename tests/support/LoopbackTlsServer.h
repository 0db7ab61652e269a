// An HTTPS server on 127.0.0.1 (random port) for the SOAP tests: it requires
// a client certificate and verifies it against the test root authority,
// records every request and answers what the test set. It runs in its own
// threads and stops in its destructor.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
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
  CannedResponse(int aStatus = 200,
                 std::string aContentType = "application/soap+xml; charset=utf-8",
                 std::string aBody = {}, int aDelayMs = 0)
      : Status(aStatus),
        ContentType(std::move(aContentType)),
        Body(std::move(aBody)),
        DelayMs(aDelayMs) {}

  int Status = 200;
  std::string ContentType = "application/soap+xml; charset=utf-8";
  std::string Body;
  int DelayMs = 0;  // before answering (time-out tests); cut short when the server stops
  // Hostile answers. Raw, when not empty, is written as it is (status line,
  // headers, body) in place of the composed answer, and the connection is
  // closed after it (a truncated body stays truncated).
  std::string Raw;
  // The composed body is Body repeated BodyRepeat times, written piece by
  // piece (a huge answer without holding it); Content-Length counts them all.
  std::size_t BodyRepeat = 1;
  // One byte every DripMs milliseconds instead of all at once.
  int DripMs = 0;
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
