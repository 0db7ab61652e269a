// Interface of the xndGovUtils automation server: XML, XPath, schema
// validation, text and file helpers. Every failure is an EOleException
// carrying the server's message.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com.h"

namespace xnd {

inline constexpr const char* GovUtilsServerName = "xndGovUtils";

// What SelectValue / SelectNodes give for a found node.
enum TSelectMode : int { smTextValue = 0, smNodeXml = 1 };

using TGovUtilsLogEvent =
    std::function<void(const std::string& aName, const std::string& aId, const std::string& aFilename)>;
using TGovUtilsLogContentEvent =
    std::function<void(const std::string& aName, const std::string& aId, const std::string& aFilename,
                       const std::string& aContent)>;

class IxndGovUtils : public IServer {
 public:
  // Events, called synchronously inside the server call that raises them.
  TGovUtilsLogEvent OnLog;
  TGovUtilsLogContentEvent OnLogContent;

  // Log files. The same kind and id always give the same name.
  virtual std::string MakeLogFileName(const std::string& aKind, const std::string& aId) = 0;
  // Writes aText to a log file in aDirectory (aFileName, or MakeLogFileName(aKind, aId)
  // when empty), when saving logs is on; raises OnLog / OnLogContent; returns the path.
  virtual std::string SaveLog(const std::string& aText, const std::string& aKind,
                              const std::string& aDirectory, const std::string& aFileName,
                              const std::string& aId) = 0;
  virtual void SetSaveLogs(VariantBool aValue) = 0;

  // Text files (UTF-8). Append creates the file; Write replaces it.
  virtual void AppendTextFile(const std::string& aText, const std::string& aPath) = 0;
  virtual void WriteTextFile(const std::string& aText, const std::string& aPath) = 0;
  virtual std::string ReadTextFile(const std::string& aPath) = 0;

  // XPath 1.0. aPrefixes holds declarations such as
  // xmlns:tec="http://www.portalfiscal.inf.br/nfe" (blank separated).
  // Answer: found or not; malformed XML or XPath raises.
  virtual bool SelectValue(const std::string& aXml, const std::string& aXPath, int aMode,
                           const std::string& aPrefixes, std::string& aValue) = 0;
  virtual bool SelectNodes(const std::string& aXml, const std::string& aXPath, int aMode,
                           const std::string& aPrefixes, std::vector<std::string>& aNodes) = 0;

  // Schema validation; raise when invalid, GetValidationErrors gives the
  // errors of the last validation, one per line.
  virtual void ValidateWithSchema(const std::string& aXml, const std::string& aNamespace,
                                  const std::string& aSchemaFile) = 0;
  virtual void ValidateBySchemaLocation(const std::string& aXml, const std::string& aSchemaDirectory) = 0;
  virtual std::string GetValidationErrors() = 0;

  // Text.
  virtual std::string RemoveAccents(const std::string& aText, const std::string& aCharacters) = 0;
  virtual std::string RemoveAllAccents(const std::string& aText) = 0;
  virtual std::string PadLeft(const std::string& aText, int aWidth) = 0;
  virtual std::string PrepareXml(const std::string& aXml) = 0;
  virtual bool IsValidCPF(const std::string& aCPF) = 0;
  virtual bool IsValidCNPJ(const std::string& aCNPJ) = 0;
  virtual std::string ProtectText(const std::string& aText) = 0;
  virtual std::string UnprotectText(const std::string& aText) = 0;
  virtual std::string DecodeUtf8(const std::string& aText) = 0;
  virtual bool IsUtf8(const std::string& aText) = 0;
  // key=value lines.
  virtual std::string GetParamValue(const std::string& aParams, const std::string& aName) = 0;
  // Date-time text of the NF-e forms to a day count since 1899-12-30 (local time as written).
  virtual double TextToDateTime(const std::string& aText) = 0;

  // Files and directories. Kind 1: the temporary directory.
  virtual std::string GetDefaultDirectory(int aKind) = 0;
  virtual std::string ResolvePath(const std::string& aPath) = 0;

  // Compression (gzip bytes) and base64.
  virtual std::string Compress(const std::string& aText) = 0;
  virtual std::string EncodeBase64(const std::string& aBytes) = 0;

  // XML.
  virtual std::string GetRootNamespace(const std::string& aXml) = 0;
  // Text of the first aElement inside the first aParent ("" parent: anywhere).
  virtual std::string GetElementValue(const std::string& aXml, const std::string& aParent,
                                      const std::string& aElement) = 0;
  virtual std::string NormalizeXml(const std::string& aXml) = 0;
  // The nItem attribute of a det element.
  virtual std::string GetItemNumber(const std::string& aDetXml) = 0;
};

}  // namespace xnd
