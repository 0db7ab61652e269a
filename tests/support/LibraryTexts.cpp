#include "tests/support/LibraryTexts.h"

#include <curl/curl.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <libxml/xpath.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>

namespace xnd::test {

namespace {

// Collects libxml2's diagnostics of the calling thread while it lives.
class Capture {
 public:
  Capture() { xmlSetStructuredErrorFunc(this, &Collect); }
  ~Capture() { xmlSetStructuredErrorFunc(nullptr, nullptr); }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  static void Collect(void* aSelf, xmlErrorPtr aError) {
    if (aSelf == nullptr || aError == nullptr || aError->level < XML_ERR_ERROR) return;
    std::string message = aError->message != nullptr ? aError->message : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
      message.pop_back();
    }
    for (char& c : message) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    static_cast<Capture*>(aSelf)->Issues.push_back(
        {aError->file != nullptr ? aError->file : "", aError->line, message});
  }

  std::vector<LibXmlIssue> Issues;
};

struct DocDeleter {
  void operator()(xmlDoc* a) const noexcept { xmlFreeDoc(a); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

DocPtr Parse(std::string_view aXml) {
  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(xmlNewParserCtxt(),
                                                                    &xmlFreeParserCtxt);
  if (!ctxt) throw std::runtime_error("xmlNewParserCtxt");
  return DocPtr(xmlCtxtReadMemory(ctxt.get(), aXml.data(), static_cast<int>(aXml.size()), nullptr,
                                  nullptr, XML_PARSE_NONET | XML_PARSE_BIG_LINES));
}

std::string Described(const LibXmlIssue& aIssue) {
  return aIssue.Line > 0 ? "linha " + std::to_string(aIssue.Line) + ": " + aIssue.Message
                         : aIssue.Message;
}

struct SchemaParserDeleter {
  void operator()(xmlSchemaParserCtxt* a) const noexcept { xmlSchemaFreeParserCtxt(a); }
};
struct SchemaDeleter {
  void operator()(xmlSchema* a) const noexcept { xmlSchemaFree(a); }
};
struct ValidCtxtDeleter {
  void operator()(xmlSchemaValidCtxt* a) const noexcept { xmlSchemaFreeValidCtxt(a); }
};

std::unique_ptr<xmlSchema, SchemaDeleter> LoadSchema(const std::string& aPath, Capture& aCapture) {
  std::unique_ptr<xmlSchemaParserCtxt, SchemaParserDeleter> parser(
      xmlSchemaNewParserCtxt(aPath.c_str()));
  if (!parser) throw std::runtime_error("xmlSchemaNewParserCtxt");
  xmlSchemaSetParserStructuredErrors(parser.get(), &Capture::Collect, &aCapture);
  return std::unique_ptr<xmlSchema, SchemaDeleter>(xmlSchemaParse(parser.get()));
}

}  // namespace

std::vector<LibXmlIssue> LibXmlParseErrors(std::string_view aXml) {
  Capture capture;
  Parse(aXml);
  return capture.Issues;
}

std::string LibXmlParseError(std::string_view aXml) {
  const std::vector<LibXmlIssue> issues = LibXmlParseErrors(aXml);
  if (issues.empty()) throw std::runtime_error("libxml2 parsed the document without an error");
  return Described(issues.front());
}

std::string LibXmlLastParseError(std::string_view aXml) {
  const std::vector<LibXmlIssue> issues = LibXmlParseErrors(aXml);
  if (issues.empty()) throw std::runtime_error("libxml2 parsed the document without an error");
  return Described(issues.back());
}

std::vector<LibXmlIssue> LibXmlSchemaLoadErrors(const std::string& aSchemaPath) {
  Capture capture;
  LoadSchema(aSchemaPath, capture);
  return capture.Issues;
}

std::vector<std::string> LibXmlValidationErrors(std::string_view aXml,
                                                const std::string& aSchemaPath) {
  Capture capture;
  const auto schema = LoadSchema(aSchemaPath, capture);
  const DocPtr doc = Parse(aXml);
  if (!schema || !doc) throw std::runtime_error("schema or document did not load");
  std::unique_ptr<xmlSchemaValidCtxt, ValidCtxtDeleter> valid(xmlSchemaNewValidCtxt(schema.get()));
  xmlSchemaSetValidStructuredErrors(valid.get(), &Capture::Collect, &capture);
  xmlSchemaValidateDoc(valid.get(), doc.get());
  std::vector<std::string> errors;
  for (const LibXmlIssue& issue : capture.Issues) errors.push_back(Described(issue));
  return errors;
}

std::string LibXmlXPathError(std::string_view aXml, const std::string& aXPath) {
  Capture capture;
  const DocPtr doc = Parse(aXml);
  if (!doc) throw std::runtime_error("document did not parse");
  std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> ctxt(
      xmlXPathNewContext(doc.get()), &xmlXPathFreeContext);
  xmlXPathObjectPtr result = xmlXPathEvalExpression(BAD_CAST aXPath.c_str(), ctxt.get());
  if (result != nullptr) xmlXPathFreeObject(result);
  if (capture.Issues.empty()) throw std::runtime_error("libxml2 evaluated the XPath without error");
  return capture.Issues.front().Message;
}

std::string OpenSslPkcs12Reason(std::string_view aBytes) {
  ERR_clear_error();
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(
      BIO_new_mem_buf(aBytes.data(), static_cast<int>(aBytes.size())), &BIO_free);
  PKCS12* p12 = d2i_PKCS12_bio(bio.get(), nullptr);
  if (p12 != nullptr) {
    PKCS12_free(p12);
    return "";
  }
  std::string text;
  const char* data = nullptr;
  int flags = 0;
  unsigned long code = 0;
  while ((code = ERR_get_error_all(nullptr, nullptr, nullptr, &data, &flags)) != 0) {
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    if (!text.empty()) text += "; ";
    text += buffer;
    if ((flags & ERR_TXT_STRING) != 0 && data != nullptr && *data != '\0') {
      text += std::string(" (") + data + ")";
    }
  }
  return text;
}

std::string OpenSslVerifyText(long aCode) { return X509_verify_cert_error_string(aCode); }

std::string CurlErrorText(const std::string& aUrl, long aTimeoutMs, const std::string& aProxy) {
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) throw std::runtime_error("curl_easy_init");
  char error[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl.get(), CURLOPT_URL, aUrl.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, "");
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  if (aTimeoutMs > 0) curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, aTimeoutMs);
  if (!aProxy.empty()) curl_easy_setopt(curl.get(), CURLOPT_PROXY, aProxy.c_str());
  curl_easy_setopt(
      curl.get(), CURLOPT_WRITEFUNCTION,
      +[](char*, size_t aSize, size_t aCount, void*) { return aSize * aCount; });
  const CURLcode code = curl_easy_perform(curl.get());
  if (code == CURLE_OK) return "";
  return error[0] != '\0' ? error : curl_easy_strerror(code);
}

}  // namespace xnd::test
