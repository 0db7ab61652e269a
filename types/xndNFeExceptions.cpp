#include "types/xndNFeExceptions.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "external/xndGovUtils.h"
#include "platform/files.h"

namespace xnd {

namespace {

// Local time as "dd/mm/YYYY hh:MM:ss:zzz".
std::string LocalTimeStamp() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  return Format("%2.2d/%2.2d/%4.4d %2.2d:%2.2d:%2.2d:%3.3d", local.tm_mday, local.tm_mon + 1,
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec, millis);
}

// Sets a full log aside as "<path>.1" (replacing an older one). Another
// thread or process may rotate at the same moment: then one of them finds
// the file gone or small, which is fine.
void RotateIfFull(const std::string& aPath) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(aPath, error);
  if (error || size < ExndException::MaxExceptionLogBytes) return;
  std::filesystem::rename(aPath, aPath + ".1", error);
}

}  // namespace

ExndException::ExndException(const std::string& aMessage, const std::string& aLogDir)
    : ExndException(Target("ExndException"), aMessage, aLogDir) {}

ExndException::ExndException(const std::string& aFormat, const std::vector<FormatArg>& aArgs,
                             const std::string& aLogDir)
    : ExndException(Target("ExndException"), FormatV(aFormat, aArgs), aLogDir) {}

ExndException::ExndException(const TLogTarget& aTarget, std::string aMessage, const std::string& aLogDir)
    : Exception(std::move(aMessage)), FLogFileName(aTarget.LogFileName) {
  WriteLog(aTarget.ClassName, aLogDir);
}

void ExndException::WriteLog(const char* aClassName, const std::string& aLogDir) {
  if (FLogFileName.empty()) return;
  // Best effort: whatever fails here, the exception being built is what the
  // caller must see.
  try {
    const std::string directory = aLogDir.empty() ? ProgramDirectory() : aLogDir;
    TxndGovUtils govUtils;  // lives only for this constructor
    // AppendTextFile writes exactly the text given: the line carries its own CR LF.
    const std::string line = Format("[%s] %d - %s : %s", LocalTimeStamp(), CurrentThreadId(),
                                    aClassName, Message()) +
                             "\r\n";
    const std::string path = directory + FLogFileName;
    RotateIfFull(path);
    govUtils->AppendTextFile(line, path);
  } catch (const std::exception& e) {
    FLogError = e.what();
  } catch (...) {
    FLogError = "erro desconhecido ao gravar o log de exceções";
  }
}

ExndNFeLoteEnviadoException::ExndNFeLoteEnviadoException(std::string aIdLote,
                                                         std::string aNumeroRecibo,
                                                         std::string aRetorno,
                                                         const std::string& aFalha,
                                                         const std::string& aLogDir)
    : ExndNFeException(
          Target("ExndNFeLoteEnviadoException"),
          aNumeroRecibo.empty()
              ? Format("O lote %s foi enviado e o serviço respondeu sem recibo, mas houve uma "
                       "falha depois do envio: %s",
                       aIdLote, aFalha)
              : Format("O lote %s foi enviado e o serviço respondeu com o recibo %s, mas houve "
                       "uma falha depois do envio: %s",
                       aIdLote, aNumeroRecibo, aFalha),
          aLogDir),
      FIdLote(std::move(aIdLote)),
      FNumeroRecibo(std::move(aNumeroRecibo)),
      FRetorno(std::move(aRetorno)) {}

}  // namespace xnd
