// What loading the controls library does: registers the control classes (so form files can name
// them) and the names of colours and cursors (so form files can write them by name).
#include "platform/vcl/ClassRegistry.h"
#include "platform/vcl/controls/Controls.h"

namespace vcl {

namespace {

struct TControlsUnit {
    TControlsUnit() {
        RegisterClasses({TForm::StaticClass(), TLabel::StaticClass(), TButton::StaticClass(), TEdit::StaticClass(),
                         TListBox::StaticClass(), TComboBox::StaticClass(), TGroupBox::StaticClass(),
                         TPanel::StaticClass(), TImage::StaticClass(), TDirectoryListBox::StaticClass(),
                         TDriveComboBox::StaticClass(), TOpenDialog::StaticClass()});
        RegisterIntegerConsts("TColor", {
                                            {clBlack, "clBlack"},
                                            {clMaroon, "clMaroon"},
                                            {clGreen, "clGreen"},
                                            {clOlive, "clOlive"},
                                            {clNavy, "clNavy"},
                                            {clPurple, "clPurple"},
                                            {clTeal, "clTeal"},
                                            {clGray, "clGray"},
                                            {clSilver, "clSilver"},
                                            {clRed, "clRed"},
                                            {clLime, "clLime"},
                                            {clYellow, "clYellow"},
                                            {clBlue, "clBlue"},
                                            {clFuchsia, "clFuchsia"},
                                            {clAqua, "clAqua"},
                                            {clWhite, "clWhite"},
                                            {clScrollBar, "clScrollBar"},
                                            {clBackground, "clBackground"},
                                            {clActiveCaption, "clActiveCaption"},
                                            {clInactiveCaption, "clInactiveCaption"},
                                            {clMenu, "clMenu"},
                                            {clWindow, "clWindow"},
                                            {clWindowFrame, "clWindowFrame"},
                                            {clMenuText, "clMenuText"},
                                            {clWindowText, "clWindowText"},
                                            {clCaptionText, "clCaptionText"},
                                            {clActiveBorder, "clActiveBorder"},
                                            {clInactiveBorder, "clInactiveBorder"},
                                            {clAppWorkSpace, "clAppWorkSpace"},
                                            {clHighlight, "clHighlight"},
                                            {clHighlightText, "clHighlightText"},
                                            {clBtnFace, "clBtnFace"},
                                            {clBtnShadow, "clBtnShadow"},
                                            {clGrayText, "clGrayText"},
                                            {clBtnText, "clBtnText"},
                                            {clInactiveCaptionText, "clInactiveCaptionText"},
                                            {clBtnHighlight, "clBtnHighlight"},
                                            {cl3DDkShadow, "cl3DDkShadow"},
                                            {cl3DLight, "cl3DLight"},
                                            {clInfoText, "clInfoText"},
                                            {clInfoBk, "clInfoBk"},
                                            {clNone, "clNone"},
                                            {clDefault, "clDefault"},
                                        });
        RegisterIntegerConsts("TCursor", {
                                             {crDefault, "crDefault"},
                                             {crNone, "crNone"},
                                             {crArrow, "crArrow"},
                                             {crCross, "crCross"},
                                             {crIBeam, "crIBeam"},
                                             {crSizeNESW, "crSizeNESW"},
                                             {crSizeNS, "crSizeNS"},
                                             {crSizeNWSE, "crSizeNWSE"},
                                             {crSizeWE, "crSizeWE"},
                                             {crUpArrow, "crUpArrow"},
                                             {crHourGlass, "crHourGlass"},
                                             {crDrag, "crDrag"},
                                             {crNoDrop, "crNoDrop"},
                                             {crHSplit, "crHSplit"},
                                             {crVSplit, "crVSplit"},
                                             {crMultiDrag, "crMultiDrag"},
                                             {crSQLWait, "crSQLWait"},
                                             {crNo, "crNo"},
                                             {crAppStart, "crAppStart"},
                                             {crHelp, "crHelp"},
                                             {crHandPoint, "crHandPoint"},
                                             {crSizeAll, "crSizeAll"},
                                         });
        RegisterIntegerConsts("TModalResult", {
                                                  {mrNone, "mrNone"},
                                                  {mrOk, "mrOk"},
                                                  {mrCancel, "mrCancel"},
                                                  {mrAbort, "mrAbort"},
                                                  {mrRetry, "mrRetry"},
                                                  {mrIgnore, "mrIgnore"},
                                                  {mrYes, "mrYes"},
                                                  {mrNo, "mrNo"},
                                              });
    }
};

TControlsUnit controlsUnit;

} // namespace

} // namespace vcl
