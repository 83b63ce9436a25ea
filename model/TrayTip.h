#pragma once
// The tray icon's tool-tip: a line per clock, "name time" with the day mark where the
// clock has one, joined by CR LF, within the bytes the tray holds in its 8-bit form. When
// the lines do not fit, the longest names are shortened first (ending in "…") and never a
// time; a line that would not fit even without its name is left out whole, from the last.

#include "clocks/MainCapital.h"
#include "tray/TrayIcon.h"

#include <QString>

#include <array>

QString TrayTipText(const std::array<TClockFace, 5>& clocks, int maxBytes = kTipBytes);
