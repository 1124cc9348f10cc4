// The application-wide keyboard hook of the window: every key press goes through the key rules
// (key_rules.h); a key they turn into input is eaten, whichever window or control has the focus.
// GUI thread only.
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
