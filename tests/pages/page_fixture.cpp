#include "page_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <type_traits>

#include "config/profile.h"
#include "test_env.h"

namespace pagetest {

std::string DataIni() {
    std::ifstream in(DEVPANEL_DATA_DIR "/devPanel.ini", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ReplaceSection(const std::string& ini, const std::string& name, const std::string& replacement) {
    const std::string head = "\n[" + name + "]";
    const size_t start = ini.find(head);
    if (start == std::string::npos) return ini;
    size_t end = ini.find("\n[", start + head.size());
    if (end == std::string::npos) end = ini.size();
    return ini.substr(0, start + 1) + replacement + ini.substr(end);
}

ValueMap SampleValues(const CPrinterDoc& doc) {
    ValueMap values;
    for (const SettingRef& s : doc.Settings()) {
        std::visit(
            [&](auto* d) {
                using D = std::remove_cv_t<std::remove_pointer_t<decltype(d)>>;
                if constexpr (std::is_same_v<D, config::ListDescriptor>) {
                    if (d->orderedKeys.empty()) return;
                    const std::string& key = d->orderedKeys[d->orderedKeys.size() > 1 ? 1 : 0];
                    values[config::KeyName(key)] = config::KeyToken(key);
                } else if constexpr (std::is_same_v<D, config::SwitchDescriptor>) {
                    if (d->entry[1].empty()) return;
                    values[config::KeyName(d->entry[1])] = config::KeyToken(d->entry[1]);
                } else if constexpr (std::is_same_v<D, config::TextDescriptor>) {
                    values[d->npaName] = "T90";
                } else {
                    values[d->npaName] = std::to_string(d->minVal + 3);
                }
            },
            s.descriptor);
    }
    return values;
}

DescriptorRef Descriptor(const CPrinterDoc& doc, const std::string& section) {
    for (const SettingRef& s : doc.Settings()) {
        if (section == s.section) return s.descriptor;
    }
    ADD_FAILURE() << "no section " << section;
    return static_cast<const config::ListDescriptor*>(nullptr);
}

std::string NpaNameOf(const CPrinterDoc& doc, const std::string& section) {
    return DescriptorNpaName(Descriptor(doc, section));
}

void DocumentTest::SetUp() {
    tmp_ = testsupport::MakeTempFolder("devpanel-pages-");
    ASSERT_FALSE(tmp_.empty());
    // Snapshots and settings of the test stay in its folder (Linux's and Windows' places).
    for (const char* name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "LOCALAPPDATA"})
        ASSERT_TRUE(testsupport::SetEnvironment(name, tmp_));
}

void DocumentTest::TearDown() {
    Close();
    doc_.reset();
    std::error_code ec;
    std::filesystem::remove_all(tmp_, ec);
}

void DocumentTest::StartDocument(int readStatus, ValueMap values, const std::string& iniPath) {
    SetConfigPath(iniPath.empty() ? std::string(DEVPANEL_DATA_DIR "/devPanel.ini") : iniPath);
    Close();
    doc_ = std::make_unique<CPrinterDoc>(&frame_);
    if (values.empty()) {
        doc_->LoadDescriptors();
        values = SampleValues(*doc_);
    }
    ReadInto(*doc_, values, readStatus);
}

void DocumentTest::StartDocumentWithIni(const std::string& iniText, ValueMap values, int readStatus) {
    static int serial = 0;
    const std::string path = tmp_ + "/devPanel-" + std::to_string(++serial) + ".ini";
    std::ofstream(path, std::ios::binary) << iniText;
    StartDocument(readStatus, std::move(values), path);
}

const std::vector<Binding>& AllBindings() {
    static const std::vector<Binding> bindings = {
        // Paper page (the separator source list is shown only).
        {1, 1018, "BlankPgs"}, {1, 1019, "SepSheets"}, {1, 1301, "Tray1PapSize"}, {1, 1302, "Tray1PapType"},
        {1, 1303, "Tray2PapSize"}, {1, 1304, "Tray2PapType"},
        // Custom paper types.
        {2, 1154, "Cust1Name"}, {2, 1155, "Cust2Name"}, {2, 1156, "Cust3Name"}, {2, 1157, "Cust4Name"},
        {2, 1158, "Cust5Name"}, {2, 1159, "Cust6Name"}, {2, 1140, "Cust1Type"}, {2, 1141, "Cust2Type"},
        {2, 1142, "Cust3Type"}, {2, 1143, "Cust4Type"}, {2, 1144, "Cust5Type"}, {2, 1145, "Cust6Type"},
        // Texture.
        {3, 1076, "PlainTxt"}, {3, 1077, "CardStkTxt"}, {3, 1080, "TrnsprncyTxt"}, {3, 1081, "LabelTxt"},
        {3, 1082, "BondTxt"}, {3, 1083, "EnvTxt"}, {3, 1084, "LtrHdTxt"}, {3, 1085, "PreprntTxt"},
        {3, 1086, "ColorTxt"}, {3, 1088, "Cust1Txt"}, {3, 1098, "Cust2Txt"}, {3, 1099, "Cust3Txt"},
        {3, 1100, "Cust4Txt"}, {3, 1101, "Cust5Txt"}, {3, 1102, "Cust6Txt"},
        // Weight.
        {4, 1108, "PlainWgt"}, {4, 1109, "CardStkWgt"}, {4, 1110, "TrnsprncyWgt"}, {4, 1111, "LabelWgt"},
        {4, 1112, "BondWgt"}, {4, 1113, "EnvWgt"}, {4, 1114, "LtrHdWgt"}, {4, 1115, "PreprntWgt"},
        {4, 1116, "ColorWgt"}, {4, 1117, "Cust1Wgt"}, {4, 1118, "Cust2Wgt"}, {4, 1119, "Cust3Wgt"},
        {4, 1120, "Cust4Wgt"}, {4, 1121, "Cust5Wgt"}, {4, 1122, "Cust6Wgt"},
        // Finishing.
        {5, 1044, "TonerAlarm"}, {5, 1046, "PQET"},
        // Setup.
        {6, 1240, "Emulation"}, {6, 1242, "JamRcvry"}, {6, 1244, "Language"}, {6, 1245, "PrtArea"},
        {6, 1247, "PropTag"}, {6, 1250, "PwrSvr", 1251}, {6, 1252, "PwrSvr", 1250},
        {6, 1254, "PrtTimeout", 1255}, {6, 1256, "PrtTimeout", 1254}, {6, 1258, "AutoCont", 1259},
        {6, 1260, "AutoCont", 1258}, {6, 1262, "ResRed"}, {6, 1264, "ResSav"}, {6, 1266, "ResetCtrl"},
        {6, 1268, "PrtBufCtrl"},
        // PCL.
        {7, 1272, "A4Width"}, {7, 1274, "AutoCR"}, {7, 1276, "AutoLF"}, {7, 1279, "LinesPerPg"},
        // Tray renumbering: "꺼짐", the number button and the spin of each source.
        {8, 1197, "AssignTray1"}, {8, 1198, "AssignTray1", 1201}, {8, 1202, "AssignTray1", 1198},
        {8, 1214, "AssignTray2"}, {8, 1215, "AssignTray2", 1216}, {8, 1217, "AssignTray2", 1215},
        {8, 1222, "AssignManPaper"}, {8, 1223, "AssignManPaper", 1224}, {8, 1225, "AssignManPaper", 1223},
        {8, 1234, "AssignManEnv"}, {8, 1233, "AssignManEnv", 1232}, {8, 1231, "AssignManEnv", 1233},
        // PostScript.
        {9, 1180, "FeedTimeout", 1181}, {9, 1182, "FeedTimeout", 1180}, {9, 1184, "JobTimeout", 1185},
        {9, 1186, "JobTimeout", 1184}, {9, 1188, "WaitTimeout", 1189}, {9, 1190, "WaitTimeout", 1188},
        {9, 1194, "FontPriority"},
        // Parallel port.
        {10, 1058, "Mode1"}, {10, 1059, "Mode2"}, {10, 1060, "AdvStatus"}, {10, 1061, "HonorInit"},
        {10, 1062, "ParPclAutoLng"}, {10, 1063, "ParPsAutoLng"}, {10, 1064, "Protocol"},
        // USB port: the captions of the parallel page, settings of its own.
        {11, 1052, "UsbPclAutoLng"}, {11, 1053, "UsbPsAutoLng"},
    };
    return bindings;
}

std::string BindingName(const ::testing::TestParamInfo<Binding>& info) {
    return "View" + std::to_string(info.param.viewId) + "_" + std::to_string(info.param.controlId) + "_" +
           info.param.section;
}

}  // namespace pagetest
