// TDataSource: the component between a dataset and the data links of the views that show it.
//
// Guarantees: it forwards the dataset's notifications to its links while Enabled (a disabled
// source looks inactive to them); State mirrors the dataset's state (dsInactive without a
// dataset or when disabled) and OnStateChange fires when it changes; OnDataChange fires when
// records or a field change (with the field, or null), OnUpdateData before the dataset posts.
// Setting a DataSet that leads back to this source through master links raises EDatabaseError
// "Circular data links are not allowed" and changes nothing. Freeing either side unhooks it from
// the other.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/db/DBTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vcl {

class TDataLink;
class TDataSet;
class TField;

using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
    VCL_CLASS(TDataSource, TComponent)
public:
    explicit TDataSource(TComponent* owner);

    TDataSet* GetDataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Whether views may put the dataset into edit mode by themselves (TDataLink::Edit).
    bool GetAutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool value) { FAutoEdit = value; }
    TDataSetState GetState() const { return FState; }
    // Edit on the dataset when AutoEdit and the dataset browses.
    void Edit();
    // Whether the dataset's master links (GetDataSource, then that source's dataset, ...) lead
    // back to this source, so that showing the dataset here would make a circle.
    bool IsLinkedTo(TDataSet* dataSet);
    int GetDataLinkCount() const { return static_cast<int>(FDataLinks.size()); }

    const TDataChangeEvent& GetOnDataChange() const { return FOnDataChange; }
    void SetOnDataChange(TDataChangeEvent e) { FOnDataChange = std::move(e); }
    const TNotifyEvent& GetOnStateChange() const { return FOnStateChange; }
    void SetOnStateChange(TNotifyEvent e) { FOnStateChange = std::move(e); }
    const TNotifyEvent& GetOnUpdateData() const { return FOnUpdateData; }
    void SetOnUpdateData(TNotifyEvent e) { FOnUpdateData = std::move(e); }

protected:
    ~TDataSource() override;
    void Destroy() override;

private:
    friend class TDataSet;
    friend class TDataLink;

    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);
    void DataEvent(TDataEvent event, std::intptr_t info);
    void NotifyDataLinks(TDataEvent event, std::intptr_t info);
    void UpdateState();
    void SetState(TDataSetState value);

    TDataSet* FDataSet = nullptr;
    std::vector<TDataLink*> FDataLinks;
    TDataSetState FState = dsInactive;
    bool FEnabled = true;
    bool FAutoEdit = true;
    TDataChangeEvent FOnDataChange;
    TNotifyEvent FOnStateChange, FOnUpdateData;
};

} // namespace vcl
