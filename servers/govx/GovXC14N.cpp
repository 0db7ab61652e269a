#include "servers/govx/GovXC14N.h"

#include <libxml/uri.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace xnd::govx {

namespace {

std::string_view View(const xmlChar* aText) {
  return aText != nullptr ? std::string_view(reinterpret_cast<const char*>(aText))
                          : std::string_view();
}

// One namespace binding; the default namespace has an empty prefix, and an
// empty href on it means "no default namespace" (xmlns="").
struct TBinding {
  std::string_view Prefix;
  std::string_view Href;
};

// libxml2's canonicaliser refuses relative or unparsable namespace URIs;
// the direct writer leaves those documents to it so the error stays.
bool IsAbsoluteNamespace(const xmlChar* aHref) {
  if (aHref == nullptr || *aHref == '\0') return true;
  xmlURI* uri = xmlParseURI(reinterpret_cast<const char*>(aHref));
  if (uri == nullptr) return false;
  const bool absolute = uri->scheme != nullptr && *uri->scheme != '\0';
  xmlFreeURI(uri);
  return absolute;
}

bool HasXmlPrefix(const xmlNs* aNs) { return View(aNs->prefix) == "xml"; }

// libxml2 (and xmlsec with it) writes a namespace URI as it is, where an
// attribute value would have & < " and tab, LF, CR escaped; such URIs are
// left to the general path so both forms stay byte for byte the same.
bool HasCharactersEscapedInValues(const xmlChar* aHref) {
  return View(aHref).find_first_of("&<\"\t\n\r") != std::string_view::npos;
}

// True when every namespace declaration of aElement is one the direct
// writer renders as libxml2's canonicaliser does.
bool DeclarationsCovered(const xmlNode* aElement) {
  for (const xmlNs* ns = aElement->nsDef; ns != nullptr; ns = ns->next) {
    if (HasXmlPrefix(ns) || !IsAbsoluteNamespace(ns->href)) return false;
    if (HasCharactersEscapedInValues(ns->href)) return false;
    if (ns->prefix != nullptr && (ns->href == nullptr || *ns->href == '\0')) return false;
  }
  return true;
}

// A name with a colon but no namespace comes from an undeclared prefix.
bool NameCovered(const xmlChar* aName, const xmlNs* aNs) {
  return aNs != nullptr || std::strchr(reinterpret_cast<const char*>(aName), ':') == nullptr;
}

// The bindings in scope at aElement (nearest declaration of each prefix),
// checking the ancestors hold nothing the writer would have to inherit
// besides namespaces (xml:* attributes).
bool CollectInScope(const xmlNode* aElement, std::vector<TBinding>& aScope) {
  for (const xmlNode* node = aElement; node != nullptr && node->type == XML_ELEMENT_NODE;
       node = node->parent) {
    if (!DeclarationsCovered(node)) return false;
    for (const xmlAttr* attr = node->properties; attr != nullptr; attr = attr->next) {
      if (attr->ns != nullptr && View(attr->ns->href) == View(XML_XML_NAMESPACE)) return false;
    }
    for (const xmlNs* ns = node->nsDef; ns != nullptr; ns = ns->next) {
      const std::string_view prefix = View(ns->prefix);
      const bool shadowed = std::any_of(aScope.begin(), aScope.end(),
                                        [&](const TBinding& b) { return b.Prefix == prefix; });
      if (!shadowed) aScope.push_back({prefix, View(ns->href)});
    }
  }
  return true;
}

void SortBindings(std::vector<TBinding>& aBindings) {
  std::sort(aBindings.begin(), aBindings.end(),
            [](const TBinding& a, const TBinding& b) { return a.Prefix < b.Prefix; });
}

void AppendDeclaration(std::string& aOut, const TBinding& aBinding) {
  aOut += aBinding.Prefix.empty() ? " xmlns" : " xmlns:";
  aOut += aBinding.Prefix;
  aOut += "=\"";
  aOut += aBinding.Href;  // never holds a character that would need escaping
  aOut += '"';
}

void AppendText(std::string& aOut, std::string_view aText) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < aText.size(); ++i) {
    const char* escaped = nullptr;
    switch (aText[i]) {
      case '&':
        escaped = "&amp;";
        break;
      case '<':
        escaped = "&lt;";
        break;
      case '>':
        escaped = "&gt;";
        break;
      case '\r':
        escaped = "&#xD;";
        break;
      default:
        continue;
    }
    aOut.append(aText, run, i - run).append(escaped);
    run = i + 1;
  }
  aOut.append(aText, run);
}

void AppendQName(std::string& aOut, const xmlNs* aNs, const xmlChar* aName) {
  if (aNs != nullptr && aNs->prefix != nullptr) aOut.append(View(aNs->prefix)).append(1, ':');
  aOut += View(aName);
}

class TWriter {
 public:
  explicit TWriter(std::string& aOut) : FOut(aOut) {}

  // aInherited: the bindings in scope at the parent of the top element.
  bool Top(const xmlNode* aElement, const std::vector<TBinding>& aInherited) {
    FScope = aInherited;
    for (const xmlNs* ns = aElement->nsDef; ns != nullptr; ns = ns->next) {
      FScope.push_back({View(ns->prefix), View(ns->href)});
    }
    // Nothing is rendered above the top element: it shows every binding in
    // scope (the nearest of each prefix) except an empty default.
    std::vector<TBinding> rendered;
    for (auto it = FScope.rbegin(); it != FScope.rend(); ++it) {
      const bool seen = std::any_of(rendered.begin(), rendered.end(),
                                    [&](const TBinding& b) { return b.Prefix == it->Prefix; });
      if (!seen) rendered.push_back(*it);
    }
    std::erase_if(rendered, [](const TBinding& b) { return b.Prefix.empty() && b.Href.empty(); });
    return Element(aElement, rendered);
  }

 private:
  std::string_view Lookup(std::string_view aPrefix) const {
    for (auto it = FScope.rbegin(); it != FScope.rend(); ++it) {
      if (it->Prefix == aPrefix) return it->Href;
    }
    return {};
  }

  bool Child(const xmlNode* aElement) {
    if (!DeclarationsCovered(aElement)) return false;
    // Below the top every ancestor is rendered: a declaration shows only
    // where it changes what the parent has in scope.
    std::vector<TBinding> rendered;
    for (const xmlNs* ns = aElement->nsDef; ns != nullptr; ns = ns->next) {
      const TBinding binding{View(ns->prefix), View(ns->href)};
      if (Lookup(binding.Prefix) != binding.Href) rendered.push_back(binding);
    }
    const std::size_t mark = FScope.size();
    for (const xmlNs* ns = aElement->nsDef; ns != nullptr; ns = ns->next) {
      FScope.push_back({View(ns->prefix), View(ns->href)});
    }
    const bool covered = Element(aElement, rendered);
    FScope.resize(mark);
    return covered;
  }

  bool Element(const xmlNode* aElement, std::vector<TBinding>& aRendered) {
    if (!NameCovered(aElement->name, aElement->ns)) return false;
    FOut += '<';
    AppendQName(FOut, aElement->ns, aElement->name);
    SortBindings(aRendered);
    for (const TBinding& binding : aRendered) AppendDeclaration(FOut, binding);
    if (!Attributes(aElement)) return false;
    FOut += '>';
    for (const xmlNode* child = aElement->children; child != nullptr; child = child->next) {
      switch (child->type) {
        case XML_ELEMENT_NODE:
          if (!Child(child)) return false;
          break;
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
          AppendText(FOut, View(child->content));
          break;
        case XML_COMMENT_NODE:
          break;
        case XML_PI_NODE:
          FOut.append("<?").append(View(child->name));
          if (child->content != nullptr && *child->content != '\0') {
            FOut.append(1, ' ').append(View(child->content));
          }
          FOut += "?>";
          break;
        default:
          return false;
      }
    }
    FOut += "</";
    AppendQName(FOut, aElement->ns, aElement->name);
    FOut += '>';
    return true;
  }

  // Attributes ordered by namespace URI (none first), then local name.
  bool Attributes(const xmlNode* aElement) {
    FAttributes.clear();
    for (const xmlAttr* attr = aElement->properties; attr != nullptr; attr = attr->next) {
      if (!NameCovered(attr->name, attr->ns)) return false;
      FAttributes.push_back(attr);
    }
    if (FAttributes.size() > 1) {
      std::sort(FAttributes.begin(), FAttributes.end(), [](const xmlAttr* a, const xmlAttr* b) {
        const std::string_view na = a->ns != nullptr ? View(a->ns->href) : std::string_view();
        const std::string_view nb = b->ns != nullptr ? View(b->ns->href) : std::string_view();
        if (na != nb) return na < nb;
        return View(a->name) < View(b->name);
      });
    }
    for (const xmlAttr* attr : FAttributes) {
      FOut += ' ';
      AppendQName(FOut, attr->ns, attr->name);
      FOut += "=\"";
      for (const xmlNode* text = attr->children; text != nullptr; text = text->next) {
        if (text->type != XML_TEXT_NODE) return false;
        AppendCanonicalAttributeValue(FOut, View(text->content));
      }
      FOut += '"';
    }
    return true;
  }

  std::string& FOut;
  std::vector<TBinding> FScope;
  std::vector<const xmlAttr*> FAttributes;
};

// libxml2's canonicaliser walks the whole document and fails on a relative
// namespace URI anywhere in it, inside the signed subtree or not.
bool DocumentDeclarationsCovered(const xmlNode* aAny) {
  const xmlNode* root = xmlDocGetRootElement(aAny->doc);
  for (const xmlNode* node = root; node != nullptr;) {
    if (node->type == XML_ELEMENT_NODE && node->nsDef != nullptr && !DeclarationsCovered(node)) {
      return false;
    }
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
      node = node->children;
      continue;
    }
    while (node != nullptr && node != root && node->next == nullptr) node = node->parent;
    if (node == nullptr || node == root) break;
    node = node->next;
  }
  return true;
}

}  // namespace

void AppendCanonicalAttributeValue(std::string& aOut, std::string_view aValue) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < aValue.size(); ++i) {
    const char* escaped = nullptr;
    switch (aValue[i]) {
      case '&':
        escaped = "&amp;";
        break;
      case '<':
        escaped = "&lt;";
        break;
      case '"':
        escaped = "&quot;";
        break;
      case '\t':
        escaped = "&#x9;";
        break;
      case '\n':
        escaped = "&#xA;";
        break;
      case '\r':
        escaped = "&#xD;";
        break;
      default:
        continue;
    }
    aOut.append(aValue, run, i - run).append(escaped);
    run = i + 1;
  }
  aOut.append(aValue, run);
}

std::optional<std::string> CanonicalSubtree(const xmlNode* aElement) {
  if (aElement == nullptr || aElement->type != XML_ELEMENT_NODE) return std::nullopt;
  if (!DocumentDeclarationsCovered(aElement)) return std::nullopt;
  std::vector<TBinding> inherited;
  if (aElement->parent != nullptr && !CollectInScope(aElement->parent, inherited)) {
    return std::nullopt;
  }
  std::reverse(inherited.begin(), inherited.end());  // outermost first, nearest last
  std::string out;
  out.reserve(16384);  // a note of a few dozen items without regrowing
  TWriter writer(out);
  if (!writer.Top(aElement, inherited)) return std::nullopt;
  return out;
}

std::optional<std::string> CanonicalInheritedNamespaces(const xmlNode* aParent,
                                                        std::string_view aDefaultNamespace) {
  std::vector<TBinding> scope;
  if (!CollectInScope(aParent, scope)) return std::nullopt;
  std::erase_if(scope, [](const TBinding& b) { return b.Prefix.empty(); });
  if (!aDefaultNamespace.empty()) scope.push_back({{}, aDefaultNamespace});
  SortBindings(scope);
  std::string out;
  for (const TBinding& binding : scope) AppendDeclaration(out, binding);
  return out;
}

}  // namespace xnd::govx
