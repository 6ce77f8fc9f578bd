// DesignDocument: one data module being designed, without any window.
//
// The document owns the root (a TDataModule in the designing state) and everything on it, and is
// the IDesigner that property and component editors report to. It opens and saves form files in
// text or binary form, drops components of a class onto the root under the names the framework
// gives them (the class name without its leading "T", numbered from 1: AsaSession1), renames and
// deletes them, and keeps the "modified since saved" flag that Modified sets.
//
// Views (the main window's tree, inspector and grids) subscribe to Changed, which fires after
// every change the document hears of; they never keep state the document does not have.
//
// Events: the designer has no application code, so a handler named in a form file or typed into
// the inspector is a placeholder that keeps the name (it is written back to the form file and
// bound to the application's code when the application reads the file).
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/DataModule.h"
#include "platform/vcl/design/Designer.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tnxdesign {

enum class TFormFileFormat { Text, Binary };

class DesignDocument : public vcl::IDesigner {
public:
    // A new, empty data module named DataModule1.
    DesignDocument();
    ~DesignDocument() override;
    DesignDocument(const DesignDocument&) = delete;
    DesignDocument& operator=(const DesignDocument&) = delete;

    // --- Files ------------------------------------------------------------------------------------
    // Replaces the design with a new, empty data module (no file name, not modified).
    void New();
    // Reads a form file, text or binary; the classes it names must be registered (by a loaded
    // package or by the framework). On failure the current design is kept and the error raised.
    void Open(const std::string& fileName);
    // Writes the design to the file in the given format; it becomes the document's file.
    void SaveAs(const std::string& fileName, TFormFileFormat format);
    // Writes to the document's own file in the format it was read in (text for a new one).
    void Save();
    const std::string& GetFileName() const { return FFileName; }
    TFormFileFormat GetFormat() const { return FFormat; }
    bool IsModified() const { return FModified; }
    // The design as form text (what a text save writes).
    std::string ToText() const;

    // --- Components -------------------------------------------------------------------------------
    vcl::TDataModule* Root() const { return FRoot.get(); }
    // Creates a component of the class on the root, named UniqueName(cls), and returns it.
    vcl::TComponent* Drop(vcl::TClass cls);
    // The first free name of the framework's pattern for components of the class.
    vcl::AnsiString UniqueName(vcl::TClass cls) const;
    // Renames a component of the design (EComponentError for an invalid or taken name).
    void Rename(vcl::TComponent* component, const vcl::AnsiString& newName);
    // Frees a component of the design (a dataset's persistent fields go with it).
    void Delete(vcl::TComponent* component);
    // The components of the design that are not persistent fields, in creation order.
    std::vector<vcl::TComponent*> TopComponents() const;
    // The persistent fields of the design that belong to the dataset.
    std::vector<vcl::TComponent*> FieldsOf(vcl::TComponent* dataSet) const;

    // --- Views ------------------------------------------------------------------------------------
    // Called after every change (Modified, a new or opened file, a save). Returns an id for
    // Unsubscribe.
    int Subscribe(std::function<void()> onChanged);
    void Unsubscribe(int id);

    // --- IDesigner --------------------------------------------------------------------------------
    vcl::TComponent* GetRoot() override;
    void Modified() override;
    void GetMethods(const std::type_info& signature, const vcl::TGetStrProc& proc) override;
    bool MethodExists(std::string_view name) override;
    std::shared_ptr<const vcl::THandler> CreateMethod(const vcl::AnsiString& name, const vcl::TPropInfo& event) override;

private:
    vcl::TOwned<vcl::TDataModule> MakeRoot() const;
    void Replace(vcl::TOwned<vcl::TDataModule> root, const std::string& fileName, TFormFileFormat format);
    void NotifyChanged();

    vcl::TOwned<vcl::TDataModule> FRoot;
    std::string FFileName;
    TFormFileFormat FFormat = TFormFileFormat::Text;
    bool FModified = false;
    // Placeholder handlers made in this session, by upper-cased name.
    std::map<vcl::AnsiString, std::shared_ptr<const vcl::THandler>> FMethods;
    std::map<int, std::function<void()>> FSubscribers;
    int FNextSubscriber = 1;
};

} // namespace tnxdesign
