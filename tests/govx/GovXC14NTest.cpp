// The direct canonical writer against libxml2's own canonicaliser run over
// the same node set (the element, its descendants, no comments).
#include "servers/govx/GovXC14N.h"

#include <gtest/gtest.h>
#include <libxml/c14n.h>

#include <string>

#include "servers/govx/GovXXml.h"

namespace xnd::test {
namespace {

using govx::CanonicalSubtree;

xmlNode* FindById(xmlDoc* aDoc, const std::string& aId) {
  for (xmlNode* node = xmlDocGetRootElement(aDoc); node != nullptr;) {
    if (node->type == XML_ELEMENT_NODE) {
      xmlChar* id = xmlGetProp(node, BAD_CAST "Id");
      const bool match = id != nullptr && aId == reinterpret_cast<const char*>(id);
      xmlFree(id);
      if (match) return node;
    }
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
      node = node->children;
      continue;
    }
    while (node != nullptr && node->next == nullptr) node = node->parent;
    if (node != nullptr) node = node->next;
  }
  return nullptr;
}

struct TSubtree {
  const xmlNode* Apex;
};

int InSubtree(void* aSubtree, xmlNode* aNode, xmlNode* aParent) {
  const xmlNode* node = aNode->type == XML_NAMESPACE_DECL ? aParent : aNode;
  if (node == nullptr || node->type == XML_COMMENT_NODE) return 0;
  for (; node != nullptr; node = node->parent) {
    if (node == static_cast<TSubtree*>(aSubtree)->Apex) return 1;
  }
  return 0;
}

std::string LibXmlCanonical(xmlDoc* aDoc, const xmlNode* aApex) {
  TSubtree subtree{aApex};
  xmlOutputBuffer* buffer = xmlAllocOutputBuffer(nullptr);
  const int size = xmlC14NExecute(aDoc, InSubtree, &subtree, XML_C14N_1_0, nullptr, 0, buffer);
  std::string text =
      size < 0 ? "<falhou>"
               : std::string(reinterpret_cast<const char*>(xmlOutputBufferGetContent(buffer)),
                             xmlOutputBufferGetSize(buffer));
  xmlOutputBufferClose(buffer);
  return text;
}

struct C14NCase {
  const char* Name;
  const char* Xml;  // the element with Id="A" is canonicalised
};
void PrintTo(const C14NCase& aCase, std::ostream* aOut) { *aOut << aCase.Name; }

class CanonicalSubtreeTest : public ::testing::TestWithParam<C14NCase> {};

TEST_P(CanonicalSubtreeTest, MatchesLibXml2) {
  std::string error;
  govx::XmlDocPtr doc = govx::TryParseXml(GetParam().Xml, error);
  ASSERT_TRUE(doc) << error;
  const xmlNode* apex = FindById(doc.get(), "A");
  ASSERT_NE(apex, nullptr);

  const std::optional<std::string> direct = CanonicalSubtree(apex);

  ASSERT_TRUE(direct.has_value());
  EXPECT_EQ(*direct, LibXmlCanonical(doc.get(), apex));
}

INSTANTIATE_TEST_SUITE_P(
    Documents, CanonicalSubtreeTest,
    ::testing::Values(
        // Every namespace in scope lands on the top element, sorted, the
        // nearest declaration of a prefix winning; an empty default is not shown.
        C14NCase{
            "AncestorNamespaces",
            "<r xmlns='urn:r' xmlns:z='urn:z' xmlns:xsi='http://www.w3.org/2001/"
            "XMLSchema-instance'><p xmlns:z='urn:z2' xmlns:a='urn:a'><e Id='A'><f/></e></p></r>"},
        C14NCase{"EmptyDefaultAbove", "<r xmlns='urn:r'><p xmlns=''><e Id='A'/></p></r>"},
        // Below the top a declaration shows only where it changes the scope.
        C14NCase{
            "RedeclarationsBelow",
            "<r xmlns='urn:r' xmlns:p='urn:p'><e Id='A'><c xmlns='urn:r' xmlns:p='urn:p'><d "
            "xmlns=''><g xmlns=''/><h xmlns='urn:h' xmlns:p='urn:q'><p:i/></h></d></c></e></r>"},
        C14NCase{"AttributeOrder",
                 "<r xmlns:b='urn:b' xmlns:a='urn:a'><e Id='A' z='1' b:y='2' a:z='3' a:a='4' "
                 "xml:lang='pt' m='5'/></r>"},
        C14NCase{"EscapedCharacters",
                 "<r><e Id='A' v='&quot;a&quot; &lt; &amp; &gt; &apos;&#9;&#xA;&#xD;x\ty'>A "
                 "&amp; B &lt;C&gt; \"q\" 'a'&#xD;\r\nz<![CDATA[x < y & z > w]]></e></r>"},
        C14NCase{"CommentsDroppedPisKept",
                 "<r><!-- fora --><e Id='A'><!-- dentro --><?alvo dados ?><?vazio?>t</e></r>"},
        C14NCase{"NonAsciiLatin1",
                 "<?xml version='1.0' encoding='ISO-8859-1'?><r><e Id='A' x='\xe7\xe3'>"
                 "a\xe7\xe3o</e></r>"},
        C14NCase{"PrefixedTop",
                 "<n:r xmlns:n='urn:n'><n:e Id='A' n:x='1'><n:f>t</n:f></n:e></n:r>"}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

// Shapes left to the general path: it either inherits what the writer does
// not carry or fails where the writer would not.
class CanonicalSubtreeDeclinesTest : public ::testing::TestWithParam<C14NCase> {};

TEST_P(CanonicalSubtreeDeclinesTest, GivesNothing) {
  std::string error;
  govx::XmlDocPtr doc = govx::TryParseXml(GetParam().Xml, error);
  ASSERT_TRUE(doc) << error;
  EXPECT_FALSE(CanonicalSubtree(FindById(doc.get(), "A")).has_value());
}

INSTANTIATE_TEST_SUITE_P(Documents, CanonicalSubtreeDeclinesTest,
                         ::testing::Values(C14NCase{"XmlAttributeOnAncestor",
                                                    "<r xml:lang='pt'><e Id='A'/></r>"},
                                           C14NCase{"RelativeNamespaceInside",
                                                    "<r><e Id='A'><f xmlns='rel/ns'/></e></r>"},
                                           C14NCase{"RelativeNamespaceElsewhere",
                                                    "<r><e Id='A'/><f xmlns:q='rel'/></r>"},
                                           // libxml2 writes these URIs raw, unlike attribute values.
                                           C14NCase{"AmpersandInDefaultNamespace",
                                                    "<r xmlns='urn:a&amp;b'><e Id='A'/></r>"},
                                           C14NCase{"AmpersandInPrefixedNamespaceBelow",
                                                    "<r><e Id='A'><f xmlns:q='urn:a&amp;b'/></e></r>"}),
                         [](const auto& aInfo) { return std::string(aInfo.param.Name); });

void Silent(void*, const char*, ...) {}

TEST(CanonicalSubtreeDeclinesTest, RelativeNamespaceIsOneLibXml2Refuses) {
  std::string error;
  govx::XmlDocPtr doc = govx::TryParseXml("<r><e Id='A'/><f xmlns:q='rel'/></r>", error);
  ASSERT_TRUE(doc);
  xmlSetGenericErrorFunc(nullptr, Silent);
  EXPECT_EQ(LibXmlCanonical(doc.get(), FindById(doc.get(), "A")), "<falhou>");
  xmlSetGenericErrorFunc(nullptr, nullptr);
}

}  // namespace
}  // namespace xnd::test
