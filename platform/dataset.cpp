#include "platform/dataset.h"

#include <algorithm>

#include "platform/text.h"

namespace xnd {

namespace {

std::vector<std::string> SplitFieldList(const std::string& aList) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= aList.size()) {
    const std::size_t end = std::min(aList.find(';', start), aList.size());
    std::string name = Trim(std::string_view(aList).substr(start, end - start));
    if (!name.empty()) names.push_back(std::move(name));
    start = end + 1;
  }
  return names;
}

template <class T>
void Erase(std::vector<T*>& aList, const T* aItem) {
  aList.erase(std::remove(aList.begin(), aList.end(), aItem), aList.end());
}

}  // namespace

bool IsValidIdent(std::string_view aName) {
  if (aName.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(aName[0])) return false;
  return std::all_of(aName.begin() + 1, aName.end(),
                     [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

// ---------------------------------------------------------------- TField

void TField::SetFieldName(std::string aName) {
  FFieldName = std::move(aName);
  if (FDataSet != nullptr) FDataSet->FFieldIndexValid = false;
}

std::string TField::AsString() const {
  if (FDataSet == nullptr) return {};
  const auto* record = FDataSet->ActiveRecord();
  if (record == nullptr) return {};
  const auto& value = (*record)[FIndex];
  return value ? *value : std::string();
}

void TField::SetAsString(const std::string& aValue) {
  if (FDataSet == nullptr) throw EDatabaseError(Format("Field '%s' has no dataset", FFieldName));
  if (aValue.empty()) {
    FDataSet->SetValue(*this, std::nullopt);
  } else {
    FDataSet->SetValue(*this, aValue);
  }
}

int TField::AsInteger() const {
  const std::string text = AsString();
  return text.empty() ? 0 : StrToInt(text);
}

void TField::SetAsInteger(int aValue) { SetAsString(IntToStr(aValue)); }

bool TField::IsNull() const {
  if (FDataSet == nullptr) return true;
  const auto* record = FDataSet->ActiveRecord();
  return record == nullptr || !(*record)[FIndex].has_value();
}

void TField::Clear() {
  if (FDataSet == nullptr) throw EDatabaseError(Format("Field '%s' has no dataset", FFieldName));
  FDataSet->SetValue(*this, std::nullopt);
}

// ---------------------------------------------------------------- TDataSource

TDataSource::TDataSource(TComponent* aOwner, TClientDataSet* aDataSet) : TComponent(aOwner) {
  SetDataSet(aDataSet);
}

TDataSource::~TDataSource() {
  for (TClientDataSet* detail : FDetails) {
    if (FDataSet != nullptr) Erase(FDataSet->FDetails, detail);
    detail->FMasterSource = nullptr;
    detail->InvalidateLink();
    if (detail->Active()) detail->RebuildView();
    detail->FCurrent = detail->FView.empty() ? -1 : 0;
  }
  if (FDataSet != nullptr) Erase(FDataSet->FSources, this);
}

void TDataSource::SetDataSet(TClientDataSet* aDataSet) {
  if (aDataSet == FDataSet) return;
  if (FDataSet != nullptr) {
    Erase(FDataSet->FSources, this);
    for (TClientDataSet* detail : FDetails) Erase(FDataSet->FDetails, detail);
  }
  FDataSet = aDataSet;
  for (TClientDataSet* detail : FDetails) detail->InvalidateLink();
  if (FDataSet != nullptr) {
    FDataSet->FSources.push_back(this);
    for (TClientDataSet* detail : FDetails) FDataSet->FDetails.push_back(detail);
  }
  for (TClientDataSet* detail : FDetails) {
    if (detail->Active()) detail->RefreshFromMaster();
  }
}

// ---------------------------------------------------------------- TClientDataSet

TClientDataSet::TClientDataSet(TComponent* aOwner) : TComponent(aOwner) {}

TClientDataSet::~TClientDataSet() {
  for (TDataSource* source : FSources) source->FDataSet = nullptr;
  for (TClientDataSet* detail : FDetails) {
    // The detail keeps its source, which now has no table: it shows every record.
    detail->InvalidateLink();
    if (detail->Active()) detail->RebuildView();
    detail->FCurrent = detail->FView.empty() ? -1 : 0;
  }
  Unlink();
}

TField& TClientDataSet::AddField(std::unique_ptr<TField> aField) {
  CheckInactive();
  if (FindField(aField->FieldName()) != nullptr)
    throw EDatabaseError(Format("Duplicate field name '%s'", aField->FieldName()));
  aField->FDataSet = this;
  aField->FIndex = static_cast<int>(FFields.size());
  FFields.push_back(std::move(aField));
  FFieldIndexValid = false;
  return *FFields.back();
}

TField& TClientDataSet::AddStringField(const std::string& aName, int aSize) {
  auto field = std::make_unique<TField>();
  field->SetFieldName(aName);
  field->SetSize(aSize);
  return AddField(std::move(field));
}

TField& TClientDataSet::FieldByName(std::string_view aName) const {
  TField* field = FindField(aName);
  if (field == nullptr) throw EDatabaseError(Format("Field '%s' not found", aName));
  return *field;
}

TField* TClientDataSet::FindField(std::string_view aName) const {
  if (!FFieldIndexValid) {
    FFieldIndex.clear();
    for (const auto& field : FFields) FFieldIndex.emplace(UpperCase(field->FieldName()), field.get());
    FFieldIndexValid = true;
  }
  // UpperCase folds ASCII letters alone in ASCII text: the same fold, without allocating.
  char folded[64];
  const bool ascii = aName.size() <= sizeof folded &&
                     std::all_of(aName.begin(), aName.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) {
    const auto found = FFieldIndex.find(UpperCase(aName));
    return found == FFieldIndex.end() ? nullptr : found->second;
  }
  std::transform(aName.begin(), aName.end(), folded,
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; });
  const auto found = FFieldIndex.find(std::string_view(folded, aName.size()));
  return found == FFieldIndex.end() ? nullptr : found->second;
}

void TClientDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TClientDataSet::CheckInactive() const {
  if (Active()) throw EDatabaseError("Cannot perform this operation on an open dataset");
}

void TClientDataSet::CheckBrowseMode() {
  if (FState == dsEdit || FState == dsInsert) {
    if (FModified) {
      Post();
    } else {
      Cancel();
    }
  }
}

const TClientDataSet::TRecord* TClientDataSet::ActiveRecord() const {
  if (FState == dsEdit || FState == dsInsert) return &FBuffer;
  EnsureFresh();
  if (FState == dsInactive || FCurrent < 0) return nullptr;
  return FView[FCurrent];
}

void TClientDataSet::SetValue(const TField& aField, std::optional<std::string> aValue) {
  if (FState != dsEdit && FState != dsInsert) throw EDatabaseError("Dataset not in edit or insert mode");
  if (aValue && aField.Size() > 0 && !aField.IsBlob() &&
      Utf8Length(*aValue) > static_cast<std::size_t>(aField.Size())) {
    throw EDatabaseError(
        Format("Field '%s' holds at most %d characters", aField.FieldName(), aField.Size()));
  }
  FBuffer[aField.Index()] = std::move(aValue);
  FModified = true;
  // Only a change of a field some detail links on can change what it shows.
  for (const TClientDataSet* detail : FDetails) {
    detail->ResolveLink();
    if (std::find(detail->FMasterLinkFields.begin(), detail->FMasterLinkFields.end(), &aField) !=
        detail->FMasterLinkFields.end()) {
      DataChanged(false);
      break;
    }
  }
}

void TClientDataSet::Open() {
  if (Active()) return;
  FState = dsBrowse;
  FModified = false;
  FRecords.clear();
  FKeyIndexValid = false;
  RebuildView();
  FCurrent = -1;
  FBof = FEof = true;
  DataChanged(true);
}

void TClientDataSet::Close() {
  if (!Active()) return;
  FState = dsInactive;
  FPending = TPendingRefresh::None;
  FModified = false;
  FBuffer.clear();
  FRecords.clear();
  FKeyIndexValid = false;
  FView.clear();
  FCurrent = -1;
  FBof = FEof = true;
}

void TClientDataSet::EmptyDataSet() {
  CheckActive();
  if (FState != dsBrowse) Cancel();
  FPending = TPendingRefresh::None;
  FRecords.clear();
  FKeyIndexValid = false;
  FView.clear();
  FCurrent = -1;
  FBof = FEof = true;
  DataChanged(true);
}

void TClientDataSet::Scrolled() {
  DataChanged(true);
  if (AfterScroll) AfterScroll(*this);
}

void TClientDataSet::First() {
  CheckActive();
  CheckBrowseMode();
  EnsureFresh();
  const int before = FCurrent;
  FCurrent = FView.empty() ? -1 : 0;
  FBof = true;
  FEof = FView.empty();
  if (FCurrent != before) Scrolled();
}

void TClientDataSet::Last() {
  CheckActive();
  CheckBrowseMode();
  EnsureFresh();
  const int before = FCurrent;
  FCurrent = static_cast<int>(FView.size()) - 1;
  FEof = true;
  FBof = FView.empty();
  if (FCurrent != before) Scrolled();
}

void TClientDataSet::Next() {
  CheckActive();
  CheckBrowseMode();
  EnsureFresh();
  if (FCurrent + 1 < static_cast<int>(FView.size())) {
    ++FCurrent;
    FBof = false;
    FEof = false;
    Scrolled();
  } else {
    FEof = true;
  }
}

void TClientDataSet::Prior() {
  CheckActive();
  CheckBrowseMode();
  EnsureFresh();
  if (FCurrent > 0) {
    --FCurrent;
    FBof = false;
    FEof = false;
    Scrolled();
  } else {
    FBof = true;
  }
}

int TClientDataSet::RecordCount() const {
  CheckActive();
  EnsureFresh();
  return static_cast<int>(FView.size());
}

int TClientDataSet::RecNo() const {
  EnsureFresh();
  if (FState == dsInsert) return static_cast<int>(FView.size()) + 1;
  return FCurrent + 1;
}

void TClientDataSet::Append() {
  CheckActive();
  CheckBrowseMode();
  EnsureFresh();
  if (BeforeInsert) BeforeInsert(*this);
  FSavedCurrent = FCurrent;
  FBuffer.assign(FFields.size(), std::nullopt);
  if (Filtered()) {
    const std::vector<std::string> key = MasterKey();
    for (std::size_t i = 0; i < FIndexPositions.size() && i < key.size(); ++i) {
      if (!key[i].empty()) FBuffer[FIndexPositions[i]] = key[i];
    }
  }
  FState = dsInsert;
  FModified = false;
  FBof = FEof = false;
  DataChanged(true);
  if (AfterInsert) AfterInsert(*this);
  if (AfterScroll) AfterScroll(*this);
}

void TClientDataSet::Edit() {
  CheckActive();
  if (FState == dsEdit || FState == dsInsert) return;
  EnsureFresh();
  if (FView.empty()) {
    Append();
    return;
  }
  FBuffer = *FView[FCurrent];
  FSavedCurrent = FCurrent;
  FState = dsEdit;
  FModified = false;
}

void TClientDataSet::Post() {
  CheckActive();
  if (FState != dsEdit && FState != dsInsert) return;
  if (BeforePost) BeforePost(*this);
  for (const auto& field : FFields) {
    const auto& value = FBuffer[field->Index()];
    if (field->Required() && (!value || value->empty()))
      throw EDatabaseError(Format("Field '%s' must have a value", field->DisplayLabel()));
  }
  TRecord* record = nullptr;
  if (FState == dsEdit) {
    record = FView[FCurrent];
    // A record whose key changes would have to move between buckets in
    // record order: the index is rebuilt instead (a rare case).
    if (FKeyIndexValid && RecordKey(*record) != RecordKey(FBuffer)) FKeyIndexValid = false;
    *record = std::move(FBuffer);
  } else {
    FRecords.push_back(std::make_unique<TRecord>(std::move(FBuffer)));
    record = FRecords.back().get();
    FView.push_back(record);
    if (FKeyIndexValid) FKeyIndex[RecordKey(*record)].push_back(record);
  }
  FBuffer.clear();
  FState = dsBrowse;
  FModified = false;
  if (Filtered() && !Matches(*record, FViewKey)) {
    RebuildView();
    FCurrent = std::min(FSavedCurrent, static_cast<int>(FView.size()) - 1);
    if (FCurrent < 0 && !FView.empty()) FCurrent = 0;
  } else {
    FCurrent = static_cast<int>(std::find(FView.begin(), FView.end(), record) - FView.begin());
  }
  FBof = FEof = FView.empty();
  DataChanged(false);
  if (AfterPost) AfterPost(*this);
}

void TClientDataSet::Cancel() {
  if (FState == dsEdit) {
    FState = dsBrowse;
  } else if (FState == dsInsert) {
    FState = dsBrowse;
    FCurrent = std::min(FSavedCurrent, static_cast<int>(FView.size()) - 1);
    if (FCurrent < 0 && !FView.empty()) FCurrent = 0;
    FBof = FEof = FView.empty();
  } else {
    return;
  }
  FBuffer.clear();
  FModified = false;
  DataChanged(false);
}

void TClientDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert) {
    Cancel();
    return;
  }
  if (FState == dsEdit) Cancel();
  EnsureFresh();
  if (FView.empty()) throw EDatabaseError("Cannot perform this operation on an empty dataset");
  TRecord* record = FView[FCurrent];
  if (FKeyIndexValid) Erase(FKeyIndex[RecordKey(*record)], record);
  FView.erase(FView.begin() + FCurrent);
  FRecords.erase(std::find_if(FRecords.begin(), FRecords.end(),
                              [&](const auto& r) { return r.get() == record; }));
  if (FCurrent >= static_cast<int>(FView.size())) FCurrent = static_cast<int>(FView.size()) - 1;
  FBof = FEof = FView.empty();
  Scrolled();
}

// ---------------------------------------------------------------- master-detail

bool TClientDataSet::Filtered() const {
  return FMasterSource != nullptr && FMasterSource->FDataSet != nullptr && !FMasterFields.empty() &&
         !FIndexFieldNames.empty();
}

void TClientDataSet::ResolveLink() const {
  if (FLinkResolved) return;
  FMasterLinkFields.clear();
  FIndexPositions.clear();
  if (Filtered()) {
    const TClientDataSet& master = *FMasterSource->FDataSet;
    for (const std::string& name : SplitFieldList(FMasterFields))
      FMasterLinkFields.push_back(&master.FieldByName(name));
    for (const std::string& name : SplitFieldList(FIndexFieldNames))
      FIndexPositions.push_back(FieldByName(name).Index());
  }
  FLinkResolved = true;
}

std::vector<std::string> TClientDataSet::MasterKey() const {
  std::vector<std::string> key;
  if (!Filtered()) return key;
  ResolveLink();
  key.reserve(FMasterLinkFields.size());
  for (const TField* field : FMasterLinkFields) key.push_back(field->AsString());
  return key;
}

bool TClientDataSet::Matches(const TRecord& aRecord, const std::vector<std::string>& aKey) const {
  ResolveLink();
  for (std::size_t i = 0; i < FIndexPositions.size() && i < aKey.size(); ++i) {
    const auto& value = aRecord[FIndexPositions[i]];
    if (value ? *value != aKey[i] : !aKey[i].empty()) return false;
  }
  return true;
}

std::size_t TClientDataSet::TRecordKeyHash::operator()(const TRecordKey& aKey) const noexcept {
  std::size_t hash = aKey.size();
  for (const std::string& part : aKey)
    hash ^= std::hash<std::string>{}(part) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
  return hash;
}

// The values Matches compares: as many as both field lists have.
TClientDataSet::TRecordKey TClientDataSet::RecordKey(const TRecord& aRecord) const {
  ResolveLink();
  const std::size_t n = std::min(FIndexPositions.size(), FMasterLinkFields.size());
  TRecordKey key;
  key.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto& value = aRecord[FIndexPositions[i]];
    key.push_back(value ? *value : std::string());
  }
  return key;
}

void TClientDataSet::BuildKeyIndex() const {
  FKeyIndex.clear();
  for (const auto& record : FRecords) FKeyIndex[RecordKey(*record)].push_back(record.get());
  FKeyIndexValid = true;
}

void TClientDataSet::RebuildView() {
  FPending = TPendingRefresh::None;
  FView.clear();
  FViewKey = MasterKey();
  if (!Filtered()) {
    for (const auto& record : FRecords) FView.push_back(record.get());
    return;
  }
  ResolveLink();
  if (!FKeyIndexValid) BuildKeyIndex();
  TRecordKey key = FViewKey;
  key.resize(std::min(FIndexPositions.size(), FMasterLinkFields.size()));
  const auto bucket = FKeyIndex.find(key);
  if (bucket != FKeyIndex.end()) FView = bucket->second;
}

void TClientDataSet::RefreshFromMaster() {
  CheckBrowseMode();
  RebuildView();
  FCurrent = FView.empty() ? -1 : 0;
  FBof = true;
  FEof = FView.empty();
  DataChanged(true);
}

void TClientDataSet::DataChanged(bool aForce) {
  // A copy: a refresh may post a detail, whose handlers may relink tables.
  const std::vector<TClientDataSet*> details = FDetails;
  for (TClientDataSet* detail : details) {
    if (!detail->Active()) continue;
    if (detail->FPending != TPendingRefresh::None) {
      // Already marked, so nothing at or below it is being edited: going
      // into edit or insert mode refreshes the table and its masters first.
      if (aForce) detail->FPending = TPendingRefresh::Force;
      continue;
    }
    if (detail->Editing()) {
      if (aForce || detail->MasterKey() != detail->FViewKey) detail->RefreshFromMaster();
    } else {
      detail->FPending = aForce ? TPendingRefresh::Force : TPendingRefresh::Check;
    }
  }
}

bool TClientDataSet::Editing() const {
  if (FState == dsEdit || FState == dsInsert) return true;
  return std::any_of(FDetails.begin(), FDetails.end(),
                     [](const TClientDataSet* d) { return d->Active() && d->Editing(); });
}

void TClientDataSet::EnsureFresh() const {
  if (FMasterSource != nullptr && FMasterSource->FDataSet != nullptr)
    FMasterSource->FDataSet->EnsureFresh();
  if (FPending == TPendingRefresh::None) return;
  const bool force = FPending == TPendingRefresh::Force;
  FPending = TPendingRefresh::None;
  // The table is not const to its owner: refreshing is how a read sees the
  // state the master's last move gave it.
  auto* self = const_cast<TClientDataSet*>(this);
  if (force || MasterKey() != FViewKey) self->RefreshFromMaster();
}

void TClientDataSet::Unlink() {
  InvalidateLink();
  if (FMasterSource == nullptr) return;
  Erase(FMasterSource->FDetails, this);
  if (FMasterSource->FDataSet != nullptr) Erase(FMasterSource->FDataSet->FDetails, this);
  FMasterSource = nullptr;
}

void TClientDataSet::LinkTo(TDataSource* aSource) {
  InvalidateLink();
  FMasterSource = aSource;
  if (aSource == nullptr) return;
  aSource->FDetails.push_back(this);
  if (aSource->FDataSet != nullptr) aSource->FDataSet->FDetails.push_back(this);
}

void TClientDataSet::SetMasterSource(TDataSource* aSource) {
  if (aSource == FMasterSource) return;
  if (Active()) CheckBrowseMode();
  Unlink();
  LinkTo(aSource);
  if (Active()) RefreshFromMaster();
}

void TClientDataSet::SetMasterFields(const std::string& aFields) {
  if (aFields == FMasterFields) return;
  if (Active()) CheckBrowseMode();
  FMasterFields = aFields;
  InvalidateLink();
  if (Active()) RefreshFromMaster();
}

void TClientDataSet::SetIndexFieldNames(const std::string& aFields) {
  if (aFields == FIndexFieldNames) return;
  if (Active()) CheckBrowseMode();
  FIndexFieldNames = aFields;
  InvalidateLink();
  if (Active()) RefreshFromMaster();
}

std::vector<TClientDataSet*> TClientDataSet::Details() const { return FDetails; }

}  // namespace xnd
