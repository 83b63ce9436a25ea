// The five clock boxes behave as buttons that open the clock editor; the reference clock
// opens the zones' hints.
#include "app/Main.h"
#include "app/Application.h"
#include "clocks/CapitalBoxAdapter.h"
#include "clocks/EditCapitalClockForm.h"
#include "platform/Clock.h"
#include "timezones/HintsForm.h"

#include <QFrame>
#include <QLabel>

void TForm1::BuildClockBoxClicks() {
    for (int k = 0; k < 5; ++k) {
        auto* click = new TCapitalBoxClick(pnlCapitalTimeContainer[k], {lblCapital[k], pnlCapitalTime[k]});
        connect(click, &TCapitalBoxClick::Clicked, this, [this, k] { CapitalBoxClicked(k); });
    }
}

void TForm1::CapitalBoxClicked(int slotIndex) {
    TMainCapital* capital = model_.Capital(slotIndex + 1);
    if (!capital) return;  // start-up stopped before the clocks were made
    QLabel* label = lblCapital[size_t(slotIndex)];
    // The editor holds entries of the catalogue, which is not read anew while it is open.
    struct Hold {
        TMainModel& model;
        explicit Hold(TMainModel& m) : model(m) { model.HoldCatalogue(true); }
        ~Hold() { model.HoldCatalogue(false); }
    } hold(model_);
    try {
        TEditCapitalClockForm editor(this);
        editor.Fill(&model_.TimeZoneList(), *capital);
        const int result = options_.runEditor ? options_.runEditor(editor) : editor.exec();
        if (result == TEditCapitalClockForm::mrOk) {
            editor.ApplyTo(*capital, &model_.TimeZoneList());
            picture_ = &model_.PictureAt(clock_.UtcMs());
            UpdateClocks();  // the tray hint with the new name too
            model_.WriteCapital(slotIndex);
        }
    } catch (...) {
        label->setText(capital->Name);  // the label follows the clock in every case
        throw;
    }
    label->setText(capital->Name);
}

void TForm1::btnLocalTimeClick() {
    TForm2::ShowModal(this, kApplicationTitle);
}
