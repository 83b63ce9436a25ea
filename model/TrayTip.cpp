#include "model/TrayTip.h"

#include <QStringList>

#include <algorithm>
#include <numeric>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kCut = QStringLiteral("\u2026");  // one byte in the 8-bit form

// The name in at most cap bytes, ending in "…" when shortened.
QString Shortened(const QString& name, int cap) {
    if (AnsiLength(name) <= cap) return name;
    if (cap <= AnsiLength(kCut)) return cap < AnsiLength(kCut) ? QString() : kCut;
    return AnsiPrefix(name, cap - AnsiLength(kCut)) + kCut;
}

// The largest cap such that the names, each cut to it, take no more than budget bytes.
int NameCap(const std::vector<int>& nameBytes, int budget) {
    int cap = 0;
    const int longest = nameBytes.empty() ? 0 : *std::max_element(nameBytes.begin(), nameBytes.end());
    while (cap < longest) {
        int total = 0;
        for (int bytes : nameBytes) total += std::min(bytes, cap + 1);
        if (total > budget) break;
        ++cap;
    }
    return cap;
}

}  // namespace

QString TrayTipText(const std::array<TClockFace, 5>& clocks, int maxBytes) {
    std::vector<int> nameBytes, restBytes;
    for (const TClockFace& clock : clocks) {
        nameBytes.push_back(AnsiLength(clock.Name));
        restBytes.push_back(AnsiLength(u' ' + clock.TimeText()));
    }
    const int breakBytes = AnsiLength(kLineBreak);
    for (size_t lines = clocks.size(); lines > 0; --lines) {
        const int fixed = std::accumulate(restBytes.begin(), restBytes.begin() + qsizetype(lines), 0) +
                          breakBytes * int(lines - 1);
        const int budget = maxBytes - fixed;
        if (budget < 0) continue;
        const std::vector<int> names(nameBytes.begin(), nameBytes.begin() + qsizetype(lines));
        const int cap = std::accumulate(names.begin(), names.end(), 0) <= budget
                            ? *std::max_element(names.begin(), names.end())
                            : NameCap(names, budget);
        QStringList text;
        for (size_t k = 0; k < lines; ++k)
            text << Shortened(clocks[k].Name, cap) + u' ' + clocks[k].TimeText();
        return text.join(kLineBreak);
    }
    return QString();
}
