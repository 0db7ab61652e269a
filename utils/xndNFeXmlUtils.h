// NF-e XML utilities: enumeration texts, the UF code table, access keys and
// check digits, dates and times, tag searches over NF-e XML and
// program-relative paths. Nothing is kept between calls; an operation that
// needs the xndGovUtils server (XPath, zero padding) creates its own
// TxndGovUtils wrapper and frees it before returning.
//
// Lengths and positions count Unicode code points. Every exception raised
// here is raised with an empty log directory (so its line goes to the
// exception log beside the program). "EConvertError" below is the platform's
// conversion error of StrToInt.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/stringlist.h"
#include "types/xndNFeType.h"

namespace xnd {

// The NF-e namespace and the XPath prefix declaration binding "tec" to it.
inline constexpr const char* NFeNamespace = "http://www.portalfiscal.inf.br/nfe";
inline constexpr const char* NFeNamespacePrefix = "xmlns:tec=\"http://www.portalfiscal.inf.br/nfe\"";

// ---- Configuration values ---------------------------------------------------

// "2.0.2a", "3.0", "4.0", "5.0", "5.0a"; "" for an ordinal outside the enumeration.
std::string VersaoManualParaTexto(TVersaoManual aVersao);
// Exact, case-sensitive; otherwise ExndNFeVersaoManualException.
TVersaoManual TextoParaVersaoManual(const std::string& aTexto);
// Upper-cased, then "NORMAL", "SVCAN", "SVCRS"; otherwise ExndNFeModoOperacaoException.
TModoOperacao TextoParaModoOperacao(const std::string& aTexto);
// moSVCAN "SVCAN", moSVCRS "SVCRS", anything else "NORMAL".
std::string ModoOperacaoParaTexto(TModoOperacao aModo);
// "MEMORY", "LOCALMACHINE", "FILE", "ACTIVEDIRECTORY", "SMARTCARD" ignoring case; otherwise ckFile.
TCertificadoKind TextoParaTipoCertificado(const std::string& aTexto);
// akProducao "1", akHomologacao "2" (anything else "2").
std::string AmbienteParaTpAmb(TAmbienteKind aAmbiente);
// pl_005a..pl_005f vm30, pl_006e..pl_006j vm40, pl_006m..pl_006s vm50,
// pl_008a vm50a; any other ordinal ExndNFeVersaoManualException.
TVersaoManual VersaoEsquemaParaManual(TVersaoEsquema aVersao);
// Subdirectory of a manual version, with its trailing "/": "vm30/" for vm202a
// and vm30, "vm40/", "vm50/", "vm50a/"; "" for an ordinal outside the
// enumeration (the caller raises its own error).
std::string DiretorioVersaoManual(TVersaoManual aVersao);

// ---- UF codes ----------------------------------------------------------------

// Appends the 28 lines "AC=12" ... "AN=91" (the list is not cleared first).
void CarregarTabelaUF(TStringList& aLista);
// The IBGE code of a UF abbreviation, ignoring case; "" when not in the table.
std::string CodigoUF(const std::string& aSigla);

// ---- Access keys ---------------------------------------------------------------

// The parts of a 44-character access key, in key order.
struct TxndDecodeChaveNFe {
  std::string cUF;
  std::string AAMM;
  std::string CNPJ;
  std::string mod;
  std::string serie;
  std::string nNF;
  std::string tpEmis;  // empty for manual 2.0.2a / 3.0
  std::string cNF;     // nine digits for manual 2.0.2a / 3.0, eight from 4.0 on
  std::string cDV;
};

// ExndCheckParams unless the key has exactly 44 characters (digits are not checked).
void ValidarTamanhoChave(const std::string& aChave);
// ValidarTamanhoChave, then fills aRegistro. An unsupported version raises
// ExndChaveNFeException after every field but tpEmis and cNF was filled.
void DecodificarChave(const std::string& aChave, TVersaoManual aVersao, TxndDecodeChaveNFe& aRegistro);
// "YYMM" -> "20YY-MM-01".
std::string AAMMParaData(const std::string& aAAMM);
// 44-digit key of manual 2.0.2a / 3.0 (nine-digit cNF, no tpEmis).
std::string GerarChaveNFe(const std::string& aDataEmissao, const std::string& aCUF, const std::string& aCNPJ,
                          const std::string& aMod, const std::string& aSerie, const std::string& aNNF,
                          const std::string& aCNF);
// 44-digit key of manual 4.0 and later (tpEmis at 35, eight-digit cNF).
std::string GerarChaveNFeTpEmis(const std::string& aDataEmissao, const std::string& aCUF,
                                const std::string& aCNPJ, const std::string& aMod, const std::string& aSerie,
                                const std::string& aNNF, const std::string& aTpEmis, const std::string& aCNF);
// Whether the key's check digit is right for the manual version.
bool ValidarDigitoChave(const std::string& aChave, TVersaoManual aVersao);
// Modulo-11 check digit over the decimal digits of aDigitos (a non-digit is
// EConvertError); weights 2..aPesoMaximo from the right, restarting at 2.
// With aRetornarResto the remainder itself; otherwise 11 - r, or 0 when r < 2.
std::string CalcularDVModulo11(const std::string& aDigitos, int aPesoMaximo, bool aRetornarResto);
// Code printed by a contingency DANFE in place of the protocol.
std::string GerarCodigoDadosNFe(const std::string& aCUF, const std::string& aTpEmis, const std::string& aCNPJ,
                                const std::string& aVNF, const std::string& aIcmsProprio,
                                const std::string& aIcmsST, const std::string& aDia);

// ---- Check digits and comparisons --------------------------------------------------

bool ValidarGTIN(const std::string& aCodigo);
bool ValidarCodigoMunicipio(const std::string& aCMun);
// aReferencia - aTolerancia <= aValor <= aReferencia + aTolerancia.
bool ValorDentroTolerancia(long double aValor, long double aReferencia, long double aTolerancia);

// ---- Dates and times -------------------------------------------------------------------

// "YYYY-MM-DD" (any further characters ignored) to a date; ExndNFEConvertDateException.
std::chrono::year_month_day TextoParaData(const std::string& aTexto);
// "YYYY-MM-DD" -> "DD/MM/YYYY"; blank text gives "".
std::string DataParaTextoBR(const std::string& aTexto);
// The same; the length is checked for layout "2.00" (10) and "3.10" (25) only.
std::string DataParaTextoBRVersao(const std::string& aTexto, const std::string& aVersaoLayout);
// "YYYY-MM-DDTHH:MM:SS±hh:mm" -> "HH:MM:SS"; blank text gives "".
std::string HoraDaDataHora(const std::string& aTexto);

// ---- XML text helpers ---------------------------------------------------------------------

// Text between the first "<tag>" and the first "</tag>" (plain search).
// A missing closing tag gives ""; a missing opening tag takes the text from
// code point length(tag) + 2 up to the closing tag.
std::string ObterValorTag(const std::string& aTag, const std::string& aXml);
// ObterValorTag("nRec", aXml).
std::string ObterNumeroRecibo(const std::string& aXml);
// The first Id attribute anywhere; ExndNFeException when there is none.
std::string ObterIdNFe(const std::string& aXml);
// Whether the text holds <Signature xmlns="http://www.w3.org/2000/09/xmldsig#">.
bool NotaAssinada(const std::string& aXml);

// Stateless NF-e XML helpers. Every operation but ExtrairNFe is static;
// ExtrairNFe is virtual so a descendant can redefine it, and its default
// behaviour is also callable without an instance as ExtrairNFePadrao.
class TxndNFeXmlUtils {
 public:
  TxndNFeXmlUtils() = default;
  virtual ~TxndNFeXmlUtils() = default;

  // The infNFe (index from 0) of a batch, from its "<" up to and including
  // "</infNFe>" (or "</protNFe>" with aComProtocolo); "" when absent.
  virtual std::string ExtrairNFe(int aIndice, const std::string& aXml, bool aComProtocolo) const;
  static std::string ExtrairNFePadrao(int aIndice, const std::string& aXml, bool aComProtocolo);

  // The infNFe Id ("NFe" + 44 digits) with aComPrefixo, the 44 digits without; "" when absent.
  static std::string ObterChaveAcesso(const std::string& aXml, bool aComPrefixo);
  // The attribute of the elements with local name aTag, anywhere; "" when none.
  // A failure of the server raises ExndNFeException.
  static std::string ObterAtributoTag(const std::string& aXml, const std::string& aTag,
                                      const std::string& aAtributo);
  // The XML of element aIndice (from 0) of ".//tec:nfeProc" (aNfeProc) or
  // ".//tec:infNFe"; "" when there are not that many.
  static std::string ObterNFePorIndice(int aIndice, const std::string& aXml, bool aNfeProc);
  // Occurrences of "<infNFe Id=" (the search of ExtrairNFe).
  static int ContarNFe(const std::string& aXml);
  // Elements matched by ".//tec:infNFe"; 0 when the server reports failure.
  static int ContarNFeXPath(const std::string& aXml);
};

// The notes of a batch in index order, found in one pass: the i-th call of
// Proxima gives ExtrairNFePadrao(i, aXml, aComProtocolo), "" once the hits
// run out. The text must outlive the walk.
class TPercursoNFe {
 public:
  TPercursoNFe(const std::string& aXml, bool aComProtocolo);
  TPercursoNFe(std::string&&, bool) = delete;
  std::string Proxima();

 private:
  const std::string& FXml;
  bool FComProtocolo;
  bool FInicio = true;
  std::size_t FHit = std::string::npos;
  // The first end tag after the latest hit searched from (npos: none).
  bool FFimProcurado = false;
  std::size_t FFim = std::string::npos;
};

// ---- Paths (separator "/") ---------------------------------------------------------------

// Appends "/" unless the text is empty or already ends with one.
void IncluirBarraFinal(std::string& aCaminho);
// Whether the path names a directory (platform DirectoryExists rules).
bool DiretorioExiste(const std::string& aCaminho);
// The program's directory with a trailing "/"; ExndNFeDirNotFoundException
// "Não foi possível encontrar o Diretório Atual: <dir>" when it is not a directory.
std::string DiretorioAplicacao();
// DiretorioAplicacao() + aCaminho when that exists, else aCaminho; a "/" is
// added when the result is an existing directory.
std::string ResolverCaminho(const std::string& aCaminho);
// "" stays ""; "\" becomes "/"; a relative path is prefixed with
// DiretorioAplicacao(); then ResolverCaminho.
std::string ExpandirCaminho(const std::string& aCaminho);
// Cuts the path before its manual-version subdirectory ("/VM30", "/VM40",
// "/VM50", looked for in that order in the upper-cased path), then IncluirBarraFinal.
void RemoverPastaVersaoManual(std::string& aCaminho);

}  // namespace xnd
