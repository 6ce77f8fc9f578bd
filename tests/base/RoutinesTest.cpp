// Shared types, messages and free routines of the base package.
#include "base/CorvexException.h"
#include "base/TnxConsts.h"
#include "base/TnxProduct.h"
#include "base/TnxRoutines.h"
#include "base/TnxTypes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tnx;

TEST(Routines, ExtractFieldNameWalksTheListSegmentBySegment) {
    const std::string list = "A; B;;C";
    int pos = 1;
    std::vector<std::string> names;
    while (pos <= static_cast<int>(list.size()))
        names.push_back(TnxExtractFieldName(list, pos));
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "", "C"}));
    EXPECT_EQ(pos, 8);

    // A trailing separator ends the walk one past the end; trimming removes control characters.
    const std::string tail = "\tX \r;";
    pos = 1;
    EXPECT_EQ(TnxExtractFieldName(tail, pos), "X");
    EXPECT_EQ(pos, 6);
    EXPECT_EQ(TnxExtractFieldName(tail, pos), "");
}

TEST(Routines, ConcatenationOnlySeparatesNonEmptyParts) {
    std::string s;
    TnxConcateEmptyField(s, ";", "");
    EXPECT_EQ(s, "");
    TnxConcateEmptyField(s, ";", "eng=a");
    EXPECT_EQ(s, "eng=a");
    TnxConcateEmptyField(s, ";", "");
    EXPECT_EQ(s, "eng=a");
    TnxConcateEmptyField(s, ";", "dbn=b");
    EXPECT_EQ(s, "eng=a;dbn=b");

    std::string t = "x";
    TnxConcateField(t, ", ", "");
    EXPECT_EQ(t, "x, ");
    std::string u;
    TnxConcateField(u, ", ", "y");
    EXPECT_EQ(u, "y");
}

TEST(Routines, FilePrefixDropsOnlyARealExtension) {
    EXPECT_EQ(TnxExtractFilePrefix("sales.db"), "sales");
    EXPECT_EQ(TnxExtractFilePrefix("C:\\data\\sales.db"), "C:\\data\\sales");
    EXPECT_EQ(TnxExtractFilePrefix("C:\\my.data\\sales"), "C:\\my.data\\sales");
    EXPECT_EQ(TnxExtractFilePrefix("/srv/my.data/sales"), "/srv/my.data/sales");
    EXPECT_EQ(TnxExtractFilePrefix("name."), "name");
    EXPECT_EQ(TnxExtractFilePrefix(".db"), "");
    EXPECT_EQ(TnxExtractFilePrefix("C:sales"), "C:sales");
    EXPECT_EQ(TnxExtractFilePrefix(""), "");
}

TEST(Routines, DisposeMemReleasesOnceAndClearsThePointer) {
    auto* p = static_cast<unsigned char*>(TnxAllocMem(64));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(p[i], 0) << "allocations are zero-filled";
    TnxDisposeMem(p, 64);
    EXPECT_EQ(p, nullptr);
    TnxDisposeMem(p, 64); // a null pointer is a no-op
    EXPECT_EQ(TnxAllocMem(0), nullptr);
}

TEST(Routines, DummyProcRaisesTheLibraryVersionMessage) {
    try {
        TnxDummyProc();
        FAIL() << "TnxDummyProc returned";
    } catch (const ECorvexException& e) {
        EXPECT_STREQ(e.what(), "Function not supported by this version of the Database Interface library.");
        EXPECT_EQ(e.ErrorCode(), 0);
    }
    EXPECT_EQ(TnxDummyProcNoExcept(), 0);

    void (*proc)() = nullptr;
    TnxInternalAssignProcAddress(proc, nullptr, &TnxDummyProc);
    EXPECT_EQ(proc, &TnxDummyProc);
    int marker = 0;
    TnxInternalAssignProcAddress(proc, &marker, &TnxDummyProc);
    EXPECT_EQ(reinterpret_cast<void*>(proc), static_cast<void*>(&marker));
}

TEST(Exceptions, CorvexExceptionKeepsTheFirstCodeAndRaisesByClass) {
    ECorvexException e("boom", 7, 99);
    EXPECT_EQ(e.ErrorCode(), 7);
    EXPECT_STREQ(e.what(), "boom");

    TCorvexExceptionClass cls = CorvexExceptionClass<ECorvexException>();
    try {
        cls("raised", -131);
        FAIL();
    } catch (const ECorvexException& r) {
        EXPECT_EQ(r.ErrorCode(), -131);
        EXPECT_EQ(r.Message(), "raised");
    }
}

TEST(Messages, TextsAreLookedUpWhenRaisedSoATranslationTakesEffect) {
    EXPECT_EQ(vcl::LoadResString(CORVEX_ERR_FIELD_NOT_FOUND), "Field \"%s\" not found.");
    EXPECT_EQ(CORVEX_ERR_PARAM_NOT_FOUND.Identifier, 65504);
    EXPECT_STREQ(CORVEX_TXT_TRUE.Name, "CORVEX_TXT_TRUE");

    vcl::SetResourceStringOverride(TnxPackModule, 65523, "Funktion nicht unterstuetzt.");
    try {
        TnxDummyProc();
    } catch (const ECorvexException& e) {
        EXPECT_STREQ(e.what(), "Funktion nicht unterstuetzt.");
    }
    vcl::RemoveResourceStringOverride(TnxPackModule, 65523);
    EXPECT_EQ(vcl::LoadResString(CORVEX_ERR_LIB_WRONG),
              "Function not supported by this version of the Database Interface library.");
}

TEST(Limits, MoreThan256DescriptorsIsAClearError) {
    EXPECT_NO_THROW(TnxCheckDescriptorCount(256));
    try {
        TnxCheckDescriptorCount(257);
        FAIL();
    } catch (const ECorvexException& e) {
        EXPECT_EQ(std::string(e.what()), "Too many columns or host variables: 257 (at most 256).");
        EXPECT_EQ(e.ErrorCode(), 0);
    }
}

namespace {
std::string VerLib(const char* name) {
    return std::string(TNX_BASE_VERLIBS) + "/lib" + name + ".so";
}
} // namespace

TEST(ProductVersion, FixedVersionOrStringTableWhenMajorIsZero) {
    uint16_t a = 0, b = 0, c = 0, d = 0;
    EXPECT_TRUE(TnxGetProductVersion(VerLib("tnxbase_ver_table"), a, b, c, d));
    EXPECT_EQ((std::vector<int>{a, b, c, d}), (std::vector<int>{6, 0, 3, 2345}));

    EXPECT_TRUE(TnxGetProductVersion(VerLib("tnxbase_ver_fixed"), a, b, c, d));
    EXPECT_EQ((std::vector<int>{a, b, c, d}), (std::vector<int>{7, 0, 4, 3300}));
}

TEST(ProductVersion, MissingInformationLeavesTheNumbersAlone) {
    uint16_t a = 11, b = 12, c = 13, d = 14;
    EXPECT_FALSE(TnxGetProductVersion(VerLib("tnxbase_ver_none"), a, b, c, d));
    EXPECT_FALSE(TnxGetProductVersion(VerLib("no_such_library"), a, b, c, d));
    EXPECT_EQ((std::vector<int>{a, b, c, d}), (std::vector<int>{11, 12, 13, 14}));
}

TEST(ProductVersion, NonNumericVersionTextFailsLoudly) {
    uint16_t a = 0, b = 0, c = 0, d = 0;
    EXPECT_THROW(TnxGetProductVersion(VerLib("tnxbase_ver_bad"), a, b, c, d), vcl::EConvertError);
}
