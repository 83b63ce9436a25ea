#pragma once
// The panel under the hour line that lists the coming events: a heading, then the events'
// lines in their order, as many as its rows hold whole. When not all fit, the most
// important ones stay and the last row says how many more there are; the panel's
// tool-tip, which a screen reader reads as its description, then holds every line. Each
// line is plain text of its own that the user can select and a screen reader reads; a
// line that reads as it did a minute ago is neither laid out nor painted again, and a
// hidden panel lays out nothing until it is shown.

#include "sessions/UpcomingEvents.h"

#include <QFrame>
#include <QHash>
#include <QStringList>

#include <vector>

class QLabel;

class TUpcomingPanel : public QFrame {
    Q_OBJECT
public:
    explicit TUpcomingPanel(QWidget* parent = nullptr);

    void SetEvents(const std::vector<TUpcomingEvent>& events);
    // The lines shown, in their order (without the row that counts the rest).
    const QStringList& Lines() const { return shown_; }
    // How many rows of text the panel holds under its heading.
    static int RowCount();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Show(const std::vector<TUpcomingEvent>& events);
    void ShowMore(size_t hidden, const QString& all);
    int RowsOf(const QString& line);
    QLabel* Row(size_t index);

    QLabel* heading_ = nullptr;
    std::vector<QLabel*> rows_;  // a label for each line shown
    QLabel* more_ = nullptr;  // "ещё 2 события…", while lines are left out
    QStringList shown_;
    std::vector<TUpcomingEvent> pending_;  // events given while hidden
    bool hasPending_ = false;
    QHash<QString, int> rowsOf_;  // how many rows a line's text wraps to
};
