// How the pages name a setting and show its values, for lists of changes (the restore dialog,
// the settings a message names): "절전 모드 25→23" rather than "POWERSAVER 25→23". The name is
// the control's own text on its page (a check box's caption, or the label before a list or
// field), after the caption of the group it sits in ("트레이 1 용지 종류"); where two pages use
// the same words for different settings (texture and weight of one paper type), the page's
// last title step follows in brackets ("일반 용지 (질감)").
#pragma once

#include <map>
#include <string>

class CPrinterDoc;

namespace pages {

class SettingTexts {
public:
    // Over the document's settings and the pages' tables and templates.
    explicit SettingTexts(const CPrinterDoc& doc);

    // The setting's name on its page; the NPA name itself for a setting no page shows.
    std::string Label(const std::string& npaName) const;
    // A value token as the page shows it: a list entry's label, "켜짐"/"꺼짐" for a switch or a
    // number that is switched off, "없음" for a source without a number; numbers and texts as
    // they are; the token itself when the configuration has no text for it.
    std::string Value(const std::string& npaName, const std::string& token) const;

private:
    const CPrinterDoc& m_doc;
    std::map<std::string, std::string> m_labels;    // by NPA name, case as the configuration has it
    std::map<std::string, std::string> m_sections;  // NPA name (upper case) -> section
};

}  // namespace pages
