// The command file with 10,000 mixed records: enumerating all of them, finding
// and testing the last one, and deleting one, each timed beside what the
// platform needs to merely read (or copy) the same file, in the same run.
// Targets: enumeration, search and existence within 3x the plain read; the
// delete within 3x the plain copy. A change must reach the storage before it
// replaces the command file, so the copy is flushed too.
//
// Run (after tests/run-tests.sh has made the build's Wine prefix):
//   BUILD/wine-run "$PWD/BUILD/bench/command_file_bench.exe"
#include "bench/bench_clock.h"
#include "commands/command_file.h"
#include "platform/scoped.h"
#include "platform/text.h"
#include "shell/app_state.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using bench::best;
using bench::median;
using bench::seconds;
using bench::timed;

constexpr int RecordCount = 10000;
constexpr int Rounds = 21;
constexpr int Repeats = 5;   // the quick operations run this often per sample
constexpr DWORD PlainBlock = 65536;

std::wstring nameOf(int i)
{
    wchar_t name[32];
    swprintf(name, std::size(name), L"command-%05d", i);
    return name;
}

// Every action kind and every schedule shape, with texts of varied length.
Command mixedCommand(int i)
{
    Command command;
    copyText(command.commandName, nameOf(i).c_str());
    std::wstring text(static_cast<size_t>(10 + (i * 37) % 200), static_cast<wchar_t>(L'a' + i % 26));
    switch (i % 6) {
    case 0:
        command.actionKind = ActionKind::LaunchProgram;
        copyText(command.action.programPath, (L"\\Program Files\\" + text.substr(0, 40) + L".exe").c_str());
        copyText(command.action.programArguments, text.substr(0, 30).c_str());
        break;
    case 1:
        command.actionKind = ActionKind::ShowMessage;
        copyText(command.action.messageText, text.c_str());
        break;
    case 2:
        command.actionKind = ActionKind::PlaySound;
        copyText(command.action.soundName, L"Alarm3");
        break;
    case 3:
        command.actionKind = ActionKind::CleanFolder;
        copyText(command.action.folderPath, (L"\\Temp\\" + text.substr(0, 20)).c_str());
        break;
    case 4:
        command.actionKind = ActionKind::Cleanup;
        break;
    default:
        command.actionKind = ActionKind::CloseAllPrograms;
        break;
    }
    command.triggerKind = static_cast<TriggerKind>(IDC_TRIGGER_AFTER_RESET + i % 4);
    command.schedule.recurrence = static_cast<Recurrence>(i % 5);
    command.schedule.timeMode = (i % 2) ? TimeMode::AtSpecificTime : TimeMode::AtFirstPowerOn;
    command.schedule.monthlyMode = (i % 3) ? MonthlyMode::MonthlyByDay : MonthlyMode::MonthlyByWeekday;
    command.schedule.yearlyMode = (i % 7) ? YearlyMode::YearlyByDate : YearlyMode::YearlyByWeekday;
    return command;
}

double repeated(const std::function<void()>& work)
{
    return timed([&] {
               for (int i = 0; i < Repeats; ++i) work();
           }) / Repeats;
}

// What the platform needs to read the file from end to end.
size_t plainRead(const std::wstring& path)
{
    static BYTE block[PlainBlock];
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    size_t total = 0;
    DWORD got = 0;
    while (ReadFile(file.get(), block, PlainBlock, &got, nullptr) && got) total += got;
    return total;
}

// ... and to copy it to a new file that reaches the storage.
void plainCopy(const std::wstring& from, const std::wstring& to)
{
    static BYTE block[PlainBlock];
    ScopedHandle source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ScopedHandle target(CreateFileW(to.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD got = 0, written = 0;
    while (ReadFile(source.get(), block, PlainBlock, &got, nullptr) && got)
        WriteFile(target.get(), block, got, &written, nullptr);
    FlushFileBuffers(target.get());
}

} // namespace

int wmain()
{
    instanceHandle = GetModuleHandleW(nullptr);
    CommandFile file;
    const std::wstring folder = file.dataFolderPath();
    const std::wstring commandPath = folder + L"\\zelvane.dat";
    const std::wstring pristinePath = folder + L"\\bench-pristine.dat";
    const std::wstring copyPath = folder + L"\\bench-copy.dat";
    DeleteFileW(commandPath.c_str());

    if (!file.openCommandFile()) return 1;
    for (int i = 0; i < RecordCount; ++i)
        if (!file.writeCommand(mixedCommand(i))) return 1;
    file.closeCommandFile();
    CopyFileW(commandPath.c_str(), pristinePath.c_str(), FALSE);
    size_t fileSize = plainRead(commandPath);
    const std::wstring last = nameOf(RecordCount - 1);
    const std::wstring middle = nameOf(RecordCount / 2);

    std::vector<double> reads, enumerations, finds, exists, copies, deletes;
    int enumerated = 0;
    for (int round = 0; round <= Rounds; ++round) {   // round 0 warms up and is not counted
        double read = repeated([&] { plainRead(commandPath); });
        Command command;
        double enumeration = repeated([&] {
            enumerated = 0;
            for (DWORD index = 0; file.readNextCommand(index, command); ++index) ++enumerated;
        });
        double find = repeated([&] { file.findCommand(last.c_str(), command); });
        double exist = repeated([&] { file.commandExists(last.c_str()); });
        double copy = timed([&] { plainCopy(commandPath, copyPath); });
        double deletion = timed([&] { file.deleteCommand(middle.c_str()); });
        CopyFileW(pristinePath.c_str(), commandPath.c_str(), FALSE);
        if (round == 0) continue;
        reads.push_back(read);
        enumerations.push_back(enumeration);
        finds.push_back(find);
        exists.push_back(exist);
        copies.push_back(copy);
        deletes.push_back(deletion);
    }

    printf("command file: %d records, %zu bytes; best (median) of %d interleaved rounds\n", enumerated, fileSize,
           Rounds);
    printf("  plain read         %6.2f ms (%6.2f)\n", best(reads) * 1000, median(reads) * 1000);
    printf("  plain copy         %6.2f ms (%6.2f)\n", best(copies) * 1000, median(copies) * 1000);
    auto line = [](const char* what, const std::vector<double>& values, const std::vector<double>& base,
                   const char* baseName) {
        double ratio = best(values) / best(base);
        printf("  %-18s %6.2f ms (%6.2f)  %5.2fx %s (%5.2fx)  %s\n", what, best(values) * 1000,
               median(values) * 1000, ratio, baseName, median(values) / median(base),
               ratio <= 3.0 ? "target 3x: met" : "target 3x: MISSED");
        std::string name = std::string("command file, 10,000 records: ") + what;
        bench::figure(name.c_str(), ratio, 3.0, baseName);
    };
    line("enumerate all", enumerations, reads, "plain read");
    line("findCommand last", finds, reads, "plain read");
    line("commandExists last", exists, reads, "plain read");
    line("deleteCommand one", deletes, copies, "plain copy");

    DeleteFileW(commandPath.c_str());
    DeleteFileW(pristinePath.c_str());
    DeleteFileW(copyPath.c_str());
    return enumerated == RecordCount ? 0 : 1;
}
