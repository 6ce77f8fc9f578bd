// The dataset machinery's shared values: dataset states, field types and kinds, data events, the
// codes a concrete dataset answers its record requests with, bookmarks and record buffers.
//
// Every enumeration keeps the framework's ordinals, since concrete datasets store some of them
// in their record buffers (TBookmarkFlag) and compare them by number.
#pragma once

#include "platform/vcl/Set.h"
#include "platform/vcl/SysTypes.h"
#include "platform/vcl/TypInfo.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vcl {

enum TDataSetState {
    dsInactive,     // closed
    dsBrowse,       // open, showing records
    dsEdit,         // the active record is being changed
    dsInsert,       // a new record is being filled
    dsSetKey,       // search keys are being set
    dsCalcFields,   // calculated fields are being computed (field writes go to the calculation buffer)
    dsFilter,       // a filter is looking at a record
    dsNewValue,     // new values of a cached update
    dsOldValue,     // old values of a cached update
    dsCurValue,     // current values of a cached update
    dsBlockRead,    // reading many records without notifying controls
    dsInternalCalc, // internally calculated fields are being computed
};
VCL_ENUM_NAMES(TDataSetState, dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
               dsNewValue, dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc);

// Whether a state edits the active record (dsEdit, dsInsert, dsSetKey).
inline bool IsEditState(TDataSetState state) {
    return state == dsEdit || state == dsInsert || state == dsSetKey;
}

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
};
VCL_ENUM_NAMES(TFieldType, ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency,
               ftBCD, ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic);

// The name of a field type ("String", "Integer", ...), for messages.
AnsiString FieldTypeName(TFieldType type);

enum TFieldKind {
    fkData,         // a column of the dataset's records
    fkCalculated,   // computed by OnCalcFields, kept in the calculation area
    fkLookup,       // looked up in another dataset, kept in the calculation area
    fkInternalCalc, // computed by the dataset itself, kept with the record
};
VCL_ENUM_NAMES(TFieldKind, fkData, fkCalculated, fkLookup, fkInternalCalc);

enum TDataEvent {
    deFieldChange,         // a field's value changed (Info: the field)
    deRecordChange,        // the active record changed as a whole (Info: null)
    deDataSetChange,       // the records shown changed (open, first, last, resync, ...)
    deDataSetScroll,       // the window moved (Info: how the buffers shifted)
    deLayoutChange,        // fields were added, removed, moved or changed their look
    deUpdateRecord,        // controls must write their pending edits into the fields
    deUpdateState,         // the dataset's state changed
    deCheckBrowseMode,     // the dataset is about to leave the record
    dePropertyChange,      // a property of the dataset changed
    deFieldListChange,     // the field list changed
    deFocusControl,        // a control showing the field should take the focus (Info: the field)
    deParentScroll,        // a master dataset scrolled
    deConnectChange,       // the connection changed
    deReconcileError,      // a cached update failed
    deDisabledStateChange, // the state changed while controls were disabled (Info: 1 active, 0 not)
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

enum TBookmarkFlag : std::uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = Set<TResyncModeItem>;

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = Set<TLocateOption>;

enum TDataAction { daFail, daAbort, daRetry };

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

enum TFieldAttribute { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = Set<TFieldAttribute>;

// A record buffer: a block the concrete dataset allocates (AllocRecordBuffer) and lays out as it
// likes; the framework only hands it around.
using TRecordBuffer = std::uint8_t*;

// A bookmark as the framework passes it to a concrete dataset: BookmarkSize bytes, or null for
// none.
using TBookmarkPtr = const std::uint8_t*;

// A bookmark kept by the application (GetBookmark): a copy of the bookmark bytes, empty when
// there was none. It converts to TBookmarkPtr (null when empty), so it can be handed to
// GotoBookmark, BookmarkValid and CompareBookmarks directly.
class TBookmark {
public:
    TBookmark() = default;
    TBookmark(TBookmarkPtr data, std::size_t size) : FBytes(data, data + size) {}
    bool Empty() const { return FBytes.empty(); }
    std::size_t Size() const { return FBytes.size(); }
    const std::uint8_t* Data() const { return FBytes.empty() ? nullptr : FBytes.data(); }
    operator TBookmarkPtr() const { return Data(); }
    bool operator==(const TBookmark&) const = default;

private:
    std::vector<std::uint8_t> FBytes;
};

} // namespace vcl
