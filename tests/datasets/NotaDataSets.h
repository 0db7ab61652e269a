// Filling the entry datasets of an NF-e engine from an existing note, for the
// tests of generation and of what builds on it (the entry component, the
// rules). The mapping is the dictionary's own source
// (data-src/dictionary/datasets.txt): each dataset names the element of
// infNFe it stands for and each field its path below it, so a note of any
// layout fills the datasets as a user would have entered it.
//
//   auto engine = CriarEngineComDicionario(pl_008a);
//   PreencherDeXml(*engine, NotaDeTeste("nota310.xml"));
//   std::string infNFe = engine->ConverterAuto();
//
// Header-only so that any test program can include it.
#pragma once

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "datasets/xndNFeDataSetVersoes.h"
#include "platform/files.h"
#include "platform/text.h"

namespace xnd::test {

inline constexpr const char* NFeNamespace = "http://www.portalfiscal.inf.br/nfe";

// The shipped dictionary, as the build copies it beside the test program.
inline std::string DicionarioInstalado() { return DicionarioNFeInstalado(); }

// A new engine of the package with the shipped dictionary loaded.
inline std::unique_ptr<TxndNFeCustomDataSet> CriarEngineComDicionario(TVersaoEsquema aVersao,
                                                                      const std::string& aDicionario = "") {
  auto engine = CriarEngineNFe(aVersao);
  engine->SetXMLDicionario(aDicionario.empty() ? DicionarioInstalado() : aDicionario);
  return engine;
}

inline std::string LerArquivoTexto(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + aPath);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A note of tests/datasets/fixtures.
inline std::string NotaDeTeste(const std::string& aNome) {
  return LerArquivoTexto(std::string(XND_SOURCE_DIR) + "/tests/datasets/fixtures/" + aNome);
}

// "<infNFe ...>...</infNFe>" of a document (an nfeProc, an NFe or the element alone).
inline std::string TrechoInfNFe(const std::string& aXml) {
  const std::size_t start = aXml.find("<infNFe");
  const std::size_t end = aXml.find("</infNFe>");
  if (start == std::string::npos || end == std::string::npos) throw std::runtime_error("no infNFe");
  return aXml.substr(start, end + 9 - start);
}

// The note as it is signed: the infNFe in its NFe element.
inline std::string EmNFe(const std::string& aInfNFe) {
  return std::string("<NFe xmlns=\"") + NFeNamespace + "\">" + aInfNFe + "</NFe>";
}

namespace detail {

struct TCampoFonte {
  std::string Nome;
  std::vector<std::string> Caminhos;  // alternatives ("a|b")
};

struct TDataSetFonte {
  std::string Nome;
  std::string Caminho;
  std::string Mestre;
  std::vector<TCampoFonte> Campos;
};

inline std::vector<std::string> Palavras(const std::string& aLinha) {
  std::vector<std::string> palavras;
  std::istringstream in(aLinha);
  for (std::string p; in >> p;) palavras.push_back(p);
  return palavras;
}

inline std::vector<std::string> Separar(const std::string& aTexto, char aSeparador) {
  std::vector<std::string> partes;
  std::string parte;
  std::istringstream in(aTexto);
  while (std::getline(in, parte, aSeparador)) partes.push_back(parte);
  if (!aTexto.empty() && aTexto.back() == aSeparador) partes.emplace_back();
  return partes;
}

inline const std::vector<TDataSetFonte>& FonteDicionario() {
  static const std::vector<TDataSetFonte> fonte = [] {
    std::vector<TDataSetFonte> lista;
    std::istringstream in(LerArquivoTexto(std::string(XND_SOURCE_DIR) + "/data-src/dictionary/datasets.txt"));
    for (std::string linha; std::getline(in, linha);) {
      const std::vector<std::string> p = Palavras(linha);
      if (p.empty() || p[0][0] == '#') continue;
      if (p[0][0] == '[') {
        TDataSetFonte ds;
        ds.Nome = p[0].substr(1, p[0].size() - 2);
        for (const std::string& atributo : p) {
          if (atributo.rfind("path=", 0) == 0) ds.Caminho = atributo.substr(5);
          if (atributo.rfind("master=", 0) == 0) ds.Mestre = atributo.substr(7);
        }
        lista.push_back(ds);
      } else if (p.size() >= 2 && p[1] != "-" && linha.find(" hidden") == std::string::npos) {
        lista.back().Campos.push_back({p[0], Separar(p[1], '|')});
      }
    }
    return lista;
  }();
  return fonte;
}

inline bool NomeLocal(xmlNode* aNode, const std::string& aNome) {
  return aNode->type == XML_ELEMENT_NODE && (aNome == "*" || aNome == reinterpret_cast<const char*>(aNode->name));
}

// Every element reached by a path of element names ("" is the node itself).
inline std::vector<xmlNode*> Elementos(xmlNode* aContexto, const std::string& aCaminho) {
  std::vector<xmlNode*> atuais = {aContexto};
  if (aCaminho.empty()) return atuais;
  for (const std::string& passo : Separar(aCaminho, '/')) {
    std::vector<xmlNode*> proximos;
    for (xmlNode* node : atuais) {
      for (xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (NomeLocal(child, passo)) proximos.push_back(child);
      }
    }
    atuais = std::move(proximos);
  }
  return atuais;
}

// The value at a field path below a record's element; false when absent.
inline bool Valor(xmlNode* aRegistro, const std::string& aCaminho, std::string& aValor) {
  const std::size_t barra = aCaminho.rfind('/');
  const std::string ultimo = barra == std::string::npos ? aCaminho : aCaminho.substr(barra + 1);
  const std::string acima = barra == std::string::npos ? "" : aCaminho.substr(0, barra);
  for (xmlNode* node : Elementos(aRegistro, acima)) {
    if (ultimo[0] == '@') {
      if (xmlChar* v = xmlGetProp(node, BAD_CAST ultimo.substr(1).c_str())) {
        aValor = reinterpret_cast<const char*>(v);
        xmlFree(v);
        return true;
      }
      continue;
    }
    for (xmlNode* child = node->children; child != nullptr; child = child->next) {
      if (!NomeLocal(child, ultimo)) continue;
      xmlChar* v = xmlNodeGetContent(child);
      aValor = v != nullptr ? reinterpret_cast<const char*>(v) : "";
      xmlFree(v);
      return true;
    }
  }
  return false;
}

inline void PreencherRegistros(TxndNFeCustomDataSet& aEngine, const TDataSetFonte& aFonte, xmlNode* aContexto,
                               const std::string& aCaminhoRelativo) {
  TXmlDataSetNFe& dataSet = aEngine.DataSetPorNome(aFonte.Nome);
  for (xmlNode* registro : Elementos(aContexto, aCaminhoRelativo)) {
    // The record Incluir appended is used while it holds nothing.
    if (dataSet.State() != dsInsert || aEngine.PossuiDados(dataSet)) dataSet.Append();
    for (const TCampoFonte& campo : aFonte.Campos) {
      for (const std::string& caminho : campo.Caminhos) {
        std::string valor;
        if (Valor(registro, caminho, valor)) {
          dataSet.FieldByName(campo.Nome).SetAsString(valor);
          break;
        }
      }
    }
    dataSet.Post();
    for (const TDataSetFonte& detalhe : FonteDicionario()) {
      if (detalhe.Mestre != aFonte.Nome) continue;
      const std::string relativo = aFonte.Caminho.empty()              ? detalhe.Caminho
                                   : detalhe.Caminho == aFonte.Caminho ? std::string()
                                                                       : detalhe.Caminho.substr(aFonte.Caminho.size() + 1);
      PreencherRegistros(aEngine, detalhe, registro, relativo);
    }
  }
}

struct TDocDeleter {
  void operator()(xmlDoc* aDoc) const { xmlFreeDoc(aDoc); }
};
using TDoc = std::unique_ptr<xmlDoc, TDocDeleter>;

inline TDoc Analisar(const std::string& aXml) {
  TDoc doc(xmlReadMemory(aXml.data(), static_cast<int>(aXml.size()), "nota.xml", nullptr,
                         XML_PARSE_NONET | XML_PARSE_NOBLANKS));
  if (!doc) throw std::runtime_error("not well-formed: " + aXml.substr(0, 200));
  return doc;
}

}  // namespace detail

// Starts a new note (Incluir) and fills it from the infNFe of aXml (an
// nfeProc, an NFe or the infNFe element, indented or not), with every field
// the dictionary maps to an element or attribute of the note.
inline void PreencherDeXml(TxndNFeCustomDataSet& aEngine, const std::string& aXml) {
  const detail::TDoc doc = detail::Analisar(TrechoInfNFe(aXml));
  xmlNode* infNFe = xmlDocGetRootElement(doc.get());
  aEngine.Incluir();
  for (const detail::TDataSetFonte& fonte : detail::FonteDicionario()) {
    if (fonte.Mestre.empty()) detail::PreencherRegistros(aEngine, fonte, infNFe, fonte.Caminho);
  }
}

// The canonical form (C14N 1.0) of the infNFe of aXml placed in an NFe
// element, blanks between tags dropped: two notes are the same note when
// their canonical forms are equal.
inline std::string FormaCanonica(const std::string& aXml) {
  const detail::TDoc doc = detail::Analisar(EmNFe(TrechoInfNFe(aXml)));
  xmlChar* out = nullptr;
  const int size = xmlC14NDocDumpMemory(doc.get(), nullptr, XML_C14N_1_0, nullptr, 0, &out);
  if (size < 0) throw std::runtime_error("C14N failed");
  std::string text(reinterpret_cast<const char*>(out), static_cast<std::size_t>(size));
  xmlFree(out);
  return text;
}

// "" when both texts are equal; otherwise where they first differ, with some
// context, short enough to read in a test's output.
inline std::string Diferenca(const std::string& aObtido, const std::string& aEsperado) {
  if (aObtido == aEsperado) return {};
  std::size_t i = 0;
  while (i < aObtido.size() && i < aEsperado.size() && aObtido[i] == aEsperado[i]) ++i;
  const std::size_t inicio = i > 80 ? i - 80 : 0;
  return "at " + std::to_string(i) + ":\n  got:      ..." + aObtido.substr(inicio, 200) +
         "\n  expected: ..." + aEsperado.substr(inicio, 200);
}

// The two canonical forms are the same note.
#define EXPECT_SAME_NOTE(aObtido, aEsperado)               \
  do {                                                   \
    const std::string diferenca_ = Diferenca(aObtido, aEsperado); \
    EXPECT_TRUE(diferenca_.empty()) << diferenca_;       \
  } while (false)

}  // namespace xnd::test
