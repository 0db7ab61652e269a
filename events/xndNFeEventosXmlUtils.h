// Event XML utilities and logs: picking infEvento elements out of a text,
// reading tag values by plain search, loading templates, reading event logs
// back and assembling the distribution XML (procEventoNFe) of one event.
//
// TxndEventosXMLUtils and TxndEventosXMLLogs hold no state; every operation
// that needs xndGovUtils creates its own TxndGovUtils wrapper and frees it
// before returning, also when it fails. xndGovUtils failures (malformed XML,
// unreadable files) pass through as the wrapper raises them.
//
// The exceptions of this module are logged in aDiretorioLogErro (the
// program's directory when empty); the events component passes its own
// DiretorioLogErro so that every line of an exchange lands in one log.
#pragma once

#include <functional>
#include <string>

namespace xnd {

// The NF-e namespace, bound to the prefix "tec" in the queries of this module.
inline constexpr const char* NamespaceNFePadrao = "http://www.portalfiscal.inf.br/nfe";

class TxndEventosXMLUtils {
 public:
  TxndEventosXMLUtils() = default;
  virtual ~TxndEventosXMLUtils() = default;

  // Number of events to sign in aXml: the infEvento elements, in any
  // namespace and at any depth, except those of the authority's answers
  // (inside retEvento). aXml may be one document (envEvento, evento, a
  // single infEvento) or several elements one after the other; an XML
  // declaration or byte-order mark at its start is ignored. 0 when none.
  static int ContarEventos(const std::string& aXml);

  // The XML of event aIndice (from 0) as ContarEventos counts them, carrying
  // the namespace declarations it uses; "" when there are not that many.
  virtual std::string ObterEvento(int aIndice, const std::string& aXml) const;
  static std::string ObterEventoPadrao(int aIndice, const std::string& aXml);

  // Text between the first "<tag>" and the first "</tag>" (plain,
  // case-sensitive search; a tag written with attributes is not found).
  // A missing closing tag gives ""; a missing opening tag takes the text
  // from code point length(tag) + 2 up to the closing tag.
  static std::string ObterValorTag(const std::string& aTag, const std::string& aXml);

  // The root element's XML without the declaration; "" when there is none.
  static std::string ExtrairElementoRaiz(const std::string& aXml);

  // The template file aArquivo (resolved against the program's directory),
  // read whole with its accents removed. ExndTemplateNotFoundException
  // "Arquivo de template não encontrado: <path>" when it does not exist.
  static std::string CarregarModelo(const std::string& aArquivo,
                                    const std::string& aDiretorioLogErro = "");
};

class TxndEventosXMLLogs {
 public:
  TxndEventosXMLLogs() = default;
  virtual ~TxndEventosXMLLogs() = default;

  // The text of an event log, decoded (valid UTF-8 unchanged, anything else
  // read as Windows-1252):
  // - an absolute aArquivo must exist (ExndEventoLogNotFoundException
  //   "Arquivo de Log <aArquivo> não existe.") and is read;
  // - otherwise the file-name part of aArquivo inside aDiretorio (resolved
  //   against the program's directory) is read when it exists;
  // - otherwise aArquivo itself is the log's content (XML given directly).
  static std::string CarregarLog(const std::string& aArquivo, const std::string& aDiretorio,
                                 const std::string& aDiretorioLogErro = "");

  // The evento element of the log (CarregarLog) whose infEvento has the Id
  // aIdEvento (a leading "#" is ignored); the first evento when aIdEvento is
  // empty; "" when none matches.
  static std::string ObterEventoDoLog(const std::string& aLog, const std::string& aDiretorio,
                                      const std::string& aIdEvento = "",
                                      const std::string& aDiretorioLogErro = "");
};

// The retEvento element of aXml (unchanged text, not a log name) that
// answers the event aIdEvento: the one with the same chNFe, tpEvento and
// nSeqEvento as that Id ("ID" + tpEvento + chNFe + nSeqEvento); the first
// retEvento when aIdEvento is empty; "" when none matches.
std::string ObterRetEvento(const std::string& aXml, const std::string& aIdEvento = "");

// Called after the distribution XML is written, with the file and the XML.
using TOnSalvarXmlDestinatario =
    std::function<void(const std::string& aArquivo, const std::string& aXml)>;

// Assembles the distribution XML of one event: the signed evento taken from
// the event log and the authority's retEvento taken from the response log,
// put into a template with two "%s" (evento, then retEvento).
class TxndEventosXmlDestinatario {
 public:
  TxndEventosXmlDestinatario() = default;
  virtual ~TxndEventosXmlDestinatario() = default;
  TxndEventosXmlDestinatario(const TxndEventosXmlDestinatario&) = delete;
  TxndEventosXmlDestinatario& operator=(const TxndEventosXmlDestinatario&) = delete;

  virtual void SetModelo(const std::string& aValue) { FModelo = aValue; }
  virtual std::string Modelo() const { return FModelo; }
  virtual void SetIdEvento(const std::string& aValue) { FIdEvento = aValue; }
  virtual std::string IdEvento() const { return FIdEvento; }
  virtual void SetDiretorioLog(const std::string& aValue) { FDiretorioLog = aValue; }
  virtual std::string DiretorioLog() const { return FDiretorioLog; }
  virtual void SetDiretorioXmlDestinatario(const std::string& aValue) {
    FDiretorioXmlDestinatario = aValue;
  }
  virtual std::string DiretorioXmlDestinatario() const { return FDiretorioXmlDestinatario; }
  virtual void SetReservado(const std::string& aValue) { FReservado = aValue; }
  virtual std::string Reservado() const { return FReservado; }
  virtual void SetXmlRetorno(const std::string& aValue) { FXmlRetorno = aValue; }
  virtual std::string XmlRetorno() const { return FXmlRetorno; }
  virtual void SetXmlEvento(const std::string& aValue) { FXmlEvento = aValue; }
  virtual std::string XmlEvento() const { return FXmlEvento; }
  virtual void SetArquivoSaida(const std::string& aValue) { FArquivoSaida = aValue; }
  virtual std::string ArquivoSaida() const { return FArquivoSaida; }
  virtual void SetOnSalvar(TOnSalvarXmlDestinatario aValue) { FOnSalvar = std::move(aValue); }

  // Where ExndEventoXmlDestinatario is logged (the program's directory when empty).
  void SetDiretorioLogErro(const std::string& aValue) { FDiretorioLogErro = aValue; }

  // MontarXml(IdEvento()) then SalvarXml of the result; returns the result.
  std::string Gerar();

  // The template filled with the evento of XmlEvento (read again as a log in
  // DiretorioLog) whose Id is aIdEvento, and the retEvento of XmlRetorno
  // that answers it ("" when there is none). ExndEventoXmlDestinatario
  // "Evento Id: <id> não encontrada no Log : <XmlEvento> " when the event
  // is not in the log. The result is UTF-8 (Windows-1252 text converted).
  std::string MontarXml(const std::string& aIdEvento);

  // Writes aXml to ArquivoSaida (lines ended by CR LF, the file replaced)
  // when ArquivoSaida is not empty, then calls the notification.
  void SalvarXml(const std::string& aXml);

 private:
  std::string FXmlRetorno;
  std::string FXmlEvento;
  std::string FArquivoSaida;
  std::string FReservado;
  std::string FDiretorioXmlDestinatario;
  std::string FDiretorioLog;
  std::string FIdEvento;
  std::string FModelo;
  TOnSalvarXmlDestinatario FOnSalvar;
  std::string FDiretorioLogErro;
};

}  // namespace xnd
