// The list of the framework's own messages (declared in VclConsts.h).
#include "platform/vcl/VclConsts.h"

namespace vcl {

std::span<const TResStringRec* const> VclResourceStrings() {
    static const TResStringRec* const all[] = {
        &SInvalidInteger,   &SInvalidFloat,         &SInvalidCurrency,      &SInvalidBoolean,
        &SInvalidFormat,    &SArgumentMissing,      &SCurrencyOverflow,     &SInvalidDate,
        &SInvalidTime,      &SInvalidDateTime,      &SInvalidTimeStamp,     &SInvalidMSecs,
        &SDateEncodeError,  &STimeEncodeError,      &SVarTypeCastError,     &SVarOverflow,
        &SVarInvalidOp,     &SVarBadType,           &SVarNotArray,          &SVarArrayCreate,
        &SVarArrayBounds,   &SVarArrayLocked,       &SVarArrayNotLocked,    &SInvalidCast,
        &SAbstractError,    &SOutOfMemory,          &SOperationAborted,     &SReadError,
        &SWriteError,       &SFOpenError,           &SFCreateError,         &SInvalidImage,
        &SClassNotFound,    &SMemoryStreamError,    &SListIndexError,       &SListCapacityError,
        &SListCountError,   &SDuplicateString,      &SSortedListError,      &SDuplicateName,
        &SInvalidName,      &SCannotAssign,         &SInvalidPropertyValue, &SPropertyDoesNotExist,
        &SInvalidPropertyPath, &SReadOnlyProperty,  &SInvalidOperation,     &SInvalidGraphic,
        &SUnknownExtension, &SFOpenErrorEx, &SFCreateErrorEx, &SShareViolation, &SUnknownValueType,
        &SLengthPastEnd, &SNestingTooDeep, &SResNotFound, &SDuplicateClass, &SInvalidComponentClass,
        &SInvalidHandlerName, &SHandlerNotFound, &SHandlerMismatch, &SPropertyReadError,
        &SUnresolvedReference, &SAncestorNotFound, &SNoOwner, &SParseError, &SIdentifierExpected,
        &SStringExpected, &SNumberExpected, &SCharExpected, &SSymbolExpected, &SInvalidString,
        &SInvalidBinary, &SInvalidNumber, &SInvalidBitmap, &SInvalidIcon, &SInvalidMetafile, &SInvalidPixelFormat,
        &SChangeIconSize, &SBitmapTooLarge, &SMetafileConversion, &SGraphicTooLarge,
    };
    return all;
}

} // namespace vcl
