// Helpers for the designer's tests: the SQL Anywhere package loaded once per test process through
// the designer's own loader, editing a property through the editor the registry chooses, and
// acting as the user on the package's dialogs through the control model.
#pragma once

#include "support/ModalDialogs.h"
#include "tools/tnxdesign/DesignDocument.h"

#include "platform/vcl/controls/Controls.h"
#include "platform/vcl/design/PropertyEditor.h"

#include <memory>
#include <string>

namespace tnxdesigntest {

// Loads libTnxSa5 (and with it libTnxPack5) through the package loader, and the designer's own
// registrations; once per process.
void LoadPackages();

// The class the loaded packages registered under that name.
vcl::TClass PackageClass(const std::string& name);

// The editor the registry chooses for the component's property (fails the test when none).
vcl::TOwned<vcl::TPropertyEditor> EditorFor(tnxdesign::DesignDocument& document, vcl::TComponent* component,
                                            const std::string& property);
// Sets a property as typing it into the inspector does.
void SetByInspector(tnxdesign::DesignDocument& document, vcl::TComponent* component, const std::string& property,
                    const std::string& text);

// A control of a form by name, as a T (null when missing or of another class).
template <class T>
T* Control(vcl::TComponent* form, const std::string& name) {
    return dynamic_cast<T*>(form->FindComponent(name));
}

// Acts as the user on the next parameters dialog shown modally (while the returned object lives):
// selects the parameter, picks the data type by name (ntInteger, ...), types the value (unless
// empty: the value field is then left alone) and clicks OK; result gets what the click gave the
// dialog.
std::unique_ptr<tnxtest::ModalUser> ParamsDialogUser(const std::string& param, const std::string& dataType,
                                                     const std::string& value, vcl::TModalResult& result);

// Acts as the user on the next folder dialog shown modally: types the folder and clicks OK.
std::unique_ptr<tnxtest::ModalUser> FolderDialogUser(const std::string& folder);

// Opens the parameters editor of the dataset's Params with ParamsDialogUser acting; returns the
// result the OK click gave the dialog (mrNone when the dialog did not come up).
vcl::TModalResult EditParamInDialog(tnxdesign::DesignDocument& document, vcl::TComponent* dataSet,
                                    const std::string& param, const std::string& dataType, const std::string& value);

} // namespace tnxdesigntest
