#pragma once
// The reference zone picker's rows: "Время компьютера", which follows the computer's own
// zone, then the catalogue's entries. Each row's data is its entry's index,
// kComputerTime for "Время компьютера".

class QComboBox;
class TMainModel;

// Lists the model's catalogue in picker anew and selects the reference zone chosen. It
// saves nothing: the picker's change handler answers only the user's pick.
void FillReferencePicker(QComboBox* picker, const TMainModel& model);
