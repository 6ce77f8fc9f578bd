// What the designer itself offers besides the packages (see HostRegistrations.h).
#include "tools/tnxdesign/HostRegistrations.h"

#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DataSource.h"
#include "platform/vcl/design/DesignRegistry.h"

#include <mutex>

namespace tnxdesign {

using namespace vcl;

namespace {

TStringsEditor& StringsEditor() {
    static TStringsEditor editor;
    return editor;
}

} // namespace

TStringsEditor SetStringsEditor(TStringsEditor editor) {
    TStringsEditor previous = std::move(StringsEditor());
    StringsEditor() = std::move(editor);
    return previous;
}

TPropertyAttributes TStringsProperty::GetAttributes() { return {paDialog, paReadOnly}; }

AnsiString TStringsProperty::GetValue() {
    auto* strings = dynamic_cast<TStrings*>(GetObjectValue());
    if (strings == nullptr || strings->GetCount() == 0) return "(TStrings)";
    AnsiString first = strings->Get(0);
    return strings->GetCount() > 1 ? first + " ..." : first;
}

void TStringsProperty::Edit() {
    auto* strings = dynamic_cast<TStrings*>(GetObjectValue());
    if (strings == nullptr || !StringsEditor()) return;
    AnsiString text = strings->GetText();
    auto* component = dynamic_cast<TComponent*>(GetComponent(0));
    const AnsiString title = (component != nullptr ? component->GetName() + "." : AnsiString()) + GetName();
    if (!StringsEditor()(title, text)) return;
    // Every selected component gets the lines.
    for (int i = 0; i < GetPropCount(); ++i)
        if (auto* target = dynamic_cast<TStrings*>(GetObjectValueAt(i))) target->SetText(text);
    Modified();
}

VCL_CLASS_INFO(TStringsProperty)

TStringsProperty::~TStringsProperty() = default;

void RegisterHostComponents() {
    static std::once_flag once;
    std::call_once(once, [] {
        const AnsiString previous = SetRegistrationGroup("tnxdesign");
        RegisterComponents(DataAccessPage, {TDataSource::StaticClass()});
        RegisterPropertyEditor<TStringsProperty>(PropertyTypeOf<TStrings*>(), nullptr, "");
        SetRegistrationGroup(previous);
    });
}

} // namespace tnxdesign
