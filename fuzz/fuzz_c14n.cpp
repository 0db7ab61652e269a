// libFuzzer harness, differential: the direct canonical writer of the
// signer against libxml2's own canonicaliser over the same node set. Where
// the writer gives a result it must be libxml2's byte for byte, or the
// signature would fail verification.
#include <libxml/c14n.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "servers/govx/GovXC14N.h"
#include "servers/govx/GovXXml.h"

namespace {

int InSubtree(void* aApex, xmlNode* aNode, xmlNode* aParent) {
  const xmlNode* node = aNode->type == XML_NAMESPACE_DECL ? aParent : aNode;
  if (node == nullptr || node->type == XML_COMMENT_NODE) return 0;
  for (; node != nullptr; node = node->parent) {
    if (node == aApex) return 1;
  }
  return 0;
}

std::optional<std::string> LibXmlCanonical(xmlDoc* aDoc, xmlNode* aApex) {
  xmlOutputBuffer* buffer = xmlAllocOutputBuffer(nullptr);
  if (buffer == nullptr) return std::nullopt;
  const int size = xmlC14NExecute(aDoc, InSubtree, aApex, XML_C14N_1_0, nullptr, 0, buffer);
  std::optional<std::string> text;
  if (size >= 0) {
    text = std::string(reinterpret_cast<const char*>(xmlOutputBufferGetContent(buffer)),
                       xmlOutputBufferGetSize(buffer));
  }
  xmlOutputBufferClose(buffer);
  return text;
}

void Silent(void*, const char*, ...) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace xnd::govx;
  xmlSetGenericErrorFunc(nullptr, Silent);
  std::string error;
  const XmlDocPtr doc =
      TryParseXml(std::string_view(reinterpret_cast<const char*>(aData), aSize), error);
  if (!doc) return 0;
  // The root's first element child (the signed element has a parent), else the root.
  xmlNode* root = xmlDocGetRootElement(doc.get());
  xmlNode* apex = FirstChildElement(root);
  if (apex == nullptr) apex = root;
  const std::optional<std::string> direct = CanonicalSubtree(apex);
  if (!direct) return 0;
  const std::optional<std::string> reference = LibXmlCanonical(doc.get(), apex);
  if (reference && *reference != *direct) std::abort();
  return 0;
}
