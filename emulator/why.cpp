#include "emulator/why.h"
#include "emulator/forecast.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>

namespace why {

namespace {

// Far enough ahead for a yearly command's next run.
constexpr int ForecastDays = 400;

std::wstring twoDigits(unsigned value)
{
    wchar_t text[8];
    swprintf(text, std::size(text), L"%02u", value);
    return text;
}

std::wstring describeTrigger(const Command& command)
{
    static const wchar_t* const DayNames[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    const Command::Schedule& s = command.schedule;
    switch (command.triggerKind) {
    case TriggerKind::AfterPowerOn: return L"at every power-on";
    case TriggerKind::FirstPowerOnOfDay: return L"at the first power-on of each day";
    case TriggerKind::AfterReset: return L"after a reset";
    case TriggerKind::OnSchedule: break;
    default: return L"an unknown trigger (it never runs)";
    }
    std::wstring text = L"on a schedule, ";
    switch (s.recurrence) {
    case Recurrence::Daily: text += L"daily"; break;
    case Recurrence::Weekly:
        text += L"weekly on";
        for (int day = 0; day < 7; ++day)
            if (s.weekdayMask & (1u << day)) text += std::wstring(L" ") + DayNames[day];
        if (!(s.weekdayMask & 0x7F)) text += L" no day";
        break;
    case Recurrence::Monthly: text += L"monthly"; break;
    case Recurrence::Yearly: text += L"yearly"; break;
    case Recurrence::Once:
        text += L"once, on " + std::to_wstring(s.onceYear) + L"-" + twoDigits(s.onceMonth) + L"-" +
                twoDigits(s.onceDay);
        break;
    default: text += L"an unknown recurrence"; break;
    }
    if (s.timeMode == TimeMode::AtSpecificTime)
        return text + L", at " + twoDigits(s.runTime.wHour) + L":" + twoDigits(s.runTime.wMinute);
    return text + L", at the first power-on of the day";
}

bool timedAtMoment(const Command& command)
{
    return command.triggerKind == TriggerKind::OnSchedule && command.schedule.timeMode == TimeMode::AtSpecificTime;
}

bool runsAtPowerOn(const Command& command)
{
    return command.triggerKind == TriggerKind::AfterPowerOn || command.triggerKind == TriggerKind::FirstPowerOnOfDay ||
           (command.triggerKind == TriggerKind::OnSchedule && command.schedule.timeMode == TimeMode::AtFirstPowerOn);
}

// Morvane finds a command by its name without regard to case.
bool sameName(const std::wstring& a, const wchar_t* b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

// The fields of a history line: time, trigger, name, kind, outcome.
bool splitLine(const std::wstring& line, std::wstring (&fields)[5])
{
    size_t start = 0;
    for (int i = 0; i < 5; ++i) {
        const size_t tab = line.find(L'\t', start);
        if ((tab == std::wstring::npos) != (i == 4)) return false;
        fields[i] = line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start);
        start = tab + 1;
    }
    return fields[0].size() == 19;
}

std::wstring lastRun(const std::wstring& name, const std::vector<std::wstring>& history)
{
    std::wstring best[5];
    bool found = false;
    for (const std::wstring& line : history) {
        std::wstring fields[5];
        if (!splitLine(line, fields) || !sameName(name, fields[2].c_str()) || (found && fields[0] < best[0])) continue;
        std::copy(std::begin(fields), std::end(fields), std::begin(best));
        found = true;
    }
    if (!found) return L"none in the history";
    return best[0] + L", " + best[1] + L": " + best[4];
}

std::wstring nextRun(const std::wstring& name, const DeviceState& state)
{
    for (const forecast::Run& run : forecast::runs(state.commands, state.now, ForecastDays, state.firstPowerOnDoneToday)) {
        if (!sameName(name, run.name.c_str())) continue;
        const SYSTEMTIME& t = run.moment;
        const std::wstring date = std::to_wstring(t.wYear) + L"-" + twoDigits(t.wMonth) + L"-" + twoDigits(t.wDay);
        switch (run.when) {
        case forecast::When::EveryPowerOn: return L"at the next power-on";
        case forecast::When::AfterReset: return L"after the next reset";
        case forecast::When::FirstPowerOn: return date + L", at the first power-on of the day";
        case forecast::When::AtTime:
            if (run.passed) return L"as soon as Morvane registers it: its moment has passed";
            return date + L" " + twoDigits(t.wHour) + L":" + twoDigits(t.wMinute);
        }
    }
    return L"none in the next " + std::to_wstring(ForecastDays) + L" days";
}

std::wstring lower(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

size_t editDistance(const std::wstring& a, const std::wstring& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::wstring notStored(const std::wstring& name, const DeviceState& state)
{
    std::wstring text = L"no command named \"" + name + L"\" is stored";
    if (state.commands.empty()) return text + L"; the device has no commands\n";
    // The closest three, nearest first; letter case counts for little.
    std::vector<std::pair<size_t, std::wstring>> closest;
    for (const Command& command : state.commands) {
        const std::wstring stored = command.commandName;
        const size_t distance = editDistance(lower(name), lower(stored)) * 2 + (stored.size() != name.size());
        if (std::none_of(closest.begin(), closest.end(), [&](const auto& n) { return n.second == stored; }))
            closest.emplace_back(distance, stored);
    }
    std::stable_sort(closest.begin(), closest.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    text += L"; the closest:";
    for (size_t i = 0; i < closest.size() && i < 3; ++i) text += (i ? L", \"" : L" \"") + closest[i].second + L"\"";
    return text + L"\n";
}

} // namespace

std::wstring answer(const std::wstring& name, const DeviceState& state, bool& stored)
{
    // The first command of that name is the one Morvane finds.
    const auto first = std::find_if(state.commands.begin(), state.commands.end(),
                                    [&](const Command& c) { return sameName(name, c.commandName); });
    stored = first != state.commands.end();
    if (!stored) return notStored(name, state);
    const Command& command = *first;
    const bool atMoment = timedAtMoment(command);

    std::wstring text = L"\"" + std::wstring(command.commandName) + L"\": " + describeTrigger(command) + L"; " +
                        forecast::describeAction(command) + L"\n";
    text += L"last run: " + lastRun(name, state.history) + L"\n";
    const std::wstring next = nextRun(name, state);
    text += L"next run: " + next + L"\n";

    std::vector<std::wstring> keeps;
    if (!state.commandsEnabled)
        keeps.push_back(L"commands are switched off (Options, \"Enable Commands\")");
    if (!state.wakeupRegistered && !state.timedRegistered && !state.startupEntry) {
        keeps.push_back(L"Morvane is not running: nothing is registered on the device (start Morvane)");
    } else if (runsAtPowerOn(command) && !state.wakeupRegistered) {
        keeps.push_back(L"no wake-up registration: a power-on starts nothing (start Morvane again)");
    } else if (command.triggerKind == TriggerKind::AfterReset && !state.startupEntry) {
        keeps.push_back(L"no start-up entry: a reset starts nothing (start Morvane again)");
    } else if (atMoment && !state.timedRegistered && next.compare(0, 4, L"none") != 0) {
        keeps.push_back(L"no timed registration: its moment will pass without a run (start Morvane again)");
    }
    const Command::ActionData& a = command.action;
    if (command.actionKind == ActionKind::LaunchProgram && !state.exists(a.programPath))
        keeps.push_back(std::wstring(L"the program ") + a.programPath + L" does not exist on the device");
    if (command.actionKind == ActionKind::CleanFolder && !state.exists(a.folderPath))
        keeps.push_back(std::wstring(L"the folder ") + a.folderPath + L" does not exist on the device");
    if (command.actionKind == ActionKind::PlaySound &&
        !state.exists((std::wstring(L"\\Windows\\") + a.soundName + L".wav").c_str()))
        keeps.push_back(std::wstring(L"the sound \\Windows\\") + a.soundName + L".wav does not exist on the device");
    const auto later = [&](const Command& c) { return sameName(name, c.commandName); };
    if (std::find_if(first + 1, state.commands.end(), later) != state.commands.end()) {
        std::wstring shadow = L"another command of this name is stored after it: a timed run of this name, Edit and "
                              L"Delete find only this one";
        if (std::any_of(first + 1, state.commands.end(), [&](const Command& c) { return later(c) && timedAtMoment(c); }))
            shadow += L", and the later one never runs at its moment";
        keeps.push_back(shadow);
    }
    if (keeps.empty()) return text + L"nothing keeps it from running\n";
    for (const std::wstring& keep : keeps) text += L"kept from running: " + keep + L"\n";
    return text;
}

} // namespace why
