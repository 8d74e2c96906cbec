#include "RegistrySettingsStore.h"

#include "TextConversion.h"
#include "WinApi.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace winui {

namespace {

// An open registry key, closed on every way out.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key != nullptr) {
            RegCloseKey(key);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Open(const std::wstring& path) {
        return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) ==
               ERROR_SUCCESS;
    }
    bool Create(const std::wstring& path) {
        return RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS;
    }
    HKEY get() const { return key; }

private:
    HKEY key = nullptr;
};

// A value's type and bytes; no value when it is missing.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

std::optional<RawValue> ReadRaw(const std::wstring& keyPath, const std::string& entry) {
    RegistryKey key;
    if (!key.Open(keyPath)) {
        return std::nullopt;
    }
    const std::wstring name = Utf16FromUtf8(entry);
    RawValue value;
    DWORD size = 0;
    // The value may grow between asking its size and reading it: ask again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        LSTATUS status =
            RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size);
        if (status != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.bytes.resize(size);
        status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, value.bytes.data(),
                                  &size);
        if (status == ERROR_SUCCESS) {
            value.bytes.resize(size);
            return value;
        }
        if (status != ERROR_MORE_DATA) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::int32_t> AsNumber(const RawValue& value) {
    if (value.type != REG_DWORD || value.bytes.size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    DWORD number = 0;
    std::memcpy(&number, value.bytes.data(), sizeof number);
    return static_cast<std::int32_t>(number);
}

} // namespace

RegistrySettingsStore::RegistrySettingsStore(const std::string& root, const std::string& program)
    : programKey(L"Software\\" + Utf16FromUtf8(root) + L"\\" + Utf16FromUtf8(program)) {}

std::wstring RegistrySettingsStore::SectionKey(const std::string& section) const {
    return programKey + L"\\" + Utf16FromUtf8(section);
}

std::optional<std::int32_t> RegistrySettingsStore::ReadInt(const std::string& section,
                                                           const std::string& entry) {
    const std::optional<RawValue> value = ReadRaw(SectionKey(section), entry);
    return value ? AsNumber(*value) : std::nullopt;
}

std::optional<std::string> RegistrySettingsStore::ReadText(const std::string& section,
                                                           const std::string& entry) {
    const std::optional<RawValue> value = ReadRaw(SectionKey(section), entry);
    if (!value) {
        return std::nullopt;
    }
    if (const std::optional<std::int32_t> number = AsNumber(*value)) {
        return std::to_string(*number);
    }
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) {
        return std::nullopt;
    }
    // The stored bytes need not end in a terminating zero, nor have an even length.
    std::wstring text(value->bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value->bytes.data(), text.size() * sizeof(wchar_t));
    text.resize(std::wstring_view(text.c_str()).size());
    return Utf8FromUtf16(text);
}

bool RegistrySettingsStore::Has(const std::string& section, const std::string& entry) {
    return ReadRaw(SectionKey(section), entry).has_value();
}

bool RegistrySettingsStore::WriteSection(
    const std::string& section, const std::vector<std::pair<std::string, Value>>& entries) {
    RegistryKey key;
    if (!key.Create(SectionKey(section))) {
        return false;
    }
    bool written = true;
    for (const auto& [entry, value] : entries) {
        const std::wstring name = Utf16FromUtf8(entry);
        LSTATUS status = ERROR_SUCCESS;
        if (const auto* number = std::get_if<std::int32_t>(&value)) {
            const DWORD raw = static_cast<DWORD>(*number);
            status = RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&raw), sizeof raw);
        } else {
            const std::wstring text = Utf16FromUtf8(std::get<std::string>(value));
            status = RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        }
        written = written && status == ERROR_SUCCESS;
    }
    return written;
}

std::string ProgramNameFromExecutable() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return "quernfold";
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2); // a long path: the name was cut off
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) {
        name.resize(dot);
    }
    return Utf8FromUtf16(name);
}

} // namespace winui
