// The model's changes and the port's status for the Win32 window (form_mailbox.h).
#pragma once

#include "form_mailbox.h"

namespace dopplex::app::win32 {

class MainView;

class ViewBridge final : public FormMailbox<MainView> {
public:
    explicit ViewBridge(MainView& view);
};

} // namespace dopplex::app::win32
