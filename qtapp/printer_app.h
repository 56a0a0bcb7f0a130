// CPrinterApp: the Qt side of the start-up (flows/startup.h decides; this shows): message boxes
// without an owner, the select-printer dialog, the "프린터 쿼리" wait dialog, and then the
// document and the main window.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "flows/startup.h"

class CMainFrame;
class CPrinterDoc;
class IUiPrompts;

class CPrinterApp : private flows::IStartupUi {
public:
    explicit CPrinterApp(IUiPrompts& prompts);
    ~CPrinterApp() override;

    // The start-up sequence; false ends the program (no main window exists then).
    bool InitInstance();
    // The about box (menu "버전 정보(&B)").
    void OnAppAbout();

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CPrinterDoc* Document() const { return m_doc.get(); }

    // What the start-up found: the chosen printer, the read's status and values.
    std::string m_printerLabel;
    std::string m_portName;
    int m_readStatus = 0;
    ValueMap m_readValues;

    // The port given on the command line (--port): discovery and the choice are skipped and the
    // printer is labelled by its port, as devpanel-cli does. Empty: discovery.
    std::string m_requestedPort;
    // Nobody is there to choose (--screenshot, --quit-when-shown): with several printers the
    // start-up ends, naming them on stderr with the --port that picks each, instead of asking.
    bool m_unattended = false;
    // The start-up's steps; tests put in their own.
    flows::StartupRead::Reader m_reader;
    std::function<DiscoveryResult()> m_discover;
    std::function<std::string()> m_configProblem;

private:
    int messageBox(const std::string& text, const std::string& caption, unsigned style,
                   const std::string& detail) override;
    std::optional<std::string> choosePrinter(const PrinterTable& printers) override;
    void waitForRead(flows::StartupRead& read) override;

    IUiPrompts& m_prompts;
    std::unique_ptr<CPrinterDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

// The virtual printer of --virtual (see flows::StartVirtualPrinter), its failure told through
// prompts.
std::unique_ptr<sim::SimPlatform> StartVirtualPrinter(const std::string& stateFile, IUiPrompts& prompts);
