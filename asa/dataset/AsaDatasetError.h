// ECorvexDatasetError: the exception class of the SQL Anywhere dataset. It derives from the
// framework's EDatabaseError, so code that handles the dataset framework's errors handles it too,
// and carries an ErrorCode like ECorvexException: the client library's sqlcode for database
// errors, 0 for failures the dataset finds itself.
#pragma once

#include "platform/vcl/Exceptions.h"

#include <cstdint>

namespace tnx {

class ECorvexDatasetError : public vcl::EDatabaseError {
public:
    // The message, the error code, and a second integer that is accepted and ignored.
    ECorvexDatasetError(const vcl::AnsiString& message, int32_t errorCode, int32_t reserved = 0)
        : vcl::EDatabaseError(message), FErrorCode(errorCode) {
        (void)reserved;
    }
    ~ECorvexDatasetError() override;

    int32_t ErrorCode() const { return FErrorCode; }
    const char* ClassName() const noexcept override { return "ECorvexDatasetError"; }

private:
    int32_t FErrorCode;
};

} // namespace tnx
