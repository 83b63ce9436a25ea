#pragma once
// The session chart on screen (img1): paints the composed chart image unscaled at
// (0, 0), straight from the image the chart is composed in. Nothing is copied when the
// chart changes: the composition writes the image in place and asks for a repaint. The
// image holds the screen's device pixels; one composed for another density (the window
// moved to another screen) is shown scaled until it is composed again.

#include <QWidget>

class QImage;

class TChartView : public QWidget {
    Q_OBJECT
public:
    explicit TChartView(QWidget* parent = nullptr);

    // The picture to show; not owned, and it must outlive the view (or be replaced).
    void SetImage(const QImage* image);
    const QImage* Image() const { return image_; }

signals:
    // The screen's device pixel ratio is no longer the image's (queued).
    void pixelRatioChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage* image_ = nullptr;
};
