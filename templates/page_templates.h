// The forms of the setting pages, defined as data in templates/page_*.cpp. Each form
// registers itself with the template lookup when its file is linked in; a page names its form
// through these functions so that the file is always linked into any program that has the page.
#pragma once

#include "templates/templates.h"

namespace res {

const DialogTemplate& PaperPageTemplate();        // 134
const DialogTemplate& UsbPortsPageTemplate();     // 138
const DialogTemplate& ParallelPortsPageTemplate();// 139
const DialogTemplate& PaperWeightPageTemplate();  // 140
const DialogTemplate& PaperTexturePageTemplate(); // 141
const DialogTemplate& CustomPageTemplate();       // 143
const DialogTemplate& PostscriptPageTemplate();   // 144
const DialogTemplate& SetupPageTemplate();        // 145
const DialogTemplate& PclPageTemplate();          // 146
const DialogTemplate& RenumberPageTemplate();     // 147
const DialogTemplate& FinishingPageTemplate();    // 137

// Styles shared by the page forms.
constexpr uint32_t S_TITLE_LINE = S_DISABLED | S_NOHIDESEL;
constexpr uint32_t S_PAGE_LIST = S_SORT | S_VSCROLL | S_TABSTOP;
constexpr uint32_t S_PAGE_CHECK = S_LEFTTEXT | S_TABSTOP;

}  // namespace res
