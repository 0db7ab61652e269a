// INI files with the semantics of the Windows profile functions: sections and
// keys match ignoring case, names and values are trimmed, the first of two
// duplicate keys wins, values enclosed in matching quotes lose them, lines end
// in CR LF, LF or CR, ';' starts a comment line. Values are text; booleans are
// "1"/"0". Reading accepts UTF-8 (with or without BOM) and falls back to
// Windows-1252 for invalid UTF-8; writing is UTF-8.
//
// Lookups use the first section of a given name and the first key of a given
// name in it; comments and other lines are kept when the file is rewritten.
// A new key goes after the last line of its section, a new section at the end
// of the file after a blank line.
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

  // Key names once each, in file order; ReadSectionValues gives "name=value"
  // lines with the values ReadString answers; ReadSections gives section names.
  virtual void ReadSection(const std::string& aSection, TStringList& aKeys) = 0;
  virtual void ReadSections(TStringList& aSections) = 0;
  virtual void ReadSectionValues(const std::string& aSection, TStringList& aValues) = 0;
  // Remove every section of that name / every line of that key in the section.
  virtual void EraseSection(const std::string& aSection) = 0;
  virtual void DeleteKey(const std::string& aSection, const std::string& aIdent) = 0;
  virtual void UpdateFile() = 0;
  // As the original: a section exists when it holds at least one key.
  virtual bool SectionExists(const std::string& aSection);
  virtual bool ValueExists(const std::string& aSection, const std::string& aIdent);

 private:
  std::string FFileName;
};

// The parsed content of an INI text, shared by both implementations.
class TIniContent {
 public:
  // One line of a section. A key line has a Name; any other line (comment,
  // blank, text without "=") has IsKey false and is kept only to be written
  // back. Line holds the text read from the file, written back unchanged
  // until the entry is modified (then it is empty and "Name=Value" is written).
  struct Entry {
    std::string Name;
    std::string Value;
    bool IsKey = true;
    std::string Line;
  };
  struct Section {
    std::string Name;
    std::vector<Entry> Entries;
    std::string Line;  // the header line as read; "[Name]" when empty
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
  // Distinct key names of the first section named aName, in file order.
  std::vector<std::string> KeyNames(std::string_view aSection) const;
  // Distinct section names, in file order.
  std::vector<std::string> SectionNames() const;

 private:
  Section* FindSectionForUpdate(std::string_view aName);

  std::vector<std::string> FPreamble;  // lines before the first section (ignored)
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
  // The file as it is now; a missing or unreadable file reads as empty.
  TIniContent Load() const;
  // The file about to be changed: missing is empty, unreadable raises EInOutError.
  TIniContent LoadForUpdate() const;
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
