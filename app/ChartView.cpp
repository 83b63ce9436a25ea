#include "app/ChartView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>

namespace {

// Screen readers meet the chart as a picture whose name reads its bars.
QAccessibleInterface* ChartAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(TChartView::staticMetaObject.className()) && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

}  // namespace

TChartView::TChartView(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = (QAccessible::installFactory(ChartAccessible), true);
    Q_UNUSED(factoryInstalled);
    // The picture covers the view, so nothing beneath it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TChartView::SetImage(const QImage* image) {
    image_ = image;
    update();
}

void TChartView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect dirty = event->rect();
    const QRect pictured =
        image_ ? dirty & QRect(QPoint(0, 0), image_->deviceIndependentSize().toSize()) : QRect();
    if (!pictured.isEmpty()) {
        const qreal ratio = image_->devicePixelRatio();
        painter.drawImage(pictured, *image_,
                          QRectF(QPointF(pictured.topLeft()) * ratio, QSizeF(pictured.size()) * ratio));
        if (ratio != devicePixelRatioF())
            QMetaObject::invokeMethod(this, &TChartView::pixelRatioChanged, Qt::QueuedConnection);
    }
    // Whatever the picture leaves uncovered (before the chart exists) is the window's face.
    const QRegion bare = QRegion(dirty) - pictured;
    for (const QRect& r : bare) painter.fillRect(r, palette().window());
}
