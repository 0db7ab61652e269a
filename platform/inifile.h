// INI files with the semantics of the Windows profile functions: sections and
// keys match ignoring case, names and values are trimmed, the first of two
// duplicate keys wins, values enclosed in matching quotes lose them, lines end
// in CR LF, LF or CR, ';' starts a comment line. Values are text; booleans are
// "1"/"0". Reading accepts UTF-8 (with or without BOM) and falls back to
// Windows-1252 for invalid UTF-8; writing is UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stringlist.h"

namespace xnd {

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string aFileName) : FFileName(std::move(aFileName)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  const std::string& FileName() const { return FFileName; }

  virtual std::string ReadString(const std::string& aSection, const std::string& aIdent,
                                 const std::string& aDefault) = 0;
  virtual void WriteString(const std::string& aSection, const std::string& aIdent,
                           const std::string& aValue) = 0;
  // Non-numeric text gives the default, as the original does.
  virtual int ReadInteger(const std::string& aSection, const std::string& aIdent, int aDefault);
  virtual void WriteInteger(const std::string& aSection, const std::string& aIdent, int aValue);
  // A value that reads as a non-zero integer is true; missing or non-numeric: the default.
  virtual bool ReadBool(const std::string& aSection, const std::string& aIdent, bool aDefault);
  virtual void WriteBool(const std::string& aSection, const std::string& aIdent, bool aValue);

  virtual void ReadSection(const std::string& aSection, TStringList& aKeys) = 0;
  virtual void ReadSections(TStringList& aSections) = 0;
  virtual void ReadSectionValues(const std::string& aSection, TStringList& aValues) = 0;
  virtual void EraseSection(const std::string& aSection) = 0;
  virtual void DeleteKey(const std::string& aSection, const std::string& aIdent) = 0;
  virtual void UpdateFile() = 0;
  virtual bool SectionExists(const std::string& aSection);
  virtual bool ValueExists(const std::string& aSection, const std::string& aIdent);

 private:
  std::string FFileName;
};

// The parsed content of an INI text, shared by both implementations.
class TIniContent {
 public:
  struct Entry {
    std::string Name;
    std::string Value;
  };
  struct Section {
    std::string Name;
    std::vector<Entry> Entries;
  };

  void Parse(std::string_view aBytes);
  std::string Serialize() const;  // UTF-8, CR LF line ends

  const Section* FindSection(std::string_view aName) const;
  Section& EnsureSection(const std::string& aName);
  bool Read(std::string_view aSection, std::string_view aIdent, std::string& aValue) const;
  void Write(const std::string& aSection, const std::string& aIdent, const std::string& aValue);
  void EraseSection(std::string_view aName);
  void DeleteKey(std::string_view aSection, std::string_view aIdent);
  const std::vector<Section>& Sections() const { return FSections; }

 private:
  std::vector<Section> FSections;
};

// File-backed: every read looks at the file as it is now, every write
// rewrites it at once. A write that cannot be done raises EInOutError.
class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(std::string aFileName);

  std::string ReadString(const std::string& aSection, const std::string& aIdent,
                         const std::string& aDefault) override;
  void WriteString(const std::string& aSection, const std::string& aIdent,
                   const std::string& aValue) override;
  void ReadSection(const std::string& aSection, TStringList& aKeys) override;
  void ReadSections(TStringList& aSections) override;
  void ReadSectionValues(const std::string& aSection, TStringList& aValues) override;
  void EraseSection(const std::string& aSection) override;
  void DeleteKey(const std::string& aSection, const std::string& aIdent) override;
  void UpdateFile() override {}

 private:
  TIniContent Load() const;
  void Store(const TIniContent& aContent) const;
};

// In memory: the file is read once at construction (a missing file is an
// empty INI); UpdateFile writes it back.
class TMemIniFile : public TCustomIniFile {
 public:
  explicit TMemIniFile(std::string aFileName);

  std::string ReadString(const std::string& aSection, const std::string& aIdent,
                         const std::string& aDefault) override;
  void WriteString(const std::string& aSection, const std::string& aIdent,
                   const std::string& aValue) override;
  void ReadSection(const std::string& aSection, TStringList& aKeys) override;
  void ReadSections(TStringList& aSections) override;
  void ReadSectionValues(const std::string& aSection, TStringList& aValues) override;
  void EraseSection(const std::string& aSection) override;
  void DeleteKey(const std::string& aSection, const std::string& aIdent) override;
  void UpdateFile() override;
  // Replaces the content with the given INI text.
  void SetText(std::string_view aText);
  std::string GetText() const;

 private:
  TIniContent FContent;
};

}  // namespace xnd
