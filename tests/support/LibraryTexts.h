// What the libraries themselves say about a given input, asked at test time.
// A test compares the project's own part of a message and takes the library's
// part from here, so it holds on any patch release of libxml2, OpenSSL or curl.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace xnd::test {

// One diagnostic of libxml2: file (may be empty), line (0 when unknown) and
// message on one line (the trailing line break dropped, inner ones as blanks,
// as the project reports them).
struct LibXmlIssue {
  std::string File;
  int Line = 0;
  std::string Message;
};

// libxml2's errors for parsing aXml from memory with the network off.
std::vector<LibXmlIssue> LibXmlParseErrors(std::string_view aXml);
// The first of them as "linha N: message".
std::string LibXmlParseError(std::string_view aXml);
// The last of them (what the parser context keeps) as "linha N: message".
std::string LibXmlLastParseError(std::string_view aXml);
// libxml2's errors while compiling the schema file aSchemaPath.
std::vector<LibXmlIssue> LibXmlSchemaLoadErrors(const std::string& aSchemaPath);
// libxml2's validation errors of aXml against the schema file, "linha N: message" each.
std::vector<std::string> LibXmlValidationErrors(std::string_view aXml,
                                                const std::string& aSchemaPath);
// libxml2's first error for evaluating aXPath over aXml (no namespaces bound).
std::string LibXmlXPathError(std::string_view aXml, const std::string& aXPath);

// OpenSSL's reasons (as ERR_error_string_n writes them, "; " between them)
// for refusing aBytes as a DER PKCS#12 structure.
std::string OpenSslPkcs12Reason(std::string_view aBytes);
// OpenSSL's text of a certificate verification result (X509_V_ERR_...).
std::string OpenSslVerifyText(long aCode);

// curl's error buffer for a plain HTTPS POST to aUrl with OpenSSL's default
// trust (no client certificate, aTimeoutMs 0 = none), or "" when it worked.
std::string CurlErrorText(const std::string& aUrl, long aTimeoutMs = 0,
                          const std::string& aProxy = "");

}  // namespace xnd::test
