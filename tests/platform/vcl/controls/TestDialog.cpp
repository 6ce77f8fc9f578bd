// The shared test dialog.
#include "TestDialog.h"

#include "platform/vcl/ComponentResources.h"
#include "platform/vcl/TypInfo.h"

namespace controltest {

using namespace vcl;

const char* const TestDialogText = R"(object TestDialog: TTestDialog
  Left = 10
  Top = 20
  BorderStyle = bsDialog
  Caption = 'Test dialog'
  ClientHeight = 200
  ClientWidth = 300
  Font.Color = clWindowText
  Font.Name = 'Tahoma'
  Position = poScreenCenter
  OnClose = FormClose
  object gbBox: TGroupBox
    Left = 8
    Top = 8
    Width = 280
    Height = 120
    Caption = '&Group'
    TabOrder = 0
    object lblName: TLabel
      Left = 16
      Top = 24
      Width = 40
      Height = 13
      Caption = '&Name:'
      FocusControl = edName
    end
    object edName: TEdit
      Left = 64
      Top = 20
      Width = 121
      Height = 21
      TabOrder = 1
      OnChange = edNameChange
      OnExit = edNameExit
    end
    object lbItems: TListBox
      Left = 16
      Top = 48
      Width = 121
      Height = 60
      Items.Strings = (
        'one'
        'two')
      TabOrder = 0
      OnClick = lbItemsClick
    end
    object edOff: TEdit
      Left = 160
      Top = 48
      Width = 100
      Height = 21
      Enabled = False
      TabOrder = 2
    end
  end
  object btnOK: TButton
    Left = 40
    Top = 160
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = mrOk
    TabOrder = 1
  end
  object btnCancel: TButton
    Left = 128
    Top = 160
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = mrCancel
    TabOrder = 2
  end
  object btnHelp: TButton
    Left = 216
    Top = 160
    Width = 75
    Height = 25
    Caption = '&Help'
    TabOrder = 3
    OnClick = btnHelpClick
  end
  object lblLink: TLabel
    Left = 8
    Top = 136
    Width = 100
    Height = 13
    Cursor = crHandPoint
    Caption = 'www.tarnix.example'
    Font.Color = clNavy
    Font.Name = 'Tahoma'
    Font.Style = [fsUnderline]
    ParentFont = False
  end
end
)";

TTestDialog::TTestDialog(TComponent* owner) : TForm(owner) {
    RegisterHandler<TNotifyEvent>("edNameChange", [this](TObject*) { Log += "change(" + edName->GetText() + ");"; });
    RegisterHandler<TNotifyEvent>("edNameExit", [this](TObject*) { Log += "exit(name);"; });
    RegisterHandler<TNotifyEvent>("lbItemsClick", [this](TObject*) {
        Log += "click(" + std::to_string(lbItems->GetItemIndex()) + ");";
    });
    RegisterHandler<TNotifyEvent>("btnHelpClick", [this](TObject*) { Log += "help;"; });
    RegisterHandler<TNotifyEvent>("FormClose", [this](TObject*) {
        Log += "close(" + std::to_string(GetModalResult()) + ");";
    });
}

TTestDialog::~TTestDialog() = default;

void TTestDialog::Loaded() {
    inherited::Loaded();
    BindFormComponent(this, "gbBox", gbBox);
    BindFormComponent(this, "lblName", lblName);
    BindFormComponent(this, "edName", edName);
    BindFormComponent(this, "edOff", edOff);
    BindFormComponent(this, "lbItems", lbItems);
    BindFormComponent(this, "btnOK", btnOK);
    BindFormComponent(this, "btnCancel", btnCancel);
    BindFormComponent(this, "btnHelp", btnHelp);
    BindFormComponent(this, "lblLink", lblLink);
}

TestDialogResource::TestDialogResource() {
    RegisterComponentResource("TTestDialog", TestDialogText);
}

TestDialogResource::~TestDialogResource() {
    UnRegisterComponentResource("TTestDialog");
}

} // namespace controltest

VCL_CLASS_INFO(controltest::TTestDialog)
