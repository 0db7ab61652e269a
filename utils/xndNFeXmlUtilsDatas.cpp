// Dates and times between the NF-e text forms and the Brazilian display forms.
#include <optional>

#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

[[noreturn]] void ErroData(const char* aMotivo) {
  throw ExndNFEConvertDateException(std::string("Erro na conversão de datas: ") + aMotivo, "");
}

[[noreturn]] void ErroHora(const char* aMotivo) {
  throw ExndNFEConvertHoraException(std::string("Erro na conversão de horas: ") + aMotivo, "");
}

// aCount code points from aIndex, when the text has them all and they form an integer.
bool ParteNumerica(const std::string& aTexto, std::ptrdiff_t aIndex, std::size_t aCount, std::string& aParte) {
  aParte = Utf8Copy(aTexto, aIndex, static_cast<std::ptrdiff_t>(aCount));
  int valor = 0;
  return Utf8Length(aParte) == aCount && TryStrToInt(aParte, valor);
}

std::string DataParaTextoBRComTamanho(const std::string& aTexto, std::optional<std::size_t> aTamanho) {
  const std::string aparado = Trim(aTexto);
  if (aparado.empty()) return {};
  if (aTamanho && Utf8Length(aparado) != *aTamanho) ErroData("data inválida");
  std::string ano;
  if (!ParteNumerica(aTexto, 1, 4, ano)) ErroData("ano inválido");
  std::string mes;
  if (!ParteNumerica(aTexto, 6, 2, mes)) ErroData("mês inválido");
  std::string dia = Utf8Copy(aTexto, 9, 2);
  if (dia.size() == 1 && dia[0] >= '1' && dia[0] <= '9') {
    dia = "0" + dia;
  } else if (Utf8Length(dia) != 2) {
    ErroData("dia inválido");
  }
  return Format("%s/%s/%s", dia, mes, ano);
}

}  // namespace

std::chrono::year_month_day TextoParaData(const std::string& aTexto) {
  const std::string ano = Utf8Copy(aTexto, 1, 4);
  if (Utf8Length(ano) < 4) ErroData("ano inválido");
  const std::string mes = Utf8Copy(aTexto, 6, 2);
  if (Utf8Length(mes) < 2) ErroData("mês inválido");
  const std::string dia = Utf8Copy(aTexto, 9, 2);
  if (Utf8Length(dia) < 2) ErroData("dia inválido");
  const int y = StrToInt(ano);
  const int m = StrToInt(mes);
  const int d = StrToInt(dia);
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) ErroData("data inválida");
  const std::chrono::year_month_day data{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
                                         std::chrono::day{static_cast<unsigned>(d)}};
  if (!data.ok()) ErroData("data inválida");
  return data;
}

std::string DataParaTextoBR(const std::string& aTexto) { return DataParaTextoBRComTamanho(aTexto, 10); }

std::string DataParaTextoBRVersao(const std::string& aTexto, const std::string& aVersaoLayout) {
  std::optional<std::size_t> tamanho;
  if (aVersaoLayout == "2.00") tamanho = 10;
  if (aVersaoLayout == "3.10") tamanho = 25;
  return DataParaTextoBRComTamanho(aTexto, tamanho);
}

std::string HoraDaDataHora(const std::string& aTexto) {
  const std::string aparado = Trim(aTexto);
  if (aparado.empty()) return {};
  if (Utf8Length(aparado) != 25) ErroHora("hora inválida");
  std::string hora;
  if (!ParteNumerica(aTexto, 12, 2, hora)) ErroHora("Hora inválida");
  std::string minuto;
  if (!ParteNumerica(aTexto, 15, 2, minuto)) ErroHora("minuto inválido");
  const std::string segundo = Utf8Copy(aTexto, 18, 2);
  if (Utf8Length(segundo) != 2) ErroHora("segundo inválido");
  return Format("%s:%s:%s", hora, minuto, segundo);
}

}  // namespace xnd
