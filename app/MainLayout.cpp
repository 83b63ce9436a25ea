// The main window's controls, at the positions, fonts and captions of its design.
#include "app/Main.h"
#include "app/ChartView.h"
#include "app/UpcomingPanel.h"
#include "app/WindowLook.h"
#include "clocks/ZoneListAdapter.h"
#include "platform/MinuteTimer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A flat button that takes no keyboard focus, black text in the given font.
QToolButton* MakeFlatButton(QWidget* parent, const char* name, const QString& text, const QFont& font) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setFont(font);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    SetFontColor(button, 0);
    return button;
}

QFrame* MakePanel(QWidget* parent, const QString& name) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    return panel;
}

}  // namespace

QPoint MainWindowPlace(const QRect& available, const QSize& window) {
    // Centred, but never with the top-left corner off a screen smaller than the window,
    // where the title bar and the head's controls would be lost.
    const QPoint centred = available.center() - QRect(QPoint(), window).center();
    return QPoint(qMax(centred.x(), available.left()), qMax(centred.y(), available.top()));
}

void TForm1::BuildLayout() {
    setObjectName(QStringLiteral("Form1"));
    setFixedSize(900, 740);
    setFont(ArialPx(16, true));
    QPalette face = palette();
    face.setColor(QPalette::Window, ToQColor(clBtnFaceRgb));
    setPalette(face);
    setAutoFillBackground(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(MainWindowPlace(screen->availableGeometry(), size()));
    // The map's city hints show whenever the pointer rests on a dot, active window or not.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    pnlHead = MakePanel(this, QStringLiteral("pnlHead"));
    pnlHead->setGeometry(0, 0, 900, 150);
    BuildHead(pnlHead);
    BuildClockBoxes(pnlHead);

    img1 = new TChartView(this);
    img1->setObjectName(QStringLiteral("img1"));
    img1->SetImage(&chartBitmap_);
    img1->setGeometry(0, 150, 900, 447);
    img1->setMouseTracking(true);
    img1->installEventFilter(this);
    connect(img1, &TChartView::pixelRatioChanged, this, &TForm1::FollowPixelRatio);

    pnlHourLinePanelsBase = MakePanel(this, QStringLiteral("pnlHourLinePanelsBase"));
    pnlHourLinePanelsBase->setGeometry(0, 597, 900, 38);
    BuildHourLine(pnlHourLinePanelsBase);

    // The bottom panel lists the coming events.
    pnlPromo = new TUpcomingPanel(this);
    pnlPromo->setObjectName(QStringLiteral("pnlPromo"));
    pnlPromo->setGeometry(0, 635, 900, 105);

    // The tick wakes at each change of the minute rather than polling every 300 ms:
    // the minute's work lands within milliseconds of it, and the program sleeps between.
    tmr1 = new TMinuteTimer(clock_, this);
    tmr1->setObjectName(QStringLiteral("tmr1"));
    connect(tmr1, &TMinuteTimer::timeout, this, &TForm1::tmr1Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    Timer2->start();
}

void TForm1::BuildHead(QWidget* head) {
    pnlHeadTop = MakePanel(head, QStringLiteral("pnlHeadTop"));
    pnlHeadTop->setGeometry(0, 0, 900, 25);

    btnMiniMode = MakeFlatButton(pnlHeadTop, "btnMiniMode", QStringLiteral("Режим мини"), ArialPx(13, true));
    btnMiniMode->setGeometry(14, 0, 170, 21);

    CheckBox_Autorun = new QCheckBox(QStringLiteral("Загружать программу при входе в систему"), pnlHeadTop);
    CheckBox_Autorun->setObjectName(QStringLiteral("CheckBox_Autorun"));
    CheckBox_Autorun->setFont(ArialPx(11));
    SetFontColor(CheckBox_Autorun, 0);
    CheckBox_Autorun->setGeometry(320, 3, 258, 17);

    Label8 = MakeLabel(pnlHeadTop, "Label8", QStringLiteral("Время на компьютере:"));
    Label8->setFont(ArialPx(13, true));
    SetFontColor(Label8, clGrayText);
    Label8->adjustSize();
    Label8->move(723, 4);

    lblSelectGMT = MakeLabel(head, "lblSelectGMT", QStringLiteral("Выбрать UTC (GMT):"));
    lblSelectGMT->setAlignment(Qt::AlignCenter);
    SetFontColor(lblSelectGMT, 0);
    lblSelectGMT->setGeometry(15, 32, 166, 19);

    cbbUTC = new QComboBox(head);
    cbbUTC->setObjectName(QStringLiteral("cbbUTC"));
    cbbUTC->setFont(FontPx(QStringLiteral("Tahoma"), 16));
    cbbUTC->setFocusPolicy(Qt::ClickFocus);  // skipped by the Tab key
    // Screen readers read the selected zone, as the box shows it.
    connect(cbbUTC, &QComboBox::currentTextChanged, cbbUTC, &QWidget::setAccessibleName);
    cbbUTC->setGeometry(190, 28, 520, 27);
    SetUpZoneList(cbbUTC, 19);
    // Only the user's pick runs the change handler; start-up's selection saves nothing.
    connect(cbbUTC, &QComboBox::activated, this, &TForm1::cbbUTCChange);

    btnLocalTime = MakeFlatButton(head, "btnLocalTime", QStringLiteral("LocalTime"), ArialPx(21, true));
    btnLocalTime->setToolTip(QStringLiteral("Нажмите, если программа не правильно определила время"));
    btnLocalTime->setGeometry(715, 27, 170, 29);
    connect(btnLocalTime, &QToolButton::clicked, this, &TForm1::btnLocalTimeClick);

    pnlHeadBottom = MakeLabel(head, "pnlHeadBottom",
                              QStringLiteral("Чтобы изменить города, нажмите на кнопки выше. "
                                             "Подсказка (London UTC 0, NewYork  UTC +5)"));
    pnlHeadBottom->setFont(ArialPx(13));
    pnlHeadBottom->setAlignment(Qt::AlignCenter);
    SetFontColor(pnlHeadBottom, clGrayText);
    pnlHeadBottom->setGeometry(0, 134, 900, 16);
}

void TForm1::BuildClockBoxes(QWidget* head) {
    static const char* const kDesignNames[5] = {"London", "NewYork", "Tokyo", "Sydney", "Moscow"};
    for (int k = 0; k < 5; ++k) {
        const QString n = QString::number(k + 1);
        auto* box = MakePanel(head, QStringLiteral("pnlCapital%1TimeContainer").arg(n));
        box->setFrameStyle(QFrame::Panel | QFrame::Raised);
        box->setLineWidth(1);
        box->setGeometry(15 + 175 * k, 68, 170, 64);
        pnlCapitalTimeContainer[k] = box;

        auto* name = MakeLabel(box, "", QString::fromLatin1(kDesignNames[k]));
        name->setObjectName(QStringLiteral("lblCapital%1").arg(n));
        name->setFont(ArialPx(16, true));
        name->setAlignment(Qt::AlignCenter);
        SetFontColor(name, clBlueText);
        name->setGeometry(9, 9, 152, 19);
        lblCapital[k] = name;

        auto* time = MakeLabel(box, "", QStringLiteral("23:00:00"));
        time->setObjectName(QStringLiteral("pnlCapital%1Time").arg(n));
        time->setFont(ArialPx(21));
        time->setAlignment(Qt::AlignCenter);
        SetFontColor(time, clRedText);
        time->setGeometry(9, 28, 152, 27);
        pnlCapitalTime[k] = time;
    }
}

void TForm1::BuildHourLine(QWidget* base) {
    for (int i = 1; i <= 24; ++i) {
        auto* panel = MakeLabel(base, "", QString::number(i));
        panel->setObjectName(QStringLiteral("pnl%1").arg(i));
        panel->setFont(ArialPx(29, true));
        panel->setAlignment(Qt::AlignCenter);
        // Until the reference zone places them, the panels stand as for a zero offset.
        const int a = (47 - i) % 24;
        const int left = static_cast<int>(std::nearbyint(a * 37.5));
        const int right = static_cast<int>(std::nearbyint((a + 1) * 37.5));
        panel->setGeometry(left, 0, right - left, 40);
        pnlHour[i - 1] = panel;
    }
}
