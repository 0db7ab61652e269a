#include "danfe/xndNFeDanfeCCe.h"

#include <chrono>
#include <cmath>

#include "danfe/xndNFeDanfeDados.h"
#include "platform/text.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

// A date-time value (days since 1899-12-30, the time as the fraction) as
// "DD/MM/YYYY hh:mm:ss".
std::string DataHoraParaTexto(double aValor) {
  const double dias = std::floor(aValor);
  double fracao = std::fabs(aValor - dias);
  // Before the epoch the fraction is subtracted: the day is the one towards zero.
  long long dia = static_cast<long long>(aValor < 0 ? std::ceil(aValor) : dias);
  if (aValor < 0) fracao = std::fabs(aValor - static_cast<double>(dia));
  auto segundos = static_cast<long long>(std::llround(fracao * 86400.0));
  if (segundos >= 86400) {
    segundos -= 86400;
    ++dia;
  }
  const std::chrono::year_month_day data{std::chrono::sys_days{std::chrono::year{1899} / 12 / 30} +
                                         std::chrono::days{dia}};
  return Format("%2.2d/%2.2d/%4.4d %2.2d:%2.2d:%2.2d", static_cast<unsigned>(data.day()),
                static_cast<unsigned>(data.month()), static_cast<int>(data.year()), segundos / 3600,
                (segundos / 60) % 60, segundos % 60);
}

}  // namespace

TxndCCeDadosImpressao::TxndCCeDadosImpressao(TxndGovUtils& aGovUtils) : FGovUtils(aGovUtils) {
  DefinirCamposCCe();
}

TxndCCeDadosImpressao::~TxndCCeDadosImpressao() = default;

void TxndCCeDadosImpressao::DefinirCamposCCe() {
  FDataSource.reset();
  FDataSet = std::make_unique<TClientDataSet>();
  FDataSet->SetName("Dados");
  for (const char* campo : {"CNPJ", "chNFe", "nProt", "dhRegEvento", "nSeqEvento"}) {
    FDataSet->AddStringField(campo, 255);
  }
  // A correction of 1000 characters whose line delimiters became CR LF is
  // longer than 1000: the field is a memo of that declared size.
  auto correcao = std::make_unique<TMemoField>();
  correcao->SetFieldName("xCorrecao");
  correcao->SetSize(1000);
  FDataSet->AddField(std::move(correcao));
  FDataSet->AddStringField("cOrgao", 255);
  FDataSet->AddStringField("CPFCNPJDest", 14);
  FDataSet->CreateDataSet();
  FDataSource = std::make_unique<TDataSource>(nullptr, FDataSet.get());
}

void TxndCCeDadosImpressao::LimparCCe() {
  if (!FDataSet->Active()) FDataSet->Open();
  FDataSet->EmptyDataSet();
}

void TxndCCeDadosImpressao::CarregarCCe() {
  LimparCCe();
  FDataSet->Append();
  try {
    PreencherCCe();
    FDataSet->Post();
  } catch (...) {
    FDataSet->Cancel();
    throw;
  }
}

void TxndCCeDadosImpressao::PreencherCCe() {
  const std::string xml = FGovUtils->NormalizeXml(FXml);
  const auto valor = [&](const char* aTag) { return TextoXml(ConteudoTag(aTag, xml)); };
  TClientDataSet& d = *FDataSet;
  for (const char* campo : {"CNPJ", "chNFe", "nProt", "nSeqEvento", "cOrgao"}) {
    d.FieldByName(campo).SetAsString(valor(campo));
  }
  const std::string registro = valor("dhRegEvento");
  // An event not registered yet has no registration time: the field stays empty.
  d.FieldByName("dhRegEvento")
      .SetAsString(registro.empty() ? std::string()
                                    : DataHoraParaTexto(FGovUtils->TextToDateTime(registro)));
  std::string correcao = valor("xCorrecao");
  if (!FLineDelimiter.empty()) correcao = StringReplace(correcao, FLineDelimiter, "\r\n");
  d.FieldByName("xCorrecao").SetAsString(correcao);
  const std::string cnpj = valor("CNPJDest");
  d.FieldByName("CPFCNPJDest").SetAsString(cnpj.empty() ? valor("CPFDest") : cnpj);
}

}  // namespace xnd
