// A small dialog defined by a form resource, shared by the control tests: a group box holding a
// label, two edits and a list, then OK, Cancel and Help buttons and a link label. The resource
// stores the group box's tab orders out of placing order, so reading it exercises the fixup.
#pragma once

#include "platform/vcl/controls/Controls.h"

#include <string>

namespace controltest {

class TTestDialog : public vcl::TForm {
    VCL_CLASS(TTestDialog, vcl::TForm)
public:
    explicit TTestDialog(vcl::TComponent* owner);

    vcl::TGroupBox* gbBox = nullptr;
    vcl::TLabel* lblName = nullptr;
    vcl::TEdit* edName = nullptr;
    vcl::TEdit* edOff = nullptr;
    vcl::TListBox* lbItems = nullptr;
    vcl::TButton* btnOK = nullptr;
    vcl::TButton* btnCancel = nullptr;
    vcl::TButton* btnHelp = nullptr;
    vcl::TLabel* lblLink = nullptr;

    std::string Log; // what the handlers saw, in order

protected:
    ~TTestDialog() override;
    void Loaded() override;
};

// The resource text (registered under "TTestDialog" while a TestDialogResource lives).
extern const char* const TestDialogText;

struct TestDialogResource {
    TestDialogResource();
    ~TestDialogResource();
};

} // namespace controltest
