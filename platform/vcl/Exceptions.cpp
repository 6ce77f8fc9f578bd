// Exception constructors that format or look their message up in the message table.
#include "platform/vcl/Exceptions.h"

#include "platform/vcl/VclConsts.h"

namespace vcl {

Exception::Exception(std::string_view fmt, std::initializer_list<FormatArg> args)
    : FMessage(Format(fmt, args)) {}

Exception::Exception(const TResStringRec& res) : FMessage(LoadResString(res)) {}

namespace {

// A translated text whose specifiers do not fit the arguments must not turn one error into
// another: fall back to the default text, which the arguments were written for.
AnsiString FormatResource(const TResStringRec& res, std::initializer_list<FormatArg> args) {
    AnsiString text = LoadResString(res);
    try {
        return Format(text, args);
    } catch (const EConvertError&) {
        if (res.DefaultText == nullptr || text == res.DefaultText) throw;
        return Format(res.DefaultText, args);
    }
}

} // namespace

Exception::Exception(const TResStringRec& res, std::initializer_list<FormatArg> args)
    : FMessage(FormatResource(res, args)) {}

// Out of line so the class's type information and vtable live in this library only.
Exception::~Exception() = default;

void Abort() {
    throw EAbort(SOperationAborted);
}

void OutOfMemoryError() {
    throw EOutOfMemory(SOutOfMemory);
}

} // namespace vcl
