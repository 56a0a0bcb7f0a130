// CPrinterApp: the start-up. Finds the printers this program can drive, lets the user choose
// when there are several, reads every setting behind the "프린터 쿼리" wait dialog, and then
// creates the document and the main window. A configuration file that cannot be used is
// reported first, as itself. Every failure before that ends the program after one message box.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/printer_query_dlg.h"
#include "document/discovery.h"
#include "transactions/npa.h"

class CMainFrame;
class CPrinterDoc;
class IUiPrompts;
namespace sim {
class SimPlatform;
}

class CPrinterApp {
public:
    explicit CPrinterApp(IUiPrompts& prompts);
    ~CPrinterApp();

    // The start-up sequence; false ends the program (no main window exists then).
    bool InitInstance();
    // Fills the printer table from the installed printers and "DriverNames".
    void FindPrinters();
    // The about box (menu "버전 정보(&B)").
    void OnAppAbout();

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CPrinterDoc* Document() const { return m_doc.get(); }

    std::string m_printerLabel;
    std::string m_portName;
    // The port given on the command line (--port): discovery and the choice are skipped and the
    // printer is labelled by its port, as devpanel-cli does. Empty: discovery.
    std::string m_requestedPort;
    int m_readStatus = 0;
    PrinterTable m_printers;
    ValueMap m_readValues;
    NpaRawValues m_readRawValues;  // filled by the start-up read beside m_readValues, handed to the document

    // The start-up read; NpaReadAllSettings unless a test puts in another.
    CPrinterQueryDlg::Reader m_reader;
    // Discovery; DiscoverPrinters() unless a test puts in another.
    std::function<DiscoveryResult()> m_discover;
    // What is wrong with the configuration file (empty: nothing); config::ConfigurationProblem()
    // unless a test puts in another.
    std::function<std::string()> m_configProblem;

private:
    // Discovery and, with several printers, the user's choice: sets the label and port. False
    // (after its message, or none on cancel) ends the start-up.
    bool ChoosePrinter();
    void Fail(int textId, int captionId, unsigned extraStyle = 0);
    IUiPrompts& m_prompts;
    std::unique_ptr<CPrinterDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

// The virtual printer of --virtual, its settings kept in stateFile (empty: memory only),
// installed as the platform of the process. When it cannot start (a state file that cannot be
// used, say) the user is told why and nullptr comes back: the program then ends, and the state
// file is left as it was rather than replaced by the defaults.
std::unique_ptr<sim::SimPlatform> StartVirtualPrinter(const std::string& stateFile, IUiPrompts& prompts);
