// The general error report on screen: a modal message box titled "Dopplex" with the stop icon,
// one OK button and the engine's text. The engine asks on its own thread; the box opens on the
// GUI thread, and closing it tells the engine, which serves the link and the timers meanwhile.
#pragma once

#include "runtime/real_host.h"

class QWidget;

namespace dopplex::app {

// The parent must outlive the engine thread; boxes still open go with it.
void install_error_report(RealHost& host, QWidget& parent);

} // namespace dopplex::app
