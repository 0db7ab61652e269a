// The NF-e business rules: the rule base TxndNFeRule and its item loop
// TxndNFeTemplateItem, the amount reader ConverterValor, the clock the rules
// read, and the controller TxndControllerRulesNFe that loads the rule set of
// a mode (the normalising set, or the set of the manual of the schema
// version), runs it in order and stops at the first violation.
//
// A violation is ExndNFeRuleException, without log directory, with the text
//   "[<Name>]: <Codigo> - <Mensagem>.\r\nVerifique o Campo: <FieldName>"
// (the full stop is always added).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "external/xndGovUtils.h"
#include "rules/xndRules.h"
#include "types/xndNFeType.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

class TClientDataSet;
class TXmlDataSetNFe;

// ---- Amounts -----------------------------------------------------------------

// A decimal number written with aSeparador as its decimal separator: blanks
// around it are ignored, then an optional sign, digits with at most one
// separator, and an optional exponent ("E" or "e", optional sign, digits).
// The process locale plays no part. Anything else raises EConvertError
// "'%s' is not a valid floating point value".
long double TextoParaDecimal(std::string_view aTexto, char aSeparador);
// The amount of a dataset field: "" gives 0; otherwise the first "." (only
// the first) becomes "," and the text is read with "," as the separator, so
// "12.50" and "12,50" are 12.5 and "1.234,56" raises EConvertError.
long double ConverterValor(const std::string& aTexto);

// ---- Clock -------------------------------------------------------------------

// Local wall-clock date and time, as the issuer's calendar reads it.
using TxndDataHoraLocal = std::chrono::local_time<std::chrono::milliseconds>;
// The source of "now" of the rules that read the date; the controller hands
// its clock to every rule it runs.
using TxndRelogio = std::function<TxndDataHoraLocal()>;
// The system clock in the process's time zone.
TxndDataHoraLocal RelogioLocal();
// The whole number of days between aAgora and midnight of aData, without
// sign, truncated.
std::int64_t DiasEntre(TxndDataHoraLocal aAgora, std::chrono::year_month_day aData);

// ---- Rules ---------------------------------------------------------------------

class TxndNFeRule : public TxndRule {
 public:
  // Manual version vm50.
  TxndNFeRule(std::string aName, std::string aFieldName, std::string aCodigo, std::string aMensagem);
  TxndNFeRule(std::string aName, std::string aFieldName, std::string aCodigo, std::string aMensagem,
              TVersaoManual aVersaoManual);
  ~TxndNFeRule() override;

  // ExndNFeRuleException "DataSet não configurado para validação da NFe."
  // when DataSet is unassigned; otherwise returns.
  void Validar() override;
  // Whether the current record of group aGrupo holds data: a visible field,
  // not null, not empty, other than "handle" and the group's CampoMestre.
  bool GrupoPreenchido(std::string_view aGrupo);

  const std::string& Codigo() const { return FCodigo; }
  const std::string& Mensagem() const { return FMensagem; }
  TVersaoManual ManualRegra() const { return FManualRegra; }
  // The clock of the rules that read the date; RelogioLocal when none is set.
  void SetRelogio(TxndRelogio aRelogio) { FRelogio = std::move(aRelogio); }

 protected:
  // Raises the violation; never returns.
  [[noreturn]] void Rejeitar() const;
  // The engine; the dataset check's exception when it is unassigned.
  TxndXMLDataSetNFe& Motor() const;
  // An invoice group (ExndDataSetException "Parte %s não encontrada." when unknown).
  TXmlDataSetNFe& Grupo(std::string_view aGrupo) const;
  // The text of a field on the current record of the group that holds it
  // (ExndDataSetFieldNotFoundException when no group has it).
  std::string Campo(std::string_view aCampo) const;
  // The text of a field of one group's current record (the dataset layer's
  // EDatabaseError when the group lacks it).
  static std::string CampoDe(const TClientDataSet& aGrupo, std::string_view aCampo);
  // Writes a field of the current record of the group that holds it, putting
  // that record in edit mode first when the group is browsing.
  void AtribuirCampo(std::string_view aCampo, const std::string& aValor) const;
  // The records of a group, a pending new record that holds data included.
  int Registros(TXmlDataSetNFe& aGrupo) const;
  // Check digits, answered by the external utilities object.
  bool CNPJValido(const std::string& aCNPJ);
  bool CPFValido(const std::string& aCPF);
  // DecodificarChave with the rule's manual version.
  TxndDecodeChaveNFe Decodificar(const std::string& aChave) const;
  // ValidarDigitoChave with the rule's manual version.
  bool DigitoChaveValido(const std::string& aChave) const;
  // Now, from the rule's clock.
  TxndDataHoraLocal Agora() const;

 private:
  std::unique_ptr<TxndGovUtils> FGovUtils;
  std::string FCodigo;
  std::string FMensagem;
  TVersaoManual FManualRegra;
  TxndRelogio FRelogio;
};

// A rule checked once per invoice item.
class TxndNFeTemplateItem : public TxndNFeRule {
 public:
  using TxndNFeRule::TxndNFeRule;

  // The dataset check, then each record of H from the first: ValidarItem
  // true goes on to the next; false raises the violation for that item.
  void Validar() override;
  // True when the current item passes; may also raise by itself.
  virtual bool ValidarItem() = 0;

 protected:
  // Group "I" (the item's product data), fetched by Validar.
  TXmlDataSetNFe* FItens = nullptr;
};

// ---- Rule catalogue and sets ---------------------------------------------------

// One rule of the catalogue: its class (name less "TxndNFe"), the values the
// loaders give it, and how it is created. A null aVersao takes the one-name
// constructor (manual vm50).
struct TxndNFeRuleDef {
  const char* Classe;
  const char* Name;
  const char* FieldName;
  const char* Codigo;
  const char* Mensagem;
  std::unique_ptr<TxndNFeRule> (*Criar)(const TxndNFeRuleDef& aDef, const char* aFieldName,
                                        std::optional<TVersaoManual> aVersao);
};

template <class TRegra>
std::unique_ptr<TxndNFeRule> CriarRegra(const TxndNFeRuleDef& aDef, const char* aFieldName,
                                        std::optional<TVersaoManual> aVersao) {
  if (aVersao) return std::make_unique<TRegra>(aDef.Name, aFieldName, aDef.Codigo, aDef.Mensagem, *aVersao);
  return std::make_unique<TRegra>(aDef.Name, aFieldName, aDef.Codigo, aDef.Mensagem);
}

// One line of a set's table: the rule, and its field when this set gives it
// another one than the catalogue's (null: the catalogue's).
struct TxndNFeRuleEntry {
  const TxndNFeRuleDef* Def;
  const char* FieldName = nullptr;
};

// The rule sets run by the controller.
class TxndControllerRulesNFe {
 public:
  using TListaRegras = std::vector<std::unique_ptr<TxndNFeRule>>;

  TxndControllerRulesNFe();
  virtual ~TxndControllerRulesNFe();
  TxndControllerRulesNFe(const TxndControllerRulesNFe&) = delete;
  TxndControllerRulesNFe& operator=(const TxndControllerRulesNFe&) = delete;

  // The engine the rules read; not owned.
  void SetDataSet(TxndXMLDataSetNFe* aMotor) { FMotor = aMotor; }
  // The user's exceptions list: a rule whose Name occurs in it (case
  // included, anywhere) is skipped.
  void SetExcecoesDeRegras(std::string aTexto) { FExcecoes = std::move(aTexto); }
  // pl_005a (a manual 3.0 package: no rules in mode 1) until set.
  void SetVersaoEsquema(TVersaoEsquema aVersao) { FEsquema = aVersao; }
  // The clock handed to every rule; RelogioLocal when none is set.
  void SetRelogio(TxndRelogio aRelogio) { FRelogio = std::move(aRelogio); }

  // Mode 0 runs the normalising set; mode 1 the set of the manual of the
  // schema version (none for manual 3.0; an unmapped version raises
  // ExndNFeVersaoManualException before any rule runs); any other mode
  // nothing. The first violation (or any other exception) ends the run and
  // reaches the caller; the list is emptied whatever ends the run.
  void ExecutarRegras(int aModo);

 protected:
  virtual void CarregarRegrasVarno();
  virtual void CarregarRegrasManual();
  virtual void CarregarRegras40();
  virtual void CarregarRegras50();
  virtual void CarregarRegras50a();
  virtual void ValidarRegras();
  virtual bool RegraExcetuada(const std::string& aNome) const;
  virtual void LimparRegras();

  // Appends the rules of a table in its order; a null aVersao takes the
  // one-name constructor.
  void CarregarTabela(std::span<const TxndNFeRuleEntry> aTabela, std::optional<TVersaoManual> aVersao);
  TListaRegras& Regras() { return FRegras; }

 private:
  TListaRegras FRegras;
  TxndXMLDataSetNFe* FMotor = nullptr;
  std::string FExcecoes;
  TVersaoEsquema FEsquema = pl_005a;
  TxndRelogio FRelogio;
};

}  // namespace xnd
