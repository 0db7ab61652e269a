// The print data of a report: the JSON the dataset serializer writes (an
// array of dataset objects; each record an array of field objects followed by
// the nested dataset objects of its details), read into plain records.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace xnd::govx::report {

struct TReportDataSet;

struct TReportRecord {
  // Field values by field name (text as the serializer wrote it, valid UTF-8).
  std::map<std::string, std::string, std::less<>> Fields;
  // Nested datasets of this record, in the order they were written.
  std::vector<TReportDataSet> Details;

  // The field's value; "" when the record has no such field.
  const std::string& Value(std::string_view aField) const;
  // The nested dataset of that name, or nullptr.
  const TReportDataSet* Detail(std::string_view aName) const;
  // True when every field is empty (the serializer writes one such record for
  // a dataset without records).
  bool Empty() const;
};

struct TReportDataSet {
  std::string Name;
  std::vector<TReportRecord> Records;

  // The records that hold at least one value.
  std::vector<const TReportRecord*> FilledRecords() const;
};

struct TReportData {
  std::vector<TReportDataSet> DataSets;

  // The top-level dataset of that name; raises EOleException
  // "Dados do relatório sem o conjunto "%s"." when there is none.
  const TReportDataSet& DataSet(std::string_view aName) const;
};

// Reads the serializer's JSON. Raises EOleException: "Dados do relatório não
// informados." for an empty text, "Dados do relatório não são um JSON válido:
// %s" with the parser's reason, "Dados do relatório em formato inesperado: %s"
// when the shape is not the serializer's. Text that is not valid UTF-8 is
// read as Windows-1252.
TReportData ParseReportData(std::string_view aJson);

}  // namespace xnd::govx::report
