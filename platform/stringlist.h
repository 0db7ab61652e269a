// TStringList: an ordered list of lines with name=value access.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/exception.h"

namespace xnd {

// An index outside the list ("List index out of bounds (5)").
class EListError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EListError"; }
};

class TStringList {
 public:
  TStringList() = default;
  virtual ~TStringList() = default;
  TStringList(const TStringList&) = default;
  TStringList& operator=(const TStringList&) = default;

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& operator[](int aIndex) const;  // EListError when out of range
  const std::string& Strings(int aIndex) const { return (*this)[aIndex]; }
  void SetStrings(int aIndex, const std::string& aValue);
  const std::vector<std::string>& Items() const { return FItems; }

  virtual int Add(const std::string& aValue);
  void Insert(int aIndex, const std::string& aValue);
  void Delete(int aIndex);
  virtual void Clear();
  void Assign(const TStringList& aOther);
  void AddStrings(const TStringList& aOther);

  // Lines joined with CR LF, each line followed by one (empty list: empty text).
  std::string Text() const;
  // Splits on CR LF, CR or LF; a final line break adds no empty line.
  virtual void SetText(const std::string& aText);
  // Lines separated by ",", a line with a blank, a comma or a quote written
  // between double quotes (inner quotes doubled).
  std::string CommaText() const;

  // Case-insensitive search (ASCII and Latin-1), -1 when absent.
  int IndexOf(std::string_view aValue) const;
  int IndexOfName(std::string_view aName) const;
  // name=value access; Names(i) is empty for a line without "=".
  std::string Names(int aIndex) const;
  std::string ValueFromIndex(int aIndex) const;
  std::string Values(std::string_view aName) const;
  // Sets the value of the first line named aName; an empty value deletes it;
  // a missing name is added.
  void SetValues(std::string_view aName, const std::string& aValue);

  // Update bracket (kept for callers; the list has no observers).
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
  }
  int UpdateCount() const { return FUpdateCount; }

  // Files are read as UTF-8, Windows-1252 when not valid UTF-8; written as UTF-8.
  void LoadFromFile(const std::string& aFileName);
  void SaveToFile(const std::string& aFileName) const;

 private:
  std::vector<std::string> FItems;
  int FUpdateCount = 0;
};

}  // namespace xnd
