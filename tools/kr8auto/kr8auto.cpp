// kr8auto: drives a running KR8 Finder from another process through the standard messages that
// screen readers and UI automation use, and prints what it reads one item a line. Each command
// is a Cmd function, named in the table at the end; run it without one for the list.
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/SystemMenu.h"
#include "sys/win32/Handles.h"

namespace {

using kr8::UniqueHandle;

// The plain window's title; --title names another (the window working on another disk's Windows).
std::string windowTitle = "KR8 Finder";

struct Failure {
    std::string reason;
};

// Whatever is left of the time-out, for waits that come one after another.
class Deadline {
  public:
    explicit Deadline(DWORD timeoutMs) : start_(GetTickCount()), timeoutMs_(timeoutMs) {}
    DWORD Remaining() const {
        const DWORD spent = GetTickCount() - start_;
        return spent >= timeoutMs_ ? 0 : timeoutMs_ - spent;
    }
    bool Passed() const { return Remaining() == 0; }

  private:
    DWORD start_;
    DWORD timeoutMs_;
};

// A command line that names no command, or gives one the wrong arguments.
struct BadCommandLine {};

// What a command is given: its arguments, what is left of the time-out, and the program's
// window (none for a command that works without it).
struct Call {
    const std::vector<std::string>& args;
    const Deadline& deadline;
    HWND window;
    const std::string* Optional(std::size_t index) const {
        return index < args.size() ? &args[index] : nullptr;
    }
};

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// What is read goes out in UTF-8, so that names of any script can be compared.
std::string Utf8(const wchar_t* text, std::size_t length) {
    if (length == 0) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

// Across processes the window system copies the text for WM_GETTEXT, so a local buffer works.
std::string TextOf(HWND window) {
    const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const LRESULT copied = SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                        reinterpret_cast<LPARAM>(text.data()));
    return Utf8(text.data(), static_cast<std::size_t>(copied));
}

std::string WithoutAmpersands(const std::string& caption) {
    std::string plain;
    for (char c : caption) {
        if (c != '&') {
            plain += c;
        }
    }
    return plain;
}

// Before its load step has run the window exists but is hidden; only a shown window is ready.
HWND FindMainWindow(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(nullptr, windowTitle.c_str());
        if (window && IsWindowVisible(window)) {
            return window;
        }
        if (GetTickCount() - start >= timeoutMs) {
            throw Failure{"no window titled \"" + windowTitle + "\" on screen"};
        }
        Sleep(100);
    }
}

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

bool IsPushButton(HWND control) {
    if (_stricmp(ClassOf(control).c_str(), "Button") != 0) {
        return false;
    }
    const auto type = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE)) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

HWND ChildOfClass(HWND window, const char* className) {
    for (HWND child : Children(window)) {
        if (_stricmp(ClassOf(child).c_str(), className) == 0) {
            return child;
        }
    }
    throw Failure{std::string("no ") + className + " control in the window"};
}

HWND ButtonByCaption(HWND window, const std::string& wanted) {
    const std::string plainWanted = WithoutAmpersands(wanted);
    std::vector<HWND> partial;
    for (HWND button : Children(window)) {
        const std::string caption = IsPushButton(button) ? TextOf(button) : std::string();
        if (caption == wanted || WithoutAmpersands(caption) == plainWanted) {
            return button;
        }
        if (!caption.empty() && WithoutAmpersands(caption).find(plainWanted) != std::string::npos) {
            partial.push_back(button);
        }
    }
    if (partial.size() == 1) {
        return partial.front();
    }
    throw Failure{"no single button captioned \"" + wanted + "\""};
}

// Memory inside the window's process: list-view messages carry pointers that the window
// system passes on as they are, so the structures they point at must live over there.
class RemoteBlock {
  public:
    RemoteBlock(HWND window, std::size_t size) : size_(size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process_.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                   processId));
        if (!process_) {
            throw Failure{"cannot open the window's process"};
        }
        address_ = VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
        if (!address_) {
            throw Failure{"cannot allocate memory in the window's process"};
        }
    }
    ~RemoteBlock() { VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE); }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    char* Address(std::size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    void Write(std::size_t offset, const void* data, std::size_t size) const {
        if (offset + size > size_ ||
            !WriteProcessMemory(process_.get(), Address(offset), data, size, nullptr)) {
            throw Failure{"cannot write to the window's process"};
        }
    }
    void Read(std::size_t offset, void* data, std::size_t size) const {
        if (offset + size > size_ ||
            !ReadProcessMemory(process_.get(), Address(offset), data, size, nullptr)) {
            throw Failure{"cannot read from the window's process"};
        }
    }

  private:
    std::size_t size_;
    UniqueHandle process_;
    void* address_ = nullptr;
};

// bufferSize counts UTF-16 units.
std::string ListEntryText(HWND list, const RemoteBlock& block, std::size_t bufferSize, int index) {
    LVITEMW item{};
    item.pszText = reinterpret_cast<wchar_t*>(block.Address(sizeof(LVITEMW)));
    item.cchTextMax = static_cast<int>(bufferSize);
    block.Write(0, &item, sizeof(item));
    const auto copied =
        static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(block.Address())));
    std::wstring text(copied, L'\0');
    block.Read(sizeof(LVITEMW), text.data(), copied * sizeof(wchar_t));
    return Utf8(text.data(), text.size());
}

bool ListEntryChecked(HWND list, int index) {
    const auto state = static_cast<UINT>(
        SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

// List1, one entry a line: "[x] text" when ticked, "[ ] text" when not. An emulated 32-bit
// program's texts are out of reach, since qemu keeps its memory elsewhere than Wine reads.
void CmdList(const Call& call) {
    HWND list = ChildOfClass(call.window, WC_LISTVIEWA);
    constexpr std::size_t kBufferSize = 32768;
    RemoteBlock block(call.window, sizeof(LVITEMW) + kBufferSize * sizeof(wchar_t));
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        Print((ListEntryChecked(list, index) ? "[x] " : "[ ] ") +
              ListEntryText(list, block, kBufferSize, index) + "\n");
    }
}

// Ticks (by default) or unticks List1's entry INDEX, counted from 0.
void CmdCheck(const Call& call) {
    const std::string* state = call.Optional(1);
    if (state && *state != "on" && *state != "off") {
        throw BadCommandLine{};
    }
    const int index = std::atoi(call.args[0].c_str());
    HWND list = ChildOfClass(call.window, WC_LISTVIEWA);
    if (index < 0 || index >= static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0))) {
        throw Failure{"List1 has no entry " + std::to_string(index)};
    }
    RemoteBlock block(call.window, sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(!state || *state == "on" ? 2 : 1);
    block.Write(0, &item, sizeof(item));
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(block.Address()));
}

HWND FocusedControl(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndFocus) {
        throw Failure{"no control of the window has the focus"};
    }
    return info.hwndFocus;
}

// Posts the key to the focused control, as the keyboard would.
void CmdKey(const Call& call) {
    const std::string& key = call.args[0];
    HWND focus = FocusedControl(call.window);
    // lParam: repeat count 1, the key's scan code, bit 29 when Alt is down, bits 30 and 31 on
    // release.
    auto post = [focus](UINT virtualKey, UINT scanCode) {
        const LPARAM press = 1 | (static_cast<LPARAM>(scanCode) << 16);
        PostMessageA(focus, WM_KEYDOWN, virtualKey, press);
        PostMessageA(focus, WM_KEYUP, virtualKey, press | (LPARAM{3} << 30));
    };
    if (key == "enter") {
        post(VK_RETURN, 0x1C);
    } else if (key == "space") {
        post(VK_SPACE, 0x39);
    } else if (key == "tab") {
        post(VK_TAB, 0x0F);
    } else if (key == "down") {
        post(VK_DOWN, 0x50);
    } else if (key == "alt-x") {
        PostMessageA(focus, WM_SYSCHAR, 'x', 1 | (LPARAM{0x2D} << 16) | (LPARAM{1} << 29));
    } else {
        throw Failure{"unknown key \"" + key + "\""};
    }
}

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

// The message boxes of the program are dialog boxes of the window's own thread: MessageBox runs
// its modal loop there.
BOOL CALLBACK CollectBox(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && ClassOf(window) == "#32770") {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

HWND OpenBox(HWND mainWindow) {
    std::vector<HWND> boxes;
    EnumThreadWindows(GetWindowThreadProcessId(mainWindow, nullptr), CollectBox,
                      reinterpret_cast<LPARAM>(&boxes));
    return boxes.empty() ? nullptr : boxes.front();
}

// Windows and Wine give the message text's static control the same id.
constexpr int kBoxTextId = 0xFFFF;

std::string BoxText(HWND box) {
    if (HWND text = GetDlgItem(box, kBoxTextId)) {
        return TextOf(text);
    }
    for (HWND child : Children(box)) {
        if (_stricmp(ClassOf(child).c_str(), "Static") == 0 && !TextOf(child).empty()) {
            return TextOf(child);
        }
    }
    return {};
}

std::string DescribeBox(HWND box) {
    return "\"" + TextOf(box) + "\": \"" + BoxText(box) + "\"";
}

HWND WaitForBox(HWND mainWindow, const Deadline& deadline) {
    for (;;) {
        if (HWND box = OpenBox(mainWindow)) {
            return box;
        }
        if (deadline.Passed()) {
            throw Failure{"no message box of the program came up"};
        }
        Sleep(50);
    }
}

bool MentionsRestart(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower.find("reboot") != std::string::npos || lower.find("restart") != std::string::npos;
}

int AnswerId(const std::string& answer) {
    if (answer == "ok") {
        return IDOK;
    }
    if (answer == "cancel") {
        return IDCANCEL;
    }
    if (answer == "yes") {
        return IDYES;
    }
    if (answer == "no") {
        return IDNO;
    }
    throw Failure{"unknown answer \"" + answer + "\""};
}

void AnswerOpenBox(HWND box, const std::string& answer, const std::string* title,
                   const Deadline& deadline) {
    const int id = AnswerId(answer);
    const std::string boxTitle = TextOf(box);
    const std::string boxText = BoxText(box);
    Print(boxTitle + "\n" + boxText + "\n");
    std::fflush(stdout);
    if (title && boxTitle != *title) {
        throw Failure{"the open box is " + DescribeBox(box) + ", not one titled \"" + *title +
                      "\"; left unanswered"};
    }
    HWND button = GetDlgItem(box, id);
    if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) {
        throw Failure{"the box " + DescribeBox(box) + " offers no " + answer + " button"};
    }
    // Under Wine a restart ends every process of the prefix, the test's own included; a box that
    // offers to cancel one is never answered with OK.
    HWND cancel = GetDlgItem(box, IDCANCEL);
    if (id == IDOK && cancel && IsWindowVisible(cancel) && MentionsRestart(boxText)) {
        throw Failure{"refusing to confirm a restart in " + DescribeBox(box)};
    }
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, deadline.Remaining(), &ignored)) {
        throw Failure{"the box " + DescribeBox(box) + " did not take the click"};
    }
    while (IsWindow(box)) {
        if (deadline.Passed()) {
            throw Failure{"the box " + DescribeBox(box) + " stayed open after the click"};
        }
        Sleep(20);
    }
}

// Waits for a message box of the program, prints its title and its text one a line, presses
// the button with that answer and waits until the box is gone. A box of another title than the
// one given is left unanswered and the command fails.
void CmdBox(const Call& call) {
    AnswerId(call.args[0]);  // a mistyped answer fails before the wait
    AnswerOpenBox(WaitForBox(call.window, call.deadline), call.args[0], call.Optional(1),
                  call.deadline);
}

// The same for a box of a run without a window, such as /restore: the first one so titled on
// the screen.
void CmdLoneBox(const Call& call) {
    const std::string& answer = call.args[0];
    const std::string& title = call.args[1];
    const Deadline& deadline = call.deadline;
    for (;;) {
        HWND box = FindWindowA("#32770", title.c_str());
        if (box && IsWindowVisible(box)) {
            AnswerOpenBox(box, answer, &title, deadline);
            return;
        }
        if (deadline.Passed()) {
            throw Failure{"no box titled \"" + title + "\" came up"};
        }
        Sleep(100);
    }
}

struct ProcessEntry {
    DWORD id;
    DWORD parent;
    std::string exe;
};

std::vector<ProcessEntry> Processes() {
    std::vector<ProcessEntry> processes;
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        throw Failure{"cannot list the processes"};
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    }
    return processes;
}

std::vector<ProcessEntry> ChildrenOf(DWORD parent) {
    std::vector<ProcessEntry> children;
    for (const ProcessEntry& process : Processes()) {
        if (process.parent == parent && process.id != parent) {
            children.push_back(process);
        }
    }
    return children;
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM search) {
    auto* wanted = reinterpret_cast<WindowSearch*>(search);
    if (IsWindowVisible(window) && ProcessOf(window) == wanted->processId) {
        wanted->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND ShownWindowOf(DWORD processId) {
    WindowSearch search{processId, nullptr};
    EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A child without a window is one the handler may be waiting for (attrib, the rights tool);
// programs the shell opened for the user show a window and stay.
bool ChildAtWork(HWND mainWindow) {
    for (const ProcessEntry& child : ChildrenOf(ProcessOf(mainWindow))) {
        if (!ShownWindowOf(child.id)) {
            return true;
        }
    }
    return false;
}

void FailOnBox(HWND mainWindow) {
    if (HWND box = OpenBox(mainWindow)) {
        throw Failure{"a message box is open: " + DescribeBox(box)};
    }
}

// The handler's pauses block the window's thread, so a message it answers means the thread is
// back in a message loop: the main one, a box's, or the wait for a child. The last two are
// ruled out by looking again after the answer, and a few quiet rounds in a row rule out a
// handler that was caught between two steps.
void CmdWaitIdle(const Call& call) {
    HWND mainWindow = call.window;
    const Deadline& deadline = call.deadline;
    constexpr int kQuietRounds = 3;
    int quiet = 0;
    while (quiet < kQuietRounds) {
        FailOnBox(mainWindow);
        bool still = !ChildAtWork(mainWindow);
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, deadline.Remaining(),
                                 &ignored)) {
            throw Failure{"the window did not answer in time"};
        }
        FailOnBox(mainWindow);
        still = still && !ChildAtWork(mainWindow);
        quiet = still ? quiet + 1 : 0;
        if (quiet < kQuietRounds) {
            if (deadline.Passed()) {
                throw Failure{"the program was still at work at the time-out"};
            }
            Sleep(100);
        }
    }
}

// Waits for a process of that exe name, started by the program, to show a window; prints its
// process id and the window's title.
void CmdWaitChild(const Call& call) {
    HWND mainWindow = call.window;
    const std::string& exe = call.args[0];
    const Deadline& deadline = call.deadline;
    for (;;) {
        for (const ProcessEntry& child : ChildrenOf(ProcessOf(mainWindow))) {
            if (_stricmp(child.exe.c_str(), exe.c_str()) == 0) {
                if (HWND shown = ShownWindowOf(child.id)) {
                    Print(std::to_string(child.id) + " " + TextOf(shown) + "\n");
                    return;
                }
            }
        }
        if (deadline.Passed()) {
            throw Failure{"the program started no " + exe + " that showed a window"};
        }
        Sleep(100);
    }
}

// Ends that process, if the program started it, and waits for its end.
void CmdEndChild(const Call& call) {
    const auto processId = static_cast<DWORD>(std::strtoul(call.args[0].c_str(), nullptr, 10));
    bool isChild = false;
    for (const ProcessEntry& child : ChildrenOf(ProcessOf(call.window))) {
        isChild = isChild || child.id == processId;
    }
    if (!isChild) {
        throw Failure{"process " + std::to_string(processId) + " is no child of the program"};
    }
    const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process || !TerminateProcess(process.get(), 1) ||
        WaitForSingleObject(process.get(), call.deadline.Remaining()) != WAIT_OBJECT_0) {
        throw Failure{"cannot end process " + std::to_string(processId)};
    }
}

// Every holder waits on the same event, so one release lets all of them go.
constexpr char kReleaseEvent[] = "kr8auto-hold-release";

// Opens the file sharing only reading, as a process keeps a DLL it has loaded (it can be read
// and copied but neither deleted nor moved), prints "held" and keeps it open that many seconds
// or until released.
void CmdHoldReadable(const Call& call) {
    const std::string& path = call.args[0];
    const UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, kReleaseEvent));
    if (!release) {
        throw Failure{"cannot create the release event"};
    }
    // Through the wide call, which takes a "\\?\" path past MAX_PATH that the ANSI one refuses.
    std::wstring wide(path.size() + 1, L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), static_cast<int>(path.size()), &wide[0],
                            static_cast<int>(wide.size()))));
    const UniqueHandle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        throw Failure{"cannot open " + path + " (error " + std::to_string(GetLastError()) + ")"};
    }
    Print("held\n");
    std::fflush(stdout);
    WaitForSingleObject(release.get(), static_cast<DWORD>(std::atoi(call.args[1].c_str())) * 1000);
}

// Lets every holder close its file and end.
void CmdRelease(const Call&) {
    const UniqueHandle release(OpenEventA(EVENT_MODIFY_STATE, FALSE, kReleaseEvent));
    if (!release || !SetEvent(release.get())) {
        throw Failure{"no file is held"};
    }
}

constexpr struct {
    char letter;
    DWORD flag;
} kFileFlags[] = {
    {'R', FILE_ATTRIBUTE_READONLY}, {'H', FILE_ATTRIBUTE_HIDDEN}, {'S', FILE_ATTRIBUTE_SYSTEM}};

// Adds any of the read-only, hidden and system flags given, then prints those the file has as
// "RHS", a "-" for each one it lacks. One flag at a time is what Wine's attrib manages;
// SetFileAttributesA takes them together.
void CmdAttrs(const Call& call) {
    const std::string& path = call.args[0];
    const std::string* added = call.Optional(1);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        throw Failure{"no file " + path};
    }
    if (added) {
        if (added->empty() || (*added)[0] != '+') {
            throw Failure{"flags must look like +rhs"};
        }
        for (char c : added->substr(1)) {
            bool known = false;
            for (const auto& flag : kFileFlags) {
                if (std::toupper(static_cast<unsigned char>(c)) == flag.letter) {
                    attributes |= flag.flag;
                    known = true;
                }
            }
            if (!known) {
                throw Failure{std::string("unknown flag ") + c};
            }
        }
        attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL);
        if (!SetFileAttributesA(path.c_str(), attributes)) {
            throw Failure{"cannot set the flags of " + path};
        }
        attributes = GetFileAttributesA(path.c_str());
    }
    std::string shown;
    for (const auto& flag : kFileFlags) {
        shown += (attributes & flag.flag) ? flag.letter : '-';
    }
    Print(shown + "\n");
}

void Click(const Call& call, bool wait) {
    HWND button = ButtonByCaption(call.window, call.args[0]);
    if (!IsWindowEnabled(button)) {
        throw Failure{"button \"" + call.args[0] + "\" is disabled"};
    }
    DWORD_PTR ignored = 0;
    if (!wait) {
        PostMessageA(button, BM_CLICK, 0, 0);
    } else if (!SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, call.deadline.Remaining(),
                                    &ignored)) {
        HWND box = OpenBox(call.window);
        throw Failure{"the click on \"" + call.args[0] + "\" has not finished" +
                      (box ? ", a box is open: " + DescribeBox(box) : std::string())};
    }
}

// Waits until the window is on screen, then prints "ready".
void CmdWait(const Call&) {
    Print("ready\n");
}

// The window's place on screen, frame included: "WIDTHxHEIGHT+LEFT+TOP".
void CmdRect(const Call& call) {
    RECT rect{};
    GetWindowRect(call.window, &rect);
    Print(std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
          "+" + std::to_string(rect.left) + "+" + std::to_string(rect.top) + "\n");
}

// Text1's text exactly as it is (CR LF line ends, nothing added).
void CmdText1(const Call& call) {
    Print(TextOf(ChildOfClass(call.window, "Edit")));
}

// The focused control: a button's caption, else its window class.
void CmdFocus(const Call& call) {
    HWND focus = FocusedControl(call.window);
    Print((IsPushButton(focus) ? TextOf(focus) : ClassOf(focus)) + "\n");
}

// Clicks the button and returns once its handler has run; fails when it is still running at the
// time-out (a message box open, say). The caption may leave out its "&" and may be any unique
// part of it.
void CmdClick(const Call& call) {
    Click(call, true);
}

// The same, returning at once, for handlers that open boxes.
void CmdClickAsync(const Call& call) {
    Click(call, false);
}

// What the system menu sends its window when "Restore from backup" is chosen: the menu itself
// lives in the program's process, out of reach of another one under Wine. Returns at once.
void CmdRestoreMenu(const Call& call) {
    PostMessageA(call.window, WM_SYSCOMMAND, kr8::win32::kRestoreCommand, 0);
}

// Saves an HKEY_LOCAL_MACHINE key with everything under it as a hive file, as the system's
// backup would: the hive of a Windows on another disk, for the program's /offline to load.
void CmdSaveHive(const Call& call) {
    UniqueHandle token;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put()) ||
        !LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &privileges.Privileges[0].Luid) ||
        !AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) {
        throw Failure{"the backup privilege could not be enabled"};
    }
    kr8::UniqueHKey key;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, call.args[0].c_str(), 0, KEY_READ, key.put());
    if (result == ERROR_SUCCESS) {
        DeleteFileA(call.args[1].c_str());
        result = RegSaveKeyA(key.get(), call.args[1].c_str(), nullptr);
    }
    if (result != ERROR_SUCCESS) {
        throw Failure{"saving HKLM\\" + call.args[0] + ": error " + std::to_string(result)};
    }
}

// As the window's close box would.
void CmdClose(const Call& call) {
    SendMessageA(call.window, WM_CLOSE, 0, 0);
}

struct Command {
    const char* name;
    // As the usage shows them; the words in brackets may be left out, the others are required.
    const char* arguments;
    bool needsWindow;
    void (*run)(const Call&);
};

constexpr Command kCommands[] = {
    {"wait", "", true, CmdWait},
    {"rect", "", true, CmdRect},
    {"text1", "", true, CmdText1},
    {"list", "", true, CmdList},
    {"focus", "", true, CmdFocus},
    {"click", "CAPTION", true, CmdClick},
    {"click-async", "CAPTION", true, CmdClickAsync},
    {"restore-menu", "", true, CmdRestoreMenu},
    {"box", "ok|cancel|yes|no [TITLE]", true, CmdBox},
    {"wait-idle", "", true, CmdWaitIdle},
    {"wait-child", "NAME", true, CmdWaitChild},
    {"end-child", "PID", true, CmdEndChild},
    {"check", "INDEX [on|off]", true, CmdCheck},
    {"key", "enter|space|tab|down|alt-x", true, CmdKey},
    {"close", "", true, CmdClose},
    {"hold-readable", "PATH SECONDS", false, CmdHoldReadable},
    {"release", "", false, CmdRelease},
    {"attrs", "PATH [+rhs]", false, CmdAttrs},
    {"lone-box", "ok|cancel|yes|no TITLE", false, CmdLoneBox},
    {"save-hive", "KEY FILE", false, CmdSaveHive},
};

// How many words of a command's arguments are required, and how many there may be.
std::pair<std::size_t, std::size_t> ArgumentCounts(const Command& command) {
    std::size_t required = 0;
    std::size_t optional = 0;
    for (const char* word = command.arguments; *word != '\0';) {
        (*word == '[' ? optional : required) += 1;
        word += std::strcspn(word, " ");
        word += std::strspn(word, " ");
    }
    return {required, required + optional};
}

int Usage() {
    std::fputs(
        "usage: kr8auto [--timeout SECONDS] [--title TITLE] COMMAND [ARGUMENT...], the commands "
        "being:\n",
        stderr);
    for (const Command& command : kCommands) {
        std::fprintf(stderr, "  %s%s%s%s\n", command.name, *command.arguments ? " " : "",
                     command.arguments, command.needsWindow ? "" : "  (without the window)");
    }
    std::fputs("Exit status: 0 done, 1 failed (reason on stderr), 2 bad command line.\n", stderr);
    return 2;
}

int Run(std::vector<std::string> args) {
    // Generous: a wait that succeeds ends as soon as it can, and a CI machine whose two cores
    // also run an emulated road can take tens of seconds for a click that starts a program.
    DWORD timeoutMs = 60000;
    while (args.size() >= 2 && (args[0] == "--timeout" || args[0] == "--title")) {
        if (args[0] == "--timeout") {
            timeoutMs = static_cast<DWORD>(std::atof(args[1].c_str()) * 1000);
        } else {
            windowTitle = args[1];
        }
        args.erase(args.begin(), args.begin() + 2);
    }
    const Command* command =
        std::find_if(std::begin(kCommands), std::end(kCommands),
                     [&args](const Command& c) { return !args.empty() && args[0] == c.name; });
    if (command == std::end(kCommands)) {
        return Usage();
    }
    args.erase(args.begin());
    const auto [least, most] = ArgumentCounts(*command);
    if (args.size() < least || args.size() > most) {
        return Usage();
    }
    const Deadline deadline(timeoutMs);
    try {
        command->run({args, deadline, command->needsWindow ? FindMainWindow(timeoutMs) : nullptr});
    } catch (const BadCommandLine&) {
        return Usage();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The report's CR LF line ends go out unchanged.
    _setmode(_fileno(stdout), _O_BINARY);
    try {
        return Run({argv + 1, argv + argc});
    } catch (const Failure& failure) {
        std::fprintf(stderr, "kr8auto: %s\n", failure.reason.c_str());
        return 1;
    }
}
