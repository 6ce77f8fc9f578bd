// Value types the controls share: colours, cursors, key codes and shift states, alignments, and
// the controls' messages.
//
// Colours and cursors are integers with names for their usual values; those names are registered
// for the form reader and writer (TypInfo.h, RegisterIntegerConsts) when the library loads, so a
// form file reads "Font.Color = clNavy" and "Cursor = crHandPoint".
#pragma once

#include "platform/vcl/ResourceStrings.h"
#include "platform/vcl/Set.h"
#include "platform/vcl/TypInfo.h"

#include <cstdint>

namespace vcl {

// --- Colours --------------------------------------------------------------------------------
// 0x00BBGGRR for a plain colour; the high bit set marks a system colour, whose low byte is the
// system colour's index (the widget set maps it to the desktop's palette).
using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor SystemColor(std::uint8_t index) {
    return static_cast<TColor>(0x80000000u | index);
}
inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clInactiveCaption = SystemColor(3);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clCaptionText = SystemColor(9);
inline constexpr TColor clActiveBorder = SystemColor(10);
inline constexpr TColor clInactiveBorder = SystemColor(11);
inline constexpr TColor clAppWorkSpace = SystemColor(12);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInactiveCaptionText = SystemColor(19);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor cl3DDkShadow = SystemColor(21);
inline constexpr TColor cl3DLight = SystemColor(22);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// --- Cursors --------------------------------------------------------------------------------
using TCursor = std::int16_t;

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// --- Keys -----------------------------------------------------------------------------------
// Virtual key codes; letters and digits are their upper-case ASCII codes ('A', '7').
using TKey = std::uint16_t;

inline constexpr TKey VK_BACK = 0x08;
inline constexpr TKey VK_TAB = 0x09;
inline constexpr TKey VK_RETURN = 0x0D;
inline constexpr TKey VK_ESCAPE = 0x1B;
inline constexpr TKey VK_SPACE = 0x20;
inline constexpr TKey VK_PRIOR = 0x21;
inline constexpr TKey VK_NEXT = 0x22;
inline constexpr TKey VK_END = 0x23;
inline constexpr TKey VK_HOME = 0x24;
inline constexpr TKey VK_LEFT = 0x25;
inline constexpr TKey VK_UP = 0x26;
inline constexpr TKey VK_RIGHT = 0x27;
inline constexpr TKey VK_DOWN = 0x28;
inline constexpr TKey VK_DELETE = 0x2E;
inline constexpr TKey VK_F1 = 0x70;
inline constexpr TKey VK_F4 = 0x73;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
VCL_ENUM_NAMES(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble);
using TShiftState = Set<TShiftStateItem>;

// --- Alignment ------------------------------------------------------------------------------
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
VCL_ENUM_NAMES(TAlignment, taLeftJustify, taRightJustify, taCenter);

// --- Messages -------------------------------------------------------------------------------
inline constexpr const char* VclControlsModule = "vclctl";

inline constexpr TResStringRec SCannotFocus{VclControlsModule, 65200, "SCannotFocus",
                                            "Cannot focus a disabled or invisible window"};
inline constexpr TResStringRec SControlParentLoop{VclControlsModule, 65201, "SControlParentLoop",
                                                  "Control %s cannot be placed inside itself"};
inline constexpr TResStringRec SNotAContainer{VclControlsModule, 65202, "SNotAContainer",
                                              "Control %s cannot be placed in %s, which holds no controls"};
inline constexpr TResStringRec SFormHasNoParent{VclControlsModule, 65203, "SFormHasNoParent",
                                                "Form %s cannot be placed inside another control"};
inline constexpr TResStringRec SCannotShowModal{VclControlsModule, 65204, "SCannotShowModal",
                                                "Cannot make a visible window modal"};
inline constexpr TResStringRec SActiveControlNotOnForm{VclControlsModule, 65205, "SActiveControlNotOnForm",
                                                       "Control %s is not on form %s"};
inline constexpr TResStringRec SFormComponentMissing{VclControlsModule, 65206, "SFormComponentMissing",
                                                     "The form data of %s has no %s named %s"};
inline constexpr TResStringRec SDriveNotFound{VclControlsModule, 65207, "SDriveNotFound",
                                              "Drive %s does not exist"};
inline constexpr TResStringRec SFolderNotFound{VclControlsModule, 65208, "SFolderNotFound",
                                               "Folder %s does not exist"};

} // namespace vcl
