// Inputs the fuzzer found that once lost or corrupted settings.
#include "platform/IniProfile.h"

#include <gtest/gtest.h>

// A file whose last line ends in a bare CR (an editor's or a truncated write's leftover):
// a key added to that last section used to be glued onto the line before it, so the
// new key was lost and the old one read back with the new line in its value.
TEST(IniProfileRegression, KeyAddedAfterALastLineEndingInABareCr) {
    const QByteArray keyLast = "[Mini]\r\nX=100\r";
    const QByteArray written = SetProfileValue(keyLast, "Mini", "Y", "-20");
    EXPECT_EQ(FindProfileValue(written, "Mini", "Y"), QByteArray("-20"));
    EXPECT_EQ(FindProfileValue(written, "Mini", "X"), QByteArray("100"));

    const QByteArray headerLast = "[Local]\r\nTZI=00\r\n[Mini]\r";
    const QByteArray added = SetProfileValue(headerLast, "mini", "X", "5");
    EXPECT_EQ(FindProfileValue(added, "Mini", "X"), QByteArray("5"));
    EXPECT_EQ(FindProfileValue(added, "Local", "TZI"), QByteArray("00"));

    // Found as: two bare CRs after the section's last key.
    const QByteArray found = "[A]\r\nj=1\r\r";
    const QByteArray fixed = SetProfileValue(found, "A", "k", "j");
    EXPECT_EQ(FindProfileValue(fixed, "A", "k"), QByteArray("j"));
    EXPECT_EQ(FindProfileValue(fixed, "A", "j"), QByteArray("1"));
}
