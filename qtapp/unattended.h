// The window program run by a script (--screenshot, --quit-when-shown): nobody is there to
// answer a dialog, so whatever would be shown or asked before the main window is written on
// stderr instead and the start-up ends with a non-zero status; the picture's target is checked
// before the printer is read, and a picture that cannot be saved is named. The moment the
// window was shown goes to a file of the caller's choosing, never to stdout.
#pragma once

#include <optional>
#include <string>

#include "qtapp/ui_prompts.h"

class QWidget;

// Message boxes as lines on stderr: "devpanel: CAPTION: TEXT", the detail under it. A question
// is answered "no" (nothing is done unasked); no file is chosen. Whether the run failed is what
// the start-up returns: an information (a one-way port) lets it go on.
class UnattendedPrompts : public IUiPrompts {
public:
    int messageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style,
                   const std::string& detail) override;
    std::optional<std::string> saveCommandFileName(QWidget* owner) override;
};

// Why path cannot take the picture of --screenshot (a folder that does not exist, an extension no
// image writer knows, a folder in its place), or empty when it may. Needs the application object
// (the image writers are plug-ins).
std::string ScreenshotTargetProblem(const std::string& path);

// Saves a picture of widget into path in the format its extension names; false with the reason.
bool SaveScreenshot(QWidget& widget, const std::string& path, std::string& problem);

// The variable naming the file that receives "shown-at-ns N" (CLOCK_MONOTONIC, in nanoseconds)
// when --quit-when-shown sees the main window shown: the start-up benchmark's figure.
inline constexpr const char* kShownAtFileVariable = "DEVPANEL_SHOWN_AT_FILE";

// Writes the moment into the file kShownAtFileVariable names (replacing it); nothing when the
// variable is not set. False when the file could not be written.
bool ReportShownTime();
