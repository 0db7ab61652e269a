// Schema validation of the NF-e component: the schema of a command comes
// from "Mapping.txt" in the versioned schema directory, or the document
// names its own schemas (schemaLocation).
#include "nfe/xndNFe.h"

#include "platform/files.h"
#include "platform/inifile.h"
#include "types/xndNFeExceptions.h"

namespace xnd {

namespace {

constexpr const char* ArquivoMapeamento = "Mapping.txt";
constexpr const char* SecaoMapeamento = "ValidarXML";

// The server's errors of its last validation; the failure itself when even
// they cannot be had.
std::string ErrosDoServidor(TxndNFe& aNFe, const std::string& aFalha) {
  try {
    return aNFe.ObterGovUtils()->GetValidationErrors();
  } catch (const std::exception&) {
    return aFalha;
  }
}

}  // namespace

std::string TxndNFe::ObterArquivoEsquema(const std::string& aComando) {
  const std::string diretorio = DiretorioEsquemas();
  const std::string mapeamento = diretorio + ArquivoMapeamento;
  if (!FileExists(mapeamento)) {
    throw ExndFileNotFoundException(
        "Arquivo %s utilizado na validação de esquema, não foi encontrado", {mapeamento},
        DiretorioLogErro());
  }
  TMemIniFile ini(mapeamento);
  const std::string esquema = ini.ReadString(SecaoMapeamento, aComando, "");
  if (esquema.empty()) {
    throw ExndCheckParams("Não foi encontrado mapeamento de XSD para o comando %s ", {aComando},
                          DiretorioLogErro());
  }
  return diretorio + NormalizePathSeparators(esquema);
}

// ErrosValidador gets the server's errors of this validation. When the
// schema could not even be chosen (no mapping file, no mapping for the
// command) the server validated nothing, and ErrosValidador gets that reason
// rather than the errors of some earlier validation.
void TxndNFe::ValidarEsquema(const std::string& aXml, const std::string& aComando) {
  bool esquemaEscolhido = false;
  try {
    if (aXml.find("schemaLocation") != std::string::npos) {
      esquemaEscolhido = true;
      ObterGovUtils()->ValidateBySchemaLocation(aXml, DiretorioEsquemas());
    } else {
      const std::string esquema = ObterArquivoEsquema(aComando);
      esquemaEscolhido = true;
      ObterGovUtils()->ValidateWithSchema(aXml, ObterNamespace(), esquema);
    }
  } catch (const std::exception& e) {
    ErrosValidador()->SetText(esquemaEscolhido ? ErrosDoServidor(*this, e.what())
                                               : std::string(e.what()));
    throw ExndSchemaValidationException(e.what(), DiretorioLogErro());
  }
}

}  // namespace xnd
