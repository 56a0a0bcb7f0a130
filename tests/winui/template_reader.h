// Reads an extended dialog template back into its fields, as the dialog manager reads it, so that
// tests can check what winui/dialog_template.h wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wintest {

struct ReadItem {
    size_t offset = 0;  // where the item starts in the template
    uint32_t style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    uint16_t classAtom = 0;  // 0: className
    std::u16string className;
    uint16_t titleOrdinal = 0;  // 0: title
    std::u16string title;
};

struct ReadTemplate {
    bool ok = false;
    uint16_t version = 0, signature = 0;
    uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::u16string caption;
    uint16_t pointSize = 0, weight = 0;
    uint8_t italic = 0, charset = 0;
    std::u16string face;
    std::vector<ReadItem> items;
};

inline ReadTemplate ReadDialogTemplate(const std::vector<uint8_t>& bytes) {
    ReadTemplate t;
    size_t at = 0;
    bool fine = true;
    auto need = [&](size_t n) { return fine = fine && at + n <= bytes.size(); };
    auto word = [&]() -> uint16_t {
        if (!need(2)) return 0;
        const uint16_t v = static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
        at += 2;
        return v;
    };
    auto dword = [&]() -> uint32_t {
        const uint32_t low = word();
        return low | (static_cast<uint32_t>(word()) << 16);
    };
    auto signedShort = [&]() { return static_cast<int>(static_cast<int16_t>(word())); };
    auto string = [&]() {
        std::u16string s;
        while (fine) {
            const uint16_t c = word();
            if (c == 0) break;
            s.push_back(static_cast<char16_t>(c));
        }
        return s;
    };
    auto byte = [&]() -> uint8_t { return need(1) ? bytes[at++] : 0; };

    t.version = word();
    t.signature = word();
    dword();  // helpID
    dword();  // exStyle
    t.style = dword();
    const uint16_t count = word();
    t.x = signedShort();
    t.y = signedShort();
    t.cx = signedShort();
    t.cy = signedShort();
    if (word() != 0) return t;  // a menu: not written by the converter
    if (word() != 0) return t;  // a class: not written by the converter
    t.caption = string();
    t.pointSize = word();
    t.weight = word();
    t.italic = byte();
    t.charset = byte();
    t.face = string();
    for (uint16_t i = 0; i < count && fine; ++i) {
        at = (at + 3) & ~size_t{3};
        ReadItem item;
        item.offset = at;
        dword();  // helpID
        item.exStyle = dword();
        item.style = dword();
        item.x = signedShort();
        item.y = signedShort();
        item.cx = signedShort();
        item.cy = signedShort();
        item.id = dword();
        if (need(2) && bytes[at] == 0xFF && bytes[at + 1] == 0xFF) {
            word();
            item.classAtom = word();
        } else {
            item.className = string();
        }
        if (need(2) && bytes[at] == 0xFF && bytes[at + 1] == 0xFF) {
            word();
            item.titleOrdinal = word();
        } else {
            item.title = string();
        }
        const uint16_t extra = word();
        if (need(extra)) at += extra;
        t.items.push_back(item);
    }
    t.ok = fine && t.items.size() == count;
    return t;
}

}  // namespace wintest
