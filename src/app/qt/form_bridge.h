// The model's changes and the port's status for the Qt window (form_mailbox.h).
#pragma once

#include "form_mailbox.h"

namespace dopplex::app {

class MainWindow;

class FormBridge final : public FormMailbox<MainWindow> {
public:
    explicit FormBridge(MainWindow& window);
};

} // namespace dopplex::app
