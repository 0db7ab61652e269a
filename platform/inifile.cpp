#include "platform/inifile.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"

namespace xnd {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The text of an INI file: BOM dropped, Windows-1252 when not valid UTF-8.
std::string DecodeIniBytes(std::string_view aBytes) {
  if (aBytes.starts_with(kUtf8Bom)) aBytes.remove_prefix(kUtf8Bom.size());
  return IsValidUtf8(aBytes) ? std::string(aBytes) : Win1252ToUtf8(aBytes);
}

// "[Name]" (blanks allowed around) gives true and the trimmed name.
bool ParseSectionHeader(std::string_view aLine, std::string& aName) {
  const std::string line = Trim(aLine);
  if (line.empty() || line.front() != '[') return false;
  const std::size_t close = line.find(']');
  if (close == std::string::npos) return false;
  aName = Trim(std::string_view(line).substr(1, close - 1));
  return true;
}

// A value enclosed in matching single or double quotes loses them.
std::string Unquote(std::string aValue) {
  if (aValue.size() >= 2 && (aValue.front() == '"' || aValue.front() == '\'') &&
      aValue.back() == aValue.front()) {
    return aValue.substr(1, aValue.size() - 2);
  }
  return aValue;
}

TIniContent::Entry ParseEntry(std::string_view aLine) {
  TIniContent::Entry entry;
  entry.Line = std::string(aLine);
  entry.IsKey = false;
  const std::string trimmed = TrimLeft(aLine);
  if (trimmed.empty() || trimmed.front() == ';') return entry;
  const std::size_t eq = aLine.find('=');
  if (eq == std::string_view::npos) return entry;
  entry.Name = Trim(aLine.substr(0, eq));
  if (entry.Name.empty()) return entry;
  entry.Value = Unquote(Trim(aLine.substr(eq + 1)));
  entry.IsKey = true;
  return entry;
}

bool IsBlankLine(const TIniContent::Entry& aEntry) {
  return !aEntry.IsKey && Trim(aEntry.Line).empty();
}

void AppendLine(std::string& aOut, std::string_view aLine) {
  aOut += aLine;
  aOut += "\r\n";
}

std::string EntryLine(const TIniContent::Entry& aEntry) {
  if (!aEntry.Line.empty() || !aEntry.IsKey) return aEntry.Line;
  return aEntry.Name + "=" + aEntry.Value;
}

auto FindKey(std::vector<TIniContent::Entry>& aEntries, std::string_view aIdent) {
  return std::find_if(aEntries.begin(), aEntries.end(), [&](const TIniContent::Entry& e) {
    return e.IsKey && SameText(e.Name, aIdent);
  });
}

// Delphi's hexadecimal forms "$1F" and "0x1F"; 32 bits, wrapping as Delphi does.
bool TryParseHex(std::string_view aText, int& aValue) {
  if (aText.starts_with('$')) {
    aText.remove_prefix(1);
  } else if (aText.size() > 2 && aText[0] == '0' && (aText[1] == 'x' || aText[1] == 'X')) {
    aText.remove_prefix(2);
  } else {
    return false;
  }
  if (aText.empty() || aText.size() > 8) return false;
  std::uint32_t value = 0;
  for (const char c : aText) {
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  aValue = static_cast<int>(value);
  return true;
}

void FillList(TStringList& aList, const std::vector<std::string>& aLines) {
  aList.BeginUpdate();
  aList.Clear();
  for (const std::string& line : aLines) aList.Add(line);
  aList.EndUpdate();
}

void FillSectionValues(const TIniContent& aContent, const std::string& aSection,
                       TStringList& aValues) {
  std::vector<std::string> lines;
  std::string value;
  for (const std::string& name : aContent.KeyNames(aSection)) {
    aContent.Read(aSection, name, value);
    lines.push_back(name + "=" + value);
  }
  FillList(aValues, lines);
}

}  // namespace

// ---------------------------------------------------------------------------
// TCustomIniFile

int TCustomIniFile::ReadInteger(const std::string& aSection, const std::string& aIdent,
                                int aDefault) {
  const std::string text = ReadString(aSection, aIdent, "");
  int value = 0;
  if (TryParseHex(text, value) || TryStrToInt(text, value)) return value;
  return aDefault;
}

void TCustomIniFile::WriteInteger(const std::string& aSection, const std::string& aIdent,
                                  int aValue) {
  WriteString(aSection, aIdent, IntToStr(aValue));
}

bool TCustomIniFile::ReadBool(const std::string& aSection, const std::string& aIdent,
                              bool aDefault) {
  return ReadInteger(aSection, aIdent, aDefault ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& aSection, const std::string& aIdent,
                               bool aValue) {
  WriteString(aSection, aIdent, aValue ? "1" : "0");
}

// As the original: a section exists when it holds at least one key.
bool TCustomIniFile::SectionExists(const std::string& aSection) {
  TStringList keys;
  ReadSection(aSection, keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& aSection, const std::string& aIdent) {
  TStringList keys;
  ReadSection(aSection, keys);
  return keys.IndexOf(Trim(aIdent)) >= 0;
}

// ---------------------------------------------------------------------------
// TIniContent

void TIniContent::Parse(std::string_view aBytes) {
  FPreamble.clear();
  FSections.clear();
  const std::string text = DecodeIniBytes(aBytes);
  for (const std::string_view line : SplitLines(text)) {
    std::string name;
    if (ParseSectionHeader(line, name)) {
      FSections.push_back(Section{std::move(name), {}, std::string(line)});
    } else if (FSections.empty()) {
      FPreamble.emplace_back(line);
    } else {
      FSections.back().Entries.push_back(ParseEntry(line));
    }
  }
}

std::string TIniContent::Serialize() const {
  std::string out;
  for (const std::string& line : FPreamble) AppendLine(out, line);
  for (const Section& section : FSections) {
    AppendLine(out, section.Line.empty() ? "[" + section.Name + "]" : section.Line);
    for (const Entry& entry : section.Entries) AppendLine(out, EntryLine(entry));
  }
  return out;
}

const TIniContent::Section* TIniContent::FindSection(std::string_view aName) const {
  const std::string name = Trim(aName);
  const auto it = std::find_if(FSections.begin(), FSections.end(),
                               [&](const Section& s) { return SameText(s.Name, name); });
  return it == FSections.end() ? nullptr : &*it;
}

TIniContent::Section* TIniContent::FindSectionForUpdate(std::string_view aName) {
  return const_cast<Section*>(std::as_const(*this).FindSection(aName));
}

TIniContent::Section& TIniContent::EnsureSection(const std::string& aName) {
  if (Section* found = FindSectionForUpdate(aName)) return *found;
  // A blank line before the new section, unless one is there already.
  if (!FSections.empty()) {
    std::vector<Entry>& last = FSections.back().Entries;
    if (last.empty() || !IsBlankLine(last.back())) last.push_back(Entry{{}, {}, false, {}});
  } else if (!FPreamble.empty() && !Trim(FPreamble.back()).empty()) {
    FPreamble.emplace_back();
  }
  FSections.push_back(Section{Trim(aName), {}, {}});
  return FSections.back();
}

bool TIniContent::Read(std::string_view aSection, std::string_view aIdent,
                       std::string& aValue) const {
  const Section* section = FindSection(aSection);
  if (section == nullptr) return false;
  const std::string ident = Trim(aIdent);
  for (const Entry& entry : section->Entries) {
    if (entry.IsKey && SameText(entry.Name, ident)) {
      aValue = entry.Value;
      return true;
    }
  }
  return false;
}

void TIniContent::Write(const std::string& aSection, const std::string& aIdent,
                        const std::string& aValue) {
  Section& section = EnsureSection(aSection);
  const std::string ident = Trim(aIdent);
  const auto existing = FindKey(section.Entries, ident);
  if (existing != section.Entries.end()) {
    existing->Value = aValue;
    existing->Line.clear();
    return;
  }
  // After the last line of the section that is not blank, so that the blank
  // line separating it from the next section stays after it.
  auto position = section.Entries.end();
  while (position != section.Entries.begin() && IsBlankLine(*std::prev(position))) --position;
  section.Entries.insert(position, Entry{ident, aValue, true, {}});
}

void TIniContent::EraseSection(std::string_view aName) {
  const std::string name = Trim(aName);
  std::erase_if(FSections, [&](const Section& s) { return SameText(s.Name, name); });
}

void TIniContent::DeleteKey(std::string_view aSection, std::string_view aIdent) {
  Section* section = FindSectionForUpdate(aSection);
  if (section == nullptr) return;
  const std::string ident = Trim(aIdent);
  std::erase_if(section->Entries,
                [&](const Entry& e) { return e.IsKey && SameText(e.Name, ident); });
}

std::vector<std::string> TIniContent::KeyNames(std::string_view aSection) const {
  std::vector<std::string> names;
  const Section* section = FindSection(aSection);
  if (section == nullptr) return names;
  for (const Entry& entry : section->Entries) {
    const bool seen = std::any_of(names.begin(), names.end(),
                                  [&](const std::string& n) { return SameText(n, entry.Name); });
    if (entry.IsKey && !seen) names.push_back(entry.Name);
  }
  return names;
}

std::vector<std::string> TIniContent::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& section : FSections) {
    const bool seen = std::any_of(names.begin(), names.end(),
                                  [&](const std::string& n) { return SameText(n, section.Name); });
    if (!seen) names.push_back(section.Name);
  }
  return names;
}

// ---------------------------------------------------------------------------
// TIniFile

TIniFile::TIniFile(std::string aFileName) : TCustomIniFile(std::move(aFileName)) {}

TIniContent TIniFile::Load() const {
  TIniContent content;
  if (!FileExists(FileName())) return content;
  try {
    content.Parse(ReadFileBytes(FileName()));
  } catch (const EInOutError&) {
    // The profile functions answer the defaults for a file they cannot read.
  }
  return content;
}

TIniContent TIniFile::LoadForUpdate() const {
  TIniContent content;
  // Rewriting a file that exists but cannot be read would lose its content.
  if (FileExists(FileName())) content.Parse(ReadFileBytes(FileName()));
  return content;
}

void TIniFile::Store(const TIniContent& aContent) const {
  WriteFileBytes(FileName(), aContent.Serialize());
}

std::string TIniFile::ReadString(const std::string& aSection, const std::string& aIdent,
                                 const std::string& aDefault) {
  std::string value;
  return Load().Read(aSection, aIdent, value) ? value : aDefault;
}

void TIniFile::WriteString(const std::string& aSection, const std::string& aIdent,
                           const std::string& aValue) {
  TIniContent content = LoadForUpdate();
  content.Write(aSection, aIdent, aValue);
  Store(content);
}

void TIniFile::ReadSection(const std::string& aSection, TStringList& aKeys) {
  FillList(aKeys, Load().KeyNames(aSection));
}

void TIniFile::ReadSections(TStringList& aSections) { FillList(aSections, Load().SectionNames()); }

void TIniFile::ReadSectionValues(const std::string& aSection, TStringList& aValues) {
  FillSectionValues(Load(), aSection, aValues);
}

void TIniFile::EraseSection(const std::string& aSection) {
  TIniContent content = LoadForUpdate();
  if (content.FindSection(aSection) == nullptr) return;
  content.EraseSection(aSection);
  Store(content);
}

void TIniFile::DeleteKey(const std::string& aSection, const std::string& aIdent) {
  TIniContent content = LoadForUpdate();
  std::string value;
  if (!content.Read(aSection, aIdent, value)) return;
  content.DeleteKey(aSection, aIdent);
  Store(content);
}

// ---------------------------------------------------------------------------
// TMemIniFile

TMemIniFile::TMemIniFile(std::string aFileName) : TCustomIniFile(std::move(aFileName)) {
  if (!FileName().empty() && FileExists(FileName())) FContent.Parse(ReadFileBytes(FileName()));
}

std::string TMemIniFile::ReadString(const std::string& aSection, const std::string& aIdent,
                                    const std::string& aDefault) {
  std::string value;
  return FContent.Read(aSection, aIdent, value) ? value : aDefault;
}

void TMemIniFile::WriteString(const std::string& aSection, const std::string& aIdent,
                              const std::string& aValue) {
  FContent.Write(aSection, aIdent, aValue);
}

void TMemIniFile::ReadSection(const std::string& aSection, TStringList& aKeys) {
  FillList(aKeys, FContent.KeyNames(aSection));
}

void TMemIniFile::ReadSections(TStringList& aSections) {
  FillList(aSections, FContent.SectionNames());
}

void TMemIniFile::ReadSectionValues(const std::string& aSection, TStringList& aValues) {
  FillSectionValues(FContent, aSection, aValues);
}

void TMemIniFile::EraseSection(const std::string& aSection) { FContent.EraseSection(aSection); }

void TMemIniFile::DeleteKey(const std::string& aSection, const std::string& aIdent) {
  FContent.DeleteKey(aSection, aIdent);
}

void TMemIniFile::UpdateFile() { WriteFileBytes(FileName(), FContent.Serialize()); }

void TMemIniFile::SetText(std::string_view aText) { FContent.Parse(aText); }

std::string TMemIniFile::GetText() const { return FContent.Serialize(); }

}  // namespace xnd
