#include "platform/stringlist.h"

#include "platform/files.h"
#include "platform/text.h"

namespace xnd {

namespace {

[[noreturn]] void ThrowIndexError(int aIndex) {
  throw EListError(Format("List index out of bounds (%d)", aIndex));
}

void CheckIndex(int aIndex, int aCount) {
  if (aIndex < 0 || aIndex >= aCount) ThrowIndexError(aIndex);
}

bool NeedsQuotes(const std::string& aItem) {
  for (const char c : aItem) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') return true;
  }
  return false;
}

std::string Quoted(const std::string& aItem) {
  return "\"" + StringReplace(aItem, "\"", "\"\"") + "\"";
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

const std::string& TStringList::operator[](int aIndex) const {
  CheckIndex(aIndex, Count());
  return FItems[static_cast<std::size_t>(aIndex)];
}

void TStringList::SetStrings(int aIndex, const std::string& aValue) {
  CheckIndex(aIndex, Count());
  FItems[static_cast<std::size_t>(aIndex)] = aValue;
}

int TStringList::Add(const std::string& aValue) {
  FItems.push_back(aValue);
  return Count() - 1;
}

void TStringList::Insert(int aIndex, const std::string& aValue) {
  if (aIndex < 0 || aIndex > Count()) ThrowIndexError(aIndex);
  FItems.insert(FItems.begin() + aIndex, aValue);
}

void TStringList::Delete(int aIndex) {
  CheckIndex(aIndex, Count());
  FItems.erase(FItems.begin() + aIndex);
}

void TStringList::Clear() { FItems.clear(); }

void TStringList::Assign(const TStringList& aOther) {
  if (&aOther == this) return;
  Clear();
  AddStrings(aOther);
}

void TStringList::AddStrings(const TStringList& aOther) {
  // A copy first, so that adding a list to itself doubles it once.
  const std::vector<std::string> items = aOther.FItems;
  for (const std::string& item : items) Add(item);
}

std::string TStringList::Text() const {
  std::string text;
  for (const std::string& item : FItems) {
    text += item;
    text += "\r\n";
  }
  return text;
}

void TStringList::SetText(const std::string& aText) {
  Clear();
  for (const std::string_view line : SplitLines(aText)) Add(std::string(line));
}

std::string TStringList::CommaText() const {
  if (FItems.size() == 1 && FItems.front().empty()) return "\"\"";
  std::string text;
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (i > 0) text += ',';
    text += NeedsQuotes(FItems[i]) ? Quoted(FItems[i]) : FItems[i];
  }
  return text;
}

int TStringList::IndexOf(std::string_view aValue) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameText(FItems[static_cast<std::size_t>(i)], aValue)) return i;
  }
  return -1;
}

int TStringList::IndexOfName(std::string_view aName) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& item = FItems[static_cast<std::size_t>(i)];
    const std::size_t eq = item.find('=');
    if (eq != std::string::npos && SameText(std::string_view(item).substr(0, eq), aName)) return i;
  }
  return -1;
}

std::string TStringList::Names(int aIndex) const {
  const std::string& item = (*this)[aIndex];
  const std::size_t eq = item.find('=');
  return eq == std::string::npos ? std::string() : item.substr(0, eq);
}

std::string TStringList::ValueFromIndex(int aIndex) const {
  const std::string& item = (*this)[aIndex];
  const std::size_t eq = item.find('=');
  return eq == std::string::npos ? std::string() : item.substr(eq + 1);
}

std::string TStringList::Values(std::string_view aName) const {
  const int index = IndexOfName(aName);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStringList::SetValues(std::string_view aName, const std::string& aValue) {
  const int index = IndexOfName(aName);
  if (aValue.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  const std::string line = std::string(aName) + "=" + aValue;
  if (index < 0) {
    Add(line);
  } else {
    SetStrings(index, line);
  }
}

void TStringList::LoadFromFile(const std::string& aFileName) {
  std::string bytes = ReadFileBytes(aFileName);
  if (std::string_view(bytes).starts_with(kUtf8Bom)) bytes.erase(0, kUtf8Bom.size());
  SetText(IsValidUtf8(bytes) ? bytes : Win1252ToUtf8(bytes));
}

void TStringList::SaveToFile(const std::string& aFileName) const {
  WriteFileBytes(aFileName, Text());
}

}  // namespace xnd
