#include "platform/text.h"

#include <array>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

#include "platform/exception.h"

namespace xnd {

namespace {

constexpr bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence starting at aPos, 0 when the byte
// there does not start one (stray continuation, overlong form, surrogate,
// beyond U+10FFFF, truncated).
std::size_t SequenceLength(std::string_view aText, std::size_t aPos) {
  const auto byte = [&](std::size_t i) -> unsigned char {
    return aPos + i < aText.size() ? static_cast<unsigned char>(aText[aPos + i]) : 0;
  };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return IsContinuation(byte(1)) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const unsigned char second = byte(1);
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
    return second >= low && second <= high && IsContinuation(byte(2)) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const unsigned char second = byte(1);
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
    return second >= low && second <= high && IsContinuation(byte(2)) &&
                   IsContinuation(byte(3))
               ? 4
               : 0;
  }
  return 0;
}

// Bytes taken by the code point at aPos: an invalid byte counts as one.
std::size_t CodePointBytes(std::string_view aText, std::size_t aPos) {
  const std::size_t n = SequenceLength(aText, aPos);
  return n == 0 ? 1 : n;
}

// Marks an invalid byte as a value no code point has.
constexpr char32_t kInvalidBase = 0x110000;

// Decodes the code point at aPos and advances past it.
char32_t NextCodePoint(std::string_view aText, std::size_t& aPos) {
  const std::size_t n = SequenceLength(aText, aPos);
  const auto lead = static_cast<unsigned char>(aText[aPos]);
  if (n == 0) {
    ++aPos;
    return kInvalidBase + lead;
  }
  static constexpr std::array<unsigned char, 5> kLeadMask{0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t cp = lead & kLeadMask[n];
  for (std::size_t i = 1; i < n; ++i) {
    cp = (cp << 6) | (static_cast<unsigned char>(aText[aPos + i]) & 0x3F);
  }
  aPos += n;
  return cp;
}


// Windows-1252 0x80..0x9F. The five bytes Windows leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as the
// Windows conversion functions do, so every byte survives a round trip.
constexpr std::array<char16_t, 32> kWin1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// The Windows-1252 byte of a code point, '?' when it has none.
char ToWin1252(char32_t aCp) {
  if (aCp < 0x80 || (aCp >= 0xA0 && aCp <= 0xFF)) return static_cast<char>(aCp);
  for (std::size_t i = 0; i < kWin1252High.size(); ++i) {
    if (kWin1252High[i] == aCp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// ASCII and Latin-1 letters: a-z / à-þ except ÷, against A-Z / À-Þ except ×.
char32_t FoldUpper(char32_t aCp) {
  if ((aCp >= 'a' && aCp <= 'z') || (aCp >= 0xE0 && aCp <= 0xFE && aCp != 0xF7)) {
    return aCp - 0x20;
  }
  return aCp;
}

// Case folding on bytes: both ranges keep their UTF-8 length (ASCII, or 0xC3
// followed by the second byte), so positions in the folded text match the
// original ones.
std::string FoldBytes(std::string_view aText, bool aUpper) {
  std::string out(aText);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c < 0x80) {
      if (aUpper && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 0x20);
      if (!aUpper && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 0x20);
    } else if (c == 0xC3 && i + 1 < out.size()) {
      const auto next = static_cast<unsigned char>(out[i + 1]);
      if (aUpper && next >= 0xA0 && next <= 0xBE && next != 0xB7) {
        out[i + 1] = static_cast<char>(next - 0x20);
      } else if (!aUpper && next >= 0x80 && next <= 0x9E && next != 0x97) {
        out[i + 1] = static_cast<char>(next + 0x20);
      }
      if (IsContinuation(next)) ++i;
    }
  }
  return out;
}

constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

[[noreturn]] void ThrowFormatError(std::string_view aFormat) {
  throw EConvertError("Format '" + std::string(aFormat) + "' invalid or incompatible with argument");
}

[[noreturn]] void ThrowMissingArgument(std::string_view aFormat) {
  throw EConvertError("No argument for format '" + std::string(aFormat) + "'");
}

// One conversion of the format: %[-][width][.precision]type.
struct FormatSpec {
  bool LeftJustify = false;
  std::size_t Width = 0;
  std::size_t Precision = 0;
  bool HasPrecision = false;
  char Type = 0;
};

std::size_t ReadNumber(std::string_view aFormat, std::size_t& aPos) {
  std::size_t value = 0;
  while (aPos < aFormat.size() && aFormat[aPos] >= '0' && aFormat[aPos] <= '9') {
    value = value * 10 + static_cast<std::size_t>(aFormat[aPos] - '0');
    if (value > 1000000) ThrowFormatError(aFormat);
    ++aPos;
  }
  return value;
}

// Parses the conversion after the '%' at aPos and leaves aPos past its type.
FormatSpec ParseSpec(std::string_view aFormat, std::size_t& aPos) {
  FormatSpec spec;
  if (aPos < aFormat.size() && aFormat[aPos] == '-') {
    spec.LeftJustify = true;
    ++aPos;
  }
  spec.Width = ReadNumber(aFormat, aPos);
  if (aPos < aFormat.size() && aFormat[aPos] == '.') {
    ++aPos;
    spec.HasPrecision = true;
    spec.Precision = ReadNumber(aFormat, aPos);
  }
  if (aPos >= aFormat.size()) ThrowFormatError(aFormat);
  spec.Type = static_cast<char>(std::tolower(static_cast<unsigned char>(aFormat[aPos])));
  ++aPos;
  return spec;
}

std::string FormatInteger(std::int64_t aValue, const FormatSpec& aSpec) {
  const bool negative = aValue < 0;
  // Magnitude through unsigned arithmetic so INT64_MIN is safe.
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(aValue) : static_cast<std::uint64_t>(aValue);
  std::string digits = std::to_string(magnitude);
  if (aSpec.HasPrecision && digits.size() < aSpec.Precision) {
    digits.insert(0, aSpec.Precision - digits.size(), '0');
  }
  return negative ? "-" + digits : digits;
}

void AppendPadded(std::string& aOut, const std::string& aText, const FormatSpec& aSpec) {
  const std::size_t width = Utf8Length(aText);
  const std::size_t pad = aSpec.Width > width ? aSpec.Width - width : 0;
  if (!aSpec.LeftJustify) aOut.append(pad, ' ');
  aOut += aText;
  if (aSpec.LeftJustify) aOut.append(pad, ' ');
}

std::string FormatOne(std::string_view aFormat, const FormatSpec& aSpec, const FormatArg& aArg) {
  if (aSpec.Type == 'd') {
    const auto* value = std::get_if<std::int64_t>(&aArg);
    if (value == nullptr) ThrowFormatError(aFormat);
    return FormatInteger(*value, aSpec);
  }
  if (aSpec.Type == 's') {
    const auto* value = std::get_if<std::string>(&aArg);
    if (value == nullptr) ThrowFormatError(aFormat);
    return aSpec.HasPrecision ? Utf8Copy(*value, 1, static_cast<std::ptrdiff_t>(aSpec.Precision))
                              : *value;
  }
  ThrowFormatError(aFormat);
}

template <class T>
bool ParseStrictInteger(std::string_view aText, T& aValue) {
  std::string_view digits = aText;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (!IsAsciiDigits(digits)) return false;
  // from_chars reads a '-' itself but refuses a '+'.
  const char* first = aText.front() == '-' ? aText.data() : digits.data();
  const char* last = aText.data() + aText.size();
  T value{};
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last) return false;
  aValue = value;
  return true;
}

[[noreturn]] void ThrowNotInteger(std::string_view aText) {
  throw EConvertError("'" + std::string(aText) + "' is not a valid integer value");
}

// "1e+20" -> "1E20", "1.5e-06" -> "1.5E-6", as the original writes exponents.
std::string DelphiExponent(std::string aText) {
  const std::size_t e = aText.find('e');
  if (e == std::string::npos) return aText;
  std::string mantissa = aText.substr(0, e);
  std::string_view exponent = std::string_view(aText).substr(e + 1);
  std::string sign;
  if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
    if (exponent.front() == '-') sign = "-";
    exponent.remove_prefix(1);
  }
  while (exponent.size() > 1 && exponent.front() == '0') exponent.remove_prefix(1);
  return mantissa + "E" + sign + std::string(exponent);
}

}  // namespace

bool IsAsciiDigits(std::string_view aText) {
  if (aText.empty()) return false;
  for (const char c : aText) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void AppendUtf8(std::string& aOut, char32_t aCp) {
  if (aCp < 0x80) {
    aOut += static_cast<char>(aCp);
  } else if (aCp < 0x800) {
    aOut += static_cast<char>(0xC0 | (aCp >> 6));
    aOut += static_cast<char>(0x80 | (aCp & 0x3F));
  } else if (aCp < 0x10000) {
    aOut += static_cast<char>(0xE0 | (aCp >> 12));
    aOut += static_cast<char>(0x80 | ((aCp >> 6) & 0x3F));
    aOut += static_cast<char>(0x80 | (aCp & 0x3F));
  } else {
    aOut += static_cast<char>(0xF0 | (aCp >> 18));
    aOut += static_cast<char>(0x80 | ((aCp >> 12) & 0x3F));
    aOut += static_cast<char>(0x80 | ((aCp >> 6) & 0x3F));
    aOut += static_cast<char>(0x80 | (aCp & 0x3F));
  }
}

std::size_t Utf8Length(std::string_view aText) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < aText.size(); i += CodePointBytes(aText, i)) ++count;
  return count;
}

std::string Utf8Copy(std::string_view aText, std::ptrdiff_t aIndex, std::ptrdiff_t aCount) {
  if (aCount <= 0) return {};
  if (aIndex < 1) aIndex = 1;
  std::size_t pos = 0;
  for (std::ptrdiff_t skipped = 1; skipped < aIndex && pos < aText.size(); ++skipped) {
    pos += CodePointBytes(aText, pos);
  }
  std::size_t end = pos;
  for (std::ptrdiff_t taken = 0; taken < aCount && end < aText.size(); ++taken) {
    end += CodePointBytes(aText, end);
  }
  return std::string(aText.substr(pos, end - pos));
}

std::size_t Utf8Pos(std::string_view aSub, std::string_view aText) {
  if (aSub.empty()) return 0;
  std::size_t index = 1;
  for (std::size_t i = 0; i < aText.size(); i += CodePointBytes(aText, i), ++index) {
    if (aText.substr(i).starts_with(aSub)) return index;
  }
  return 0;
}

std::string EscapeXml(std::string_view aText) {
  std::string out;
  out.reserve(aText.size());
  for (const char c : aText) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string EscapeControlCharacters(std::string_view aText) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(aText.size());
  for (const char c : aText) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          out.append("\\x").append(1, Hex[byte >> 4]).append(1, Hex[byte & 0xF]);
        } else {
          out += c;
        }
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view aText) {
  for (std::size_t i = 0; i < aText.size();) {
    const std::size_t n = SequenceLength(aText, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Utf8ToWin1252(std::string_view aText) {
  std::string out;
  out.reserve(aText.size());
  for (std::size_t i = 0; i < aText.size();) {
    const char32_t cp = NextCodePoint(aText, i);
    out += cp >= kInvalidBase ? '?' : ToWin1252(cp);
  }
  return out;
}

std::string Win1252ToUtf8(std::string_view aText) {
  std::string out;
  out.reserve(aText.size() + aText.size() / 4);
  for (const char ch : aText) {
    const auto c = static_cast<unsigned char>(ch);
    AppendUtf8(out, c >= 0x80 && c <= 0x9F ? kWin1252High[c - 0x80] : c);
  }
  return out;
}

std::string UpperCase(std::string_view aText) { return FoldBytes(aText, true); }

std::string LowerCase(std::string_view aText) { return FoldBytes(aText, false); }

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

int CompareText(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t ca = FoldUpper(NextCodePoint(a, i));
    const char32_t cb = FoldUpper(NextCodePoint(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

std::string Trim(std::string_view aText) { return TrimRight(TrimLeft(aText)); }

std::string TrimLeft(std::string_view aText) {
  std::size_t first = 0;
  while (first < aText.size() && IsBlank(aText[first])) ++first;
  return std::string(aText.substr(first));
}

std::string TrimRight(std::string_view aText) {
  std::size_t last = aText.size();
  while (last > 0 && IsBlank(aText[last - 1])) --last;
  return std::string(aText.substr(0, last));
}

std::size_t FindText(std::string_view aText, std::string_view aSub, std::size_t aFrom) {
  if (aFrom > aText.size()) return std::string_view::npos;
  if (aSub.empty()) return aFrom;
  const void* found =
      ::memmem(aText.data() + aFrom, aText.size() - aFrom, aSub.data(), aSub.size());
  return found == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(found) - aText.data());
}

std::string StringReplace(std::string_view aText, std::string_view aFrom, std::string_view aTo,
                          bool aReplaceAll, bool aIgnoreCase) {
  if (aFrom.empty()) return std::string(aText);
  // Folding keeps byte positions, so matches in the folded text are matches
  // in the original.
  const std::string foldedText = aIgnoreCase ? UpperCase(aText) : std::string();
  const std::string foldedFrom = aIgnoreCase ? UpperCase(aFrom) : std::string();
  const std::string_view haystack = aIgnoreCase ? std::string_view(foldedText) : aText;
  const std::string_view needle = aIgnoreCase ? std::string_view(foldedFrom) : aFrom;
  std::string out;
  std::size_t pos = 0;
  while (pos <= aText.size()) {
    const std::size_t found = FindText(haystack, needle, pos);
    if (found == std::string_view::npos) break;
    out.append(aText.substr(pos, found - pos));
    out.append(aTo);
    pos = found + aFrom.size();
    if (!aReplaceAll) break;
  }
  out.append(aText.substr(pos));
  return out;
}

bool StartsText(std::string_view aPrefix, std::string_view aText) {
  return aPrefix.size() <= aText.size() && SameText(aText.substr(0, aPrefix.size()), aPrefix);
}

bool EndsText(std::string_view aSuffix, std::string_view aText) {
  return aSuffix.size() <= aText.size() &&
         SameText(aText.substr(aText.size() - aSuffix.size()), aSuffix);
}

std::vector<std::string_view> SplitLines(std::string_view aText) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < aText.size()) {
    const char c = aText[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.push_back(aText.substr(start, i - start));
    i += (c == '\r' && i + 1 < aText.size() && aText[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < aText.size()) lines.push_back(aText.substr(start));
  return lines;
}

std::string FormatV(std::string_view aFormat, const std::vector<FormatArg>& aArgs) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < aFormat.size();) {
    if (aFormat[i] != '%') {
      out += aFormat[i++];
      continue;
    }
    ++i;
    if (i < aFormat.size() && aFormat[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    const FormatSpec spec = ParseSpec(aFormat, i);
    if (next >= aArgs.size()) ThrowMissingArgument(aFormat);
    AppendPadded(out, FormatOne(aFormat, spec, aArgs[next++]), spec);
  }
  return out;
}

std::string IntToStr(std::int64_t aValue) { return std::to_string(aValue); }

bool TryStrToInt(std::string_view aText, int& aValue) {
  return ParseStrictInteger(aText, aValue);
}

bool TryStrToInt64(std::string_view aText, std::int64_t& aValue) {
  return ParseStrictInteger(aText, aValue);
}

int StrToInt(std::string_view aText) {
  int value = 0;
  if (!TryStrToInt(aText, value)) ThrowNotInteger(aText);
  return value;
}

std::int64_t StrToInt64(std::string_view aText) {
  std::int64_t value = 0;
  if (!TryStrToInt64(aText, value)) ThrowNotInteger(aText);
  return value;
}

int StrToIntDef(std::string_view aText, int aDefault) {
  int value = 0;
  return TryStrToInt(aText, value) ? value : aDefault;
}

std::string FloatToStr(long double aValue) {
  const auto value = static_cast<double>(aValue);
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  // Plain digits for the magnitudes people read as such; exponent outside.
  const double magnitude = std::fabs(value);
  const bool plain = magnitude >= 1e-5 && magnitude < 1e15;
  std::array<char, 64> buffer{};
  const auto [end, ec] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                    plain ? std::chars_format::fixed : std::chars_format::scientific);
  if (ec != std::errc()) throw EConvertError("Cannot convert the floating point value to text");
  std::string text = DelphiExponent(std::string(buffer.data(), end));
  const char separator = DecimalSeparator();
  if (separator != '.') {
    for (char& c : text) {
      if (c == '.') c = separator;
    }
  }
  return text;
}

char DecimalSeparator() {
  const std::lconv* conv = std::localeconv();
  if (conv == nullptr || conv->decimal_point == nullptr || conv->decimal_point[0] == '\0') {
    return '.';
  }
  return conv->decimal_point[0];
}

}  // namespace xnd
