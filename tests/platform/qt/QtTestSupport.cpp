// Helpers for driving the model's forms through their Qt windows.
#include "QtTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

namespace tnxqtest {

vcl::TModalResult RunModal(vcl::TCustomForm* form, const std::function<void()>& user) {
    QTimer::singleShot(0, [form, user] {
        if (QWidget* window = tnxqt::WidgetOf(form)) (void)QTest::qWaitForWindowActive(window);
        user();
        if (form->IsModalShowing() && form->GetModalResult() == vcl::mrNone) form->Close();
    });
    return form->ShowModal();
}

void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void Click(QWidget* widget) {
    Click(widget, widget->rect().center());
}

void Click(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
}

void ClickLine(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(row)).center());
}

void DoubleClickLine(QListWidget* list, int row) {
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

namespace {

QWidget* KeyTarget(QWidget* window) {
    QWidget* focused = window->focusWidget();
    return focused != nullptr ? focused : window;
}

} // namespace

void Key(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(KeyTarget(window), key, modifiers);
}

void Type(QWidget* window, const QString& text) {
    QTest::keyClicks(KeyTarget(window), text);
}

QString ShownText(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        QTextDocument document;
        document.setHtml(label->text());
        return label->textFormat() == Qt::RichText ? document.toPlainText() : label->text();
    }
    QString text;
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) text = button->text();
    if (const auto* box = qobject_cast<const QGroupBox*>(widget)) text = box->title();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
    if (widget->isWindow()) return widget->windowTitle();
    return QString::fromStdString(vcl::TControl::StripAccelChars(text.toStdString()));
}

} // namespace tnxqtest
