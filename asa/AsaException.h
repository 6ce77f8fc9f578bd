// EAsaException: the exception class of the SQL Anywhere classes. It adds nothing to
// ECorvexException: ErrorCode is the client library's sqlcode for database errors and 0 for
// failures the session finds itself (library loading, a database start while connected, ...).
#pragma once

#include "base/CorvexException.h"

namespace tnx {

class EAsaException : public ECorvexException {
public:
    using ECorvexException::ECorvexException;
    ~EAsaException() override;

    const char* ClassName() const noexcept override { return "EAsaException"; }
};

} // namespace tnx
