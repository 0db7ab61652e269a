#include "danfe/xndNFeDanfeSerializer.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace xnd {

namespace {

using Json = nlohmann::ordered_json;

Json EscreverDataSet(TClientDataSet& aDataSet, bool aDetalhe) {
  Json items = Json::array();
  aDataSet.First();
  // The body runs before the end is tested: an empty table gives one record of empty values.
  const std::vector<TClientDataSet*> detalhes = aDataSet.Details();
  do {
    Json registro = Json::array();
    registro.get_ref<Json::array_t&>().reserve(aDataSet.Fields().size() + detalhes.size());
    for (const auto& field : aDataSet.Fields()) {
      Json campo = Json::object();
      campo.get_ref<Json::object_t&>().reserve(4);
      campo["Name"] = field->FieldName();
      campo["Value"] = field->AsString();
      campo["Size"] = field->Size();
      campo["Type"] = "string";
      registro.push_back(std::move(campo));
    }
    for (TClientDataSet* detalhe : detalhes) registro.push_back(EscreverDataSet(*detalhe, true));
    items.push_back(std::move(registro));
    aDataSet.Next();
  } while (!aDataSet.Eof());

  Json objeto = Json::object();
  objeto["Items"] = std::move(items);
  objeto["Name"] = aDataSet.Name();
  if (aDetalhe) {
    objeto["Type"] = "dataset";
    objeto["IndexFieldNames"] = aDataSet.IndexFieldNames();
    objeto["MasterFields"] = aDataSet.MasterFields();
  }
  return objeto;
}

}  // namespace

std::string SerializarDataSources(const std::vector<TDataSource*>& aSources) {
  std::vector<TClientDataSet*> tabelas;
  for (TDataSource* source : aSources) {
    if (source != nullptr && source->DataSet() != nullptr) tabelas.push_back(source->DataSet());
  }
  if (tabelas.empty()) return {};
  const auto ehDetalheDaLista = [&](const TClientDataSet* aTabela) {
    const TDataSource* mestre = aTabela->MasterSource();
    return mestre != nullptr && mestre->DataSet() != nullptr &&
           std::find(tabelas.begin(), tabelas.end(), mestre->DataSet()) != tabelas.end();
  };
  Json saida = Json::array();
  for (TClientDataSet* tabela : tabelas) {
    if (!ehDetalheDaLista(tabela)) saida.push_back(EscreverDataSet(*tabela, false));
  }
  return saida.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace xnd
