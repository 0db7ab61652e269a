#include "servers/govx/GovXSoap.h"

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servers/govx/GovXSoapMessages.h"

namespace xnd::govx {

namespace {

struct CurlDeleter {
  void operator()(CURL* a) const noexcept { curl_easy_cleanup(a); }
};
struct SlistDeleter {
  void operator()(curl_slist* a) const noexcept { curl_slist_free_all(a); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

void InitCurl() {
  static std::once_flag once;
  std::call_once(once, [] {
    const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (code != CURLE_OK) {
      throw EOleException(
          Format("Não foi possível iniciar a biblioteca HTTP: %s", curl_easy_strerror(code)));
    }
  });
}

template <class T>
void SetOption(CURL* aCurl, CURLoption aOption, T aValue) {
  const CURLcode code = curl_easy_setopt(aCurl, aOption, aValue);
  if (code != CURLE_OK) {
    throw EOleException(
        Format("Não foi possível configurar a conexão HTTP: %s", curl_easy_strerror(code)));
  }
}

template <class T>
T GetInfo(CURL* aCurl, CURLINFO aInfo) {
  T value{};
  if (curl_easy_getinfo(aCurl, aInfo, &value) != CURLE_OK) return T{};
  return value;
}

SlistPtr AppendHeader(SlistPtr aList, const std::string& aHeader) {
  curl_slist* list = curl_slist_append(aList.get(), aHeader.c_str());
  if (list == nullptr) throw EOleException("Memória insuficiente para montar a requisição HTTP.");
  aList.release();
  return SlistPtr(list);
}

SlistPtr SoapHeaders(TSoapVersion aVersion, const std::string& aAction) {
  if (aAction.find_first_of("\r\n\"") != std::string::npos) {
    throw EOleException(Format("Ação SOAP inválida: %s", aAction));
  }
  SlistPtr headers;
  if (aVersion == TSoapVersion::Soap12) {
    std::string type = "Content-Type: application/soap+xml; charset=utf-8";
    if (!aAction.empty()) type += "; action=\"" + aAction + "\"";
    headers = AppendHeader(std::move(headers), type);
  } else {
    headers = AppendHeader(std::move(headers), "Content-Type: text/xml; charset=utf-8");
    headers = AppendHeader(std::move(headers), "SOAPAction: \"" + aAction + "\"");
  }
  // No "Expect: 100-continue" round trip before larger envelopes.
  return AppendHeader(std::move(headers), "Expect:");
}

X509StackPtr ReadPemCertificates(const std::string& aPath) {
  X509StackPtr certificates(sk_X509_new_null());
  BioPtr bio(BIO_new_file(aPath.c_str(), "r"));
  if (!certificates || !bio) {
    throw EOleException(Format("Não foi possível ler as autoridades certificadoras de \"%s\"%s.",
                               aPath, OpenSslReasonSuffix()));
  }
  while (X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
    sk_X509_push(certificates.get(), cert);
  }
  ClearOpenSslErrors();
  return certificates;
}

std::vector<std::string> CaBundleFiles(const std::string& aBundle) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(aBundle, error)) return {aBundle};
  std::vector<std::string> files;
  for (fs::directory_iterator it(aBundle, error), end; !error && it != end; it.increment(error)) {
    const std::string extension = it->path().extension().string();
    if (SameText(extension, ".pem") || SameText(extension, ".crt")) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

int ImplIndex();
int VerifyCallback(int aOk, X509_STORE_CTX* aStore);

}  // namespace

struct TSoapTransport::Impl {
  std::string CaBundle;
  TSoapLimits Limits;
  bool CaLoaded = false;
  std::vector<X509Ptr> ExtraCas;
  CurlPtr Curl;
  std::uint64_t CurlClientSerial = 0;
  char ErrorBuffer[CURL_ERROR_SIZE] = {};

  // State of the exchange in progress.
  const TCredential* Client = nullptr;
  std::string VerifyProblem;
  std::string ContextProblem;
  std::string Body;
  std::string Reason;
  bool AnswerTooLarge = false;
  long OverallTimeOutMs = 0;
  bool OverallFromSettings = false;  // TimeOut > 0, else the default limit

  void LoadExtraCas();
  CURL* Handle(std::uint64_t aClientSerial);
  void Configure(const TSoapRequest& aRequest, const TConnectionSettings& aSettings,
                 curl_slist* aHeaders);
  std::string FailureMessage(const std::string& aUrl, CURLcode aCode) const;
  std::string TimeOutMessage(const std::string& aUrl) const;
  bool PrepareContext(SSL_CTX* aCtx);
};

namespace {

int ImplIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

// Keeps the first reason the server's chain was refused; the decision
// itself stays OpenSSL's (and curl's).
int VerifyCallback(int aOk, X509_STORE_CTX* aStore) {
  if (aOk != 0) return aOk;
  try {
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(aStore, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* impl = ssl != nullptr ? static_cast<TSoapTransport::Impl*>(
                                      SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ImplIndex()))
                                : nullptr;
    if (impl == nullptr || !impl->VerifyProblem.empty()) return aOk;
    const X509* cert = X509_STORE_CTX_get_current_cert(aStore);
    const int error = X509_STORE_CTX_get_error(aStore);
    impl->VerifyProblem =
        Format("%s: certificado \"%s\", emitido por \"%s\"", X509_verify_cert_error_string(error),
               cert != nullptr ? NameText(X509_get_subject_name(cert)) : std::string("?"),
               cert != nullptr ? NameText(X509_get_issuer_name(cert)) : std::string("?"));
  } catch (...) {
  }
  return aOk;
}

CURLcode SslContextCallback(CURL*, void* aSslCtx, void* aImpl) {
  auto* impl = static_cast<TSoapTransport::Impl*>(aImpl);
  try {
    return impl->PrepareContext(static_cast<SSL_CTX*>(aSslCtx)) ? CURLE_OK : CURLE_SSL_CERTPROBLEM;
  } catch (...) {
    return CURLE_SSL_CERTPROBLEM;
  }
}

size_t WriteCallback(char* aData, size_t aSize, size_t aCount, void* aImpl) {
  auto* impl = static_cast<TSoapTransport::Impl*>(aImpl);
  // Counted after decompression: a small compressed answer may inflate
  // without bound.
  if (aSize * aCount > impl->Limits.MaxAnswerBytes - impl->Body.size()) {
    impl->AnswerTooLarge = true;
    return 0;
  }
  try {
    impl->Body.append(aData, aSize * aCount);
  } catch (...) {
    return 0;
  }
  return aSize * aCount;
}

size_t HeaderCallback(char* aData, size_t aSize, size_t aCount, void* aImpl) {
  auto* impl = static_cast<TSoapTransport::Impl*>(aImpl);
  const std::string_view line(aData, aSize * aCount);
  try {
    if (line.substr(0, 5) == "HTTP/") {
      const std::size_t code = line.find(' ');
      const std::size_t reason = code == std::string_view::npos ? code : line.find(' ', code + 1);
      impl->Reason =
          reason == std::string_view::npos ? std::string() : Trim(line.substr(reason + 1));
    }
  } catch (...) {
    return 0;
  }
  return aSize * aCount;
}

}  // namespace

bool TSoapTransport::Impl::PrepareContext(SSL_CTX* aCtx) {
  // Level 1 still accepts the 1024-bit DH parameters some state hosts offer.
  SSL_CTX_set_security_level(aCtx, 1);
  if (SSL_CTX_set_ex_data(aCtx, ImplIndex(), this) != 1) {
    ContextProblem = "Não foi possível preparar o contexto TLS" + OpenSslReasonSuffix();
    return false;
  }
  SSL_CTX_set_verify(aCtx, SSL_CTX_get_verify_mode(aCtx), VerifyCallback);
  X509_STORE* store = SSL_CTX_get_cert_store(aCtx);
  for (const X509Ptr& ca : ExtraCas) {
    if (store == nullptr || X509_STORE_add_cert(store, ca.get()) != 1) {
      ContextProblem = "Não foi possível acrescentar as autoridades certificadoras de " +
                       std::string(CaBundleVariable) + OpenSslReasonSuffix();
      return false;
    }
  }
  if (Client == nullptr) return true;
  bool ok = SSL_CTX_use_certificate(aCtx, Client->Certificate.get()) == 1 &&
            SSL_CTX_use_PrivateKey(aCtx, Client->Key.get()) == 1;
  for (int i = 0; ok && Client->Chain && i < sk_X509_num(Client->Chain.get()); ++i) {
    X509* cert = sk_X509_value(Client->Chain.get(), i);
    if (!IsSelfSigned(cert)) ok = SSL_CTX_add1_chain_cert(aCtx, cert) == 1;
  }
  if (!ok || SSL_CTX_check_private_key(aCtx) != 1) {
    ContextProblem = Format("Não foi possível usar o certificado \"%s\" na conexão%s",
                            Client->CommonName, OpenSslReasonSuffix());
    return false;
  }
  return true;
}

void TSoapTransport::Impl::LoadExtraCas() {
  if (CaLoaded) return;
  if (!CaBundle.empty()) {
    if (!FileExists(CaBundle) && !DirectoryExists(CaBundle)) {
      throw EOleException(Format("Autoridades certificadoras adicionais (%s) não encontradas: %s",
                                 CaBundleVariable, CaBundle));
    }
    for (const std::string& file : CaBundleFiles(CaBundle)) {
      X509StackPtr certificates = ReadPemCertificates(file);
      while (X509* cert = sk_X509_shift(certificates.get())) ExtraCas.emplace_back(cert);
    }
  }
  CaLoaded = true;
}

CURL* TSoapTransport::Impl::Handle(std::uint64_t aClientSerial) {
  // A connection keeps the client certificate it was opened with: another
  // certificate needs new connections, so the handle and its pool go.
  if (Curl && aClientSerial != CurlClientSerial) Curl.reset();
  if (!Curl) {
    InitCurl();
    Curl.reset(curl_easy_init());
    if (!Curl) throw EOleException("Não foi possível criar a conexão HTTP.");
    CurlClientSerial = aClientSerial;
  }
  return Curl.get();
}

void TSoapTransport::Impl::Configure(const TSoapRequest& aRequest,
                                     const TConnectionSettings& aSettings, curl_slist* aHeaders) {
  CURL* curl = Curl.get();
  SetOption(curl, CURLOPT_URL, aRequest.Url.c_str());
  SetOption(curl, CURLOPT_PROTOCOLS_STR,
            FromVariantBool(aSettings.SecureConnection()) ? "https" : "http,https");
  SetOption(curl, CURLOPT_POST, 1L);
  SetOption(curl, CURLOPT_POSTFIELDS, aRequest.Envelope.data());
  SetOption(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(aRequest.Envelope.size()));
  SetOption(curl, CURLOPT_HTTPHEADER, aHeaders);
  SetOption(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  SetOption(curl, CURLOPT_ACCEPT_ENCODING, "");
  SetOption(curl, CURLOPT_USERAGENT, "xndNFe");
  SetOption(curl, CURLOPT_NOSIGNAL, 1L);
  SetOption(curl, CURLOPT_TCP_KEEPALIVE, 1L);
  SetOption(curl, CURLOPT_ERRORBUFFER, ErrorBuffer);
  SetOption(curl, CURLOPT_WRITEFUNCTION, WriteCallback);
  SetOption(curl, CURLOPT_WRITEDATA, this);
  SetOption(curl, CURLOPT_HEADERFUNCTION, HeaderCallback);
  SetOption(curl, CURLOPT_HEADERDATA, this);

  const bool verify = !FromVariantBool(aSettings.IgnoreInvalidCertificates());
  SetOption(curl, CURLOPT_SSL_VERIFYPEER, verify ? 1L : 0L);
  SetOption(curl, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
  SetOption(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  // Resumed sessions would carry another certificate's identity.
  SetOption(curl, CURLOPT_SSL_SESSIONID_CACHE, 0L);
  SetOption(curl, CURLOPT_SSL_CTX_FUNCTION, SslContextCallback);
  SetOption(curl, CURLOPT_SSL_CTX_DATA, this);

  const std::string proxy = Trim(aSettings.Proxy());
  SetOption(curl, CURLOPT_PROXY, proxy.c_str());
  const std::string user = aSettings.User();
  const std::string password = aSettings.Password();
  SetOption(curl, CURLOPT_PROXYUSERNAME, user.empty() ? nullptr : user.c_str());
  SetOption(curl, CURLOPT_PROXYPASSWORD, user.empty() ? nullptr : password.c_str());
  SetOption(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));

  // The declared length (before decompression) is refused at once.
  SetOption(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(Limits.MaxAnswerBytes));
  const long timeOut = std::max(0, aSettings.TimeOut());
  OverallTimeOutMs = timeOut > 0 ? timeOut : Limits.DefaultOverallTimeOutMs;
  OverallFromSettings = timeOut > 0;
  SetOption(curl, CURLOPT_TIMEOUT_MS, OverallTimeOutMs);
  SetOption(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(OverallTimeOutMs, Limits.ConnectTimeOutMs));
  SetOption(curl, CURLOPT_LOW_SPEED_LIMIT, Limits.LowSpeedBytesPerSecond);
  SetOption(curl, CURLOPT_LOW_SPEED_TIME, Limits.LowSpeedSeconds);
}

// curl reports the three time limits with one code: which one it was comes
// from how far the exchange got and how long it took.
std::string TSoapTransport::Impl::TimeOutMessage(const std::string& aUrl) const {
  const double total = GetInfo<double>(Curl.get(), CURLINFO_TOTAL_TIME);
  const bool connected = GetInfo<double>(Curl.get(), CURLINFO_PRETRANSFER_TIME) > 0;
  // curl checks the limits a few milliseconds late, never early.
  const bool overall = total * 1000 >= static_cast<double>(OverallTimeOutMs) - 1;
  if (overall) {
    return Format(OverallFromSettings
                      ? "Falha na comunicação com %s: tempo limite de %d ms (TimeOut) esgotado."
                      : "Falha na comunicação com %s: tempo limite padrão de %d ms esgotado "
                        "(TimeOut = 0).",
                  aUrl, OverallTimeOutMs);
  }
  if (!connected) {
    return Format("Falha na comunicação com %s: a conexão não foi estabelecida em %d ms.", aUrl,
                  std::min(OverallTimeOutMs, Limits.ConnectTimeOutMs));
  }
  return Format(
      "Falha na comunicação com %s: o servidor transmitiu menos de %d bytes/s durante %d s "
      "(transferência lenta demais).",
      aUrl, Limits.LowSpeedBytesPerSecond, Limits.LowSpeedSeconds);
}

std::string TSoapTransport::Impl::FailureMessage(const std::string& aUrl, CURLcode aCode) const {
  if (AnswerTooLarge || aCode == CURLE_FILESIZE_EXCEEDED) {
    const std::size_t mb = Limits.MaxAnswerBytes / (1024 * 1024);
    return Format("A resposta de %s ultrapassa o limite de %s: recebimento interrompido.", aUrl,
                  mb * 1024 * 1024 == Limits.MaxAnswerBytes
                      ? Format("%d MB", mb)
                      : Format("%d bytes", Limits.MaxAnswerBytes));
  }
  if (aCode == CURLE_OPERATION_TIMEDOUT) return TimeOutMessage(aUrl);
  const std::string reason = ErrorBuffer[0] != '\0' ? Trim(ErrorBuffer) : curl_easy_strerror(aCode);
  std::string message = Format("Falha na comunicação com %s: %s", aUrl, reason);
  if (!ContextProblem.empty()) message += ". " + ContextProblem;
  if (!VerifyProblem.empty()) {
    message += Format(
        ". Certificado do servidor não confiável (%s). Informe a cadeia da autoridade "
        "certificadora do servidor em %s",
        VerifyProblem, CaBundleVariable);
  }
  return message + ".";
}

TSoapTransport::TSoapTransport(std::string aCaBundle, TSoapLimits aLimits)
    : FImpl(std::make_unique<Impl>()) {
  FImpl->Limits = aLimits;
  if (aCaBundle.empty()) {
    if (const char* bundle = std::getenv(CaBundleVariable)) aCaBundle = bundle;
  }
  FImpl->CaBundle = std::move(aCaBundle);
}

TSoapTransport::~TSoapTransport() = default;

std::string TSoapTransport::Send(const TSoapRequest& aRequest, const TConnectionSettings& aSettings,
                                 const TCredentialPtr& aClient) {
  if (FromVariantBool(aSettings.SecureConnection()) && !StartsText("https://", aRequest.Url)) {
    throw EOleException(
        Format("Conexão segura exigida: o endereço %s não usa HTTPS.", aRequest.Url));
  }
  const SlistPtr headers = SoapHeaders(EnvelopeSoapVersion(aRequest.Envelope), aRequest.Action);
  Impl& impl = *FImpl;
  impl.LoadExtraCas();
  CURL* curl = impl.Handle(aClient ? aClient->Serial : 0);
  impl.Configure(aRequest, aSettings, headers.get());

  impl.Client = aClient.get();
  impl.ErrorBuffer[0] = '\0';
  impl.VerifyProblem.clear();
  impl.ContextProblem.clear();
  impl.Body.clear();
  impl.Reason.clear();
  impl.AnswerTooLarge = false;
  ClearOpenSslErrors();
  const CURLcode code = curl_easy_perform(curl);
  impl.Client = nullptr;
  // The handle outlives this call: it must not keep pointers into it.
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);
  FLastNewConnections = GetInfo<long>(curl, CURLINFO_NUM_CONNECTS);
  ClearOpenSslErrors();
  if (code != CURLE_OK) {
    impl.Body = std::string();  // a partial answer, up to the size limit, is not kept
    throw EOleException(impl.FailureMessage(aRequest.Url, code));
  }

  TSoapAnswer answer{aRequest.Url, GetInfo<long>(curl, CURLINFO_RESPONSE_CODE), impl.Reason,
                     std::move(impl.Body)};
  impl.Body.clear();
  return ExtractSoapResult(answer, aRequest.ResultElement, aRequest.Namespace);
}

}  // namespace xnd::govx
