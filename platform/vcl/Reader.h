// TReader: reads components and values from binary form data (Filer.h).
//
// Reading a form (ReadRootComponent):
//   - the root is the instance given, or a new instance of the class named in the data (the class
//     must be registered, ClassRegistry.h); children are created by class name with the component
//     they are nested in as their owner;
//   - every component read is in csLoading and, while its own properties and children are read,
//     in csReading; property values go through the published setters;
//   - references to other components are resolved once the whole form has been read (names
//     relative to the root, or "Form2.Comp" for another loaded root; those wait until that root is
//     loaded); events are bound to the handlers registered on the root under the stored names;
//   - then Loaded is called on every component read, in the order they were read (all of them,
//     even when one raises; the first exception is raised afterwards).
// Errors: malformed data raises EReadError (truncated data "Stream read error", an unknown value
// type, a length running past the end, nesting deeper than MaxFilerNesting), an unknown class
// EClassNotFound "Class X not found"; errors about one property are raised as EReadError
// "Error reading Form1.Comp.Prop: <reason>". When reading fails, every component this reader
// created is freed (the root too, when it created it) and the states it set are cleared; nothing
// is left half-read in the caller's root.
#pragma once

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace vcl {

class THandler;
class TEnumInfo;
struct TPropInfo;

class TReader : public TFiler {
    VCL_CLASS(TReader, TFiler)
public:
    explicit TReader(TStream* stream);

    void DefineProperty(const AnsiString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    // --- Components ----------------------------------------------------------------------------
    // Reads a whole form into root (see the file comment) and returns it.
    TComponent* ReadRootComponent(TComponent* root);
    // Reads a whole form into a new instance of the class named in the data.
    TOwned<TComponent> ReadRootComponent();
    // Reads a component's properties and children (TComponent::ReadState calls it).
    void ReadData(TComponent* instance);
    // Reads one nested component with the given owner and returns it.
    TComponent* ReadComponent(TComponent* owner);
    void ReadSignature();
    void ReadPrefix(TFilerFlags& flags, std::int32_t& childPos);

    // --- Values --------------------------------------------------------------------------------
    TValueType ReadValue();
    // The next value type, without consuming it.
    TValueType NextValue();
    // Reads a value type and raises EReadError "Invalid property value" unless it is 'type'.
    void CheckValue(TValueType type);
    bool EndOfList();
    void ReadListBegin();
    void ReadListEnd();
    // Integers of any width that fit; others raise EReadError.
    std::int32_t ReadInteger();
    std::int64_t ReadInt64();
    bool ReadBoolean();
    // Any numeric value (extended, single, currency, date, integers).
    double ReadFloat();
    float ReadSingle();
    Currency ReadCurrency();
    TDateTime ReadDate();
    // Short, long, wide or UTF-8 strings, as Windows-1252 text (characters it lacks become '?').
    AnsiString ReadString();
    // An identifier; also False, True, nil and Null for their value types.
    AnsiString ReadIdent();
    // A short string without a value type (names).
    AnsiString ReadStr();
    // A set of the enumeration's names, as bits.
    std::uint64_t ReadSet(const TEnumInfo& elements);
    // The bytes of a binary value.
    std::string ReadBinary();
    // Skips one value of any type.
    void SkipValue();

    // While the children of a component are read: that component. Children that have a parent
    // (controls) are placed in it; one that cannot sit there fails the read.
    TComponent* GetParent() const { return FParent; }

    // Reading several form files into one root (an ancestor's, then the descendant's): with a
    // list set, Loaded is not called; the components are appended to the list instead, for one
    // NotifyLoaded once the last file is read.
    void SetLoadedList(std::vector<TComponent*>* list) { FLoadedList = list; }
    // Calls Loaded on each component in order (all of them; the first exception is raised
    // afterwards) and clears csLoading.
    static void NotifyLoaded(const std::vector<TComponent*>& components);

    // --- Hooks ---------------------------------------------------------------------------------
    // Finds a class the registry does not know (return null to fail).
    std::function<TClass(TReader& reader, const AnsiString& className)> OnFindComponentClass;
    // Finds a handler the root has not registered, by its name (a handler of another name, or
    // null, fails).
    std::function<std::shared_ptr<const THandler>(TReader& reader, const AnsiString& name)> OnFindMethod;
    // Offered errors about one property (unknown property, a value the setter refuses, an
    // unresolved reference): return true to ignore it and go on.
    std::function<bool(TReader& reader, const Exception& error)> OnError;

protected:
    ~TReader() override;

private:
    struct TFixup {
        TComponent* Component; // the component the instance belongs to (for its lifetime)
        TPersistent* Instance; // the object whose property refers
        const TPropInfo* Prop;
        AnsiString Name; // the reference as stored
        AnsiString Path; // for messages: "Form1.SQL1.Session"
    };
    class TDepthGuard;

    TComponent* ReadRoot(TComponent* root, bool& created);
    void ReadProperty(TComponent* component);
    void ReadPropValue(TComponent* component, TPersistent* instance, const TPropInfo& prop,
                       const AnsiString& path);
    // The kinds of property value ReadPropValue hands on: an integer (a number, or an identifier
    // the property's type names), a reference to a component (resolved later, by name), an event
    // handler (found by name).
    void ReadIntegerProp(TPersistent* instance, const TPropInfo& prop);
    void ReadReferenceProp(TComponent* component, TPersistent* instance, const TPropInfo& prop,
                           const AnsiString& path);
    void ReadHandlerProp(TPersistent* instance, const TPropInfo& prop);
    void ResolveFixups();
    void CleanupAfterError();
    TClass FindComponentClass(const AnsiString& className);
    std::shared_ptr<const THandler> FindMethod(const AnsiString& name);
    AnsiString ComponentPath(TComponent* component) const;
    // Checks that 'length' more bytes exist in the stream.
    void CheckLength(std::int64_t length);
    bool OfferError(const Exception& error);
    void SkipSetBody();
    void SkipCollectionBody();

    std::vector<TComponent*> FLoaded;  // components read, in order; each gets Loaded
    std::vector<TComponent*> FCreated; // components this reader created, in order
    std::vector<TFixup> FFixups;       // references to resolve at the end
    AnsiString FPropName;              // the defined property being looked for, while reading
    bool FPropFound = false;
    int FDepth = 0;
    TComponent* FParent = nullptr; // the component whose children are being read
    std::vector<TComponent*>* FLoadedList = nullptr;
};

// Looks a root component (a form or data module) up by name, through the procedures registered
// with RegisterFindGlobalComponentProc (Forms.cpp registers the screen's forms and data modules).
TComponent* FindGlobalComponent(std::string_view name);
using TFindGlobalComponent = std::function<TComponent*(std::string_view name)>;
// Returns an id for UnRegisterFindGlobalComponentProc.
int RegisterFindGlobalComponentProc(TFindGlobalComponent proc);
void UnRegisterFindGlobalComponentProc(int id);

// Resolves the references waiting for other roots (called after each form is read; call it after
// creating a root by other means). Returns whether none is left waiting.
bool GlobalFixupReferences();
// Drops the waiting references of a component (its destruction does this).
void RemoveFixupReferences(TComponent* component);

} // namespace vcl
