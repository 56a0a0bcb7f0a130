#include "config/profile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// A view, not a copy: the parser makes a few strings per line only for what it keeps.
std::string_view Trim(std::string_view s, size_t begin, size_t end) {
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// Names match ASCII case-insensitively; bytes of UTF-8 sequences are left as they are.
std::string Lower(const std::string& s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return std::string(v.substr(1, v.size() - 2));
    }
    return std::string(v);
}

std::string Cut(const std::string& s, size_t bufferSize) {
    if (bufferSize == 0) return {};
    return s.size() < bufferSize ? s : s.substr(0, bufferSize - 1);
}

}  // namespace

int ParseLeadingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in 64 bits and clamp, so a long run of digits cannot overflow.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

Profile Profile::Load(const std::string& path) {
    // Plain reads that fail quietly: a folder, a device or an unreadable file gives what could be
    // read (usually nothing). A configuration file is a few kilobytes; reading stops at
    // MAX_FILE_BYTES so a path to an endless device cannot hang the start-up.
    constexpr size_t MAX_FILE_BYTES = 16u << 20;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        Profile empty;
        empty.loadError_ = errno != 0 ? errno : EIO;
        return empty;
    }
    std::string text;
    char chunk[65536];
    int readError = 0;
    while (text.size() < MAX_FILE_BYTES) {
        errno = 0;
        size_t got = std::fread(chunk, 1, std::min(sizeof chunk, MAX_FILE_BYTES - text.size()), file.get());
        if (got == 0) {
            // A folder opens but fails its first read (EISDIR).
            if (std::ferror(file.get())) readError = errno != 0 ? errno : EIO;
            break;
        }
        text.append(chunk, got);
    }
    Profile p = Parse(text);
    p.loadError_ = readError;
    return p;
}

Profile Profile::Parse(const std::string& text) {
    Profile p;
    // Text has no NUL and few control characters besides tab, line ends and form feed; UTF-8
    // bytes (0x80 and up) are text.
    size_t control = 0;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0) {
            p.looksBinary_ = true;
            break;
        }
        if ((b < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f') || b == 0x7F) ++control;
    }
    if (control * 16 > text.size()) p.looksBinary_ = true;
    size_t pos = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    Section* current = nullptr;  // lines before the first section belong to none
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = Trim(text, pos, end);
        pos = end + 1;
        if (line.empty()) continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            if (close == std::string_view::npos || close == 0) close = line.size();
            Section section;
            section.name = Trim(line, 1, close);
            p.sections_.push_back(std::move(section));
            current = &p.sections_.back();
            // The first section of a name is the one every read sees.
            p.sectionIndex_.emplace(Lower(current->name), p.sections_.size() - 1);
            continue;
        }
        if (!current || line[0] == ';') continue;
        Entry entry;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            entry.key = line;
            entry.raw = line;
        } else {
            const std::string_view key = Trim(line, 0, eq);
            const std::string_view asWritten = Trim(line, eq + 1, line.size());
            entry.key = key;
            entry.hasEquals = true;
            entry.raw.reserve(key.size() + 1 + asWritten.size());
            entry.raw.append(key).append(1, '=').append(asWritten);
            entry.value = Unquote(asWritten);
        }
        current->firstByKey.emplace(Lower(entry.key), current->entries.size());
        current->entries.push_back(std::move(entry));
    }
    return p;
}

const Profile::Section* Profile::Find(const std::string& section) const {
    auto it = sectionIndex_.find(Lower(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

const Profile::Entry* Profile::FindEntry(const std::string& section, const std::string& key) const {
    const Section* s = Find(section);
    if (!s) return nullptr;
    auto it = s->firstByKey.find(Lower(key));
    return it == s->firstByKey.end() ? nullptr : &s->entries[it->second];
}

std::string Profile::GetString(const std::string& section, const std::string& key,
                               const std::string& defaultValue, size_t bufferSize) const {
    const Entry* e = FindEntry(section, key);
    return Cut(e ? e->value : defaultValue, bufferSize);
}

int Profile::GetInt(const std::string& section, const std::string& key, int defaultValue) const {
    const Entry* e = FindEntry(section, key);
    if (!e || e->value.empty()) return defaultValue;
    return ParseLeadingInt(e->value);
}

std::vector<std::string> Profile::GetSection(const std::string& section, size_t bufferSize) const {
    std::vector<std::string> lines;
    const Section* s = Find(section);
    if (!s || bufferSize == 0) return lines;
    size_t used = 1;  // the final zero
    for (const Entry& e : s->entries) {
        if (used + e.raw.size() + 1 > bufferSize) break;
        used += e.raw.size() + 1;
        lines.push_back(e.raw);
    }
    return lines;
}

bool Profile::HasSection(const std::string& section) const { return Find(section) != nullptr; }

namespace {

struct ConfigState {
    std::mutex mutex;
    std::set<std::string> paths{"devPanel.ini"};  // never shrinks: ConfigPath hands out references
    const std::string* current = &*paths.begin();
    std::map<std::string, std::unique_ptr<Profile>> parsed;
};

ConfigState& State() {
    static ConfigState state;
    return state;
}

}  // namespace

const Profile& ConfigFile() {
    ConfigState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::unique_ptr<Profile>& p = s.parsed[*s.current];
    if (!p) p = std::make_unique<Profile>(Profile::Load(*s.current));
    return *p;
}

void SetConfigPath(const std::string& path) {
    ConfigState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.current = &*s.paths.insert(path).first;
}

const std::string& ConfigPath() {
    ConfigState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return *s.current;
}
