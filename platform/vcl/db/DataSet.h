// TDataSet: the abstract dataset. It owns the record-buffer ring, the states, the events and the
// field list, and asks a concrete dataset (TMemDataSet, a driver's dataset) a small set of
// questions through protected virtual operations: allocate and fill record buffers, move the
// cursor, read and write field values, bookmarks.
//
// The ring. While open the dataset holds BufferCount record buffers (the largest window any data
// link asks for, at least 1) plus one spare. Buffers 0 .. RecordCount-1 hold consecutive records
// of the cursor and ActiveRecord indexes the current one. Moving inside the window fetches
// nothing; moving past its edge fetches one record per step and rotates the ring, and a move
// sends one deDataSetScroll (or one deDataSetChange when the window's record count changed).
// First, Last, Resync, posting, cancelling and deleting refill the window and send
// deDataSetChange. The cursor of the concrete dataset is not kept on the active record: any
// operation that needs it there calls UpdateCursorPos, and CursorPosChanged says it moved.
//
// States and events. Open: BeforeOpen, (the cursor opens, the first window is fetched), the state
// becomes dsBrowse, AfterOpen, AfterScroll when not empty. Close: BeforeClose, dsInactive (a
// pending edit is dropped), AfterClose. Edit: BeforeEdit, dsEdit, AfterEdit. Insert / Append:
// BeforeInsert, BeforeScroll, dsInsert, OnNewRecord, AfterInsert, AfterScroll. Post: BeforePost,
// dsBrowse, AfterPost. Cancel: BeforeCancel, dsBrowse, AfterCancel. Delete: BeforeDelete,
// BeforeScroll, AfterDelete, AfterScroll. Moves: BeforeScroll, AfterScroll (not when the move
// could not go anywhere).
//
// Errors. An EDatabaseError raised by the concrete dataset while editing, posting or deleting
// goes to OnEditError / OnPostError / OnDeleteError with the action daFail: daRetry runs the step
// again, daAbort ends the operation with the silent EAbort, daFail passes the error on. A failed
// post leaves the dataset in its editing state with the record as edited. Required data fields
// left NULL fail the post (SFieldRequired) through the same loop.
//
// Notifications go to the data sources linked to the dataset, and through them to their data
// links, unless DisableControls is in effect; EnableControls, when the last nesting level ends,
// tells them what they missed in one notification.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Variant.h"
#include "platform/vcl/db/DBTypes.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace vcl {

class TDataSet;
class TDataSource;
class TField;
class TFieldDefs;
class TFields;
class TStream;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;

class TDataSet : public TComponent {
    VCL_CLASS(TDataSet, TComponent)
public:
    explicit TDataSet(TComponent* owner);

    // --- Opening and closing -------------------------------------------------------------------
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool GetActive() const { return FState != dsInactive; }
    // While the component is read from a form file the value is kept and applied in Loaded.
    void SetActive(bool value);
    TDataSetState GetState() const { return FState; }

    // --- Navigation ----------------------------------------------------------------------------
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves up to distance records (negative: backwards) and returns how far it went.
    int MoveBy(int distance);
    bool GetBof() const { return FBOF; }
    bool GetEof() const { return FEOF; }
    bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
    // 1-based number of the active record, -1 when the dataset cannot tell.
    virtual int GetRecNo();
    virtual void SetRecNo(int value);
    // Records in the dataset, -1 when the dataset cannot tell.
    virtual int GetRecordCount();
    // Whether RecNo and RecordCount are meaningful.
    virtual bool IsSequenced();
    // Re-reads the records (after CheckBrowseMode) and keeps the active one where possible.
    void Refresh();
    // Refills the window around the cursor's record. rmExact: the record must still exist (else
    // EDatabaseError "Record not found"); without it the nearest record is taken. rmCenter: the
    // record is put in the middle of the window; without it, at its old position.
    void Resync(TResyncMode mode);

    // --- Editing -------------------------------------------------------------------------------
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    // Insert / Append, then the values to the fields in order (Null clears, Empty leaves), then
    // Post.
    void InsertRecord(std::initializer_list<Variant> values);
    void AppendRecord(std::initializer_list<Variant> values);
    // Asks the controls to write pending edits into the fields (deUpdateRecord).
    void UpdateRecord();
    // Posts a modified edit, cancels an unmodified one; raises on a closed dataset.
    void CheckBrowseMode();
    bool GetModified() const { return FModified; }
    bool CanModify() { return GetCanModify(); }

    // --- Bookmarks -----------------------------------------------------------------------------
    // The active record's bookmark; empty when there is no current record.
    TBookmark GetBookmark();
    // Moves to the bookmarked record (nothing for a null bookmark).
    void GotoBookmark(TBookmarkPtr bookmark);
    virtual bool BookmarkValid(TBookmarkPtr bookmark);
    // -1, 0 or 1 by the records' order; a null bookmark comes after any other.
    virtual int CompareBookmarks(TBookmarkPtr bookmark1, TBookmarkPtr bookmark2);
    bool BookmarkAvailable();

    // --- Search --------------------------------------------------------------------------------
    // keyFields: names separated by ';'; keyValues: one value, or a variant array with one per
    // field. The framework's own answers are "not found" and Null; concrete datasets search.
    virtual bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options);
    virtual Variant Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields);

    // --- Fields --------------------------------------------------------------------------------
    TFields* GetFields() const { return FFields; }
    int GetFieldCount() const;
    TField* FindField(std::string_view name) const;
    // Raises EDatabaseError "Field 'x' not found".
    TField* FieldByName(std::string_view name) const;
    TFieldDefs* GetFieldDefs() const { return FFieldDefs; }
    // FieldValues[names]: one field's value, or for "a;b" a variant array of the values.
    Variant GetFieldValue(std::string_view fieldNames);
    void SetFieldValue(std::string_view fieldNames, const Variant& value);
    // The fields named in a ';'-separated list (raises for an unknown name).
    std::vector<TField*> GetFieldList(std::string_view fieldNames) const;
    // Whether the fields were made from the field definitions when the dataset opened.
    bool GetDefaultFields() const { return FDefaultFields; }
    // A stream over a blob field of the active record; the caller owns it. The framework has none.
    virtual TOwned<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
    // Whether the field has a value in the record the state selects; copies the value into buffer
    // (the field's value buffer) when given.
    virtual bool GetFieldData(TField* field, void* buffer);
    // Writes the field's value (null: NULL) into the record the state selects.
    virtual void SetFieldData(TField* field, const void* buffer);
    // Copies the cursor's current record into buffer; false when there is none.
    virtual bool GetCurrentRecord(TRecordBuffer buffer);
    // Converts text between the stored and the shown character set; the framework copies src to
    // dest (unless they are the same) and returns the length. Returns 0 for a null src.
    virtual int Translate(const char* src, char* dest, bool toOem);
    bool GetAutoCalcFields() const { return FAutoCalcFields; }
    void SetAutoCalcFields(bool value) { FAutoCalcFields = value; }

    // --- Controls ------------------------------------------------------------------------------
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount != 0; }
    // Whether the data source leads back to this dataset through master links.
    bool IsLinkedTo(TDataSource* dataSource);
    // The master data source of a detail dataset; none here.
    virtual TDataSource* GetDataSource();

    // --- Cursor --------------------------------------------------------------------------------
    // The cursor no longer stands on the active record.
    void CursorPosChanged() { FCurrentRecord = -1; }
    // Puts the cursor on the active record.
    void UpdateCursorPos();
    // Raise EDatabaseError when the dataset is closed / open.
    void CheckActive();
    void CheckInactive();
    void CheckCanModify();

    // --- Events --------------------------------------------------------------------------------
#define VCL_DATASET_EVENT(Name, Type)                                                                        \
    const Type& Get##Name() const { return F##Name; }                                                        \
    void Set##Name(Type e) { F##Name = std::move(e); }
    VCL_DATASET_EVENT(BeforeOpen, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(AfterOpen, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(BeforeClose, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(AfterClose, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(BeforeInsert, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(AfterInsert, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(BeforeEdit, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(AfterEdit, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(BeforePost, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(AfterPost, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(BeforeCancel, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(AfterCancel, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(BeforeDelete, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(AfterDelete, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(BeforeScroll, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(AfterScroll, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(OnCalcFields, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(OnNewRecord, TDataSetNotifyEvent)
    VCL_DATASET_EVENT(OnEditError, TDataSetErrorEvent)
    VCL_DATASET_EVENT(OnPostError, TDataSetErrorEvent)
    VCL_DATASET_EVENT(OnDeleteError, TDataSetErrorEvent)
#undef VCL_DATASET_EVENT

protected:
    ~TDataSet() override;
    void Destroy() override;
    void Loaded() override;
    // Default fields are not written to form files; persistent ones belong to the form.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

    // --- What a concrete dataset provides ------------------------------------------------------
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    // Releases the buffer and clears the pointer.
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
    // Copies BookmarkSize bytes between the record buffer's bookmark and data.
    virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    // Fills buffer with the current (gmCurrent), next or prior record and moves the cursor to it.
    // With doCheck a failure raises; without, it answers grError.
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) = 0;
    // Bytes of a record without the calculation area (which starts there).
    virtual int GetRecordSize() = 0;
    virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
    virtual void InternalClose() = 0;
    virtual void InternalDelete() = 0;
    // Put the cursor before the first / after the last record.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalGotoBookmark(TBookmarkPtr bookmark) = 0;
    // Hands the exception being handled to the application (call it inside a catch block).
    virtual void InternalHandleException();
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    virtual void InternalOpen() = 0;
    // Writes the active buffer to the records (dsEdit: the current one; dsInsert: a new one).
    virtual void InternalPost();
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    virtual bool IsCursorOpen() = 0;

    // --- Steps a concrete dataset may override -------------------------------------------------
    // Clears the calculation area of a buffer (at GetRecordSize, CalcFieldsSize bytes).
    virtual void ClearCalcFields(TRecordBuffer buffer);
    // Frees the buffers, then InternalClose.
    virtual void CloseCursor();
    // infoQuery: only describe the columns (InternalInitFieldDefs); else open (InternalOpen) and
    // fetch the first window.
    virtual void OpenCursor(bool infoQuery);
    virtual bool GetCanModify();
    virtual void InternalCancel();
    virtual void InternalEdit();
    virtual void InternalInsert();
    virtual void InternalRefresh();
    virtual void InitRecord(TRecordBuffer buffer);
    // Sends the event to the data sources (see the file comment); deFieldChange also marks the
    // record modified, recalculates the calculated fields and fires the field's OnChange.
    // Info: the field for deFieldChange and deFocusControl, the buffer shift for deDataSetScroll.
    virtual void DataEvent(TDataEvent event, std::intptr_t info);
    // Describes the columns: InternalInitFieldDefs, opening the cursor for it when closed.
    virtual void InitFieldDefs();
    virtual void DoBeforeOpen();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoAfterClose();
    virtual void DoBeforeInsert();
    virtual void DoAfterInsert();
    virtual void DoBeforeEdit();
    virtual void DoAfterEdit();
    virtual void DoBeforePost();
    virtual void DoAfterPost();
    virtual void DoBeforeCancel();
    virtual void DoAfterCancel();
    virtual void DoBeforeDelete();
    virtual void DoAfterDelete();
    virtual void DoBeforeScroll();
    virtual void DoAfterScroll();
    virtual void DoOnCalcFields();
    virtual void DoOnNewRecord();

    // --- Framework services for concrete datasets ----------------------------------------------
    // The buffer of the active record (null when the dataset has no buffers).
    TRecordBuffer ActiveBuffer() const {
        return static_cast<std::size_t>(FActiveRecord) < FBuffers.size() ? FBuffers[static_cast<std::size_t>(FActiveRecord)]
                                                                          : nullptr;
    }
    // The buffer whose calculated fields are being computed (dsCalcFields).
    TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
    // The spare buffer, free for a concrete dataset's own use between framework calls.
    TRecordBuffer TempBuffer() const;
    int GetActiveRecord() const { return FActiveRecord; }
    int GetBufferCount() const { return FBufferCount; }
    // Records held in the window.
    int GetBufferedRecordCount() const { return FRecordCount; }
    TRecordBuffer GetBuffer(int index) const;
    int GetBookmarkSize() const { return FBookmarkSize; }
    void SetBookmarkSize(int value) { FBookmarkSize = value; }
    int GetCalcFieldsSize() const { return FCalcFieldsSize; }
    // Numbers the data fields after their definitions (raising for a field without one or of
    // another type or size) and lays out the calculated and lookup fields (CalcFieldsSize).
    void BindFields(bool binding);
    // Makes default fields from the field definitions (owned by the dataset).
    void CreateFields();
    // Frees the fields in the list.
    void DestroyFields();
    // Computes calculated and lookup fields of a buffer in the state dsCalcFields.
    void GetCalcFields(TRecordBuffer buffer);
    // The same without switching the state (the caller has set dsCalcFields).
    void CalculateFields(TRecordBuffer buffer);
    // The values of resultFields (as GetFieldValue gives them) for the record in buffer, read in the
    // temporary state dsCalcFields after computing its calculated and lookup fields; the state is
    // restored on every path. For Lookup, with a record the dataset copied into a spare buffer.
    Variant CalcBufferValues(TRecordBuffer buffer, std::string_view resultFields);
    // Switches to a state for internal work without notifying anyone; returns the old state.
    TDataSetState SetTempState(TDataSetState value);
    void RestoreState(TDataSetState value);
    void SetState(TDataSetState value);
    void SetModified(bool value) { FModified = value; }
    // Runs an editing step with the error-retry loop (see the file comment).
    void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent);
    // Raises SFieldRequired for the first required data field that is NULL.
    void CheckRequiredFields();
    // The checks every SetFieldData makes: an editing state (SNotEditing), a data field not written
    // in dsCalcFields, not read-only (SFieldReadOnly, except in dsSetKey and dsFilter).
    void CheckFieldWrite(TField* field);
    // Recomputes the buffer window for the links' wishes.
    void UpdateBufferCount();
    void SetBufferCount(int value);

private:
    friend class TDataSource;
    friend class TDataLink;
    friend class TField;
    friend class TFieldDefs;

    void DoInternalOpen();
    void SetBufListSize(int value);
    void ClearBuffers();
    void ActivateBuffers();
    void MoveBuffer(int curIndex, int newIndex);
    // Tells every data source of an event (see DataEvent).
    void NotifyDataSources(TDataEvent event, std::intptr_t info);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int index);
    void BeginInsertAppend();
    void EndInsertAppend();
    void InsertOrAppendRecord(std::initializer_list<Variant> values, bool append);
    void AdjustLinkFirstRecords(int delta);
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    // A data link moves its view: the active record becomes index (within the window).
    void SetActiveRecordIndex(int index) { FActiveRecord = index; }

    TDataSetState FState = dsInactive;
    TDataSetState FDisableState = dsInactive;
    TDataEvent FEnableEvent = deDataSetChange;
    int FDisableCount = 0;
    // The ring: FBufferCount + 1 buffers while open; 0 .. FRecordCount-1 hold records.
    std::vector<TRecordBuffer> FBuffers;
    int FBufferCount = 0;
    int FRecordCount = 0;
    int FActiveRecord = 0;
    // Index of the buffer the cursor stands on, -1 when unknown.
    int FCurrentRecord = -1;
    TRecordBuffer FCalcBuffer = nullptr;
    int FBookmarkSize = 0;
    int FCalcFieldsSize = 0;
    bool FBOF = true;
    bool FEOF = true;
    bool FModified = false;
    bool FDefaultFields = false;
    bool FAutoCalcFields = true;
    bool FStreamedActive = false;
    bool FBuffersReady = false;
    TFields* FFields = nullptr;       // owned (freed in Destroy)
    TFieldDefs* FFieldDefs = nullptr; // owned
    std::vector<TDataSource*> FDataSources;

    TDataSetNotifyEvent FBeforeOpen, FAfterOpen, FBeforeClose, FAfterClose, FBeforeInsert, FAfterInsert,
        FBeforeEdit, FAfterEdit, FBeforePost, FAfterPost, FBeforeCancel, FAfterCancel, FBeforeDelete,
        FAfterDelete, FBeforeScroll, FAfterScroll, FOnCalcFields, FOnNewRecord;
    TDataSetErrorEvent FOnEditError, FOnPostError, FOnDeleteError;
};

} // namespace vcl
