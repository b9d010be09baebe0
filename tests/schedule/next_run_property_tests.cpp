// ComputeNextRun against a brute-force oracle: the first moment, stepping day
// by day from the present, whose date passes the due test of the first-power-
// on run and whose time is the run time, strictly after now. Two schedules
// the due test never finds due still run: a weekly set naming no weekday (a
// week after the starting day) and an unknown recurrence (daily). The oracle keeps
// its own calendar (day numbers, days of week from 1 January 1970, a
// Thursday), so neither CalendarDate's stepping nor its Zeller congruence
// takes part in it.
#include "schedule/due_test.h"
#include "schedule/scheduler.h"
#include "tests/schedule/timed_commands.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace schedule_test;

// The Gregorian calendar repeats, days of week included, every 400 years.
constexpr long DaysInFourHundredYears = 146097;

struct Civil {
    int year, month, day;
};

// Days since 1970-01-01 (civil calendar algorithms after H. Hinnant).
long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * DaysInFourHundredYears + doe - 719468;
}

Civil civilFromDays(long z)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / DaysInFourHundredYears;
    const long doe = z - era * DaysInFourHundredYears;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

int weekdayFromDays(long z) { return static_cast<int>(((z % 7) + 11) % 7); }   // 0 = Sunday

bool isRealDate(int y, int m, int d)
{
    if (y < 1601 || y > 30827 || m < 1 || m > 12 || d < 1) return false;
    return civilFromDays(daysFromCivil(y, m, d)).day == d;   // 31 April comes back as 1 May
}

class Oracle {
public:
    explicit Oracle(const Command::Schedule& schedule) : schedule_(schedule)
    {
        // A schedule due on no day of one whole cycle is due on no day at all.
        const long start = daysFromCivil(2000, 1, 1);
        for (long z = start; z < start + DaysInFourHundredYears && !dueEver_; ++z) dueEver_ = due(z);
    }

    // The expected next run at hour:minute from now, or false for none.
    bool nextRun(const SYSTEMTIME& now, int hour, int minute, SYSTEMTIME& next)
    {
        if (hour > 23 || minute > 59) return false;
        long z;
        if (schedule_.recurrence == Recurrence::Once) {
            // The one exception to "after now": a passed Once keeps its moment.
            if (!isRealDate(schedule_.onceYear, schedule_.onceMonth, schedule_.onceDay)) return false;
            z = daysFromCivil(schedule_.onceYear, schedule_.onceMonth, schedule_.onceDay);
        } else {
            z = daysFromCivil(now.wYear, now.wMonth, now.wDay);
            if (hour * 60 + minute <= now.wHour * 60 + now.wMinute) ++z;
            if (isUnknownRecurrence()) {
                // Runs every day, although never due at first power-on.
            } else if (schedule_.recurrence == Recurrence::Weekly && (schedule_.weekdayMask & 0x7F) == 0) {
                z += 7;   // no weekday named: the starting day's weekday, a week on
            } else {
                if (!dueEver_) return false;
                while (!due(z)) ++z;
            }
        }
        Civil c = civilFromDays(z);
        next = moment(static_cast<WORD>(c.year), static_cast<WORD>(c.month), static_cast<WORD>(c.day),
                      static_cast<WORD>(hour), static_cast<WORD>(minute));
        next.wDayOfWeek = static_cast<WORD>(weekdayFromDays(z));
        return true;
    }

private:
    bool isUnknownRecurrence() const
    {
        return static_cast<WORD>(schedule_.recurrence) > static_cast<WORD>(Recurrence::Once);
    }

    bool due(long z)
    {
        Civil c = civilFromDays(z);
        probe_.time.wYear = static_cast<WORD>(c.year);
        probe_.time.wMonth = static_cast<WORD>(c.month);
        probe_.time.wDay = static_cast<WORD>(c.day);
        probe_.time.wDayOfWeek = static_cast<WORD>(weekdayFromDays(z));
        return isDueOnDate(schedule_, probe_);
    }

    Command::Schedule schedule_;
    CalendarDate probe_;
    bool dueEver_ = false;
};

// Every recurrence and variant with the values the pages offer and the ones
// they can leave behind (0, 65535, one past the end).
std::vector<Command> schedules()
{
    std::vector<Command> all;
    auto add = [&all](Recurrence recurrence, auto fill) {
        Command c = timedCommand(L"p", recurrence, 0, 0);
        fill(c.schedule);
        all.push_back(c);
    };
    add(Recurrence::Daily, [](Command::Schedule&) {});
    for (WORD mask : {0, 1, 2, 4, 8, 16, 32, 64, 0x12, 0x41, 0x3E, 0x7F, 0x55, 0x80, 0xFF80, 0xFFFF})
        add(Recurrence::Weekly, [mask](Command::Schedule& s) { s.weekdayMask = mask; });
    for (WORD day = 0; day <= 32; ++day)
        add(Recurrence::Monthly, [day](Command::Schedule& s) {
            s.monthlyMode = MonthlyMode::MonthlyByDay;
            s.monthlyDay = day;
        });
    add(Recurrence::Monthly, [](Command::Schedule& s) {
        s.monthlyMode = MonthlyMode::MonthlyByDay;
        s.monthlyDay = 65535;
    });
    for (WORD mode : {1072, 0, 1070})
        for (WORD week : {0, 1, 2, 3, 4, 5, 65535})
            for (WORD weekday : {0, 1, 2, 3, 4, 5, 6, 7, 65535}) {
                if (mode != 1072 && (week % 2 || weekday % 3)) continue;   // a sample of the unknown modes
                add(Recurrence::Monthly, [=](Command::Schedule& s) {
                    s.monthlyMode = static_cast<MonthlyMode>(mode);
                    s.monthlyWeek = week;
                    s.monthlyWeekday = weekday;
                });
            }
    for (WORD month : {0, 1, 2, 3, 4, 6, 9, 12, 13, 65535})
        for (WORD day : {0, 1, 15, 28, 29, 30, 31, 32})
            add(Recurrence::Yearly, [=](Command::Schedule& s) {
                s.yearlyMode = YearlyMode::YearlyByDate;
                s.yearlyMonth = month;
                s.yearlyDay = day;
            });
    for (WORD mode : {1086, 0})
        for (WORD week : {0, 1, 3, 4, 5, 65535})
            for (WORD weekday : {0, 2, 5, 6, 7, 65535})
                for (WORD month : {0, 1, 2, 8, 12, 13}) {
                    if (mode != 1086 && (weekday > 6 || month % 4)) continue;
                    add(Recurrence::Yearly, [=](Command::Schedule& s) {
                        s.yearlyMode = static_cast<YearlyMode>(mode);
                        s.yearlyWeek = week;
                        s.yearlyWeekday = weekday;
                        s.yearlyWeekMonth = month;
                    });
                }
    const WORD onceDates[][3] = {{2020, 2, 29}, {2021, 2, 29}, {2024, 12, 31}, {2025, 6, 15}, {2031, 1, 1},
                                 {2019, 3, 1},  {2026, 4, 31}, {2026, 0, 5},   {0, 0, 0},     {2027, 13, 1}};
    for (const auto& date : onceDates)
        add(Recurrence::Once, [&date](Command::Schedule& s) {
            s.onceYear = date[0];
            s.onceMonth = date[1];
            s.onceDay = date[2];
        });
    for (WORD recurrence : {5, 65535})
        add(static_cast<Recurrence>(recurrence), [](Command::Schedule&) {});
    return all;
}

// Days from 2020 to 2030: every month end, 28 and 29 February, New Year's Day
// and a middle day of a month that moves on each year.
std::vector<Civil> startDays()
{
    std::vector<Civil> days;
    for (int year = 2020; year <= 2030; ++year) {
        days.push_back({year, 1, 1});
        days.push_back({year, 2, 28});
        if (isRealDate(year, 2, 29)) days.push_back({year, 2, 29});
        for (int month = 1; month <= 12; ++month) {
            Civil last = civilFromDays(daysFromCivil(month == 12 ? year + 1 : year, month == 12 ? 1 : month + 1, 1) - 1);
            days.push_back(last);
        }
        days.push_back({year, (year % 12) + 1, 15});
    }
    return days;
}

TEST(NextRunProperty, EqualsTheFirstDueMomentAfterNow)
{
    const std::vector<Civil> days = startDays();
    const WORD runTimes[][2] = {{0, 0}, {13, 45}, {23, 59}};
    long cases = 0, withRun = 0, mismatches = 0;
    for (Command command : schedules()) {
        Oracle oracle(command.schedule);
        for (const auto& runTime : runTimes) {
            command.schedule.runTime.wHour = runTime[0];
            command.schedule.runTime.wMinute = runTime[1];
            const int run = runTime[0] * 60 + runTime[1];
            // Midnight, the minute before the run time, its own minute, the one after, 23:59.
            const int nowMinutes[] = {0, run - 1, run, run + 1, 23 * 60 + 59};
            for (const Civil& day : days) {
                for (int minutes : nowMinutes) {
                    if (minutes < 0 || minutes >= 24 * 60) continue;
                    SYSTEMTIME now = moment(static_cast<WORD>(day.year), static_cast<WORD>(day.month),
                                            static_cast<WORD>(day.day), static_cast<WORD>(minutes / 60),
                                            static_cast<WORD>(minutes % 60));
                    CalendarDate nowDate;
                    nowDate.Assign(now);
                    nowDate.time.wDayOfWeek = static_cast<WORD>(weekdayFromDays(daysFromCivil(day.year, day.month, day.day)));
                    CalendarDate next;
                    SYSTEMTIME expected{};
                    const bool expectRun = oracle.nextRun(now, runTime[0], runTime[1], expected);
                    const bool gotRun = Scheduler::ComputeNextRun(command, next, nowDate);
                    SYSTEMTIME got{};
                    next.GetSystemTime(&got);
                    ++cases;
                    withRun += expectRun;
                    if (expectRun == gotRun && (!expectRun || describe(expected) == describe(got))) continue;
                    if (++mismatches <= 20) {
                        ADD_FAILURE() << "recurrence " << static_cast<int>(command.schedule.recurrence)
                                      << " weekdays " << command.schedule.weekdayMask << " monthly "
                                      << static_cast<int>(command.schedule.monthlyMode) << "/"
                                      << command.schedule.monthlyDay << "/" << command.schedule.monthlyWeek << "/"
                                      << command.schedule.monthlyWeekday << " yearly "
                                      << static_cast<int>(command.schedule.yearlyMode) << "/"
                                      << command.schedule.yearlyMonth << "/" << command.schedule.yearlyDay << "/"
                                      << command.schedule.yearlyWeek << "/" << command.schedule.yearlyWeekday
                                      << "/" << command.schedule.yearlyWeekMonth << " once "
                                      << command.schedule.onceYear << "-" << command.schedule.onceMonth << "-"
                                      << command.schedule.onceDay << "\n  now " << describe(now) << "\n  expected "
                                      << (expectRun ? describe(expected) : L"no run") << "\n  got "
                                      << (gotRun ? describe(got) : L"no run");
                    }
                }
            }
        }
    }
    EXPECT_EQ(0, mismatches) << "of " << cases << " cases";
    // Not a vacuous comparison: many cases have a run, and many have none.
    EXPECT_GT(withRun, cases / 3);
    EXPECT_LT(withRun, cases);
}

} // namespace
