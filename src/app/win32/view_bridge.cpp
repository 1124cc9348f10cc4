#include "view_bridge.h"

#include "main_view.h"
#include "posted_calls.h"

namespace dopplex::app::win32 {

ViewBridge::ViewBridge(MainView& view) : FormMailbox(posting_to(view.window()), view) {}

} // namespace dopplex::app::win32
