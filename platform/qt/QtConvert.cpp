// Conversions between the control model's value types and Qt's.
#include "platform/qt/QtConvert.h"

#include "platform/vcl/controls/Font.h"
#include "platform/win/CodePage.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

namespace tnxqt {

QString ToQString(std::string_view ansi) {
    const std::u16string wide = win::AnsiToUtf16(ansi);
    return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

vcl::AnsiString FromQString(const QString& text) {
    return win::Utf16ToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                static_cast<std::size_t>(text.size())));
}

QString AccelCaptionToHtml(std::string_view caption) {
    QString html;
    bool underlined = false;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        std::string_view piece = caption.substr(i, 1);
        bool accel = false;
        if (caption[i] == '&') {
            if (i + 1 >= caption.size()) break; // a '&' at the very end shows nothing
            ++i;
            piece = caption.substr(i, 1);
            accel = caption[i] != '&' && !underlined;
        }
        const QString escaped = ToQString(piece).toHtmlEscaped();
        if (accel) {
            html += QStringLiteral("<u>") + escaped + QStringLiteral("</u>");
            underlined = true;
        } else {
            html += escaped;
        }
    }
    return html;
}

std::optional<QColor> ToQColor(vcl::TColor color) {
    if (color == vcl::clDefault || color == vcl::clNone) return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(color);
    if ((bits & 0x80000000u) == 0)
        return QColor(static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF),
                      static_cast<int>((bits >> 16) & 0xFF));
    const QPalette palette = QGuiApplication::palette();
    switch (bits & 0xFF) {
    case 0: return palette.color(QPalette::Button);                      // scroll bar
    case 1: return palette.color(QPalette::Window);                      // desktop background
    case 2: return palette.color(QPalette::Highlight);                   // active caption
    case 3: return palette.color(QPalette::Mid);                         // inactive caption
    case 4: return palette.color(QPalette::Window);                      // menu
    case 5: return palette.color(QPalette::Base);                        // window (edit) background
    case 6: return palette.color(QPalette::Shadow);                      // window frame
    case 7: return palette.color(QPalette::WindowText);                  // menu text
    case 8: return palette.color(QPalette::WindowText);                  // window text
    case 9: return palette.color(QPalette::HighlightedText);             // caption text
    case 10:
    case 11: return palette.color(QPalette::Window);                     // borders
    case 12: return palette.color(QPalette::Dark);                       // application work space
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button);                     // button face
    case 16: return palette.color(QPalette::Dark);                       // button shadow
    case 17: return palette.color(QPalette::Disabled, QPalette::Text);   // grey text
    case 18: return palette.color(QPalette::ButtonText);
    case 19: return palette.color(QPalette::Inactive, QPalette::WindowText);
    case 20: return palette.color(QPalette::Light);                      // button highlight
    case 21: return palette.color(QPalette::Shadow);                     // 3-D dark shadow
    case 22: return palette.color(QPalette::Midlight);                   // 3-D light
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return std::nullopt;
    }
}

Qt::CursorShape ToQtCursor(vcl::TCursor cursor) {
    switch (cursor) {
    case vcl::crNone: return Qt::BlankCursor;
    case vcl::crCross: return Qt::CrossCursor;
    case vcl::crIBeam: return Qt::IBeamCursor;
    case vcl::crSizeNESW: return Qt::SizeBDiagCursor;
    case vcl::crSizeNS: return Qt::SizeVerCursor;
    case vcl::crSizeNWSE: return Qt::SizeFDiagCursor;
    case vcl::crSizeWE: return Qt::SizeHorCursor;
    case vcl::crUpArrow: return Qt::UpArrowCursor;
    case vcl::crHourGlass:
    case vcl::crSQLWait: return Qt::WaitCursor;
    case vcl::crDrag:
    case vcl::crMultiDrag: return Qt::DragCopyCursor;
    case vcl::crNoDrop:
    case vcl::crNo: return Qt::ForbiddenCursor;
    case vcl::crHSplit: return Qt::SplitHCursor;
    case vcl::crVSplit: return Qt::SplitVCursor;
    case vcl::crAppStart: return Qt::BusyCursor;
    case vcl::crHelp: return Qt::WhatsThisCursor;
    case vcl::crHandPoint: return Qt::PointingHandCursor;
    case vcl::crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

QString ResolveFontFamily(const QString& name) {
    if (!name.isEmpty() && QFontDatabase::hasFamily(name)) return name;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont ToQFont(const vcl::TFont& font) {
    QFont result(ResolveFontFamily(ToQString(font.GetName())));
    result.setStyleHint(QFont::SansSerif);
    const int size = font.GetSize();
    if (size < 0) {
        result.setPixelSize(-size);
    } else if (size > 0) {
        result.setPointSize(size);
    }
    const vcl::TFontStyles style = font.GetStyle();
    result.setBold(style.Contains(vcl::fsBold));
    result.setItalic(style.Contains(vcl::fsItalic));
    result.setUnderline(style.Contains(vcl::fsUnderline));
    result.setStrikeOut(style.Contains(vcl::fsStrikeOut));
    return result;
}

vcl::TKey ToVclKey(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<vcl::TKey>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<vcl::TKey>(vcl::VK_F1 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace: return vcl::VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return vcl::VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vcl::VK_RETURN;
    case Qt::Key_Escape: return vcl::VK_ESCAPE;
    case Qt::Key_Space: return vcl::VK_SPACE;
    case Qt::Key_PageUp: return vcl::VK_PRIOR;
    case Qt::Key_PageDown: return vcl::VK_NEXT;
    case Qt::Key_End: return vcl::VK_END;
    case Qt::Key_Home: return vcl::VK_HOME;
    case Qt::Key_Left: return vcl::VK_LEFT;
    case Qt::Key_Up: return vcl::VK_UP;
    case Qt::Key_Right: return vcl::VK_RIGHT;
    case Qt::Key_Down: return vcl::VK_DOWN;
    case Qt::Key_Delete: return vcl::VK_DELETE;
    default: return 0;
    }
}

vcl::TShiftState ToVclShift(Qt::KeyboardModifiers modifiers) {
    vcl::TShiftState shift;
    if (modifiers & Qt::ShiftModifier) shift.Include(vcl::ssShift);
    if (modifiers & Qt::AltModifier) shift.Include(vcl::ssAlt);
    if (modifiers & Qt::ControlModifier) shift.Include(vcl::ssCtrl);
    return shift;
}

} // namespace tnxqt
