#include "clocks/ZoneListAdapter.h"

#include "timezones/TimeZones.h"
#include "timezones/ZoneCityNames.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QListView>
#include <QPointer>
#include <QProxyStyle>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QStyledItemDelegate>

namespace {

// The Windows zone key of an entry's item; the search finds the entry by its places.
constexpr int kZoneKeyRole = Qt::UserRole + 1;
// Words that stand for an item's text in the search.
constexpr int kSearchTextRole = Qt::UserRole + 2;

class TFixedRowDelegate : public QStyledItemDelegate {
public:
    TFixedRowDelegate(int rowHeight, QObject* parent) : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), rowHeight_);
    }

private:
    int rowHeight_;
};

// Styles that open a list as a menu around its current item (Fusion among them) make
// every row a menu item's height and let the list grow as tall as the screen; this one
// keeps the application's style for everything else.
class TListPopupStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle* ListPopupStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new TListPopupStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);  // lives as long as the application's own style
    }
    return style;
}

// Text typed on a list, as opposed to keys that move, pick or close.
bool IsTyping(const QKeyEvent& key) {
    const QString text = key.text();
    return !text.isEmpty() && text.at(0).isPrint() &&
           !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// The search of one zone list. What was typed lives while the list is open, shown as
// the list's first row (read by screen readers as any row is), and the open list shrinks
// to that row and the matches; closing it shows every row again.
class TZoneListSearch : public QObject {
public:
    explicit TZoneListSearch(QComboBox* combo) : QObject(combo), combo_(combo) {
        view_ = qobject_cast<QListView*>(combo->view());
        combo->installEventFilter(this);
        combo->view()->installEventFilter(this);
        combo->view()->parentWidget()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && view_ && watched == view_->parentWidget()) {
            Reset();
            return false;
        }
        if (event->type() != QEvent::KeyPress || !view_ || EntryCount() == 0) return false;
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (watched == combo_ && IsTyping(key) && key.key() != Qt::Key_Space) {
            combo_->showPopup();
            Type(typed_ + key.text());
            return true;
        }
        if (watched == combo_->view()) {
            if (IsTyping(key) && !(typed_.isEmpty() && key.key() == Qt::Key_Space)) {
                Type(typed_ + key.text());
                return true;
            }
            if (key.key() == Qt::Key_Backspace && !typed_.isEmpty()) {
                Type(typed_.chopped(1));
                return true;
            }
        }
        return false;
    }

private:
    int CaptionRows() const { return captionShown_ ? 1 : 0; }
    int EntryCount() const { return combo_->count() - CaptionRows(); }

    bool RowMatches(int row, const QString& typedForm) const {
        const QVariant words = combo_->itemData(row, kSearchTextRole);
        if (SearchMatches(SearchForm(words.isValid() ? words.toString() : combo_->itemText(row)), typedForm))
            return true;
        const QString key = combo_->itemData(row, kZoneKeyRole).toString();
        return !key.isEmpty() && TZoneCityNames::Instance().KeyMatches(key, typedForm);
    }

    // The caption row: text only, never picked, by click, Enter or the arrow keys.
    void ShowCaption(const QString& text) {
        if (!captionShown_) {
            combo_->insertItem(0, text);
            captionShown_ = true;
            if (auto* model = qobject_cast<QStandardItemModel*>(combo_->model()))
                if (QStandardItem* item = model->item(0)) {
                    item->setFlags(Qt::NoItemFlags);
                    // Read as text, not greyed out as an entry that cannot be had.
                    item->setForeground(combo_->palette().brush(QPalette::Active, QPalette::Text));
                }
        } else {
            combo_->setItemText(0, text);
        }
        combo_->setItemData(0, text, Qt::AccessibleTextRole);
    }

    void HideCaption() {
        if (!captionShown_) return;
        captionShown_ = false;
        combo_->removeItem(0);
    }

    // Shows the rows that match typed and highlights the first; the choice itself waits
    // for Enter or a click.
    void Type(const QString& typed) {
        typed_ = typed;
        if (typed_.isEmpty()) HideCaption();
        const QString typedForm = SearchForm(typed_);
        QModelIndex first;
        for (int row = CaptionRows(); row < combo_->count(); ++row) {
            const bool shown = typedForm.isEmpty() || RowMatches(row, typedForm);
            view_->setRowHidden(row, !shown);
            if (shown && !first.isValid()) first = combo_->model()->index(row, combo_->modelColumn());
        }
        QPersistentModelIndex current(first);  // stays on its entry when the caption comes
        if (!typed_.isEmpty()) ShowCaption(ZoneSearchCaption(typed_, first.isValid()));
        view_->setCurrentIndex(current);
        FitPopup();
        view_->scrollToTop();  // the caption, then the first match
    }

    // The open list as tall as the rows it shows, up to a screenful of them; a list that
    // opened above its box keeps its bottom edge there.
    void FitPopup() {
        QWidget* popup = view_->parentWidget();
        if (!popup->isVisible()) return;
        int rows = 0, height = 0;
        for (int row = 0; row < combo_->count() && rows < kZoneListOpenRows; ++row) {
            if (view_->isRowHidden(row)) continue;
            height += view_->sizeHintForRow(row);
            ++rows;
        }
        const int chrome = popup->height() - view_->viewport()->height();
        QRect place = popup->geometry();
        const bool above = place.top() < combo_->mapToGlobal(QPoint(0, 0)).y();
        const int bottom = place.bottom();
        place.setHeight(chrome + height);
        if (above) place.moveBottom(bottom);
        popup->setGeometry(place);
    }

    void Reset() {
        typed_.clear();
        HideCaption();
        if (!view_) return;
        for (int row = 0; row < combo_->count(); ++row) view_->setRowHidden(row, false);
    }

    QComboBox* combo_;
    QPointer<QListView> view_;
    QString typed_;
    bool captionShown_ = false;
};

}  // namespace

void SetUpZoneList(QComboBox* combo, int rowHeight) {
    combo->setStyle(ListPopupStyle());
    combo->setItemDelegate(new TFixedRowDelegate(rowHeight, combo));
    combo->setMaxVisibleItems(kZoneListOpenRows);
    new TZoneListSearch(combo);
}

void AddZoneListEntries(QComboBox* combo, const TTimeZoneList& catalogue) {
    for (int i = 0; i < catalogue.Count(); ++i) {
        combo->addItem(catalogue[i].Display, i);
        combo->setItemData(combo->count() - 1, catalogue[i].Std, kZoneKeyRole);
    }
}

void SetZoneSearchText(QComboBox* combo, int row, const QString& words) {
    combo->setItemData(row, words, kSearchTextRole);
}

void MarkComputerRow(QComboBox* combo, int row) {
    if (row < 0 || row >= combo->count()) return;
    const QString words = QStringLiteral("часовой пояс этого компьютера");
    combo->setItemIcon(row, combo->style()->standardIcon(QStyle::SP_ComputerIcon));
    combo->setItemData(row, words, Qt::ToolTipRole);
    combo->setItemData(row, combo->itemText(row) + QStringLiteral(", ") + words, Qt::AccessibleTextRole);
}

QString ZoneSearchCaption(const QString& typed, bool found) {
    return (found ? QStringLiteral("Поиск: ") : QStringLiteral("Не найдено: ")) + typed;
}
