#include "tests/schedule/timed_commands.h"
#include "commands/command_file.h"
#include "platform/notification_db.h"
#include "platform/text.h"

#include <gtest/gtest.h>
#include <cwchar>

namespace schedule_test {

Command timedCommand(const wchar_t* name, Recurrence recurrence, WORD hour, WORD minute)
{
    Command command;
    copyText(command.commandName, name);
    command.actionKind = ActionKind::CloseAllPrograms;
    command.triggerKind = TriggerKind::OnSchedule;
    command.schedule.recurrence = recurrence;
    command.schedule.timeMode = TimeMode::AtSpecificTime;
    command.schedule.runTime.wHour = hour;
    command.schedule.runTime.wMinute = minute;
    return command;
}

CalendarDate dateAt(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    CalendarDate date;
    date.Assign(moment(year, month, day, hour, minute));
    date.SetDay(day);
    return date;
}

std::wstring describe(const SYSTEMTIME& t)
{
    wchar_t text[64];
    swprintf(text, std::size(text), L"%04u-%02u-%02u %02u:%02u:%02u (%u)", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond, t.wDayOfWeek);
    return text;
}

std::wstring commandFilePath()
{
    CommandFile file;
    return std::wstring(file.dataFolderPath()) + L"\\zelvane.dat";
}

void removeCommandFile()
{
    DeleteFileW(commandFilePath().c_str());
}

void appendAll(std::initializer_list<Command> commands)
{
    CommandFile file;
    for (const Command& command : commands) ASSERT_TRUE(file.appendCommand(command)) << command.commandName;
}

bool timedRegistrationOf(const std::wstring& program, SYSTEMTIME& when)
{
    for (const auto& registration : notification_db::timedRegistrations()) {
        if (_wcsicmp(registration.program.c_str(), program.c_str()) == 0) {
            when = registration.when;
            return true;
        }
    }
    return false;
}

bool launcherRegistration(SYSTEMTIME& when)
{
    return timedRegistrationOf(Launcher, when);
}

} // namespace schedule_test
