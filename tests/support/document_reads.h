// A document filled as the start-up fills it, from a read whose values the test chooses: for the
// values a printer may give that the virtual printer never would (an odd token, a missing one).
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "document/printer_doc.h"

namespace testsupport {

// The document starts over from a read of the printer on USB001 that gave values: two-way, or
// one-way (readStatus NPA_ONEWAY), values then being the configuration's defaults.
inline void ReadInto(CPrinterDoc& doc, const ValueMap& values, int readStatus = NPA_OK) {
    StartupResult startup;
    startup.portName = "USB001";
    startup.printerLabel = "USB001 - Altrin Pressline T90";
    startup.values = values;
    startup.readStatus = readStatus;
    ASSERT_TRUE(doc.OnNewDocument(startup));
}

// What a printer gives for some settings: a value, or none (std::nullopt) when it leaves one out.
using PrinterValues = std::map<std::string, std::optional<std::string>>;

// The document read again in its mode, the printer giving what the document holds but for
// changes. A page bound to the document stays bound and shows the new values when filled again.
inline void ReadAgain(CPrinterDoc& doc, const PrinterValues& changes) {
    StartupResult startup;
    startup.portName = doc.m_portName;
    startup.printerLabel = doc.m_printerLabel;
    startup.values = doc.CurrentValues();
    for (const auto& [name, value] : changes) {
        if (value)
            startup.values[name] = *value;
        else
            startup.values.erase(name);
    }
    startup.readStatus = doc.IsOneWay() ? NPA_ONEWAY : NPA_OK;
    ASSERT_TRUE(doc.OnNewDocument(startup));
}

}  // namespace testsupport
