#include "shell/statistics_dialog.h"
#include "platform/aygshell.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/dialog_keys.h"
#include "shell/dialog_resource.h"
#include "shell/settings_store.h"

#include <cstdio>
#include <iterator>

namespace {

struct CounterLine {
    int lineId;
    const wchar_t* counter;
    const wchar_t* format;
};

// In the order "Clear" writes them; 1066 is filled although never shown.
const CounterLine counterLines[] = {
    {IDC_STATS_STARTS, L"Starts", L"%u: Times device was powered on"},
    {IDC_STATS_EXE, L"ExeCmds", L"%u: Times a program was launched"},
    {IDC_STATS_DEL_DIR, L"DelDirCmds", L"%u: Times a directory was cleaned"},
    {IDC_STATS_MSG_BOX, L"MsgBoxCmds", L"%u: Times a message was displayed"},
    {IDC_STATS_SOUND, L"SoundCmds", L"%u: Times a sound was played"},
    {IDC_STATS_CLOSE, L"CloseCmds", L"%u: Times applications were closed"},
    {IDC_STATS_TIDEWELL, L"TidewellCmds", L"%u: Times Tidewell ran"},
};

// The counters are unsigned 32-bit registry values that wrap from 4294967295
// to 0: they are printed unsigned, so that none above 2147483647 reads
// negative.
void showCounter(HWND dialog, const CounterLine& line, DWORD value)
{
    wchar_t text[64];
    swprintf(text, std::size(text), line.format, static_cast<unsigned>(value));
    SetDlgItemTextW(dialog, line.lineId, text);
}

INT_PTR onInitDialog(HWND dialog)
{
    SettingsStore settings;
    SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU};
    SHInitDialog(&init);
    for (const CounterLine& line : counterLines) showCounter(dialog, line, settings.getDword(line.counter));
    return focusFirstControl(dialog, IDOK);
}

INT_PTR onClear(HWND dialog)
{
    SettingsStore settings;
    for (const CounterLine& line : counterLines) {
        settings.setDword(line.counter, 0);
        showCounter(dialog, line, 0);
    }
    return FALSE;
}

INT_PTR onCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, id);
        return TRUE;
    case IDC_STATS_CLEAR:
        return onClear(dialog);
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK statisticsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return dialogColour(wParam);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}

} // namespace

void runStatisticsDialog(HWND owner)
{
    runDialogResource(IDD_STATISTICS, owner, statisticsDialogProc);
}
