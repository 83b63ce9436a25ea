#pragma once
// The zone rule in the operating system's binary form. The settings file stores
// TIME_ZONE_INFORMATION byte for byte, so these layouts are a file format:
// little-endian, packed, exactly as sized below.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "zone records are stored little-endian byte for byte");

#pragma pack(push, 1)

// A date and time of eight unsigned 16-bit fields (wDayOfWeek: 0 = Sunday).
struct SYSTEMTIME {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;

    friend bool operator==(const SYSTEMTIME&, const SYSTEMTIME&) = default;
};
static_assert(sizeof(SYSTEMTIME) == 16);

// The 172-byte zone record every clock, marker and the chart carry by value.
// UTC = local time + bias (minutes).
struct TIME_ZONE_INFORMATION {
    int32_t Bias = 0;
    char16_t StandardName[32] = {};
    SYSTEMTIME StandardDate;  // when daylight time ends
    int32_t StandardBias = 0;
    char16_t DaylightName[32] = {};
    SYSTEMTIME DaylightDate;  // when daylight time begins
    int32_t DaylightBias = 0;

    friend bool operator==(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b) {
        return std::memcmp(&a, &b, sizeof a) == 0;
    }
};
static_assert(sizeof(TIME_ZONE_INFORMATION) == 172);
static_assert(offsetof(TIME_ZONE_INFORMATION, StandardName) == 4);
static_assert(offsetof(TIME_ZONE_INFORMATION, StandardDate) == 68);
static_assert(offsetof(TIME_ZONE_INFORMATION, StandardBias) == 84);
static_assert(offsetof(TIME_ZONE_INFORMATION, DaylightName) == 88);
static_assert(offsetof(TIME_ZONE_INFORMATION, DaylightDate) == 152);
static_assert(offsetof(TIME_ZONE_INFORMATION, DaylightBias) == 168);

// The 44-byte "TZI" value of a catalogue key.
struct REG_TZI_FORMAT {
    int32_t Bias = 0;
    int32_t StandardBias = 0;
    int32_t DaylightBias = 0;
    SYSTEMTIME StandardDate;
    SYSTEMTIME DaylightDate;
};
static_assert(sizeof(REG_TZI_FORMAT) == 44);

#pragma pack(pop)

// Whether every field of the record lies in the range its rule can use: each of the
// three biases within a day of UTC, and each transition date in use (wMonth not 0) a
// real month, time of day and day (the wDay-th weekday, 1-5, in a yearly rule; a day of
// the month, 1-31, in a rule of one year). A record read from a file that fails this
// was never written by a clock: it is unreadable, like one of the wrong length.
bool PlausibleZoneRecord(const TIME_ZONE_INFORMATION& zone);

// Days since 1899-12-30 00:00; the fraction is the time of day (0.5 is noon).
using TDateTime = double;
