#include "app/win32/RestoreDialog.h"

#include "app/Texts.h"
#include "app/win32/SystemMenu.h"
#include "sys/win32/Wide.h"

namespace kr8::win32 {

namespace {

constexpr int kFolderList = 100;
// The id that message boxes give their text, so that tools reading boxes read this one too.
constexpr WORD kPromptId = 0xFFFF;

// A dialog template in memory: the texts come from Texts.h, and the resource script stays as
// it is.
class DialogTemplate {
  public:
    DialogTemplate(DWORD style, short cx, short cy, const std::wstring& title) {
        Dword(style);
        Dword(0);
        countAt_ = words_.size();
        words_.push_back(0);
        Shorts({0, 0, cx, cy});
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard class
        Text(title);
        words_.push_back(8);
        Text(L"MS Shell Dlg");
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
              const std::wstring& text) {
        if (words_.size() % 2 != 0) {
            words_.push_back(0);
        }
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Shorts({x, y, cx, cy});
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(atom);
        Text(text);
        words_.push_back(0);  // no creation data
        ++words_[countAt_];
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void Dword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void Shorts(std::initializer_list<short> values) {
        for (short v : values) {
            words_.push_back(static_cast<WORD>(v));
        }
    }
    void Text(const std::wstring& text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
    }

    // DWORD-aligned, as the template must be.
    std::vector<WORD> words_;
    std::size_t countAt_ = 0;
};

constexpr WORD kButton = 0x0080;
constexpr WORD kStatic = 0x0082;
constexpr WORD kListBox = 0x0083;

struct Picking {
    const std::vector<BackupFolder>* folders;
    std::optional<std::string> picked;
};

void Pick(HWND dialog, Picking& picking) {
    const LRESULT index = SendDlgItemMessageW(dialog, kFolderList, LB_GETCURSEL, 0, 0);
    if (index != LB_ERR && static_cast<std::size_t>(index) < picking.folders->size()) {
        picking.picked = (*picking.folders)[static_cast<std::size_t>(index)].path;
        EndDialog(dialog, IDOK);
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* picking = reinterpret_cast<Picking*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            picking = reinterpret_cast<Picking*>(lParam);
            for (const BackupFolder& folder : *picking->folders) {
                // The folder's own name, its date and time; the list keeps their order.
                const std::string name = folder.path.substr(folder.path.rfind('\\') + 1);
                SendDlgItemMessageW(dialog, kFolderList, LB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(Wide(name).c_str()));
            }
            // The newest backup, which comes first; a folder that is none is never picked for
            // the user, and Restore then does nothing until one is.
            const bool backupFirst =
                !picking->folders->empty() && picking->folders->front().isBackup;
            SendDlgItemMessageW(dialog, kFolderList, LB_SETCURSEL,
                                backupFirst ? 0 : static_cast<WPARAM>(-1), 0);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK ||
                (LOWORD(wParam) == kFolderList && HIWORD(wParam) == LBN_DBLCLK)) {
                Pick(dialog, *picking);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

void AddRestoreMenuItem(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (menu) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kRestoreCommand, Wide(text::kRestoreMenu).c_str());
    }
}

std::optional<std::string> PickBackup(HWND owner, const std::vector<BackupFolder>& folders) {
    DialogTemplate dialog(
        DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 260, 140,
        Wide(text::kRestoreTitle));
    dialog.Item(SS_LEFT, 7, 7, 246, 16, kPromptId, kStatic, Wide(text::kRestorePick));
    dialog.Item(LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7, 26, 246, 88, kFolderList,
                kListBox, L"");
    dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 146, 119, 50, 14, IDOK, kButton,
                Wide(text::kRestoreButton));
    dialog.Item(BS_PUSHBUTTON | WS_TABSTOP, 203, 119, 50, 14, IDCANCEL, kButton,
                Wide(text::kRestoreCancel));
    Picking picking{&folders, std::nullopt};
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, DialogProc,
                            reinterpret_cast<LPARAM>(&picking));
    return picking.picked;
}

}  // namespace kr8::win32
