#include "app/printer_app.h"

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/select_printer_dlg.h"
#include "app/ui_prompts.h"
#include "config/config_check.h"
#include "document/printer_doc.h"
#include "config/profile.h"
#include "config/strings.h"
#include "sim/sim_platform.h"

namespace {
// Start-up messages: text and caption ids.
constexpr int kNoPrinterInfoText = 61209, kNoPrinterInfoCaption = 61210;
constexpr int kNoPrinterText = 61205, kNoPrinterCaption = 61206;
constexpr int kPortNotFoundText = 61203, kPortNotFoundCaption = 61204;
constexpr int kNoCommunicationText = 61207, kNoCommunicationCaption = 61208;
constexpr int kBadConfigurationText = 61344, kBadConfigurationCaption = 61343;
constexpr int kNoVirtualPrinterText = 61346, kNoVirtualPrinterCaption = 61345;

// A start-up text with the path in place of %s and, after a blank line, the reason (English,
// from the part that found the fault).
std::string WithReason(int textId, const std::string& path, const std::string& reason) {
    std::string text = res::Format(textId, path);
    if (!reason.empty()) text += "\n\n" + reason;
    return text;
}
}  // namespace

std::unique_ptr<sim::SimPlatform> StartVirtualPrinter(const std::string& stateFile, IUiPrompts& prompts) {
    std::string problem;
    std::unique_ptr<sim::SimPlatform> setup = sim::MakeVirtualSetup(stateFile, &problem);
    if (!setup) {
        prompts.messageBox(nullptr, WithReason(kNoVirtualPrinterText, stateFile, problem),
                           res::String(kNoVirtualPrinterCaption), msgbox::kIconError | msgbox::kSetForeground);
    }
    return setup;
}

CPrinterApp::CPrinterApp(IUiPrompts& prompts)
    : m_reader([this](const std::string& port, ValueMap& values) {
          return NpaReadAllSettings(port, values, &m_readRawValues);
      }),
      m_discover([] { return DiscoverPrinters(); }),
      m_configProblem([] { return config::ConfigurationProblem(); }),
      m_prompts(prompts) {}

CPrinterApp::~CPrinterApp() {
    // The frame goes first: it refers to the document.
    m_frame.reset();
    m_doc.reset();
}

void CPrinterApp::Fail(int textId, int captionId, unsigned extraStyle) {
    m_prompts.messageBox(nullptr, res::String(textId), res::String(captionId), msgbox::kIconError | extraStyle);
}

void CPrinterApp::FindPrinters() {
    m_printers.clear();
    DiscoveryResult found = m_discover();
    // Without a print server the attached printers are still found; the list's failure matters
    // only when nothing was.
    if (!found.listReadable && found.printers.empty()) {
        Fail(kNoPrinterInfoText, kNoPrinterInfoCaption);
        return;
    }
    m_printers = std::move(found.printers);
}

bool CPrinterApp::ChoosePrinter() {
    FindPrinters();
    if (m_printers.empty()) {
        Fail(kNoPrinterText, kNoPrinterCaption, msgbox::kSetForeground);
        return false;
    }
    if (m_printers.size() == 1) {
        m_printerLabel = m_printers.begin()->first;
        m_portName = m_printers.begin()->second;
        return true;
    }
    CSelectPrinterDlg choose(m_printers);
    if (choose.exec() != QDialog::Accepted) return false;  // cancelled: no message
    m_printerLabel = choose.m_selectedLabel;
    auto it = m_printers.find(m_printerLabel);
    if (it == m_printers.end()) {
        Fail(kPortNotFoundText, kPortNotFoundCaption);
        return false;
    }
    m_portName = it->second;
    return true;
}

bool CPrinterApp::InitInstance() {
    // Discovery and the read both work from the configuration: a broken one would otherwise be
    // reported as a missing or silent printer.
    if (const std::string problem = m_configProblem(); !problem.empty()) {
        m_prompts.messageBox(nullptr, WithReason(kBadConfigurationText, ConfigPath(), problem),
                             res::String(kBadConfigurationCaption), msgbox::kIconError | msgbox::kSetForeground);
        return false;
    }
    if (!m_requestedPort.empty()) {
        m_portName = m_requestedPort;
        m_printerLabel = m_requestedPort;
    } else if (!ChoosePrinter()) {
        return false;
    }

    {
        CPrinterQueryDlg query(m_portName, m_reader, m_readStatus, m_readValues);
        query.exec();
    }
    // Only two-way (0) and one-way (1) reads start the program.
    if (m_readStatus != NPA_OK && m_readStatus != NPA_ONEWAY) {
        Fail(kNoCommunicationText, kNoCommunicationCaption);
        // The read used the printer link: shut it down before leaving, as a normal end does.
        NpaEndSession(m_portName);
        return false;
    }

    m_doc = std::make_unique<CPrinterDoc>();
    m_frame = std::make_unique<CMainFrame>(m_doc.get(), m_prompts);
    m_doc->SetFrame(m_frame.get());

    StartupResult startup;
    startup.printerLabel = m_printerLabel;
    startup.portName = m_portName;
    startup.values = m_readValues;
    startup.rawValues = m_readRawValues;
    startup.readStatus = m_readStatus;
    if (!m_doc->OnNewDocument(startup)) return false;

    m_frame->SetAboutHandler([this] { OnAppAbout(); });
    if (!m_frame->Create(m_printerLabel, ConfigFile())) return false;
    m_frame->show();
    return true;
}

void CPrinterApp::OnAppAbout() {
    CAboutDlg about(m_frame.get());
    about.exec();
}
