#include "clocks/ZoneListAdapter.h"

#include "timezones/TimeZones.h"
#include "timezones/ZoneCityNames.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QProxyStyle>
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

// The search of one zone list. What was typed lives while the list is open; closing it
// shows every row again.
class TZoneListSearch : public QObject {
public:
    explicit TZoneListSearch(QComboBox* combo) : QObject(combo), combo_(combo) {
        view_ = qobject_cast<QListView*>(combo->view());
        QWidget* popup = combo->view()->parentWidget();
        caption_ = new QLabel(popup);
        caption_->setObjectName(QStringLiteral("zoneSearchCaption"));
        caption_->setTextFormat(Qt::PlainText);
        caption_->setContentsMargins(4, 1, 4, 1);
        caption_->hide();
        // Under the popup's top margin, above the list.
        if (auto* layout = qobject_cast<QBoxLayout*>(popup->layout())) layout->insertWidget(1, caption_);
        combo->installEventFilter(this);
        combo->view()->installEventFilter(this);
        popup->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && watched == caption_->parentWidget()) {
            Reset();
            return false;
        }
        if (event->type() != QEvent::KeyPress || !view_ || combo_->count() == 0) return false;
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
    bool RowMatches(int row, const QString& typedForm) const {
        const QVariant words = combo_->itemData(row, kSearchTextRole);
        if (SearchMatches(SearchForm(words.isValid() ? words.toString() : combo_->itemText(row)), typedForm))
            return true;
        const QString key = combo_->itemData(row, kZoneKeyRole).toString();
        return !key.isEmpty() && TZoneCityNames::Instance().KeyMatches(key, typedForm);
    }

    // Shows the rows that match typed and highlights the first; the choice itself waits
    // for Enter or a click.
    void Type(const QString& typed) {
        typed_ = typed;
        const QString typedForm = SearchForm(typed_);
        QModelIndex first;
        for (int row = 0; row < combo_->count(); ++row) {
            const bool shown = typedForm.isEmpty() || RowMatches(row, typedForm);
            view_->setRowHidden(row, !shown);
            if (shown && !first.isValid()) first = combo_->model()->index(row, combo_->modelColumn());
        }
        view_->setCurrentIndex(first);
        if (first.isValid()) view_->scrollTo(first, QAbstractItemView::PositionAtTop);
        caption_->setText(ZoneSearchCaption(typed_, first.isValid()));
        caption_->setVisible(!typed_.isEmpty());
    }

    void Reset() {
        typed_.clear();
        caption_->hide();
        if (!view_) return;
        for (int row = 0; row < combo_->count(); ++row) view_->setRowHidden(row, false);
    }

    QComboBox* combo_;
    QPointer<QListView> view_;
    QLabel* caption_;
    QString typed_;
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
