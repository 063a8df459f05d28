// kr8auto: drives a running KR8 Finder from another process through the standard messages that
// screen readers and UI automation use, and prints what it reads one item a line.
//
//   kr8auto [--timeout SECONDS] COMMAND [ARGUMENT...]
//
//   wait                 waits until the window is on screen, then prints "ready"
//   caption              the window's caption
//   rect                 the window's place on screen, frame included: "WIDTHxHEIGHT+LEFT+TOP"
//   text1                Text1's text exactly as it is (CR LF line ends, nothing added)
//   list                 List1, one entry a line: "[x] text" when ticked, "[ ] text" when not
//   states               every button in tab order: "caption=enabled" or "caption=disabled"
//   focus                the focused control: a button's caption, else its window class
//   click CAPTION        clicks the button and returns once its handler has run; the caption
//                        may leave out its "&" and may be any unique part of it
//   check INDEX on|off   ticks or unticks List1's entry INDEX (from 0)
//   key enter|space|tab|alt-x
//                        posts the key to the focused control, as the keyboard would
//   close                closes the window as its close box would
//
// Exit status: 0 done, 1 failed (reason on stderr), 2 bad command line.
#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kWindowTitle[] = "KR8 Finder";

struct Failure {
    std::string reason;
};

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// Across processes the window system copies the text for WM_GETTEXT, so a local buffer works.
std::string TextOf(HWND window) {
    const auto length = static_cast<std::size_t>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::string text(length + 1, '\0');
    const LRESULT copied = SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
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
        HWND window = FindWindowA(nullptr, kWindowTitle);
        if (window && IsWindowVisible(window)) {
            return window;
        }
        if (GetTickCount() - start >= timeoutMs) {
            throw Failure{"no window titled \"" + std::string(kWindowTitle) + "\" on screen"};
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

// The buttons in tab order, which is the order of the window's children less the frame.
std::vector<HWND> Buttons(HWND window) {
    std::vector<HWND> buttons;
    for (HWND child : Children(window)) {
        if (IsPushButton(child)) {
            buttons.push_back(child);
        }
    }
    return buttons;
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
    for (HWND button : Buttons(window)) {
        const std::string caption = TextOf(button);
        if (caption == wanted || WithoutAmpersands(caption) == plainWanted) {
            return button;
        }
        if (WithoutAmpersands(caption).find(plainWanted) != std::string::npos) {
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
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId);
        if (!process_) {
            throw Failure{"cannot open the window's process"};
        }
        address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
        if (!address_) {
            CloseHandle(process_);
            throw Failure{"cannot allocate memory in the window's process"};
        }
    }
    ~RemoteBlock() {
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    char* Address(std::size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    void Write(std::size_t offset, const void* data, std::size_t size) const {
        if (offset + size > size_ ||
            !WriteProcessMemory(process_, Address(offset), data, size, nullptr)) {
            throw Failure{"cannot write to the window's process"};
        }
    }
    void Read(std::size_t offset, void* data, std::size_t size) const {
        if (offset + size > size_ ||
            !ReadProcessMemory(process_, Address(offset), data, size, nullptr)) {
            throw Failure{"cannot read from the window's process"};
        }
    }

  private:
    std::size_t size_;
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

std::string ListEntryText(HWND list, const RemoteBlock& block, std::size_t bufferSize, int index) {
    LVITEMA item{};
    item.pszText = block.Address(sizeof(LVITEMA));
    item.cchTextMax = static_cast<int>(bufferSize);
    block.Write(0, &item, sizeof(item));
    const auto copied =
        static_cast<std::size_t>(SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(block.Address())));
    std::string text(copied, '\0');
    block.Read(sizeof(LVITEMA), text.data(), copied);
    return text;
}

bool ListEntryChecked(HWND list, int index) {
    const auto state = static_cast<UINT>(
        SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void PrintList(HWND window) {
    HWND list = ChildOfClass(window, WC_LISTVIEWA);
    constexpr std::size_t kBufferSize = 32768;
    RemoteBlock block(window, sizeof(LVITEMA) + kBufferSize);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        Print((ListEntryChecked(list, index) ? "[x] " : "[ ] ") +
              ListEntryText(list, block, kBufferSize, index) + "\n");
    }
}

void CheckEntry(HWND window, int index, bool on) {
    HWND list = ChildOfClass(window, WC_LISTVIEWA);
    if (index < 0 || index >= static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0))) {
        throw Failure{"List1 has no entry " + std::to_string(index)};
    }
    RemoteBlock block(window, sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
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

void PostKey(HWND window, const std::string& key) {
    HWND focus = FocusedControl(window);
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
    } else if (key == "alt-x") {
        PostMessageA(focus, WM_SYSCHAR, 'x', 1 | (LPARAM{0x2D} << 16) | (LPARAM{1} << 29));
    } else {
        throw Failure{"unknown key \"" + key + "\""};
    }
}

int Usage() {
    std::fputs(
        "usage: kr8auto [--timeout SECONDS] wait|caption|rect|text1|list|states|focus|close\n"
        "       kr8auto [--timeout SECONDS] click CAPTION | check INDEX on|off | "
        "key enter|space|tab|alt-x\n",
        stderr);
    return 2;
}

int Run(const std::vector<std::string>& args) {
    DWORD timeoutMs = 20000;
    std::size_t next = 0;
    if (args.size() >= 2 && args[0] == "--timeout") {
        timeoutMs = static_cast<DWORD>(std::atof(args[1].c_str()) * 1000);
        next = 2;
    }
    if (next >= args.size()) {
        return Usage();
    }
    const std::string command = args[next];
    const std::vector<std::string> rest(args.begin() + static_cast<long>(next) + 1, args.end());
    auto needs = [&rest](std::size_t count) {
        if (rest.size() != count) {
            throw Failure{"wrong number of arguments"};
        }
    };

    HWND window = FindMainWindow(timeoutMs);
    if (command == "wait") {
        needs(0);
        Print("ready\n");
    } else if (command == "caption") {
        needs(0);
        Print(TextOf(window) + "\n");
    } else if (command == "rect") {
        needs(0);
        RECT rect{};
        GetWindowRect(window, &rect);
        Print(std::to_string(rect.right - rect.left) + "x" +
              std::to_string(rect.bottom - rect.top) + "+" + std::to_string(rect.left) + "+" +
              std::to_string(rect.top) + "\n");
    } else if (command == "text1") {
        needs(0);
        Print(TextOf(ChildOfClass(window, "Edit")));
    } else if (command == "list") {
        needs(0);
        PrintList(window);
    } else if (command == "states") {
        needs(0);
        for (HWND button : Buttons(window)) {
            Print(TextOf(button) + (IsWindowEnabled(button) ? "=enabled\n" : "=disabled\n"));
        }
    } else if (command == "focus") {
        needs(0);
        HWND focus = FocusedControl(window);
        Print((IsPushButton(focus) ? TextOf(focus) : ClassOf(focus)) + "\n");
    } else if (command == "click") {
        needs(1);
        HWND button = ButtonByCaption(window, rest[0]);
        if (!IsWindowEnabled(button)) {
            throw Failure{"button \"" + rest[0] + "\" is disabled"};
        }
        SendMessageA(button, BM_CLICK, 0, 0);
    } else if (command == "check") {
        needs(2);
        if (rest[1] != "on" && rest[1] != "off") {
            return Usage();
        }
        CheckEntry(window, std::atoi(rest[0].c_str()), rest[1] == "on");
    } else if (command == "key") {
        needs(1);
        PostKey(window, rest[0]);
    } else if (command == "close") {
        needs(0);
        SendMessageA(window, WM_CLOSE, 0, 0);
    } else {
        return Usage();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The report's CR LF line ends go out unchanged.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return Run(args);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "kr8auto: %s\n", failure.reason.c_str());
        return 1;
    }
}
