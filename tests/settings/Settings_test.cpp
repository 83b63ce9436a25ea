#include "settings/Settings.h"

#include "clocks/MainCapital.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "settings/SettingsValues.h"
#include "support/TestSupport.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A zone record with every field set, so a byte out of place shows.
TIME_ZONE_INFORMATION SampleZone() {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = -180;
    const char16_t standard[] = u"Russian Standard Time";
    std::copy(std::begin(standard), std::end(standard), zone.StandardName);
    zone.StandardDate = SYSTEMTIME{0, 10, 0, 5, 3, 0, 0, 0};
    zone.StandardBias = 0;
    const char16_t daylight[] = u"Летнее время";
    std::copy(std::begin(daylight), std::end(daylight), zone.DaylightName);
    zone.DaylightDate = SYSTEMTIME{0, 3, 0, 5, 2, 0, 0, 0};
    zone.DaylightBias = -60;
    return zone;
}

// A folder nobody may create files in; root needs the immutable flag for that.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : path_(path) {
        if (geteuid() != 0) {
            ok_ = QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
            return;
        }
        ok_ = SetImmutable(true);
    }
    ~ReadOnlyFolder() {
        if (geteuid() != 0)
            QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        else if (ok_)
            SetImmutable(false);
    }
    bool ok() const { return ok_; }

private:
    bool SetImmutable(bool on) {
        const int fd = open(path_.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return false;
        int flags = 0;
        bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        close(fd);
        return done;
    }
    QString path_;
    bool ok_ = false;
};

class SettingsTest : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath("horavane.ini"); }
    TSettings Settings() const { return TSettings(Path()); }
    TMainCapital Capital(const QString& name = "London", TColor color = 0x00126137) const {
        return TMainCapital(name, TIME_ZONE_INFORMATION{}, color);
    }

    QTemporaryDir dir;
};

}  // namespace

TEST(SettingsValues, ZoneRecordTakesOnly344Or345Characters) {
    const TIME_ZONE_INFORMATION zone = SampleZone();
    const QByteArray hex = EncodeZoneRecord(zone);
    ASSERT_EQ(hex.size(), 344);
    EXPECT_EQ(hex, hex.toUpper());
    EXPECT_EQ(hex.left(8), "4CFFFFFF");  // Bias -180, little-endian
    EXPECT_EQ(DecodeZoneRecord(hex), zone);
    EXPECT_EQ(DecodeZoneRecord(hex.toLower()), zone);
    EXPECT_EQ(DecodeZoneRecord(hex + "Z"), zone);  // the 345th character is ignored
    EXPECT_EQ(DecodeZoneRecord(hex.left(342)), std::nullopt);
    EXPECT_EQ(DecodeZoneRecord(hex + "00"), std::nullopt);
    EXPECT_EQ(DecodeZoneRecord(""), std::nullopt);
    QByteArray bad = hex;
    bad[100] = 'G';
    EXPECT_EQ(DecodeZoneRecord(bad), std::nullopt);
}

// A record no clock could keep (a month 13, an hour 99, a bias of 2^31 minutes) is
// unreadable like one of the wrong length; the extremes real zones use are read.
TEST(SettingsValues, ZoneRecordOutsideEveryRuleIsUnreadable) {
    const std::vector<std::pair<const char*, std::function<void(TIME_ZONE_INFORMATION&)>>> broken{
        {"month 13", [](auto& z) { z.StandardDate.wMonth = 13; }},
        {"hour 99", [](auto& z) { z.DaylightDate.wHour = 99; }},
        {"minute 60", [](auto& z) { z.DaylightDate.wMinute = 60; }},
        {"second 60", [](auto& z) { z.StandardDate.wSecond = 60; }},
        {"1000 ms", [](auto& z) { z.StandardDate.wMilliseconds = 1000; }},
        {"weekday 7", [](auto& z) { z.DaylightDate.wDayOfWeek = 7; }},
        {"6th week", [](auto& z) { z.DaylightDate.wDay = 6; }},
        {"week 0", [](auto& z) { z.StandardDate.wDay = 0; }},
        {"day 32 of a year's rule",
         [](auto& z) { z.StandardDate = SYSTEMTIME{2026, 10, 0, 32, 3, 0, 0, 0}; }},
        {"bias 2^31-1", [](auto& z) { z.Bias = INT32_MAX; }},
        {"bias -2^31", [](auto& z) { z.Bias = INT32_MIN; }},
        {"daylight bias -2^31", [](auto& z) { z.DaylightBias = INT32_MIN; }},
        {"standard time over a day behind UTC", [](auto& z) { z.StandardBias = 1700; }},
    };
    for (const auto& [what, breakIt] : broken) {
        TIME_ZONE_INFORMATION zone = SampleZone();
        breakIt(zone);
        EXPECT_EQ(DecodeZoneRecord(EncodeZoneRecord(zone)), std::nullopt) << what;
    }
    const std::vector<std::pair<const char*, std::function<void(TIME_ZONE_INFORMATION&)>>> kept{
        {"Line Islands, UTC+14", [](auto& z) { z.Bias = -840; }},
        {"Baker Island, UTC-12", [](auto& z) { z.Bias = 720; }},
        {"23:59:59.999 of the last week",
         [](auto& z) { z.DaylightDate = SYSTEMTIME{0, 3, 6, 5, 23, 59, 59, 999}; }},
        {"one year's rule, the 31st",
         [](auto& z) { z.StandardDate = SYSTEMTIME{2026, 10, 0, 31, 3, 0, 0, 0}; }},
        {"no daylight time", [](auto& z) { z.StandardDate = z.DaylightDate = SYSTEMTIME{}; }},
    };
    for (const auto& [what, setIt] : kept) {
        TIME_ZONE_INFORMATION zone = SampleZone();
        setIt(zone);
        EXPECT_EQ(DecodeZoneRecord(EncodeZoneRecord(zone)), zone) << what;
    }
}

// Whatever the catalogue makes, from the tz database in any year or from the embedded
// export, a clock saves and reads back.
TEST(SettingsValues, EveryCatalogueRecordReadsBack) {
    std::vector<TRegistry> registries;
    for (const char* utc : {"1975-06-01T00:00:00", "2026-01-15T10:00:00", "2033-11-01T00:00:00"})
        registries.push_back(
            BuildZoneRegistryAt(QDateTime::fromString(utc, Qt::ISODate).toMSecsSinceEpoch()).registry);
    registries.push_back(LoadFallbackTimeZoneRegistry());
    int records = 0;
    for (const TRegistry& registry : registries) {
        TTimeZoneList list;
        LoadTimeZones(registry, list, {});
        for (int i = 0; i < list.Count(); ++i, ++records) {
            const TIME_ZONE_INFORMATION zone = list[i].ToTimeZoneInformation();
            EXPECT_EQ(DecodeZoneRecord(EncodeZoneRecord(zone)), zone) << list[i].Std.toStdString();
        }
    }
    EXPECT_GT(records, 400);
}

TEST(SettingsValues, IntegersInDecimalAndHex) {
    EXPECT_EQ(DecodeInteger("0x0000FF"), 255);
    EXPECT_EQ(DecodeInteger("0X0000ff"), 255);
    EXPECT_EQ(DecodeInteger("$0000FF"), 255);
    EXPECT_EQ(DecodeInteger("1204535"), 0x126137);
    EXPECT_EQ(DecodeInteger("-12"), -12);
    EXPECT_EQ(DecodeInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(DecodeInteger("$FFFFFFFF"), -1);
    for (const char* notANumber : {"", "0x", "$", "red", "12px", "2147483648", "$100000000", "- 1"})
        EXPECT_EQ(DecodeInteger(notANumber), std::nullopt) << notANumber;
    EXPECT_EQ(EncodeInteger(-150), "-150");
}

TEST(SettingsValues, NamesKeepEveryCharacter) {
    // Windows-1251 as the original wrote it.
    EXPECT_EQ(EncodeName("Москва"), ToAnsi("Москва"));
    EXPECT_EQ(DecodeName(ToAnsi("Москва")), "Москва");
    // What Windows-1251 cannot hold, or would hand back as other text, goes in UTF-8.
    EXPECT_EQ(EncodeName("São Paulo"), QString("São Paulo").toUtf8());
    EXPECT_EQ(EncodeName("Рё"), QString("Рё").toUtf8());
    EXPECT_EQ(DecodeName(ToAnsi("Рё")), "и");  // why the check above is needed
    // Blanks and quotes at the ends would be dropped by the reader unless quoted.
    EXPECT_EQ(EncodeName(" NY"), "\" NY\"");
    EXPECT_EQ(EncodeName("N Y"), "N Y");
}

TEST_F(SettingsTest, MissingFileGivesTheDefaults) {
    TMainCapital capital = Capital();
    Settings().ReadCapital(0, capital);
    EXPECT_EQ(capital.Name, "London");
    EXPECT_EQ(capital.Color, 0x00126137u);
    EXPECT_EQ(capital.Zone, TIME_ZONE_INFORMATION{});
    EXPECT_EQ(Settings().ReadLocalZone(SampleZone()), SampleZone());
    EXPECT_EQ(Settings().ReadMiniPosition(QPoint(10, -20)), QPoint(10, -20));
    EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(SettingsTest, UnusableValuesKeepTheCurrentOnes) {
    const QByteArray hex = EncodeZoneRecord(SampleZone());
    TIME_ZONE_INFORMATION month13 = SampleZone();
    month13.StandardDate.wMonth = 13;
    TIME_ZONE_INFORMATION farBias = SampleZone();
    farBias.Bias = INT32_MIN;
    WriteAll(Path(), "[0]\nBGColor=0x0000FF\nTZI=" + hex.left(342) +
                         "\n[1]\nName=\nBGColor=$0000FF\nTZI=" + hex +
                         "0\n"
                         "[2]\nBGColor=blue\nTZI=" +
                         hex +
                         "00\n"
                         "[3]\nTZI=" +
                         EncodeZoneRecord(month13) +
                         "\n"
                         "[Local]\nTZI=" +
                         hex.left(343) +
                         "\n"
                         "[Mini]\nX=$10\nY=top\n");
    TMainCapital first = Capital();
    Settings().ReadCapital(0, first);
    EXPECT_EQ(first.Name, "London");  // no key: the current name
    EXPECT_EQ(first.Color, 0x000000FFu);
    EXPECT_EQ(first.Zone, TIME_ZONE_INFORMATION{});

    TMainCapital second = Capital("NewYork");
    Settings().ReadCapital(1, second);
    EXPECT_EQ(second.Name, "");  // an empty value is an empty name
    EXPECT_EQ(second.MeasureImage(), Capital("").MeasureImage());
    EXPECT_EQ(second.Color, 0x000000FFu);
    EXPECT_EQ(second.Zone, SampleZone());  // 345 characters

    TMainCapital third = Capital("Tokyo", 0x0081CED2);
    Settings().ReadCapital(2, third);
    EXPECT_EQ(third.Color, 0x0081CED2u);
    EXPECT_EQ(third.Zone, TIME_ZONE_INFORMATION{});

    TMainCapital fourth = Capital("Sydney");
    Settings().ReadCapital(3, fourth);
    EXPECT_EQ(fourth.Zone, TIME_ZONE_INFORMATION{});  // month 13: as if missing

    EXPECT_EQ(Settings().ReadLocalZone(TIME_ZONE_INFORMATION{}), TIME_ZONE_INFORMATION{});
    EXPECT_EQ(Settings().ReadMiniPosition(QPoint(1, 2)), QPoint(16, 2));
    WriteAll(Path(), "[Local]\r\nTZI=" + EncodeZoneRecord(farBias) + "\r\n");
    EXPECT_EQ(Settings().ReadLocalZone(), std::nullopt);
}

TEST_F(SettingsTest, OnlySectionTwoChangesTheThirdClockAlone) {
    WriteAll(Path(), "[2]\r\nName=Osaka\r\n");
    std::vector<TMainCapital> capitals;
    for (const char* name : {"London", "NewYork", "Tokyo", "Sydney", "Moscow"})
        capitals.push_back(Capital(name));
    for (int i = 0; i < 5; ++i) Settings().ReadCapital(i, capitals[i]);
    EXPECT_EQ(capitals[0].Name, "London");
    EXPECT_EQ(capitals[1].Name, "NewYork");
    EXPECT_EQ(capitals[2].Name, "Osaka");
    EXPECT_EQ(capitals[3].Name, "Sydney");
    EXPECT_EQ(capitals[4].Name, "Moscow");
}

TEST_F(SettingsTest, WrittenValuesReadBackTheSame) {
    for (const QString name : {"Москва", "São Paulo", "東京", " Рё ", "\"NY\"", ""}) {
        TMainCapital written(name, SampleZone(), 0x009CA3CA);
        Settings().WriteCapital(4, written);
        TMainCapital read = Capital();
        Settings().ReadCapital(4, read);
        EXPECT_EQ(read.Name, name) << name.toStdString();
        EXPECT_EQ(read.Color, written.Color);
        EXPECT_EQ(read.Zone, written.Zone);
    }
    Settings().WriteLocalZone(SampleZone());
    EXPECT_EQ(Settings().ReadLocalZone({}), SampleZone());
    Settings().WriteMiniPosition(QPoint(-1280, 37));
    EXPECT_EQ(Settings().ReadMiniPosition({}), QPoint(-1280, 37));
    EXPECT_TRUE(ReadAll(Path()).contains("[Mini]\r\nX=-1280\r\nY=37\r\n"));
}

TEST_F(SettingsTest, FileInTheOriginalStyleIsReadAndKept) {
    const QByteArray hex = EncodeZoneRecord(SampleZone()).toLower();
    const QByteArray original = "; Horavane\r\n[0]\r\nName=" + ToAnsi("Лондон") +
                                "\r\nBGColor=1204535\r\nTZI=" + hex +
                                "\r\n\r\n[Extra]\r\nKeep=me\r\n[4]\r\nNAME=" + ToAnsi("Москва") + "\r\n";
    WriteAll(Path(), original);
    TMainCapital london = Capital("London", 0);
    Settings().ReadCapital(0, london);
    EXPECT_EQ(london.Name, "Лондон");
    EXPECT_EQ(london.Color, 0x00126137u);
    EXPECT_EQ(london.Zone, SampleZone());
    TMainCapital moscow = Capital("Moscow");
    Settings().ReadCapital(4, moscow);
    EXPECT_EQ(moscow.Name, "Москва");

    // Rewriting clock 5 changes its one name line and adds its two keys.
    moscow.Color = 0x008A7F8F;
    Settings().WriteCapital(4, moscow);
    EXPECT_EQ(ReadAll(Path()), original + "BGColor=9076623\r\nTZI=" + QByteArray(344, '0') + "\r\n");
    Settings().WriteCapital(0, london);
    QByteArray upperCase = original;
    EXPECT_EQ(ReadAll(Path()).left(original.size()), upperCase.replace(hex, hex.toUpper()));
}

TEST_F(SettingsTest, UnwritableFolderReportsThePathAndKeepsTheFile) {
    const QByteArray before = "[Local]\r\nTZI=" + EncodeZoneRecord(SampleZone()) + "\r\n";
    WriteAll(Path(), before);
    ReadOnlyFolder readOnly(dir.path());
    if (!readOnly.ok()) GTEST_SKIP() << "cannot make a read-only folder here";
    try {
        Settings().WriteLocalZone(TIME_ZONE_INFORMATION{});
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + Path());
    }
    TMainCapital capital = Capital("Paris");
    EXPECT_THROW(Settings().WriteCapital(0, capital), Exception);
    EXPECT_EQ(capital.Name, "Paris");
    EXPECT_EQ(ReadAll(Path()), before);
}

// Every kind of save on a full disk and on a file the user locked: the message names the
// file, the file keeps every byte, and no temporary file is left beside it.
TEST_F(SettingsTest, FailedSavesKeepTheFileByteForByte) {
    const QByteArray before =
        "[0]\r\nName=London\r\n[Mini]\r\nX=5\r\nY=6\r\n[Local]\r\nTZI=" + EncodeZoneRecord(SampleZone()) +
        "\r\n";
    WriteAll(Path(), before);
    TMainCapital capital("Paris", SampleZone(), 0x00FF0000);
    const std::vector<std::function<void()>> saves{
        [&] { Settings().WriteLocalZone(TIME_ZONE_INFORMATION{}); },
        [&] { Settings().WriteMiniPosition(QPoint(700, 8)); }, [&] { Settings().WriteCapital(0, capital); },
        [&] { Settings().WriteCapital(3, capital); }};
    const auto expectKept = [&](const char* what) {
        for (size_t i = 0; i < saves.size(); ++i) {
            try {
                saves[i]();
                ADD_FAILURE() << what << ": save " << i << " reported no error";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), "Unable to write to " + Path()) << what;
            }
            EXPECT_EQ(ReadAll(Path()), before) << what << ": save " << i;
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"horavane.ini"}) << what;
        }
    };
    {
        // Room for half the file: the new one is cut short on its way to the disk.
        FileSizeLimit fullDisk(before.size() / 2);
        expectKept("full disk");
    }
    // No write bits: left alone even by root, who could write it anyway.
    ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    expectKept("read-only file");
    ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner));
    Settings().WriteMiniPosition(QPoint(700, 8));
    EXPECT_EQ(Settings().ReadMiniPosition({}), QPoint(700, 8));
}

// A file an editor saved as UTF-8 with a byte-order mark keeps its names in UTF-8.
TEST_F(SettingsTest, FileMarkedUtf8KeepsNamesInUtf8) {
    WriteAll(Path(), "\xEF\xBB\xBF[0]\r\nName=" + QString("Лондон").toUtf8() + "\r\n");
    TMainCapital london = Capital();
    Settings().ReadCapital(0, london);
    EXPECT_EQ(london.Name, "Лондон");
    london.SetName("Москва");
    Settings().WriteCapital(0, london);
    const QByteArray written = ReadAll(Path());
    EXPECT_TRUE(written.startsWith("\xEF\xBB\xBF[0]\r\nName=" + QString("Москва").toUtf8() + "\r\n"))
        << written.toStdString();
    TMainCapital read = Capital();
    Settings().ReadCapital(0, read);
    EXPECT_EQ(read.Name, "Москва");
}

// A program the user may write beside (the build tree, ~/.local/bin) keeps its file
// there; an installed one (/usr/bin, whoever runs it, or any folder the user may not
// write) keeps it in the configuration folder.
TEST(SettingsFile, BesideAProgramInAWritableFolderElseInTheConfigFolder) {
    QTemporaryDir dir;
    const QString bin = dir.filePath("bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString config = dir.filePath("config");
    const QString inConfig = config + "/horavane/horavane.ini";
    EXPECT_EQ(SettingsFileNameFor(bin + "/horavane", config), bin + "/horavane.ini");
    EXPECT_EQ(SettingsFileNameFor(bin + "/horavane.exe", config), bin + "/horavane.ini");
    EXPECT_EQ(SettingsFileNameFor("/usr/bin/horavane", config), inConfig);
    EXPECT_EQ(SettingsFileNameFor("/usr/local/bin/horavane", config), inConfig);
    EXPECT_EQ(SettingsFileNameFor(dir.filePath("gone/horavane"), config), inConfig);
    {
        ReadOnlyFolder readOnly(bin);
        if (readOnly.ok()) {
            EXPECT_EQ(SettingsFileNameFor(bin + "/horavane", config), inConfig);
        }
    }

    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(SettingsFileNameFor("/usr/bin/horavane", UserConfigFolder()),
              QDir::home().filePath(".config/horavane/horavane.ini"));
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
    EXPECT_EQ(GetSettings().FileName(),
              SettingsFileNameFor(QCoreApplication::applicationFilePath(), UserConfigFolder()));
    TSettings& settings = GetSettings();
    SetSettingsFileName("/tmp/other.ini");
    EXPECT_EQ(&GetSettings(), &settings);
    EXPECT_EQ(settings.FileName(), "/tmp/other.ini");
}

// The first save of an installed program makes its folder in the configuration folder
// (and that one too, on a new account), private to the user; the format is the same.
TEST_F(SettingsTest, FirstSaveMakesTheFolderInTheConfigFolder) {
    const QString file = SettingsFileNameFor("/usr/bin/horavane", dir.filePath("new-account/.config"));
    ASSERT_EQ(file, dir.filePath("new-account/.config/horavane/horavane.ini"));  // never write /usr/bin
    TSettings settings(file);
    EXPECT_EQ(settings.ReadLocalZone(), std::nullopt);
    EXPECT_FALSE(QFile::exists(dir.filePath("new-account")));  // reading makes nothing
    settings.WriteMiniPosition(QPoint(3, 4));
    EXPECT_EQ(ReadAll(file), "[Mini]\r\nX=3\r\nY=4\r\n");
    EXPECT_EQ(QFileInfo(file).absolutePath(), dir.filePath("new-account/.config/horavane"));
    struct stat folder {};
    ASSERT_EQ(stat(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    TMainCapital capital("Москва", SampleZone(), 0x009CA3CA);
    settings.WriteCapital(4, capital);
    settings.WriteLocalZone(SampleZone());
    EXPECT_EQ(settings.ReadLocalZone(), SampleZone());
}
