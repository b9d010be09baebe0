// The summary shown before "Finish", compared whole with hand-written text.
#include "wizard/summary_text.h"

#include <gtest/gtest.h>
#include <cwchar>
#include <string>

namespace {

Command command(const wchar_t* name, ActionKind action, TriggerKind trigger)
{
    Command c;
    wcscpy(c.commandName, name);
    c.actionKind = action;
    c.triggerKind = trigger;
    return c;
}

Command timed(Recurrence recurrence, WORD hour = 7, WORD minute = 5)
{
    Command c = command(L"T", ActionKind::CloseAllPrograms, TriggerKind::OnSchedule);
    c.schedule.recurrence = recurrence;
    c.schedule.timeMode = TimeMode::AtSpecificTime;
    c.schedule.runTime.wHour = hour;
    c.schedule.runTime.wMinute = minute;
    return c;
}

std::wstring summary(const Command& c)
{
    static wchar_t text[SummaryCapacity];
    composeSummaryText(c, text);
    return text;
}

const std::wstring CloseTail = L"Command: Close all applications\r\n";

TEST(SummaryText, EveryTriggerRecurrenceAndActionReadsAsWritten)
{
    struct Row {
        const char* what;
        Command command;
        std::wstring text;
    };
    std::vector<Row> rows;
    auto add = [&rows](const char* what, Command c, std::wstring text) { rows.push_back({what, c, text}); };

    Command program = command(L"Backup", ActionKind::LaunchProgram, TriggerKind::AfterReset);
    wcscpy(program.action.programPath, L"\\Windows\\backup.exe");
    add("program after reset, no arguments", program,
        L"Command Name: Backup\r\nRun: When device is reset\r\n\r\nCommand: Execute program\r\n"
        L"File: \\Windows\\backup.exe\r\nArguments: \r\n");
    wcscpy(program.action.programArguments, L"-all /q");
    program.triggerKind = TriggerKind::AfterPowerOn;
    add("program at power-on", program,
        L"Command Name: Backup\r\nRun: When device is powered on\r\n\r\nCommand: Execute program\r\n"
        L"File: \\Windows\\backup.exe\r\nArguments: -all /q\r\n");

    Command message = command(L"Hi", ActionKind::ShowMessage, TriggerKind::FirstPowerOnOfDay);
    wcscpy(message.action.messageText, L"Two\r\nlines");
    add("message of two lines", message,
        L"Command Name: Hi\r\nRun: At the beginning of the day\r\n\r\nCommand: Display a message\r\n"
        L"Message Text:\r\nTwo\r\nlines\r\n");

    Command sound = command(L"Ring", ActionKind::PlaySound, TriggerKind::AfterReset);
    wcscpy(sound.action.soundName, L"Alarm1");
    sound.action.soundRepeatCount = 1;
    add("sound once", sound,
        L"Command Name: Ring\r\nRun: When device is reset\r\n\r\nCommand: Play sound file\r\nFile: Alarm1\r\n"
        L"Loop 1 times\r\n");

    Command folder = command(L"F", ActionKind::CleanFolder, TriggerKind::AfterReset);
    wcscpy(folder.action.folderPath, L"Temp");
    add("clean folder", folder,
        L"Command Name: F\r\nRun: When device is reset\r\n\r\nCommand: Delete contents of folder Temp\r\n");

    Command cleanup = command(L"C", ActionKind::Cleanup, TriggerKind::AfterReset);
    cleanup.action.cleanupOptions = AllCleanupOptions;
    add("cleanup with every option", cleanup,
        L"Command Name: C\r\nRun: When device is reset\r\n\r\nCommand: Run Brisander\r\nBrisander options:\r\n"
        L"* Remove empty directories and files\r\n* Remove temporary files\r\n"
        L"* Fix and clean the system registry\r\n* Fix and clean shortcuts\r\n"
        L"* Clear the internet cache\r\n* Clear the internet history\r\n");

    add("unknown action and trigger",
        command(L"X", static_cast<ActionKind>(7), static_cast<TriggerKind>(9)),
        L"Command Name: X\r\nRun: \r\nCommand: ");

    const std::wstring head = L"Command Name: T\r\nRun: ";
    add("daily", timed(Recurrence::Daily), head + L"Daily\r\nTrigger: At 7:5\r\n" + CloseTail);
    Command weekly = timed(Recurrence::Weekly);
    weekly.schedule.weekdayMask = (1 << 1) | (1 << 5);
    add("weekly Monday and Friday", weekly, head + L"Weekly on Mon, Fri\r\nTrigger: At 7:5\r\n" + CloseTail);
    weekly.schedule.weekdayMask = 0;
    weekly.schedule.timeMode = TimeMode::AtFirstPowerOn;
    add("weekly with no day, at first power-on", weekly,
        head + L"Weekly on \r\nTrigger: At first device power on\r\n" + CloseTail);

    Command monthly = timed(Recurrence::Monthly, 22, 0);
    monthly.schedule.monthlyMode = MonthlyMode::MonthlyByDay;
    monthly.schedule.monthlyDay = 31;
    add("monthly by day", monthly, head + L"Monthly on day 31 of every month\r\nTrigger: At 22:0\r\n" + CloseTail);
    monthly.schedule.monthlyMode = MonthlyMode::MonthlyByWeekday;
    monthly.schedule.monthlyWeek = 2;
    monthly.schedule.monthlyWeekday = 3;
    add("monthly by weekday", monthly,
        head + L"Monthly on the 3rd Wed of every month\r\nTrigger: At 22:0\r\n" + CloseTail);
    monthly.schedule.monthlyWeek = 4;
    add("monthly on the fifth weekday", monthly,
        head + L"Monthly on the 5th Wed of every month\r\nTrigger: At 22:0\r\n" + CloseTail);
    monthly.schedule.monthlyWeek = 9;
    add("monthly with a damaged week", monthly,
        head + L"Monthly on the unknown Wed of every month\r\nTrigger: At 22:0\r\n" + CloseTail);

    Command yearly = timed(Recurrence::Yearly);
    yearly.schedule.yearlyMode = YearlyMode::YearlyByDate;
    yearly.schedule.yearlyMonth = 2;
    yearly.schedule.yearlyDay = 29;
    add("yearly by date", yearly, head + L"Yearly on February 29\r\nTrigger: At 7:5\r\n" + CloseTail);
    yearly.schedule.yearlyMode = YearlyMode::YearlyByWeekday;
    yearly.schedule.yearlyWeek = 0;
    yearly.schedule.yearlyWeekday = 0;
    yearly.schedule.yearlyWeekMonth = 9;
    add("yearly by weekday", yearly,
        head + L"Yearly  on the 1st Sun of September\r\nTrigger: At 7:5\r\n" + CloseTail);

    Command once = timed(Recurrence::Once);
    once.schedule.onceDay = 30;
    once.schedule.onceMonth = 5;
    once.schedule.onceYear = 2003;
    add("once", once, head + L"Once on 30-5-2003\r\nTrigger: At 7:5\r\n" + CloseTail);
    add("unknown recurrence", timed(static_cast<Recurrence>(8)), head + L"Trigger: At 7:5\r\n" + CloseTail);

    for (const Row& row : rows) EXPECT_EQ(summary(row.command), row.text) << row.what;
}

// The longest fields show whole: a full name with a full message, and a full
// name with a full program path and argument line.
TEST(SummaryText, FullLengthFieldsAreNeverCut)
{
    const std::wstring name(PathCapacity - 1, L'n'), path(PathCapacity - 1, L'p'), text(MessageCapacity - 1, L'm');
    Command message = command(name.c_str(), ActionKind::ShowMessage, TriggerKind::AfterReset);
    wcscpy(message.action.messageText, text.c_str());
    EXPECT_EQ(summary(message), L"Command Name: " + name + L"\r\nRun: When device is reset\r\n\r\n"
                                L"Command: Display a message\r\nMessage Text:\r\n" + text + L"\r\n");

    Command program = command(name.c_str(), ActionKind::LaunchProgram, TriggerKind::OnSchedule);
    wcscpy(program.action.programPath, path.c_str());
    wcscpy(program.action.programArguments, path.c_str());
    program.schedule.recurrence = Recurrence::Yearly;
    program.schedule.yearlyMode = YearlyMode::YearlyByWeekday;
    program.schedule.yearlyWeekMonth = 9;
    program.schedule.yearlyWeekday = 3;
    program.schedule.yearlyWeek = 3;
    program.schedule.timeMode = TimeMode::AtFirstPowerOn;
    EXPECT_EQ(summary(program), L"Command Name: " + name + L"\r\nRun: Yearly  on the 4th Wed of September\r\n"
                                L"Trigger: At first device power on\r\nCommand: Execute program\r\nFile: " +
                                    path + L"\r\nArguments: " + path + L"\r\n");
}

} // namespace
