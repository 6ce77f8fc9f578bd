// The parameter markers of a dataset's SQL text (TAsaDataset::CreateParams), and parameters that
// take a dataset field's name and value (TAsaParam::AssignField).
#include "asa/dataset/TnxAsaDS.h"
#include "platform/vcl/db/FieldDefs.h"
#include "platform/vcl/db/MemDataSet.h"
#include "platform/vcl/db/NumericFields.h"
#include "platform/vcl/db/StringField.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tnx;

namespace {

struct Parsed {
    std::vector<std::string> Names;
    std::string Text;
};

Parsed Parse(std::string text) {
    auto params = vcl::New<TAsaParams>();
    TAsaDataset::CreateParams(params.get(), text);
    Parsed out{{}, text};
    // The aliases walk the list itself (names that repeat stay apart).
    const std::string aliases = params->GetParamAliases();
    std::size_t start = 0;
    while (params->GetCount() > 0) {
        const std::size_t end = aliases.find(';', start);
        out.Names.push_back(
            aliases.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

using Names = std::vector<std::string>;

} // namespace

TEST(Markers, NamesEndAtDelimitersAndLiteralsHideMarkers) {
    EXPECT_EQ(Parse("select * from t where a = :a and b = ':x' and c = :c").Names, (Names{"a", "c"}));
    EXPECT_EQ(Parse("select * from t where id = :id").Names, Names{"id"}) << "a marker at the very end";
    EXPECT_EQ(Parse("f(:a)").Names, Names{"a"});
    EXPECT_EQ(Parse("x = :a+1").Names, Names{"a+1"}) << "no delimiter before the end";
    EXPECT_EQ(Parse("x = :a=:b").Names, Names{"a=:b"}) << "the name runs to the delimiter";
    EXPECT_EQ(Parse("values (:a,:b;:c\r\n:d\n:e)").Names, (Names{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(Parse("x = :a\tand").Names, Names{"a\tand"}) << "a tab is no delimiter";
    EXPECT_EQ(Parse("x = \":y\" or z = :z").Names, Names{"z"}) << "double quotes are literals too";
    EXPECT_EQ(Parse("x = :id or y = :id").Names, (Names{"id", "id"})) << "each marker makes a parameter";
}

TEST(Markers, QuotedNamesKeepTheirBlanksAndLoseTheirQuotes) {
    EXPECT_EQ(Parse("where a = :\"my id\" and b = 1").Names, Names{"my id"});
    EXPECT_EQ(Parse("where a = :'my id' and b = 1").Names, Names{"my id"});
    // The closing quote of the name ends the literal, so later markers are found.
    EXPECT_EQ(Parse("where a = :'x y' and b = :b").Names, (Names{"x y", "b"}));
}

TEST(Markers, DoubleColonsBecomeOneOutsideLiteralsOnly) {
    Parsed p = Parse("select 1 where x = '12::30'");
    EXPECT_TRUE(p.Names.empty());
    EXPECT_EQ(p.Text, "select 1 where x = '12::30'");
    p = Parse("select :: from t");
    EXPECT_TRUE(p.Names.empty());
    EXPECT_EQ(p.Text, "select : from t");
    p = Parse("a::b = :c");
    EXPECT_EQ(p.Names, Names{"c"});
    EXPECT_EQ(p.Text, "a:b = :c");
    // Without a list the text is edited the same way.
    std::string text = "x:::y";
    TAsaDataset::CreateParams(nullptr, text);
    EXPECT_EQ(text, "x::y");
}

TEST(Markers, UnbalancedQuotesAndEmbeddedZerosStayInsideTheText) {
    EXPECT_TRUE(Parse("select 'open literal :a").Names.empty());
    EXPECT_EQ(Parse("x = :'unterminated name").Names, Names{"unterminated name"});
    std::string text("a = :a\0:b", 9);
    auto params = vcl::New<TAsaParams>();
    TAsaDataset::CreateParams(params.get(), text);
    EXPECT_EQ(params->GetCount(), 1) << "the walk ends at the text's NUL";
    EXPECT_EQ(Parse(":").Names, Names{""});
}

TEST(ParamFromField, TakesTheFieldsNameAsNameAndAliasAndItsValueOrNull) {
    auto ds = vcl::New<vcl::TMemDataSet>();
    ds->GetFieldDefs()->Add("CUSTOMER", vcl::ftInteger);
    ds->GetFieldDefs()->Add("CITY", vcl::ftString, 20);
    ds->Open();
    ds->AppendRecord({42, vcl::Variant(vcl::Null())});

    auto params = vcl::New<TAsaParams>();
    TAsaParam* param = TAsaParam::Create(*params, "old");
    param->AssignField(ds->FieldByName("CUSTOMER"));
    EXPECT_EQ(param->GetName(), "CUSTOMER");
    EXPECT_EQ(param->GetAlias(), "CUSTOMER");
    EXPECT_FALSE(param->GetIsNull());
    EXPECT_EQ(param->GetDataType(), ntInteger);
    EXPECT_EQ(param->GetAsInteger(), 42);

    // Assign reaches the same through the field as a persistent object.
    param->SetAsString("was set");
    param->Assign(ds->FieldByName("CITY"));
    EXPECT_EQ(param->GetName(), "CITY");
    EXPECT_TRUE(param->GetIsNull());

    param->AssignField(nullptr);
    EXPECT_EQ(param->GetName(), "CITY") << "no field changes nothing";
}
