// TCorvexAboutBox.
#include "base/design/CorvexAboutBox.h"

#include "base/TnxProduct.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/Shell.h"

namespace tnx {

using namespace vcl;

VCL_CLASS_INFO(TCorvexAboutBox)

TCorvexAboutBox::TCorvexAboutBox(TComponent* owner) : TForm(owner) {
    RegisterHandler<TNotifyEvent>("FormShow", [this](TObject* sender) { FormShow(sender); });
    RegisterHandler<TNotifyEvent>("lblEmailClick", [this](TObject* sender) { lblEmailClick(sender); });
    RegisterHandler<TNotifyEvent>("lblWebClick", [this](TObject* sender) { lblWebClick(sender); });
}

TCorvexAboutBox::~TCorvexAboutBox() = default;

void TCorvexAboutBox::Loaded() {
    inherited::Loaded();
    BindFormComponent(this, "Panel1", Panel1);
    BindFormComponent(this, "Image1", Image1);
    BindFormComponent(this, "Label1", Label1);
    BindFormComponent(this, "lblComponents", lblComponents);
    BindFormComponent(this, "lblNotice", lblNotice);
    BindFormComponent(this, "lblEmailTitle", lblEmailTitle);
    BindFormComponent(this, "lblEmail", lblEmail);
    BindFormComponent(this, "lblWebTitle", lblWebTitle);
    BindFormComponent(this, "lblWeb", lblWeb);
    BindFormComponent(this, "btnClose", btnClose);
    FBound = true;
}

void TCorvexAboutBox::AfterConstruction() {
    inherited::AfterConstruction();
    if (!FBound) throw EResNotFound(SResNotFound, {ClassName()});
}

void TCorvexAboutBox::FormShow(TObject*) {
    Label1->SetCaption(Format("%s %s for ", {szCorvexLibraryName, szTarnixVersion}) + FDatabaseName);
}

void TCorvexAboutBox::lblEmailClick(TObject*) {
    const AnsiString target = "mailto:" + lblEmail->GetCaption();
    win::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, "", win::SW_SHOWNORMAL);
}

void TCorvexAboutBox::lblWebClick(TObject*) {
    win::ShellExecuteA(nullptr, "open", lblWeb->GetCaption().c_str(), nullptr, "", win::SW_SHOWNORMAL);
}

} // namespace tnx
