// The calendar a clock of its own keeps: a given start, moved on by the milliseconds since.
#include "platform/calendar.h"

#include <charconv>

namespace advplay::platform {

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
std::int64_t days_from_civil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    std::int64_t const era = (year >= 0 ? year : year - 399) / 400;
    std::int64_t const year_of_era = year - era * 400;
    std::int64_t const day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    std::int64_t const day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

LocalTime civil_from_days(std::int64_t days)
{
    LocalTime time;
    time.weekday = static_cast<int>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    days += 719468;
    std::int64_t const era = (days >= 0 ? days : days - 146096) / 146097;
    std::int64_t const day_of_era = days - era * 146097;
    std::int64_t const year_of_era
        = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    std::int64_t const day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    std::int64_t const month_index = (5 * day_of_year + 2) / 153;
    time.day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
    time.month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
    time.year = static_cast<int>(year_of_era + era * 400 + (time.month <= 2));
    return time;
}

std::optional<int> number(std::string_view text)
{
    int value = 0;
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc {} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

LocalTime calendar_after(const LocalTime& base, std::uint32_t elapsed_ms)
{
    std::int64_t const base_ms
        = ((static_cast<std::int64_t>(base.hour) * 60 + base.minute) * 60 + base.second) * 1000
        + base.millisecond;
    std::int64_t const total = base_ms + elapsed_ms;
    std::int64_t const day_ms = 24 * 60 * 60 * 1000;
    LocalTime time = civil_from_days(days_from_civil(base.year, base.month, base.day) + total / day_ms);
    std::int64_t const in_day = total % day_ms;
    time.hour = static_cast<int>(in_day / 3600000);
    time.minute = static_cast<int>(in_day / 60000 % 60);
    time.second = static_cast<int>(in_day / 1000 % 60);
    time.millisecond = static_cast<int>(in_day % 1000);
    return time;
}


std::optional<LocalTime> parse_date_time(std::string_view text)
{
    // YYYY-MM-DD HH:MM:SS
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':'
        || text[16] != ':')
        return std::nullopt;
    auto const year = number(text.substr(0, 4));
    auto const month = number(text.substr(5, 2));
    auto const day = number(text.substr(8, 2));
    auto const hour = number(text.substr(11, 2));
    auto const minute = number(text.substr(14, 2));
    auto const second = number(text.substr(17, 2));
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    LocalTime time = civil_from_days(days_from_civil(*year, *month, *day));
    if (time.day != *day || time.month != *month)
        return std::nullopt;
    time.hour = *hour;
    time.minute = *minute;
    time.second = *second;
    time.millisecond = 0;
    return time;
}

} // namespace advplay::platform
