// Drives the modal dialogs of the test's own thread while the code under test
// sits in their message loops: a queue of steps, each "wait for a dialog, then
// act on it", run from a thread timer that keeps ticking inside every modal
// loop. A WH_CBT hook notes the order in which windows are activated, so that
// the innermost of several dialogs is the one acted on.
//
// A watchdog fails the test when nothing happens for a while although a step
// is waiting or a dialog is up, and then ends every dialog of the thread, so a
// stuck dialog cannot hang the suite.
//
// Actions that end a dialog or open a nested one must post (pressButton,
// postCommand, closeWindow); a sent click would run the nested loop inside
// the driver. Anything else may be sent.
#ifndef MORVANE_TESTS_DIALOG_DRIVER_H
#define MORVANE_TESTS_DIALOG_DRIVER_H

#include <windows.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace test {

// What a message box showed. style is read back from the box itself: its
// buttons (MB_OK, MB_YESNO...) and its icon (MB_ICONEXCLAMATION...).
struct MessageBoxRecord {
    std::wstring caption;
    std::wstring text;
    UINT style = 0;
    HWND owner = nullptr;
};

class DialogDriver {
public:
    using Action = std::function<void(HWND dialog)>;
    using Match = std::function<bool(HWND dialog)>;

    // One driver per thread at a time; it runs from construction to destruction.
    explicit DialogDriver(DWORD watchdogMs = 8000);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Waits for a dialog with this caption (any dialog when the caption is
    // empty), then acts on it.
    DialogDriver& onDialog(const std::wstring& caption, Action action);
    // Waits for a dialog that match accepts; description names it in failures.
    DialogDriver& onDialogWhere(const std::wstring& description, Match match, Action action);
    // Waits for a message box, records its caption and text, and answers it
    // with the button of this identifier (IDOK, IDYES...).
    DialogDriver& answerMessageBox(int button);

    // Waits for a wizard page (a dialog with "< Back") with this caption.
    DialogDriver& onPage(const std::wstring& caption, Action action);

    bool finished() const { return steps_.empty(); }   // every step has run
    bool timedOut() const { return timedOut_; }        // the watchdog fired
    const std::vector<MessageBoxRecord>& messageBoxes() const { return messageBoxes_; }

    // Reading and acting on a dialog.
    static bool isMessageBox(HWND dialog);
    static std::wstring windowText(HWND window);
    static std::wstring controlText(HWND dialog, int controlId);
    static void pressButton(HWND dialog, int controlId);   // posts BM_CLICK to the button
    static void postCommand(HWND dialog, int commandId);   // posts WM_COMMAND as a button would
    static void closeWindow(HWND dialog);                  // posts what the caption's close box sends

    // Acting as a user does, for controls that open nothing (sent).
    static void setText(HWND dialog, int controlId, const std::wstring& text);   // EN_CHANGE follows
    static void click(HWND dialog, int controlId);         // a radio or check button, with BN_CLICKED
    static bool isChecked(HWND dialog, int controlId);
    static bool isEnabled(HWND dialog, int controlId);
    static bool isVisible(HWND dialog, int controlId);
    // Selects an item and sends the dialog the notification a tap produces.
    static void chooseListItem(HWND dialog, int controlId, int index);    // LBN_SELCHANGE
    static void chooseComboItem(HWND dialog, int controlId, int index);   // CBN_SELCHANGE
    static int selectedListItem(HWND dialog, int controlId);    // LB_ERR when none
    static int selectedComboItem(HWND dialog, int controlId);   // CB_ERR when none
    static std::wstring comboItemText(HWND dialog, int controlId, int index);
    static UINT messageBoxStyle(HWND box);

private:
    struct Step {
        std::wstring description;
        Match match;
        Action action;
    };

    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD);
    static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam);
    void tick();
    HWND innermostDialog(const Match& match) const;
    void failAndEndDialogs();

    std::deque<Step> steps_;
    std::vector<MessageBoxRecord> messageBoxes_;
    std::vector<HWND> activations_;   // oldest first
    DWORD watchdogMs_;
    DWORD lastProgress_;
    DWORD lastTick_;
    UINT_PTR timer_ = 0;
    HHOOK hook_ = nullptr;
    bool acting_ = false;
    bool timedOut_ = false;
};

} // namespace test

#endif
