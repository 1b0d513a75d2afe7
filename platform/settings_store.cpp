#include "platform/settings_store.h"

#include "platform/folders.h"
#include "platform/raw_file.h"
#include "platform/utf.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

namespace Zorva::Platform {
namespace {

constexpr std::string_view kHeader = "glimmerpen-settings 1";
constexpr std::string_view kEnd = "end";

using ValueMap = std::map<std::u16string, StoredValue>;

// The components below "SOFTWARE", or nothing when the path is not a key path of ours.
std::optional<std::vector<std::string>> KeyComponents(std::u16string_view keyPath)
{
    const std::optional<std::string> utf8 = EncodeUtf8(keyPath);
    if (!utf8)
        return std::nullopt;
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(*utf8);
    while (std::getline(in, part, '\\'))
        parts.push_back(part);
    if (parts.empty())
        return std::nullopt;
    std::string first = parts.front();
    for (char& c : first)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (first != "SOFTWARE")
        return std::nullopt;
    parts.erase(parts.begin());
    for (const std::string& p : parts)
        if (p.empty() || p == "." || p == ".." || p.find('/') != std::string::npos || p.find('\0') != std::string::npos ||
            p == kValuesFileName)
            return std::nullopt;
    return parts;
}

std::string PercentEncode(std::string_view s)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (c <= 0x20 || c == '%' || c >= 0x7F) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::optional<std::string> PercentDecode(std::string_view s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out.push_back(s[i]);
            continue;
        }
        if (i + 2 >= s.size())
            return std::nullopt;
        auto digit = [](char c) -> int {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            if (c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            return -1;
        };
        const int hi = digit(s[i + 1]);
        const int lo = digit(s[i + 2]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    return out;
}

std::vector<std::uint8_t> StringData(std::u16string_view text)
{
    std::vector<std::uint8_t> data;
    data.reserve((text.size() + 1) * 2);
    for (char16_t c : text) {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

// Text form of one value; nothing for data that does not fit its type (written as raw bytes).
std::string FormatLine(const std::u16string& name, const StoredValue& value)
{
    const std::string encodedName = PercentEncode(EncodeUtf8(name).value_or(std::string()));
    if (value.type == ValueType::Dword && value.data.size() == 4) {
        const std::uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                (static_cast<std::uint32_t>(value.data[3]) << 24);
        return "dword " + encodedName + " " + std::to_string(v);
    }
    if (value.type == ValueType::String && value.data.size() >= 2 && value.data.size() % 2 == 0 &&
        value.data[value.data.size() - 1] == 0 && value.data[value.data.size() - 2] == 0) {
        std::u16string text;
        for (size_t i = 0; i + 2 < value.data.size(); i += 2)
            text.push_back(static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8)));
        if (std::optional<std::string> utf8 = EncodeUtf8(text); utf8 && text.find(u'\0') == std::u16string::npos)
            return "string " + encodedName + " " + PercentEncode(*utf8);
    }
    static const char* hex = "0123456789abcdef";
    std::string bytes;
    for (std::uint8_t b : value.data) {
        bytes.push_back(hex[b >> 4]);
        bytes.push_back(hex[b & 15]);
    }
    return "raw" + std::to_string(static_cast<std::uint32_t>(value.type)) + " " + encodedName + " " +
           (bytes.empty() ? std::string("-") : bytes);
}

bool ParseLine(const std::string& line, ValueMap& values)
{
    std::istringstream in(line);
    std::string kind, name, data, rest;
    if (!(in >> kind >> name >> data) || (in >> rest))
        return false;
    const std::optional<std::string> nameUtf8 = PercentDecode(name);
    if (!nameUtf8)
        return false;
    const std::optional<std::u16string> key = DecodeUtf8(*nameUtf8);
    if (!key)
        return false;
    StoredValue value;
    if (kind == "dword") {
        if (data.empty() || data.find_first_not_of("0123456789") != std::string::npos || data.size() > 10)
            return false;
        const unsigned long long v = std::stoull(data);
        if (v > 0xFFFFFFFFull)
            return false;
        value.type = ValueType::Dword;
        value.data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                      static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    } else if (kind == "string") {
        const std::optional<std::string> text = PercentDecode(data);
        if (!text)
            return false;
        const std::optional<std::u16string> wide = DecodeUtf8(*text);
        if (!wide)
            return false;
        value.type = ValueType::String;
        value.data = StringData(*wide);
    } else if (kind.starts_with("raw")) {
        const std::string typeDigits = kind.substr(3);
        if (typeDigits.empty() || typeDigits.size() > 9 || typeDigits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        value.type = static_cast<ValueType>(std::stoul(typeDigits));
        if (data != "-") {
            if (data.size() % 2 != 0 || data.find_first_not_of("0123456789abcdef") != std::string::npos)
                return false;
            for (size_t i = 0; i < data.size(); i += 2)
                value.data.push_back(static_cast<std::uint8_t>(std::stoul(data.substr(i, 2), nullptr, 16)));
        }
    } else {
        return false;
    }
    values.emplace(*key, std::move(value));
    return true;
}

// A missing, unreadable or damaged file is a key without values.
ValueMap ReadValues(const std::string& folder)
{
    ValueMap values;
    FILE* f = std::fopen((folder + std::string(kValuesFileName)).c_str(), "re");
    if (f == nullptr)
        return values;
    std::string content;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && content.size() < (1u << 20))
        content.append(buffer, n);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError)
        return {};
    std::istringstream in(content);
    std::string line;
    if (!std::getline(in, line) || line != kHeader)
        return {};
    bool ended = false;
    while (std::getline(in, line)) {
        if (line == kEnd) {
            ended = true;
            break;
        }
        if (!ParseLine(line, values))
            return {};
    }
    return ended ? values : ValueMap{};
}

// Replaced whole (a temporary file in the same folder, flushed, renamed over the old one), so a
// crash or a full disk never leaves a half-written file behind.
bool WriteValues(const std::string& folder, const ValueMap& values)
{
    std::string text(kHeader);
    text.push_back('\n');
    for (const auto& [name, value] : values)
        text += FormatLine(name, value) + "\n";
    text += std::string(kEnd) + "\n";
    return ReplaceFileContents(folder + std::string(kValuesFileName), reinterpret_cast<const std::uint8_t*>(text.data()),
                               text.size()) == 0;
}

// Removes everything inside the open folder `dir` without following links, then the folder's
// entry `name` in `parent`.
bool RemoveTreeAt(int parent, const char* name)
{
    const int dir = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0)
        return ::unlinkat(parent, name, 0) == 0 || errno == ENOENT;
    DIR* listing = ::fdopendir(dir);
    if (listing == nullptr) {
        ::close(dir);
        return false;
    }
    bool ok = true;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(listing)) {
        const std::string entry = e->d_name;
        if (entry != "." && entry != "..")
            names.push_back(entry);
    }
    for (const std::string& entry : names) {
        struct stat st;
        if (::fstatat(dir, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            ok = RemoveTreeAt(dir, entry.c_str()) && ok;
        else
            ok = (::unlinkat(dir, entry.c_str(), 0) == 0 || errno == ENOENT) && ok;
    }
    ::closedir(listing);
    return (::unlinkat(parent, name, AT_REMOVEDIR) == 0 || errno == ENOENT) && ok;
}

// Opens the folder that holds the key's own folder, walking from the root without following
// links; -1 when a component is missing or is a link.
int OpenParentOf(const std::string& root, const std::vector<std::string>& parts)
{
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (size_t i = 0; fd >= 0 && i + 1 < parts.size(); ++i) {
        const int next = ::openat(fd, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    return fd;
}

} // namespace

SettingsStore::SettingsStore(std::string rootFolder) : root_(std::move(rootFolder))
{
    if (!root_.empty() && root_.back() != '/')
        root_.push_back('/');
}

SettingsStore SettingsStore::CurrentUser()
{
    return SettingsStore(UserConfigFolder());
}

SettingsStore SettingsStore::LocalMachine()
{
    return SettingsStore(MachineConfigFolder());
}

std::vector<SettingsStore> SettingsStore::AllUsers()
{
    std::vector<SettingsStore> stores;
    std::set<std::string> seen;
    auto add = [&](const std::string& folder) {
        if (folder.empty() || folder.front() != '/')
            return;
        SettingsStore store(folder);
        if (seen.insert(store.Root()).second)
            stores.push_back(std::move(store));
    };
    add(UserConfigFolder());
    ::setpwent();
    while (passwd* pw = ::getpwent()) {
        if (pw->pw_dir != nullptr && pw->pw_dir[0] == '/') {
            std::string home = pw->pw_dir;
            if (home.back() != '/')
                home.push_back('/');
            add(home + ".config/");
        }
    }
    ::endpwent();
    return stores;
}

std::string SettingsStore::KeyFolder(std::u16string_view keyPath) const
{
    const auto parts = KeyComponents(keyPath);
    if (!parts || root_.empty())
        return {};
    std::string folder = root_;
    for (const std::string& p : *parts)
        folder += p + "/";
    return folder;
}

bool SettingsStore::CreateKey(std::u16string_view keyPath) const
{
    const std::string folder = KeyFolder(keyPath);
    return !folder.empty() && MakeFolderTree(folder) == 0;
}

std::optional<StoredValue> SettingsStore::QueryValue(std::u16string_view keyPath, std::u16string_view name) const
{
    const std::string folder = KeyFolder(keyPath);
    if (folder.empty())
        return std::nullopt;
    ValueMap values = ReadValues(folder);
    auto it = values.find(std::u16string(name));
    if (it == values.end())
        return std::nullopt;
    return std::move(it->second);
}

bool SettingsStore::SetValue(std::u16string_view keyPath, std::u16string_view name, const StoredValue& value) const
{
    const std::string folder = KeyFolder(keyPath);
    if (folder.empty())
        return false;
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    ValueMap values = ReadValues(folder);
    values[std::u16string(name)] = value;
    return WriteValues(folder, values);
}

bool SettingsStore::SetDword(std::u16string_view keyPath, std::u16string_view name, std::uint32_t v) const
{
    StoredValue value;
    value.type = ValueType::Dword;
    value.data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                  static_cast<std::uint8_t>(v >> 24)};
    return SetValue(keyPath, name, value);
}

bool SettingsStore::SetString(std::u16string_view keyPath, std::u16string_view name, std::u16string_view text) const
{
    StoredValue value;
    value.type = ValueType::String;
    value.data = StringData(text);
    return SetValue(keyPath, name, value);
}

int SettingsStore::OpenKeyParent(std::u16string_view keyPath, std::vector<std::string>& parts) const
{
    auto components = KeyComponents(keyPath);
    if (!components || components->empty() || root_.empty())
        return -1;
    parts = std::move(*components);
    return OpenParentOf(root_, parts);
}

bool SettingsStore::DeleteKeyTree(std::u16string_view keyPath) const
{
    std::vector<std::string> parts;
    const int parent = OpenKeyParent(keyPath, parts);
    if (parent < 0)
        return false;
    struct stat st;
    bool ok = false;
    if (::fstatat(parent, parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        ok = RemoveTreeAt(parent, parts.back().c_str());
    ::close(parent);
    return ok;
}

bool SettingsStore::DeleteEmptyKey(std::u16string_view keyPath) const
{
    std::vector<std::string> parts;
    const int parent = OpenKeyParent(keyPath, parts);
    if (parent < 0)
        return false;
    const char* name = parts.back().c_str();
    bool ok = false;
    const int dir = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir >= 0) {
        // A values file that holds no value does not count as content.
        bool empty = true;
        bool valuesFile = false;
        if (DIR* listing = ::fdopendir(::dup(dir))) {
            while (dirent* e = ::readdir(listing)) {
                const std::string entry = e->d_name;
                if (entry == "." || entry == "..")
                    continue;
                if (entry == kValuesFileName)
                    valuesFile = true;
                else
                    empty = false;
            }
            ::closedir(listing);
        } else {
            empty = false;
        }
        if (empty && valuesFile) {
            std::string folder = root_;
            for (const std::string& p : parts)
                folder += p + "/";
            if (ReadValues(folder).empty())
                ::unlinkat(dir, std::string(kValuesFileName).c_str(), 0);
            else
                empty = false;
        }
        ::close(dir);
        ok = empty && ::unlinkat(parent, name, AT_REMOVEDIR) == 0;
    }
    ::close(parent);
    return ok;
}

std::vector<std::u16string> SettingsStore::SubKeys(std::u16string_view keyPath) const
{
    std::vector<std::u16string> keys;
    const std::string folder = KeyFolder(keyPath);
    if (folder.empty())
        return keys;
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr)
        return keys;
    while (dirent* e = ::readdir(listing)) {
        const std::string entry = e->d_name;
        if (entry == "." || entry == ".." || entry == kValuesFileName)
            continue;
        struct stat st;
        if (::fstatat(::dirfd(listing), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            if (std::optional<std::u16string> wide = DecodeUtf8(entry))
                keys.push_back(*wide);
    }
    ::closedir(listing);
    return keys;
}

} // namespace Zorva::Platform
