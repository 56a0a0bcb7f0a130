#include "flows/startup.h"

#include <system_error>

#include "config/config_check.h"
#include "config/profile.h"
#include "strings/string_table.h"
#include "document/frame.h"
#include "flows/commands.h"
#include "platform/data_files.h"
#include "sim/sim_platform.h"

namespace flows {

namespace startup_messages {
// Start-up messages: text and caption ids.
constexpr int kNoPrinterInfoText = 61209, kNoPrinterInfoCaption = 61210;
constexpr int kNoPrinterText = 61205, kNoPrinterCaption = 61206;
constexpr int kPortNotFoundText = 61203, kPortNotFoundCaption = 61204;
constexpr int kNoCommunicationText = 61207, kNoCommunicationCaption = 61208;
constexpr int kBadConfigurationText = 61344, kBadConfigurationCaption = 61343;
constexpr int kNoVirtualPrinterText = 61346, kNoVirtualPrinterCaption = 61345;

void Fail(IStartupUi& ui, int textId, int captionId, unsigned extraStyle = 0, int detailId = 0) {
    ui.messageBox(res::String(textId), res::String(captionId), msgbox::kIconError | extraStyle,
                  detailId ? res::String(detailId) : std::string());
}

// The printer to read: the only one, or the one the user chose. Nothing ends the start-up
// (after its message, or none on cancel).
std::optional<std::pair<std::string, std::string>> ChoosePrinter(IStartupUi& ui, const StartupSteps& steps) {
    const DiscoveryResult found = steps.discover();
    // Without a print server the attached printers are still found; the list's failure matters
    // only when nothing was.
    if (!found.listReadable && found.printers.empty()) Fail(ui, kNoPrinterInfoText, kNoPrinterInfoCaption);
    if (found.printers.empty()) {
        // Under it: where to look, and the virtual printer.
        Fail(ui, kNoPrinterText, kNoPrinterCaption, msgbox::kSetForeground, steps.noPrinterHintId);
        return std::nullopt;
    }
    if (found.printers.size() == 1) return *found.printers.begin();
    const std::optional<std::string> label = ui.choosePrinter(found.printers);
    if (!label) return std::nullopt;  // cancelled: no message
    auto it = found.printers.find(*label);
    if (it == found.printers.end()) {
        Fail(ui, kPortNotFoundText, kPortNotFoundCaption);
        return std::nullopt;
    }
    return *it;
}
}  // namespace startup_messages

using namespace startup_messages;

StartupRead::StartupRead(std::string port, Reader reader) : m_port(std::move(port)), m_reader(std::move(reader)) {}

StartupRead::~StartupRead() { Wait(); }

void StartupRead::Wait() {
    if (m_worker.joinable()) m_worker.join();
}

void StartupRead::Start(std::function<void()> ended) {
    if (m_started) return;
    m_started = true;
    // The worker owns the status and values until it calls ended; nobody looks at them before.
    auto work = [this, ended = std::move(ended)] {
        m_status = m_reader ? m_reader(m_port, m_values, m_raw) : NPA_ERR_OPEN;
        if (ended) ended();
    };
    try {
        m_worker = std::thread(work);
    } catch (const std::system_error&) {
        work();  // no thread to be had: the read still has to happen
    }
}

StartupSteps::StartupSteps()
    : configProblem([] {
          const std::string problem = config::ConfigurationProblem();
          if (problem.empty() || ConfigPath() != "devPanel.ini") return problem;
          // A devPanel.ini found nowhere: the message names every place it was looked for.
          const platform::DataFileSearch search =
              platform::FindDataFile("devPanel.ini", platform::DataFileScope::CurrentFolderFirst);
          return search.found() ? problem : problem + "\n" + platform::DataFileNotFoundText("devPanel.ini", search);
      }),
      discover([] { return DiscoverPrinters(); }),
      reader([](const std::string& port, ValueMap& values, NpaRawValues& raw) {
          return NpaReadAllSettings(port, values, &raw);
      }) {}

bool RunStartup(IStartupUi& ui, const StartupSteps& steps, StartupResult& startup) {
    startup = StartupResult{};
    // Discovery and the read both work from the configuration: a broken one would otherwise be
    // reported as a missing or silent printer.
    if (const std::string problem = steps.configProblem ? steps.configProblem() : std::string(); !problem.empty()) {
        ui.messageBox(WithReason(kBadConfigurationText, ConfigPath(), problem), res::String(kBadConfigurationCaption),
                      msgbox::kIconError | msgbox::kSetForeground, {});
        return false;
    }
    if (!steps.requestedPort.empty()) {
        // The port alone labels the printer, as devpanel-cli does.
        startup.portName = startup.printerLabel = steps.requestedPort;
    } else {
        const auto chosen = ChoosePrinter(ui, steps);
        if (!chosen) return false;
        startup.printerLabel = chosen->first;
        startup.portName = chosen->second;
    }

    {
        StartupRead read(startup.portName, steps.reader);
        ui.waitForRead(read);
        // A front end whose dialog did not start the read: it runs here.
        read.Start({});
        read.Wait();
        startup.readStatus = read.Status();
        startup.values = read.Values();
        startup.rawValues = read.RawValues();
    }
    // Only two-way (0) and one-way (1) reads start the program.
    if (startup.readStatus != NPA_OK && startup.readStatus != NPA_ONEWAY) {
        Fail(ui, kNoCommunicationText, kNoCommunicationCaption);
        // The read used the printer link: shut it down before leaving, as a normal end does.
        NpaEndSession(startup.portName);
        return false;
    }
    return true;
}

std::unique_ptr<sim::SimPlatform> StartVirtualPrinter(const std::string& stateFile, const TellUser& tell) {
    std::string problem;
    std::unique_ptr<sim::SimPlatform> setup = sim::MakeVirtualSetup(stateFile, &problem);
    if (!setup) {
        tell(WithReason(kNoVirtualPrinterText, stateFile, problem), res::String(kNoVirtualPrinterCaption),
             msgbox::kIconError | msgbox::kSetForeground);
    }
    return setup;
}

}  // namespace flows
