#include "qtapp/unattended.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "document/frame.h"
#include "platform/whole_files.h"

int UnattendedPrompts::messageBox(QWidget*, const std::string& text, const std::string& caption, unsigned style,
                                  const std::string& detail) {
    std::string line = "devpanel: ";
    if (!caption.empty()) line += caption + ": ";
    line += text + "\n";
    if (!detail.empty()) line += detail + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    return (style & 0xF) == msgbox::kYesNo ? msgbox::kIdNo : msgbox::kIdOk;
}

std::optional<std::string> UnattendedPrompts::saveCommandFileName(QWidget*) { return std::nullopt; }

std::string ScreenshotTargetProblem(const std::string& path) {
    const QFileInfo target(QString::fromStdString(path));
    if (target.isDir()) return "it is a folder";
    if (!target.absoluteDir().exists()) return "the folder " + target.absolutePath().toStdString() + " does not exist";
    // QImageWriter picks its writer by the extension: without one it knows, nothing is written.
    const QByteArray suffix = target.suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(suffix)) {
        return suffix.isEmpty() ? std::string("it has no extension to choose the image format by (.png, .jpg, ...)")
                                : "no image format has the extension ." + suffix.toStdString() + " (.png, .jpg, ...)";
    }
    return {};
}

bool SaveScreenshot(QWidget& widget, const std::string& path, std::string& problem) {
    problem = ScreenshotTargetProblem(path);
    if (!problem.empty()) return false;
    QImageWriter writer(QString::fromStdString(path));
    if (writer.write(widget.grab().toImage())) return true;
    problem = writer.errorString().toStdString();
    return false;
}

bool ReportShownTime() {
    const char* file = std::getenv(kShownAtFileVariable);
    if (file == nullptr || *file == '\0') return true;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Whole or not at all: whoever waits for the file never reads a half-written line.
    const std::string line =
        "shown-at-ns " + std::to_string(static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec) + "\n";
    int error = 0;
    return platform::WriteFileAtomically(file, line, error);
}
