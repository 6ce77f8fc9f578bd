// The parameters' stored form: exact bytes, what each type reads back as, damaged data, and the
// "Data" property of a component's parameter list in form files.
#include "ParamsTestSupport.h"

#include "platform/vcl/Classes.h"
#include "platform/vcl/DateTime.h"

#include <gtest/gtest.h>

using namespace tnx;
using tnxtest::Bytes;
using tnxtest::ReadStoredForm;
using tnxtest::StoredForm;
using vcl::Variant;

namespace {

// The integer parameter "id" (5) and the string parameter "name" ("abc").
const std::string TwoParams = Bytes("\x02\0\0\0"
                                    "\x02\0\0\0id"
                                    "\x02\0\0\0id"
                                    "\x02"
                                    "\x04\0\0\0"
                                    "\x05\0\0\0"
                                    "\x04\0\0\0name"
                                    "\x04\0\0\0name"
                                    "\x01"
                                    "\x04\0\0\0"
                                    "abc\0");

void FillTwoParams(TAsaParams& params) {
    TAsaParam* id = TAsaParam::Create(params, "id");
    id->SetAlias("id");
    id->SetAsInteger(5);
    TAsaParam* name = TAsaParam::Create(params, "name");
    name->SetAlias("name");
    name->SetAsString("abc");
}

std::string Int32(std::int32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF));
    return bytes;
}

// One stored parameter record with a value.
std::string Record(const std::string& name, const std::string& alias, TAsaParamDataType type,
                   const std::string& data) {
    return Int32(static_cast<std::int32_t>(name.size())) + name +
           Int32(static_cast<std::int32_t>(alias.size())) + alias + static_cast<char>(type) +
           Int32(static_cast<std::int32_t>(data.size())) + data;
}

// A component with a parameter list, as a dataset publishes its Params.
class TParamsHolder : public vcl::TComponent {
    VCL_CLASS(TParamsHolder, vcl::TComponent)
public:
    explicit TParamsHolder(vcl::TComponent* owner) : TComponent(owner), FParams(vcl::New<TAsaParams>(this)) {}
    TAsaParams* GetParams() const { return FParams.get(); }

protected:
    ~TParamsHolder() override = default;

private:
    vcl::TOwned<TAsaParams> FParams;
};

} // namespace

VCL_CLASS_INFO(TParamsHolder,
               [](vcl::TPublisher<TParamsHolder>& p) { p.Property("Params", &TParamsHolder::GetParams); })

TEST(ParamsStream, TwoParametersGiveTheirExactBytesAndReadBack) {
    auto params = vcl::New<TAsaParams>();
    FillTwoParams(*params);
    ASSERT_EQ(TwoParams.size(), 50u);
    EXPECT_EQ(StoredForm(*params), TwoParams);

    auto back = vcl::New<TAsaParams>();
    TAsaParam::Create(*back, "stale");
    ReadStoredForm(*back, TwoParams);
    EXPECT_TRUE(back->IsEqual(*params));
}

TEST(ParamsStream, EveryTypeReadsBackNotNullWithItsValue) {
    auto params = vcl::New<TAsaParams>();
    const auto add = [&](const char* name) {
        TAsaParam* p = TAsaParam::Create(*params, name);
        p->SetAlias(name);
        return p;
    };
    add("unknown");
    add("string")->SetAsString("text");
    add("integer")->SetAsInteger(-123456);
    add("float")->SetAsFloat(-0.125);
    add("currency")->SetAsCurrency(12.5);
    add("date")->SetAsDate(vcl::EncodeDate(1850, 2, 3));
    add("time")->SetAsTime(vcl::EncodeTime(23, 59, 59, 999));
    add("datetime")->SetAsDateTime(vcl::EncodeDateTime(2024, 5, 17, 13, 45, 30, 250));
    add("boolean")->SetAsBoolean(true);
    add("binary")->SetAsBinary(Bytes("\0\x01\xFF"));
    add("memo")->SetAsMemo("line 1\r\nline 2");
    add("blob")->SetAsBlob(Bytes("\xFF\0"));
    TAsaParam* cleared = add("cleared");
    cleared->SetAsString("was here");
    cleared->Clear();

    auto back = vcl::New<TAsaParams>();
    ReadStoredForm(*back, StoredForm(*params));
    ASSERT_EQ(back->GetCount(), params->GetCount());
    for (std::int32_t i = 0; i + 1 < params->GetCount(); ++i) {
        SCOPED_TRACE(params->GetParam(static_cast<std::uint16_t>(i))->GetName());
        EXPECT_TRUE(back->GetParam(static_cast<std::uint16_t>(i))
                        ->IsEqual(*params->GetParam(static_cast<std::uint16_t>(i))));
    }
    // A cleared string parameter is stored with its value, the integer 0: it comes back as "0".
    const TAsaParam* clearedBack = back->ParamByName("cleared");
    EXPECT_FALSE(clearedBack->GetIsNull());
    EXPECT_EQ(clearedBack->GetDataType(), ntString);
    EXPECT_EQ(clearedBack->GetAsVariant(), Variant("0"));
}

TEST(ParamsStream, LongValuesAreCutToTheDataBlock) {
    auto params = vcl::New<TAsaParams>();
    TAsaParam* text = TAsaParam::Create(*params, "text");
    text->SetAsString(std::string(2047, 's'));
    auto back = vcl::New<TAsaParams>();
    ReadStoredForm(*back, StoredForm(*params));
    EXPECT_EQ(back->GetParam(0)->GetAsString(), std::string(2047, 's'));

    // 2048 characters and more lose the terminator and the rest; they read back cut.
    text->SetAsMemo(std::string(2048, 'm') + "tail");
    const std::string stored = StoredForm(*params);
    EXPECT_EQ(stored, Int32(1) + Record("text", "", ntMemo, std::string(2048, 'm')));
    ReadStoredForm(*back, stored);
    EXPECT_EQ(back->GetParam(0)->GetDataType(), ntMemo);
    EXPECT_EQ(back->GetParam(0)->GetAsMemo(), std::string(2048, 'm'));

    std::string bytes(3000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    text->SetAsBinary(bytes);
    EXPECT_EQ(StoredForm(*params), Int32(1) + Record("text", "", ntBinary, bytes.substr(0, 2048)));
    ReadStoredForm(*back, StoredForm(*params));
    EXPECT_EQ(back->GetParam(0)->GetAsVariant(), Variant(bytes.substr(0, 2048)));
}

TEST(ParamsStream, DuplicateNamesStoreTheFirstParameterTwice) {
    auto params = vcl::New<TAsaParams>();
    TAsaParam* first = TAsaParam::Create(*params, "id");
    first->SetAlias("a");
    first->SetAsInteger(1);
    TAsaParam* second = TAsaParam::Create(*params, "id");
    second->SetAlias("b");
    second->SetAsString("two");
    const std::string record = Record("id", "a", ntInteger, Int32(1));
    EXPECT_EQ(StoredForm(*params), Int32(2) + record + record);
}

TEST(ParamsStream, DamagedDataIsRefusedAndKeepsWhatWasReadBefore) {
    struct Case {
        const char* What;
        std::string Bytes;
        const char* Message;
    };
    const std::string onePrefix = TwoParams.substr(0, 25); // count 2, then the whole "id" record
    const Case cases[] = {
        {"negative count", Bytes("\xFF\xFF\xFF\xFF"), "negative parameter count -1"},
        {"negative name length", onePrefix + Bytes("\xFE\xFF\xFF\xFF"),
         "parameter 1 has a negative name length (-2)"},
        {"negative alias length", onePrefix + Bytes("\0\0\0\0\xFF\xFF\xFF\xFF"),
         "parameter 1 has a negative alias length (-1)"},
        {"name longer than the data", onePrefix + Bytes("\xFF\xFF\xFF\x7F"), "Stream read error"},
        {"type above 11", onePrefix + Bytes("\x01\0\0\0q\x01\0\0\0q\x0C"),
         "parameter \"q\" has the unknown data type 12"},
        {"negative data size", onePrefix + Bytes("\x01\0\0\0q\x01\0\0\0q\x02\xFF\xFF\xFF\xFF"),
         "parameter 1 has a negative data length (-1)"},
        {"data size above 2048", onePrefix + Bytes("\x01\0\0\0q\x01\0\0\0q\x0B\x01\x08\0\0"),
         "parameter \"q\" holds 2049 bytes of data (at most 2048)"},
        {"integer too short", onePrefix + Bytes("\x01\0\0\0q\x01\0\0\0q\x02\x02\0\0\0\x05\0"),
         "parameter \"q\" holds 2 bytes of data; its type needs 4"},
        {"text without terminator", onePrefix + Bytes("\x01\0\0\0q\x01\0\0\0q\x01\x03\0\0\0abc"),
         "the text of parameter \"q\" has no terminating 0 byte"},
        {"date-time out of range",
         onePrefix + Bytes("\x01\0\0\0q\x01\0\0\0q\x07\x08\0\0\0\0\0\0\0\0\0\xF0\xBF"), "parameter \"q\": "},
        {"data cut short", onePrefix + Bytes("\x01\0\0\0q\x01\0\0\0q\x01\x04\0\0\0ab"), "Stream read error"},
        {"record cut short", onePrefix + Bytes("\x01\0\0"), "Stream read error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        auto params = vcl::New<TAsaParams>();
        try {
            ReadStoredForm(*params, c.Bytes);
            ADD_FAILURE() << "no error";
        } catch (const vcl::EReadError& e) {
            EXPECT_NE(e.Message().find(c.Message), std::string::npos) << e.Message();
        }
        if (c.Bytes.size() > 4) {
            ASSERT_EQ(params->GetCount(), 1);
            EXPECT_EQ(params->GetParam(0)->GetName(), "id");
            EXPECT_EQ(params->GetParam(0)->GetAsInteger(), 5);
        } else {
            EXPECT_EQ(params->GetCount(), 0);
        }
    }
}

TEST(ParamsStream, ComponentFormStoresParamsAsDataAndReadsThemBack) {
    auto holder = vcl::New<TParamsHolder>();
    holder->SetName("Holder1");
    EXPECT_EQ(vcl::WriteComponentText(holder.get()).find("Params.Data"), std::string::npos);

    FillTwoParams(*holder->GetParams());
    auto stream = vcl::New<vcl::TMemoryStream>();
    stream->WriteComponent(holder.get());
    const std::string form(static_cast<const char*>(stream->Memory()),
                           static_cast<std::size_t>(stream->GetSize()));
    // The property name, the binary value type, its length, then the stored form itself.
    EXPECT_NE(form.find("\x0BParams.Data" + Bytes("\x0A\x32\0\0\0") + TwoParams), std::string::npos);

    auto copy = vcl::New<TParamsHolder>();
    stream->SetPosition(0);
    stream->ReadComponent(copy.get());
    EXPECT_TRUE(copy->GetParams()->IsEqual(*holder->GetParams()));

    // Against an ancestor: only a list that differs from the ancestor's is written.
    auto ancestor = vcl::New<TParamsHolder>();
    ancestor->SetName("Holder1");
    ancestor->GetParams()->Assign(holder->GetParams());
    EXPECT_EQ(vcl::WriteComponentText(holder.get(), ancestor.get()).find("Params.Data"), std::string::npos);
    ancestor->GetParams()->GetParam(1)->SetAsString("abd");
    EXPECT_NE(vcl::WriteComponentText(holder.get(), ancestor.get()).find("Params.Data"), std::string::npos);
}

TEST(ParamsStream, DamagedDataInAFormIsAnErrorReadingTheProperty) {
    auto holder = vcl::New<TParamsHolder>();
    holder->SetName("Holder1");
    FillTwoParams(*holder->GetParams());
    auto stream = vcl::New<vcl::TMemoryStream>();
    stream->WriteComponent(holder.get());
    std::string form(static_cast<const char*>(stream->Memory()), static_cast<std::size_t>(stream->GetSize()));
    const std::size_t data = form.find(TwoParams);
    ASSERT_NE(data, std::string::npos);
    form[data + 16] = '\x0C'; // the type byte of "id"

    auto copy = vcl::New<TParamsHolder>();
    try {
        vcl::ReadComponentData(form, copy.get());
        FAIL() << "no error";
    } catch (const vcl::EReadError& e) {
        EXPECT_EQ(e.Message(), "Error reading Holder1.Params.Data: Invalid parameter data: parameter \"id\" "
                               "has the unknown data type 12");
    }
}
