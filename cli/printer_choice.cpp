// Which printer a command talks to when no --port names one, and the printers command: the
// installed printers whose driver the configuration lists and the attached ones that answer as
// this printer. A print server that cannot be asked costs only its own queues: the attached
// printers are found without it, and only when neither gives a printer is that an error.
#include <ostream>

#include "cli/commands_private.h"
#include "document/discovery.h"

namespace cli {

namespace {

// What the list of installed printers could not say, for the note and the error.
std::string UnreadableList(const DiscoveryResult& found) {
    return "the list of installed printers cannot be read" + Because(found.listProblem);
}

void SayAttachedOnly(const DiscoveryResult& found, std::ostream& err) {
    err << "devpanel-cli: note: " << UnreadableList(found)
        << "; the printers attached to this computer are found without it\n";
}

// Nothing found: why, from both places looked in, and the ways on.
void SayNoPrinter(const DiscoveryResult& found, std::ostream& err) {
    err << "devpanel-cli: no supported printer found: "
        << (found.listReadable ? "no installed printer has a driver that devPanel.ini lists, and"
                               : UnreadableList(found) + "; and")
        << " no Altrin Pressline T90 answers on a parallel or USB port of this computer\n"
        << "devpanel-cli: name its port with --port (such as --port LPT1: or --port USB001), try the program "
           "with the virtual printer (--virtual), or see what is missing with devpanel-cli doctor\n";
}

}  // namespace

int CommandPrinters(std::ostream& out, std::ostream& err) {
    const DiscoveryResult found = DiscoverPrinters();
    if (found.printers.empty()) {
        SayNoPrinter(found, err);
        return found.listReadable ? EXIT_OK : EXIT_NO_PRINTER;
    }
    if (!found.listReadable) SayAttachedOnly(found, err);
    for (const auto& [label, port] : found.printers) out << label << "\t" << port << "\n";
    return EXIT_OK;
}

int ChoosePort(const Options& options, std::string& port, std::ostream& err) {
    if (!options.port.empty()) {
        port = options.port;
        return EXIT_OK;
    }
    const DiscoveryResult found = DiscoverPrinters();
    if (found.printers.empty()) {
        SayNoPrinter(found, err);
        return EXIT_NO_PRINTER;
    }
    if (!found.listReadable) SayAttachedOnly(found, err);
    if (found.printers.size() > 1) {
        err << "devpanel-cli: several supported printers found; choose one with --port:\n";
        for (const auto& [label, printerPort] : found.printers) err << "  " << printerPort << "\t" << label << "\n";
        return EXIT_USAGE;
    }
    port = found.printers.begin()->second;
    return EXIT_OK;
}

}  // namespace cli
