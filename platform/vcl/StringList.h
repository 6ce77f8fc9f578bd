// String lists: TStrings, the abstract list of lines with an object per line, and TStringList, the
// list that keeps them in memory, optionally sorted.
//
// Text is the lines each followed by CR LF; setting it accepts CR LF, LF and CR as line ends (a
// final line end adds no empty line). CommaText / DelimitedText join the lines with the delimiter,
// quoting (with QuoteChar, doubled inside) every line that is empty or holds blanks, control
// characters, the delimiter or the quote character, so that reading the text back gives the same
// lines. Names and values are lines "name=value" (NameValueSeparator).
//
// Comparisons (IndexOf, IndexOfName, Find, sorting) ignore letter case by default, with the
// Windows-1252 collation (AnsiCompareText); TStringList::SetCaseSensitive makes them exact
// (AnsiCompareStr).
//
// Change events: TStringList fires OnChanging before and OnChange after each change; between
// BeginUpdate and the matching EndUpdate it fires none, and EndUpdate fires one OnChange for the
// whole bracket (BeginUpdate one OnChanging).
//
// Indexes out of range raise EStringListError "List index out of bounds (n)".
#pragma once

#include "platform/vcl/Events.h"
#include "platform/vcl/Persistent.h"

#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace vcl {

class TStream;
class TReader;
class TWriter;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
    VCL_CLASS(TStrings, TPersistent)
public:
    // --- The primitives a list supplies --------------------------------------------------------
    virtual AnsiString Get(int index) const = 0;
    virtual int GetCount() const = 0;
    virtual TObject* GetObject(int index) const;
    // Replaces a line (the object stays).
    virtual void Put(int index, const AnsiString& s);
    virtual void PutObject(int index, TObject* obj);
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Insert(int index, const AnsiString& s) = 0;
    virtual void InsertObject(int index, const AnsiString& s, TObject* obj);

    AnsiString operator[](int index) const { return Get(index); }

    // --- Adding and moving ---------------------------------------------------------------------
    // Returns the index of the line (for a sorted list, where it went).
    virtual int Add(const AnsiString& s);
    virtual int AddObject(const AnsiString& s, TObject* obj);
    void Append(const AnsiString& s) { Add(s); }
    // Adds every line of the other list with its object.
    virtual void AddStrings(TStrings* strings);
    virtual void Exchange(int index1, int index2);
    virtual void Move(int curIndex, int newIndex);
    // Copies the lines and objects of another TStrings; other sources: the cannot-assign error.
    void Assign(TPersistent* source) override;
    // Same lines (exactly, letter case included) in the same order.
    bool Equals(TStrings* other) const;

    // --- Searching -----------------------------------------------------------------------------
    virtual int IndexOf(std::string_view s) const;
    int IndexOfName(std::string_view name) const;
    int IndexOfObject(const TObject* obj) const;

    // --- Names and values ----------------------------------------------------------------------
    // The part of line index before the separator ("" when it has none).
    AnsiString GetName(int index) const;
    // The value of the first line named name ("" when none).
    AnsiString GetValue(std::string_view name) const;
    // Sets the value of the line named name, adding a line if needed; an empty value deletes it.
    void SetValue(std::string_view name, std::string_view value);
    AnsiString GetValueFromIndex(int index) const;
    void SetValueFromIndex(int index, std::string_view value);
    char GetNameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(char c) { FNameValueSeparator = c; }

    // --- Text forms ----------------------------------------------------------------------------
    virtual AnsiString GetText() const;
    virtual void SetText(std::string_view text);
    AnsiString GetCommaText() const;
    void SetCommaText(std::string_view text);
    AnsiString GetDelimitedText() const;
    void SetDelimitedText(std::string_view text);
    char GetDelimiter() const { return FDelimiter; }
    void SetDelimiter(char c) { FDelimiter = c; }
    char GetQuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char c) { FQuoteChar = c; }

    // --- Updates -------------------------------------------------------------------------------
    void BeginUpdate();
    void EndUpdate();
    int GetUpdateCount() const { return FUpdateCount; }

    // --- Streams and files ---------------------------------------------------------------------
    // Reads the rest of the stream (from its position) as the text.
    virtual void LoadFromStream(TStream* stream);
    virtual void SaveToStream(TStream* stream);
    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName);

    virtual int GetCapacity() const { return GetCount(); }
    virtual void SetCapacity(int) {}

protected:
    TStrings() = default;
    ~TStrings() override;
    // Called with true by the outermost BeginUpdate and with false by the matching EndUpdate.
    virtual void SetUpdateState(bool updating);
    // How lines compare in searches: AnsiCompareText here.
    virtual int CompareStrings(std::string_view a, std::string_view b) const;
    // Stores the lines in form files as the list property "Strings".
    void DefineProperties(TFiler& filer) override;
    [[noreturn]] void Error(int index) const;

private:
    void ReadData(TReader& reader);
    void WriteData(TWriter& writer);

    int FUpdateCount = 0;
    char FDelimiter = ',';
    char FQuoteChar = '"';
    char FNameValueSeparator = '=';
};

class TStringList : public TStrings {
    VCL_CLASS(TStringList, TStrings)
public:
    TStringList() = default;

    AnsiString Get(int index) const override;
    int GetCount() const override { return static_cast<int>(FList.size()); }
    TObject* GetObject(int index) const override;
    // On a sorted list raises EStringListError "Operation not allowed on sorted string list".
    void Put(int index, const AnsiString& s) override;
    void PutObject(int index, TObject* obj) override;
    void Clear() override;
    void Delete(int index) override;
    // On a sorted list raises EStringListError "Operation not allowed on sorted string list".
    void Insert(int index, const AnsiString& s) override;
    void InsertObject(int index, const AnsiString& s, TObject* obj) override;
    // On a sorted list: a duplicate is dropped (dupIgnore, returning the existing index), added
    // (dupAccept) or refused with EStringListError "String list does not allow duplicates"
    // (dupError). Duplicates are not checked in unsorted lists.
    int Add(const AnsiString& s) override;
    int AddObject(const AnsiString& s, TObject* obj) override;
    // Not allowed on sorted lists (it would break the order).
    void Exchange(int index1, int index2) override;
    void Move(int curIndex, int newIndex) override;
    int IndexOf(std::string_view s) const override;
    int GetCapacity() const override { return static_cast<int>(FList.capacity()); }
    void SetCapacity(int capacity) override;

    // Binary search of a sorted list: true when found; index is the first match or the place the
    // line would go. (On an unsorted list the result is meaningless, as in the framework.)
    bool Find(std::string_view s, int& index) const;
    // Sorts with CompareStrings; the sort is stable.
    virtual void Sort();
    // Sorts with a comparison of two lines given by index (negative, 0, positive).
    virtual void CustomSort(const std::function<int(TStringList* list, int index1, int index2)>& compare);

    bool GetSorted() const { return FSorted; }
    void SetSorted(bool value);
    TDuplicates GetDuplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates value) { FDuplicates = value; }
    bool GetCaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value);
    // When set, the list frees the objects of the lines it deletes, and all of them when freed.
    bool GetOwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool value) { FOwnsObjects = value; }

    const TNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }
    const TNotifyEvent& GetOnChanging() const { return FOnChanging; }
    void SetOnChanging(TNotifyEvent handler) { FOnChanging = std::move(handler); }

protected:
    ~TStringList() override;
    void Destroy() override;
    virtual void Changed();
    virtual void Changing();
    void SetUpdateState(bool updating) override;
    int CompareStrings(std::string_view a, std::string_view b) const override;

private:
    struct TStringItem {
        AnsiString String;
        TObject* Object = nullptr; // not owned unless FOwnsObjects
    };
    void InsertItem(int index, const AnsiString& s, TObject* obj);
    void CheckIndex(int index) const;

    std::vector<TStringItem> FList;
    bool FSorted = false;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
    TDuplicates FDuplicates = dupIgnore;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
};

} // namespace vcl
