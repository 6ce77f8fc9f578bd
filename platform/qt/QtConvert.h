// Conversions between the control model's value types and Qt's: text (the model's single-byte
// Windows-1252 strings and Qt's UTF-16), colours, cursors, fonts, key codes and captions.
//
// Guarantees: text converts losslessly from the model to Qt; back from Qt, characters that have
// no Windows-1252 form become '?'. A font whose name the machine does not have takes the system's
// sans-serif family, so a form designed for another desktop stays legible here.
#pragma once

#include "platform/vcl/SysTypes.h"
#include "platform/vcl/controls/ControlTypes.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <Qt>

#include <optional>
#include <string_view>

namespace vcl {
class TFont;
}

namespace tnxqt {

// --- Text ------------------------------------------------------------------------------------
QString ToQString(std::string_view ansi);
vcl::AnsiString FromQString(const QString& text);

// A caption with its '&' accelerator as rich text: "&Path:" -> "<u>P</u>ath:" (HTML-escaped; "&&"
// is one '&'). Used where the widget has no mnemonic display of its own (labels).
QString AccelCaptionToHtml(std::string_view caption);

// --- Colours and cursors ---------------------------------------------------------------------
// The Qt colour of a model colour; system colours take the application palette's matching role.
// clDefault and clNone give no colour (the widget keeps its own).
std::optional<QColor> ToQColor(vcl::TColor color);
Qt::CursorShape ToQtCursor(vcl::TCursor cursor);

// --- Fonts -----------------------------------------------------------------------------------
// The family used for a model font name: the name itself when the machine has it, else the
// system's sans-serif family.
QString ResolveFontFamily(const QString& name);
// The Qt font of a model font (family by ResolveFontFamily, size in points, or in pixels for a
// negative size, bold / italic / underline / strike-out). The colour is not part of a QFont.
QFont ToQFont(const vcl::TFont& font);

// --- Keys ------------------------------------------------------------------------------------
// The model's key code of a Qt key, or 0 for keys the model has no code for (punctuation, keys
// that only produce text). Letters and digits map to their upper-case codes.
vcl::TKey ToVclKey(int qtKey);
vcl::TShiftState ToVclShift(Qt::KeyboardModifiers modifiers);

} // namespace tnxqt
