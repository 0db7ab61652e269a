// The exception tree of the NF-e library and its exception logs.
//
// Every class has the same two public constructors:
//
//   throw ExndCertStoreException(aMessage, aLogDir);
//   throw ExndCheckParams(aFormat, {arg1, arg2, ...}, aLogDir);   // message = FormatV(aFormat, args)
//
// (FormatArg is text or a 64-bit integer; cast size_t values to std::int64_t.)
//
// Construction appends one line to the log file of the class's branch:
// "nfe_exception.log" for ExndNFeException and its descendants,
// "nfeeventos_exception.log" for ExndNFeEventosException and its descendants;
// ExndException itself writes nothing. The file is aLogDir + LogFileName(),
// aLogDir used unchanged (no separator added); an empty aLogDir means the
// program directory. The line is
//   "[dd/mm/YYYY hh:MM:ss:zzz] <thread id> - <class name> : <message>" + "\r\n"
// (local time; the message unchanged, CR and LF included) and is appended
// through a TxndGovUtils wrapper that lives only while the constructor runs.
//
// Writing the line is best effort: when the server cannot be created or the
// write fails (unwritable directory, full disk), the exception is built all
// the same with its message unchanged, so the real error always reaches the
// caller; LogError() then tells why no line was written.
//
// The log is capped: when a log file has reached MaxExceptionLogBytes
// (4 MB), it is renamed to "<name>.1" (replacing an older one) before the
// next line is written, so the two together never pass about 8 MB.
//
// The most-derived class name reaches the log because every public
// constructor hands its own name up to the protected constructor of the
// root, which writes the line once, after the message is set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/text.h"

namespace xnd {

class ExndException : public Exception {
 public:
  ExndException(const std::string& aMessage, const std::string& aLogDir);
  ExndException(const std::string& aFormat, const std::vector<FormatArg>& aArgs, const std::string& aLogDir);

  const char* ClassName() const noexcept override { return "ExndException"; }
  // The exception log file, without directory; empty for ExndException itself.
  const std::string& LogFileName() const noexcept { return FLogFileName; }
  // Why the log line could not be written; empty when it was (or none was due).
  const std::string& LogError() const noexcept { return FLogError; }

  // Size at which an exception log file is set aside as "<name>.1".
  static constexpr std::uintmax_t MaxExceptionLogBytes = 4u * 1024u * 1024u;

 protected:
  // Who is being constructed: the most-derived class name and the log file of its branch.
  struct TLogTarget {
    const char* ClassName;
    const char* LogFileName;
  };
  static TLogTarget Target(const char* aClassName) { return {aClassName, ""}; }

  ExndException(const TLogTarget& aTarget, std::string aMessage, const std::string& aLogDir);

 private:
  void WriteLog(const char* aClassName, const std::string& aLogDir);

  std::string FLogFileName;
  std::string FLogError;
};

// Declares class Name derived from Parent with the two public constructors,
// the protected forwarding constructor and its ClassName().
#define XND_DECLARE_NFE_EXCEPTION(Name, Parent)                                                 \
  class Name : public Parent {                                                                  \
   public:                                                                                      \
    Name(const std::string& aMessage, const std::string& aLogDir)                               \
        : Parent(Target(#Name), aMessage, aLogDir) {}                                           \
    Name(const std::string& aFormat, const std::vector<FormatArg>& aArgs,                      \
         const std::string& aLogDir)                                                            \
        : Parent(Target(#Name), FormatV(aFormat, aArgs), aLogDir) {}                            \
    const char* ClassName() const noexcept override { return #Name; }                          \
                                                                                                \
   protected:                                                                                   \
    Name(const TLogTarget& aTarget, std::string aMessage, const std::string& aLogDir)           \
        : Parent(aTarget, std::move(aMessage), aLogDir) {}                                      \
  }

// Declares the root of a branch: like XND_DECLARE_NFE_EXCEPTION, and its
// descendants write to LogFile.
#define XND_DECLARE_NFE_EXCEPTION_BRANCH(Name, Parent, LogFile)                                 \
  class Name : public Parent {                                                                  \
   public:                                                                                      \
    Name(const std::string& aMessage, const std::string& aLogDir)                               \
        : Parent(Target(#Name), aMessage, aLogDir) {}                                           \
    Name(const std::string& aFormat, const std::vector<FormatArg>& aArgs,                      \
         const std::string& aLogDir)                                                            \
        : Parent(Target(#Name), FormatV(aFormat, aArgs), aLogDir) {}                            \
    const char* ClassName() const noexcept override { return #Name; }                          \
                                                                                                \
   protected:                                                                                   \
    static TLogTarget Target(const char* aClassName) { return {aClassName, LogFile}; }          \
    Name(const TLogTarget& aTarget, std::string aMessage, const std::string& aLogDir)           \
        : Parent(aTarget, std::move(aMessage), aLogDir) {}                                      \
  }

// The two branches.
XND_DECLARE_NFE_EXCEPTION_BRANCH(ExndNFeException, ExndException, "nfe_exception.log");
XND_DECLARE_NFE_EXCEPTION_BRANCH(ExndNFeEventosException, ExndException, "nfeeventos_exception.log");

// NF-e branch ("nfe_exception.log").
XND_DECLARE_NFE_EXCEPTION(ExndNFeConfigException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeLogNotFoundException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeAddressException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeMaxSizeException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeCheckParams, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeVersaoManualException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFEConvertDateException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFEConvertHoraException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeCheckTXT, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndChaveNFeException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeRuleException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeModoOperacaoException, ExndNFeException);

// Events branch ("nfeeventos_exception.log").
XND_DECLARE_NFE_EXCEPTION(ExndEventosException, ExndNFeEventosException);
XND_DECLARE_NFE_EXCEPTION(ExndEventoCheckParams, ExndNFeEventosException);
XND_DECLARE_NFE_EXCEPTION(ExndEventoFileNotFoundException, ExndNFeEventosException);
XND_DECLARE_NFE_EXCEPTION(ExndEventoXmlDestinatario, ExndNFeEventosException);
XND_DECLARE_NFE_EXCEPTION(ExndEventoMaxSizeException, ExndNFeEventosException);
XND_DECLARE_NFE_EXCEPTION(ExndEventosAddressException, ExndNFeEventosException);
XND_DECLARE_NFE_EXCEPTION(ExndEventoLogNotFoundException, ExndNFeEventosException);
XND_DECLARE_NFE_EXCEPTION(ExndCCeReportException, ExndNFeEventosException);

// NF-e branch, continued.
XND_DECLARE_NFE_EXCEPTION(ExndNFeDirNotFoundException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeDataSetException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndDataSetException, ExndNFeDataSetException);
XND_DECLARE_NFE_EXCEPTION(ExndDataSetLoadTemplateException, ExndNFeDataSetException);
XND_DECLARE_NFE_EXCEPTION(ExndDataSetFileNotFoundException, ExndNFeDataSetException);
XND_DECLARE_NFE_EXCEPTION(ExndNfeDataSetConfigException, ExndNFeDataSetException);
XND_DECLARE_NFE_EXCEPTION(ExndDataSetFieldNotFoundException, ExndNFeDataSetException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeGerarIdCCeException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndSoapException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndFileNotFoundException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndCheckParams, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndTemplateNotFoundException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndLogException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndSchemaValidationException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndCertStoreException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndSignatureException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndConfigINIException, ExndNFeException);
XND_DECLARE_NFE_EXCEPTION(ExndNFeReportException, ExndNFeException);

#undef XND_DECLARE_NFE_EXCEPTION
#undef XND_DECLARE_NFE_EXCEPTION_BRANCH

// EnviarLote after the service has answered: the batch was sent (do not send
// it again) but a later step failed (writing the answer log or the receipt
// index). The message names the batch, the receipt and the failure; the
// answer and its receipt ("" when the answer has none) come with it.
class ExndNFeLoteEnviadoException : public ExndNFeException {
 public:
  ExndNFeLoteEnviadoException(std::string aIdLote, std::string aNumeroRecibo, std::string aRetorno,
                              const std::string& aFalha, const std::string& aLogDir);
  const char* ClassName() const noexcept override { return "ExndNFeLoteEnviadoException"; }

  const std::string& IdLote() const noexcept { return FIdLote; }
  const std::string& NumeroRecibo() const noexcept { return FNumeroRecibo; }
  const std::string& Retorno() const noexcept { return FRetorno; }

 private:
  std::string FIdLote;
  std::string FNumeroRecibo;
  std::string FRetorno;
};

}  // namespace xnd
