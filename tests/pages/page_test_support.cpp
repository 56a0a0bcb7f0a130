#include "page_test_support.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QToolButton>
#include <QAbstractItemView>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <type_traits>

#include "model/profile.h"

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

void PageTest::SetUp() {
    char pattern[] = "/tmp/devpanel-pages-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    tmp_ = pattern;
    setenv("XDG_STATE_HOME", tmp_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", tmp_.c_str(), 1);
    host_ = std::make_unique<QWidget>();
    host_->resize(800, 600);
    host_->show();
}

void PageTest::TearDown() {
    Close();
    host_.reset();
    doc_.reset();
    std::error_code ec;
    std::filesystem::remove_all(tmp_, ec);
}

void PageTest::StartDocument(int readStatus, ValueMap values, const std::string& iniPath) {
    SetConfigPath(iniPath.empty() ? std::string(DEVPANEL_DATA_DIR "/devPanel.ini") : iniPath);
    Close();
    doc_ = std::make_unique<CPrinterDoc>(&frame_);
    if (values.empty()) {
        doc_->LoadDescriptors();
        values = SampleValues(*doc_);
    }
    StartupResult startup;
    startup.portName = "USB001";
    startup.printerLabel = "USB001 - Altrin Pressline T90";
    startup.values = values;
    startup.readStatus = readStatus;
    ASSERT_TRUE(doc_->OnNewDocument(startup));
}

void PageTest::StartDocumentWithIni(const std::string& iniText, ValueMap values, int readStatus) {
    static int serial = 0;
    const std::string path = tmp_ + "/devPanel-" + std::to_string(++serial) + ".ini";
    std::ofstream(path, std::ios::binary) << iniText;
    StartDocument(readStatus, std::move(values), path);
}

CSettingsView* PageTest::Open(int viewId) {
    Close();
    page_ = CreatePage(viewId, doc_.get(), host_.get());
    page_->setGeometry(0, 0, 700, 560);
    page_->show();
    page_->OnInitialUpdate();
    return page_;
}

void PageTest::Close() {
    delete page_;
    page_ = nullptr;
}

void ClickBox(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
    const QRect box = button->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, button);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, box.center());
}

void ChooseEntry(QComboBox* list, int index) {
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(index >= 0 && index < list->count());
    list->showPopup();
    QAbstractItemView* view = list->view();
    const QModelIndex item = view->model()->index(index, list->modelColumn(), list->rootModelIndex());
    view->scrollTo(item);
    const QPoint at = view->visualRect(item).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    if (list->view()->isVisible()) list->hidePopup();
}

int IndexOfText(QComboBox* list, const QString& text) { return list ? list->findText(text, Qt::MatchExactly) : -1; }

void StepSpin(ui::SpinButton* spin, int direction) {
    ASSERT_NE(spin, nullptr);
    QTest::mouseClick(direction > 0 ? spin->upButton() : spin->downButton(), Qt::LeftButton);
}

void TypeText(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, text);
}

void CommitText(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->end(false);
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit, &event);
}

void Backspace(QLineEdit* edit, int times) {
    edit->setFocus();
    edit->end(false);
    for (int i = 0; i < times; ++i) QTest::keyClick(edit, Qt::Key_Backspace);
}

std::vector<QString> Entries(QComboBox* list) {
    std::vector<QString> out;
    for (int i = 0; list && i < list->count(); ++i) out.push_back(list->itemText(i));
    return out;
}

}  // namespace pagetest
