// Test doubles of the GUI tests: scripted answers to message boxes and the save dialog, and a
// frame that only records what the document and the pages ask of it.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "qtapp/ui_prompts.h"
#include "document/frame.h"

namespace guitest {

struct PromptCall {
    QWidget* owner;
    std::string text;
    std::string caption;
    unsigned style;
    std::string detail;
};

class FakePrompts : public IUiPrompts {
public:
    int messageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style,
                   const std::string& detail) override {
        calls.push_back({owner, text, caption, style, detail});
        if (onMessage) onMessage();
        if (!answers.empty()) {
            int a = answers.front();
            answers.pop_front();
            return a;
        }
        return (style & 0xF) == msgbox::kYesNo ? msgbox::kIdNo : msgbox::kIdOk;
    }
    std::optional<std::string> saveCommandFileName(QWidget*) override {
        ++saveAsked;
        return savePath;
    }
    std::vector<PromptCall> calls;
    std::function<void()> onMessage;  // runs as each message box is asked for
    std::deque<int> answers;
    std::optional<std::string> savePath;
    int saveAsked = 0;
};

class FakeFrame : public IPrinterFrame {
public:
    std::string statusText() override { return status; }
    void setStatusText(const std::string& text) override { status = text; }
    void setWaitCursor(bool) override {}
    bool menuItemEnabled(int) override { return saveEnabled; }
    void setMenuItemEnabled(int, bool enabled) override { saveEnabled = enabled; }
    void redraw() override { ++redraws; }
    bool replaceView(int) override { return true; }
    int messageBox(const std::string&, const std::string&, unsigned, bool) override { return msgbox::kIdOk; }
    std::string status;
    bool saveEnabled = true;
    int redraws = 0;
};

// Processes events until pred holds or ms pass; returns pred().
inline bool WaitUntil(const std::function<bool()>& pred, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms) QTest::qWait(5);
    return pred();
}

}  // namespace guitest
