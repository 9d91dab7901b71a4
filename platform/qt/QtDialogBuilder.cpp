#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <algorithm>

#include "platform/qt/DialogFont.h"
#include "platform/qt/DialogUnits.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtListView.h"
#include "platform/qt/QtUpDown.h"

namespace corvid::window::qt {

namespace {

constexpr int SUNKEN_FRAME_WIDTH = 1;
// A sunken status field's text starts just inside its edge, as a Windows
// static's does; Qt's own indent there is half an "x", which the widest
// position text cannot spare in every face of the dialog font.
constexpr int SUNKEN_TEXT_INDENT = 1;

bool Has(const ControlTemplate& control, ControlStyle style) {
    return HasStyle(control.style, style);
}

Qt::WindowFlags FlagsFor(const DialogTemplate& layout) {
    const auto has = [&](DialogStyle style) { return HasStyle(layout.style, style); };
    Qt::WindowFlags flags = has(DialogStyle::APP_WINDOW) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if (has(DialogStyle::CAPTION)) {
        flags |= Qt::WindowTitleHint;
    }
    if (has(DialogStyle::SYSTEM_MENU)) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if (has(DialogStyle::MINIMIZE_BOX)) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (has(DialogStyle::MAXIMIZE_BOX)) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

// A name only where the template gives one: otherwise Qt names the control
// by its caption, and follows the caption when the program changes it.
void NameForScreenReaders(const ControlTemplate& control, QWidget& widget) {
    if (control.accessibleName.empty()) {
        return;
    }
    widget.setAccessibleName(FromUtf8(control.accessibleName));
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        label->setAccessibleDescription(label->text());
    }
    if (auto* upDown = dynamic_cast<UpDownWidget*>(&widget)) {
        for (const bool up : {true, false}) {
            upDown->ArrowButton(up).setAccessibleName(
                FromUtf8(ArrowAccessibleName(control.accessibleName, up)));
        }
    }
}

QLabel* MakeLabel(const ControlTemplate& control, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(FromUtf8(control.text));
    const Qt::Alignment horizontal =
        Has(control, ControlStyle::ALIGN_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignVCenter);
    // A static paints its own ground in the dialog colour, over any picture.
    label->setAutoFillBackground(true);
    if (Has(control, ControlStyle::SUNKEN)) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(SUNKEN_FRAME_WIDTH);
        label->setIndent(SUNKEN_TEXT_INDENT);
    }
    return label;
}

QLabel* MakePicture(const ControlTemplate& control, QWidget* parent, QtImages& images) {
    auto* label = new QLabel(parent);
    const QPixmap picture = images.Bitmap(control.imageId);
    label->setPixmap(picture);
    const int frame = Has(control, ControlStyle::BORDER) ? 1 : 0;
    if (frame != 0) {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(frame);
    }
    // A picture static takes its bitmap's own size.
    QRect rect = ControlRect(control);
    if (!picture.isNull()) {
        rect.setSize(picture.deviceIndependentSize().toSize() + QSize(2 * frame, 2 * frame));
    }
    label->setGeometry(rect);
    return label;
}

// A number edit takes the digits 0 to 9 and nothing else. A check of its
// own rather than a regular expression, whose engine would be loaded and
// compiled at every start for this alone.
class DigitsValidator final : public QValidator {
  public:
    using QValidator::QValidator;

    State validate(QString& input, int& /*position*/) const override {
        const bool digitsOnly = std::all_of(input.cbegin(), input.cend(), [](QChar character) {
            return character >= QLatin1Char('0') && character <= QLatin1Char('9');
        });
        return digitsOnly ? Acceptable : Invalid;
    }
};

QLineEdit* MakeEdit(const ControlTemplate& control, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setText(FromUtf8(control.text));
    edit->setFrame(Has(control, ControlStyle::BORDER));
    if (Has(control, ControlStyle::NUMBER)) {
        edit->setValidator(new DigitsValidator(edit));
    }
    return edit;
}

// An auto-buddy up-down takes the right end of its buddy, which narrows.
void AttachToBuddy(QWidget& upDown, QWidget& buddy, int width) {
    QRect buddyRect = buddy.geometry();
    buddyRect.setWidth(std::max(buddyRect.width() - width, 0));
    buddy.setGeometry(buddyRect);
    upDown.setGeometry(buddyRect.right() + 1, buddyRect.top(), width, buddyRect.height());
}

}  // namespace

void QtDialog::Build(const DialogTemplate& layout) {
    const Qt::WindowFlags flags = FlagsFor(layout);
    normalType =
        flags.testFlag(Qt::Window) && !flags.testFlag(Qt::Dialog) ? Qt::Window : Qt::Dialog;
    setWindowFlags(flags);
    setWindowTitle(FromUtf8(layout.caption));
    setSizeGripEnabled(false);
    if (HasStyle(layout.style, DialogStyle::SET_FONT)) {
        setFont(DialogFont(font()));
    }
    environment.ApplyColors(*this);
    SetFixedClientSize(ClientSize(layout));
    QWidget* previous = nullptr;
    for (const ControlTemplate& control : layout.controls) {
        AddControl(control, previous);
        QWidget& widget = controls.back()->Widget();
        // The template's order is the Z order, the first on top.
        widget.lower();
        previous = &widget;
    }
    IndexControls();
    QWidget* previousTabStop = nullptr;
    for (const int id : TabStopOrder(layout)) {
        QtControl* control = FindControl(id);
        if (control == nullptr) {
            continue;
        }
        if (previousTabStop != nullptr) {
            setTabOrder(previousTabStop, &control->Widget());
        }
        previousTabStop = &control->Widget();
    }
}

void QtDialog::AddControl(const ControlTemplate& control, QWidget* previous) {
    const bool tabStop = Has(control, ControlStyle::TAB_STOP);
    QWidget* widget = nullptr;
    bool placed = false;
    switch (control.kind) {
        case ControlKind::PUSH_BUTTON:
        case ControlKind::CHECK_BOX: {
            const bool pushLike =
                control.kind == ControlKind::PUSH_BUTTON || Has(control, ControlStyle::PUSH_LIKE);
            QAbstractButton* button = nullptr;
            if (pushLike) {
                auto* push = new QPushButton(FromUtf8(control.text), this);
                push->setAutoDefault(false);
                push->setDefault(Has(control, ControlStyle::DEFAULT_BUTTON));
                button = push;
            } else {
                button = new QCheckBox(FromUtf8(control.text), this);
            }
            CheckKind check = CheckKind::PUSH;
            if (control.kind == ControlKind::CHECK_BOX) {
                check = Has(control, ControlStyle::AUTO_CHECK) ? CheckKind::AUTOMATIC
                                                               : CheckKind::MANUAL;
            }
            controls.push_back(std::make_unique<QtButton>(control.id, *button, check, *this));
            if (Has(control, ControlStyle::DEFAULT_BUTTON)) {
                defaultButton = controls.back().get();
            }
            button->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
            environment.ApplyButtonColors(*button);
            widget = button;
            break;
        }
        case ControlKind::GROUP_BOX: {
            auto* box = new QGroupBox(FromUtf8(control.text), this);
            controls.push_back(std::make_unique<QtGroupBox>(control.id, *box, *this));
            widget = box;
            break;
        }
        case ControlKind::EDIT: {
            QLineEdit* edit = MakeEdit(control, this);
            edit->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
            controls.push_back(std::make_unique<QtEdit>(control.id, *edit, *this));
            widget = edit;
            break;
        }
        case ControlKind::STATIC_TEXT: {
            QLabel* label = MakeLabel(control, this);
            controls.push_back(std::make_unique<QtStatic>(control.id, *label, *this));
            widget = label;
            break;
        }
        case ControlKind::PICTURE: {
            QLabel* picture = MakePicture(control, this, environment.images);
            controls.push_back(std::make_unique<QtStatic>(control.id, *picture, *this));
            widget = picture;
            placed = true;
            break;
        }
        case ControlKind::SCROLL_BAR: {
            auto* bar = new DialogScrollBar(Qt::Horizontal, this);
            // The keyboard's way in; a click leaves the focus where it was.
            bar->setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
            bar->setContextMenuPolicy(Qt::NoContextMenu);
            controls.push_back(std::make_unique<QtScrollBar>(control.id, *bar, *this));
            widget = bar;
            break;
        }
        case ControlKind::UP_DOWN: {
            auto* upDown = new UpDownWidget(this);
            upDown->setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
            const UpDownWrap wrap =
                Has(control, ControlStyle::WRAP) ? UpDownWrap::WRAP : UpDownWrap::STOP_AT_ENDS;
            controls.push_back(std::make_unique<QtUpDown>(control.id, *upDown, wrap, *this));
            upDown->setGeometry(ControlRect(control));
            if (Has(control, ControlStyle::AUTO_BUDDY) && previous != nullptr) {
                AttachToBuddy(*upDown, *previous, ControlRect(control).width());
                if (Has(control, ControlStyle::ARROW_KEYS)) {
                    previous->setProperty(UP_DOWN_OF_BUDDY, control.id);
                    previous->installEventFilter(this);
                }
            }
            widget = upDown;
            placed = true;
            break;
        }
        case ControlKind::LIST_VIEW: {
            auto* tree = new DialogTreeWidget(this);
            tree->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
            tree->setFrameShape(Has(control, ControlStyle::BORDER) ? QFrame::StyledPanel
                                                                   : QFrame::NoFrame);
            tree->header()->setSectionsClickable(!Has(control, ControlStyle::NO_SORT_HEADER));
            controls.push_back(
                std::make_unique<QtListView>(control.id, *tree, environment.images, *this));
            widget = tree;
            break;
        }
    }
    if (!placed) {
        widget->setGeometry(ControlRect(control));
    }
    widget->setProperty(CONTROL_ID, control.id);
    NameForScreenReaders(control, *widget);
    if (Has(control, ControlStyle::HIDDEN)) {
        widget->hide();
    }
}

}  // namespace corvid::window::qt
