#pragma once
// The dialog that edits one city clock: its name, its zone from the system's zone
// catalogue and its colour in the mini strip. Nothing reaches the clock until the
// caller applies a confirmed dialog with ApplyTo.

#include "clocks/MainCapital.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TTimeZoneList;

class TEditCapitalClockForm : public QDialog {
    Q_OBJECT
public:
    // Modal results, as the main window tests them.
    enum { mrOk = 1, mrCancel = 2 };

    explicit TEditCapitalClockForm(QWidget* owner = nullptr);

    // Fills the dialog from the catalogue (may be null) and the clock, runs it modally
    // and returns mrOk or mrCancel.
    int FillAndShow(const TTimeZoneList* catalogue, const TMainCapital& capital);
    // The filling half of FillAndShow.
    void Fill(const TTimeZoneList* catalogue, const TMainCapital& capital);
    // What OK changes, in order: the name as typed, the zone of the selected entry
    // (with no entry selected the clock keeps its zone), the colour. The caller then
    // refreshes the clocks and saves this clock.
    void ApplyTo(TMainCapital& capital, const TTimeZoneList* catalogue) const;

    TColor Color() const { return color_; }
    void SetColor(TColor color);

    // Runs the colour picker preset with a colour; nothing when the user cancels.
    // Replaceable so the swatch can be driven without a modal loop.
    using TColorPicker = std::function<std::optional<TColor>(QWidget* parent, TColor preset)>;
    void SetColorPicker(TColorPicker picker) { colorPicker_ = std::move(picker); }

    QLabel* lblName = nullptr;
    QLineEdit* edtName = nullptr;
    QLabel* lblSelectUTC = nullptr;
    QComboBox* cbbTimeZones = nullptr;
    QLabel* lblSelectColor = nullptr;
    QFrame* pnlColor = nullptr;
    QLabel* lbl1 = nullptr;
    QFrame* bvl1 = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

public slots:
    void pnlColorClick();
    // The title-bar close box answers Cancel.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TColor color_ = 0;
    TColorPicker colorPicker_;
};
