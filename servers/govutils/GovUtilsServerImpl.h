// TGovUtilsServer: the real xndGovUtils server. The operations are spread over
// several files by concern: GovUtilsFiles.cpp (logs, files, paths),
// GovUtilsXml.cpp (queries), GovUtilsSchema.cpp (schema validation),
// GovUtilsText.cpp (text helpers), GovUtilsCrypto.cpp (protection, gzip, base64).
#pragma once

#include <string>
#include <vector>

#include "external/xndGovUtilsIntf.h"

namespace xnd {

class TGovUtilsServer : public IxndGovUtils {
 public:
  TGovUtilsServer();

  std::string MakeLogFileName(const std::string& aKind, const std::string& aId) override;
  std::string SaveLog(const std::string& aText, const std::string& aKind,
                      const std::string& aDirectory, const std::string& aFileName,
                      const std::string& aId) override;
  void SetSaveLogs(VariantBool aValue) override;

  void AppendTextFile(const std::string& aText, const std::string& aPath) override;
  void WriteTextFile(const std::string& aText, const std::string& aPath) override;
  std::string ReadTextFile(const std::string& aPath) override;

  bool SelectValue(const std::string& aXml, const std::string& aXPath, int aMode,
                   const std::string& aPrefixes, std::string& aValue) override;
  bool SelectNodes(const std::string& aXml, const std::string& aXPath, int aMode,
                   const std::string& aPrefixes, std::vector<std::string>& aNodes) override;

  void ValidateWithSchema(const std::string& aXml, const std::string& aNamespace,
                          const std::string& aSchemaFile) override;
  void ValidateBySchemaLocation(const std::string& aXml,
                                const std::string& aSchemaDirectory) override;
  std::string GetValidationErrors() override;

  std::string RemoveAccents(const std::string& aText, const std::string& aCharacters) override;
  std::string RemoveAllAccents(const std::string& aText) override;
  std::string PadLeft(const std::string& aText, int aWidth) override;
  std::string PrepareXml(const std::string& aXml) override;
  bool IsValidCPF(const std::string& aCPF) override;
  bool IsValidCNPJ(const std::string& aCNPJ) override;
  std::string ProtectText(const std::string& aText) override;
  std::string UnprotectText(const std::string& aText) override;
  std::string DecodeUtf8(const std::string& aText) override;
  bool IsUtf8(const std::string& aText) override;
  std::string GetParamValue(const std::string& aParams, const std::string& aName) override;
  double TextToDateTime(const std::string& aText) override;

  std::string GetDefaultDirectory(int aKind) override;
  std::string ResolvePath(const std::string& aPath) override;

  std::string Compress(const std::string& aText) override;
  std::string EncodeBase64(const std::string& aBytes) override;

  std::string GetRootNamespace(const std::string& aXml) override;
  std::string GetElementValue(const std::string& aXml, const std::string& aParent,
                              const std::string& aElement) override;
  std::string NormalizeXml(const std::string& aXml) override;
  std::string GetItemNumber(const std::string& aDetXml) override;

 private:
  // Validates and records the outcome for GetValidationErrors.
  void Validate(const std::string& aXml, const std::string& aNamespace,
                const std::string& aSchemaFile);

  bool FSaveLogs = true;
  std::string FValidationErrors;
};

}  // namespace xnd
