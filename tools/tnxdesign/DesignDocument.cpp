// DesignDocument: one data module being designed (see DesignDocument.h).
#include "tools/tnxdesign/DesignDocument.h"

#include "platform/vcl/DataModule.h"
#include "platform/vcl/Events.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/Reader.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/Field.h"

#include <fstream>
#include <iterator>

namespace tnxdesign {

using namespace vcl;

namespace {

std::string ReadWholeFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFOpenError("Cannot open file \"%s\"", {fileName});
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Calls proc for every event of the design bound to a named handler.
void ForEachBoundHandler(TComponent* root, const std::function<void(const std::shared_ptr<const THandler>&)>& proc) {
    auto visit = [&](TComponent* component) {
        for (const TPropInfo* prop : GetPropList(component->ClassType())) {
            if (prop->Kind != TTypeKind::tkMethod || !prop->GetHandler) continue;
            if (auto handler = prop->GetHandler(component)) proc(handler);
        }
    };
    visit(root);
    for (int i = 0; i < root->GetComponentCount(); ++i) visit(root->GetComponent(i));
}

// The root's name as the form data gives it. The reader leaves the name of a root in the designer
// alone (a host designer names its roots itself); this designer keeps the file's.
AnsiString RootNameOf(const std::string& data) {
    auto input = vcl::New<TMemoryStream>();
    input->WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    input->SetPosition(0);
    auto binary = vcl::New<TMemoryStream>();
    switch (TestStreamFormat(input.get())) {
    case sofText:
        ObjectTextToBinary(input.get(), binary.get());
        break;
    case sofBinary:
        binary->CopyFrom(input.get(), 0);
        break;
    default:
        return AnsiString();
    }
    binary->SetPosition(0);
    auto reader = vcl::New<TReader>(binary.get());
    reader->ReadSignature();
    TFilerFlags flags;
    std::int32_t position = 0;
    reader->ReadPrefix(flags, position);
    reader->ReadStr(); // the class
    return reader->ReadStr();
}

} // namespace

DesignDocument::DesignDocument() : FRoot(MakeRoot()) { FRoot->SetName("DataModule1"); }

DesignDocument::~DesignDocument() {
    // The views go first: nothing may hear of the design while it is being freed.
    FSubscribers.clear();
    FRoot.reset();
}

TOwned<TDataModule> DesignDocument::MakeRoot() const {
    auto root = vcl::New<TDataModule>();
    root->SetDesigning(true);
    return root;
}

void DesignDocument::Replace(TOwned<TDataModule> root, const std::string& fileName, TFormFileFormat format) {
    FMethods.clear();
    FRoot = std::move(root);
    FFileName = fileName;
    FFormat = format;
    FModified = false;
    NotifyChanged();
}

void DesignDocument::New() {
    auto root = MakeRoot();
    root->SetName("DataModule1");
    Replace(std::move(root), std::string(), TFormFileFormat::Text);
}

void DesignDocument::Open(const std::string& fileName) {
    const std::string data = ReadWholeFile(fileName);
    auto probe = vcl::New<TMemoryStream>();
    probe->WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    probe->SetPosition(0);
    const TStreamOriginalFormat original = TestStreamFormat(probe.get());
    if (original != sofText && original != sofBinary) throw EReadError("%s is not a form file", {fileName});
    auto root = MakeRoot();
    // The reader frees what it created when reading fails; the root is ours and simply dropped.
    ReadComponentData(data, root.get());
    if (root->GetName().empty()) root->SetName(RootNameOf(data));
    Replace(std::move(root), fileName, original == sofText ? TFormFileFormat::Text : TFormFileFormat::Binary);
}

std::string DesignDocument::ToText() const { return WriteComponentText(FRoot.get()); }

void DesignDocument::SaveAs(const std::string& fileName, TFormFileFormat format) {
    auto stream = vcl::New<TMemoryStream>();
    if (format == TFormFileFormat::Text) {
        const std::string text = ToText();
        stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    } else {
        stream->WriteComponent(FRoot.get());
    }
    stream->SaveToFile(fileName);
    FFileName = fileName;
    FFormat = format;
    FModified = false;
    NotifyChanged();
}

void DesignDocument::Save() {
    if (FFileName.empty()) throw EInvalidOperation("The design has no file name yet");
    SaveAs(FFileName, FFormat);
}

AnsiString DesignDocument::UniqueName(TClass cls) const {
    AnsiString base = ClassNameOf(cls);
    if (base.size() > 1 && (base[0] == 'T' || base[0] == 't')) base.erase(0, 1);
    for (int n = 1;; ++n) {
        const AnsiString name = base + std::to_string(n);
        if (FRoot->FindComponent(name) == nullptr && !SameText(FRoot->GetName(), name)) return name;
    }
}

TComponent* DesignDocument::Drop(TClass cls) {
    if (cls == nullptr || cls->Create == nullptr)
        throw EComponentError("Class %s cannot be placed on a data module", {ClassNameOf(cls)});
    TComponent* component = cls->Create(FRoot.get());
    try {
        component->SetName(UniqueName(cls));
    } catch (...) {
        component->Free();
        throw;
    }
    Modified();
    return component;
}

void DesignDocument::Rename(TComponent* component, const AnsiString& newName) {
    component->SetName(newName);
    Modified();
}

void DesignDocument::Delete(TComponent* component) {
    if (component == nullptr || component == FRoot.get()) return;
    for (TComponent* field : FieldsOf(component)) field->Free();
    component->Free();
    Modified();
}

std::vector<TComponent*> DesignDocument::TopComponents() const {
    std::vector<TComponent*> result;
    for (int i = 0; i < FRoot->GetComponentCount(); ++i) {
        TComponent* c = FRoot->GetComponent(i);
        if (!c->InheritsFrom<TField>()) result.push_back(c);
    }
    return result;
}

std::vector<TComponent*> DesignDocument::FieldsOf(TComponent* dataSet) const {
    std::vector<TComponent*> result;
    for (int i = 0; i < FRoot->GetComponentCount(); ++i) {
        auto* field = dynamic_cast<TField*>(FRoot->GetComponent(i));
        if (field != nullptr && field->GetDataSet() != nullptr && static_cast<TComponent*>(field->GetDataSet()) == dataSet)
            result.push_back(field);
    }
    return result;
}

int DesignDocument::Subscribe(std::function<void()> onChanged) {
    const int id = FNextSubscriber++;
    FSubscribers.emplace(id, std::move(onChanged));
    return id;
}

void DesignDocument::Unsubscribe(int id) { FSubscribers.erase(id); }

void DesignDocument::NotifyChanged() {
    // A subscriber may unsubscribe (or subscribe) while being told.
    const auto subscribers = FSubscribers;
    for (const auto& [id, onChanged] : subscribers)
        if (FSubscribers.count(id) != 0) onChanged();
}

TComponent* DesignDocument::GetRoot() { return FRoot.get(); }

void DesignDocument::Modified() {
    FModified = true;
    NotifyChanged();
}

void DesignDocument::GetMethods(const std::type_info& signature, const TGetStrProc& proc) {
    std::map<AnsiString, AnsiString> names; // upper-cased -> as written, sorted
    for (const auto& [key, handler] : FMethods)
        if (handler->Signature() == signature) names.emplace(key, handler->Name());
    ForEachBoundHandler(FRoot.get(), [&](const std::shared_ptr<const THandler>& handler) {
        if (handler->Signature() == signature) names.emplace(UpperCase(handler->Name()), handler->Name());
    });
    IDesigner::GetMethods(signature, [&](const AnsiString& name) { names.emplace(UpperCase(name), name); });
    for (const auto& [key, name] : names) proc(name);
}

bool DesignDocument::MethodExists(std::string_view name) {
    if (FMethods.count(UpperCase(name)) != 0) return true;
    bool found = false;
    ForEachBoundHandler(FRoot.get(), [&](const std::shared_ptr<const THandler>& handler) {
        if (SameText(handler->Name(), name)) found = true;
    });
    return found || IDesigner::MethodExists(name);
}

std::shared_ptr<const THandler> DesignDocument::CreateMethod(const AnsiString& name, const TPropInfo& event) {
    if (!event.MakePlaceholder || event.EventSignature == nullptr)
        throw EPropertyError("Event %s cannot be given a handler in the designer", {event.Name});
    std::shared_ptr<const THandler> existing;
    auto it = FMethods.find(UpperCase(name));
    if (it != FMethods.end()) existing = it->second;
    ForEachBoundHandler(FRoot.get(), [&](const std::shared_ptr<const THandler>& handler) {
        if (!existing && SameText(handler->Name(), name)) existing = handler;
    });
    if (existing) {
        if (existing->Signature() != *event.EventSignature)
            throw EPropertyError("Handler %s exists for an event of another kind", {name});
        return existing;
    }
    auto handler = event.MakePlaceholder(name);
    FMethods[UpperCase(name)] = handler;
    return handler;
}

} // namespace tnxdesign
