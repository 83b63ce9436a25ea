#include "clocks/ZoneListAdapter.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyledItemDelegate>

namespace {

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

}  // namespace

void SetZoneListRows(QComboBox* combo, int rowHeight) {
    combo->setStyle(ListPopupStyle());
    combo->setItemDelegate(new TFixedRowDelegate(rowHeight, combo));
    combo->setMaxVisibleItems(kZoneListOpenRows);
}
