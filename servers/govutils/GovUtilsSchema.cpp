// Schema validation with compiled schemas shared by the whole process.
//
// Callers create a server object per operation in many places, so a cache per
// instance would compile the national schemas (tens of milliseconds each) again
// and again. The cache is therefore process-wide, guarded by a mutex, keyed by
// the absolute path of the schema file and checked against the file's
// modification time and size: a changed file is compiled again. Files the
// schema includes are not stamped. Compiled schemas are shared read-only;
// every validation runs on a validation context of its own, outside the lock.
#include <libxml/xmlschemas.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "platform/exception.h"
#include "platform/files.h"
#include "servers/govutils/GovUtilsServerImpl.h"
#include "servers/govutils/XmlSupport.h"

namespace xnd {

namespace {

using govutils::XmlDocPtr;
using govutils::XmlErrorCapture;

constexpr const char* kSchemaInstanceNs = "http://www.w3.org/2001/XMLSchema-instance";

struct SchemaDeleter {
  void operator()(xmlSchema* aSchema) const noexcept { xmlSchemaFree(aSchema); }
};
struct SchemaParserCtxtDeleter {
  void operator()(xmlSchemaParserCtxt* aCtxt) const noexcept { xmlSchemaFreeParserCtxt(aCtxt); }
};
struct SchemaValidCtxtDeleter {
  void operator()(xmlSchemaValidCtxt* aCtxt) const noexcept { xmlSchemaFreeValidCtxt(aCtxt); }
};
using SchemaPtr = std::shared_ptr<xmlSchema>;
using SchemaParserCtxtPtr = std::unique_ptr<xmlSchemaParserCtxt, SchemaParserCtxtDeleter>;
using SchemaValidCtxtPtr = std::unique_ptr<xmlSchemaValidCtxt, SchemaValidCtxtDeleter>;

struct FileStamp {
  std::int64_t Seconds = 0;
  std::int64_t Nanoseconds = 0;
  std::int64_t Size = 0;
  bool operator==(const FileStamp&) const = default;
};

std::string Join(const std::vector<std::string>& aLines) {
  std::string text;
  for (const std::string& line : aLines) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

// "<file>, linha N: message" for a compile error (an included file may be the culprit).
std::string DescribeSchemaIssue(const govutils::XmlIssue& aIssue, const std::string& aSchemaFile) {
  const std::string& file = aIssue.File.empty() ? aSchemaFile : aIssue.File;
  if (aIssue.Line <= 0) return file + ": " + aIssue.Message;
  return file + ", " + XmlErrorCapture::Describe(aIssue);
}

// aPath is what libxml2 opens; aName is the file as the caller named it.
SchemaPtr CompileSchema(const std::string& aPath, const std::string& aName) {
  XmlErrorCapture capture;
  const SchemaParserCtxtPtr parser(xmlSchemaNewParserCtxt(aPath.c_str()));
  if (!parser) throw EOleException("Sem memória para carregar o esquema " + aPath);
  xmlSchemaSetParserStructuredErrors(parser.get(), &XmlErrorCapture::Collect, &capture);
  xmlSchema* schema = xmlSchemaParse(parser.get());
  if (schema == nullptr) {
    std::vector<std::string> lines;
    for (const govutils::XmlIssue& issue : capture.Errors())
      lines.push_back(DescribeSchemaIssue(issue, aPath));
    if (lines.empty()) lines.emplace_back("erro desconhecido");
    throw EOleException("Não foi possível carregar o esquema " + aName + ":\n" + Join(lines));
  }
  return SchemaPtr(schema, SchemaDeleter());
}

class SchemaCache {
 public:
  static SchemaCache& Instance() {
    static SchemaCache cache;
    return cache;
  }

  SchemaPtr Get(const std::string& aSchemaFile) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(aSchemaFile, error);
    if (error) throw EOleException("Arquivo de esquema não encontrado: " + aSchemaFile);
    const std::string path = absolute.lexically_normal().string();
    const FileStamp stamp = StampOf(path, aSchemaFile);
    if (SchemaPtr cached = Find(path, stamp)) return cached;
    // One compilation at a time; lookups of compiled schemas do not wait for it.
    const std::lock_guard<std::mutex> compiling(FCompileMutex);
    if (SchemaPtr cached = Find(path, stamp)) return cached;
    SchemaPtr schema = CompileSchema(path, aSchemaFile);
    const std::lock_guard<std::mutex> lock(FMutex);
    FEntries[path] = Entry{stamp, schema};
    return schema;
  }

 private:
  struct Entry {
    FileStamp Stamp;
    SchemaPtr Schema;
  };

  SchemaPtr Find(const std::string& aPath, const FileStamp& aStamp) {
    const std::lock_guard<std::mutex> lock(FMutex);
    const auto found = FEntries.find(aPath);
    return found != FEntries.end() && found->second.Stamp == aStamp ? found->second.Schema
                                                                    : nullptr;
  }

  static FileStamp StampOf(const std::string& aPath, const std::string& aGivenName) {
    struct stat info {};
    if (::stat(aPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      throw EOleException("Arquivo de esquema não encontrado: " + aGivenName);
    }
    return FileStamp{info.st_mtim.tv_sec, info.st_mtim.tv_nsec,
                     static_cast<std::int64_t>(info.st_size)};
  }

  std::mutex FMutex;
  std::mutex FCompileMutex;
  std::map<std::string, Entry> FEntries;
};

std::string NamespaceOf(const xmlNode* aElement) {
  return aElement->ns != nullptr ? govutils::ToString(aElement->ns->href) : std::string();
}

// The errors of one validation, "linha N: message" each; empty when valid.
std::vector<std::string> ValidateDocument(const XmlDocPtr& aDoc, const std::string& aNamespace,
                                          const SchemaPtr& aSchema) {
  const xmlNode* root = govutils::RootElement(aDoc);
  if (!aNamespace.empty() && NamespaceOf(root) != aNamespace) {
    return {"linha " + std::to_string(xmlGetLineNo(root)) + ": o elemento raiz '" +
            govutils::ToString(root->name) + "' está no namespace \"" + NamespaceOf(root) +
            "\", esperado \"" + aNamespace + "\""};
  }
  XmlErrorCapture capture;
  const SchemaValidCtxtPtr validator(xmlSchemaNewValidCtxt(aSchema.get()));
  if (!validator) throw EOleException("Sem memória para validar o XML");
  xmlSchemaSetValidStructuredErrors(validator.get(), &XmlErrorCapture::Collect, &capture);
  const int result = xmlSchemaValidateDoc(validator.get(), aDoc.get());
  std::vector<std::string> lines;
  for (const govutils::XmlIssue& issue : capture.Errors())
    lines.push_back(XmlErrorCapture::Describe(issue));
  if (result < 0)
    throw EOleException("Erro interno do validador de esquema (" + std::to_string(result) + ")");
  if (result > 0 && lines.empty()) lines.emplace_back("o XML não é válido");
  return lines;
}

struct SchemaLocation {
  std::string Namespace;
  std::string File;
};

std::vector<std::string> SplitBlanks(const std::string& aText) {
  std::vector<std::string> tokens;
  std::size_t pos = 0;
  while (pos < aText.size()) {
    const std::size_t start = aText.find_first_not_of(" \t\r\n", pos);
    if (start == std::string::npos) break;
    const std::size_t end = std::min(aText.find_first_of(" \t\r\n", start), aText.size());
    tokens.push_back(aText.substr(start, end - start));
    pos = end;
  }
  return tokens;
}

std::string RootAttribute(const xmlNode* aRoot, const char* aName) {
  const govutils::XmlCharPtr value(xmlGetNsProp(aRoot, BAD_CAST aName, BAD_CAST kSchemaInstanceNs));
  return govutils::ToString(value.get());
}

// xsi:schemaLocation ("namespace location" pairs: the last location counts) or
// xsi:noNamespaceSchemaLocation of the root element.
SchemaLocation FindSchemaLocation(const XmlDocPtr& aDoc) {
  const xmlNode* root = govutils::RootElement(aDoc);
  const std::vector<std::string> pairs = SplitBlanks(RootAttribute(root, "schemaLocation"));
  if (!pairs.empty()) {
    return {pairs.size() >= 2 ? pairs[pairs.size() - 2] : std::string(), pairs.back()};
  }
  const std::vector<std::string> single =
      SplitBlanks(RootAttribute(root, "noNamespaceSchemaLocation"));
  if (!single.empty()) return {std::string(), single.back()};
  throw EOleException(
      "O XML não informa o esquema: o elemento raiz não tem o atributo xsi:schemaLocation");
}

std::string SchemaFileIn(const std::string& aDirectory, const std::string& aLocation) {
  const std::string name = ExtractFileName(NormalizePathSeparators(aLocation));
  return aDirectory.empty() ? name : IncludeTrailingPathDelimiter(aDirectory) + name;
}

}  // namespace

void TGovUtilsServer::Validate(const std::string& aXml, const std::string& aNamespace,
                               const std::string& aSchemaFile) {
  FValidationErrors.clear();
  std::vector<std::string> errors;
  try {
    const SchemaPtr schema = SchemaCache::Instance().Get(aSchemaFile);
    errors = ValidateDocument(govutils::ParseXml(aXml), aNamespace, schema);
  } catch (const Exception& e) {
    FValidationErrors = e.Message();
    throw;
  }
  if (errors.empty()) return;
  FValidationErrors = Join(errors);
  throw EOleException("O XML não é válido segundo o esquema " + aSchemaFile + ":\n" +
                      FValidationErrors);
}

void TGovUtilsServer::ValidateWithSchema(const std::string& aXml, const std::string& aNamespace,
                                         const std::string& aSchemaFile) {
  Validate(aXml, aNamespace, aSchemaFile);
}

void TGovUtilsServer::ValidateBySchemaLocation(const std::string& aXml,
                                               const std::string& aSchemaDirectory) {
  SchemaLocation location;
  try {
    location = FindSchemaLocation(govutils::ParseXml(aXml));
  } catch (const Exception& e) {
    FValidationErrors = e.Message();
    throw;
  }
  Validate(aXml, location.Namespace, SchemaFileIn(aSchemaDirectory, location.File));
}

std::string TGovUtilsServer::GetValidationErrors() { return FValidationErrors; }

}  // namespace xnd
