// What the designer itself offers besides the packages, as the host's own registrations:
//   - the framework's TDataSource on the palette page "Data Access" (master-detail links and
//     data-aware views need one);
//   - TStringsProperty for every string-list property (a dataset's SQL): an ellipsis that opens
//     the string list editor.
// The string list editor is a hook: the program installs its window (a text editor dialog), tests
// stand in for the user there.
#pragma once

#include "platform/vcl/design/DefaultEditors.h"

#include <functional>

namespace tnxdesign {

inline constexpr const char* DataAccessPage = "Data Access";

// Shows the lines of a string list for editing under the title; true (with the new text) when
// the user confirmed.
using TStringsEditor = std::function<bool(const vcl::AnsiString& title, vcl::AnsiString& text)>;
// Installs the editor; returns the previous one. Without one, Edit changes nothing.
TStringsEditor SetStringsEditor(TStringsEditor editor);

class TStringsProperty : public vcl::TClassProperty {
    VCL_CLASS(TStringsProperty, vcl::TClassProperty)
public:
    using TClassProperty::TClassProperty;
    vcl::TPropertyAttributes GetAttributes() override;
    // "(TStrings)" like any sub-object, but the first line when there is text, so the inspector
    // shows what the list holds.
    vcl::AnsiString GetValue() override;
    void Edit() override;

protected:
    ~TStringsProperty() override;
};

// Registers the above under the group "tnxdesign" (once per process).
void RegisterHostComponents();

} // namespace tnxdesign
