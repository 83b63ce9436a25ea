#pragma once
// The panel under the hour line that lists the coming events: a heading, then as many of
// the events' lines, in their order, as its height holds whole. Each line is plain text
// of its own that the user can select and a screen reader reads; a line that reads as it
// did a minute ago is neither laid out nor painted again, and a hidden panel lays out
// nothing until it is shown.

#include <QFrame>
#include <QHash>
#include <QStringList>

#include <vector>

class QLabel;

class TUpcomingPanel : public QFrame {
    Q_OBJECT
public:
    explicit TUpcomingPanel(QWidget* parent = nullptr);

    void SetLines(const QStringList& lines);
    // The lines shown, in their order.
    const QStringList& Lines() const { return shown_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Show(const QStringList& lines);
    int RowsOf(const QString& line);
    QLabel* Row(size_t index);

    QLabel* heading_ = nullptr;
    std::vector<QLabel*> rows_;  // a label for each line shown
    QStringList shown_;
    QStringList pending_;  // lines given while hidden
    bool hasPending_ = false;
    QHash<QString, int> rowsOf_;  // how many rows a line's text wraps to
};
