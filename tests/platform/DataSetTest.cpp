#include "platform/dataset.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace xnd {
namespace {

// Runs aAction and returns the EDatabaseError message it raises ("" when none).
std::string DatabaseError(const std::function<void()>& aAction) {
  try {
    aAction();
  } catch (const EDatabaseError& e) {
    return e.Message();
  }
  return {};
}

// The values of aField over every record the table shows, from the first.
std::vector<std::string> Column(TClientDataSet& aTable, const std::string& aField) {
  std::vector<std::string> values;
  for (aTable.First(); !aTable.Eof(); aTable.Next()) values.push_back(aTable.FieldByName(aField).AsString());
  return values;
}

void AddRecord(TClientDataSet& aTable, const std::vector<std::pair<std::string, std::string>>& aValues) {
  aTable.Append();
  for (const auto& [name, value] : aValues) aTable.FieldByName(name).SetAsString(value);
  aTable.Post();
}

class Table : public testing::Test {
 protected:
  Table() {
    FTable.SetName("T");
    FTable.AddStringField("codigo", 3);
    FTable.AddStringField("nome", 10);
    FTable.CreateDataSet();
  }
  TClientDataSet FTable;
};

TEST_F(Table, StatesOfARecordThroughAppendEditPostCancel) {
  TField& codigo = FTable.FieldByName("CODIGO");
  EXPECT_EQ(FTable.State(), dsBrowse);
  // Reads on an empty table give "".
  EXPECT_EQ(codigo.AsString(), "");
  EXPECT_TRUE(codigo.IsNull());
  EXPECT_TRUE(FTable.Eof());
  EXPECT_TRUE(FTable.Bof());
  EXPECT_EQ(FTable.RecNo(), 0);

  FTable.Append();
  EXPECT_EQ(FTable.State(), dsInsert);
  EXPECT_FALSE(FTable.Modified());
  codigo.SetAsString("1");
  EXPECT_TRUE(FTable.Modified());
  FTable.Post();
  EXPECT_EQ(FTable.State(), dsBrowse);
  EXPECT_EQ(FTable.RecordCount(), 1);

  FTable.Edit();
  EXPECT_EQ(FTable.State(), dsEdit);
  codigo.SetAsString("2");
  FTable.Cancel();
  EXPECT_EQ(codigo.AsString(), "1");

  FTable.Append();
  codigo.SetAsString("9");
  FTable.Cancel();  // back on the record current before the append
  EXPECT_EQ(FTable.RecordCount(), 1);
  EXPECT_EQ(codigo.AsString(), "1");

  // "" makes the field null; integers go through the text.
  FTable.Edit();
  codigo.SetAsInteger(42);
  EXPECT_EQ(codigo.AsInteger(), 42);
  codigo.SetAsString("");
  EXPECT_TRUE(codigo.IsNull());
  FTable.Post();
  EXPECT_EQ(codigo.AsInteger(), 0);
}

TEST_F(Table, RenamedFieldIsFoundUnderItsNewName) {
  EXPECT_NE(FTable.FindField("nome"), nullptr);
  FTable.FieldByName("nome").SetFieldName("xNome");
  EXPECT_EQ(FTable.FindField("nome"), nullptr);
  EXPECT_EQ(FTable.FindField("XNOME"), FTable.Fields()[1].get());
}

TEST_F(Table, EditOnAnEmptyTableAppends) {
  FTable.Edit();
  EXPECT_EQ(FTable.State(), dsInsert);
}

TEST_F(Table, PlatformErrors) {
  TField& codigo = FTable.FieldByName("codigo");
  EXPECT_EQ(DatabaseError([&] { codigo.SetAsString("1"); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(DatabaseError([&] { FTable.FieldByName("xpto"); }), "Field 'xpto' not found");
  EXPECT_EQ(FTable.FindField("xpto"), nullptr);
  EXPECT_EQ(DatabaseError([&] { FTable.AddStringField("x", 1); }),
            "Cannot perform this operation on an open dataset");
  // An over-long value is refused, never cut; sizes count characters, not bytes.
  FTable.Append();
  EXPECT_EQ(DatabaseError([&] { codigo.SetAsString("1234"); }), "Field 'codigo' holds at most 3 characters");
  EXPECT_EQ(DatabaseError([&] { codigo.SetAsString("ção"); }), "");
  EXPECT_EQ(codigo.AsString(), "ção");
  FTable.Post();
  FTable.Close();
  EXPECT_EQ(FTable.State(), dsInactive);
  EXPECT_EQ(codigo.AsString(), "");
  EXPECT_EQ(DatabaseError([&] { FTable.Append(); }), "Cannot perform this operation on a closed dataset");
  EXPECT_EQ(DatabaseError([&] { FTable.First(); }), "Cannot perform this operation on a closed dataset");
  EXPECT_EQ(DatabaseError([&] { FTable.AddStringField("CODIGO", 1); }), "Duplicate field name 'CODIGO'");
  FTable.Open();
  EXPECT_EQ(FTable.RecordCount(), 0);  // closing discards the records
}

TEST(TableFields, MemoSizeDoesNotLimitAndRequiredNeedsAValue) {
  TClientDataSet table;
  auto memo = std::make_unique<TMemoField>();
  memo->SetFieldName("obs");
  memo->SetSize(2);
  table.AddField(std::move(memo));
  TField& uf = table.AddStringField("uf", 2);
  uf.SetRequired(true);
  uf.SetDisplayLabel("Estado");
  table.CreateDataSet();
  table.Append();
  table.FieldByName("obs").SetAsString("bem mais que dois");
  EXPECT_EQ(DatabaseError([&] { table.Post(); }), "Field 'Estado' must have a value");
  EXPECT_EQ(table.State(), dsInsert);
  uf.SetAsString("SP");
  table.Post();
  EXPECT_EQ(table.FieldByName("obs").AsString(), "bem mais que dois");
}

TEST_F(Table, NavigationEndsOnTheLastRecord) {
  for (const char* c : {"1", "2", "3"}) AddRecord(FTable, {{"codigo", c}});
  EXPECT_EQ(Column(FTable, "codigo"), (std::vector<std::string>{"1", "2", "3"}));
  // After Next on the last record Eof is true and the cursor stays there.
  EXPECT_EQ(FTable.FieldByName("codigo").AsString(), "3");
  EXPECT_EQ(FTable.RecNo(), 3);
  FTable.Prior();
  EXPECT_EQ(FTable.FieldByName("codigo").AsString(), "2");
  EXPECT_FALSE(FTable.Eof());
  FTable.Delete();
  EXPECT_EQ(FTable.FieldByName("codigo").AsString(), "3");
  EXPECT_EQ(Column(FTable, "codigo"), (std::vector<std::string>{"1", "3"}));
}

// A pending record is posted when it was modified and cancelled when not,
// before Append, Edit and every move.
struct PendingCase {
  const char* Name;
  bool Modify;
  std::function<void(TClientDataSet&)> Then;
  int Records;
};

void PrintTo(const PendingCase& aCase, std::ostream* aOut) { *aOut << aCase.Name; }

class PendingRecord : public testing::TestWithParam<PendingCase> {};

TEST_P(PendingRecord, PostedWhenModifiedCancelledOtherwise) {
  TClientDataSet table;
  table.AddStringField("codigo", 3);
  table.CreateDataSet();
  AddRecord(table, {{"codigo", "1"}});
  table.Append();
  if (GetParam().Modify) table.FieldByName("codigo").SetAsString("2");
  GetParam().Then(table);
  EXPECT_EQ(table.RecordCount(), GetParam().Records);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PendingRecord,
    testing::Values(PendingCase{"AppendModified", true, [](TClientDataSet& t) { t.Append(); }, 2},
                    PendingCase{"AppendUnmodified", false, [](TClientDataSet& t) { t.Append(); }, 1},
                    PendingCase{"FirstModified", true, [](TClientDataSet& t) { t.First(); }, 2},
                    PendingCase{"FirstUnmodified", false, [](TClientDataSet& t) { t.First(); }, 1},
                    PendingCase{"NextModified", true, [](TClientDataSet& t) { t.Next(); }, 2},
                    PendingCase{"LastUnmodified", false, [](TClientDataSet& t) { t.Last(); }, 1},
                    PendingCase{"PriorModified", true, [](TClientDataSet& t) { t.Prior(); }, 2},
                    PendingCase{"EmptyDataSet", true, [](TClientDataSet& t) { t.EmptyDataSet(); }, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Table, NotificationsAndAThrowingBeforePost) {
  std::vector<std::string> seen;
  FTable.BeforeInsert = [&](TClientDataSet& t) { seen.push_back("BeforeInsert " + std::to_string(t.State())); };
  FTable.AfterInsert = [&](TClientDataSet& t) {
    seen.push_back("AfterInsert " + std::to_string(t.State()));
    t.FieldByName("codigo").SetAsString("7");  // fills the new record
  };
  FTable.BeforePost = [&](TClientDataSet& t) {
    seen.push_back("BeforePost");
    if (t.FieldByName("nome").AsString() == "recusado") throw EDatabaseError("recusado");
  };
  FTable.AfterPost = [&](TClientDataSet&) { seen.push_back("AfterPost"); };
  FTable.Append();
  EXPECT_EQ(FTable.FieldByName("codigo").AsString(), "7");
  FTable.FieldByName("nome").SetAsString("recusado");
  EXPECT_EQ(DatabaseError([&] { FTable.Post(); }), "recusado");
  // The record and the state are as they were.
  EXPECT_EQ(FTable.State(), dsInsert);
  EXPECT_EQ(FTable.FieldByName("nome").AsString(), "recusado");
  EXPECT_EQ(FTable.RecordCount(), 0);
  FTable.FieldByName("nome").SetAsString("aceito");
  FTable.Post();
  EXPECT_EQ(seen, (std::vector<std::string>{"BeforeInsert 1", "AfterInsert 3", "BeforePost", "BeforePost",
                                            "AfterPost"}));
}

// Master "M" (id) with two details: "D" on id and "E" on id.
class MasterDetail : public testing::Test {
 protected:
  MasterDetail() {
    FMaster.SetName("M");
    FMaster.AddStringField("id", 5);
    FMaster.CreateDataSet();
    for (TClientDataSet* d : {&FDetail, &FOther}) {
      d->AddStringField("handle", 5);
      d->AddStringField("mestre", 5);
      d->AddStringField("valor", 5);
      d->CreateDataSet();
    }
    FDetail.SetName("D");
    FOther.SetName("E");
    for (const char* id : {"1", "2"}) AddRecord(FMaster, {{"id", id}});
    for (const auto& [mestre, valor] : std::vector<std::pair<std::string, std::string>>{
             {"1", "a"}, {"2", "b"}, {"1", "c"}})
      AddRecord(FDetail, {{"mestre", mestre}, {"valor", valor}});
    Link(FOther);
    Link(FDetail);
  }
  void Link(TClientDataSet& aDetail) {
    aDetail.SetMasterSource(&FSource);
    aDetail.SetMasterFields("id");
    aDetail.SetIndexFieldNames("mestre");
  }

  TClientDataSet FMaster;
  TDataSource FSource{nullptr, &FMaster};
  TClientDataSet FDetail;
  TClientDataSet FOther;
};

TEST_F(MasterDetail, DetailFollowsTheMastersCurrentRecord) {
  // The master is on its last record ("2").
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"b"}));
  FMaster.First();
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(FDetail.RecordCount(), 2);
  // Details are listed in link order.
  EXPECT_EQ(FMaster.Details(), (std::vector<TClientDataSet*>{&FOther, &FDetail}));
  // Clearing the link shows every record.
  FDetail.SetMasterSource(nullptr);
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(FMaster.Details(), (std::vector<TClientDataSet*>{&FOther}));
}

TEST_F(MasterDetail, AppendOnTheDetailFillsTheKeyAndAMasterMovePostsIt) {
  FMaster.First();
  FDetail.Append();
  EXPECT_EQ(FDetail.FieldByName("mestre").AsString(), "1");
  FDetail.FieldByName("valor").SetAsString("d");
  FMaster.Next();  // posts the pending detail record, then shows master "2"
  EXPECT_EQ(FDetail.State(), dsBrowse);
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"b"}));
  FMaster.First();
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"a", "c", "d"}));
  // A master being appended shows no details until it has a key that matches.
  FMaster.Append();
  EXPECT_EQ(FDetail.RecordCount(), 0);
  FMaster.FieldByName("id").SetAsString("2");
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"b"}));
}

TEST_F(MasterDetail, EditingOrDeletingADetailsKeyMovesItBetweenMastersInRecordOrder) {
  FMaster.First();
  FDetail.First();  // "a"
  FDetail.Edit();
  FDetail.FieldByName("mestre").SetAsString("2");
  FDetail.Post();  // "a" leaves master "1"
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"c"}));
  FMaster.Next();
  // Record order, not the order of the edits.
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"a", "b"}));
  FDetail.First();
  FDetail.Delete();
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"b"}));
  FDetail.Append();
  FDetail.FieldByName("valor").SetAsString("e");
  FDetail.Post();
  FMaster.First();
  FMaster.Next();
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"b", "e"}));
  FMaster.First();
  EXPECT_EQ(Column(FDetail, "valor"), (std::vector<std::string>{"c"}));
}

TEST_F(MasterDetail, EmptyDataSetRemovesFilteredOutRecordsToo) {
  FMaster.First();
  FDetail.EmptyDataSet();
  FDetail.SetMasterSource(nullptr);
  EXPECT_EQ(FDetail.RecordCount(), 0);
}

TEST_F(MasterDetail, AMasterPostThatKeepsTheKeyKeepsTheDetailsPosition) {
  FMaster.First();
  FDetail.Last();  // "c"
  FMaster.Edit();
  FMaster.FieldByName("id").SetAsString("1");
  FMaster.Post();
  EXPECT_EQ(FDetail.RecNo(), 2);
  EXPECT_EQ(FDetail.FieldByName("valor").AsString(), "c");
}

// Three levels: a move of the top table reaches a grandchild read directly,
// and a grandchild record being entered is posted under the records it was
// entered for.
TEST(MasterDetailLevels, AGrandchildFollowsTheTopTableAndItsPendingRecordIsPosted) {
  TClientDataSet topo, meio, neto;
  topo.AddStringField("id", 5);
  for (TClientDataSet* t : {&meio, &neto}) {
    t->AddStringField("id", 5);
    t->AddStringField("mestre", 5);
  }
  for (TClientDataSet* t : {&topo, &meio, &neto}) t->CreateDataSet();
  for (const char* id : {"1", "2"}) AddRecord(topo, {{"id", id}});
  AddRecord(meio, {{"id", "m1"}, {"mestre", "1"}});
  AddRecord(meio, {{"id", "m2"}, {"mestre", "2"}});
  AddRecord(neto, {{"id", "x"}, {"mestre", "m1"}});
  AddRecord(neto, {{"id", "y"}, {"mestre", "m2"}});
  TDataSource fonteTopo{nullptr, &topo}, fonteMeio{nullptr, &meio};
  meio.SetMasterSource(&fonteTopo);
  meio.SetMasterFields("id");
  meio.SetIndexFieldNames("mestre");
  neto.SetMasterSource(&fonteMeio);
  neto.SetMasterFields("id");
  neto.SetIndexFieldNames("mestre");

  topo.Last();
  EXPECT_EQ(Column(neto, "id"), (std::vector<std::string>{"y"}));
  topo.First();
  topo.Next();
  topo.First();
  EXPECT_EQ(Column(neto, "id"), (std::vector<std::string>{"x"}));

  neto.Append();
  neto.FieldByName("id").SetAsString("z");
  topo.Next();  // posts "z" under m1, then shows the records of m2
  EXPECT_EQ(neto.State(), dsBrowse);
  EXPECT_EQ(Column(neto, "id"), (std::vector<std::string>{"y"}));
  topo.First();
  EXPECT_EQ(Column(neto, "id"), (std::vector<std::string>{"x", "z"}));
}

TEST(MasterDetailLifetime, TablesAndSourcesMayGoInAnyOrder) {
  auto master = std::make_unique<TClientDataSet>();
  master->AddStringField("id", 5);
  master->CreateDataSet();
  auto source = std::make_unique<TDataSource>(nullptr, master.get());
  TClientDataSet detail;
  detail.AddStringField("id", 5);
  detail.CreateDataSet();
  AddRecord(detail, {{"id", "9"}});
  detail.SetMasterSource(source.get());
  detail.SetMasterFields("id");
  detail.SetIndexFieldNames("id");
  EXPECT_EQ(detail.RecordCount(), 0);
  master.reset();  // the source is left without a table: the detail shows everything
  EXPECT_EQ(detail.RecordCount(), 1);
  source.reset();
  EXPECT_EQ(detail.MasterSource(), nullptr);
  EXPECT_EQ(detail.RecordCount(), 1);
}

TEST(IsValidIdent, Names) {
  EXPECT_TRUE(IsValidIdent("DUP"));
  EXPECT_TRUE(IsValidIdent("_cNF_B03"));
  EXPECT_FALSE(IsValidIdent(""));
  EXPECT_FALSE(IsValidIdent("1A"));
  EXPECT_FALSE(IsValidIdent("a-b"));
  EXPECT_FALSE(IsValidIdent("#comment"));
}

}  // namespace
}  // namespace xnd
