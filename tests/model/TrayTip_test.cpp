// The tray's tool-tip within its 127 bytes: names give way, times never do.
#include "model/TrayTip.h"

#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

std::array<TClockFace, 5> Faces(const std::array<const char*, 5>& names,
                                const std::array<const char*, 5>& times,
                                const std::array<const char*, 5>& marks = {"", "", "", "", ""}) {
    std::array<TClockFace, 5> faces;
    for (size_t k = 0; k < 5; ++k)
        faces[k] = {QString::fromUtf8(names[k]), QString::fromUtf8(times[k]), QString::fromUtf8(marks[k])};
    return faces;
}

// Every line ends with its clock's whole time and day mark.
void ExpectWholeTimes(const QString& tip, const std::array<TClockFace, 5>& faces, size_t lines) {
    const QStringList shown = tip.split("\r\n");
    ASSERT_EQ(size_t(shown.size()), lines) << tip.toStdString();
    for (size_t k = 0; k < lines; ++k)
        EXPECT_TRUE(shown[k].endsWith(u' ' + faces[k].TimeText())) << shown[k].toStdString();
}

}  // namespace

TEST(TrayTip, LinesThatFitAreJoinedAsTheyAre) {
    const auto faces =
        Faces({"London", "NewYork", "Tokyo", "Sydney", "Moscow"}, {"21:30", "16:30", "6:30", "8:30", "0:30"},
              {"", "", " +1 д.", " +1 д.", " +1 д."});
    EXPECT_EQ(TrayTipText(faces),
              "London 21:30\r\nNewYork 16:30\r\nTokyo 6:30 +1 д.\r\nSydney 8:30 +1 д.\r\n"
              "Moscow 0:30 +1 д.");
}

// Names of 15 to 19 letters with two day marks ("−" takes three bytes) are 8 bytes too
// many: the three longest names lose their ends, the others stay whole, and the tray's
// own cut finds nothing left to cut.
TEST(TrayTip, TheLongestNamesGiveWayAndEveryTimeStaysWhole) {
    const auto faces = Faces({"Лондон (Англия)", "Нью-Йорк (США) NYSE", "Токио (Япония)",
                              "Сидней (Австралия)", "Москва (РТС биржа)"},
                             {"21:30", "16:30", "6:30", "8:30", "0:30"}, {" −1 д.", " −1 д.", "", "", ""});
    const QString tip = TrayTipText(faces);
    EXPECT_EQ(tip,
              "Лондон (Англия) 21:30 −1 д.\r\nНью-Йорк (США)… 16:30 −1 д.\r\nТокио (Япония) 6:30\r\n"
              "Сидней (Австра… 8:30\r\nМосква (РТС би… 0:30");
    EXPECT_LE(AnsiLength(tip), kTipBytes);
    EXPECT_EQ(AnsiPrefix(tip, kTipBytes), tip);
    ExpectWholeTimes(tip, faces, 5);
}

// Characters the code page lacks take their UTF-8 bytes and are never split; where not
// even the times fit, whole lines go from the end.
TEST(TrayTip, NamesAreCutBetweenCharactersAndLinesThatCannotFitGoWhole) {
    const auto faces = Faces({"東京都東京都東京都", "北京市北京市北京市", "Tokyo", "Sydney", "Moscow"},
                             {"04:30 PM", "03:30 PM", "04:30 PM", "06:30 PM", "10:30 AM"},
                             {" −1 д.", " −1 д.", " −1 д.", " −1 д.", " −1 д."});
    const QString tip = TrayTipText(faces, 120);
    EXPECT_EQ(tip.split("\r\n").replaceInStrings(QRegularExpression(" .*"), ""),
              QStringList({"東…", "北…", "Tokyo", "Sydn…", "Mosc…"}));
    EXPECT_LE(AnsiLength(tip), 120);
    ExpectWholeTimes(tip, faces, 5);

    // Each line takes 17 bytes without its name.
    EXPECT_EQ(TrayTipText(faces, 40), "… 04:30 PM −1 д.\r\n… 03:30 PM −1 д.");
    EXPECT_EQ(TrayTipText(faces, 10), QString());
}
