// Text helpers: accents, padding, XML preparation, CPF/CNPJ check digits,
// encodings, name=value parameters, date-time texts.
#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>

#include "platform/exception.h"
#include "platform/text.h"
#include "servers/govutils/GovUtilsServerImpl.h"

namespace xnd {

namespace {

// --- UTF-8 -----------------------------------------------------------------

// Length of the well-formed UTF-8 sequence at aPos, 0 when the bytes there are
// not one (then the byte is kept as it is).
std::size_t SequenceAt(std::string_view aText, std::size_t aPos, char32_t& aCodePoint) {
  const auto lead = static_cast<unsigned char>(aText[aPos]);
  if (lead < 0x80) {
    aCodePoint = lead;
    return 1;
  }
  std::size_t length = 0;
  char32_t min = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80, aCodePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800, aCodePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, aCodePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (aPos + length > aText.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(aText[aPos + i]);
    if ((next & 0xC0) != 0x80) return 0;
    aCodePoint = (aCodePoint << 6) | (next & 0x3F);
  }
  const bool surrogate = aCodePoint >= 0xD800 && aCodePoint <= 0xDFFF;
  if (aCodePoint < min || aCodePoint > 0x10FFFF || surrogate) return 0;
  return length;
}

// --- Accents ----------------------------------------------------------------

// Base letters of U+00C0..U+00FF and U+0100..U+017F; '-' marks a character
// that is not an accented letter (Æ, ×, ß, Œ, ...).
constexpr std::string_view kLatin1Bases =
    "AAAAAA-CEEEEIIII-NOOOOO-OUUUUY--aaaaaa-ceeeeiiii-nooooo-ouuuuy-y";
constexpr std::string_view kLatinExtendedABases =
    "AaAaAaCcCcCcCcDd"
    "DdEeEeEeEeEeGgGg"
    "GgGgHhHhIiIiIiIi"
    "Ii--JjKk-LlLlLlL"
    "lLlNnNnNnn--OoOo"
    "Oo--RrRrRrSsSsSs"
    "SsTtTtTtUuUuUuUu"
    "UuUuWwYyYZzZzZz-";
static_assert(kLatin1Bases.size() == 64 && kLatinExtendedABases.size() == 128);

// Code points from here up have no base letter.
constexpr char32_t kLettersWithBase = 0x180;

// The unaccented letter of aCodePoint, 0 when it has none. º and ª count as o and a.
char BaseLetter(char32_t aCodePoint) {
  char base = '-';
  if (aCodePoint == 0xAA) base = 'a';
  if (aCodePoint == 0xBA) base = 'o';
  if (aCodePoint >= 0xC0 && aCodePoint <= 0xFF) base = kLatin1Bases[aCodePoint - 0xC0];
  if (aCodePoint >= 0x100 && aCodePoint <= 0x17F) base = kLatinExtendedABases[aCodePoint - 0x100];
  return base == '-' ? '\0' : base;
}

// Replaces each accented letter for which aSelected answers true; bytes that
// are not UTF-8 pass unchanged. Runs of ASCII are copied whole.
template <class Selected>
std::string ReplaceAccents(std::string_view aText, Selected aSelected) {
  std::string out;
  out.reserve(aText.size());
  for (std::size_t pos = 0; pos < aText.size();) {
    std::size_t ascii = pos;
    while (ascii < aText.size() && static_cast<unsigned char>(aText[ascii]) < 0x80) ++ascii;
    out.append(aText.substr(pos, ascii - pos));
    pos = ascii;
    if (pos == aText.size()) break;
    char32_t cp = 0;
    const std::size_t length = std::max<std::size_t>(SequenceAt(aText, pos, cp), 1);
    const char base = length > 1 && aSelected(cp) ? BaseLetter(cp) : '\0';
    if (base != '\0') {
      out += base;
    } else {
      out.append(aText.substr(pos, length));
    }
    pos += length;
  }
  return out;
}

std::vector<char32_t> CodePoints(std::string_view aText) {
  std::vector<char32_t> points;
  for (std::size_t pos = 0; pos < aText.size();) {
    char32_t cp = 0;
    const std::size_t length = SequenceAt(aText, pos, cp);
    if (length > 0) points.push_back(cp);
    pos += std::max<std::size_t>(length, 1);
  }
  return points;
}

// --- XML preparation ---------------------------------------------------------

bool IsBlankText(std::string_view aText) {
  return aText.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// End (one past) of a markup construct starting with '<' at aPos.
std::size_t MarkupEnd(std::string_view aXml, std::size_t aPos) {
  auto endOf = [&](std::string_view aClose) {
    const std::size_t found = aXml.find(aClose, aPos);
    return found == std::string_view::npos ? aXml.size() : found + aClose.size();
  };
  const std::string_view rest = aXml.substr(aPos);
  if (rest.starts_with("<![CDATA[")) return endOf("]]>");
  if (rest.starts_with("<!--")) return endOf("-->");
  if (rest.starts_with("<?")) return endOf("?>");
  char quote = '\0';
  for (std::size_t i = aPos + 1; i < aXml.size(); ++i) {
    const char c = aXml[i];
    if (quote != '\0') {
      if (c == quote) quote = '\0';
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return aXml.size();
}

bool IsXmlDeclaration(std::string_view aMarkup) {
  return aMarkup.size() > 5 && aMarkup.starts_with("<?xml") &&
         (aMarkup[5] == ' ' || aMarkup[5] == '?' || aMarkup[5] == '\t' || aMarkup[5] == '\r' ||
          aMarkup[5] == '\n');
}

// --- CPF / CNPJ -------------------------------------------------------------

// The digits of a CPF/CNPJ written with or without its punctuation (".", "-",
// "/"); empty when anything else is in the text.
std::string DocumentDigits(std::string_view aText) {
  std::string digits;
  for (const char c : aText) {
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if (c != '.' && c != '-' && c != '/') {
      return {};
    }
  }
  return digits;
}

bool AllSame(std::string_view aDigits) {
  return std::all_of(aDigits.begin(), aDigits.end(), [&](char c) { return c == aDigits.front(); });
}

// Modulo-11 check digit of the leading digits with the given weights.
int Mod11Digit(std::string_view aDigits, const int* aWeights, std::size_t aCount) {
  int sum = 0;
  for (std::size_t i = 0; i < aCount; ++i) sum += (aDigits[i] - '0') * aWeights[i];
  const int rest = sum % 11;
  return rest < 2 ? 0 : 11 - rest;
}

bool CheckDigitsMatch(const std::string& aDigits, std::size_t aLength, const int* aFirst,
                      const int* aSecond) {
  if (aDigits.size() != aLength || AllSame(aDigits)) return false;
  return Mod11Digit(aDigits, aFirst, aLength - 2) == aDigits[aLength - 2] - '0' &&
         Mod11Digit(aDigits, aSecond, aLength - 1) == aDigits[aLength - 1] - '0';
}

// --- Dates ------------------------------------------------------------------

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t aYear, unsigned aMonth, unsigned aDay) {
  aYear -= aMonth <= 2 ? 1 : 0;
  const std::int64_t era = (aYear >= 0 ? aYear : aYear - 399) / 400;
  const auto yoe = static_cast<unsigned>(aYear - era * 400);
  const unsigned doy = (153 * (aMonth + (aMonth > 2 ? -3 : 9)) + 2) / 5 + aDay - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(int aYear) { return (aYear % 4 == 0 && aYear % 100 != 0) || aYear % 400 == 0; }

int DaysInMonth(int aYear, int aMonth) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return aMonth == 2 && IsLeap(aYear) ? 29 : kDays[static_cast<std::size_t>(aMonth - 1)];
}

// Reads exactly aCount digits at aPos.
bool ReadNumber(std::string_view aText, std::size_t& aPos, std::size_t aCount, int& aValue) {
  if (aPos + aCount > aText.size()) return false;
  aValue = 0;
  for (std::size_t i = 0; i < aCount; ++i) {
    const char c = aText[aPos + i];
    if (c < '0' || c > '9') return false;
    aValue = aValue * 10 + (c - '0');
  }
  aPos += aCount;
  return true;
}

bool Expect(std::string_view aText, std::size_t& aPos, char aChar) {
  if (aPos >= aText.size() || aText[aPos] != aChar) return false;
  ++aPos;
  return true;
}

struct DateTimeParts {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  double Fraction = 0;
};

bool ReadDate(std::string_view aText, std::size_t& aPos, DateTimeParts& aParts) {
  return ReadNumber(aText, aPos, 4, aParts.Year) && Expect(aText, aPos, '-') &&
         ReadNumber(aText, aPos, 2, aParts.Month) && Expect(aText, aPos, '-') &&
         ReadNumber(aText, aPos, 2, aParts.Day) && aParts.Month >= 1 && aParts.Month <= 12 &&
         aParts.Day >= 1 && aParts.Day <= DaysInMonth(aParts.Year, aParts.Month);
}

bool ReadFraction(std::string_view aText, std::size_t& aPos, double& aFraction) {
  if (aPos >= aText.size() || aText[aPos] != '.') return true;
  ++aPos;
  double scale = 0.1;
  const std::size_t start = aPos;
  for (; aPos < aText.size() && aText[aPos] >= '0' && aText[aPos] <= '9'; ++aPos, scale /= 10) {
    aFraction += (aText[aPos] - '0') * scale;
  }
  return aPos > start;
}

bool ReadTime(std::string_view aText, std::size_t& aPos, DateTimeParts& aParts) {
  return ReadNumber(aText, aPos, 2, aParts.Hour) && Expect(aText, aPos, ':') &&
         ReadNumber(aText, aPos, 2, aParts.Minute) && Expect(aText, aPos, ':') &&
         ReadNumber(aText, aPos, 2, aParts.Second) && ReadFraction(aText, aPos, aParts.Fraction) &&
         aParts.Hour < 24 && aParts.Minute < 60 && aParts.Second < 60;
}

// "Z", "±hh:mm" or nothing; the offset is checked, not applied.
bool ReadOffset(std::string_view aText, std::size_t& aPos) {
  if (aPos >= aText.size()) return true;
  if (aText[aPos] == 'Z') return ++aPos == aText.size();
  if (aText[aPos] != '+' && aText[aPos] != '-') return false;
  ++aPos;
  int hours = 0;
  int minutes = 0;
  return ReadNumber(aText, aPos, 2, hours) && Expect(aText, aPos, ':') &&
         ReadNumber(aText, aPos, 2, minutes) && hours <= 14 && minutes < 60 && aPos == aText.size();
}

bool ParseDateTime(std::string_view aText, DateTimeParts& aParts) {
  std::size_t pos = 0;
  if (!ReadDate(aText, pos, aParts)) return false;
  if (pos == aText.size()) return true;
  if (aText[pos] != 'T' && aText[pos] != ' ') return false;
  ++pos;
  return ReadTime(aText, pos, aParts) && ReadOffset(aText, pos);
}

}  // namespace

// Only code points below U+0180 have a base letter, so the given characters
// are kept as a table of those.
std::string TGovUtilsServer::RemoveAccents(const std::string& aText,
                                           const std::string& aCharacters) {
  std::bitset<kLettersWithBase> selected;
  for (const char32_t cp : CodePoints(aCharacters)) {
    if (cp < kLettersWithBase) selected.set(cp);
  }
  return ReplaceAccents(aText, [&](char32_t cp) { return cp < kLettersWithBase && selected[cp]; });
}

// Every accented letter of Latin-1 and Latin Extended-A, and º / ª.
std::string TGovUtilsServer::RemoveAllAccents(const std::string& aText) {
  return ReplaceAccents(aText, [](char32_t) { return true; });
}

// Width in code points; a longer text is returned unchanged.
std::string TGovUtilsServer::PadLeft(const std::string& aText, int aWidth) {
  const std::size_t length = Utf8Length(aText);
  if (aWidth <= 0 || static_cast<std::size_t>(aWidth) <= length) return aText;
  return std::string(static_cast<std::size_t>(aWidth) - length, '0') + aText;
}

// Drops a leading byte-order mark, XML declarations, every CR, LF and tab, and
// text made only of blanks between two pieces of markup. Everything else,
// text content, CDATA sections and comments included, is kept as written.
std::string TGovUtilsServer::PrepareXml(const std::string& aXml) {
  std::string_view xml = aXml;
  if (xml.starts_with("\xEF\xBB\xBF")) xml.remove_prefix(3);
  std::string flat;
  flat.reserve(xml.size());
  std::copy_if(xml.begin(), xml.end(), std::back_inserter(flat),
               [](char c) { return c != '\r' && c != '\n' && c != '\t'; });
  const std::string_view text = flat;
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    if (text[pos] == '<') {
      const std::size_t end = MarkupEnd(text, pos);
      const std::string_view markup = text.substr(pos, end - pos);
      if (!IsXmlDeclaration(markup)) out.append(markup);
      pos = end;
    } else {
      const std::size_t end = std::min(text.find('<', pos), text.size());
      const std::string_view content = text.substr(pos, end - pos);
      if (!IsBlankText(content)) out.append(content);
      pos = end;
    }
  }
  return out;
}

// Accepts the digits alone or with the usual punctuation (".", "-", "/").
bool TGovUtilsServer::IsValidCPF(const std::string& aCPF) {
  static constexpr int kFirst[] = {10, 9, 8, 7, 6, 5, 4, 3, 2};
  static constexpr int kSecond[] = {11, 10, 9, 8, 7, 6, 5, 4, 3, 2};
  return CheckDigitsMatch(DocumentDigits(aCPF), 11, kFirst, kSecond);
}

bool TGovUtilsServer::IsValidCNPJ(const std::string& aCNPJ) {
  static constexpr int kFirst[] = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  static constexpr int kSecond[] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  return CheckDigitsMatch(DocumentDigits(aCNPJ), 14, kFirst, kSecond);
}

// Valid UTF-8 is our own text and comes back as it is; anything else is read
// as Windows-1252.
std::string TGovUtilsServer::DecodeUtf8(const std::string& aText) {
  return IsValidUtf8(aText) ? aText : Win1252ToUtf8(aText);
}

// True when the text is valid UTF-8 and has at least one multi-byte sequence
// (a leading byte-order mark is one): pure ASCII reads the same in every
// encoding and gives false.
bool TGovUtilsServer::IsUtf8(const std::string& aText) {
  const bool multiByte = std::any_of(aText.begin(), aText.end(),
                                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  return multiByte && IsValidUtf8(aText);
}

// The value after the first "=" of the first line whose name matches ignoring
// case; lines end with CR LF, LF or CR. Empty when no line has the name.
std::string TGovUtilsServer::GetParamValue(const std::string& aParams, const std::string& aName) {
  const std::string_view params = aParams;
  for (std::size_t pos = 0; pos <= params.size();) {
    const std::size_t end = std::min(params.find_first_of("\r\n", pos), params.size());
    const std::string_view line = params.substr(pos, end - pos);
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos && SameText(line.substr(0, equals), aName)) {
      return std::string(line.substr(equals + 1));
    }
    if (end >= params.size()) break;
    pos = end + (params.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return {};
}

// "YYYY-MM-DD" or "YYYY-MM-DDThh:mm:ss[.fff]" with an optional "Z" / "±hh:mm"
// offset, which is ignored: the result is the time as written. Days since
// 1899-12-30, the time as the fraction (before that day the fraction is
// subtracted, as the platform's date-time values are).
double TGovUtilsServer::TextToDateTime(const std::string& aText) {
  DateTimeParts parts;
  if (!ParseDateTime(Trim(aText), parts)) {
    throw EOleException("'" + aText + "' não é uma data e hora válida");
  }
  const auto days =
      static_cast<double>(DaysFromCivil(parts.Year, static_cast<unsigned>(parts.Month),
                                        static_cast<unsigned>(parts.Day)) -
                          DaysFromCivil(1899, 12, 30));
  const double time =
      (parts.Hour * 3600.0 + parts.Minute * 60.0 + parts.Second + parts.Fraction) / 86400.0;
  return days < 0 ? days - time : days + time;
}

}  // namespace xnd
