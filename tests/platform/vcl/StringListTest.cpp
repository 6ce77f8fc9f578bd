// String lists: text forms, sorting and duplicates, letter case, names and values, change events
// per update bracket, assignment, objects, streams.
#include "platform/vcl/Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vcl;

namespace {

std::vector<std::string> Lines(const TStrings& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.GetCount(); ++i)
        out.push_back(list.Get(i));
    return out;
}

using L = std::vector<std::string>;

// An object that counts its destruction, for OwnsObjects.
int gFreed = 0;
class TCounted : public TObject {
    VCL_CLASS(TCounted, TObject)
public:
    TCounted() = default;

protected:
    ~TCounted() override { ++gFreed; }
};

} // namespace

VCL_CLASS_INFO(TCounted)

TEST(StringList, TextEndsEveryLineWithCrLfAndReadsAnyLineEnd) {
    auto list = New<TStringList>();
    list->SetText("one\r\ntwo\nthree\rfour");
    EXPECT_EQ(Lines(*list), (L{"one", "two", "three", "four"}));
    EXPECT_EQ(list->GetText(), "one\r\ntwo\r\nthree\r\nfour\r\n");
    list->SetText("a\n\nb\n"); // an empty line inside; the final break adds none
    EXPECT_EQ(Lines(*list), (L{"a", "", "b"}));
    list->SetText("x\n\r"); // LF then CR: two line ends
    EXPECT_EQ(Lines(*list), (L{"x", ""}));
    list->SetText(std::string("nul\0inside", 10));
    EXPECT_EQ(list->Get(0), std::string("nul\0inside", 10));
    list->SetText("");
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(list->GetText(), "");
}

TEST(StringList, CommaTextQuotesWhatWouldNotSurviveAndReadsItBack) {
    auto list = New<TStringList>();
    for (const char* s : {"plain", "two words", "", "with,comma", "say \"hi\"", " lead", "tab\there"})
        list->Add(s);
    const AnsiString text = list->GetCommaText();
    EXPECT_EQ(text, "plain,\"two words\",\"\",\"with,comma\",\"say \"\"hi\"\"\",\" lead\",\"tab\there\"");
    auto back = New<TStringList>();
    back->SetCommaText(text);
    EXPECT_EQ(Lines(*back), Lines(*list));
    back->SetCommaText("  a , b c,\"q\"x,");
    EXPECT_EQ(Lines(*back), (L{"a", "b", "c", "q", "x", ""}));
    back->SetDelimiter(';');
    back->SetQuoteChar('\'');
    back->SetDelimitedText("x;'y;z';'it''s'");
    EXPECT_EQ(Lines(*back), (L{"x", "y;z", "it's"}));
    EXPECT_EQ(back->GetDelimitedText(), "x;'y;z';'it''s'");
    EXPECT_EQ(back->GetCommaText(), "x,y;z,it's"); // always ',' and '"'
}

TEST(StringList, SortedListsFindAndHandleDuplicates) {
    auto list = New<TStringList>();
    list->SetText("pear\nApple\nbanana\napple");
    list->SetSorted(true);
    EXPECT_EQ(Lines(*list), (L{"Apple", "apple", "banana", "pear"})); // stable: ties keep their order
    int index = -1;
    EXPECT_TRUE(list->Find("APPLE", index));
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(list->Find("cherry", index));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(list->IndexOf("BANANA"), 2);
    // dupIgnore (the default): the existing index, nothing added.
    EXPECT_EQ(list->Add("PEAR"), 3);
    EXPECT_EQ(list->GetCount(), 4);
    list->SetDuplicates(dupError);
    try {
        list->Add("Banana");
        ADD_FAILURE();
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "String list does not allow duplicates");
    }
    list->SetDuplicates(dupAccept);
    EXPECT_EQ(list->Add("Banana"), 3); // after the equal one already there
    EXPECT_EQ(list->Add("cherry"), 4);
    EXPECT_EQ(Lines(*list), (L{"Apple", "apple", "banana", "Banana", "cherry", "pear"}));
    // Operations that would break the order are refused.
    EXPECT_THROW(list->Insert(0, "zzz"), EStringListError);
    EXPECT_THROW(list->Put(0, "zzz"), EStringListError);
    EXPECT_THROW(list->Exchange(0, 1), EStringListError);
    // Unsorted lists take duplicates whatever the setting.
    auto plain = New<TStringList>();
    plain->SetDuplicates(dupError);
    plain->Add("x");
    plain->Add("x");
    EXPECT_EQ(plain->GetCount(), 2);
}

TEST(StringList, CaseSensitivityDecidesComparisons) {
    auto list = New<TStringList>();
    list->SetText("b\nB\na\nA");
    EXPECT_EQ(list->IndexOf("A"), 2); // case-insensitive by default
    list->SetCaseSensitive(true);
    EXPECT_EQ(list->IndexOf("A"), 3);
    list->SetSorted(true);
    EXPECT_EQ(Lines(*list), (L{"a", "A", "b", "B"})); // lower case before upper
    list->SetCaseSensitive(false);                    // re-sorts
    int index;
    EXPECT_TRUE(list->Find("B", index));
    EXPECT_EQ(index, 2);
    // Windows-1252 letters: e acute and E acute are equal ignoring case.
    auto accents = New<TStringList>();
    accents->Add("\xC9t\xE9");
    EXPECT_EQ(accents->IndexOf("\xE9T\xC9"), 0);
}

TEST(StringList, NamesAndValues) {
    auto list = New<TStringList>();
    list->SetText("host=db1\nport=2638\nnoequals\nempty=");
    EXPECT_EQ(list->GetName(0), "host");
    EXPECT_EQ(list->GetName(2), "");
    EXPECT_EQ(list->GetValue("PORT"), "2638");
    EXPECT_EQ(list->GetValue("missing"), "");
    EXPECT_EQ(list->IndexOfName("empty"), 3);
    list->SetValue("port", "49152");
    EXPECT_EQ(list->Get(1), "port=49152");
    list->SetValue("user", "dba");
    EXPECT_EQ(list->Get(4), "user=dba");
    list->SetValue("host", ""); // an empty value deletes the line
    EXPECT_EQ(list->IndexOfName("host"), -1);
    EXPECT_EQ(list->GetValueFromIndex(0), "49152");
    // Sorted lists take values too.
    auto sorted = New<TStringList>();
    sorted->SetSorted(true);
    sorted->SetValue("b", "1");
    sorted->SetValue("a", "2");
    sorted->SetValue("b", "3");
    EXPECT_EQ(Lines(*sorted), (L{"a=2", "b=3"}));
}

TEST(StringList, OneChangeEventPerUpdateBracket) {
    auto list = New<TStringList>();
    int changes = 0, changing = 0;
    list->SetOnChange([&](TObject* sender) {
        EXPECT_EQ(sender, list.get());
        ++changes;
    });
    list->SetOnChanging([&](TObject*) { ++changing; });
    list->Add("a");
    list->Add("b");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(changing, 2);
    changes = changing = 0;
    list->BeginUpdate();
    list->Add("c");
    list->BeginUpdate(); // nested
    list->Delete(0);
    list->SetText("x\ny\nz"); // itself a bracket inside
    list->EndUpdate();
    EXPECT_EQ(changes, 0);
    list->Sort();
    list->EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(changing, 1);
    // SetText outside a bracket is one change, however many lines.
    changes = 0;
    list->SetText("1\n2\n3\n4");
    EXPECT_EQ(changes, 1);
    // An unbalanced EndUpdate does nothing.
    list->EndUpdate();
    EXPECT_EQ(list->GetUpdateCount(), 0);
}

TEST(StringList, AssignCopiesLinesAndObjectsAndRefusesOthers) {
    auto source = New<TStringList>();
    auto marker = New<TStringList>();
    source->AddObject("one", marker.get());
    source->Add("two");
    auto target = New<TStringList>();
    target->Add("old");
    target->Assign(source.get());
    EXPECT_EQ(Lines(*target), (L{"one", "two"}));
    EXPECT_EQ(target->GetObject(0), marker.get());
    EXPECT_TRUE(target->Equals(source.get()));
    target->Put(1, "TWO");
    EXPECT_FALSE(target->Equals(source.get())); // letter case counts here
    auto other = New<TPersistent>();
    try {
        target->Assign(other.get());
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TPersistent to a TStringList");
    }
    EXPECT_EQ(target->GetCount(), 2);
}

TEST(StringList, IndexErrorsObjectsAndOwnership) {
    auto list = New<TStringList>();
    list->Add("a");
    try {
        list->Get(1);
        ADD_FAILURE();
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    EXPECT_THROW(list->Delete(-1), EStringListError);
    EXPECT_THROW(list->Insert(3, "x"), EStringListError);
    list->Insert(1, "b");
    list->Move(0, 1);
    EXPECT_EQ(Lines(*list), (L{"b", "a"}));
    gFreed = 0;
    auto owning = New<TStringList>();
    owning->SetOwnsObjects(true);
    owning->AddObject("x", New<TCounted>().release());
    owning->AddObject("y", New<TCounted>().release());
    owning->AddObject("z", New<TCounted>().release());
    owning->Move(0, 2); // moving keeps the object
    EXPECT_EQ(gFreed, 0);
    owning->Delete(0);
    EXPECT_EQ(gFreed, 1);
    owning.reset();
    EXPECT_EQ(gFreed, 3);
    EXPECT_EQ(list->IndexOfObject(nullptr), 0);
}

TEST(StringList, StreamsAndFormStorage) {
    auto list = New<TStringList>();
    auto in = New<TStringStream>("skip|first\r\nsecond");
    in->SetPosition(5);
    list->LoadFromStream(in.get()); // from the position on
    EXPECT_EQ(Lines(*list), (L{"first", "second"}));
    auto out = New<TStringStream>();
    list->SaveToStream(out.get());
    EXPECT_EQ(out->GetDataString(), "first\r\nsecond\r\n");
}

TEST(StringList, CustomSortIsStableAndSurvivesAnInconsistentComparison) {
    auto list = New<TStringList>();
    list->SetText("ccc\na\nbb\nd\nee\nf");
    list->CustomSort([](TStringList* l, int a, int b) {
        return static_cast<int>(l->Get(a).size()) - static_cast<int>(l->Get(b).size());
    });
    EXPECT_EQ(Lines(*list), (L{"a", "d", "f", "bb", "ee", "ccc"}));
    // A comparison that contradicts itself gives some order of the same lines, nothing worse.
    auto many = New<TStringList>();
    for (int i = 0; i < 500; ++i)
        many->Add(std::to_string(i));
    unsigned state = 1;
    many->CustomSort([&](TStringList*, int, int) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) % 3) - 1;
    });
    auto sorted = New<TStringList>();
    sorted->Assign(many.get());
    sorted->SetSorted(true);
    EXPECT_EQ(sorted->GetCount(), 500);
    for (int i = 0; i < 500; ++i)
        EXPECT_GE(sorted->IndexOf(std::to_string(i)), 0);
}
