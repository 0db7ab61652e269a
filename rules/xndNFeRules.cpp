#include "rules/xndNFeRules.h"

#include <charconv>
#include <ctime>

#include "datasets/xndXMLDataSetNFe.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

namespace {

constexpr const char* kDataSetNaoConfigurado = "DataSet não configurado para validação da NFe.";
constexpr const char* kFormatoViolacao = "[%s]: %s - %s.\r\nVerifique o Campo: %s";

bool Digito(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// ---- Amounts -----------------------------------------------------------------

long double TextoParaDecimal(std::string_view aTexto, char aSeparador) {
  const std::string texto = Trim(aTexto);
  const auto invalido = [&aTexto]() {
    return EConvertError("'" + std::string(aTexto) + "' is not a valid floating point value");
  };
  // Checked here, then handed to from_chars with "." as its separator.
  std::string numero;
  std::size_t i = 0;
  bool negativo = false;
  if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) negativo = texto[i++] == '-';
  bool digitos = false;
  while (i < texto.size() && Digito(texto[i])) {
    numero += texto[i++];
    digitos = true;
  }
  if (i < texto.size() && texto[i] == aSeparador) {
    numero += '.';
    ++i;
    while (i < texto.size() && Digito(texto[i])) {
      numero += texto[i++];
      digitos = true;
    }
  }
  if (!digitos) throw invalido();
  if (i < texto.size() && (texto[i] == 'E' || texto[i] == 'e')) {
    numero += texto[i++];
    if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) numero += texto[i++];
    if (i == texto.size() || !Digito(texto[i])) throw invalido();
    while (i < texto.size() && Digito(texto[i])) numero += texto[i++];
  }
  if (i != texto.size()) throw invalido();
  long double valor = 0;
  const auto [fim, erro] = std::from_chars(numero.data(), numero.data() + numero.size(), valor);
  if (erro != std::errc() || fim != numero.data() + numero.size()) throw invalido();
  return negativo ? -valor : valor;
}

long double ConverterValor(const std::string& aTexto) {
  if (aTexto.empty()) return 0;
  std::string texto = aTexto;
  if (const auto ponto = texto.find('.'); ponto != std::string::npos) texto[ponto] = ',';
  return TextoParaDecimal(texto, ',');
}

// ---- Clock -------------------------------------------------------------------

TxndDataHoraLocal RelogioLocal() {
  using namespace std::chrono;
  const auto agora = system_clock::now();
  const std::time_t segundos = system_clock::to_time_t(agora);
  std::tm local{};
  if (localtime_r(&segundos, &local) == nullptr) {
    throw ExndNFeRuleException("Não foi possível obter a data e hora locais.", "");
  }
  const auto dia = local_days{year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday};
  const auto ms = duration_cast<milliseconds>(agora - floor<seconds>(agora));
  return time_point_cast<milliseconds>(dia) + hours{local.tm_hour} + minutes{local.tm_min} +
         seconds{local.tm_sec} + ms;
}

std::int64_t DiasEntre(TxndDataHoraLocal aAgora, std::chrono::year_month_day aData) {
  using namespace std::chrono;
  auto diferenca = aAgora - time_point_cast<milliseconds>(local_days{aData});
  if (diferenca < milliseconds::zero()) diferenca = -diferenca;
  return duration_cast<days>(diferenca).count();
}

// ---- TxndNFeRule ---------------------------------------------------------------

TxndNFeRule::TxndNFeRule(std::string aName, std::string aFieldName, std::string aCodigo, std::string aMensagem)
    : TxndNFeRule(std::move(aName), std::move(aFieldName), std::move(aCodigo), std::move(aMensagem), vm50) {}

TxndNFeRule::TxndNFeRule(std::string aName, std::string aFieldName, std::string aCodigo, std::string aMensagem,
                         TVersaoManual aVersaoManual)
    : TxndRule(std::move(aName), std::move(aFieldName)),
      FGovUtils(std::make_unique<TxndGovUtils>()),
      FCodigo(std::move(aCodigo)),
      FMensagem(std::move(aMensagem)),
      FManualRegra(aVersaoManual) {}

TxndNFeRule::~TxndNFeRule() = default;

void TxndNFeRule::Validar() {
  if (DataSet() == nullptr) throw ExndNFeRuleException(kDataSetNaoConfigurado, "");
}

bool TxndNFeRule::GrupoPreenchido(std::string_view aGrupo) {
  TxndXMLDataSetNFe& motor = Motor();
  return motor.PossuiDados(motor.DataSetPorNome(aGrupo));
}

void TxndNFeRule::Rejeitar() const {
  throw ExndNFeRuleException(kFormatoViolacao, {Name(), FCodigo, FMensagem, FieldName()}, "");
}

TxndXMLDataSetNFe& TxndNFeRule::Motor() const {
  if (DataSet() == nullptr) throw ExndNFeRuleException(kDataSetNaoConfigurado, "");
  return *DataSet();
}

TXmlDataSetNFe& TxndNFeRule::Grupo(std::string_view aGrupo) const { return Motor().DataSetPorNome(aGrupo); }

std::string TxndNFeRule::Campo(std::string_view aCampo) const { return Motor().CampoPorNome(aCampo).AsString(); }

std::string TxndNFeRule::CampoDe(const TClientDataSet& aGrupo, std::string_view aCampo) {
  return aGrupo.FieldByName(aCampo).AsString();
}

void TxndNFeRule::AtribuirCampo(std::string_view aCampo, const std::string& aValor) const {
  TXmlFieldNFe& campo = Motor().CampoPorNome(aCampo);
  TClientDataSet* grupo = campo.DataSet();
  if (grupo != nullptr && grupo->State() == dsBrowse) grupo->Edit();
  campo.SetAsString(aValor);
}

int TxndNFeRule::Registros(TXmlDataSetNFe& aGrupo) const {
  int registros = aGrupo.RecordCount();
  if (aGrupo.State() == dsInsert && Motor().PossuiDados(aGrupo)) ++registros;
  return registros;
}

bool TxndNFeRule::CNPJValido(const std::string& aCNPJ) { return FGovUtils->Server().IsValidCNPJ(aCNPJ); }

bool TxndNFeRule::CPFValido(const std::string& aCPF) { return FGovUtils->Server().IsValidCPF(aCPF); }

TxndDecodeChaveNFe TxndNFeRule::Decodificar(const std::string& aChave) const {
  TxndDecodeChaveNFe chave;
  DecodificarChave(aChave, FManualRegra, chave);
  return chave;
}

bool TxndNFeRule::DigitoChaveValido(const std::string& aChave) const {
  return ValidarDigitoChave(aChave, FManualRegra);
}

TxndDataHoraLocal TxndNFeRule::Agora() const { return FRelogio ? FRelogio() : RelogioLocal(); }

bool InformadoNaoNulo(const std::string& aTexto) { return !aTexto.empty() && UpperCase(aTexto) != "NULL"; }

bool MunicipioValido(const std::string& aCodigo) {
  if (aCodigo.size() != 7) return false;
  for (const char c : aCodigo) {
    if (!Digito(c)) return false;
  }
  return ValidarCodigoMunicipio(aCodigo);
}

// ---- TxndNFeTemplateItem -------------------------------------------------------

void TxndNFeTemplateItem::Validar() {
  TxndNFeRule::Validar();
  FItens = &Grupo("I");
  TXmlDataSetNFe& itens = Grupo("H");
  itens.First();
  while (!itens.Eof()) {
    if (!ValidarItem()) Rejeitar();
    itens.Next();
  }
}

// ---- TxndControllerRulesNFe ----------------------------------------------------

TxndControllerRulesNFe::TxndControllerRulesNFe() = default;

TxndControllerRulesNFe::~TxndControllerRulesNFe() = default;

void TxndControllerRulesNFe::ExecutarRegras(int aModo) {
  // The list is emptied whatever ends the run.
  struct TLimpeza {
    TxndControllerRulesNFe& Controle;
    ~TLimpeza() { Controle.LimparRegras(); }
  } limpeza{*this};
  if (aModo == 0) {
    CarregarRegrasVarno();
  } else if (aModo == 1) {
    CarregarRegrasManual();
  }
  ValidarRegras();
}

void TxndControllerRulesNFe::CarregarRegrasManual() {
  switch (VersaoEsquemaParaManual(FEsquema)) {
    case vm40:
      CarregarRegras40();
      break;
    case vm50:
      CarregarRegras50();
      break;
    case vm50a:
      CarregarRegras50a();
      break;
    default:  // manual 3.0: no rules
      break;
  }
}

void TxndControllerRulesNFe::ValidarRegras() {
  const std::size_t total = FRegras.size();
  for (std::size_t i = 0; i < total; ++i) {
    TxndNFeRule& regra = *FRegras[i];
    regra.SetDataSet(FMotor);
    regra.SetRelogio(FRelogio);
    if (!RegraExcetuada(regra.Name())) regra.Validar();
  }
}

bool TxndControllerRulesNFe::RegraExcetuada(const std::string& aNome) const {
  return !aNome.empty() && FExcecoes.find(aNome) != std::string::npos;
}

void TxndControllerRulesNFe::LimparRegras() { FRegras.clear(); }

void TxndControllerRulesNFe::CarregarTabela(std::span<const TxndNFeRuleEntry> aTabela,
                                            std::optional<TVersaoManual> aVersao) {
  for (const TxndNFeRuleEntry& entrada : aTabela) {
    const char* campo = entrada.FieldName != nullptr ? entrada.FieldName : entrada.Def->FieldName;
    FRegras.push_back(entrada.Def->Criar(*entrada.Def, campo, aVersao));
  }
}

}  // namespace xnd
