// TComponentEditor and TDefaultEditor.
#include "platform/vcl/design/ComponentEditor.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/design/DefaultEditors.h"

namespace vcl {

VCL_CLASS_INFO(TComponentEditor)
VCL_CLASS_INFO(TDefaultEditor)

TComponentEditor::TComponentEditor(TComponent* component, IDesigner* designer)
    : FComponent(component), FDesigner(designer) {}

TComponentEditor::~TComponentEditor() = default;

void TComponentEditor::Edit() {
    if (FInEdit || GetVerbCount() == 0) return;
    FInEdit = true;
    try {
        ExecuteVerb(0);
    } catch (...) {
        FInEdit = false;
        throw;
    }
    FInEdit = false;
}

int TComponentEditor::GetVerbCount() {
    return 0;
}

AnsiString TComponentEditor::GetVerb(int) {
    return AnsiString();
}

void TComponentEditor::ExecuteVerb(int) {}

TDefaultEditor::~TDefaultEditor() = default;

void TDefaultEditor::Edit() {
    TComponent* component = GetComponent();
    const TPropInfo* event = nullptr;
    for (const char* preferred : {"OnCreate", "OnChange", "OnClick"}) {
        const TPropInfo* p = GetPropInfo(component, preferred);
        if (p != nullptr && p->Kind == TTypeKind::tkMethod) {
            event = p;
            break;
        }
    }
    if (event == nullptr) {
        for (const TPropInfo* p : GetPropList(component->ClassType())) {
            if (p->Kind == TTypeKind::tkMethod) {
                event = p;
                break;
            }
        }
    }
    if (event == nullptr || !event->IsWritable()) return;
    auto editor = New<TMethodProperty>(GetDesigner(), 1);
    editor->SetPropEntry(0, component, event);
    editor->Initialize();
    editor->Edit();
}

} // namespace vcl
