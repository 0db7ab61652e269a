#include "tests/support/SampleDocuments.h"

#include <regex>
#include <stdexcept>

#include "platform/files.h"

namespace xnd::test {

namespace {

std::string Between(const std::string& aText, const std::string& aStart, const std::string& aEnd,
                    std::size_t aFrom = 0) {
  const std::size_t start = aText.find(aStart, aFrom);
  const std::size_t end = start == std::string::npos ? start : aText.find(aEnd, start);
  if (end == std::string::npos) throw std::runtime_error("sample without " + aStart + "/" + aEnd);
  return aText.substr(start, end + aEnd.size() - start);
}

std::string Compact(const std::string& aXml) {
  static const std::regex betweenTags(">\\s+<");
  return std::regex_replace(aXml, betweenTags, "><");
}

std::string Renumbered(std::string aItem, int aNumber) {
  static const std::regex number("^<det nItem=\"[0-9]+\">");
  return std::regex_replace(aItem, number, "<det nItem=\"" + std::to_string(aNumber) + "\">");
}

}  // namespace

std::string SharedFixture(const std::string& aName) {
  return ReadFileBytes(std::string(XND_SHARED_DIR) + "/fixtures/" + aName);
}

std::string RemoveSignature(const std::string& aXml) {
  const std::size_t start = aXml.find("<Signature");
  const std::string closing = "</Signature>";
  const std::size_t end = start == std::string::npos ? start : aXml.find(closing, start);
  if (end == std::string::npos) return aXml;
  return aXml.substr(0, start) + aXml.substr(end + closing.size());
}

std::string UnsignedNfe310(int aItems) {
  const std::string note = Compact(
      Between(SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"), "<infNFe", "</infNFe>"));
  std::vector<std::string> items;
  for (std::size_t at = note.find("<det "); at != std::string::npos;
       at = note.find("<det ", at + 1)) {
    items.push_back(Between(note, "<det ", "</det>", at));
  }
  const std::size_t first = note.find("<det ");
  const std::size_t afterLast = note.rfind("</det>") + 6;
  std::string details;
  for (int i = 0; i < aItems; ++i) {
    details += Renumbered(items[static_cast<std::size_t>(i) % items.size()], i + 1);
  }
  return "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">" + note.substr(0, first) + details +
         note.substr(afterLast) + "</NFe>";
}

std::string UnsignedIndentedNfe310() {
  return RemoveSignature(SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));
}

std::string UnsignedEventBatch() {
  std::string batch = RemoveSignature(SharedFixture("cce_envEvento_assinado.xml"));
  if (batch.compare(0, 3, "\xEF\xBB\xBF") == 0) batch.erase(0, 3);
  return batch;
}

}  // namespace xnd::test
