// The session chart over the world map, the hour line under it, and the city markers,
// drawn as the model's picture has them.
#include "app/Main.h"
#include "platform/Error.h"
#include "app/ChartView.h"
#include "app/WindowLook.h"
#include "platform/Clock.h"
#include "sessions/SessionChart.h"
#include "worldmap/WorldMapPicture.h"

#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>

void TForm1::CreateChartResources() {
    // Composed at the screen's device pixel ratio: a high-density screen gets every one
    // of its pixels drawn, not the chart's pixels stretched.
    const double ratio = img1->devicePixelRatioF();
    mapBitmap_ = WorldMapForPixelRatio(ratio).convertToFormat(QImage::Format_RGB32);
    hourHighlightPixel_ = MakeHourHighlightPixel();
    chartBitmap_ = MakeChartBitmap(img1->width(), img1->height(), ratio);
    hourWidth_ = ChartHourWidth(chartBitmap_);
}

TElementGeometry TForm1::ElementGeometry() const {
    return {hourWidth_, ChartElementHeight(chartBitmap_), chartBitmap_.devicePixelRatio()};
}

void TForm1::FollowPixelRatio() {
    // The window went to a screen of another density: everything drawn is drawn again.
    if (chartBitmap_.isNull() || img1->devicePixelRatioF() == chartBitmap_.devicePixelRatio()) return;
    try {
        CreateChartResources();
        model_.SetChartGeometry(ElementGeometry(), model_.Picture().UtcMs);
        RedrawChart();
    } catch (const Exception& error) {
        ReportError(error.Message());
    }
}

void TForm1::RedrawChart() {
    ++chartRedrawCount_;
    if (chartBitmap_.isNull() || !picture_) return;  // start-up stopped before the chart was made
    const TSessionTable& elements = model_.ChartElements();  // painted for the picture's minute
    ComposeChart(chartBitmap_, mapBitmap_, hourHighlightPixel_, picture_->HourColumn, elements.SessionList,
                 elements.OverlapList);
    img1->update();  // the view paints chartBitmap_ as it now stands
    // Screen readers get the bars as text: each title with its countdown.
    img1->setAccessibleName(picture_->BarsText());
}

void TForm1::PlaceHourPanels() {
    if (!picture_) return;
    const int d = picture_->HourOffset;
    hourPanelsOffset_ = d;
    for (int i = 1; i <= 24; ++i) {
        QLabel* panel = pnlHour[size_t(i - 1)];
        if (!panel) continue;
        const QRect place = HourPanelPlace(i, d, hourWidth_);
        panel->setGeometry(place.left(), panel->y(), place.width(), panel->height());
    }
}

void TForm1::HighlightHour() {
    if (!picture_) return;
    for (int i = 1; i <= 24; ++i)
        SetFontColor(pnlHour[size_t(i - 1)], i == picture_->HighlightedHour ? clRedText : 0);
}

void TForm1::img1MouseMove(QPoint point) {
    if (const std::optional<QString> hint = model_.MarkerHintAt(point, clock_.UtcMs())) {
        img1->setToolTip(*hint);
        if (QToolTip::isVisible()) QToolTip::showText(img1->mapToGlobal(point), *hint, img1);
    } else {
        // Off a marker the map shows no tooltip, so moving dot to dot shows the new city.
        img1->setToolTip(QString());
        QToolTip::hideText();
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == img1 && event->type() == QEvent::MouseMove)
        img1MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
    return QWidget::eventFilter(watched, event);
}
