// The framework's exception hierarchy. Every error the framework and the product raise is an
// Exception (derived from std::exception): it carries a message text, returned by Message() and
// by what(). The constructors mirror the framework's ways of creating one:
//
//   EConvertError("plain text")
//   EConvertError("'%s' is not a valid date", {text})          // formatted with Format
//   EConvertError(SInvalidInteger)                              // message table, looked up now
//   EConvertError(SInvalidInteger, {text})                      // looked up now, then formatted
//
// Derived classes inherit these constructors. ClassName() names the most derived class, for
// messages such as "Cannot assign a TFoo to a TBar" and for diagnostics.
//
// Hierarchy (indentation = derivation):
//   Exception
//     EAbort                 silent exception: ends an operation without an error message
//     EConvertError          text and date conversions, Format argument mismatches
//     EVariantError          variant operations
//       EVariantTypeCastError  a variant value that cannot become the type asked for
//       EVariantOverflowError  a variant value out of range of the type asked for
//       EVariantInvalidOpError an operation variants do not support (e.g. ordering arrays)
//       EVariantBadIndexError  variant array index out of bounds
//       EVariantArrayLockedError / EVariantNotLockedError  lock misuse on variant arrays
//       EVariantArrayCreateError  bad bounds or element type for a new variant array
//     EDatabaseError         the dataset framework's errors (drivers derive their own)
//     EStreamError
//       EFilerError
//         EReadError  EWriteError  EClassNotFound
//       EFOpenError  EFCreateError
//     EInvalidCast  EInvalidGraphic  EInvalidGraphicOperation  EComponentError  EAbstractError
//     EListError  EStringListError  EInvalidOperation  EOutOfMemory  EPropertyError
//     EInOutError (files and folders)  EResNotFound (a form resource that does not exist)
#pragma once

#include "platform/vcl/Format.h"
#include "platform/vcl/ResourceStrings.h"
#include "platform/vcl/SysTypes.h"

#include <exception>
#include <initializer_list>
#include <string_view>

namespace vcl {

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : FMessage(std::move(message)) {}
    explicit Exception(const char* message) : FMessage(message ? message : "") {}
    Exception(std::string_view fmt, std::initializer_list<FormatArg> args);
    explicit Exception(const TResStringRec& res);
    Exception(const TResStringRec& res, std::initializer_list<FormatArg> args);
    ~Exception() override;

    const AnsiString& Message() const { return FMessage; }
    void SetMessage(AnsiString message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    AnsiString FMessage;
};

// Declares an exception class that adds nothing but its name.
#define VCL_DECLARE_EXCEPTION(Name, Base)                                                                    \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
        const char* ClassName() const noexcept override { return #Name; }                                    \
    }

VCL_DECLARE_EXCEPTION(EAbort, Exception);
VCL_DECLARE_EXCEPTION(EConvertError, Exception);

VCL_DECLARE_EXCEPTION(EVariantError, Exception);
VCL_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
VCL_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
VCL_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);
VCL_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
VCL_DECLARE_EXCEPTION(EVariantArrayLockedError, EVariantError);
VCL_DECLARE_EXCEPTION(EVariantNotLockedError, EVariantError);
VCL_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);

VCL_DECLARE_EXCEPTION(EDatabaseError, Exception);

VCL_DECLARE_EXCEPTION(EStreamError, Exception);
VCL_DECLARE_EXCEPTION(EFilerError, EStreamError);
VCL_DECLARE_EXCEPTION(EReadError, EFilerError);
VCL_DECLARE_EXCEPTION(EWriteError, EFilerError);
VCL_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
VCL_DECLARE_EXCEPTION(EFOpenError, EStreamError);
VCL_DECLARE_EXCEPTION(EFCreateError, EStreamError);

VCL_DECLARE_EXCEPTION(EInvalidCast, Exception);
VCL_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
VCL_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
VCL_DECLARE_EXCEPTION(EComponentError, Exception);
VCL_DECLARE_EXCEPTION(EAbstractError, Exception);
VCL_DECLARE_EXCEPTION(EListError, Exception);
VCL_DECLARE_EXCEPTION(EStringListError, Exception);
VCL_DECLARE_EXCEPTION(EInvalidOperation, Exception);
VCL_DECLARE_EXCEPTION(EOutOfMemory, Exception);
VCL_DECLARE_EXCEPTION(EPropertyError, Exception);
VCL_DECLARE_EXCEPTION(EInOutError, Exception);
VCL_DECLARE_EXCEPTION(EResNotFound, Exception);

// Raises EAbort ("Operation aborted"), the silent exception that ends an operation.
[[noreturn]] void Abort();

// Raises EOutOfMemory with the message table's text: the one place an allocation that came back
// empty is reported from.
[[noreturn]] void OutOfMemoryError();

} // namespace vcl
