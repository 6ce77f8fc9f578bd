// Helpers for the designer's tests (see DesignerTestSupport.h).
#include "DesignerTestSupport.h"

#include "support/ModalDialogs.h"
#include "support/TempDir.h"
#include "tools/tnxdesign/HostRegistrations.h"
#include "tools/tnxdesign/PackageLoader.h"

#include "platform/vcl/design/DesignRegistry.h"

#include <gtest/gtest.h>

namespace tnxdesigntest {

using namespace vcl;

void LoadPackages() {
    static tnxdesign::PackageLoader loader;
    if (!loader.Packages().empty()) return;
    tnxdesign::RegisterHostComponents();
    loader.Load(tnxtest::BuildLibDir() + "/libTnxSa5.so");
}

TClass PackageClass(const std::string& name) {
    for (const AnsiString& page : GetPalettePages())
        for (TClass cls : GetPaletteClasses(page))
            if (ClassNameOf(cls) == name) return cls;
    ADD_FAILURE() << name << " is on no palette page";
    return nullptr;
}

TOwned<TPropertyEditor> EditorFor(tnxdesign::DesignDocument& document, TComponent* component,
                                  const std::string& property) {
    auto editor = GetPropertyEditor(component, property, &document);
    EXPECT_NE(editor, nullptr) << component->GetName() << " has no property " << property;
    return editor;
}

void SetByInspector(tnxdesign::DesignDocument& document, TComponent* component, const std::string& property,
                    const std::string& text) {
    if (auto editor = EditorFor(document, component, property)) editor->SetValue(text);
}

std::unique_ptr<tnxtest::ModalUser> ParamsDialogUser(const std::string& param, const std::string& dataType,
                                                     const std::string& value, TModalResult& result) {
    return std::make_unique<tnxtest::ModalUser>([=, &result](TCustomForm* form) {
        auto* list = Control<TListBox>(form, "lbParamNames");
        auto* types = Control<TComboBox>(form, "cbDataType");
        auto* edit = Control<TEdit>(form, "edParamValue");
        auto* ok = Control<TButton>(form, "btnOK");
        ASSERT_TRUE(list && types && edit && ok) << "the parameters dialog's controls";
        const int line = list->GetItems()->IndexOf(param);
        ASSERT_GE(line, 0) << "parameter " << param << " is listed";
        list->ClickItem(line);
        const int type = types->GetItems()->IndexOf(dataType);
        ASSERT_GE(type, 0) << dataType << " is a data type of the list";
        types->ClickItem(type);
        if (!value.empty()) {
            edit->SetFocus();
            edit->TypeText(value);
        }
        // Leaving the value field stores it; the OK button takes the focus when clicked.
        ok->MouseClick();
        result = form->GetModalResult();
    });
}

std::unique_ptr<tnxtest::ModalUser> FolderDialogUser(const std::string& folder) {
    return std::make_unique<tnxtest::ModalUser>([folder](TCustomForm* form) {
        auto* edit = Control<TEdit>(form, "edPath");
        ASSERT_NE(edit, nullptr) << "the folder dialog's path field";
        edit->SetFocus();
        edit->TypeText(folder);
        Control<TButton>(form, "btnOK")->MouseClick();
    });
}

TModalResult EditParamInDialog(tnxdesign::DesignDocument& document, TComponent* dataSet, const std::string& param,
                               const std::string& dataType, const std::string& value) {
    TModalResult result = mrNone;
    auto user = ParamsDialogUser(param, dataType, value, result);
    auto editor = EditorFor(document, dataSet, "Params");
    if (!editor) return result;
    EXPECT_TRUE(editor->GetAttributes().Contains(paDialog));
    editor->Edit();
    return result;
}

} // namespace tnxdesigntest
