#include "servers/govx/report/ReportData.h"

#include <nlohmann/json.hpp>

#include "platform/exception.h"
#include "platform/text.h"

namespace xnd::govx::report {

namespace {

using json = nlohmann::json;

[[noreturn]] void Unexpected(const std::string& aWhat) {
  throw EOleException("Dados do relatório em formato inesperado: " + aWhat);
}

std::string ValueText(const json& aValue) {
  if (aValue.is_string()) return aValue.get<std::string>();
  if (aValue.is_null()) return {};
  return aValue.dump();
}

TReportDataSet ReadDataSet(const json& aObject, const std::string& aWhere);

TReportRecord ReadRecord(const json& aEntries, const std::string& aWhere) {
  if (!aEntries.is_array()) Unexpected(aWhere + " não é uma lista de campos");
  TReportRecord record;
  for (const json& entry : aEntries) {
    if (!entry.is_object()) Unexpected(aWhere + " tem um campo que não é um objeto");
    const auto name = entry.find("Name");
    if (name == entry.end() || !name->is_string()) Unexpected(aWhere + " tem um campo sem nome");
    if (entry.contains("Items")) {
      record.Details.push_back(ReadDataSet(entry, aWhere + "/" + name->get<std::string>()));
    } else {
      const auto value = entry.find("Value");
      record.Fields.insert_or_assign(name->get<std::string>(),
                                     value == entry.end() ? std::string() : ValueText(*value));
    }
  }
  return record;
}

TReportDataSet ReadDataSet(const json& aObject, const std::string& aWhere) {
  if (!aObject.is_object()) Unexpected(aWhere + " não é um objeto");
  const auto name = aObject.find("Name");
  const auto items = aObject.find("Items");
  if (name == aObject.end() || !name->is_string()) Unexpected(aWhere + " sem \"Name\"");
  TReportDataSet dataSet;
  dataSet.Name = name->get<std::string>();
  if (items == aObject.end() || !items->is_array())
    Unexpected("conjunto \"" + dataSet.Name + "\" sem \"Items\"");
  const std::string where = "registro de \"" + dataSet.Name + "\"";
  for (const json& entries : *items) dataSet.Records.push_back(ReadRecord(entries, where));
  return dataSet;
}

}  // namespace

const std::string& TReportRecord::Value(std::string_view aField) const {
  static const std::string empty;
  const auto it = Fields.find(aField);
  return it == Fields.end() ? empty : it->second;
}

const TReportDataSet* TReportRecord::Detail(std::string_view aName) const {
  for (const TReportDataSet& d : Details)
    if (d.Name == aName) return &d;
  return nullptr;
}

bool TReportRecord::Empty() const {
  for (const auto& [name, value] : Fields)
    if (!value.empty()) return false;
  return true;
}

std::vector<const TReportRecord*> TReportDataSet::FilledRecords() const {
  std::vector<const TReportRecord*> out;
  for (const TReportRecord& r : Records)
    if (!r.Empty()) out.push_back(&r);
  return out;
}

const TReportDataSet& TReportData::DataSet(std::string_view aName) const {
  for (const TReportDataSet& d : DataSets)
    if (d.Name == aName) return d;
  throw EOleException(Format("Dados do relatório sem o conjunto \"%s\".", std::string(aName)));
}

TReportData ParseReportData(std::string_view aJson) {
  if (Trim(aJson).empty()) throw EOleException("Dados do relatório não informados.");
  const std::string text = IsValidUtf8(aJson) ? std::string(aJson) : Win1252ToUtf8(aJson);
  json root;
  try {
    root = json::parse(text);
  } catch (const json::exception& e) {
    throw EOleException(std::string("Dados do relatório não são um JSON válido: ") + e.what());
  }
  if (!root.is_array()) Unexpected("o texto não é uma lista de conjuntos");
  TReportData data;
  for (const json& object : root) data.DataSets.push_back(ReadDataSet(object, "conjunto"));
  return data;
}

}  // namespace xnd::govx::report
