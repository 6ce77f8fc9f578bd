// String lists.
#include "platform/vcl/StringList.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/FileStream.h"
#include "platform/vcl/Reader.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"
#include "platform/vcl/Writer.h"

#include <algorithm>
#include <numeric>

namespace vcl {

VCL_CLASS_INFO(TStrings)
VCL_CLASS_INFO(TStringList)

namespace {

// Keeps a BeginUpdate bracket closed on every path.
class TUpdateBracket {
public:
    explicit TUpdateBracket(TStrings& list) : FList(list) { FList.BeginUpdate(); }
    ~TUpdateBracket() { FList.EndUpdate(); }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    TStrings& FList;
};

bool NeedsQuotes(std::string_view s, char delimiter, char quote) {
    if (s.empty()) return true;
    for (char c : s)
        if (static_cast<unsigned char>(c) <= ' ' || c == delimiter || c == quote) return true;
    return false;
}

AnsiString Quoted(std::string_view s, char quote) {
    AnsiString out(1, quote);
    for (char c : s) {
        out += c;
        if (c == quote) out += c;
    }
    out += quote;
    return out;
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

// --- TStrings -----------------------------------------------------------------------------------

TStrings::~TStrings() = default;

void TStrings::Error(int index) const {
    throw EStringListError(SListIndexError, {index});
}

TObject* TStrings::GetObject(int) const {
    return nullptr;
}

void TStrings::Put(int index, const AnsiString& s) {
    TObject* obj = GetObject(index);
    TUpdateBracket bracket(*this);
    Delete(index);
    InsertObject(index, s, obj);
}

void TStrings::PutObject(int, TObject*) {}

void TStrings::InsertObject(int index, const AnsiString& s, TObject* obj) {
    TUpdateBracket bracket(*this);
    Insert(index, s);
    PutObject(index, obj);
}

int TStrings::Add(const AnsiString& s) {
    const int index = GetCount();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const AnsiString& s, TObject* obj) {
    TUpdateBracket bracket(*this);
    const int index = Add(s);
    PutObject(index, obj);
    return index;
}

void TStrings::AddStrings(TStrings* strings) {
    TUpdateBracket bracket(*this);
    const int count = strings->GetCount();
    for (int i = 0; i < count; ++i)
        AddObject(strings->Get(i), strings->GetObject(i));
}

void TStrings::Exchange(int index1, int index2) {
    TUpdateBracket bracket(*this);
    const AnsiString s1 = Get(index1);
    TObject* o1 = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s1);
    PutObject(index2, o1);
}

void TStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    TUpdateBracket bracket(*this);
    const AnsiString s = Get(curIndex);
    TObject* obj = GetObject(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, s, obj);
}

void TStrings::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TStrings*>(source)) {
        if (other == this) return;
        TUpdateBracket bracket(*this);
        Clear();
        AddStrings(other);
        return;
    }
    inherited::Assign(source);
}

bool TStrings::Equals(TStrings* other) const {
    const int count = GetCount();
    if (other == nullptr || count != other->GetCount()) return false;
    for (int i = 0; i < count; ++i)
        if (Get(i) != other->Get(i)) return false;
    return true;
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const {
    return AnsiCompareText(a, b);
}

int TStrings::IndexOf(std::string_view s) const {
    const int count = GetCount();
    for (int i = 0; i < count; ++i)
        if (CompareStrings(Get(i), s) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        const AnsiString s = Get(i);
        const std::size_t p = s.find(FNameValueSeparator);
        if (p != AnsiString::npos && CompareStrings(std::string_view(s).substr(0, p), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* obj) const {
    const int count = GetCount();
    for (int i = 0; i < count; ++i)
        if (GetObject(i) == obj) return i;
    return -1;
}

AnsiString TStrings::GetName(int index) const {
    const AnsiString s = Get(index);
    const std::size_t p = s.find(FNameValueSeparator);
    return p == AnsiString::npos ? AnsiString() : s.substr(0, p);
}

AnsiString TStrings::GetValue(std::string_view name) const {
    const int index = IndexOfName(name);
    return index < 0 ? AnsiString() : GetValueFromIndex(index);
}

void TStrings::SetValue(std::string_view name, std::string_view value) {
    const int index = IndexOfName(name);
    const AnsiString line = AnsiString(name) + FNameValueSeparator + AnsiString(value);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    if (index < 0) {
        Add(line);
    } else if (auto* list = dynamic_cast<TStringList*>(this); list != nullptr && list->GetSorted()) {
        // A sorted list cannot take a line in place; the new line finds its own position.
        TUpdateBracket bracket(*this);
        TObject* obj = GetObject(index);
        Delete(index);
        AddObject(line, obj);
    } else {
        Put(index, line);
    }
}

AnsiString TStrings::GetValueFromIndex(int index) const {
    const AnsiString s = Get(index);
    const std::size_t p = s.find(FNameValueSeparator);
    return p == AnsiString::npos ? AnsiString() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int index, std::string_view value) {
    if (value.empty()) {
        Delete(index);
        return;
    }
    Put(index, GetName(index) + FNameValueSeparator + AnsiString(value));
}

AnsiString TStrings::GetText() const {
    AnsiString text;
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(std::string_view text) {
    TUpdateBracket bracket(*this);
    Clear();
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        while (i < text.size() && text[i] != '\r' && text[i] != '\n')
            ++i;
        Add(AnsiString(text.substr(start, i - start)));
        if (i < text.size() && text[i] == '\r') ++i;
        if (i < text.size() && text[i] == '\n') ++i;
    }
}

AnsiString TStrings::GetDelimitedText() const {
    AnsiString text;
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        if (i > 0) text += FDelimiter;
        const AnsiString s = Get(i);
        text += NeedsQuotes(s, FDelimiter, FQuoteChar) ? Quoted(s, FQuoteChar) : s;
    }
    return text;
}

void TStrings::SetDelimitedText(std::string_view text) {
    TUpdateBracket bracket(*this);
    Clear();
    std::size_t p = 0;
    const std::size_t n = text.size();
    while (p < n && IsBlank(text[p]))
        ++p;
    while (p < n) {
        AnsiString s;
        if (text[p] == FQuoteChar) {
            ++p;
            while (p < n) {
                if (text[p] == FQuoteChar) {
                    if (p + 1 < n && text[p + 1] == FQuoteChar) {
                        s += FQuoteChar;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                s += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < n && !IsBlank(text[p]) && text[p] != FDelimiter)
                ++p;
            s = AnsiString(text.substr(start, p - start));
        }
        Add(s);
        while (p < n && IsBlank(text[p]))
            ++p;
        if (p < n && text[p] == FDelimiter) {
            if (p + 1 == n) Add(AnsiString()); // a trailing delimiter ends with an empty line
            ++p;
            while (p < n && IsBlank(text[p]))
                ++p;
        }
    }
}

AnsiString TStrings::GetCommaText() const {
    // Always with ',' and '"', whatever Delimiter and QuoteChar say.
    AnsiString text;
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        if (i > 0) text += ',';
        const AnsiString s = Get(i);
        text += NeedsQuotes(s, ',', '"') ? Quoted(s, '"') : s;
    }
    return text;
}

void TStrings::SetCommaText(std::string_view text) {
    const char delimiter = FDelimiter, quote = FQuoteChar;
    FDelimiter = ',';
    FQuoteChar = '"';
    try {
        SetDelimitedText(text);
    } catch (...) {
        FDelimiter = delimiter;
        FQuoteChar = quote;
        throw;
    }
    FDelimiter = delimiter;
    FQuoteChar = quote;
}

void TStrings::BeginUpdate() {
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    if (FUpdateCount == 0) return;
    --FUpdateCount;
    if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromStream(TStream* stream) {
    const std::int64_t size = stream->GetSize() - stream->GetPosition();
    AnsiString text;
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        stream->ReadBuffer(text.data(), size);
    }
    SetText(text);
}

void TStrings::SaveToStream(TStream* stream) {
    const AnsiString text = GetText();
    stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TStrings::LoadFromFile(const AnsiString& fileName) {
    auto file = New<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file.get());
}

void TStrings::SaveToFile(const AnsiString& fileName) {
    auto file = New<TFileStream>(fileName, fmCreate);
    SaveToStream(file.get());
}

void TStrings::DefineProperties(TFiler& filer) {
    bool hasData;
    if (auto* ancestor = dynamic_cast<TStrings*>(filer.GetAncestor())) {
        hasData = !Equals(ancestor);
    } else {
        hasData = GetCount() > 0;
    }
    filer.DefineProperty(
        "Strings", [this](TReader& reader) { ReadData(reader); },
        [this](TWriter& writer) { WriteData(writer); }, hasData);
}

void TStrings::ReadData(TReader& reader) {
    reader.ReadListBegin();
    TUpdateBracket bracket(*this);
    Clear();
    while (!reader.EndOfList())
        Add(reader.ReadString());
    reader.ReadListEnd();
}

void TStrings::WriteData(TWriter& writer) {
    writer.WriteListBegin();
    const int count = GetCount();
    for (int i = 0; i < count; ++i)
        writer.WriteString(Get(i));
    writer.WriteListEnd();
}

// --- TStringList --------------------------------------------------------------------------------

TStringList::~TStringList() = default;

void TStringList::Destroy() {
    FOnChange = nullptr;
    FOnChanging = nullptr;
    if (FOwnsObjects)
        for (auto& item : FList)
            FreeAndNil(item.Object);
    FList.clear();
    inherited::Destroy();
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= GetCount()) Error(index);
}

void TStringList::Changed() {
    if (GetUpdateCount() == 0 && FOnChange) FOnChange(this);
}

void TStringList::Changing() {
    if (GetUpdateCount() == 0 && FOnChanging) FOnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
    // Called outside the count: the bracket's one OnChanging before and one OnChange after.
    if (updating) {
        if (FOnChanging) FOnChanging(this);
    } else {
        if (FOnChange) FOnChange(this);
    }
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
    return FCaseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

AnsiString TStringList::Get(int index) const {
    CheckIndex(index);
    return FList[static_cast<std::size_t>(index)].String;
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index);
    return FList[static_cast<std::size_t>(index)].Object;
}

void TStringList::Put(int index, const AnsiString& s) {
    if (FSorted) throw EStringListError(SSortedListError);
    CheckIndex(index);
    Changing();
    FList[static_cast<std::size_t>(index)].String = s;
    Changed();
}

void TStringList::PutObject(int index, TObject* obj) {
    CheckIndex(index);
    Changing();
    FList[static_cast<std::size_t>(index)].Object = obj;
    Changed();
}

void TStringList::Clear() {
    if (FList.empty()) return;
    Changing();
    std::vector<TStringItem> old;
    old.swap(FList);
    if (FOwnsObjects)
        for (auto& item : old)
            FreeAndNil(item.Object);
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    TObject* obj = FList[static_cast<std::size_t>(index)].Object;
    FList.erase(FList.begin() + index);
    if (FOwnsObjects) FreeAndNil(obj);
    Changed();
}

void TStringList::InsertItem(int index, const AnsiString& s, TObject* obj) {
    Changing();
    FList.insert(FList.begin() + index, TStringItem{s, obj});
    Changed();
}

void TStringList::Insert(int index, const AnsiString& s) {
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const AnsiString& s, TObject* obj) {
    if (FSorted) throw EStringListError(SSortedListError);
    if (index < 0 || index > GetCount()) Error(index);
    InsertItem(index, s, obj);
}

int TStringList::Add(const AnsiString& s) {
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const AnsiString& s, TObject* obj) {
    int index;
    if (!FSorted) {
        index = GetCount();
    } else if (Find(s, index)) {
        switch (FDuplicates) {
        case dupIgnore:
            return index;
        case dupError:
            throw EStringListError(SDuplicateString);
        case dupAccept:
            // After the equal lines already there, so that equal lines keep the order added.
            while (index < GetCount() &&
                   CompareStrings(FList[static_cast<std::size_t>(index)].String, s) == 0)
                ++index;
            break;
        }
    }
    InsertItem(index, s, obj);
    return index;
}

void TStringList::Exchange(int index1, int index2) {
    if (FSorted) throw EStringListError(SSortedListError);
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(FList[static_cast<std::size_t>(index1)], FList[static_cast<std::size_t>(index2)]);
    Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    if (FSorted) throw EStringListError(SSortedListError);
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    Changing();
    TStringItem item = std::move(FList[static_cast<std::size_t>(curIndex)]);
    FList.erase(FList.begin() + curIndex);
    FList.insert(FList.begin() + newIndex, std::move(item));
    Changed();
}

bool TStringList::Find(std::string_view s, int& index) const {
    auto it = std::lower_bound(FList.begin(), FList.end(), s,
                               [this](const TStringItem& item, std::string_view key) {
                                   return CompareStrings(item.String, key) < 0;
                               });
    index = static_cast<int>(it - FList.begin());
    return it != FList.end() && CompareStrings(it->String, s) == 0;
}

int TStringList::IndexOf(std::string_view s) const {
    if (!FSorted) return inherited::IndexOf(s);
    int index;
    return Find(s, index) ? index : -1;
}

void TStringList::SetCapacity(int capacity) {
    if (capacity > 0) FList.reserve(static_cast<std::size_t>(capacity));
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, int a, int b) {
        return list->CompareStrings(list->FList[static_cast<std::size_t>(a)].String,
                                    list->FList[static_cast<std::size_t>(b)].String);
    });
}

void TStringList::CustomSort(const std::function<int(TStringList*, int, int)>& compare) {
    if (FList.size() < 2) return;
    Changing();
    std::vector<int> order(FList.size());
    std::iota(order.begin(), order.end(), 0);
    // A merge sort of our own: stable, and it stays within bounds even when a custom comparison
    // is inconsistent (the standard sorts may not).
    std::vector<int> buffer(order.size());
    const std::size_t n = order.size();
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            std::size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                buffer[k++] = compare(this, order[j], order[i]) < 0 ? order[j++] : order[i++];
            while (i < mid)
                buffer[k++] = order[i++];
            while (j < hi)
                buffer[k++] = order[j++];
        }
        order.swap(buffer);
    }
    std::vector<TStringItem> sorted;
    sorted.reserve(FList.size());
    for (int i : order)
        sorted.push_back(std::move(FList[static_cast<std::size_t>(i)]));
    FList.swap(sorted);
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (value == FSorted) return;
    if (value) Sort();
    FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (value == FCaseSensitive) return;
    FCaseSensitive = value;
    if (FSorted) Sort();
}

} // namespace vcl
