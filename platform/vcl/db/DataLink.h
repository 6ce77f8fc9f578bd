// TDataLink: how a data-aware view (a grid, an edit box, a master-detail link) follows a dataset
// through a data source. The view derives from it and overrides the notifications; it sees the
// dataset only through them and through the window accessors.
//
// Guarantees:
//  - BufferCount is the number of records the view wants to show at once (1 by default); the
//    dataset keeps at least as many record buffers as its largest link asks for.
//  - The link's window is BufferCount consecutive records of the dataset's window that contains
//    the active record; ActiveRecord is the active record's index in it (0 .. RecordCount-1), and
//    setting ActiveRecord makes another record of the window the dataset's active record (for
//    painting; no cursor move and no notification). When the dataset scrolls, the window keeps
//    the records it showed as long as the active record stays inside, and DataSetScrolled gets
//    the number of rows the window moved (positive: forward).
//  - Notifications: ActiveChanged (opened / closed), DataSetChanged (records changed, by default
//    RecordChanged(null)), DataSetScrolled (by default DataSetChanged), LayoutChanged (by default
//    DataSetChanged), RecordChanged(field) (a field's value, or the whole record for null),
//    EditingChanged, UpdateData (write pending edits), CheckBrowseMode (the dataset is about to
//    leave the record), FocusControl.
//  - A link whose source is freed loses its source (DataSource becomes null, ActiveChanged runs).
#pragma once

#include "platform/vcl/Persistent.h"
#include "platform/vcl/db/DBTypes.h"

#include <cstdint>

namespace vcl {

class TDataSet;
class TDataSource;
class TField;

class TDataLink : public TPersistent {
    VCL_CLASS(TDataLink, TPersistent)
public:
    TDataLink();

    TDataSource* GetDataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* value);
    TDataSet* GetDataSet() const;
    bool GetActive() const { return FActive; }
    int GetActiveRecord() const;
    void SetActiveRecord(int value);
    int GetBufferCount() const { return FBufferCount; }
    void SetBufferCount(int value);
    // Records in the link's window (at most BufferCount).
    int GetRecordCount() const;
    bool GetEditing() const { return FEditing; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // Puts the dataset into edit mode when the source allows it (AutoEdit); returns Editing.
    bool Edit();
    // Runs UpdateData (the view writes its pending edit into the fields).
    void UpdateRecord();

protected:
    ~TDataLink() override;
    void Destroy() override;

    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged();
    virtual void DataSetScrolled(int distance);
    virtual void EditingChanged() {}
    virtual void FocusControl(TField* field);
    virtual void LayoutChanged();
    virtual void RecordChanged(TField* field);
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;

    void DataEvent(TDataEvent event, std::intptr_t info);
    void UpdateState();
    // Keeps the window inside the dataset's window and around its active record.
    void UpdateRange();
    void SetActive(bool value);
    void SetEditing(bool value);

    TDataSource* FDataSource = nullptr;
    int FFirstRecord = 0; // the link's first record, as an index of the dataset's window
    int FBufferCount = 1;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
};

} // namespace vcl
