#include "form_bridge.h"

#include "gui_mailbox.h"
#include "main_window.h"

namespace dopplex::app {

FormBridge::FormBridge(MainWindow& window) : FormMailbox(queued_to(&window), window) {}

} // namespace dopplex::app
