// The widgets of buttons, edits, labels and images.
#include "platform/qt/BasicMirrors.h"

#include "platform/qt/QtConvert.h"
#include "platform/qt/WidgetSetCore.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/controls/Button.h"
#include "platform/vcl/controls/Edit.h"
#include "platform/vcl/controls/Image.h"
#include "platform/vcl/controls/Label.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

namespace tnxqt {

namespace {

Qt::Alignment ToQtAlignment(vcl::TAlignment alignment) {
    switch (alignment) {
    case vcl::taRightJustify: return Qt::AlignRight;
    case vcl::taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// Focus policy of a windowed control: Tab reaches it only when the model's TabStop says so (the
// model walks the tab order itself; this keeps Qt's idea of it the same).
void ApplyFocusPolicy(QWidget* widget, const vcl::TControl* control) {
    const auto* windowed = dynamic_cast<const vcl::TWinControl*>(control);
    widget->setFocusPolicy(windowed != nullptr && windowed->GetTabStop() ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace

bool IsMouseClick(const QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton;
}

// --- TButtonMirror ------------------------------------------------------------------------------

QPushButton* TButtonMirror::Button() const {
    return static_cast<QPushButton*>(Widget());
}

QWidget* TButtonMirror::MakeWidget(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);
    auto* control = static_cast<vcl::TButton*>(FControl);
    Track(QObject::connect(button, &QPushButton::clicked, button,
                           [this, control] { UserAction([control] { control->MouseClick(); }); }));
    return button;
}

void TButtonMirror::ApplyText() {
    // Qt's mnemonic markup is the model's: "&Help" underlines the H, "&&" is one '&'. The key itself
    // is handled by the model (TWidgetSet switches Qt's shortcuts off in these windows).
    Button()->setText(ToQString(FControl->GetText()));
}

void TButtonMirror::ApplyAppearance() {
    Button()->setDefault(static_cast<vcl::TButton*>(FControl)->GetDefault());
    ApplyFocusPolicy(Button(), FControl);
}

// --- TEditMirror --------------------------------------------------------------------------------

QLineEdit* TEditMirror::LineEdit() const {
    return static_cast<QLineEdit*>(Widget());
}

QWidget* TEditMirror::MakeWidget(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    auto* control = static_cast<vcl::TEdit*>(FControl);
    Track(QObject::connect(edit, &QLineEdit::textEdited, edit, [this, control](const QString& text) {
        UserAction([control, value = FromQString(text)] { control->SetText(value); });
    }));
    return edit;
}

void TEditMirror::ApplyText() {
    const QString text = ToQString(FControl->GetText());
    // Setting the same text again would move the cursor to the end while the user types.
    if (LineEdit()->text() != text) LineEdit()->setText(text);
}

void TEditMirror::ApplyAppearance() {
    const auto* edit = static_cast<const vcl::TEdit*>(FControl);
    LineEdit()->setReadOnly(edit->GetReadOnly());
    LineEdit()->setMaxLength(edit->GetMaxLength() > 0 ? edit->GetMaxLength() : 32767);
    ApplyFocusPolicy(LineEdit(), FControl);
}

// --- TLabelMirror -------------------------------------------------------------------------------

QLabel* TLabelMirror::Label() const {
    return static_cast<QLabel*>(Widget());
}

QWidget* TLabelMirror::MakeWidget(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

void TLabelMirror::ApplyText() {
    const auto* label = static_cast<const vcl::TLabel*>(FControl);
    if (label->GetShowAccelChar()) {
        Label()->setTextFormat(Qt::RichText);
        Label()->setText(AccelCaptionToHtml(label->GetCaption()));
    } else {
        Label()->setTextFormat(Qt::PlainText);
        Label()->setText(ToQString(label->GetCaption()));
    }
}

void TLabelMirror::ApplyAppearance() {
    const auto* label = static_cast<const vcl::TLabel*>(FControl);
    Label()->setWordWrap(label->GetWordWrap());
    Label()->setAlignment(ToQtAlignment(label->GetAlignment()) | Qt::AlignTop);
    // Rich text would otherwise turn a "www" caption into a link of its own; clicks are the model's.
    Label()->setTextInteractionFlags(Qt::NoTextInteraction);
    Label()->setOpenExternalLinks(false);
    ApplyText(); // ShowAccelChar decides how the caption is shown
}

void TLabelMirror::ApplyBounds() {
    const auto* label = static_cast<const vcl::TLabel*>(FControl);
    int width = label->GetWidth();
    int height = label->GetHeight();
    if (label->GetAutoSize() && !label->GetWordWrap()) {
        const QSize text = Label()->sizeHint();
        width = std::max(width, text.width());
        height = std::max(height, text.height());
    }
    Label()->setGeometry(label->GetLeft(), label->GetTop(), width, height);
}

bool TLabelMirror::WidgetEvent(QEvent* event) {
    if (!IsMouseClick(event)) return false;
    vcl::TControl* control = FControl;
    UserAction([control] { control->MouseClick(); });
    return true;
}

// --- TImageMirror -------------------------------------------------------------------------------

QLabel* TImageMirror::Label() const {
    return static_cast<QLabel*>(Widget());
}

QWidget* TImageMirror::MakeWidget(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

void TImageMirror::ApplyAppearance() {
    const auto* image = static_cast<const vcl::TImage*>(FControl);
    // The graphic's own file bytes (a bitmap or an icon file); Qt recognises the format.
    QImage picture;
    if (vcl::TGraphic* graphic = image->GetPicture()->GetGraphic(); graphic != nullptr && !graphic->GetEmpty()) {
        auto stream = vcl::New<vcl::TMemoryStream>();
        graphic->SaveToStream(stream.get());
        picture.loadFromData(static_cast<const uchar*>(stream->Memory()), static_cast<int>(stream->GetSize()));
    }
    Label()->setPixmap(QPixmap::fromImage(picture));
    Label()->setScaledContents(image->GetStretch());
    Label()->setAlignment(image->GetCenter() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
}

bool TImageMirror::WidgetEvent(QEvent* event) {
    if (!IsMouseClick(event)) return false;
    vcl::TControl* control = FControl;
    UserAction([control] { control->MouseClick(); });
    return true;
}

} // namespace tnxqt
