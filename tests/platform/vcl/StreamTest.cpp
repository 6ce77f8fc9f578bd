// Streams: the TStream contract (short transfers, CopyFrom with a count of 0), memory and string
// streams, file streams with their open errors and share modes.
#include "platform/vcl/Classes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>

using namespace vcl;

namespace {

std::string Contents(TCustomMemoryStream& s) {
    return std::string(static_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.GetSize()));
}

// A stream that transfers at most a few bytes per call, and can refuse to write at all.
class TTrickleStream : public TStream {
    VCL_CLASS(TTrickleStream, TStream)
public:
    explicit TTrickleStream(std::string data, std::int32_t step, std::int64_t writeLimit = -1)
        : FData(std::move(data)), FStep(step), FWriteLimit(writeLimit) {}
    std::int32_t Read(void* buffer, std::int32_t count) override {
        const auto n = static_cast<std::int32_t>(
            std::min<std::int64_t>({count, FStep, static_cast<std::int64_t>(FData.size()) - FPos}));
        if (n <= 0) return 0;
        std::memcpy(buffer, FData.data() + FPos, static_cast<std::size_t>(n));
        FPos += n;
        return n;
    }
    std::int32_t Write(const void* buffer, std::int32_t count) override {
        std::int64_t n = std::min<std::int64_t>(count, FStep);
        if (FWriteLimit >= 0)
            n = std::min<std::int64_t>(n, FWriteLimit - static_cast<std::int64_t>(FData.size()));
        if (n <= 0) return 0;
        FData.append(static_cast<const char*>(buffer), static_cast<std::size_t>(n));
        FPos = static_cast<std::int64_t>(FData.size());
        return static_cast<std::int32_t>(n);
    }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        FPos = detail::SeekTarget(FPos, static_cast<std::int64_t>(FData.size()), offset, origin);
        return FPos;
    }
    const std::string& Data() const { return FData; }

protected:
    ~TTrickleStream() override = default;

private:
    std::string FData;
    std::int64_t FStep;
    std::int64_t FWriteLimit;
    std::int64_t FPos = 0;
};

} // namespace

VCL_CLASS_INFO(TTrickleStream)

TEST(StreamContract, BufferedTransfersLoopOverShortCallsAndRaiseWhenTheDataEnds) {
    auto s = New<TTrickleStream>("abcdefghij", 3);
    char buf[8] = {};
    s->ReadBuffer(buf, 7); // three calls of 3, 3 and 1
    EXPECT_EQ(std::string(buf, 7), "abcdefg");
    try {
        s->ReadBuffer(buf, 4);
        ADD_FAILURE();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
    auto full = New<TTrickleStream>("", 2, 5);
    full->WriteBuffer("1234", 4);
    EXPECT_EQ(full->Data(), "1234");
    try {
        full->WriteBuffer("56", 2);
        ADD_FAILURE();
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
    EXPECT_EQ(s->GetSize(), 10); // found by seeking, position kept
    EXPECT_EQ(s->GetPosition(), 10);
}

TEST(StreamContract, CopyFromWithZeroRewindsTheSourceAndCopiesAllOfIt) {
    auto source = New<TStringStream>("0123456789");
    source->SetPosition(6); // in the middle
    auto target = New<TMemoryStream>();
    target->WriteBuffer("xy", 2);
    EXPECT_EQ(target->CopyFrom(source.get(), 0), 10);
    EXPECT_EQ(Contents(*target), "xy0123456789");
    EXPECT_EQ(source->GetPosition(), 10);
    // A count copies from the source's position.
    source->SetPosition(2);
    EXPECT_EQ(target->CopyFrom(source.get(), 3), 3);
    EXPECT_EQ(Contents(*target), "xy0123456789234");
    // More than the source has: the read error.
    source->SetPosition(8);
    EXPECT_THROW(target->CopyFrom(source.get(), 5), EReadError);
    // Large copies go through in pieces, from a source that trickles.
    std::string big(300000, 'q');
    big[123456] = '!';
    auto trickle = New<TTrickleStream>(big, 4093);
    auto sink = New<TMemoryStream>();
    EXPECT_EQ(sink->CopyFrom(trickle.get(), 0), 300000);
    EXPECT_EQ(Contents(*sink), big);
    // An empty source copies nothing.
    auto empty = New<TMemoryStream>();
    EXPECT_EQ(sink->CopyFrom(empty.get(), 0), 0);
}

TEST(MemoryStream, PositionsOutsideTheDataAndGrowth) {
    auto s = New<TMemoryStream>();
    EXPECT_EQ(s->Memory(), nullptr);
    s->WriteBuffer("abc", 3);
    EXPECT_EQ(s->Seek(5, soFromCurrent), 8);
    s->WriteBuffer("z", 1); // the gap is zero-filled
    EXPECT_EQ(Contents(*s), std::string("abc\0\0\0\0\0z", 9));
    EXPECT_EQ(s->Seek(-2, soFromEnd), 7);
    char c[4] = {};
    EXPECT_EQ(s->Read(c, 4), 2);
    EXPECT_EQ(s->Read(c, 4), 0); // at the end
    s->SetPosition(-3);
    EXPECT_EQ(s->Read(c, 1), 0); // before the start: nothing
    EXPECT_EQ(s->Write("q", 1), 0);
    EXPECT_EQ(s->Seek(0, static_cast<TSeekOrigin>(7)), -3); // unknown origin: no move
    // Overwriting in the middle keeps what follows.
    s->SetPosition(1);
    s->WriteBuffer("BC", 2);
    EXPECT_EQ(Contents(*s).substr(0, 4), std::string("aBC\0", 4));
    // SetSize truncates (moving a position that was past the end) and extends with zeros.
    s->SetPosition(9);
    s->SetSize(2);
    EXPECT_EQ(s->GetPosition(), 2);
    s->SetSize(4);
    EXPECT_EQ(Contents(*s), std::string("aB\0\0", 4));
    EXPECT_THROW(s->SetSize(-1), EStreamError);
    // Writing many small pieces grows geometrically (capacity stays within a small factor).
    auto g = New<TMemoryStream>();
    for (int i = 0; i < 100000; ++i)
        g->WriteBuffer("0123456789", 10);
    EXPECT_EQ(g->GetSize(), 1000000);
    EXPECT_LT(g->GetCapacity(), 2000000);
    g->Clear();
    EXPECT_EQ(g->GetSize(), 0);
    EXPECT_EQ(g->GetPosition(), 0);
    EXPECT_EQ(g->Memory(), nullptr);
}

TEST(MemoryStream, LoadAndSaveWholeStreamsAndFiles) {
    tnxtest::TempDir dir;
    auto s = New<TMemoryStream>();
    auto source = New<TStringStream>("hello world");
    source->SetPosition(6);
    s->LoadFromStream(source.get()); // from the start, whatever the source's position
    EXPECT_EQ(Contents(*s), "hello world");
    const std::string file = dir.File("data.bin");
    s->SaveToFile(file);
    auto t = New<TMemoryStream>();
    t->LoadFromFile(file);
    EXPECT_EQ(Contents(*t), "hello world");
    auto target = New<TStringStream>("12");
    target->SetPosition(2);
    t->SaveToStream(target.get());
    EXPECT_EQ(target->GetDataString(), "12hello world");
}

TEST(StringStream, WritesOverwriteAndExtendWithoutTruncating) {
    auto s = New<TStringStream>("abcdef");
    s->SetPosition(2);
    s->WriteString("XY");
    EXPECT_EQ(s->GetDataString(), "abXYef");
    s->SetPosition(8);
    s->WriteString("!");
    EXPECT_EQ(s->GetDataString(), std::string("abXYef\0\0!", 9));
    s->SetPosition(1);
    EXPECT_EQ(s->ReadString(3), "bXY");
    EXPECT_EQ(s->ReadString(100), std::string("ef\0\0!", 5));
    s->SetSize(3);
    EXPECT_EQ(s->GetDataString(), "abX");
    EXPECT_EQ(s->GetPosition(), 3);
}

class FileStreams : public ::testing::Test {
protected:
    tnxtest::TempDir FDir;
    std::string FFile = FDir.File("shared.dat");
    void SetUp() override { std::ofstream(FFile) << "0123456789"; }

    // Whether a second stream can open the file with the mode while the first is open.
    bool CanOpen(std::uint16_t mode) {
        try {
            New<TFileStream>(FFile, mode);
            return true;
        } catch (const EFOpenError&) {
            return false;
        } catch (const EFCreateError&) {
            return false;
        }
    }
};

TEST_F(FileStreams, ReadWriteSeekAndSize) {
    auto f = New<TFileStream>(FFile, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_EQ(f->GetFileName(), FFile);
    EXPECT_EQ(f->GetSize(), 10);
    char buf[4] = {};
    f->SetPosition(3);
    f->ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "3456");
    f->Seek(-1, soFromEnd);
    f->WriteBuffer("AB", 2);
    EXPECT_EQ(f->GetSize(), 11);
    f->SetSize(4);
    EXPECT_EQ(f->GetSize(), 4);
    EXPECT_EQ(f->GetPosition(), 4);
    EXPECT_EQ(f->Seek(-100, soFromBeginning), -1); // the system refuses
    EXPECT_THROW(f->ReadBuffer(buf, 1), EReadError);
    f.reset();
    auto g = New<TFileStream>(FFile, fmCreate);
    EXPECT_EQ(g->GetSize(), 0); // created over the old one: emptied
}

TEST_F(FileStreams, OpenAndCreateErrorsNameTheFileAndTheReason) {
    const std::string missing = FDir.File("missing.dat");
    try {
        New<TFileStream>(missing, fmOpenRead);
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + missing + "\". No such file or directory.");
    }
    const std::string nowhere = FDir.File("no/such/dir.dat");
    try {
        New<TFileStream>(nowhere, fmCreate);
        ADD_FAILURE();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file \"" + nowhere + "\". No such file or directory.");
    }
    try {
        New<TFileStream>(FDir.Path(), fmOpenRead);
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find("Is a directory"), std::string::npos);
    }
    EXPECT_THROW(New<TFileStream>(FFile, 0x0003), EFOpenError);              // no such access mode
    EXPECT_THROW(New<TFileStream>(FFile, fmOpenRead | 0x0050), EFOpenError); // no such share mode
    if (::geteuid() != 0) {
        ::chmod(FFile.c_str(), 0400);
        try {
            New<TFileStream>(FFile, fmOpenWrite);
            ADD_FAILURE();
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), "Cannot open file \"" + FFile + "\". Permission denied.");
        }
    }
    // A file created with rights gets them (under the umask).
    const std::string secret = FDir.File("secret.dat");
    New<TFileStream>(secret, fmCreate, 0600);
    struct stat st;
    ASSERT_EQ(::stat(secret.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(FileStreams, ShareModesBetweenStreams) {
    {
        auto first = New<TFileStream>(FFile, fmOpenRead | fmShareExclusive);
        EXPECT_FALSE(CanOpen(fmOpenRead | fmShareDenyNone));
        EXPECT_FALSE(CanOpen(fmOpenWrite | fmShareDenyNone));
    }
    EXPECT_TRUE(CanOpen(fmOpenReadWrite | fmShareExclusive)); // released with the stream
    {
        auto first = New<TFileStream>(FFile, fmOpenRead | fmShareDenyWrite);
        EXPECT_TRUE(CanOpen(fmOpenRead | fmShareDenyNone));
        EXPECT_TRUE(CanOpen(fmOpenRead | fmShareDenyWrite));
        EXPECT_FALSE(CanOpen(fmOpenWrite | fmShareDenyNone));
        EXPECT_FALSE(CanOpen(fmOpenReadWrite | fmShareDenyNone));
        EXPECT_FALSE(CanOpen(fmCreate | fmShareDenyNone));
    }
    {
        auto first = New<TFileStream>(FFile, fmOpenWrite | fmShareDenyRead);
        EXPECT_FALSE(CanOpen(fmOpenRead | fmShareDenyNone));
        EXPECT_TRUE(CanOpen(fmOpenWrite | fmShareDenyNone));
    }
    {
        auto reader = New<TFileStream>(FFile, fmOpenRead | fmShareDenyNone);
        // The newcomer's denial must respect those already open, too.
        EXPECT_FALSE(CanOpen(fmOpenRead | fmShareDenyRead));
        EXPECT_FALSE(CanOpen(fmOpenWrite | fmShareExclusive));
        EXPECT_TRUE(CanOpen(fmOpenReadWrite | fmShareDenyWrite));
        // No share bits is exclusive, as on the framework's home platform.
        EXPECT_FALSE(CanOpen(fmOpenRead));
    }
    {
        auto writer = New<TFileStream>(FFile, fmOpenWrite | fmShareDenyNone);
        EXPECT_FALSE(CanOpen(fmOpenRead | fmShareDenyWrite));
    }
    // A create that is refused leaves the file's contents alone.
    {
        auto holder = New<TFileStream>(FFile, fmOpenRead | fmShareDenyWrite);
        try {
            New<TFileStream>(FFile, fmCreate | fmShareDenyNone);
            ADD_FAILURE();
        } catch (const EFCreateError& e) {
            EXPECT_NE(e.Message().find("sharing mode"), std::string::npos);
        }
        EXPECT_EQ(holder->GetSize(), 10);
    }
}

TEST(ResourceHeader, WrittenAndSkipped) {
    auto s = New<TMemoryStream>();
    std::int64_t sizeAt = 0;
    s->WriteResourceHeader("tform1", sizeAt);
    s->WriteBuffer("DATA", 4);
    s->FixupResourceHeader(sizeAt);
    EXPECT_EQ(Contents(*s), std::string("\xFF\x0A\x00TFORM1\x00\x30\x10\x04\x00\x00\x00"
                                        "DATA",
                                        20));
    s->SetPosition(0);
    s->ReadResHeader();
    EXPECT_EQ(s->GetPosition(), 16);
    auto bad = New<TStringStream>(std::string("\xFF\x0A\x00X\x00\x30\x10\xFF\x00\x00\x00", 11));
    EXPECT_THROW(bad->ReadResHeader(), EReadError); // claims more data than there is
}
