#include "base/TnxRoutines.h"

#include "base/CorvexException.h"
#include "base/TnxConsts.h"
#include "base/TnxTypes.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/VersionInfo.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tnx {

void TnxDummyProc() {
    throw ECorvexException(vcl::LoadResString(CORVEX_ERR_LIB_WRONG), 0, 0);
}

int32_t TnxDummyProcNoExcept() {
    return 0;
}

AnsiString TnxExtractFieldName(std::string_view list, int& pos) {
    const int len = static_cast<int>(list.size());
    int i = pos < 1 ? 1 : pos;
    while (i <= len && list[i - 1] != ';')
        ++i;
    AnsiString result;
    if (pos >= 1 && pos <= len) result = vcl::Trim(list.substr(pos - 1, i - pos));
    if (i <= len) ++i;
    pos = i;
    return result;
}

void TnxConcateField(AnsiString& target, std::string_view separator, std::string_view value) {
    if (!target.empty()) target.append(separator);
    target.append(value);
}

void TnxConcateEmptyField(AnsiString& target, std::string_view separator, std::string_view value) {
    if (!target.empty() && !value.empty()) target.append(separator);
    target.append(value);
}

void* TnxAllocMem(int32_t size) {
    if (size <= 0) return nullptr;
    void* p = std::calloc(1, static_cast<size_t>(size));
    if (!p) vcl::OutOfMemoryError();
    return p;
}

void TnxDisposeMem(void*& block, int32_t /*size*/) {
    if (!block) return;
    std::free(block);
    block = nullptr;
}

AnsiString TnxExtractFilePrefix(std::string_view fileName) {
    const size_t last = fileName.find_last_of(".\\/:");
    if (last != std::string_view::npos && fileName[last] == '.') return AnsiString(fileName.substr(0, last));
    return AnsiString(fileName);
}

bool TnxGetProductVersion(const AnsiString& fileName, uint16_t& major, uint16_t& minor, uint16_t& release,
                          uint16_t& build) {
    win::DWORD handle = 0;
    const win::DWORD size = win::GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    if (size == 0) return false;
    std::unique_ptr<uint8_t[]> block(new uint8_t[size]());
    if (!win::GetFileVersionInfoA(fileName.c_str(), handle, size, block.get())) return false;

    void* value = nullptr;
    win::UINT length = 0;
    if (!win::VerQueryValueA(block.get(), "\\", &value, &length) || length < sizeof(win::VS_FIXEDFILEINFO))
        return false;
    const auto* fixed = static_cast<const win::VS_FIXEDFILEINFO*>(value);
    major = static_cast<uint16_t>(fixed->dwProductVersionMS >> 16);
    minor = static_cast<uint16_t>(fixed->dwProductVersionMS & 0xFFFF);
    release = static_cast<uint16_t>(fixed->dwProductVersionLS >> 16);
    build = static_cast<uint16_t>(fixed->dwProductVersionLS & 0xFFFF);
    if (major != 0) return true;

    if (!win::VerQueryValueA(block.get(), "\\VarFileInfo\\Translation", &value, &length) || length < 4)
        return false;
    const auto* translation = static_cast<const uint16_t*>(value);
    char path[64];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X%04X\\ProductVersion", translation[0],
                  translation[1]);
    if (!win::VerQueryValueA(block.get(), path, &value, &length)) return false;

    // Up to four '.'-separated parts, assigned in order; a missing part keeps the fixed value.
    const std::string_view text(static_cast<const char*>(value));
    uint16_t* outputs[4] = {&major, &minor, &release, &build};
    size_t start = 0;
    for (int part = 0; part < 4 && start <= text.size(); ++part) {
        size_t dot = text.find('.', start);
        if (dot == std::string_view::npos) dot = text.size();
        *outputs[part] = static_cast<uint16_t>(vcl::StrToInt(text.substr(start, dot - start)));
        start = dot + 1;
    }
    return true;
}

void TnxCheckDescriptorCount(int32_t count) {
    if (count > CorvexMaxDescriptors)
        throw ECorvexException(
            vcl::Format(vcl::LoadResString(CORVEX_ERR_TOO_MANY_DESCRIPTORS), {count, CorvexMaxDescriptors}),
            0, 0);
}

} // namespace tnx
