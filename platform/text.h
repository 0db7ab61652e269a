// Text helpers: UTF-8 code points, Windows-1252, case folding, Format, numbers.
// Internal text is UTF-8 everywhere; positions and lengths of the helpers
// named Utf8* count Unicode code points.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace xnd {

// Code points. A byte that does not start a well-formed UTF-8 sequence counts
// as one code point of its own.
std::size_t Utf8Length(std::string_view aText);
// Delphi Copy: aCount code points from the 1-based code point aIndex; an index
// below 1 counts as 1, past the end gives empty text.
std::string Utf8Copy(std::string_view aText, std::ptrdiff_t aIndex, std::ptrdiff_t aCount);
// 1-based code point position of aSub in aText, 0 when absent.
std::size_t Utf8Pos(std::string_view aSub, std::string_view aText);
bool IsValidUtf8(std::string_view aText);

// Windows-1252 conversion both ways; characters without a mapping (and invalid
// UTF-8 bytes) become "?". The five bytes Windows leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the C1 controls U+0081... of the same value, so
// every byte survives a round trip.
std::string Utf8ToWin1252(std::string_view aText);
std::string Win1252ToUtf8(std::string_view aText);

// Case folding of ASCII and the Latin-1 letters (a-z, à-þ except ÷ against
// A-Z, À-Þ except ×); other text unchanged, ÿ, ß and µ included. The byte
// length never changes.
std::string UpperCase(std::string_view aText);
std::string LowerCase(std::string_view aText);
bool SameText(std::string_view a, std::string_view b);
// <0, 0, >0 comparing ignoring case.
int CompareText(std::string_view a, std::string_view b);

// Delphi Trim family: removes characters up to and including the blank.
std::string Trim(std::string_view aText);
std::string TrimLeft(std::string_view aText);
std::string TrimRight(std::string_view aText);

// Byte offset of the first aSub in aText at or after aFrom, npos when absent:
// what std::string_view::find gives, with a search that does not stop at
// every occurrence of the first character (XML is full of "<").
std::size_t FindText(std::string_view aText, std::string_view aSub, std::size_t aFrom = 0);
std::string StringReplace(std::string_view aText, std::string_view aFrom, std::string_view aTo,
                          bool aReplaceAll = true, bool aIgnoreCase = false);
bool StartsText(std::string_view aPrefix, std::string_view aText);
bool EndsText(std::string_view aSuffix, std::string_view aText);
// Lines ending in CR LF, LF or CR; the last may have no line end. The views
// point into aText.
std::vector<std::string_view> SplitLines(std::string_view aText);

// Text that came from outside (a server's answer) made safe for a one-line
// message or log line: CR, LF and TAB become the two characters \r, \n, \t,
// every other control character (U+0000-U+001F, U+007F) becomes \xNN.
std::string EscapeControlCharacters(std::string_view aText);

// Whether aText holds only the ASCII digits 0-9, and at least one.
bool IsAsciiDigits(std::string_view aText);

// Appends code point aCp to aOut in UTF-8.
void AppendUtf8(std::string& aOut, char32_t aCp);

// A value made safe as XML element text or attribute value: &, <, > and " as
// entity references, so that a value never changes a document's structure.
std::string EscapeXml(std::string_view aText);

// Format: the printf subset of the system's messages: %s, %d, %<w>.<p>d
// (zero-padded to p digits, space-padded to w), %-<w>d / %-<w>s (left
// justified), %.<p>s (at most p code points), %%. Too few arguments raise
// EConvertError "No argument for format '<format>'"; an argument of the wrong
// kind or an unknown conversion raise EConvertError
// "Format '<format>' invalid or incompatible with argument".
using FormatArg = std::variant<std::string, std::int64_t>;
std::string FormatV(std::string_view aFormat, const std::vector<FormatArg>& aArgs);

namespace detail {
inline FormatArg ToFormatArg(const std::string& v) { return v; }
inline FormatArg ToFormatArg(std::string_view v) { return std::string(v); }
inline FormatArg ToFormatArg(const char* v) { return std::string(v); }
template <class T>
  requires std::is_integral_v<T>
FormatArg ToFormatArg(T v) {
  return static_cast<std::int64_t>(v);
}
}  // namespace detail

template <class... Args>
std::string Format(std::string_view aFormat, const Args&... aArgs) {
  return FormatV(aFormat, std::vector<FormatArg>{detail::ToFormatArg(aArgs)...});
}

// Numbers.
std::string IntToStr(std::int64_t aValue);
// Strict: optional sign and decimal digits only, surrounding blanks refused;
// otherwise EConvertError "'%s' is not a valid integer value".
int StrToInt(std::string_view aText);
std::int64_t StrToInt64(std::string_view aText);
bool TryStrToInt(std::string_view aText, int& aValue);
bool TryStrToInt64(std::string_view aText, std::int64_t& aValue);
int StrToIntDef(std::string_view aText, int aDefault);
// Shortest decimal form that reads back to the same double, with the decimal
// separator of the process locale (LC_NUMERIC): "0.5", "1234.5", "100";
// magnitudes from 1e15 up or below 1e-5 in exponent form ("1E20", "1.5E-7").
std::string FloatToStr(long double aValue);
// The decimal separator of the process locale.
char DecimalSeparator();

}  // namespace xnd
