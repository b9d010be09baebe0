#include "tests/support/dialog_driver.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cwchar>
#include <iterator>

namespace test {

namespace {

constexpr UINT TickMs = 30;
// Ticks further apart than this mean the thread was busy outside any message
// loop, not stuck in a dialog: the watchdog starts counting afresh.
constexpr DWORD AwayMs = 1000;

thread_local DialogDriver* activeDriver = nullptr;

bool isDialogWindow(HWND window)
{
    wchar_t name[16] = L"";
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return wcscmp(name, L"#32770") == 0;
}

std::vector<HWND> threadDialogs()
{
    std::vector<HWND> dialogs;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            if (isDialogWindow(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

} // namespace

DialogDriver::DialogDriver(DWORD watchdogMs) : watchdogMs_(watchdogMs), lastProgress_(GetTickCount())
{
    if (activeDriver) ADD_FAILURE() << "a second dialog driver on one thread";
    activeDriver = this;
    lastTick_ = lastProgress_;
    timer_ = SetTimer(nullptr, 0, TickMs, onTimer);
    hook_ = SetWindowsHookExW(WH_CBT, onCbt, nullptr, GetCurrentThreadId());
    if (!timer_ || !hook_) ADD_FAILURE() << "the dialog driver could not start: " << GetLastError();
}

DialogDriver::~DialogDriver()
{
    if (timer_) KillTimer(nullptr, timer_);
    if (hook_) UnhookWindowsHookEx(hook_);
    if (activeDriver == this) activeDriver = nullptr;
}

DialogDriver& DialogDriver::onDialog(const std::wstring& caption, Action action)
{
    std::wstring description = caption.empty() ? L"any dialog" : L"the dialog \"" + caption + L"\"";
    return onDialogWhere(
        description,
        [caption](HWND dialog) { return caption.empty() || windowText(dialog) == caption; },
        std::move(action));
}

DialogDriver& DialogDriver::onDialogWhere(const std::wstring& description, Match match, Action action)
{
    steps_.push_back(Step{description, std::move(match), std::move(action)});
    return *this;
}

DialogDriver& DialogDriver::answerMessageBox(int button)
{
    return onDialogWhere(L"a message box", isMessageBox, [this, button](HWND box) {
        messageBoxes_.push_back(
            MessageBoxRecord{windowText(box), controlText(box, 0xFFFF), messageBoxStyle(box), GetWindow(box, GW_OWNER)});
        PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    });
}

DialogDriver& DialogDriver::onPage(const std::wstring& caption, Action action)
{
    return onDialogWhere(
        L"the page \"" + caption + L"\"",
        [caption](HWND dialog) { return GetDlgItem(dialog, 1004) && windowText(dialog) == caption; },
        std::move(action));
}

void DialogDriver::setText(HWND dialog, int controlId, const std::wstring& text)
{
    SetDlgItemTextW(dialog, controlId, text.c_str());
}

void DialogDriver::click(HWND dialog, int controlId)
{
    SendMessageW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

bool DialogDriver::isChecked(HWND dialog, int controlId)
{
    return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED;
}

bool DialogDriver::isEnabled(HWND dialog, int controlId)
{
    return IsWindowEnabled(GetDlgItem(dialog, controlId)) != FALSE;
}

bool DialogDriver::isVisible(HWND dialog, int controlId)
{
    return (GetWindowLongW(GetDlgItem(dialog, controlId), GWL_STYLE) & WS_VISIBLE) != 0;
}

void DialogDriver::chooseListItem(HWND dialog, int controlId, int index)
{
    HWND list = GetDlgItem(dialog, controlId);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void DialogDriver::chooseComboItem(HWND dialog, int controlId, int index)
{
    // Selecting by message sends no notification here: the dialog gets the one a tap sends.
    HWND combo = GetDlgItem(dialog, controlId);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int DialogDriver::selectedListItem(HWND dialog, int controlId)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, controlId, LB_GETCURSEL, 0, 0));
}

int DialogDriver::selectedComboItem(HWND dialog, int controlId)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, controlId, CB_GETCURSEL, 0, 0));
}

std::wstring DialogDriver::comboItemText(HWND dialog, int controlId, int index)
{
    LRESULT length = SendDlgItemMessageW(dialog, controlId, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendDlgItemMessageW(dialog, controlId, CB_GETLBTEXT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

// The buttons a box shows give its MB_ type; the shared icon it shows gives
// its MB_ICON flag.
UINT DialogDriver::messageBoxStyle(HWND box)
{
    auto has = [box](int id) { return GetDlgItem(box, id) && IsWindowVisible(GetDlgItem(box, id)); };
    UINT style = MB_OK;
    if (has(IDABORT) && has(IDRETRY) && has(IDIGNORE)) style = MB_ABORTRETRYIGNORE;
    else if (has(IDYES) && has(IDNO)) style = has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    else if (has(IDRETRY) && has(IDCANCEL)) style = MB_RETRYCANCEL;
    else if (has(IDOK) && has(IDCANCEL)) style = MB_OKCANCEL;

    HICON shown = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
            shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    if (!shown) return style;
    static const struct { LPCWSTR icon; UINT flag; } icons[] = {
        {IDI_EXCLAMATION, MB_ICONEXCLAMATION}, {IDI_HAND, MB_ICONHAND},
        {IDI_QUESTION, MB_ICONQUESTION},       {IDI_ASTERISK, MB_ICONASTERISK},
    };
    for (const auto& candidate : icons)
        if (LoadIconW(nullptr, candidate.icon) == shown) return style | candidate.flag;
    return style | 0xF0;   // an icon of the box's own
}

bool DialogDriver::isMessageBox(HWND dialog)
{
    // A message box's text is its static control 0xFFFF; besides it, it has
    // only its buttons (IDOK to IDCONTINUE, and Help) and its icon. A dialog
    // of ours also has unnumbered statics, but controls of its own.
    if (!isDialogWindow(dialog) || !GetDlgItem(dialog, 0xFFFF)) return false;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child);
        wchar_t name[16] = L"";
        GetClassNameW(child, name, static_cast<int>(std::size(name)));
        // By class too: an automatic check box has the style number of an icon.
        bool icon = _wcsicmp(name, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if (id != 0xFFFF && !(id >= IDOK && id <= IDCONTINUE) && id != IDHELP && !icon) return false;
    }
    return true;
}

std::wstring DialogDriver::windowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring DialogDriver::controlText(HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    return control ? windowText(control) : std::wstring();
}

void DialogDriver::pressButton(HWND dialog, int controlId)
{
    PostMessageW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

void DialogDriver::postCommand(HWND dialog, int commandId)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, commandId)));
}

void DialogDriver::closeWindow(HWND dialog)
{
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CALLBACK DialogDriver::onTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeDriver) activeDriver->tick();
}

LRESULT CALLBACK DialogDriver::onCbt(int code, WPARAM wParam, LPARAM lParam)
{
    if (activeDriver && (code == HCBT_ACTIVATE || code == HCBT_DESTROYWND)) {
        auto window = reinterpret_cast<HWND>(wParam);
        auto& order = activeDriver->activations_;
        order.erase(std::remove(order.begin(), order.end(), window), order.end());
        if (code == HCBT_ACTIVATE) order.push_back(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND DialogDriver::innermostDialog(const Match& match) const
{
    HWND best = nullptr;
    ptrdiff_t bestRank = -1;
    // Thread windows come top of the z-order first; a later activation outranks it.
    for (HWND dialog : threadDialogs()) {
        if (!IsWindowVisible(dialog) || !IsWindowEnabled(dialog) || (match && !match(dialog)))
            continue;
        auto found = std::find(activations_.begin(), activations_.end(), dialog);
        ptrdiff_t rank = found == activations_.end() ? -1 : found - activations_.begin();
        if (!best || rank > bestRank) {
            best = dialog;
            bestRank = rank;
        }
    }
    return best;
}

void DialogDriver::tick()
{
    DWORD now = GetTickCount();
    if (now - lastTick_ > AwayMs) lastProgress_ = now;
    lastTick_ = now;

    if (timedOut_) {
        failAndEndDialogs();
        return;
    }
    // A nested loop inside an action: only the watchdog runs.
    if (!acting_) {
        if (!steps_.empty()) {
            if (HWND dialog = innermostDialog(steps_.front().match)) {
                Step step = std::move(steps_.front());
                steps_.pop_front();
                acting_ = true;
                step.action(dialog);
                acting_ = false;
                lastProgress_ = GetTickCount();
                return;
            }
        } else if (!innermostDialog(nullptr)) {
            lastProgress_ = now;   // nothing waited for and nothing up
            return;
        }
    }
    if (now - lastProgress_ > watchdogMs_) failAndEndDialogs();
}

void DialogDriver::failAndEndDialogs()
{
    if (!timedOut_) {
        timedOut_ = true;
        std::wstring waiting = steps_.empty() ? L"nothing" : steps_.front().description;
        std::wstring shown;
        for (HWND dialog : threadDialogs()) {
            if (!IsWindowVisible(dialog)) continue;
            shown += L" \"" + windowText(dialog) + L"\"";
            if (isMessageBox(dialog)) shown += L" saying \"" + controlText(dialog, 0xFFFF) + L"\"";
        }
        ADD_FAILURE() << "dialog driver: no progress for " << watchdogMs_ << " ms; waiting for "
                      << waiting << "; dialogs up:" << (shown.empty() ? L" none" : shown);
        steps_.clear();
    }
    for (HWND dialog : threadDialogs()) EndDialog(dialog, IDCANCEL);
}

} // namespace test
