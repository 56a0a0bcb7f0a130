#include "pages/page_table.h"

#include <map>

#include "templates/page_templates.h"

namespace pages {

namespace {

using Controls = std::vector<PageControl>;

PageControl List(int id, const char* section) {
    return {id, ControlKind::List, Role::List, section, {}, EnableRule::AsBuilt, 0, 0};
}
// Shown only: the template creates it disabled and the page never enables it.
PageControl ShownList(int id, const char* section) {
    return {id, ControlKind::List, Role::ShownList, section, {}, EnableRule::AsBuilt, 0, 0};
}
PageControl Switch(int id, const char* section) {
    return {id, ControlKind::Check, Role::Switch, section, {}, EnableRule::UsableSwitch, 0, 0};
}
PageControl Text(int id, const char* section, int flag) {
    return {id, ControlKind::Edit, Role::Text, section, {}, EnableRule::AsBuilt, 0, flag};
}
// A number field with its spin.
void Number(Controls& c, int field, int spin, const char* section, int flag) {
    c.push_back({field, ControlKind::Edit, Role::Number, section, {spin}, EnableRule::AsBuilt, 0, flag});
    c.push_back({spin, ControlKind::Spin, Role::NumberSpin, section, {field}, EnableRule::AsBuilt, 0, 0});
}
// A check box that switches a number field and its spin.
void OffNumber(Controls& c, int box, int field, int spin, const char* section, int flag) {
    c.push_back({box, ControlKind::Check, Role::OffBox, section, {field, spin}, EnableRule::AsBuilt, 0, 0});
    c.push_back({field, ControlKind::Edit, Role::OffNumber, section, {box, spin}, EnableRule::WhileChecked, box, flag});
    c.push_back({spin, ControlKind::Spin, Role::OffSpin, section, {field, box}, EnableRule::WhileChecked, box, 0});
}
// "없음", "꺼짐" and the number button of one source, with the number field and its spin.
void Choice(Controls& c, int none, int off, int number, int field, int spin, const char* section, int flag) {
    c.push_back({none, ControlKind::Radio, Role::ChoiceNone, section, {off, number}, EnableRule::Never, 0, 0});
    c.push_back({off, ControlKind::Radio, Role::ChoiceOff, section, {none, number}, EnableRule::NotFirstChoice, 0, 0});
    c.push_back({number, ControlKind::Radio, Role::ChoiceNumber, section, {field, spin, none}, EnableRule::AsBuilt, 0, 0});
    c.push_back(
        {field, ControlKind::Edit, Role::ChoiceField, section, {number, spin}, EnableRule::WhileChecked, number, flag});
    c.push_back({spin, ControlKind::Spin, Role::ChoiceSpin, section, {field, number}, EnableRule::WhileChecked, number, 0});
}
PageControl Title(int id) { return {id, ControlKind::Title, Role::Title, nullptr, {}, EnableRule::AsBuilt, 0, 0}; }

PageTable Paper() {
    return {1, res::PaperPageTemplate().id, 61291,  // " 용지"
            {List(1018, "BlankPgs"), List(1019, "SepSheets"), ShownList(1040, "SepSrc"), List(1301, "Tray1PapSize"),
             List(1302, "Tray1PapType"), List(1303, "Tray2PapSize"), List(1304, "Tray2PapType"), Title(1282)}};
}

PageTable Custom() {
    // Name field n has armed flag n + 1; each name is filled before its type.
    PageTable t{2, res::CustomPageTemplate().id, 61292, {}};  // " 용지  >  사용자"
    static const char* const kNames[] = {"Cust1Name", "Cust2Name", "Cust3Name", "Cust4Name", "Cust5Name", "Cust6Name"};
    static const char* const kTypes[] = {"Cust1Type", "Cust2Type", "Cust3Type", "Cust4Type", "Cust5Type", "Cust6Type"};
    for (int n = 0; n < 6; ++n) {
        t.controls.push_back(Text(1154 + n, kNames[n], n + 1));
        t.controls.push_back(List(1140 + n, kTypes[n]));
    }
    t.controls.push_back(Title(1283));
    return t;
}

// One column of fifteen lists, one per paper type, top to bottom in the same paper-type order on
// the texture and the weight page.
struct ColumnRow {
    int id;
    const char* section;
};

PageTable Column(int viewId, int templateId, int titleId, int titleString, const ColumnRow (&rows)[15]) {
    PageTable t{viewId, templateId, titleString, {}};
    for (const ColumnRow& row : rows) t.controls.push_back(List(row.id, row.section));
    t.controls.push_back(Title(titleId));
    return t;
}

PageTable Texture() {
    static const ColumnRow kRows[15] = {
        {1076, "PlainTxt"}, {1077, "CardStkTxt"}, {1080, "TrnsprncyTxt"}, {1081, "LabelTxt"}, {1082, "BondTxt"},
        {1083, "EnvTxt"},   {1084, "LtrHdTxt"},   {1085, "PreprntTxt"},   {1086, "ColorTxt"}, {1088, "Cust1Txt"},
        {1098, "Cust2Txt"}, {1099, "Cust3Txt"},   {1100, "Cust4Txt"},     {1101, "Cust5Txt"}, {1102, "Cust6Txt"},
    };
    return Column(3, res::PaperTexturePageTemplate().id, 1284, 61294, kRows);  // " 용지  >  용지 종류"
}

PageTable Weight() {
    static const ColumnRow kRows[15] = {
        {1108, "PlainWgt"}, {1109, "CardStkWgt"}, {1110, "TrnsprncyWgt"}, {1111, "LabelWgt"}, {1112, "BondWgt"},
        {1113, "EnvWgt"},   {1114, "LtrHdWgt"},   {1115, "PreprntWgt"},   {1116, "ColorWgt"}, {1117, "Cust1Wgt"},
        {1118, "Cust2Wgt"}, {1119, "Cust3Wgt"},   {1120, "Cust4Wgt"},     {1121, "Cust5Wgt"}, {1122, "Cust6Wgt"},
    };
    return Column(4, res::PaperWeightPageTemplate().id, 1285, 61295, kRows);  // " 용지  >  용지 무게"
}

PageTable Finishing() {
    // The toner-alarm list is unsorted: its entries keep the order of the configuration's values.
    return {5, res::FinishingPageTemplate().id, 61296,  // " 마무리"
            {List(1044, "TonerAlarm"), Switch(1046, "PQET"), Title(1287)}};
}

PageTable Setup() {
    PageTable t{6, res::SetupPageTemplate().id, 61297, {}};  // " 설정"
    Controls& c = t.controls;
    c = {List(1240, "Emulation"), List(1242, "JamRcvry"), List(1244, "Language"), List(1245, "PrtArea"),
         Text(1247, "PropTag", 4)};
    OffNumber(c, 1250, 1251, 1252, "PwrSvr", 1);
    OffNumber(c, 1254, 1255, 1256, "PrtTimeout", 2);
    OffNumber(c, 1258, 1259, 1260, "AutoCont", 3);
    for (const PageControl& s : {Switch(1262, "ResRed"), Switch(1264, "ResSav"), Switch(1266, "ResetCtrl"),
                                 Switch(1268, "PrtBufCtrl"), Title(1288)})
        c.push_back(s);
    return t;
}

PageTable Pcl() {
    PageTable t{7, res::PclPageTemplate().id, 61298, {List(1272, "A4Width")}};  // " PCL 에뮬레이션"
    Number(t.controls, 1278, 1279, "LinesPerPg", 1);
    for (const PageControl& s : {Switch(1274, "AutoCR"), Switch(1276, "AutoLF"), Title(1289)}) t.controls.push_back(s);
    return t;
}

PageTable Renumber() {
    // Filled from the envelope feeder up; the armed flags count from tray 1.
    PageTable t{8, res::RenumberPageTemplate().id, 61299, {}};  // " PCL 에뮬레이션  >  트레이 번호"
    Choice(t.controls, 1235, 1234, 1233, 1232, 1231, "AssignManEnv", 4);
    Choice(t.controls, 1221, 1222, 1223, 1224, 1225, "AssignManPaper", 3);
    Choice(t.controls, 1196, 1197, 1198, 1201, 1202, "AssignTray1", 1);
    Choice(t.controls, 1213, 1214, 1215, 1216, 1217, "AssignTray2", 2);
    t.controls.push_back(Title(1294));
    return t;
}

PageTable Postscript() {
    PageTable t{9, res::PostscriptPageTemplate().id, 61300, {}};  // " 포스트스크립트"
    OffNumber(t.controls, 1180, 1181, 1182, "FeedTimeout", 1);
    OffNumber(t.controls, 1184, 1185, 1186, "JobTimeout", 2);
    OffNumber(t.controls, 1188, 1189, 1190, "WaitTimeout", 3);
    t.controls.push_back(List(1194, "FontPriority"));
    t.controls.push_back(Title(1290));
    return t;
}

PageTable ParallelPorts() {
    return {10, res::ParallelPortsPageTemplate().id, 61301,  // " 포트  >  병렬"
            {Switch(1058, "Mode1"), Switch(1059, "Mode2"), Switch(1060, "AdvStatus"), Switch(1061, "HonorInit"),
             Switch(1062, "ParPclAutoLng"), Switch(1063, "ParPsAutoLng"), List(1064, "Protocol"), Title(1291)}};
}

PageTable UsbPorts() {
    // The captions of the parallel page, settings of its own.
    return {11, res::UsbPortsPageTemplate().id, 61302,  // " 포트  >  USB"
            {Switch(1052, "UsbPclAutoLng"), Switch(1053, "UsbPsAutoLng"), Title(1292)}};
}

const std::map<int, PageTable>& Tables() {
    static const std::map<int, PageTable> tables = {
        {1, Paper()},      {2, Custom()},     {3, Texture()},    {4, Weight()},
        {5, Finishing()},  {6, Setup()},      {7, Pcl()},        {8, Renumber()},
        {9, Postscript()}, {10, ParallelPorts()}, {11, UsbPorts()},
    };
    return tables;
}

}  // namespace

const PageControl* PageTable::Find(int id) const {
    for (const PageControl& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}

bool HasPageTable(int viewId) { return Tables().count(viewId) != 0; }

const PageTable& PageTableOf(int viewId) {
    static const PageTable empty{0, res::IDD_EMPTY_PAGE, 0, {}};
    auto it = Tables().find(viewId);
    return it == Tables().end() ? empty : it->second;
}

}  // namespace pages
