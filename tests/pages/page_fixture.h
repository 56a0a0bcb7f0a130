// Shared by the page tests, with or without widgets: a document with a fake frame on the shipped
// configuration (or a changed copy of it), sample printer values, and the table of every
// user-editable control of the eleven pages.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/printer_doc.h"
#include "document_reads.h"

namespace pagetest {

class FakeFrame : public IPrinterFrame {
public:
    std::string statusText() override { return status; }
    void setStatusText(const std::string& text) override { status = text; }
    void setWaitCursor(bool) override {}
    bool menuItemEnabled(int id) override { return id == ID_FILE_SAVE_COMMAND ? saveEnabled : true; }
    void setMenuItemEnabled(int id, bool enabled) override {
        if (id == ID_FILE_SAVE_COMMAND) saveEnabled = enabled;
    }
    void redraw() override { ++redraws; }
    bool replaceView(int) override { return true; }
    int messageBox(const std::string&, const std::string&, unsigned, bool) override { return msgbox::kIdOk; }

    std::string status;
    bool saveEnabled = true;
    int redraws = 0;
};

// The configuration file of the data folder, or a changed copy of it.
std::string DataIni();
// Replaces the whole section [name] of ini text by replacement (which starts with "[name]").
std::string ReplaceSection(const std::string& ini, const std::string& name, const std::string& replacement);

// Values of every setting of doc's descriptors that a printer could report: the second list
// entry, the checked switch value, a short name, a number within range.
ValueMap SampleValues(const CPrinterDoc& doc);

using testsupport::PrinterValues;
using testsupport::ReadAgain;
using testsupport::ReadInto;

// The descriptor and NPA name of a configuration section.
DescriptorRef Descriptor(const CPrinterDoc& doc, const std::string& section);
std::string NpaNameOf(const CPrinterDoc& doc, const std::string& section);

// A document in a private folder of its own.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the document from the configuration file at iniPath (the data folder's by default)
    // with values (SampleValues when empty) in two-way (0) or one-way (1) mode.
    void StartDocument(int readStatus = 0, ValueMap values = {}, const std::string& iniPath = "");
    // Writes ini text into the temporary folder and starts the document on it.
    void StartDocumentWithIni(const std::string& iniText, ValueMap values = {}, int readStatus = 0);
    // Run before a new document replaces the old one (a page bound to it goes first).
    virtual void Close() {}

    std::string Value(const std::string& npaName) const { return doc_->ReadValue(npaName); }

    std::string tmp_;
    FakeFrame frame_;
    std::unique_ptr<CPrinterDoc> doc_;
};

// One control of a page and the setting it edits.
struct Binding {
    int viewId;
    int controlId;
    const char* section;
    // A spin: the control that must be chosen first to enable it. A check box switching a
    // number, or a number button: the number field whose text is stored.
    int related = 0;
};
// Every user-editable control of the eleven pages.
const std::vector<Binding>& AllBindings();
std::string BindingName(const ::testing::TestParamInfo<Binding>& info);

}  // namespace pagetest
