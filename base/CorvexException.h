// ECorvexException: the exception class of the whole system. It carries the message and an
// ErrorCode: 0 for errors the classes find themselves, the database's code for database errors.
// Drivers derive their own class from it.
//
// Raising "by class": the session's RaiseLastError takes the class to raise as a value of type
// TCorvexExceptionClass, obtained with CorvexExceptionClass<E>().
#pragma once

#include "platform/vcl/Exceptions.h"

#include <cstdint>

namespace tnx {

class ECorvexException : public vcl::Exception {
public:
    // The message, the error code, and a second integer that is accepted and ignored.
    ECorvexException(const vcl::AnsiString& message, int32_t errorCode, int32_t reserved = 0)
        : vcl::Exception(message), FErrorCode(errorCode) {
        (void)reserved;
    }
    ~ECorvexException() override;

    int32_t ErrorCode() const { return FErrorCode; }
    const char* ClassName() const noexcept override { return "ECorvexException"; }

private:
    int32_t FErrorCode;
};

// An exception class as a value: raises a new instance created with the message, the code and 0.
using TCorvexExceptionClass = void (*)(const vcl::AnsiString& message, int32_t errorCode);

template <class E>
[[noreturn]] void RaiseCorvexException(const vcl::AnsiString& message, int32_t errorCode) {
    throw E(message, errorCode, 0);
}

template <class E>
constexpr TCorvexExceptionClass CorvexExceptionClass() {
    return &RaiseCorvexException<E>;
}

} // namespace tnx
