// The dataset serializer: the whole JSON of a master with details.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "danfe/xndNFeDanfeSerializer.h"
#include "platform/dataset.h"

namespace xnd {
namespace {

// "Nota" (numero, obs memo of 8000) with "Item" (numero, item, texto) on "numero".
class SerializerTest : public ::testing::Test {
 protected:
  SerializerTest() {
    FNota.SetName("Nota");
    FNota.AddStringField("numero", 9);
    auto memo = std::make_unique<TMemoField>();
    memo->SetFieldName("obs");
    memo->SetSize(8000);
    FNota.AddField(std::move(memo));
    FNota.CreateDataSet();
    FItem.SetName("Item");
    FItem.AddStringField("numero", 9);
    FItem.AddStringField("item", 3);
    FItem.AddStringField("texto", 255);
    FItem.CreateDataSet();
    FItem.SetMasterSource(&FFonteNota);
    FItem.SetMasterFields("numero");
    FItem.SetIndexFieldNames("numero");
  }

  void Nota(const std::string& aNumero, const std::string& aObs) {
    FNota.Append();
    FNota.FieldByName("numero").SetAsString(aNumero);
    FNota.FieldByName("obs").SetAsString(aObs);
    FNota.Post();
  }
  void Item(const std::string& aItem, const std::string& aTexto) {
    FItem.Append();
    FItem.FieldByName("item").SetAsString(aItem);
    FItem.FieldByName("texto").SetAsString(aTexto);
    FItem.Post();
  }

  TClientDataSet FNota;
  TClientDataSet FItem;
  TDataSource FFonteNota{nullptr, &FNota};
  TDataSource FFonteItem{nullptr, &FItem};
};

std::string Campo(const std::string& aNome, const std::string& aValor, int aTamanho) {
  return R"({"Name":")" + aNome + R"(","Value":")" + aValor + R"(","Size":)" +
         std::to_string(aTamanho) + R"(,"Type":"string"})";
}

std::string ItemDetalhe(const std::string& aRegistros) {
  return R"({"Items":[)" + aRegistros +
         R"(],"Name":"Item","Type":"dataset","IndexFieldNames":"numero","MasterFields":"numero"})";
}

TEST_F(SerializerTest, MasterRecordsNestTheirOwnDetailsAndAnEmptyDetailGivesOneEmptyRecord) {
  Nota("1", "linha 1\r\n\"aspas\" \\ barra");
  Item("1", "papel");
  Item("2", "tinta");
  Nota("2", "");

  const std::string esperado =
      R"([{"Items":[[)" + Campo("numero", "1", 9) + "," +
      Campo("obs", R"(linha 1\r\n\"aspas\" \\ barra)", 8000) + "," +
      ItemDetalhe("[" + Campo("numero", "1", 9) + "," + Campo("item", "1", 3) + "," +
                  Campo("texto", "papel", 255) + "],[" + Campo("numero", "1", 9) + "," +
                  Campo("item", "2", 3) + "," + Campo("texto", "tinta", 255) + "]") +
      "],[" + Campo("numero", "2", 9) + "," + Campo("obs", "", 8000) + "," +
      ItemDetalhe("[" + Campo("numero", "", 9) + "," + Campo("item", "", 3) + "," +
                  Campo("texto", "", 255) + "]") +
      R"(]],"Name":"Nota"}])";
  // The detail in the list is written only nested, whatever the list order.
  EXPECT_EQ(SerializarDataSources({&FFonteItem, &FFonteNota}), esperado);
}

TEST_F(SerializerTest, EmptyListGivesEmptyTextAndAnEmptyMasterOneEmptyRecord) {
  EXPECT_EQ(SerializarDataSources({}), "");
  EXPECT_EQ(SerializarDataSources({nullptr}), "");
  FItem.SetMasterSource(nullptr);
  EXPECT_EQ(SerializarDataSources({&FFonteNota}), R"([{"Items":[[)" + Campo("numero", "", 9) + "," +
                                                      Campo("obs", "", 8000) +
                                                      R"(]],"Name":"Nota"}])");
}

}  // namespace
}  // namespace xnd
