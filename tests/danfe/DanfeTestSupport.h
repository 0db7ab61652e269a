// Helpers of the DANFE tests: reading a whole record, the JSON files of the
// public samples kept under tests/danfe/data/.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "danfe/xndNFeDanfeDados.h"
#include "platform/dataset.h"

namespace xnd::test {

// Field name -> value of the current record.
inline std::map<std::string, std::string> Registro(const TClientDataSet& aDataSet) {
  std::map<std::string, std::string> valores;
  for (const auto& field : aDataSet.Fields()) valores[field->FieldName()] = field->AsString();
  return valores;
}

// The values of one field over every record the table shows (moves the cursor).
inline std::vector<std::string> Coluna(TClientDataSet& aDataSet, const std::string& aCampo) {
  std::vector<std::string> valores;
  for (aDataSet.First(); !aDataSet.Eof(); aDataSet.Next())
    valores.push_back(aDataSet.FieldByName(aCampo).AsString());
  return valores;
}

inline TClientDataSet& Tabela(const TxndNFeDanfeDados& aDados, const std::string& aNome) {
  for (TClientDataSet* tabela : aDados.DataSets()) {
    if (tabela->Name() == aNome) return *tabela;
  }
  throw std::runtime_error("no dataset " + aNome);
}

// The component's phrases, set as TxndNFeDanfe sets them on a new data object.
inline void FrasesDoComponente(TxndNFeDanfeDados& aDados) {
  aDados.SetFraseContingencia(
      "DANFE em Contingência - impresso em decorrência de problemas técnicos");
  aDados.SetFraseHomologacao("SEM VALOR FISCAL");
}

}  // namespace xnd::test
