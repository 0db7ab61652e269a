// Inclusive canonical XML 1.0 without comments, written straight from a
// libxml2 tree for the two node sets an enveloped NF-e signature needs: the
// subtree of the referenced element, and a SignedInfo placed under a given
// parent. Each node is visited once, with no node-set look-ups.
//
// Only the shapes the direct writer is sure of are covered; anything else
// (entity references, relative namespace URIs, namespace URIs holding a
// character that attribute values escape, xml:* attributes on the
// ancestors, a declaration of the xml prefix) gives std::nullopt so that
// the caller can take the general path.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <string_view>

namespace xnd::govx {

// The canonical form of aElement with all its descendants: the namespace
// declarations in scope from its ancestors are rendered on aElement itself,
// comments are dropped.
std::optional<std::string> CanonicalSubtree(const xmlNode* aElement);

// The namespace declarations (` xmlns="..."`, ` xmlns:p="..."`, sorted as
// the canonical form orders them) that the canonical form renders on the
// top element of a subtree placed as a child of aParent whose own element
// declares only the default namespace aDefaultNamespace. nullopt when the
// ancestors hold something the direct writer does not cover.
std::optional<std::string> CanonicalInheritedNamespaces(const xmlNode* aParent,
                                                        std::string_view aDefaultNamespace);

// Attribute value text in canonical form: & < " and tab, LF, CR escaped.
void AppendCanonicalAttributeValue(std::string& aOut, std::string_view aValue);

}  // namespace xnd::govx
