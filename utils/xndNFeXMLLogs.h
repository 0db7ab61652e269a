// Read-back of the operation logs that the NF-e component writes: a log is
// loaded by absolute path, by name inside a log directory, or taken as the
// XML itself, and the access keys of the invoices it holds are listed.
//
// Class-level operations only; each creates its own TxndGovUtils wrapper and
// frees it before returning. Their exceptions are raised with an empty log
// directory (the exception log beside the program).
#pragma once

#include <string>

#include "platform/stringlist.h"

namespace xnd {

class TxndNFeXMLLogs {
 public:
  TxndNFeXMLLogs() = delete;

  // The text of a log, decoded (older Windows-1252 logs read as UTF-8):
  // - an absolute aArquivo must exist (ExndNFeLogNotFoundException
  //   "Arquivo de Log <aArquivo> não existe.") and is read;
  // - otherwise the file-name part of aArquivo inside aDiretorioLog (resolved
  //   against the program's directory) is read when it exists;
  // - otherwise aArquivo itself is the log's content.
  static std::string CarregarLog(const std::string& aArquivo, const std::string& aDiretorioLog);

  // Appends to aLista (not cleared) the 44-digit access key of every infNFe
  // of the log, in document order; a log without infNFe leaves it unchanged.
  // ExndNFeCheckParams "Lista não foi instanciada." without a list. A log
  // file that several writes extended (several documents one after the other)
  // is read document by document.
  static void ListarChavesLog(const std::string& aArquivo, TStringList* aLista,
                              const std::string& aDiretorioLog);
  // The same on the text of a log already loaded and decoded.
  static void ListarChavesTexto(const std::string& aTexto, TStringList* aLista);
};

}  // namespace xnd
