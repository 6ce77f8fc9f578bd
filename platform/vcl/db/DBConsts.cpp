// The dataset machinery's message list and the raising helpers (DBConsts.h).
#include "platform/vcl/db/DBConsts.h"

#include "platform/vcl/Component.h"

namespace vcl {

std::span<const TResStringRec* const> VclDbResourceStrings() {
    static const TResStringRec* const all[] = {
        &SDataSetClosed,     &SDataSetOpen,      &SNotEditing,        &SDataSetEmpty,      &SDataSetReadOnly,
        &SRecordNotFound,    &SCircularDataLink, &SNoFieldDefs,       &SLayoutChanged,     &SBookmarkInvalid,
        &SFieldNotFound,     &SFieldReadOnly,    &SFieldRequired,     &SFieldAccessError,  &SInvalidFieldValue,
        &SFieldRangeError,   &SFieldTypeMismatch, &SFieldSizeMismatch, &SDataSetMissing,   &SFieldNameMissing,
        &SDuplicateFieldName, &SFieldIndexError, &SNotABlobField,     &SLookupInfoError,   &SCircularLookup,
        &SInvalidFieldSize,  &SFieldKindMismatch, &SUnknownFieldType,
    };
    return all;
}

namespace {

[[noreturn]] void RaiseWithPrefix(AnsiString text, TComponent* component) {
    if (component != nullptr && !component->GetName().empty()) text = component->GetName() + ": " + text;
    throw EDatabaseError(std::move(text));
}

} // namespace

void DatabaseError(const TResStringRec& message, TComponent* component) {
    RaiseWithPrefix(LoadResString(message), component);
}

void DatabaseErrorFmt(const TResStringRec& message, std::initializer_list<FormatArg> args, TComponent* component) {
    RaiseWithPrefix(Format(LoadResString(message), args), component);
}

} // namespace vcl
