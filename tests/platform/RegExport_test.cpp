#include "platform/RegExport.h"

#include "platform/CodePage.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

QString ErrorOf(const QByteArray& text) {
    try {
        ReadRegExport(text);
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

}  // namespace

TEST(RegExport, ReadsEveryValueForm) {
    const QByteArray text =
        ToAnsi(QStringLiteral("REGEDIT4\r\n"
                              "\r\n"
                              "; a comment\r\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n"
                              "@=\"default\"\r\n"
                              "\"Text\"=\"Москва \\\"центр\\\" C:\\\\dir\"\r\n"
                              "\"Count\"=dword:0000012c\r\n"
                              "\"Blob\"=hex:01,02,\\\r\n"
                              "  03,ff\r\n"
                              "\"Path\"=hex(2):25,54,25,00\r\n"
                              "\"Empty\"=hex:\r\n"
                              "\r\n"
                              "[HKCU\\Run]\n"
                              "\"Horavane\"=\"x\"\n"));
    const TRegistry registry = ReadRegExport(text);
    const TRegKey* key = registry.FindKey(HKEY_LOCAL_MACHINE, QStringLiteral("software\\TEST"));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->FindValue(QString())->data, QByteArray("default"));
    EXPECT_EQ(FromAnsi(key->FindValue(QStringLiteral("text"))->data),
              QStringLiteral("Москва \"центр\" C:\\dir"));
    const TRegValue* count = key->FindValue(QStringLiteral("Count"));
    uint32_t number = 0;
    std::memcpy(&number, count->data.constData(), 4);
    EXPECT_EQ(count->type, REG_DWORD);
    EXPECT_EQ(number, 300u);
    EXPECT_EQ(key->FindValue(QStringLiteral("Blob"))->data, QByteArray("\x01\x02\x03\xff", 4));
    EXPECT_EQ(key->FindValue(QStringLiteral("Path"))->type, REG_EXPAND_SZ);
    EXPECT_EQ(key->FindValue(QStringLiteral("Path"))->data, QByteArray("%T%"));  // terminator dropped
    EXPECT_EQ(key->FindValue(QStringLiteral("Empty"))->data, QByteArray());
    EXPECT_NE(registry.FindKey(HKEY_CURRENT_USER, QStringLiteral("Run")), nullptr);
}

TEST(RegExport, AppliesDeletions) {
    TRegistry registry = ReadRegExport(
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n[HKEY_CURRENT_USER\\A\\B]\r\n");
    ReadRegExport("REGEDIT4\r\n[-HKEY_CURRENT_USER\\A\\B]\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=-\r\n",
                  registry);
    const TRegKey* a = registry.FindKey(HKEY_CURRENT_USER, QStringLiteral("A"));
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->SubKeys().empty());
    EXPECT_EQ(a->FindValue(QStringLiteral("x")), nullptr);
    EXPECT_NE(a->FindValue(QStringLiteral("y")), nullptr);
}

TEST(RegExport, NamesTheLineOfMalformedText) {
    const QByteArray key = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";
    struct Case {
        QByteArray text;
        int line;
    };
    const Case cases[] = {
        {"", 1},
        {"Windows Registry Editor Version 5.00\r\n", 1},
        {"REGEDIT4\r\n\"x\"=\"outside a key\"\r\n", 2},
        {"REGEDIT4\r\n[HKEY_NOWHERE\\K]\r\n", 2},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K\r\n", 2},
        {key + "\"x\"=\"unclosed\r\n", 4},
        {key + "\"x\"=\"a\" trailing\r\n", 4},
        {key + "\"x\"=dword:123456789\r\n", 4},
        {key + "\"x\"=dword:zz\r\n", 4},
        {key + "\"x\"=hex:1,02\r\n", 4},
        {key + "\"x\"=hex:0g\r\n", 4},
        {key + "\"x\"=hex(zz):00\r\n", 4},
        {key + "\"x\"=hex:01,\\\r\n  02,\\\r\n  xx\r\n\"y\"=\"1\"\r\n", 4},
        {key + "\"x\"\r\n", 4},
        {key + "\"unclosed=\"1\"\r\n", 4},
        {key + "garbage\r\n", 4},
        {key + "\"x\"=42\r\n", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_TRUE(ErrorOf(c.text).startsWith(QStringLiteral("Registry export, line %1: ").arg(c.line)))
            << ErrorOf(c.text).toStdString();
    }
}

TEST(RegExport, WritesWhatItReads) {
    TRegistry registry;
    const QString path = QStringLiteral("SOFTWARE\\Zones");
    registry.SetString(HKEY_LOCAL_MACHINE, path + "\\Один", QStringLiteral("Display"),
                       QStringLiteral("(UTC+03:00) \"Москва\" \\"));
    registry.SetBinary(HKEY_LOCAL_MACHINE, path + "\\Один", QStringLiteral("TZI"), QByteArray(44, '\xa5'));
    registry.SetDword(HKEY_LOCAL_MACHINE, path + "\\Два", QStringLiteral("n"), 0xdeadbeef);
    registry.SetString(HKEY_LOCAL_MACHINE, path + "\\Два", QString(), QStringLiteral("%PATH%"),
                       REG_EXPAND_SZ);
    registry.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Elsewhere"), QStringLiteral("x"),
                       QStringLiteral("y"));
    // A name holding "=hex" before a wrapped hex list, and a text with a line break.
    registry.SetBinary(HKEY_LOCAL_MACHINE, path + "\\Два", QStringLiteral("a=b\"=hex"),
                       QByteArray(60, '\x11'));
    registry.SetString(HKEY_LOCAL_MACHINE, path + "\\Два", QStringLiteral("lines"),
                       QStringLiteral("one\ntwo"));

    const QByteArray text = WriteRegExport(registry, HKEY_LOCAL_MACHINE, path);
    EXPECT_TRUE(text.startsWith("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zones]\r\n"));
    for (const QByteArray& line : text.split('\n')) EXPECT_LE(line.size(), 80);
    const TRegistry back = ReadRegExport(text);
    EXPECT_EQ(back.FindKey(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Elsewhere")), nullptr);
    EXPECT_EQ(WriteRegExport(back, HKEY_LOCAL_MACHINE, path), text);
    const TRegKey* one = back.FindKey(HKEY_LOCAL_MACHINE, path + "\\Один");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(FromAnsi(one->FindValue(QStringLiteral("Display"))->data),
              QStringLiteral("(UTC+03:00) \"Москва\" \\"));
    EXPECT_EQ(one->FindValue(QStringLiteral("TZI"))->data, QByteArray(44, '\xa5'));
    const TRegKey* two = back.FindKey(HKEY_LOCAL_MACHINE, path + "\\Два");
    EXPECT_EQ(two->FindValue(QString())->type, REG_EXPAND_SZ);
    EXPECT_EQ(two->FindValue(QStringLiteral("a=b\"=hex"))->data, QByteArray(60, '\x11'));
    EXPECT_EQ(two->FindValue(QStringLiteral("lines"))->type, REG_SZ);
    EXPECT_EQ(two->FindValue(QStringLiteral("lines"))->data, QByteArray("one\ntwo"));
    EXPECT_EQ(WriteRegExport(registry, HKEY_LOCAL_MACHINE, QStringLiteral("Nope")),
              QByteArray("REGEDIT4\r\n\r\n"));
}

// Damaged text (cut anywhere, or a byte changed) is read or refused, never misread into a crash.
TEST(RegExport, SurvivesDamagedText) {
    const QByteArray text =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K\\Sub]\r\n\"S\"=\"a\\\\b\\\"c\"\r\n\"D\"=dword:0000ffff\r\n"
        "\"B\"=hex:01,02,03,\\\r\n  04,05\r\n@=hex(7):41,00,00\r\n[-HKEY_LOCAL_MACHINE\\K\\Sub]\r\n";
    const char replacements[] = {'\0', '"', '\\', '[', ']', '=', ',', ':', '\n', '@', '-', 'x'};
    int refused = 0;
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
        try {
            ReadRegExport(text.left(cut));
        } catch (const Exception&) {
            ++refused;
        }
        for (const char c : replacements) {
            if (cut == text.size()) break;
            QByteArray damaged = text;
            damaged[cut] = c;
            try {
                ReadRegExport(damaged);
            } catch (const Exception&) {
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 0);
}
