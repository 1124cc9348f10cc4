// The application-wide keyboard hook of the window: every arrow key-down (auto-repeat, Shift and
// Ctrl included) goes to the engine as a key-down and is eaten, whichever window or control has
// the focus; with Alt it goes as a system key-down. Enter in the main window clicks the focused
// push button, else the default button "Adjust" (Button7). Nothing is posted while a modal
// report is open. GUI thread only.
#pragma once

#include <QObject>

namespace dopplex::app {

class EngineSession;
class MainWindow;

class KeyFilter final : public QObject {
public:
    KeyFilter(EngineSession& session, MainWindow& window);
    ~KeyFilter() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EngineSession& session_;
    MainWindow& window_;
};

} // namespace dopplex::app
