// TxndRule: the base of every business rule. A rule checks (or, for the
// normalising rules, adjusts) the invoice data of the dataset engine it is
// given just before it runs.
#pragma once

#include <string>

namespace xnd {

class TxndXMLDataSetNFe;

class TxndRule {
 public:
  // Enabled is true; the engine is not set.
  TxndRule(std::string aName, std::string aFieldName);
  virtual ~TxndRule();
  TxndRule(const TxndRule&) = delete;
  TxndRule& operator=(const TxndRule&) = delete;

  // Returns normally when the data passes; raises on a violation.
  virtual void Validar() = 0;
  // The rule's class name ("TxndNFeGA03"), for listings and tests.
  virtual std::string ClassName() const = 0;

  // Not consulted by the controller.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool aValue) { FEnabled = aValue; }
  // The engine whose data the rule reads; not owned.
  TxndXMLDataSetNFe* DataSet() const { return FDataSet; }
  void SetDataSet(TxndXMLDataSetNFe* aValue) { FDataSet = aValue; }
  // The rule code shown in the message and matched against the exceptions list ("GB12.1").
  const std::string& Name() const { return FName; }
  // The field the user is told to check; may be empty.
  const std::string& FieldName() const { return FFieldName; }

 private:
  bool FEnabled = true;
  TxndXMLDataSetNFe* FDataSet = nullptr;
  std::string FName;
  std::string FFieldName;
};

}  // namespace xnd
