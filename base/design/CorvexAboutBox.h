// TCorvexAboutBox: the about box of the component packages. Its layout is the form resource
// TCORVEXABOUTBOX. When shown, its heading names the product, its version and the database the
// package serves ("Tarnix 1.86b for ..."); the e-mail and web labels are links the shell opens.
#pragma once

#include "platform/vcl/controls/Controls.h"

namespace tnx {

using vcl::AnsiString;

class TCorvexAboutBox : public vcl::TForm {
    VCL_CLASS(TCorvexAboutBox, vcl::TForm)
public:
    explicit TCorvexAboutBox(vcl::TComponent* owner);

    // The database named in the heading.
    const AnsiString& GetDatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(const AnsiString& value) { FDatabaseName = value; }

    vcl::TPanel* Panel1 = nullptr;
    vcl::TImage* Image1 = nullptr;
    vcl::TLabel* Label1 = nullptr;
    vcl::TLabel* lblComponents = nullptr;
    vcl::TLabel* lblNotice = nullptr;
    vcl::TLabel* lblEmailTitle = nullptr;
    vcl::TLabel* lblEmail = nullptr;
    vcl::TLabel* lblWebTitle = nullptr;
    vcl::TLabel* lblWeb = nullptr;
    vcl::TButton* btnClose = nullptr;

    // The handlers the form resource names.
    void FormShow(vcl::TObject* Sender);
    // Open "mailto:" + the address, and the web address as it stands, through the shell; a
    // failure of the shell is not reported.
    void lblEmailClick(vcl::TObject* Sender);
    void lblWebClick(vcl::TObject* Sender);

    // Refuses to exist without its form resource (the controls come from there).
    void AfterConstruction() override;

protected:
    ~TCorvexAboutBox() override;
    void Loaded() override;

private:
    AnsiString FDatabaseName;
    bool FBound = false;
};

} // namespace tnx
