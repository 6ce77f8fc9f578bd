// The dataset machinery's own messages (module "TnxVclDb") and the helpers that raise them as
// EDatabaseError. Texts are looked up when raised, so a translation installed at run time
// applies (ResourceStrings.h).
#pragma once

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ResourceStrings.h"

#include <initializer_list>
#include <span>

namespace vcl {

class TComponent;

inline constexpr const char* VclDbModule = "TnxVclDb";

// Datasets.
inline constexpr TResStringRec SDataSetClosed{VclDbModule, 65440, "SDataSetClosed", "Cannot perform this operation on a closed dataset"};
inline constexpr TResStringRec SDataSetOpen{VclDbModule, 65441, "SDataSetOpen", "Cannot perform this operation on an open dataset"};
inline constexpr TResStringRec SNotEditing{VclDbModule, 65442, "SNotEditing", "Dataset not in edit or insert mode"};
inline constexpr TResStringRec SDataSetEmpty{VclDbModule, 65443, "SDataSetEmpty", "Cannot perform this operation on an empty dataset"};
inline constexpr TResStringRec SDataSetReadOnly{VclDbModule, 65444, "SDataSetReadOnly", "Cannot modify a read-only dataset"};
inline constexpr TResStringRec SRecordNotFound{VclDbModule, 65445, "SRecordNotFound", "Record not found"};
inline constexpr TResStringRec SCircularDataLink{VclDbModule, 65446, "SCircularDataLink", "Circular data links are not allowed"};
inline constexpr TResStringRec SNoFieldDefs{VclDbModule, 65447, "SNoFieldDefs", "The dataset has no field definitions"};
inline constexpr TResStringRec SLayoutChanged{VclDbModule, 65448, "SLayoutChanged", "The field definitions no longer match the records held; empty the dataset first"};
inline constexpr TResStringRec SBookmarkInvalid{VclDbModule, 65449, "SBookmarkInvalid", "Invalid bookmark"};

// Fields.
inline constexpr TResStringRec SFieldNotFound{VclDbModule, 65456, "SFieldNotFound", "Field '%s' not found"};
inline constexpr TResStringRec SFieldReadOnly{VclDbModule, 65457, "SFieldReadOnly", "Field '%s' cannot be modified"};
inline constexpr TResStringRec SFieldRequired{VclDbModule, 65458, "SFieldRequired", "Field '%s' must have a value"};
inline constexpr TResStringRec SFieldAccessError{VclDbModule, 65459, "SFieldAccessError", "Cannot access field '%s' as type %s"};
inline constexpr TResStringRec SInvalidFieldValue{VclDbModule, 65460, "SInvalidFieldValue", "'%s' is not a valid value for field '%s'"};
inline constexpr TResStringRec SFieldRangeError{VclDbModule, 65461, "SFieldRangeError", "%s is not a valid value for field '%s'. The allowed range is %s to %s"};
inline constexpr TResStringRec SFieldTypeMismatch{VclDbModule, 65462, "SFieldTypeMismatch", "Type mismatch for field '%s', expecting: %s actual: %s"};
inline constexpr TResStringRec SFieldSizeMismatch{VclDbModule, 65463, "SFieldSizeMismatch", "Size mismatch for field '%s', expecting: %d actual: %d"};
inline constexpr TResStringRec SDataSetMissing{VclDbModule, 65464, "SDataSetMissing", "Field '%s' has no dataset"};
inline constexpr TResStringRec SFieldNameMissing{VclDbModule, 65465, "SFieldNameMissing", "Field name missing"};
inline constexpr TResStringRec SDuplicateFieldName{VclDbModule, 65466, "SDuplicateFieldName", "Duplicate field name '%s'"};
inline constexpr TResStringRec SFieldIndexError{VclDbModule, 65467, "SFieldIndexError", "Field index out of range"};
inline constexpr TResStringRec SNotABlobField{VclDbModule, 65468, "SNotABlobField", "Field '%s' is not a blob field"};
inline constexpr TResStringRec SLookupInfoError{VclDbModule, 65469, "SLookupInfoError", "Lookup information for field '%s' is incomplete"};
inline constexpr TResStringRec SCircularLookup{VclDbModule, 65470, "SCircularLookup", "Field '%s' cannot look itself up in its own dataset"};
inline constexpr TResStringRec SInvalidFieldSize{VclDbModule, 65471, "SInvalidFieldSize", "Invalid size %d for field '%s'"};
inline constexpr TResStringRec SFieldKindMismatch{VclDbModule, 65472, "SFieldKindMismatch", "Field '%s' of kind %s cannot be used here"};
inline constexpr TResStringRec SUnknownFieldType{VclDbModule, 65473, "SUnknownFieldType", "Field '%s' is of an unknown or unsupported type"};

// Every message above, for translation tools and the uniqueness check.
std::span<const TResStringRec* const> VclDbResourceStrings();

// Raises EDatabaseError with the message; with a named component the text starts with
// "<name>: ", so the user can tell which dataset or field complained.
[[noreturn]] void DatabaseError(const TResStringRec& message, TComponent* component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const TResStringRec& message, std::initializer_list<FormatArg> args,
                                   TComponent* component = nullptr);

} // namespace vcl
