// The framework's own messages, in module "vcl". Raise them through the exception constructors
// that take a TResStringRec (Exceptions.h), which look the text up at raise time.
//
// Identifiers: 65280 and up, grouped by the area that raises them. They are unique within module
// "vcl" (a test checks this); other modules may reuse the same numbers.
#pragma once

#include "platform/vcl/ResourceStrings.h"

#include <span>

namespace vcl {

inline constexpr const char* VclModule = "vcl";

// Conversions and text routines.
inline constexpr TResStringRec SInvalidInteger{VclModule, 65280, "SInvalidInteger", "'%s' is not a valid integer value"};
inline constexpr TResStringRec SInvalidFloat{VclModule, 65281, "SInvalidFloat", "'%s' is not a valid floating point value"};
inline constexpr TResStringRec SInvalidCurrency{VclModule, 65282, "SInvalidCurrency", "'%s' is not a valid currency value"};
inline constexpr TResStringRec SInvalidBoolean{VclModule, 65283, "SInvalidBoolean", "'%s' is not a valid boolean value"};
inline constexpr TResStringRec SInvalidFormat{VclModule, 65284, "SInvalidFormat", "Format '%s' invalid or incompatible with argument"};
inline constexpr TResStringRec SArgumentMissing{VclModule, 65285, "SArgumentMissing", "No argument for format '%s'"};
inline constexpr TResStringRec SCurrencyOverflow{VclModule, 65286, "SCurrencyOverflow", "Floating point value %s does not fit in a currency value"};

// Dates and times.
inline constexpr TResStringRec SInvalidDate{VclModule, 65296, "SInvalidDate", "'%s' is not a valid date"};
inline constexpr TResStringRec SInvalidTime{VclModule, 65297, "SInvalidTime", "'%s' is not a valid time"};
inline constexpr TResStringRec SInvalidDateTime{VclModule, 65298, "SInvalidDateTime", "'%s' is not a valid date and time"};
inline constexpr TResStringRec SInvalidTimeStamp{VclModule, 65299, "SInvalidTimeStamp", "'%d.%d' is not a valid timestamp"};
inline constexpr TResStringRec SInvalidMSecs{VclModule, 65300, "SInvalidMSecs", "'%s' milliseconds do not make a valid timestamp"};
inline constexpr TResStringRec SDateEncodeError{VclModule, 65301, "SDateEncodeError", "Invalid argument to date encode"};
inline constexpr TResStringRec STimeEncodeError{VclModule, 65302, "STimeEncodeError", "Invalid argument to time encode"};

// Variants.
inline constexpr TResStringRec SVarTypeCastError{VclModule, 65312, "SVarTypeCastError", "Could not convert variant of type (%s) into type (%s)"};
inline constexpr TResStringRec SVarOverflow{VclModule, 65313, "SVarOverflow", "Arithmetic overflow converting variant of type (%s) into type (%s)"};
inline constexpr TResStringRec SVarInvalidOp{VclModule, 65314, "SVarInvalidOp", "Invalid variant operation"};
inline constexpr TResStringRec SVarBadType{VclModule, 65315, "SVarBadType", "Invalid variant type"};
inline constexpr TResStringRec SVarNotArray{VclModule, 65316, "SVarNotArray", "Variant is not an array"};
inline constexpr TResStringRec SVarArrayCreate{VclModule, 65317, "SVarArrayCreate", "Error creating variant or safe array"};
inline constexpr TResStringRec SVarArrayBounds{VclModule, 65318, "SVarArrayBounds", "Variant or safe array index out of bounds"};
inline constexpr TResStringRec SVarArrayLocked{VclModule, 65319, "SVarArrayLocked", "Variant or safe array is locked"};
inline constexpr TResStringRec SVarArrayNotLocked{VclModule, 65320, "SVarArrayNotLocked", "Variant or safe array is not locked"};

// Run-time errors of the framework.
inline constexpr TResStringRec SInvalidCast{VclModule, 65328, "SInvalidCast", "Invalid class typecast"};
inline constexpr TResStringRec SAbstractError{VclModule, 65329, "SAbstractError", "Abstract Error"};
inline constexpr TResStringRec SOutOfMemory{VclModule, 65330, "SOutOfMemory", "Out of memory"};
inline constexpr TResStringRec SOperationAborted{VclModule, 65331, "SOperationAborted", "Operation aborted"};

// Streams, filers and files.
inline constexpr TResStringRec SReadError{VclModule, 65344, "SReadError", "Stream read error"};
inline constexpr TResStringRec SWriteError{VclModule, 65345, "SWriteError", "Stream write error"};
inline constexpr TResStringRec SFOpenError{VclModule, 65346, "SFOpenError", "Cannot open file %s"};
inline constexpr TResStringRec SFCreateError{VclModule, 65347, "SFCreateError", "Cannot create file %s"};
inline constexpr TResStringRec SInvalidImage{VclModule, 65348, "SInvalidImage", "Invalid stream format"};
inline constexpr TResStringRec SClassNotFound{VclModule, 65349, "SClassNotFound", "Class %s not found"};
inline constexpr TResStringRec SMemoryStreamError{VclModule, 65350, "SMemoryStreamError", "Out of memory while expanding memory stream"};
// File errors with the file's name and the system's reason.
inline constexpr TResStringRec SFOpenErrorEx{VclModule, 65351, "SFOpenErrorEx", "Cannot open file \"%s\". %s"};
inline constexpr TResStringRec SFCreateErrorEx{VclModule, 65352, "SFCreateErrorEx", "Cannot create file \"%s\". %s"};
inline constexpr TResStringRec SShareViolation{VclModule, 65353, "SShareViolation", "The file is open elsewhere with a sharing mode that does not allow this access."};
// Form data.
inline constexpr TResStringRec SUnknownValueType{VclModule, 65354, "SUnknownValueType", "Unknown value type %d in form data"};
inline constexpr TResStringRec SLengthPastEnd{VclModule, 65355, "SLengthPastEnd", "A length of %d runs past the end of the form data"};
inline constexpr TResStringRec SNestingTooDeep{VclModule, 65356, "SNestingTooDeep", "Form data nested more than %d levels deep"};
inline constexpr TResStringRec SResNotFound{VclModule, 65357, "SResNotFound", "Resource %s not found"};
inline constexpr TResStringRec SDuplicateClass{VclModule, 65358, "SDuplicateClass", "A class named %s already exists"};
inline constexpr TResStringRec SInvalidComponentClass{VclModule, 65359, "SInvalidComponentClass", "%s is not a component class"};

// Lists.
inline constexpr TResStringRec SListIndexError{VclModule, 65360, "SListIndexError", "List index out of bounds (%d)"};
inline constexpr TResStringRec SListCapacityError{VclModule, 65361, "SListCapacityError", "List capacity out of bounds (%d)"};
inline constexpr TResStringRec SListCountError{VclModule, 65362, "SListCountError", "List count out of bounds (%d)"};
inline constexpr TResStringRec SDuplicateString{VclModule, 65363, "SDuplicateString", "String list does not allow duplicates"};
inline constexpr TResStringRec SSortedListError{VclModule, 65364, "SSortedListError", "Operation not allowed on sorted string list"};

// Components, properties and persistence.
inline constexpr TResStringRec SDuplicateName{VclModule, 65376, "SDuplicateName", "A component named %s already exists"};
inline constexpr TResStringRec SInvalidName{VclModule, 65377, "SInvalidName", "'%s' is not a valid component name"};
inline constexpr TResStringRec SCannotAssign{VclModule, 65378, "SCannotAssign", "Cannot assign a %s to a %s"};
inline constexpr TResStringRec SInvalidPropertyValue{VclModule, 65379, "SInvalidPropertyValue", "Invalid property value"};
inline constexpr TResStringRec SPropertyDoesNotExist{VclModule, 65380, "SPropertyDoesNotExist", "Property %s does not exist"};
inline constexpr TResStringRec SInvalidPropertyPath{VclModule, 65381, "SInvalidPropertyPath", "Invalid property path"};
inline constexpr TResStringRec SReadOnlyProperty{VclModule, 65382, "SReadOnlyProperty", "Property is read-only"};
inline constexpr TResStringRec SInvalidOperation{VclModule, 65383, "SInvalidOperation", "Invalid operation"};
inline constexpr TResStringRec SInvalidHandlerName{VclModule, 65384, "SInvalidHandlerName", "'%s' is not a valid handler name"};
inline constexpr TResStringRec SHandlerNotFound{VclModule, 65385, "SHandlerNotFound", "Handler %s not found"};
inline constexpr TResStringRec SHandlerMismatch{VclModule, 65386, "SHandlerMismatch", "Handler %s does not fit event %s"};
inline constexpr TResStringRec SPropertyReadError{VclModule, 65387, "SPropertyReadError", "Error reading %s%s%s: %s"};
inline constexpr TResStringRec SUnresolvedReference{VclModule, 65388, "SUnresolvedReference", "Component %s not found"};
inline constexpr TResStringRec SAncestorNotFound{VclModule, 65389, "SAncestorNotFound", "Ancestor for '%s' not found"};
inline constexpr TResStringRec SNoOwner{VclModule, 65390, "SNoOwner", "%s needs an owner here"};

// Pictures.
inline constexpr TResStringRec SInvalidGraphic{VclModule, 65392, "SInvalidGraphic", "Invalid graphic format"};
inline constexpr TResStringRec SUnknownExtension{VclModule, 65393, "SUnknownExtension", "Unknown picture file extension (.%s)"};
inline constexpr TResStringRec SInvalidBitmap{VclModule, 65394, "SInvalidBitmap", "Bitmap image is not valid: %s"};
inline constexpr TResStringRec SInvalidIcon{VclModule, 65395, "SInvalidIcon", "Icon image is not valid: %s"};
inline constexpr TResStringRec SInvalidMetafile{VclModule, 65396, "SInvalidMetafile", "Metafile is not valid: %s"};
inline constexpr TResStringRec SInvalidPixelFormat{VclModule, 65397, "SInvalidPixelFormat", "Invalid pixel format"};
inline constexpr TResStringRec SChangeIconSize{VclModule, 65398, "SChangeIconSize", "Cannot change the size of an icon"};
inline constexpr TResStringRec SBitmapTooLarge{VclModule, 65399, "SBitmapTooLarge", "A bitmap of %d x %d pixels is too large"};
// More picture messages (the block above is full).
inline constexpr TResStringRec SMetafileConversion{VclModule, 65416, "SMetafileConversion", "Cannot convert a metafile between the enhanced and the Windows format"};
inline constexpr TResStringRec SGraphicTooLarge{VclModule, 65417, "SGraphicTooLarge", "Graphic data of %d bytes is too large"};

// Form files as text.
inline constexpr TResStringRec SParseError{VclModule, 65400, "SParseError", "%s on line %d"};
inline constexpr TResStringRec SIdentifierExpected{VclModule, 65401, "SIdentifierExpected", "Identifier expected"};
inline constexpr TResStringRec SStringExpected{VclModule, 65402, "SStringExpected", "String expected"};
inline constexpr TResStringRec SNumberExpected{VclModule, 65403, "SNumberExpected", "Number expected"};
inline constexpr TResStringRec SCharExpected{VclModule, 65404, "SCharExpected", "'%s' expected"};
inline constexpr TResStringRec SSymbolExpected{VclModule, 65405, "SSymbolExpected", "%s expected"};
inline constexpr TResStringRec SInvalidString{VclModule, 65406, "SInvalidString", "Invalid string constant"};
inline constexpr TResStringRec SInvalidBinary{VclModule, 65407, "SInvalidBinary", "Invalid binary value"};
inline constexpr TResStringRec SInvalidNumber{VclModule, 65408, "SInvalidNumber", "Invalid numeric value"};

// Every message above, for translation tools and for the uniqueness check.
std::span<const TResStringRec* const> VclResourceStrings();

} // namespace vcl
