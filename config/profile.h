// Our reader of profile (INI) files with the semantics the configuration relies on: section and
// key names match case-insensitively, the first of duplicate sections or keys wins, values are
// trimmed and lose one pair of matching quotes, and every read is cut to the caller's buffer size.
// A file is parsed once; reads never touch the disk.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class Profile {
public:
    Profile() = default;
    // Parses a file; a missing or unreadable file gives an empty profile (every read yields its
    // default).
    static Profile Load(const std::string& path);
    static Profile Parse(const std::string& text);

    // The value of key in section, or defaultValue when absent; cut to bufferSize - 1 characters
    // (bytes), as a fixed buffer of bufferSize bytes would hold it.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, size_t bufferSize) const;
    // The integer value: defaultValue when the key is absent or empty, otherwise an optional sign
    // and the leading decimal digits (0 when there are none).
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;
    // The lines of a section in file order, "name=value" or the bare line, skipping empty and
    // comment lines; as many whole lines as fit a buffer of bufferSize bytes (each line plus its
    // terminating zero, plus the final zero).
    std::vector<std::string> GetSection(const std::string& section, size_t bufferSize = 32767) const;

    bool HasSection(const std::string& section) const;

    // How Load went, for a caller that must tell a missing or broken file from an empty one
    // (every reader above still sees an empty profile): 0 when the file was read, otherwise the
    // errno of the failure (ENOENT, EISDIR, EACCES, ...).
    int loadError() const { return loadError_; }
    // True when the text holds bytes no text file has (NUL, most control characters): the file is
    // not a configuration file at all, whatever sections a parse found in it.
    bool looksBinary() const { return looksBinary_; }

private:
    int loadError_ = 0;
    bool looksBinary_ = false;
    struct Entry {
        std::string key;    // as written (trimmed)
        std::string value;  // trimmed, quotes removed
        bool hasEquals = false;
        std::string raw;    // what a section read returns: "key=value" (blanks around the first
                            // "=" dropped, quotes kept) or the trimmed bare line
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
        std::unordered_map<std::string, size_t> firstByKey;  // lower-case key -> first entry
    };
    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> sectionIndex_;  // lower-case name -> first section
    const Section* Find(const std::string& section) const;
    const Entry* FindEntry(const std::string& section, const std::string& key) const;
};

// The number at the start of text, as the profile functions and the NPA layer read integers:
// leading blanks skipped, an optional sign, then the decimal digits up to the first other
// character; 0 when there are none. Values beyond the range of int are clamped to it.
int ParseLeadingInt(const std::string& text);

// The configuration file of the process, "devPanel.ini" in the current directory unless
// SetConfigPath chose another. Parsed on first use, once per process (per path); safe to call
// from several threads.
const Profile& ConfigFile();
void SetConfigPath(const std::string& path);
const std::string& ConfigPath();
