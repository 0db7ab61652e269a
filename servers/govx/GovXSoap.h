// SOAP over HTTPS with libcurl and OpenSSL. One curl handle per transport,
// reused, so consecutive calls to the same host keep their connection.
//
// - SOAP 1.2 envelopes go as "application/soap+xml; charset=utf-8;
//   action=\"...\"", SOAP 1.1 ones as "text/xml; charset=utf-8" with a
//   SOAPAction header.
// - The client certificate, its key and its chain (intermediates, so that
//   hosts that know only the root accept it) are put into each new TLS
//   context from memory: no key ever goes to a file.
// - The server certificate is verified unless the settings say to ignore
//   invalid certificates. Extra trusted authorities (the ICP-Brasil chain,
//   usually missing from the system store) come from a PEM file or a
//   directory of PEM files: the server option, else the XND_CA_BUNDLE
//   environment variable. They are added to the system store, not put in
//   its place. A verification failure names the certificate and the issuer
//   that could not be trusted.
// - Time-out: TimeOut > 0 limits the whole exchange to that many
//   milliseconds; TimeOut = 0 means the default overall limit of
//   DefaultOverallTimeOutMs (3 minutes). The connection (TCP and TLS) must be
//   made within 30 s, and an exchange whose transfer rate stays below
//   LowSpeedBytesPerSecond for LowSpeedSeconds is abandoned (a server that
//   drips its answer or goes silent), so nothing hangs forever. The message
//   says which of the three limits was hit.
// - Answer size: at most MaxAnswerBytes (16 MB) after decompression (a
//   real answer is a few kilobytes, a batch is limited to 500 KB); a longer
//   or a declared-longer answer is abandoned as soon as it passes the limit,
//   so a compressed "bomb" never inflates in memory.
// - Proxy: "host:port" (optionally "user:password@host:port"); the proxy
//   user and password settings are its credentials. No proxy configured
//   means a direct connection (the proxy environment variables are not used).
// - SecureConnection: only https addresses are accepted.
// - TLS 1.2 at least; OpenSSL security level 1, because some state hosts
//   still offer 1024-bit Diffie-Hellman parameters that level 2 refuses.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "servers/govx/GovXCertificates.h"
#include "servers/govx/GovXSettings.h"

namespace xnd::govx {

inline constexpr const char* CaBundleVariable = "XND_CA_BUNDLE";

// The bounds of one exchange (see above); tests shorten them.
struct TSoapLimits {
  long DefaultOverallTimeOutMs = 180000;
  long ConnectTimeOutMs = 30000;
  long LowSpeedBytesPerSecond = 100;
  long LowSpeedSeconds = 60;
  std::size_t MaxAnswerBytes = 16u * 1024u * 1024u;
};

struct TSoapRequest {
  std::string Url;
  std::string Envelope;
  std::string Action;
  std::string ResultElement;
  std::string Namespace;
};

class TSoapTransport {
 public:
  // aCaBundle: extra trusted authorities; "" = XND_CA_BUNDLE, when set.
  explicit TSoapTransport(std::string aCaBundle = {}, TSoapLimits aLimits = {});
  ~TSoapTransport();
  TSoapTransport(const TSoapTransport&) = delete;
  TSoapTransport& operator=(const TSoapTransport&) = delete;

  // Posts the envelope and answers the result element's content (see
  // ExtractSoapResult). aClient may be empty: no client certificate is sent.
  std::string Send(const TSoapRequest& aRequest, const TConnectionSettings& aSettings,
                   const TCredentialPtr& aClient);

  // How many new connections the last exchange opened (0 when it reused one).
  long LastNewConnections() const { return FLastNewConnections; }

  struct Impl;

 private:
  std::unique_ptr<Impl> FImpl;
  long FLastNewConnections = 0;
};

}  // namespace xnd::govx
