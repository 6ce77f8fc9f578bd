// TAsaParams: ownership, lookups (duplicate names included), the values handed to the statement,
// and assignment between lists.
#include "ParamsTestSupport.h"

#include "platform/vcl/StringList.h"

#include <gtest/gtest.h>

using namespace tnx;
using vcl::Variant;

namespace {

TAsaParam* AddParam(TAsaParams& params, const char* name, const char* alias, std::int32_t value) {
    TAsaParam* param = TAsaParam::Create(params, name);
    param->SetAlias(alias);
    param->SetAsInteger(value);
    return param;
}

} // namespace

TEST(Params, FreeingAParameterTakesItOutAndMovingOneLeavesItsOldList) {
    auto first = vcl::New<TAsaParams>();
    auto second = vcl::New<TAsaParams>();
    TAsaParam* a = AddParam(*first, "a", "a", 1);
    TAsaParam* b = AddParam(*first, "b", "b", 2);
    AddParam(*first, "c", "c", 3);
    b->Free();
    ASSERT_EQ(first->GetCount(), 2);
    EXPECT_EQ(first->GetParam(1)->GetName(), "c");

    second->AddParam(a);
    EXPECT_EQ(a->GetParamList(), second.get());
    ASSERT_EQ(first->GetCount(), 1);
    EXPECT_EQ(first->GetParam(0)->GetName(), "c");
    // Adding it again does not make it twice owned.
    second->AddParam(a);
    EXPECT_EQ(second->GetCount(), 1);

    second->RemoveParam(a);
    EXPECT_EQ(second->GetCount(), 0);
    EXPECT_EQ(a->GetParamList(), nullptr);
    vcl::TOwned<TAsaParam> released(a); // now the caller's
    first->Clear();
    EXPECT_EQ(first->GetCount(), 0);
}

TEST(Params, LookupsIgnoreCaseAndFindTheFirstOfAName) {
    auto params = vcl::New<TAsaParams>();
    TAsaParam* first = AddParam(*params, "id", "key", 1);
    TAsaParam* second = AddParam(*params, "ID", "other", 2);
    EXPECT_EQ(params->ParamByName("Id"), first);
    EXPECT_EQ(params->ParamByAlias("OTHER"), second);
    // Items go through the name: both indices give the first parameter.
    EXPECT_EQ(params->GetParam(0), first);
    EXPECT_EQ(params->GetParam(1), first);
    EXPECT_THROW(params->GetParam(2), vcl::EListError);

    try {
        params->ParamByName("missing");
        FAIL() << "no error";
    } catch (const ECorvexException& e) {
        EXPECT_EQ(e.Message(), "Host variable \"missing\" not found.");
        EXPECT_EQ(e.ErrorCode(), 0);
    }
    EXPECT_THROW(params->ParamByAlias("id"), ECorvexException);
}

TEST(Params, ValuesForTheStatement) {
    auto params = vcl::New<TAsaParams>();
    EXPECT_TRUE(params->GetParamValues().IsNull());

    TAsaParam* id = AddParam(*params, "id", "id", 5);
    EXPECT_EQ(params->GetParamAliases(), "id");
    const Variant one = params->GetParamValues();
    EXPECT_EQ(one.VarType(), vcl::varInteger);
    EXPECT_EQ(one, Variant(5));
    id->Clear();
    EXPECT_TRUE(params->GetParamValues().IsNull());

    TAsaParam* name = TAsaParam::Create(*params, "name");
    name->SetAlias("name");
    name->SetAsString("abc");
    AddParam(*params, "n", "n", 7);
    EXPECT_EQ(params->GetParamAliases(), "id;name;n");
    const Variant many = params->GetParamValues();
    ASSERT_EQ(many.VarType(), vcl::varArray | vcl::varVariant);
    EXPECT_EQ(vcl::VarArrayLowBound(many, 1), 0);
    EXPECT_EQ(vcl::VarArrayHighBound(many, 1), 2);
    EXPECT_TRUE(many[0].IsNull());
    EXPECT_EQ(many[1], Variant("abc"));
    EXPECT_EQ(many[2], Variant(7));
}

TEST(Params, UnaliasedParametersFollowTheJoiningRule) {
    // Alone, a parameter without an alias hands over nothing, whatever its value.
    auto single = vcl::New<TAsaParams>();
    AddParam(*single, "a", "", 1);
    EXPECT_TRUE(single->GetParamValues().IsNull());

    // Unaliased first: the aliases read "b", and b's value alone is handed over.
    auto unaliasedFirst = vcl::New<TAsaParams>();
    AddParam(*unaliasedFirst, "a", "", 1);
    AddParam(*unaliasedFirst, "b", "b", 2);
    EXPECT_EQ(unaliasedFirst->GetParamAliases(), "b");
    EXPECT_EQ(unaliasedFirst->GetParamValues(), Variant(2));

    // Unaliased last: "b;" holds the separator, so both values go as an array.
    auto unaliasedLast = vcl::New<TAsaParams>();
    AddParam(*unaliasedLast, "b", "b", 2);
    AddParam(*unaliasedLast, "a", "", 1);
    EXPECT_EQ(unaliasedLast->GetParamAliases(), "b;");
    EXPECT_EQ(unaliasedLast->GetParamValues(), vcl::VarArrayOf({Variant(2), Variant(1)}));
}

TEST(Params, AssignCopiesEveryItemAndSurvivesItself) {
    auto source = vcl::New<TAsaParams>();
    AddParam(*source, "a", "x", 1);
    AddParam(*source, "b", "y", 2)->Clear();
    auto target = vcl::New<TAsaParams>();
    AddParam(*target, "old", "old", 9);
    target->Assign(source.get());
    EXPECT_TRUE(target->IsEqual(*source));
    EXPECT_NE(target->GetParam(0), source->GetParam(0));

    target->Assign(target.get());
    EXPECT_TRUE(target->IsEqual(*source));

    auto lines = vcl::New<vcl::TStringList>();
    EXPECT_THROW(target->Assign(lines.get()), vcl::EConvertError);
    EXPECT_EQ(target->GetCount(), 2);
}

TEST(Params, AssignValuesMatchesExactNamesAndOnlyTheFirstOfAName) {
    auto params = vcl::New<TAsaParams>();
    TAsaParam* first = AddParam(*params, "id", "id", 0);
    TAsaParam* twin = AddParam(*params, "id", "id", 0);
    TAsaParam* upper = AddParam(*params, "Name", "Name", 0);
    TAsaParam* unmatched = AddParam(*params, "k", "k", 4);

    auto values = vcl::New<TAsaParams>();
    AddParam(*values, "id", "id", 10);
    AddParam(*values, "name", "name", 20); // differs in case: no match
    AddParam(*values, "extra", "extra", 30);
    params->AssignValues(*values);

    EXPECT_EQ(first->GetAsInteger(), 10);
    EXPECT_EQ(twin->GetAsInteger(), 0);
    EXPECT_EQ(upper->GetAsInteger(), 0);
    EXPECT_EQ(unmatched->GetAsInteger(), 4);
    EXPECT_EQ(params->GetCount(), 4);
}
