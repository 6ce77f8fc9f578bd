// Blob streams (sizes, positions, writes anywhere), the blob manager (ownership, lookup), and the
// statement's conversions between blob columns, streams, byte arrays and pictures.
#include "StatementFixture.h"

#include "platform/vcl/Graphics.h"
#include "platform/vcl/TypInfo.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace tnx;
using namespace tnxtest;
using vcl::AnsiString;
using vcl::Variant;

namespace {

// The base stream with nothing but the plain in-memory read, so GetBlobSize is the base's.
class TPlainBlobStream : public TCorvexBlobStream {
    VCL_CLASS(TPlainBlobStream, TCorvexBlobStream)
public:
    using TCorvexBlobStream::TCorvexBlobStream;
    int32_t Read(void* Data, int32_t Count) override { return ReadFromBuffer(Data, Count); }

protected:
    ~TPlainBlobStream() override = default;
};

std::string Bytes(TCorvexBlobStream* s) {
    return std::string(reinterpret_cast<const char*>(s->GetBuffer()),
                       static_cast<std::size_t>(s->GetBufferSize()));
}

std::string Contents(vcl::TMemoryStream* s) {
    return std::string(static_cast<const char*>(s->Memory()), static_cast<std::size_t>(s->GetSize()));
}

vcl::TOwned<vcl::TMemoryStream> MemoryOf(const std::string& data) {
    auto s = vcl::New<vcl::TMemoryStream>();
    s->WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    return s;
}

TEST(BlobStream, SizesAndPositionsOfSequentialWrites) {
    auto s = vcl::New<TPlainBlobStream>(nullptr, "memo");
    EXPECT_FALSE(s->GetEmpty());
    EXPECT_FALSE(s->GetModified());
    EXPECT_EQ(s->Seek(5, vcl::soFromEnd), 5); // never written: from the end is from 0
    s->Clear();
    EXPECT_TRUE(s->GetEmpty());
    EXPECT_EQ(s->Write("abc", 3), 3);
    EXPECT_EQ(s->Write("defg", 4), 4);
    EXPECT_EQ(s->GetBufferSize(), 7);
    EXPECT_EQ(s->GetPosition(), 7);
    EXPECT_TRUE(s->GetModified());
    EXPECT_FALSE(s->GetEmpty());
    EXPECT_EQ(s->GetBlobSize(), 7);
    EXPECT_EQ(s->GetSize(), 7);
    EXPECT_EQ(Bytes(s.get()), "abcdefg");

    // Reading through the stream contract.
    s->SetPosition(2);
    char buf[8] = {};
    EXPECT_EQ(s->Read(buf, 8), 5);
    EXPECT_STREQ(buf, "cdefg");
    EXPECT_EQ(s->Seek(-3, vcl::soFromCurrent), 4);
    EXPECT_EQ(s->Seek(1, static_cast<vcl::TSeekOrigin>(7)), 4); // unknown origin: no change

    s->Clear();
    EXPECT_EQ(s->GetBlobSize(), 0);
    EXPECT_EQ(s->GetPosition(), 0);
    EXPECT_FALSE(s->GetModified());
    EXPECT_EQ(s->Write("x", 0), 0);
    EXPECT_FALSE(s->GetModified());

    s->Truncate();
    EXPECT_TRUE(s->GetModified());
    EXPECT_TRUE(s->GetEmpty());
    EXPECT_EQ(s->GetBlobSize(), 0);
}

TEST(BlobStream, WritesAnywhereKeepTheValueConsistent) {
    auto s = vcl::New<TPlainBlobStream>(nullptr, "blob");
    s->WriteBuffer("abcdef", 6);
    // Before the end: overwrite, the size holds.
    s->SetPosition(2);
    EXPECT_EQ(s->Write("XY", 2), 2);
    EXPECT_EQ(Bytes(s.get()), "abXYef");
    EXPECT_EQ(s->GetPosition(), 4);
    // Across the end: overwrite, then grow by the rest only.
    EXPECT_EQ(s->Write("1234", 4), 4);
    EXPECT_EQ(Bytes(s.get()), "abXY1234");
    // Past the end: the gap reads as zeros.
    s->SetPosition(10);
    EXPECT_EQ(s->Write("Z", 1), 1);
    EXPECT_EQ(Bytes(s.get()), std::string("abXY1234\0\0Z", 11));
    EXPECT_EQ(s->GetBlobSize(), 11);
    // Before the start, or beyond a 32-bit size: nothing is written.
    s->Seek(-1, vcl::soFromBeginning);
    EXPECT_EQ(s->Write("q", 1), 0);
    EXPECT_THROW(s->WriteBuffer("q", 1), vcl::EWriteError);
    s->Seek(int64_t{1} << 40, vcl::soFromBeginning); // saturates at the 32-bit limit
    EXPECT_EQ(s->GetPosition(), 2147483647);
    EXPECT_EQ(s->Write("q", 1), 0);
    EXPECT_EQ(s->GetBlobSize(), 11);
}

class Blobs : public StatementFixture {
protected:
    void SetUp() override {
        StatementFixture::SetUp();
        q->Columns = {{"id", ntInteger}, {"Photo", ntBlob}, {"notes", ntMemo}};
        q->Rows = {{Variant(1), Variant("JPEG"), Variant("first")}, {Variant(2), vcl::Null(), vcl::Null()}};
    }
};

TEST_F(Blobs, TheManagerOwnsAndFindsTheStreams) {
    ASSERT_TRUE(q->OpenWrite("select * from pictures"));
    TCorvexBlobManager* m = q->GetBlobManager();
    ASSERT_EQ(m->Count(), 2);
    TCorvexBlobStream* photo = m->BlobByName("PHOTO");
    EXPECT_EQ(photo->GetFieldName(), "Photo");
    EXPECT_EQ(photo->GetManager(), m);
    EXPECT_EQ(m->GetBlob(1), m->BlobByName("notes"));
    EXPECT_THROW(m->GetBlob(2), vcl::EListError);
    EXPECT_EQ(photo->GetFieldNo(), 1);
    EXPECT_EQ(photo->GetFieldExtType(), 100 + ntBlob);
    EXPECT_EQ(MessageOf([&] { m->BlobByName("id"); }), "Field \"id\" is not a blob.");
    EXPECT_EQ(session->GetLastError(), "Field \"id\" is not a blob.");

    // ClearBlobs drops contents and keeps the streams; freeing a stream takes it out of the list.
    photo->Write("new", 3);
    m->ClearBlobs();
    EXPECT_EQ(m->Count(), 2);
    EXPECT_FALSE(photo->GetModified());
    photo->Free();
    EXPECT_EQ(m->Count(), 1);
    EXPECT_THROW(m->BlobByName("Photo"), ECorvexException);

    // A stream of another statement moves over; one without a manager knows no column.
    auto loose = vcl::New<TPlainBlobStream>(nullptr, "notes");
    EXPECT_EQ(loose->GetFieldNo(), -1);
    EXPECT_EQ(loose->GetFieldExtType(), -1);
    m->AddBlob(loose.get());
    EXPECT_EQ(loose->GetFieldNo(), 2);
    m->RemoveBlob(loose.get());
    EXPECT_EQ(loose->GetManager(), nullptr);

    // Unpreparing frees every stream.
    q->UnprepareOpen();
    EXPECT_EQ(m->Count(), 0);
}

TEST(ByteArrays, FromRawBytesAndMemoryStreams) {
    EXPECT_TRUE(TCorvexSQL::StrToVarByte("abc", 0).IsNull());
    const Variant one = TCorvexSQL::StrToVarByte("abc", 1);
    ASSERT_EQ(one.VarType(), vcl::varArray | vcl::varByte);
    EXPECT_EQ(vcl::VarArrayLowBound(one, 1), 0);
    EXPECT_EQ(vcl::VarArrayHighBound(one, 1), 0);
    EXPECT_EQ(one.GetElement(0), Variant(uint8_t{'a'}));

    EXPECT_TRUE(TCorvexSQL::StreamToVarByte(nullptr).IsNull());
    auto m = MemoryOf(std::string("a\0b", 3));
    const Variant bytes = TCorvexSQL::StreamToVarByte(m.get());
    EXPECT_EQ(vcl::VarArrayHighBound(bytes, 1), 2);
    EXPECT_EQ(bytes.GetElement(1), Variant(uint8_t{0}));
    EXPECT_EQ(TCorvexSQL::StreamToStr(m.get()), std::string("a\0b", 3));
    EXPECT_EQ(TCorvexSQL::StreamToStr(nullptr), "");
    auto empty = vcl::New<vcl::TMemoryStream>();
    EXPECT_TRUE(TCorvexSQL::StreamToVarByte(empty.get()).IsNull());
}

TEST_F(Blobs, StreamToBlobCopiesTheWholeStream) {
    ASSERT_TRUE(q->OpenWrite("select * from pictures"));
    ASSERT_TRUE(q->Next()); // the row whose blobs are NULL
    auto source = MemoryOf("0123456789");
    source->SetPosition(5);
    q->StreamToBlob(Variant("photo"), source.get());
    EXPECT_EQ(source->GetPosition(), 10);
    EXPECT_FALSE(q->IsFieldNull(Variant("photo")));
    EXPECT_TRUE(q->IsFieldDirty(Variant("photo")));
    EXPECT_EQ(Bytes(q->GetBlobManager()->BlobByName("photo")), "0123456789");

    EXPECT_EQ(MessageOf([&] { q->StreamToBlob(Variant("photo"), nullptr); }),
              "Not a valid stream parameter.");
    EXPECT_EQ(MessageOf([&] { q->StreamToBlob(Variant("zz"), source.get()); }), "Field \"zz\" not found.");
    EXPECT_EQ(MessageOf([&] { q->StreamToBlob(Variant("id"), source.get()); }),
              "Field \"id\" is not a blob.");
    EXPECT_EQ(session->GetLastErrorCode(), 0);

    ASSERT_TRUE(q->OpenRead("select * from pictures"));
    EXPECT_EQ(MessageOf([&] { q->StreamToBlob(Variant("photo"), source.get()); }),
              "The cursor is read-only.");
}

TEST_F(Blobs, BlobToStreamWritesAtTheTargetPositionAndRewindsIt) {
    ASSERT_TRUE(q->OpenRead("select * from pictures"));
    auto target = MemoryOf("abcdefgh");
    target->SetPosition(2);
    q->BlobToStream(Variant("photo"), target.get()); // the fetched value, loaded on demand
    EXPECT_EQ(Contents(target.get()), "abJPEGgh");
    EXPECT_EQ(target->GetPosition(), 0);
    EXPECT_EQ(MessageOf([&] { q->BlobToStream(Variant("photo"), nullptr); }),
              "Not a valid stream parameter.");

    // A written value goes out as written.
    ASSERT_TRUE(q->OpenWrite("select * from pictures"));
    q->SetFieldValue(Variant("notes"), Variant("rewritten"));
    auto copy = vcl::New<vcl::TMemoryStream>();
    q->BlobToStream(Variant(2), copy.get());
    EXPECT_EQ(Contents(copy.get()), "rewritten");
}

TEST_F(Blobs, PicturesRoundTripThroughABlobColumn) {
    ASSERT_TRUE(q->OpenWrite("select * from pictures"));
    ASSERT_TRUE(q->Next()); // the row whose blobs are NULL
    auto picture = vcl::New<vcl::TPicture>();
    picture->GetBitmap()->SetSize(3, 2); // a valid white image
    auto saved = vcl::New<vcl::TMemoryStream>();
    picture->SaveToStream(saved.get());

    q->GraphicToBlob(Variant("photo"), picture.get(), gtBitmap);
    EXPECT_FALSE(q->IsFieldNull(Variant("photo")));
    EXPECT_EQ(Bytes(q->GetBlobManager()->BlobByName("photo")), Contents(saved.get())); // the BMP file itself

    auto loaded = vcl::New<vcl::TPicture>();
    q->BlobToGraphic(Variant("photo"), loaded.get(), gtBitmap);
    ASSERT_NE(loaded->GetGraphic(), nullptr);
    EXPECT_EQ(loaded->GetWidth(), 3);
    EXPECT_EQ(loaded->GetHeight(), 2);
    EXPECT_TRUE(loaded->GetGraphic()->Equals(picture->GetGraphic()));

    // Asked for a kind it does not hold, a picture gives that kind's empty graphic, which saves
    // nothing: the written bitmap is dropped.
    q->GraphicToBlob(Variant("photo"), picture.get(), gtIcon);
    EXPECT_EQ(q->GetBlobManager()->BlobByName("photo")->GetBufferSize(), 0);
    EXPECT_EQ(picture->GetWidth(), 0); // the picture now holds the empty icon
}

TEST_F(Blobs, PictureConversionsRefuseWhatTheyCannotDo) {
    ASSERT_TRUE(q->OpenWrite("select * from pictures"));
    auto picture = vcl::New<vcl::TPicture>();
    picture->GetBitmap()->SetSize(1, 1);
    EXPECT_EQ(MessageOf([&] { q->GraphicToBlob(Variant("photo"), nullptr, gtBitmap); }),
              "Not a valid picture parameter.");
    EXPECT_EQ(MessageOf([&] { q->BlobToGraphic(Variant("photo"), nullptr, gtBitmap); }),
              "Not a valid picture parameter.");
    EXPECT_EQ(MessageOf([&] { q->GraphicToBlob(Variant("id"), picture.get(), gtBitmap); }),
              "Field \"id\" is not a blob.");
    EXPECT_EQ(MessageOf([&] { q->BlobToGraphic(Variant("zz"), picture.get(), gtBitmap); }),
              "Field \"zz\" not found.");

    // An unknown kind leaves the stored value alone.
    q->GraphicToBlob(Variant("photo"), picture.get(), gtBitmap);
    const std::string stored = Bytes(q->GetBlobManager()->BlobByName("photo"));
    EXPECT_EQ(MessageOf([&] {
                  q->GraphicToBlob(Variant("photo"), picture.get(), static_cast<TCorvexGraphicType>(7));
              }),
              "Not a valid picture parameter.");
    EXPECT_EQ(Bytes(q->GetBlobManager()->BlobByName("photo")), stored);

    // The fetched value "JPEG" is no bitmap: the picture's own error passes through, the picture
    // is unchanged.
    ASSERT_TRUE(q->OpenRead("select * from pictures"));
    EXPECT_THROW(q->BlobToGraphic(Variant("photo"), picture.get(), gtBitmap), vcl::EInvalidGraphic);
    EXPECT_EQ(picture->GetWidth(), 1);
    EXPECT_EQ(MessageOf([&] { q->GraphicToBlob(Variant("photo"), picture.get(), gtBitmap); }),
              "The cursor is read-only.");
}

VCL_CLASS_INFO(TPlainBlobStream)

} // namespace
