#include "BrowseForOutputFolder.h"

#include "TextConversion.h"

namespace winui {

namespace {

constexpr wchar_t kTitle[] = L"Select a directory in which to write split WAV files";

// The shell's allocator, released on every way out.
class ShellAllocator {
public:
    ShellAllocator() {
        if (FAILED(SHGetMalloc(&allocator))) {
            allocator = nullptr;
        }
    }
    ~ShellAllocator() {
        if (allocator != nullptr) {
            allocator->Release();
        }
    }
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;

    IMalloc* get() const { return allocator; }

private:
    IMalloc* allocator = nullptr;
};

// The current directory, however long.
std::wstring CurrentDirectory() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) {
        return {};
    }
    std::wstring folder(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, folder.data());
    if (length == 0 || length >= needed) {
        return {};
    }
    folder.resize(length);
    return folder;
}

} // namespace

int CALLBACK BrowseForOutputFolderCallback(HWND picker, UINT message, LPARAM parameter,
                                           LPARAM callerValue) {
    switch (message) {
    case BFFM_INITIALIZED: {
        const auto* start = reinterpret_cast<const std::wstring*>(callerValue);
        const std::wstring folder = start != nullptr ? *start : CurrentDirectory();
        if (!folder.empty()) {
            SendMessageW(picker, BFFM_SETSELECTIONW, TRUE,
                         reinterpret_cast<LPARAM>(folder.c_str()));
        }
        break;
    }
    case BFFM_SELCHANGED: {
        // SHGetPathFromIDListW writes at most MAX_PATH characters.
        wchar_t path[MAX_PATH] = {};
        if (!SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter), path)) {
            path[0] = L'\0';
            EnableWindow(GetDlgItem(picker, IDOK), FALSE);
        }
        SendMessageW(picker, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
        break;
    }
    default:
        break;
    }
    return 0;
}

int BrowseForOutputFolder(std::string& folder, HWND owner, const std::string& startFolder) {
    const std::wstring start = Utf16FromUtf8(startFolder);
    const ShellAllocator allocator;
    if (allocator.get() == nullptr) {
        return -1;
    }
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = kTitle;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    browse.lpfn = &BrowseForOutputFolderCallback;
    browse.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(&start);

    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (chosen == nullptr) {
        return 0; // cancelled
    }
    wchar_t path[MAX_PATH] = {};
    const bool hasPath = SHGetPathFromIDListW(chosen, path) != FALSE;
    allocator.get()->Free(chosen);
    if (!hasPath) {
        return 0;
    }
    folder = Utf8FromUtf16(path);
    return 1;
}

} // namespace winui
