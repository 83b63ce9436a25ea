// The five clock boxes behave as buttons that open the clock editor.
#include "app/Main.h"
#include "clocks/CapitalBoxAdapter.h"
#include "clocks/EditCapitalClockForm.h"
#include "platform/Clock.h"
#include "settings/Settings.h"

#include <QFrame>
#include <QLabel>

void TForm1::BuildClockBoxClicks() {
    for (int k = 0; k < 5; ++k) {
        auto* click = new TCapitalBoxClick(pnlCapitalTimeContainer[k], {lblCapital[k], pnlCapitalTime[k]});
        connect(click, &TCapitalBoxClick::Clicked, this, [this, k] { CapitalBoxClicked(k); });
    }
}

void TForm1::CapitalBoxClicked(int slotIndex) {
    if (!capitals_.at(slotIndex)) return;  // start-up stopped before the clocks were made
    TMainCapital& capital = *capitals_[slotIndex];
    QLabel* label = lblCapital[slotIndex];
    // The editor holds entries of the catalogue, which is not read anew while it is open.
    struct EditingFlag {
        bool& flag;
        explicit EditingFlag(bool& f) : flag(f) { flag = true; }
        ~EditingFlag() { flag = false; }
    } editing(editingClock_);
    try {
        TEditCapitalClockForm editor(this);
        editor.Fill(&timeZoneList_, capital);
        const int result = options_.runEditor ? options_.runEditor(editor) : editor.exec();
        if (result == TEditCapitalClockForm::mrOk) {
            editor.ApplyTo(capital, &timeZoneList_);
            now_ = clock_.UtcMs();
            UpdateClocks();  // the tray hint takes the new name at the next refresh
            GetSettings().WriteCapital(slotIndex, capital);
        }
    } catch (...) {
        label->setText(capital.Name);  // the label follows the clock in every case
        throw;
    }
    label->setText(capital.Name);
}
