// stand_in_settings.cpp: the stand-in's registry values, read and written
// through a key opened for each access (the module and the test each carry
// their own copy of the layer; the registry database is what they share).
#include "stand_in_settings.h"

#include <cstring>
#include <vector>

#include "win32/registry.h"

namespace hsm_engine_stand_in {

namespace {

constexpr const char16_t* kKey = u"Software\\Tesk\\HsmEngineStandIn";

class Key {
public:
    Key() { RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr); }
    ~Key() {
        if (m_key) RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    // The value's data when it has that type.
    std::optional<std::vector<BYTE>> read(const char16_t* name, DWORD type) const {
        DWORD found = 0, bytes = 0;
        if (!m_key || RegQueryValueExW(m_key, name, nullptr, &found, nullptr, &bytes) != ERROR_SUCCESS ||
            found != type)
            return std::nullopt;
        std::vector<BYTE> data(bytes);
        if (RegQueryValueExW(m_key, name, nullptr, &found, data.data(), &bytes) != ERROR_SUCCESS) return std::nullopt;
        data.resize(bytes);
        return data;
    }
    void write(const char16_t* name, DWORD type, const void* data, std::size_t bytes) const {
        if (m_key)
            RegSetValueExW(m_key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(bytes));
    }

private:
    HKEY m_key = nullptr;
};

}  // namespace

std::optional<DWORD> readDword(const char16_t* name) {
    const auto data = Key().read(name, REG_DWORD);
    DWORD value = 0;
    if (!data || data->size() != sizeof value) return std::nullopt;
    std::memcpy(&value, data->data(), sizeof value);
    return value;
}

void writeDword(const char16_t* name, DWORD value) { Key().write(name, REG_DWORD, &value, sizeof value); }

std::optional<std::u16string> readText(const char16_t* name) {
    const auto data = Key().read(name, REG_SZ);
    if (!data) return std::nullopt;
    std::u16string text(data->size() / sizeof(char16_t), u'\0');
    std::memcpy(text.data(), data->data(), text.size() * sizeof(char16_t));
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

void writeText(const char16_t* name, std::u16string_view text) {
    const std::u16string terminated(text);
    Key().write(name, REG_SZ, terminated.c_str(), (terminated.size() + 1) * sizeof(char16_t));
}

}  // namespace hsm_engine_stand_in
