#include "qtapp/printer_app.h"

#include <cstdio>

#include "qtapp/about_dlg.h"
#include "qtapp/main_frame.h"
#include "qtapp/printer_query_dlg.h"
#include "qtapp/select_printer_dlg.h"
#include "qtapp/ui_prompts.h"
#include "config/profile.h"
#include "document/printer_doc.h"
#include "sim/sim_platform.h"

std::unique_ptr<sim::SimPlatform> StartVirtualPrinter(const std::string& stateFile, IUiPrompts& prompts) {
    return flows::StartVirtualPrinter(stateFile, [&prompts](const std::string& text, const std::string& caption,
                                                            unsigned style) {
        prompts.messageBox(nullptr, text, caption, style, {});
    });
}

CPrinterApp::CPrinterApp(IUiPrompts& prompts) : m_prompts(prompts) {
    const flows::StartupSteps real;
    m_reader = real.reader;
    m_discover = real.discover;
    m_configProblem = real.configProblem;
}

CPrinterApp::~CPrinterApp() {
    // The frame goes first: it refers to the document.
    m_frame.reset();
    m_doc.reset();
}

int CPrinterApp::messageBox(const std::string& text, const std::string& caption, unsigned style,
                            const std::string& detail) {
    return m_prompts.messageBox(nullptr, text, caption, style, detail);
}

std::optional<std::string> CPrinterApp::choosePrinter(const PrinterTable& printers) {
    if (m_unattended) {
        std::string text = "devpanel: several printers found; name one with --port:\n";
        for (const auto& [label, port] : printers) text += "  --port " + port + "    " + label + "\n";
        std::fputs(text.c_str(), stderr);
        return std::nullopt;
    }
    CSelectPrinterDlg choose(printers);
    if (choose.exec() != QDialog::Accepted) return std::nullopt;
    return choose.m_selectedLabel;
}

void CPrinterApp::waitForRead(flows::StartupRead& read) {
    CPrinterQueryDlg query(read);
    query.exec();
}

bool CPrinterApp::InitInstance() {
    flows::StartupSteps steps;
    steps.configProblem = m_configProblem;
    steps.discover = m_discover;
    steps.reader = m_reader;
    steps.requestedPort = m_requestedPort;
    StartupResult startup;
    const bool started = flows::RunStartup(*this, steps, startup);
    m_printerLabel = startup.printerLabel;
    m_portName = startup.portName;
    m_readStatus = startup.readStatus;
    m_readValues = startup.values;
    if (!started) return false;

    m_doc = std::make_unique<CPrinterDoc>();
    m_frame = std::make_unique<CMainFrame>(m_doc.get(), m_prompts);
    m_doc->SetFrame(m_frame.get());
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
