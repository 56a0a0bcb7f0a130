// Every control of every page against its setting: what one user action stores, where, and that
// the next visit of the page shows it.
#include <QCheckBox>
#include <QRadioButton>

#include "page_test_support.h"

namespace pagetest {
namespace {

struct Binding {
    int viewId;
    int controlId;
    const char* section;
    // A spin: the control that must be chosen first to enable it. A check box switching a
    // number, or a number button: the number field whose text is stored.
    int related = 0;
};

const Binding kBindings[] = {
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

// What a control shows, in one comparable text.
std::string Shown(QWidget* w) {
    if (auto* list = qobject_cast<QComboBox*>(w)) return "list " + list->currentData().toString().toStdString();
    if (auto* box = qobject_cast<QAbstractButton*>(w))
        return std::string("button ") + (box->isChecked() ? "on" : "off") + (box->isEnabled() ? "" : " disabled");
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return "text " + edit->text().toStdString();
    if (auto* spin = qobject_cast<ui::SpinButton*>(w))
        return "spin " + std::to_string(spin->pos()) + (spin->isEnabled() ? "" : " disabled");
    return "?";
}

class BindingTest : public PageTest, public ::testing::WithParamInterface<Binding> {
protected:
    // Makes the control usable (a spin behind an unchecked box or an unselected number button)
    // and forgets what that stored, so that only the action itself is measured.
    void Prepare() {
        const Binding& b = GetParam();
        auto* spin = Ctl<ui::SpinButton>(b.controlId);
        if (spin && !spin->isEnabled()) ClickBox(Ctl<QAbstractButton>(b.related));
        doc_->m_changes.clear();
        doc_->SetModifiedFlag(false);
    }

    // The user's one action on the control; returns the value token it must store.
    std::string Act() {
        const Binding& b = GetParam();
        QWidget* w = page_->Control(b.controlId);
        const DescriptorRef descriptor = Descriptor(*doc_, b.section);
        if (auto* list = qobject_cast<QComboBox*>(w)) {
            const int index = (list->currentIndex() + 1) % list->count();
            ChooseEntry(list, index);
            return config::KeyToken(list->itemData(index).toString().toStdString());
        }
        if (auto* spin = qobject_cast<ui::SpinButton*>(w)) {
            StepSpin(spin, spin->pos() < spin->maximum() ? +1 : -1);
            return spin->buddy()->text().toStdString();
        }
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            TypeText(edit, "Q");
            return edit->text().toStdString();
        }
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (!button) {
            ADD_FAILURE() << "control " << b.controlId << " missing";
            return {};
        }
        ClickBox(button);
        if (auto* d = std::get_if<const config::SwitchDescriptor*>(&descriptor))
            return config::KeyToken((*d)->entry[button->isChecked() ? 1 : 0]);
        if (auto* d = std::get_if<const config::RangeOffDescriptor*>(&descriptor))
            return button->isChecked() ? Ctl<QLineEdit>(b.related)->text().toStdString() : (*d)->offValue;
        if (auto* d = std::get_if<const config::RangeChoiceDescriptor*>(&descriptor))
            return b.related ? Ctl<QLineEdit>(b.related)->text().toStdString() : (*d)->choices.at(1);
        ADD_FAILURE() << "unexpected descriptor of " << b.section;
        return {};
    }
};

TEST_P(BindingTest, OneWayStoresOnlyItsOwnSettingIntoValuesAndChanges) {
    const Binding& b = GetParam();
    frame_.saveEnabled = true;
    StartDocument(1);
    Open(b.viewId);
    EXPECT_FALSE(doc_->IsModified()) << "opening the page marked the document modified";
    EXPECT_TRUE(doc_->m_changes.empty());
    EXPECT_FALSE(frame_.saveEnabled) << "one-way mode greys the save item until the first change";

    Prepare();
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act();
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_TRUE(frame_.saveEnabled);
    ASSERT_EQ(doc_->m_changes.size(), 1u) << "stored more than its own setting";
    EXPECT_EQ(doc_->m_changes.begin()->first, name);
    EXPECT_EQ(doc_->m_changes.begin()->second, expected);
    EXPECT_EQ(Value(name), expected);
}

TEST_P(BindingTest, TwoWayStoresIntoValuesAndShowsItOnTheNextVisit) {
    const Binding& b = GetParam();
    StartDocument(0);
    const ValueMap before = doc_->m_values;
    Open(b.viewId);
    EXPECT_FALSE(doc_->IsModified());
    EXPECT_EQ(doc_->m_values, before) << "opening the page changed a value";

    Prepare();
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act();
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_TRUE(doc_->m_changes.empty());
    EXPECT_EQ(Value(name), expected);
    for (const auto& [key, value] : before) {
        if (key != name) EXPECT_EQ(Value(key), value) << key << " changed as well";
    }

    const std::string shown = Shown(page_->Control(b.controlId));
    Open(b.viewId == 1 ? 2 : 1);
    Open(b.viewId);
    EXPECT_EQ(Shown(page_->Control(b.controlId)), shown);
    EXPECT_FALSE(doc_->IsModified() && Value(name) != expected);
}

// Choosing the entry or button that is already shown is a change like any other.
TEST_P(BindingTest, ChoosingTheShownChoiceAgainStoresAndMarksAgain) {
    const Binding& b = GetParam();
    StartDocument(0);
    Open(b.viewId);
    QWidget* w = page_->Control(b.controlId);
    auto* list = qobject_cast<QComboBox*>(w);
    auto* radio = qobject_cast<QRadioButton*>(w);
    if (!list && !radio) GTEST_SKIP() << "not a choice";
    Prepare();
    const std::string name = NpaNameOf(*doc_, b.section);
    const std::string expected = Act();
    doc_->SetModifiedFlag(false);
    doc_->m_values.erase(name);
    if (list)
        ChooseEntry(list, list->currentIndex());
    else
        ClickBox(radio);
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(Value(name), expected);
}

std::string BindingName(const ::testing::TestParamInfo<Binding>& info) {
    return "View" + std::to_string(info.param.viewId) + "_" + std::to_string(info.param.controlId) + "_" +
           info.param.section;
}

INSTANTIATE_TEST_SUITE_P(AllPages, BindingTest, ::testing::ValuesIn(kBindings), BindingName);

// Every page shows the document's values: lists select the current token, edits show the text,
// boxes and spins the current state.
TEST_F(PageTest, EveryControlShowsTheDocumentsValue) {
    StartDocument(0);
    for (const Binding& b : kBindings) {
        if (!page_ || page_->Control(b.controlId) == nullptr || Ctl<QWidget>(b.controlId)->window() != host_.get() ||
            true)
            Open(b.viewId);
        QWidget* w = page_->Control(b.controlId);
        ASSERT_NE(w, nullptr) << b.controlId;
        const std::string name = NpaNameOf(*doc_, b.section);
        const std::string value = Value(name);
        if (auto* list = qobject_cast<QComboBox*>(w)) {
            EXPECT_EQ(list->currentData().toString().toStdString(), name + ":" + value) << b.section;
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            EXPECT_EQ(edit->text().toStdString(), value) << b.section;
        } else if (auto* spin = qobject_cast<ui::SpinButton*>(w)) {
            EXPECT_EQ(std::to_string(spin->pos()), value) << b.section;
            EXPECT_EQ(spin->buddy()->text().toStdString(), value) << b.section;
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            const DescriptorRef d = Descriptor(*doc_, b.section);
            if (auto* sw = std::get_if<const config::SwitchDescriptor*>(&d))
                EXPECT_EQ(check->isChecked(), (*sw)->entry[1] == name + ":" + value) << b.section;
            else
                EXPECT_TRUE(check->isChecked()) << b.section << " holds a number";
        }
    }
    EXPECT_FALSE(doc_->IsModified());
}

}  // namespace
}  // namespace pagetest
