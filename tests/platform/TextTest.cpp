#include "platform/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <string_view>
#include <utility>

#include "platform/exception.h"

namespace xnd {
namespace {

// ---------------------------------------------------------------------------
// Code points

TEST(Utf8, LengthCountsCodePointsAndEachInvalidByteOnce) {
  EXPECT_EQ(Utf8Length(""), 0u);
  EXPECT_EQ(Utf8Length("São Paulo"), 9u);
  EXPECT_EQ(Utf8Length("€→𝄞"), 3u);
  EXPECT_EQ(Utf8Length("a\xC3"), 2u);          // truncated sequence at the end
  EXPECT_EQ(Utf8Length("\xE2\x82x"), 3u);      // truncated sequence in the middle
  EXPECT_EQ(Utf8Length("\xC0\xAF"), 2u);       // overlong "/"
  EXPECT_EQ(Utf8Length("\xED\xA0\x80"), 3u);   // surrogate
  EXPECT_EQ(Utf8Length("S\xE3o"), 3u);         // Windows-1252 text
}

struct CopyCase {
  std::ptrdiff_t Index;
  std::ptrdiff_t Count;
  const char* Expected;
};

class Utf8CopyTest : public testing::TestWithParam<CopyCase> {};

TEST_P(Utf8CopyTest, CopiesCodePoints) {
  const CopyCase& c = GetParam();
  EXPECT_EQ(Utf8Copy("Ação é fácil", c.Index, c.Count), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8CopyTest,
                         testing::Values(CopyCase{1, 4, "Ação"}, CopyCase{2, 3, "ção"},
                                         CopyCase{6, 1, "é"}, CopyCase{8, 100, "fácil"},
                                         CopyCase{0, 2, "Aç"}, CopyCase{-5, 1, "A"},
                                         CopyCase{13, 1, ""}, CopyCase{3, 0, ""},
                                         CopyCase{3, -1, ""}));

TEST(Utf8, CopyKeepsInvalidBytesAsSingleCodePoints) {
  EXPECT_EQ(Utf8Copy("S\xE3o Paulo", 2, 2), "\xE3o");
}

TEST(Utf8, PosGivesCodePointPositions) {
  EXPECT_EQ(Utf8Pos("é", "café é"), 4u);
  EXPECT_EQ(Utf8Pos("fé", "café é"), 3u);
  EXPECT_EQ(Utf8Pos(" é", "café é"), 5u);
  EXPECT_EQ(Utf8Pos("x", "café"), 0u);
  EXPECT_EQ(Utf8Pos("", "café"), 0u);
  // The second byte of "é" alone is not a match inside "é".
  EXPECT_EQ(Utf8Pos("\xA9", "é"), 0u);
  EXPECT_EQ(Utf8Pos("\xA9", "é\xA9"), 2u);
}

TEST(Utf8, Validity) {
  EXPECT_TRUE(IsValidUtf8("Ação €𝄞"));
  EXPECT_FALSE(IsValidUtf8("S\xE3o"));
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong
}

// ---------------------------------------------------------------------------
// Windows-1252

TEST(Win1252, ConvertsAccentsAndTheEuroBothWays) {
  const std::string ansi = "\xC1\xC9\xCD\xD3\xDA \xE7\xE3 \x80";
  EXPECT_EQ(Utf8ToWin1252("ÁÉÍÓÚ çã €"), ansi);
  EXPECT_EQ(Win1252ToUtf8(ansi), "ÁÉÍÓÚ çã €");
}

TEST(Win1252, TheRangeAbove0x7FMapsAsWindowsDoes) {
  EXPECT_EQ(Win1252ToUtf8("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E"),
            "€‚ƒ„…†‡ˆ‰Š‹ŒŽ");
  EXPECT_EQ(Win1252ToUtf8("\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F"),
            "‘’“”•–—˜™š›œžŸ");
  // The bytes Windows leaves undefined become the C1 controls of the same value.
  EXPECT_EQ(Win1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(Win1252ToUtf8("\xA0\xFF"), "\u00A0ÿ");
}

TEST(Win1252, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
}

TEST(Win1252, TextWithoutAMappingBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToWin1252("a→b"), "a?b");
  EXPECT_EQ(Utf8ToWin1252("𝄞"), "?");
  EXPECT_EQ(Utf8ToWin1252("\u0080"), "?");  // a C1 control that 0x80 (€) does not stand for
  EXPECT_EQ(Utf8ToWin1252("x\xE3y"), "x?y");  // invalid UTF-8 byte
}

// ---------------------------------------------------------------------------
// Case

TEST(Case, FoldsAsciiAndLatin1LettersOnly) {
  EXPECT_EQ(UpperCase("ação à-þ ÷ ÿ ß µ ž z"), "AÇÃO À-Þ ÷ ÿ ß µ ž Z");
  EXPECT_EQ(LowerCase("AÇÃO À-Þ × Ÿ Ž Z"), "ação à-þ × Ÿ Ž z");
  // Invalid bytes are left as they are.
  EXPECT_EQ(UpperCase("\xE3x\xC3"), "\xE3X\xC3");
}

TEST(Case, SameTextAndCompareTextIgnoreCase) {
  EXPECT_TRUE(SameText("JOSÉ DA CONCEIÇÃO", "josé da conceição"));
  EXPECT_FALSE(SameText("a", "á"));
  EXPECT_FALSE(SameText("ab", "a"));
  EXPECT_EQ(CompareText("ÉDSON", "édson"), 0);
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_LT(CompareText("", "a"), 0);
}

TEST(Case, StartsTextAndEndsText) {
  EXPECT_TRUE(StartsText("CONFIG", "configuração.ini"));
  EXPECT_TRUE(EndsText("AÇÃO.XML", "nota-ação.xml"));
  EXPECT_FALSE(StartsText("configuração.ini+", "configuração.ini"));
  EXPECT_FALSE(EndsText(".txt", "nota.xml"));
}

// ---------------------------------------------------------------------------
// Trim and replace

TEST(Trim, RemovesControlCharactersAndBlanksOnly) {
  EXPECT_EQ(Trim("\t\r\n a b \x01\x1F "), "a b");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // no-break space is not trimmed
  EXPECT_EQ(Trim(" \t "), "");
}

struct ReplaceCase {
  const char* Text;
  const char* From;
  const char* To;
  bool All;
  bool IgnoreCase;
  const char* Expected;
};

class StringReplaceTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(StringReplaceTest, Replaces) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(StringReplace(c.Text, c.From, c.To, c.All, c.IgnoreCase), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringReplaceTest,
    testing::Values(ReplaceCase{"a-b-c", "-", "--", true, false, "a--b--c"},
                    ReplaceCase{"a-b-c", "-", "", false, false, "ab-c"},
                    ReplaceCase{"Ação ação", "AÇÃO", "x", true, true, "x x"},
                    ReplaceCase{"Ação ação", "AÇÃO", "x", true, false, "Ação ação"},
                    ReplaceCase{"aaa", "aa", "b", true, false, "ba"},
                    ReplaceCase{"abc", "", "x", true, false, "abc"},
                    ReplaceCase{"\r\nA\r\n", "\r\n", "", true, false, "A"}));

TEST(FindText, FindsWhatStringViewFindFindsFromEveryStart) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"<a><infNFe Id=\"1\"><infNFe Id=\"2\"></infNFe>", "<infNFe Id="},
      {"aaab", "aab"},
      {"ação", "ção"},
      {"<<<", "<"},
      {"abc", ""},
      {"", "x"},
      {"ab", "abc"}};
  for (const auto& [text, sub] : cases) {
    for (std::size_t from = 0; from <= text.size() + 1; ++from) {
      EXPECT_EQ(FindText(text, sub, from), text.find(sub, from)) << text << " " << sub << " " << from;
    }
  }
}

// ---------------------------------------------------------------------------
// Format

struct FormatCase {
  const char* Format;
  std::vector<FormatArg> Args;
  const char* Expected;
};

class FormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, Formats) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatV(c.Format, c.Args), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatTest,
    testing::Values(
        FormatCase{"Lote %d de %s", {std::int64_t{7}, std::string("São Paulo")}, "Lote 7 de São Paulo"},
        FormatCase{"%2.2d/%2.2d", {std::int64_t{5}, std::int64_t{12}}, "05/12"},
        FormatCase{"[%5.3d]", {std::int64_t{7}}, "[  007]"},
        FormatCase{"[%3.2d]", {std::int64_t{-5}}, "[-05]"},
        FormatCase{"[%4d][%-4d]", {std::int64_t{42}, std::int64_t{42}}, "[  42][42  ]"},
        FormatCase{"[%5s]", {std::string("ção")}, "[  ção]"},
        FormatCase{"[%.2s]", {std::string("ção")}, "[çã]"},
        FormatCase{"100%% de %d%%", {std::int64_t{3}}, "100% de 3%"},
        FormatCase{"%d", {std::int64_t{INT64_MIN}}, "-9223372036854775808"},
        FormatCase{"sem argumentos", {}, "sem argumentos"}));

struct FormatErrorCase {
  const char* Format;
  std::vector<FormatArg> Args;
  const char* Message;
};

class FormatErrorTest : public testing::TestWithParam<FormatErrorCase> {};

TEST_P(FormatErrorTest, RaisesConvertError) {
  const FormatErrorCase& c = GetParam();
  try {
    FormatV(c.Format, c.Args);
    FAIL() << "no exception for " << c.Format;
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), c.Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatErrorTest,
    testing::Values(
        FormatErrorCase{"%s e %s", {std::string("a")}, "No argument for format '%s e %s'"},
        FormatErrorCase{"%d", {std::string("1")}, "Format '%d' invalid or incompatible with argument"},
        FormatErrorCase{"%s", {std::int64_t{1}}, "Format '%s' invalid or incompatible with argument"},
        FormatErrorCase{"%q", {std::int64_t{1}}, "Format '%q' invalid or incompatible with argument"},
        FormatErrorCase{"50%", {}, "Format '50%' invalid or incompatible with argument"}));

TEST(Format, TemplateAcceptsStringsAndIntegers) {
  const std::string uf = "SP";
  EXPECT_EQ(Format("%s-%s-%d-%d", uf, "x", 3, std::size_t{4}), "SP-x-3-4");
}

// ---------------------------------------------------------------------------
// Numbers

struct IntCase {
  const char* Text;
  bool Valid;
  int Value;
};

class StrToIntTest : public testing::TestWithParam<IntCase> {};

TEST_P(StrToIntTest, IsStrict) {
  const IntCase& c = GetParam();
  int value = -999;
  EXPECT_EQ(TryStrToInt(c.Text, value), c.Valid);
  if (c.Valid) {
    EXPECT_EQ(value, c.Value);
    EXPECT_EQ(StrToInt(c.Text), c.Value);
  } else {
    EXPECT_EQ(value, -999) << "the output is left alone on failure";
    EXPECT_EQ(StrToIntDef(c.Text, 42), 42);
    try {
      StrToInt(c.Text);
      FAIL() << "no exception for '" << c.Text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(c.Text) + "' is not a valid integer value");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, StrToIntTest,
                         testing::Values(IntCase{"12", true, 12}, IntCase{"-3", true, -3},
                                         IntCase{"+7", true, 7}, IntCase{"007", true, 7},
                                         IntCase{"2147483647", true, 2147483647},
                                         IntCase{"-2147483648", true, -2147483647 - 1},
                                         IntCase{" 1", false, 0}, IntCase{"1 ", false, 0},
                                         IntCase{"1a", false, 0}, IntCase{"", false, 0},
                                         IntCase{"-", false, 0}, IntCase{"+-1", false, 0},
                                         IntCase{"--1", false, 0}, IntCase{"1.0", false, 0},
                                         IntCase{"2147483648", false, 0},
                                         IntCase{"99999999999", false, 0}));

TEST(StrToInt64, TakesTheWholeRangeAndRejectsOverflow) {
  EXPECT_EQ(StrToInt64("99999999999"), 99999999999LL);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  std::int64_t value = 0;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", value));
  EXPECT_THROW(StrToInt64("1e3"), EConvertError);
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
}

// Sets LC_NUMERIC for one test and restores the previous one.
class ScopedNumericLocale {
 public:
  explicit ScopedNumericLocale(const char* aName) : FPrevious(std::setlocale(LC_NUMERIC, nullptr)) {
    FActive = std::setlocale(LC_NUMERIC, aName) != nullptr;
  }
  ~ScopedNumericLocale() { std::setlocale(LC_NUMERIC, FPrevious.c_str()); }
  ScopedNumericLocale(const ScopedNumericLocale&) = delete;
  ScopedNumericLocale& operator=(const ScopedNumericLocale&) = delete;
  bool Active() const { return FActive; }

 private:
  std::string FPrevious;
  bool FActive = false;
};

struct FloatCase {
  long double Value;
  const char* Expected;
};

class FloatToStrTest : public testing::TestWithParam<FloatCase> {};

TEST_P(FloatToStrTest, WritesTheShortestFormInTheCLocale) {
  const ScopedNumericLocale locale("C");
  EXPECT_EQ(DecimalSeparator(), '.');
  EXPECT_EQ(FloatToStr(GetParam().Value), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FloatToStrTest,
                         testing::Values(FloatCase{0.5L, "0.5"}, FloatCase{1234.5L, "1234.5"},
                                         FloatCase{100.0L, "100"}, FloatCase{0.0L, "0"},
                                         FloatCase{-0.0L, "0"}, FloatCase{-2.25L, "-2.25"},
                                         FloatCase{1000000.0L, "1000000"},
                                         FloatCase{501.234L, "501.234"},
                                         FloatCase{0.1L, "0.1"}, FloatCase{1e20L, "1E20"},
                                         FloatCase{1.5e-7L, "1.5E-7"}));

TEST(FloatToStr, UsesTheDecimalSeparatorOfTheLocale) {
  for (const char* name : {"pt_BR.UTF-8", "pt_BR.utf8", "pt_BR"}) {
    const ScopedNumericLocale locale(name);
    if (!locale.Active()) continue;
    EXPECT_EQ(DecimalSeparator(), ',');
    EXPECT_EQ(FloatToStr(0.5L), "0,5");
    EXPECT_EQ(FloatToStr(1234.5L), "1234,5");
    return;
  }
  GTEST_SKIP() << "the pt_BR locale is not installed on this machine";
}

}  // namespace
}  // namespace xnd
