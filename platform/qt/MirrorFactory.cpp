// MakeMirror: which widget shows which control.
#include "platform/qt/BasicMirrors.h"
#include "platform/qt/ContainerMirrors.h"
#include "platform/qt/ControlMirror.h"
#include "platform/qt/FormMirror.h"
#include "platform/qt/ListMirrors.h"
#include "platform/vcl/controls/Controls.h"

namespace tnxqt {

std::unique_ptr<TControlMirror> MakeMirror(TWidgetSet& widgetSet, vcl::TControl* control) {
    // Most specific classes first.
    if (auto* form = dynamic_cast<vcl::TCustomForm*>(control)) return std::make_unique<TFormMirror>(widgetSet, form);
    if (dynamic_cast<vcl::TDirectoryListBox*>(control)) return std::make_unique<TDirectoryListMirror>(widgetSet, control);
    if (dynamic_cast<vcl::TDriveComboBox*>(control)) return std::make_unique<TDriveComboMirror>(widgetSet, control);
    if (dynamic_cast<vcl::TComboBox*>(control)) return std::make_unique<TComboBoxMirror>(widgetSet, control);
    if (dynamic_cast<vcl::TCustomListControl*>(control)) return std::make_unique<TListBoxMirror>(widgetSet, control);
    if (dynamic_cast<vcl::TButton*>(control)) return std::make_unique<TButtonMirror>(widgetSet, control);
    if (dynamic_cast<vcl::TEdit*>(control)) return std::make_unique<TEditMirror>(widgetSet, control);
    if (dynamic_cast<vcl::TLabel*>(control)) return std::make_unique<TLabelMirror>(widgetSet, control);
    if (dynamic_cast<vcl::TImage*>(control)) return std::make_unique<TImageMirror>(widgetSet, control);
    if (dynamic_cast<vcl::TGroupBox*>(control)) return std::make_unique<TGroupBoxMirror>(widgetSet, control);
    if (dynamic_cast<vcl::TPanel*>(control)) return std::make_unique<TPanelMirror>(widgetSet, control);
    return std::make_unique<TPlainMirror>(widgetSet, control);
}

} // namespace tnxqt
