#include "schedule/scheduler.h"
#include "platform/aygshell.h"
#include "platform/notify.h"
#include "platform/text.h"

#include <cstdio>

namespace {

constexpr wchar_t LauncherName[] = L"mvlaunch.exe";
constexpr wchar_t MainProgramName[] = L"morvane.exe";
constexpr wchar_t ShortcutPath[] = L"\\Windows\\StartUp\\Morvane.lnk";
// The same file as ShortcutPath: the device's file names ignore letter case.
constexpr wchar_t ShortcutDeletePath[] = L"\\Windows\\Startup\\Morvane.lnk";

void launcherPath(wchar_t (&path)[PathCapacity])
{
    swprintf(path, std::size(path), L"\\windows\\%ls", LauncherName);
}

} // namespace

Scheduler::Scheduler()
{
    installFolder[0] = L'\0';
    wchar_t module[PathCapacity] = L"";
    GetModuleFileNameW(nullptr, module, static_cast<DWORD>(std::size(module)));
    if (wchar_t* lastSlash = wcsrchr(module, L'\\')) lastSlash[1] = L'\0';
    copyText(installFolder, module);
}

Scheduler::~Scheduler() = default;

void Scheduler::RegisterWakeupEvent()
{
    wchar_t launcher[PathCapacity];
    launcherPath(launcher);
    CeRunAppAtEvent(launcher, NOTIFICATION_EVENT_WAKEUP);
}

void Scheduler::ClearEventRegistrations()
{
    wchar_t launcher[PathCapacity];
    launcherPath(launcher);
    CeRunAppAtEvent(launcher, NOTIFICATION_EVENT_NONE);
}

void Scheduler::CreateStartupShortcut()
{
    DeleteStartupShortcut();
    wchar_t target[PathCapacity];
    swprintf(target, std::size(target), L"\"\\windows\\%ls\" %ls", LauncherName, L"-reset");
    SHCreateShortcut(ShortcutPath, target);
}

void Scheduler::DeleteStartupShortcut()
{
    DeleteFileW(ShortcutDeletePath);
}

void Scheduler::ClearTimedRegistrations()
{
    wchar_t mainProgram[PathCapacity];
    copyText(mainProgram, installFolder);
    appendText(mainProgram, MainProgramName);
    CeRunAppAtTime(mainProgram, nullptr);

    wchar_t launcher[PathCapacity];
    launcherPath(launcher);
    CeRunAppAtTime(launcher, nullptr);
}

void Scheduler::ScheduleNextRun()
{
    ClearTimedRegistrations();
}

void Scheduler::ComputeNextRun(const Command&, CalendarDate&)
{
}
