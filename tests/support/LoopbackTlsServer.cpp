#include "tests/support/LoopbackTlsServer.h"

// The build flags of the system's cpp-httplib library (its pkg-config Cflags):
// the class layouts depend on them.
#ifndef CPPHTTPLIB_OPENSSL_SUPPORT
#define CPPHTTPLIB_OPENSSL_SUPPORT
#endif
#ifndef CPPHTTPLIB_ZLIB_SUPPORT
#define CPPHTTPLIB_ZLIB_SUPPORT
#endif
#ifndef CPPHTTPLIB_BROTLI_SUPPORT
#define CPPHTTPLIB_BROTLI_SUPPORT
#endif
#include <httplib.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <strings.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "tests/support/TestPki.h"

namespace xnd::test {

namespace {

std::string PeerCommonName(const SSL* aSsl) {
  if (aSsl == nullptr) return {};
  X509* cert = SSL_get0_peer_certificate(aSsl);
  if (cert == nullptr) return {};
  char name[512] = "";
  X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName, name, sizeof name);
  return name;
}

}  // namespace

std::string RecordedRequest::Header(const std::string& aName) const {
  for (const auto& [name, value] : Headers) {
    if (strcasecmp(name.c_str(), aName.c_str()) == 0) return value;
  }
  return {};
}

struct LoopbackTlsServer::Impl {
  Impl(const std::string& aCertificate, const std::string& aKey, const std::string& aClientCa)
      : Server(aCertificate.c_str(), aKey.c_str(), aClientCa.c_str()) {
    if (!Server.is_valid()) throw std::runtime_error("LoopbackTlsServer: invalid TLS setup");
    Server.set_keep_alive_max_count(100000);
    Server.set_keep_alive_timeout(30);
    const auto handler = [this](const httplib::Request& aRequest, httplib::Response& aResponse) {
      Handle(aRequest, aResponse);
    };
    Server.Post(".*", handler);
    Server.Get(".*", handler);
    Port = Server.bind_to_any_port("127.0.0.1");
    if (Port <= 0) throw std::runtime_error("LoopbackTlsServer: cannot bind 127.0.0.1");
    Thread = std::thread([this] { Server.listen_after_bind(); });
  }

  ~Impl() {
    {
      const std::lock_guard lock(Mutex);
      Stopping = true;
    }
    Wake.notify_all();
    Server.stop();
    if (Thread.joinable()) Thread.join();
  }

  void Handle(const httplib::Request& aRequest, httplib::Response& aResponse) {
    RecordedRequest recorded;
    recorded.Method = aRequest.method;
    recorded.Path = aRequest.path;
    recorded.Headers.insert(aRequest.headers.begin(), aRequest.headers.end());
    recorded.Body = aRequest.body;
    recorded.ClientCommonName = PeerCommonName(aRequest.ssl);
    recorded.RemotePort = aRequest.remote_port;
    CannedResponse response;
    {
      std::unique_lock lock(Mutex);
      Requests.push_back(std::move(recorded));
      response = Response;
      if (response.DelayMs > 0) {
        Wake.wait_for(lock, std::chrono::milliseconds(response.DelayMs), [this] { return Stopping; });
      }
    }
    aResponse.status = response.Status;
    aResponse.set_content(response.Body, response.ContentType.c_str());
  }

  httplib::SSLServer Server;
  int Port = 0;
  std::thread Thread;
  mutable std::mutex Mutex;
  std::condition_variable Wake;
  bool Stopping = false;
  CannedResponse Response;
  std::vector<RecordedRequest> Requests;
};

LoopbackTlsServer::LoopbackTlsServer()
    : LoopbackTlsServer(TestPki::Instance().ServerCertificate(), TestPki::Instance().ServerKey(),
                        TestPki::Instance().RootCaPem()) {}

LoopbackTlsServer::LoopbackTlsServer(const std::string& aCertificate, const std::string& aKey,
                                     const std::string& aClientCa)
    : FImpl(std::make_unique<Impl>(aCertificate, aKey, aClientCa)) {}

LoopbackTlsServer::~LoopbackTlsServer() = default;

int LoopbackTlsServer::Port() const { return FImpl->Port; }

std::string LoopbackTlsServer::Url(const std::string& aPath) const {
  return "https://127.0.0.1:" + std::to_string(FImpl->Port) + aPath;
}

void LoopbackTlsServer::Respond(const CannedResponse& aResponse) {
  const std::lock_guard lock(FImpl->Mutex);
  FImpl->Response = aResponse;
}

std::vector<RecordedRequest> LoopbackTlsServer::Requests() const {
  const std::lock_guard lock(FImpl->Mutex);
  return FImpl->Requests;
}

}  // namespace xnd::test
