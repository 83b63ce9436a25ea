#include "minimode/MiniModeForm.h"

#include "clocks/MainCapital.h"
#include "minimode/StripLayout.h"
#include "minimode/StripWindowHints.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <QWindow>

namespace {

Qt::WindowFlags StripFlags(bool unmanaged) {
    // A tool window has no taskbar entry; on X11 the hint below is the EWMH "above"
    // state, which keeps the strip over ordinary windows.
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    if (unmanaged) flags |= Qt::X11BypassWindowManagerHint;
    return flags;
}

}  // namespace

TWindowPlacement CurrentWindowPlacement() {
    return WindowPlacementOf(QGuiApplication::platformName());
}

TMiniModeForm::TMiniModeForm(TWindowPlacement placement)
    : QWidget(nullptr), placement_(placement), StripBitmap(new QImage()) {
    // Under XWayland the compositor would place the strip itself, and not necessarily on
    // top; a window it does not manage goes where it is put, above the others.
    setWindowFlags(StripFlags(placement == TWindowPlacement::Program && XServerIsXWayland()));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(true);

    img1 = new QLabel(this);
    img1->setObjectName(QStringLiteral("img1"));
    img1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    img1->setScaledContents(false);
    img1->setGeometry(rect());
    // The picture's right-click and mouse events are the strip's own.
    img1->setContextMenuPolicy(Qt::NoContextMenu);

    pm1 = new QMenu(this);
    pm1->setObjectName(QStringLiteral("pm1"));
    mniN1 = pm1->addAction(QStringLiteral("Обычный режим"));
    mniN1->setObjectName(QStringLiteral("mniN1"));
    mniN2 = pm1->addAction(QStringLiteral("Выход"));
    mniN2->setObjectName(QStringLiteral("mniN2"));
    connect(mniN1, &QAction::triggered, this, &TMiniModeForm::mniN1Click);
    connect(mniN2, &QAction::triggered, this, &TMiniModeForm::mniN2Click);
}

TMiniModeForm::~TMiniModeForm() {
    delete StripBitmap;
}

void TMiniModeForm::AssignClocks(TMainCapital* clock1, TMainCapital* clock2, TMainCapital* clock3,
                                 TMainCapital* clock4, TMainCapital* clock5) {
    Clocks = {clock1, clock2, clock3, clock4, clock5};
    const int height = clock1 ? clock1->MeasureImage().height() : 0;
    SetClientSize(width(), height);
    // An image of no width keeps no height, so the picture's height is kept apart.
    StripHeight = height;
}

void TMiniModeForm::SetTimes(const std::array<TClockFace, 5>& times) {
    Times = times;
    if (isVisible()) RedrawStrip();
}

void TMiniModeForm::RedrawStrip() {
    for (TMainCapital* capital : Clocks) {
        if (!capital) return;  // nothing to show before AssignClocks
    }

    // Each clock renders its tile once; a tile with a day mark is as much wider as the
    // tile in the main window says, and the strip is laid out by the tiles' widths.
    std::array<const QImage*, StripTileCount> tiles{};
    std::array<int, StripTileCount> widths{};
    for (size_t i = 0; i < size_t(StripTileCount); ++i) {
        tiles[i] = &Clocks[i]->RenderImage(Times[i].Time, Times[i].DayMark);
        widths[i] = tiles[i]->width();
    }
    const TStripLayout layout = LayoutStrip(widths);

    const int height = StripHeight;
    *StripBitmap = QImage(layout.Width, height, QImage::Format_RGB32);
    StripBitmap->fill(Qt::black);
    QStringList texts;
    {
        QPainter painter(StripBitmap);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (size_t i = 0; i < size_t(StripTileCount); ++i) {
            painter.drawImage(layout.TileLefts[i], 0, *tiles[i], 0, 0, widths[i], height);
            texts << Clocks[i]->Name + QLatin1Char(' ') + Times[i].TimeText();
        }
    }

    if (layout.Width != width()) {
        // A compositor neither tells the strip where it is nor lets it move itself.
        if (placement_ == TWindowPlacement::Program) move(CentredLeft(x(), width(), layout.Width), y());
        SetClientSize(layout.Width, height);
    }
    img1->setPixmap(QPixmap::fromImage(*StripBitmap));
    // The picture shows the five clock texts; screen readers get them as its name.
    img1->setAccessibleName(texts.join(QStringLiteral(", ")));
}

void TMiniModeForm::ShowPlaced(const QRect& monitor, const QList<QRect>& screens,
                               const std::function<QPoint(const QPoint& fallback)>& storedPosition) {
    if (placement_ == TWindowPlacement::Program) {
        RedrawStrip();  // the width first, so the strip is mapped where it belongs
        const QPoint fallback = DefaultStripPosition(monitor, width());
        // A strip stored where no screen is now would be lost: it comes back to the default.
        move(StripPosition(storedPosition(fallback), fallback, size(), screens));
    }
    show();  // its show handler redraws the strip
}

const QImage& TMiniModeForm::StripImage() const {
    return *StripBitmap;
}

void TMiniModeForm::mniN1Click() {
    hide();
    emit showMainWindowRequested();
}

void TMiniModeForm::mniN2Click() {
    emit exitRequested();
}

void TMiniModeForm::showEvent(QShowEvent* event) {
    // Sent before the window is mapped, when the window manager has yet to read its state.
    if (!event->spontaneous()) KeepOffTaskbarAndPager(this);
    QWidget::showEvent(event);
    FormShow();
}

void TMiniModeForm::FormShow() {
    RedrawStrip();
    raise();  // to the top of the stay-on-top band, without taking the focus
}

void TMiniModeForm::SetClientSize(int width, int height) {
    // Fixed: the strip is not resized by hand, and a tiling compositor (sway) floats a
    // window of fixed size rather than stretching it over a screen.
    setFixedSize(width, height);
    // A hidden window gets its resize event only when shown; the picture fills it now.
    img1->setGeometry(0, 0, width, height);
}

void TMiniModeForm::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    FormMouseDown(event->button(), p.x(), p.y());
    event->accept();
}

void TMiniModeForm::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    FormMouseMove(p.x(), p.y());
    event->accept();
}

void TMiniModeForm::mouseReleaseEvent(QMouseEvent* event) {
    FormMouseUp();
    event->accept();
}

void TMiniModeForm::contextMenuEvent(QContextMenuEvent* event) {
    FormMouseUp();  // the menu takes the pointer: a drag under way ends here, and is saved
    pm1->popup(event->globalPos());
    event->accept();
}

bool TMiniModeForm::StartSystemMove() {
    QWindow* window = windowHandle();
    return window && window->startSystemMove();
}

void TMiniModeForm::FormMouseDown(Qt::MouseButton button, int x, int y) {
    if (button != Qt::LeftButton) {
        // The right button opens pm1, whose grab swallows the left button's release: a
        // drag under way ends and is saved now.
        FormMouseUp();
        return;
    }
    if (placement_ == TWindowPlacement::Compositor) {
        // The compositor moves the strip and keeps where it went to itself.
        StartSystemMove();
        return;
    }
    Dragging = true;
    GrabX = x;
    GrabY = y;
}

void TMiniModeForm::FormMouseMove(int x, int y) {
    if (!Dragging) return;
    move(this->x() + x - GrabX, this->y() + y - GrabY);
}

void TMiniModeForm::FormMouseUp() {
    if (!Dragging) return;
    // The drag ends before the position is stored, so a failed write cannot leave
    // the strip following a mouse whose buttons are up.
    Dragging = false;
    emit positionStored(pos());
}
