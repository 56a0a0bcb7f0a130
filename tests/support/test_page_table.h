// A page of every binding kind on a template of its own, for the page-model, page-base and frame
// tests: its template, the descriptors it binds and its control table. No toolkit.
#pragma once

#include <map>
#include <string>

#include "document/printer_doc.h"
#include "pages/page_table.h"
#include "templates/templates.h"

namespace guitest {

enum : int {
    kTestTemplate = 9100,
    kTitle = 900,
    kList = 901,
    kSwitch = 902,
    kText = 903,
    kOffBox = 904,
    kOffEdit = 905,
    kOffSpin = 906,
    kRangeEdit = 907,
    kRangeSpin = 908,
    kFirst = 910,
    kSecond = 911,
    kNumberRadio = 912,
    kAssignEdit = 913,
    kAssignSpin = 914,
};

inline const res::DialogTemplate& TestTemplate() {
    using namespace res;
    static constexpr ControlTemplate controls[] = {
        {kTitle, Ctl::RichEdit, nullptr, 15, 10, 296, 10, S_DISABLED | S_NOHIDESEL},
        {kList, Ctl::ComboBox, nullptr, 161, 29, 135, 40, S_SORT | S_VSCROLL | S_TABSTOP},
        {kSwitch, Ctl::CheckBox, "스위치", 29, 46, 139, 10, S_LEFTTEXT | S_TABSTOP},
        {kText, Ctl::Edit, nullptr, 161, 61, 135, 12, S_BORDER | S_AUTOHSCROLL | S_TABSTOP},
        {kOffBox, Ctl::CheckBox, "절전 모드", 29, 78, 139, 10, S_LEFTTEXT | S_TABSTOP},
        {kOffEdit, Ctl::Edit, nullptr, 177, 77, 45, 12, S_NUMBER_FIELD | S_DISABLED},
        {kOffSpin, Ctl::UpDown, nullptr, 227, 77, 11, 10, S_SPIN | S_DISABLED},
        {kRangeEdit, Ctl::Edit, nullptr, 161, 93, 45, 12, S_NUMBER_FIELD},
        {kRangeSpin, Ctl::UpDown, nullptr, 211, 93, 11, 10, S_SPIN},
        {kFirst, Ctl::RadioButton, "없음", 41, 110, 85, 12, S_GROUP | S_TABSTOP},
        {kSecond, Ctl::RadioButton, "꺼짐", 41, 126, 85, 12},
        {kNumberRadio, Ctl::RadioButton, nullptr, 41, 142, 10, 12},
        {kAssignEdit, Ctl::Edit, nullptr, 53, 142, 40, 12, S_NUMBER_FIELD | S_GROUP | S_DISABLED},
        {kAssignSpin, Ctl::UpDown, nullptr, 98, 142, 11, 10, S_SPIN},
    };
    static constexpr DialogTemplate dialog = {kTestTemplate, nullptr, 326, 231, D_CHILD, controls};
    static const bool registered = RegisterDialogTemplate(dialog);
    (void)registered;
    return dialog;
}

// The descriptors the test page binds; tests set them before a page is created.
struct TestDescriptors {
    config::ListDescriptor list;
    config::SwitchDescriptor sw;
    config::TextDescriptor text;
    config::RangeOffDescriptor off;
    config::RangeDescriptor range;
    config::RangeChoiceDescriptor assign;
};

inline TestDescriptors& Descriptors() {
    static TestDescriptors d = [] {
        TestDescriptors t;
        t.list.orderedKeys = {"EMUL:PCL", "EMUL:PS", "EMUL:AUTO"};
        t.list.labels = {{"EMUL:PCL", "PCL"}, {"EMUL:PS", "PostScript"}, {"EMUL:AUTO", "Auto"}};
        t.sw.entry[0] = "RESRED:OFF";
        t.sw.entry[1] = "RESRED:ON";
        t.text = {"PROPTAG", 8};
        t.off = {"PWRSVR", 1, 240, "OFF"};
        t.range = {"LINES", 5, 128};
        t.assign = {"ASSIGN1", 0, 20, {"NONE", "OFF"}};
        return t;
    }();
    return d;
}

// The sections of the test table, bound to the test descriptors.
inline std::map<std::string, DescriptorRef> TestDescriptorRefs() {
    TestDescriptors& d = Descriptors();
    return {{"list", &d.list}, {"sw", &d.sw}, {"text", &d.text}, {"off", &d.off}, {"range", &d.range}, {"assign", &d.assign}};
}

// The test page's controls in its fill order, the title line last.
inline pages::PageTable TestTable(int titleString = 61299) {
    using pages::ControlKind;
    using pages::EnableRule;
    using pages::Role;
    TestTemplate();
    return {0,
            kTestTemplate,
            titleString,
            {
                {kList, ControlKind::List, Role::List, "list", {}, EnableRule::AsBuilt, 0, 0},
                {kSwitch, ControlKind::Check, Role::Switch, "sw", {}, EnableRule::UsableSwitch, 0, 0},
                {kText, ControlKind::Edit, Role::Text, "text", {}, EnableRule::AsBuilt, 0, 1},
                {kOffBox, ControlKind::Check, Role::OffBox, "off", {kOffEdit, kOffSpin}, EnableRule::AsBuilt, 0, 0},
                {kOffEdit, ControlKind::Edit, Role::OffNumber, "off", {kOffBox, kOffSpin}, EnableRule::WhileChecked, kOffBox, 2},
                {kOffSpin, ControlKind::Spin, Role::OffSpin, "off", {kOffEdit, kOffBox}, EnableRule::WhileChecked, kOffBox, 0},
                {kRangeEdit, ControlKind::Edit, Role::Number, "range", {kRangeSpin}, EnableRule::AsBuilt, 0, 3},
                {kRangeSpin, ControlKind::Spin, Role::NumberSpin, "range", {kRangeEdit}, EnableRule::AsBuilt, 0, 0},
                {kFirst, ControlKind::Radio, Role::ChoiceNone, "assign", {kSecond, kNumberRadio}, EnableRule::Never, 0, 0},
                {kSecond, ControlKind::Radio, Role::ChoiceOff, "assign", {kFirst, kNumberRadio}, EnableRule::NotFirstChoice, 0, 0},
                {kNumberRadio, ControlKind::Radio, Role::ChoiceNumber, "assign", {kAssignEdit, kAssignSpin, kFirst}, EnableRule::AsBuilt, 0, 0},
                {kAssignEdit, ControlKind::Edit, Role::ChoiceField, "assign", {kNumberRadio, kAssignSpin}, EnableRule::WhileChecked, kNumberRadio, 4},
                {kAssignSpin, ControlKind::Spin, Role::ChoiceSpin, "assign", {kAssignEdit, kNumberRadio}, EnableRule::WhileChecked, kNumberRadio, 0},
                {kTitle, ControlKind::Title, Role::Title, nullptr, {}, EnableRule::AsBuilt, 0, 0},
            }};
}

}  // namespace guitest
