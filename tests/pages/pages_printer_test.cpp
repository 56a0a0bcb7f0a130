// The pages against the virtual printer: every node of the navigation tree of devPanel.ini
// opens its page showing the printer's values, one change per control, and after Apply the
// printer holds every changed value.
#include "sim_fixture.h"

#include <QApplication>
#include <QWidget>
#include <map>
#include <set>

#include "config/config.h"
#include "config/profile.h"
#include "page_test_support.h"

namespace pagetest {
namespace {

class PagesPrinterTest : public testsupport::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        sim::PrinterConfig config;
        sim_->addUsbPrinter(1, "T90V000001", 1, config);
        sim_->setInstalledPrinters({{"Altrin Pressline T90", "Altrin Pressline T90", "USB001"}});
        host_ = std::make_unique<QWidget>();
        host_->resize(800, 600);
        host_->show();
    }
    void TearDown() override {
        delete page_;
        host_.reset();
        doc_.reset();
        SimFixture::TearDown();
    }

    // The start-up read of the virtual printer; a read that fails or brings no values fails the
    // test (the caller stops on HasFatalFailure()).
    void Start() {
        StartupResult startup;
        startup.portName = "USB001";
        startup.printerLabel = "USB001 - Altrin Pressline T90";
        startup.readStatus = NpaReadAllSettings("USB001", startup.values, &startup.rawValues);
        ASSERT_EQ(startup.readStatus, NPA_OK) << "the start-up read of the virtual printer failed";
        ASSERT_FALSE(startup.values.empty()) << "the start-up read brought no values";
        doc_ = std::make_unique<CPrinterDoc>(&frame_);
        ASSERT_TRUE(doc_->OnNewDocument(startup));
    }

    void Open(int viewId) {
        delete page_;
        page_ = CreatePage(viewId, doc_.get(), host_.get());
        page_->setGeometry(0, 0, 700, 560);
        page_->show();
        page_->OnInitialUpdate();
        QApplication::processEvents();
    }

    FakeFrame frame_;
    std::unique_ptr<CPrinterDoc> doc_;
    std::unique_ptr<QWidget> host_;
    CSettingsView* page_ = nullptr;
};

TEST_F(PagesPrinterTest, EveryTreePageShowsThePrinterAndEveryChangeReachesIt) {
    Start();
    if (HasFatalFailure()) return;
    const ValueMap printer = doc_->CurrentValues();

    // The pages in tree order, as a user walks the tree.
    std::vector<int> views;
    for (const config::TreeNode& node : config::LoadTree(ConfigFile())) {
        views.push_back(node.viewId);
        for (const config::TreeNode& child : node.children) views.push_back(child.viewId);
    }
    std::set<int> pages(views.begin(), views.end());
    for (int id = 1; id <= 11; ++id) EXPECT_EQ(pages.count(id), 1u) << "no tree node opens page " << id;

    std::map<std::string, std::string> changed;
    for (int view : views) {
        if (!HasPage(view)) continue;
        const ValueMap before = doc_->CurrentValues();
        doc_->SetModifiedFlag(false);
        Open(view);
        for (const Binding& b : AllBindings()) {
            if (b.viewId != view) continue;
            ExpectShowsDocumentValue(page_, *doc_, b);
        }
        EXPECT_FALSE(doc_->IsModified()) << "opening page " << view << " marked the document";
        EXPECT_EQ(doc_->CurrentValues(), before) << "opening page " << view << " changed a value";
        for (const Binding& b : AllBindings()) {
            if (b.viewId != view) continue;
            PrepareControl(page_, b);
            changed[NpaNameOf(*doc_, b.section)] = ActOn(page_, *doc_, b);
        }
    }
    ASSERT_EQ(changed.size(), 83u) << "every setting but the separator source";
    for (const auto& [name, value] : changed) EXPECT_EQ(doc_->ReadValue(name), value) << name;

    ASSERT_EQ(doc_->Apply(), NPA_OK);

    // The printer now reports every change (value tokens compared without regard to case).
    ValueMap after;
    ASSERT_EQ(NpaReadAllSettings("USB001", after), NPA_OK);
    for (const auto& [name, value] : changed) {
        ASSERT_EQ(after.count(name), 1u) << name;
        EXPECT_EQ(QString::fromStdString(after[name]).toUpper(), QString::fromStdString(value).toUpper()) << name;
        EXPECT_NE(after[name], printer.at(name)) << name << " did not change";
    }
    EXPECT_EQ(after.at("SEPSOURCE"), printer.at("SEPSOURCE"));

    // A second walk shows the printer's new state on every page.
    doc_.reset();
    Start();
    if (HasFatalFailure()) return;
    for (int view : views) {
        if (!HasPage(view)) continue;
        Open(view);
        for (const Binding& b : AllBindings()) {
            if (b.viewId == view) ExpectShowsDocumentValue(page_, *doc_, b);
        }
    }
}

}  // namespace
}  // namespace pagetest
