#include "platform/stringlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace xnd {
namespace {

using test::TempDir;

struct SplitCase {
  const char* Text;
  std::vector<std::string> Lines;
};

class SetTextTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SetTextTest, SplitsOnEveryKindOfLineBreak) {
  TStringList list;
  list.Add("old");
  list.SetText(GetParam().Text);
  EXPECT_EQ(list.Items(), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetTextTest,
    testing::Values(SplitCase{"A\r\nB", {"A", "B"}}, SplitCase{"A\nB\rC", {"A", "B", "C"}},
                    SplitCase{"A\r\n", {"A"}}, SplitCase{"A\r\n\r\n", {"A", ""}},
                    SplitCase{"\n\r", {"", ""}}, SplitCase{"A\r\r\nB", {"A", "", "B"}},
                    SplitCase{"", {}}));

TEST(StringList, TextEndsEveryLineWithCrLf) {
  TStringList list;
  EXPECT_EQ(list.Text(), "");
  list.Add("Nota");
  list.Add("");
  list.Add("São Paulo");
  EXPECT_EQ(list.Text(), "Nota\r\n\r\nSão Paulo\r\n");

  TStringList copy;
  copy.SetText(list.Text());
  EXPECT_EQ(copy.Items(), list.Items());
}

TEST(StringList, NameValueAccessIgnoresCase) {
  TStringList list;
  list.SetText("Nome=José=Silva\r\nuf=SP\r\nsem igual\r\nVazio=\r\nUF=RJ");
  EXPECT_EQ(list.Values("NOME"), "José=Silva");
  EXPECT_EQ(list.Values("Uf"), "SP") << "the first line of a name wins";
  EXPECT_EQ(list.Values("sem igual"), "");
  EXPECT_EQ(list.IndexOfName("VAZIO"), 3);
  EXPECT_EQ(list.IndexOfName("Nome=José"), -1);
  EXPECT_EQ(list.Names(0), "Nome");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(2), "");
  EXPECT_EQ(list.IndexOf("SEM IGUAL"), 2);

  list.SetValues("UF", "MG");
  list.SetValues("Novo", "1");
  list.SetValues("nome", "");
  EXPECT_EQ(list.Text(), "UF=MG\r\nsem igual\r\nVazio=\r\nUF=RJ\r\nNovo=1\r\n");
}

TEST(StringList, EditingKeepsOrder) {
  TStringList list;
  EXPECT_EQ(list.Add("b"), 0);
  list.Insert(0, "a");
  list.Insert(2, "d");
  list.SetStrings(2, "c");
  list.Delete(0);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"b", "c"}));

  list.AddStrings(list);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"b", "c", "b", "c"}));
  TStringList other;
  other.Add("x");
  list.Assign(other);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"x"}));
}

TEST(StringList, AnIndexOutsideTheListRaisesListError) {
  TStringList list;
  list.Add("a");
  const auto expectError = [](auto aCall, const char* aMessage) {
    try {
      aCall();
      ADD_FAILURE() << "no exception, expected: " << aMessage;
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), aMessage);
      EXPECT_STREQ(e.ClassName(), "EListError");
    }
  };
  expectError([&] { (void)list[1]; }, "List index out of bounds (1)");
  expectError([&] { (void)list.Strings(-1); }, "List index out of bounds (-1)");
  expectError([&] { list.SetStrings(5, "x"); }, "List index out of bounds (5)");
  expectError([&] { list.Delete(1); }, "List index out of bounds (1)");
  expectError([&] { list.Insert(2, "x"); }, "List index out of bounds (2)");
  expectError([&] { (void)list.Names(3); }, "List index out of bounds (3)");
}

TEST(StringList, CommaTextQuotesWhatNeedsIt) {
  TStringList list;
  list.SetText("a\r\nb c\r\nd\"e\r\nf,g\r\n");
  list.Add("");
  EXPECT_EQ(list.CommaText(), "a,\"b c\",\"d\"\"e\",\"f,g\",");
  TStringList single;
  single.Add("");
  EXPECT_EQ(single.CommaText(), "\"\"");
}

TEST(StringList, LoadsUtf8WithOrWithoutBomAndFallsBackToWindows1252) {
  const TempDir dir;
  TStringList list;
  list.LoadFromFile(dir.Write("bom.txt", "\xEF\xBB\xBF" "Ação\r\nfim"));
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"Ação", "fim"}));
  list.LoadFromFile(dir.Write("ansi.txt", "S\xE3o Paulo\n\x80 1"));
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"São Paulo", "€ 1"}));
}

TEST(StringList, SavesUtf8WithCrLf) {
  const TempDir dir;
  TStringList list;
  list.Add("Ação");
  list.Add("fim");
  list.SaveToFile(dir.File("out.txt"));
  EXPECT_EQ(dir.Read("out.txt"), "Ação\r\nfim\r\n");
}

}  // namespace
}  // namespace xnd
