// Access keys, check digits and numeric comparisons.
#include <array>
#include <cstdint>

#include "external/xndGovUtils.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* kDataInvalidaChave =
    "%s Data de Emissão no Formato inválido. Utilizar YYYY-MM-DD para NF-e 2.0 ou YYYY-MM-DDTHH:mm:ssTZD para "
    "NF-e 3.10";
constexpr const char* kDataInvalidaChaveTpEmis =
    "%s Data de Emissão no Formato inválido.Utilizar YYYY-MM-DD para NF-e 2.0 ou YYYY-MM-DDTHH:mm:ssTZD para "
    "NF-e 3.10";
constexpr const char* kCamposObrigatorios =
    "Os Campos: Código da UF Emitente =  %s\rCNPJ do Emitente = %s \rCódigo do Modelo do Documento Fiscal = %s "
    "\rNúmero da Nota Fiscal = %s\rCódigo (controle do sistema) Nota Fiscal = %s\rsão campos obrigatórios para o "
    "cálculo do dígito verificador.";
constexpr const char* kCamposObrigatoriosTpEmis =
    "Os Campos: Código da UF Emitente =  %s\rCNPJ do Emitente = %s \rCódigo do Modelo do Documento Fiscal = %s "
    "\rNúmero da Nota Fiscal = %s\rTipo de emissão = %s\rCódigo (controle do sistema) Nota Fiscal = %s\rsão "
    "campos obrigatórios para o cálculo do dígito verificador.";

void VerificarCNPJNumerico(const std::string& aCNPJ) {
  std::int64_t valor = 0;
  if (!TryStrToInt64(aCNPJ, valor)) {
    throw ExndNFeCheckTXT("O campo CNPJ: %s deve ser um número Inteiro", {aCNPJ}, "");
  }
}

bool DataEmissaoComTamanhoValido(const std::string& aData) {
  const std::size_t tamanho = Utf8Length(aData);
  return tamanho == 25 || tamanho == 10;
}

// YY and MM of the emission date.
std::string AnoMesEmissao(const std::string& aData) { return Utf8Copy(aData, 3, 2) + Utf8Copy(aData, 6, 2); }

std::string ComDigitoVerificador(const std::string& aDigitos) {
  return aDigitos + CalcularDVModulo11(aDigitos, 9, false);
}

// The value of the 1-based code point aIndice of aTexto as a digit (EConvertError otherwise).
int DigitoEm(const std::string& aTexto, std::ptrdiff_t aIndice) {
  return StrToInt(Utf8Copy(aTexto, aIndice, 1));
}

// 10 - (sum mod 10), 0 instead of 10.
int DigitoModulo10(int aSoma) {
  const int digito = 10 - aSoma % 10;
  return digito == 10 ? 0 : digito;
}

}  // namespace

void ValidarTamanhoChave(const std::string& aChave) {
  if (Utf8Length(aChave) != 44) {
    throw ExndCheckParams("A Chave da NFe %s deve possuir exatamente 44 dígitos.", {aChave}, "");
  }
}

void DecodificarChave(const std::string& aChave, TVersaoManual aVersao, TxndDecodeChaveNFe& aRegistro) {
  ValidarTamanhoChave(aChave);
  aRegistro.cUF = Utf8Copy(aChave, 1, 2);
  aRegistro.AAMM = Utf8Copy(aChave, 3, 4);
  aRegistro.CNPJ = Utf8Copy(aChave, 7, 14);
  aRegistro.mod = Utf8Copy(aChave, 21, 2);
  aRegistro.serie = Utf8Copy(aChave, 23, 3);
  aRegistro.nNF = Utf8Copy(aChave, 26, 9);
  aRegistro.cDV = Utf8Copy(aChave, 44, 1);
  switch (aVersao) {
    case vm202a:
    case vm30:
      aRegistro.tpEmis.clear();
      aRegistro.cNF = Utf8Copy(aChave, 35, 9);
      return;
    case vm40:
    case vm50:
    case vm50a:
      aRegistro.tpEmis = Utf8Copy(aChave, 35, 1);
      aRegistro.cNF = Utf8Copy(aChave, 36, 8);
      return;
  }
  throw ExndChaveNFeException("Versão de Manual não suportada para decodificação.", "");
}

std::string AAMMParaData(const std::string& aAAMM) {
  return Format("%s-%s-%s", "20" + Utf8Copy(aAAMM, 1, 2), Utf8Copy(aAAMM, 3, 2), "01");
}

std::string GerarChaveNFe(const std::string& aDataEmissao, const std::string& aCUF, const std::string& aCNPJ,
                          const std::string& aMod, const std::string& aSerie, const std::string& aNNF,
                          const std::string& aCNF) {
  if (!DataEmissaoComTamanhoValido(aDataEmissao)) {
    throw ExndNFeCheckParams(kDataInvalidaChave, {aDataEmissao}, "");
  }
  if (aCUF.empty() || aCNPJ.empty() || aMod.empty() || aNNF.empty() || aCNF.empty()) {
    throw ExndNFeCheckParams(kCamposObrigatorios, {aCUF, aCNPJ, aMod, aNNF, aCNF}, "");
  }
  VerificarCNPJNumerico(aCNPJ);
  TxndGovUtils govUtils;
  const std::string digitos = govUtils->PadLeft(aCUF, 2) + AnoMesEmissao(aDataEmissao) + aCNPJ + aMod +
                              govUtils->PadLeft(aSerie, 3) + govUtils->PadLeft(aNNF, 9) +
                              govUtils->PadLeft(aCNF, 9);
  return ComDigitoVerificador(digitos);
}

std::string GerarChaveNFeTpEmis(const std::string& aDataEmissao, const std::string& aCUF,
                                const std::string& aCNPJ, const std::string& aMod, const std::string& aSerie,
                                const std::string& aNNF, const std::string& aTpEmis, const std::string& aCNF) {
  VerificarCNPJNumerico(aCNPJ);
  if (Utf8Length(aCNF) > 8) {
    throw ExndCheckParams("O Código da nota(cNF) \"%s\", excede o máximo de 8 dígitos (Manual 4.01)", {aCNF}, "");
  }
  if (Utf8Length(aTpEmis) != 1) {
    throw ExndCheckParams("O valor do tipo de emissão(tpEmis) \"%s\" é inesperado.", {aTpEmis}, "");
  }
  if (!DataEmissaoComTamanhoValido(aDataEmissao)) {
    throw ExndNFeCheckParams(kDataInvalidaChaveTpEmis, {aDataEmissao}, "");
  }
  if (aCUF.empty() || aCNPJ.empty() || aMod.empty() || aNNF.empty() || aCNF.empty() || aTpEmis.empty()) {
    throw ExndNFeCheckParams(kCamposObrigatoriosTpEmis, {aCUF, aCNPJ, aMod, aNNF, aTpEmis, aCNF}, "");
  }
  TxndGovUtils govUtils;
  const std::string digitos = govUtils->PadLeft(aCUF, 2) + AnoMesEmissao(aDataEmissao) + aCNPJ + aMod +
                              govUtils->PadLeft(aSerie, 3) + govUtils->PadLeft(aNNF, 9) + aTpEmis +
                              govUtils->PadLeft(aCNF, 8);
  return ComDigitoVerificador(digitos);
}

bool ValidarDigitoChave(const std::string& aChave, TVersaoManual aVersao) {
  TxndDecodeChaveNFe partes;
  DecodificarChave(aChave, aVersao, partes);
  const std::string data = AAMMParaData(partes.AAMM);
  const std::string chave =
      aVersao <= vm30
          ? GerarChaveNFe(data, partes.cUF, partes.CNPJ, partes.mod, partes.serie, partes.nNF, partes.cNF)
          : GerarChaveNFeTpEmis(data, partes.cUF, partes.CNPJ, partes.mod, partes.serie, partes.nNF,
                                partes.tpEmis, partes.cNF);
  return Utf8Copy(chave, 44, 1) == partes.cDV;
}

std::string CalcularDVModulo11(const std::string& aDigitos, int aPesoMaximo, bool aRetornarResto) {
  int soma = 0;
  int peso = 2;
  for (auto indice = static_cast<std::ptrdiff_t>(Utf8Length(aDigitos)); indice >= 1; --indice) {
    soma += DigitoEm(aDigitos, indice) * peso;
    if (++peso > aPesoMaximo) peso = 2;
  }
  const int resto = soma % 11;
  if (aRetornarResto) return IntToStr(resto);
  return IntToStr(resto > 1 ? 11 - resto : 0);
}

std::string GerarCodigoDadosNFe(const std::string& aCUF, const std::string& aTpEmis, const std::string& aCNPJ,
                                const std::string& aVNF, const std::string& aIcmsProprio,
                                const std::string& aIcmsST, const std::string& aDia) {
  VerificarCNPJNumerico(aCNPJ);
  TxndGovUtils govUtils;
  const std::string digitos = govUtils->PadLeft(aCUF, 2) + aTpEmis + aCNPJ + govUtils->PadLeft(aVNF, 14) +
                              aIcmsProprio + aIcmsST + aDia;
  return ComDigitoVerificador(digitos);
}

bool ValidarGTIN(const std::string& aCodigo) {
  const auto tamanho = static_cast<std::ptrdiff_t>(Utf8Length(aCodigo));
  if (tamanho == 0) return true;
  if (tamanho != 8 && tamanho != 12 && tamanho != 13 && tamanho != 14 && tamanho != 18) return false;
  if (aCodigo.find_first_not_of('0') == std::string::npos) return false;
  const std::string pesos = Utf8Copy("31313131313131313", 17 - tamanho, tamanho - 1);
  int soma = 0;
  for (std::ptrdiff_t i = 1; i < tamanho; ++i) {
    soma += DigitoEm(aCodigo, i) * (pesos[static_cast<std::size_t>(i - 1)] - '0');
  }
  return IntToStr(DigitoModulo10(soma)) == Utf8Copy(aCodigo, tamanho, 1);
}

bool ValidarCodigoMunicipio(const std::string& aCMun) {
  static constexpr std::array<int, 9> kAceitosSemDigito = {2201919, 2201988, 2202251, 2611533, 3117836,
                                                           3152131, 4305871, 5203939, 5203962};
  const int codigo = StrToInt(aCMun);
  for (const int aceito : kAceitosSemDigito) {
    if (codigo == aceito) return true;
  }
  int soma = 0;
  for (std::ptrdiff_t i = 1; i <= 6; ++i) {
    int produto = DigitoEm(aCMun, i) * (i % 2 == 1 ? 1 : 2);
    if (produto > 9) produto = produto / 10 + produto % 10;
    soma += produto;
  }
  return IntToStr(DigitoModulo10(soma)) == Utf8Copy(aCMun, 7, 1);
}

bool ValorDentroTolerancia(long double aValor, long double aReferencia, long double aTolerancia) {
  return aReferencia - aTolerancia <= aValor && aValor <= aReferencia + aTolerancia;
}

}  // namespace xnd
