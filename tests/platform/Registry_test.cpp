#include "platform/Registry.h"

#include "platform/CodePage.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

namespace {

TRegistry Sample() {
    TRegistry registry;
    const QString zones = QStringLiteral("SOFTWARE\\Zones");
    // Added out of alphabetical order: enumeration keeps this order.
    registry.SetString(HKEY_LOCAL_MACHINE, zones + "\\Zeta", QStringLiteral("Display"),
                       QStringLiteral("Зета"));
    registry.SetBinary(HKEY_LOCAL_MACHINE, zones + "\\Zeta", QStringLiteral("TZI"), QByteArray(44, '\x07'));
    registry.SetString(HKEY_LOCAL_MACHINE, zones + "\\Alpha", QStringLiteral("Path"), QStringLiteral("%X%"),
                       REG_EXPAND_SZ);
    registry.SetDword(HKEY_LOCAL_MACHINE, zones + "\\Alpha", QStringLiteral("N"), 5);
    return registry;
}

}  // namespace

TEST(TRegistryAccess, OpensReadsAndCloses) {
    const TRegistry registry = Sample();
    TRegistryAccess reg(registry, HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.OpenKeyReadOnly(QStringLiteral("SOFTWARE\\Missing")));
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_TRUE(reg.GetKeyNames().isEmpty());

    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\software\\ZONES\\")));
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("software\\ZONES"));
    EXPECT_EQ(reg.GetKeyNames(), (QStringList{"Zeta", "Alpha"}));

    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("SOFTWARE\\Zones\\zeta")));
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"Display", "TZI"}));
    EXPECT_EQ(reg.GetDataType(QStringLiteral("display")), REG_SZ);
    EXPECT_EQ(reg.GetDataSize(QStringLiteral("Display")), 5);  // four bytes and the terminating zero
    EXPECT_EQ(FromAnsi(reg.ReadString(QStringLiteral("Display"))), QStringLiteral("Зета"));
    EXPECT_EQ(reg.GetDataSize(QStringLiteral("TZI")), 44);
    char buffer[50] = {};
    EXPECT_EQ(reg.ReadBinaryData(QStringLiteral("TZI"), buffer, 10), 10);  // never past the buffer
    EXPECT_EQ(buffer[10], 0);
    EXPECT_EQ(reg.ReadBinaryData(QStringLiteral("TZI"), buffer, 50), 44);
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Missing")), REG_NONE);
    EXPECT_EQ(reg.GetDataSize(QStringLiteral("Missing")), -1);
    EXPECT_THROW(reg.ReadString(QStringLiteral("TZI")), Exception);
    EXPECT_THROW(reg.ReadBinaryData(QStringLiteral("Display"), buffer, 50), Exception);

    reg.SetRootKey(HKEY_CURRENT_USER);  // closes the key
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_TRUE(reg.CurrentPath().isEmpty());
    EXPECT_FALSE(reg.OpenKeyReadOnly(QStringLiteral("SOFTWARE\\Zones")));
}

TEST(TRegistry, EditsKeysAndCopiesDeeply) {
    TRegistry registry = Sample();
    const TRegistry copy = registry;
    registry.CreateKey(HKEY_LOCAL_MACHINE, QStringLiteral("software\\zones\\ALPHA"))
        .SetValue(QStringLiteral("n"), REG_SZ, "x");
    const TRegKey* alpha = registry.FindKey(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Zones\\Alpha"));
    EXPECT_EQ(alpha->Name(), QStringLiteral("Alpha"));  // the stored spelling stays
    EXPECT_EQ(alpha->Values().size(), 2u);  // "n" replaced "N"
    EXPECT_EQ(alpha->FindValue(QStringLiteral("N"))->type, REG_SZ);
    EXPECT_EQ(copy.FindKey(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Zones\\Alpha"))
                  ->FindValue(QStringLiteral("N"))
                  ->type,
              REG_DWORD);

    EXPECT_TRUE(registry.DeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Zones\\Zeta")));
    EXPECT_FALSE(registry.DeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Zones\\Zeta")));
    EXPECT_EQ(registry.FindKey(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Zones"))->SubKeyNames(),
              QStringList{"Alpha"});
    EXPECT_EQ(RootKeyFromName(QStringLiteral("hklm")), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RootKeyFromName(QStringLiteral("HKEY_NOWHERE")), 0u);
}
