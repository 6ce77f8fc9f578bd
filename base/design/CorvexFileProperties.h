// The property editors of a session's file and folder properties. Each shows an ellipsis button
// (paDialog) and can be reverted; Edit opens a dialog preset on the current value and changes the
// value only when the dialog is confirmed.
//
//   TCorvexDBFileProperty    the database file: an open dialog for "*.db" files; the value becomes
//                            the chosen file's full path
//   TCorvexLibFileProperty   the client library: an open dialog for library files; the value
//                            becomes the chosen file's name without its folder (the library is
//                            found through the library path)
//   TCorvexPathProperty      the library folder: the folder chooser (TCorvexPathDialog)
// The dialogs belong to the application while they run and are freed on every path.
#pragma once

#include "platform/vcl/design/DefaultEditors.h"

namespace tnx {

using vcl::AnsiString;

// The open dialogs' filters and the options of both (keep the current folder, path and file must
// exist, share-aware).
extern const char* const CorvexDatabaseFilter;
extern const char* const CorvexLibraryFilter;

class TCorvexDBFileProperty : public vcl::TStringProperty {
    VCL_CLASS(TCorvexDBFileProperty, vcl::TStringProperty)
public:
    using vcl::TStringProperty::TStringProperty;
    vcl::TPropertyAttributes GetAttributes() override;
    void Edit() override;

protected:
    ~TCorvexDBFileProperty() override;
};

class TCorvexLibFileProperty : public vcl::TStringProperty {
    VCL_CLASS(TCorvexLibFileProperty, vcl::TStringProperty)
public:
    using vcl::TStringProperty::TStringProperty;
    vcl::TPropertyAttributes GetAttributes() override;
    void Edit() override;

protected:
    ~TCorvexLibFileProperty() override;
};

class TCorvexPathProperty : public vcl::TStringProperty {
    VCL_CLASS(TCorvexPathProperty, vcl::TStringProperty)
public:
    using vcl::TStringProperty::TStringProperty;
    vcl::TPropertyAttributes GetAttributes() override;
    void Edit() override;

protected:
    ~TCorvexPathProperty() override;
};

} // namespace tnx
