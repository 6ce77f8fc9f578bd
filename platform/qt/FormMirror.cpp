// TFormMirror: a form's top-level window.
#include "platform/qt/FormMirror.h"

#include "platform/qt/QtConvert.h"
#include "platform/qt/WidgetSetCore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QWidget>

namespace tnxqt {

TFormMirror::TFormMirror(TWidgetSet& widgetSet, vcl::TCustomForm* form) : TControlMirror(widgetSet, form) {}

vcl::TCustomForm* TFormMirror::Form() const {
    return static_cast<vcl::TCustomForm*>(FControl);
}

QWidget* TFormMirror::MakeWidget(QWidget*) {
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(ToQString(FControl->GetName()));
    return window;
}

bool TFormMirror::FixedSize() const {
    switch (Form()->GetBorderStyle()) {
    case vcl::bsSingle:
    case vcl::bsDialog:
    case vcl::bsToolWindow: return true;
    default: return false;
    }
}

void TFormMirror::ShowWindow(bool modal) {
    QWidget* window = Widget();
    if (window == nullptr) return;
    window->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    ApplyBounds();
    window->show();
    // The offscreen platform cannot raise windows (and says so on every call).
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window->raise();
    window->activateWindow();
    // A platform that keeps a hidden window as its focus window does not report the activation
    // again when the window comes back; the widgets are told directly.
    if (QGuiApplication::focusWindow() != nullptr && QGuiApplication::focusWindow() == window->windowHandle() &&
        QApplication::activeWindow() != window)
        QApplication::setActiveWindow(window);
}

void TFormMirror::HideWindow() {
    if (QWidget* window = Widget()) window->hide();
}

void TFormMirror::ApplyBounds() {
    QWidget* window = Widget();
    const vcl::TCustomForm* form = Form();
    FApplyingBounds = true;
    if (FixedSize()) {
        window->setFixedSize(form->GetClientWidth(), form->GetClientHeight());
    } else {
        window->setMinimumSize(0, 0);
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        window->resize(form->GetClientWidth(), form->GetClientHeight());
    }
    window->move(form->GetLeft(), form->GetTop());
    FApplyingBounds = false;
}

void TFormMirror::ApplyText() {
    Widget()->setWindowTitle(ToQString(FControl->GetText()));
}

void TFormMirror::ApplyAppearance() {
    const vcl::TFormBorderStyle style = Form()->GetBorderStyle();
    if (FFlagsStyle == static_cast<int>(style)) return;
    FFlagsStyle = static_cast<int>(style);
    Qt::WindowFlags flags;
    switch (style) {
    case vcl::bsNone: flags = Qt::Window | Qt::FramelessWindowHint; break;
    case vcl::bsDialog:
        flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case vcl::bsToolWindow:
    case vcl::bsSizeToolWin: flags = Qt::Tool; break;
    default: flags = Qt::Window; break;
    }
    QWidget* window = Widget();
    const bool shown = window->isVisible();
    window->setWindowFlags(flags); // hides the window
    if (shown) window->show();
}

bool TFormMirror::WidgetEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::Close: {
        // The close box: the model decides (a modal dialog ends with mrCancel; OnClose runs).
        event->ignore();
        vcl::TCustomForm* form = Form();
        UserAction([form] { form->Close(); });
        return true;
    }
    case QEvent::Resize:
    case QEvent::Move: {
        QWidget* window = Widget();
        if (FApplyingBounds || !window->isVisible() || !event->spontaneous()) return false;
        vcl::TCustomForm* form = Form();
        const QPoint position = window->pos();
        const QSize size = window->size();
        UserAction([form, position, size] {
            form->SetBounds(position.x(), position.y(), form->GetWidth(), form->GetHeight());
            if (size.width() != form->GetClientWidth()) form->SetClientWidth(size.width());
            if (size.height() != form->GetClientHeight()) form->SetClientHeight(size.height());
        });
        return false;
    }
    default: return false;
    }
}

} // namespace tnxqt
