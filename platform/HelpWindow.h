#pragma once

// The help viewer: one small window of our own showing the program's help file (HTML) at
// the topic of a help context, the anchor "context-<number>".

#include <QPointer>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Services.h"

class QTextBrowser;
class QWidget;

namespace platform {

class HelpWindowViewer final : public HelpViewer {
public:
    // Help files are `programName`'s data files (see DataFiles.h).
    explicit HelpWindowViewer(const std::string& programName);
    explicit HelpWindowViewer(std::vector<std::filesystem::path> folders);
    ~HelpWindowViewer() override;
    HelpWindowViewer(const HelpWindowViewer&) = delete;
    HelpWindowViewer& operator=(const HelpWindowViewer&) = delete;

    // Shows `helpFile` (named without folder or extension; "tablehelp1" is the file
    // "tablehelp1.html") at `context`, in the one help window, brought to the front.
    void showHelp(const std::string& helpFile, int context) override;
    // Places the help window each time it opens: the program makes it belong to its main
    // window, centred over it and kept above it.
    void setPlacement(std::function<void(QWidget* window)> place) { place_ = std::move(place); }

    // The help window and its browser, once shown.
    QWidget* window() const;
    QTextBrowser* browser() const;

private:
    void ensureWindow();
    std::vector<std::filesystem::path> folders_;
    QPointer<QWidget> window_;
    QPointer<QTextBrowser> browser_;
    std::function<void(QWidget*)> place_;
};

}  // namespace platform
