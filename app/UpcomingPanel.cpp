#include "app/UpcomingPanel.h"

#include "app/WindowLook.h"
#include "sessions/UpcomingText.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>

#include <limits>

namespace {

constexpr int kLeft = 12;
constexpr int kWidth = 876;
constexpr int kLinesTop = 22;
constexpr int kLinesBottom = 102;

int RowHeight() {
    return QFontMetrics(ArialPx(13)).lineSpacing();
}

// A line that paints its text itself while none of it is selected. A selectable label keeps
// its text in a document that it fills and lays out several times over at each change of
// text, which would be most of the panel's minute; the document is filled when the mouse
// first reaches the line, and paints the line while some of it is selected.
class TUpcomingLine : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (hasSelectedText()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(contentsRect(), int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0), text());
    }
};

QLabel* MakeText(QWidget* parent, const QString& name, bool bold) {
    auto* label = new TUpcomingLine(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(ArialPx(13, bold));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SetFontColor(label, 0);
    return label;
}

}  // namespace

TUpcomingPanel::TUpcomingPanel(QWidget* parent) : QFrame(parent) {
    heading_ = MakeText(this, QStringLiteral("lblUpcomingTitle"), true);
    heading_->setText(QStringLiteral("Ближайшие события"));
    heading_->setAccessibleName(heading_->text());
    heading_->setGeometry(kLeft, 4, kWidth, 17);
}

int TUpcomingPanel::RowCount() {
    return (kLinesBottom - kLinesTop) / RowHeight();
}

int TUpcomingPanel::RowsOf(const QString& line) {
    const auto found = rowsOf_.constFind(line);
    if (found != rowsOf_.cend()) return *found;
    if (rowsOf_.size() > 64) rowsOf_.clear();  // the countdowns' old lines
    const QFontMetrics metrics(ArialPx(13));
    // Most lines are narrower than the panel, which their width alone tells.
    if (!line.contains(u'\n') && metrics.horizontalAdvance(line) <= kWidth) return rowsOf_[line] = 1;
    const int rowHeight = metrics.lineSpacing();
    const QRect unbounded(0, 0, kWidth, std::numeric_limits<int>::max() / 2);
    const int height = metrics.boundingRect(unbounded, Qt::TextWordWrap, line).height();
    return rowsOf_[line] = std::max(1, (height + rowHeight - 1) / rowHeight);
}

QLabel* TUpcomingPanel::Row(size_t index) {
    while (rows_.size() <= index) {
        QLabel* row = MakeText(this, QStringLiteral("lblUpcoming%1").arg(rows_.size() + 1), false);
        row->setWordWrap(true);
        row->show();  // shown with the panel, which may be shown already
        rows_.push_back(row);
    }
    return rows_[index];
}

void TUpcomingPanel::SetEvents(const std::vector<TUpcomingEvent>& events) {
    if (isVisible()) {
        Show(events);
        return;
    }
    pending_ = events;
    hasPending_ = true;
}

void TUpcomingPanel::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    if (!hasPending_) return;
    hasPending_ = false;
    Show(pending_);
    pending_.clear();
}

void TUpcomingPanel::Show(const std::vector<TUpcomingEvent>& events) {
    const int rowHeight = RowHeight();
    const TUpcomingFit fit =
        FitUpcoming(events, RowCount(), [&](size_t i) { return RowsOf(events[i].Text); });
    int top = kLinesTop;
    shown_.clear();
    for (size_t i : fit.Shown) {
        const QString& line = events[i].Text;
        const int height = RowsOf(line) * rowHeight;
        QLabel* row = Row(size_t(shown_.size()));
        if (row->text() != line) {
            row->setText(line);
            row->setAccessibleName(line);
        }
        const QRect place(kLeft, top, kWidth, height);
        if (row->geometry() != place) row->setGeometry(place);
        shown_ << line;
        top += height;
    }
    // Rows no line needs go, so a screen reader finds no stale line among them.
    while (rows_.size() > size_t(shown_.size())) {
        delete rows_.back();
        rows_.pop_back();
    }
    QString all;
    if (fit.Hidden > 0) {
        QStringList lines;
        for (const TUpcomingEvent& event : events) lines << event.Text;
        all = lines.join(u'\n');
    }
    // A screen reader reads a widget's tool-tip as its description.
    ShowMore(fit.Hidden, all);
    if (toolTip() != all) setToolTip(all);
}

void TUpcomingPanel::ShowMore(size_t hidden, const QString& all) {
    if (hidden == 0) {
        delete more_;
        more_ = nullptr;
        return;
    }
    if (!more_) {
        more_ = MakeText(this, QStringLiteral("lblUpcomingMore"), false);
        more_->setGeometry(kLeft, kLinesBottom - RowHeight(), kWidth, RowHeight());
        more_->show();
    }
    const QString text = MoreEventsText(qsizetype(hidden));
    if (more_->text() != text) {
        more_->setText(text);
        more_->setAccessibleName(text);
    }
    if (more_->toolTip() != all) more_->setToolTip(all);
}
