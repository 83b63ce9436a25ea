#include "clocks/EditCapitalClockForm.h"

#include "clocks/ZoneListAdapter.h"
#include "timezones/TimeZones.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr TColor kCream = 0x00F0FBFF;
constexpr TColor kGrey = 0x00808080;

QFont ArialPixels(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    // Fonts other than the designer's Arial may run wider: never clip the text.
    geometry.setWidth(std::max(geometry.width(), label->sizeHint().width()));
    label->setGeometry(geometry);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    // Neither button answers Enter: the dialog has no default button.
    button->setDefault(false);
    button->setAutoDefault(false);
    return button;
}

std::optional<TColor> RunColorDialog(QWidget* parent, TColor preset) {
    QColorDialog dialog(ColorFromTColor(preset), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return TColorFromQColor(dialog.selectedColor());
}

}  // namespace

TEditCapitalClockForm::TEditCapitalClockForm(QWidget* owner) : QDialog(owner), colorPicker_(RunColorDialog) {
    setObjectName(QStringLiteral("EditCapitalClockForm"));
    setWindowTitle(QStringLiteral("Редактирование часов"));
    setFont(ArialPixels(13));
    setFixedSize(548, 189);  // a fixed dialog border: the controls never move

    lblName = MakeLabel(this, "lblName", QStringLiteral("Название города:"), {16, 19, 106, 16});
    edtName = new QLineEdit(QStringLiteral("edtName"), this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setGeometry(152, 16, 380, 24);
    lblName->setBuddy(edtName);

    lblSelectUTC = MakeLabel(this, "lblSelectUTC", QStringLiteral("Часовой пояс:"), {16, 59, 87, 16});
    cbbTimeZones = new QComboBox(this);  // a choice list: not editable
    cbbTimeZones->setObjectName(QStringLiteral("cbbTimeZones"));
    cbbTimeZones->setGeometry(152, 55, 380, 23);
    cbbTimeZones->setFont(ArialPixels(12));
    SetUpZoneList(cbbTimeZones, 15);
    lblSelectUTC->setBuddy(cbbTimeZones);

    lblSelectColor =
        MakeLabel(this, "lblSelectColor", QStringLiteral("Цвет в мини режиме:"), {16, 97, 128, 16});
    pnlColor = new QFrame(this);
    pnlColor->setObjectName(QStringLiteral("pnlColor"));
    pnlColor->setGeometry(152, 93, 24, 24);
    pnlColor->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlColor->setAutoFillBackground(true);
    pnlColor->setAccessibleName(lblSelectColor->text());
    pnlColor->setCursor(Qt::PointingHandCursor);
    pnlColor->installEventFilter(this);
    SetColor(kCream);

    lbl1 = MakeLabel(this, "lbl1", QStringLiteral("Нажмите на цвет, чтобы изменить."), {191, 97, 206, 16});
    QPalette grey = lbl1->palette();
    grey.setColor(QPalette::WindowText, ColorFromTColor(kGrey));
    lbl1->setPalette(grey);

    bvl1 = new QFrame(this);  // the rule above the buttons
    bvl1->setObjectName(QStringLiteral("bvl1"));
    bvl1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bvl1->setGeometry(0, 132, 548, 2);

    btnOK = MakeButton(this, "btnOK", QStringLiteral("OK"), {16, 148, 129, 25});
    btnCancel = MakeButton(this, "btnCancel", QStringLiteral("Отмена"), {403, 148, 129, 25});
    connect(btnOK, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });

    setTabOrder(edtName, cbbTimeZones);
    setTabOrder(cbbTimeZones, btnOK);
    setTabOrder(btnOK, btnCancel);
    edtName->setFocus();
}

void TEditCapitalClockForm::Fill(const TTimeZoneList* catalogue, const TMainCapital& capital) {
    cbbTimeZones->clear();
    if (!catalogue || catalogue->Count() == 0) return;  // design text and cream stay
    AddZoneListEntries(cbbTimeZones, *catalogue);
    // The combo box selects its first item by itself; an unknown zone selects none.
    cbbTimeZones->setCurrentIndex(catalogue->IndexOfStandardName(capital.Zone.StandardName));
    edtName->setText(capital.Name);
    SetColor(capital.Color);
}

int TEditCapitalClockForm::FillAndShow(const TTimeZoneList* catalogue, const TMainCapital& capital) {
    Fill(catalogue, capital);
    return exec();
}

void TEditCapitalClockForm::ApplyTo(TMainCapital& capital, const TTimeZoneList* catalogue) const {
    capital.SetName(edtName->text());
    const int item = cbbTimeZones->currentIndex();
    if (item >= 0 && catalogue) {
        bool ok = false;
        const int entry = cbbTimeZones->itemData(item).toInt(&ok);
        if (ok && entry >= 0 && entry < catalogue->Count())
            capital.Zone = (*catalogue)[entry].ToTimeZoneInformation();
    }
    capital.Color = color_;
}

void TEditCapitalClockForm::SetColor(TColor color) {
    color_ = color;
    QPalette palette = pnlColor->palette();
    palette.setColor(QPalette::Window, ColorFromTColor(color));
    pnlColor->setPalette(palette);
    pnlColor->update();
}

void TEditCapitalClockForm::pnlColorClick() {
    if (const std::optional<TColor> chosen = colorPicker_(this, color_)) SetColor(*chosen);
}

void TEditCapitalClockForm::reject() {
    done(mrCancel);
}

bool TEditCapitalClockForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pnlColor && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && pnlColor->rect().contains(mouse->position().toPoint())) {
            pnlColorClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TEditCapitalClockForm::keyPressEvent(QKeyEvent* event) {
    // Without a cancel button Escape does not close the dialog.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
