// Inputs the fuzzer found that once changed a name on its way through the settings file.
#include "platform/IniProfile.h"
#include "settings/SettingsValues.h"

#include <gtest/gtest.h>

namespace {

QString ThroughTheFile(const QString& name) {
    const QByteArray file = SetProfileValue(QByteArray(), "0", "Name", EncodeName(name));
    return DecodeName(FindProfileValue(file, "0", "Name").value_or(QByteArray()));
}

}  // namespace

// A name pasted from a text file can begin with U+FEFF; its UTF-8 bytes were taken for a
// byte-order mark on reading, and the name came back without it.
TEST(SettingsValuesRegression, NameBeginningWithFeffKeepsIt) {
    for (const QString& name :
         {QStringLiteral(u"\uFEFF"), QStringLiteral(u"\uFEFFТокио"), QStringLiteral(u"Токио\uFEFF")})
        EXPECT_EQ(ThroughTheFile(name), name);
    EXPECT_EQ(DecodeName("\xEF\xBB\xBF"
                         "A"),
              QStringLiteral(u"\uFEFFA"));
}
