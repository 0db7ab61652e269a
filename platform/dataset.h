// The in-memory table: text fields, records, a cursor, the edit states, the
// notifications and master-detail links, after the platform's client dataset.
//
// Life of a record: Append() (dsInsert; BeforeInsert runs first, AfterInsert
// on the new record), field writes, Post() (BeforePost, then the record joins
// the table, dsBrowse) or Cancel(). Edit() puts the current record in dsEdit
// (on an empty table it appends). Append, Edit and every move first post a
// pending modified record and cancel an unmodified one.
//
// Master-detail: a detail links to a TDataSource of its master and shows only
// the records whose index fields equal the master fields of the master's
// current record (text equality); Append on the detail fills the index fields
// from the master. A move of the master posts the detail's pending record and
// refreshes it. A master lists its details in the order they were linked.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/component.h"
#include "platform/exception.h"

namespace xnd {

enum TDataSetState : std::uint8_t { dsInactive, dsBrowse, dsEdit, dsInsert };
enum TFieldKind : std::uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// Errors of the table itself: "Field 'x' not found", "Dataset not in edit or
// insert mode", "Cannot perform this operation on a closed dataset",
// "Cannot perform this operation on an open dataset", "Field 'x' must have a
// value", "Duplicate field name 'x'", "'x' is not a valid component name",
// "Field 'x' holds at most n characters".
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EDatabaseError"; }
};

// True for a letter or "_" followed by letters, digits and "_" (ASCII).
bool IsValidIdent(std::string_view aName);

class TClientDataSet;
class TDataSource;

// A text field. Its value is that of the table's current record (the pending
// record in dsEdit and dsInsert). Setting "" makes the field null.
class TField : public TComponent {
 public:
  explicit TField(TComponent* aOwner = nullptr) : TComponent(aOwner) {}

  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(std::string aName);
  // Characters (code points). An ordinary field refuses a longer value with
  // EDatabaseError naming the field; 0 means no limit. A blob field's size is
  // informational.
  int Size() const { return FSize; }
  void SetSize(int aSize) { FSize = aSize; }
  virtual bool IsBlob() const { return false; }
  bool Required() const { return FRequired; }
  void SetRequired(bool aValue) { FRequired = aValue; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool aValue) { FVisible = aValue; }
  // The field name when no label was set.
  const std::string& DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  void SetDisplayLabel(std::string aLabel) { FDisplayLabel = std::move(aLabel); }
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind aKind) { FFieldKind = aKind; }
  // The table the field belongs to (null until added to one), and its position there.
  TClientDataSet* DataSet() const { return FDataSet; }
  int Index() const { return FIndex; }

  // "" when null or when there is no current record.
  std::string AsString() const;
  // Raises EDatabaseError outside dsEdit/dsInsert, and for an over-long value.
  void SetAsString(const std::string& aValue);
  // A null field reads 0; other text must be a decimal integer (EConvertError).
  int AsInteger() const;
  void SetAsInteger(int aValue);
  bool IsNull() const;
  void Clear();

 private:
  friend class TClientDataSet;
  std::string FFieldName;
  std::string FDisplayLabel;
  int FSize = 0;
  bool FRequired = false;
  bool FVisible = true;
  TFieldKind FFieldKind = fkData;
  TClientDataSet* FDataSet = nullptr;
  int FIndex = -1;
};

// A memo: a text field whose size never limits the value.
class TMemoField : public TField {
 public:
  using TField::TField;
  bool IsBlob() const override { return true; }
};

// The link object details attach to.
class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* aOwner = nullptr, TClientDataSet* aDataSet = nullptr);
  ~TDataSource() override;

  TClientDataSet* DataSet() const { return FDataSet; }
  // The details linked here follow the new table.
  void SetDataSet(TClientDataSet* aDataSet);

 private:
  friend class TClientDataSet;
  TClientDataSet* FDataSet = nullptr;
  std::vector<TClientDataSet*> FDetails;
};

class TClientDataSet : public TComponent {
 public:
  using TDataSetNotifyEvent = std::function<void(TClientDataSet&)>;

  explicit TClientDataSet(TComponent* aOwner = nullptr);
  ~TClientDataSet() override;

  // Fields, before the table is opened. The table owns them; a second field
  // of one name (ignoring case) raises "Duplicate field name".
  TField& AddField(std::unique_ptr<TField> aField);
  TField& AddStringField(const std::string& aName, int aSize);
  const std::vector<std::unique_ptr<TField>>& Fields() const { return FFields; }
  int FieldCount() const { return static_cast<int>(FFields.size()); }
  // Ignore case. FieldByName raises "Field '%s' not found"; FindField gives null.
  TField& FieldByName(std::string_view aName) const;
  TField* FindField(std::string_view aName) const;

  // Opens empty with the fields added so far.
  void CreateDataSet() { Open(); }
  void Open();
  // Discards the records.
  void Close();
  bool Active() const { return FState != dsInactive; }
  TDataSetState State() const { return FState; }
  bool Modified() const { return FModified; }

  // Deletes every record, also those a master-detail filter hides.
  void EmptyDataSet();

  void First();
  void Last();
  void Next();
  void Prior();
  // After Next on the last record Eof is true and the cursor stays on it;
  // both are true on an empty table.
  bool Eof() const {
    EnsureFresh();
    return FEof;
  }
  bool Bof() const {
    EnsureFresh();
    return FBof;
  }
  // Records the table shows (those of the master's current record for a linked detail).
  int RecordCount() const;
  // 1-based position of the current record, 0 when there is none.
  int RecNo() const;

  void Append();
  void Edit();
  void Post();
  void Cancel();
  void Delete();

  // Master-detail. Field lists are separated by ";".
  TDataSource* MasterSource() const { return FMasterSource; }
  void SetMasterSource(TDataSource* aSource);
  const std::string& MasterFields() const { return FMasterFields; }
  void SetMasterFields(const std::string& aFields);
  const std::string& IndexFieldNames() const { return FIndexFieldNames; }
  void SetIndexFieldNames(const std::string& aFields);
  // The tables linked to this one, in link order.
  std::vector<TClientDataSet*> Details() const;

  TDataSetNotifyEvent BeforeInsert;
  TDataSetNotifyEvent AfterInsert;
  TDataSetNotifyEvent BeforePost;
  TDataSetNotifyEvent AfterPost;
  TDataSetNotifyEvent AfterScroll;

 private:
  friend class TField;
  friend class TDataSource;
  using TRecord = std::vector<std::optional<std::string>>;

  void CheckActive() const;
  void CheckInactive() const;
  // Posts a pending modified record, cancels an unmodified one.
  void CheckBrowseMode();
  const TRecord* ActiveRecord() const;
  void SetValue(const TField& aField, std::optional<std::string> aValue);

  bool Filtered() const;
  std::vector<std::string> MasterKey() const;
  bool Matches(const TRecord& aRecord, const std::vector<std::string>& aKey) const;
  void RebuildView();
  // After the current record changed: the details are to be refreshed
  // (aForce: even when their key is the same). A detail being edited or
  // inserted into is refreshed at once (its pending record is posted under
  // the master record it was entered for, and so is one whose own details
  // are being edited); any other is marked and refreshed at its next use, so
  // moving a master costs nothing for details nobody reads.
  void DataChanged(bool aForce);
  void RefreshFromMaster();
  // Whether this table or one below it holds a record being edited or inserted.
  bool Editing() const;
  // Applies a pending refresh of this table (after its master's, up the chain).
  void EnsureFresh() const;
  void Scrolled();
  void LinkTo(TDataSource* aSource);
  void Unlink();
  // The master's link fields and this table's index field positions, looked
  // up once per link setting.
  void ResolveLink() const;
  void InvalidateLink() {
    FLinkResolved = false;
    FKeyIndexValid = false;
  }
  // A detail's records by their key (the values of its index fields, "" for
  // null), each bucket in record order: a move of the master finds the
  // detail's records without reading every record. Built on first need,
  // kept up to date by Post, dropped when the records or the link change.
  using TRecordKey = std::vector<std::string>;
  struct TRecordKeyHash {
    std::size_t operator()(const TRecordKey& aKey) const noexcept;
  };
  TRecordKey RecordKey(const TRecord& aRecord) const;
  void BuildKeyIndex() const;

  std::vector<std::unique_ptr<TField>> FFields;
  std::vector<std::unique_ptr<TRecord>> FRecords;
  std::vector<TRecord*> FView;
  int FCurrent = -1;  // index into FView
  bool FEof = true;
  bool FBof = true;
  TDataSetState FState = dsInactive;
  bool FModified = false;
  TRecord FBuffer;
  int FSavedCurrent = -1;  // the current record before Append

  TDataSource* FMasterSource = nullptr;
  std::string FMasterFields;
  std::string FIndexFieldNames;
  std::vector<std::string> FViewKey;  // the master key the view was built for
  enum class TPendingRefresh : std::uint8_t { None, Check, Force };
  mutable TPendingRefresh FPending = TPendingRefresh::None;
  std::vector<TDataSource*> FSources;  // sources over this table
  std::vector<TClientDataSet*> FDetails;  // in link order
  // Upper-cased field name -> field, built on first lookup; looked up by
  // string_view, so a short ASCII name is folded on the stack.
  struct TNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view aName) const noexcept {
      return std::hash<std::string_view>{}(aName);
    }
  };
  mutable std::unordered_map<std::string, TField*, TNameHash, std::equal_to<>> FFieldIndex;
  mutable bool FFieldIndexValid = false;
  mutable bool FLinkResolved = false;
  mutable std::vector<const TField*> FMasterLinkFields;
  mutable std::vector<int> FIndexPositions;
  mutable std::unordered_map<TRecordKey, std::vector<TRecord*>, TRecordKeyHash> FKeyIndex;
  mutable bool FKeyIndexValid = false;
};

}  // namespace xnd
