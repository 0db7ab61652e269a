#include "tests/support/LoopbackTlsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

#include "tests/support/TestPki.h"

namespace xnd::test {

namespace {

struct SslCtxDeleter {
  void operator()(SSL_CTX* a) const noexcept { SSL_CTX_free(a); }
};
struct SslDeleter {
  void operator()(SSL* a) const noexcept { SSL_free(a); }
};
using SslCtxPtr = std::unique_ptr<SSL_CTX, SslCtxDeleter>;
using SslPtr = std::unique_ptr<SSL, SslDeleter>;

[[noreturn]] void Fail(const std::string& aWhat) {
  char reason[256] = "";
  ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
  throw std::runtime_error("LoopbackTlsServer: " + aWhat + " " + reason + " " +
                           std::strerror(errno));
}

// A TLS context that requires a client certificate issued under aClientCa.
SslCtxPtr ServerContext(const std::string& aCertificate, const std::string& aKey,
                        const std::string& aClientCa) {
  SslCtxPtr ctx(SSL_CTX_new(TLS_server_method()));
  if (!ctx) Fail("SSL_CTX_new");
  if (SSL_CTX_use_certificate_chain_file(ctx.get(), aCertificate.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(ctx.get(), aKey.c_str(), SSL_FILETYPE_PEM) != 1 ||
      SSL_CTX_check_private_key(ctx.get()) != 1) {
    Fail("server certificate");
  }
  if (SSL_CTX_load_verify_locations(ctx.get(), aClientCa.c_str(), nullptr) != 1) Fail("client CA");
  SSL_CTX_set_client_CA_list(ctx.get(), SSL_load_client_CA_file(aClientCa.c_str()));
  SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
  return ctx;
}

std::string PeerCommonName(SSL* aSsl) {
  X509* cert = SSL_get0_peer_certificate(aSsl);
  if (cert == nullptr) return {};
  char name[512] = "";
  X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName, name, sizeof name);
  return name;
}

int PeerPort(int aSocket) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (getpeername(aSocket, reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
  return ntohs(address.sin_port);
}

const char* Reason(int aStatus) {
  switch (aStatus) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

std::string Trimmed(std::string_view aText) {
  const std::size_t first = aText.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = aText.find_last_not_of(" \t\r");
  return std::string(aText.substr(first, last - first + 1));
}

// One request of a connection: the head, then Content-Length bytes of body.
class RequestReader {
 public:
  explicit RequestReader(SSL* aSsl) : FSsl(aSsl) {}

  std::optional<RecordedRequest> Next() {
    std::size_t headEnd;
    while ((headEnd = FBuffer.find("\r\n\r\n")) == std::string::npos) {
      if (!Fill()) return std::nullopt;
    }
    RecordedRequest request = ParseHead(std::string_view(FBuffer).substr(0, headEnd));
    FBuffer.erase(0, headEnd + 4);
    const std::size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
    while (FBuffer.size() < length) {
      if (!Fill()) return std::nullopt;
    }
    request.Body = FBuffer.substr(0, length);
    FBuffer.erase(0, length);
    return request;
  }

 private:
  bool Fill() {
    char chunk[16384];
    const int read = SSL_read(FSsl, chunk, sizeof chunk);
    if (read <= 0) return false;
    FBuffer.append(chunk, static_cast<std::size_t>(read));
    return true;
  }

  static RecordedRequest ParseHead(std::string_view aHead) {
    RecordedRequest request;
    std::size_t lineEnd = aHead.find("\r\n");
    const std::string_view first = aHead.substr(0, lineEnd);
    const std::size_t space = first.find(' ');
    request.Method = std::string(first.substr(0, space));
    request.Path = std::string(first.substr(space + 1, first.find(' ', space + 1) - space - 1));
    while (lineEnd != std::string_view::npos) {
      const std::size_t start = lineEnd + 2;
      lineEnd = aHead.find("\r\n", start);
      const std::string_view line = aHead.substr(start, lineEnd - start);
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) continue;
      request.Headers.emplace(std::string(line.substr(0, colon)), Trimmed(line.substr(colon + 1)));
    }
    return request;
  }

  SSL* FSsl;
  std::string FBuffer;
};

}  // namespace

std::string RecordedRequest::Header(const std::string& aName) const {
  for (const auto& [name, value] : Headers) {
    if (strcasecmp(name.c_str(), aName.c_str()) == 0) return value;
  }
  return {};
}

struct LoopbackTlsServer::Impl {
  Impl(const std::string& aCertificate, const std::string& aKey, const std::string& aClientCa)
      : Context(ServerContext(aCertificate, aKey, aClientCa)) {
    // A client that hangs up early must not kill the test program.
    std::signal(SIGPIPE, SIG_IGN);
    Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (Listener < 0) Fail("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(Listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(Listener, 16) != 0 ||
        ::getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      ::close(Listener);
      Fail("bind 127.0.0.1");
    }
    Port = ntohs(address.sin_port);
    Acceptor = std::thread([this] { AcceptLoop(); });
  }

  ~Impl() {
    {
      const std::lock_guard lock(Mutex);
      Stopping = true;
      // Wakes every connection blocked in a read.
      for (const int socket : OpenSockets) ::shutdown(socket, SHUT_RDWR);
    }
    Wake.notify_all();
    Acceptor.join();
    for (std::thread& connection : Connections) connection.join();
    ::close(Listener);
  }

  void AcceptLoop() {
    while (!Stopping) {
      pollfd ready{Listener, POLLIN, 0};
      if (::poll(&ready, 1, 20) <= 0) continue;
      const int socket = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (socket < 0) continue;
      const std::lock_guard lock(Mutex);
      if (Stopping) {
        ::close(socket);
        break;
      }
      OpenSockets.insert(socket);
      Connections.emplace_back([this, socket] { Serve(socket); });
    }
  }

  void Serve(int aSocket) {
    const int on = 1;
    ::setsockopt(aSocket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    SslPtr ssl(SSL_new(Context.get()));
    if (ssl && SSL_set_fd(ssl.get(), aSocket) == 1 && SSL_accept(ssl.get()) == 1) {
      const std::string client = PeerCommonName(ssl.get());
      const int port = PeerPort(aSocket);
      RequestReader reader(ssl.get());
      while (std::optional<RecordedRequest> request = reader.Next()) {
        request->ClientCommonName = client;
        request->RemotePort = port;
        const bool close = strcasecmp(request->Header("Connection").c_str(), "close") == 0;
        if (!Answer(ssl.get(), std::move(*request)) || close) break;
      }
      SSL_shutdown(ssl.get());
    }
    ERR_clear_error();
    const std::lock_guard lock(Mutex);
    OpenSockets.erase(aSocket);
    ::close(aSocket);
  }

  bool Answer(SSL* aSsl, RecordedRequest aRequest) {
    CannedResponse response;
    {
      std::unique_lock lock(Mutex);
      Requests.push_back(std::move(aRequest));
      response = Response;
      if (response.DelayMs > 0) {
        Wake.wait_for(lock, std::chrono::milliseconds(response.DelayMs),
                      [this] { return Stopping.load(); });
      }
      if (Stopping) return false;
    }
    const bool raw = !response.Raw.empty();
    const std::string head =
        raw ? response.Raw
            : "HTTP/1.1 " + std::to_string(response.Status) + " " + Reason(response.Status) +
                  "\r\nContent-Type: " + response.ContentType + "\r\nContent-Length: " +
                  std::to_string(response.Body.size() * response.BodyRepeat) + "\r\n\r\n";
    if (!Write(aSsl, head, response.DripMs)) return false;
    for (std::size_t i = 0; !raw && i < response.BodyRepeat; ++i) {
      if (!Write(aSsl, response.Body, response.DripMs)) return false;
    }
    return !raw;
  }

  // All of aBytes, or one byte every aDripMs; false once the peer is gone
  // or the server stops.
  bool Write(SSL* aSsl, const std::string& aBytes, int aDripMs) {
    if (aBytes.empty()) return true;
    if (aDripMs <= 0) {
      return SSL_write(aSsl, aBytes.data(), static_cast<int>(aBytes.size())) ==
             static_cast<int>(aBytes.size());
    }
    for (const char byte : aBytes) {
      if (SSL_write(aSsl, &byte, 1) != 1) return false;
      std::unique_lock lock(Mutex);
      if (Wake.wait_for(lock, std::chrono::milliseconds(aDripMs),
                        [this] { return Stopping.load(); })) {
        return false;
      }
    }
    return true;
  }

  SslCtxPtr Context;
  int Listener = -1;
  int Port = 0;
  std::atomic<bool> Stopping{false};
  std::thread Acceptor;
  std::vector<std::thread> Connections;
  std::set<int> OpenSockets;
  std::mutex Mutex;
  std::condition_variable Wake;
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
